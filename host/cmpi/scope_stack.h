// The per-thread stack of ownership scopes behind OperationScope, the
// broker's mark/release and attachThread/detachThread.
#pragma once

#include "cmpi/arena.h"

#include <memory>

namespace ovx::host {
class Broker;
class ClassRegistry;
}  // namespace ovx::host

namespace ovx::host::detail {

enum class ScopeKind { Operation, Mark, Attached };

// Where new objects go: the innermost scope of the thread, or the
// caller-owned pool when the thread has none.
Arena& currentArena();
// Objects nobody's scope owns: clones and objects made outside any scope.
Arena& callerArena();

// The broker of the innermost scope that names one, and its registry.
const Broker* currentBroker() noexcept;
std::shared_ptr<const ClassRegistry> currentRegistry();

// Scopes whose arena lives elsewhere (OperationScope).
void pushScope(Arena& arena, const Broker* broker);
// Removes the scope, first ending any thread-owned scopes opened above it.
void popScope(const Arena& arena) noexcept;

// Scopes the thread owns (marks, attached threads).
Arena& openOwnedScope(ScopeKind kind, const Broker* broker);
// Ends the given thread-owned scope and the thread-owned scopes above it;
// false when the thread has no such scope.
bool closeOwnedScope(const Arena* arena, ScopeKind kind) noexcept;
// The innermost thread-owned scope of that kind, or null.
const Arena* innermostOwnedScope(ScopeKind kind) noexcept;

// The arena (of this thread's scopes, or the caller-owned pool) holding a
// block from the broker's malloc family, or null.
Arena* arenaOwningBlock(const void* block);

bool hasScope() noexcept;

}  // namespace ovx::host::detail
