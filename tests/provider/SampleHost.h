// The embedded CIM host on a scratch copy of the sample system, serving the
// built provider and the sample peer provider, with the client-side helpers
// the association tests share.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "PlatformTestSupport.h"
#include "ProviderTestSupport.h"
#include "ovx/host/cim_server.h"

namespace ProviderTest {

// The embedded CIM server with the project's classes, the built provider
// and the sample peer provider.
inline std::unique_ptr<ovx::host::CimServer> openSampleServer() {
    ovx::host::HostOptions options;
    options.mofFiles = {OVX_SOURCE_DIR "/mof/host.mof"};
    options.registrationFile = OVX_SOURCE_DIR "/mof/providers.reg";
    options.providerSearchPath = {OVX_PROVIDER_DIR, OVX_PEER_PROVIDER_DIR};
    return ovx::host::CimServer::open(options);
}

// A scratch copy of the sample system (description, ifcfg files) that the
// provider's default node store follows while the object lives.
class SampleCopy {
  public:
    SampleCopy() {
        for (const auto& entry : std::filesystem::directory_iterator(OVX_SOURCE_DIR "/examples")) {
            if (entry.is_regular_file() && entry.path().extension() != ".md") {
                std::filesystem::copy_file(entry.path(),
                                           directory_.path() / entry.path().filename());
            }
        }
        Quill::setNodeStore(nullptr);
    }
    SampleCopy(const SampleCopy&) = delete;
    SampleCopy& operator=(const SampleCopy&) = delete;
    ~SampleCopy() { Quill::setNodeStore(nullptr); }

    const std::filesystem::path& directory() const { return directory_.path(); }
    void write(const std::string& name, const std::string& content) const {
        directory_.write(name, content);
    }

  private:
    ovx::test::ScratchDirectory directory_;
    ovx::test::ScopedEnvironmentVariable dataDirectory_{"OVX_DATA_DIR",
                                                        directory_.path().string() + "/"};
    ovx::test::ScopedEnvironmentVariable description_{"OVX_SYSTEM_DESCRIPTION", std::nullopt};
};

// The key that names an instance: "Name", or "InstanceID" for the classes
// named by one.
inline const ovx::host::Value* nameKeyOf(const ovx::host::ObjectPath& path) {
    const ovx::host::Value* const name = path.findKey("Name");
    return name != nullptr ? name : path.findKey("InstanceID");
}

class SampleHost {
  public:
    // The sample system, or the given system description with the sample's
    // peer settings left out.
    explicit SampleHost(const std::string& systemDescription = {}) {
        if (!systemDescription.empty()) {
            sample_.write("system.json", systemDescription);
        }
        server_ = openSampleServer();
    }
    SampleHost(const SampleHost&) = delete;
    SampleHost& operator=(const SampleHost&) = delete;
    ~SampleHost() { server_.reset(); }

    ovx::host::CimServer& server() { return *server_; }
    ovx::host::Context context() const { return server_->clientContext("tester"); }

    std::vector<ovx::host::ObjectPath> names(const std::string& className) {
        const auto reply = server_->enumerateInstanceNames(
            context(), ovx::host::ObjectPath(server_->nameSpace(), className));
        EXPECT_TRUE(reply.status.ok()) << className << ": " << reply.status.message;
        return reply.value;
    }

    // The instance of the class whose "Name" (or "InstanceID") key is name.
    ovx::host::ObjectPath named(const std::string& className, const std::string& name) {
        for (const ovx::host::ObjectPath& path : names(className)) {
            const ovx::host::Value* const key = nameKeyOf(path);
            if (key != nullptr && key->asString() == name) {
                return path;
            }
        }
        ADD_FAILURE() << "no " << className << " named " << name;
        return ovx::host::ObjectPath(server_->nameSpace(), className);
    }

    std::vector<ovx::host::ObjectPath> associatorNames(
        const ovx::host::ObjectPath& source, std::optional<std::string> associationClass,
        std::optional<std::string> resultClass = std::nullopt) {
        ovx::host::AssociatorFilter filter;
        filter.assocClass = std::move(associationClass);
        filter.resultClass = std::move(resultClass);
        const auto reply = server_->associatorNames(context(), source, filter);
        EXPECT_TRUE(reply.status.ok()) << source.toString() << ": " << reply.status.message;
        return reply.value;
    }

    std::vector<ovx::host::Instance> associators(const ovx::host::ObjectPath& source,
                                                 const std::string& associationClass) {
        ovx::host::AssociatorFilter filter;
        filter.assocClass = associationClass;
        const auto reply = server_->associators(context(), source, filter, std::nullopt);
        EXPECT_TRUE(reply.status.ok()) << source.toString() << ": " << reply.status.message;
        return reply.value;
    }

    std::vector<ovx::host::ObjectPath> referenceNames(const ovx::host::ObjectPath& source,
                                                      const std::string& associationClass) {
        ovx::host::ReferenceFilter filter;
        filter.resultClass = associationClass;
        const auto reply = server_->referenceNames(context(), source, filter);
        EXPECT_TRUE(reply.status.ok()) << source.toString() << ": " << reply.status.message;
        return reply.value;
    }

    std::vector<ovx::host::Instance> references(const ovx::host::ObjectPath& source,
                                                const std::string& associationClass) {
        ovx::host::ReferenceFilter filter;
        filter.resultClass = associationClass;
        const auto reply = server_->references(context(), source, filter, std::nullopt);
        EXPECT_TRUE(reply.status.ok()) << source.toString() << ": " << reply.status.message;
        return reply.value;
    }

    // Every path can be fetched, and the instance fetched is the one named.
    void expectEachResolves(const std::vector<ovx::host::ObjectPath>& paths) {
        for (const ovx::host::ObjectPath& path : paths) {
            const auto reply = server_->getInstance(context(), path, std::nullopt);
            EXPECT_TRUE(reply.status.ok()) << path.toString() << ": " << reply.status.message;
            if (reply.status.ok()) {
                EXPECT_TRUE(reply.value.path().sameInstance(path))
                    << path.toString() << " fetched as " << reply.value.path().toString();
            }
        }
    }

  private:
    SampleCopy sample_;
    std::unique_ptr<ovx::host::CimServer> server_;
};

// The name key of each path, sorted.
inline std::vector<std::string> nameKeys(const std::vector<ovx::host::ObjectPath>& paths) {
    std::vector<std::string> names;
    for (const ovx::host::ObjectPath& path : paths) {
        const ovx::host::Value* const key = nameKeyOf(path);
        names.push_back(key != nullptr ? key->asString() : "<no Name>");
    }
    std::sort(names.begin(), names.end());
    return names;
}

inline std::vector<ovx::host::ObjectPath> pathsOf(const std::vector<ovx::host::Instance>& items) {
    std::vector<ovx::host::ObjectPath> paths;
    for (const ovx::host::Instance& instance : items) {
        paths.push_back(instance.path());
    }
    return paths;
}

// The path a reference key of an association path points to.
inline ovx::host::ObjectPath referenceOf(const ovx::host::ObjectPath& association,
                                         const std::string& role) {
    const ovx::host::Value* const key = association.findKey(role);
    if (key == nullptr || key->type() != CMPI_ref) {
        ADD_FAILURE() << association.toString() << " has no reference " << role;
        return ovx::host::ObjectPath();
    }
    return key->asReference();
}

}  // namespace ProviderTest
