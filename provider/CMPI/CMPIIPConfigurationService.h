// OVX_IPConfigurationService as CMPI sees it: the host's one IP configuration
// service, and ApplySettingToIPProtocolEndpoint, which gathers one
// configuration's settings through the CIMOM and applies them to an interface.
#pragma once

#include <array>
#include <string>

#include "CMPI/CMPIInstanceObject.h"
#include "ConfigurationSettings.h"
#include "Zodavez/IPConfigurationService.h"
#include "cmpidt.h"
#include "cmpift.h"

namespace Quill {
namespace IPInterfaceProvider {

class CMPIIPConfigurationService
    : public CMPIInstanceObject<CMPIIPConfigurationService, IPConfigurationService> {
  public:
    static const char* const kTraceName;
    static const char* const kTraceFile;
    static constexpr const char* kClassName = "OVX_IPConfigurationService";
    static constexpr const char* kMethodName = "ApplySettingToIPProtocolEndpoint";

    using CMPIInstanceObject::CMPIInstanceObject;

    CMPIInstance* getCMPIInstance(const char** properties) const;

    // ApplySettingToIPProtocolEndpoint with the arguments "Configuration" and
    // "Endpoint"; answers the method's return value and adds "Job" to out
    // once the configuration is applied.
    CMPIUint32 executeMethod(const CMPIArgs* in, CMPIArgs* out, CMPIStatus* status);

    // The setting of className that the configuration instanceId selects,
    // enumerated through the broker; empty when there is none.
    FoundSetting getConfiguartionSetting(const char* className, const std::string& instanceId);
    // The static setting that the configuration instanceId selects, from the
    // settings the path allows; null when there is none.
    CMPIInstance* getStaticConfiguration(CMPIObjectPath* path, const std::string& instanceId);

  private:
    friend class CMPIInstanceObject<CMPIIPConfigurationService, IPConfigurationService>;

    static const std::array<KeyGetter<IPConfigurationService>, 4> kKeys;
    static const std::array<KeyFilter, 1> kKeyFilters;
};

}  // namespace IPInterfaceProvider
}  // namespace Quill
