// Applying a gathered configuration to the live interface: the bridge
// refusal, the writes into the interface's node with the restart decision,
// and the host restart that runs on a thread of its own.
#pragma once

#include <optional>
#include <string>

#include "IPConfigData.h"

namespace Quill {
namespace IPInterfaceProvider {

// Whether the interface that a configuration for this endpoint name would
// change is a bridge (node description exactly "Bridge").
bool checkIfbridgeInteface(std::string name);

// What applying a configuration did.
struct AppliedConfiguration {
    // The change takes full effect only after a host restart.
    bool restart = false;
    // Why the configuration was not applied, or not wholly; nothing when it was.
    std::optional<std::string> failure;
};

// Writes the configuration into the node of the interface it names: the node
// whose Name is the whole name, else the one named by its part before the
// first "_". Every property is checked for writability before the first
// write, so a refusal changes nothing. The network configuration file is
// writable only while this runs.
AppliedConfiguration isSystemRebootRequired(const IPConfigData& cfg_data);

// Asks the computer-system node for a restart. The argument is not read.
void* SystemRebootThread(void* argument);

// Runs SystemRebootThread on a thread of its own and returns at once; false
// when no thread could be started.
bool startSystemRebootThread();

// Returns once every restart thread started so far has ended. The method
// table's cleanup and the library's unload call it, so that no such thread
// runs code of an unloaded library.
void waitForSystemRebootThreads();

}  // namespace IPInterfaceProvider
}  // namespace Quill
