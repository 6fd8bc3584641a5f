// Instance operations, queries, methods and properties, end to end through
// the test providers.
#include "server_test_support.h"

#include "ovx/host/operation_scope.h"

namespace {

using namespace servertest;
using host::PropertyList;
using host::Value;

using Operations = ServerTest;

// ---- enumeration ------------------------------------------------------------

TEST_F(Operations, EnumerationReachesTheProvidersOfClassAndSubclassOrOfTheSubclassAlone) {
    const auto names = server().enumerateInstanceNames(context(), classPath("TST_Thing"));
    ASSERT_TRUE(names.status.ok()) << names.status.message;
    EXPECT_EQ(keyValues(names.value, "Name"),
              (std::vector<std::string>{"alpha", "beta", "gamma", "omega"}));
    for (const host::ObjectPath& path : names.value) {
        EXPECT_EQ(path.nameSpace(), "root/cimv2");
        const bool special = path.findKey("Name")->asString() == "omega";
        EXPECT_EQ(path.className(), special ? "TST_SpecialThing" : "TST_Thing");
    }

    const auto instances =
        server().enumerateInstances(context(), classPath("TST_Thing"), std::nullopt);
    ASSERT_TRUE(instances.status.ok()) << instances.status.message;
    ASSERT_EQ(instances.value.size(), 4u);
    const auto omega = std::find_if(
        instances.value.begin(), instances.value.end(),
        [](const host::Instance& instance) { return instance.className() == "TST_SpecialThing"; });
    ASSERT_NE(omega, instances.value.end());
    EXPECT_EQ(omega->findProperty("Power")->asUnsigned(), 9000u);

    const auto special = server().enumerateInstanceNames(context(), classPath("TST_SpecialThing"));
    ASSERT_TRUE(special.status.ok()) << special.status.message;
    EXPECT_EQ(keyValues(special.value, "Name"), (std::vector<std::string>{"omega"}));
}

TEST_F(Operations, OnlyTheServersNamespaceExistsAndNamesIgnoreLetterCase) {
    const auto names =
        server().enumerateInstanceNames(context(), host::ObjectPath("ROOT/CIMV2", "tst_container"));
    ASSERT_TRUE(names.status.ok()) << names.status.message;
    EXPECT_EQ(keyValues(names.value, "Id"), (std::vector<std::string>{"box1", "box2"}));

    const auto other =
        server().enumerateInstanceNames(context(), host::ObjectPath("root/interop", "TST_Thing"));
    EXPECT_EQ(other.status.rc, CMPI_RC_ERR_INVALID_NAMESPACE);
    EXPECT_NE(other.status.message.find("root/interop"), std::string::npos);

    // A path without a namespace takes the context's.
    const host::Context elsewhere = host::Context::forOperation("root/interop", 0, "tester");
    const auto fromContext =
        server().getInstance(elsewhere, host::ObjectPath("", "TST_Thing"), std::nullopt);
    EXPECT_EQ(fromContext.status.rc, CMPI_RC_ERR_INVALID_NAMESPACE);

    host::ObjectPath bare("", "TST_Container");
    const auto inServers = server().enumerateInstanceNames(host::Context(), bare);
    EXPECT_TRUE(inServers.status.ok()) << inServers.status.message;
    EXPECT_EQ(inServers.value.size(), 2u);
}

TEST_F(Operations, KnownClassNobodyServesIsEmptyAndOtherProvidersStillServe) {
    const auto orphans = server().enumerateInstances(context(), classPath("TST_Orphan"), {});
    EXPECT_TRUE(orphans.status.ok()) << orphans.status.message;
    EXPECT_TRUE(orphans.value.empty()) << "a known class nobody serves is empty";
    const auto gadgets = server().enumerateInstances(context(), classPath("TST_Gadget"), {});
    ASSERT_TRUE(gadgets.status.ok()) << gadgets.status.message;
    ASSERT_EQ(gadgets.value.size(), 1u);
    EXPECT_EQ(gadgets.value.front().findProperty("Id")->asString(), "g1");
}

// ---- single instances -------------------------------------------------------

TEST_F(Operations, GetInstanceReturnsTheProvidersInstance) {
    const auto alpha = server().getInstance(context(), keyed("TST_Thing", "Name", "alpha"), {});
    ASSERT_TRUE(alpha.status.ok()) << alpha.status.message;
    EXPECT_EQ(alpha.value.findProperty("Size")->asUnsigned(), 1u);
    EXPECT_EQ(alpha.value.findProperty("Label")->asString(), "first");
    EXPECT_EQ(alpha.value.path().nameSpace(), "root/cimv2");
    EXPECT_TRUE(alpha.value.path().sameInstance(keyed("TST_Thing", "Name", "alpha")));

    // Keys beyond those the provider reads are the provider's to judge.
    host::ObjectPath extra = keyed("TST_Thing", "Name", "alpha");
    extra.setKey("Colour", Value::string("red"));
    EXPECT_EQ(server().getInstance(context(), extra, {}).status.rc, CMPI_RC_OK);
}

TEST_F(Operations, ModifyInstanceChangesWhatThePropertyListAllows) {
    const host::ObjectPath alpha = keyed("TST_Thing", "Name", "alpha");
    host::Instance changes(alpha);
    changes.setProperty("Label", Value::string("renamed"));
    changes.setProperty("Size", Value::uint32(40));

    ASSERT_TRUE(server().modifyInstance(context(), alpha, changes, PropertyList{{"Size"}}).ok());
    auto read = server().getInstance(context(), alpha, {});
    ASSERT_TRUE(read.status.ok());
    EXPECT_EQ(read.value.findProperty("Size")->asUnsigned(), 40u);
    EXPECT_EQ(read.value.findProperty("Label")->asString(), "first");

    ASSERT_TRUE(server().modifyInstance(context(), alpha, changes, std::nullopt).ok());
    read = server().getInstance(context(), alpha, {});
    EXPECT_EQ(read.value.findProperty("Label")->asString(), "renamed");
}

TEST_F(Operations, CreateAndDeleteInstances) {
    host::Instance delta(classPath("TST_Thing"));
    delta.setProperty("Name", Value::string("delta"));
    delta.setProperty("Size", Value::uint32(4));
    const auto created = server().createInstance(context(), classPath("TST_Thing"), delta);
    ASSERT_TRUE(created.status.ok()) << created.status.message;
    EXPECT_EQ(created.value.nameSpace(), "root/cimv2");
    EXPECT_EQ(created.value.findKey("Name")->asString(), "delta");

    const auto again = server().createInstance(context(), classPath("TST_Thing"), delta);
    EXPECT_EQ(again.status.rc, CMPI_RC_ERR_ALREADY_EXISTS);

    auto names = server().enumerateInstanceNames(context(), classPath("TST_Thing"));
    EXPECT_EQ(keyValues(names.value, "Name"),
              (std::vector<std::string>{"alpha", "beta", "delta", "gamma", "omega"}));

    EXPECT_TRUE(server().deleteInstance(context(), created.value).ok());
    const host::Status twice = server().deleteInstance(context(), created.value);
    EXPECT_EQ(twice.rc, CMPI_RC_ERR_NOT_FOUND);
    EXPECT_EQ(twice.message, "no TST_Thing delta");
    names = server().enumerateInstanceNames(context(), classPath("TST_Thing"));
    EXPECT_EQ(names.value.size(), 4u);

    EXPECT_EQ(server().deleteInstance(context(), classPath("TST_Thing")).rc, CMPI_RC_ERR_NOT_FOUND);

    // Without a path the class comes from the instance.
    host::Instance epsilon(classPath("TST_Thing"));
    epsilon.setProperty("Name", Value::string("epsilon"));
    const auto pathless = server().createInstance(context(), host::ObjectPath(), epsilon);
    ASSERT_TRUE(pathless.status.ok()) << pathless.status.message;
    EXPECT_EQ(pathless.value.className(), "TST_Thing");
}

TEST_F(Operations, QueriesPassToTheProviderAsWritten) {
    const auto large = server().execQuery(context(), classPath("TST_Thing"),
                                          "SELECT * FROM TST_Thing WHERE Size > 1", "WQL");
    ASSERT_TRUE(large.status.ok()) << large.status.message;
    EXPECT_EQ(keyValues(pathsOf(large.value), "Name"), (std::vector<std::string>{"beta", "gamma"}));
}

// ---- methods ------------------------------------------------------------------

TEST_F(Operations, MethodsOnAnInstanceOrOnTheClassDeliverReturnValueAndOutArguments) {
    const host::ObjectPath alpha = keyed("TST_Thing", "Name", "alpha");
    host::Arguments in;
    in.set("NewSize", Value::uint32(7));
    const auto reply = server().invokeMethod(context(), alpha, "Resize", in);
    ASSERT_TRUE(reply.status.ok()) << reply.status.message;
    EXPECT_EQ(reply.value.returnValue, Value::uint32(0));
    ASSERT_NE(reply.value.out.find("OldSize"), nullptr);
    EXPECT_EQ(reply.value.out.find("OldSize")->asUnsigned(), 1u);
    EXPECT_EQ(reply.value.out.find("Note")->asString(), "resized alpha");

    const auto read = server().getInstance(context(), alpha, {});
    EXPECT_EQ(read.value.findProperty("Size")->asUnsigned(), 7u);

    host::Arguments terms;
    terms.set("Left", Value::uint32(2));
    terms.set("Right", Value::uint32(3));
    const auto sum = server().invokeMethod(context(), classPath("TST_Thing"), "Add", terms);
    ASSERT_TRUE(sum.status.ok()) << sum.status.message;
    EXPECT_EQ(sum.value.out.find("Sum")->asUnsigned(), 5u);
}

TEST_F(Operations, InstancesAreServedBesideAMethodProviderThatCouldNotBeMade) {
    EXPECT_EQ(server().invokeMethod(context(), keyed("TST_Part", "Id", "p1"), "Poke", {}).status.rc,
              CMPI_RC_ERR_FAILED);
    const auto parts = server().enumerateInstanceNames(context(), classPath("TST_Part"));
    EXPECT_TRUE(parts.status.ok()) << parts.status.message;
    EXPECT_EQ(parts.value.size(), 1u);
}

TEST_F(Operations, ProviderGetsTheCallersPrincipalFlagsAndTheNamespace) {
    const host::Context caller = server().clientContext("operator", CMPI_FLAG_IncludeQualifiers);
    const auto reply =
        server().invokeMethod(caller, host::ObjectPath("", "TST_Thing"), "Whoami", {});
    ASSERT_TRUE(reply.status.ok()) << reply.status.message;
    EXPECT_EQ(reply.value.out.find("Principal")->asString(), "operator");
    EXPECT_EQ(reply.value.out.find("NameSpace")->asString(), "root/cimv2");
    EXPECT_EQ(reply.value.out.find("Flags")->asUnsigned(), CMPI_FLAG_IncludeQualifiers);

    // A bare context still gives the provider every standard entry.
    const auto bare = server().invokeMethod(host::Context(), classPath("TST_Thing"), "Whoami", {});
    ASSERT_TRUE(bare.status.ok()) << bare.status.message;
    EXPECT_EQ(bare.value.out.find("Principal")->asString(), "");
    EXPECT_EQ(bare.value.out.find("Flags")->asUnsigned(), 0u);
}

// ---- properties ---------------------------------------------------------------

TEST_F(Operations, GetAndSetOneProperty) {
    const host::ObjectPath beta = keyed("TST_Thing", "Name", "beta");
    const auto label = server().getProperty(context(), beta, "Label");
    ASSERT_TRUE(label.status.ok()) << label.status.message;
    EXPECT_EQ(label.value, Value::string("second"));

    ASSERT_TRUE(server().setProperty(context(), beta, "Label", Value::string("changed")).ok());
    EXPECT_EQ(server().getProperty(context(), beta, "Label").value, Value::string("changed"));
    // Only the named property was touched.
    EXPECT_EQ(server().getProperty(context(), beta, "Size").value, Value::uint32(2));

    EXPECT_EQ(server().getProperty(context(), beta, "Colour").status.rc,
              CMPI_RC_ERR_NO_SUCH_PROPERTY);
    EXPECT_EQ(server().setProperty(context(), beta, "Colour", Value::string("red")).rc,
              CMPI_RC_ERR_NO_SUCH_PROPERTY);
}

// ---- refusals -----------------------------------------------------------------

// Each refusal carries its status and a message naming the cause; a
// provider's own status passes unchanged.
TEST_F(Operations, RefusalsCarryTheirStatusAndReason) {
    const host::ObjectPath alpha = keyed("TST_Thing", "Name", "alpha");
    const host::ObjectPath nope = keyed("TST_Thing", "Name", "nope");
    const host::ObjectPath omega = keyed("TST_SpecialThing", "Name", "omega");
    const host::Instance box(keyed("TST_Container", "Id", "box1"));
    host::Arguments bogus;
    bogus.set("Bogus", Value::uint32(1));
    host::Arguments newSize;
    newSize.set("NewSize", Value::uint32(1));
    const auto query = [this](const char* text, const char* language) {
        return server().execQuery(context(), classPath("TST_Thing"), text, language).status;
    };
    const auto call = [this](const host::ObjectPath& path, const char* method,
                             const host::Arguments& in) {
        return server().invokeMethod(context(), path, method, in).status;
    };
    struct Refusal {
        const char* what;
        host::Status status;
        CMPIrc rc;
        std::string message;  // contained in the status message, or equal to it if `exact`
        bool exact;
    };
    const Refusal refusals[] = {
        {"unknown class",
         server().enumerateInstanceNames(context(), classPath("TST_Nothing")).status,
         CMPI_RC_ERR_INVALID_CLASS, "TST_Nothing", false},
        {"unknown class by path",
         server().getInstance(context(), keyed("TST_Nothing", "Id", "x"), {}).status,
         CMPI_RC_ERR_INVALID_CLASS, "", false},
        {"library missing",
         server().enumerateInstanceNames(context(), classPath("TST_Ghost")).status,
         CMPI_RC_ERR_FAILED, "libovx_test_absent.so", false},
        {"library missing, purpose",
         server().enumerateInstanceNames(context(), classPath("TST_Ghost")).status,
         CMPI_RC_ERR_FAILED, "registered for instance operations on TST_Ghost", false},
        {"factory missing",
         server().enumerateInstances(context(), classPath("TST_Widget"), {}).status,
         CMPI_RC_ERR_FAILED, "no provider named Nobody", false},
        {"empty slot", server().getInstance(context(), keyed("TST_Gadget", "Id", "g1"), {}).status,
         CMPI_RC_ERR_NOT_SUPPORTED, "GenericGadgets", false},
        {"no answer", server().getInstance(context(), nope, {}).status, CMPI_RC_ERR_NOT_FOUND,
         "nope", false},
        // Incomplete keys are the provider's to judge.
        {"class path", server().getInstance(context(), classPath("TST_Thing"), {}).status,
         CMPI_RC_ERR_NOT_FOUND, "", false},
        {"served by nobody",
         server().getInstance(context(), keyed("TST_Orphan", "Id", "x"), {}).status,
         CMPI_RC_ERR_NOT_SUPPORTED, "", false},
        {"provider's not found", server().modifyInstance(context(), nope, host::Instance(nope), {}),
         CMPI_RC_ERR_NOT_FOUND, "no TST_Thing nope", true},
        {"provider's read-only",
         server().modifyInstance(context(), omega, host::Instance(omega), {}),
         CMPI_RC_ERR_NOT_SUPPORTED, "TestSpecials is read-only", true},
        {"instance of another class", server().modifyInstance(context(), alpha, box, {}),
         CMPI_RC_ERR_INVALID_PARAMETER, "", false},
        {"query language", query("SELECT * FROM TST_Thing WHERE Size > 1", "CQL"),
         CMPI_RC_ERR_QUERY_LANGUAGE_NOT_SUPPORTED, "", false},
        {"garbled query", query("SELECT", "WQL"), CMPI_RC_ERR_INVALID_QUERY,
         "TestThings cannot read the query: SELECT", true},
        {"no return value", call(alpha, "Silent", {}), CMPI_RC_ERR_FAILED,
         "returned 0 values for Silent", false},
        {"provider's refusal", call(alpha, "Refuse", {}), CMPI_RC_ERR_ACCESS_DENIED,
         "TestThings refuses politely", true},
        {"undeclared method", call(alpha, "Explode", {}), CMPI_RC_ERR_METHOD_NOT_FOUND, "", false},
        {"undeclared parameter", call(alpha, "Resize", bogus), CMPI_RC_ERR_INVALID_PARAMETER,
         "Bogus", false},
        {"class without methods", call(box.path(), "Resize", {}), CMPI_RC_ERR_METHOD_NOT_FOUND, "",
         false},
        {"no method provider", call(omega, "Resize", newSize), CMPI_RC_ERR_NOT_SUPPORTED, "",
         false},
        {"method factory missing", call(keyed("TST_Part", "Id", "p1"), "Poke", {}),
         CMPI_RC_ERR_FAILED,
         "libovx_test_partial.so: no symbol Partial_Create_MethodMI (registered for method "
         "operations on TST_Part)",
         true},
    };
    for (const Refusal& refusal : refusals) {
        EXPECT_EQ(refusal.status.rc, refusal.rc) << refusal.what << ": " << refusal.status.message;
        if (refusal.exact) {
            EXPECT_EQ(refusal.status.message, refusal.message) << refusal.what;
        } else {
            EXPECT_NE(refusal.status.message.find(refusal.message), std::string::npos)
                << refusal.what << ": " << refusal.status.message;
        }
    }
}

// ---- ownership ----------------------------------------------------------------

TEST_F(Operations, NothingMadeDuringOperationsOutlivesThem) {
    const std::size_t before = host::callerOwnedHandleCount();
    EXPECT_FALSE(host::OperationScope::active());
    for (int round = 0; round < 3; ++round) {
        EXPECT_TRUE(server().enumerateInstances(context(), classPath("TST_Thing"), {}).status.ok());
        EXPECT_TRUE(
            server().enumerateInstances(context(), classPath("TST_Summary"), {}).status.ok());
        EXPECT_TRUE(server()
                        .invokeMethod(context(), keyed("TST_Thing", "Name", "alpha"), "Refuse", {})
                        .status.rc == CMPI_RC_ERR_ACCESS_DENIED);
    }
    EXPECT_EQ(host::callerOwnedHandleCount(), before);
    EXPECT_FALSE(host::OperationScope::active());
}

TEST_F(Operations, ServerShutdownCleansUpEveryProvider) {
    server_.reset();
    for (const char* line :
         {"things cleanup Instance terminating=1", "things cleanup Association terminating=1",
          "things cleanup Method terminating=1", "specials cleanup Instance terminating=1",
          "specials cleanup Association terminating=1"}) {
        EXPECT_EQ(log_.count(line), 1u) << line;
    }
    EXPECT_EQ(log_.count("things create Instance"), 1u);
}

}  // namespace
