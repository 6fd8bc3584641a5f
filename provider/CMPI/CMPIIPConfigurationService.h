// OVX_IPConfigurationService as CMPI sees it: the host's one IP configuration
// service.
#pragma once

#include <array>
#include <string>

#include "CMPI/CMPIInstanceObject.h"
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

  private:
    friend class CMPIInstanceObject<CMPIIPConfigurationService, IPConfigurationService>;

    static const std::array<KeyGetter<IPConfigurationService>, 4> kKeys;
    static const std::array<KeyFilter, 1> kKeyFilters;
};

}  // namespace IPInterfaceProvider
}  // namespace Quill
