#include "ovx/host/context.h"

namespace ovx::host {

Context Context::forOperation(const std::string& nameSpace, CMPIFlags invocationFlags,
                              const std::string& principal) {
    Context context;
    context.entries_.set(CMPIInitNameSpace, Value::string(nameSpace));
    context.entries_.set(CMPIInvocationFlags, Value::uint32(invocationFlags));
    context.entries_.set(CMPIPrincipal, Value::string(principal));
    return context;
}

CMPIFlags Context::invocationFlags() const {
    const Value* flags = entries_.find(CMPIInvocationFlags);
    if (flags == nullptr || flags->isNull() || flags->type() != CMPI_uint32) {
        return 0;
    }
    return static_cast<CMPIFlags>(flags->asUnsigned());
}

std::string Context::textEntry(const char* name) const {
    const Value* entry = entries_.find(name);
    if (entry == nullptr || entry->isNull() || entry->type() != CMPI_string) {
        return {};
    }
    return entry->asString();
}

}  // namespace ovx::host
