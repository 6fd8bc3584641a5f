#include "ovx/host/cim_server.h"

#include "class_facts.h"
#include "provider_call.h"

#include "ovx/host/cim_error.h"
#include "ovx/host/conversions.h"
#include "ovx/host/mof/mof_reader.h"
#include "ovx/host/names.h"

#include <algorithm>
#include <exception>
#include <functional>
#include <system_error>
#include <utility>

namespace ovx::host {

namespace fs = std::filesystem;
using server::callProvider;
using server::ClassFacts;
using server::CmpiPropertyList;
using server::ProviderAnswer;

struct CimServer::Binding {
    std::string className;
    std::string provider;
    std::string location;
    bool servesInstances = false;
    bool servesAssociations = false;
    bool servesMethods = false;
    CMPIInstanceMI* instanceMi = nullptr;
    CMPIAssociationMI* associationMi = nullptr;
    CMPIMethodMI* methodMi = nullptr;
    std::string instanceError;
    std::string associationError;
    std::string methodError;

    std::string describe(const char* slot) const {
        return provider + " (lib" + location + ".so) " + slot + " for " + className;
    }
};

namespace {

template <typename T, typename Body>
Reply<T> guardReply(Body&& body) {
    try {
        return Reply<T>::success(body());
    } catch (const CimError& error) {
        return Reply<T>::failure(error.rc(), error.what());
    } catch (const std::exception& error) {
        return Reply<T>::failure(CMPI_RC_ERR_FAILED, error.what());
    }
}

template <typename Body>
Status guardStatus(Body&& body) {
    try {
        body();
        return Status::success();
    } catch (const CimError& error) {
        return Status::failure(error.rc(), error.what());
    } catch (const std::exception& error) {
        return Status::failure(CMPI_RC_ERR_FAILED, error.what());
    }
}

void throwIfFailed(const Status& status) {
    if (!status.ok()) {
        throw CimError(status.rc, status.message);
    }
}

std::string withoutOuterSlashes(std::string_view name) {
    while (!name.empty() && name.front() == '/') {
        name.remove_prefix(1);
    }
    while (!name.empty() && name.back() == '/') {
        name.remove_suffix(1);
    }
    return std::string(name);
}

// The provider's context: the caller's entries, in the operation's namespace.
Context providerContext(const Context& caller, const std::string& nameSpace) {
    Context context = caller;
    NamedValues& entries = context.entries();
    entries.set(CMPIInitNameSpace, Value::string(nameSpace));
    if (entries.find(CMPIInvocationFlags) == nullptr) {
        entries.set(CMPIInvocationFlags, Value::uint32(0));
    }
    if (entries.find(CMPIPrincipal) == nullptr) {
        entries.set(CMPIPrincipal, Value::string({}));
    }
    return context;
}

void fillNamespace(ObjectPath& path, const std::string& nameSpace) {
    if (path.nameSpace().empty()) {
        path.setNameSpace(nameSpace);
    }
}

void fillNamespace(Instance& instance, const std::string& nameSpace) {
    if (instance.path().nameSpace().empty()) {
        ObjectPath path = instance.path();
        path.setNameSpace(nameSpace);
        instance.setPath(std::move(path));
    }
}

// A client may leave the instance's class out; one it names must be the path's.
void requireInstanceOf(const Instance& instance, const std::string& className) {
    if (!instance.className().empty() && !namesEqual(instance.className(), className)) {
        throw CimError(CMPI_RC_ERR_INVALID_PARAMETER, "the instance of " + instance.className() +
                                                          " does not belong to the path of " +
                                                          className);
    }
}

// One function of a provider's table; a table that leaves it empty does
// not support the operation.
template <typename Mi, typename Slot>
auto requireSlot(const Mi* mi, Slot slot, const std::string& who) {
    const auto function = mi->ft->*slot;
    if (function == nullptr) {
        throw CimError(CMPI_RC_ERR_NOT_SUPPORTED, who + ": the provider's table has no such slot");
    }
    return function;
}

// Moves what a provider answered into items, each in the operation's namespace.
template <typename Item>
void appendInNamespace(std::vector<Item>& items, std::vector<Item>& answered,
                       const std::string& nameSpace) {
    for (Item& item : answered) {
        fillNamespace(item, nameSpace);
        items.push_back(std::move(item));
    }
}

template <typename Item>
std::vector<Item>& answeredItems(ResultData& data);
template <>
std::vector<ObjectPath>& answeredItems<ObjectPath>(ResultData& data) {
    return data.objectPaths;
}
template <>
std::vector<Instance>& answeredItems<Instance>(ResultData& data) {
    return data.instances;
}

const char* nullable(const std::optional<std::string>& text) {
    return text.has_value() ? text->c_str() : nullptr;
}

}  // namespace

namespace {

// Resolves what every operation needs before a provider is asked: the
// namespace, the provider context and the class of the path.
class OperationTarget {
  public:
    OperationTarget(const std::string& serverNamespace, const ClassRegistry& classes,
                    const Context& caller, const ObjectPath& path)
        : nameSpace_(resolveNamespace(serverNamespace, caller, path)),
          context_(providerContext(caller, nameSpace_)),
          facts_(classes, path.className()),
          path_(path) {
        path_.setNameSpace(nameSpace_);
    }

    const std::string& nameSpace() const noexcept { return nameSpace_; }
    const Context& context() const noexcept { return context_; }
    const ClassFacts& facts() const noexcept { return facts_; }
    const ObjectPath& path() const noexcept { return path_; }

    // Unknown classes are CMPI_RC_ERR_INVALID_CLASS for operations on the
    // class itself and CMPI_RC_ERR_INVALID_PARAMETER where the class only
    // names a source object.
    void requireKnownClass(CMPIrc rc = CMPI_RC_ERR_INVALID_CLASS) const {
        if (path_.className().empty()) {
            throw CimError(CMPI_RC_ERR_INVALID_PARAMETER, "the object path names no class");
        }
        if (!facts_.known()) {
            throw CimError(rc, "no class " + path_.className() + " in namespace " + nameSpace_);
        }
    }

    // Keys are not checked against the class: sfcb hands a path with missing
    // or foreign keys to the provider, which answers it (CMPI_RC_ERR_NOT_FOUND,
    // typically). A path without any key names a class, not an instance.
    void requireInstancePath() const {
        if (path_.keys().empty()) {
            throw CimError(CMPI_RC_ERR_INVALID_PARAMETER,
                           "the path " + path_.toString() + " names no instance");
        }
    }

  private:
    static std::string resolveNamespace(const std::string& serverNamespace, const Context& caller,
                                        const ObjectPath& path) {
        const std::string asked = !path.nameSpace().empty() ? path.nameSpace() : caller.nameSpace();
        if (asked.empty() || namesEqual(withoutOuterSlashes(asked), serverNamespace)) {
            return serverNamespace;
        }
        throw CimError(CMPI_RC_ERR_INVALID_NAMESPACE,
                       "no namespace " + asked + " (the host serves " + serverNamespace + ")");
    }

    std::string nameSpace_;
    Context context_;
    ClassFacts facts_;
    ObjectPath path_;
};

}  // namespace

std::unique_ptr<CimServer> CimServer::open(const HostOptions& options) {
    if (options.mofFiles.empty()) {
        throw CimError(CMPI_RC_ERR_INVALID_PARAMETER, "no MOF file given");
    }
    std::vector<fs::path> files;
    for (const fs::path& given : options.mofFiles) {
        std::error_code error;
        if (fs::is_directory(given, error)) {
            std::vector<fs::path> inDirectory;
            for (fs::directory_iterator entry(given, error), end; !error && entry != end;
                 entry.increment(error)) {
                if (entry->is_regular_file(error) && entry->path().extension() == ".mof") {
                    inDirectory.push_back(entry->path());
                }
            }
            if (error) {
                throw CimError(
                    CMPI_RC_ERR_INVALID_PARAMETER,
                    "cannot read the MOF directory " + given.string() + ": " + error.message());
            }
            std::sort(inDirectory.begin(), inDirectory.end());
            files.insert(files.end(), inDirectory.begin(), inDirectory.end());
        } else if (fs::is_regular_file(given, error)) {
            files.push_back(given);
        } else {
            throw CimError(CMPI_RC_ERR_INVALID_PARAMETER,
                           "MOF file " + given.string() + " does not exist");
        }
    }
    auto classes = std::make_shared<ClassRegistry>();
    mof::MofReadOptions readOptions;
    readOptions.defaultNamespace = options.nameSpace;
    readOptions.includePath = options.mofIncludePath;
    mof::loadMofIntoRegistry(files, *classes, readOptions);

    mof::ProviderRegistrations registrations;
    if (!options.registrationFile.empty()) {
        std::error_code error;
        if (!fs::is_regular_file(options.registrationFile, error)) {
            throw CimError(CMPI_RC_ERR_INVALID_PARAMETER, "provider registration file " +
                                                              options.registrationFile.string() +
                                                              " does not exist");
        }
        registrations = mof::parseProviderRegistrations(options.registrationFile);
    }
    return open(std::move(classes), registrations, options.providerSearchPath, options.nameSpace);
}

std::unique_ptr<CimServer> CimServer::open(std::shared_ptr<ClassRegistry> classes,
                                           const mof::ProviderRegistrations& registrations,
                                           std::vector<fs::path> providerSearchPath,
                                           std::string nameSpace) {
    if (classes == nullptr) {
        throw CimError(CMPI_RC_ERR_INVALID_PARAMETER, "no class registry given");
    }
    const std::string served = withoutOuterSlashes(nameSpace);
    if (served.empty()) {
        throw CimError(CMPI_RC_ERR_INVALID_PARAMETER, "no namespace given");
    }
    std::vector<mof::ProviderRegistration> here;
    for (const mof::ProviderRegistration& entry : registrations.entries()) {
        if (entry.servesNamespace(served)) {
            here.push_back(entry);
        }
    }
    const mof::ProviderRegistrations ours(std::move(here));
    mof::checkRegistrations(ours, *classes);

    std::unique_ptr<CimServer> server(
        new CimServer(std::move(classes), served, std::move(providerSearchPath)));
    server->bind(ours);
    // Up-calls reach the server only once every provider is in place; the
    // broker does not own the server, which outlives it.
    server->broker_->setRouter(std::shared_ptr<Router>(std::shared_ptr<Router>(), server.get()));
    return server;
}

CimServer::CimServer(std::shared_ptr<ClassRegistry> classes, std::string nameSpace,
                     std::vector<fs::path> providerSearchPath)
    : nameSpace_(std::move(nameSpace)),
      classes_(std::move(classes)),
      broker_(std::make_unique<Broker>(classes_)),
      loader_(
          std::make_unique<ProviderLoader>(*broker_, std::move(providerSearchPath), nameSpace_)) {}

CimServer::~CimServer() {
    broker_->setRouter(nullptr);
    loader_.reset();
}

void CimServer::bind(const mof::ProviderRegistrations& registrations) {
    for (const mof::ProviderRegistration& entry : registrations.entries()) {
        const std::string key = foldName(entry.className);
        if (bindings_.count(key) != 0) {
            continue;
        }
        auto binding = std::make_unique<Binding>();
        binding->className = classes_->find(entry.className)->name;
        binding->provider = entry.providerName;
        binding->location = entry.location;
        binding->servesInstances = entry.instance;
        binding->servesAssociations = entry.association;
        binding->servesMethods = entry.method;
        const auto attempt = [&](auto make, auto& mi, std::string& error, const char* what) {
            try {
                mi = make(
                    entry.location, entry.providerName,
                    std::string("registered for ") + what + " operations on " + binding->className);
            } catch (const CimError& failure) {
                error = failure.what();
                loadProblems_.push_back(error);
            }
        };
        if (entry.instance) {
            attempt([&](auto&&... args) { return loader_->instanceMI(args...); },
                    binding->instanceMi, binding->instanceError, "instance");
        }
        if (entry.association) {
            attempt([&](auto&&... args) { return loader_->associationMI(args...); },
                    binding->associationMi, binding->associationError, "association");
        }
        if (entry.method) {
            attempt([&](auto&&... args) { return loader_->methodMI(args...); }, binding->methodMi,
                    binding->methodError, "method");
        }
        bindings_.emplace(key, std::move(binding));
    }
}

const CimServer::Binding* CimServer::findBinding(std::string_view className) const {
    const auto found = bindings_.find(foldName(className));
    return found != bindings_.end() ? found->second.get() : nullptr;
}

Context CimServer::clientContext(const std::string& principal, CMPIFlags flags) const {
    return Context::forOperation(nameSpace_, flags, principal);
}

std::vector<std::string> CimServer::loadProblems() const {
    return loadProblems_;
}

std::vector<fs::path> CimServer::loadedLibraries() const {
    return loader_->loadedLibraries();
}

namespace {

CMPIInstanceMI* requireInstanceMi(const CimServer::Binding& binding) {
    if (binding.instanceMi == nullptr) {
        throw CimError(CMPI_RC_ERR_FAILED, binding.instanceError);
    }
    return binding.instanceMi;
}

CMPIAssociationMI* requireAssociationMi(const CimServer::Binding& binding) {
    if (binding.associationMi == nullptr) {
        throw CimError(CMPI_RC_ERR_FAILED, binding.associationError);
    }
    return binding.associationMi;
}

CMPIMethodMI* requireMethodMi(const CimServer::Binding& binding) {
    if (binding.methodMi == nullptr) {
        throw CimError(CMPI_RC_ERR_FAILED, binding.methodError);
    }
    return binding.methodMi;
}

// The class and its subclasses, the class first.
std::vector<std::string> classAndSubclasses(const ClassRegistry& classes, const ClassDecl& decl) {
    std::vector<std::string> names{decl.name};
    const std::vector<std::string> below = classes.subclasses(decl.name);
    names.insert(names.end(), below.begin(), below.end());
    return names;
}

bool isAssociationClass(const ClassRegistry& classes, std::string_view name) {
    const auto lineage = classes.lineage(name);
    return std::any_of(lineage.begin(), lineage.end(),
                       [](const auto& decl) { return decl->isAssociation(); });
}

bool isEmpty(const std::optional<std::string>& text) {
    return !text.has_value() || text->empty();
}

// Results of a known class outside the asked-for one cannot belong.
bool outsideResultClass(const ClassRegistry& classes, const std::string& className,
                        const std::optional<std::string>& resultClass) {
    return !isEmpty(resultClass) && classes.contains(className) &&
           !classes.isA(className, *resultClass);
}

}  // namespace

namespace {

using BindingLookup = std::function<const CimServer::Binding*(std::string_view)>;

// The providers an association request goes to, picked as sfcb picks them:
// each provider serving the association class or a class derived from it
// (every association provider when none is named), once. A class nobody can
// serve is not found; a class that is not an association has nothing to traverse.
std::vector<const CimServer::Binding*> associationTargets(
    const ClassRegistry& classes, const BindingLookup& findBinding,
    const std::optional<std::string>& associationClass) {
    std::vector<std::string> candidates;
    if (isEmpty(associationClass)) {
        for (const auto& decl : classes.all()) {
            candidates.push_back(decl->name);
        }
    } else {
        const auto decl = classes.find(*associationClass);
        if (decl == nullptr) {
            throw CimError(CMPI_RC_ERR_NOT_FOUND, "no provider serves the association class " +
                                                      *associationClass +
                                                      ", which is not a known class");
        }
        if (!isAssociationClass(classes, decl->name)) {
            return {};
        }
        candidates = classAndSubclasses(classes, *decl);
    }
    std::vector<const CimServer::Binding*> targets;
    for (const std::string& candidate : candidates) {
        const CimServer::Binding* binding = findBinding(candidate);
        const auto sameProvider = [binding](const CimServer::Binding* taken) {
            return taken->provider == binding->provider && taken->location == binding->location;
        };
        if (binding != nullptr && binding->servesAssociations &&
            std::none_of(targets.begin(), targets.end(), sameProvider)) {
            targets.push_back(binding);
        }
    }
    return targets;
}

// Runs one enumerating slot for the class and each subclass a provider
// serves, and gathers what comes back.
template <typename Item, typename Slot, typename... Args>
std::vector<Item> gatherEnumerated(const Broker& broker, const ClassRegistry& classes,
                                   const BindingLookup& findBinding, const OperationTarget& target,
                                   const char* slotName, Slot slot, Args... args) {
    std::vector<Item> items;
    for (const std::string& className : classAndSubclasses(classes, target.facts().decl())) {
        const CimServer::Binding* binding = findBinding(className);
        if (binding == nullptr || !binding->servesInstances) {
            continue;
        }
        CMPIInstanceMI* mi = requireInstanceMi(*binding);
        const ObjectPath asked(target.nameSpace(), className);
        const std::string who = binding->describe(slotName);
        ProviderAnswer answer = callProvider(
            broker, target.context(), who, [&](const CMPIContext* ctx, const CMPIResult* result) {
                return requireSlot(mi, slot, who)(mi, ctx, result, toCmpi(asked), args...);
            });
        throwIfFailed(answer.status);
        appendInNamespace(items, answeredItems<Item>(answer.data), target.nameSpace());
    }
    return items;
}

}  // namespace

Reply<std::vector<ObjectPath>> CimServer::enumerateInstanceNames(const Context& context,
                                                                 const ObjectPath& classPath) {
    return guardReply<std::vector<ObjectPath>>([&] {
        const OperationTarget target(nameSpace_, *classes_, context, classPath);
        target.requireKnownClass();
        return gatherEnumerated<ObjectPath>(
            *broker_, *classes_, [this](std::string_view name) { return findBinding(name); },
            target, "enumerateInstanceNames", &CMPIInstanceMIFT::enumerateInstanceNames);
    });
}

Reply<std::vector<Instance>> CimServer::enumerateInstances(const Context& context,
                                                           const ObjectPath& classPath,
                                                           const PropertyList& properties) {
    return guardReply<std::vector<Instance>>([&] {
        const OperationTarget target(nameSpace_, *classes_, context, classPath);
        target.requireKnownClass();
        CmpiPropertyList list(properties);
        return gatherEnumerated<Instance>(
            *broker_, *classes_, [this](std::string_view name) { return findBinding(name); },
            target, "enumerateInstances", &CMPIInstanceMIFT::enumerateInstances, list.get());
    });
}

namespace {

const CimServer::Binding& requireInstanceBinding(const CimServer::Binding* binding,
                                                 const std::string& className) {
    if (binding == nullptr || !binding->servesInstances) {
        throw CimError(CMPI_RC_ERR_NOT_SUPPORTED, "no provider serves instances of " + className);
    }
    return *binding;
}

// What a slot takes: host instances as CMPI objects of the current scope,
// property lists as they are.
const CMPIInstance* slotArgument(const Instance& instance) {
    return toCmpi(instance);
}
const char** slotArgument(const char** properties) {
    return properties;
}

// What the provider answered, and the provider and slot it came from.
struct InstanceAnswer {
    std::string who;
    ResultData data;
};

// Asks the provider serving instances of the target's class through one
// slot, the target's path first; a failure it reports fails the operation.
template <typename Slot, typename... Extra>
InstanceAnswer askInstanceProvider(const Broker& broker, const OperationTarget& target,
                                   const CimServer::Binding* found, const char* slotName, Slot slot,
                                   const Extra&... extra) {
    const std::string& className = target.facts().decl().name;
    const CimServer::Binding& binding = requireInstanceBinding(found, className);
    CMPIInstanceMI* mi = requireInstanceMi(binding);
    InstanceAnswer answer{binding.describe(slotName), {}};
    ProviderAnswer provided =
        callProvider(broker, target.context(), answer.who,
                     [&](const CMPIContext* ctx, const CMPIResult* result) {
                         return requireSlot(mi, slot, answer.who)(
                             mi, ctx, result, toCmpi(target.path()), slotArgument(extra)...);
                     });
    throwIfFailed(provided.status);
    answer.data = std::move(provided.data);
    return answer;
}

}  // namespace

Reply<Instance> CimServer::getInstance(const Context& context, const ObjectPath& path,
                                       const PropertyList& properties) {
    return guardReply<Instance>([&] {
        const OperationTarget target(nameSpace_, *classes_, context, path);
        target.requireKnownClass();
        CmpiPropertyList list(properties);
        InstanceAnswer answer =
            askInstanceProvider(*broker_, target, findBinding(target.facts().decl().name),
                                "getInstance", &CMPIInstanceMIFT::getInstance, list.get());
        if (answer.data.instances.empty()) {
            throw CimError(CMPI_RC_ERR_NOT_FOUND, "no instance " + target.path().toString());
        }
        Instance instance = std::move(answer.data.instances.front());
        fillNamespace(instance, target.nameSpace());
        return instance;
    });
}

Reply<ObjectPath> CimServer::createInstance(const Context& context, const ObjectPath& path,
                                            const Instance& instance) {
    return guardReply<ObjectPath>([&] {
        ObjectPath named = path;
        if (named.className().empty()) {
            named.setClassName(instance.className());
        }
        const OperationTarget target(nameSpace_, *classes_, context, named);
        target.requireKnownClass();
        const std::string& className = target.facts().decl().name;
        requireInstanceOf(instance, className);
        Instance created = instance;
        ObjectPath createdPath = created.path();
        createdPath.setNameSpace(target.nameSpace());
        createdPath.setClassName(className);
        created.setPath(std::move(createdPath));
        InstanceAnswer answer =
            askInstanceProvider(*broker_, target, findBinding(className), "createInstance",
                                &CMPIInstanceMIFT::createInstance, created);
        if (answer.data.objectPaths.empty()) {
            throw CimError(CMPI_RC_ERR_FAILED,
                           answer.who + " returned no path of the new instance");
        }
        ObjectPath result = std::move(answer.data.objectPaths.front());
        fillNamespace(result, target.nameSpace());
        return result;
    });
}

Status CimServer::modifyInstance(const Context& context, const ObjectPath& path,
                                 const Instance& instance, const PropertyList& properties) {
    return guardStatus([&] {
        const OperationTarget target(nameSpace_, *classes_, context, path);
        target.requireKnownClass();
        const std::string& className = target.facts().decl().name;
        requireInstanceOf(instance, className);
        Instance modified = instance;
        modified.setPath(target.path());
        CmpiPropertyList list(properties);
        askInstanceProvider(*broker_, target, findBinding(className), "modifyInstance",
                            &CMPIInstanceMIFT::modifyInstance, modified, list.get());
    });
}

Status CimServer::deleteInstance(const Context& context, const ObjectPath& path) {
    return guardStatus([&] {
        const OperationTarget target(nameSpace_, *classes_, context, path);
        target.requireKnownClass();
        askInstanceProvider(*broker_, target, findBinding(target.facts().decl().name),
                            "deleteInstance", &CMPIInstanceMIFT::deleteInstance);
    });
}

Reply<std::vector<Instance>> CimServer::execQuery(const Context& context,
                                                  const ObjectPath& classPath,
                                                  const std::string& query,
                                                  const std::string& language) {
    return guardReply<std::vector<Instance>>([&] {
        const OperationTarget target(nameSpace_, *classes_, context, classPath);
        target.requireKnownClass();
        const std::string& className = target.facts().decl().name;
        const Binding* binding = findBinding(className);
        if (binding == nullptr || !binding->servesInstances) {
            return std::vector<Instance>{};
        }
        CMPIInstanceMI* mi = requireInstanceMi(*binding);
        const ObjectPath asked(target.nameSpace(), className);
        const std::string who = binding->describe("execQuery");
        ProviderAnswer answer = callProvider(
            *broker_, target.context(), who, [&](const CMPIContext* ctx, const CMPIResult* result) {
                return requireSlot(mi, &CMPIInstanceMIFT::execQuery, who)(
                    mi, ctx, result, toCmpi(asked), query.c_str(), language.c_str());
            });
        throwIfFailed(answer.status);
        for (Instance& instance : answer.data.instances) {
            fillNamespace(instance, target.nameSpace());
        }
        return std::move(answer.data.instances);
    });
}

namespace {

// An association operation's source object, checked, and the association
// classes the operation goes to, each with the binding that serves it.
struct AssociationRequest {
    OperationTarget source;
    // Handed to each provider as the client named it, base classes included.
    std::optional<std::string> associationClass;
    std::vector<const CimServer::Binding*> targets;
};

// A result class nothing is an instance of, unknown ones included, selects nothing.
AssociationRequest associationRequest(OperationTarget source, const ClassRegistry& classes,
                                      const BindingLookup& findBinding,
                                      const std::optional<std::string>& associationClass) {
    source.requireKnownClass(CMPI_RC_ERR_INVALID_PARAMETER);
    source.requireInstancePath();
    auto targets = associationTargets(classes, findBinding, associationClass);
    return AssociationRequest{std::move(source), associationClass, std::move(targets)};
}

// Runs one association slot on every target and gathers what comes back.
template <typename Item, typename Slot, typename... Args>
std::vector<Item> gatherAssociated(const Broker& broker, const AssociationRequest& request,
                                   const char* slotName, Slot slot, Args... args) {
    const OperationTarget& source = request.source;
    std::vector<Item> items;
    for (const CimServer::Binding* binding : request.targets) {
        CMPIAssociationMI* mi = requireAssociationMi(*binding);
        const std::string who = binding->describe(slotName);
        ProviderAnswer answer = callProvider(
            broker, source.context(), who, [&](const CMPIContext* ctx, const CMPIResult* result) {
                const CMPIObjectPath* op = toCmpi(source.path());
                return requireSlot(mi, slot, who)(mi, ctx, result, op,
                                                  nullable(request.associationClass), args...);
            });
        throwIfFailed(answer.status);
        appendInNamespace(items, answeredItems<Item>(answer.data), source.nameSpace());
    }
    return items;
}

const std::string& classNameOf(const ObjectPath& path) {
    return path.className();
}
const std::string& classNameOf(const Instance& instance) {
    return instance.className();
}

template <typename Item>
std::vector<Item> withinResultClass(const ClassRegistry& classes, std::vector<Item> items,
                                    const std::optional<std::string>& resultClass) {
    items.erase(std::remove_if(items.begin(), items.end(),
                               [&](const Item& item) {
                                   return outsideResultClass(classes, classNameOf(item),
                                                             resultClass);
                               }),
                items.end());
    return items;
}

}  // namespace

Reply<std::vector<Instance>> CimServer::associators(const Context& context, const ObjectPath& path,
                                                    const AssociatorFilter& filter,
                                                    const PropertyList& properties) {
    return guardReply<std::vector<Instance>>([&] {
        const AssociationRequest request = associationRequest(
            OperationTarget(nameSpace_, *classes_, context, path), *classes_,
            [this](std::string_view name) { return findBinding(name); }, filter.assocClass);
        CmpiPropertyList list(properties);
        auto instances = gatherAssociated<Instance>(
            *broker_, request, "associators", &CMPIAssociationMIFT::associators,
            nullable(filter.resultClass), nullable(filter.role), nullable(filter.resultRole),
            list.get());
        return withinResultClass(*classes_, std::move(instances), filter.resultClass);
    });
}

Reply<std::vector<ObjectPath>> CimServer::associatorNames(const Context& context,
                                                          const ObjectPath& path,
                                                          const AssociatorFilter& filter) {
    return guardReply<std::vector<ObjectPath>>([&] {
        const AssociationRequest request = associationRequest(
            OperationTarget(nameSpace_, *classes_, context, path), *classes_,
            [this](std::string_view name) { return findBinding(name); }, filter.assocClass);
        auto paths = gatherAssociated<ObjectPath>(
            *broker_, request, "associatorNames", &CMPIAssociationMIFT::associatorNames,
            nullable(filter.resultClass), nullable(filter.role), nullable(filter.resultRole));
        return withinResultClass(*classes_, std::move(paths), filter.resultClass);
    });
}

// A reference operation's result class names the association class.
Reply<std::vector<Instance>> CimServer::references(const Context& context, const ObjectPath& path,
                                                   const ReferenceFilter& filter,
                                                   const PropertyList& properties) {
    return guardReply<std::vector<Instance>>([&] {
        const AssociationRequest request = associationRequest(
            OperationTarget(nameSpace_, *classes_, context, path), *classes_,
            [this](std::string_view name) { return findBinding(name); }, filter.resultClass);
        CmpiPropertyList list(properties);
        return gatherAssociated<Instance>(*broker_, request, "references",
                                          &CMPIAssociationMIFT::references, nullable(filter.role),
                                          list.get());
    });
}

Reply<std::vector<ObjectPath>> CimServer::referenceNames(const Context& context,
                                                         const ObjectPath& path,
                                                         const ReferenceFilter& filter) {
    return guardReply<std::vector<ObjectPath>>([&] {
        const AssociationRequest request = associationRequest(
            OperationTarget(nameSpace_, *classes_, context, path), *classes_,
            [this](std::string_view name) { return findBinding(name); }, filter.resultClass);
        return gatherAssociated<ObjectPath>(*broker_, request, "referenceNames",
                                            &CMPIAssociationMIFT::referenceNames,
                                            nullable(filter.role));
    });
}

namespace {

void checkMethodCall(const ClassFacts& facts, const std::string& method, const Arguments& in) {
    if (!facts.declaresProperties() && !facts.declaresMethods()) {
        return;
    }
    const std::optional<MethodDecl> decl = facts.findMethod(method);
    if (!decl.has_value()) {
        throw CimError(CMPI_RC_ERR_METHOD_NOT_FOUND,
                       facts.decl().name + " has no method " + method);
    }
    for (const auto& [name, value] : in) {
        if (decl->findParameter(name) == nullptr) {
            throw CimError(CMPI_RC_ERR_INVALID_PARAMETER, "the method " + decl->name + " of " +
                                                              facts.decl().name +
                                                              " has no parameter " + name);
        }
    }
}

}  // namespace

Reply<MethodReply> CimServer::invokeMethod(const Context& context, const ObjectPath& path,
                                           const std::string& method, const Arguments& in) {
    return guardReply<MethodReply>([&] {
        const OperationTarget target(nameSpace_, *classes_, context, path);
        target.requireKnownClass();
        if (method.empty()) {
            throw CimError(CMPI_RC_ERR_INVALID_PARAMETER, "no method name given");
        }
        checkMethodCall(target.facts(), method, in);
        const std::string& className = target.facts().decl().name;
        const Binding* binding = findBinding(className);
        if (binding == nullptr || !binding->servesMethods) {
            throw CimError(CMPI_RC_ERR_NOT_SUPPORTED, "no provider serves methods of " + className);
        }
        CMPIMethodMI* mi = requireMethodMi(*binding);
        const std::string who = binding->describe("invokeMethod");
        MethodReply reply;
        ProviderAnswer answer = callProvider(
            *broker_, target.context(), who, [&](const CMPIContext* ctx, const CMPIResult* result) {
                const auto invoke = requireSlot(mi, &CMPIMethodMIFT::invokeMethod, who);
                CMPIArgs* out = toCmpi(Arguments{});
                const CMPIStatus status =
                    invoke(mi, ctx, result, toCmpi(target.path()), method.c_str(), toCmpi(in), out);
                reply.out = fromCmpi(out);
                return status;
            });
        throwIfFailed(answer.status);
        if (answer.data.data.size() != 1) {
            throw CimError(CMPI_RC_ERR_FAILED,
                           who + " returned " + std::to_string(answer.data.data.size()) +
                               " values for " + method + " where one return value belongs");
        }
        reply.returnValue = answer.data.data.front();
        return reply;
    });
}

Reply<Value> CimServer::getProperty(const Context& context, const ObjectPath& path,
                                    const std::string& name) {
    return guardReply<Value>([&] {
        const OperationTarget target(nameSpace_, *classes_, context, path);
        target.requireKnownClass();
        const std::optional<PropertyDecl> decl = target.facts().findProperty(name);
        if (!decl.has_value() && target.facts().declaresProperties()) {
            throw CimError(CMPI_RC_ERR_NO_SUCH_PROPERTY,
                           target.facts().decl().name + " has no property " + name);
        }
        Reply<Instance> instance = getInstance(context, path, PropertyList{{name}});
        throwIfFailed(instance.status);
        if (const Value* value = instance.value.findProperty(name)) {
            return *value;
        }
        if (!decl.has_value()) {
            throw CimError(CMPI_RC_ERR_NO_SUCH_PROPERTY,
                           "the instance " + target.path().toString() + " has no property " + name);
        }
        return Value::null(decl->type);
    });
}

Status CimServer::setProperty(const Context& context, const ObjectPath& path,
                              const std::string& name, const Value& value) {
    return guardStatus([&] {
        const OperationTarget target(nameSpace_, *classes_, context, path);
        target.requireKnownClass();
        if (!target.facts().findProperty(name).has_value() && target.facts().declaresProperties()) {
            throw CimError(CMPI_RC_ERR_NO_SUCH_PROPERTY,
                           target.facts().decl().name + " has no property " + name);
        }
        Instance instance(target.path());
        instance.setProperty(name, value);
        throwIfFailed(modifyInstance(context, path, instance, PropertyList{{name}}));
    });
}

}  // namespace ovx::host
