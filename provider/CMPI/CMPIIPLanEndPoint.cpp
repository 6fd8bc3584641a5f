#include "CMPI/CMPIIPLanEndPoint.h"

#include <utility>

#include "Trace.h"
#include "providerutilities.h"

namespace Quill {
namespace IPInterfaceProvider {

namespace {

constexpr const char* kRefused = "Could not obtain an instance of Computer System";

}  // namespace

CMPIIPLanEndPoint::CMPIIPLanEndPoint(const CMPIBroker* _broker, const CMPIContext* _context,
                                     std::string _namespace)
    : walk(_broker, _context, std::move(_namespace)) {
    QUILL_TRACE_METHOD();
}

CMPIIPLanEndPoint::CMPIIPLanEndPoint(const CMPIBroker* _broker, const CMPIContext* _context,
                                     const CMPIObjectPath* objectPath)
    : walk(_broker, _context, ProviderUtilities::getNamespace(objectPath)) {
    QUILL_TRACE_METHOD();
    if (ProviderUtilities::getKeyCount(objectPath) > 0) {
        setSingleObjectPath(objectPath);
    } else {
        setObjectPath(objectPath);
    }
}

CMPIIPLanEndPoint::~CMPIIPLanEndPoint() {
    QUILL_TRACE_METHOD();
}

void CMPIIPLanEndPoint::setObjectPath(const CMPIObjectPath* objectPath) {
    QUILL_TRACE_ENTER_PARAMS(" objectPath=" << static_cast<const void*>(objectPath));
    walk.enumerate(
        objectPath, [](const CMPIInstance*) { return true; }, kRefused);
}

void CMPIIPLanEndPoint::setSingleObjectPath(const CMPIObjectPath* objectPath) {
    QUILL_TRACE_ENTER_PARAMS(" objectPath=" << static_cast<const void*>(objectPath));
    walk.fetch(objectPath, kRefused);
}

CMPIObjectPath* CMPIIPLanEndPoint::getObjectPath() const {
    QUILL_TRACE_ENTER();
    return walk.getObjectPath();
}

CMPIInstance* CMPIIPLanEndPoint::getCMPIInstance(const char**) const {
    QUILL_TRACE_METHOD();
    return walk.getCMPIInstance();
}

CMPIIPLanEndPoint::operator bool() const {
    return static_cast<bool>(walk);
}

void CMPIIPLanEndPoint::operator++() {
    QUILL_TRACE_ENTER();
    ++walk;
}

}  // namespace IPInterfaceProvider
}  // namespace Quill
