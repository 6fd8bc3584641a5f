// The broker's memory services. A mark opens a scope on the current thread;
// releasing the mark frees everything made since. Memory from the malloc
// family belongs to the current scope like any object and may be freed early.
#include "cmpi/args_handle.h"
#include "cmpi/array_handle.h"
#include "cmpi/broker_tables.h"
#include "cmpi/datetime_handle.h"
#include "cmpi/instance_handle.h"
#include "cmpi/object_path_handle.h"
#include "cmpi/scope_stack.h"
#include "cmpi/slot_support.h"
#include "cmpi/string_handle.h"

#include <cstring>
#include <limits>

namespace ovx::host::detail {

namespace {

CMPIGcStat* mark(const CMPIBroker* mb, CMPIStatus* rc) {
    return guardValue<CMPIGcStat*>(rc, nullptr, [&]() -> CMPIGcStat* {
        Broker& broker = requireBroker(mb);
        return &openOwnedScope(ScopeKind::Mark, &broker);
    });
}

CMPIStatus releaseMark(const CMPIBroker* mb, const CMPIGcStat* gc) {
    return guardStatus([&] {
        requireBroker(mb);
        if (gc == nullptr) {
            throw CimError(CMPI_RC_ERR_INVALID_PARAMETER, "null mark");
        }
        if (!closeOwnedScope(static_cast<const Arena*>(gc), ScopeKind::Mark)) {
            throw CimError(CMPI_RC_ERR_INVALID_HANDLE, "no such mark on this thread");
        }
    });
}

void* cmpiMalloc(const CMPIBroker*, size_t size) {
    try {
        return currentArena().allocate(size);
    } catch (...) {
        return nullptr;
    }
}

void* cmpiCalloc(const CMPIBroker* mb, size_t count, size_t size) {
    if (size != 0 && count > std::numeric_limits<size_t>::max() / size) {
        return nullptr;
    }
    void* block = cmpiMalloc(mb, count * size);
    if (block != nullptr) {
        std::memset(block, 0, count * size);
    }
    return block;
}

// Only memory from this broker, reachable from this thread, can grow.
void* cmpiRealloc(const CMPIBroker* mb, void* block, size_t size) {
    if (block == nullptr) {
        return cmpiMalloc(mb, size);
    }
    try {
        Arena* arena = arenaOwningBlock(block);
        return arena == nullptr ? nullptr : arena->reallocateBlock(block, size);
    } catch (...) {
        return nullptr;
    }
}

char* cmpiStrDup(const CMPIBroker* mb, const char* text) {
    if (text == nullptr) {
        return nullptr;
    }
    const size_t length = std::strlen(text) + 1;
    char* copy = static_cast<char*>(cmpiMalloc(mb, length));
    if (copy != nullptr) {
        std::memcpy(copy, text, length);
    }
    return copy;
}

// Memory the host did not hand out is left alone.
void cmpiFree(const CMPIBroker*, void* block) {
    if (block == nullptr) {
        return;
    }
    try {
        if (Arena* arena = arenaOwningBlock(block)) {
            arena->freeBlock(block);
        }
    } catch (...) {
        // nothing to report through a void slot
    }
}

template <typename Handle, typename Cmpi>
void freeHandle(Cmpi* object) {
    try {
        if (Handle* handle = findHandle<Handle>(object)) {
            release(*handle);
        }
    } catch (...) {
        // already released; nothing to report through a void slot
    }
}

void freeInstance(const CMPIBroker*, CMPIInstance* instance) {
    freeHandle<InstanceHandle>(instance);
}

void freeObjectPath(const CMPIBroker*, CMPIObjectPath* path) {
    freeHandle<ObjectPathHandle>(path);
}

void freeArgs(const CMPIBroker*, CMPIArgs* args) {
    freeHandle<ArgsHandle>(args);
}

void freeString(const CMPIBroker*, CMPIString* string) {
    freeHandle<StringHandle>(string);
}

void freeArray(const CMPIBroker*, CMPIArray* array) {
    freeHandle<ArrayHandle>(array);
}

void freeDateTime(const CMPIBroker*, CMPIDateTime* dateTime) {
    freeHandle<DateTimeHandle>(dateTime);
}

// The host never makes select expressions, so there is none to free.
void freeSelectExp(const CMPIBroker*, CMPISelectExp*) {}

}  // namespace

CMPIBrokerMemFT brokerMemoryTable = {CMPICurrentVersion, mark,           releaseMark,  cmpiMalloc,
                                     cmpiCalloc,         cmpiRealloc,    cmpiStrDup,   cmpiFree,
                                     freeInstance,       freeObjectPath, freeArgs,     freeString,
                                     freeArray,          freeDateTime,   freeSelectExp};

}  // namespace ovx::host::detail
