// Runs one verb of a parsed command line as CIM operations on a router, with
// the class declarations for typing operands and naming classes.
#pragma once

#include "command_line.h"
#include "output.h"

#include "ovx/host/class_registry.h"
#include "ovx/host/router.h"

#include <string>

namespace ovx::cli {

class Client {
  public:
    // Both must outlive the client.
    Client(host::Router& router, const host::ClassRegistry& registry, std::string principal)
        : router_(router), registry_(registry), principal_(std::move(principal)) {}

    // Writes the result. Throws CimError for a failed operation, an unknown
    // class or method, and UsageError for operands that do not fit.
    void run(const CommandLine& command, ResultWriter& writer) const;

  private:
    void enumerateClassNames(const CommandLine& command, ResultWriter& writer) const;
    void enumerateInstanceNames(const CommandLine& command, ResultWriter& writer) const;
    void enumerateInstances(const CommandLine& command, ResultWriter& writer) const;
    void getInstance(const CommandLine& command, ResultWriter& writer) const;
    void modifyInstance(const CommandLine& command, ResultWriter& writer) const;
    void createInstance(const CommandLine& command, ResultWriter& writer) const;
    void deleteInstance(const CommandLine& command, ResultWriter& writer) const;
    void associators(const CommandLine& command, ResultWriter& writer) const;
    void associatorNames(const CommandLine& command, ResultWriter& writer) const;
    void references(const CommandLine& command, ResultWriter& writer) const;
    void referenceNames(const CommandLine& command, ResultWriter& writer) const;
    void invokeMethod(const CommandLine& command, ResultWriter& writer) const;

    host::ObjectPath classOperand(const CommandLine& command, const std::string& text) const;
    host::ObjectPath instanceOperand(const CommandLine& command, const std::string& text) const;
    host::Context context(const host::ObjectPath& path) const;

    host::Router& router_;
    const host::ClassRegistry& registry_;
    std::string principal_;
};

}  // namespace ovx::cli
