#include "PeerObjects.h"

#include <algorithm>
#include <cctype>

namespace ovx::peers {

bool equalsIgnoreCase(std::string_view left, std::string_view right) {
    return left.size() == right.size() &&
           std::equal(left.begin(), left.end(), right.begin(), [](char a, char b) {
               return std::tolower(static_cast<unsigned char>(a)) ==
                      std::tolower(static_cast<unsigned char>(b));
           });
}

const std::string* ObjectName::key(std::string_view name) const {
    for (const auto& [keyName, value] : keys) {
        if (equalsIgnoreCase(keyName, name)) {
            return &value;
        }
    }
    return nullptr;
}

bool sameKeys(const ObjectName& left, const ObjectName& right) {
    if (left.keys.size() != right.keys.size()) {
        return false;
    }
    return std::all_of(left.keys.begin(), left.keys.end(), [&right](const auto& binding) {
        const std::string* other = right.key(binding.first);
        return other != nullptr && *other == binding.second;
    });
}

bool sameObject(const ObjectName& left, const ObjectName& right) {
    return equalsIgnoreCase(left.className, right.className) && sameKeys(left, right);
}

const PeerValue* PeerInstance::property(std::string_view propertyName) const {
    for (const auto& entry : properties) {
        if (equalsIgnoreCase(entry.name, propertyName)) {
            return &entry.value;
        }
    }
    return nullptr;
}

}  // namespace ovx::peers
