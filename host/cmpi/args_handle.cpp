#include "cmpi/args_handle.h"

#include "cmpi/scope_stack.h"
#include "cmpi/slot_support.h"
#include "cmpi/string_handle.h"

namespace ovx::host::detail {

namespace {

ArgsHandle& self(const CMPIArgs* args) {
    return requireHandle<ArgsHandle>(args, "CMPIArgs");
}

CMPIStatus releaseArgs(CMPIArgs* args) {
    return guardStatus([&] { release(self(args)); });
}

CMPIArgs* cloneArgs(const CMPIArgs* args, CMPIStatus* rc) {
    return guardValue<CMPIArgs*>(rc, nullptr, [&] {
        const ArgsHandle& handle = self(args);
        return &make<ArgsHandle>(callerArena(), handle.arguments, handle.registry);
    });
}

CMPIStatus addArg(const CMPIArgs* args, const char* name, const CMPIValue* value,
                  const CMPIType type) {
    return guardStatus([&] {
        self(args).arguments.set(requireText(name, "argument name"), valueFrom(value, type));
    });
}

CMPIData getArg(const CMPIArgs* args, const char* name, CMPIStatus* rc) {
    return guardData(rc, [&] {
        const ArgsHandle& handle = self(args);
        const Value* value = handle.arguments.find(requireText(name, "argument name"));
        if (value == nullptr) {
            throw CimError(CMPI_RC_ERR_NOT_FOUND, "no argument " + std::string(name));
        }
        return dataFrom(*value, handle.children(), handle.registry);
    });
}

CMPIData getArgAt(const CMPIArgs* args, CMPICount index, CMPIString** name, CMPIStatus* rc) {
    return guardData(rc, [&] {
        const ArgsHandle& handle = self(args);
        const auto& [argumentName, value] = handle.arguments.at(index);
        if (name != nullptr) {
            *name = newString(handle.children(), argumentName);
        }
        return dataFrom(value, handle.children(), handle.registry);
    });
}

CMPICount getArgCount(const CMPIArgs* args, CMPIStatus* rc) {
    return guardValue<CMPICount>(
        rc, 0, [&] { return static_cast<CMPICount>(self(args).arguments.size()); });
}

}  // namespace

CMPIArgsFT ArgsHandle::table = {CMPICurrentVersion, releaseArgs, cloneArgs, addArg, getArg,
                                getArgAt,           getArgCount};

ArgsHandle::ArgsHandle(Arguments values, RegistryPtr classes)
    : CMPIArgs{nullptr, &table}, arguments(std::move(values)), registry(std::move(classes)) {
    hdl = static_cast<HandleBase*>(this);
}

std::string ArgsHandle::describe() const {
    return describeNamedValues(arguments);
}

std::string describeNamedValues(const NamedValues& values) {
    std::string text;
    for (const auto& [name, value] : values) {
        text += (text.empty() ? "" : ",") + name + "=" + value.toText();
    }
    return text;
}

}  // namespace ovx::host::detail
