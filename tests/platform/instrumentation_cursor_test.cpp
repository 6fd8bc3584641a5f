#include <gtest/gtest.h>

#include "instrumentation_test_support.h"

namespace {

using namespace Quill;
using ovx::test::InstrumentationTest;
using ovx::test::kSampleDescription;
using ovx::test::valueAt;

using Texts = std::vector<std::string>;

Texts namesOfWalk(NodeLexicon::NodeType type) {
    Texts names;
    Instrumentation cursor;
    for (cursor.selectNode(type); cursor; ++cursor) {
        std::string name;
        names.push_back(cursor.getProperty(NodeLexicon::Name, name) ? name : "?");
    }
    return names;
}

class CursorTest : public InstrumentationTest {
  protected:
    void SetUp() override {
        InstrumentationTest::SetUp();
        store_ = useDescription(kSampleDescription);
    }

    std::shared_ptr<FileNodeStore> store_;
};

TEST_F(CursorTest, IdleCursorAnswersNothingAndChangesNothing) {
    Instrumentation cursor;
    EXPECT_FALSE(cursor);
    std::string text = "untouched";
    unsigned int number = 77;
    Texts list{"untouched"};
    EXPECT_FALSE(cursor.getProperty(NodeLexicon::Name, text));
    EXPECT_FALSE(cursor.getProperty(NodeLexicon::EnabledState, number));
    EXPECT_FALSE(cursor.getProperty(NodeLexicon::DNSServers, list));
    EXPECT_EQ(text, "untouched");
    EXPECT_EQ(number, 77u);
    EXPECT_EQ(list, Texts{"untouched"});
    EXPECT_FALSE(cursor.setProperty(NodeLexicon::Name, text));
    EXPECT_FALSE(cursor.setProperty(NodeLexicon::EnabledState, number));
    EXPECT_FALSE(cursor.setProperty(NodeLexicon::DNSServers, list));
    bool readOnly = true;
    EXPECT_FALSE(cursor.isPropertyReadOnly(NodeLexicon::Name, readOnly));
    EXPECT_EQ(cursor.getPathToParentNode(), "");
    EXPECT_EQ(cursor.getNodeDescription(), "");
    EXPECT_EQ(cursor.getNodePath(), "");
    EXPECT_FALSE(cursor.getNodeType());
    ++cursor;
    EXPECT_FALSE(cursor);
}

TEST_F(CursorTest, WalksEachTypeInTreeOrder) {
    EXPECT_EQ(namesOfWalk(NodeLexicon::IPInterface), (Texts{"eth0", "eth1", "bmc0"}));
    EXPECT_EQ(namesOfWalk(NodeLexicon::LANEndpoint), (Texts{"eth0", "eth1", "bmc0"}));
    EXPECT_EQ(namesOfWalk(NodeLexicon::ComputerSystem), Texts{"server1.example.com"});
    EXPECT_EQ(namesOfWalk(NodeLexicon::ServiceProcessor), Texts{"BMC:-1"});
    EXPECT_TRUE(namesOfWalk(static_cast<NodeLexicon::NodeType>(77)).empty());
}

TEST_F(CursorTest, SelectingAgainRestartsTheWalkAndAPathSelectsOne) {
    Instrumentation cursor;
    ASSERT_TRUE(cursor.selectNode(NodeLexicon::IPInterface));
    ++cursor;
    ++cursor;
    EXPECT_EQ(cursor.getNodePath(), "/bmc/lan/ip");
    ASSERT_TRUE(cursor.selectNode(NodeLexicon::IPInterface));
    EXPECT_EQ(cursor.getNodePath(), "/host/eth0/ip");
    EXPECT_EQ(cursor.getNodeType(), NodeLexicon::IPInterface);
    ++cursor;
    ++cursor;
    ++cursor;
    EXPECT_FALSE(cursor);
    ++cursor;
    EXPECT_FALSE(cursor);

    // A node selected by its path is a walk of one.
    ASSERT_TRUE(cursor.selectNode(std::string("/host/eth1/ip")));
    EXPECT_EQ(valueAt<std::string>(cursor, NodeLexicon::Name), "eth1");
    ++cursor;
    EXPECT_FALSE(cursor);

    for (const std::string path :
         {"", "/", "host", "/host/", "//host", "/host//eth0", "/host/eth9", "/host/eth0/ip/more"}) {
        Instrumentation other;
        ASSERT_TRUE(other.selectNode(NodeLexicon::ComputerSystem));
        EXPECT_FALSE(other.selectNode(path)) << path;
        EXPECT_FALSE(other) << path;
    }
}

// An interface's grandparent is the system that owns it; the description
// tells a controller's interface apart.
TEST_F(CursorTest, InterfacesKnowTheirOwnerAndDescription) {
    Texts owners;
    std::vector<bool> controller;
    Instrumentation interfaces;
    for (interfaces.selectNode(NodeLexicon::IPInterface); interfaces; ++interfaces) {
        controller.push_back(interfaces.getNodeDescription().find("BMC ") != std::string::npos);
        Instrumentation system;
        ASSERT_TRUE(system.selectNode(interfaces.getPathToParentNode()));
        ASSERT_TRUE(system.selectNode(system.getPathToParentNode()));
        owners.push_back(system.getNodeDescription());
        EXPECT_EQ(system.getPathToParentNode(), "");
    }
    EXPECT_EQ(owners, (Texts{"Host system", "Host system", "BMC"}));
    EXPECT_EQ(controller, (std::vector<bool>{false, false, true}));
    ASSERT_TRUE(interfaces.selectNode(std::string("/host/eth1")));
    EXPECT_EQ(interfaces.getNodeDescription(), "");
}

TEST_F(CursorTest, ReportsReadOnlyFlagsAndReadsEveryKindOfValue) {
    Instrumentation cursor;
    ASSERT_TRUE(cursor.selectNode(std::string("/host/eth0/ip")));
    bool readOnly = false;
    ASSERT_TRUE(cursor.isPropertyReadOnly(NodeLexicon::ProtocolIFType, readOnly));
    EXPECT_TRUE(readOnly);
    ASSERT_TRUE(cursor.isPropertyReadOnly(NodeLexicon::IPv4Address, readOnly));
    EXPECT_FALSE(readOnly);
    readOnly = true;
    ASSERT_TRUE(cursor.isPropertyReadOnly(NodeLexicon::IPv6Gateway, readOnly));
    EXPECT_FALSE(readOnly) << "an absent property is still writable";
    EXPECT_FALSE(cursor.isPropertyReadOnly(static_cast<NodeLexicon::Properties>(3), readOnly));

    EXPECT_EQ(valueAt<std::string>(cursor, NodeLexicon::IPv4Address), "192.0.2.10");
    EXPECT_EQ(valueAt<std::string>(cursor, NodeLexicon::SubnetMask), "255.255.255.0");
    EXPECT_EQ(valueAt<unsigned int>(cursor, NodeLexicon::AddressOrigin), 3u);
    EXPECT_EQ(valueAt<unsigned int>(cursor, NodeLexicon::ProtocolIFType), 4096u);
    EXPECT_EQ(valueAt<Texts>(cursor, NodeLexicon::DNSServers), (Texts{"192.0.2.53", "192.0.2.54"}));
    EXPECT_EQ(valueAt<Texts>(cursor, NodeLexicon::DNSSuffixes), Texts{"example.com"});

    // A number reads as decimal text; text, lists and absent values convert to
    // nothing else and leave the out value alone.
    EXPECT_EQ(valueAt<std::string>(cursor, NodeLexicon::EnabledState), "1");
    unsigned int number = 55;
    EXPECT_FALSE(cursor.getProperty(NodeLexicon::IPv4Address, number));
    EXPECT_FALSE(cursor.getProperty(NodeLexicon::DNSServers, number));
    EXPECT_EQ(number, 55u);
    std::string text = "kept";
    EXPECT_FALSE(cursor.getProperty(NodeLexicon::DNSServers, text));
    EXPECT_FALSE(cursor.getProperty(NodeLexicon::IPv6Address, text));
    EXPECT_FALSE(cursor.getProperty(static_cast<NodeLexicon::Properties>(1), text));
    EXPECT_EQ(text, "kept");
    Texts list{"kept"};
    EXPECT_FALSE(cursor.getProperty(NodeLexicon::IPv4Address, list));
    EXPECT_FALSE(cursor.getProperty(NodeLexicon::EnabledState, list));
    EXPECT_EQ(list, Texts{"kept"});
}

TEST_F(CursorTest, WritesEveryKindAndSeesItAtOnce) {
    Instrumentation cursor;
    ASSERT_TRUE(cursor.selectNode(NodeLexicon::IPInterface));
    ++cursor;  // eth1, which has no DNS servers yet
    std::string address = "198.51.100.8";
    unsigned int origin = 3;
    ASSERT_TRUE(cursor.setProperty(NodeLexicon::IPv4Address, address));
    ASSERT_TRUE(cursor.setProperty(NodeLexicon::AddressOrigin, origin));
    ASSERT_TRUE(cursor.setProperty(NodeLexicon::DNSServers, {"203.0.113.1", "203.0.113.2"}));
    EXPECT_EQ(address, "198.51.100.8");
    EXPECT_EQ(valueAt<std::string>(cursor, NodeLexicon::IPv4Address), "198.51.100.8");
    EXPECT_EQ(valueAt<unsigned int>(cursor, NodeLexicon::AddressOrigin), 3u);
    EXPECT_EQ(valueAt<Texts>(cursor, NodeLexicon::DNSServers),
              (Texts{"203.0.113.1", "203.0.113.2"}));

    // The walk goes on from where it stood.
    ++cursor;
    EXPECT_EQ(cursor.getNodePath(), "/bmc/lan/ip");

    Instrumentation fresh;
    ASSERT_TRUE(fresh.selectNode(std::string("/host/eth1/ip")));
    EXPECT_EQ(valueAt<std::string>(fresh, NodeLexicon::IPv4Address), "198.51.100.8");
    EXPECT_EQ(valueAt<Texts>(fresh, NodeLexicon::DNSServers),
              (Texts{"203.0.113.1", "203.0.113.2"}));
    // The other interface is untouched.
    ASSERT_TRUE(fresh.selectNode(std::string("/host/eth0/ip")));
    EXPECT_EQ(valueAt<std::string>(fresh, NodeLexicon::IPv4Address), "192.0.2.10");
}

TEST_F(CursorTest, ConvertsWrittenValuesToThePropertysKind) {
    Instrumentation cursor;
    ASSERT_TRUE(cursor.selectNode(std::string("/host/eth1/ip")));
    std::string digits = "48";
    ASSERT_TRUE(cursor.setProperty(NodeLexicon::IPv6PrefixLength, digits));
    for (std::string bad : {"", "48 ", "-1", "0x30", "4294967296", "abc"}) {
        EXPECT_FALSE(cursor.setProperty(NodeLexicon::IPv6PrefixLength, bad)) << bad;
    }
    EXPECT_EQ(valueAt<unsigned int>(cursor, NodeLexicon::IPv6PrefixLength), 48u);
    std::string biggest = "4294967295";
    EXPECT_TRUE(cursor.setProperty(NodeLexicon::IPv6PrefixLength, biggest));

    unsigned int numericName = 1234;
    ASSERT_TRUE(cursor.setProperty(NodeLexicon::DomainName, numericName));
    EXPECT_EQ(valueAt<std::string>(cursor, NodeLexicon::DomainName), "1234");
    EXPECT_EQ(valueAt<unsigned int>(cursor, NodeLexicon::DomainName), 1234u)
        << "a text of digits reads as a number";

    std::string single = "192.0.2.99";
    EXPECT_FALSE(cursor.setProperty(NodeLexicon::DNSServers, single));
    EXPECT_FALSE(cursor.setProperty(NodeLexicon::IPv4Address, Texts{"x"}));
    unsigned int notAList = 1;
    EXPECT_FALSE(cursor.setProperty(NodeLexicon::DNSSuffixes, notAList));
    EXPECT_FALSE(cursor.setProperty(static_cast<NodeLexicon::Properties>(2), single));
}

TEST_F(CursorTest, CopiesWalkIndependently) {
    Instrumentation first;
    ASSERT_TRUE(first.selectNode(NodeLexicon::IPInterface));
    Instrumentation second(first);
    ++second;
    EXPECT_EQ(first.getNodePath(), "/host/eth0/ip");
    EXPECT_EQ(second.getNodePath(), "/host/eth1/ip");
    Instrumentation third;
    third = second;
    ++third;
    EXPECT_EQ(third.getNodePath(), "/bmc/lan/ip");
    EXPECT_EQ(second.getNodePath(), "/host/eth1/ip");
    Instrumentation moved(std::move(third));
    EXPECT_EQ(moved.getNodePath(), "/bmc/lan/ip");
    ++moved;
    EXPECT_FALSE(moved);
    EXPECT_TRUE(first);
}

TEST_F(CursorTest, KeepsItsTreeUntilSelectedAgain) {
    Instrumentation cursor;
    ASSERT_TRUE(cursor.selectNode(NodeLexicon::IPInterface));
    std::string text = kSampleDescription;
    text.replace(text.find("192.0.2.10"), 10, "192.0.2.11");
    ovx::test::replaceContent(path_, text);

    EXPECT_EQ(valueAt<std::string>(cursor, NodeLexicon::IPv4Address), "192.0.2.10");
    // A path selected in the tree of another cursor (or its own) stays there.
    Instrumentation near;
    ASSERT_TRUE(near.selectNode(cursor.getNodePath(), cursor));
    ASSERT_TRUE(near.selectNode(cursor.getNodePath(), near));
    EXPECT_EQ(valueAt<std::string>(near, NodeLexicon::IPv4Address), "192.0.2.10");
    EXPECT_FALSE(near.selectNode("/host/eth9", cursor));
    EXPECT_FALSE(near);
    ASSERT_TRUE(near.selectNode(cursor.getNodePath(), Instrumentation()));
    EXPECT_EQ(valueAt<std::string>(near, NodeLexicon::IPv4Address), "192.0.2.11");
    ASSERT_TRUE(cursor.selectNode(NodeLexicon::IPInterface));
    EXPECT_EQ(valueAt<std::string>(cursor, NodeLexicon::IPv4Address), "192.0.2.11");
}

// A store kept in memory, the seam a live backend plugs into: one system
// with one interface, which takes every write.
class MemoryStore : public NodeStore {
  public:
    MemoryStore() {
        system_.type = NodeLexicon::ComputerSystem;
        system_.id = "sys";
        system_.properties[NodeLexicon::HostName] = std::string("007");
        NodeTree::NodeDefinition interface;
        interface.type = NodeLexicon::IPInterface;
        interface.id = "if";
        interface.properties[NodeLexicon::IPv6PrefixLength] = 64u;
        system_.children.push_back(interface);
        rebuild();
    }

    std::shared_ptr<const NodeTree> snapshot() override {
        ++snapshots;
        return tree_;
    }

    bool writeProperties(const std::string& path, const PropertyChanges& changes) override {
        for (const auto& [property, value] : changes) {
            writes.push_back({path, property, value});
            system_.children[0].properties[property] = value;
        }
        rebuild();
        return true;
    }

    std::optional<std::string> readSection(const std::string&) override { return std::nullopt; }
    bool updateSection(const std::string&, const std::function<bool(std::string&)>&) override {
        return false;
    }

    struct Write {
        std::string path;
        NodeLexicon::Properties property;
        PropertyValue value;
    };
    std::vector<Write> writes;
    int snapshots = 0;

  private:
    void rebuild() { tree_ = std::make_shared<const NodeTree>(NodeTree::build({system_})); }

    NodeTree::NodeDefinition system_;
    std::shared_ptr<const NodeTree> tree_;
};

TEST_F(CursorTest, WorksOnAnyStorePluggedIn) {
    Instrumentation earlier;
    ASSERT_TRUE(earlier.selectNode(NodeLexicon::ServiceProcessor));
    auto store = std::make_shared<MemoryStore>();
    setNodeStore(store);
    ASSERT_EQ(currentNodeStore(), store);
    EXPECT_EQ(earlier.getNodePath(), "/bmc") << "a cursor keeps its tree until it selects again";
    EXPECT_FALSE(earlier.selectNode(NodeLexicon::ServiceProcessor));

    Instrumentation cursor;
    ASSERT_TRUE(cursor.selectNode(NodeLexicon::ComputerSystem));
    EXPECT_EQ(valueAt<unsigned int>(cursor, NodeLexicon::HostName), 7u);
    EXPECT_EQ(valueAt<std::string>(cursor, NodeLexicon::Name), std::nullopt)
        << "no host name fallback here";

    ASSERT_TRUE(cursor.selectNode(NodeLexicon::IPInterface));
    const int snapshotsBefore = store->snapshots;
    for (int read = 0; read < 10; ++read) {
        EXPECT_EQ(valueAt<std::string>(cursor, NodeLexicon::IPv6PrefixLength), "64");
    }
    EXPECT_EQ(store->snapshots, snapshotsBefore) << "reads never go back to the store";

    std::string prefix = "56";
    ASSERT_TRUE(cursor.setProperty(NodeLexicon::IPv6PrefixLength, prefix));
    ASSERT_EQ(store->writes.size(), 1u);
    EXPECT_EQ(store->writes[0].path, "/sys/if");
    EXPECT_EQ(store->writes[0].property, NodeLexicon::IPv6PrefixLength);
    EXPECT_EQ(std::get<unsigned int>(store->writes[0].value), 56u)
        << "the store receives the property's own kind";
    EXPECT_EQ(valueAt<unsigned int>(cursor, NodeLexicon::IPv6PrefixLength), 56u);

    setNodeStore(nullptr);
    EXPECT_NE(currentNodeStore(), store);
    EXPECT_NE(std::dynamic_pointer_cast<FileNodeStore>(currentNodeStore()), nullptr);
}

}  // namespace
