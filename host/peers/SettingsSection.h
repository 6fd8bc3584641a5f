// The DNS and DHCP settings, the DNS client endpoints and the MAC addresses
// that the peer provider keeps in a section of the system description:
//
//   "networkSettings": {
//     "DHCPSettingData":       [ {"InstanceID": "...", "ElementName": "...", ...} ],
//     "DNSSettingData":        [ ... ],
//     "DNSGeneralSettingData": [ ... ],
//     "DNSProtocolEndpoints":  [ "eth0", ... ],          // interface names
//     "MACAddresses":          { "eth0": "52:54:00:12:34:56", ... }
//   }
//
// Entries hold CIM property names and values; members whose name starts with
// "_" are comments. Everything else is refused with a sentence saying what.
#pragma once

#include "PeerObjects.h"

#include <instrumentation.h>

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ovx::peers {

inline constexpr const char* kSettingsSection = "networkSettings";

enum class ValueKind { Text, TextList, Number };

struct PropertyRule {
    enum class Access {
        Key,       // InstanceID: names the entry, never changes
        Writable,  // kept in the section, changed by ModifyInstance
        Fixed,     // the same for every instance of the class
    };

    std::string_view name;
    ValueKind kind;
    Access access;
    // Empty when the value is acceptable, else why not.
    std::string (*check)(const PeerValue& value);
    // The value of a Fixed property.
    std::optional<PeerValue> fixedValue;
};

struct SettingClass {
    std::string_view className;
    std::string_view member;  // the section member that holds its entries
    std::vector<PropertyRule> rules;

    const PropertyRule* rule(std::string_view propertyName) const;
};

// The three setting classes, in the order of their section members.
const std::vector<SettingClass>& settingClasses();
const SettingClass* findSettingClass(std::string_view className);

struct SettingsContents {
    // Instances by class name, in the order of the section.
    std::map<std::string, std::vector<PeerInstance>> settings;
    std::vector<std::string> dnsEndpointInterfaces;
    // LAN endpoint name to twelve upper-case hexadecimal digits.
    std::map<std::string, std::string> macAddresses;

    const std::vector<PeerInstance>& instancesOf(std::string_view className) const;
};

// Reads the section's JSON text. A section with anything wrong in it is
// refused whole (CMPI_RC_ERR_FAILED), its problems listed in the message.
Outcome interpretSettings(const std::string& jsonText, SettingsContents& contents);

// Reads the section from the store; an absent section holds nothing.
Outcome readSettings(Quill::NodeStore& store, SettingsContents& contents);

struct PropertyChange {
    std::string name;
    std::optional<PeerValue> value;  // none: the property becomes null
};

// Applies the changes to the entry of className whose InstanceID is
// instanceId, all or nothing, in one atomic update of the section. Refuses
// unknown properties (CMPI_RC_ERR_NO_SUCH_PROPERTY), values of the wrong kind
// (CMPI_RC_ERR_TYPE_MISMATCH), unfit values and changes of the key or of a
// fixed property (CMPI_RC_ERR_INVALID_PARAMETER); an unknown entry is
// CMPI_RC_ERR_NOT_FOUND, a broken section or a failed write CMPI_RC_ERR_FAILED.
Outcome modifySetting(Quill::NodeStore& store, std::string_view className,
                      const std::string& instanceId, const std::vector<PropertyChange>& changes);

// Checks of single values, also used on what clients send.
std::string checkIpAddress(const std::string& text);
std::string checkHostName(const std::string& text);
std::string checkDomainName(const std::string& text);
// Twelve upper-case hexadecimal digits for a MAC address written with or
// without ":" or "-" between its octets; nothing for anything else.
std::optional<std::string> normalizedMacAddress(const std::string& text);

}  // namespace ovx::peers
