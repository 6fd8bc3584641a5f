#include "ovx/host/names.h"

namespace ovx::host {

namespace {

char foldChar(char c) noexcept {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool isLetter(char c) noexcept {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

bool isDigit(char c) noexcept {
    return c >= '0' && c <= '9';
}

}  // namespace

bool namesEqual(std::string_view left, std::string_view right) noexcept {
    if (left.size() != right.size()) {
        return false;
    }
    for (std::size_t i = 0; i < left.size(); ++i) {
        if (foldChar(left[i]) != foldChar(right[i])) {
            return false;
        }
    }
    return true;
}

std::string foldName(std::string_view name) {
    std::string folded(name);
    for (char& c : folded) {
        c = foldChar(c);
    }
    return folded;
}

bool isCimIdentifier(std::string_view name) noexcept {
    if (name.empty() || !(isLetter(name.front()) || name.front() == '_')) {
        return false;
    }
    for (const char c : name) {
        if (!(isLetter(c) || isDigit(c) || c == '_')) {
            return false;
        }
    }
    return true;
}

}  // namespace ovx::host
