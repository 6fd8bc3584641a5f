// "OVX_IPElementSettingData": an IP endpoint (ManagedElement) and the static and
// DHCP alternatives of its interface (SettingData).
#pragma once

#include "CMPI/AssociationEnds.h"
#include "CMPI/CMPIAssociation.h"
#include "Zodavez/IPElementSettingData.h"

namespace Quill {
namespace IPInterfaceProvider {

struct IPElementSettingDataShape : AssociationShapeDefaults {
    static constexpr const char* kClassName = "OVX_IPElementSettingData";
    static constexpr unsigned short kClassId = 68;
    using Model = IPElementSettingData;

    struct First : EndpointEnd {
        static constexpr const char* kRole = "ManagedElement";
        static Moniker name(Model& model, Moniker& other) {
            return model.getManagedElementMoniker(other);
        }
    };
    struct Second : AssignmentSettingEnd {
        static constexpr const char* kRole = "SettingData";
        static Moniker name(Model& model, Moniker& other) {
            return model.getIPSettingDataMoniker(other);
        }
        // The model names one alternative; the end takes both of its interface.
        static void open(std::optional<Object>& end, const CMPIBroker* broker,
                         const CMPIContext* context, const CMPIObjectPath* path) {
            end.emplace(broker, context, ProviderUtilities::getNamespace(path));
            end->setObjectPath(path, true);
        }
    };
    static constexpr AssociationSide kWalkFrom = AssociationSide::Second;

    // Which alternative the endpoint uses, as the model tells it for this
    // setting; the next one is never chosen in advance.
    static void addProperties(Model& model, CMPIInstance* instance, const CMPIObjectPath*,
                              const CMPIObjectPath* setting) {
        Moniker settingMoniker;
        ProviderUtilities::transformObjectPathToMoniker(setting, settingMoniker);
        model.getManagedElementMoniker(settingMoniker);
        unsigned short value = 0;
        model.getIsDefault(value);
        ProviderUtilities::setProperty(instance, "IsDefault", value);
        model.getIsCurrent(value);
        ProviderUtilities::setProperty(instance, "IsCurrent", value);
        ProviderUtilities::setProperty(instance, "IsNext", static_cast<unsigned short>(2));
    }
};

using CMPIIPElementSettingData = CMPIAssociation<IPElementSettingDataShape>;

}  // namespace IPInterfaceProvider
}  // namespace Quill
