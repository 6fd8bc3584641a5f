// Every CIM operation of the provider on generated servers of growing size,
// through the embedded host with the real provider and peer libraries, each
// figure set against the node store's snapshot load of the same server.
//
//   ovx-bench [--sizes=64,512,4096] [google benchmark flags]
//
// After the runs it prints one table: operation x size, time (CPU time of the
// process's main thread, which runs the host and both providers; it stays
// true on a busy machine), ratio to the load, growth from the second-largest size to the largest,
// and the peak memory of the process after each size.
#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "GeneratedSystem.h"
#include "instrumentation.h"
#include "ovx/host/cim_server.h"

namespace {

namespace fs = std::filesystem;
namespace host = ovx::host;

const char* const kInstanceClasses[] = {"OVX_IPProtocolEndpoint",
                                        "OVX_IPAssignmentSettingData",
                                        "OVX_StaticIPAssignmentSettingData",
                                        "OVX_IPRemoteServiceAccessPoint",
                                        "OVX_IPConfigurationService",
                                        "OVX_IPEnabledLogicalElementCapabilities"};
const char* const kAssociationClasses[] = {
    "OVX_IPElementSettingData",    "OVX_StaticIPElementSettingData",
    "OVX_StaticOrderedComponent",  "OVX_BindsToLanEndPoint",
    "OVX_IPHostedAccessPoint",     "OVX_SPHostedAccessPoint",
    "OVX_RemoteHostedAccessPoint", "OVX_IPRemoteAccessAvailableToElement",
    "OVX_IPElementCapabilities",   "OVX_IPHostedService",
    "OVX_IPServiceAffectsElement"};
constexpr const char* kFloor = "SnapshotLoad";

double peakMiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

// One generated server in a scratch directory.
struct Server {
    std::size_t size = 0;
    fs::path directory;
    std::string lastInterface;
    std::map<std::string, host::ObjectPath> lastInstance;  // by class
    host::ObjectPath endpoint;                             // the last host interface's
    host::ObjectPath computerSystem;
    host::ObjectPath staticSetting;  // the last host interface's
};

class Bench {
  public:
    ~Bench() { close(); }

    // Unloads the providers and removes the generated servers.
    void close() {
        server_.reset();
        std::error_code ignored;
        for (const auto& [size, each] : servers_) {
            fs::remove_all(each.directory, ignored);
        }
        servers_.clear();
    }

    void add(std::size_t size) {
        Server server;
        server.size = size;
        std::string pattern = (fs::temp_directory_path() / "ovx-bench-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) {
            throw std::runtime_error("cannot create a temporary directory");
        }
        server.directory = pattern;
        GeneratedSystem::Options options;
        options.interfaces = size;
        // Generated in a child process, so that the peak memory reported is
        // the host's and the providers' alone.
        const pid_t child = ::fork();
        if (child == 0) {
            GeneratedSystem::write(options, server.directory);
            ::_exit(0);
        }
        int status = 0;
        if (child < 0 || ::waitpid(child, &status, 0) != child || !WIFEXITED(status) ||
            WEXITSTATUS(status) != 0) {
            throw std::runtime_error("cannot generate the server of " + std::to_string(size));
        }
        std::ofstream(server.directory / "network.conf") << "NETWORKING=yes\n";
        for (const GeneratedSystem::Interface& each : GeneratedSystem::interfaces(options)) {
            if (!each.serviceProcessor) {
                server.lastInterface = each.name;
            }
        }
        servers_[size] = std::move(server);
    }

    // Points the provider at the server of that size, loads its snapshot and
    // finds the instances the operations start from.
    Server& activate(std::size_t size) {
        Server& server = servers_.at(size);
        if (active_ == size) {
            return server;
        }
        ::setenv("OVX_DATA_DIR", (server.directory.string() + "/").c_str(), 1);
        ::setenv("OVX_SYSTEM_DESCRIPTION", (server.directory / "system.json").c_str(), 1);
        ::setenv("OVX_NETWORK_CONFIG_FILE", (server.directory / "network.conf").c_str(), 1);
        if (!server_) {
            host::HostOptions options;
            options.mofFiles = {OVX_SOURCE_DIR "/mof/host.mof"};
            options.registrationFile = OVX_SOURCE_DIR "/mof/providers.reg";
            options.providerSearchPath = {OVX_PROVIDER_DIR, OVX_PEER_PROVIDER_DIR};
            server_ = host::CimServer::open(options);
        }
        active_ = size;
        if (server.lastInstance.empty()) {
            for (const char* className : kInstanceClasses) {
                const auto names = enumerateNames(className);
                if (!names.empty()) {
                    server.lastInstance[className] = names.back();
                }
            }
            for (const host::ObjectPath& path : enumerateNames("OVX_IPProtocolEndpoint")) {
                const host::Value* name = path.findKey("Name");
                if (name != nullptr && name->asString() == server.lastInterface) {
                    server.endpoint = path;
                }
            }
            const auto systems = enumerateNames("OVX_ComputerSystem");
            if (!systems.empty()) {
                server.computerSystem = systems.front();
            }
            server.staticSetting =
                host::ObjectPath(server_->nameSpace(), "OVX_StaticIPAssignmentSettingData");
            server.staticSetting.setKey("InstanceID",
                                        host::Value::string("Computer%" + server.lastInterface));
        }
        return server;
    }

    host::CimServer& cim() { return *server_; }
    host::Context context() const { return server_->clientContext("bench"); }
    const std::map<std::size_t, Server>& servers() const { return servers_; }

    std::vector<host::ObjectPath> enumerateNames(const std::string& className) {
        return server_
            ->enumerateInstanceNames(context(), host::ObjectPath(server_->nameSpace(), className))
            .value;
    }

  private:
    std::map<std::size_t, Server> servers_;
    std::unique_ptr<host::CimServer> server_;
    std::optional<std::size_t> active_;
};

Bench& bench() {
    static Bench instance;
    return instance;
}

// Runs one operation per iteration; a failing reply stops the benchmark.
using Operation = std::function<std::string(Server&)>;  // empty: fine, else the failure

void registerOperation(const std::string& name, std::size_t size, Operation operation) {
    benchmark::RegisterBenchmark((name + "/" + std::to_string(size)).c_str(),
                                 [size, operation](benchmark::State& state) {
                                     Server& server = bench().activate(size);
                                     // Untimed: a change by the operation
                                     // before is read in here, not timed.
                                     const std::string warmUp = operation(server);
                                     if (!warmUp.empty()) {
                                         state.SkipWithError(warmUp.c_str());
                                     }
                                     for (auto _ : state) {
                                         const std::string failure = operation(server);
                                         if (!failure.empty()) {
                                             state.SkipWithError(failure.c_str());
                                             break;
                                         }
                                     }
                                     state.counters["peak_MiB"] = peakMiB();
                                 })
        ->Unit(benchmark::kMicrosecond);
}

template <typename Reply>
std::string checked(const Reply& reply, std::size_t minimum = 1) {
    if (!reply.status.ok()) {
        return reply.status.message.empty() ? "failed" : reply.status.message;
    }
    if (reply.value.size() < minimum) {
        return "empty answer";
    }
    benchmark::DoNotOptimize(reply.value.data());
    return {};
}

host::Instance modified(const host::ObjectPath& path,
                        std::initializer_list<std::pair<const char*, host::Value>> changes) {
    host::Instance instance(path);
    for (const auto& [name, value] : changes) {
        instance.setProperty(name, value);
    }
    return instance;
}

void registerSize(std::size_t size) {
    Bench& all = bench();
    registerOperation(kFloor, size, [](Server& server) -> std::string {
        Quill::FileNodeStore store((server.directory / "system.json").string());
        const auto tree = store.snapshot();
        return tree->empty() ? "empty snapshot" : "";
    });
    const auto registerEnumerations = [&all, size](const std::string& className) {
        registerOperation("EnumerateInstanceNames/" + className, size, [&all, className](Server&) {
            return checked(all.cim().enumerateInstanceNames(
                all.context(), host::ObjectPath(all.cim().nameSpace(), className)));
        });
        registerOperation("EnumerateInstances/" + className, size, [&all, className](Server&) {
            return checked(all.cim().enumerateInstances(
                all.context(), host::ObjectPath(all.cim().nameSpace(), className), std::nullopt));
        });
    };
    for (const std::string className : kInstanceClasses) {
        registerEnumerations(className);
        registerOperation("GetInstance/" + className, size, [&all, className](Server& server) {
            const auto reply =
                all.cim().getInstance(all.context(), server.lastInstance[className], std::nullopt);
            return reply.status.ok() ? std::string() : reply.status.message;
        });
    }
    for (const std::string className : kAssociationClasses) {
        registerEnumerations(className);
    }
    const std::pair<const char*, host::ObjectPath Server::*> sources[] = {
        {"Endpoint", &Server::endpoint}, {"ComputerSystem", &Server::computerSystem}};
    for (const auto& [sourceName, source] : sources) {
        const std::string suffix = std::string("/") + sourceName;
        registerOperation("Associators" + suffix, size, [&all, source = source](Server& server) {
            return checked(all.cim().associators(all.context(), server.*source, {}, std::nullopt));
        });
        registerOperation(
            "AssociatorNames" + suffix, size, [&all, source = source](Server& server) {
                return checked(all.cim().associatorNames(all.context(), server.*source, {}));
            });
        registerOperation("References" + suffix, size, [&all, source = source](Server& server) {
            return checked(all.cim().references(all.context(), server.*source, {}, std::nullopt));
        });
        registerOperation("ReferenceNames" + suffix, size, [&all, source = source](Server& server) {
            return checked(all.cim().referenceNames(all.context(), server.*source, {}));
        });
    }
    // The writes come last: each one replaces the snapshot.
    registerOperation("ModifyInstance/OVX_IPProtocolEndpoint", size, [&all](Server& server) {
        static bool wide = false;
        wide = !wide;
        const auto status = all.cim().modifyInstance(
            all.context(), server.endpoint,
            modified(server.endpoint,
                     {{"SubnetMask", host::Value::string(wide ? "255.255.0.0" : "255.255.255.0")}}),
            std::nullopt);
        return status.ok() ? std::string() : status.message;
    });
    registerOperation(
        "ModifyInstance/OVX_StaticIPAssignmentSettingData", size, [&all](Server& server) {
            static bool wide = false;
            wide = !wide;
            const auto status = all.cim().modifyInstance(
                all.context(), server.staticSetting,
                modified(
                    server.staticSetting,
                    {{"SubnetMask", host::Value::string(wide ? "255.255.0.0" : "255.255.255.0")}}),
                std::nullopt);
            return status.ok() ? std::string() : status.message;
        });
    registerOperation("ApplySettingToIPProtocolEndpoint", size, [&all](Server& server) {
        const host::ObjectPath& service = server.lastInstance["OVX_IPConfigurationService"];
        host::ObjectPath configuration(all.cim().nameSpace(), "OVX_IPAssignmentSettingData");
        configuration.setKey("InstanceID",
                             host::Value::string("Computer%" + server.lastInterface + "%static"));
        host::Arguments in;
        in.set("Configuration", host::Value::reference(configuration));
        in.set("Endpoint", host::Value::reference(server.endpoint));
        const auto reply =
            all.cim().invokeMethod(all.context(), service, "ApplySettingToIPProtocolEndpoint", in);
        if (!reply.status.ok()) {
            return reply.status.message;
        }
        const host::Value& returned = reply.value.returnValue;
        return returned.isNull() || returned.asUnsigned() == 0
                   ? std::string()
                   : "returned " + std::to_string(returned.asUnsigned());
    });
}

// Collects the runs for the table while the console shows them as usual.
class TableReporter : public benchmark::ConsoleReporter {
  public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.error_occurred) {
                failed_ = true;
            }
            if (run.error_occurred || run.run_type != Run::RT_Iteration) {
                continue;
            }
            const std::string name = run.benchmark_name();
            const std::size_t slash = name.rfind('/');
            const std::size_t size = std::stoul(name.substr(slash + 1));
            const std::string operation = name.substr(0, slash);
            if (times_.count(operation) == 0) {
                order_.push_back(operation);
            }
            times_[operation][size] = run.GetAdjustedCPUTime();
            const auto peak = run.counters.find("peak_MiB");
            if (peak != run.counters.end()) {
                peaks_[size] = std::max(peaks_[size], static_cast<double>(peak->second));
            }
        }
    }

    void printTable(const std::vector<std::size_t>& sizes) const {
        std::printf("\n| operation |");
        for (const std::size_t size : sizes) {
            std::printf(" N=%zu time | ratio |", size);
        }
        std::printf(" growth |\n|---|");
        for (std::size_t column = 0; column < sizes.size(); ++column) {
            std::printf("---:|---:|");
        }
        std::printf("---:|\n");
        for (const std::string& operation : order_) {
            const auto& bySize = times_.at(operation);
            std::printf("| %s |", operation.c_str());
            for (const std::size_t size : sizes) {
                const auto time = bySize.find(size);
                const auto floor =
                    times_.count(kFloor) ? times_.at(kFloor).find(size) : bySize.end();
                if (time == bySize.end()) {
                    std::printf(" - | - |");
                    continue;
                }
                std::printf(" %s |", formatTime(time->second).c_str());
                if (floor != bySize.end() && floor != times_.at(kFloor).end() &&
                    floor->second > 0) {
                    std::printf(" %.2f |", time->second / floor->second);
                } else {
                    std::printf(" - |");
                }
            }
            if (sizes.size() >= 2 && bySize.count(sizes[sizes.size() - 1]) &&
                bySize.count(sizes[sizes.size() - 2]) && bySize.at(sizes[sizes.size() - 2]) > 0) {
                std::printf(" %.1f |\n",
                            bySize.at(sizes.back()) / bySize.at(sizes[sizes.size() - 2]));
            } else {
                std::printf(" - |\n");
            }
        }
        std::printf("\nPeak memory of the process after each size:");
        for (const auto& [size, peak] : peaks_) {
            std::printf(" N=%zu %.1f MiB;", size, peak);
        }
        std::printf("\n");
    }

    bool failed() const { return failed_; }

  private:
    // Times arrive in microseconds.
    static std::string formatTime(double microseconds) {
        std::array<char, 32> text{};
        if (microseconds >= 1000.0) {
            std::snprintf(text.data(), text.size(), "%.2f ms", microseconds / 1000.0);
        } else {
            std::snprintf(text.data(), text.size(), "%.1f us", microseconds);
        }
        return text.data();
    }

    std::vector<std::string> order_;
    std::map<std::string, std::map<std::size_t, double>> times_;
    std::map<std::size_t, double> peaks_;
    bool failed_ = false;
};

std::vector<std::size_t> parseSizes(int& argc, char** argv) {
    std::vector<std::size_t> sizes = {64, 512, 4096};
    int kept = 1;
    for (int index = 1; index < argc; ++index) {
        const char* const flag = "--sizes=";
        if (std::strncmp(argv[index], flag, std::strlen(flag)) == 0) {
            sizes.clear();
            std::string list = argv[index] + std::strlen(flag);
            for (std::size_t start = 0; start <= list.size();) {
                const std::size_t end = std::min(list.find(',', start), list.size());
                const std::string item = list.substr(start, end - start);
                if (item.empty() || item.find_first_not_of("0123456789") != std::string::npos) {
                    std::fprintf(stderr, "usage: %s [--sizes=N,N,...] [benchmark flags]\n",
                                 argv[0]);
                    std::exit(2);
                }
                sizes.push_back(std::stoul(item));
                start = end + 1;
            }
        } else {
            argv[kept++] = argv[index];
        }
    }
    argc = kept;
    return sizes;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::size_t> sizes = parseSizes(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 2;
    }
    for (const std::size_t size : sizes) {
        bench().add(size);
        registerSize(size);
    }
    TableReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printTable(sizes);
    bench().close();
    benchmark::Shutdown();
    return reporter.failed() ? 1 : 0;
}
