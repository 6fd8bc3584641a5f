// The name of a CIM class or instance: optional host, namespace, class name
// and, for instances, the ordered key bindings.
//
// Text form, as CIM users write it:
//   [//host/][namespace:]ClassName[.key=value[,key=value...]]
// e.g. root/cimv2:OVX_IPProtocolEndpoint.CreationClassName="OVX_IPProtocolEndpoint",Name="eth0"
// String values are double-quoted with \" and \\ escaped, numbers are bare,
// booleans TRUE/FALSE, and a reference is the quoted text of the nested path.
#pragma once

#include "ovx/host/named_values.h"
#include "ovx/host/value.h"

#include <string>
#include <string_view>

namespace ovx::host {

class ObjectPath {
  public:
    ObjectPath() = default;
    ObjectPath(std::string nameSpace, std::string className)
        : nameSpace_(std::move(nameSpace)), className_(std::move(className)) {}

    // Parses the text form. A quoted value that itself reads as an instance
    // path with at least one key becomes a reference; any other quoted value
    // a string. Bare values: TRUE/FALSE (boolean), NULL, integers (sint64,
    // or uint64 above its range) and reals (real64). Throws
    // CimError(CMPI_RC_ERR_INVALID_PARAMETER) naming the position (from 0) of the
    // first character that does not fit.
    static ObjectPath parse(std::string_view text);

    const std::string& host() const noexcept { return host_; }
    void setHost(std::string host) { host_ = std::move(host); }
    const std::string& nameSpace() const noexcept { return nameSpace_; }
    void setNameSpace(std::string nameSpace) { nameSpace_ = std::move(nameSpace); }
    const std::string& className() const noexcept { return className_; }
    void setClassName(std::string className) { className_ = std::move(className); }

    const NamedValues& keys() const noexcept { return keys_; }
    // Arrays and embedded instances cannot be keys: CimError(CMPI_RC_ERR_INVALID_DATA_TYPE).
    void setKey(std::string_view name, Value value);
    const Value* findKey(std::string_view name) const { return keys_.find(name); }
    bool removeKey(std::string_view name) { return keys_.erase(name); }
    void clearKeys() noexcept { keys_.clear(); }

    std::string toString() const;

    // Whether both name the same instance: equal class names, equal
    // namespaces when both have one, and the same keys whose values agree by
    // meaning (integers by number whatever their width, references by what
    // they name). Host names are not compared.
    bool sameInstance(const ObjectPath& other) const;

    // Exact equality: names ignore case, values must match in type too.
    friend bool operator==(const ObjectPath& left, const ObjectPath& right);
    friend bool operator!=(const ObjectPath& left, const ObjectPath& right) {
        return !(left == right);
    }

  private:
    std::string host_;
    std::string nameSpace_;
    std::string className_;
    NamedValues keys_;
};

}  // namespace ovx::host
