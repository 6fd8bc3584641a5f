// Every CMPI function table the host implements, for checking that each slot
// is filled.
#pragma once

#include <cstddef>
#include <vector>

namespace ovx::host {

struct FunctionTableInfo {
    const char* name;
    const void* table;
    std::size_t size;       // bytes
    std::size_t firstSlot;  // offset of the first function pointer
};

std::vector<FunctionTableInfo> functionTables();

}  // namespace ovx::host
