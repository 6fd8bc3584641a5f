// The associations end to end: the embedded host on the sample system, the
// built provider and the sample peer provider, as a console navigates them.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "CMPI/CMPIIPComputerSystem.h"
#include "CMPI/CMPIIPLanEndPoint.h"
#include "Exceptions.h"
#include "HostCallSupport.h"
#include "ProviderTestSupport.h"
#include "SampleHost.h"

namespace {

using ProviderTest::nameKeys;
using ProviderTest::pathsOf;
using ProviderTest::referenceOf;
using ProviderTest::SampleHost;
using Names = std::vector<std::string>;

class SampleAssociations : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { sample_ = std::make_unique<SampleHost>(); }
    static void TearDownTestSuite() { sample_.reset(); }

    SampleHost& sample() { return *sample_; }

    // The sample's host system goes by the machine's host name.
    static std::string systemName(const std::string& name) {
        return name.empty() ? ProviderTest::thisHostName() : name;
    }

    static std::unique_ptr<SampleHost> sample_;
};

std::unique_ptr<SampleHost> SampleAssociations::sample_;

struct Navigation {
    const char* association;
    const char* sourceClass;
    const char* sourceName;  // "" for the host system
    const char* sourceRole;
    const char* farRole;
    Names far;  // "" for the host system
};

const Navigation kNavigations[] = {
    // clang-format off
    {"OVX_IPHostedAccessPoint", "OVX_ComputerSystem", "",
     "Antecedent", "Dependent", {"br0", "eth0", "eth0_1", "eth1", "eth2", "eth3"}},
    {"OVX_IPHostedAccessPoint", "OVX_IPProtocolEndpoint", "eth1", "Dependent", "Antecedent", {""}},
    {"OVX_IPHostedAccessPoint", "OVX_IPProtocolEndpoint", "bmc0", "Dependent", "Antecedent", {}},
    {"OVX_SPHostedAccessPoint", "OVX_SPComputerSystem", "BMC:-1",
     "Antecedent", "Dependent", {"bmc0"}},
    {"OVX_SPHostedAccessPoint", "OVX_IPProtocolEndpoint", "bmc0",
     "Dependent", "Antecedent", {"BMC:-1"}},
    {"OVX_SPHostedAccessPoint", "OVX_IPProtocolEndpoint", "eth0", "Dependent", "Antecedent", {}},
    {"OVX_BindsToLanEndPoint", "OVX_IPProtocolEndpoint", "eth1",
     "Dependent", "Antecedent", {"eth1"}},
    {"OVX_BindsToLanEndPoint", "OVX_LANEndpoint", "eth1", "Antecedent", "Dependent", {"eth1"}},
    // The management port is a port of the service processor, on both ends.
    {"OVX_BindsToLanEndPoint", "OVX_IPProtocolEndpoint", "bmc0",
     "Dependent", "Antecedent", {"bmc0"}},
    {"OVX_BindsToLanEndPoint", "OVX_LANEndpoint", "bmc0", "Antecedent", "Dependent", {"bmc0"}},
    // An alias address has no port of its own name.
    {"OVX_BindsToLanEndPoint", "OVX_IPProtocolEndpoint", "eth0_1", "Dependent", "Antecedent", {}},
    {"OVX_IPElementSettingData", "OVX_IPProtocolEndpoint", "eth1",
     "ManagedElement", "SettingData", {"Computer%eth1%dhcp", "Computer%eth1%static"}},
    {"OVX_IPElementSettingData", "OVX_IPProtocolEndpoint", "bmc0",
     "ManagedElement", "SettingData", {"BMC%bmc0%dhcp", "BMC%bmc0%static"}},
    {"OVX_IPElementSettingData", "OVX_IPAssignmentSettingData", "Computer%eth2%dhcp",
     "SettingData", "ManagedElement", {"eth2"}},
    {"OVX_StaticIPElementSettingData", "OVX_IPProtocolEndpoint", "eth0_1",
     "ManagedElement", "SettingData", {"Computer%eth0_1"}},
    {"OVX_StaticIPElementSettingData", "OVX_StaticIPAssignmentSettingData", "Computer%eth0",
     "SettingData", "ManagedElement", {"eth0"}},
    {"OVX_StaticOrderedComponent", "OVX_IPAssignmentSettingData", "Computer%eth1%static",
     "GroupComponent", "PartComponent", {"Computer%eth1"}},
    {"OVX_StaticOrderedComponent", "OVX_IPAssignmentSettingData", "Computer%eth1%dhcp",
     "GroupComponent", "PartComponent", {}},
    {"OVX_StaticOrderedComponent", "OVX_StaticIPAssignmentSettingData", "BMC%bmc0",
     "PartComponent", "GroupComponent", {"BMC%bmc0%static"}},
    {"OVX_RemoteHostedAccessPoint", "OVX_ComputerSystem", "",
     "Antecedent", "Dependent", {"eth0_IPv4", "eth1_IPv4", "eth1_IPv6", "eth2_IPv4", "eth3_IPv6"}},
    {"OVX_RemoteHostedAccessPoint", "OVX_IPRemoteServiceAccessPoint", "eth1_IPv6",
     "Dependent", "Antecedent", {""}},
    {"OVX_IPRemoteAccessAvailableToElement", "OVX_IPProtocolEndpoint", "eth1",
     "Dependent", "Antecedent", {"eth1_IPv4", "eth1_IPv6"}},
    {"OVX_IPRemoteAccessAvailableToElement", "OVX_IPProtocolEndpoint", "br0",
     "Dependent", "Antecedent", {}},
    {"OVX_IPRemoteAccessAvailableToElement", "OVX_IPRemoteServiceAccessPoint", "bmc0_IPv4",
     "Antecedent", "Dependent", {"bmc0"}},
    {"OVX_IPElementCapabilities", "OVX_IPProtocolEndpoint", "eth3",
     "ManagedElement", "Capabilities", {"eth3"}},
    {"OVX_IPElementCapabilities", "OVX_IPEnabledLogicalElementCapabilities", "bmc0",
     "Capabilities", "ManagedElement", {"bmc0"}},
    {"OVX_IPHostedService", "OVX_ComputerSystem", "",
     "Antecedent", "Dependent", {"IPConfigService"}},
    {"OVX_IPHostedService", "OVX_IPConfigurationService", "IPConfigService",
     "Dependent", "Antecedent", {""}},
    {"OVX_IPServiceAffectsElement", "OVX_IPConfigurationService", "IPConfigService",
     "AffectingElement", "AffectedElement", {"br0", "eth0", "eth0_1", "eth1", "eth2", "eth3"}},
    {"OVX_IPServiceAffectsElement", "OVX_IPProtocolEndpoint", "eth0_1",
     "AffectedElement", "AffectingElement", {"IPConfigService"}},
    {"OVX_IPServiceAffectsElement", "OVX_IPProtocolEndpoint", "bmc0",
     "AffectedElement", "AffectingElement", {}},
    // clang-format on
};

TEST_F(SampleAssociations, EachWayFromEachEndAndEveryPathResolves) {
    for (const Navigation& navigation : kNavigations) {
        SCOPED_TRACE(std::string(navigation.association) + " from " + navigation.sourceClass + " " +
                     navigation.sourceName);
        const auto source =
            sample().named(navigation.sourceClass, systemName(navigation.sourceName));
        Names expected;
        for (const std::string& name : navigation.far) {
            expected.push_back(systemName(name));
        }
        std::sort(expected.begin(), expected.end());

        const auto farNames = sample().associatorNames(source, navigation.association);
        EXPECT_EQ(nameKeys(farNames), expected);
        sample().expectEachResolves(farNames);
        EXPECT_EQ(nameKeys(pathsOf(sample().associators(source, navigation.association))),
                  expected);

        const auto referenceNames = sample().referenceNames(source, navigation.association);
        ASSERT_EQ(referenceNames.size(), expected.size());
        sample().expectEachResolves(referenceNames);
        Names referencedFar;
        for (const auto& reference : referenceNames) {
            EXPECT_TRUE(referenceOf(reference, navigation.sourceRole).sameInstance(source))
                << reference.toString();
            referencedFar.push_back(nameKeys({referenceOf(reference, navigation.farRole)}).at(0));
        }
        std::sort(referencedFar.begin(), referencedFar.end());
        EXPECT_EQ(referencedFar, expected);
        const auto references = sample().references(source, navigation.association);
        ASSERT_EQ(references.size(), expected.size());
        for (const auto& instance : references) {
            const auto* const far = instance.findProperty(navigation.farRole);
            ASSERT_NE(far, nullptr);
            EXPECT_EQ(far->type(), CMPI_ref);
        }
    }
}

struct Enumeration {
    const char* association;
    const char* walkedClass;  // every association instance touches one of these
    std::size_t count;
};

const Enumeration kEnumerations[] = {
    {"OVX_IPHostedAccessPoint", "OVX_ComputerSystem", 6},
    {"OVX_SPHostedAccessPoint", "OVX_SPComputerSystem", 1},
    {"OVX_BindsToLanEndPoint", "OVX_IPProtocolEndpoint", 6},
    {"OVX_IPElementSettingData", "OVX_IPAssignmentSettingData", 14},
    {"OVX_StaticIPElementSettingData", "OVX_StaticIPAssignmentSettingData", 7},
    {"OVX_StaticOrderedComponent", "OVX_StaticIPAssignmentSettingData", 7},
    {"OVX_RemoteHostedAccessPoint", "OVX_ComputerSystem", 5},
    {"OVX_IPRemoteAccessAvailableToElement", "OVX_IPRemoteServiceAccessPoint", 6},
    {"OVX_IPElementCapabilities", "OVX_IPProtocolEndpoint", 7},
    {"OVX_IPHostedService", "OVX_ComputerSystem", 1},
    {"OVX_IPServiceAffectsElement", "OVX_IPConfigurationService", 6},
};

// Enumerating the association class yields exactly the references of its ends.
TEST_F(SampleAssociations, EnumerationAgreesWithTheReferencesOfTheEnds) {
    for (const Enumeration& enumeration : kEnumerations) {
        SCOPED_TRACE(enumeration.association);
        const auto enumerated = sample().names(enumeration.association);
        EXPECT_EQ(enumerated.size(), enumeration.count);
        sample().expectEachResolves(enumerated);

        std::set<std::string> fromEnds;
        for (const auto& end : sample().names(enumeration.walkedClass)) {
            for (const auto& reference : sample().referenceNames(end, enumeration.association)) {
                fromEnds.insert(reference.toString());
            }
        }
        std::set<std::string> all;
        for (const auto& path : enumerated) {
            all.insert(path.toString());
        }
        EXPECT_EQ(all, fromEnds);

        const auto instances = sample().server().enumerateInstances(
            sample().context(), ovx::host::ObjectPath("root/cimv2", enumeration.association),
            std::nullopt);
        ASSERT_TRUE(instances.status.ok()) << instances.status.message;
        EXPECT_EQ(instances.value.size(), enumeration.count);
    }
}

TEST_F(SampleAssociations, AnAssociationInstanceThatDoesNotExistIsNotFound) {
    const auto host = sample().named("OVX_ComputerSystem", ProviderTest::thisHostName());
    ovx::host::ObjectPath wrong("root/cimv2", "OVX_IPHostedAccessPoint");
    wrong.setKey("Antecedent", ovx::host::Value::reference(host));
    wrong.setKey("Dependent",
                 ovx::host::Value::reference(sample().named("OVX_IPProtocolEndpoint", "bmc0")));
    const auto reply = sample().server().getInstance(sample().context(), wrong, std::nullopt);
    EXPECT_EQ(reply.status.rc, CMPI_RC_ERR_NOT_FOUND) << reply.status.message;

    ovx::host::ObjectPath right = wrong;
    right.setKey("Dependent",
                 ovx::host::Value::reference(sample().named("OVX_IPProtocolEndpoint", "eth2")));
    EXPECT_TRUE(sample().server().getInstance(sample().context(), right, std::nullopt).status.ok());
}

// Without an association class the host asks every association that can
// reach the source, the peer provider's DNS dependency among them.
TEST_F(SampleAssociations, EveryAssociationOfAnEndpoint) {
    std::set<std::string> classes;
    for (const auto& path :
         sample().associatorNames(sample().named("OVX_IPProtocolEndpoint", "eth1"), std::nullopt)) {
        classes.insert(path.className());
    }
    EXPECT_EQ(classes,
              (std::set<std::string>{
                  "OVX_ComputerSystem", "OVX_DNSProtocolEndpoint", "OVX_LANEndpoint",
                  "OVX_IPAssignmentSettingData", "OVX_StaticIPAssignmentSettingData",
                  "OVX_IPRemoteServiceAccessPoint", "OVX_IPEnabledLogicalElementCapabilities",
                  "OVX_IPConfigurationService"}));
}

// The setting that an endpoint uses now is its current and default one.
TEST_F(SampleAssociations, TheSettingInUseIsCurrent) {
    const struct {
        const char* endpoint;
        const char* current;
    } endpoints[] = {{"eth1", "Computer%eth1%static"}, {"eth2", "Computer%eth2%dhcp"}};
    for (const auto& endpoint : endpoints) {
        const auto references =
            sample().references(sample().named("OVX_IPProtocolEndpoint", endpoint.endpoint),
                                "OVX_IPElementSettingData");
        ASSERT_EQ(references.size(), 2U);
        for (const auto& instance : references) {
            const bool current =
                nameKeys({referenceOf(instance.path(), "SettingData")}).at(0) == endpoint.current;
            const std::uint64_t expected = current ? 1 : 2;
            for (const char* property : {"IsCurrent", "IsDefault"}) {
                const auto* const value = instance.findProperty(property);
                ASSERT_NE(value, nullptr) << property;
                EXPECT_EQ(value->asUnsigned(), expected)
                    << property << " " << instance.path().toString();
            }
            EXPECT_EQ(instance.findProperty("IsNext")->asUnsigned(), 2U);
        }
    }
}

// A result class keeps one kind of far end, whichever association reaches it.
TEST_F(SampleAssociations, ResultClassFiltersTheFarEnds) {
    const auto eth1 = sample().named("OVX_IPProtocolEndpoint", "eth1");
    struct Filtered {
        const char* resultClass;
        Names names;
    };
    const Filtered filters[] = {
        {"CIM_ComputerSystem", {ProviderTest::thisHostName()}},
        {"OVX_LANEndpoint", {"eth1"}},
        {"OVX_SPComputerSystem", {}},
    };
    for (const Filtered& filter : filters) {
        Names names;
        for (const char* association :
             {"OVX_IPHostedAccessPoint", "OVX_SPHostedAccessPoint", "OVX_BindsToLanEndPoint"}) {
            for (const auto& path :
                 sample().associatorNames(eth1, association, filter.resultClass)) {
                names.push_back(nameKeys({path}).at(0));
            }
        }
        EXPECT_EQ(names, filter.names) << filter.resultClass;
    }
}

}  // namespace

namespace {

// The association operations called the way a CIMOM calls them, with the
// class names a CIMOM may pass (base classes, other classes, none), on the
// sample host's broker so that the far ends come from the peer provider.
class AssociationOperations : public SampleAssociations {
  protected:
    using Call = std::function<CMPIStatus(CMPIAssociationMI*, const CMPIContext*, const CMPIResult*,
                                          const CMPIObjectPath*)>;

    ProviderTest::Outcome call(const ovx::host::ObjectPath& source, const Call& operation) {
        const ovx::host::Broker& broker = sample().server().broker();
        ovx::host::OperationScope scope(broker);
        CMPIAssociationMI* const mi =
            IPInterfaceProvider_Create_AssociationMI(broker.cmpi(), nullptr, nullptr);
        CMPIResult* const result = ovx::host::newResult();
        const CMPIStatus status =
            operation(mi, ovx::host::toCmpi(sample().context()), result, ovx::host::toCmpi(source));
        return ProviderTest::outcomeOf(status, result);
    }

    ProviderTest::Outcome associatorNames(const ovx::host::ObjectPath& source,
                                          const char* associationClass,
                                          const char* resultClass = nullptr,
                                          const char* role = nullptr,
                                          const char* resultRole = nullptr) {
        return call(source, [&](CMPIAssociationMI* mi, const CMPIContext* context,
                                const CMPIResult* result, const CMPIObjectPath* path) {
            return mi->ft->associatorNames(mi, context, result, path, associationClass, resultClass,
                                           role, resultRole);
        });
    }

    ProviderTest::Outcome referenceNames(const ovx::host::ObjectPath& source,
                                         const char* associationClass, const char* role = nullptr) {
        return call(source, [&](CMPIAssociationMI* mi, const CMPIContext* context,
                                const CMPIResult* result, const CMPIObjectPath* path) {
            return mi->ft->referenceNames(mi, context, result, path, associationClass, role);
        });
    }
};

struct Request {
    const char* associationClass;
    CMPIrc rc;
    unsigned done;
    Names far;  // "" for the host system
};

TEST_F(AssociationOperations, AssociationClassesAreWidenedAndUnservedOnesRefused) {
    const auto eth1 = sample().named("OVX_IPProtocolEndpoint", "eth1");
    const std::string host = ProviderTest::thisHostName();
    const Request requests[] = {
        {"OVX_IPHostedAccessPoint", CMPI_RC_OK, 1, {host}},
        {"CIM_BindsToLANEndpoint", CMPI_RC_OK, 1, {"eth1"}},
        // Three classes in turn; only one of them reaches an endpoint's system.
        {"CIM_HostedAccessPoint", CMPI_RC_OK, 1, {host}},
        {"CIM_ElementSettingData",
         CMPI_RC_OK,
         1,
         {"Computer%eth1", "Computer%eth1%dhcp", "Computer%eth1%static"}},
        // Not associated: the failure stays inside that class's walk.
        {"OVX_SPHostedAccessPoint", CMPI_RC_OK, 1, {}},
        {"CIM_NoSuchAssociation", CMPI_RC_ERR_INVALID_CLASS, 1, {}},
        {"OVX_IPProtocolEndpoint", CMPI_RC_ERR_INVALID_CLASS, 0, {}},
    };
    for (const Request& request : requests) {
        SCOPED_TRACE(request.associationClass != nullptr ? request.associationClass : "(none)");
        const auto outcome = associatorNames(eth1, request.associationClass);
        EXPECT_EQ(outcome.rc, request.rc);
        EXPECT_EQ(outcome.data.doneCount, request.done);
        EXPECT_EQ(nameKeys(outcome.data.objectPaths), request.far);
    }
}

TEST_F(AssociationOperations, ReferencesTakeTheProvidersClassesAndTheirCimBases) {
    const auto eth1 = sample().named("OVX_IPProtocolEndpoint", "eth1");
    const auto own = referenceNames(eth1, "OVX_IPHostedAccessPoint");
    EXPECT_EQ(own.rc, CMPI_RC_OK);
    EXPECT_EQ(own.data.objectPaths.size(), 1U);
    // As sfcb passes a console's CIM_ name: the three hosted access points in turn.
    const auto base = referenceNames(eth1, "CIM_HostedAccessPoint");
    EXPECT_EQ(base.rc, CMPI_RC_OK);
    EXPECT_EQ(base.data.objectPaths.size(), 1U);
    const auto unrelated = referenceNames(eth1, "CIM_NoSuchAssociation");
    EXPECT_EQ(unrelated.rc, CMPI_RC_ERR_INVALID_CLASS);
    EXPECT_EQ(unrelated.data.doneCount, 0U);
    EXPECT_TRUE(unrelated.data.objectPaths.empty());
}

TEST_F(AssociationOperations, ResultClassSelectsTheFarEndByNameOrAncestry) {
    const auto host = sample().named("OVX_ComputerSystem", ProviderTest::thisHostName());
    const struct {
        const char* resultClass;
        std::size_t count;
    } filters[] = {
        {nullptr, 6},           {"cim_ipprotocolendpoint", 6}, {"CIM_ManagedElement", 6},
        {"OVX_LANEndpoint", 0}, {"CIM_ComputerSystem", 0},
    };
    for (const auto& filter : filters) {
        const auto outcome = associatorNames(host, "OVX_IPHostedAccessPoint", filter.resultClass);
        EXPECT_EQ(outcome.rc, CMPI_RC_OK);
        EXPECT_EQ(outcome.data.objectPaths.size(), filter.count)
            << (filter.resultClass != nullptr ? filter.resultClass : "(none)");
    }
}

// Roles name the references of the source and of the far end.
TEST_F(AssociationOperations, RolesSelectTheReferences) {
    const auto eth1 = sample().named("OVX_IPProtocolEndpoint", "eth1");
    const struct {
        const char* role;
        const char* resultRole;
        std::size_t count;
    } roles[] = {{"Dependent", nullptr, 1},
                 {"Antecedent", nullptr, 0},
                 {nullptr, "antecedent", 1},
                 {nullptr, "Dependent", 0},
                 {"", "", 1},
                 {"Dependent", "Antecedent", 1}};
    for (const auto& each : roles) {
        SCOPED_TRACE(std::string(each.role != nullptr ? each.role : "(none)") + " " +
                     (each.resultRole != nullptr ? each.resultRole : "(none)"));
        const auto far =
            associatorNames(eth1, "OVX_IPHostedAccessPoint", nullptr, each.role, each.resultRole);
        EXPECT_EQ(far.rc, CMPI_RC_OK);
        EXPECT_EQ(far.data.objectPaths.size(), each.count);
        if (each.resultRole == nullptr) {
            EXPECT_EQ(
                referenceNames(eth1, "OVX_IPHostedAccessPoint", each.role).data.objectPaths.size(),
                each.count);
        }
    }
}

// Service-processor associations can be fetched by their paths like the
// others; keys that name no association instance are rc 6.
TEST_F(AssociationOperations, AnAssociationInstanceIsFetchedByItsExactKeys) {
    ovx::host::ObjectPath path("root/cimv2", "OVX_SPHostedAccessPoint");
    path.setKey("Antecedent",
                ovx::host::Value::reference(sample().named("OVX_SPComputerSystem", "BMC:-1")));
    path.setKey("Dependent",
                ovx::host::Value::reference(sample().named("OVX_IPProtocolEndpoint", "bmc0")));
    const auto getInstance = [&](const ovx::host::ObjectPath& wanted) {
        const ovx::host::Broker& broker = sample().server().broker();
        ovx::host::OperationScope scope(broker);
        CMPIInstanceMI* const mi =
            IPInterfaceProvider_Create_InstanceMI(broker.cmpi(), nullptr, nullptr);
        CMPIResult* const result = ovx::host::newResult();
        const CMPIStatus status = mi->ft->getInstance(mi, ovx::host::toCmpi(sample().context()),
                                                      result, ovx::host::toCmpi(wanted), nullptr);
        return ProviderTest::outcomeOf(status, result);
    };
    const auto found = getInstance(path);
    EXPECT_EQ(found.rc, CMPI_RC_OK);
    ASSERT_EQ(found.data.instances.size(), 1U);
    EXPECT_TRUE(found.data.instances[0].path().sameInstance(path));

    path.setKey("Dependent",
                ovx::host::Value::reference(sample().named("OVX_IPProtocolEndpoint", "eth0")));
    const auto missing = getInstance(path);
    EXPECT_EQ(missing.rc, CMPI_RC_ERR_NOT_FOUND);
    EXPECT_TRUE(missing.data.instances.empty());
}

// A source of a class no association has at either end yields nothing.
TEST_F(AssociationOperations, ASourceOfAnotherClassYieldsNothing) {
    ovx::host::ObjectPath setting("root/cimv2", "OVX_DNSSettingData");
    setting.setKey("InstanceID", ovx::host::Value::string("Computer%eth1%"));
    const auto outcome = associatorNames(setting, nullptr);
    EXPECT_EQ(outcome.rc, CMPI_RC_OK);
    EXPECT_EQ(outcome.data.doneCount, 1U);
    EXPECT_TRUE(outcome.data.objectPaths.empty());
}

}  // namespace

namespace {

using Quill::IPInterfaceProvider::CMPIIPComputerSystem;
using Quill::IPInterfaceProvider::CMPIIPLanEndPoint;

// Three systems and two ports, served by the peer provider and read back
// through the CIMOM by the far-end classes.
std::string threeSystems() {
    using ProviderTest::Json;
    Json nodes = Json::array();
    for (const char* name : {"alpha", "beta", "gamma"}) {
        Json system = {{"type", "ComputerSystem"},
                       {"id", name},
                       {"properties", {{"Name", name}}},
                       {"children", Json::array()}};
        if (std::string(name) == "alpha") {
            for (const char* port : {"eth0", "eth1"}) {
                system["children"].push_back(
                    {{"type", "LANEndpoint"}, {"id", port}, {"properties", {{"Name", port}}}});
            }
        }
        nodes.push_back(system);
    }
    return Json{{"nodes", nodes}}.dump();
}

class FarEndObjects : public ::testing::Test {
  protected:
    static void SetUpTestSuite() { sample_ = std::make_unique<SampleHost>(threeSystems()); }
    static void TearDownTestSuite() { sample_.reset(); }

    // The "Name" keys of every instance the object reports.
    template <typename Object>
    Names walk(const ovx::host::ObjectPath& path) {
        const ovx::host::Broker& broker = sample_->server().broker();
        ovx::host::OperationScope scope(broker);
        Names names;
        for (Object object(broker.cmpi(), ovx::host::toCmpi(sample_->context()),
                           ovx::host::toCmpi(path));
             object; ++object) {
            CMPIObjectPath* const current = object.getObjectPath();
            EXPECT_EQ(CMGetObjectPath(object.getCMPIInstance(nullptr), nullptr) != nullptr,
                      current != nullptr);
            names.push_back(current != nullptr
                                ? ovx::host::fromCmpi(current).findKey("Name")->asString()
                                : "<null>");
        }
        return names;
    }

    static std::unique_ptr<SampleHost> sample_;
};

std::unique_ptr<SampleHost> FarEndObjects::sample_;

TEST_F(FarEndObjects, AComputerSystemEndReportsEachInstanceOnceOrTheOneNamed) {
    const ovx::host::ObjectPath systems("root/cimv2", "OVX_ComputerSystem");
    EXPECT_EQ(walk<CMPIIPComputerSystem>(systems), (Names{"alpha", "beta", "gamma"}));
    ovx::host::ObjectPath beta = systems;
    beta.setKey("Name", ovx::host::Value::string("beta"));
    EXPECT_EQ(walk<CMPIIPComputerSystem>(beta), Names{"beta"});
    beta.setKey("Name", ovx::host::Value::string("delta"));
    EXPECT_EQ(walk<CMPIIPComputerSystem>(beta), Names{});
}

TEST_F(FarEndObjects, ALanEndpointEndReportsEachInstanceOnceOrTheOneNamed) {
    const ovx::host::ObjectPath ports("root/cimv2", "OVX_LANEndpoint");
    EXPECT_EQ(walk<CMPIIPLanEndPoint>(ports), (Names{"eth0", "eth1"}));
    const auto eth1 = sample_->named("OVX_LANEndpoint", "eth1");
    EXPECT_EQ(walk<CMPIIPLanEndPoint>(eth1), Names{"eth1"});
    ovx::host::ObjectPath unknown = eth1;
    unknown.setKey("Name", ovx::host::Value::string("eth9"));
    EXPECT_EQ(walk<CMPIIPLanEndPoint>(unknown), Names{});
}

TEST_F(FarEndObjects, ARefusedEnumerationIsAProviderFailure) {
    const ovx::host::ObjectPath unserved("root/cimv2", "OVX_NoSuchSystem");
    try {
        walk<CMPIIPComputerSystem>(unserved);
        ADD_FAILURE() << "no failure";
    } catch (const Quill::ProviderException& failure) {
        EXPECT_STREQ(failure.what(), "Could not obtain an instance of Computer System");
    }
}

}  // namespace
