#include "app.h"

#include "client.h"
#include "operands.h"
#include "usage_error.h"

#include "ovx/host/cim_error.h"
#include "ovx/host/cim_server.h"
#include "ovx/host/cim_status_names.h"
#include "ovx/host/mof/source_error.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <memory>

namespace ovx::cli {

namespace {

namespace fs = std::filesystem;

std::string userName() {
    if (const passwd* entry = ::getpwuid(::geteuid())) {
        return entry->pw_name;
    }
    return std::to_string(::geteuid());
}

// The providers read their data directory from the environment when they
// load; a directory given here must win over a description file named there.
void exportDataDir(const std::string& directory) {
    std::error_code error;
    const fs::path absolute = fs::absolute(directory, error);
    if (error || !fs::is_directory(absolute, error)) {
        throw UsageError("the data directory " + directory + " does not exist");
    }
    std::string value = absolute.lexically_normal().string();
    if (value.empty() || value.back() != '/') {
        value += '/';
    }
    ::setenv("OVX_DATA_DIR", value.c_str(), 1);
    ::unsetenv("OVX_SYSTEM_DESCRIPTION");
}

std::unique_ptr<host::CimServer> openHost(const CommandLine& command) {
    host::HostOptions options;
    options.mofFiles.emplace_back(command.host.mofFile);
    options.registrationFile = command.host.registrationFile;
    for (const std::string& directory : command.host.providerPath) {
        options.providerSearchPath.emplace_back(directory);
    }
    // The host serves the namespace its classes are registered in; a command
    // for another one reaches it and is refused there, as a CIMOM would.
    try {
        return host::CimServer::open(options);
    } catch (const host::mof::SourceError& error) {
        throw HostStartError(error.what());
    } catch (const host::CimError& error) {
        throw HostStartError(error.what());
    }
}

const VerbInfo* verbNamedIn(const std::vector<std::string>& arguments) {
    for (const std::string& argument : arguments) {
        if (const VerbInfo* verb = findVerb(argument)) {
            return verb;
        }
    }
    return nullptr;
}

void reportCimError(const host::CimError& error, ResultWriter& writer, std::ostream& err) {
    err << "ovx-cim: " << host::cimStatusName(error.rc()) << " (" << static_cast<int>(error.rc())
        << ")";
    const std::string message = error.what();
    if (!message.empty()) {
        err << ": " << message;
    }
    err << '\n';
    writer.error(error.rc(), error.what());
}

int runParsed(const CommandLine& command, std::ostream& out, std::ostream& err) {
    ResultWriter writer(out, command.format);
    try {
        if (command.host.dataDir) {
            exportDataDir(*command.host.dataDir);
        }
        if (command.host.live) {
            ::setenv("OVX_BACKEND", "linux", 1);
        }
        // Every verb's first operand is the class or instance operated on; a
        // malformed one is the command line's fault, told before the host starts.
        if (!command.operands.empty()) {
            pathFromOperand(command.operands.front(), command.nameSpace);
        }
        const std::unique_ptr<host::CimServer> server = openHost(command);
        Client(*server, server->classes(), userName()).run(command, writer);
        return kExitSuccess;
    } catch (const UsageError& error) {
        err << "ovx-cim: " << error.what() << '\n' << usageHint(command.verb) << '\n';
        return kExitUsage;
    } catch (const HostStartError& error) {
        err << "ovx-cim: the host could not start: " << error.what() << '\n';
        return kExitHostStart;
    } catch (const host::CimError& error) {
        reportCimError(error, writer, err);
        return kExitCimError;
    }
}

}  // namespace

int runCommand(const std::vector<std::string>& arguments, const HostSettings& defaults,
               std::ostream& out, std::ostream& err) {
    try {
        CommandLine command;
        try {
            command = parseCommandLine(arguments, defaults);
        } catch (const UsageError& error) {
            err << "ovx-cim: " << error.what() << '\n' << usageHint(verbNamedIn(arguments)) << '\n';
            return kExitUsage;
        }
        if (command.help) {
            out << (command.verb != nullptr ? verbHelp(*command.verb) : commandHelp(defaults));
            return kExitSuccess;
        }
        return runParsed(command, out, err);
    } catch (const std::exception& error) {
        err << "ovx-cim: " << error.what() << '\n';
        return kExitCimError;
    }
}

}  // namespace ovx::cli
