// CMPI-free picture of what the peer provider serves: instance names with
// string keys, typed property values and whole instances.
#pragma once

#include <cmpidt.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

namespace ovx::peers {

// CIM names (classes, properties, roles) compare without regard to case.
bool equalsIgnoreCase(std::string_view left, std::string_view right);

// One instance's name: its class and key bindings, in the order they are made.
struct ObjectName {
    std::string className;
    std::vector<std::pair<std::string, std::string>> keys;

    // The value of a key, or null when the name has no such key.
    const std::string* key(std::string_view name) const;
};

// True when both carry the same key names (ignoring case) with the same
// values. Classes are not compared: callers decide which classes may meet.
bool sameKeys(const ObjectName& left, const ObjectName& right);

// Exact identity: same class (ignoring case) and sameKeys.
bool sameObject(const ObjectName& left, const ObjectName& right);

using PeerValue = std::variant<std::string, std::uint16_t, bool, std::vector<std::string>,
                               std::vector<std::uint16_t>>;

struct PeerProperty {
    std::string name;
    PeerValue value;
};

// An instance: the keys live in the name, everything else in properties.
struct PeerInstance {
    ObjectName name;
    std::vector<PeerProperty> properties;

    const PeerValue* property(std::string_view propertyName) const;
};

// The result of an operation that may be refused: an rc of CMPI_RC_OK, or
// the refusal's code with a sentence for the client.
struct Outcome {
    CMPIrc rc = CMPI_RC_OK;
    std::string message;

    bool ok() const { return rc == CMPI_RC_OK; }
    static Outcome success() { return {}; }
    static Outcome failure(CMPIrc code, std::string text) { return {code, std::move(text)}; }
};

}  // namespace ovx::peers
