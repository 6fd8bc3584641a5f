// OVX_IPEnabledLogicalElementCapabilities as CMPI sees it: what each
// interface's endpoint can do.
#pragma once

#include <array>
#include <string>

#include "CMPI/CMPIInstanceObject.h"
#include "Zodavez/IPEnabledLogicalElementCapabilities.h"
#include "cmpidt.h"
#include "cmpift.h"

namespace Quill {
namespace IPInterfaceProvider {

class CMPIIPEnabledLogicalElementCapabilities
    : public CMPIInstanceObject<CMPIIPEnabledLogicalElementCapabilities,
                                IPEnabledLogicalElementCapabilities> {
  public:
    static const char* const kTraceName;
    static const char* const kTraceFile;
    static constexpr const char* kClassName = "OVX_IPEnabledLogicalElementCapabilities";

    using CMPIInstanceObject::CMPIInstanceObject;

    CMPIInstance* getCMPIInstance(const char** properties) const;

  private:
    friend class CMPIInstanceObject<CMPIIPEnabledLogicalElementCapabilities,
                                    IPEnabledLogicalElementCapabilities>;

    static const std::array<KeyGetter<IPEnabledLogicalElementCapabilities>, 1> kKeys;
    static const std::array<KeyFilter, 1> kKeyFilters;
};

}  // namespace IPInterfaceProvider
}  // namespace Quill
