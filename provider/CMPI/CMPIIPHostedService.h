// "OVX_IPHostedService": the host computer system (Antecedent) and its IP
// configuration service (Dependent).
#pragma once

#include "CMPI/AssociationEnds.h"
#include "CMPI/CMPIAssociation.h"
#include "Zodavez/IPHostedService.h"

namespace Quill {
namespace IPInterfaceProvider {

struct IPHostedServiceShape : AssociationShapeDefaults {
    static constexpr const char* kClassName = "OVX_IPHostedService";
    static constexpr unsigned short kClassId = 130;
    using Model = IPHostedService;

    struct First : ComputerSystemEnd {
        static constexpr const char* kRole = "Antecedent";
        static Moniker name(Model& model, Moniker& other) {
            return model.getComputerSystemMoniker(other);
        }
    };
    struct Second : ConfigurationServiceEnd {
        static constexpr const char* kRole = "Dependent";
        static Moniker name(Model& model, Moniker& other) {
            return model.getIPConfigurationServiceMoniker(other);
        }
    };
    static constexpr AssociationSide kWalkFrom = AssociationSide::First;
};

using CMPIIPHostedService = CMPIAssociation<IPHostedServiceShape>;

}  // namespace IPInterfaceProvider
}  // namespace Quill
