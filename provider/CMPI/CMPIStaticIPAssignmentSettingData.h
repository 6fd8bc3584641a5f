// OVX_StaticIPAssignmentSettingData as CMPI sees it: the static settings of
// each interface, and changes of them, all of one request or none.
#pragma once

#include <array>
#include <string>

#include "CMPI/CMPIInstanceObject.h"
#include "Zodavez/StaticIPAssignmentSettingData.h"
#include "cmpidt.h"
#include "cmpift.h"

namespace Quill {
namespace IPInterfaceProvider {

class CMPIStaticIPAssignmentSettingData
    : public CMPIInstanceObject<CMPIStaticIPAssignmentSettingData, StaticIPAssignmentSettingData> {
  public:
    static const char* const kTraceName;
    static const char* const kTraceFile;
    static constexpr const char* kClassName = "OVX_StaticIPAssignmentSettingData";

    using CMPIInstanceObject::CMPIInstanceObject;

    CMPIInstance* getCMPIInstance(const char** properties) const;

    // Changes the addresses, gateways, prefix length and configuration name
    // of the setting that the instance's own path names, in one rewrite of
    // the interface's file; a request without "ConfigurationName" clears it.
    // With a property list, only what the list names.
    CMPIStatus modifyInstance(const CMPIInstance* newInstance, const char** properties = nullptr);

  private:
    friend class CMPIInstanceObject<CMPIStaticIPAssignmentSettingData,
                                    StaticIPAssignmentSettingData>;

    static const std::array<KeyGetter<StaticIPAssignmentSettingData>, 1> kKeys;
    static const std::array<KeyFilter, 1> kKeyFilters;
};

}  // namespace IPInterfaceProvider
}  // namespace Quill
