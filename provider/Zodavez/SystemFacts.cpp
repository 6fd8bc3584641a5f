#include "Zodavez/SystemFacts.h"

#include <unistd.h>

#include <array>
#include <optional>

#include "Trace.h"

namespace Quill {
namespace IPInterfaceProvider {

namespace {

// A plain pointer: a thread-local with a destructor would keep the library
// from unloading.
thread_local RequestScope* currentRequest = nullptr;

}  // namespace

RequestScope::RequestScope() {
    if (currentRequest == nullptr) {
        currentRequest = this;
    }
}

RequestScope::~RequestScope() {
    if (currentRequest == this) {
        currentRequest = nullptr;
    }
}

bool readHostName(std::string& name) {
    RequestScope* const request = currentRequest;
    if (request != nullptr && request->hostName_) {
        name = *request->hostName_;
        return true;
    }
    std::array<char, 256> buffer{};
    if (gethostname(buffer.data(), buffer.size() - 1) != 0) {
        QUILL_TRACE_MESSAGE(Trace::kFailureLevel, "gethostname Failed");
        return false;
    }
    name = buffer.data();
    if (request != nullptr) {
        request->hostName_ = name;
    }
    return true;
}

bool ownedByServiceProcessorSystem(const Instrumentation& interfaceCursor) {
    Instrumentation owner;
    if (!owner.selectNode(interfaceCursor.getPathToParentNode(), interfaceCursor) ||
        !owner.selectNode(owner.getPathToParentNode(), owner)) {
        return false;
    }
    return owner.getNodeDescription() == "BMC";
}

std::string interfaceNameOf(const Instrumentation& interfaceCursor) {
    std::string name;
    interfaceCursor.getProperty(NodeLexicon::Name, name);
    return name;
}

std::string settingIdOf(const Instrumentation& interfaceCursor) {
    return std::string(ownedByServiceProcessorSystem(interfaceCursor) ? "BMC" : "Computer") + "%" +
           interfaceNameOf(interfaceCursor);
}

NameQuery interfacesOfSettingId(const std::string& settingId) {
    NameQuery query;
    for (const std::string prefix : {"BMC%", "Computer%"}) {
        if (settingId.compare(0, prefix.size(), prefix) == 0) {
            query.names.push_back(settingId.substr(prefix.size()));
        }
    }
    return query;
}

}  // namespace IPInterfaceProvider
}  // namespace Quill
