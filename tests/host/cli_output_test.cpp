// What ovx-cim prints: MOF literals and instances, JSON documents, method
// results and CIM errors.
#include "output.h"

#include "ovx/host/object_path.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <sstream>
#include <string>

namespace ovx::cli {
namespace {

using host::ObjectPath;
using host::Value;

host::Instance sampleEndpoint() {
    ObjectPath path("root/cimv2", "OVX_IPProtocolEndpoint");
    path.setKey("Name", Value::string("eth0"));
    path.setKey("SystemName", Value::string("web01"));
    host::Instance instance(path);
    instance.setProperty("Name", Value::string("eth0"));
    instance.setProperty("IPv4Address", Value::string("192.0.2.10"));
    instance.setProperty("EnabledState", Value::uint16(2));
    instance.setProperty("DNSServers", Value::array(CMPI_string, {Value::string("192.0.2.53"),
                                                                  Value::string("192.0.2.54")}));
    instance.setProperty("Description", Value::null(CMPI_string));
    return instance;
}

TEST(CliMofLiterals, EveryTypeOnOneLine) {
    EXPECT_EQ(mofLiteral(Value::string("a\"b\\c\nd\te\x01")), R"("a\"b\\c\nd\te\x01")");
    EXPECT_EQ(mofLiteral(Value::boolean(true)), "TRUE");
    EXPECT_EQ(mofLiteral(Value::sint8(-5)), "-5");
    EXPECT_EQ(mofLiteral(Value::uint64(18446744073709551615ULL)), "18446744073709551615");
    EXPECT_EQ(mofLiteral(Value::real64(2.5)), "2.5");
    EXPECT_EQ(mofLiteral(Value::real32(0.1F)), "0.1");
    EXPECT_EQ(mofLiteral(Value::char16('x')), "'x'");
    EXPECT_EQ(mofLiteral(Value::char16(0xE9)), "'\\x00E9'");
    EXPECT_EQ(mofLiteral(Value::null(CMPI_uint16)), "NULL");
    EXPECT_EQ(mofLiteral(Value::array(CMPI_uint16, {Value::uint16(1), Value::null(CMPI_uint16)})),
              "{1, NULL}");
    EXPECT_EQ(mofLiteral(Value::dateTime(host::CimDateTime::parse("00000000000010.000000:000"))),
              "\"00000000000010.000000:000\"");
    ObjectPath job("root/cimv2", "OVX_ConcreteJob");
    job.setKey("InstanceID", Value::string("j1"));
    EXPECT_EQ(mofLiteral(Value::reference(job)),
              R"("root/cimv2:OVX_ConcreteJob.InstanceID=\"j1\"")");
}

TEST(CliMofInstances, PathCommentThenOnePropertyPerLine) {
    EXPECT_EQ(instanceAsMof(sampleEndpoint()),
              "// root/cimv2:OVX_IPProtocolEndpoint.Name=\"eth0\",SystemName=\"web01\"\n"
              "instance of OVX_IPProtocolEndpoint {\n"
              "    Name = \"eth0\";\n"
              "    IPv4Address = \"192.0.2.10\";\n"
              "    EnabledState = 2;\n"
              "    DNSServers = {\"192.0.2.53\", \"192.0.2.54\"};\n"
              "    Description = NULL;\n"
              "};\n");
}

TEST(CliTextResults, ListsInstancesPathsAndMethodResults) {
    std::ostringstream out;
    ResultWriter writer(out, OutputFormat::Text);
    writer.instances({sampleEndpoint(), sampleEndpoint()});
    const std::string twice = out.str();
    EXPECT_EQ(twice, instanceAsMof(sampleEndpoint()) + "\n" + instanceAsMof(sampleEndpoint()));

    out.str("");
    writer.paths({sampleEndpoint().path(), ObjectPath("root/cimv2", "X")});
    EXPECT_EQ(out.str(),
              "root/cimv2:OVX_IPProtocolEndpoint.Name=\"eth0\",SystemName=\"web01\"\n"
              "root/cimv2:X\n");

    out.str("");
    host::MethodReply reply;
    reply.returnValue = Value::uint32(4096);
    ObjectPath job("root/cimv2", "OVX_ConcreteJob");
    job.setKey("InstanceID", Value::string("j1"));
    reply.out.set("Job", Value::reference(job));
    writer.methodResult("RequestStateChange", reply);
    EXPECT_EQ(out.str(),
              "ReturnValue = 4096;\nJob = \"root/cimv2:OVX_ConcreteJob.InstanceID=\\\"j1\\\"\";\n");

    out.str("");
    writer.error(CMPI_RC_ERR_NOT_FOUND, "gone");
    EXPECT_EQ(out.str(), "") << "text mode reports errors on the error stream only";
}

TEST(CliJsonResults, InstancesKeepPropertyOrderAndNativeTypes) {
    std::ostringstream out;
    ResultWriter writer(out, OutputFormat::Json);
    writer.instances({sampleEndpoint()});
    const auto document = nlohmann::ordered_json::parse(out.str());
    const auto& instance = document.at("instances").at(0);
    EXPECT_EQ(instance.at("path"),
              "root/cimv2:OVX_IPProtocolEndpoint.Name=\"eth0\",SystemName=\"web01\"");
    EXPECT_EQ(instance.at("className"), "OVX_IPProtocolEndpoint");
    const auto& properties = instance.at("properties");
    EXPECT_EQ(properties.begin().key(), "Name");
    EXPECT_EQ(properties.at("EnabledState"), 2);
    EXPECT_TRUE(properties.at("EnabledState").is_number_unsigned());
    EXPECT_EQ(properties.at("DNSServers"),
              nlohmann::ordered_json::parse(R"(["192.0.2.53","192.0.2.54"])"));
    EXPECT_TRUE(properties.at("Description").is_null());
}

TEST(CliJsonResults, ValuesOfEveryKind) {
    EXPECT_EQ(valueAsJson(Value::sint32(-3)), -3);
    EXPECT_EQ(valueAsJson(Value::boolean(false)), false);
    EXPECT_EQ(valueAsJson(Value::real64(0.5)), 0.5);
    EXPECT_TRUE(valueAsJson(Value::real64(std::numeric_limits<double>::infinity())).is_null());
    EXPECT_EQ(valueAsJson(Value::char16(0xE9)), "\xC3\xA9");
    EXPECT_EQ(valueAsJson(Value::uint64(18446744073709551615ULL)).get<std::uint64_t>(),
              18446744073709551615ULL);
    host::Instance embedded(ObjectPath("", "OVX_Thing"));
    embedded.setProperty("A", Value::uint8(1));
    const auto nested = valueAsJson(Value::instance(embedded));
    EXPECT_EQ(nested.at("className"), "OVX_Thing");
    EXPECT_EQ(nested.at("properties").at("A"), 1);
}

TEST(CliJsonResults, DocumentShapesPerVerb) {
    const auto documentOf = [](const std::function<void(ResultWriter&)>& write) {
        std::ostringstream out;
        ResultWriter writer(out, OutputFormat::Json);
        write(writer);
        return nlohmann::json::parse(out.str());
    };
    const ObjectPath path = sampleEndpoint().path();
    const std::string text = path.toString();
    EXPECT_EQ(documentOf([&](ResultWriter& w) {
                  w.classNames({"A", "B"});
              }),
              nlohmann::json::parse(R"({"classes":["A","B"]})"));
    EXPECT_EQ(documentOf([&](ResultWriter& w) { w.paths({path}); }).at("paths").at(0), text);
    EXPECT_EQ(documentOf([&](ResultWriter& w) { w.instance(sampleEndpoint()); })
                  .at("instance")
                  .at("path"),
              text);
    EXPECT_EQ(documentOf([&](ResultWriter& w) { w.created(path); }).at("path"), text);
    EXPECT_EQ(documentOf([&](ResultWriter& w) { w.modified(path); }).at("modified"), text);
    EXPECT_EQ(documentOf([&](ResultWriter& w) { w.deleted(path); }).at("deleted"), text);
    host::MethodReply reply;
    reply.returnValue = Value::uint32(0);
    reply.out.set("Job", Value::null(CMPI_ref));
    EXPECT_EQ(documentOf([&](ResultWriter& w) { w.methodResult("RequestStateChange", reply); }),
              nlohmann::json::parse(
                  R"({"method":"RequestStateChange","returnValue":0,"out":{"Job":null}})"));
    EXPECT_EQ(documentOf([&](ResultWriter& w) { w.error(CMPI_RC_ERR_NOT_FOUND, "gone"); }),
              nlohmann::json::parse(
                  R"({"error":{"name":"CIM_ERR_NOT_FOUND","code":6,"message":"gone"}})"));
}

TEST(CliJsonResults, InvalidUtf8FromAProviderDoesNotFailTheOutput) {
    std::ostringstream out;
    ResultWriter writer(out, OutputFormat::Json);
    EXPECT_NO_THROW(writer.classNames({"bad\xFFname"}));
    EXPECT_TRUE(nlohmann::json::accept(out.str())) << out.str();
}

}  // namespace
}  // namespace ovx::cli
