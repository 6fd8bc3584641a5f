// The host's one IP configuration service, CIM OVX_IPConfigurationService:
// it exists while the host has a network interface, and a walk yields it
// once.
#pragma once

#include <optional>
#include <string>

#include "Zodavez/FilteredInterfaceWalk.h"

namespace Quill {
namespace IPInterfaceProvider {

class IPConfigurationService : public FilteredInterfaceWalk<IPConfigurationService> {
  public:
    static const char* const kTraceName;
    static const char* const kTraceFile;
    static constexpr unsigned int kSystemNameFilter = 0;

    IPConfigurationService();

    bool getSystemCreationClassName(std::string& value) const;
    bool getSystemName(std::string& value) const;
    bool getCreationClassName(std::string& value) const;
    bool getName(std::string& value) const;

    // The service has been yielded once: the walk is over.
    void operator++();

  private:
    friend class FilteredInterfaceWalk<IPConfigurationService>;

    bool standsOnPosition() const;
    std::optional<std::string> filterValue(unsigned int filterType) const;

    int position = 0;
};

}  // namespace IPInterfaceProvider
}  // namespace Quill
