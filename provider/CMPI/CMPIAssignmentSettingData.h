// OVX_IPAssignmentSettingData as CMPI sees it: the static and DHCP
// alternatives of each interface, and changes of its configuration name.
#pragma once

#include <array>
#include <string>

#include "CMPI/CMPIInstanceObject.h"
#include "Zodavez/IPAssignmentSettingData.h"
#include "cmpidt.h"
#include "cmpift.h"

namespace Quill {
namespace IPInterfaceProvider {

class CMPIAssignmentSettingData
    : public CMPIInstanceObject<CMPIAssignmentSettingData, IPAssignmentSettingData> {
  public:
    static const char* const kTraceName;
    static const char* const kTraceFile;
    static constexpr const char* kClassName = "OVX_IPAssignmentSettingData";

    using CMPIInstanceObject::CMPIInstanceObject;

    // Narrows the walk by the path's "InstanceID"; with isCfg, to both
    // alternatives of the interface that the identifier names.
    void setObjectPath(const CMPIObjectPath* objectPath, bool isCfg = false);

    CMPIInstance* getCMPIInstance(const char** properties) const;

    // Changes "ConfigurationName" of the setting that the instance's own
    // path names; a request without it clears the stored name. With a
    // property list, only when the list names it.
    CMPIStatus modifyInstance(const CMPIInstance* newInstance, const char** properties = nullptr);

  private:
    friend class CMPIInstanceObject<CMPIAssignmentSettingData, IPAssignmentSettingData>;

    static const std::array<KeyGetter<IPAssignmentSettingData>, 1> kKeys;
    static const std::array<KeyFilter, 1> kKeyFilters;
};

}  // namespace IPInterfaceProvider
}  // namespace Quill
