// "OVX_IPServiceAffectsElement": the IP configuration service (AffectingElement)
// and each IP endpoint it changes (AffectedElement).
#pragma once

#include "CMPI/AssociationEnds.h"
#include "CMPI/CMPIAssociation.h"
#include "Zodavez/ServiceAffectsElement.h"

namespace Quill {
namespace IPInterfaceProvider {

struct ServiceAffectsElementShape : AssociationShapeDefaults {
    static constexpr const char* kClassName = "OVX_IPServiceAffectsElement";
    static constexpr unsigned short kClassId = 131;
    using Model = ServiceAffectsElement;

    struct First : EndpointEnd {
        static constexpr const char* kRole = "AffectedElement";
        static Moniker name(Model& model, Moniker& other) {
            return model.getIPProtocolEndpointMoniker(other);
        }
    };
    struct Second : ConfigurationServiceEnd {
        static constexpr const char* kRole = "AffectingElement";
        static Moniker name(Model& model, Moniker& other) {
            return model.getIPConfigurationServiceMoniker(other);
        }
    };
    static constexpr AssociationSide kWalkFrom = AssociationSide::Second;
};

using CMPIServiceAffectsElement = CMPIAssociation<ServiceAffectsElementShape>;

}  // namespace IPInterfaceProvider
}  // namespace Quill
