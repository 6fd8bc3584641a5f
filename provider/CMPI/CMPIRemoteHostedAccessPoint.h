// "OVX_RemoteHostedAccessPoint": the host computer system (Antecedent) and each
// of its gateways (Dependent).
#pragma once

#include "CMPI/AssociationEnds.h"
#include "CMPI/CMPIAssociation.h"
#include "Zodavez/RemoteHostedAccessPoint.h"

namespace Quill {
namespace IPInterfaceProvider {

struct RemoteHostedAccessPointShape : AssociationShapeDefaults {
    static constexpr const char* kClassName = "OVX_RemoteHostedAccessPoint";
    static constexpr unsigned short kClassId = 80;
    using Model = RemoteHostedAccessPoint;

    struct First : ComputerSystemEnd {
        static constexpr const char* kRole = "Antecedent";
        static Moniker name(Model& model, Moniker& other) { return model.getSystemMoniker(other); }
    };
    struct Second : GatewayEnd {
        static constexpr const char* kRole = "Dependent";
        static Moniker name(Model& model, Moniker& other) {
            return model.getRemoteSAPMoniker(other);
        }
    };
    static constexpr AssociationSide kWalkFrom = AssociationSide::First;
};

using CMPIRemoteHostedAccessPoint = CMPIAssociation<RemoteHostedAccessPointShape>;

}  // namespace IPInterfaceProvider
}  // namespace Quill
