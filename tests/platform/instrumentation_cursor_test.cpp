#include <gtest/gtest.h>

#include <mutex>

#include "instrumentation_test_support.h"

namespace {

using namespace Quill;
using ovx::test::InstrumentationTest;
using ovx::test::kSampleDescription;

std::vector<std::string> namesOfWalk(NodeLexicon::NodeType type) {
    std::vector<std::string> names;
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
    std::vector<std::string> list{"untouched"};
    EXPECT_FALSE(cursor.getProperty(NodeLexicon::Name, text));
    EXPECT_FALSE(cursor.getProperty(NodeLexicon::EnabledState, number));
    EXPECT_FALSE(cursor.getProperty(NodeLexicon::DNSServers, list));
    EXPECT_EQ(text, "untouched");
    EXPECT_EQ(number, 77u);
    EXPECT_EQ(list, std::vector<std::string>{"untouched"});
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
    EXPECT_EQ(namesOfWalk(NodeLexicon::IPInterface),
              (std::vector<std::string>{"eth0", "eth1", "bmc0"}));
    EXPECT_EQ(namesOfWalk(NodeLexicon::LANEndpoint),
              (std::vector<std::string>{"eth0", "eth1", "bmc0"}));
    EXPECT_EQ(namesOfWalk(NodeLexicon::ComputerSystem),
              (std::vector<std::string>{"server1.example.com"}));
    EXPECT_EQ(namesOfWalk(NodeLexicon::ServiceProcessor), (std::vector<std::string>{"BMC:-1"}));
    EXPECT_TRUE(namesOfWalk(static_cast<NodeLexicon::NodeType>(77)).empty());
}

TEST_F(CursorTest, SelectingAgainRestartsTheWalk) {
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
}

TEST_F(CursorTest, SelectsByPathAndGoesIdleOnAdvance) {
    Instrumentation cursor;
    ASSERT_TRUE(cursor.selectNode(std::string("/host/eth1/ip")));
    std::string name;
    EXPECT_TRUE(cursor.getProperty(NodeLexicon::Name, name));
    EXPECT_EQ(name, "eth1");
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

TEST_F(CursorTest, InterfaceGrandparentIsItsOwningSystem) {
    std::vector<std::string> owners;
    Instrumentation interfaces;
    for (interfaces.selectNode(NodeLexicon::IPInterface); interfaces; ++interfaces) {
        Instrumentation system;
        ASSERT_TRUE(system.selectNode(interfaces.getPathToParentNode()));
        ASSERT_TRUE(system.selectNode(system.getPathToParentNode()));
        owners.push_back(system.getNodeDescription());
        EXPECT_EQ(system.getPathToParentNode(), "");
    }
    EXPECT_EQ(owners, (std::vector<std::string>{"Host system", "Host system", "BMC"}));
}

TEST_F(CursorTest, DescriptionsTellControllerInterfaces) {
    std::vector<bool> controller;
    Instrumentation cursor;
    for (cursor.selectNode(NodeLexicon::IPInterface); cursor; ++cursor) {
        controller.push_back(cursor.getNodeDescription().find("BMC ") != std::string::npos);
    }
    EXPECT_EQ(controller, (std::vector<bool>{false, false, true}));
    ASSERT_TRUE(cursor.selectNode(std::string("/host/eth1")));
    EXPECT_EQ(cursor.getNodeDescription(), "");
}

TEST_F(CursorTest, ReportsReadOnlyFlags) {
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
}

TEST_F(CursorTest, ReadsEveryKindOfValue) {
    Instrumentation cursor;
    ASSERT_TRUE(cursor.selectNode(std::string("/host/eth0/ip")));
    std::string text;
    EXPECT_TRUE(cursor.getProperty(NodeLexicon::IPv4Address, text));
    EXPECT_EQ(text, "192.0.2.10");
    EXPECT_TRUE(cursor.getProperty(NodeLexicon::SubnetMask, text));
    EXPECT_EQ(text, "255.255.255.0");
    unsigned int number = 0;
    EXPECT_TRUE(cursor.getProperty(NodeLexicon::AddressOrigin, number));
    EXPECT_EQ(number, 3u);
    EXPECT_TRUE(cursor.getProperty(NodeLexicon::ProtocolIFType, number));
    EXPECT_EQ(number, 4096u);
    std::vector<std::string> list;
    EXPECT_TRUE(cursor.getProperty(NodeLexicon::DNSServers, list));
    EXPECT_EQ(list, (std::vector<std::string>{"192.0.2.53", "192.0.2.54"}));
    EXPECT_TRUE(cursor.getProperty(NodeLexicon::DNSSuffixes, list));
    EXPECT_EQ(list, (std::vector<std::string>{"example.com"}));

    // A number reads as decimal text; text, lists and absent values convert to
    // nothing else and leave the out value alone.
    EXPECT_TRUE(cursor.getProperty(NodeLexicon::EnabledState, text));
    EXPECT_EQ(text, "1");
    number = 55;
    EXPECT_FALSE(cursor.getProperty(NodeLexicon::IPv4Address, number));
    EXPECT_FALSE(cursor.getProperty(NodeLexicon::DNSServers, number));
    EXPECT_EQ(number, 55u);
    text = "kept";
    EXPECT_FALSE(cursor.getProperty(NodeLexicon::DNSServers, text));
    EXPECT_FALSE(cursor.getProperty(NodeLexicon::IPv6Address, text));
    EXPECT_FALSE(cursor.getProperty(static_cast<NodeLexicon::Properties>(1), text));
    EXPECT_EQ(text, "kept");
    list = {"kept"};
    EXPECT_FALSE(cursor.getProperty(NodeLexicon::IPv4Address, list));
    EXPECT_FALSE(cursor.getProperty(NodeLexicon::EnabledState, list));
    EXPECT_EQ(list, std::vector<std::string>{"kept"});
}

TEST_F(CursorTest, WritesEveryKindAndSeesItAtOnce) {
    Instrumentation cursor;
    ASSERT_TRUE(cursor.selectNode(NodeLexicon::IPInterface));
    ++cursor;  // eth1
    std::string address = "198.51.100.8";
    unsigned int origin = 3;
    ASSERT_TRUE(cursor.setProperty(NodeLexicon::IPv4Address, address));
    ASSERT_TRUE(cursor.setProperty(NodeLexicon::AddressOrigin, origin));
    ASSERT_TRUE(cursor.setProperty(NodeLexicon::DNSServers, {"203.0.113.1", "203.0.113.2"}));
    EXPECT_EQ(address, "198.51.100.8");

    std::string text;
    unsigned int number = 0;
    std::vector<std::string> list;
    EXPECT_TRUE(cursor.getProperty(NodeLexicon::IPv4Address, text));
    EXPECT_EQ(text, "198.51.100.8");
    EXPECT_TRUE(cursor.getProperty(NodeLexicon::AddressOrigin, number));
    EXPECT_EQ(number, 3u);
    EXPECT_TRUE(cursor.getProperty(NodeLexicon::DNSServers, list));
    EXPECT_EQ(list, (std::vector<std::string>{"203.0.113.1", "203.0.113.2"}));

    // The walk goes on from where it stood.
    ++cursor;
    EXPECT_EQ(cursor.getNodePath(), "/bmc/lan/ip");

    Instrumentation fresh;
    ASSERT_TRUE(fresh.selectNode(std::string("/host/eth1/ip")));
    EXPECT_TRUE(fresh.getProperty(NodeLexicon::IPv4Address, text));
    EXPECT_EQ(text, "198.51.100.8");
    EXPECT_TRUE(fresh.getProperty(NodeLexicon::DNSServers, list));
    EXPECT_EQ(list.size(), 2u);
    // The other interface is untouched.
    ASSERT_TRUE(fresh.selectNode(std::string("/host/eth0/ip")));
    EXPECT_TRUE(fresh.getProperty(NodeLexicon::IPv4Address, text));
    EXPECT_EQ(text, "192.0.2.10");
}

TEST_F(CursorTest, WritesAddPropertiesANodeLacked) {
    Instrumentation cursor;
    ASSERT_TRUE(cursor.selectNode(std::string("/host/eth0/ip")));
    std::string gateway = "2001:db8::fe";
    ASSERT_TRUE(cursor.setProperty(NodeLexicon::IPv6Gateway, gateway));
    std::string text;
    EXPECT_TRUE(cursor.getProperty(NodeLexicon::IPv6Gateway, text));
    EXPECT_EQ(text, gateway);
}

TEST_F(CursorTest, ConvertsWrittenValuesToThePropertysKind) {
    Instrumentation cursor;
    ASSERT_TRUE(cursor.selectNode(std::string("/host/eth1/ip")));
    std::string digits = "48";
    ASSERT_TRUE(cursor.setProperty(NodeLexicon::IPv6PrefixLength, digits));
    unsigned int prefix = 0;
    EXPECT_TRUE(cursor.getProperty(NodeLexicon::IPv6PrefixLength, prefix));
    EXPECT_EQ(prefix, 48u);

    for (std::string bad : {"", "48 ", "-1", "0x30", "4294967296", "abc"}) {
        EXPECT_FALSE(cursor.setProperty(NodeLexicon::IPv6PrefixLength, bad)) << bad;
    }
    EXPECT_TRUE(cursor.getProperty(NodeLexicon::IPv6PrefixLength, prefix));
    EXPECT_EQ(prefix, 48u);
    std::string biggest = "4294967295";
    EXPECT_TRUE(cursor.setProperty(NodeLexicon::IPv6PrefixLength, biggest));

    unsigned int numericName = 1234;
    ASSERT_TRUE(cursor.setProperty(NodeLexicon::DomainName, numericName));
    std::string domain;
    EXPECT_TRUE(cursor.getProperty(NodeLexicon::DomainName, domain));
    EXPECT_EQ(domain, "1234");
    unsigned int readBack = 0;
    EXPECT_TRUE(cursor.getProperty(NodeLexicon::DomainName, readBack))
        << "a text of digits reads as a number";
    EXPECT_EQ(readBack, 1234u);

    std::string single = "192.0.2.99";
    EXPECT_FALSE(cursor.setProperty(NodeLexicon::DNSServers, single));
    EXPECT_FALSE(cursor.setProperty(NodeLexicon::IPv4Address, std::vector<std::string>{"x"}));
    unsigned int notAList = 1;
    EXPECT_FALSE(cursor.setProperty(NodeLexicon::DNSSuffixes, notAList));
    EXPECT_FALSE(cursor.setProperty(static_cast<NodeLexicon::Properties>(2), single));
}

TEST_F(CursorTest, RefusesWritesToReadOnlyProperties) {
    Instrumentation cursor;
    ASSERT_TRUE(cursor.selectNode(std::string("/bmc/lan/ip")));
    std::string name = "renamed";
    EXPECT_FALSE(cursor.setProperty(NodeLexicon::Name, name));
    std::string text;
    EXPECT_TRUE(cursor.getProperty(NodeLexicon::Name, text));
    EXPECT_EQ(text, "bmc0");
    Instrumentation fresh;
    ASSERT_TRUE(fresh.selectNode(std::string("/bmc/lan/ip")));
    EXPECT_TRUE(fresh.getProperty(NodeLexicon::Name, text));
    EXPECT_EQ(text, "bmc0");
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

    std::string address;
    EXPECT_TRUE(cursor.getProperty(NodeLexicon::IPv4Address, address));
    EXPECT_EQ(address, "192.0.2.10");
    // A path selected in the tree of another cursor (or its own) stays there.
    Instrumentation near;
    ASSERT_TRUE(near.selectNode(cursor.getNodePath(), cursor));
    ASSERT_TRUE(near.selectNode(cursor.getNodePath(), near));
    EXPECT_TRUE(near.getProperty(NodeLexicon::IPv4Address, address));
    EXPECT_EQ(address, "192.0.2.10");
    EXPECT_FALSE(near.selectNode("/host/eth9", cursor));
    EXPECT_FALSE(near);
    ASSERT_TRUE(near.selectNode(cursor.getNodePath(), Instrumentation()));
    EXPECT_TRUE(near.getProperty(NodeLexicon::IPv4Address, address));
    EXPECT_EQ(address, "192.0.2.11");
    ASSERT_TRUE(cursor.selectNode(NodeLexicon::IPInterface));
    EXPECT_TRUE(cursor.getProperty(NodeLexicon::IPv4Address, address));
    EXPECT_EQ(address, "192.0.2.11");
}

TEST_F(CursorTest, PicksUpANewlyInstalledStoreAtTheNextSelect) {
    Instrumentation cursor;
    ASSERT_TRUE(cursor.selectNode(NodeLexicon::ServiceProcessor));
    const std::string otherPath = directory_.file("other.json");
    ovx::test::writeFile(otherPath, R"({"nodes": [{"type": "IPInterface", "id": "only"}]})");
    setNodeStore(std::make_shared<FileNodeStore>(otherPath));
    EXPECT_TRUE(cursor);
    EXPECT_EQ(cursor.getNodePath(), "/bmc");
    EXPECT_FALSE(cursor.selectNode(NodeLexicon::ServiceProcessor));
    ASSERT_TRUE(cursor.selectNode(NodeLexicon::IPInterface));
    EXPECT_EQ(cursor.getNodePath(), "/only");
}

// A store kept in memory: the seam a live backend plugs into.
class MemoryStore : public NodeStore {
  public:
    explicit MemoryStore(std::vector<NodeTree::NodeDefinition> definitions)
        : definitions_(std::move(definitions)) {
        rebuild();
    }

    std::shared_ptr<const NodeTree> snapshot() override {
        const std::lock_guard<std::mutex> lock(mutex_);
        ++snapshots;
        return tree_;
    }

    bool writeProperties(const std::string& path, const PropertyChanges& changes) override {
        const std::lock_guard<std::mutex> lock(mutex_);
        auto* definition = find(definitions_, path, "");
        for (const auto& [property, value] : changes) {
            writes.push_back({path, property, value});
            if (definition == nullptr || definition->readOnly.count(property) != 0) {
                return false;
            }
        }
        for (const auto& [property, value] : changes) {
            definition->properties[property] = value;
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
    static NodeTree::NodeDefinition* find(std::vector<NodeTree::NodeDefinition>& level,
                                          const std::string& path, const std::string& prefix) {
        for (auto& definition : level) {
            const std::string here = prefix + "/" + definition.id;
            if (here == path) {
                return &definition;
            }
            if (path.compare(0, here.size() + 1, here + "/") == 0) {
                return find(definition.children, path, here);
            }
        }
        return nullptr;
    }

    void rebuild() { tree_ = std::make_shared<const NodeTree>(NodeTree::build(definitions_)); }

    std::mutex mutex_;
    std::vector<NodeTree::NodeDefinition> definitions_;
    std::shared_ptr<const NodeTree> tree_;
};

TEST_F(CursorTest, WorksOnAnyStorePluggedIn) {
    NodeTree::NodeDefinition system;
    system.type = NodeLexicon::ComputerSystem;
    system.id = "sys";
    system.properties[NodeLexicon::HostName] = std::string("007");
    NodeTree::NodeDefinition interface;
    interface.type = NodeLexicon::IPInterface;
    interface.id = "if";
    interface.properties[NodeLexicon::IPv6PrefixLength] = 64u;
    system.children.push_back(interface);
    auto store = std::make_shared<MemoryStore>(std::vector<NodeTree::NodeDefinition>{system});
    setNodeStore(store);
    ASSERT_EQ(currentNodeStore(), store);

    Instrumentation cursor;
    ASSERT_TRUE(cursor.selectNode(NodeLexicon::ComputerSystem));
    unsigned int number = 0;
    EXPECT_TRUE(cursor.getProperty(NodeLexicon::HostName, number));
    EXPECT_EQ(number, 7u);
    std::string name;
    EXPECT_FALSE(cursor.getProperty(NodeLexicon::Name, name)) << "no host name fallback here";

    ASSERT_TRUE(cursor.selectNode(NodeLexicon::IPInterface));
    const int snapshotsBefore = store->snapshots;
    std::string text;
    for (int read = 0; read < 10; ++read) {
        EXPECT_TRUE(cursor.getProperty(NodeLexicon::IPv6PrefixLength, text));
    }
    EXPECT_EQ(store->snapshots, snapshotsBefore) << "reads never go back to the store";
    EXPECT_EQ(text, "64");

    std::string prefix = "56";
    ASSERT_TRUE(cursor.setProperty(NodeLexicon::IPv6PrefixLength, prefix));
    ASSERT_EQ(store->writes.size(), 1u);
    EXPECT_EQ(store->writes[0].path, "/sys/if");
    EXPECT_EQ(store->writes[0].property, NodeLexicon::IPv6PrefixLength);
    EXPECT_EQ(std::get<unsigned int>(store->writes[0].value), 56u)
        << "the store receives the property's own kind";
    EXPECT_TRUE(cursor.getProperty(NodeLexicon::IPv6PrefixLength, number));
    EXPECT_EQ(number, 56u);

    setNodeStore(nullptr);
    EXPECT_NE(currentNodeStore(), store);
    EXPECT_NE(std::dynamic_pointer_cast<FileNodeStore>(currentNodeStore()), nullptr);
}

}  // namespace
