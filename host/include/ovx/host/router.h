// Where the broker sends a provider's up-calls (CBEnumInstances,
// CBGetInstance, CBAssociators, ...). The host's CIM server implements it by
// dispatching to the provider that serves the class; tests use
// CallbackRouter. Everything crosses as host values, never as CMPI handles:
// the broker converts in both directions and runs the call in a scope of its
// own, so nothing the callee makes outlives the call.
#pragma once

#include "ovx/host/context.h"
#include "ovx/host/instance.h"
#include "ovx/host/named_values.h"
#include "ovx/host/object_path.h"
#include "ovx/host/status.h"
#include "ovx/host/value.h"

#include <optional>
#include <string>
#include <vector>

namespace ovx::host {

// No value means all properties.
using PropertyList = std::optional<std::vector<std::string>>;

struct AssociatorFilter {
    std::optional<std::string> assocClass;
    std::optional<std::string> resultClass;
    std::optional<std::string> role;
    std::optional<std::string> resultRole;
};

struct ReferenceFilter {
    std::optional<std::string> resultClass;
    std::optional<std::string> role;
};

struct MethodReply {
    Value returnValue;
    Arguments out;
};

class Router {
  public:
    virtual ~Router() = default;

    virtual Reply<std::vector<ObjectPath>> enumerateInstanceNames(const Context& context,
                                                                  const ObjectPath& classPath) = 0;
    virtual Reply<std::vector<Instance>> enumerateInstances(const Context& context,
                                                            const ObjectPath& classPath,
                                                            const PropertyList& properties) = 0;
    virtual Reply<Instance> getInstance(const Context& context, const ObjectPath& path,
                                        const PropertyList& properties) = 0;
    virtual Reply<ObjectPath> createInstance(const Context& context, const ObjectPath& path,
                                             const Instance& instance) = 0;
    virtual Status modifyInstance(const Context& context, const ObjectPath& path,
                                  const Instance& instance, const PropertyList& properties) = 0;
    virtual Status deleteInstance(const Context& context, const ObjectPath& path) = 0;
    virtual Reply<std::vector<Instance>> execQuery(const Context& context,
                                                   const ObjectPath& classPath,
                                                   const std::string& query,
                                                   const std::string& language) = 0;
    virtual Reply<std::vector<Instance>> associators(const Context& context, const ObjectPath& path,
                                                     const AssociatorFilter& filter,
                                                     const PropertyList& properties) = 0;
    virtual Reply<std::vector<ObjectPath>> associatorNames(const Context& context,
                                                           const ObjectPath& path,
                                                           const AssociatorFilter& filter) = 0;
    virtual Reply<std::vector<Instance>> references(const Context& context, const ObjectPath& path,
                                                    const ReferenceFilter& filter,
                                                    const PropertyList& properties) = 0;
    virtual Reply<std::vector<ObjectPath>> referenceNames(const Context& context,
                                                          const ObjectPath& path,
                                                          const ReferenceFilter& filter) = 0;
    virtual Reply<MethodReply> invokeMethod(const Context& context, const ObjectPath& path,
                                            const std::string& method, const Arguments& in) = 0;
    virtual Reply<Value> getProperty(const Context& context, const ObjectPath& path,
                                     const std::string& name) = 0;
    virtual Status setProperty(const Context& context, const ObjectPath& path,
                               const std::string& name, const Value& value) = 0;
};

}  // namespace ovx::host
