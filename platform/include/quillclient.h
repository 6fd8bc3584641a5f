// The agent's platform-client library: where the agent keeps its data and
// how it reaches the host's network configuration.
#pragma once

#include <string>

namespace Quill {

class PlatformUtilities {
  public:
    PlatformUtilities() = delete;

    // The agent's data directory, always ending with "/": OVX_DATA_DIR when
    // set and not empty, else "/var/lib/ovx/".
    static std::string getKestrelDataDir();

    // The host's network configuration file: OVX_NETWORK_CONFIG_FILE when set
    // and not empty, else "network.conf" in the agent's data directory.
    static std::string getNetworkConfigurationFile();

    // Turns the owner's write permission of path on (writable) or off and
    // leaves every other mode bit as it is. A path that does not exist is
    // nothing to change and succeeds; an empty path or any other failure
    // gives false. Symbolic links are followed.
    static bool changeFilePermission(std::string path, bool writable);
};

}  // namespace Quill
