// The static settings of each network interface, as CIM
// OVX_StaticIPAssignmentSettingData instances. They live in the interface's
// configuration file; without one, the live values of the node stand in.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "Zodavez/FilteredInterfaceWalk.h"
#include "Zodavez/InterfaceConfigFile.h"

namespace Quill {
namespace IPInterfaceProvider {

class StaticIPAssignmentSettingData : public FilteredInterfaceWalk<StaticIPAssignmentSettingData> {
  public:
    static const char* const kTraceName;
    static const char* const kTraceFile;
    static constexpr unsigned int kInstanceIdFilter = 0;

    // The settings a client may change, each one key of the file.
    enum class Setting {
        IPv4Address,
        SubnetMask,
        GatewayIPv4Address,
        IPv6Address,
        GatewayIPv6Address,
        IPv6SubnetPrefixLength,
        ConfigurationName,
    };
    struct Change {
        Setting setting;
        std::string value;  // the prefix length in decimal
    };

    StaticIPAssignmentSettingData();

    bool getInstanceID(std::string& value) const;
    bool getName(std::string& value) const;
    bool getAddressOrigin(unsigned short& value) const;
    bool getIPv4Address(std::string& value) const;
    bool getIPv6Address(std::string& value) const;
    bool getSubnetMask(std::string& value) const;
    bool getGatewayIPv4Address(std::string& value) const;
    bool getGatewayIPv6Address(std::string& value) const;
    bool getConfigurationName(std::string& value) const;
    bool getIPv6SubnetPrefixLength(unsigned short& value) const;
    bool getAddressType(unsigned short& value) const;
    bool getIPv6AddressType(unsigned short& value) const;

    // Every change of one request in one rewrite of the interface's file:
    // all are kept or, with the reason in error, none.
    bool applyChanges(const std::vector<Change>& changes, std::string& error);

    // One setting each; true when the file took it.
    bool setIPv4Address(std::string address);
    bool setIPv6Address(std::string address);
    bool setSubnetMask(std::string mask);
    bool setGatewayIPv4Address(std::string address);
    bool setGatewayIPv6Address(std::string address);
    bool setConfigurationName(std::string name);
    bool setIPv6SubnetPrefixLength(unsigned short length);

  private:
    friend class FilteredInterfaceWalk<StaticIPAssignmentSettingData>;

    std::optional<std::string> filterValue(unsigned int filterType) const;
    std::optional<NameQuery> filterQuery(const InterfaceFilter& filter) const;
    // The file's value of the setting, else the node's property when the
    // interface has no file; false when neither has one.
    bool readText(Setting setting, std::optional<NodeLexicon::Properties> fallback,
                  std::string& value) const;
    bool applyOne(Setting setting, std::string value);
    // The file of the interface under the cursor, read once for all the
    // getters of an instance.
    const InterfaceConfigFile& configFile() const;

    mutable std::optional<std::pair<std::string, InterfaceConfigFile>> file_;  // by interface name
};

}  // namespace IPInterfaceProvider
}  // namespace Quill
