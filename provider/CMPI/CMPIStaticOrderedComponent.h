// "OVX_StaticOrderedComponent": the static alternative of an interface's
// assignment settings (GroupComponent) and its static setting (PartComponent).
#pragma once

#include "CMPI/AssociationEnds.h"
#include "CMPI/CMPIAssociation.h"
#include "Zodavez/StaticOrderedComponent.h"

namespace Quill {
namespace IPInterfaceProvider {

struct StaticOrderedComponentShape : AssociationShapeDefaults {
    static constexpr const char* kClassName = "OVX_StaticOrderedComponent";
    static constexpr unsigned short kClassId = 71;
    using Model = StaticOrderedComponent;

    struct First : AssignmentSettingEnd {
        static constexpr const char* kRole = "GroupComponent";
        static Moniker name(Model& model, Moniker& other) {
            return model.getGroupComponentMoniker(other);
        }
    };
    struct Second : StaticSettingEnd {
        static constexpr const char* kRole = "PartComponent";
        static Moniker name(Model& model, Moniker& other) {
            return model.getPartComponentMoniker(other);
        }
    };
    static constexpr AssociationSide kWalkFrom = AssociationSide::Second;

    // Every static setting is the first and only one of its alternative.
    static void addProperties(Model&, CMPIInstance* instance, const CMPIObjectPath*,
                              const CMPIObjectPath*) {
        ProviderUtilities::setProperty(instance, "AssignedSequence", 1ULL);
    }
};

using CMPIStaticOrderedComponent = CMPIAssociation<StaticOrderedComponentShape>;

}  // namespace IPInterfaceProvider
}  // namespace Quill
