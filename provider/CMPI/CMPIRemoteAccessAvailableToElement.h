// "OVX_IPRemoteAccessAvailableToElement": a gateway (Antecedent) and the IP
// endpoint of its interface (Dependent).
#pragma once

#include <optional>
#include <string>

#include "CMPI/AssociationEnds.h"
#include "CMPI/CMPIAssociation.h"
#include "Zodavez/RemoteAccessAvailableToElement.h"

namespace Quill {
namespace IPInterfaceProvider {

struct RemoteAccessAvailableToElementShape : AssociationShapeDefaults {
    static constexpr const char* kClassName = "OVX_IPRemoteAccessAvailableToElement";
    static constexpr unsigned short kClassId = 81;
    using Model = RemoteAccessAvailableToElement;

    struct First : GatewayEnd {
        static constexpr const char* kRole = "Antecedent";
        static Moniker name(Model& model, Moniker& other) {
            return model.getRemoteServiceAccessPointMoniker(other);
        }
        // The model names the first gateway of the endpoint's interface; the
        // interface's other address family has a gateway of its own.
        static void open(std::optional<Object>& end, const CMPIBroker* broker,
                         const CMPIContext* context, const CMPIObjectPath* path) {
            end.emplace(broker, context, ProviderUtilities::getNamespace(path));
            std::string systemName;
            CMPIObjectPath* const system = ProviderUtilities::createObjectPath(
                broker, kClassName, ProviderUtilities::getNamespace(path));
            if (system != nullptr &&
                ProviderUtilities::getKeyProperty(path, "SystemName", systemName)) {
                ProviderUtilities::setKeyProperty(system, "SystemName", systemName);
            }
            end->setObjectPath(system != nullptr ? system : path);
            ProviderUtilities::release(system);
        }
        static constexpr bool kSelectsElements = true;
        static bool belongs(const CMPIObjectPath* gateway, const CMPIObjectPath* named) {
            const std::optional<std::string> interface = interfaceOf(named);
            std::string gatewayName;
            return !interface || (ProviderUtilities::getKeyProperty(gateway, "Name", gatewayName) &&
                                  gatewayName.substr(0, gatewayName.rfind('_')) == *interface);
        }
        // A gateway's Name is its interface's Name and a "_" suffix, so only
        // interfaces of the named one's Name can hold one that belongs.
        static void narrow(Object& gateways, const CMPIObjectPath* named) {
            if (const std::optional<std::string> interface = interfaceOf(named)) {
                gateways.skipToInterface(*interface);
            }
        }
        // The interface part of the named gateway's Name.
        static std::optional<std::string> interfaceOf(const CMPIObjectPath* named) {
            std::string namedName;
            if (!ProviderUtilities::getKeyProperty(named, "Name", namedName)) {
                return std::nullopt;
            }
            return namedName.substr(0, namedName.rfind('_'));
        }
    };
    struct Second : EndpointEnd {
        static constexpr const char* kRole = "Dependent";
        static Moniker name(Model& model, Moniker& other) {
            return model.getIPProtocolEndpointMoniker(other);
        }
    };
    static constexpr AssociationSide kWalkFrom = AssociationSide::First;
};

using CMPIRemoteAccessAvailableToElement = CMPIAssociation<RemoteAccessAvailableToElementShape>;

}  // namespace IPInterfaceProvider
}  // namespace Quill
