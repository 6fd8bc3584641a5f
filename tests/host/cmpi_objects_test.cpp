// Object paths, instances, args, contexts, enumerations, results and errors.
#include "cmpi_test_support.h"
#include "ovx/host/conversions.h"

namespace ovx::host {
namespace {

using testing::BrokerTest;
using testing::declare;
using testing::text;

class CmpiObjectsTest : public BrokerTest {
  protected:
    CMPIObjectPath* endpoint(const char* name = "eth0") {
        CMPIObjectPath* op = path("root/cimv2", "OVX_IPProtocolEndpoint");
        CMAddKey(op, "CreationClassName", "OVX_IPProtocolEndpoint", CMPI_chars);
        CMAddKey(op, "Name", name, CMPI_chars);
        return op;
    }
};

TEST_F(CmpiObjectsTest, ObjectPathPartsKeysAndText) {
    CMPIObjectPath* op = endpoint();
    CMSetHostname(op, "server1");
    EXPECT_EQ(text(CMGetNameSpace(op, nullptr)), "root/cimv2");
    EXPECT_EQ(text(CMGetClassName(op, nullptr)), "OVX_IPProtocolEndpoint");
    EXPECT_EQ(text(CMGetHostname(op, nullptr)), "server1");
    EXPECT_EQ(CMGetKeyCount(op, nullptr), 2u);

    CMPIStatus rc{};
    const CMPIData name = CMGetKey(op, "NAME", &rc);
    EXPECT_EQ(rc.rc, CMPI_RC_OK);
    EXPECT_EQ(name.type, CMPI_string);
    EXPECT_TRUE(CMIsKeyValue(name));
    EXPECT_EQ(text(name.value.string), "eth0");

    CMPIString* keyName = nullptr;
    const CMPIData first = CMGetKeyAt(op, 0, &keyName, &rc);
    EXPECT_EQ(text(keyName), "CreationClassName");
    EXPECT_TRUE(CMIsKeyValue(first));

    const CMPIData missing = CMGetKey(op, "DeviceID", &rc);
    EXPECT_EQ(rc.rc, CMPI_RC_ERR_NOT_FOUND);
    EXPECT_TRUE(missing.state & CMPI_notFound);
    CMGetKeyAt(op, 2, nullptr, &rc);
    EXPECT_EQ(rc.rc, CMPI_RC_ERR_NOT_FOUND);

    EXPECT_EQ(
        text(CMObjectPathToString(op, nullptr)),
        R"(//server1/root/cimv2:OVX_IPProtocolEndpoint.CreationClassName="OVX_IPProtocolEndpoint",Name="eth0")");
}

TEST_F(CmpiObjectsTest, ObjectPathReferenceKeysAndCopiedNamespaces) {
    CMPIObjectPath* system = path("root/cimv2", "OVX_ComputerSystem");
    CMAddKey(system, "Name", "host1", CMPI_chars);
    CMPIObjectPath* assoc = path(nullptr, "OVX_IPHostedAccessPoint");
    CMPIObjectPath* dependent = endpoint();
    CMAddKey(assoc, "Antecedent", &system, CMPI_ref);
    CMAddKey(assoc, "Dependent", &dependent, CMPI_ref);
    ASSERT_EQ(CMSetHostAndNameSpaceFromObjectPath(assoc, system).rc, CMPI_RC_OK);

    const CMPIData antecedent = CMGetKey(assoc, "Antecedent", nullptr);
    ASSERT_EQ(antecedent.type, CMPI_ref);
    EXPECT_TRUE(CMIsKeyValue(antecedent));
    EXPECT_EQ(text(CMGetKey(antecedent.value.ref, "Name", nullptr).value.string), "host1");

    const ObjectPath copy = fromCmpi(assoc);
    EXPECT_EQ(copy.nameSpace(), "root/cimv2");
    EXPECT_EQ(copy, ObjectPath::parse(copy.toString()));

    CMPIStatus rc = CMSetClassName(assoc, nullptr);
    EXPECT_EQ(rc.rc, CMPI_RC_ERR_INVALID_PARAMETER);
    CMPIArray* array = CMNewArray(mb(), 0, CMPI_string, nullptr);
    EXPECT_EQ(CMAddKey(assoc, "Bad", &array, CMPI_stringA).rc, CMPI_RC_ERR_INVALID_DATA_TYPE);
}

TEST_F(CmpiObjectsTest, QualifiersComeFromTheRegistry) {
    ClassDecl base = declare("CIM_Dependency");
    base.qualifiers.push_back({"Association", Value::boolean(true), true});
    base.qualifiers.push_back({"Abstract", Value::boolean(true), false});
    base.qualifiers.push_back({"Version", Value::string("2.10.0"), true});
    base.properties.push_back(
        {"Antecedent", CMPI_ref, "CIM_ManagedElement", {{"Key", Value(), true}}});
    MethodDecl method;
    method.name = "RequestStateChange";
    method.qualifiers.push_back({"Description", Value::string("change it"), true});
    method.parameters.push_back(
        {"RequestedState", CMPI_uint16, "", {{"IN", Value::boolean(true), true}}});
    base.methods.push_back(method);
    registry->add(base);
    ClassDecl derived = declare("OVX_Dependency", "CIM_Dependency");
    derived.qualifiers.push_back({"Version", Value::string("1.0.0"), true});
    registry->add(derived);

    CMPIObjectPath* op = path("root/cimv2", "OVX_Dependency");
    CMPIStatus rc{};
    EXPECT_TRUE(CMGetClassQualifier(op, "Association", &rc).value.boolean);
    EXPECT_EQ(text(CMGetClassQualifier(op, "version", &rc).value.string), "1.0.0");
    CMGetClassQualifier(op, "Abstract", &rc);  // restricted to the base
    EXPECT_EQ(rc.rc, CMPI_RC_ERR_NOT_FOUND);
    EXPECT_TRUE(CMIsNullValue(CMGetPropertyQualifier(op, "Antecedent", "Key", &rc)));
    EXPECT_EQ(rc.rc, CMPI_RC_OK);
    CMGetPropertyQualifier(op, "Nothing", "Key", &rc);
    EXPECT_EQ(rc.rc, CMPI_RC_ERR_NO_SUCH_PROPERTY);
    EXPECT_EQ(text(CMGetMethodQualifier(op, "RequestStateChange", "Description", &rc).value.string),
              "change it");
    EXPECT_TRUE(CMGetParameterQualifier(op, "RequestStateChange", "RequestedState", "IN", &rc)
                    .value.boolean);
    CMGetMethodQualifier(op, "Other", "Description", &rc);
    EXPECT_EQ(rc.rc, CMPI_RC_ERR_METHOD_NOT_FOUND);

    CMPIObjectPath* unknown = path("root/cimv2", "OVX_Unknown");
    CMGetClassQualifier(unknown, "Association", &rc);
    EXPECT_EQ(rc.rc, CMPI_RC_ERR_NOT_FOUND);

    Broker bare;
    OperationScope bareScope(bare);
    CMPIObjectPath* noRegistry = CMNewObjectPath(bare.cmpi(), "root", "OVX_Dependency", nullptr);
    CMGetClassQualifier(noRegistry, "Association", &rc);
    EXPECT_EQ(rc.rc, CMPI_RC_ERR_NOT_SUPPORTED);
}

TEST_F(CmpiObjectsTest, NewInstanceShowsTheKeysAndTakesPropertiesOfAllKinds) {
    CMPIStatus rc{};
    CMPIInstance* inst = CMNewInstance(mb(), endpoint(), &rc);
    ASSERT_EQ(rc.rc, CMPI_RC_OK);
    EXPECT_EQ(CMGetPropertyCount(inst, nullptr), 2u);
    EXPECT_EQ(text(CMGetProperty(inst, "name", nullptr).value.string), "eth0");
    CMPIObjectPath* op = CMGetObjectPath(inst, &rc);
    EXPECT_EQ(text(CMGetKey(op, "Name", nullptr).value.string), "eth0");
    EXPECT_EQ(text(CMGetNameSpace(op, nullptr)), "root/cimv2");

    CMPIUint16 state = 2;
    EXPECT_EQ(CMSetProperty(inst, "EnabledState", &state, CMPI_uint16).rc, CMPI_RC_OK);
    EXPECT_EQ(CMSetProperty(inst, "Description", nullptr, CMPI_chars).rc, CMPI_RC_OK);
    CMPIArray* servers = CMNewArray(mb(), 2, CMPI_chars, nullptr);
    CMSetArrayElementAt(servers, 0, "10.0.0.53", CMPI_chars);
    CMSetArrayElementAt(servers, 1, "10.0.0.54", CMPI_chars);
    EXPECT_EQ(CMSetProperty(inst, "DNSServerAddresses", &servers, CMPI_stringA).rc, CMPI_RC_OK);
    CMPIObjectPath* system = path("root/cimv2", "OVX_ComputerSystem");
    EXPECT_EQ(CMSetProperty(inst, "System", &system, CMPI_ref).rc, CMPI_RC_OK);

    EXPECT_EQ(CMGetProperty(inst, "EnabledState", &rc).value.uint16, 2);
    const CMPIData description = CMGetProperty(inst, "Description", &rc);
    EXPECT_EQ(description.type, CMPI_string);
    EXPECT_TRUE(CMIsNullValue(description));
    const CMPIData dns = CMGetProperty(inst, "DNSServerAddresses", &rc);
    EXPECT_EQ(dns.type, CMPI_stringA);
    EXPECT_TRUE(CMIsArray(dns));
    EXPECT_EQ(text(CMGetArrayElementAt(dns.value.array, 1, nullptr).value.string), "10.0.0.54");
    EXPECT_EQ(CMGetProperty(inst, "System", &rc).type, CMPI_ref);

    CMPIString* name = nullptr;
    CMGetPropertyAt(inst, 2, &name, &rc);
    EXPECT_EQ(text(name), "EnabledState");
    const CMPIData missing = CMGetProperty(inst, "Nothing", &rc);
    EXPECT_EQ(rc.rc, CMPI_RC_ERR_NO_SUCH_PROPERTY);
    EXPECT_TRUE(missing.state & CMPI_notFound);
    CMGetPropertyAt(inst, 99, nullptr, &rc);
    EXPECT_EQ(rc.rc, CMPI_RC_ERR_NO_SUCH_PROPERTY);
    EXPECT_EQ(CMSetProperty(inst, nullptr, &state, CMPI_uint16).rc, CMPI_RC_ERR_INVALID_PARAMETER);
}

TEST_F(CmpiObjectsTest, NewInstanceStartsWithTheInitialValuesOfItsClass) {
    ClassDecl base = declare("CIM_Stateful");
    base.properties.push_back({"EnabledDefault", CMPI_uint16, "", {}});
    base.properties.push_back({"RequestedState", CMPI_uint16, "", {}});
    base.defaults = {{"EnabledDefault", Value::uint16(2)}, {"RequestedState", Value::uint16(12)}};
    registry->add(base);
    ClassDecl derived = declare("OVX_Stateful", "CIM_Stateful");
    derived.properties.push_back({"Name", CMPI_string, "", {{"Key", Value::boolean(true), true}}});
    derived.properties.push_back({"RequestedState", CMPI_uint16, "", {}});
    derived.defaults = {{"RequestedState", Value::uint16(5)}};
    registry->add(derived);

    CMPIObjectPath* op = path("root/cimv2", "OVX_Stateful");
    CMAddKey(op, "Name", "a", CMPI_chars);
    CMPIInstance* inst = CMNewInstance(mb(), op, nullptr);
    EXPECT_EQ(CMGetProperty(inst, "EnabledDefault", nullptr).value.uint16, 2);
    EXPECT_EQ(CMGetProperty(inst, "RequestedState", nullptr).value.uint16, 5);
    EXPECT_EQ(text(CMGetProperty(inst, "Name", nullptr).value.string), "a");
}

TEST_F(CmpiObjectsTest, SettingAKeyPropertyOrANewPathUpdatesThePath) {
    CMPIInstance* inst = CMNewInstance(mb(), endpoint(), nullptr);
    CMSetProperty(inst, "Name", "eth1", CMPI_chars);
    EXPECT_EQ(text(CMGetKey(CMGetObjectPath(inst, nullptr), "Name", nullptr).value.string), "eth1");

    ClassDecl decl = declare("OVX_Keyed");
    decl.properties.push_back(
        {"InstanceID", CMPI_string, "", {{"Key", Value::boolean(true), true}}});
    registry->add(decl);
    CMPIInstance* keyed = CMNewInstance(mb(), path("root/cimv2", "OVX_Keyed"), nullptr);
    CMSetProperty(keyed, "InstanceID", "id-1", CMPI_chars);
    CMSetProperty(keyed, "Caption", "not a key", CMPI_chars);
    CMPIObjectPath* op = CMGetObjectPath(keyed, nullptr);
    EXPECT_EQ(CMGetKeyCount(op, nullptr), 1u);
    EXPECT_EQ(text(CMGetKey(op, "InstanceID", nullptr).value.string), "id-1");

    // A whole new path replaces the old one.
    ASSERT_EQ(CMSetObjectPath(inst, endpoint("eth9")).rc, CMPI_RC_OK);
    EXPECT_EQ(text(CMGetKey(CMGetObjectPath(inst, nullptr), "Name", nullptr).value.string), "eth9");
    EXPECT_EQ(CMSetObjectPath(inst, nullptr).rc, CMPI_RC_ERR_INVALID_HANDLE);
    EXPECT_EQ(CMSetPropertyWithOrigin(inst, "Caption", "c", CMPI_chars, "CIM_ManagedElement").rc,
              CMPI_RC_OK);
    EXPECT_EQ(text(CMGetProperty(inst, "Caption", nullptr).value.string), "c");
}

TEST_F(CmpiObjectsTest, PropertyFilterKeepsListedPropertiesAndKeys) {
    CMPIInstance* inst = CMNewInstance(mb(), endpoint(), nullptr);
    CMSetProperty(inst, "Caption", "early", CMPI_chars);
    const char* wanted[] = {"ElementName", nullptr};
    ASSERT_EQ(CMSetPropertyFilter(inst, wanted, nullptr).rc, CMPI_RC_OK);
    CMSetProperty(inst, "ElementName", "shown", CMPI_chars);
    CMSetProperty(inst, "Description", "hidden", CMPI_chars);
    CMSetProperty(inst, "Name", "eth0", CMPI_chars);

    const Instance filtered = fromCmpi(inst);
    EXPECT_EQ(filtered.properties().size(), 3u);  // two keys and ElementName
    EXPECT_NE(filtered.findProperty("ElementName"), nullptr);
    EXPECT_EQ(filtered.findProperty("Caption"), nullptr);
    EXPECT_EQ(filtered.findProperty("Description"), nullptr);

    CMPIInstance* copy = CMClone(inst, nullptr);
    CMSetProperty(copy, "Description", "still hidden", CMPI_chars);
    EXPECT_EQ(fromCmpi(copy).findProperty("Description"), nullptr);
    CMRelease(copy);

    ASSERT_EQ(CMSetPropertyFilter(inst, nullptr, nullptr).rc, CMPI_RC_OK);
    CMSetProperty(inst, "Description", "now shown", CMPI_chars);
    EXPECT_NE(fromCmpi(inst).findProperty("Description"), nullptr);
}

TEST_F(CmpiObjectsTest, ArgsInAndOut) {
    CMPIArgs* args = CMNewArgs(mb(), nullptr);
    CMPIObjectPath* op = endpoint();
    CMAddArg(args, "Endpoint", &op, CMPI_ref);
    CMPIUint16 state = 3;
    CMAddArg(args, "RequestedState", &state, CMPI_uint16);
    CMAddArg(args, "Note", "x", CMPI_chars);
    EXPECT_EQ(CMGetArgCount(args, nullptr), 3u);
    CMPIStatus rc{};
    EXPECT_EQ(CMGetArg(args, "requestedstate", &rc).value.uint16, 3);
    EXPECT_EQ(CMGetArg(args, "Endpoint", &rc).type, CMPI_ref);
    EXPECT_EQ(CMGetArg(args, "Note", &rc).type, CMPI_string);
    CMPIString* name = nullptr;
    CMGetArgAt(args, 1, &name, &rc);
    EXPECT_EQ(text(name), "RequestedState");
    CMGetArg(args, "Missing", &rc);
    EXPECT_EQ(rc.rc, CMPI_RC_ERR_NOT_FOUND);
    const Arguments copy = fromCmpi(args);
    EXPECT_EQ(copy.find("Endpoint")->asReference().findKey("Name")->asString(), "eth0");
    EXPECT_EQ(fromCmpi(toCmpi(copy)), copy);
}

TEST_F(CmpiObjectsTest, ContextEntries) {
    CMPIContext* ctx = toCmpi(Context::forOperation("root/cimv2", CMPI_FLAG_LocalOnly, "admin"));
    CMPIStatus rc{};
    const CMPIData ns = CMGetContextEntry(ctx, CMPIInitNameSpace, &rc);
    EXPECT_EQ(ns.type, CMPI_string);
    EXPECT_EQ(text(ns.value.string), "root/cimv2");
    const CMPIData flags = CMGetContextEntry(ctx, CMPIInvocationFlags, &rc);
    EXPECT_EQ(flags.type, CMPI_uint32);
    EXPECT_EQ(flags.value.uint32, static_cast<CMPIUint32>(CMPI_FLAG_LocalOnly));
    EXPECT_EQ(text(CMGetContextEntry(ctx, CMPIPrincipal, &rc).value.string), "admin");
    EXPECT_EQ(CMGetContextEntryCount(ctx, nullptr), 3u);

    EXPECT_EQ(CMAddContextEntry(ctx, "MyEntry", "value", CMPI_chars).rc, CMPI_RC_OK);
    CMPIString* name = nullptr;
    EXPECT_EQ(text(CMGetContextEntryAt(ctx, 3, &name, &rc).value.string), "value");
    EXPECT_EQ(text(name), "MyEntry");
    CMGetContextEntry(ctx, "Absent", &rc);
    EXPECT_EQ(rc.rc, CMPI_RC_ERR_NOT_FOUND);
    const Context back = fromCmpi(ctx);
    EXPECT_EQ(back.nameSpace(), "root/cimv2");
    EXPECT_EQ(back.invocationFlags(), static_cast<CMPIFlags>(CMPI_FLAG_LocalOnly));
    EXPECT_EQ(back.principal(), "admin");
}

TEST_F(CmpiObjectsTest, ResultCollectsWhatTheProviderReturns) {
    CMPIResult* result = newResult();
    CMPIInstance* inst = CMNewInstance(mb(), endpoint(), nullptr);
    EXPECT_EQ(CMReturnInstance(result, inst).rc, CMPI_RC_OK);
    CMSetProperty(inst, "Caption", "after return", CMPI_chars);  // not seen: copied on return
    EXPECT_EQ(CMReturnObjectPath(result, endpoint("eth1")).rc, CMPI_RC_OK);
    CMPIUint32 value = 5;
    EXPECT_EQ(CMReturnData(result, &value, CMPI_uint32).rc, CMPI_RC_OK);
    CMPIError* error = CMNewCMPIError(mb(), "OVX", "OVX001", "broken", ErrorSevHigh, Software_Error,
                                      CMPI_RC_ERR_FAILED, nullptr);
    EXPECT_EQ(CMReturnError(result, error).rc, CMPI_RC_OK);
    EXPECT_EQ(CMReturnDone(result).rc, CMPI_RC_OK);
    EXPECT_EQ(CMReturnInstance(result, nullptr).rc, CMPI_RC_ERR_INVALID_HANDLE);

    const ResultData& data = resultData(result);
    ASSERT_EQ(data.instances.size(), 1u);
    EXPECT_EQ(data.instances[0].findProperty("Caption"), nullptr);
    ASSERT_EQ(data.objectPaths.size(), 1u);
    EXPECT_EQ(data.objectPaths[0].findKey("Name")->asString(), "eth1");
    ASSERT_EQ(data.data.size(), 1u);
    EXPECT_EQ(data.data[0], Value::uint32(5));
    ASSERT_EQ(data.errors.size(), 1u);
    EXPECT_EQ(*data.errors[0].message, "broken");
    EXPECT_EQ(data.doneCount, 1u);

    EXPECT_EQ(CMRelease(result).rc, CMPI_RC_ERR_NOT_SUPPORTED);
    CMPIStatus rc{};
    EXPECT_EQ(CMClone(result, &rc), nullptr);
    EXPECT_EQ(rc.rc, CMPI_RC_ERR_NOT_SUPPORTED);
}

TEST_F(CmpiObjectsTest, ErrorAttributes) {
    CMPIStatus rc{};
    CMPIError* error =
        CMNewCMPIError(mb(), "OVX", "OVX002", "bad setting", ErrorSevMedium,
                       ConfigurationCustomization_Error, CMPI_RC_ERR_INVALID_PARAMETER, &rc);
    ASSERT_EQ(rc.rc, CMPI_RC_OK);
    EXPECT_EQ(text(CMGetOwningEntity(error, nullptr)), "OVX");
    EXPECT_EQ(text(CMGetMessageID(error, nullptr)), "OVX002");
    EXPECT_EQ(text(CMGetErrorMessage(error, nullptr)), "bad setting");
    EXPECT_EQ(CMGetPerceivedSeverity(error, nullptr), ErrorSevMedium);
    EXPECT_EQ(CMGetCIMStatusCode(error, nullptr), CMPI_RC_ERR_INVALID_PARAMETER);
    EXPECT_EQ(CMGetOtherErrorType(error, &rc), nullptr);  // never set
    EXPECT_EQ(rc.rc, CMPI_RC_OK);

    EXPECT_EQ(CMSetErrorType(error, OtherErrorType).rc, CMPI_RC_OK);
    EXPECT_EQ(CMSetOtherErrorType(error, "odd").rc, CMPI_RC_OK);
    EXPECT_EQ(CMGetErrorType(error, nullptr), OtherErrorType);
    EXPECT_EQ(text(CMGetOtherErrorType(error, nullptr)), "odd");
    CMPIArray* actions = CMNewArray(mb(), 1, CMPI_string, nullptr);
    CMSetArrayElementAt(actions, 0, "retry", CMPI_chars);
    EXPECT_EQ(CMSetRecommendedActions(error, actions).rc, CMPI_RC_OK);
    EXPECT_EQ(
        text(CMGetArrayElementAt(CMGetRecommendedActions(error, nullptr), 0, nullptr).value.string),
        "retry");
    CMPIArray* numbers = CMNewArray(mb(), 1, CMPI_uint8, nullptr);
    EXPECT_EQ(CMSetMessageArguments(error, numbers).rc, CMPI_RC_ERR_TYPE_MISMATCH);
    CMPIError* copy = CMClone(error, nullptr);
    EXPECT_EQ(text(CMGetOtherErrorType(copy, nullptr)), "odd");
    EXPECT_EQ(CMRelease(copy).rc, CMPI_RC_OK);
}

TEST_F(CmpiObjectsTest, TypeQueriesOnAnyObject) {
    CMPIInstance* inst = CMNewInstance(mb(), endpoint(), nullptr);
    CMPIStatus rc{};
    EXPECT_EQ(text(CDGetType(mb(), inst, &rc)), "CMPIInstance");
    EXPECT_TRUE(CDIsOfType(mb(), inst, "CMPIInstance", &rc));
    EXPECT_FALSE(CDIsOfType(mb(), inst, "CMPIObjectPath", &rc));
    EXPECT_EQ(text(CDGetType(mb(), endpoint(), &rc)), "CMPIObjectPath");
    EXPECT_EQ(text(CDGetType(mb(), CMNewArgs(mb(), nullptr), &rc)), "CMPIArgs");
    EXPECT_EQ(text(CDGetType(mb(), newResult(), &rc)), "CMPIResult");
    EXPECT_EQ(
        text(CDToString(mb(), endpoint(), &rc)),
        R"(root/cimv2:OVX_IPProtocolEndpoint.CreationClassName="OVX_IPProtocolEndpoint",Name="eth0")");
    EXPECT_NE(text(CDToString(mb(), inst, &rc)).find("instance of OVX_IPProtocolEndpoint"),
              std::string::npos);
    EXPECT_EQ(text(CDToString(mb(), CMNewString(mb(), "plain", nullptr), &rc)), "plain");

    EXPECT_EQ(CDToString(mb(), nullptr, &rc), nullptr);
    EXPECT_EQ(rc.rc, CMPI_RC_ERR_INVALID_PARAMETER);
    CMPIString foreign{const_cast<char*>("x"), nullptr};
    EXPECT_EQ(CDGetType(mb(), &foreign, &rc), nullptr);
    EXPECT_EQ(rc.rc, CMPI_RC_ERR_INVALID_HANDLE);
}

TEST_F(CmpiObjectsTest, ClassPathIsAUsesTheRegistry) {
    registry->add(declare("CIM_IPProtocolEndpoint"));
    registry->add(declare("OVX_IPProtocolEndpoint", "CIM_IPProtocolEndpoint"));
    CMPIStatus rc{};
    EXPECT_TRUE(CMClassPathIsA(mb(), endpoint(), "CIM_IPProtocolEndpoint", &rc));
    EXPECT_EQ(rc.rc, CMPI_RC_OK);
    EXPECT_TRUE(CMClassPathIsA(mb(), endpoint(), "ovx_ipprotocolendpoint", &rc));
    EXPECT_FALSE(CMClassPathIsA(mb(), endpoint(), "CIM_LANEndpoint", &rc));
    EXPECT_FALSE(CMClassPathIsA(mb(), endpoint(), nullptr, &rc));
    EXPECT_EQ(rc.rc, CMPI_RC_ERR_INVALID_PARAMETER);
}

TEST_F(CmpiObjectsTest, MessagesSubstituteArguments) {
    CMPIStatus rc{};
    CMPIString* message =
        CMGetMessage(mb(), "OVX0001", "Interface $0 has $1 addresses ($2, $3, $4) $9", &rc,
                     CMFmtArgs5(CMFmtChars("eth0"), CMFmtSint(-2), CMFmtUint64(7), CMFmtBoolean(1),
                                CMFmtString(CMNewString(mb(), "s", nullptr))));
    EXPECT_EQ(rc.rc, CMPI_RC_OK);
    EXPECT_EQ(text(message), "Interface eth0 has -2 addresses (7, true, s) $9");

    CMPIMsgFileHandle file = nullptr;
    ASSERT_EQ(CMOpenMessageFile(mb(), "ovx.msg", &file).rc, CMPI_RC_OK);
    EXPECT_EQ(
        text(CMGetMessage2(mb(), "OVX0002", file, "$0 done", &rc, CMFmtArgs1(CMFmtReal(0.5)))),
        "0.500000 done");
    EXPECT_EQ(CMCloseMessageFile(mb(), file).rc, CMPI_RC_OK);
    EXPECT_EQ(CMCloseMessageFile(mb(), file).rc, CMPI_RC_ERR_INVALID_HANDLE);
    EXPECT_EQ(CMGetMessage2(mb(), "OVX0002", file, "x", &rc, CMFmtArgs0()), nullptr);
    EXPECT_EQ(rc.rc, CMPI_RC_ERR_INVALID_HANDLE);

    EXPECT_EQ(
        text(mb()->eft->getMessage(mb(), "OVX0003", "a $0 b $1", &rc, 2, 9999, 1, CMPI_sint32, 5)),
        "a $0 b $1");
    EXPECT_EQ(rc.rc, CMPI_RC_ERR_INVALID_DATA_TYPE);
}

TEST_F(CmpiObjectsTest, SelectExpressionsAreNotSupported) {
    CMPIStatus rc{};
    CMPIArray* projection = nullptr;
    EXPECT_EQ(CMNewSelectExp(mb(), "SELECT * FROM X", "WQL", &projection, &rc), nullptr);
    EXPECT_EQ(rc.rc, CMPI_RC_ERR_NOT_SUPPORTED);
    EXPECT_EQ(projection, nullptr);
}

}  // namespace
}  // namespace ovx::host
