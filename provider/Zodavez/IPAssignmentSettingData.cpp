#include "Zodavez/IPAssignmentSettingData.h"

#include "Zodavez/InterfaceConfigFile.h"
#include "Zodavez/SystemFacts.h"

namespace Quill {
namespace IPInterfaceProvider {

namespace {

constexpr const char* kConfigurationNameKey = "CONFIG_NAME";

}  // namespace

const char* const IPAssignmentSettingData::kTraceName =
    "Quill::IPInterfaceProvider::IPAssignmentSettingData";
const char* const IPAssignmentSettingData::kTraceFile = __FILE__;

IPAssignmentSettingData::IPAssignmentSettingData() {
    QUILL_TRACE_METHOD();
}

void IPAssignmentSettingData::setFilter(unsigned int filterType, std::string reference,
                                        unsigned int isCfgFlag) {
    QUILL_TRACE_ENTER_PARAMS(" isCfg=" << isCfgFlag);
    isCfg = isCfgFlag;
    FilteredInterfaceWalk::setFilter(filterType, std::move(reference));
}

void IPAssignmentSettingData::rawStep() {
    if (mode == kStaticMode) {
        mode = kDhcpMode;
        return;
    }
    mode = kStaticMode;
    ++cursor();
}

// The identifier's setting part: all of it but the last "%" and what follows
// (an alternative's own "%static" or "%dhcp" when it passes at all).
std::optional<NameQuery> IPAssignmentSettingData::filterQuery(const InterfaceFilter& filter) const {
    if (filter.filterType != kInstanceIdFilter) {
        return std::nullopt;
    }
    const std::string& reference = filter.reference;
    if (isCfg != 0) {
        return interfacesOfSettingId(reference.substr(0, reference.rfind('%')));
    }
    for (const std::string suffix : {"%static", "%dhcp"}) {
        if (reference.size() >= suffix.size() &&
            reference.compare(reference.size() - suffix.size(), suffix.size(), suffix) == 0) {
            return interfacesOfSettingId(reference.substr(0, reference.size() - suffix.size()));
        }
    }
    return NameQuery{};
}

bool IPAssignmentSettingData::atInterfaceStart() const {
    return mode == kStaticMode;
}

void IPAssignmentSettingData::enteredInterface() {
    mode = kStaticMode;
}

std::optional<std::string> IPAssignmentSettingData::filterValue(unsigned int filterType) const {
    if (filterType != kInstanceIdFilter) {
        return std::nullopt;
    }
    std::string id;
    getInstanceId(id);
    return id;
}

std::optional<bool> IPAssignmentSettingData::filterMatches(const InterfaceFilter& filter,
                                                           const std::string& actual) const {
    if (isCfg == 0) {
        return filter.reference == actual;
    }
    // Both alternatives of exactly the named interface: eth1's identifier is
    // a part of eth10's, so only equality will do.
    const auto configurationOf = [](const std::string& id) { return id.substr(0, id.rfind('%')); };
    return configurationOf(filter.reference) == configurationOf(actual);
}

bool IPAssignmentSettingData::getInstanceId(std::string& value) const {
    QUILL_TRACE_METHOD();
    value = settingIdOf(cursor()) + (mode == kStaticMode ? "%static" : "%dhcp");
    return true;
}

bool IPAssignmentSettingData::getName(std::string& value) const {
    QUILL_TRACE_METHOD();
    cursor().getProperty(NodeLexicon::Name, value);
    return true;
}

bool IPAssignmentSettingData::getAddressOrigin(unsigned short& value) const {
    QUILL_TRACE_METHOD();
    value = 2;
    return true;
}

bool IPAssignmentSettingData::getConfigurationName(std::string& value) const {
    QUILL_TRACE_METHOD();
    if (const auto stored =
            InterfaceConfigFile(interfaceNameOf(cursor())).value(kConfigurationNameKey)) {
        value = *stored;
    }
    return true;
}

bool IPAssignmentSettingData::setConfigurationName(std::string name, std::string& error) {
    QUILL_TRACE_ENTER_PARAMS(" name=" << name);
    return InterfaceConfigFile(interfaceNameOf(cursor()))
        .write({{kConfigurationNameKey, name}}, error);
}

bool IPAssignmentSettingData::setConfigurationName(std::string name) {
    std::string ignored;
    return setConfigurationName(std::move(name), ignored);
}

bool IPAssignmentSettingData::findAddressOrigin(const std::string& name, unsigned int& origin) {
    QUILL_TRACE_ENTER_PARAMS(" name=" << name);
    Instrumentation walk;
    const NameQuery candidates{{name}, {}, false};
    for (walk.selectNode(NodeLexicon::IPInterface), walk.skipTo(candidates); walk;
         ++walk, walk.skipTo(candidates)) {
        std::string candidate;
        if (walk.getProperty(NodeLexicon::Name, candidate) && candidate == name) {
            walk.getProperty(NodeLexicon::AddressOrigin, origin);
            return true;
        }
    }
    return false;
}

}  // namespace IPInterfaceProvider
}  // namespace Quill
