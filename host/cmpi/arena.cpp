#include "cmpi/arena.h"

#include "ovx/host/cim_error.h"

namespace ovx::host::detail {

Arena::Arena() = default;

Arena::~Arena() {
    clear();
}

HandleBase& Arena::adopt(std::unique_ptr<HandleBase> handle) {
    HandleBase& adopted = *handle;
    adopted.owner_ = this;
    std::lock_guard lock(mutex_);
    handles_.emplace(&adopted, std::move(handle));
    return adopted;
}

bool Arena::destroy(const HandleBase* handle) {
    std::unique_ptr<HandleBase> doomed;
    {
        std::lock_guard lock(mutex_);
        const auto it = handles_.find(handle);
        if (it == handles_.end()) {
            return false;
        }
        doomed = std::move(it->second);
        handles_.erase(it);
    }
    return true;  // doomed dies here, outside the lock
}

std::size_t Arena::handleCount() const {
    std::lock_guard lock(mutex_);
    return handles_.size();
}

void* Arena::allocate(std::size_t size) {
    Block block(std::malloc(size == 0 ? 1 : size));
    if (!block) {
        return nullptr;
    }
    void* address = block.get();
    std::lock_guard lock(mutex_);
    blocks_.emplace(address, std::move(block));
    return address;
}

bool Arena::ownsBlock(const void* block) const {
    std::lock_guard lock(mutex_);
    return blocks_.count(block) != 0;
}

bool Arena::freeBlock(void* block) {
    Block doomed;
    std::lock_guard lock(mutex_);
    const auto it = blocks_.find(block);
    if (it == blocks_.end()) {
        return false;
    }
    doomed = std::move(it->second);
    blocks_.erase(it);
    return true;
}

void* Arena::reallocateBlock(void* block, std::size_t size) {
    std::lock_guard lock(mutex_);
    const auto it = blocks_.find(block);
    if (it == blocks_.end()) {
        return nullptr;
    }
    void* moved = std::realloc(block, size == 0 ? 1 : size);
    if (moved == nullptr) {
        return nullptr;
    }
    it->second.release();  // realloc already freed or kept it
    blocks_.erase(it);
    blocks_.emplace(moved, Block(moved));
    return moved;
}

void Arena::clear() noexcept {
    std::unordered_map<const HandleBase*, std::unique_ptr<HandleBase>> handles;
    std::unordered_map<const void*, Block> blocks;
    {
        std::lock_guard lock(mutex_);
        handles.swap(handles_);
        blocks.swap(blocks_);
    }
}

HandleBase::~HandleBase() = default;

void release(HandleBase& handle) {
    Arena* owner = handle.owner();
    if (owner == nullptr || !owner->destroy(&handle)) {
        throw CimError(CMPI_RC_ERR_INVALID_HANDLE, "the object was already released");
    }
}

}  // namespace ovx::host::detail
