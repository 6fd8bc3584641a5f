// Who owns the CMPI objects a provider makes.
//
// An OperationScope stands for one CIM operation on the current thread:
// every CMPI object the broker makes while it is the innermost scope of the
// thread (including the strings, paths and other handles that getters hand
// out, and CMPIStatus messages) is freed when the scope ends. Scopes nest;
// each thread has its own stack of them.
//
// CMRelease frees an object early; the scope then does not free it again.
// CMClone always gives an object owned by the caller, outside every scope;
// the caller releases it. Objects made while no scope is active on the
// thread are owned by the caller in the same way. Handles that getters
// return (a property's string, an instance's path, an enumeration's
// elements) belong to the object they came from and live until it is
// released or its scope ends.
//
// The broker's memory services (mark/release) and attachThread open further
// scopes on the thread; they end with release/detachThread, or at the latest
// with the enclosing OperationScope or the thread.
#pragma once

#include <cstddef>
#include <memory>

namespace ovx::host {

class Broker;

namespace detail {
class Arena;
}

class OperationScope {
  public:
    // Uses the broker of the enclosing scope, if there is one.
    OperationScope();
    // Objects made in this scope answer class questions (qualifiers,
    // key properties) from this broker's class registry.
    explicit OperationScope(const Broker& broker);
    ~OperationScope();

    OperationScope(const OperationScope&) = delete;
    OperationScope& operator=(const OperationScope&) = delete;
    OperationScope(OperationScope&&) = delete;
    OperationScope& operator=(OperationScope&&) = delete;

    // Objects this scope still owns directly.
    std::size_t handleCount() const;

    // Whether the current thread has a scope open.
    static bool active() noexcept;

  private:
    std::unique_ptr<detail::Arena> arena_;
};

// Objects owned by callers (clones, objects made outside any scope) that
// have not been released yet, over all threads.
std::size_t callerOwnedHandleCount();

}  // namespace ovx::host
