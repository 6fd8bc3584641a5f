// "OVX_IPHostedAccessPoint": the host computer system (Antecedent) and each
// of its IP endpoints (Dependent).
#pragma once

#include "CMPI/AssociationEnds.h"
#include "CMPI/CMPIAssociation.h"
#include "Zodavez/IPHostedAccessPoint.h"

namespace Quill {
namespace IPInterfaceProvider {

struct IPHostedAccessPointShape : AssociationShapeDefaults {
    static constexpr const char* kClassName = "OVX_IPHostedAccessPoint";
    static constexpr unsigned short kClassId = 72;
    using Model = IPHostedAccessPoint;

    struct First : ComputerSystemEnd {
        static constexpr const char* kRole = "Antecedent";
        static Moniker name(Model& model, Moniker& endpoint) {
            return model.getComputerSystemMoniker(endpoint);
        }
    };
    struct Second : EndpointEnd {
        static constexpr const char* kRole = "Dependent";
        static Moniker name(Model& model, Moniker& system) {
            return model.getIPProtocolEndPointMoniker(system);
        }
    };
    static constexpr AssociationSide kWalkFrom = AssociationSide::First;
};

using CMPIIPHostedAccessPoint = CMPIAssociation<IPHostedAccessPointShape>;

}  // namespace IPInterfaceProvider
}  // namespace Quill
