// A Router that answers each operation on a class with a registered
// function. A class/operation pair without a function answers
// CMPI_RC_ERR_NOT_SUPPORTED naming both. Classes match by exact name
// (ignoring case), not by inheritance. Registering while other threads route
// is safe; a handler runs without any lock held, so it may register more.
#pragma once

#include "ovx/host/router.h"

#include <functional>
#include <shared_mutex>
#include <string>
#include <string_view>
#include <unordered_map>

namespace ovx::host {

class CallbackRouter : public Router {
  public:
    using EnumerateNamesHandler =
        std::function<Reply<std::vector<ObjectPath>>(const Context&, const ObjectPath&)>;
    using EnumerateHandler = std::function<Reply<std::vector<Instance>>(
        const Context&, const ObjectPath&, const PropertyList&)>;
    using GetInstanceHandler =
        std::function<Reply<Instance>(const Context&, const ObjectPath&, const PropertyList&)>;
    using CreateInstanceHandler =
        std::function<Reply<ObjectPath>(const Context&, const ObjectPath&, const Instance&)>;
    using ModifyInstanceHandler = std::function<Status(const Context&, const ObjectPath&,
                                                       const Instance&, const PropertyList&)>;
    using DeleteInstanceHandler = std::function<Status(const Context&, const ObjectPath&)>;
    using ExecQueryHandler = std::function<Reply<std::vector<Instance>>(
        const Context&, const ObjectPath&, const std::string&, const std::string&)>;
    using AssociatorsHandler = std::function<Reply<std::vector<Instance>>(
        const Context&, const ObjectPath&, const AssociatorFilter&, const PropertyList&)>;
    using AssociatorNamesHandler = std::function<Reply<std::vector<ObjectPath>>(
        const Context&, const ObjectPath&, const AssociatorFilter&)>;
    using ReferencesHandler = std::function<Reply<std::vector<Instance>>(
        const Context&, const ObjectPath&, const ReferenceFilter&, const PropertyList&)>;
    using ReferenceNamesHandler = std::function<Reply<std::vector<ObjectPath>>(
        const Context&, const ObjectPath&, const ReferenceFilter&)>;
    using InvokeMethodHandler = std::function<Reply<MethodReply>(
        const Context&, const ObjectPath&, const std::string&, const Arguments&)>;
    using GetPropertyHandler =
        std::function<Reply<Value>(const Context&, const ObjectPath&, const std::string&)>;
    using SetPropertyHandler =
        std::function<Status(const Context&, const ObjectPath&, const std::string&, const Value&)>;

    // Each replaces an earlier handler of the same class and operation.
    void onEnumerateInstanceNames(std::string_view className, EnumerateNamesHandler handler);
    void onEnumerateInstances(std::string_view className, EnumerateHandler handler);
    void onGetInstance(std::string_view className, GetInstanceHandler handler);
    void onCreateInstance(std::string_view className, CreateInstanceHandler handler);
    void onModifyInstance(std::string_view className, ModifyInstanceHandler handler);
    void onDeleteInstance(std::string_view className, DeleteInstanceHandler handler);
    void onExecQuery(std::string_view className, ExecQueryHandler handler);
    void onAssociators(std::string_view className, AssociatorsHandler handler);
    void onAssociatorNames(std::string_view className, AssociatorNamesHandler handler);
    void onReferences(std::string_view className, ReferencesHandler handler);
    void onReferenceNames(std::string_view className, ReferenceNamesHandler handler);
    void onInvokeMethod(std::string_view className, InvokeMethodHandler handler);
    void onGetProperty(std::string_view className, GetPropertyHandler handler);
    void onSetProperty(std::string_view className, SetPropertyHandler handler);

    Reply<std::vector<ObjectPath>> enumerateInstanceNames(const Context& context,
                                                          const ObjectPath& classPath) override;
    Reply<std::vector<Instance>> enumerateInstances(const Context& context,
                                                    const ObjectPath& classPath,
                                                    const PropertyList& properties) override;
    Reply<Instance> getInstance(const Context& context, const ObjectPath& path,
                                const PropertyList& properties) override;
    Reply<ObjectPath> createInstance(const Context& context, const ObjectPath& path,
                                     const Instance& instance) override;
    Status modifyInstance(const Context& context, const ObjectPath& path, const Instance& instance,
                          const PropertyList& properties) override;
    Status deleteInstance(const Context& context, const ObjectPath& path) override;
    Reply<std::vector<Instance>> execQuery(const Context& context, const ObjectPath& classPath,
                                           const std::string& query,
                                           const std::string& language) override;
    Reply<std::vector<Instance>> associators(const Context& context, const ObjectPath& path,
                                             const AssociatorFilter& filter,
                                             const PropertyList& properties) override;
    Reply<std::vector<ObjectPath>> associatorNames(const Context& context, const ObjectPath& path,
                                                   const AssociatorFilter& filter) override;
    Reply<std::vector<Instance>> references(const Context& context, const ObjectPath& path,
                                            const ReferenceFilter& filter,
                                            const PropertyList& properties) override;
    Reply<std::vector<ObjectPath>> referenceNames(const Context& context, const ObjectPath& path,
                                                  const ReferenceFilter& filter) override;
    Reply<MethodReply> invokeMethod(const Context& context, const ObjectPath& path,
                                    const std::string& method, const Arguments& in) override;
    Reply<Value> getProperty(const Context& context, const ObjectPath& path,
                             const std::string& name) override;
    Status setProperty(const Context& context, const ObjectPath& path, const std::string& name,
                       const Value& value) override;

  private:
    template <typename Handler>
    using HandlerMap = std::unordered_map<std::string, Handler>;

    template <typename Handler>
    void install(HandlerMap<Handler>& map, std::string_view className, Handler handler);
    template <typename Handler>
    Handler lookup(const HandlerMap<Handler>& map, const std::string& className) const;

    mutable std::shared_mutex mutex_;
    HandlerMap<EnumerateNamesHandler> enumerateNames_;
    HandlerMap<EnumerateHandler> enumerate_;
    HandlerMap<GetInstanceHandler> getInstance_;
    HandlerMap<CreateInstanceHandler> createInstance_;
    HandlerMap<ModifyInstanceHandler> modifyInstance_;
    HandlerMap<DeleteInstanceHandler> deleteInstance_;
    HandlerMap<ExecQueryHandler> execQuery_;
    HandlerMap<AssociatorsHandler> associators_;
    HandlerMap<AssociatorNamesHandler> associatorNames_;
    HandlerMap<ReferencesHandler> references_;
    HandlerMap<ReferenceNamesHandler> referenceNames_;
    HandlerMap<InvokeMethodHandler> invokeMethod_;
    HandlerMap<GetPropertyHandler> getProperty_;
    HandlerMap<SetPropertyHandler> setProperty_;
};

}  // namespace ovx::host
