// Ownership of host-made CMPI objects: every object lives in exactly one
// Arena (an operation scope, the caller-owned pool, or the child pool of the
// object whose getter handed it out) and dies with it or when released.
#pragma once

#include <cstddef>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <utility>

namespace ovx::host::detail {

class HandleBase;

class Arena {
  public:
    Arena();
    ~Arena();
    Arena(const Arena&) = delete;
    Arena& operator=(const Arena&) = delete;

    HandleBase& adopt(std::unique_ptr<HandleBase> handle);
    // Frees a handle this arena owns; false when it owns no such handle.
    bool destroy(const HandleBase* handle);
    std::size_t handleCount() const;

    // Raw memory for the broker's malloc family; freed with the arena.
    void* allocate(std::size_t size);
    bool ownsBlock(const void* block) const;
    bool freeBlock(void* block);
    // Null (with the old block kept) when memory runs out.
    void* reallocateBlock(void* block, std::size_t size);

    // Frees everything the arena owns.
    void clear() noexcept;

  private:
    struct FreeDeleter {
        void operator()(void* block) const noexcept { std::free(block); }
    };
    using Block = std::unique_ptr<void, FreeDeleter>;

    mutable std::mutex mutex_;
    std::unordered_map<const HandleBase*, std::unique_ptr<HandleBase>> handles_;
    std::unordered_map<const void*, Block> blocks_;
};

// The C++ side of every host-made CMPI object. Each handle type derives from
// its CMPI struct and from this class.
class HandleBase {
  public:
    HandleBase() = default;
    virtual ~HandleBase();
    HandleBase(const HandleBase&) = delete;
    HandleBase& operator=(const HandleBase&) = delete;

    // The CMPI type name, e.g. "CMPIInstance".
    virtual const char* typeName() const noexcept = 0;
    // Readable content, for the broker's toString.
    virtual std::string describe() const = 0;

    // Owner of the handles this object's getters hand out.
    Arena& children() const noexcept { return children_; }
    Arena* owner() const noexcept { return owner_; }

  private:
    friend class Arena;
    Arena* owner_ = nullptr;
    mutable Arena children_;
};

template <typename Handle, typename... Args>
Handle& make(Arena& arena, Args&&... args) {
    auto handle = std::make_unique<Handle>(std::forward<Args>(args)...);
    Handle& made = *handle;
    arena.adopt(std::move(handle));
    return made;
}

// Frees a handle through its owner; throws CimError(CMPI_RC_ERR_INVALID_HANDLE)
// when the owner no longer has it.
void release(HandleBase& handle);

}  // namespace ovx::host::detail
