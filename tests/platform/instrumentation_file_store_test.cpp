#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <regex>

#include "instrumentation_test_support.h"

namespace {

using namespace Quill;
using ovx::test::InstrumentationTest;
using ovx::test::kSampleDescription;
using ovx::test::readFile;
using ovx::test::replaceContent;
using ovx::test::valueAt;
using ovx::test::writeFile;
using Json = nlohmann::ordered_json;

std::string localHostName() {
    char name[256] = {};
    EXPECT_EQ(::gethostname(name, sizeof name - 1), 0);
    return name;
}

std::vector<std::string> directoryEntries(const std::filesystem::path& directory) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(directory)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

using FileNodeStoreTest = InstrumentationTest;

TEST_F(FileNodeStoreTest, DerivesIdsFromTypeAndOrderWhenNoneIsGiven) {
    useDescription(R"({
      "_comment": "ids left to the store",
      "nodes": [
        {"type": "ComputerSystem", "properties": {"Name": "h"}, "children": [
          {"type": "IPInterface", "properties": {"Name": "a"}},
          {"type": "LANEndpoint", "_note": "ignored"},
          {"type": "IPInterface", "properties": {"Name": "b"}},
          {"type": "IPInterface", "id": "named", "properties": {"Name": "c"}}
        ]}
      ]})");
    std::vector<std::string> paths;
    Instrumentation cursor;
    for (cursor.selectNode(NodeLexicon::IPInterface); cursor; ++cursor) {
        paths.push_back(cursor.getNodePath());
    }
    EXPECT_EQ(paths, (std::vector<std::string>{"/ComputerSystem0/IPInterface0",
                                               "/ComputerSystem0/IPInterface1",
                                               "/ComputerSystem0/named"}));
    EXPECT_TRUE(cursor.selectNode(std::string("/ComputerSystem0/LANEndpoint0")));
    EXPECT_TRUE(failures().empty()) << failures().front().text;
}

TEST_F(FileNodeStoreTest, LeavesOutUnknownItemsAndReportsEach) {
    useDescription(R"({
      "nodes": [
        {"type": "ComputerSystem", "id": "host", "properties": {"Name": "h", "Colour": "blue",
                                                               "EnabledState": "1"},
         "readOnly": ["Name", "Flavour"],
         "descripton": "typo",
         "children": [
           {"type": "IPInterfce", "id": "bad", "children": [{"type": "IPInterface", "id": "x"}]},
           {"type": "IPInterface", "id": "eth0", "properties": {"Name": "eth0",
                                                               "IPv6PrefixLength": -1,
                                                               "DNSServers": ["a", 1]}},
           {"type": "IPInterface", "id": "eth0", "properties": {"Name": "shadowed"}},
           {"type": "IPInterface", "id": "a/b"}
         ]}
      ],
      "extra": true})");
    std::vector<std::string> names;
    Instrumentation cursor;
    for (cursor.selectNode(NodeLexicon::IPInterface); cursor; ++cursor) {
        names.push_back(valueAt<std::string>(cursor, NodeLexicon::Name).value_or("?"));
        EXPECT_EQ(valueAt<unsigned int>(cursor, NodeLexicon::IPv6PrefixLength), std::nullopt);
        EXPECT_EQ(valueAt<std::vector<std::string>>(cursor, NodeLexicon::DNSServers), std::nullopt);
    }
    EXPECT_EQ(names, std::vector<std::string>{"eth0"});
    ASSERT_TRUE(cursor.selectNode(std::string("/host")));
    EXPECT_EQ(valueAt<unsigned int>(cursor, NodeLexicon::EnabledState), std::nullopt);
    bool readOnly = false;
    EXPECT_TRUE(cursor.isPropertyReadOnly(NodeLexicon::Name, readOnly));
    EXPECT_TRUE(readOnly);

    for (const std::string expected :
         {"Colour", "EnabledState", "Flavour", "descripton", "IPInterfce", "IPv6PrefixLength",
          "DNSServers", "already used", "a/b", "extra"}) {
        EXPECT_TRUE(someFailureMentions(expected)) << expected;
    }
    for (const auto& record : failures()) {
        EXPECT_NE(record.text.find(path_), std::string::npos) << record.text;
    }
    EXPECT_EQ(failures().size(), 10u);
}

TEST_F(FileNodeStoreTest, MissingFileGivesAnEmptyTreeAndOneRecordPerChange) {
    auto store = std::make_shared<FileNodeStore>(path_);
    setNodeStore(store);
    Instrumentation cursor;
    EXPECT_FALSE(cursor.selectNode(NodeLexicon::IPInterface));
    EXPECT_FALSE(cursor.selectNode(NodeLexicon::ComputerSystem));
    EXPECT_FALSE(cursor.selectNode(std::string("/host")));
    EXPECT_TRUE(store->snapshot()->empty());
    ASSERT_EQ(failures().size(), 1u);
    EXPECT_NE(failures()[0].text.find(path_), std::string::npos);
    EXPECT_NE(failures()[0].text.find("does not exist"), std::string::npos);
    EXPECT_EQ(failures()[0].component, "Quill.Instrumentation");

    // Writes fail, say why and create nothing.
    EXPECT_FALSE(store->writeProperty("/host", NodeLexicon::Name, std::string("x")));
    EXPECT_FALSE(store->updateSection("peer", [](std::string& text) {
        text = "{}";
        return true;
    }));
    EXPECT_TRUE(directoryEntries(directory_.path()).empty());
    const auto recorded = failures().size();
    ASSERT_GT(recorded, 1u);
    EXPECT_NE(failures().back().text.find("does not exist"), std::string::npos);

    writeFile(path_, kSampleDescription);
    EXPECT_TRUE(cursor.selectNode(NodeLexicon::IPInterface));
    EXPECT_EQ(failures().size(), recorded);

    std::filesystem::remove(path_);
    EXPECT_FALSE(cursor.selectNode(NodeLexicon::IPInterface));
    EXPECT_FALSE(cursor.selectNode(NodeLexicon::IPInterface));
    EXPECT_EQ(failures().size(), recorded + 1);
}

struct CorruptCase {
    const char* label;
    std::string text;
    const char* mentions;
};

class CorruptFileTest : public InstrumentationTest,
                        public ::testing::WithParamInterface<CorruptCase> {};

// Reported once however often it is read, and read again once mended.
TEST_P(CorruptFileTest, GivesAnEmptyTreeOneClearRecordAndRefusesWrites) {
    auto store = useDescription(GetParam().text);
    Instrumentation cursor;
    for (int attempt = 0; attempt < 3; ++attempt) {
        for (const auto type : NodeLexicon::allNodeTypes()) {
            EXPECT_FALSE(cursor.selectNode(type));
        }
        EXPECT_FALSE(store->readSection("peer"));
    }
    ASSERT_EQ(failures().size(), 1u);
    const std::string record = failures().front().text;
    EXPECT_NE(record.find(path_), std::string::npos) << record;
    EXPECT_NE(record.find(GetParam().mentions), std::string::npos) << record;

    EXPECT_FALSE(store->writeProperty("/host", NodeLexicon::Name, std::string("x")));
    EXPECT_FALSE(store->updateSection("peer", [](std::string& text) {
        text = "{}";
        return true;
    }));
    EXPECT_EQ(readFile(path_), GetParam().text) << "a broken file is never overwritten";

    const auto recorded = failures().size();
    replaceContent(path_, kSampleDescription);
    EXPECT_TRUE(cursor.selectNode(NodeLexicon::IPInterface));
    EXPECT_EQ(failures().size(), recorded);
}

std::string deeplyNested() {
    return std::string(100000, '[') + std::string(100000, ']');
}

// Valid JSON, but nodes below nodes beyond the tree's depth limit.
std::string deepNodes() {
    std::string text = R"({"nodes": [)";
    for (int level = 0; level < 70; ++level) {
        text += R"({"type": "LANEndpoint", "id": "n", "children": [)";
    }
    for (int level = 0; level < 70; ++level) {
        text += "]}";
    }
    return text + "]}";
}

INSTANTIATE_TEST_SUITE_P(
    Shapes, CorruptFileTest,
    ::testing::Values(
        CorruptCase{"Empty", "", "not valid JSON"},
        CorruptCase{"Truncated", R"({"nodes": [{"type": "ComputerSystem", "id": "host")",
                    "not valid JSON"},
        CorruptCase{"Binary", std::string("\x00\xff\xfe{", 4), "not valid JSON"},
        CorruptCase{"TopLevelArray", "[]", "top level must be a JSON object"},
        CorruptCase{"NoNodes", R"({"sections": {"peer": {}}})", "no \"nodes\""},
        CorruptCase{"NodesObject", R"({"nodes": {"type": "ComputerSystem"}})", "must be an array"},
        CorruptCase{"NodeString", R"({"nodes": ["ComputerSystem"]})", "must be a JSON object"},
        CorruptCase{"NoType", R"({"nodes": [{"id": "host"}]})", "no \"type\""},
        CorruptCase{"NumericId", R"({"nodes": [{"type": "ComputerSystem", "id": 4}]})",
                    "\"id\" must be a string"},
        CorruptCase{"PropertiesArray",
                    R"({"nodes": [{"type": "ComputerSystem", "id": "host", "properties": []}]})",
                    "\"properties\" must be an object"},
        CorruptCase{"ChildrenObject",
                    R"({"nodes": [{"type": "ComputerSystem", "id": "host", "children": {}}]})",
                    "must be an array"},
        CorruptCase{"DescriptionNumber",
                    R"({"nodes": [{"type": "ComputerSystem", "id": "host", "description": 1}]})",
                    "\"description\" must be a string"},
        CorruptCase{"ReadOnlyString",
                    R"({"nodes": [{"type": "ComputerSystem", "id": "host", "readOnly": "Name"}]})",
                    "\"readOnly\" must be an array"},
        CorruptCase{"SectionsArray", R"({"nodes": [], "sections": []})",
                    "\"sections\" must be an object"},
        CorruptCase{"DeepNesting", deeplyNested(), "nested deeper"},
        CorruptCase{"DeepNodes", deepNodes(), "nested deeper than 64"}),
    [](const ::testing::TestParamInfo<CorruptCase>& info) { return info.param.label; });

TEST_F(FileNodeStoreTest, ReusesItsSnapshotUntilTheFileChanges) {
    auto store = useDescription(kSampleDescription);
    const auto first = store->snapshot();
    ASSERT_FALSE(first->empty());
    EXPECT_EQ(store->snapshot(), first);
    Instrumentation cursor;
    ASSERT_TRUE(cursor.selectNode(NodeLexicon::IPInterface));
    EXPECT_EQ(store->snapshot(), first);

    // Same size, new content, a later modification time.
    std::string text = kSampleDescription;
    text.replace(text.find("192.0.2.10"), 10, "192.0.2.12");
    replaceContent(path_, text);
    const auto second = store->snapshot();
    EXPECT_NE(second, first);
    EXPECT_EQ(store->snapshot(), second);
    ASSERT_TRUE(cursor.selectNode(NodeLexicon::IPInterface));
    EXPECT_EQ(valueAt<std::string>(cursor, NodeLexicon::IPv4Address), "192.0.2.12");

    // Same size and modification time, but another file put in place.
    struct stat before {};
    ASSERT_EQ(::stat(path_.c_str(), &before), 0);
    text.replace(text.find("192.0.2.12"), 10, "192.0.2.13");
    const std::string replacement = directory_.file("replacement.json");
    writeFile(replacement, text);
    const timespec times[2] = {before.st_atim, before.st_mtim};
    ASSERT_EQ(::utimensat(AT_FDCWD, replacement.c_str(), times, 0), 0);
    ASSERT_EQ(::rename(replacement.c_str(), path_.c_str()), 0);
    ASSERT_TRUE(cursor.selectNode(NodeLexicon::IPInterface));
    EXPECT_EQ(valueAt<std::string>(cursor, NodeLexicon::IPv4Address), "192.0.2.13");
    EXPECT_TRUE(failures().empty());
}

TEST_F(FileNodeStoreTest, AScopeKeepsOneSnapshotUntilThisProcessWrites) {
    auto store = useDescription(kSampleDescription);
    std::string text = kSampleDescription;
    const auto addressNow = [] {
        Instrumentation cursor;
        EXPECT_TRUE(cursor.selectNode(NodeLexicon::IPInterface));
        return valueAt<std::string>(cursor, NodeLexicon::IPv4Address);
    };
    {
        const SnapshotScope request;
        const auto first = store->snapshot();
        text.replace(text.find("192.0.2.10"), 10, "192.0.2.12");
        replaceContent(path_, text);
        EXPECT_EQ(store->snapshot(), first);
        EXPECT_EQ(addressNow(), "192.0.2.10");
        {
            const SnapshotScope nested;
            Instrumentation cursor;
            ASSERT_TRUE(cursor.selectNode(std::string("/host/eth0/ip")));
            std::string mask = "255.255.0.0";
            ASSERT_TRUE(cursor.setProperty(NodeLexicon::SubnetMask, mask));
        }
        // The write re-read the file: both changes show, and stay.
        const auto written = store->snapshot();
        EXPECT_NE(written, first);
        EXPECT_EQ(addressNow(), "192.0.2.12");
        EXPECT_EQ(store->snapshot(), written);
    }
    text = readFile(path_);
    text.replace(text.find("192.0.2.12"), 10, "192.0.2.14");
    replaceContent(path_, text);
    EXPECT_EQ(addressNow(), "192.0.2.14");
}

// A write renames a new file into place, in the document's own member order
// and layout, keeping the file's mode and leaving only the writers' lock. A
// store opened through a symbolic link writes its target and keeps the link.
TEST_F(FileNodeStoreTest, RewritesReplaceTheFileKeepingEverythingElse) {
    writeFile(path_, kSampleDescription);
    ASSERT_EQ(::chmod(path_.c_str(), 0640), 0);
    const std::string link = directory_.file("link.json");
    std::filesystem::create_symlink(path_, link);
    setNodeStore(std::make_shared<FileNodeStore>(link));
    struct stat before {};
    ASSERT_EQ(::stat(path_.c_str(), &before), 0);
    Instrumentation cursor;
    ASSERT_TRUE(cursor.selectNode(std::string("/host/eth0/ip")));
    std::string address = "192.0.2.77";
    ASSERT_TRUE(cursor.setProperty(NodeLexicon::IPv4Address, address));

    Json expected = Json::parse(kSampleDescription);
    expected["nodes"][0]["children"][0]["children"][0]["properties"]["IPv4Address"] = "192.0.2.77";
    EXPECT_EQ(readFile(path_), expected.dump(2) + "\n");
    struct stat after {};
    ASSERT_EQ(::stat(path_.c_str(), &after), 0);
    EXPECT_NE(after.st_ino, before.st_ino);
    EXPECT_EQ(after.st_mode & 07777, 0640u);
    EXPECT_TRUE(std::filesystem::is_symlink(link));
    EXPECT_EQ(directoryEntries(directory_.path()),
              (std::vector<std::string>{"link.json", "system.json", "system.json.lock"}));
}

TEST_F(FileNodeStoreTest, RefusedWritesLeaveTheFileAlone) {
    auto store = useDescription(kSampleDescription);
    const std::string original = readFile(path_);
    Instrumentation cursor;
    ASSERT_TRUE(cursor.selectNode(std::string("/host/eth0/ip")));
    unsigned int type = 1;
    EXPECT_FALSE(cursor.setProperty(NodeLexicon::ProtocolIFType, type));
    EXPECT_FALSE(store->writeProperty("/host/eth0/ip", NodeLexicon::IPv4Address, 5u))
        << "the store itself checks the kind";
    EXPECT_FALSE(
        store->writeProperty("/host/nothing", NodeLexicon::IPv4Address, std::string("192.0.2.1")));
    EXPECT_FALSE(store->writeProperty("/host/eth0/ip", static_cast<NodeLexicon::Properties>(9),
                                      std::string("x")));
    EXPECT_FALSE(
        store->writeProperty("/host/eth0/ip", NodeLexicon::IPv4Address, std::string("\xff\xfe")))
        << "text that is not UTF-8 cannot be stored";
    EXPECT_EQ(readFile(path_), original);
    const auto entries = directoryEntries(std::filesystem::path(path_).parent_path());
    EXPECT_EQ(std::count_if(entries.begin(), entries.end(),
                            [](const std::string& name) { return name.rfind(".", 0) == 0; }),
              0)
        << "a rewrite given up half-way leaves no temporary file";
    EXPECT_TRUE(someFailureMentions("UTF-8"));

    // The node the cursor is on has gone from the file since it was selected.
    const std::string reduced = R"({"nodes": [{"type": "ComputerSystem", "id": "host"}]})";
    replaceContent(path_, reduced);
    std::string address = "198.51.100.99";
    EXPECT_FALSE(cursor.setProperty(NodeLexicon::IPv4Address, address));
    EXPECT_EQ(readFile(path_), reduced);
}

TEST_F(FileNodeStoreTest, ABatchIsWrittenWholeOrNotAtAll) {
    auto store = useDescription(kSampleDescription);
    const std::string original = readFile(path_);
    Instrumentation cursor;
    ASSERT_TRUE(cursor.selectNode(std::string("/host/eth0/ip")));
    const PropertyChanges refusedLast{{NodeLexicon::IPv4Address, std::string("192.0.2.7")},
                                      {NodeLexicon::SubnetMask, std::string("255.255.0.0")},
                                      {NodeLexicon::ProtocolIFType, 6u}};  // read-only
    const PropertyChanges unconvertible{{NodeLexicon::IPv4Address, std::string("192.0.2.7")},
                                        {NodeLexicon::AddressOrigin, std::string("dhcp")}};
    EXPECT_FALSE(cursor.setProperties(refusedLast));
    EXPECT_FALSE(cursor.setProperties(unconvertible));
    EXPECT_FALSE(store->writeProperties("/host/nothing", {}));
    EXPECT_EQ(readFile(path_), original);

    const std::vector<std::string> suffixes{"a.example", "b.example"};
    ASSERT_TRUE(cursor.setProperties({{NodeLexicon::IPv4Address, std::string("192.0.2.7")},
                                      {NodeLexicon::SubnetMask, std::string("255.255.0.0")},
                                      {NodeLexicon::AddressOrigin, std::string("1")},
                                      {NodeLexicon::DNSSuffixes, suffixes}}));
    EXPECT_EQ(valueAt<std::string>(cursor, NodeLexicon::SubnetMask), "255.255.0.0")
        << "the cursor sees its writes";

    // A fresh store reads every value back in its own kind.
    FileNodeStore fresh(path_);
    const auto tree = fresh.snapshot();
    const auto position = tree->find("/host/eth0/ip");
    ASSERT_NE(position, NodeTree::npos);
    const PropertyChanges expected{{NodeLexicon::IPv4Address, std::string("192.0.2.7")},
                                   {NodeLexicon::SubnetMask, std::string("255.255.0.0")},
                                   {NodeLexicon::AddressOrigin, 1u},
                                   {NodeLexicon::DNSSuffixes, suffixes}};
    for (const auto& [property, value] : expected) {
        EXPECT_EQ(tree->node(position).properties.at(property), value) << property;
    }
    const Json document = Json::parse(readFile(path_));
    EXPECT_EQ(document["nodes"][0]["children"][0]["children"][0]["properties"]["AddressOrigin"], 1);
}

TEST_F(FileNodeStoreTest, ResettingAComputerSystemOnlyRecordsARequest) {
    auto store = useDescription(kSampleDescription);
    EXPECT_FALSE(store->rebootRequests("/host"));
    Instrumentation cursor;
    ASSERT_TRUE(cursor.selectNode(NodeLexicon::ComputerSystem));
    unsigned int reset = 9;
    ASSERT_TRUE(cursor.setProperty(NodeLexicon::EnabledState, reset));
    EXPECT_EQ(valueAt<unsigned int>(cursor, NodeLexicon::EnabledState), 1u)
        << "the system's state is not changed by a request";

    auto requests = store->rebootRequests("/host");
    ASSERT_TRUE(requests);
    EXPECT_EQ(requests->count, 1u);
    EXPECT_TRUE(
        std::regex_match(requests->lastRequested, std::regex(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\dZ)")))
        << requests->lastRequested;
    ASSERT_TRUE(cursor.setProperty(NodeLexicon::EnabledState, reset));
    requests = store->rebootRequests("/host");
    ASSERT_TRUE(requests);
    EXPECT_EQ(requests->count, 2u);

    // Other states are stored as given; an interface records its reset
    // requests apart from the system's and keeps its state.
    unsigned int disabled = 12;
    ASSERT_TRUE(cursor.setProperty(NodeLexicon::EnabledState, disabled));
    EXPECT_EQ(valueAt<unsigned int>(cursor, NodeLexicon::EnabledState), 12u);
    ASSERT_TRUE(cursor.selectNode(NodeLexicon::IPInterface));
    ASSERT_TRUE(cursor.setProperty(NodeLexicon::EnabledState, reset));
    EXPECT_EQ(valueAt<unsigned int>(cursor, NodeLexicon::EnabledState), 1u);
    ASSERT_TRUE(store->rebootRequests("/host/eth0/ip"));
    EXPECT_EQ(store->rebootRequests("/host/eth0/ip")->count, 1u);
    EXPECT_EQ(store->rebootRequests("/host")->count, 2u);
}

TEST_F(FileNodeStoreTest, AComputerSystemWithoutNameIsThisMachine) {
    const std::string text =
        R"({"nodes": [{"type": "ComputerSystem", "id": "host"},
                      {"type": "ServiceProcessor", "id": "bmc"},
                      {"type": "ComputerSystem", "id": "named", "properties": {"Name": "given"}}]})";
    useDescription(text);
    Instrumentation cursor;
    ASSERT_TRUE(cursor.selectNode(NodeLexicon::ComputerSystem));
    EXPECT_EQ(valueAt<std::string>(cursor, NodeLexicon::Name), localHostName());
    ++cursor;
    EXPECT_EQ(valueAt<std::string>(cursor, NodeLexicon::Name), "given");
    ASSERT_TRUE(cursor.selectNode(NodeLexicon::ServiceProcessor));
    EXPECT_EQ(valueAt<std::string>(cursor, NodeLexicon::Name), std::nullopt);

    ASSERT_TRUE(cursor.selectNode(std::string("/host")));
    unsigned int state = 2;
    ASSERT_TRUE(cursor.setProperty(NodeLexicon::EnabledState, state));
    const Json document = Json::parse(readFile(path_));
    EXPECT_FALSE(document["nodes"][0]["properties"].contains("Name"))
        << "the host name is read, never written into the file";
    EXPECT_EQ(document["nodes"][0]["properties"]["EnabledState"], 2);
}

TEST_F(FileNodeStoreTest, KeepsMemberOrderAndTheLastValueOfARepeatedMember) {
    // Small objects are scanned for a repeated member, large ones indexed:
    // both must read as the library reads them.
    std::string large = "{";
    std::string expected = "{";
    for (int member = 0; member < 40; ++member) {
        const std::string name = "\"m" + std::to_string(member) + "\":";
        large += name + std::to_string(member) + ",";
        expected += name + (member == 3 ? std::string("\"last\"") : std::to_string(member)) +
                    (member == 39 ? "}" : ",");
    }
    large += R"("m3": "last"})";
    std::string text = kSampleDescription;
    const std::string sections = R"("sections": {)";
    const auto at = text.find(sections);
    ASSERT_NE(at, std::string::npos);
    text.insert(at + sections.size(),
                R"("small": {"b": 1, "a": 2, "b": 3}, "large": )" + large + ", ");
    auto store = useDescription(text);
    EXPECT_EQ(store->readSection("small").value_or(""), R"({"b":3,"a":2})");
    EXPECT_EQ(store->readSection("large").value_or(""), expected);
}

TEST_F(FileNodeStoreTest, ReadsAndUpdatesSections) {
    auto store = useDescription(kSampleDescription);
    // Updates that fail write nothing.
    const std::string original = readFile(path_);
    EXPECT_FALSE(store->updateSection("peer", [](std::string& text) {
        text = R"({"jobs": 5})";
        return false;
    }));
    EXPECT_FALSE(store->updateSection("peer", [](std::string& text) {
        text = R"({"jobs": )";
        return true;
    }));
    EXPECT_TRUE(someFailureMentions("not valid JSON"));
    EXPECT_FALSE(store->updateSection(
        "peer", [](std::string&) -> bool { throw std::runtime_error("caller failed"); }));
    EXPECT_TRUE(someFailureMentions("exception"));
    EXPECT_FALSE(store->updateSection("peer", nullptr));
    EXPECT_EQ(readFile(path_), original);

    EXPECT_EQ(store->readSection("peer"), R"({"jobs":0})");
    EXPECT_FALSE(store->readSection("absent"));
    const auto shared = store->sharedSection("peer");
    ASSERT_TRUE(shared);
    EXPECT_EQ(*shared, R"({"jobs":0})");
    EXPECT_EQ(store->sharedSection("peer"), shared) << "unchanged text is the same text";
    EXPECT_FALSE(store->sharedSection("absent"));

    std::string seen = "unset";
    ASSERT_TRUE(store->updateSection("absent", [&](std::string& text) {
        seen = text;
        text = R"({"created": [1, 2]})";
        return true;
    }));
    EXPECT_EQ(seen, "") << "a missing section arrives as empty text";
    EXPECT_EQ(store->readSection("absent"), R"({"created":[1,2]})");

    ASSERT_TRUE(store->updateSection("peer", [](std::string& text) {
        Json value = Json::parse(text);
        value["jobs"] = value["jobs"].get<int>() + 1;
        text = value.dump();
        return true;
    }));
    EXPECT_EQ(store->readSection("peer"), R"({"jobs":1})");
    EXPECT_EQ(*store->sharedSection("peer"), R"({"jobs":1})");
    EXPECT_EQ(*shared, R"({"jobs":0})") << "text handed out earlier stays as it was";

    // A property write keeps the sections, and a section write the tree.
    Instrumentation cursor;
    ASSERT_TRUE(cursor.selectNode(NodeLexicon::IPInterface));
    std::string address = "192.0.2.66";
    ASSERT_TRUE(cursor.setProperty(NodeLexicon::IPv4Address, address));
    EXPECT_EQ(store->readSection("peer"), R"({"jobs":1})");
    EXPECT_TRUE(store->readSection("absent"));

    ASSERT_TRUE(store->updateSection("absent", [](std::string& text) {
        text.clear();
        return true;
    }));
    EXPECT_FALSE(store->readSection("absent"));
    ASSERT_TRUE(cursor.selectNode(NodeLexicon::IPInterface));
    EXPECT_EQ(valueAt<std::string>(cursor, NodeLexicon::IPv4Address), "192.0.2.66");
}

// The default store reads where the environment points at each selection:
// the named description, else system.json in the data directory.
TEST_F(FileNodeStoreTest, FollowsTheEnvironmentForItsLocation) {
    const std::string fromData =
        directory_
            .write("data/system.json", R"({"nodes": [{"type": "ComputerSystem", "id": "d"}]})")
            .string();
    writeFile(path_, R"({"nodes": [{"type": "ComputerSystem", "id": "named"}]})");
    ovx::test::ScopedEnvironmentVariable dataDir("OVX_DATA_DIR", directory_.file("data/"));
    setNodeStore(nullptr);
    const std::pair<std::optional<std::string>, const char*> cases[] = {
        {std::nullopt, "/d"}, {path_, "/named"}, {"", "/d"}};
    Instrumentation cursor;
    for (const auto& [setting, node] : cases) {
        ovx::test::ScopedEnvironmentVariable description("OVX_SYSTEM_DESCRIPTION", setting);
        EXPECT_EQ(FileNodeStore::defaultPath(), setting.value_or("").empty() ? fromData : path_);
        ASSERT_TRUE(cursor.selectNode(NodeLexicon::ComputerSystem));
        EXPECT_EQ(cursor.getNodePath(), node);
    }
}

// The example of the format's documentation must load cleanly and mean what
// the page says it means.
std::string documentedExample() {
    const std::string page =
        ovx::test::readFile(std::string(OVX_DOCS_DIR) + "/system-description.md");
    const auto section = page.find("## Example");
    const auto start = page.find("```json\n", section);
    const auto end = page.find("```\n", start + 8);
    if (section == std::string::npos || start == std::string::npos || end == std::string::npos) {
        return {};
    }
    return page.substr(start + 8, end - start - 8);
}

using DocumentedExampleTest = InstrumentationTest;

TEST_F(DocumentedExampleTest, LoadsCleanlyAndDescribesTheServer) {
    const std::string example = documentedExample();
    ASSERT_FALSE(example.empty());
    useDescription(example);

    std::vector<std::string> names;
    std::vector<std::string> owners;
    std::vector<bool> controller;
    Instrumentation cursor;
    for (cursor.selectNode(NodeLexicon::IPInterface); cursor; ++cursor) {
        names.push_back(valueAt<std::string>(cursor, NodeLexicon::Name).value_or("?"));
        controller.push_back(cursor.getNodeDescription().find("BMC ") != std::string::npos);
        Instrumentation system;
        ASSERT_TRUE(system.selectNode(cursor.getPathToParentNode()));
        ASSERT_TRUE(system.selectNode(system.getPathToParentNode()));
        owners.push_back(system.getNodeDescription());
    }
    EXPECT_EQ(names, (std::vector<std::string>{"eth0", "eth1", "bmc0"}));
    EXPECT_EQ(owners, (std::vector<std::string>{"Host system", "Host system", "BMC"}));
    EXPECT_EQ(controller, (std::vector<bool>{false, false, true}));

    ASSERT_TRUE(cursor.selectNode(NodeLexicon::ComputerSystem));
    EXPECT_EQ(valueAt<std::string>(cursor, NodeLexicon::Name), localHostName());
    ASSERT_TRUE(cursor.selectNode(NodeLexicon::ServiceProcessor));
    EXPECT_EQ(valueAt<std::string>(cursor, NodeLexicon::Name), "BMC:-1");
    ASSERT_TRUE(cursor.selectNode(std::string("/host/eth1/ip")));
    EXPECT_EQ(valueAt<std::string>(cursor, NodeLexicon::IPv6Gateway), "2001:db8::1");
    EXPECT_TRUE(failures().empty()) << failures().front().text;
}

}  // namespace
