// One IP protocol endpoint per network interface: what a CIM
// OVX_IPProtocolEndpoint instance shows and what clients may change of it.
#pragma once

#include <optional>
#include <string>

#include "Zodavez/FilteredInterfaceWalk.h"

namespace Quill {
namespace IPInterfaceProvider {

class IPprotocolEndpoint : public FilteredInterfaceWalk<IPprotocolEndpoint> {
  public:
    static constexpr unsigned int kSystemNameFilter = 0;
    static constexpr unsigned int kNameFilter = 1;
    static const char* const kTraceName;
    static const char* const kTraceFile;

    IPprotocolEndpoint();

    // Restarts an unfiltered walk from the first interface.
    void initialize();

    // Getters fill their out value and say whether there is a value to show.
    bool getCreationClassName(std::string& value) const;
    bool getNameFormat(std::string& value) const;
    bool getName(std::string& value) const;
    bool getDescription(std::string& value) const;
    bool getIPv4Address(std::string& value) const;
    bool getIPv6Address(std::string& value) const;
    bool getSubnetMask(std::string& value) const;
    bool getPrefixLength(unsigned char& value) const;
    bool getIPv6SubnetPrefixLength(unsigned short& value) const;
    bool getIPv6AddressType(unsigned short& value) const;
    bool getProtocolIFType(unsigned short& value) const;
    bool getAddressType(unsigned short& value) const;
    bool getIPVersionSupport(unsigned short& value) const;
    bool getEnabledState(unsigned short& value) const;
    // As EnabledState, except that "Not Applicable" is 12 here, not 5.
    bool getRequestedState(unsigned short& value) const;
    bool getAddressOrigin(unsigned short& value) const;
    bool getSystemCreationClassName(std::string& value) const;
    bool getSystemName(std::string& value) const;

    // The node writes that make a change, added to a batch that
    // commitChanges then carries out whole or not at all.
    void stageIPv4Address(std::string address, PropertyChanges& changes) const;
    void stageSubnetMask(std::string mask, PropertyChanges& changes) const;
    void stageAddressOrigin(unsigned short origin, PropertyChanges& changes) const;

    // Setters change the current interface at once and say whether the node
    // tree took the change.
    bool setEnabledState(unsigned short requestedState);
    bool setIPv4Address(std::string address);
    bool setSubnetMask(std::string mask);
    bool setAddressOrigin(unsigned short origin);

    // Whether the node tree would take a write at all (the property exists
    // and is not read-only on the current interface).
    bool canSetEnabledState() const;
    bool canSetIPv4Address() const;
    bool canSetSubnetMask() const;
    bool canSetAddressOrigin() const;

  private:
    friend class FilteredInterfaceWalk<IPprotocolEndpoint>;

    std::optional<std::string> filterValue(unsigned int filterType) const;
    std::optional<NameQuery> filterQuery(const InterfaceFilter& filter) const;
    bool belongsToServiceProcessor() const;
};

}  // namespace IPInterfaceProvider
}  // namespace Quill
