#include "cmpi_test_support.h"
#include "ovx/host/cim_error.h"
#include "ovx/host/class_registry.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace ovx::host {
namespace {

using testing::declare;

class ClassRegistryTest : public ::testing::Test {
  protected:
    void SetUp() override {
        registry.add(declare("CIM_ManagedElement"));
        registry.add(declare("CIM_ServiceAccessPoint", "CIM_ManagedElement"));
        registry.add(declare("CIM_IPProtocolEndpoint", "CIM_ServiceAccessPoint"));
        registry.add(declare("OVX_IPProtocolEndpoint", "CIM_IPProtocolEndpoint"));
        registry.add(declare("OVX_LANEndpoint", "CIM_ServiceAccessPoint"));
    }

    ClassRegistry registry;
};

TEST_F(ClassRegistryTest, FindIgnoresCase) {
    const auto decl = registry.find("ovx_ipprotocolendpoint");
    ASSERT_NE(decl, nullptr);
    EXPECT_EQ(decl->name, "OVX_IPProtocolEndpoint");
    EXPECT_EQ(decl->superclass, "CIM_IPProtocolEndpoint");
    EXPECT_EQ(registry.find("OVX_Unknown"), nullptr);
    EXPECT_EQ(registry.size(), 5u);
}

TEST_F(ClassRegistryTest, IsAWalksSuperclasses) {
    EXPECT_TRUE(registry.isA("OVX_IPProtocolEndpoint", "CIM_ManagedElement"));
    EXPECT_TRUE(registry.isA("ovx_ipprotocolendpoint", "cim_serviceaccesspoint"));
    EXPECT_TRUE(registry.isA("OVX_IPProtocolEndpoint", "OVX_IPProtocolEndpoint"));
    EXPECT_FALSE(registry.isA("CIM_ManagedElement", "OVX_IPProtocolEndpoint"));
    EXPECT_FALSE(registry.isA("OVX_LANEndpoint", "CIM_IPProtocolEndpoint"));
    EXPECT_TRUE(registry.isA("OVX_Unknown", "ovx_unknown"));
    EXPECT_FALSE(registry.isA("OVX_Unknown", "CIM_ManagedElement"));
}

TEST_F(ClassRegistryTest, SubclassesAreDeepAndInOrder) {
    const std::vector<std::string> expected{"CIM_IPProtocolEndpoint", "OVX_IPProtocolEndpoint",
                                            "OVX_LANEndpoint"};
    EXPECT_EQ(registry.subclasses("CIM_ServiceAccessPoint"), expected);
    EXPECT_TRUE(registry.subclasses("OVX_LANEndpoint").empty());
}

TEST_F(ClassRegistryTest, LineageAndAll) {
    const auto lineage = registry.lineage("OVX_IPProtocolEndpoint");
    ASSERT_EQ(lineage.size(), 4u);
    EXPECT_EQ(lineage.back()->name, "CIM_ManagedElement");
    EXPECT_TRUE(registry.lineage("nothing").empty());
    const auto all = registry.all();
    ASSERT_EQ(all.size(), 5u);
    EXPECT_EQ(all.front()->name, "CIM_ManagedElement");
}

TEST_F(ClassRegistryTest, RefusesDuplicatesBadNamesAndLoops) {
    const auto refusal = [this](const ClassDecl& decl) {
        try {
            registry.add(decl);
        } catch (const CimError& error) {
            return error.rc();
        }
        return CMPI_RC_OK;
    };
    EXPECT_EQ(refusal(declare("cim_managedelement")), CMPI_RC_ERR_ALREADY_EXISTS);
    EXPECT_EQ(refusal(declare("Bad Name")), CMPI_RC_ERR_INVALID_PARAMETER);
    EXPECT_EQ(refusal(declare("X_A", "X_B")), CMPI_RC_OK);  // superclass known later
    EXPECT_EQ(refusal(declare("X_B", "X_A")), CMPI_RC_ERR_INVALID_SUPERCLASS);
    EXPECT_FALSE(registry.isA("X_A", "CIM_ManagedElement"));
}

TEST_F(ClassRegistryTest, QualifiersMarkAssociationsAbstractAndKeys) {
    ClassDecl assoc = declare("OVX_Assoc");
    assoc.qualifiers.push_back({"Association", Value::boolean(true), true});
    assoc.qualifiers.push_back({"ABSTRACT", Value(), false});
    PropertyDecl key{"Antecedent", CMPI_ref, "CIM_ManagedElement", {{"Key", Value(), true}}};
    assoc.properties.push_back(key);
    registry.add(assoc);
    const auto found = registry.find("OVX_Assoc");
    EXPECT_TRUE(found->isAssociation());
    EXPECT_TRUE(found->isAbstract());
    ASSERT_NE(found->findProperty("antecedent"), nullptr);
    EXPECT_TRUE(found->findProperty("antecedent")->isKey());
    EXPECT_FALSE(registry.find("OVX_LANEndpoint")->isAssociation());
}

TEST_F(ClassRegistryTest, ConcurrentReadersWhileAWriterAdds) {
    std::atomic<bool> wrong{false};
    std::vector<std::thread> readers;
    for (int t = 0; t < 4; ++t) {
        readers.emplace_back([&] {
            for (int i = 0; i < 2000; ++i) {
                if (!registry.isA("OVX_IPProtocolEndpoint", "CIM_ManagedElement")) {
                    wrong = true;
                }
                registry.subclasses("CIM_ManagedElement");
            }
        });
    }
    for (int i = 0; i < 200; ++i) {
        registry.add(declare("OVX_Extra" + std::to_string(i), "OVX_LANEndpoint"));
    }
    for (auto& reader : readers) {
        reader.join();
    }
    EXPECT_FALSE(wrong);
    EXPECT_EQ(registry.subclasses("OVX_LANEndpoint").size(), 200u);
}

}  // namespace
}  // namespace ovx::host
