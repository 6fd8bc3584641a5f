// The broker's up-calls. Each converts the provider's arguments to host
// values, runs the router in a scope of its own (so whatever the callee
// makes dies with the call), and hands the answer back as objects owned by
// the caller's scope.
#include "cmpi/broker_tables.h"
#include "cmpi/context_handle.h"
#include "cmpi/enumeration_handle.h"
#include "cmpi/instance_handle.h"
#include "cmpi/object_path_handle.h"
#include "cmpi/args_handle.h"
#include "cmpi/property_list.h"
#include "cmpi/scope_stack.h"
#include "cmpi/slot_support.h"
#include "ovx/host/operation_scope.h"

namespace ovx::host::detail {

namespace {

struct Upcall {
    Broker& broker;
    std::shared_ptr<Router> router;
    Context context;
    ObjectPath path;
    Arena& caller;
};

Upcall beginUpcall(const CMPIBroker* mb, const CMPIContext* ctx, const CMPIObjectPath* op) {
    Broker& broker = requireBroker(mb);
    std::shared_ptr<Router> router = broker.router();
    if (router == nullptr) {
        throw CimError(CMPI_RC_ERR_NOT_SUPPORTED, "the host routes no up-calls");
    }
    Context context = requireHandle<ContextHandle>(ctx, "CMPIContext").context;
    ObjectPath path = requireHandle<ObjectPathHandle>(op, "CMPIObjectPath").path;
    return Upcall{broker, std::move(router), std::move(context), std::move(path), currentArena()};
}

template <typename Call>
auto inCalleeScope(const Upcall& upcall, Call&& call) {
    OperationScope callee(upcall.broker);
    return call(*upcall.router);
}

void throwIfFailed(const Status& status) {
    if (!status.ok()) {
        throw CimError(status.rc, status.message);
    }
}

template <typename Item, typename Wrap>
CMPIEnumeration* enumerationOf(const Upcall& upcall, CMPIType type, const std::vector<Item>& items,
                               Wrap wrap) {
    std::vector<Value> values;
    values.reserve(items.size());
    for (const Item& item : items) {
        values.push_back(wrap(item));
    }
    return newEnumeration(upcall.caller, type, std::move(values), upcall.broker.registry());
}

CMPIEnumeration* pathEnumeration(const Upcall& upcall, const std::vector<ObjectPath>& paths) {
    return enumerationOf(upcall, CMPI_ref, paths,
                         [](const ObjectPath& p) { return Value::reference(p); });
}

CMPIEnumeration* instanceEnumeration(const Upcall& upcall, const std::vector<Instance>& instances) {
    return enumerationOf(upcall, CMPI_instance, instances,
                         [](const Instance& i) { return Value::instance(i); });
}

CMPIContext* prepareAttachThread(const CMPIBroker* mb, const CMPIContext* ctx) {
    try {
        requireBroker(mb);
        ContextHandle& prepared = make<ContextHandle>(
            callerArena(), requireHandle<ContextHandle>(ctx, "CMPIContext").context);
        prepared.preparedForThread = true;
        return &prepared;
    } catch (...) {
        return nullptr;
    }
}

CMPIStatus attachThread(const CMPIBroker* mb, const CMPIContext* ctx) {
    return guardStatus([&] {
        Broker& broker = requireBroker(mb);
        requireHandle<ContextHandle>(ctx, "CMPIContext");
        openOwnedScope(ScopeKind::Attached, &broker);
    });
}

CMPIStatus detachThread(const CMPIBroker* mb, const CMPIContext* ctx) {
    return guardStatus([&] {
        requireBroker(mb);
        ContextHandle& context = requireHandle<ContextHandle>(ctx, "CMPIContext");
        if (!closeOwnedScope(innermostOwnedScope(ScopeKind::Attached), ScopeKind::Attached)) {
            throw CimError(CMPI_RC_ERR_FAILED, "the thread is not attached");
        }
        if (context.preparedForThread) {
            release(context);
        }
    });
}

CMPIStatus deliverIndication(const CMPIBroker* mb, const CMPIContext*, const char*,
                             const CMPIInstance*) {
    return guardStatus([&] {
        requireBroker(mb);
        throw CimError(CMPI_RC_ERR_NOT_SUPPORTED, "the host delivers no indications");
    });
}

CMPIEnumeration* enumerateInstanceNames(const CMPIBroker* mb, const CMPIContext* ctx,
                                        const CMPIObjectPath* op, CMPIStatus* rc) {
    return guardValue<CMPIEnumeration*>(rc, nullptr, [&] {
        const Upcall upcall = beginUpcall(mb, ctx, op);
        auto reply = inCalleeScope(upcall, [&](Router& router) {
            return router.enumerateInstanceNames(upcall.context, upcall.path);
        });
        throwIfFailed(reply.status);
        return pathEnumeration(upcall, reply.value);
    });
}

CMPIInstance* getInstance(const CMPIBroker* mb, const CMPIContext* ctx, const CMPIObjectPath* op,
                          const char** properties, CMPIStatus* rc) {
    return guardValue<CMPIInstance*>(rc, nullptr, [&] {
        const Upcall upcall = beginUpcall(mb, ctx, op);
        const PropertyList list = propertyListFrom(properties);
        auto reply = inCalleeScope(upcall, [&](Router& router) {
            return router.getInstance(upcall.context, upcall.path, list);
        });
        throwIfFailed(reply.status);
        return &make<InstanceHandle>(upcall.caller, std::move(reply.value),
                                     upcall.broker.registry());
    });
}

CMPIObjectPath* createInstance(const CMPIBroker* mb, const CMPIContext* ctx,
                               const CMPIObjectPath* op, const CMPIInstance* inst, CMPIStatus* rc) {
    return guardValue<CMPIObjectPath*>(rc, nullptr, [&] {
        const Upcall upcall = beginUpcall(mb, ctx, op);
        const Instance instance = requireHandle<InstanceHandle>(inst, "CMPIInstance").instance;
        auto reply = inCalleeScope(upcall, [&](Router& router) {
            return router.createInstance(upcall.context, upcall.path, instance);
        });
        throwIfFailed(reply.status);
        return &make<ObjectPathHandle>(upcall.caller, std::move(reply.value),
                                       upcall.broker.registry());
    });
}

CMPIStatus modifyInstance(const CMPIBroker* mb, const CMPIContext* ctx, const CMPIObjectPath* op,
                          const CMPIInstance* inst, const char** properties) {
    return guardStatus([&] {
        const Upcall upcall = beginUpcall(mb, ctx, op);
        const Instance instance = requireHandle<InstanceHandle>(inst, "CMPIInstance").instance;
        const PropertyList list = propertyListFrom(properties);
        throwIfFailed(inCalleeScope(upcall, [&](Router& router) {
            return router.modifyInstance(upcall.context, upcall.path, instance, list);
        }));
    });
}

CMPIStatus deleteInstance(const CMPIBroker* mb, const CMPIContext* ctx, const CMPIObjectPath* op) {
    return guardStatus([&] {
        const Upcall upcall = beginUpcall(mb, ctx, op);
        throwIfFailed(inCalleeScope(upcall, [&](Router& router) {
            return router.deleteInstance(upcall.context, upcall.path);
        }));
    });
}

CMPIEnumeration* execQuery(const CMPIBroker* mb, const CMPIContext* ctx, const CMPIObjectPath* op,
                           const char* query, const char* lang, CMPIStatus* rc) {
    return guardValue<CMPIEnumeration*>(rc, nullptr, [&] {
        const Upcall upcall = beginUpcall(mb, ctx, op);
        const std::string queryText = requireText(query, "query");
        const std::string language = requireText(lang, "query language");
        auto reply = inCalleeScope(upcall, [&](Router& router) {
            return router.execQuery(upcall.context, upcall.path, queryText, language);
        });
        throwIfFailed(reply.status);
        return instanceEnumeration(upcall, reply.value);
    });
}

CMPIEnumeration* enumerateInstances(const CMPIBroker* mb, const CMPIContext* ctx,
                                    const CMPIObjectPath* op, const char** properties,
                                    CMPIStatus* rc) {
    return guardValue<CMPIEnumeration*>(rc, nullptr, [&] {
        const Upcall upcall = beginUpcall(mb, ctx, op);
        const PropertyList list = propertyListFrom(properties);
        auto reply = inCalleeScope(upcall, [&](Router& router) {
            return router.enumerateInstances(upcall.context, upcall.path, list);
        });
        throwIfFailed(reply.status);
        return instanceEnumeration(upcall, reply.value);
    });
}

AssociatorFilter associatorFilter(const char* assocClass, const char* resultClass, const char* role,
                                  const char* resultRole) {
    return AssociatorFilter{optionalText(assocClass), optionalText(resultClass), optionalText(role),
                            optionalText(resultRole)};
}

CMPIEnumeration* associators(const CMPIBroker* mb, const CMPIContext* ctx, const CMPIObjectPath* op,
                             const char* assocClass, const char* resultClass, const char* role,
                             const char* resultRole, const char** properties, CMPIStatus* rc) {
    return guardValue<CMPIEnumeration*>(rc, nullptr, [&] {
        const Upcall upcall = beginUpcall(mb, ctx, op);
        const AssociatorFilter filter = associatorFilter(assocClass, resultClass, role, resultRole);
        const PropertyList list = propertyListFrom(properties);
        auto reply = inCalleeScope(upcall, [&](Router& router) {
            return router.associators(upcall.context, upcall.path, filter, list);
        });
        throwIfFailed(reply.status);
        return instanceEnumeration(upcall, reply.value);
    });
}

CMPIEnumeration* associatorNames(const CMPIBroker* mb, const CMPIContext* ctx,
                                 const CMPIObjectPath* op, const char* assocClass,
                                 const char* resultClass, const char* role, const char* resultRole,
                                 CMPIStatus* rc) {
    return guardValue<CMPIEnumeration*>(rc, nullptr, [&] {
        const Upcall upcall = beginUpcall(mb, ctx, op);
        const AssociatorFilter filter = associatorFilter(assocClass, resultClass, role, resultRole);
        auto reply = inCalleeScope(upcall, [&](Router& router) {
            return router.associatorNames(upcall.context, upcall.path, filter);
        });
        throwIfFailed(reply.status);
        return pathEnumeration(upcall, reply.value);
    });
}

CMPIEnumeration* references(const CMPIBroker* mb, const CMPIContext* ctx, const CMPIObjectPath* op,
                            const char* resultClass, const char* role, const char** properties,
                            CMPIStatus* rc) {
    return guardValue<CMPIEnumeration*>(rc, nullptr, [&] {
        const Upcall upcall = beginUpcall(mb, ctx, op);
        const ReferenceFilter filter{optionalText(resultClass), optionalText(role)};
        const PropertyList list = propertyListFrom(properties);
        auto reply = inCalleeScope(upcall, [&](Router& router) {
            return router.references(upcall.context, upcall.path, filter, list);
        });
        throwIfFailed(reply.status);
        return instanceEnumeration(upcall, reply.value);
    });
}

CMPIEnumeration* referenceNames(const CMPIBroker* mb, const CMPIContext* ctx,
                                const CMPIObjectPath* op, const char* resultClass, const char* role,
                                CMPIStatus* rc) {
    return guardValue<CMPIEnumeration*>(rc, nullptr, [&] {
        const Upcall upcall = beginUpcall(mb, ctx, op);
        const ReferenceFilter filter{optionalText(resultClass), optionalText(role)};
        auto reply = inCalleeScope(upcall, [&](Router& router) {
            return router.referenceNames(upcall.context, upcall.path, filter);
        });
        throwIfFailed(reply.status);
        return pathEnumeration(upcall, reply.value);
    });
}

CMPIData invokeMethod(const CMPIBroker* mb, const CMPIContext* ctx, const CMPIObjectPath* op,
                      const char* method, const CMPIArgs* in, CMPIArgs* out, CMPIStatus* rc) {
    return guardData(rc, [&] {
        const Upcall upcall = beginUpcall(mb, ctx, op);
        const std::string methodName = requireText(method, "method name");
        const Arguments inArguments =
            in == nullptr ? Arguments{} : requireHandle<ArgsHandle>(in, "CMPIArgs").arguments;
        ArgsHandle* outArguments =
            out == nullptr ? nullptr : &requireHandle<ArgsHandle>(out, "CMPIArgs");
        auto reply = inCalleeScope(upcall, [&](Router& router) {
            return router.invokeMethod(upcall.context, upcall.path, methodName, inArguments);
        });
        throwIfFailed(reply.status);
        if (outArguments != nullptr) {
            for (const auto& [name, value] : reply.value.out) {
                outArguments->arguments.set(name, value);
            }
        }
        return dataFrom(reply.value.returnValue, upcall.caller, upcall.broker.registry());
    });
}

CMPIStatus setProperty(const CMPIBroker* mb, const CMPIContext* ctx, const CMPIObjectPath* op,
                       const char* name, const CMPIValue* value, CMPIType type) {
    return guardStatus([&] {
        const Upcall upcall = beginUpcall(mb, ctx, op);
        const std::string propertyName = requireText(name, "property name");
        const Value propertyValue = valueFrom(value, type);
        throwIfFailed(inCalleeScope(upcall, [&](Router& router) {
            return router.setProperty(upcall.context, upcall.path, propertyName, propertyValue);
        }));
    });
}

CMPIData getProperty(const CMPIBroker* mb, const CMPIContext* ctx, const CMPIObjectPath* op,
                     const char* name, CMPIStatus* rc) {
    return guardData(rc, [&] {
        const Upcall upcall = beginUpcall(mb, ctx, op);
        const std::string propertyName = requireText(name, "property name");
        auto reply = inCalleeScope(upcall, [&](Router& router) {
            return router.getProperty(upcall.context, upcall.path, propertyName);
        });
        throwIfFailed(reply.status);
        return dataFrom(reply.value, upcall.caller, upcall.broker.registry());
    });
}

constexpr unsigned kCapabilities =
    CMPI_MB_BasicRead | CMPI_MB_BasicWrite | CMPI_MB_InstanceManipulation |
    CMPI_MB_AssociationTraversal | CMPI_MB_OSEncapsulationSupport |
    CMPI_MB_Supports_MemEnhancements | CMPI_MB_Supports_Extended_Error;

}  // namespace

CMPIBrokerFT brokerServicesTable = {
    kCapabilities, CMPICurrentVersion, Broker::kName,     prepareAttachThread,
    attachThread,  detachThread,       deliverIndication, enumerateInstanceNames,
    getInstance,   createInstance,     modifyInstance,    deleteInstance,
    execQuery,     enumerateInstances, associators,       associatorNames,
    references,    referenceNames,     invokeMethod,      setProperty,
    getProperty};

Broker& requireBroker(const CMPIBroker* broker) {
    Broker* found = Broker::fromCmpi(broker);
    if (found == nullptr) {
        throw CimError(CMPI_RC_ERR_INVALID_HANDLE,
                       broker == nullptr ? "null CMPIBroker" : "the CMPIBroker is not this host's");
    }
    return *found;
}

}  // namespace ovx::host::detail
