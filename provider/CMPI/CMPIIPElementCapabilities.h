// "OVX_IPElementCapabilities": an IP endpoint (ManagedElement) and its
// capabilities (Capabilities).
#pragma once

#include "CMPI/AssociationEnds.h"
#include "CMPI/CMPIAssociation.h"
#include "Zodavez/IPElementCapabilities.h"

namespace Quill {
namespace IPInterfaceProvider {

struct IPElementCapabilitiesShape : AssociationShapeDefaults {
    static constexpr const char* kClassName = "OVX_IPElementCapabilities";
    static constexpr unsigned short kClassId = 121;
    using Model = IPElementCapabilities;

    struct First : EndpointEnd {
        static constexpr const char* kRole = "ManagedElement";
        static Moniker name(Model& model, Moniker& other) { return model.getIPMoniker(other); }
    };
    struct Second : CapabilitiesEnd {
        static constexpr const char* kRole = "Capabilities";
        static Moniker name(Model& model, Moniker& other) {
            return model.getCapabilitiesMoniker(other);
        }
    };
    static constexpr AssociationSide kWalkFrom = AssociationSide::First;
};

using CMPIIPElementCapabilities = CMPIAssociation<IPElementCapabilitiesShape>;

}  // namespace IPInterfaceProvider
}  // namespace Quill
