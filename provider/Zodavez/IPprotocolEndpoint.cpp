#include "Zodavez/IPprotocolEndpoint.h"

#include <utility>

#include "Zodavez/SystemFacts.h"

namespace Quill {
namespace IPInterfaceProvider {

namespace {

// A service processor's interfaces say so in their description; "BMC"
// without the blank is an ordinary name and does not count.
constexpr const char* kServiceProcessorMark = "BMC ";
constexpr const char* kServiceProcessorSystemName = "BMC:-1";

// Node EnabledState codes, and what a CIM RequestedState writes.
constexpr unsigned int kNodeEnabled = 1;
constexpr unsigned int kNodeDisabled = 12;
constexpr unsigned int kNodeDisabledOther = 16;
constexpr unsigned int kNodeReset = 9;

constexpr unsigned short kCimEnabled = 2;
constexpr unsigned short kCimDisabled = 3;
constexpr unsigned short kCimNotApplicable = 5;
constexpr unsigned short kCimReset = 11;
constexpr unsigned short kCimRequestNotApplicable = 12;

// CIM AddressOrigin of a node origin code: DHCP 1, BOOTP 2, static 3,
// IPv6 auto-configuration 4, other 5 and 6. Auto-configuration is the class's
// "IPv6AutoConfig" (8); 6 would read as "IPv4 Link Local".
constexpr unsigned short kCimIPv6AutoConfig = 8;

unsigned short cimAddressOrigin(unsigned int nodeOrigin) {
    switch (nodeOrigin) {
        case 1:
            return 4;
        case 2:
            return 5;
        case 3:
            return 3;
        case 4:
            return kCimIPv6AutoConfig;
        case 5:
        case 6:
            return 1;
        default:
            return 0;
    }
}

// Only static (3) and DHCP (4) can be applied; anything else clears the origin.
unsigned int nodeAddressOrigin(unsigned short cimOrigin) {
    switch (cimOrigin) {
        case 3:
            return 3;
        case 4:
            return 1;
        default:
            return 0;
    }
}

std::optional<unsigned int> nodeEnabledState(unsigned short requestedState) {
    switch (requestedState) {
        case kCimEnabled:
            return kNodeEnabled;
        case kCimDisabled:
            return kNodeDisabled;
        case kCimReset:
            return kNodeReset;
        default:
            return std::nullopt;
    }
}

}  // namespace

const char* const IPprotocolEndpoint::kTraceName = "Quill::IPInterfaceProvider::IPprotocolEndpoint";
const char* const IPprotocolEndpoint::kTraceFile = __FILE__;

IPprotocolEndpoint::IPprotocolEndpoint() {
    QUILL_TRACE_METHOD();
}

void IPprotocolEndpoint::initialize() {
    QUILL_TRACE_ENTER();
    restart();
}

std::optional<NameQuery> IPprotocolEndpoint::filterQuery(const InterfaceFilter& filter) const {
    if (filter.filterType != kNameFilter) {
        return std::nullopt;
    }
    return NameQuery{{filter.reference}, {}, false};
}

std::optional<std::string> IPprotocolEndpoint::filterValue(unsigned int filterType) const {
    std::string actual;
    switch (filterType) {
        case kSystemNameFilter:
            if (getSystemName(actual)) {
                return actual;
            }
            return std::nullopt;
        case kNameFilter:
            // An unreadable name compares as the empty string.
            getName(actual);
            return actual;
        default:
            return std::nullopt;
    }
}

bool IPprotocolEndpoint::belongsToServiceProcessor() const {
    return cursor().getNodeDescription().find(kServiceProcessorMark) != std::string::npos;
}

bool IPprotocolEndpoint::getCreationClassName(std::string& value) const {
    QUILL_TRACE_METHOD();
    value = "OVX_IPProtocolEndpoint";
    return true;
}

bool IPprotocolEndpoint::getNameFormat(std::string& value) const {
    QUILL_TRACE_METHOD();
    value = "NIC Name";
    return true;
}

bool IPprotocolEndpoint::getName(std::string& value) const {
    QUILL_TRACE_METHOD();
    cursor().getProperty(NodeLexicon::Name, value);
    return true;
}

bool IPprotocolEndpoint::getDescription(std::string& value) const {
    QUILL_TRACE_METHOD();
    value = cursor().getNodeDescription();
    return true;
}

bool IPprotocolEndpoint::getIPv4Address(std::string& value) const {
    QUILL_TRACE_METHOD();
    return cursor().getProperty(NodeLexicon::IPv4Address, value);
}

bool IPprotocolEndpoint::getIPv6Address(std::string& value) const {
    QUILL_TRACE_METHOD();
    return cursor().getProperty(NodeLexicon::IPv6Address, value);
}

bool IPprotocolEndpoint::getSubnetMask(std::string& value) const {
    QUILL_TRACE_METHOD();
    return cursor().getProperty(NodeLexicon::SubnetMask, value);
}

bool IPprotocolEndpoint::getPrefixLength(unsigned char& value) const {
    QUILL_TRACE_METHOD();
    unsigned int length = 0;
    if (!cursor().getProperty(NodeLexicon::IPv6PrefixLength, length)) {
        return false;
    }
    value = static_cast<unsigned char>(length & 0xFFu);
    return true;
}

bool IPprotocolEndpoint::getIPv6SubnetPrefixLength(unsigned short& value) const {
    QUILL_TRACE_METHOD();
    unsigned int length = 0;
    if (!cursor().getProperty(NodeLexicon::IPv6PrefixLength, length)) {
        return false;
    }
    value = static_cast<unsigned short>(length);
    return true;
}

bool IPprotocolEndpoint::getIPv6AddressType(unsigned short& value) const {
    QUILL_TRACE_METHOD();
    unsigned int type = 0;
    if (!cursor().getProperty(NodeLexicon::IPv6AddressType, type)) {
        return false;
    }
    value = static_cast<unsigned short>(type);
    return true;
}

bool IPprotocolEndpoint::getProtocolIFType(unsigned short& value) const {
    QUILL_TRACE_METHOD();
    unsigned int type = 0;
    if (!cursor().getProperty(NodeLexicon::ProtocolIFType, type)) {
        return false;
    }
    value = static_cast<unsigned short>(type);
    return true;
}

bool IPprotocolEndpoint::getAddressType(unsigned short& value) const {
    QUILL_TRACE_METHOD();
    unsigned int version = 0;
    cursor().getProperty(NodeLexicon::IPVersion, version);
    value = (version == 1 || version == 2) ? static_cast<unsigned short>(version) : 0;
    return true;
}

bool IPprotocolEndpoint::getIPVersionSupport(unsigned short& value) const {
    QUILL_TRACE_METHOD();
    unsigned int version = 0;
    if (cursor().getProperty(NodeLexicon::IPVersion, version) && version >= 1 && version <= 3) {
        value = static_cast<unsigned short>(version);
    }
    return true;
}

bool IPprotocolEndpoint::getEnabledState(unsigned short& value) const {
    QUILL_TRACE_METHOD();
    unsigned int state = 0;
    if (!cursor().getProperty(NodeLexicon::EnabledState, state)) {
        return true;
    }
    if (state == kNodeEnabled) {
        value = kCimEnabled;
    } else if (state == kNodeDisabled || state == kNodeDisabledOther) {
        value = kCimDisabled;
    } else {
        value = kCimNotApplicable;
    }
    return true;
}

bool IPprotocolEndpoint::getRequestedState(unsigned short& value) const {
    QUILL_TRACE_ENTER();
    getEnabledState(value);
    if (value == kCimNotApplicable) {
        value = kCimRequestNotApplicable;
    }
    return true;
}

bool IPprotocolEndpoint::getAddressOrigin(unsigned short& value) const {
    QUILL_TRACE_ENTER();
    unsigned int origin = 0;
    const bool readable = cursor().getProperty(NodeLexicon::AddressOrigin, origin);
    value = readable ? cimAddressOrigin(origin) : 0;
    QUILL_TRACE_VALUE("IPOrigin in IP Protocol", value);
    return true;
}

bool IPprotocolEndpoint::getSystemCreationClassName(std::string& value) const {
    QUILL_TRACE_METHOD();
    value = belongsToServiceProcessor() ? "OVX_SPComputerSystem" : "OVX_ComputerSystem";
    return true;
}

bool IPprotocolEndpoint::getSystemName(std::string& value) const {
    QUILL_TRACE_ENTER();
    if (belongsToServiceProcessor()) {
        value = kServiceProcessorSystemName;
        return true;
    }
    return readHostName(value);
}

bool IPprotocolEndpoint::setEnabledState(unsigned short requestedState) {
    QUILL_TRACE_ENTER_PARAMS(" requestedState=" << requestedState);
    std::optional<unsigned int> state = nodeEnabledState(requestedState);
    if (!state) {
        return false;
    }
    return cursor().setProperty(NodeLexicon::EnabledState, *state);
}

void IPprotocolEndpoint::stageIPv4Address(std::string address, PropertyChanges& changes) const {
    QUILL_TRACE_ENTER_PARAMS(" address=" << address);
    changes.emplace_back(NodeLexicon::IPv4Address, std::move(address));
}

void IPprotocolEndpoint::stageSubnetMask(std::string mask, PropertyChanges& changes) const {
    QUILL_TRACE_ENTER_PARAMS(" mask=" << mask);
    changes.emplace_back(NodeLexicon::SubnetMask, std::move(mask));
}

void IPprotocolEndpoint::stageAddressOrigin(unsigned short origin, PropertyChanges& changes) const {
    QUILL_TRACE_ENTER_PARAMS(" origin=" << origin);
    changes.emplace_back(NodeLexicon::AddressOrigin, nodeAddressOrigin(origin));
}

bool IPprotocolEndpoint::setIPv4Address(std::string address) {
    QUILL_TRACE_ENTER_PARAMS(" address=" << address);
    PropertyChanges changes;
    stageIPv4Address(std::move(address), changes);
    return commitChanges(changes);
}

bool IPprotocolEndpoint::setSubnetMask(std::string mask) {
    QUILL_TRACE_ENTER_PARAMS(" mask=" << mask);
    PropertyChanges changes;
    stageSubnetMask(std::move(mask), changes);
    return commitChanges(changes);
}

bool IPprotocolEndpoint::setAddressOrigin(unsigned short origin) {
    QUILL_TRACE_ENTER_PARAMS(" origin=" << origin);
    PropertyChanges changes;
    stageAddressOrigin(origin, changes);
    return commitChanges(changes);
}

bool IPprotocolEndpoint::canSetEnabledState() const {
    QUILL_TRACE_METHOD();
    return isWritable(NodeLexicon::EnabledState);
}

bool IPprotocolEndpoint::canSetIPv4Address() const {
    QUILL_TRACE_METHOD();
    return isWritable(NodeLexicon::IPv4Address);
}

bool IPprotocolEndpoint::canSetSubnetMask() const {
    QUILL_TRACE_METHOD();
    return isWritable(NodeLexicon::SubnetMask);
}

bool IPprotocolEndpoint::canSetAddressOrigin() const {
    QUILL_TRACE_METHOD();
    return isWritable(NodeLexicon::AddressOrigin);
}

}  // namespace IPInterfaceProvider
}  // namespace Quill
