#include "Zodavez/RemoteServiceAccessPoint.h"

#include <utility>

#include "Zodavez/SystemFacts.h"

namespace Quill {
namespace IPInterfaceProvider {

namespace {

constexpr unsigned short kIPv4AddressFormat = 3;
constexpr unsigned short kIPv6AddressFormat = 4;
constexpr unsigned short kDefaultGatewayContext = 2;

// A name split at its last "_" into the interface part and the protocol
// part (which keeps the "_"); nothing without "_".
std::optional<std::pair<std::string, std::string>> splitName(const std::string& name) {
    const auto underscore = name.rfind('_');
    if (underscore == std::string::npos) {
        return std::nullopt;
    }
    return std::make_pair(name.substr(0, underscore), name.substr(underscore));
}

}  // namespace

const char* const RemoteServiceAccessPoint::kTraceName =
    "Quill::IPInterfaceProvider::RemoteServiceAccessPoint";
const char* const RemoteServiceAccessPoint::kTraceFile = __FILE__;

RemoteServiceAccessPoint::RemoteServiceAccessPoint() {
    QUILL_TRACE_ENTER();
    if (cursor()) {
        setProtocol();
        if (Protocol == kNoGateway) {
            nextInterface();
        }
    }
}

void RemoteServiceAccessPoint::setProtocol() {
    QUILL_TRACE_ENTER();
    if (Trace::wanted(Trace::kInfoLevel)) {
        std::string ipv4_gateway;
        std::string ipv6_gateway;
        cursor().getProperty(NodeLexicon::IPv4Gateway, ipv4_gateway);
        cursor().getProperty(NodeLexicon::IPv6Gateway, ipv6_gateway);
        QUILL_TRACE_VARIABLE(ipv4_gateway);
        QUILL_TRACE_VARIABLE(ipv6_gateway);
    }
    Protocol = protocolOfInterface();
    QUILL_TRACE_VARIABLE(Protocol);
}

// The code of the first position on the interface under the cursor.
unsigned int RemoteServiceAccessPoint::protocolOfInterface() const {
    std::string gateway;
    const bool hasIPv4 =
        cursor().getProperty(NodeLexicon::IPv4Gateway, gateway) && !gateway.empty();
    gateway.clear();
    const bool hasIPv6 =
        cursor().getProperty(NodeLexicon::IPv6Gateway, gateway) && !gateway.empty();
    if (hasIPv4) {
        return hasIPv6 ? kBothGateways : kIPv4Gateway;
    }
    return hasIPv6 ? kIPv6Gateway : kNoGateway;
}

void RemoteServiceAccessPoint::nextInterface() {
    do {
        ++cursor();
        Protocol = kNoGateway;
        if (cursor()) {
            setProtocol();
        }
    } while (cursor() && Protocol == kNoGateway);
}

void RemoteServiceAccessPoint::rawStep() {
    if (Protocol == kBothGateways) {
        Protocol = kIPv4Gateway;
        return;
    }
    nextInterface();
}

void RemoteServiceAccessPoint::operator++() {
    QUILL_TRACE_ENTER();
    do {
        if (Protocol == kBothGateways) {
            Protocol = kIPv4Gateway;
            if (filterApplied()) {
                changeFilterReference();
            }
        } else {
            nextInterface();
            // Jumping would skip the rewrites of the name filter on the way,
            // so only once a rewrite would change nothing.
            const std::string* const reference = referenceToChange();
            if (reference == nullptr || reference->substr(reference->rfind('_') + 1) == "IPv6") {
                seekFilters();
            }
        }
    } while (filterApplied() && cursor() && !evaluate());
}

// The reference of the name filter that the IPv6 position rewrites.
std::string* RemoteServiceAccessPoint::referenceToChange() {
    for (InterfaceFilter& filter : filters()) {
        if (filter.filterType == kNameFilter && filter.reference.rfind('_') != std::string::npos) {
            return &filter.reference;
        }
    }
    return nullptr;
}

std::optional<NameQuery> RemoteServiceAccessPoint::filterQuery(
    const InterfaceFilter& filter) const {
    if (filter.filterType != kNameFilter) {
        return std::nullopt;
    }
    const auto reference = splitName(filter.reference);
    if (!reference) {
        return std::nullopt;
    }
    return NameQuery{{reference->first}, {}, false};
}

bool RemoteServiceAccessPoint::atInterfaceStart() const {
    return Protocol == protocolOfInterface();
}

void RemoteServiceAccessPoint::enteredInterface() {
    Protocol = kNoGateway;
    if (cursor()) {
        setProtocol();
    }
    if (Protocol == kNoGateway) {
        nextInterface();
    }
}

void RemoteServiceAccessPoint::changeFilterReference() {
    QUILL_TRACE_ENTER();
    if (std::string* const reference = referenceToChange()) {
        reference->replace(reference->rfind('_') + 1, 5, "IPv6");
    }
}

std::optional<std::string> RemoteServiceAccessPoint::filterValue(unsigned int filterType) const {
    std::string actual;
    switch (filterType) {
        case kSystemNameFilter:
            if (getSystemName(actual)) {
                return actual;
            }
            return std::nullopt;
        case kNameFilter:
            if (getName(actual)) {
                return actual;
            }
            return std::nullopt;
        default:
            return std::nullopt;
    }
}

std::optional<bool> RemoteServiceAccessPoint::filterMatches(const InterfaceFilter& filter,
                                                            const std::string& actual) const {
    if (filter.filterType != kNameFilter) {
        return filter.reference == actual;
    }
    const auto reference = splitName(filter.reference);
    const auto name = splitName(actual);
    if (!reference || !name) {
        return std::nullopt;
    }
    return *reference == *name;
}

bool RemoteServiceAccessPoint::isIPv6Gateway() const {
    return Protocol == kIPv6Gateway || Protocol == kBothGateways;
}

NodeLexicon::Properties RemoteServiceAccessPoint::gatewayProperty() const {
    return isIPv6Gateway() ? NodeLexicon::IPv6Gateway : NodeLexicon::IPv4Gateway;
}

bool RemoteServiceAccessPoint::getCreationClassName(std::string& value) const {
    QUILL_TRACE_METHOD();
    value = "OVX_IPRemoteServiceAccessPoint";
    return true;
}

bool RemoteServiceAccessPoint::getName(std::string& value) const {
    QUILL_TRACE_METHOD();
    std::string name;
    if (!cursor().getProperty(NodeLexicon::Name, name)) {
        return false;
    }
    value = name + (isIPv6Gateway() ? "_IPv6" : "_IPv4");
    return true;
}

bool RemoteServiceAccessPoint::getElementName(std::string& value) const {
    QUILL_TRACE_METHOD();
    return cursor().getProperty(NodeLexicon::Name, value);
}

bool RemoteServiceAccessPoint::getAccessInfo(std::string& value) const {
    QUILL_TRACE_METHOD();
    cursor().getProperty(gatewayProperty(), value);
    return true;
}

bool RemoteServiceAccessPoint::getInfoFormat(unsigned short& value) const {
    QUILL_TRACE_METHOD();
    value = isIPv6Gateway() ? kIPv6AddressFormat : kIPv4AddressFormat;
    return true;
}

bool RemoteServiceAccessPoint::getAccessContext(unsigned short& value) const {
    QUILL_TRACE_METHOD();
    value = kDefaultGatewayContext;
    return true;
}

bool RemoteServiceAccessPoint::getOtherAccessContext(std::string&) const {
    QUILL_TRACE_METHOD();
    return false;
}

bool RemoteServiceAccessPoint::getSystemCreationClassName(std::string& value) const {
    QUILL_TRACE_METHOD();
    value = ownedByServiceProcessorSystem(cursor()) ? "OVX_SPComputerSystem" : "OVX_ComputerSystem";
    return true;
}

bool RemoteServiceAccessPoint::getSystemName(std::string& value) const {
    QUILL_TRACE_ENTER();
    if (ownedByServiceProcessorSystem(cursor())) {
        value = "BMC:-1";
        return true;
    }
    return readHostName(value);
}

bool RemoteServiceAccessPoint::setAccessInfo(std::string accessInfo) {
    QUILL_TRACE_ENTER_PARAMS(" accessInfo=" << accessInfo);
    return cursor().setProperty(gatewayProperty(), accessInfo);
}

void RemoteServiceAccessPoint::stageAccessInfo(std::string accessInfo,
                                               PropertyChanges& changes) const {
    QUILL_TRACE_ENTER_PARAMS(" accessInfo=" << accessInfo);
    changes.emplace_back(gatewayProperty(), std::move(accessInfo));
}

bool RemoteServiceAccessPoint::canSetAccessInfo() const {
    QUILL_TRACE_METHOD();
    return isWritable(gatewayProperty());
}

}  // namespace IPInterfaceProvider
}  // namespace Quill
