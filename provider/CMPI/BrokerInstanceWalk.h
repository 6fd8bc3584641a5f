// A walk over instances that other providers serve, fetched back through the
// CIMOM: the computer systems and the LAN endpoints at the far ends of the
// associations.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "cmpidt.h"
#include "cmpift.h"

namespace Quill {
namespace IPInterfaceProvider {

class BrokerInstanceWalk {
  public:
    BrokerInstanceWalk(const CMPIBroker* broker, const CMPIContext* context, std::string nameSpace);

    // Every instance of the path's class that keep accepts, each once, in the
    // CIMOM's order. Quill::ProviderException with the failure text when the
    // CIMOM refuses the enumeration.
    void enumerate(const CMPIObjectPath* path, const std::function<bool(const CMPIInstance*)>& keep,
                   const char* failure);
    // The one instance the path names; none when the CIMOM does not know it,
    // Quill::ProviderException with the failure text when it refuses otherwise.
    void fetch(const CMPIObjectPath* path, const char* failure);

    // The current instance's path; null without one or when the CIMOM
    // cannot tell it.
    CMPIObjectPath* getObjectPath() const;
    CMPIInstance* getCMPIInstance() const;
    explicit operator bool() const;
    void operator++();

  private:
    const CMPIBroker* broker_;
    const CMPIContext* context_;
    std::string nameSpace_;
    // Owned by the CIMOM for the rest of the request.
    std::vector<CMPIInstance*> instances_;
    std::size_t position_ = 0;
};

}  // namespace IPInterfaceProvider
}  // namespace Quill
