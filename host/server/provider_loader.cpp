#include "ovx/host/provider_loader.h"

#include "ovx/host/cim_error.h"
#include "ovx/host/cim_status_names.h"
#include "ovx/host/conversions.h"
#include "ovx/host/operation_scope.h"

#include <dlfcn.h>

#include <algorithm>
#include <system_error>
#include <utility>

namespace ovx::host {

namespace fs = std::filesystem;

const char* miKindName(MiKind kind) noexcept {
    switch (kind) {
        case MiKind::Instance:
            return "Instance";
        case MiKind::Association:
            return "Association";
        case MiKind::Method:
            return "Method";
    }
    return "Unknown";
}

namespace {

struct LibraryCloser {
    void operator()(void* handle) const noexcept { ::dlclose(handle); }
};

using LibraryHandle = std::unique_ptr<void, LibraryCloser>;

std::string lastLoaderError() {
    const char* text = ::dlerror();
    return text != nullptr ? std::string(text) : std::string("unknown reason");
}

std::string withPurpose(std::string message, const std::string& purpose) {
    if (!purpose.empty()) {
        message += " (" + purpose + ")";
    }
    return message;
}

template <typename Mi>
using SpecificFactory = Mi* (*)(const CMPIBroker*, const CMPIContext*, CMPIStatus*);
template <typename Mi>
using GenericFactory = Mi* (*)(const CMPIBroker*, const CMPIContext*, const char*, CMPIStatus*);

// dlsym hands out object pointers; a copy of the bits is the portable way to
// turn one into a function pointer.
template <typename Function>
Function asFunction(void* symbol) {
    Function function = nullptr;
    static_assert(sizeof(function) == sizeof(symbol));
    std::copy_n(reinterpret_cast<const unsigned char*>(&symbol), sizeof(symbol),
                reinterpret_cast<unsigned char*>(&function));
    return function;
}

std::string statusText(const CMPIStatus& status) {
    std::string text = cimStatusName(status.rc);
    if (status.msg != nullptr && status.msg->ft != nullptr &&
        status.msg->ft->getCharPtr != nullptr) {
        const char* message = status.msg->ft->getCharPtr(status.msg, nullptr);
        if (message != nullptr && *message != '\0') {
            text += ": ";
            text += message;
        }
    }
    return text;
}

template <typename Mi>
void checkVersions(const Mi* mi, const std::string& prefix) {
    if (mi->ft == nullptr) {
        throw CimError(CMPI_RC_ERR_FAILED, prefix + " returned an MI without a function table");
    }
    const int ftVersion = mi->ft->ftVersion;
    const int miVersion = mi->ft->miVersion;
    if (ftVersion <= 0 || ftVersion > CMPICurrentVersion) {
        throw CimError(CMPI_RC_ERR_FAILED, prefix + " returned a function table of version " +
                                               std::to_string(ftVersion) +
                                               ", the host knows versions up to " +
                                               std::to_string(CMPICurrentVersion));
    }
    if (miVersion <= 0 || miVersion > CMPICurrentVersion) {
        throw CimError(CMPI_RC_ERR_FAILED,
                       prefix + " needs CMPI version " + std::to_string(miVersion) +
                           ", the host offers up to " + std::to_string(CMPICurrentVersion));
    }
}

}  // namespace

struct ProviderLoader::Library {
    std::string location;
    std::string fileName;
    fs::path file;
    LibraryHandle handle;
    std::string error;  // why it could not be opened
};

struct ProviderLoader::MadeMi {
    std::string location;
    std::string provider;
    MiKind kind;
    void* mi = nullptr;
    std::string error;  // why it could not be made
};

ProviderLoader::ProviderLoader(const Broker& broker, std::vector<fs::path> searchPath,
                               std::string nameSpace)
    : broker_(broker), searchPath_(std::move(searchPath)), nameSpace_(std::move(nameSpace)) {}

ProviderLoader::~ProviderLoader() {
    unloadAll();
}

CMPIInstanceMI* ProviderLoader::instanceMI(const std::string& location, const std::string& provider,
                                           const std::string& purpose) {
    return static_cast<CMPIInstanceMI*>(makeMi(location, provider, MiKind::Instance, purpose));
}

CMPIAssociationMI* ProviderLoader::associationMI(const std::string& location,
                                                 const std::string& provider,
                                                 const std::string& purpose) {
    return static_cast<CMPIAssociationMI*>(
        makeMi(location, provider, MiKind::Association, purpose));
}

CMPIMethodMI* ProviderLoader::methodMI(const std::string& location, const std::string& provider,
                                       const std::string& purpose) {
    return static_cast<CMPIMethodMI*>(makeMi(location, provider, MiKind::Method, purpose));
}

std::vector<fs::path> ProviderLoader::loadedLibraries() const {
    const std::lock_guard<std::mutex> lock(mutex_);
    std::vector<fs::path> files;
    for (const auto& library : libraries_) {
        if (library->handle != nullptr) {
            files.push_back(library->file);
        }
    }
    return files;
}

void* ProviderLoader::makeMi(const std::string& location, const std::string& provider, MiKind kind,
                             const std::string& purpose) {
    const std::lock_guard<std::mutex> lock(mutex_);
    for (const auto& made : mis_) {
        if (made->location == location && made->provider == provider && made->kind == kind) {
            if (made->mi == nullptr) {
                throw CimError(CMPI_RC_ERR_FAILED, made->error);
            }
            return made->mi;
        }
    }
    auto made = std::make_unique<MadeMi>(MadeMi{location, provider, kind, nullptr, {}});
    try {
        Library& opened = library(location);
        if (opened.handle == nullptr) {
            throw CimError(CMPI_RC_ERR_FAILED, withPurpose(opened.error, purpose));
        }
        made->mi = callFactory(opened, provider, kind, purpose);
    } catch (const CimError& error) {
        made->error = error.what();
    }
    void* const mi = made->mi;
    std::string error = made->error;
    mis_.push_back(std::move(made));
    if (mi == nullptr) {
        throw CimError(CMPI_RC_ERR_FAILED, error);
    }
    return mi;
}

ProviderLoader::Library& ProviderLoader::library(const std::string& location) {
    for (const auto& known : libraries_) {
        if (known->location == location) {
            return *known;
        }
    }
    auto library = std::make_unique<Library>();
    library->location = location;
    library->fileName = "lib" + location + ".so";
    std::string searched;
    for (const fs::path& directory : searchPath_) {
        const fs::path candidate = directory / library->fileName;
        std::error_code error;
        if (fs::is_regular_file(candidate, error)) {
            library->file = candidate;
            break;
        }
        searched += (searched.empty() ? "" : ", ") + directory.string();
    }
    const bool found = !library->file.empty();
    const std::string target = found ? library->file.string() : library->fileName;
    ::dlerror();
    library->handle.reset(::dlopen(target.c_str(), RTLD_NOW | RTLD_LOCAL));
    if (library->handle == nullptr) {
        library->error = library->fileName + ": cannot be loaded";
        if (!found) {
            library->error += searched.empty()
                                  ? " (no search path; tried the system's library path)"
                                  : " (not in " + searched + "; tried the system's library path)";
        } else {
            library->error += " from " + library->file.string();
        }
        library->error += ": " + lastLoaderError();
    } else if (!found) {
        library->file = library->fileName;
    }
    libraries_.push_back(std::move(library));
    return *libraries_.back();
}

namespace {

template <typename Mi>
Mi* createMi(void* handle, const std::string& fileName, const std::string& provider,
             const char* kindName, const std::string& purpose, const CMPIBroker* broker,
             const CMPIContext* context) {
    const std::string genericName = std::string("_Generic_Create_") + kindName + "MI";
    const std::string specificName = provider + "_Create_" + kindName + "MI";
    CMPIStatus status{CMPI_RC_OK, nullptr};
    Mi* mi = nullptr;
    std::string used;
    if (void* generic = ::dlsym(handle, genericName.c_str())) {
        used = genericName + " for " + provider;
        mi = asFunction<GenericFactory<Mi>>(generic)(broker, context, provider.c_str(), &status);
    } else if (void* specific = ::dlsym(handle, specificName.c_str())) {
        used = specificName;
        mi = asFunction<SpecificFactory<Mi>>(specific)(broker, context, &status);
    } else {
        throw CimError(CMPI_RC_ERR_FAILED,
                       withPurpose(fileName + ": no symbol " + specificName, purpose));
    }
    const std::string prefix = fileName + ": " + used;
    if (mi == nullptr || status.rc != CMPI_RC_OK) {
        throw CimError(CMPI_RC_ERR_FAILED,
                       withPurpose(prefix + " failed with " + statusText(status), purpose));
    }
    checkVersions(mi, prefix);
    return mi;
}

}  // namespace

void* ProviderLoader::callFactory(const Library& library, const std::string& provider, MiKind kind,
                                  const std::string& purpose) {
    const OperationScope scope(broker_);
    const CMPIContext* context = toCmpi(Context::forOperation(nameSpace_, 0, {}));
    const CMPIBroker* broker = broker_.cmpi();
    void* handle = library.handle.get();
    const char* kindName = miKindName(kind);
    try {
        switch (kind) {
            case MiKind::Instance:
                return createMi<CMPIInstanceMI>(handle, library.fileName, provider, kindName,
                                                purpose, broker, context);
            case MiKind::Association:
                return createMi<CMPIAssociationMI>(handle, library.fileName, provider, kindName,
                                                   purpose, broker, context);
            case MiKind::Method:
                return createMi<CMPIMethodMI>(handle, library.fileName, provider, kindName, purpose,
                                              broker, context);
        }
    } catch (const CimError&) {
        throw;
    } catch (const std::exception& error) {
        throw CimError(CMPI_RC_ERR_FAILED,
                       withPurpose(library.fileName + ": the " + kindName + " factory of " +
                                       provider + " threw: " + error.what(),
                                   purpose));
    } catch (...) {
        throw CimError(CMPI_RC_ERR_FAILED,
                       withPurpose(library.fileName + ": the " + kindName + " factory of " +
                                       provider + " threw an exception",
                                   purpose));
    }
    throw CimError(CMPI_RC_ERR_FAILED, "unknown kind of MI");
}

namespace {

template <typename Mi>
void cleanUp(void* made, const CMPIContext* context) {
    Mi* mi = static_cast<Mi*>(made);
    if (mi->ft != nullptr && mi->ft->cleanup != nullptr) {
        mi->ft->cleanup(mi, context, true);
    }
}

}  // namespace

void ProviderLoader::unloadAll() {
    const std::lock_guard<std::mutex> lock(mutex_);
    for (auto made = mis_.rbegin(); made != mis_.rend(); ++made) {
        if ((*made)->mi == nullptr) {
            continue;
        }
        try {
            const OperationScope scope(broker_);
            const CMPIContext* context = toCmpi(Context::forOperation(nameSpace_, 0, {}));
            switch ((*made)->kind) {
                case MiKind::Instance:
                    cleanUp<CMPIInstanceMI>((*made)->mi, context);
                    break;
                case MiKind::Association:
                    cleanUp<CMPIAssociationMI>((*made)->mi, context);
                    break;
                case MiKind::Method:
                    cleanUp<CMPIMethodMI>((*made)->mi, context);
                    break;
            }
        } catch (...) {
            // Shutting down: a provider that fails to clean up cannot stop it.
        }
    }
    mis_.clear();
    while (!libraries_.empty()) {
        libraries_.pop_back();
    }
}

}  // namespace ovx::host
