// The provider's CIM operations through the embedded host, on a copy of the
// sample server restored before every input: each input is a short sequence
// of gets, modifies, method calls, enumerations and association requests
// with values of any type, nulls, arrays, huge and control-character text,
// and paths that are right, wrong or foreign. Nothing may crash, and the
// system description must still be JSON afterwards.
#include "ovx/host/cim_error.h"
#include "ovx/host/cim_server.h"
#include "ovx/host/datetime.h"

#include <fuzzer/FuzzedDataProvider.h>
#include <nlohmann/json.hpp>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
namespace host = ovx::host;

std::string fileText(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// What tells a file rewritten from the file as restored: a write in place
// moves the modification time, a replacing rename brings a new inode.
struct Stamp {
    ino_t inode = 0;
    off_t size = 0;
    long long modifiedNs = 0;
    bool operator==(const Stamp& other) const {
        return inode == other.inode && size == other.size && modifiedNs == other.modifiedNs;
    }
};

std::map<std::string, Stamp> stampsIn(const fs::path& directory) {
    std::map<std::string, Stamp> stamps;
    for (const auto& entry : fs::directory_iterator(directory)) {
        struct stat status {};
        if (::lstat(entry.path().c_str(), &status) == 0) {
            stamps[entry.path().filename().string()] = {
                status.st_ino, status.st_size,
                status.st_mtim.tv_sec * 1000000000LL + status.st_mtim.tv_nsec};
        }
    }
    return stamps;
}

struct Sample {
    fs::path directory;
    std::map<std::string, std::string> files;  // the sample server, by file name
    std::map<std::string, Stamp> restored;     // the files as last restored
    std::unique_ptr<host::CimServer> server;
    std::vector<host::ObjectPath> paths;  // every instance of the sample server
    std::vector<std::string> classNames;
    std::vector<std::string> names;  // property, parameter and role names
    std::vector<std::string> methods;

    // Most inputs write nothing; only what an input changed is checked and
    // put back, so the provider's cached system description stays valid.
    void restoreChanged() {
        const auto now = stampsIn(directory);
        if (now == restored) {
            return;
        }
        const auto described = now.find("system.json");
        if (described == now.end() ||
            !nlohmann::json::accept(fileText(directory / "system.json"))) {
            std::abort();
        }
        for (const auto& [name, stamp] : now) {
            if (files.count(name) == 0) {
                fs::remove_all(directory / name);
            }
        }
        for (const auto& [name, text] : files) {
            const auto found = now.find(name);
            const auto before = restored.find(name);
            if (found == now.end() || before == restored.end() ||
                !(found->second == before->second)) {
                std::ofstream(directory / name, std::ios::binary | std::ios::trunc) << text;
            }
        }
        restored = stampsIn(directory);
    }
};

// Kept to the end of the process: the host's per-thread operation scopes are
// gone by the time static objects are destroyed.
Sample& sample() {
    static Sample* const instance = [] {
        auto made = std::make_unique<Sample>();
        std::string pattern = (fs::temp_directory_path() / "ovx-fuzz-provider-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            std::abort();
        }
        made->directory = pattern;
        for (const auto& entry : fs::directory_iterator(OVX_FUZZ_EXAMPLES)) {
            if (entry.is_regular_file() && entry.path().extension() != ".md") {
                made->files[entry.path().filename().string()] = fileText(entry.path());
            }
        }
        fs::create_directories(made->directory);
        for (const auto& [name, text] : made->files) {
            std::ofstream(made->directory / name, std::ios::binary) << text;
        }
        made->restored = stampsIn(made->directory);
        ::setenv("OVX_DATA_DIR", made->directory.c_str(), 1);
        ::unsetenv("OVX_SYSTEM_DESCRIPTION");
        ::unsetenv("OVX_TRACE_FILE");

        host::HostOptions options;
        options.mofFiles = {OVX_FUZZ_MOF};
        options.registrationFile = OVX_FUZZ_REGISTRATION;
        std::istringstream directories(OVX_FUZZ_PROVIDER_DIRS);
        for (std::string directory; std::getline(directories, directory, ':');) {
            options.providerSearchPath.emplace_back(directory);
        }
        made->server = host::CimServer::open(options);
        const host::Context context = made->server->clientContext();
        for (const auto& decl : made->server->classes().all()) {
            made->classNames.push_back(decl->name);
            for (const auto& property : decl->properties) {
                made->names.push_back(property.name);
            }
            for (const auto& method : decl->methods) {
                made->methods.push_back(method.name);
                for (const auto& parameter : method.parameters) {
                    made->names.push_back(parameter.name);
                }
            }
            if (decl->name.rfind("OVX_", 0) == 0 && !decl->isAssociation()) {
                auto reply = made->server->enumerateInstanceNames(
                    context, host::ObjectPath(made->server->nameSpace(), decl->name));
                for (auto& path : reply.value) {
                    made->paths.push_back(std::move(path));
                }
            }
        }
        if (made->paths.empty()) {
            std::abort();
        }
        return made.release();
    }();
    return *instance;
}

class Sequence {
  public:
    Sequence(const Sample& sample, FuzzedDataProvider& input) : sample_(sample), input_(input) {}

    void run() {
        const host::Context context = sample_.server->clientContext();
        for (int step = 0; step < 12 && input_.remaining_bytes() > 0; ++step) {
            try {
                operation(context);
            } catch (const host::CimError&) {
                // Refused while the request was being put together.
            }
        }
    }

  private:
    template <typename T>
    const T& pick(const std::vector<T>& from) {
        return from[input_.ConsumeIntegralInRange<std::size_t>(0, from.size() - 1)];
    }

    std::string text() {
        // Huge texts are rare: each is copied at every layer it crosses.
        const int kind = input_.ConsumeIntegralInRange(0, 31);
        if (kind == 0) {
            return std::string(input_.ConsumeIntegralInRange<std::size_t>(0, 200000),
                               input_.ConsumeIntegral<char>());
        }
        if (kind <= 4) {
            return pick(sample_.names);
        }
        if (kind <= 8) {
            return pick(sample_.paths).toString();
        }
        return input_.ConsumeRandomLengthString(300);
    }

    std::optional<std::string> filterName() {
        switch (input_.ConsumeIntegralInRange(0, 3)) {
            case 0:
                return std::nullopt;
            case 1:
                return pick(sample_.classNames);
            case 2:
                return pick(sample_.names);
            default:
                return input_.ConsumeRandomLengthString(40);
        }
    }

    host::ObjectPath path() {
        host::ObjectPath chosen = pick(sample_.paths);
        switch (input_.ConsumeIntegralInRange(0, 7)) {
            case 0:
                if (!chosen.keys().empty()) {
                    const std::string name = pick(chosen.keys().entries()).first;
                    chosen.setKey(name, scalar(0));
                }
                break;
            case 1:
                chosen.setNameSpace(input_.ConsumeBool() ? "root/interop" : text());
                break;
            case 2:
                chosen.setClassName(pick(sample_.classNames));
                break;
            case 3:
                chosen.removeKey(pick(sample_.names));
                break;
            case 4:
                return host::ObjectPath::parse(input_.ConsumeRandomLengthString(300));
            default:
                break;
        }
        return chosen;
    }

    host::Value scalar(int depth) {
        switch (input_.ConsumeIntegralInRange(0, 15)) {
            case 0:
                return host::Value::null(input_.ConsumeIntegral<CMPIType>());
            case 1:
                return host::Value::boolean(input_.ConsumeBool());
            case 2:
                return host::Value::uint8(input_.ConsumeIntegral<std::uint8_t>());
            case 3:
                return host::Value::uint16(input_.ConsumeIntegral<std::uint16_t>());
            case 4:
                return host::Value::uint32(input_.ConsumeIntegral<std::uint32_t>());
            case 5:
                return host::Value::uint64(input_.ConsumeIntegral<std::uint64_t>());
            case 6:
                return host::Value::sint16(input_.ConsumeIntegral<std::int16_t>());
            case 7:
                return host::Value::sint64(input_.ConsumeIntegral<std::int64_t>());
            case 8:
                return host::Value::real64(input_.ConsumeFloatingPoint<double>());
            case 9:
                return host::Value::char16(input_.ConsumeIntegral<std::uint16_t>());
            case 10:
                return host::Value::dateTime(
                    host::CimDateTime::parse(input_.ConsumeRandomLengthString(30)));
            case 11:
                return host::Value::reference(path());
            case 12:
                if (depth == 0) {
                    return array(depth + 1);
                }
                return host::Value::sint8(input_.ConsumeIntegral<std::int8_t>());
            default:
                return host::Value::string(text());
        }
    }

    host::Value array(int depth) {
        const host::Value first = scalar(depth);
        std::vector<host::Value> elements{first};
        const std::size_t count = input_.ConsumeIntegralInRange<std::size_t>(0, 6);
        for (std::size_t index = 0; index < count; ++index) {
            elements.push_back(input_.ConsumeBool() ? host::Value::string(text()) : first);
        }
        return host::Value::array(first.type(), std::move(elements));
    }

    host::Value value() { return input_.ConsumeIntegralInRange(0, 4) == 0 ? array(1) : scalar(0); }

    host::PropertyList properties() {
        if (input_.ConsumeBool()) {
            return std::nullopt;
        }
        std::vector<std::string> names;
        const std::size_t count = input_.ConsumeIntegralInRange<std::size_t>(0, 4);
        for (std::size_t index = 0; index < count; ++index) {
            names.push_back(input_.ConsumeBool() ? pick(sample_.names) : text());
        }
        return names;
    }

    void operation(const host::Context& context) {
        host::CimServer& server = *sample_.server;
        switch (input_.ConsumeIntegralInRange(0, 9)) {
            case 0:
                server.getInstance(context, path(), properties());
                break;
            case 1:
            case 2: {
                const host::ObjectPath target = path();
                host::Instance instance(target);
                const std::size_t count = input_.ConsumeIntegralInRange<std::size_t>(0, 5);
                for (std::size_t index = 0; index < count; ++index) {
                    instance.setProperty(input_.ConsumeBool() ? pick(sample_.names) : text(),
                                         value());
                }
                server.modifyInstance(context, target, instance, properties());
                break;
            }
            case 3:
            case 4: {
                host::Arguments in;
                const std::size_t count = input_.ConsumeIntegralInRange<std::size_t>(0, 4);
                for (std::size_t index = 0; index < count; ++index) {
                    in.set(input_.ConsumeBool() ? pick(sample_.names) : text(), value());
                }
                const std::string method =
                    input_.ConsumeIntegralInRange(0, 7) == 0 ? text() : pick(sample_.methods);
                server.invokeMethod(context, path(), method, in);
                break;
            }
            case 5: {
                const host::AssociatorFilter filter{filterName(), filterName(), filterName(),
                                                    filterName()};
                if (input_.ConsumeBool()) {
                    server.associatorNames(context, path(), filter);
                } else {
                    server.associators(context, path(), filter, properties());
                }
                break;
            }
            case 6: {
                const host::ReferenceFilter filter{filterName(), filterName()};
                if (input_.ConsumeBool()) {
                    server.referenceNames(context, path(), filter);
                } else {
                    server.references(context, path(), filter, properties());
                }
                break;
            }
            case 7:
                server.enumerateInstances(
                    context, host::ObjectPath(server.nameSpace(), pick(sample_.classNames)),
                    properties());
                break;
            case 8: {
                const host::ObjectPath target = path();
                server.getProperty(context, target, pick(sample_.names));
                break;
            }
            default: {
                const host::ObjectPath target = path();
                server.setProperty(context, target, pick(sample_.names), value());
                break;
            }
        }
    }

    const Sample& sample_;
    FuzzedDataProvider& input_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Sample& server = sample();
    FuzzedDataProvider input(data, size);
    Sequence(server, input).run();
    server.restoreChanged();
    return 0;
}
