// What the readers of MOF and of provider registrations share: reading a
// whole file, and the form of a namespace name.
#pragma once

#include "ovx/host/mof/source_error.h"
#include "ovx/host/names.h"

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>

namespace ovx::host::mof::detail {

// The whole content of a file. One that cannot be opened is a SourceError at
// the file itself, or, for an included file, at the include that named it;
// one that fails while being read is a SourceError at the file.
inline std::string readSourceFile(const std::filesystem::path& file, const std::string& displayName,
                                  const SourceLocation* includedFrom = nullptr) {
    std::ifstream stream(file, std::ios::binary);
    if (!stream) {
        if (includedFrom != nullptr) {
            throw SourceError(*includedFrom, "cannot open included file " + displayName);
        }
        throw SourceError(SourceLocation{displayName, 0, 0}, "cannot open file");
    }
    std::ostringstream content;
    content << stream.rdbuf();
    if (stream.bad()) {
        throw SourceError(SourceLocation{displayName, 0, 0}, "read error");
    }
    return content.str();
}

// CIM identifiers separated by single '/', as in root/cimv2.
inline bool isNamespaceName(std::string_view name) {
    std::size_t start = 0;
    for (;;) {
        const std::size_t slash = name.find('/', start);
        const std::size_t end = slash == std::string_view::npos ? name.size() : slash;
        if (!isCimIdentifier(name.substr(start, end - start))) {
            return false;
        }
        if (slash == std::string_view::npos) {
            return true;
        }
        start = slash + 1;
    }
}

}  // namespace ovx::host::mof::detail
