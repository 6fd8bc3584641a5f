// Recognising an encapsulated CMPI object given as a bare pointer (the
// broker's toString, isOfType and getType): by the function table it points to.
#pragma once

#include "cmpi/arena.h"

namespace ovx::host::detail {

// The host handle behind the object, or null when the host did not make it.
HandleBase* identifyHandle(const void* object) noexcept;

}  // namespace ovx::host::detail
