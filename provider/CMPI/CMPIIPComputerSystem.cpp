#include "CMPI/CMPIIPComputerSystem.h"

#include <optional>
#include <utility>

#include "Trace.h"
#include "providerutilities.h"

namespace Quill {
namespace IPInterfaceProvider {

namespace {

constexpr const char* kRefused = "Could not obtain an instance of Computer System";

}  // namespace

CMPIIPComputerSystem::CMPIIPComputerSystem(const CMPIBroker* _broker, const CMPIContext* _context,
                                           std::string _namespace)
    : walk(_broker, _context, std::move(_namespace)) {
    QUILL_TRACE_METHOD();
}

CMPIIPComputerSystem::CMPIIPComputerSystem(const CMPIBroker* _broker, const CMPIContext* _context,
                                           const CMPIObjectPath* objectPath)
    : walk(_broker, _context, ProviderUtilities::getNamespace(objectPath)) {
    QUILL_TRACE_METHOD();
    setObjectPath(objectPath);
}

CMPIIPComputerSystem::~CMPIIPComputerSystem() {
    QUILL_TRACE_METHOD();
}

void CMPIIPComputerSystem::setObjectPath(const CMPIObjectPath* objectPath) {
    QUILL_TRACE_ENTER_PARAMS(" objectPath=" << static_cast<const void*>(objectPath));
    std::optional<std::string> wanted;
    std::string name;
    if (ProviderUtilities::getKeyProperty(objectPath, "Name", name)) {
        QUILL_TRACE_VARIABLE(name);
        wanted = std::move(name);
    }
    walk.enumerate(
        objectPath,
        [&wanted](const CMPIInstance* instance) {
            if (!wanted) {
                return true;
            }
            std::string instanceName;
            return ProviderUtilities::getProperty(instance, "Name", instanceName, false) &&
                   instanceName == *wanted;
        },
        kRefused);
}

CMPIObjectPath* CMPIIPComputerSystem::getObjectPath() const {
    QUILL_TRACE_ENTER();
    return walk.getObjectPath();
}

CMPIInstance* CMPIIPComputerSystem::getCMPIInstance(const char**) const {
    QUILL_TRACE_METHOD();
    return walk.getCMPIInstance();
}

CMPIIPComputerSystem::operator bool() const {
    return static_cast<bool>(walk);
}

void CMPIIPComputerSystem::operator++() {
    QUILL_TRACE_ENTER();
    ++walk;
}

}  // namespace IPInterfaceProvider
}  // namespace Quill
