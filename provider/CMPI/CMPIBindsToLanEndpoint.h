// "OVX_BindsToLanEndPoint": an IP endpoint (Dependent) and the LAN endpoint
// of its interface (Antecedent).
#pragma once

#include "CMPI/AssociationEnds.h"
#include "CMPI/CMPIAssociation.h"
#include "Zodavez/BindsToLANEndpoint.h"

namespace Quill {
namespace IPInterfaceProvider {

struct BindsToLanEndpointShape : AssociationShapeDefaults {
    static constexpr const char* kClassName = "OVX_BindsToLanEndPoint";
    static constexpr unsigned short kClassId = 67;
    using Model = BindsToLANEndpoint;

    struct First : LanEndpointEnd {
        static constexpr const char* kRole = "Antecedent";
        static Moniker name(Model& model, Moniker& endpoint) {
            return model.getLANEndpointMoniker(endpoint);
        }
    };
    struct Second : EndpointEnd {
        static constexpr const char* kRole = "Dependent";
        static Moniker name(Model& model, Moniker& lanEndpoint) {
            return model.getIPProtocolEndPointMoniker(lanEndpoint);
        }
    };
    static constexpr AssociationSide kWalkFrom = AssociationSide::Second;
};

using CMPIBindsToLanEndpoint = CMPIAssociation<BindsToLanEndpointShape>;

}  // namespace IPInterfaceProvider
}  // namespace Quill
