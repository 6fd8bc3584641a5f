// What the models need to know about the systems that own interfaces.
#pragma once

#include <optional>
#include <string>

#include "instrumentation.h"

namespace Quill {
namespace IPInterfaceProvider {

// This machine's host name; false (and a failure record) when the system
// cannot tell it, the name then untouched.
bool readHostName(std::string& name);

// One request of the provider on this thread: while one lives, the host name
// is asked of the system once and the node store's file examined once.
class RequestScope {
  public:
    RequestScope();
    ~RequestScope();
    RequestScope(const RequestScope&) = delete;
    RequestScope& operator=(const RequestScope&) = delete;

  private:
    friend bool readHostName(std::string& name);

    SnapshotScope snapshot_;
    std::optional<std::string> hostName_;  // the outermost scope's
};

// Whether the interface under the cursor belongs to the management
// controller: its owning system node, the grandparent, is described as
// exactly "BMC".
bool ownedByServiceProcessorSystem(const Instrumentation& interfaceCursor);

// The interface's Name, empty when it cannot be read.
std::string interfaceNameOf(const Instrumentation& interfaceCursor);

// The identifier shared by the settings of one interface: "BMC" or
// "Computer" by its owning system, "%", and the interface's name.
std::string settingIdOf(const Instrumentation& interfaceCursor);

// The interface Names that such an identifier can name: for each system part
// it may begin with, the rest after its "%".
NameQuery interfacesOfSettingId(const std::string& settingId);

}  // namespace IPInterfaceProvider
}  // namespace Quill
