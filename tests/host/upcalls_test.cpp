// Up-calls from a provider through the broker to the router.
#include "cmpi_test_support.h"
#include "ovx/host/callback_router.h"
#include "ovx/host/conversions.h"

#include <atomic>
#include <stdexcept>
#include <thread>

namespace ovx::host {
namespace {

using testing::text;

ObjectPath systemPath(const std::string& name) {
    ObjectPath path("root/cimv2", "OVX_ComputerSystem");
    path.setKey("CreationClassName", Value::string("OVX_ComputerSystem"));
    path.setKey("Name", Value::string(name));
    return path;
}

Instance systemInstance(const std::string& name) {
    Instance instance(systemPath(name));
    instance.setProperty("Name", Value::string(name));
    instance.setProperty("Dedicated", Value::array(CMPI_uint16, {Value::uint16(2)}));
    return instance;
}

class UpcallTest : public ::testing::Test {
  protected:
    UpcallTest()
        : router(std::make_shared<CallbackRouter>()), broker(nullptr, router), scope(broker) {
        ctx = toCmpi(Context::forOperation("root/cimv2", 0, "operator"));
    }

    const CMPIBroker* mb() const { return broker.cmpi(); }
    CMPIObjectPath* classPath(const char* cls) { return toCmpi(ObjectPath("root/cimv2", cls)); }

    std::shared_ptr<CallbackRouter> router;
    Broker broker;
    OperationScope scope;
    CMPIContext* ctx = nullptr;
};

TEST_F(UpcallTest, EnumerationSurvivesTheCalleeScope) {
    std::size_t callerObjectsDuringCall = 0;
    router->onEnumerateInstances(
        "OVX_ComputerSystem",
        [&](const Context& context, const ObjectPath& path, const PropertyList& properties) {
            EXPECT_EQ(context.principal(), "operator");
            EXPECT_EQ(path.className(), "OVX_ComputerSystem");
            EXPECT_FALSE(properties.has_value());
            // What the callee makes lives in its own scope, not the caller's.
            callerObjectsDuringCall = scope.handleCount();
            for (int i = 0; i < 5; ++i) {
                toCmpi(systemInstance("scratch"));
            }
            return Reply<std::vector<Instance>>::success(
                {systemInstance("host1"), systemInstance("host2"), systemInstance("host3")});
        });
    CMPIObjectPath* op = classPath("OVX_ComputerSystem");
    const std::size_t before = scope.handleCount();
    CMPIStatus rc{};
    CMPIEnumeration* en = CBEnumInstances(mb(), ctx, op, nullptr, &rc);
    ASSERT_EQ(rc.rc, CMPI_RC_OK);
    ASSERT_NE(en, nullptr);
    EXPECT_EQ(callerObjectsDuringCall, before);
    EXPECT_EQ(scope.handleCount(), before + 1);  // just the enumeration

    std::vector<std::string> names;
    while (CMHasNext(en, nullptr)) {
        const CMPIData item = CMGetNext(en, &rc);
        ASSERT_EQ(item.type, CMPI_instance);
        names.push_back(text(CMGetProperty(item.value.inst, "Name", nullptr).value.string));
    }
    EXPECT_EQ(names, (std::vector<std::string>{"host1", "host2", "host3"}));
    CMGetNext(en, &rc);
    EXPECT_EQ(rc.rc, CMPI_RC_ERR_NOT_FOUND);

    CMPIArray* all = CMToArray(en, &rc);
    ASSERT_EQ(CMGetArrayCount(all, nullptr), 3u);
    EXPECT_EQ(CMGetArrayType(all, nullptr), CMPI_instance);
    CMPIEnumeration* copy = CMClone(en, nullptr);
    EXPECT_FALSE(CMHasNext(copy, nullptr));  // the clone keeps the position
    EXPECT_EQ(CMRelease(copy).rc, CMPI_RC_OK);
}

TEST_F(UpcallTest, FailuresComeBackAsStatusWithMessage) {
    router->onGetInstance(
        "OVX_LANEndpoint", [](const Context&, const ObjectPath& path, const PropertyList&) {
            return Reply<Instance>::failure(CMPI_RC_ERR_NOT_FOUND, "no " + path.toString());
        });
    router->onEnumerateInstances(
        "OVX_Broken",
        [](const Context&, const ObjectPath&, const PropertyList&) -> Reply<std::vector<Instance>> {
            throw std::runtime_error("provider crashed");
        });
    CMPIStatus rc{};
    EXPECT_EQ(CBGetInstance(mb(), ctx, classPath("OVX_LANEndpoint"), nullptr, &rc), nullptr);
    EXPECT_EQ(rc.rc, CMPI_RC_ERR_NOT_FOUND);
    EXPECT_EQ(text(rc.msg), "no root/cimv2:OVX_LANEndpoint");
    EXPECT_EQ(CBEnumInstances(mb(), ctx, classPath("OVX_Broken"), nullptr, &rc), nullptr);
    EXPECT_EQ(rc.rc, CMPI_RC_ERR_FAILED);
    EXPECT_EQ(text(rc.msg), "provider crashed");
    EXPECT_EQ(CBEnumInstanceNames(mb(), ctx, classPath("OVX_Nobody"), &rc), nullptr);
    EXPECT_EQ(rc.rc, CMPI_RC_ERR_NOT_SUPPORTED);
    EXPECT_NE(text(rc.msg).find("enumerateInstanceNames on class OVX_Nobody"), std::string::npos);
    EXPECT_EQ(CBEnumInstanceNames(mb(), nullptr, classPath("OVX_Nobody"), &rc), nullptr);
    EXPECT_EQ(rc.rc, CMPI_RC_ERR_INVALID_HANDLE);
}

TEST_F(UpcallTest, WithoutARouterUpcallsAreNotSupported) {
    Broker lonely;
    OperationScope inner(lonely);
    CMPIStatus rc{};
    CMPIObjectPath* op = CMNewObjectPath(lonely.cmpi(), "root", "C", nullptr);
    EXPECT_EQ(CBEnumInstanceNames(lonely.cmpi(), ctx, op, &rc), nullptr);
    EXPECT_EQ(rc.rc, CMPI_RC_ERR_NOT_SUPPORTED);
}

TEST_F(UpcallTest, InstanceOperationsPassTheirArguments) {
    PropertyList seenProperties;
    router->onGetInstance("OVX_ComputerSystem", [&](const Context&, const ObjectPath& path,
                                                    const PropertyList& properties) {
        seenProperties = properties;
        return Reply<Instance>::success(systemInstance(path.findKey("Name")->asString()));
    });
    Instance created;
    router->onCreateInstance("OVX_ComputerSystem",
                             [&](const Context&, const ObjectPath&, const Instance& instance) {
                                 created = instance;
                                 return Reply<ObjectPath>::success(instance.path());
                             });
    std::string modified;
    router->onModifyInstance("OVX_ComputerSystem",
                             [&](const Context&, const ObjectPath& path, const Instance&,
                                 const PropertyList& properties) {
                                 modified = path.findKey("Name")->asString() + ":" +
                                            std::to_string(properties ? properties->size() : 99);
                                 return Status::success();
                             });
    router->onDeleteInstance("OVX_ComputerSystem", [](const Context&, const ObjectPath&) {
        return Status::failure(CMPI_RC_ERR_ACCESS_DENIED, "read only");
    });

    CMPIObjectPath* op = toCmpi(systemPath("host7"));
    const char* properties[] = {"Name", nullptr};
    CMPIStatus rc{};
    CMPIInstance* got = CBGetInstance(mb(), ctx, op, properties, &rc);
    ASSERT_EQ(rc.rc, CMPI_RC_OK);
    EXPECT_EQ(text(CMGetProperty(got, "Name", nullptr).value.string), "host7");
    ASSERT_TRUE(seenProperties.has_value());
    EXPECT_EQ(*seenProperties, std::vector<std::string>{"Name"});

    CMPIObjectPath* createdPath = CBCreateInstance(mb(), ctx, op, got, &rc);
    ASSERT_EQ(rc.rc, CMPI_RC_OK);
    EXPECT_EQ(text(CMGetKey(createdPath, "Name", nullptr).value.string), "host7");
    EXPECT_EQ(created.findProperty("Name")->asString(), "host7");

    EXPECT_EQ(CBModifyInstance(mb(), ctx, op, got, properties).rc, CMPI_RC_OK);
    EXPECT_EQ(modified, "host7:1");
    rc = CBDeleteInstance(mb(), ctx, op);
    EXPECT_EQ(rc.rc, CMPI_RC_ERR_ACCESS_DENIED);
    EXPECT_EQ(text(rc.msg), "read only");
}

TEST_F(UpcallTest, AssociationOperationsPassTheirFilters) {
    AssociatorFilter seen;
    router->onAssociators("OVX_IPProtocolEndpoint",
                          [&](const Context&, const ObjectPath&, const AssociatorFilter& filter,
                              const PropertyList&) {
                              seen = filter;
                              return Reply<std::vector<Instance>>::success({systemInstance("h")});
                          });
    router->onAssociatorNames(
        "OVX_IPProtocolEndpoint", [](const Context&, const ObjectPath&, const AssociatorFilter&) {
            return Reply<std::vector<ObjectPath>>::success({systemPath("a"), systemPath("b")});
        });
    ReferenceFilter seenReference;
    router->onReferences(
        "OVX_IPProtocolEndpoint",
        [&](const Context&, const ObjectPath&, const ReferenceFilter& filter, const PropertyList&) {
            seenReference = filter;
            return Reply<std::vector<Instance>>::success({});
        });
    router->onReferenceNames("OVX_IPProtocolEndpoint",
                             [](const Context&, const ObjectPath&, const ReferenceFilter&) {
                                 return Reply<std::vector<ObjectPath>>::success({systemPath("r")});
                             });
    CMPIObjectPath* op = classPath("OVX_IPProtocolEndpoint");
    CMPIStatus rc{};
    CMPIEnumeration* assoc =
        CBAssociators(mb(), ctx, op, "OVX_DNSSAPSAPDependency", "OVX_DNSProtocolEndpoint", nullptr,
                      nullptr, nullptr, &rc);
    ASSERT_EQ(rc.rc, CMPI_RC_OK);
    EXPECT_TRUE(CMHasNext(assoc, nullptr));
    EXPECT_EQ(seen.assocClass, std::optional<std::string>("OVX_DNSSAPSAPDependency"));
    EXPECT_EQ(seen.resultClass, std::optional<std::string>("OVX_DNSProtocolEndpoint"));
    EXPECT_FALSE(seen.role.has_value());
    EXPECT_FALSE(seen.resultRole.has_value());

    CMPIEnumeration* names =
        CBAssociatorNames(mb(), ctx, op, nullptr, nullptr, "Dependent", nullptr, &rc);
    const CMPIData first = CMGetNext(names, nullptr);
    ASSERT_EQ(first.type, CMPI_ref);
    EXPECT_EQ(text(CMGetKey(first.value.ref, "Name", nullptr).value.string), "a");

    CMPIEnumeration* refs =
        CBReferences(mb(), ctx, op, "OVX_IPHostedAccessPoint", "Dependent", nullptr, &rc);
    ASSERT_EQ(rc.rc, CMPI_RC_OK);
    EXPECT_FALSE(CMHasNext(refs, nullptr));
    EXPECT_EQ(seenReference.resultClass, std::optional<std::string>("OVX_IPHostedAccessPoint"));
    EXPECT_EQ(seenReference.role, std::optional<std::string>("Dependent"));
    CMPIEnumeration* refNames = CBReferenceNames(mb(), ctx, op, nullptr, nullptr, &rc);
    EXPECT_EQ(CMGetArrayCount(CMToArray(refNames, nullptr), nullptr), 1u);
}

TEST_F(UpcallTest, MethodsPropertiesAndQueries) {
    router->onInvokeMethod(
        "OVX_IPConfigurationService",
        [](const Context&, const ObjectPath&, const std::string& method, const Arguments& in) {
            MethodReply reply;
            reply.returnValue = Value::uint32(method == "Apply" ? 0 : 17);
            reply.out.set("Job", Value::reference(systemPath("job")));
            reply.out.set("Echo", *in.find("Setting"));
            return Reply<MethodReply>::success(reply);
        });
    router->onGetProperty("OVX_ComputerSystem",
                          [](const Context&, const ObjectPath&, const std::string& name) {
                              return Reply<Value>::success(Value::string("value of " + name));
                          });
    Value stored;
    router->onSetProperty("OVX_ComputerSystem", [&](const Context&, const ObjectPath&,
                                                    const std::string&, const Value& value) {
        stored = value;
        return Status::success();
    });
    router->onExecQuery("OVX_ComputerSystem",
                        [](const Context&, const ObjectPath&, const std::string& query,
                           const std::string& language) {
                            if (language != "WQL") {
                                return Reply<std::vector<Instance>>::failure(
                                    CMPI_RC_ERR_QUERY_LANGUAGE_NOT_SUPPORTED, language);
                            }
                            return Reply<std::vector<Instance>>::success({systemInstance(query)});
                        });

    CMPIArgs* in = CMNewArgs(mb(), nullptr);
    CMAddArg(in, "Setting", "static", CMPI_chars);
    CMPIArgs* out = CMNewArgs(mb(), nullptr);
    CMPIStatus rc{};
    const CMPIData result =
        CBInvokeMethod(mb(), ctx, classPath("OVX_IPConfigurationService"), "Apply", in, out, &rc);
    ASSERT_EQ(rc.rc, CMPI_RC_OK);
    EXPECT_EQ(result.type, CMPI_uint32);
    EXPECT_EQ(result.value.uint32, 0u);
    EXPECT_EQ(CMGetArgCount(out, nullptr), 2u);
    EXPECT_EQ(CMGetArg(out, "Job", nullptr).type, CMPI_ref);
    EXPECT_EQ(text(CMGetArg(out, "Echo", nullptr).value.string), "static");

    CMPIObjectPath* system = toCmpi(systemPath("s"));
    const CMPIData property = CBGetProperty(mb(), ctx, system, "Caption", &rc);
    EXPECT_EQ(text(property.value.string), "value of Caption");
    CMPIUint8 small = 9;
    EXPECT_EQ(CBSetProperty(mb(), ctx, system, "Level", &small, CMPI_uint8).rc, CMPI_RC_OK);
    EXPECT_EQ(stored, Value::uint8(9));

    CMPIEnumeration* found = CBExecQuery(mb(), ctx, classPath("OVX_ComputerSystem"),
                                         "SELECT * FROM OVX_ComputerSystem", "WQL", &rc);
    ASSERT_EQ(rc.rc, CMPI_RC_OK);
    EXPECT_TRUE(CMHasNext(found, nullptr));
    CBExecQuery(mb(), ctx, classPath("OVX_ComputerSystem"), "q", "CQL", &rc);
    EXPECT_EQ(rc.rc, CMPI_RC_ERR_QUERY_LANGUAGE_NOT_SUPPORTED);
}

TEST_F(UpcallTest, TwoThreadsCallUpAtTheSameTime) {
    router->onEnumerateInstanceNames(
        "OVX_ComputerSystem", [](const Context& context, const ObjectPath&) {
            return Reply<std::vector<ObjectPath>>::success(
                {systemPath(context.principal()), systemPath(context.principal() + "-2")});
        });
    std::atomic<int> failures{0};
    auto caller = [&](const std::string& principal) {
        for (int round = 0; round < 100; ++round) {
            OperationScope operation(broker);
            CMPIContext* context = toCmpi(Context::forOperation("root/cimv2", 0, principal));
            CMPIObjectPath* op = toCmpi(ObjectPath("root/cimv2", "OVX_ComputerSystem"));
            CMPIStatus rc{};
            CMPIEnumeration* names = CBEnumInstanceNames(mb(), context, op, &rc);
            const CMPIData first = CMGetNext(names, nullptr);
            if (rc.rc != CMPI_RC_OK ||
                text(CMGetKey(first.value.ref, "Name", nullptr).value.string) != principal ||
                operation.handleCount() != 3) {
                ++failures;
            }
        }
    };
    std::thread one(caller, "alice");
    std::thread two(caller, "bob");
    one.join();
    two.join();
    EXPECT_EQ(failures, 0);
}

TEST_F(UpcallTest, CalleeMayCallBackThroughTheBroker) {
    router->onEnumerateInstanceNames("OVX_Outer", [&](const Context& context, const ObjectPath&) {
        // The callee acts like a provider: it asks the broker for more.
        CMPIContext* calleeContext = toCmpi(context);
        CMPIStatus rc{};
        CMPIEnumeration* inner =
            CBEnumInstances(mb(), calleeContext,
                            toCmpi(ObjectPath("root/cimv2", "OVX_ComputerSystem")), nullptr, &rc);
        std::vector<ObjectPath> paths;
        while (inner != nullptr && CMHasNext(inner, nullptr)) {
            const CMPIData item = CMGetNext(inner, nullptr);
            paths.push_back(fromCmpi(CMGetObjectPath(item.value.inst, nullptr)));
        }
        return Reply<std::vector<ObjectPath>>::success(paths);
    });
    router->onEnumerateInstances("OVX_ComputerSystem", [](const Context&, const ObjectPath&,
                                                          const PropertyList&) {
        return Reply<std::vector<Instance>>::success({systemInstance("x"), systemInstance("y")});
    });
    CMPIObjectPath* op = classPath("OVX_Outer");
    const std::size_t before = scope.handleCount();
    CMPIStatus rc{};
    CMPIEnumeration* names = CBEnumInstanceNames(mb(), ctx, op, &rc);
    ASSERT_EQ(rc.rc, CMPI_RC_OK);
    EXPECT_EQ(scope.handleCount(), before + 1);
    const CMPIData second = (CMGetNext(names, nullptr), CMGetNext(names, nullptr));
    EXPECT_EQ(text(CMGetKey(second.value.ref, "Name", nullptr).value.string), "y");
}

}  // namespace
}  // namespace ovx::host
