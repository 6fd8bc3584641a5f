#include "Zodavez/IPEnabledLogicalElementCapabilities.h"

#include "Zodavez/SystemFacts.h"

namespace Quill {
namespace IPInterfaceProvider {

const char* const IPEnabledLogicalElementCapabilities::kTraceName =
    "Quill::IPInterfaceProvider::IPEnabledLogicalElementCapabilities";
const char* const IPEnabledLogicalElementCapabilities::kTraceFile = __FILE__;

IPEnabledLogicalElementCapabilities::IPEnabledLogicalElementCapabilities() {
    QUILL_TRACE_METHOD();
}

std::optional<NameQuery> IPEnabledLogicalElementCapabilities::filterQuery(
    const InterfaceFilter& filter) const {
    if (filter.filterType != kInstanceIdFilter) {
        return std::nullopt;
    }
    return NameQuery{{filter.reference}, {}, false};
}

std::optional<std::string> IPEnabledLogicalElementCapabilities::filterValue(
    unsigned int filterType) const {
    if (filterType != kInstanceIdFilter) {
        return std::nullopt;
    }
    return interfaceNameOf(cursor());
}

bool IPEnabledLogicalElementCapabilities::getName(std::string& value) const {
    QUILL_TRACE_METHOD();
    return cursor().getProperty(NodeLexicon::Name, value);
}

bool IPEnabledLogicalElementCapabilities::getElementNameEditSupported(bool& value) const {
    QUILL_TRACE_METHOD();
    bool readOnly = true;
    if (!cursor().isPropertyReadOnly(NodeLexicon::Name, readOnly)) {
        return false;
    }
    value = !readOnly;
    return true;
}

bool IPEnabledLogicalElementCapabilities::getMaxElementNameLen(unsigned short&) const {
    QUILL_TRACE_METHOD();
    return false;
}

bool IPEnabledLogicalElementCapabilities::getRequestedStatesSupported(
    std::vector<unsigned short>& value) const {
    QUILL_TRACE_METHOD();
    value.insert(value.end(), {2, 3, 11});
    return true;
}

}  // namespace IPInterfaceProvider
}  // namespace Quill
