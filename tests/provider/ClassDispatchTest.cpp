#include <gtest/gtest.h>

#include <memory>
#include <regex>
#include <string>
#include <utility>
#include <vector>

#include "HostCallSupport.h"
#include "nxlogger.h"
#include "ovx/host/class_registry.h"

namespace {

using Quill::IPInterfaceProvider::getClassId;
using Ids = std::vector<unsigned short>;

// Association classes as a CIMOM would know them: two of the provider's
// bases, a class deriving from one, and a base deriving from another so
// that one name matches two rows.
ovx::host::ClassDecl classDecl(const char* name, const char* superclass) {
    ovx::host::ClassDecl decl;
    decl.name = name;
    decl.superclass = superclass;
    return decl;
}

std::shared_ptr<ovx::host::ClassRegistry> associationRegistry() {
    auto registry = std::make_shared<ovx::host::ClassRegistry>();
    registry->add(classDecl("CIM_HostedAccessPoint", "CIM_HostedDependency"));
    registry->add(classDecl("Test_HostedAccessPoint", "CIM_HostedAccessPoint"));
    registry->add(classDecl("CIM_ElementCapabilities", "CIM_ElementSettingData"));
    registry->add(classDecl("Test_Capabilities", "CIM_ElementCapabilities"));
    return registry;
}

class AssociationWidening : public ::testing::Test {
  protected:
    void SetUp() override {
        IPInterfaceProvider_Create_AssociationMI(broker_.cmpi(), nullptr, nullptr);
        NxLog::NxLogger::installSink(sink_);
    }
    void TearDown() override { NxLog::NxLogger::installSink(nullptr); }

    Ids widen(const char* className) {
        Ids ids;
        found_ = getClassId(className, ProviderTest::kNamespace, ids);
        return ids;
    }

    ovx::host::Broker broker_{associationRegistry()};
    ovx::host::OperationScope scope_{broker_};
    std::shared_ptr<NxLog::MemorySink> sink_ = std::make_shared<NxLog::MemorySink>();
    bool found_ = false;
};

// A class of the catalogue is taken as it is; a base class, or a class
// deriving from bases, covers the catalogue's classes in table order.
TEST_F(AssociationWidening, ClassesCoverTheirCatalogueClassesInTableOrder) {
    const std::pair<const char*, Ids> cases[] = {
        // clang-format off
        {"OVX_IPHostedAccessPoint", {72}}, {"OVX_IPProtocolEndpoint", {9}},
        {"CIM_ElementSettingData", {68, 73}}, {"CIM_OrderedComponent", {71}},
        {"CIM_BindsToLanEndPoint", {67}}, {"CIM_RemoteAccessAvailableToElement", {81}},
        {"CIM_HostedService", {130}}, {"CIM_ServiceAffectsElement", {131}},
        {"Test_HostedAccessPoint", {72, 120, 80}}, {"Test_Capabilities", {68, 73, 121}},
        {"CIM_Dependency", {}}, {"CIM_HostedDependency", {}},
        // clang-format on
    };
    for (const auto& [className, ids] : cases) {
        EXPECT_EQ(widen(className), ids) << className;
        EXPECT_EQ(found_, !ids.empty()) << className;
    }
}

TEST_F(AssociationWidening, HostedAccessPointCoversThreeClassesInOrderAndLogsEach) {
    EXPECT_EQ(widen("CIM_HostedAccessPoint"), (Ids{72, 120, 80}));
    EXPECT_TRUE(found_);
    std::vector<std::string> variables;
    for (const NxLog::Record& record : sink_->records()) {
        if (record.channel == NxLog::Channel::Log && record.text.rfind("VARIABLE: '0x", 0) == 0) {
            variables.push_back(record.text.substr(0, record.text.find(" at line")));
        }
    }
    EXPECT_EQ(variables, (std::vector<std::string>{"VARIABLE: '0x48' has Value '72'",
                                                   "VARIABLE: '0x78' has Value '120'",
                                                   "VARIABLE: '0x50' has Value '80'"}));
}

TEST_F(AssociationWidening, IdsAreAppendedToWhatTheListHolds) {
    Ids ids{1, 2};
    EXPECT_TRUE(getClassId("CIM_ElementSettingData", ProviderTest::kNamespace, ids));
    EXPECT_TRUE(getClassId("OVX_IPElementCapabilities", ProviderTest::kNamespace, ids));
    EXPECT_FALSE(getClassId("CIM_Nothing", ProviderTest::kNamespace, ids));
    EXPECT_EQ(ids, (Ids{1, 2, 68, 73, 121}));
}

TEST_F(AssociationWidening, WithoutABrokerOnlyTheCatalogueAnswers) {
    IPInterfaceProvider_Create_AssociationMI(nullptr, nullptr, nullptr);
    EXPECT_EQ(widen("CIM_HostedAccessPoint"), Ids{});
    EXPECT_FALSE(found_);
    EXPECT_EQ(widen("OVX_SPHostedAccessPoint"), Ids{120});
}

// What the logger received for one whole request, with line numbers taken
// out so that the check survives edits that move code.
class RequestTrace : public ProviderTest::ProviderCalls {
  protected:
    void SetUp() override { NxLog::NxLogger::installSink(sink_); }
    void TearDown() override { NxLog::NxLogger::installSink(nullptr); }

    struct Line {
        int level;
        std::string text;
        bool operator==(const Line& other) const {
            return level == other.level && text == other.text;
        }
    };

    std::vector<Line> logLines() const {
        const std::regex lineNumbers(R"((\[Line: |, Line: |at line )\d+)");
        const std::regex addresses(R"(0x[0-9a-f]+)");
        std::vector<Line> lines;
        const std::vector<NxLog::Record> records = sink_->records();
        for (std::size_t i = 0; i < records.size(); ++i) {
            if (i % 2 == 0) {
                EXPECT_EQ(records[i].channel, NxLog::Channel::Log) << i;
                const std::string text = std::regex_replace(records[i].text, lineNumbers, "$1N");
                lines.push_back(Line{records[i].level, std::regex_replace(text, addresses, "0x?")});
            } else {
                EXPECT_EQ(records[i].channel, NxLog::Channel::Trace) << i;
                EXPECT_EQ(records[i].text, records[i - 1].text) << i;
                EXPECT_EQ(records[i].level, records[i - 1].level) << i;
            }
        }
        return lines;
    }

    std::shared_ptr<NxLog::MemorySink> sink_ = std::make_shared<NxLog::MemorySink>();
};

std::string joined(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) {
        text += line + "\n";
    }
    return text;
}

TEST_F(RequestTrace, EnumeratingInstancesOfAnEmptySystem) {
    useSystem(ProviderTest::systemDescription(ProviderTest::Json::array()));
    sink_->clear();
    const ProviderTest::Outcome outcome = enumerateInstances(
        ovx::host::ObjectPath(ProviderTest::kNamespace, "OVX_IPProtocolEndpoint"));
    ASSERT_EQ(outcome.rc, CMPI_RC_OK);
    std::vector<std::string> printable;
    for (const Line& line : logLines()) {
        printable.push_back(std::to_string(line.level) + " " + line.text);
    }
    const std::string separator = "4000 " + std::string(78, '=');
    const std::string constructorParameters =
        ",Parameters List:  _broker=0x? _context=0x? objectPath=0x?";
    const std::vector<std::string> expected = {
        separator,
        "4000 ENTERING: Quill::IPInterfaceProvider::IPInterface_EnumInstances() in "
        "IPInterfaceProvider.cpp [Line: N]",
        "4000 VARIABLE: 'classId' has Value '9' at line N in IPInterfaceProvider.cpp",
        "4000 METHOD: Quill::IPInterfaceProvider::IPprotocolEndpoint::IPprotocolEndpoint() was "
        "invoked in Zodavez/IPprotocolEndpoint.cpp [Line: N]",
        "3000 ENTERING: Quill::IPInterfaceProvider::CMPIProtocolEndpoint::CMPIProtocolEndpoint() "
        "in CMPI/CMPIProtocolEndpoint.cpp [Line: N]" +
            constructorParameters,
        "3000 ENTERING: Quill::IPInterfaceProvider::CMPIProtocolEndpoint::setObjectPath() in "
        "CMPI/CMPIProtocolEndpoint.cpp [Line: N],Parameters List:  objectPath=0x?",
        "3000 EXITING: Quill::IPInterfaceProvider::CMPIProtocolEndpoint::setObjectPath() in "
        "CMPI/CMPIProtocolEndpoint.cpp [Line: N],Parameters List:  objectPath=0x?",
        "3000 EXITING: Quill::IPInterfaceProvider::CMPIProtocolEndpoint::CMPIProtocolEndpoint() "
        "in CMPI/CMPIProtocolEndpoint.cpp [Line: N]" +
            constructorParameters,
        "4000 METHOD: Quill::IPInterfaceProvider::CMPIProtocolEndpoint::operator bool() was "
        "invoked in CMPI/CMPIProtocolEndpoint.cpp [Line: N]",
        "4000 METHOD: Quill::IPInterfaceProvider::IPprotocolEndpoint::operator bool() "
        "was invoked in Zodavez/IPprotocolEndpoint.cpp [Line: N]",
        "4000 METHOD: Quill::IPInterfaceProvider::CMPIProtocolEndpoint::~CMPIProtocolEndpoint() "
        "was invoked in CMPI/CMPIProtocolEndpoint.cpp [Line: N]",
        "4000 EXITING: Quill::IPInterfaceProvider::IPInterface_EnumInstances() in "
        "IPInterfaceProvider.cpp [Line: N]",
        separator};
    EXPECT_EQ(printable, expected) << joined(printable);
}

TEST_F(RequestTrace, SharedCodeNamesTheModelAndOperationItServes) {
    useSystem(ProviderTest::standardSystem());
    sink_->clear();
    getInstance(ProviderTest::endpointPath("eth0"));
    const auto carries = [this](const std::string& text, const std::string& function,
                                const std::string& file) {
        for (const NxLog::Record& record : sink_->records()) {
            if (record.text.find(text) != std::string::npos) {
                EXPECT_EQ(record.function, function) << text;
                EXPECT_EQ(record.file, file) << text;
                EXPECT_NE(record.text.find(file), std::string::npos) << record.text;
                return true;
            }
        }
        return false;
    };
    EXPECT_TRUE(carries("ENTERING: Quill::IPInterfaceProvider::IPprotocolEndpoint::setFilter()",
                        "Quill::IPInterfaceProvider::IPprotocolEndpoint::setFilter",
                        "Zodavez/IPprotocolEndpoint.cpp"));
    EXPECT_TRUE(carries("VARIABLE: 'Name' has Value 'eth0'",
                        "Quill::IPInterfaceProvider::CMPIProtocolEndpoint::setObjectPath",
                        "CMPI/CMPIProtocolEndpoint.cpp"));
    EXPECT_TRUE(carries("VARIABLE: 'classId'",
                        "Quill::IPInterfaceProvider::IPInterface_GetInstance",
                        "IPInterfaceProvider.cpp"));
}

}  // namespace
