#include "quillcommon.h"

#include <sys/stat.h>

namespace Quill::File {

bool exists(const Path& path) {
    struct stat status {};
    return !path.empty() && ::stat(path.native().c_str(), &status) == 0;
}

bool exists(const std::wstring& path) {
    return exists(Path(path));
}

bool exists(const std::string& path) {
    return exists(Path(path));
}

}  // namespace Quill::File
