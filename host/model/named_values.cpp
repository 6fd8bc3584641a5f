#include "ovx/host/named_values.h"

#include "ovx/host/cim_error.h"
#include "ovx/host/names.h"

#include <algorithm>

namespace ovx::host {

void NamedValues::set(std::string_view name, Value value) {
    if (Value* existing = find(name)) {
        *existing = std::move(value);
        return;
    }
    entries_.emplace_back(std::string(name), std::move(value));
}

const Value* NamedValues::find(std::string_view name) const {
    for (const Entry& entry : entries_) {
        if (namesEqual(entry.first, name)) {
            return &entry.second;
        }
    }
    return nullptr;
}

Value* NamedValues::find(std::string_view name) {
    return const_cast<Value*>(static_cast<const NamedValues&>(*this).find(name));
}

bool NamedValues::erase(std::string_view name) {
    const auto it = std::find_if(entries_.begin(), entries_.end(),
                                 [&](const Entry& entry) { return namesEqual(entry.first, name); });
    if (it == entries_.end()) {
        return false;
    }
    entries_.erase(it);
    return true;
}

const NamedValues::Entry& NamedValues::at(std::size_t index) const {
    if (index >= entries_.size()) {
        throw CimError(CMPI_RC_ERR_NOT_FOUND, "index " + std::to_string(index) +
                                                  " is past the last of " +
                                                  std::to_string(entries_.size()) + " entries");
    }
    return entries_[index];
}

bool operator==(const NamedValues& left, const NamedValues& right) {
    if (left.size() != right.size()) {
        return false;
    }
    for (const NamedValues::Entry& entry : left) {
        const Value* other = right.find(entry.first);
        if (other == nullptr || !(*other == entry.second)) {
            return false;
        }
    }
    return true;
}

}  // namespace ovx::host
