// The embedded CIM server: the classes of one namespace, the providers
// registered for them, and the CIM operations routed to those providers the
// way a mainstream CIMOM routes them. Clients call the Router operations
// directly; providers reach the same operations through the broker's
// up-calls (CBEnumInstances, CBGetInstance, CBAssociators, ...).
//
// Routing:
// - Every path's namespace (or, when the path has none, the context's) must
//   be the server's namespace; an empty one means the server's.
// - EnumerateInstanceNames and EnumerateInstances ask the instance provider
//   of the class and of every subclass, each with its own class path, and
//   concatenate the answers. A known class nobody serves gives an empty
//   result; an unknown one CMPI_RC_ERR_INVALID_CLASS.
// - ExecQuery hands query and language unchanged to the instance provider
//   of the class named (empty when nobody serves it).
// - GetInstance, ModifyInstance, DeleteInstance and CreateInstance go to the
//   instance provider of the path's class (CreateInstance: of the instance's
//   class when the path names none); every key of the class must be in the
//   path (CMPI_RC_ERR_INVALID_PARAMETER otherwise). GetInstance answering
//   with no instance is CMPI_RC_ERR_NOT_FOUND; a class nobody serves gives
//   CMPI_RC_ERR_NOT_SUPPORTED.
// - Associators and AssociatorNames: with an association class, its
//   association providers and those of its subclasses; without one, every
//   registered association class whose references can point at the source
//   path's class. Each provider is asked with its own class name as the
//   association class; result class, role and result role pass unchanged,
//   and results of a known class that is not the result class are dropped.
//   References and ReferenceNames likewise, the result class standing for
//   the association class.
// - InvokeMethod goes to the method provider of the path's class. The method
//   must be declared by the class (CMPI_RC_ERR_METHOD_NOT_FOUND) and take the
//   in-arguments given (CMPI_RC_ERR_INVALID_PARAMETER); the provider must
//   deliver exactly one return value.
// - GetProperty and SetProperty are GetInstance and ModifyInstance limited to
//   the one property.
// A provider's non-OK status fails the operation with that status, code and
// message unchanged; what it returned before is discarded. Unknown classes
// named in association filters are CMPI_RC_ERR_INVALID_PARAMETER.
//
// Each provider call runs in an OperationScope of its own with a fresh
// CMPIContext (the caller's entries, with the namespace set) and CMPIResult;
// returned paths without a namespace get the server's. Operations may run
// on any number of threads at once; providers are called concurrently.
//
// Providers are loaded when the server opens: every registered library and
// every MI kind it is registered for. One that cannot be loaded does not
// stop the server; operations that need it fail with CMPI_RC_ERR_FAILED and
// the loader's message (also listed by loadProblems()).
#pragma once

#include "ovx/host/broker.h"
#include "ovx/host/class_registry.h"
#include "ovx/host/mof/provider_registration.h"
#include "ovx/host/provider_loader.h"
#include "ovx/host/router.h"

#include <filesystem>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace ovx::host {

struct HostOptions {
    // Read in order; a directory stands for the .mof files directly in it, in
    // name order. Includes are looked up next to the including file, then in
    // mofIncludePath.
    std::vector<std::filesystem::path> mofFiles;
    std::vector<std::filesystem::path> mofIncludePath;
    // The provider registrations (providers.reg format).
    std::filesystem::path registrationFile;
    // Directories searched for lib<location>.so before the system's own
    // library path.
    std::vector<std::filesystem::path> providerSearchPath;
    std::string nameSpace = "root/cimv2";
};

class CimServer : public Router {
  public:
    // Reads the MOF and the registrations and loads the providers. Throws
    // mof::SourceError for a mistake in those files (including a registration
    // of an unknown class) and CimError(CMPI_RC_ERR_INVALID_PARAMETER) when
    // no MOF file is given or a file or directory is missing.
    static std::unique_ptr<CimServer> open(const HostOptions& options);

    // A server over classes and registrations already at hand; registrations
    // for other namespaces are ignored, the others checked against the
    // classes as above (mof::SourceError).
    static std::unique_ptr<CimServer> open(std::shared_ptr<ClassRegistry> classes,
                                           const mof::ProviderRegistrations& registrations,
                                           std::vector<std::filesystem::path> providerSearchPath,
                                           std::string nameSpace = "root/cimv2");

    // Cleans up and unloads every provider. No operation may still be running.
    ~CimServer() override;

    CimServer(const CimServer&) = delete;
    CimServer& operator=(const CimServer&) = delete;
    CimServer(CimServer&&) = delete;
    CimServer& operator=(CimServer&&) = delete;

    const std::string& nameSpace() const noexcept { return nameSpace_; }
    const ClassRegistry& classes() const noexcept { return *classes_; }
    const Broker& broker() const noexcept { return *broker_; }

    // A context for a client's operation in the server's namespace.
    Context clientContext(const std::string& principal = {}, CMPIFlags flags = 0) const;

    // One line per provider MI that could not be made, as operations report it.
    std::vector<std::string> loadProblems() const;
    // The provider libraries that were opened.
    std::vector<std::filesystem::path> loadedLibraries() const;

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

    // What serves one class; opaque outside the server.
    struct Binding;

  private:
    CimServer(std::shared_ptr<ClassRegistry> classes, std::string nameSpace,
              std::vector<std::filesystem::path> providerSearchPath);

    void bind(const mof::ProviderRegistrations& registrations);
    const Binding* findBinding(std::string_view className) const;

    const std::string nameSpace_;
    std::shared_ptr<ClassRegistry> classes_;
    std::unique_ptr<Broker> broker_;
    std::unique_ptr<ProviderLoader> loader_;
    // By folded class name; filled while opening, read-only afterwards.
    std::unordered_map<std::string, std::unique_ptr<Binding>> bindings_;
    std::vector<std::string> loadProblems_;
};

}  // namespace ovx::host
