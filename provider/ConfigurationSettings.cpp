#include "ConfigurationSettings.h"

#include <strings.h>

#include <utility>
#include <vector>

#include "CMPI/CMPIObjectSupport.h"
#include "Trace.h"
#include "cmpimacs.h"
#include "providerutilities.h"

namespace Quill {
namespace IPInterfaceProvider {

namespace {

constexpr const char* kDNSSettingData = "OVX_DNSSettingData";
constexpr const char* kDNSGeneralSettingData = "OVX_DNSGeneralSettingData";
constexpr const char* kDNSDependency = "OVX_DNSSAPSAPDependency";
constexpr const char* kDNSProtocolEndpoint = "OVX_DNSProtocolEndpoint";

// A setting without a configuration name (empty, null or absent).
void noteConfigurationName(const CMPIInstance* ip_setting, IPConfigData& ipConfig) {
    std::string configurationName;
    if (!ProviderUtilities::getProperty(ip_setting, "ConfigurationName", configurationName,
                                        false) ||
        configurationName.empty()) {
        ipConfig.configNameEmpty = true;
    }
}

std::string readText(const CMPIInstance* instance, const char* name) {
    std::string value;
    ProviderUtilities::getProperty(instance, name, value, false);
    return value;
}

void appendDnsServers(const CMPIInstance* ip_setting, IPConfigData& ipConfig) {
    std::vector<std::string> servers;
    if (!ProviderUtilities::getProperty(ip_setting, "DNSServerAddresses", servers)) {
        return;
    }
    for (const std::string& DNSServer : servers) {
        QUILL_TRACE_VARIABLE(DNSServer);
        ipConfig.dnsServers.push_back(DNSServer);
    }
}

}  // namespace

bool InstanceIdMatch::offer(const std::string& candidateId) {
    if (requested_.find(candidateId) == std::string::npos ||
        (bestLength_ && candidateId.size() <= *bestLength_)) {
        return false;
    }
    bestLength_ = candidateId.size();
    return true;
}

FoundSetting::FoundSetting(FoundSetting&& other) noexcept
    : path_(std::exchange(other.path_, nullptr)),
      settings_(std::exchange(other.settings_, nullptr)),
      chosen_(std::exchange(other.chosen_, nullptr)) {}

FoundSetting& FoundSetting::operator=(FoundSetting&& other) noexcept {
    if (this != &other) {
        giveBack();
        path_ = std::exchange(other.path_, nullptr);
        settings_ = std::exchange(other.settings_, nullptr);
        chosen_ = std::exchange(other.chosen_, nullptr);
    }
    return *this;
}

FoundSetting::~FoundSetting() {
    giveBack();
}

void FoundSetting::giveBack() {
    // The chosen instance belongs to the enumeration and goes with it.
    chosen_ = nullptr;
    ProviderUtilities::release(std::exchange(settings_, nullptr));
    ProviderUtilities::release(std::exchange(path_, nullptr));
}

FoundSetting findConfigurationSetting(const CMPIBroker* broker, const CMPIContext* context,
                                      const std::string& nameSpace, const char* className,
                                      const std::string& instanceId) {
    QUILL_TRACE_ENTER_PARAMS(" className=" << className << " instanceId=" << instanceId);
    QUILL_TRACE_VARIABLE(className);
    CMPIObjectPath* const path = ProviderUtilities::createObjectPath(broker, className, nameSpace);
    if (path == nullptr) {
        return {};
    }
    CMPIStatus status = okStatus();
    CMPIEnumeration* const settings = CBEnumInstances(broker, context, path, nullptr, &status);
    if (status.rc != CMPI_RC_OK || settings == nullptr) {
        QUILL_TRACE_VALUE("Error Status: ", static_cast<long long>(status.rc));
        return FoundSetting(path, settings, nullptr);
    }
    QUILL_TRACE_MESSAGE(Trace::kEntryExitLevel,
                        "CBEnumInstances Success for the CIM_OrderedComponent");
    const bool anyId = strcasecmp(className, kDNSGeneralSettingData) == 0;
    InstanceIdMatch match(instanceId);
    CMPIInstance* chosen = nullptr;
    while (CMHasNext(settings, nullptr)) {
        QUILL_TRACE_MESSAGE(Trace::kEntryExitLevel, "Inside While");
        const CMPIData item = CMGetNext(settings, nullptr);
        if (item.type != CMPI_instance || item.value.inst == nullptr) {
            continue;
        }
        QUILL_TRACE_MESSAGE(Trace::kEntryExitLevel, "ObjectPath is not NULL");
        std::string candidateId;
        if (!ProviderUtilities::getProperty(item.value.inst, "InstanceID", candidateId, false)) {
            continue;
        }
        if (anyId) {
            chosen = item.value.inst;
            break;
        }
        if (match.offer(candidateId)) {
            chosen = item.value.inst;
        }
    }
    if (chosen != nullptr) {
        QUILL_TRACE_MESSAGE(Trace::kInfoLevel,
                            "InstanceID matched for SettingData class association");
    }
    return FoundSetting(path, settings, chosen);
}

CMPIStatus getStaticConfigurationDetails(const CMPIBroker* broker, const CMPIContext* context,
                                         const CMPIInstance* ip_setting, IPConfigData* ipConfig) {
    QUILL_TRACE_ENTER_PARAMS(" broker=" << static_cast<const void*>(broker)
                                        << " context=" << static_cast<const void*>(context)
                                        << " ip_setting=" << static_cast<const void*>(ip_setting)
                                        << " ipConfig=" << static_cast<const void*>(ipConfig));
    if (ipConfig == nullptr) {
        return CMPIStatus{CMPI_RC_ERROR, nullptr};
    }
    ipConfig->addr_origin = 3;
    unsigned short prefix = 0;
    ProviderUtilities::getProperty(ip_setting, "IPv6SubnetPrefixLength", prefix);
    ipConfig->ipv6_prefix = prefix;
    ipConfig->ipv6Address = readText(ip_setting, "IPv6Address");
    ipConfig->ipv6Gateway = readText(ip_setting, "GatewayIPv6Address");
    ipConfig->ipAddress = readText(ip_setting, "IPv4Address");
    ipConfig->subnet_mask = readText(ip_setting, "SubnetMask");
    ipConfig->ipGateway = readText(ip_setting, "GatewayIPv4Address");
    QUILL_TRACE_VALUE("ipData", ipConfig->ipAddress + "/" + ipConfig->subnet_mask + " via " +
                                    ipConfig->ipGateway + ", " + ipConfig->ipv6Address + "/" +
                                    std::to_string(prefix) + " via " + ipConfig->ipv6Gateway);
    noteConfigurationName(ip_setting, *ipConfig);
    return okStatus();
}

CMPIStatus getDHCPConfigurationDetails(const CMPIBroker* broker, const CMPIContext* context,
                                       const CMPIInstance* ip_setting, IPConfigData* ipConfig) {
    QUILL_TRACE_ENTER_PARAMS(" broker=" << static_cast<const void*>(broker)
                                        << " context=" << static_cast<const void*>(context)
                                        << " ip_setting=" << static_cast<const void*>(ip_setting)
                                        << " ipConfig=" << static_cast<const void*>(ipConfig));
    if (ipConfig == nullptr) {
        return CMPIStatus{CMPI_RC_ERROR, nullptr};
    }
    noteConfigurationName(ip_setting, *ipConfig);
    return okStatus();
}

CMPIStatus getDNSConfigurationDetails(const CMPIBroker* broker, const CMPIContext* context,
                                      const CMPIInstance* ip_setting,
                                      const CMPIObjectPath* ipendpt_op, IPConfigData* ipConfig) {
    QUILL_TRACE_ENTER_PARAMS(" broker=" << static_cast<const void*>(broker)
                                        << " context=" << static_cast<const void*>(context)
                                        << " ip_setting=" << static_cast<const void*>(ip_setting)
                                        << " ipendpt_op=" << static_cast<const void*>(ipendpt_op)
                                        << " ipConfig=" << static_cast<const void*>(ipConfig));
    if (ipConfig == nullptr || broker == nullptr || ipendpt_op == nullptr) {
        return CMPIStatus{CMPI_RC_ERROR, nullptr};
    }
    const std::string objstring = [&] {
        const CMPIString* const text = CMObjectPathToString(ipendpt_op, nullptr);
        const char* const characters = text != nullptr ? CMGetCharsPtr(text, nullptr) : nullptr;
        return std::string(characters != nullptr ? characters : "");
    }();
    QUILL_TRACE_VARIABLE(objstring);

    CMPIStatus status = okStatus();
    CMPIEnumeration* const dnsEndpoints =
        CBAssociators(broker, context, ipendpt_op, kDNSDependency, kDNSProtocolEndpoint, nullptr,
                      nullptr, nullptr, &status);
    if (status.rc != CMPI_RC_OK) {
        QUILL_TRACE_MESSAGE(Trace::kFailureLevel, "CBAssociators Failed for the target Class");
        QUILL_TRACE_VALUE("Error Status: ", static_cast<long long>(status.rc));
        return status;
    }
    if (dnsEndpoints == nullptr || !CMHasNext(dnsEndpoints, nullptr)) {
        return status;
    }

    const CMPIObjectPath* const settingPath =
        ip_setting != nullptr ? CMGetObjectPath(ip_setting, nullptr) : nullptr;
    const std::string settingClass = ProviderUtilities::getClassName(settingPath);
    QUILL_TRACE_VARIABLE(settingClass);
    if (strcasecmp(settingClass.c_str(), kDNSSettingData) == 0) {
        ProviderUtilities::getProperty(ip_setting, "RequestedHostname", ipConfig->dnsHostName,
                                       false);
        ProviderUtilities::getProperty(ip_setting, "DomainName", ipConfig->dnsDomainName, false);
        noteConfigurationName(ip_setting, *ipConfig);
        appendDnsServers(ip_setting, *ipConfig);
    } else if (strcasecmp(settingClass.c_str(), kDNSGeneralSettingData) == 0) {
        std::vector<std::string> suffixes;
        if (ProviderUtilities::getProperty(ip_setting, "DNSSuffixesToAppend", suffixes)) {
            ipConfig->dnsSuffixes.insert(ipConfig->dnsSuffixes.end(), suffixes.begin(),
                                         suffixes.end());
        }
    }
    return status;
}

}  // namespace IPInterfaceProvider
}  // namespace Quill
