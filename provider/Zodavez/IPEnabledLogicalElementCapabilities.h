// What each network interface's endpoint can do, as CIM
// OVX_IPEnabledLogicalElementCapabilities instances named by the interface.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "Zodavez/FilteredInterfaceWalk.h"

namespace Quill {
namespace IPInterfaceProvider {

class IPEnabledLogicalElementCapabilities
    : public FilteredInterfaceWalk<IPEnabledLogicalElementCapabilities> {
  public:
    static const char* const kTraceName;
    static const char* const kTraceFile;
    static constexpr unsigned int kInstanceIdFilter = 0;

    IPEnabledLogicalElementCapabilities();

    bool getName(std::string& value) const;
    bool getElementNameEditSupported(bool& value) const;
    bool getMaxElementNameLen(unsigned short& value) const;
    // Appends the states RequestStateChange accepts: enable, disable, reset.
    bool getRequestedStatesSupported(std::vector<unsigned short>& value) const;

  private:
    friend class FilteredInterfaceWalk<IPEnabledLogicalElementCapabilities>;

    std::optional<std::string> filterValue(unsigned int filterType) const;
    std::optional<NameQuery> filterQuery(const InterfaceFilter& filter) const;
};

}  // namespace IPInterfaceProvider
}  // namespace Quill
