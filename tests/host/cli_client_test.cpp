// Verbs turned into CIM operations: what reaches the router (typed paths,
// property lists, filters, arguments) and how its answers and failures come
// back, against a recording router and the project's class declarations.
#include "client.h"
#include "operands.h"
#include "usage_error.h"

#include "ovx/host/callback_router.h"
#include "ovx/host/cim_error.h"
#include "cli_test_support.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace ovx::cli {
namespace {

using host::Arguments;
using host::Context;
using host::Instance;
using host::ObjectPath;
using host::Reply;
using host::Status;
using host::Value;

using clitest::projectClasses;

// Remembers the last request and answers with what the test sets up. The
// operations no verb makes are left to the base, which refuses them.
class RecordingRouter : public host::CallbackRouter {
  public:
    std::string operation;
    std::string nameSpace;
    std::string principal;
    ObjectPath path;
    Instance instance;
    host::PropertyList properties;
    host::AssociatorFilter associatorFilter;
    host::ReferenceFilter referenceFilter;
    std::string method;
    Arguments in;

    Status status = Status::success();
    std::vector<ObjectPath> paths;
    std::vector<Instance> instances;
    host::MethodReply methodReply;

    Reply<std::vector<ObjectPath>> enumerateInstanceNames(const Context& context,
                                                          const ObjectPath& classPath) override {
        record("enumerateInstanceNames", context, classPath);
        return answer(paths);
    }
    Reply<std::vector<Instance>> enumerateInstances(const Context& context,
                                                    const ObjectPath& classPath,
                                                    const host::PropertyList& list) override {
        record("enumerateInstances", context, classPath);
        properties = list;
        return answer(instances);
    }
    Reply<Instance> getInstance(const Context& context, const ObjectPath& target,
                                const host::PropertyList& list) override {
        record("getInstance", context, target);
        properties = list;
        return answer(instances.empty() ? Instance() : instances.front());
    }
    Reply<ObjectPath> createInstance(const Context& context, const ObjectPath& target,
                                     const Instance& given) override {
        record("createInstance", context, target);
        instance = given;
        return answer(paths.empty() ? ObjectPath() : paths.front());
    }
    Status modifyInstance(const Context& context, const ObjectPath& target, const Instance& given,
                          const host::PropertyList& list) override {
        record("modifyInstance", context, target);
        instance = given;
        properties = list;
        return status;
    }
    Status deleteInstance(const Context& context, const ObjectPath& target) override {
        record("deleteInstance", context, target);
        return status;
    }
    Reply<std::vector<Instance>> associators(const Context& context, const ObjectPath& target,
                                             const host::AssociatorFilter& filter,
                                             const host::PropertyList& list) override {
        record("associators", context, target);
        associatorFilter = filter;
        properties = list;
        return answer(instances);
    }
    Reply<std::vector<ObjectPath>> associatorNames(const Context& context, const ObjectPath& target,
                                                   const host::AssociatorFilter& filter) override {
        record("associatorNames", context, target);
        associatorFilter = filter;
        return answer(paths);
    }
    Reply<std::vector<Instance>> references(const Context& context, const ObjectPath& target,
                                            const host::ReferenceFilter& filter,
                                            const host::PropertyList& list) override {
        record("references", context, target);
        referenceFilter = filter;
        properties = list;
        return answer(instances);
    }
    Reply<std::vector<ObjectPath>> referenceNames(const Context& context, const ObjectPath& target,
                                                  const host::ReferenceFilter& filter) override {
        record("referenceNames", context, target);
        referenceFilter = filter;
        return answer(paths);
    }
    Reply<host::MethodReply> invokeMethod(const Context& context, const ObjectPath& target,
                                          const std::string& name,
                                          const Arguments& arguments) override {
        record("invokeMethod", context, target);
        method = name;
        in = arguments;
        return answer(methodReply);
    }

  private:
    void record(const char* name, const Context& context, const ObjectPath& target) {
        operation = name;
        nameSpace = context.nameSpace();
        principal = context.principal();
        path = target;
    }

    template <typename T>
    Reply<T> answer(T value) const {
        if (!status.ok()) {
            return Reply<T>::failure(status.rc, status.message);
        }
        return Reply<T>::success(std::move(value));
    }
};

const char* const kEndpoint =
    R"(OVX_IPProtocolEndpoint.CreationClassName="OVX_IPProtocolEndpoint",Name="eth0",SystemCreationClassName="OVX_ComputerSystem",SystemName="myhost")";

class CliClient : public ::testing::Test {
  protected:
    std::string run(const std::vector<std::string>& arguments,
                    OutputFormat format = OutputFormat::Text) {
        HostSettings settings;
        const CommandLine command = parseCommandLine(arguments, settings);
        std::ostringstream out;
        ResultWriter writer(out, format);
        Client(router, projectClasses(), "tester").run(command, writer);
        return out.str();
    }

    CMPIrc cimError(const std::vector<std::string>& arguments) {
        try {
            run(arguments);
        } catch (const host::CimError& error) {
            return error.rc();
        }
        return CMPI_RC_OK;
    }

    RecordingRouter router;
};

TEST_F(CliClient, ClassNamesDirectlyBelowOrDeep) {
    const std::string roots = run({"ecn"});
    EXPECT_NE(roots.find("CIM_ManagedElement\n"), std::string::npos) << roots;
    EXPECT_EQ(roots.find("OVX_LANEndpoint"), std::string::npos) << roots;

    const std::string all = run({"ecn", "--deep"});
    EXPECT_NE(all.find("OVX_LANEndpoint\n"), std::string::npos);
    EXPECT_NE(all.find("CIM_ManagedElement\n"), std::string::npos);

    const std::string direct = run({"ecn", "CIM_LANEndpoint"});
    EXPECT_EQ(direct, "OVX_LANEndpoint\n");
    const std::string deep = run({"ecn", "CIM_ProtocolEndpoint", "--deep"});
    EXPECT_NE(deep.find("OVX_IPProtocolEndpoint\n"), std::string::npos) << deep;
    EXPECT_NE(deep.find("OVX_LANEndpoint\n"), std::string::npos) << deep;
    EXPECT_EQ(router.operation, "") << "class names come from the declarations";
    EXPECT_EQ(cimError({"ecn", "CIM_Nothing"}), CMPI_RC_ERR_INVALID_CLASS);
}

TEST_F(CliClient, EnumerationsGoToTheClassPathInItsNamespace) {
    ObjectPath answer("", "OVX_LANEndpoint");
    answer.setKey("Name", Value::string("eth0"));
    router.paths = {answer};
    EXPECT_EQ(run({"ein", "OVX_LANEndpoint"}), "root/cimv2:OVX_LANEndpoint.Name=\"eth0\"\n");
    EXPECT_EQ(router.operation, "enumerateInstanceNames");
    EXPECT_EQ(router.path.toString(), "root/cimv2:OVX_LANEndpoint");
    EXPECT_EQ(router.nameSpace, "root/cimv2");
    EXPECT_EQ(router.principal, "tester");

    Instance instance(answer);
    instance.setProperty("Name", Value::string("eth0"));
    instance.setProperty("MACAddress", Value::string("00A0C9000001"));
    router.instances = {instance};
    const std::string shown = run({"ei", "-n", "root/test", "OVX_LANEndpoint", "-pl", "Name"});
    EXPECT_EQ(router.nameSpace, "root/test");
    EXPECT_EQ(router.properties, std::vector<std::string>{"Name"});
    EXPECT_EQ(shown,
              "// root/test:OVX_LANEndpoint.Name=\"eth0\"\n"
              "instance of OVX_LANEndpoint {\n    Name = \"eth0\";\n};\n");
    EXPECT_EQ(cimError({"ei", "OVX_Nothing"}), CMPI_RC_ERR_INVALID_CLASS);
    EXPECT_THROW(run({"ei", "OVX_LANEndpoint", "-pl", "Colour"}), UsageError);
    EXPECT_THROW(run({"ein", "OVX_LANEndpoint.Name=\"eth0\""}), UsageError);
}

TEST_F(CliClient, GetInstanceTypesThePathAndReportsFailures) {
    Instance endpoint(pathFromOperand(kEndpoint, "root/cimv2"));
    for (const auto& [name, value] : endpoint.path().keys()) {
        endpoint.setProperty(name, value);
    }
    endpoint.setProperty("ElementName", Value::string("eth0"));
    endpoint.setProperty("EnabledState", Value::uint16(2));
    router.instances = {endpoint};
    const std::string shown =
        run({"gi", kEndpoint, "--properties", "enabledstate"}, OutputFormat::Json);
    EXPECT_EQ(router.operation, "getInstance");
    EXPECT_EQ(router.path.keys().size(), 4U);
    EXPECT_EQ(router.path.nameSpace(), "root/cimv2");
    EXPECT_EQ(router.properties, std::vector<std::string>{"enabledstate"});
    // The provider answered with more than was asked: only the keys and the
    // listed property are shown.
    const auto properties = nlohmann::json::parse(shown).at("instance").at("properties");
    EXPECT_EQ(properties.size(), 5U) << properties;
    EXPECT_EQ(properties.at("EnabledState"), 2);
    EXPECT_EQ(properties.at("Name"), "eth0");
    EXPECT_FALSE(properties.contains("ElementName"));

    router.status = Status::failure(CMPI_RC_ERR_NOT_FOUND, "no such endpoint");
    EXPECT_EQ(cimError({"gi", kEndpoint}), CMPI_RC_ERR_NOT_FOUND);
    EXPECT_THROW(run({"gi", "OVX_IPProtocolEndpoint"}), UsageError) << "a path needs its keys";
    EXPECT_THROW(run({"gi", "OVX_IPProtocolEndpoint.Name=eth0"}), UsageError);
}

TEST_F(CliClient, ModifySendsTheAssignedPropertiesTyped) {
    const std::string setting = R"(OVX_StaticIPAssignmentSettingData.InstanceID="eth0")";
    const std::string shown = run({"mi", setting, "SubnetMask=255.255.0.0", "AddressOrigin=3"});
    EXPECT_EQ(router.operation, "modifyInstance");
    EXPECT_EQ(router.properties, (std::vector<std::string>{"SubnetMask", "AddressOrigin"}));
    EXPECT_EQ(*router.instance.findProperty("SubnetMask"), Value::string("255.255.0.0"));
    EXPECT_EQ(*router.instance.findProperty("AddressOrigin"), Value::uint16(3));
    EXPECT_EQ(*router.instance.findProperty("InstanceID"), Value::string("eth0"));
    EXPECT_EQ(shown, "modified root/cimv2:" + setting + "\n");

    EXPECT_THROW(run({"mi", setting, "AddressOrigin=x"}), UsageError);
    EXPECT_THROW(run({"mi", setting, "InstanceID=\"other\""}), UsageError)
        << "keys name the instance";
    router.status = Status::failure(CMPI_RC_ERR_NOT_SUPPORTED, "read-only");
    EXPECT_EQ(cimError({"mi", setting, "SubnetMask=255.0.0.0"}), CMPI_RC_ERR_NOT_SUPPORTED);
}

TEST_F(CliClient, CreateAndDelete) {
    ObjectPath created("", "OVX_StaticIPAssignmentSettingData");
    created.setKey("InstanceID", Value::string("new"));
    router.paths = {created};
    const std::string shown = run(
        {"ci", "OVX_StaticIPAssignmentSettingData", "InstanceID=new", "IPv4Address=192.0.2.99"});
    EXPECT_EQ(router.operation, "createInstance");
    EXPECT_EQ(*router.instance.path().findKey("InstanceID"), Value::string("new"));
    EXPECT_EQ(*router.instance.findProperty("IPv4Address"), Value::string("192.0.2.99"));
    EXPECT_EQ(shown, "root/cimv2:OVX_StaticIPAssignmentSettingData.InstanceID=\"new\"\n");

    EXPECT_EQ(run({"di", R"(OVX_StaticIPAssignmentSettingData.InstanceID="new")"}),
              "deleted root/cimv2:OVX_StaticIPAssignmentSettingData.InstanceID=\"new\"\n");
    EXPECT_EQ(router.operation, "deleteInstance");
}

TEST_F(CliClient, AssociationVerbsPassTheirFilters) {
    run({"ai", kEndpoint, "-ac", "OVX_BindsToLanEndPoint", "-rc", "OVX_LANEndpoint", "-r",
         "Dependent", "-rr", "Antecedent", "-pl", "Name"});
    EXPECT_EQ(router.operation, "associators");
    EXPECT_EQ(router.associatorFilter.assocClass, "OVX_BindsToLanEndPoint");
    EXPECT_EQ(router.associatorFilter.resultClass, "OVX_LANEndpoint");
    EXPECT_EQ(router.associatorFilter.role, "Dependent");
    EXPECT_EQ(router.associatorFilter.resultRole, "Antecedent");
    EXPECT_EQ(router.properties, std::vector<std::string>{"Name"});

    run({"ain", kEndpoint});
    EXPECT_EQ(router.operation, "associatorNames");
    EXPECT_FALSE(router.associatorFilter.assocClass.has_value());

    run({"ri", kEndpoint, "--result-class", "OVX_BindsToLanEndPoint", "--role", "Dependent"});
    EXPECT_EQ(router.operation, "references");
    EXPECT_EQ(router.referenceFilter.resultClass, "OVX_BindsToLanEndPoint");
    EXPECT_EQ(router.referenceFilter.role, "Dependent");

    run({"rin", kEndpoint});
    EXPECT_EQ(router.operation, "referenceNames");
    router.status = Status::failure(CMPI_RC_ERR_NOT_SUPPORTED, "later");
    EXPECT_EQ(cimError({"ain", kEndpoint}), CMPI_RC_ERR_NOT_SUPPORTED);
}

TEST_F(CliClient, MethodCallsCarryTypedArgumentsAndShowTheResult) {
    router.methodReply.returnValue = Value::uint32(0);
    ObjectPath job("root/cimv2", "OVX_ConcreteJob");
    job.setKey("InstanceID", Value::string("j1"));
    router.methodReply.out.set("Job", Value::reference(job));
    const std::string shown = run({"cm", kEndpoint, "requeststatechange", "RequestedState=3",
                                   "TimeoutPeriod=00000000000010.000000:000"},
                                  OutputFormat::Json);
    EXPECT_EQ(router.operation, "invokeMethod");
    EXPECT_EQ(router.method, "RequestStateChange") << "spelled as declared";
    EXPECT_EQ(*router.in.find("RequestedState"), Value::uint16(3));
    EXPECT_TRUE(router.in.find("TimeoutPeriod")->asDateTime().isInterval());
    const auto document = nlohmann::json::parse(shown);
    EXPECT_EQ(document.at("returnValue"), 0);
    EXPECT_EQ(document.at("out").at("Job"), job.toString());

    EXPECT_EQ(cimError({"cm", kEndpoint, "Reboot"}), CMPI_RC_ERR_METHOD_NOT_FOUND);
    EXPECT_THROW(run({"cm", kEndpoint, "RequestStateChange", "RequestedState=70000"}), UsageError);
    EXPECT_THROW(run({"cm", kEndpoint, "RequestStateChange", "Colour=3"}), UsageError);
}

}  // namespace
}  // namespace ovx::cli
