#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "CMPI/CMPIProtocolEndpoint.h"
#include "HostCallSupport.h"
#include "nxlogger.h"

namespace {

using ovx::host::Arguments;
using ovx::host::CimDateTime;
using ovx::host::ObjectPath;
using ovx::host::Value;
using ProviderTest::endpointPath;
using ProviderTest::interfaceNode;
using ProviderTest::Json;
using ProviderTest::kNamespace;
using ProviderTest::systemDescription;

Arguments stateChange(Value requestedState) {
    Arguments in;
    in.set("RequestedState", std::move(requestedState));
    in.set("TimeoutPeriod",
           Value::dateTime(CimDateTime::fromMicroseconds(30'000'000, /*interval=*/true)));
    return in;
}

class RequestStateChange : public ProviderTest::ProviderCalls {
  protected:
    void SetUp() override { useSystem(ProviderTest::standardSystem()); }

    // The one uint32 the invocation returned, after checking it came once
    // and was followed by returnDone once.
    static unsigned long long returned(const ProviderTest::Outcome& outcome) {
        EXPECT_EQ(outcome.data.doneCount, 1u);
        EXPECT_EQ(outcome.data.data.size(), 1u);
        if (outcome.data.data.size() != 1u) {
            return ~0ull;
        }
        EXPECT_EQ(outcome.data.data[0].type(), CMPI_uint32);
        return outcome.data.data[0].asUnsigned();
    }
    Json nodeState(const std::string& name) {
        return system().interfaceProperty(name, "EnabledState");
    }
};

TEST_F(RequestStateChange, EnableSucceedsWithAJobReference) {
    const auto call =
        invoke(endpointPath("eth1"), "RequestStateChange", stateChange(Value::uint16(2)));
    EXPECT_EQ(call.outcome.rc, CMPI_RC_OK);
    EXPECT_EQ(returned(call.outcome), 0u);
    EXPECT_EQ(nodeState("eth1"), 1);
    const Value* const job = call.out.find("Job");
    ASSERT_NE(job, nullptr);
    ASSERT_EQ(job->type(), CMPI_ref);
    EXPECT_EQ(job->asReference().className(), "OVX_ConcreteJob");
    EXPECT_EQ(job->asReference().nameSpace(), kNamespace);
    ASSERT_NE(job->asReference().findKey("InstanceID"), nullptr);
    EXPECT_EQ(job->asReference().findKey("InstanceID")->asString(), "IPConfigSvcJob:1");
}

TEST_F(RequestStateChange, DisableAndResetWriteTheirNodeCodes) {
    EXPECT_EQ(
        returned(invoke(endpointPath("eth0"), "RequestStateChange", stateChange(Value::uint16(3)))
                     .outcome),
        0u);
    EXPECT_EQ(nodeState("eth0"), 12);
    EXPECT_EQ(
        returned(invoke(endpointPath("eth0"), "RequestStateChange", stateChange(Value::uint16(11)))
                     .outcome),
        0u);
    EXPECT_EQ(nodeState("eth0"), 12) << "a reset is a request; the state stays";
    EXPECT_EQ(system().json()["nodes"][0]["children"][0]["children"][0]["rebootRequests"]["count"],
              1);
    const auto read = getInstance(endpointPath("eth0"));
    ASSERT_EQ(read.data.instances.size(), 1u);
    EXPECT_EQ(*read.data.instances[0].findProperty("EnabledState"), Value::uint16(3));
    EXPECT_EQ(*read.data.instances[0].findProperty("RequestedState"), Value::uint16(3));
    EXPECT_EQ(nodeState("eth1"), 12);
}

TEST_F(RequestStateChange, AnAbsentOrNullTimeoutPeriodMeansNoTimeRequirement) {
    for (const bool sendNull : {false, true}) {
        useSystem(ProviderTest::standardSystem());
        Arguments in;
        in.set("RequestedState", Value::uint16(2));
        if (sendNull) {
            in.set("TimeoutPeriod", Value::null(CMPI_dateTime));
        }
        const auto call = invoke(endpointPath("eth1"), "RequestStateChange", in);
        EXPECT_EQ(call.outcome.rc, CMPI_RC_OK) << call.outcome.message;
        EXPECT_EQ(returned(call.outcome), 0u);
        EXPECT_EQ(nodeState("eth1"), 1) << (sendNull ? "null" : "absent");
        EXPECT_NE(call.out.find("Job"), nullptr);
    }
}

// Refused calls answer with their code and return value and change nothing.
TEST_F(RequestStateChange, RefusalsAnswerWithTheirCodesAndChangeNothing) {
    const std::string before = system().text();
    Arguments wideState;
    wideState.set("RequestedState", Value::uint32(2));
    Arguments noState;
    noState.set("TimeoutPeriod", Value::dateTime(CimDateTime::fromMicroseconds(0, true)));
    Arguments textTimeout;
    textTimeout.set("RequestedState", Value::uint16(2));
    textTimeout.set("TimeoutPeriod", Value::string("00000000000030.000000:000"));
    const ObjectPath eth0 = endpointPath("eth0");
    const ObjectPath service(kNamespace, "OVX_IPConfigurationService");
    struct Refusal {
        ObjectPath path;
        std::string method;
        Arguments in;
        CMPIrc rc;
        unsigned long long returned;
        std::string message;
    };
    const std::string invalidType = "Invalid Type of Parameter";
    std::vector<Refusal> refusals = {
        {eth0, "RequestStateChange", wideState, CMPI_RC_ERR_INVALID_PARAMETER, 4, invalidType},
        {eth0, "RequestStateChange", noState, CMPI_RC_ERR_INVALID_PARAMETER, 4, invalidType},
        {eth0, "RequestStateChange", textTimeout, CMPI_RC_ERR_INVALID_PARAMETER, 4,
         "Invalid Type of TimeOut Parameter"},
        {endpointPath("eth5"), "RequestStateChange", stateChange(Value::uint16(2)),
         CMPI_RC_ERR_NOT_FOUND, 6, ""},
        {service, "RequestStateChange", stateChange(Value::uint16(2)), CMPI_RC_ERR_METHOD_NOT_FOUND,
         17, ""},
    };
    for (const unsigned short state : {0, 1, 4, 6, 10, 12, 32768}) {
        refusals.push_back({eth0, "RequestStateChange", stateChange(Value::uint16(state)),
                            CMPI_RC_ERR_FAILED, 4, "Invalid Value of RequestedState Parameter"});
    }
    // Method names are case-sensitive.
    for (const char* method : {"requeststatechange", "REQUESTSTATECHANGE", "RequestStatechange"}) {
        refusals.push_back(
            {eth0, method, stateChange(Value::uint16(3)), CMPI_RC_ERR_METHOD_NOT_FOUND, 17, ""});
    }
    for (const char* className :
         {"OVX_IPAssignmentSettingData", "OVX_IPHostedAccessPoint", "CIM_Unknown"}) {
        refusals.push_back({ObjectPath(kNamespace, className), "RequestStateChange",
                            stateChange(Value::uint16(2)), CMPI_RC_ERR_INVALID_CLASS, 5, ""});
    }
    for (const Refusal& refusal : refusals) {
        SCOPED_TRACE(refusal.path.className() + "." + refusal.method + "(" +
                     (refusal.in.find("RequestedState") != nullptr
                          ? refusal.in.find("RequestedState")->toText()
                          : std::string()) +
                     ")");
        const auto call = invoke(refusal.path, refusal.method.c_str(), refusal.in);
        EXPECT_EQ(call.outcome.rc, refusal.rc);
        if (!refusal.message.empty()) {
            EXPECT_EQ(call.outcome.message, refusal.message);
        }
        EXPECT_EQ(returned(call.outcome), refusal.returned);
        EXPECT_EQ(call.out.find("Job"), nullptr);
    }
    EXPECT_EQ(system().text(), before);
}

TEST_F(RequestStateChange, ANodeThatRefusesTheChangeFailsWithoutMessage) {
    useSystem(systemDescription(
        Json::array({interfaceNode("eth0", "Ethernet", {{"Name", "eth0"}, {"EnabledState", 1}},
                                   Json::array({"EnabledState"}))})));
    const auto call =
        invoke(endpointPath("eth0"), "RequestStateChange", stateChange(Value::uint16(3)));
    EXPECT_EQ(call.outcome.rc, CMPI_RC_ERR_FAILED);
    EXPECT_FALSE(call.outcome.hasMessage);
    EXPECT_EQ(returned(call.outcome), 4u);
    EXPECT_EQ(nodeState("eth0"), 1);
}

TEST_F(RequestStateChange, AJobReferenceThatCannotBeReturnedIsNotTracedAsCreated) {
    const auto sink = std::make_shared<NxLog::MemorySink>();
    NxLog::NxLogger::installSink(sink);
    Quill::IPInterfaceProvider::CMPIProtocolEndpoint endpoint(
        broker_.cmpi(), context_, ovx::host::toCmpi(endpointPath("eth1")));
    CMPIStatus status{CMPI_RC_OK, nullptr};
    EXPECT_EQ(
        endpoint.executeMethod(ovx::host::toCmpi(stateChange(Value::uint16(2))), nullptr, &status),
        0u);
    NxLog::NxLogger::installSink(nullptr);
    std::string texts;
    for (const NxLog::Record& record : sink->records()) {
        texts += record.text + "\n";
    }
    EXPECT_EQ(texts.find("Job Created Successfully"), std::string::npos) << texts;
    EXPECT_NE(texts.find("could not be returned"), std::string::npos) << texts;
}

}  // namespace
