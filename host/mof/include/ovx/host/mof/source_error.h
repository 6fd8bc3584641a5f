// Errors in text the host reads (MOF, provider registrations), pointing at
// the place a person has to fix: "file:line:column: what was expected".
#pragma once

#include <stdexcept>
#include <string>

namespace ovx::host::mof {

struct SourceLocation {
    std::string file;
    unsigned line = 0;
    unsigned column = 0;  // 0 when the whole line is meant

    // "file:line:column", or "file:line" without a column.
    std::string toString() const;
};

class SourceError : public std::runtime_error {
  public:
    SourceError(SourceLocation where, const std::string& message);

    const SourceLocation& where() const noexcept { return where_; }
    // The message without the location prefix.
    const std::string& message() const noexcept { return message_; }

  private:
    SourceLocation where_;
    std::string message_;
};

}  // namespace ovx::host::mof
