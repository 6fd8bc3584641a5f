#pragma once

#include "cmpi/arena.h"

#include <cmpift.h>

#include <string>

namespace ovx::host::detail {

// hdl points at the NUL-terminated text: some providers read it directly.
struct StringHandle final : CMPIString, HandleBase {
    explicit StringHandle(std::string value);

    const char* typeName() const noexcept override { return "CMPIString"; }
    std::string describe() const override { return text; }

    static CMPIStringFT table;

    const std::string text;  // never changes: hdl points into it
};

CMPIString* newString(Arena& arena, std::string text);

// The text of a host-made string; throws CimError(CMPI_RC_ERR_INVALID_HANDLE)
// for a null or foreign one.
const std::string& textOf(const CMPIString* string);

}  // namespace ovx::host::detail
