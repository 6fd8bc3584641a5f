#include "Zodavez/IPConfigurationService.h"

#include "Zodavez/SystemFacts.h"

namespace Quill {
namespace IPInterfaceProvider {

const char* const IPConfigurationService::kTraceName =
    "Quill::IPInterfaceProvider::IPConfigurationService";
const char* const IPConfigurationService::kTraceFile = __FILE__;

IPConfigurationService::IPConfigurationService() {
    QUILL_TRACE_METHOD();
}

void IPConfigurationService::operator++() {
    QUILL_TRACE_ENTER();
    ++position;
    FilteredInterfaceWalk::operator++();
}

bool IPConfigurationService::standsOnPosition() const {
    return position < 1 && cursor();
}

std::optional<std::string> IPConfigurationService::filterValue(unsigned int filterType) const {
    std::string hostName;
    if (filterType == kSystemNameFilter && getSystemName(hostName)) {
        return hostName;
    }
    return std::nullopt;
}

bool IPConfigurationService::getSystemCreationClassName(std::string& value) const {
    QUILL_TRACE_METHOD();
    value = "OVX_ComputerSystem";
    return true;
}

bool IPConfigurationService::getSystemName(std::string& value) const {
    QUILL_TRACE_ENTER();
    return readHostName(value);
}

bool IPConfigurationService::getCreationClassName(std::string& value) const {
    QUILL_TRACE_METHOD();
    value = "OVX_IPConfigurationService";
    return true;
}

bool IPConfigurationService::getName(std::string& value) const {
    QUILL_TRACE_METHOD();
    value = "IPConfigService";
    return true;
}

}  // namespace IPInterfaceProvider
}  // namespace Quill
