// The built ovx-cim command, run as a CIM user runs it, on a scratch copy of
// the sample system: the verbs against the real providers, the output
// formats, and the exit status and message of CIM errors and bad command
// lines. What each verb sends and prints is checked directly in the client
// and output tests.
#include "cli_test_support.h"

#include <algorithm>

namespace {

using namespace clitest;

TEST_F(CliCommand, LanEndpointsAsMofAndAsJson) {
    const Outcome mof = run({"ei", "OVX_LANEndpoint"});
    ASSERT_TRUE(exitedWith(mof, 0));
    EXPECT_NE(mof.out.find("instance of OVX_LANEndpoint {\n"), std::string::npos);
    EXPECT_NE(mof.out.find("    Name = \"eth0\";\n"), std::string::npos);

    const Outcome json = run({"--json", "ei", "OVX_LANEndpoint", "--properties", "Name"});
    ASSERT_TRUE(exitedWith(json, 0));
    const auto instances = nlohmann::json::parse(json.out).at("instances");
    ASSERT_GE(instances.size(), 5U);
    std::vector<std::string> names;
    for (const auto& instance : instances) {
        EXPECT_EQ(instance.at("className"), "OVX_LANEndpoint");
        EXPECT_EQ(instance.at("path").get<std::string>().find("root/cimv2:OVX_LANEndpoint."), 0U);
        EXPECT_FALSE(instance.at("properties").contains("MACAddress")) << "only Name was asked";
        names.push_back(instance.at("properties").at("Name"));
    }
    EXPECT_NE(std::find(names.begin(), names.end(), "eth2"), names.end());
}

TEST_F(CliCommand, DnsEndpointAssociationsThroughThePeerProvider) {
    const Outcome names = run({"--json", "ein", "OVX_DNSProtocolEndpoint"});
    ASSERT_TRUE(exitedWith(names, 0));
    const auto paths = nlohmann::json::parse(names.out).at("paths");
    ASSERT_FALSE(paths.empty());
    const std::string dns = paths.at(0);

    const Outcome referenceNames = run({"rin", dns, "--result-class", "OVX_DNSSAPSAPDependency"});
    ASSERT_TRUE(exitedWith(referenceNames, 0));
    EXPECT_EQ(referenceNames.out.find("root/cimv2:OVX_DNSSAPSAPDependency."), 0U)
        << referenceNames.out;

    const Outcome references = run({"ri", dns, "--role", "Dependent"});
    ASSERT_TRUE(exitedWith(references, 0));
    EXPECT_NE(references.out.find("instance of OVX_DNSSAPSAPDependency {"), std::string::npos)
        << references.out;

    // The far end is an IP endpoint: named even where its provider is
    // still missing, shown only where it answers.
    const Outcome associatorNames = run(
        {"ain", dns, "--assoc-class", "OVX_DNSSAPSAPDependency", "--result-role", "Antecedent"});
    ASSERT_TRUE(exitedWith(associatorNames, 0));
    EXPECT_NE(associatorNames.out.find("ProtocolEndpoint."), std::string::npos)
        << associatorNames.out;
    const Outcome associators = run({"ai", dns, "--role", "Dependent"});
    EXPECT_TRUE(associators.status == 0 || associators.status == 1) << associators.err;
    EXPECT_NE(associators.status, 2) << associators.err;
}

// A console's navigation: every path an endpoint's associations name, and
// every association instance, can be fetched with gi.
TEST_F(CliCommand, EveryAssociatedPathOfAnEndpointResolves) {
    const std::string eth1 = pathNamed("OVX_IPProtocolEndpoint", "eth1");
    ASSERT_FALSE(eth1.empty());
    for (const char* verb : {"ain", "rin"}) {
        const Outcome named = run({"--json", verb, eth1});
        ASSERT_TRUE(exitedWith(named, 0));
        const auto paths = nlohmann::json::parse(named.out).at("paths");
        EXPECT_GE(paths.size(), 9U) << named.out;
        for (const auto& path : paths) {
            EXPECT_TRUE(exitedWith(run({"gi", path.get<std::string>()}), 0)) << path;
        }
    }
}

TEST_F(CliCommand, IpEndpointsListedFetchedAndCalled) {
    const Outcome endpoints = run({"--json", "ei", "OVX_IPProtocolEndpoint"});
    ASSERT_TRUE(exitedWith(endpoints, 0));
    const auto instances = nlohmann::json::parse(endpoints.out).at("instances");
    std::string eth0;
    for (const auto& instance : instances) {
        if (instance.at("properties").value("Name", "") == "eth0") {
            EXPECT_EQ(instance.at("properties").at("IPv4Address"), "192.0.2.10");
            eth0 = instance.at("path");
        }
    }
    ASSERT_FALSE(eth0.empty()) << endpoints.out;

    const Outcome shown = run({"gi", eth0, "--properties", "IPv4Address"});
    ASSERT_TRUE(exitedWith(shown, 0));
    EXPECT_NE(shown.out.find("    IPv4Address = \"192.0.2.10\";\n"), std::string::npos)
        << shown.out;
    EXPECT_EQ(shown.out.find("SubnetMask"), std::string::npos) << shown.out;

    const Outcome called = run({"cm", eth0, "RequestStateChange", "RequestedState=3",
                                "TimeoutPeriod=00000000000010.000000:000"});
    ASSERT_TRUE(exitedWith(called, 0));
    EXPECT_EQ(called.out.find("ReturnValue = 0;\nJob = "), 0U) << called.out;
    EXPECT_NE(called.out.find("IPConfigSvcJob:1"), std::string::npos) << called.out;
    const Outcome disabled = run({"gi", eth0, "--properties", "EnabledState"});
    ASSERT_TRUE(exitedWith(disabled, 0));
    EXPECT_NE(disabled.out.find("    EnabledState = 3;\n"), std::string::npos) << disabled.out;

    // The job the method names is there to be followed, completed.
    const Outcome job = run({"gi", R"(OVX_ConcreteJob.InstanceID="IPConfigSvcJob:1")"});
    ASSERT_TRUE(exitedWith(job, 0)) << job.err;
    EXPECT_NE(job.out.find("    JobState = 7;\n"), std::string::npos) << job.out;
    EXPECT_NE(job.out.find("    PercentComplete = 100;\n"), std::string::npos) << job.out;
    // Kept five minutes after completion, by the class's initial value.
    EXPECT_NE(job.out.find("    TimeBeforeRemoval = \"00000000000500.000000:000\";\n"),
              std::string::npos)
        << job.out;

    // Without a timeout, as most consoles send it; a reset leaves the state.
    for (const char* state : {"RequestedState=2", "RequestedState=11"}) {
        EXPECT_TRUE(exitedWith(run({"cm", eth0, "RequestStateChange", state}), 0)) << state;
    }
    const Outcome reset = run({"gi", eth0, "--properties", "EnabledState,RequestedState"});
    EXPECT_NE(reset.out.find("    EnabledState = 2;\n    RequestedState = 2;\n"), std::string::npos)
        << reset.out;
}

TEST_F(CliCommand, IpEndpointChangesReachTheSystemDescriptionOrNothingChanges) {
    const std::string eth0 = pathNamed("OVX_IPProtocolEndpoint", "eth0");
    ASSERT_FALSE(eth0.empty());

    const Outcome modified = run({"mi", eth0, "SubnetMask=255.255.0.0", "AddressOrigin=4"});
    ASSERT_TRUE(exitedWith(modified, 0)) << modified.err;
    const Outcome shown = run({"--json", "gi", eth0});
    ASSERT_TRUE(exitedWith(shown, 0));
    const auto properties = nlohmann::json::parse(shown.out).at("instance").at("properties");
    EXPECT_EQ(properties.at("SubnetMask"), "255.255.0.0");
    EXPECT_EQ(properties.at("AddressOrigin"), 4);

    // A refused value anywhere in the request leaves the description as it was.
    const std::string before = fileText(dataDir_ / "system.json");
    const Outcome refused = run({"mi", eth0, "SubnetMask=255.0.0.0", "IPv4Address=192.0.2.300"});
    ASSERT_TRUE(exitedWith(refused, 1));
    EXPECT_NE(refused.err.find("CIM_ERR_INVALID_PARAMETER (4)"), std::string::npos) << refused.err;
    EXPECT_NE(refused.err.find("IPv4Address"), std::string::npos) << refused.err;
    EXPECT_EQ(fileText(dataDir_ / "system.json"), before);

    // Only what the property list names is written.
    const Outcome listed = run({"mi", eth0, "IPv4Address=192.0.2.99", "SubnetMask=255.255.255.128",
                                "--properties", "SubnetMask"});
    ASSERT_TRUE(exitedWith(listed, 0)) << listed.err;
    const auto after =
        nlohmann::json::parse(run({"--json", "gi", eth0}).out).at("instance").at("properties");
    EXPECT_EQ(after.at("SubnetMask"), "255.255.255.128");
    EXPECT_EQ(after.at("IPv4Address"), "192.0.2.10");
}

TEST_F(CliCommand, SettingsAndGatewaysAreChangedOrLeftAsTheyWere) {
    const std::string statics = R"(OVX_StaticIPAssignmentSettingData.InstanceID="Computer%eth1")";
    const Outcome modified =
        run({"mi", statics, "IPv4Address=198.51.100.21", "ConfigurationName=web01-lab"});
    ASSERT_TRUE(exitedWith(modified, 0)) << modified.err;
    const std::string ifcfg = fileText(dataDir_ / "ifcfg-eth1");
    EXPECT_NE(ifcfg.find("IPV4ADDR=198.51.100.21\n"), std::string::npos) << ifcfg;
    EXPECT_NE(ifcfg.find("CONFIG_NAME=web01-lab\n"), std::string::npos) << ifcfg;

    const std::string eth1v6 = pathNamed("OVX_IPRemoteServiceAccessPoint", "eth1_IPv6");
    ASSERT_FALSE(eth1v6.empty());
    ASSERT_TRUE(exitedWith(run({"mi", eth1v6, "AccessInfo=2001:db8:100::fe"}), 0));
    EXPECT_NE(fileText(dataDir_ / "system.json").find("\"2001:db8:100::fe\""), std::string::npos);

    // A refused request (a forged line break) changes no file.
    const std::string description = fileText(dataDir_ / "system.json");
    const Outcome refused = run({"mi", statics, "ConfigurationName=lab\nGATEWAY=203.0.113.1"});
    ASSERT_TRUE(exitedWith(refused, 1));
    EXPECT_NE(refused.err.find("CIM_ERR_INVALID_PARAMETER (4)"), std::string::npos) << refused.err;
    EXPECT_EQ(fileText(dataDir_ / "system.json"), description);
    EXPECT_EQ(fileText(dataDir_ / "ifcfg-eth1"), ifcfg);
}

// A console's reconfiguration from a process that ends right after the call:
// the description shows exactly the applied change and the restart request.
TEST_F(CliCommand, AConfigurationIsAppliedToAnEndpoint) {
    const std::string service = onlyPath({"ein", "OVX_IPConfigurationService"});
    const std::string eth0 = pathNamed("OVX_IPProtocolEndpoint", "eth0");
    const auto description = [this] {
        return nlohmann::json::parse(fileText(dataDir_ / "system.json"));
    };
    // A new static address without a configuration name: applied, restart requested.
    ASSERT_TRUE(
        exitedWith(run({"mi", R"(OVX_StaticIPAssignmentSettingData.InstanceID="Computer%eth0")",
                        "IPv4Address=192.0.2.20", "ConfigurationName="}),
                   0));
    const nlohmann::json before = description();
    const Outcome applied =
        run({"cm", service, "ApplySettingToIPProtocolEndpoint",
             R"(Configuration=OVX_IPAssignmentSettingData.InstanceID="Computer%eth0%static")",
             "Endpoint=" + eth0});
    ASSERT_TRUE(exitedWith(applied, 0));
    EXPECT_EQ(applied.out.find("ReturnValue = 0;\nJob = "), 0U) << applied.out;
    EXPECT_NE(applied.out.find("IPConfigSvcJob:1"), std::string::npos) << applied.out;
    const nlohmann::json changes = nlohmann::json::diff(before, description());
    ASSERT_EQ(changes.size(), 2U) << changes;
    EXPECT_EQ(changes[0], nlohmann::json({{"op", "replace"},
                                          {"path",
                                           "/nodes/0/children/0/children/0/properties/"
                                           "IPv4Address"},
                                          {"value", "192.0.2.20"}}));
    EXPECT_EQ(changes[1]["path"], "/nodes/0/rebootRequests");
    EXPECT_EQ(changes[1]["value"]["count"], 1);
}

TEST_F(CliCommand, CimErrorsNameTheStatusAndExitWithOne) {
    const Outcome missing = run(
        {"gi",
         R"(OVX_LANEndpoint.CreationClassName="OVX_LANEndpoint",Name="nope",SystemCreationClassName="OVX_ComputerSystem",SystemName="nowhere")"});
    ASSERT_TRUE(exitedWith(missing, 1));
    EXPECT_EQ(missing.err.find("ovx-cim: CIM_ERR_NOT_FOUND (6): "), 0U) << missing.err;
    EXPECT_EQ(missing.out, "");

    const Outcome json = run({"--json", "ein", "OVX_NoSuchClass"});
    ASSERT_TRUE(exitedWith(json, 1));
    EXPECT_EQ(nlohmann::json::parse(json.out).at("error").at("name"), "CIM_ERR_INVALID_CLASS");
}

TEST_F(CliCommand, BadCommandLinesExitWithTwoAndSayWhy) {
    const Outcome missing = run({"gi"});
    ASSERT_TRUE(exitedWith(missing, 2));
    EXPECT_NE(missing.err.find("ovx-cim gi --help"), std::string::npos) << missing.err;

    const Outcome dataDir = run({"--data-dir", (scratch_ / "absent").string(), "ecn"}, false);
    ASSERT_TRUE(exitedWith(dataDir, 2));
    EXPECT_NE(dataDir.err.find("does not exist"), std::string::npos);
}

TEST_F(CliCommand, HelpForTheCommandAndEachVerb) {
    const Outcome general = run({"--help"}, false);
    ASSERT_TRUE(exitedWith(general, 0));
    EXPECT_NE(general.out.find("usage: ovx-cim"), std::string::npos);
    EXPECT_NE(general.out.find("mof/providers.reg"), std::string::npos);
    for (const char* verb :
         {"ecn", "ein", "ei", "gi", "mi", "ci", "di", "ai", "ain", "ri", "rin", "cm"}) {
        const Outcome help = run({verb, "--help"}, false);
        ASSERT_TRUE(exitedWith(help, 0)) << verb;
        EXPECT_EQ(help.out.find(std::string("usage: ovx-cim ") + verb + " "), 0U) << help.out;
    }
}

TEST_F(CliCommand, HostThatCannotStartExitsWithThree) {
    const Outcome outcome = run({"--mof", (scratch_ / "absent.mof").string(), "ecn"});
    ASSERT_TRUE(exitedWith(outcome, 3));
    EXPECT_NE(outcome.err.find("the host could not start"), std::string::npos) << outcome.err;

    const fs::path broken = scratch_ / "broken.mof";
    std::ofstream(broken) << "class Broken {\n  string ;\n};\n";
    const Outcome unreadable = run({"--mof", broken.string(), "ecn"});
    ASSERT_TRUE(exitedWith(unreadable, 3));
    EXPECT_NE(unreadable.err.find("broken.mof:2"), std::string::npos) << unreadable.err;
}

}  // namespace
