// MOF text: read or refused with a source error, never anything else, and a
// refused read adds nothing to the class set.
#include "ovx/host/cim_error.h"
#include "ovx/host/mof/mof_reader.h"
#include "ovx/host/mof/source_error.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    ovx::host::mof::ClassSet classes;
    ovx::host::mof::MofReader reader(classes);
    try {
        reader.readText(text, "fuzz.mof");
    } catch (const ovx::host::mof::SourceError&) {
        if (classes.find("root/cimv2", "CIM_ManagedElement") != nullptr) {
            std::abort();
        }
        return 0;
    }
    try {
        ovx::host::ClassRegistry registry;
        ovx::host::mof::addToRegistry(classes, ovx::host::mof::kDefaultNamespace, registry);
    } catch (const ovx::host::CimError&) {
    }
    return 0;
}
