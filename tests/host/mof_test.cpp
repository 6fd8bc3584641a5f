#include "ovx/host/cim_error.h"
#include "ovx/host/class_registry.h"
#include "ovx/host/mof/mof_reader.h"
#include "ovx/host/mof/provider_registration.h"

#include "PlatformTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <limits>
#include <map>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

namespace fs = std::filesystem;
using namespace ovx::host;
using namespace ovx::host::mof;

namespace {

const fs::path kSourceDir = OVX_SOURCE_DIR;
const fs::path kMofDir = kSourceDir / "mof";
const fs::path kFeaturesDir = kSourceDir / "tests" / "host" / "data" / "mof" / "features";

using TempDir = ovx::test::ScratchDirectory;

// The project's classes, as the host loads them.
const ClassSet& projectClasses() {
    static const ClassSet classes = readMofFiles({kMofDir / "host.mof"});
    return classes;
}

const MofClass& projectClass(const std::string& name) {
    const MofClass* decl = projectClasses().find("root/cimv2", name);
    if (decl == nullptr) {
        throw std::runtime_error("class " + name + " is missing");
    }
    return *decl;
}

std::vector<std::string> propertyNames(const MofClass& decl) {
    std::vector<std::string> names;
    for (const MofProperty& property : decl.properties) {
        names.push_back(property.name);
    }
    return names;
}

const std::vector<std::string> kPeerClasses = {
    "OVX_ComputerSystem",      "OVX_SPComputerSystem",    "OVX_LANEndpoint",
    "OVX_DHCPSettingData",     "OVX_DNSSettingData",      "OVX_DNSGeneralSettingData",
    "OVX_DNSProtocolEndpoint", "OVX_DNSSAPSAPDependency", "OVX_ConcreteJob",
};

// Each OVX class and the CIM class it derives from directly.
const std::map<std::string, std::string> kDirectSuperclass = {
    // clang-format off
    {"OVX_IPProtocolEndpoint", "CIM_IPProtocolEndpoint"},
    {"OVX_IPAssignmentSettingData", "CIM_IPAssignmentSettingData"},
    {"OVX_StaticIPAssignmentSettingData", "CIM_StaticIPAssignmentSettingData"},
    {"OVX_IPRemoteServiceAccessPoint", "CIM_RemoteServiceAccessPoint"},
    {"OVX_IPConfigurationService", "CIM_IPConfigurationService"},
    {"OVX_IPEnabledLogicalElementCapabilities", "CIM_EnabledLogicalElementCapabilities"},
    {"OVX_IPHostedAccessPoint", "CIM_HostedAccessPoint"},
    {"OVX_SPHostedAccessPoint", "CIM_HostedAccessPoint"},
    {"OVX_RemoteHostedAccessPoint", "CIM_HostedAccessPoint"},
    {"OVX_IPElementSettingData", "CIM_ElementSettingData"},
    {"OVX_StaticIPElementSettingData", "CIM_ElementSettingData"},
    {"OVX_StaticOrderedComponent", "CIM_OrderedComponent"},
    {"OVX_BindsToLanEndPoint", "CIM_BindsToLANEndpoint"},
    {"OVX_IPRemoteAccessAvailableToElement", "CIM_RemoteAccessAvailableToElement"},
    {"OVX_IPElementCapabilities", "CIM_ElementCapabilities"},
    {"OVX_IPHostedService", "CIM_HostedService"},
    {"OVX_IPServiceAffectsElement", "CIM_ServiceAffectsElement"},
    {"OVX_ComputerSystem", "CIM_ComputerSystem"}, {"OVX_SPComputerSystem", "CIM_ComputerSystem"},
    {"OVX_LANEndpoint", "CIM_LANEndpoint"}, {"OVX_ConcreteJob", "CIM_ConcreteJob"},
    {"OVX_DHCPSettingData", "CIM_DHCPSettingData"}, {"OVX_DNSSettingData", "CIM_DNSSettingData"},
    {"OVX_DNSGeneralSettingData", "CIM_DNSGeneralSettingData"},
    {"OVX_DNSProtocolEndpoint", "CIM_DNSProtocolEndpoint"},
    {"OVX_DNSSAPSAPDependency", "CIM_SAPSAPDependency"},
    // clang-format on
};

const auto kStringArray = static_cast<CMPIType>(CMPI_string | CMPI_ARRAY);
const auto kUint16Array = static_cast<CMPIType>(CMPI_uint16 | CMPI_ARRAY);

std::vector<std::string> words(const std::string& text) {
    std::vector<std::string> result;
    std::istringstream in(text);
    for (std::string word; in >> word;) {
        result.push_back(word);
    }
    return result;
}

// Runs `action`, which must throw a SourceError, and hands that error back.
template <typename Action>
SourceError sourceErrorOf(Action&& action) {
    try {
        action();
    } catch (const SourceError& error) {
        return error;
    }
    ADD_FAILURE() << "expected a SourceError";
    return SourceError({}, "none");
}

struct ExpectedParameter {
    const char* name;
    CMPIType type;
    const char* referenceClass;
    bool in, out;
};

// The method's parameters in their order, with their types and directions.
void expectParameters(const MofMethod* method, CMPIType returnType,
                      const std::vector<ExpectedParameter>& expected) {
    ASSERT_NE(method, nullptr);
    EXPECT_EQ(method->returnType, returnType);
    ASSERT_EQ(method->parameters.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(expected[i].name);
        const MofParameter& parameter = method->parameters[i];
        EXPECT_EQ(parameter.name, expected[i].name);
        EXPECT_EQ(parameter.type, expected[i].type);
        EXPECT_EQ(parameter.referenceClass, expected[i].referenceClass);
        EXPECT_EQ(parameter.in, expected[i].in);
        EXPECT_EQ(parameter.out, expected[i].out);
    }
}

// ---------------------------------------------------------------------------
// The project's own MOF
// ---------------------------------------------------------------------------

TEST(ProjectMof, EachClassDerivesFromItsCimClass) {
    for (const auto& [name, superclass] : kDirectSuperclass) {
        const MofClass& decl = projectClass(name);
        EXPECT_EQ(decl.superclass, superclass) << name;
        EXPECT_FALSE(decl.abstract) << name;
    }
    const ClassSet& classes = projectClasses();
    EXPECT_EQ(classes.namespaces(), std::vector<std::string>{"root/cimv2"});
    const std::vector<std::tuple<const char*, const char*, bool>> lineage = {
        {"OVX_IPHostedAccessPoint", "CIM_HostedAccessPoint", true},
        {"OVX_IPHostedAccessPoint", "CIM_Dependency", true},
        {"OVX_BindsToLanEndPoint", "CIM_BindsToLanEndPoint", true},
        {"OVX_BindsToLanEndPoint", "CIM_SAPSAPDependency", true},
        {"OVX_StaticOrderedComponent", "CIM_Component", true},
        {"OVX_IPProtocolEndpoint", "CIM_ManagedElement", true},
        {"OVX_IPProtocolEndpoint", "CIM_EnabledLogicalElement", true},
        {"OVX_DNSSettingData", "CIM_IPAssignmentSettingData", true},
        {"OVX_IPProtocolEndpoint", "CIM_Dependency", false},
        {"OVX_ComputerSystem", "OVX_SPComputerSystem", false},
    };
    for (const auto& [name, base, expected] : lineage) {
        EXPECT_EQ(classes.isA("root/cimv2", name, base), expected) << name << " / " << base;
    }
    EXPECT_FALSE(classes.isA("root/other", "OVX_IPProtocolEndpoint", "CIM_ManagedElement"));

    std::vector<std::string> hostedAccessPoints;
    for (const MofClass* decl : classes.subclasses("root/cimv2", "CIM_HostedAccessPoint")) {
        hostedAccessPoints.push_back(decl->name);
    }
    EXPECT_EQ(hostedAccessPoints,
              (std::vector<std::string>{"OVX_IPHostedAccessPoint", "OVX_SPHostedAccessPoint",
                                        "OVX_RemoteHostedAccessPoint"}));
}

TEST(ProjectMof, KeysAreExactlyThoseTheProviderWrites) {
    const std::vector<std::pair<std::string, std::string>> keysOf = {
        {"OVX_IPProtocolEndpoint OVX_IPRemoteServiceAccessPoint OVX_IPConfigurationService "
         "OVX_DNSProtocolEndpoint OVX_LANEndpoint",
         "SystemCreationClassName SystemName CreationClassName Name"},
        {"OVX_IPAssignmentSettingData OVX_StaticIPAssignmentSettingData "
         "OVX_IPEnabledLogicalElementCapabilities OVX_ConcreteJob OVX_DHCPSettingData "
         "OVX_DNSSettingData OVX_DNSGeneralSettingData",
         "InstanceID"},
        {"OVX_ComputerSystem OVX_SPComputerSystem", "CreationClassName Name"},
    };
    for (const auto& [classes, keys] : keysOf) {
        for (const std::string& name : words(classes)) {
            EXPECT_EQ(projectClass(name).keyNames(), words(keys)) << name;
        }
    }
}

TEST(ProjectMof, ExtrinsicMethodsHaveTheirParametersAndTypes) {
    const MofMethod* change =
        projectClass("OVX_IPProtocolEndpoint").findMethod("RequestStateChange");
    ASSERT_NE(change, nullptr);
    expectParameters(change, CMPI_uint32,
                     {{"RequestedState", CMPI_uint16, "", true, false},
                      {"Job", CMPI_ref, "CIM_ConcreteJob", false, true},
                      {"TimeoutPeriod", CMPI_dateTime, "", true, false}});
    EXPECT_EQ(change->declaringClass, "OVX_IPProtocolEndpoint");
    EXPECT_EQ(change->classOrigin, "CIM_EnabledLogicalElement");

    const MofMethod* apply =
        projectClass("OVX_IPConfigurationService").findMethod("ApplySettingToIPProtocolEndpoint");
    const std::string configurationClass =
        apply != nullptr && apply->findParameter("Configuration") != nullptr
            ? apply->findParameter("Configuration")->referenceClass
            : "";
    expectParameters(apply, CMPI_uint32,
                     {{"Configuration", CMPI_ref, configurationClass.c_str(), true, false},
                      {"Endpoint", CMPI_ref, "OVX_IPProtocolEndpoint", true, false},
                      {"Job", CMPI_ref, "OVX_ConcreteJob", false, true}});
    // Every setting-data class the method reads back must fit the parameter.
    for (const char* setting : {"OVX_IPAssignmentSettingData", "OVX_StaticIPAssignmentSettingData",
                                "OVX_DHCPSettingData", "OVX_DNSSettingData"}) {
        EXPECT_TRUE(projectClasses().isA("root/cimv2", setting, configurationClass)) << setting;
    }
}

TEST(ProjectMof, AssociationsHaveTheirReferencesKeysAndExtraProperties) {
    // Class, then each reference as name and target class.
    const std::vector<std::string> associations = {
        "OVX_IPElementSettingData ManagedElement OVX_IPProtocolEndpoint SettingData "
        "OVX_IPAssignmentSettingData",
        "OVX_StaticIPElementSettingData ManagedElement OVX_IPProtocolEndpoint SettingData "
        "OVX_StaticIPAssignmentSettingData",
        "OVX_StaticOrderedComponent GroupComponent OVX_IPAssignmentSettingData PartComponent "
        "OVX_StaticIPAssignmentSettingData",
        "OVX_BindsToLanEndPoint Antecedent OVX_LANEndpoint Dependent OVX_IPProtocolEndpoint",
        "OVX_IPHostedAccessPoint Antecedent OVX_ComputerSystem Dependent OVX_IPProtocolEndpoint",
        "OVX_SPHostedAccessPoint Antecedent OVX_SPComputerSystem Dependent OVX_IPProtocolEndpoint",
        "OVX_RemoteHostedAccessPoint Antecedent OVX_ComputerSystem Dependent "
        "OVX_IPRemoteServiceAccessPoint",
        "OVX_IPRemoteAccessAvailableToElement Antecedent OVX_IPRemoteServiceAccessPoint Dependent "
        "OVX_IPProtocolEndpoint",
        "OVX_IPElementCapabilities ManagedElement OVX_IPProtocolEndpoint Capabilities "
        "OVX_IPEnabledLogicalElementCapabilities",
        "OVX_IPHostedService Antecedent OVX_ComputerSystem Dependent OVX_IPConfigurationService",
        "OVX_IPServiceAffectsElement AffectedElement OVX_IPProtocolEndpoint AffectingElement "
        "OVX_IPConfigurationService",
    };
    for (const std::string& line : associations) {
        const std::vector<std::string> fields = words(line);
        ASSERT_EQ(fields.size(), 5u) << line;
        SCOPED_TRACE(fields[0]);
        const MofClass& decl = projectClass(fields[0]);
        EXPECT_TRUE(decl.association);
        EXPECT_EQ(decl.keyNames(), (std::vector<std::string>{fields[1], fields[3]}));
        EXPECT_EQ(decl.references().size(), 2u);
        for (std::size_t i = 1; i < fields.size(); i += 2) {
            const MofProperty* property = decl.findProperty(fields[i]);
            ASSERT_NE(property, nullptr) << fields[i];
            EXPECT_EQ(property->type, CMPI_ref);
            EXPECT_EQ(property->referenceClass, fields[i + 1]);
            EXPECT_TRUE(property->key);
        }
    }
}

TEST(ProjectMof, ProductionEntryNeedsTheCimSchema) {
    // Without the stand-in base classes the first OVX class names an unknown
    // superclass, reported in the included file, not in the entry file.
    const SourceError error = sourceErrorOf([] { readMofFiles({kMofDir / "OVX_Schema.mof"}); });
    EXPECT_EQ(fs::path(error.where().file).filename(), "OVX_Peers.mof");
    EXPECT_GT(error.where().line, 1u);
    EXPECT_NE(error.message().find("unknown superclass CIM_ComputerSystem"), std::string::npos)
        << error.what();
    // With a class set that already holds the CIM classes, it reads on its own.
    ClassSet classes;
    MofReader reader(classes);
    reader.readFile(kMofDir / "CIM_Base.mof");
    const std::size_t baseCount = classes.size();
    reader.readFile(kMofDir / "OVX_Schema.mof");
    EXPECT_EQ(classes.size(), baseCount + kDirectSuperclass.size());
    EXPECT_EQ(projectClasses().size(), classes.size());
}

TEST(ProjectMof, FillsTheClassRegistry) {
    ClassRegistry registry;
    const std::size_t added = loadMofIntoRegistry({kMofDir / "host.mof"}, registry);
    EXPECT_EQ(added, projectClasses().size());
    EXPECT_EQ(registry.size(), added);

    EXPECT_TRUE(registry.isA("ovx_bindstolanendpoint", "CIM_BindsToLanEndPoint"));

    const auto endpoint = registry.find("OVX_IPProtocolEndpoint");
    ASSERT_TRUE(endpoint);
    EXPECT_EQ(endpoint->superclass, "CIM_IPProtocolEndpoint");
    EXPECT_FALSE(endpoint->isAssociation());
    ASSERT_NE(endpoint->findProperty("SystemName"), nullptr);
    EXPECT_TRUE(endpoint->findProperty("SystemName")->isKey());
    EXPECT_FALSE(endpoint->findProperty("IPv4Address")->isKey());
    EXPECT_EQ(endpoint->findProperty("PrefixLength")->type, CMPI_uint8);

    // In and Out become qualifiers the registry can be asked about.
    const MethodDecl* method = endpoint->findMethod("RequestStateChange");
    ASSERT_NE(method, nullptr);
    EXPECT_EQ(method->returnType, CMPI_uint32);
    for (const auto& [name, in] : {std::pair{"Job", false}, std::pair{"TimeoutPeriod", true}}) {
        const ParameterDecl* parameter = method->findParameter(name);
        ASSERT_NE(parameter, nullptr) << name;
        EXPECT_EQ(hasTrueQualifier(parameter->qualifiers, "In"), in) << name;
        EXPECT_EQ(hasTrueQualifier(parameter->qualifiers, "Out"), !in) << name;
    }
    EXPECT_EQ(method->findParameter("Job")->referenceClass, "CIM_ConcreteJob");

    EXPECT_TRUE(registry.find("OVX_IPHostedAccessPoint")->isAssociation());
    ASSERT_TRUE(registry.find("CIM_ManagedElement"));
    EXPECT_TRUE(registry.find("CIM_ManagedElement")->isAbstract());
    EXPECT_FALSE(registry.find("OVX_ComputerSystem")->isAbstract());
}

TEST(ProjectMof, RegistryRefusesClassesItAlreadyHasAndAddsNothing) {
    ClassRegistry registry;
    ClassDecl existing;
    existing.name = "OVX_IPHostedService";
    registry.add(existing);
    try {
        loadMofIntoRegistry({kMofDir / "host.mof"}, registry);
        FAIL() << "expected an error";
    } catch (const CimError& error) {
        EXPECT_EQ(error.rc(), CMPI_RC_ERR_ALREADY_EXISTS);
        EXPECT_NE(std::string(error.what()).find("OVX_IPHostedService"), std::string::npos);
    }
    EXPECT_EQ(registry.size(), 1u);
}

// ---------------------------------------------------------------------------
// Everything the reader accepts
// ---------------------------------------------------------------------------

class MofFeatures : public ::testing::Test {
  protected:
    static const ClassSet& classes() {
        static const ClassSet classes = readMofFiles({kFeaturesDir / "main.mof"});
        return classes;
    }

    static const MofClass& get(const std::string& name, const std::string& ns = "root/cimv2") {
        const MofClass* decl = classes().find(ns, name);
        if (decl == nullptr) {
            throw std::runtime_error("class " + name + " is missing");
        }
        return *decl;
    }

    static const Value& defaultOf(const std::string& property) {
        const MofProperty* found = get("TST_Types").findProperty(property);
        if (found == nullptr || !found->defaultValue) {
            throw std::runtime_error("no default for " + property);
        }
        return *found->defaultValue;
    }
};

TEST_F(MofFeatures, FollowsIncludesAndNamespacePragmas) {
    EXPECT_EQ(classes().size(), 5u);
    EXPECT_EQ(get("TST_Root").where.file, (kFeaturesDir / "parts" / "base.mof").string());
    EXPECT_EQ(get("TST_Root").where.line, 3u);
    EXPECT_EQ(get("TST_Types").where.file, (kFeaturesDir / "main.mof").string());
    const MofClass& other = get("TST_Root", "root/other");
    EXPECT_EQ(other.nameSpace, "root/other");
    EXPECT_FALSE(other.abstract);
    EXPECT_TRUE(get("TST_Root").abstract);
    EXPECT_EQ(classes().namespaces(), (std::vector<std::string>{"root/cimv2", "root/other"}));
}

TEST_F(MofFeatures, ReadsDefaultsOfEveryType) {
    EXPECT_TRUE(defaultOf("Flag").asBoolean());
    EXPECT_EQ(defaultOf("Text").asString(), "tab\there \"quoted\" \\ A");
    EXPECT_EQ(defaultOf("Letter").asChar16(), u'z');
    EXPECT_EQ(defaultOf("When").asDateTime().toString(), "20240131235959.000000+060");
    EXPECT_TRUE(defaultOf("Span").asDateTime().isInterval());
    EXPECT_EQ(defaultOf("Small").type(), CMPI_uint8);
    EXPECT_EQ(defaultOf("Small").asUnsigned(), 255u);
    EXPECT_EQ(defaultOf("Negative").asSigned(), -128);
    EXPECT_EQ(defaultOf("Octal").asUnsigned(), 15u);
    EXPECT_EQ(defaultOf("Binary").asSigned(), 5);
    EXPECT_EQ(defaultOf("Big").asUnsigned(), 4294967295u);
    EXPECT_EQ(defaultOf("Signed").asSigned(), -2147483648LL);
    EXPECT_EQ(defaultOf("Huge").asUnsigned(), 18446744073709551615ULL);
    EXPECT_EQ(defaultOf("Wide").asSigned(), std::numeric_limits<std::int64_t>::min());
    EXPECT_EQ(defaultOf("Ratio").type(), CMPI_real32);
    EXPECT_DOUBLE_EQ(defaultOf("Ratio").asReal(), 1.5);
    EXPECT_DOUBLE_EQ(defaultOf("Precise").asReal(), -0.0025);
    EXPECT_TRUE(defaultOf("Nothing").isNull());
    EXPECT_EQ(defaultOf("Nothing").type(), CMPI_uint16);

    const Value& codes = defaultOf("Codes");
    EXPECT_EQ(codes.type(), kUint16Array);
    ASSERT_EQ(codes.elements().size(), 3u);
    EXPECT_EQ(codes.elements()[2].asUnsigned(), 3u);
    EXPECT_EQ(defaultOf("Empty").elements().size(), 0u);
    EXPECT_FALSE(get("TST_Types").findProperty("NoDefault")->defaultValue.has_value());

    const MofProperty* fixed = get("TST_Types").findProperty("Fixed");
    ASSERT_TRUE(fixed->arraySize.has_value());
    EXPECT_EQ(*fixed->arraySize, 4u);
    EXPECT_EQ(fixed->type, kStringArray);
    EXPECT_FALSE(get("TST_Types").findProperty("Codes")->arraySize.has_value());
}

TEST_F(MofFeatures, KeepsQualifiers) {
    const MofClass& types = get("TST_Types");
    EXPECT_EQ(qualifierStrings(types.qualifiers, "description"),
              std::vector<std::string>{"Every data type, with defaults. Adjacent strings join."});
    EXPECT_EQ(qualifierStrings(types.qualifiers, "Version"), std::vector<std::string>{"1.0.0"});

    const MofProperty* state = types.findProperty("State");
    EXPECT_EQ(qualifierStrings(state->qualifiers, "ValueMap"),
              (std::vector<std::string>{"0", "2", "3", ".."}));
    EXPECT_EQ(qualifierStrings(state->qualifiers, "Values"),
              (std::vector<std::string>{"Unknown", "On", "Off", "Vendor"}));

    // Inherited key with its description, Abstract not inherited.
    const MofProperty* id = types.findProperty("Id");
    EXPECT_TRUE(id->key);
    EXPECT_EQ(id->classOrigin, "TST_Root");
    EXPECT_EQ(qualifierStrings(id->qualifiers, "Description"),
              std::vector<std::string>{"Identity."});
    // A Restricted qualifier stays with the class that declares it.
    EXPECT_EQ(findQualifier(id->qualifiers, "MaxLen"), nullptr);
    const MofQualifier* maxLen =
        findQualifier(get("TST_Root").findProperty("Id")->qualifiers, "maxlen");
    ASSERT_NE(maxLen, nullptr);
    EXPECT_EQ(maxLen->value.asSigned(), 16);
    EXPECT_FALSE(maxLen->propagated);
    EXPECT_FALSE(types.abstract);
    EXPECT_EQ(types.keyNames(), std::vector<std::string>{"Id"});
}

TEST_F(MofFeatures, ReadsMethodsWithEveryKindOfParameter) {
    const MofMethod* work = get("TST_Types").findMethod("work");
    ASSERT_NE(work, nullptr);
    EXPECT_EQ(work->name, "Work");
    expectParameters(
        work, CMPI_sint32,
        {{"Count", CMPI_uint16, "", true, false},
         {"Names", kStringArray, "", true, true},
         {"Results", static_cast<CMPIType>(CMPI_ref | CMPI_ARRAY), "TST_Types", false, true},
         {"Single", CMPI_ref, "TST_Root", false, true},
         {"Deadline", CMPI_dateTime, "", true, false}});

    const MofMethod* none = get("TST_Types").findMethod("Nothing2");
    ASSERT_NE(none, nullptr);
    EXPECT_TRUE(none->parameters.empty());
    EXPECT_EQ(none->returnType, CMPI_uint32);
}

TEST_F(MofFeatures, InheritsAssociationAndOverridesReferences) {
    const MofClass& link = get("TST_SubLink");
    EXPECT_TRUE(link.association);
    EXPECT_EQ(findQualifier(link.qualifiers, "Association"), nullptr);
    // Inherited properties come first; redeclared ones follow in the order
    // the class writes them.
    EXPECT_EQ(link.keyNames(), (std::vector<std::string>{"Right", "Left"}));
    EXPECT_EQ(propertyNames(link), (std::vector<std::string>{"Right", "Left", "Weight"}));
    EXPECT_EQ(link.findProperty("Left")->declaringClass, "TST_SubLink");
    EXPECT_EQ(link.findProperty("Left")->classOrigin, "TST_Link");
    EXPECT_EQ(link.findProperty("Right")->declaringClass, "TST_Link");
    EXPECT_EQ(link.findProperty("Weight")->defaultValue->asUnsigned(), 7u);

    // The registry keeps only what the class itself declares, so the
    // inherited flags are spelled out there.
    const ClassDecl decl = toClassDecl(link);
    EXPECT_TRUE(decl.isAssociation());
    ASSERT_EQ(decl.properties.size(), 2u);
    EXPECT_EQ(decl.properties[0].name, "Left");
    EXPECT_TRUE(decl.properties[0].isKey());
    EXPECT_EQ(decl.properties[1].name, "Weight");
    EXPECT_EQ(decl.findProperty("Right"), nullptr);
}

TEST(MofReader, ReadsTextAgainstClassesAlreadyReadAndAFailedReadAddsNothing) {
    ClassSet classes;
    MofReader reader(classes);
    reader.readText("class A_Base { [Key] string Id; };", "first");
    reader.readText("class A_Derived : a_base { uint8 Level = 3; };", "second");
    ASSERT_EQ(classes.size(), 2u);
    const MofClass* derived = classes.find("ROOT/CIMV2", "a_derived");
    ASSERT_NE(derived, nullptr);
    EXPECT_EQ(derived->superclass, "A_Base");
    EXPECT_EQ(derived->keyNames(), std::vector<std::string>{"Id"});
    EXPECT_EQ(derived->where.file, "second");

    EXPECT_THROW(
        reader.readText("class C_Lost : A_Base {};\nclass C_Broken : C_Nowhere {};", "broken"),
        SourceError);
    EXPECT_EQ(classes.size(), 2u);
    EXPECT_EQ(classes.find("root/cimv2", "C_Lost"), nullptr);
    // The names of the failed read are free for the next one.
    reader.readText("class C_Lost : A_Base {};", "again");
    EXPECT_EQ(classes.size(), 3u);
}

TEST(MofReader, HonoursTheDefaultNamespaceAndIncludePath) {
    TempDir dir;
    dir.write("library/common.mof", "class B_Common { [Key] string Id; };");
    const fs::path main =
        dir.write("main.mof", "#pragma include(\"common.mof\")\nclass B_Main : B_Common {};");
    MofReadOptions options;
    options.defaultNamespace = "interop";
    options.includePath = {dir.path() / "library"};
    const ClassSet classes = readMofFiles({main}, options);
    EXPECT_NE(classes.find("interop", "B_Main"), nullptr);
    EXPECT_NE(classes.find("interop", "B_Common"), nullptr);
    EXPECT_EQ(classes.find("root/cimv2", "B_Main"), nullptr);

    ClassRegistry registry;
    EXPECT_EQ(addToRegistry(classes, "root/cimv2", registry), 0u);
    EXPECT_EQ(addToRegistry(classes, "interop", registry), 2u);
    EXPECT_TRUE(registry.isA("B_Main", "B_Common"));
}

// ---------------------------------------------------------------------------
// Malformed MOF: each mistake is reported at its place
// ---------------------------------------------------------------------------

// Classes each case may build on; read before the case itself.
const char* const kErrorCaseBase = R"(
class E_Thing { [Key] string Id; uint16 Level; };
class E_Other { [Key] string Id; };
[Association] class E_Link { [Key] E_Thing REF A; [Key] E_Thing REF B; };
class E_Service : E_Thing { uint32 Run([In] uint16 Mode, [Out, In(false)] E_Thing REF Done); };
)";

struct ErrorCase {
    std::string name;
    std::string text;
    unsigned line;
    unsigned column;
    std::string message;
};

void PrintTo(const ErrorCase& errorCase, std::ostream* out) {
    *out << errorCase.name;
}

class MofErrors : public ::testing::TestWithParam<ErrorCase> {};

TEST_P(MofErrors, ReportsFileLineColumnAndWhatWasExpected) {
    const ErrorCase& errorCase = GetParam();
    TempDir dir;
    dir.write("base.mof", kErrorCaseBase);
    dir.write("cycle_a.mof", "#pragma include(\"cycle_b.mof\")\n");
    dir.write("cycle_b.mof", "\n#pragma include(\"cycle_a.mof\")\n");
    const fs::path file = dir.write("case.mof", errorCase.text);

    ClassSet classes;
    MofReader reader(classes);
    reader.readFile(dir.path() / "base.mof");
    const std::size_t before = classes.size();
    const SourceError error = sourceErrorOf([&] { reader.readFile(file); });
    EXPECT_EQ(error.where().line, errorCase.line) << error.what();
    EXPECT_EQ(error.where().column, errorCase.column) << error.what();
    EXPECT_NE(error.message().find(errorCase.message), std::string::npos) << error.what();
    const std::string prefix = error.where().file + ":" + std::to_string(errorCase.line) + ":" +
                               std::to_string(errorCase.column) + ": ";
    EXPECT_EQ(std::string(error.what()).rfind(prefix, 0), 0u) << error.what();
    if (errorCase.name.rfind("Include", 0) != 0) {
        EXPECT_EQ(error.where().file, file.string());
    }
    EXPECT_EQ(classes.size(), before);
}

INSTANTIATE_TEST_SUITE_P(
    Syntax, MofErrors,
    ::testing::Values(
        ErrorCase{"MissingSemicolonAfterProperty",
                  "class E_A : E_Thing {\n    string Name\n    uint16 Count;\n};", 2, 16,
                  "expected ';' after property declaration"},
        ErrorCase{"MissingSemicolonAfterClass", "class E_A : E_Thing {\n}\nclass E_B {};", 2, 2,
                  "expected ';' after the body of class E_A"},
        ErrorCase{"MissingClosingBrace", "class E_A : E_Thing {\n  string Name;\n", 3, 1,
                  "expected '}' to close class E_A"},
        ErrorCase{"UnterminatedString", "[Description(\"open\n)] class E_A {};", 1, 14,
                  "unterminated string"},
        ErrorCase{"UnterminatedComment", "class E_A : E_Thing {};\n /* never closed", 2, 2,
                  "unterminated comment"},
        ErrorCase{"MalformedNumber", "class E_A : E_Thing { uint8 X = 12ab; };", 1, 33,
                  "malformed number"},
        ErrorCase{"BadOctalDigit", "class E_A : E_Thing { uint8 X = 09; };", 1, 33,
                  "invalid digit '9' in octal number"},
        ErrorCase{"UnknownEscape", "class E_A : E_Thing { string X = \"a\\qb\"; };", 1, 36,
                  "unknown escape sequence"},
        ErrorCase{"StrayCharacter", "class E_A : E_Thing { string X; } @;", 1, 35,
                  "unexpected character '@'"},
        ErrorCase{"QualifierListNotClosed", "[Key, Description(\"x\") class E_A {};", 1, 24,
                  "expected ',' or ']' in qualifier list"},
        ErrorCase{"UnknownPragma", "#pragma inclde(\"x.mof\")", 1, 9, "unknown pragma inclde"},
        ErrorCase{"InstanceDeclaration", "instance of E_Thing { Id = \"1\"; };", 1, 1,
                  "instance declarations are not supported"},
        ErrorCase{"NotADeclaration", "\n\n  propery X;", 3, 3,
                  "expected a class declaration, a qualifier declaration or #pragma"},
        ErrorCase{"ParameterDefault", "class E_A : E_Thing { uint32 Go(uint16 A = 1); };", 1, 42,
                  "parameters cannot have default values"},
        ErrorCase{"BadArraySize", "class E_A : E_Thing { string X[0]; };", 1, 32,
                  "array size must be a positive decimal number"}),
    [](const ::testing::TestParamInfo<ErrorCase>& info) { return info.param.name; });

INSTANTIATE_TEST_SUITE_P(
    Declarations, MofErrors,
    ::testing::Values(
        ErrorCase{"UnknownSuperclass", "\nclass E_A : E_Missing {};", 2, 13,
                  "unknown superclass E_Missing of class E_A"},
        ErrorCase{"DuplicateClass", "class E_A : E_Thing {};\nclass e_a : E_Thing {};", 2, 7,
                  "class e_a is already defined at "},
        ErrorCase{"DuplicateOfEarlierFile", "class E_Other { [Key] string Id; };", 1, 7,
                  "class E_Other is already defined at "},
        ErrorCase{"ClassWithoutSchemaPrefix", "class Thing { [Key] string Id; };", 1, 7,
                  "needs a schema prefix"},
        ErrorCase{"DuplicateProperty",
                  "class E_A : E_Thing {\n  string Name;\n  uint16 Count;\n  string NAME;\n};", 4,
                  10, "duplicate property NAME in class E_A (first declared at "},
        ErrorCase{"DuplicateMethod", "class E_A : E_Thing { uint32 Go(); uint32 go(); };", 1, 43,
                  "duplicate method go"},
        ErrorCase{"DuplicateParameter", "class E_A : E_Thing { uint32 Go(uint8 a, uint8 A); };", 1,
                  48, "duplicate parameter A in method Go"},
        ErrorCase{"DuplicateQualifier", "[Description(\"a\"), description(\"b\")] class E_A {};", 1,
                  20, "duplicate qualifier description"},
        ErrorCase{"UnknownDataType", "class E_A : E_Thing {\n  strng Name;\n};", 2, 3,
                  "unknown data type strng"},
        ErrorCase{"ReferenceToUnknownClass",
                  "[Association] class E_A { [Key] E_Thing REF X; [Key] E_Ghost REF Y; };", 1, 54,
                  "unknown class E_Ghost in reference Y"},
        ErrorCase{"ParameterReferenceToUnknownClass",
                  "class E_A : E_Thing { uint32 Go([In] E_Ghost REF Target); };", 1, 38,
                  "unknown class E_Ghost in reference Target"},
        ErrorCase{"ReferenceOutsideAssociation", "class E_A : E_Thing { E_Other REF Peer; };", 1,
                  35, "reference Peer is declared in class E_A, which is not an association"},
        ErrorCase{"ReferenceArrayProperty",
                  "[Association] class E_A { [Key] E_Thing REF X[]; [Key] E_Thing REF Y; };", 1, 33,
                  "a reference property cannot be an array"},
        ErrorCase{"AssociationWithOneReference",
                  "[Association] class E_A { [Key] E_Thing REF X; };", 1, 21,
                  "association E_A needs at least two references"},
        ErrorCase{"AssociationFromNonAssociation", "[Association] class E_A : E_Thing { };", 1, 2,
                  "association E_A cannot derive from E_Thing, which is not an association"},
        ErrorCase{"AssociationSwitchedOff", "[Association(false)] class E_A : E_Link { };", 1, 2,
                  "cannot stop being an association"},
        ErrorCase{"RedeclarationWithoutOverride", "class E_A : E_Thing {\n  uint16 Level;\n};", 2,
                  10, "property Level is inherited from E_Thing; redeclaring it needs Override"},
        ErrorCase{"OverrideOfNothing",
                  "class E_A : E_Thing {\n  [Override(\"Depth\")] uint16 Depth;\n};", 2, 4,
                  "class E_A inherits no property Depth to override"},
        ErrorCase{"OverrideNamingAnotherProperty",
                  "class E_A : E_Thing {\n  [Override(\"Level\")] uint16 Depth;\n};", 2, 4,
                  "Override on Depth must name it"},
        ErrorCase{"OverrideChangingType",
                  "class E_A : E_Thing {\n  [Override(\"Level\")] string Level;\n};", 2, 23,
                  "override of Level must keep the type uint16, not string"},
        ErrorCase{"OverrideReferenceToUnrelatedClass",
                  "[Association] class E_A : E_Link { [Override(\"A\")] E_Other REF A; };", 1, 52,
                  "override of A must keep the type E_Thing REF (or refer to a subclass)"},
        ErrorCase{"MethodRedeclaredWithoutOverride",
                  "class E_A : E_Service { uint32 Run([In] uint16 Mode, [Out, In(false)] E_Thing "
                  "REF Done); };",
                  1, 32, "method Run is inherited from E_Service"},
        ErrorCase{"MethodOverrideChangingParameter",
                  "class E_A : E_Service {\n  [Override(\"Run\")]\n  uint32 Run([In] uint32 Mode, "
                  "[Out, In(false)] E_Thing REF Done);\n};",
                  3, 26, "override of parameter Mode must keep the type uint16, not uint32"},
        ErrorCase{
            "MethodOverrideDroppingParameter",
            "class E_A : E_Service {\n  [Override(\"Run\")] uint32 Run([In] uint16 Mode);\n};", 2,
            28, "override of method Run must keep its 2 parameters"},
        ErrorCase{"MethodReturningReference", "class E_A : E_Thing { E_Thing REF Go(); };", 1, 23,
                  "a method cannot return a reference"},
        ErrorCase{"ParameterNeitherInNorOut",
                  "class E_A : E_Thing { uint32 Go([In(false)] uint8 Level); };", 1, 51,
                  "parameter Level is neither In nor Out"},
        ErrorCase{"KeyAddedBelowKeyedClass", "class E_A : E_Thing {\n  [Key] string Extra;\n};", 2,
                  4, "class E_A cannot add key Extra: superclass E_Thing already defines the keys"},
        ErrorCase{"KeyRemoved",
                  "class E_A : E_Thing {\n  [Key(false), Override(\"Id\")] string Id;\n};", 2, 4,
                  "property Id is a key of E_Thing and stays one"},
        ErrorCase{"KeyArray", "class E_A { [Key] string Ids[]; };", 1, 14,
                  "key Ids cannot be an array"},
        ErrorCase{"NonBooleanKey", "class E_A { [Key(\"yes\")] string Id; };", 1, 14,
                  "qualifier Key takes true or false"}),
    [](const ::testing::TestParamInfo<ErrorCase>& info) { return info.param.name; });

INSTANTIATE_TEST_SUITE_P(
    Values, MofErrors,
    ::testing::Values(
        ErrorCase{"StringForInteger", "class E_A : E_Thing { uint16 X = \"5\"; };", 1, 34,
                  "expected a value of type uint16, found a string"},
        ErrorCase{"IntegerOutOfRange", "class E_A : E_Thing { uint8 X = 256; };", 1, 33,
                  "value 256 is out of range for uint8"},
        ErrorCase{"NegativeUnsigned", "class E_A : E_Thing { uint32 X = -1; };", 1, 34,
                  "value -1 is out of range for uint32"},
        ErrorCase{"SignedUnderflow", "class E_A : E_Thing { sint8 X = -129; };", 1, 33,
                  "out of range for sint8"},
        ErrorCase{"TooLarge", "class E_A : E_Thing { uint64 X = 18446744073709551616; };", 1, 34,
                  "is too large"},
        ErrorCase{"ArrayForScalar", "class E_A : E_Thing { uint16 X = {1, 2}; };", 1, 34,
                  "a scalar cannot take a value in braces"},
        ErrorCase{"ScalarForArray", "class E_A : E_Thing { uint16 X[] = 1; };", 1, 36,
                  "an array needs a value in braces"},
        ErrorCase{"TooManyElements", "class E_A : E_Thing { uint16 X[2] = {1, 2, 3}; };", 1, 37,
                  "array of size 2 given 3 values"},
        ErrorCase{"WrongElement", "class E_A : E_Thing { uint16 X[] = {1,\n true}; };", 2, 2,
                  "expected a value of type uint16, found a boolean"},
        ErrorCase{"BadDatetime", "class E_A : E_Thing { datetime X = \"2024-01-01\"; };", 1, 36,
                  "invalid datetime \"2024-01-01\""},
        ErrorCase{"RealForInteger", "class E_A : E_Thing { sint16 X = 1.5; };", 1, 34,
                  "found a real number"},
        ErrorCase{"MixedQualifierArray", "[ValueMap{\"1\", 2}] class E_A {};", 1, 16,
                  "the values of qualifier ValueMap must all be of one type"},
        ErrorCase{"UnclosedValueList", "class E_A : E_Thing { uint16 X[] = {1, 2; };", 1, 41,
                  "expected ',' or '}' in the value list opened at "},
        ErrorCase{"MissingValue", "class E_A : E_Thing { uint16 X = ; };", 1, 34,
                  "expected a value (number, string, character, true, false or null)"}),
    [](const ::testing::TestParamInfo<ErrorCase>& info) { return info.param.name; });

INSTANTIATE_TEST_SUITE_P(
    Pragmas, MofErrors,
    ::testing::Values(ErrorCase{"IncludeMissingFile", "\n#pragma include(\"nowhere.mof\")", 2, 17,
                                "cannot find included file \"nowhere.mof\""},
                      ErrorCase{"IncludeCycle", "#pragma include(\"cycle_a.mof\")", 2, 17,
                                "includes itself"},
                      ErrorCase{"IncludeWithoutString", "#pragma include(nowhere)", 1, 17,
                                "expected a string parameter for #pragma include"},
                      ErrorCase{"BadNamespace", "#pragma namespace(\"root//x\")", 1, 19,
                                "invalid namespace \"root//x\""},
                      ErrorCase{"PragmaWithoutParenthesis", "#pragma namespace \"root\"", 1, 19,
                                "expected '(' after #pragma namespace"}),
    [](const ::testing::TestParamInfo<ErrorCase>& info) { return info.param.name; });

TEST(MofReaderFiles, ReportsAMissingOrUnreadableFile) {
    TempDir dir;
    ClassSet classes;
    MofReader reader(classes);
    const fs::path absentMof = dir.path() / "absent.mof";
    const fs::path absentReg = dir.path() / "absent.reg";
    for (const auto& [file, error] :
         {std::pair{absentMof, sourceErrorOf([&] { reader.readFile(absentMof); })},
          std::pair{absentReg, sourceErrorOf([&] { parseProviderRegistrations(absentReg); })}}) {
        EXPECT_EQ(error.where().file, file.string());
        EXPECT_NE(error.message().find("cannot open file"), std::string::npos) << error.what();
    }
    EXPECT_THROW(reader.readFile(dir.path()), SourceError);
}

TEST(MofReaderFiles, ReportsAnErrorInAnIncludedFileAtItsOwnPlace) {
    TempDir dir;
    dir.write("sub/inner.mof", "class F_Inner {\n  [Key] string Id\n};\n");
    const fs::path outer = dir.write("outer.mof", "#pragma include(\"sub/inner.mof\")\n");
    const SourceError error = sourceErrorOf([&] { readMofFiles({outer}); });
    EXPECT_EQ(fs::path(error.where().file), dir.path() / "sub" / "inner.mof");
    EXPECT_EQ(error.where().line, 2u);
    EXPECT_EQ(error.where().column, 18u);
}

TEST(MofReaderFiles, SurvivesArbitraryBytes) {
    // Whatever the input, the reader either reads it or says where it went wrong.
    const std::vector<std::string> inputs = {std::string("\0\xff\xfe class", 10),
                                             "[",
                                             "class",
                                             "class E_X :",
                                             "class E_X {",
                                             "#",
                                             "#pragma",
                                             "#pragma include(",
                                             "[Key(",
                                             "class E_X { uint8 A[",
                                             "'",
                                             "\"\\x",
                                             "class E_X { string A = \"\\xD800\"; };",
                                             "{}}}}",
                                             "/*",
                                             "1e",
                                             "-",
                                             "class E_X { [Key] uint8 A = 0x; };"};
    for (const std::string& input : inputs) {
        ClassSet classes;
        MofReader reader(classes);
        try {
            reader.readText(input, "fuzz");
        } catch (const SourceError& error) {
            EXPECT_EQ(error.where().file, "fuzz");
            EXPECT_GT(error.where().line, 0u) << input;
        }
        EXPECT_EQ(classes.size(), 0u);
    }
}

// ---------------------------------------------------------------------------
// Provider registrations
// ---------------------------------------------------------------------------

TEST(ProviderRegistrationFile, RegistersTheProductAndThePeerProvider) {
    const ProviderRegistrations registrations =
        parseProviderRegistrations(kMofDir / "providers.reg");
    EXPECT_EQ(registrations.entries().size(), kDirectSuperclass.size());
    EXPECT_EQ(registrations.locations(),
              (std::vector<std::string>{"IPInterfaceProvider", "OVXPeerProvider"}));

    EXPECT_EQ(registrations.ofProvider("IPInterfaceProvider").size(),
              kDirectSuperclass.size() - kPeerClasses.size());
    for (const auto& [name, superclass] : kDirectSuperclass) {
        const bool peer =
            std::find(kPeerClasses.begin(), kPeerClasses.end(), name) != kPeerClasses.end();
        const std::string provider = peer ? "OVXPeerProvider" : "IPInterfaceProvider";
        const ProviderRegistration* entry = registrations.find("root/cimv2", name);
        ASSERT_NE(entry, nullptr) << name;
        EXPECT_EQ(entry->providerName, provider);
        EXPECT_EQ(entry->libraryFileName(), "lib" + provider + ".so");
        EXPECT_TRUE(entry->instance) << name;
        EXPECT_EQ(entry->association, projectClass(name).association) << name;
        EXPECT_EQ(entry->method,
                  name == "OVX_IPProtocolEndpoint" || name == "OVX_IPConfigurationService")
            << name;
    }
    EXPECT_EQ(registrations.find("root/interop", "OVX_IPProtocolEndpoint"), nullptr);

    ClassRegistry registry;
    loadMofIntoRegistry({kMofDir / "host.mof"}, registry);
    EXPECT_NO_THROW(checkRegistrations(registrations, registry));
}

TEST(ProviderRegistrationFile, ReadsSectionsCommentsAndDefaults) {
    const ProviderRegistrations registrations = parseProviderRegistrationText(
        "# header comment\n"
        "\n"
        "[R_First]   # trailing comment\n"
        "  Provider: Alpha# glued comment\n"
        "  LOCATION: alpha-1.2\n"
        "  type: Instance, Association method\n"
        "   # indented comment\n"
        "[R_Second]\r\n"
        "  provider: Beta\r\n"
        "  location: beta\r\n"
        "  type: method\r\n"
        "  namespace: root/cimv2 root/interop\r\n"
        "[R_First]\n"
        "  provider: Gamma\n"
        "  location: gamma\n"
        "  type: instance\n"
        "  namespace: root/other",
        "inline.reg");
    ASSERT_EQ(registrations.entries().size(), 3u);
    const ProviderRegistration& first = registrations.entries()[0];
    EXPECT_EQ(first.className, "R_First");
    EXPECT_EQ(first.providerName, "Alpha");
    EXPECT_EQ(first.libraryFileName(), "libalpha-1.2.so");
    EXPECT_TRUE(first.instance && first.association && first.method);
    EXPECT_EQ(first.namespaces, std::vector<std::string>{"root/cimv2"});
    EXPECT_EQ(first.where.toString(), "inline.reg:3");

    const ProviderRegistration* second = registrations.find("ROOT/INTEROP", "r_second");
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(second->providerName, "Beta");
    EXPECT_FALSE(second->instance);
    EXPECT_TRUE(second->method);

    EXPECT_EQ(registrations.find("root/other", "R_First")->providerName, "Gamma");
    EXPECT_EQ(registrations.find("root/cimv2", "R_First")->providerName, "Alpha");
    EXPECT_EQ(registrations.ofProvider("beta").size(), 1u);
    EXPECT_TRUE(parseProviderRegistrationText("", "empty.reg").entries().empty());
}

struct RegistrationErrorCase {
    std::string name;
    std::string text;
    unsigned line;
    std::string message;
};

void PrintTo(const RegistrationErrorCase& errorCase, std::ostream* out) {
    *out << errorCase.name;
}

class RegistrationErrors : public ::testing::TestWithParam<RegistrationErrorCase> {};

TEST_P(RegistrationErrors, NameTheFileAndLine) {
    const RegistrationErrorCase& errorCase = GetParam();
    TempDir dir;
    const fs::path file = dir.write("bad.reg", errorCase.text);
    const SourceError error = sourceErrorOf([&] { parseProviderRegistrations(file); });
    EXPECT_EQ(error.where().file, file.string());
    EXPECT_EQ(error.where().line, errorCase.line) << error.what();
    EXPECT_NE(error.message().find(errorCase.message), std::string::npos) << error.what();
    EXPECT_EQ(std::string(error.what())
                  .rfind(file.string() + ":" + std::to_string(errorCase.line) + ": ", 0),
              0u)
        << error.what();
}

const std::string kGoodSection = "[R_Good]\nprovider: P\nlocation: p\ntype: instance\n";

INSTANTIATE_TEST_SUITE_P(
    Registrations, RegistrationErrors,
    ::testing::Values(
        RegistrationErrorCase{"KeyBeforeSection", "# top\nprovider: P\n", 2,
                              "'provider' comes before any [ClassName] section"},
        RegistrationErrorCase{"UnknownKey", kGoodSection + "locaton: p\n", 5,
                              "unknown key 'locaton'; expected provider, location, type or "
                              "namespace"},
        RegistrationErrorCase{"MissingLocation", "\n[R_A]\nprovider: P\ntype: instance\n", 2,
                              "section [R_A] lacks 'location'"},
        RegistrationErrorCase{"MissingTypeInLastSection",
                              kGoodSection + "[R_B]\nprovider: P\nlocation: p\n", 5,
                              "section [R_B] lacks 'type'"},
        RegistrationErrorCase{"MissingProvider", "[R_A]\nlocation: p\ntype: method\n[R_B]\n", 1,
                              "section [R_A] lacks 'provider'"},
        RegistrationErrorCase{"KeyGivenTwice", kGoodSection + "Type: method\n", 5,
                              "'Type' given twice in section [R_Good]"},
        RegistrationErrorCase{"UnknownType", "[R_A]\nprovider: P\nlocation: p\ntype: instanse\n", 4,
                              "unknown provider type 'instanse'"},
        RegistrationErrorCase{"IndicationType",
                              "[R_A]\nprovider: P\nlocation: p\ntype: indication\n", 4,
                              "indication providers are not supported"},
        RegistrationErrorCase{"EmptyValue", "[R_A]\nprovider:\n", 2, "'provider' needs a value"},
        RegistrationErrorCase{"LocationWithDirectory", "[R_A]\nlocation: ../../tmp/evil\n", 2,
                              "must be a library base name without directories"},
        RegistrationErrorCase{"TwoLocations", "[R_A]\nlocation: a b\n", 2,
                              "'location' takes one name"},
        RegistrationErrorCase{"ProviderNotAnIdentifier", "[R_A]\nprovider: my-provider\n", 2,
                              "must be an identifier"},
        RegistrationErrorCase{"BadNamespace", "[R_A]\nnamespace: root/\n", 2,
                              "\"root/\" is not a namespace name"},
        RegistrationErrorCase{"BadClassName", "[NoPrefix]\n", 1, "is not a class name"},
        RegistrationErrorCase{"UnclosedHeader", "[R_A\n", 1, "section header must end with ']'"},
        RegistrationErrorCase{"LineWithoutColon", kGoodSection + "\njust words\n", 6,
                              "expected '[ClassName]' or 'key: value'"},
        RegistrationErrorCase{"DuplicateClass",
                              kGoodSection + "\n[r_good]\nprovider: Q\n"
                                             "location: q\ntype: method\n",
                              6, "class r_good in namespace root/cimv2 is already registered at "}),
    [](const ::testing::TestParamInfo<RegistrationErrorCase>& info) { return info.param.name; });

TEST(ProviderRegistrationCheck, RefusesUnknownAbstractAndMisfiledClasses) {
    ClassSet classes;
    MofReader(classes).readText(
        "[Abstract] class G_Base { [Key] string Id; };\n"
        "class G_Plain : G_Base {};\n"
        "[Association] class G_Link { [Key] G_Plain REF A; [Key] G_Plain REF B; };\n",
        "classes");
    ClassRegistry registry;
    addToRegistry(classes, "root/cimv2", registry);

    const auto check = [&registry](const std::string& text) {
        checkRegistrations(parseProviderRegistrationText(text, "check.reg"), registry);
    };
    EXPECT_NO_THROW(
        check("[G_Plain]\nprovider: P\nlocation: p\ntype: instance method\n"
              "[G_Link]\nprovider: P\nlocation: p\ntype: instance association\n"));
    const auto expectError = [&check](const std::string& text, unsigned line,
                                      const std::string& message) {
        const SourceError error = sourceErrorOf([&] { check(text); });
        EXPECT_EQ(error.where().line, line);
        EXPECT_NE(error.message().find(message), std::string::npos) << error.what();
    };
    expectError(
        "[G_Plain]\nprovider: P\nlocation: p\ntype: instance\n"
        "[G_Missing]\nprovider: P\nlocation: p\ntype: instance\n",
        5, "class G_Missing is not defined in the loaded MOF");
    expectError("[G_Plain]\nprovider: P\nlocation: p\ntype: association\n", 1,
                "is not an association");
    expectError("[G_Base]\nprovider: P\nlocation: p\ntype: instance\n", 1, "is abstract");
}

TEST(ProviderLibraryLookup, FindsTheLibraryInTheFirstDirectoryHoldingIt) {
    TempDir dir;
    dir.write("first/other.so", "");
    dir.write("second/libAlpha.so", "x");
    dir.write("third/libAlpha.so", "y");
    fs::create_directories(dir.path() / "decoy" / "libAlpha.so");
    ProviderRegistration registration;
    registration.location = "Alpha";
    const auto found = findProviderLibrary(
        registration, {dir.path() / "missing", dir.path() / "decoy", dir.path() / "first",
                       dir.path() / "second", dir.path() / "third"});
    ASSERT_TRUE(found.has_value());
    EXPECT_EQ(*found, dir.path() / "second" / "libAlpha.so");

    registration.location = "Beta";
    EXPECT_FALSE(findProviderLibrary(registration, {dir.path() / "second"}).has_value());
    EXPECT_FALSE(findProviderLibrary(registration, {}).has_value());
}

}  // namespace
