// Loads provider libraries and makes their MIs the way a CIMOM does.
//
// A library lib<location>.so is looked for in each directory of the search
// path in turn, then by its plain name (the dynamic linker's own search), and
// opened once with RTLD_NOW | RTLD_LOCAL. Each MI (library, provider name,
// kind) is made once: through _Generic_Create_<Kind>MI when the library
// exports it, otherwise through <provider>_Create_<Kind>MI, with the status
// preset to OK; a null MI or a status other than OK is a failure. The MI's
// function table must be present and of a CMPI version the host speaks.
//
// At destruction every MI made is told to clean up (terminating), newest
// first, and the libraries are closed. Failures are remembered: asking again
// gives the same error without a second attempt.
#pragma once

#include "ovx/host/broker.h"
#include "ovx/host/context.h"

#include <cmpift.h>

#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace ovx::host {

enum class MiKind { Instance, Association, Method };

// "Instance", "Association" or "Method", as in the factory names.
const char* miKindName(MiKind kind) noexcept;

class ProviderLoader {
  public:
    // The broker is handed to every factory and must outlive the loader.
    // Factories and cleanup calls get a context of this namespace.
    ProviderLoader(const Broker& broker, std::vector<std::filesystem::path> searchPath,
                   std::string nameSpace);
    ~ProviderLoader();

    ProviderLoader(const ProviderLoader&) = delete;
    ProviderLoader& operator=(const ProviderLoader&) = delete;
    ProviderLoader(ProviderLoader&&) = delete;
    ProviderLoader& operator=(ProviderLoader&&) = delete;

    // The MI of the provider in lib<location>.so; purpose ends error
    // messages, e.g. "registered for method operations on OVX_Foo". Throws
    // CimError(CMPI_RC_ERR_FAILED) naming the library and what is wrong, e.g.
    // "libFoo.so: no symbol Foo_Create_MethodMI (registered for ...)".
    // A factory must not ask this loader for another MI.
    CMPIInstanceMI* instanceMI(const std::string& location, const std::string& provider,
                               const std::string& purpose = {});
    CMPIAssociationMI* associationMI(const std::string& location, const std::string& provider,
                                     const std::string& purpose = {});
    CMPIMethodMI* methodMI(const std::string& location, const std::string& provider,
                           const std::string& purpose = {});

    // The files of the libraries opened so far, in the order opened.
    std::vector<std::filesystem::path> loadedLibraries() const;

    // Cleans up every MI and closes every library now; the loader is empty
    // afterwards and may load again.
    void unloadAll();

  private:
    struct Library;
    struct MadeMi;

    void* makeMi(const std::string& location, const std::string& provider, MiKind kind,
                 const std::string& purpose);
    Library& library(const std::string& location);
    void* callFactory(const Library& library, const std::string& provider, MiKind kind,
                      const std::string& purpose);

    const Broker& broker_;
    const std::vector<std::filesystem::path> searchPath_;
    const std::string nameSpace_;
    mutable std::mutex mutex_;
    std::vector<std::unique_ptr<Library>> libraries_;
    std::vector<std::unique_ptr<MadeMi>> mis_;
};

}  // namespace ovx::host
