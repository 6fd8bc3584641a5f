#include "providerutilities.h"

#include <limits>
#include <stdexcept>
#include <utility>

namespace Quill {

unsigned short Moniker::addKey(std::string name, const std::string& value) {
    return addKey(std::move(name), value, 0);
}

unsigned short Moniker::addKey(std::string name, const std::string& value, unsigned int type) {
    // Positions are handed out as 16-bit numbers; one more key could not be
    // named any more.
    if (keys_.size() > std::numeric_limits<unsigned short>::max()) {
        throw std::length_error("a moniker holds at most 65536 keys");
    }
    keys_.push_back(KeyComponent{std::move(name), value, type});
    return static_cast<unsigned short>(keys_.size() - 1);
}

unsigned int Moniker::getKeyCount() const {
    return static_cast<unsigned int>(keys_.size());
}

bool Moniker::selectKey(unsigned int position) {
    if (position >= keys_.size()) {
        return false;
    }
    cursor_ = position;
    return true;
}

bool Moniker::getName(std::string& name) const {
    if (cursor_ >= keys_.size()) {
        return false;
    }
    name = keys_[cursor_].name;
    return true;
}

bool Moniker::getValue(std::string& value) const {
    if (cursor_ >= keys_.size()) {
        return false;
    }
    value = keys_[cursor_].value;
    return true;
}

unsigned int Moniker::getType() const {
    return cursor_ < keys_.size() ? keys_[cursor_].type : 0;
}

}  // namespace Quill
