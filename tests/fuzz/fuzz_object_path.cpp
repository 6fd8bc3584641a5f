// Object paths as clients type them: any text either parses or is refused
// with a CIM status, and what parses prints as text that parses back to the
// same path.
#include "ovx/host/cim_error.h"
#include "ovx/host/object_path.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    ovx::host::ObjectPath path;
    try {
        path = ovx::host::ObjectPath::parse(text);
    } catch (const ovx::host::CimError&) {
        return 0;
    }
    const std::string printed = path.toString();
    try {
        const ovx::host::ObjectPath again = ovx::host::ObjectPath::parse(printed);
        if (!again.sameInstance(path) || again.toString() != printed) {
            std::abort();
        }
    } catch (const ovx::host::CimError&) {
        std::abort();
    }
    return 0;
}
