#include "quillclient.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdlib>

namespace Quill {

namespace {

constexpr char kDefaultDataDir[] = "/var/lib/ovx/";

// An unset variable and an empty one mean the same: use the default.
const char* environmentValue(const char* name) {
    const char* const value = std::getenv(name);
    return value != nullptr && *value != '\0' ? value : nullptr;
}

}  // namespace

std::string PlatformUtilities::getKestrelDataDir() {
    const char* const configured = environmentValue("OVX_DATA_DIR");
    std::string directory = configured != nullptr ? configured : kDefaultDataDir;
    // Callers append file names directly.
    if (directory.back() != '/') {
        directory += '/';
    }
    return directory;
}

// The file lives under the agent's data directory rather than at a fixed
// system path, so that a test or demonstration run, which points
// OVX_DATA_DIR or OVX_NETWORK_CONFIG_FILE elsewhere, can never change the
// permissions of the real host's network configuration.
std::string PlatformUtilities::getNetworkConfigurationFile() {
    const char* const configured = environmentValue("OVX_NETWORK_CONFIG_FILE");
    return configured != nullptr ? std::string(configured) : getKestrelDataDir() + "network.conf";
}

bool PlatformUtilities::changeFilePermission(std::string path, bool writable) {
    if (path.empty()) {
        return false;
    }
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0) {
        return errno == ENOENT;
    }
    const mode_t current = status.st_mode & 07777;
    const mode_t wanted =
        writable ? (current | S_IWUSR) : (current & ~static_cast<mode_t>(S_IWUSR));
    // Nothing to do needs no rights, even on a file owned by someone else.
    if (wanted == current) {
        return true;
    }
    // A file removed since stat() is as good as a missing one.
    return ::chmod(path.c_str(), wanted) == 0 || errno == ENOENT;
}

}  // namespace Quill
