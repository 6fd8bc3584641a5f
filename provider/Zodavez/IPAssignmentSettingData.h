// Two setting data per network interface, its static and its DHCP
// alternative, as CIM OVX_IPAssignmentSettingData instances, with the
// interface's configuration name.
#pragma once

#include <optional>
#include <string>

#include "Zodavez/FilteredInterfaceWalk.h"

namespace Quill {
namespace IPInterfaceProvider {

class IPAssignmentSettingData : public FilteredInterfaceWalk<IPAssignmentSettingData> {
  public:
    static const char* const kTraceName;
    static const char* const kTraceFile;
    static constexpr unsigned int kInstanceIdFilter = 0;
    // Positions on each interface.
    static constexpr unsigned int kStaticMode = 1;
    static constexpr unsigned int kDhcpMode = 2;

    IPAssignmentSettingData();

    // With isCfg set, a reference selects both alternatives of the interface
    // whose "system%interface" part (all before the last "%") it shares.
    void setFilter(unsigned int filterType, std::string reference, unsigned int isCfg = 0);

    bool getInstanceId(std::string& value) const;
    bool getName(std::string& value) const;
    bool getAddressOrigin(unsigned short& value) const;
    bool getConfigurationName(std::string& value) const;

    // Rewrites the interface's configuration name; false, with the reason,
    // when its file cannot be written.
    bool setConfigurationName(std::string name, std::string& error);
    bool setConfigurationName(std::string name);

    // The node AddressOrigin of the first interface of that name; false when
    // there is none (origin then untouched, as it is when unreadable).
    static bool findAddressOrigin(const std::string& name, unsigned int& origin);

  private:
    friend class FilteredInterfaceWalk<IPAssignmentSettingData>;

    void rawStep();
    std::optional<std::string> filterValue(unsigned int filterType) const;
    std::optional<NameQuery> filterQuery(const InterfaceFilter& filter) const;
    bool atInterfaceStart() const;
    void enteredInterface();
    std::optional<bool> filterMatches(const InterfaceFilter& filter,
                                      const std::string& actual) const;

    unsigned int mode = kStaticMode;
    unsigned int isCfg = 0;
};

}  // namespace IPInterfaceProvider
}  // namespace Quill
