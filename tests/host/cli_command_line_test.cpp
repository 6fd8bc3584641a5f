// The command line: verbs, options anywhere, verb-specific options, operand
// counts and help.
#include "app.h"
#include "command_line.h"
#include "usage_error.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace ovx::cli {
namespace {

HostSettings defaults() {
    HostSettings settings;
    settings.mofFile = "/src/mof/host.mof";
    settings.registrationFile = "/src/mof/providers.reg";
    settings.providerPath = {"/build/provider", "/build/host/peers"};
    return settings;
}

CommandLine parsed(const std::vector<std::string>& arguments) {
    return parseCommandLine(arguments, defaults());
}

std::string usageMessage(const std::vector<std::string>& arguments) {
    try {
        parsed(arguments);
    } catch (const UsageError& error) {
        return error.what();
    }
    return "no usage error";
}

TEST(CliCommandLine, VerbOperandsAndDefaults) {
    const CommandLine command = parsed({"gi", "OVX_LANEndpoint.Name=\"eth0\""});
    ASSERT_NE(command.verb, nullptr);
    EXPECT_EQ(command.verb->name, "gi");
    EXPECT_EQ(command.operands, std::vector<std::string>{"OVX_LANEndpoint.Name=\"eth0\""});
    EXPECT_EQ(command.nameSpace, "root/cimv2");
    EXPECT_EQ(command.format, OutputFormat::Text);
    EXPECT_FALSE(command.properties.has_value());
    EXPECT_EQ(command.host.mofFile, "/src/mof/host.mof");
    EXPECT_EQ(command.host.providerPath.size(), 2U);
    EXPECT_FALSE(command.host.dataDir.has_value());
}

TEST(CliCommandLine, GlobalOptionsStandAnywhereInBothForms) {
    const CommandLine command =
        parsed({"--json", "ei", "-n", "root/test", "OVX_LANEndpoint", "--data-dir=/tmp/x", "--mof",
                "/m.mof", "--registration=/r.reg", "--properties", "Name, MACAddress"});
    EXPECT_EQ(command.format, OutputFormat::Json);
    EXPECT_EQ(command.nameSpace, "root/test");
    EXPECT_EQ(command.host.dataDir, "/tmp/x");
    EXPECT_EQ(command.host.mofFile, "/m.mof");
    EXPECT_EQ(command.host.registrationFile, "/r.reg");
    ASSERT_TRUE(command.properties.has_value());
    EXPECT_EQ(*command.properties, (std::vector<std::string>{"Name", "MACAddress"}));
    EXPECT_EQ(command.operands, std::vector<std::string>{"OVX_LANEndpoint"});
}

TEST(CliCommandLine, ProviderPathReplacesTheDefaultThenAccumulates) {
    const CommandLine command = parsed({"--providers", "/a:/b", "--providers=/c", "ecn"});
    EXPECT_EQ(command.host.providerPath, (std::vector<std::string>{"/a", "/b", "/c"}));
    EXPECT_EQ(splitSearchPath("::/x::/y:"), (std::vector<std::string>{"/x", "/y"}));
}

TEST(CliCommandLine, AssociationFiltersInLongAndShortForms) {
    const CommandLine command = parsed({"ai", "X.K=1", "--assoc-class", "A", "-rc", "R",
                                        "--role=Dependent", "-rr", "Antecedent", "-pl", ""});
    EXPECT_EQ(command.filter.assocClass, "A");
    EXPECT_EQ(command.filter.resultClass, "R");
    EXPECT_EQ(command.filter.role, "Dependent");
    EXPECT_EQ(command.filter.resultRole, "Antecedent");
    ASSERT_TRUE(command.properties.has_value());
    EXPECT_TRUE(command.properties->empty());

    const CommandLine references = parsed({"rin", "X.K=1", "--result-class", "A", "-r", "B"});
    EXPECT_EQ(references.filter.resultClass, "A");
    EXPECT_EQ(references.filter.role, "B");
}

TEST(CliCommandLine, DoubleDashEndsOptions) {
    const CommandLine command = parsed({"cm", "--", "X.K=1", "-Method"});
    EXPECT_EQ(command.operands, (std::vector<std::string>{"X.K=1", "-Method"}));
}

TEST(CliCommandLine, MistakesAreUsageErrors) {
    const std::pair<std::vector<std::string>, std::string> mistakes[] = {
        {{"frobnicate", "X"}, "unknown verb \"frobnicate\""},
        {{}, "no verb"},
        {{"gi"}, "gi needs PATH"},
        {{"gi", "X.K=1", "Y.K=2"}, "not \"Y.K=2\""},
        {{"mi", "X.K=1"}, "mi needs PATH Name=value"},
        {{"ei", "X", "--color"}, "unknown option --color"},
        {{"ei", "X", "--namespace"}, "needs a value"},
        {{"ei", "X", "--namespace="}, "needs a value"},
        {{"ei", "X", "--json=yes"}, "takes no value"},
        {{"gi", "X.K=1", "--role", "R"}, "--role does not apply to gi"},
        {{"rin", "X.K=1", "-rr", "R"}, "--result-role does not apply"},
        {{"ein", "X", "-pl", "A"}, "--properties does not apply"},
        {{"ei", "X", "--properties", "A,,B"}, "not a property name"},
    };
    for (const auto& [arguments, expected] : mistakes) {
        EXPECT_NE(usageMessage(arguments).find(expected), std::string::npos) << expected;
    }
}

TEST(CliCommandLine, HelpNeedsNoOperands) {
    const CommandLine general = parsed({"--help"});
    EXPECT_TRUE(general.help);
    EXPECT_EQ(general.verb, nullptr);
    const CommandLine verb = parsed({"gi", "-h"});
    EXPECT_TRUE(verb.help);
    ASSERT_NE(verb.verb, nullptr);
    EXPECT_EQ(verb.verb->name, "gi");
}

TEST(CliHelp, CommandHelpListsEveryVerbAndTheDefaults) {
    const std::string help = commandHelp(defaults());
    for (const VerbInfo& verb : knownVerbs()) {
        EXPECT_NE(help.find("  " + std::string(verb.name) + " "), std::string::npos) << verb.name;
        EXPECT_NE(help.find(std::string(verb.title)), std::string::npos) << verb.title;
    }
    EXPECT_NE(help.find("/src/mof/providers.reg"), std::string::npos);
    EXPECT_NE(help.find("/build/provider:/build/host/peers"), std::string::npos);
    EXPECT_NE(help.find("--data-dir"), std::string::npos);
}

TEST(CliHelp, VerbHelpShowsOnlyTheOptionsTheVerbTakes) {
    const std::string associators = verbHelp(*findVerb("ai"));
    EXPECT_NE(associators.find("usage: ovx-cim ai [OPTIONS] PATH"), std::string::npos);
    EXPECT_NE(associators.find("--assoc-class"), std::string::npos);
    EXPECT_NE(associators.find("--result-role"), std::string::npos);
    const std::string get = verbHelp(*findVerb("gi"));
    EXPECT_NE(get.find("--properties"), std::string::npos);
    EXPECT_EQ(get.find("--assoc-class"), std::string::npos);
    EXPECT_NE(usageHint(findVerb("cm")).find("ovx-cim cm --help"), std::string::npos);
    EXPECT_NE(usageHint(nullptr).find("ovx-cim --help"), std::string::npos);
}

// The host is pointed at a MOF that does not exist, so that only the command
// line is judged.
HostSettings absentHost() {
    HostSettings settings;
    settings.mofFile = "/nonexistent/ovx-cim-test/host.mof";
    settings.registrationFile = "/nonexistent/ovx-cim-test/providers.reg";
    return settings;
}

// Whatever the command line holds, the command answers with a status and a
// message; nothing escapes as an exception.
TEST(CliRobustness, MalformedCommandLinesAreRejectedNotThrown) {
    const HostSettings settings = absentHost();
    const std::vector<std::vector<std::string>> malformed{
        {"gi", "X.K=\"unterminated"},
        {"gi", "X.K=\"a\\q\""},
        {"gi", "X.K=\"a\",K=\"b\""},
        {"gi", ".K=1"},
        {"gi", "ns:"},
        {"gi", "//host"},
        {"gi", "X.=1"},
        {"gi", "X.K=1,"},
        {"ei", "\xFF\xFE"},
        {"cm", "X.K=\"a\"b"},
        {"ai", "X.K=\"" + std::string(999, '\\') + "\""},
        {"ai", std::string(5000, '"')},
        {"--properties", ",", "ei", "X"},
        {"mi"},
        {"--providers"},
        {"-"},
    };
    for (const auto& arguments : malformed) {
        std::ostringstream out;
        std::ostringstream err;
        int status = -1;
        EXPECT_NO_THROW(status = runCommand(arguments, settings, out, err));
        EXPECT_EQ(status, kExitUsage) << arguments.front() << " " << arguments.back() << "\n"
                                      << err.str();
        EXPECT_NE(err.str().find("usage: ovx-cim"), std::string::npos) << err.str();
        EXPECT_EQ(out.str(), "");
    }
}

TEST(CliRobustness, WellFormedCommandsReachTheHost) {
    std::ostringstream out;
    std::ostringstream err;
    EXPECT_EQ(runCommand({"ein", "OVX_LANEndpoint"}, absentHost(), out, err), kExitHostStart);
    EXPECT_NE(err.str().find("the host could not start"), std::string::npos) << err.str();
}

}  // namespace
}  // namespace ovx::cli
