// Address checks: the first byte picks the kind, the rest is the value. An
// accepted value is bare: no blanks, control characters, zones or prefixes.
#include "providerutilities.h"

#include <cstdint>
#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    static const char* const kinds[] = {"", ":", "x", "::"};
    const std::string kind = kinds[data[0] % 4];
    const std::string value(reinterpret_cast<const char*>(data) + 1, size - 1);
    if (Quill::ProviderUtilities::ValidateInput(value, kind) == 0) {
        return 0;
    }
    if (kind != "" && kind != ":" && !value.empty()) {
        std::abort();
    }
    for (const char c : value) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte <= ' ' || byte >= 0x7f || c == '%' || c == '/') {
            std::abort();
        }
    }
    return 0;
}
