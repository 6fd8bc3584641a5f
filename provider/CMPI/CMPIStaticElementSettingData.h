// "OVX_StaticIPElementSettingData": an IP endpoint (ManagedElement) and the
// static setting of its interface (SettingData).
#pragma once

#include "CMPI/AssociationEnds.h"
#include "CMPI/CMPIAssociation.h"
#include "Zodavez/StaticIPElementSettingData.h"

namespace Quill {
namespace IPInterfaceProvider {

struct StaticElementSettingDataShape : AssociationShapeDefaults {
    static constexpr const char* kClassName = "OVX_StaticIPElementSettingData";
    static constexpr unsigned short kClassId = 73;
    using Model = StaticIPElementSettingData;

    struct First : EndpointEnd {
        static constexpr const char* kRole = "ManagedElement";
        static Moniker name(Model& model, Moniker& other) {
            return model.getManagedElementMoniker(other);
        }
    };
    struct Second : StaticSettingEnd {
        static constexpr const char* kRole = "SettingData";
        static Moniker name(Model& model, Moniker& other) {
            return model.getStaticIPSettingDataMoniker(other);
        }
    };
    static constexpr AssociationSide kWalkFrom = AssociationSide::Second;

    // Whether the setting is in use, as the model tells it for this setting.
    static void addProperties(Model& model, CMPIInstance* instance, const CMPIObjectPath*,
                              const CMPIObjectPath* setting) {
        Moniker settingMoniker;
        ProviderUtilities::transformObjectPathToMoniker(setting, settingMoniker);
        model.getManagedElementMoniker(settingMoniker);
        unsigned short isCurrent = 0;
        model.getIsCurrent(isCurrent);
        ProviderUtilities::setProperty(instance, "IsCurrent", isCurrent);
    }
};

using CMPIStaticElementSettingData = CMPIAssociation<StaticElementSettingDataShape>;

}  // namespace IPInterfaceProvider
}  // namespace Quill
