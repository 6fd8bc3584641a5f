// OVX_IPRemoteServiceAccessPoint as CMPI sees it: each default gateway of an
// interface, and changes of its address.
#pragma once

#include <array>
#include <string>

#include "CMPI/CMPIInstanceObject.h"
#include "Zodavez/RemoteServiceAccessPoint.h"
#include "cmpidt.h"
#include "cmpift.h"

namespace Quill {
namespace IPInterfaceProvider {

class CMPIRemoteServiceAccessPoint
    : public CMPIInstanceObject<CMPIRemoteServiceAccessPoint, RemoteServiceAccessPoint> {
  public:
    static const char* const kTraceName;
    static const char* const kTraceFile;
    static constexpr const char* kClassName = "OVX_IPRemoteServiceAccessPoint";

    using CMPIInstanceObject::CMPIInstanceObject;

    CMPIInstance* getCMPIInstance(const char** properties) const;

    // Changes "AccessInfo", the gateway address, of the access point that the
    // instance's own path names; an "_IPv4" one takes only IPv4 addresses,
    // an "_IPv6" one only IPv6 addresses. With a property list, only when the
    // list names it.
    CMPIStatus modifyInstance(const CMPIInstance* newInstance, const char** properties = nullptr);

    // Moves on, from where the walk stands, to the first gateway of an
    // interface with this Name (or with no readable Name).
    void skipToInterface(const std::string& interfaceName) {
        model.seekPassing(NameQuery{{interfaceName}, {}, false});
    }

  private:
    friend class CMPIInstanceObject<CMPIRemoteServiceAccessPoint, RemoteServiceAccessPoint>;

    static const std::array<KeyGetter<RemoteServiceAccessPoint>, 4> kKeys;
    static const std::array<KeyFilter, 2> kKeyFilters;
};

}  // namespace IPInterfaceProvider
}  // namespace Quill
