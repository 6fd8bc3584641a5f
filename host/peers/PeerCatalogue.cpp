#include "PeerCatalogue.h"

#include "PeerClasses.h"

#include <algorithm>
#include <set>
#include <utility>

namespace ovx::peers {
namespace {

constexpr std::string_view kDnsEndpointPrefix = "DNS:";

// The provider's methods do their work before they return and always name
// this job, so a client that follows the reference finds it completed.
PeerInstance completedJob() {
    constexpr std::uint16_t kCompleted = 7;
    constexpr std::uint16_t kAllDone = 100;
    PeerInstance job;
    job.name = {std::string(classes::kConcreteJob), {{"InstanceID", "IPConfigSvcJob:1"}}};
    job.properties = {{"Name", std::string("IPConfigSvcJob")},
                      {"ElementName", std::string("IP configuration change")},
                      {"JobState", kCompleted},
                      {"PercentComplete", kAllDone},
                      {"DeleteOnCompletion", false}};
    return job;
}

bool passes(const std::optional<std::string>& filter, std::string_view value) {
    return !filter || equalsIgnoreCase(*filter, value);
}

}  // namespace

PeerCatalogue::PeerCatalogue(Quill::NodeStore& store) : inventory_(store.snapshot()) {
    settingsRead_ = readSettings(store, settings_);
}

Outcome PeerCatalogue::instancesOf(std::string_view className,
                                   std::vector<PeerInstance>& instances) const {
    instances.clear();
    if (equalsIgnoreCase(className, classes::kComputerSystem)) {
        instances = inventory_.computerSystems();
        return Outcome::success();
    }
    if (equalsIgnoreCase(className, classes::kSPComputerSystem)) {
        instances = inventory_.serviceProcessors();
        return Outcome::success();
    }
    if (equalsIgnoreCase(className, classes::kConcreteJob)) {
        instances = {completedJob()};
        return Outcome::success();
    }
    if (!classes::isServed(className) ||
        equalsIgnoreCase(className, classes::kDNSSAPSAPDependency)) {
        return Outcome::failure(CMPI_RC_ERR_INVALID_CLASS,
                                std::string(className) + " is not served by this provider");
    }
    if (!settingsRead_.ok()) {
        return settingsRead_;
    }
    if (equalsIgnoreCase(className, classes::kLANEndpoint)) {
        instances = inventory_.lanEndpoints(settings_.macAddresses);
    } else if (equalsIgnoreCase(className, classes::kDNSProtocolEndpoint)) {
        instances = dnsEndpoints(nullptr);
    } else {
        instances = settings_.instancesOf(className);
    }
    return Outcome::success();
}

Outcome PeerCatalogue::find(const ObjectName& name, PeerInstance& instance) const {
    std::vector<PeerInstance> candidates;
    if (Outcome listed = instancesOf(name.className, candidates); !listed.ok()) {
        return listed;
    }
    const auto found = std::find_if(
        candidates.begin(), candidates.end(),
        [&name](const PeerInstance& candidate) { return sameKeys(candidate.name, name); });
    if (found == candidates.end()) {
        return Outcome::failure(CMPI_RC_ERR_NOT_FOUND,
                                "No instance of " + name.className + " has these keys");
    }
    instance = *found;
    return Outcome::success();
}

Outcome PeerCatalogue::dependencies(std::vector<DnsDependency>& links) const {
    links.clear();
    if (!settingsRead_.ok()) {
        return settingsRead_;
    }
    dnsEndpoints(&links);
    return Outcome::success();
}

Outcome PeerCatalogue::linksOf(const ObjectName& source, const LinkFilter& filter,
                               std::vector<LinkMatch>& matches) const {
    matches.clear();
    if (filter.associationClass &&
        !classes::isA(classes::kDNSSAPSAPDependency, *filter.associationClass)) {
        return Outcome::success();
    }
    std::vector<DnsDependency> links;
    if (Outcome listed = dependencies(links); !listed.ok()) {
        return listed;
    }
    // A base class such as CIM_ProtocolEndpoint may stand for either end;
    // the keys then tell which one is meant.
    const bool mayBeAntecedent = classes::isA(classes::kIPProtocolEndpoint, source.className);
    const bool mayBeDependent = classes::isA(classes::kDNSProtocolEndpoint, source.className);
    for (const auto& link : links) {
        const ObjectName* far = nullptr;
        std::string_view sourceRole;
        std::string_view farRole;
        if (mayBeAntecedent && sameKeys(source, link.antecedent)) {
            far = &link.dependent;
            sourceRole = kAntecedentRole;
            farRole = kDependentRole;
        } else if (mayBeDependent && sameKeys(source, link.dependent)) {
            far = &link.antecedent;
            sourceRole = kDependentRole;
            farRole = kAntecedentRole;
        } else {
            continue;
        }
        if (passes(filter.sourceRole, sourceRole) && passes(filter.farRole, farRole) &&
            (!filter.farClass || classes::isA(far->className, *filter.farClass))) {
            matches.push_back({link, *far});
        }
    }
    return Outcome::success();
}

std::vector<PeerInstance> PeerCatalogue::dnsEndpoints(std::vector<DnsDependency>* links) const {
    const auto interfaces = inventory_.interfaces();
    std::vector<PeerInstance> endpoints;
    for (const auto& interfaceName : settings_.dnsEndpointInterfaces) {
        // An endpoint lives as long as its interface; the first of equally
        // named interfaces is the one the IP endpoints name.
        const auto interface = std::find_if(interfaces.begin(), interfaces.end(),
                                            [&interfaceName](const InterfaceRecord& candidate) {
                                                return candidate.name == interfaceName;
                                            });
        if (interface == interfaces.end()) {
            continue;
        }
        PeerInstance endpoint;
        endpoint.name = {
            std::string(classes::kDNSProtocolEndpoint),
            {{"SystemCreationClassName", *interface->ipEndpoint.key("SystemCreationClassName")},
             {"SystemName", *interface->ipEndpoint.key("SystemName")},
             {"CreationClassName", std::string(classes::kDNSProtocolEndpoint)},
             {"Name", std::string(kDnsEndpointPrefix) + interfaceName}}};
        endpoint.properties.push_back({"ElementName", "DNS client of " + interfaceName});
        if (interface->enabledState) {
            endpoint.properties.push_back({"EnabledState", *interface->enabledState});
        }
        if (links != nullptr) {
            links->push_back({interface->ipEndpoint, endpoint.name});
        }
        endpoints.push_back(std::move(endpoint));
    }
    return endpoints;
}

}  // namespace ovx::peers
