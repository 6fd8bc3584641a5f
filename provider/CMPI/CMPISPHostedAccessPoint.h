// "OVX_SPHostedAccessPoint": the service processor's computer system
// (Antecedent) and each of its IP endpoints (Dependent).
#pragma once

#include "CMPI/AssociationEnds.h"
#include "CMPI/CMPIAssociation.h"
#include "Zodavez/SPHostedAccessPoint.h"

namespace Quill {
namespace IPInterfaceProvider {

struct SPHostedAccessPointShape : AssociationShapeDefaults {
    static constexpr const char* kClassName = "OVX_SPHostedAccessPoint";
    static constexpr unsigned short kClassId = 120;
    using Model = SPHostedAccessPoint;

    struct First : ServiceProcessorEnd {
        static constexpr const char* kRole = "Antecedent";
        static Moniker name(Model& model, Moniker& endpoint) {
            return model.getSPMoniker(endpoint);
        }
    };
    struct Second : EndpointEnd {
        static constexpr const char* kRole = "Dependent";
        static Moniker name(Model& model, Moniker& serviceProcessor) {
            return model.getIPProtocolEndPointMoniker(serviceProcessor);
        }
    };
    static constexpr AssociationSide kWalkFrom = AssociationSide::First;
};

using CMPISPHostedAccessPoint = CMPIAssociation<SPHostedAccessPointShape>;

}  // namespace IPInterfaceProvider
}  // namespace Quill
