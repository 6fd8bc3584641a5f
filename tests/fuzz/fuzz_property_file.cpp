// ifcfg files: any content opens or is refused; a value set and saved is read
// back as set, and every other key keeps its value.
#include "quillcommon.h"

#include <fuzzer/FuzzedDataProvider.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

const std::filesystem::path& scratchFile() {
    static const std::filesystem::path file = [] {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "ovx-fuzz-ifcfg-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            std::abort();
        }
        return std::filesystem::path(pattern) / "ifcfg-eth0";
    }();
    return file;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const std::wstring key = Quill::make_wstring(input.ConsumeRandomLengthString(64));
    const std::wstring value = Quill::make_wstring(input.ConsumeRandomLengthString(256));
    const std::wstring other = Quill::make_wstring(input.ConsumeRandomLengthString(64));
    const std::string content = input.ConsumeRemainingBytesAsString();
    std::ofstream(scratchFile(), std::ios::binary | std::ios::trunc) << content;

    Quill::PropertyFile file{Quill::File::Path(scratchFile().string())};
    if (!file.open(Quill::PropertyFile::ReadWrite)) {
        return 0;
    }
    const bool otherWasThere = file.hasKey(other);
    const std::wstring otherValue = file.getValue(other);
    if (!file.setValue(key, value)) {
        return 0;
    }
    if (!file.save()) {
        std::abort();
    }
    Quill::PropertyFile reread{Quill::File::Path(scratchFile().string())};
    if (!reread.open(Quill::PropertyFile::ReadOnly) || !reread.hasKey(key) ||
        reread.getValue(key) != value) {
        std::abort();
    }
    if (other != key &&
        (reread.hasKey(other) != otherWasThere || reread.getValue(other) != otherValue)) {
        std::abort();
    }
    return 0;
}
