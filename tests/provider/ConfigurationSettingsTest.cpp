#include "ConfigurationSettings.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cmpimacs.h"
#include "ovx/host/broker.h"
#include "ovx/host/callback_router.h"
#include "ovx/host/context.h"
#include "ovx/host/conversions.h"
#include "ovx/host/instance.h"
#include "ovx/host/object_path.h"
#include "ovx/host/operation_scope.h"

namespace {

namespace host = ovx::host;
using Quill::IPInterfaceProvider::findConfigurationSetting;
using Quill::IPInterfaceProvider::getDHCPConfigurationDetails;
using Quill::IPInterfaceProvider::getDNSConfigurationDetails;
using Quill::IPInterfaceProvider::getStaticConfigurationDetails;
using Quill::IPInterfaceProvider::IPConfigData;

constexpr const char* kNamespace = "root/cimv2";

// A setting instance; an id of nullopt leaves "InstanceID" out.
host::Instance setting(const char* className, std::optional<std::string> id,
                       const std::string& elementName = "") {
    host::ObjectPath path(kNamespace, className);
    if (id) {
        path.setKey("InstanceID", host::Value::string(*id));
    }
    host::Instance instance(path);
    if (id) {
        instance.setProperty("InstanceID", host::Value::string(*id));
    }
    instance.setProperty("ElementName", host::Value::string(elementName));
    return instance;
}

host::ObjectPath endpoint(const std::string& name) {
    host::ObjectPath path(kNamespace, "OVX_IPProtocolEndpoint");
    path.setKey("Name", host::Value::string(name));
    return path;
}

host::Value strings(const std::vector<std::string>& texts) {
    std::vector<host::Value> elements;
    for (const std::string& text : texts) {
        elements.push_back(host::Value::string(text));
    }
    return host::Value::array(CMPI_string, std::move(elements));
}

class Gathering : public ::testing::Test {
  protected:
    std::string chosenElementName(const char* className, const std::string& requested) {
        const auto chosen =
            findConfigurationSetting(broker_.cmpi(), context_, kNamespace, className, requested);
        if (!chosen) {
            return "(none)";
        }
        return host::fromCmpi(chosen.get()).findProperty("ElementName")->asString();
    }
    CMPIInstance* cmpi(const host::Instance& instance) { return host::toCmpi(instance); }

    // The DNS client endpoints the dependency yields for any endpoint.
    void dnsEndpoints(std::size_t count) {
        router_->onAssociators(
            "OVX_IPProtocolEndpoint",
            [this, count](const host::Context&, const host::ObjectPath&,
                          const host::AssociatorFilter& filter, const host::PropertyList&) {
                lastFilter_ = filter;
                std::vector<host::Instance> found(count,
                                                  setting("OVX_DNSProtocolEndpoint", "DNS:eth0"));
                return host::Reply<std::vector<host::Instance>>::success(found);
            });
    }
    CMPIStatus gatherDns(const host::Instance& dnsSetting, IPConfigData& record) {
        return getDNSConfigurationDetails(broker_.cmpi(), context_, cmpi(dnsSetting),
                                          host::toCmpi(endpoint("eth0")), &record);
    }

    std::shared_ptr<host::CallbackRouter> router_ = std::make_shared<host::CallbackRouter>();
    host::Broker broker_{nullptr, router_};
    host::OperationScope scope_{broker_};
    CMPIContext* const context_ =
        host::toCmpi(host::Context::forOperation(kNamespace, 0, "tester"));
    std::optional<host::AssociatorFilter> lastFilter_;
};

TEST_F(Gathering, EnumeratedSettingsAreChosenByInstanceId) {
    router_->onEnumerateInstances(
        "OVX_DNSSettingData", [](const host::Context&, const host::ObjectPath& path,
                                 const host::PropertyList& properties) {
            EXPECT_EQ(path.nameSpace(), kNamespace);
            EXPECT_FALSE(properties.has_value());
            return host::Reply<std::vector<host::Instance>>::success(
                {setting("OVX_DNSSettingData", std::nullopt, "no id"),
                 setting("OVX_DNSSettingData", "Computer%eth1%", "eth1"),
                 setting("OVX_DNSSettingData", "Computer%eth10%", "eth10"),
                 setting("OVX_DNSSettingData", "Computer%eth10%", "eth10 again")});
        });
    EXPECT_EQ(chosenElementName("OVX_DNSSettingData", "Computer%eth10%static"), "eth10");
    EXPECT_EQ(chosenElementName("OVX_DNSSettingData", "Computer%eth1%dhcp"), "eth1");
    EXPECT_EQ(chosenElementName("OVX_DNSSettingData", "BMC%bmc0%static"), "(none)");
}

TEST_F(Gathering, TheFirstGeneralDnsSettingWithAnIdIsTakenWhateverItsId) {
    router_->onEnumerateInstances(
        "OVX_DNSGeneralSettingData",
        [](const host::Context&, const host::ObjectPath&, const host::PropertyList&) {
            return host::Reply<std::vector<host::Instance>>::success(
                {setting("OVX_DNSGeneralSettingData", std::nullopt, "no id"),
                 setting("OVX_DNSGeneralSettingData", "BMC", "BMC"),
                 setting("OVX_DNSGeneralSettingData", "Computer", "Computer")});
        });
    EXPECT_EQ(chosenElementName("OVX_DNSGeneralSettingData", "Computer%eth0%static"), "BMC");
}

TEST_F(Gathering, AnEnumerationTheBrokerRefusesGivesNoSetting) {
    router_->onEnumerateInstances(
        "OVX_DHCPSettingData",
        [](const host::Context&, const host::ObjectPath&, const host::PropertyList&) {
            return host::Reply<std::vector<host::Instance>>::failure(CMPI_RC_ERR_FAILED, "down");
        });
    EXPECT_EQ(chosenElementName("OVX_DHCPSettingData", "Computer%eth0%dhcp"), "(none)");
    // Nobody serves the class at all.
    EXPECT_EQ(chosenElementName("OVX_DNSSettingData", "Computer%eth0%dhcp"), "(none)");
}

TEST_F(Gathering, StaticDetailsCopyEveryAddressAndMarkTheRecordStatic) {
    host::Instance full = setting("OVX_StaticIPAssignmentSettingData", "Computer%eth1");
    full.setProperty("IPv4Address", host::Value::string("198.51.100.20"));
    full.setProperty("SubnetMask", host::Value::string("255.255.255.0"));
    full.setProperty("GatewayIPv4Address", host::Value::string("198.51.100.1"));
    full.setProperty("IPv6Address", host::Value::string("2001:db8::20"));
    full.setProperty("GatewayIPv6Address", host::Value::string("2001:db8::1"));
    full.setProperty("IPv6SubnetPrefixLength", host::Value::uint16(64));
    full.setProperty("ConfigurationName", host::Value::string("web01-default"));
    IPConfigData record;
    EXPECT_EQ(getStaticConfigurationDetails(broker_.cmpi(), context_, cmpi(full), &record).rc,
              CMPI_RC_OK);
    EXPECT_EQ(record.addr_origin, 3);
    EXPECT_EQ(record.ipAddress, "198.51.100.20");
    EXPECT_EQ(record.subnet_mask, "255.255.255.0");
    EXPECT_EQ(record.ipGateway, "198.51.100.1");
    EXPECT_EQ(record.ipv6Address, "2001:db8::20");
    EXPECT_EQ(record.ipv6Gateway, "2001:db8::1");
    EXPECT_EQ(record.ipv6_prefix, 64);
    EXPECT_FALSE(record.configNameEmpty);

    // What a setting lacks is left empty; a missing name is noted.
    IPConfigData sparse;
    sparse.ipAddress = "stale";
    EXPECT_EQ(getStaticConfigurationDetails(
                  broker_.cmpi(), context_,
                  cmpi(setting("OVX_StaticIPAssignmentSettingData", "Computer%eth0")), &sparse)
                  .rc,
              CMPI_RC_OK);
    EXPECT_EQ(sparse.ipAddress, "");
    EXPECT_EQ(sparse.ipv6_prefix, 0);
    EXPECT_TRUE(sparse.configNameEmpty);
}

TEST_F(Gathering, AnEmptyNullOrAbsentConfigurationNameIsNoted) {
    const struct {
        const char* what;
        std::optional<host::Value> name;
        bool empty;
    } cases[] = {
        {"named", host::Value::string("web01-default"), false},
        {"empty", host::Value::string(""), true},
        {"null", host::Value::null(CMPI_string), true},
        {"absent", std::nullopt, true},
    };
    for (const auto& named : cases) {
        SCOPED_TRACE(named.what);
        host::Instance dhcp = setting("OVX_DHCPSettingData", "Computer%eth0%dhcp");
        if (named.name) {
            dhcp.setProperty("ConfigurationName", *named.name);
        }
        IPConfigData record;
        EXPECT_EQ(getDHCPConfigurationDetails(broker_.cmpi(), context_, cmpi(dhcp), &record).rc,
                  CMPI_RC_OK);
        EXPECT_EQ(record.configNameEmpty, named.empty);
        EXPECT_EQ(record.addr_origin, 0);
    }
}

TEST_F(Gathering, ANullRecordIsAnError) {
    const host::Instance any = setting("OVX_DHCPSettingData", "Computer%eth0%dhcp");
    EXPECT_EQ(getDHCPConfigurationDetails(broker_.cmpi(), context_, cmpi(any), nullptr).rc,
              CMPI_RC_ERROR);
    EXPECT_EQ(getStaticConfigurationDetails(broker_.cmpi(), context_, cmpi(any), nullptr).rc,
              CMPI_RC_ERROR);
}

TEST_F(Gathering, DnsSettingsGiveNamesAndServersInOrder) {
    dnsEndpoints(1);
    host::Instance dns = setting("OVX_DNSSettingData", "Computer%eth0%");
    dns.setProperty("RequestedHostname", host::Value::string("web02"));
    dns.setProperty("DomainName", host::Value::string("example.org"));
    dns.setProperty("ConfigurationName", host::Value::string("web01-default"));
    dns.setProperty(
        "DNSServerAddresses",
        host::Value::array(
            CMPI_string, {host::Value::string("192.0.2.54"), host::Value::null(CMPI_string),
                          host::Value::string("2001:db8::53"), host::Value::string("192.0.2.53")}));
    IPConfigData record;
    record.dnsServers = {"kept"};
    EXPECT_EQ(gatherDns(dns, record).rc, CMPI_RC_OK);
    EXPECT_EQ(record.dnsHostName, "web02");
    EXPECT_EQ(record.dnsDomainName, "example.org");
    EXPECT_EQ(record.dnsServers,
              (std::vector<std::string>{"kept", "192.0.2.54", "2001:db8::53", "192.0.2.53"}));
    EXPECT_FALSE(record.configNameEmpty);
    ASSERT_TRUE(lastFilter_);
    EXPECT_EQ(lastFilter_->assocClass, "OVX_DNSSAPSAPDependency");
    EXPECT_EQ(lastFilter_->resultClass, "OVX_DNSProtocolEndpoint");
    EXPECT_FALSE(lastFilter_->role);
    EXPECT_FALSE(lastFilter_->resultRole);

    // No server list, or a null one, leaves the list as it was.
    for (const std::optional<host::Value>& servers :
         {std::optional<host::Value>(),
          std::optional<host::Value>(host::Value::null(CMPI_stringA))}) {
        host::Instance bare = setting("OVX_DNSSettingData", "Computer%eth0%");
        if (servers) {
            bare.setProperty("DNSServerAddresses", *servers);
        }
        IPConfigData empty;
        EXPECT_EQ(gatherDns(bare, empty).rc, CMPI_RC_OK);
        EXPECT_TRUE(empty.dnsServers.empty());
        EXPECT_TRUE(empty.dnsHostName.empty());
        EXPECT_TRUE(empty.configNameEmpty);
    }
}

TEST_F(Gathering, WithoutADnsClientEndpointNothingIsRead) {
    dnsEndpoints(0);
    host::Instance dns = setting("OVX_DNSSettingData", "Computer%eth0%");
    dns.setProperty("RequestedHostname", host::Value::string("web02"));
    dns.setProperty("DNSServerAddresses", strings({"192.0.2.54"}));
    IPConfigData record;
    EXPECT_EQ(gatherDns(dns, record).rc, CMPI_RC_OK);
    EXPECT_EQ(record.dnsHostName, "");
    EXPECT_TRUE(record.dnsServers.empty());
}

TEST_F(Gathering, ARefusedAssociatorsRequestIsPassedOn) {
    router_->onAssociators("OVX_IPProtocolEndpoint",
                           [](const host::Context&, const host::ObjectPath&,
                              const host::AssociatorFilter&, const host::PropertyList&) {
                               return host::Reply<std::vector<host::Instance>>::failure(
                                   CMPI_RC_ERR_INVALID_CLASS, "no such association");
                           });
    host::Instance dns = setting("OVX_DNSSettingData", "Computer%eth0%");
    dns.setProperty("RequestedHostname", host::Value::string("web02"));
    IPConfigData record;
    EXPECT_EQ(gatherDns(dns, record).rc, CMPI_RC_ERR_INVALID_CLASS);
    EXPECT_EQ(record.dnsHostName, "");
}

}  // namespace
