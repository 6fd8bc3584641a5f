// An ordered list of named values: the keys of an object path, the
// properties of an instance, method arguments, context entries. Lookup
// ignores letter case; the spelling first given is kept for output.
#pragma once

#include "ovx/host/value.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace ovx::host {

class NamedValues {
  public:
    using Entry = std::pair<std::string, Value>;

    // Replaces the value of an existing entry (keeping its spelling) or
    // appends a new one.
    void set(std::string_view name, Value value);
    const Value* find(std::string_view name) const;
    Value* find(std::string_view name);
    bool contains(std::string_view name) const { return find(name) != nullptr; }
    bool erase(std::string_view name);
    void clear() noexcept { entries_.clear(); }

    std::size_t size() const noexcept { return entries_.size(); }
    bool empty() const noexcept { return entries_.empty(); }
    // Throws CimError(CMPI_RC_ERR_NOT_FOUND) past the end.
    const Entry& at(std::size_t index) const;
    const std::vector<Entry>& entries() const noexcept { return entries_; }
    std::vector<Entry>::const_iterator begin() const noexcept { return entries_.begin(); }
    std::vector<Entry>::const_iterator end() const noexcept { return entries_.end(); }

    // The same names (in any order and letter case) with equal values.
    friend bool operator==(const NamedValues& left, const NamedValues& right);
    friend bool operator!=(const NamedValues& left, const NamedValues& right) {
        return !(left == right);
    }

  private:
    std::vector<Entry> entries_;
};

// Method arguments, in or out.
using Arguments = NamedValues;

}  // namespace ovx::host
