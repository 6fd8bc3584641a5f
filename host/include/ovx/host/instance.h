// A CIM instance: its object path and its ordered properties.
#pragma once

#include "ovx/host/named_values.h"
#include "ovx/host/object_path.h"

#include <string>
#include <string_view>

namespace ovx::host {

class Instance {
  public:
    Instance() = default;
    explicit Instance(ObjectPath path) : path_(std::move(path)) {}

    const ObjectPath& path() const noexcept { return path_; }
    void setPath(ObjectPath path) { path_ = std::move(path); }
    const std::string& className() const noexcept { return path_.className(); }

    const NamedValues& properties() const noexcept { return properties_; }
    void setProperty(std::string_view name, Value value) {
        properties_.set(name, std::move(value));
    }
    const Value* findProperty(std::string_view name) const { return properties_.find(name); }
    bool removeProperty(std::string_view name) { return properties_.erase(name); }

    // MOF-like text: instance of Class { Name = "eth0"; ... };
    std::string toString() const;

    friend bool operator==(const Instance& left, const Instance& right) {
        return left.path_ == right.path_ && left.properties_ == right.properties_;
    }
    friend bool operator!=(const Instance& left, const Instance& right) { return !(left == right); }

  private:
    ObjectPath path_;
    NamedValues properties_;
};

}  // namespace ovx::host
