// The default gateways of the network interfaces as CIM
// OVX_IPRemoteServiceAccessPoint instances: one position per gateway, the
// IPv6 one of an interface before its IPv4 one. Interfaces without a
// gateway have no position.
#pragma once

#include <optional>
#include <string>

#include "Zodavez/FilteredInterfaceWalk.h"

namespace Quill {
namespace IPInterfaceProvider {

class RemoteServiceAccessPoint : public FilteredInterfaceWalk<RemoteServiceAccessPoint> {
  public:
    static const char* const kTraceName;
    static const char* const kTraceFile;
    static constexpr unsigned int kSystemNameFilter = 0;
    static constexpr unsigned int kNameFilter = 1;

    // What the current position stands for.
    static constexpr unsigned int kNoGateway = 0;
    static constexpr unsigned int kIPv4Gateway = 1;  // also the second position of kBothGateways
    static constexpr unsigned int kIPv6Gateway = 2;
    static constexpr unsigned int kBothGateways = 3;  // the IPv6 one first

    RemoteServiceAccessPoint();

    // Recomputes the position's protocol from the interface's gateways.
    void setProtocol();

    bool getCreationClassName(std::string& value) const;
    bool getName(std::string& value) const;
    bool getElementName(std::string& value) const;
    bool getAccessInfo(std::string& value) const;
    bool getInfoFormat(unsigned short& value) const;
    bool getAccessContext(unsigned short& value) const;
    bool getOtherAccessContext(std::string& value) const;
    bool getSystemCreationClassName(std::string& value) const;
    bool getSystemName(std::string& value) const;

    // Whether the position is an IPv6 gateway; its family decides which
    // gateway a change writes and which addresses it takes.
    bool isIPv6Gateway() const;

    // Writes the position's own gateway; true when the node tree took it.
    bool setAccessInfo(std::string accessInfo);
    // The same write, added to a batch that commitChanges carries out.
    void stageAccessInfo(std::string accessInfo, PropertyChanges& changes) const;
    // Whether the node tree would take that write at all.
    bool canSetAccessInfo() const;

    // One position on; with filters, on to the next that passes them all.
    void operator++();

  private:
    friend class FilteredInterfaceWalk<RemoteServiceAccessPoint>;

    void rawStep();
    // On to the next interface that has a gateway.
    void nextInterface();
    // After the IPv6 position of an interface, a name filter asks for the
    // IPv6 access point from then on.
    void changeFilterReference();
    std::optional<std::string> filterValue(unsigned int filterType) const;
    std::optional<NameQuery> filterQuery(const InterfaceFilter& filter) const;
    bool atInterfaceStart() const;
    void enteredInterface();
    unsigned int protocolOfInterface() const;
    std::string* referenceToChange();
    std::optional<bool> filterMatches(const InterfaceFilter& filter,
                                      const std::string& actual) const;
    NodeLexicon::Properties gatewayProperty() const;

    unsigned int Protocol = kNoGateway;
};

}  // namespace IPInterfaceProvider
}  // namespace Quill
