// Conversions between CMPI objects and the provider's own picture of them.
// Failures of the broker raise CmpiFailure, which the operations turn into
// their status.
#pragma once

#include "PeerObjects.h"
#include "SettingsSection.h"

#include <cmpidt.h>
#include <cmpift.h>

#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

namespace ovx::peers::bridge {

class CmpiFailure : public std::runtime_error {
  public:
    CmpiFailure(CMPIrc code, const std::string& message) : std::runtime_error(message), rc(code) {}
    CMPIrc rc;
};

std::string classNameOf(const CMPIObjectPath* path);
std::string nameSpaceOf(const CMPIObjectPath* path);

// The text of a string value; nothing for null values and other types.
std::optional<std::string> textOf(const CMPIData& data);

// The class and string keys of a path; nothing when a key is of another
// type, since no instance served here could match it.
std::optional<ObjectName> objectNameOf(const CMPIObjectPath* path);

// The object name held in a reference key of path; nothing when absent.
std::optional<ObjectName> referenceKeyOf(const CMPIObjectPath* path, const char* keyName);

// Whether a requested property list (null: all) names the property.
bool propertyWanted(const char** properties, std::string_view name);

CMPIObjectPath* makePath(const CMPIBroker* broker, const std::string& nameSpace,
                         const ObjectName& name);

// Keys are always set; other properties only when wanted.
CMPIInstance* makeInstance(const CMPIBroker* broker, const std::string& nameSpace,
                           const PeerInstance& instance, const char** properties);

// The path and instance of an association whose two references are given.
CMPIObjectPath* makeAssociationPath(const CMPIBroker* broker, const std::string& nameSpace,
                                    const std::string& className,
                                    const std::pair<std::string, CMPIObjectPath*>& first,
                                    const std::pair<std::string, CMPIObjectPath*>& second);
CMPIInstance* makeAssociationInstance(const CMPIBroker* broker, CMPIObjectPath* path,
                                      const std::pair<std::string, CMPIObjectPath*>& first,
                                      const std::pair<std::string, CMPIObjectPath*>& second,
                                      const char** properties);

// A client's value for a property of the given kind. Text takes strings,
// lists take string arrays, numbers any integer type within 0 to 65535.
// Null values give nothing; a value of another type is a type mismatch.
Outcome peerValueOf(const CMPIData& data, ValueKind kind, std::optional<PeerValue>& value);

// A status carrying a message made by the broker.
CMPIStatus statusOf(const CMPIBroker* broker, CMPIrc rc, const std::string& message);

}  // namespace ovx::peers::bridge
