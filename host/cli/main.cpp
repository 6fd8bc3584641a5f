// ovx-cim: a CIM client over the embedded host.
#include "app.h"

#include <iostream>
#include <string>
#include <vector>

namespace {

// Built-in locations of the project's MOF, registrations and provider
// libraries; every one can be overridden on the command line.
ovx::cli::HostSettings builtInSettings() {
    ovx::cli::HostSettings settings;
    settings.mofFile = OVX_CIM_DEFAULT_MOF;
    settings.registrationFile = OVX_CIM_DEFAULT_REGISTRATION;
    settings.providerPath = ovx::cli::splitSearchPath(OVX_CIM_DEFAULT_PROVIDERS);
    return settings;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    const int status = ovx::cli::runCommand(arguments, builtInSettings(), std::cout, std::cerr);
    std::cout.flush();
    return status;
}
