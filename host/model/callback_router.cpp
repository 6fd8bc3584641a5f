#include "ovx/host/callback_router.h"

#include "ovx/host/names.h"

#include <mutex>

namespace ovx::host {

namespace {

template <typename ReplyType>
ReplyType unhandled(const char* operation, const ObjectPath& path) {
    return ReplyType::failure(
        CMPI_RC_ERR_NOT_SUPPORTED,
        std::string("no handler for ") + operation + " on class " + path.className());
}

Status unhandledStatus(const char* operation, const ObjectPath& path) {
    return Status::failure(CMPI_RC_ERR_NOT_SUPPORTED, std::string("no handler for ") + operation +
                                                          " on class " + path.className());
}

}  // namespace

template <typename Handler>
void CallbackRouter::install(HandlerMap<Handler>& map, std::string_view className,
                             Handler handler) {
    std::unique_lock lock(mutex_);
    map[foldName(className)] = std::move(handler);
}

template <typename Handler>
Handler CallbackRouter::lookup(const HandlerMap<Handler>& map, const std::string& className) const {
    std::shared_lock lock(mutex_);
    const auto it = map.find(foldName(className));
    return it == map.end() ? Handler{} : it->second;
}

void CallbackRouter::onEnumerateInstanceNames(std::string_view className,
                                              EnumerateNamesHandler handler) {
    install(enumerateNames_, className, std::move(handler));
}
void CallbackRouter::onEnumerateInstances(std::string_view className, EnumerateHandler handler) {
    install(enumerate_, className, std::move(handler));
}
void CallbackRouter::onGetInstance(std::string_view className, GetInstanceHandler handler) {
    install(getInstance_, className, std::move(handler));
}
void CallbackRouter::onCreateInstance(std::string_view className, CreateInstanceHandler handler) {
    install(createInstance_, className, std::move(handler));
}
void CallbackRouter::onModifyInstance(std::string_view className, ModifyInstanceHandler handler) {
    install(modifyInstance_, className, std::move(handler));
}
void CallbackRouter::onDeleteInstance(std::string_view className, DeleteInstanceHandler handler) {
    install(deleteInstance_, className, std::move(handler));
}
void CallbackRouter::onExecQuery(std::string_view className, ExecQueryHandler handler) {
    install(execQuery_, className, std::move(handler));
}
void CallbackRouter::onAssociators(std::string_view className, AssociatorsHandler handler) {
    install(associators_, className, std::move(handler));
}
void CallbackRouter::onAssociatorNames(std::string_view className, AssociatorNamesHandler handler) {
    install(associatorNames_, className, std::move(handler));
}
void CallbackRouter::onReferences(std::string_view className, ReferencesHandler handler) {
    install(references_, className, std::move(handler));
}
void CallbackRouter::onReferenceNames(std::string_view className, ReferenceNamesHandler handler) {
    install(referenceNames_, className, std::move(handler));
}
void CallbackRouter::onInvokeMethod(std::string_view className, InvokeMethodHandler handler) {
    install(invokeMethod_, className, std::move(handler));
}
void CallbackRouter::onGetProperty(std::string_view className, GetPropertyHandler handler) {
    install(getProperty_, className, std::move(handler));
}
void CallbackRouter::onSetProperty(std::string_view className, SetPropertyHandler handler) {
    install(setProperty_, className, std::move(handler));
}

Reply<std::vector<ObjectPath>> CallbackRouter::enumerateInstanceNames(const Context& context,
                                                                      const ObjectPath& classPath) {
    const auto handler = lookup(enumerateNames_, classPath.className());
    return handler ? handler(context, classPath)
                   : unhandled<Reply<std::vector<ObjectPath>>>("enumerateInstanceNames", classPath);
}

Reply<std::vector<Instance>> CallbackRouter::enumerateInstances(const Context& context,
                                                                const ObjectPath& classPath,
                                                                const PropertyList& properties) {
    const auto handler = lookup(enumerate_, classPath.className());
    return handler ? handler(context, classPath, properties)
                   : unhandled<Reply<std::vector<Instance>>>("enumerateInstances", classPath);
}

Reply<Instance> CallbackRouter::getInstance(const Context& context, const ObjectPath& path,
                                            const PropertyList& properties) {
    const auto handler = lookup(getInstance_, path.className());
    return handler ? handler(context, path, properties)
                   : unhandled<Reply<Instance>>("getInstance", path);
}

Reply<ObjectPath> CallbackRouter::createInstance(const Context& context, const ObjectPath& path,
                                                 const Instance& instance) {
    const auto handler = lookup(createInstance_, path.className());
    return handler ? handler(context, path, instance)
                   : unhandled<Reply<ObjectPath>>("createInstance", path);
}

Status CallbackRouter::modifyInstance(const Context& context, const ObjectPath& path,
                                      const Instance& instance, const PropertyList& properties) {
    const auto handler = lookup(modifyInstance_, path.className());
    return handler ? handler(context, path, instance, properties)
                   : unhandledStatus("modifyInstance", path);
}

Status CallbackRouter::deleteInstance(const Context& context, const ObjectPath& path) {
    const auto handler = lookup(deleteInstance_, path.className());
    return handler ? handler(context, path) : unhandledStatus("deleteInstance", path);
}

Reply<std::vector<Instance>> CallbackRouter::execQuery(const Context& context,
                                                       const ObjectPath& classPath,
                                                       const std::string& query,
                                                       const std::string& language) {
    const auto handler = lookup(execQuery_, classPath.className());
    return handler ? handler(context, classPath, query, language)
                   : unhandled<Reply<std::vector<Instance>>>("execQuery", classPath);
}

Reply<std::vector<Instance>> CallbackRouter::associators(const Context& context,
                                                         const ObjectPath& path,
                                                         const AssociatorFilter& filter,
                                                         const PropertyList& properties) {
    const auto handler = lookup(associators_, path.className());
    return handler ? handler(context, path, filter, properties)
                   : unhandled<Reply<std::vector<Instance>>>("associators", path);
}

Reply<std::vector<ObjectPath>> CallbackRouter::associatorNames(const Context& context,
                                                               const ObjectPath& path,
                                                               const AssociatorFilter& filter) {
    const auto handler = lookup(associatorNames_, path.className());
    return handler ? handler(context, path, filter)
                   : unhandled<Reply<std::vector<ObjectPath>>>("associatorNames", path);
}

Reply<std::vector<Instance>> CallbackRouter::references(const Context& context,
                                                        const ObjectPath& path,
                                                        const ReferenceFilter& filter,
                                                        const PropertyList& properties) {
    const auto handler = lookup(references_, path.className());
    return handler ? handler(context, path, filter, properties)
                   : unhandled<Reply<std::vector<Instance>>>("references", path);
}

Reply<std::vector<ObjectPath>> CallbackRouter::referenceNames(const Context& context,
                                                              const ObjectPath& path,
                                                              const ReferenceFilter& filter) {
    const auto handler = lookup(referenceNames_, path.className());
    return handler ? handler(context, path, filter)
                   : unhandled<Reply<std::vector<ObjectPath>>>("referenceNames", path);
}

Reply<MethodReply> CallbackRouter::invokeMethod(const Context& context, const ObjectPath& path,
                                                const std::string& method, const Arguments& in) {
    const auto handler = lookup(invokeMethod_, path.className());
    return handler ? handler(context, path, method, in)
                   : unhandled<Reply<MethodReply>>("invokeMethod", path);
}

Reply<Value> CallbackRouter::getProperty(const Context& context, const ObjectPath& path,
                                         const std::string& name) {
    const auto handler = lookup(getProperty_, path.className());
    return handler ? handler(context, path, name) : unhandled<Reply<Value>>("getProperty", path);
}

Status CallbackRouter::setProperty(const Context& context, const ObjectPath& path,
                                   const std::string& name, const Value& value) {
    const auto handler = lookup(setProperty_, path.className());
    return handler ? handler(context, path, name, value) : unhandledStatus("setProperty", path);
}

}  // namespace ovx::host
