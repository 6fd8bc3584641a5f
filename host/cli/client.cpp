#include "client.h"

#include "operands.h"
#include "usage_error.h"

#include "ovx/host/cim_error.h"
#include "ovx/host/names.h"

#include <algorithm>
#include <string_view>
#include <vector>

namespace ovx::cli {

namespace {

// Results are shown with a namespace even when a provider leaves it out.
host::ObjectPath completed(host::ObjectPath path, const std::string& nameSpace) {
    if (path.nameSpace().empty()) {
        path.setNameSpace(nameSpace);
    }
    return path;
}

host::Instance completed(host::Instance instance, const std::string& nameSpace) {
    instance.setPath(completed(instance.path(), nameSpace));
    return instance;
}

bool listed(const std::vector<std::string>& names, std::string_view name) {
    return std::any_of(names.begin(), names.end(), [&](const std::string& listedName) {
        return host::namesEqual(listedName, name);
    });
}

// Not every provider honours a property list; the client shows what was
// asked for all the same. Keys stay: they name the instance.
host::Instance limitedTo(host::Instance instance, const host::PropertyList& properties) {
    if (!properties) {
        return instance;
    }
    std::vector<std::string> unwanted;
    for (const auto& [name, value] : instance.properties()) {
        if (!listed(*properties, name) && instance.path().findKey(name) == nullptr) {
            unwanted.push_back(name);
        }
    }
    for (const std::string& name : unwanted) {
        instance.removeProperty(name);
    }
    return instance;
}

template <typename T>
T valueOf(host::Reply<T> reply) {
    if (!reply.status.ok()) {
        throw host::CimError(reply.status.rc, reply.status.message);
    }
    return std::move(reply.value);
}

void check(const host::Status& status) {
    if (!status.ok()) {
        throw host::CimError(status.rc, status.message);
    }
}

std::vector<host::ObjectPath> completedPaths(std::vector<host::ObjectPath> paths,
                                             const std::string& nameSpace) {
    for (auto& path : paths) {
        path = completed(std::move(path), nameSpace);
    }
    return paths;
}

std::vector<host::Instance> completedInstances(std::vector<host::Instance> instances,
                                               const std::string& nameSpace,
                                               const host::PropertyList& properties) {
    for (auto& instance : instances) {
        instance = limitedTo(completed(std::move(instance), nameSpace), properties);
    }
    return instances;
}

host::ReferenceFilter referenceFilter(const CommandLine& command) {
    return host::ReferenceFilter{command.filter.resultClass, command.filter.role};
}

// Keys travel in the instance as well as in its path: providers read either.
host::Instance instanceWithKeys(const host::ObjectPath& path) {
    host::Instance instance(path);
    for (const auto& [name, value] : path.keys()) {
        instance.setProperty(name, value);
    }
    return instance;
}

std::vector<std::string> assignmentOperands(const CommandLine& command, std::size_t first) {
    return std::vector<std::string>(command.operands.begin() + static_cast<std::ptrdiff_t>(first),
                                    command.operands.end());
}

}  // namespace

void Client::run(const CommandLine& command, ResultWriter& writer) const {
    using Handler = void (Client::*)(const CommandLine&, ResultWriter&) const;
    static const std::vector<std::pair<std::string_view, Handler>> handlers{
        {"ecn", &Client::enumerateClassNames}, {"ein", &Client::enumerateInstanceNames},
        {"ei", &Client::enumerateInstances},   {"gi", &Client::getInstance},
        {"mi", &Client::modifyInstance},       {"ci", &Client::createInstance},
        {"di", &Client::deleteInstance},       {"ai", &Client::associators},
        {"ain", &Client::associatorNames},     {"ri", &Client::references},
        {"rin", &Client::referenceNames},      {"cm", &Client::invokeMethod},
    };
    if (command.verb == nullptr) {
        throw UsageError("no verb given");
    }
    for (const auto& [name, handler] : handlers) {
        if (name == command.verb->name) {
            (this->*handler)(command, writer);
            return;
        }
    }
    throw UsageError("unknown verb \"" + std::string(command.verb->name) + "\"");
}

host::ObjectPath Client::classOperand(const CommandLine& command, const std::string& text) const {
    host::ObjectPath path = pathFromOperand(text, command.nameSpace);
    if (!path.keys().empty()) {
        throw UsageError("expected a class name, not the instance path \"" + text + "\"");
    }
    requireClass(registry_, path.className());
    return path;
}

host::ObjectPath Client::instanceOperand(const CommandLine& command,
                                         const std::string& text) const {
    host::ObjectPath path = pathFromOperand(text, command.nameSpace);
    if (path.keys().empty()) {
        requireClass(registry_, path.className());
        throw UsageError("expected an instance path with its keys, e.g. " + path.className() +
                         ".Name=\"value\", not \"" + text + "\"");
    }
    return typedPath(registry_, std::move(path));
}

host::Context Client::context(const host::ObjectPath& path) const {
    return host::Context::forOperation(path.nameSpace(), 0, principal_);
}

void Client::enumerateClassNames(const CommandLine& command, ResultWriter& writer) const {
    std::vector<std::string> names;
    if (command.operands.empty()) {
        for (const auto& decl : registry_.all()) {
            if (command.deep || decl->superclass.empty()) {
                names.push_back(decl->name);
            }
        }
        writer.classNames(names);
        return;
    }
    const host::ObjectPath base = classOperand(command, command.operands.front());
    for (const std::string& name : registry_.subclasses(base.className())) {
        const auto decl = registry_.find(name);
        if (command.deep || (decl && host::namesEqual(decl->superclass, base.className()))) {
            names.push_back(name);
        }
    }
    writer.classNames(names);
}

void Client::enumerateInstanceNames(const CommandLine& command, ResultWriter& writer) const {
    const host::ObjectPath classPath = classOperand(command, command.operands.front());
    writer.paths(
        completedPaths(valueOf(router_.enumerateInstanceNames(context(classPath), classPath)),
                       classPath.nameSpace()));
}

void Client::enumerateInstances(const CommandLine& command, ResultWriter& writer) const {
    const host::ObjectPath classPath = classOperand(command, command.operands.front());
    checkPropertyList(registry_, classPath.className(), command.properties);
    writer.instances(completedInstances(
        valueOf(router_.enumerateInstances(context(classPath), classPath, command.properties)),
        classPath.nameSpace(), command.properties));
}

void Client::getInstance(const CommandLine& command, ResultWriter& writer) const {
    const host::ObjectPath path = instanceOperand(command, command.operands.front());
    checkPropertyList(registry_, path.className(), command.properties);
    host::Instance found = valueOf(router_.getInstance(context(path), path, command.properties));
    writer.instance(limitedTo(completed(std::move(found), path.nameSpace()), command.properties));
}

void Client::modifyInstance(const CommandLine& command, ResultWriter& writer) const {
    const host::ObjectPath path = instanceOperand(command, command.operands.front());
    const host::NamedValues assigned =
        propertyAssignments(registry_, path.className(), assignmentOperands(command, 1));
    host::Instance instance = instanceWithKeys(path);
    std::vector<std::string> changed;
    for (const auto& [name, value] : assigned) {
        const auto property = findPropertyDecl(registry_, path.className(), name);
        if (property && property->isKey()) {
            throw UsageError("the key " + name + " names the instance and cannot be modified");
        }
        instance.setProperty(name, value);
        changed.push_back(name);
    }
    // A client that sends back more than it means to change names what counts.
    check(router_.modifyInstance(context(path), path, instance,
                                 command.properties ? *command.properties : changed));
    writer.modified(path);
}

void Client::createInstance(const CommandLine& command, ResultWriter& writer) const {
    host::ObjectPath path = pathFromOperand(command.operands.front(), command.nameSpace);
    path = typedPath(registry_, std::move(path));
    const host::NamedValues assigned =
        propertyAssignments(registry_, path.className(), assignmentOperands(command, 1));
    host::Instance instance = instanceWithKeys(path);
    for (const auto& [name, value] : assigned) {
        instance.setProperty(name, value);
        const auto property = findPropertyDecl(registry_, path.className(), name);
        if (property && property->isKey()) {
            path.setKey(name, value);
        }
    }
    instance.setPath(path);
    writer.created(completed(valueOf(router_.createInstance(context(path), path, instance)),
                             path.nameSpace()));
}

void Client::deleteInstance(const CommandLine& command, ResultWriter& writer) const {
    const host::ObjectPath path = instanceOperand(command, command.operands.front());
    check(router_.deleteInstance(context(path), path));
    writer.deleted(path);
}

void Client::associators(const CommandLine& command, ResultWriter& writer) const {
    const host::ObjectPath path = instanceOperand(command, command.operands.front());
    writer.instances(completedInstances(
        valueOf(router_.associators(context(path), path, command.filter, command.properties)),
        path.nameSpace(), command.properties));
}

void Client::associatorNames(const CommandLine& command, ResultWriter& writer) const {
    const host::ObjectPath path = instanceOperand(command, command.operands.front());
    writer.paths(completedPaths(
        valueOf(router_.associatorNames(context(path), path, command.filter)), path.nameSpace()));
}

void Client::references(const CommandLine& command, ResultWriter& writer) const {
    const host::ObjectPath path = instanceOperand(command, command.operands.front());
    auto found = valueOf(
        router_.references(context(path), path, referenceFilter(command), command.properties));
    writer.instances(completedInstances(std::move(found), path.nameSpace(), command.properties));
}

void Client::referenceNames(const CommandLine& command, ResultWriter& writer) const {
    const host::ObjectPath path = instanceOperand(command, command.operands.front());
    writer.paths(completedPaths(
        valueOf(router_.referenceNames(context(path), path, referenceFilter(command))),
        path.nameSpace()));
}

void Client::invokeMethod(const CommandLine& command, ResultWriter& writer) const {
    host::ObjectPath path = pathFromOperand(command.operands.front(), command.nameSpace);
    path = typedPath(registry_, std::move(path));
    const std::string& methodName = command.operands.at(1);
    const host::MethodDecl method = requireMethod(registry_, path.className(), methodName);
    const host::Arguments in = methodArguments(method, assignmentOperands(command, 2));
    writer.methodResult(method.name,
                        valueOf(router_.invokeMethod(context(path), path, method.name, in)));
}

}  // namespace ovx::cli
