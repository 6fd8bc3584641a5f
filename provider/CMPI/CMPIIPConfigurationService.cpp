#include "CMPI/CMPIIPConfigurationService.h"

#include <array>
#include <memory>
#include <string>
#include <utility>

#include "CMPI/CMPIObjectSupport.h"
#include "CMPI/CMPIStaticIPAssignmentSettingData.h"
#include "ConfigurationSettings.h"
#include "IPConfigData.h"
#include "InterfaceConfiguration.h"
#include "Trace.h"
#include "cmpimacs.h"
#include "providerutilities.h"

namespace Quill {
namespace IPInterfaceProvider {

namespace {

using Service = IPConfigurationService;

constexpr const char* kStaticSettingClass = "OVX_StaticIPAssignmentSettingData";
constexpr const char* kDHCPSettingClass = "OVX_DHCPSettingData";
constexpr const char* kDNSSettingClass = "OVX_DNSSettingData";
constexpr const char* kDNSGeneralSettingClass = "OVX_DNSGeneralSettingData";
constexpr const char* kJobClassName = "OVX_ConcreteJob";
constexpr const char* kJobInstanceId = "IPConfigSvcJob:1";

// The method's return values.
constexpr CMPIUint32 kCompleted = 0;
constexpr CMPIUint32 kBridge = 1;
constexpr CMPIUint32 kNoEndpointInstance = 2;
constexpr CMPIUint32 kFailed = 3;
constexpr CMPIUint32 kInvalidParameter = 4;
constexpr CMPIUint32 kRestartNeeded = 5;

void setStatus(CMPIStatus* status, const CMPIBroker* broker, CMPIrc rc, const std::string& text) {
    if (status != nullptr) {
        *status = statusWithMessage(broker, rc, text);
    }
}

// The path a reference argument holds; null for a null value.
CMPIObjectPath* referenceOf(const CMPIData& argument) {
    return (argument.state & CMPI_nullValue) != 0 ? nullptr : argument.value.ref;
}

// Frees the method's configuration record and says so.
void release(std::unique_ptr<IPConfigData>& record) {
    record.reset();
    QUILL_TRACE_MESSAGE(Trace::kEntryExitLevel, "Memory Freed Successfully");
}

}  // namespace

const char* const CMPIIPConfigurationService::kTraceName =
    "Quill::IPInterfaceProvider::CMPIIPConfigurationService";
const char* const CMPIIPConfigurationService::kTraceFile = __FILE__;

const std::array<KeyGetter<Service>, 4> CMPIIPConfigurationService::kKeys{{
    {"SystemCreationClassName", &Service::getSystemCreationClassName},
    {"SystemName", &Service::getSystemName},
    {"CreationClassName", &Service::getCreationClassName},
    {"Name", &Service::getName},
}};

const std::array<KeyFilter, 1> CMPIIPConfigurationService::kKeyFilters{{
    {"SystemName", Service::kSystemNameFilter},
}};

CMPIInstance* CMPIIPConfigurationService::getCMPIInstance(const char** properties) const {
    QUILL_TRACE_ENTER_PARAMS(" properties=" << static_cast<const void*>(properties));
    return instanceOfCurrent([this](PropertyWriter& writer) {
        writer.set("ElementName", model, &Service::getName);
        for (const KeyGetter<Service>& key : kKeys) {
            writer.set(key.key, model, key.getter);
        }
    });
}

CMPIUint32 CMPIIPConfigurationService::executeMethod(const CMPIArgs* in, CMPIArgs* out,
                                                     CMPIStatus* status) {
    QUILL_TRACE_METHOD();
    const CMPIData configuration =
        in != nullptr ? CMGetArg(in, "Configuration", nullptr) : CMPIData{};
    const CMPIData endpoint = in != nullptr ? CMGetArg(in, "Endpoint", nullptr) : CMPIData{};
    if (configuration.type != CMPI_ref || endpoint.type != CMPI_ref) {
        setStatus(status, broker, CMPI_RC_ERR_INVALID_PARAMETER, "Invalid Type of Parameter");
        return kInvalidParameter;
    }
    CMPIObjectPath* const configurationPath = referenceOf(configuration);
    if (configurationPath == nullptr) {
        setStatus(status, broker, CMPI_RC_ERR_INVALID_PARAMETER,
                  "Configuration Parameter passed has NULL value");
        return kInvalidParameter;
    }
    CMPIObjectPath* const endpointPath = referenceOf(endpoint);
    if (endpointPath == nullptr) {
        setStatus(status, broker, CMPI_RC_ERR_FAILED, "Endpoint Parameter passed has NULL value");
        return kInvalidParameter;
    }

    std::string name;
    ProviderUtilities::getKeyProperty(endpointPath, "Name", name);
    QUILL_TRACE_VARIABLE(name);
    if (checkIfbridgeInteface(name)) {
        return kBridge;
    }
    CMSetNameSpace(endpointPath, nameSpace.c_str());
    if (broker == nullptr || CMNewInstance(broker, endpointPath, nullptr) == nullptr) {
        setStatus(status, broker, CMPI_RC_ERR_FAILED, "Failed to get the IP Protocol instance");
        return kNoEndpointInstance;
    }
    CMSetNameSpace(configurationPath, nameSpace.c_str());
    std::string instanceId;
    ProviderUtilities::getKeyProperty(configurationPath, "InstanceID", instanceId);
    QUILL_TRACE_VARIABLE(instanceId);

    auto record = std::make_unique<IPConfigData>();
    record->name = name;
    record->configNameEmpty = false;

    if (instanceId.find("static") != std::string::npos) {
        CMPIObjectPath* const staticPath =
            ProviderUtilities::createObjectPath(broker, kStaticSettingClass, nameSpace);
        const CMPIInstance* const setting =
            staticPath != nullptr ? getStaticConfiguration(staticPath, instanceId) : nullptr;
        if (setting != nullptr &&
            getStaticConfigurationDetails(broker, context, setting, record.get()).rc !=
                CMPI_RC_OK) {
            QUILL_TRACE_MESSAGE(Trace::kFailureLevel,
                                "modifyStaticConfiguration for OVX_StaticIPAssignmentSettingData "
                                "Failed");
        }
    } else if (const FoundSetting setting =
                   getConfiguartionSetting(kDHCPSettingClass, instanceId)) {
        QUILL_TRACE_MESSAGE(Trace::kInfoLevel,
                            "InstanceID matched for OVX_DHCPSettingData class association");
        if (getDHCPConfigurationDetails(broker, context, setting.get(), record.get()).rc ==
            CMPI_RC_OK) {
            record->addr_origin = 4;
        } else {
            QUILL_TRACE_MESSAGE(Trace::kFailureLevel, "getDHCPConfigurationDetails Failed");
        }
    }
    if (const FoundSetting setting = getConfiguartionSetting(kDNSSettingClass, instanceId)) {
        QUILL_TRACE_MESSAGE(Trace::kInfoLevel,
                            "InstanceID matched for OVX_DNSSettingData class association");
        if (getDNSConfigurationDetails(broker, context, setting.get(), endpointPath, record.get())
                .rc != CMPI_RC_OK) {
            QUILL_TRACE_MESSAGE(Trace::kFailureLevel,
                                "modifyDNSConfiguration for OVX_DNSSettingData Failed");
        }
    }
    if (const FoundSetting setting = getConfiguartionSetting(kDNSGeneralSettingClass, instanceId)) {
        QUILL_TRACE_MESSAGE(Trace::kInfoLevel,
                            "InstanceID matched for OVX_DNSGenralSettingData class association");
        if (getDNSConfigurationDetails(broker, context, setting.get(), endpointPath, record.get())
                .rc != CMPI_RC_OK) {
            QUILL_TRACE_MESSAGE(Trace::kFailureLevel,
                                "modifyDNSConfiguration for OVX_DNSGenralSettingData Failed");
        }
    }

    if (record->dnsHostName.empty()) {
        release(record);
        setStatus(status, broker, CMPI_RC_ERR_FAILED,
                  "Configuration Cannot be applied since hostname is empty");
        return kInvalidParameter;
    }

    CMPIObjectPath* const job =
        ProviderUtilities::createObjectPath(broker, kJobClassName, nameSpace);
    if (job != nullptr) {
        ProviderUtilities::setKeyProperty(job, "InstanceID", kJobInstanceId);
        if (out != nullptr) {
            CMAddArg(out, "Job", &job, CMPI_ref);
        }
    }

    const AppliedConfiguration applied = isSystemRebootRequired(*record);
    const bool configNameEmpty = record->configNameEmpty;
    release(record);
    if (applied.failure) {
        setStatus(status, broker, CMPI_RC_ERR_FAILED, *applied.failure);
        return kFailed;
    }
    if (!applied.restart) {
        return kCompleted;
    }
    // A restart that cannot be requested is left to the console, as for a
    // named configuration.
    if (!configNameEmpty || !startSystemRebootThread()) {
        return kRestartNeeded;
    }
    return kCompleted;
}

FoundSetting CMPIIPConfigurationService::getConfiguartionSetting(const char* className,
                                                                 const std::string& instanceId) {
    QUILL_TRACE_ENTER_PARAMS(" className=" << className << " instanceId=" << instanceId);
    return findConfigurationSetting(broker, context, nameSpace, className, instanceId);
}

CMPIInstance* CMPIIPConfigurationService::getStaticConfiguration(CMPIObjectPath* path,
                                                                 const std::string& instanceId) {
    QUILL_TRACE_ENTER_PARAMS(" path=" << static_cast<const void*>(path)
                                      << " instanceId=" << instanceId);
    InstanceIdMatch match(instanceId);
    CMPIInstance* chosen = nullptr;
    // The id is a key: the path holds it without reading the interface's file.
    for (CMPIStaticIPAssignmentSettingData settings(broker, context, path); settings; ++settings) {
        CMPIObjectPath* const candidate = settings.getObjectPath();
        std::string candidateId;
        const bool better =
            candidate != nullptr &&
            ProviderUtilities::getKeyProperty(candidate, "InstanceID", candidateId) &&
            match.offer(candidateId);
        // One path per interface otherwise stays until the request ends.
        ProviderUtilities::release(candidate);
        if (better) {
            ProviderUtilities::release(chosen);
            chosen = settings.getCMPIInstance(nullptr);
        }
    }
    return chosen;
}

}  // namespace IPInterfaceProvider
}  // namespace Quill
