#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "instrumentation.h"

namespace {

using namespace Quill;

TEST(NodeLexiconTest, NodeTypeNamesAndValuesRoundTrip) {
    const auto types = NodeLexicon::allNodeTypes();
    ASSERT_EQ(types.size(), 4u);
    for (const auto type : types) {
        const auto name = NodeLexicon::nodeTypeName(type);
        ASSERT_TRUE(name);
        EXPECT_EQ(NodeLexicon::nodeTypeFromName(*name), type);
    }
    EXPECT_EQ(static_cast<unsigned>(*NodeLexicon::nodeTypeFromName("ServiceProcessor")), 13u);
    EXPECT_EQ(static_cast<unsigned>(*NodeLexicon::nodeTypeFromName("LANEndpoint")), 12u);
}

TEST(NodeLexiconTest, PropertyNamesAndValuesRoundTripAndHaveKinds) {
    const auto properties = NodeLexicon::allProperties();
    ASSERT_EQ(properties.size(), 16u);
    EXPECT_TRUE(std::is_sorted(properties.begin(), properties.end()));
    for (const auto property : properties) {
        const auto name = NodeLexicon::propertyName(property);
        ASSERT_TRUE(name);
        EXPECT_EQ(NodeLexicon::propertyFromName(*name), property);
        EXPECT_TRUE(NodeLexicon::propertyKind(property));
    }
    EXPECT_EQ(static_cast<unsigned>(*NodeLexicon::propertyFromName("EnabledState")), 123u);
    EXPECT_EQ(static_cast<unsigned>(*NodeLexicon::propertyFromName("Name")), 108u);
}

TEST(NodeLexiconTest, UnknownValuesAndNamesAreRefused) {
    EXPECT_FALSE(NodeLexicon::nodeTypeName(static_cast<NodeLexicon::NodeType>(1)));
    EXPECT_FALSE(NodeLexicon::nodeTypeFromName("ipinterface"));
    EXPECT_FALSE(NodeLexicon::nodeTypeFromName(""));
    EXPECT_FALSE(NodeLexicon::propertyName(static_cast<NodeLexicon::Properties>(5)));
    EXPECT_FALSE(NodeLexicon::propertyKind(static_cast<NodeLexicon::Properties>(5)));
    EXPECT_FALSE(NodeLexicon::propertyFromName("IPv4address"));
    EXPECT_FALSE(NodeLexicon::propertyFromName("108"));
}

NodeTree::NodeDefinition nodeOf(NodeLexicon::NodeType type, std::string id,
                                std::vector<NodeTree::NodeDefinition> children = {}) {
    NodeTree::NodeDefinition definition;
    definition.type = type;
    definition.id = std::move(id);
    definition.children = std::move(children);
    return definition;
}

TEST(NodeTreeTest, LeavesOutBrokenDefinitionsAndSaysWhy) {
    auto good = nodeOf(NodeLexicon::IPInterface, "eth0");
    good.properties[NodeLexicon::Name] = std::string("eth0");
    good.properties[NodeLexicon::EnabledState] = std::string("1");  // wrong kind
    good.properties[static_cast<NodeLexicon::Properties>(5)] = std::string("x");
    good.readOnly = {NodeLexicon::Name, static_cast<NodeLexicon::Properties>(6)};
    const auto duplicate = nodeOf(NodeLexicon::IPInterface, "eth0");
    const auto slashed = nodeOf(NodeLexicon::IPInterface, "a/b");
    const auto unnamed = nodeOf(NodeLexicon::IPInterface, "");
    const auto unknownType = nodeOf(static_cast<NodeLexicon::NodeType>(99), "odd",
                                    {nodeOf(NodeLexicon::IPInterface, "inner")});
    const auto host = nodeOf(NodeLexicon::ComputerSystem, "host",
                             {good, duplicate, slashed, unnamed, unknownType});

    std::vector<std::string> problems;
    const NodeTree tree =
        NodeTree::build({host, nodeOf(NodeLexicon::ComputerSystem, "host")}, &problems);
    ASSERT_EQ(tree.size(), 2u);
    EXPECT_EQ(tree.node(1).path, "/host/eth0");
    EXPECT_EQ(tree.node(1).properties.size(), 1u);
    EXPECT_EQ(std::get<std::string>(tree.node(1).properties.at(NodeLexicon::Name)), "eth0");
    EXPECT_EQ(tree.node(1).readOnly, (std::set<NodeLexicon::Properties>{NodeLexicon::Name}));
    EXPECT_EQ(tree.find("/host/odd/inner"), NodeTree::npos);
    // Wrong kind, unknown property, unknown read-only, duplicate, slash, empty,
    // unknown type, duplicate top-level node.
    EXPECT_EQ(problems.size(), 8u);
}

TEST(NodeTreeTest, RefusesTreesDeeperThanItsLimit) {
    NodeTree::NodeDefinition chain = nodeOf(NodeLexicon::IPInterface, "leaf");
    for (int level = 0; level < 80; ++level) {
        chain = nodeOf(NodeLexicon::LANEndpoint, "n", {chain});
    }
    std::vector<std::string> problems;
    const NodeTree tree = NodeTree::build({chain}, &problems);
    EXPECT_EQ(tree.size(), 64u);
    EXPECT_EQ(problems.size(), 1u);
    EXPECT_EQ(tree.findNext(NodeLexicon::IPInterface), NodeTree::npos);
}

}  // namespace
