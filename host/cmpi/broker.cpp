#include "ovx/host/broker.h"

#include "cmpi/broker_tables.h"

namespace ovx::host {

Broker::Broker(std::shared_ptr<const ClassRegistry> registry, std::shared_ptr<Router> router)
    : registry_(std::move(registry)), router_(std::move(router)) {
    broker_.hdl = this;
    broker_.bft = &detail::brokerServicesTable;
    broker_.eft = &detail::brokerEncodingTable;
    broker_.xft = &detail::brokerExtensionTable;
    broker_.mft = &detail::brokerMemoryTable;
}

Broker::~Broker() = default;

Broker* Broker::fromCmpi(const CMPIBroker* broker) noexcept {
    if (broker == nullptr || broker->bft != &detail::brokerServicesTable) {
        return nullptr;
    }
    return static_cast<Broker*>(broker->hdl);
}

std::shared_ptr<Router> Broker::router() const {
    std::lock_guard lock(mutex_);
    return router_;
}

void Broker::setRouter(std::shared_ptr<Router> router) {
    std::lock_guard lock(mutex_);
    router_ = std::move(router);
}

CMPIMsgFileHandle Broker::openMessageFile(const std::string& path) {
    auto file = std::make_unique<MessageFile>(MessageFile{path});
    CMPIMsgFileHandle handle = file.get();
    std::lock_guard lock(mutex_);
    messageFiles_.emplace(handle, std::move(file));
    return handle;
}

bool Broker::closeMessageFile(CMPIMsgFileHandle handle) {
    std::unique_ptr<MessageFile> doomed;
    std::lock_guard lock(mutex_);
    const auto it = messageFiles_.find(handle);
    if (it == messageFiles_.end()) {
        return false;
    }
    doomed = std::move(it->second);
    messageFiles_.erase(it);
    return true;
}

bool Broker::isOpenMessageFile(CMPIMsgFileHandle handle) const {
    std::lock_guard lock(mutex_);
    return messageFiles_.count(handle) != 0;
}

}  // namespace ovx::host
