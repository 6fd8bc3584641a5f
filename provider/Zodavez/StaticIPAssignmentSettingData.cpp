#include "Zodavez/StaticIPAssignmentSettingData.h"

#include <cerrno>
#include <cstdlib>

#include "Zodavez/InterfaceConfigFile.h"
#include "Zodavez/SystemFacts.h"

namespace Quill {
namespace IPInterfaceProvider {

namespace {

using Setting = StaticIPAssignmentSettingData::Setting;

const char* keyOf(Setting setting) {
    switch (setting) {
        case Setting::IPv4Address:
            return "IPV4ADDR";
        case Setting::SubnetMask:
            return "NETMASK";
        case Setting::GatewayIPv4Address:
            return "GATEWAY";
        case Setting::IPv6Address:
            return "IPV6ADDR";
        case Setting::GatewayIPv6Address:
            return "IPV6GATEWAY";
        case Setting::IPv6SubnetPrefixLength:
            return "PREFIX";
        case Setting::ConfigurationName:
            return "CONFIG_NAME";
    }
    return "";
}

// A prefix length as the file holds it: decimal digits that fit 16 bits.
// Anything else reads as 0.
unsigned short prefixLengthOf(const std::string& text) {
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos) {
        return 0;
    }
    errno = 0;
    const unsigned long length = std::strtoul(text.c_str(), nullptr, 10);
    return errno == 0 && length <= 0xFFFFu ? static_cast<unsigned short>(length) : 0;
}

}  // namespace

const char* const StaticIPAssignmentSettingData::kTraceName =
    "Quill::IPInterfaceProvider::StaticIPAssignmentSettingData";
const char* const StaticIPAssignmentSettingData::kTraceFile = __FILE__;

StaticIPAssignmentSettingData::StaticIPAssignmentSettingData() {
    QUILL_TRACE_METHOD();
}

std::optional<NameQuery> StaticIPAssignmentSettingData::filterQuery(
    const InterfaceFilter& filter) const {
    if (filter.filterType != kInstanceIdFilter) {
        return std::nullopt;
    }
    return interfacesOfSettingId(filter.reference);
}

std::optional<std::string> StaticIPAssignmentSettingData::filterValue(
    unsigned int filterType) const {
    if (filterType != kInstanceIdFilter) {
        return std::nullopt;
    }
    std::string id;
    getInstanceID(id);
    return id;
}

bool StaticIPAssignmentSettingData::readText(Setting setting,
                                             std::optional<NodeLexicon::Properties> fallback,
                                             std::string& value) const {
    if (const auto stored = configFile().value(keyOf(setting))) {
        value = *stored;
        return true;
    }
    if (fallback) {
        cursor().getProperty(*fallback, value);
    }
    return true;
}

bool StaticIPAssignmentSettingData::getInstanceID(std::string& value) const {
    QUILL_TRACE_METHOD();
    value = settingIdOf(cursor());
    return true;
}

bool StaticIPAssignmentSettingData::getName(std::string& value) const {
    QUILL_TRACE_METHOD();
    cursor().getProperty(NodeLexicon::Name, value);
    return true;
}

bool StaticIPAssignmentSettingData::getAddressOrigin(unsigned short& value) const {
    QUILL_TRACE_METHOD();
    value = 3;
    return true;
}

bool StaticIPAssignmentSettingData::getIPv4Address(std::string& value) const {
    QUILL_TRACE_METHOD();
    return readText(Setting::IPv4Address, NodeLexicon::IPv4Address, value);
}

bool StaticIPAssignmentSettingData::getIPv6Address(std::string& value) const {
    QUILL_TRACE_METHOD();
    return readText(Setting::IPv6Address, NodeLexicon::IPv6Address, value);
}

bool StaticIPAssignmentSettingData::getSubnetMask(std::string& value) const {
    QUILL_TRACE_METHOD();
    return readText(Setting::SubnetMask, NodeLexicon::SubnetMask, value);
}

bool StaticIPAssignmentSettingData::getGatewayIPv4Address(std::string& value) const {
    QUILL_TRACE_METHOD();
    return readText(Setting::GatewayIPv4Address, NodeLexicon::IPv4Gateway, value);
}

bool StaticIPAssignmentSettingData::getGatewayIPv6Address(std::string& value) const {
    QUILL_TRACE_METHOD();
    return readText(Setting::GatewayIPv6Address, NodeLexicon::IPv6Gateway, value);
}

bool StaticIPAssignmentSettingData::getConfigurationName(std::string& value) const {
    QUILL_TRACE_METHOD();
    return readText(Setting::ConfigurationName, std::nullopt, value);
}

bool StaticIPAssignmentSettingData::getIPv6SubnetPrefixLength(unsigned short& value) const {
    QUILL_TRACE_METHOD();
    if (const auto stored = configFile().value(keyOf(Setting::IPv6SubnetPrefixLength))) {
        value = prefixLengthOf(*stored);
        return true;
    }
    unsigned int length = 0;
    cursor().getProperty(NodeLexicon::IPv6PrefixLength, length);
    value = static_cast<unsigned short>(length);
    return true;
}

bool StaticIPAssignmentSettingData::getAddressType(unsigned short& value) const {
    QUILL_TRACE_METHOD();
    unsigned int version = 0;
    cursor().getProperty(NodeLexicon::IPVersion, version);
    value = version == 4 ? 1 : (version == 6 ? 2 : 0);
    return true;
}

bool StaticIPAssignmentSettingData::getIPv6AddressType(unsigned short& value) const {
    QUILL_TRACE_METHOD();
    unsigned int type = 0;
    if (!cursor().getProperty(NodeLexicon::IPv6AddressType, type)) {
        return false;
    }
    value = static_cast<unsigned short>(type);
    return true;
}

bool StaticIPAssignmentSettingData::applyChanges(const std::vector<Change>& changes,
                                                 std::string& error) {
    QUILL_TRACE_ENTER_PARAMS(" changes=" << changes.size());
    std::vector<InterfaceConfigFile::Entry> entries;
    entries.reserve(changes.size());
    for (const Change& change : changes) {
        entries.emplace_back(keyOf(change.setting), change.value);
    }
    const bool written = InterfaceConfigFile(interfaceNameOf(cursor())).write(entries, error);
    file_.reset();
    return written;
}

const InterfaceConfigFile& StaticIPAssignmentSettingData::configFile() const {
    std::string name = interfaceNameOf(cursor());
    if (!file_ || file_->first != name) {
        InterfaceConfigFile file(name);
        file_.emplace(std::move(name), std::move(file));
    }
    return file_->second;
}

bool StaticIPAssignmentSettingData::applyOne(Setting setting, std::string value) {
    std::string ignored;
    return applyChanges({Change{setting, std::move(value)}}, ignored);
}

bool StaticIPAssignmentSettingData::setIPv4Address(std::string address) {
    QUILL_TRACE_ENTER_PARAMS(" address=" << address);
    return applyOne(Setting::IPv4Address, std::move(address));
}

bool StaticIPAssignmentSettingData::setIPv6Address(std::string address) {
    QUILL_TRACE_ENTER_PARAMS(" address=" << address);
    return applyOne(Setting::IPv6Address, std::move(address));
}

bool StaticIPAssignmentSettingData::setSubnetMask(std::string mask) {
    QUILL_TRACE_ENTER_PARAMS(" mask=" << mask);
    return applyOne(Setting::SubnetMask, std::move(mask));
}

bool StaticIPAssignmentSettingData::setGatewayIPv4Address(std::string address) {
    QUILL_TRACE_ENTER_PARAMS(" address=" << address);
    return applyOne(Setting::GatewayIPv4Address, std::move(address));
}

bool StaticIPAssignmentSettingData::setGatewayIPv6Address(std::string address) {
    QUILL_TRACE_ENTER_PARAMS(" address=" << address);
    return applyOne(Setting::GatewayIPv6Address, std::move(address));
}

bool StaticIPAssignmentSettingData::setConfigurationName(std::string name) {
    QUILL_TRACE_ENTER_PARAMS(" name=" << name);
    return applyOne(Setting::ConfigurationName, std::move(name));
}

bool StaticIPAssignmentSettingData::setIPv6SubnetPrefixLength(unsigned short length) {
    QUILL_TRACE_ENTER_PARAMS(" length=" << length);
    return applyOne(Setting::IPv6SubnetPrefixLength, std::to_string(length));
}

}  // namespace IPInterfaceProvider
}  // namespace Quill
