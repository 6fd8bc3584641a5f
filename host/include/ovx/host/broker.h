// The host's CMPI broker: the CMPIBroker record handed to providers, with
// its class registry and the router that serves their up-calls.
#pragma once

#include "ovx/host/class_registry.h"
#include "ovx/host/router.h"

#include <cmpift.h>

#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>

namespace ovx::host {

class Broker {
  public:
    static constexpr const char* kName = "ovx-cim-host";

    // Either may be null: without a registry class questions are answered
    // from names alone (or not supported), without a router up-calls answer
    // CMPI_RC_ERR_NOT_SUPPORTED.
    explicit Broker(std::shared_ptr<const ClassRegistry> registry = nullptr,
                    std::shared_ptr<Router> router = nullptr);
    ~Broker();

    Broker(const Broker&) = delete;
    Broker& operator=(const Broker&) = delete;
    Broker(Broker&&) = delete;
    Broker& operator=(Broker&&) = delete;

    const CMPIBroker* cmpi() const noexcept { return &broker_; }
    // The Broker behind a CMPIBroker record, or null for one not made here.
    static Broker* fromCmpi(const CMPIBroker* broker) noexcept;

    const std::shared_ptr<const ClassRegistry>& registry() const noexcept { return registry_; }
    std::shared_ptr<Router> router() const;
    // Takes effect for up-calls that start afterwards.
    void setRouter(std::shared_ptr<Router> router);

    // Message files: the host has no message catalogues, so a file is only
    // remembered until closed and every message comes out in its default text.
    CMPIMsgFileHandle openMessageFile(const std::string& path);
    bool closeMessageFile(CMPIMsgFileHandle handle);
    bool isOpenMessageFile(CMPIMsgFileHandle handle) const;

  private:
    struct MessageFile {
        std::string path;
    };

    CMPIBroker broker_{};
    std::shared_ptr<const ClassRegistry> registry_;
    mutable std::mutex mutex_;
    std::shared_ptr<Router> router_;
    std::unordered_map<const void*, std::unique_ptr<MessageFile>> messageFiles_;
};

}  // namespace ovx::host
