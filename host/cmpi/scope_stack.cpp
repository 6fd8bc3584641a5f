#include "cmpi/scope_stack.h"

#include "ovx/host/broker.h"
#include "ovx/host/operation_scope.h"

#include <vector>

namespace ovx::host::detail {

namespace {

struct Frame {
    Arena* arena;
    const Broker* broker;
    ScopeKind kind;
    std::unique_ptr<Arena> owned;  // set for thread-owned scopes
};

// Thread-owned scopes that are still open when the thread ends die with it.
class ThreadScopes {
  public:
    ThreadScopes() = default;
    ThreadScopes(const ThreadScopes&) = delete;
    ThreadScopes& operator=(const ThreadScopes&) = delete;
    ~ThreadScopes() {
        while (!frames.empty()) {
            Frame last = std::move(frames.back());
            frames.pop_back();
        }
    }

    std::vector<Frame> frames;
};

ThreadScopes& threadScopes() {
    thread_local ThreadScopes scopes;
    return scopes;
}

// Ends thread-owned scopes above position `index`, newest first.
void closeOwnedAbove(std::vector<Frame>& frames, std::size_t index) {
    for (std::size_t i = frames.size(); i > index + 1; --i) {
        if (frames[i - 1].owned) {
            Frame doomed = std::move(frames[i - 1]);
            frames.erase(frames.begin() + static_cast<std::ptrdiff_t>(i - 1));
        }
    }
}

}  // namespace

Arena& callerArena() {
    static Arena arena;
    return arena;
}

Arena& currentArena() {
    auto& frames = threadScopes().frames;
    return frames.empty() ? callerArena() : *frames.back().arena;
}

bool hasScope() noexcept {
    return !threadScopes().frames.empty();
}

const Broker* currentBroker() noexcept {
    const auto& frames = threadScopes().frames;
    return frames.empty() ? nullptr : frames.back().broker;
}

std::shared_ptr<const ClassRegistry> currentRegistry() {
    const Broker* broker = currentBroker();
    return broker == nullptr ? nullptr : broker->registry();
}

void pushScope(Arena& arena, const Broker* broker) {
    auto& frames = threadScopes().frames;
    const Broker* effective = broker != nullptr ? broker : currentBroker();
    frames.push_back(Frame{&arena, effective, ScopeKind::Operation, nullptr});
}

void popScope(const Arena& arena) noexcept {
    auto& frames = threadScopes().frames;
    for (std::size_t i = frames.size(); i > 0; --i) {
        if (frames[i - 1].arena == &arena) {
            closeOwnedAbove(frames, i - 1);
            frames.erase(frames.begin() + static_cast<std::ptrdiff_t>(i - 1));
            return;
        }
    }
}

Arena& openOwnedScope(ScopeKind kind, const Broker* broker) {
    auto& frames = threadScopes().frames;
    const Broker* effective = broker != nullptr ? broker : currentBroker();
    auto arena = std::make_unique<Arena>();
    Arena& opened = *arena;
    frames.push_back(Frame{&opened, effective, kind, std::move(arena)});
    return opened;
}

bool closeOwnedScope(const Arena* arena, ScopeKind kind) noexcept {
    auto& frames = threadScopes().frames;
    for (std::size_t i = frames.size(); i > 0; --i) {
        Frame& frame = frames[i - 1];
        if (frame.arena == arena && frame.owned && frame.kind == kind) {
            closeOwnedAbove(frames, i - 1);
            Frame doomed = std::move(frames[i - 1]);
            frames.erase(frames.begin() + static_cast<std::ptrdiff_t>(i - 1));
            return true;
        }
    }
    return false;
}

const Arena* innermostOwnedScope(ScopeKind kind) noexcept {
    const auto& frames = threadScopes().frames;
    for (std::size_t i = frames.size(); i > 0; --i) {
        if (frames[i - 1].owned && frames[i - 1].kind == kind) {
            return frames[i - 1].arena;
        }
    }
    return nullptr;
}

Arena* arenaOwningBlock(const void* block) {
    const auto& frames = threadScopes().frames;
    for (std::size_t i = frames.size(); i > 0; --i) {
        if (frames[i - 1].arena->ownsBlock(block)) {
            return frames[i - 1].arena;
        }
    }
    return callerArena().ownsBlock(block) ? &callerArena() : nullptr;
}

}  // namespace ovx::host::detail

namespace ovx::host {

OperationScope::OperationScope() : arena_(std::make_unique<detail::Arena>()) {
    detail::pushScope(*arena_, nullptr);
}

OperationScope::OperationScope(const Broker& broker) : arena_(std::make_unique<detail::Arena>()) {
    detail::pushScope(*arena_, &broker);
}

OperationScope::~OperationScope() {
    detail::popScope(*arena_);
    arena_->clear();
}

std::size_t OperationScope::handleCount() const {
    return arena_->handleCount();
}

bool OperationScope::active() noexcept {
    return detail::hasScope();
}

std::size_t callerOwnedHandleCount() {
    return detail::callerArena().handleCount();
}

}  // namespace ovx::host
