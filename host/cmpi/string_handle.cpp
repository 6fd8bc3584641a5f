#include "cmpi/string_handle.h"

#include "cmpi/scope_stack.h"
#include "cmpi/slot_support.h"

namespace ovx::host::detail {

namespace {

StringHandle& self(const CMPIString* string) {
    return requireHandle<StringHandle>(string, "CMPIString");
}

CMPIStatus releaseString(CMPIString* string) {
    return guardStatus([&] { release(self(string)); });
}

CMPIString* cloneString(const CMPIString* string, CMPIStatus* rc) {
    return guardValue<CMPIString*>(rc, nullptr,
                                   [&] { return newString(callerArena(), self(string).text); });
}

const char* getCharPtr(const CMPIString* string, CMPIStatus* rc) {
    return guardValue<const char*>(rc, nullptr, [&] { return self(string).text.c_str(); });
}

}  // namespace

CMPIStringFT StringHandle::table = {CMPICurrentVersion, releaseString, cloneString, getCharPtr};

StringHandle::StringHandle(std::string value)
    : CMPIString{nullptr, &table}, text(std::move(value)) {
    hdl = const_cast<char*>(text.c_str());
}

CMPIString* newString(Arena& arena, std::string text) {
    return &make<StringHandle>(arena, std::move(text));
}

const std::string& textOf(const CMPIString* string) {
    return self(string).text;
}

}  // namespace ovx::host::detail
