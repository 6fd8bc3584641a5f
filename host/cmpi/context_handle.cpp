#include "cmpi/context_handle.h"

#include "cmpi/args_handle.h"
#include "cmpi/scope_stack.h"
#include "cmpi/slot_support.h"
#include "cmpi/string_handle.h"
#include "cmpi/value_codec.h"

namespace ovx::host::detail {

namespace {

ContextHandle& self(const CMPIContext* context) {
    return requireHandle<ContextHandle>(context, "CMPIContext");
}

CMPIStatus releaseContext(CMPIContext* context) {
    return guardStatus([&] { release(self(context)); });
}

CMPIContext* cloneContext(const CMPIContext* context, CMPIStatus* rc) {
    return guardValue<CMPIContext*>(
        rc, nullptr, [&] { return &make<ContextHandle>(callerArena(), self(context).context); });
}

CMPIData getEntry(const CMPIContext* context, const char* name, CMPIStatus* rc) {
    return guardData(rc, [&] {
        const ContextHandle& handle = self(context);
        const Value* value = handle.context.entries().find(requireText(name, "entry name"));
        if (value == nullptr) {
            throw CimError(CMPI_RC_ERR_NOT_FOUND, "the context has no entry " + std::string(name));
        }
        return dataFrom(*value, handle.children(), currentRegistry());
    });
}

CMPIData getEntryAt(const CMPIContext* context, CMPICount index, CMPIString** name,
                    CMPIStatus* rc) {
    return guardData(rc, [&] {
        const ContextHandle& handle = self(context);
        const auto& [entryName, value] = handle.context.entries().at(index);
        if (name != nullptr) {
            *name = newString(handle.children(), entryName);
        }
        return dataFrom(value, handle.children(), currentRegistry());
    });
}

CMPICount getEntryCount(const CMPIContext* context, CMPIStatus* rc) {
    return guardValue<CMPICount>(
        rc, 0, [&] { return static_cast<CMPICount>(self(context).context.entries().size()); });
}

CMPIStatus addEntry(const CMPIContext* context, const char* name, const CMPIValue* value,
                    const CMPIType type) {
    return guardStatus([&] {
        self(context).context.entries().set(requireText(name, "entry name"),
                                            valueFrom(value, type));
    });
}

}  // namespace

CMPIContextFT ContextHandle::table = {CMPICurrentVersion, releaseContext, cloneContext, getEntry,
                                      getEntryAt,         getEntryCount,  addEntry};

ContextHandle::ContextHandle(Context value)
    : CMPIContext{nullptr, &table}, context(std::move(value)) {
    hdl = static_cast<HandleBase*>(this);
}

std::string ContextHandle::describe() const {
    return describeNamedValues(context.entries());
}

}  // namespace ovx::host::detail
