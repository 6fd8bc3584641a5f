#include "PeerCatalogue.h"

#include "PeerClasses.h"

#include <algorithm>
#include <cctype>
#include <unordered_map>
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

std::string lowerCase(std::string_view text) {
    std::string lowered(text);
    std::transform(lowered.begin(), lowered.end(), lowered.begin(),
                   [](unsigned char letter) { return static_cast<char>(std::tolower(letter)); });
    return lowered;
}

// Equal for two names exactly when sameKeys holds for them: key names
// ignoring case and in any order, values as they are.
std::string keySignature(const ObjectName& name) {
    std::vector<std::pair<std::string, std::string_view>> keys;
    keys.reserve(name.keys.size());
    for (const auto& [key, value] : name.keys) {
        keys.emplace_back(lowerCase(key), value);
    }
    std::sort(keys.begin(), keys.end());
    std::string signature;
    for (const auto& [key, value] : keys) {
        signature.append(key).push_back('\0');
        signature.append(std::to_string(value.size())).push_back(':');
        signature.append(value);
    }
    return signature;
}

}  // namespace

PeerCatalogue::PeerCatalogue(std::shared_ptr<const Quill::NodeTree> tree,
                             std::shared_ptr<const std::string> settingsText, std::string hostName)
    : tree_(std::move(tree)),
      settingsText_(std::move(settingsText)),
      hostName_(std::move(hostName)),
      inventory_(tree_) {
    if (settingsText_) {
        settingsRead_ = interpretSettings(*settingsText_, settings_);
    }
}

std::shared_ptr<const PeerCatalogue> PeerCatalogue::current(Quill::NodeStore& store) {
    static std::mutex lock;
    static std::shared_ptr<const PeerCatalogue> latest;
    auto tree = store.snapshot();
    auto settingsText = store.sharedSection(kSettingsSection);
    std::string hostName = thisHostName();
    {
        const std::lock_guard<std::mutex> guard(lock);
        if (latest && latest->builtFrom(tree, settingsText, hostName)) {
            return latest;
        }
        // Not held twice while the new one is built; readers keep theirs.
        latest.reset();
    }
    auto built = std::make_shared<const PeerCatalogue>(std::move(tree), std::move(settingsText),
                                                       std::move(hostName));
    const std::lock_guard<std::mutex> guard(lock);
    latest = built;
    return built;
}

bool PeerCatalogue::builtFrom(const std::shared_ptr<const Quill::NodeTree>& tree,
                              const std::shared_ptr<const std::string>& settingsText,
                              const std::string& hostName) const {
    // The tree is held here, so an equal address is the same tree.
    const bool sameSettings = settingsText_ == settingsText ||
                              (settingsText_ && settingsText && *settingsText_ == *settingsText);
    return tree_ == tree && sameSettings && hostName_ == hostName;
}

Outcome PeerCatalogue::instancesOf(std::string_view className,
                                   std::vector<PeerInstance>& instances) const {
    instances.clear();
    const ClassIndex* index = nullptr;
    if (Outcome built = indexOf(className, index); !built.ok()) {
        return built;
    }
    instances = index->instances;
    return Outcome::success();
}

Outcome PeerCatalogue::indexOf(std::string_view className, const ClassIndex*& index) const {
    const std::string classKey = lowerCase(className);
    {
        const std::lock_guard<std::mutex> guard(builtLock_);
        if (const auto found = classes_.find(classKey); found != classes_.end()) {
            index = found->second.get();
            return Outcome::success();
        }
    }
    auto built = std::make_unique<ClassIndex>();
    std::vector<PeerInstance>& instances = built->instances;
    if (equalsIgnoreCase(className, classes::kComputerSystem)) {
        instances = inventory_.computerSystems();
    } else if (equalsIgnoreCase(className, classes::kSPComputerSystem)) {
        instances = inventory_.serviceProcessors();
    } else if (equalsIgnoreCase(className, classes::kConcreteJob)) {
        instances = {completedJob()};
    } else if (!classes::isServed(className) ||
               equalsIgnoreCase(className, classes::kDNSSAPSAPDependency)) {
        return Outcome::failure(CMPI_RC_ERR_INVALID_CLASS,
                                std::string(className) + " is not served by this provider");
    } else if (!settingsRead_.ok()) {
        return settingsRead_;
    } else if (equalsIgnoreCase(className, classes::kLANEndpoint)) {
        instances = inventory_.lanEndpoints(settings_.macAddresses);
    } else if (equalsIgnoreCase(className, classes::kDNSProtocolEndpoint)) {
        instances = dnsEndpoints(nullptr);
    } else {
        instances = settings_.instancesOf(className);
    }
    for (std::size_t position = 0; position < instances.size(); ++position) {
        built->positions.emplace(keySignature(instances[position].name), position);
    }
    const std::lock_guard<std::mutex> guard(builtLock_);
    // Another request may have built the same class meanwhile; both are equal.
    auto& slot = classes_[classKey];
    if (!slot) {
        slot = std::move(built);
    }
    index = slot.get();
    return Outcome::success();
}

Outcome PeerCatalogue::find(const ObjectName& name, PeerInstance& instance) const {
    const ClassIndex* index = nullptr;
    if (Outcome built = indexOf(name.className, index); !built.ok()) {
        return built;
    }
    const auto found = index->positions.find(keySignature(name));
    if (found == index->positions.end()) {
        return Outcome::failure(CMPI_RC_ERR_NOT_FOUND,
                                "No instance of " + name.className + " has these keys");
    }
    instance = index->instances[found->second];
    return Outcome::success();
}

const PeerCatalogue::LinkIndex& PeerCatalogue::linkIndex() const {
    {
        const std::lock_guard<std::mutex> guard(builtLock_);
        if (links_) {
            return *links_;
        }
    }
    auto built = std::make_unique<LinkIndex>();
    dnsEndpoints(&built->links);
    for (std::size_t position = 0; position < built->links.size(); ++position) {
        const DnsDependency& link = built->links[position];
        const std::string antecedent = keySignature(link.antecedent);
        const std::string dependent = keySignature(link.dependent);
        built->byEnd.emplace(antecedent, position);
        if (dependent != antecedent) {
            built->byEnd.emplace(dependent, position);
        }
    }
    const std::lock_guard<std::mutex> guard(builtLock_);
    if (!links_) {
        links_ = std::move(built);
    }
    return *links_;
}

Outcome PeerCatalogue::dependencies(std::vector<DnsDependency>& links) const {
    links.clear();
    if (!settingsRead_.ok()) {
        return settingsRead_;
    }
    links = linkIndex().links;
    return Outcome::success();
}

Outcome PeerCatalogue::linksOf(const ObjectName& source, const LinkFilter& filter,
                               std::vector<LinkMatch>& matches) const {
    matches.clear();
    if (filter.associationClass &&
        !classes::isA(classes::kDNSSAPSAPDependency, *filter.associationClass)) {
        return Outcome::success();
    }
    if (!settingsRead_.ok()) {
        return settingsRead_;
    }
    const LinkIndex& index = linkIndex();
    // Positions ascend within one signature, so links keep the order of the list.
    const auto [first, last] = index.byEnd.equal_range(keySignature(source));
    // A base class such as CIM_ProtocolEndpoint may stand for either end;
    // the keys then tell which one is meant.
    const bool mayBeAntecedent = classes::isA(classes::kIPProtocolEndpoint, source.className);
    const bool mayBeDependent = classes::isA(classes::kDNSProtocolEndpoint, source.className);
    for (auto entry = first; entry != last; ++entry) {
        const DnsDependency& link = index.links[entry->second];
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
    // An endpoint lives as long as its interface; the first of equally named
    // interfaces is the one the IP endpoints name.
    std::unordered_map<std::string_view, const InterfaceRecord*> byName;
    for (const auto& record : interfaces) {
        byName.emplace(record.name, &record);
    }
    std::vector<PeerInstance> endpoints;
    for (const auto& interfaceName : settings_.dnsEndpointInterfaces) {
        const auto found = byName.find(interfaceName);
        if (found == byName.end()) {
            continue;
        }
        const InterfaceRecord* interface = found->second;
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
