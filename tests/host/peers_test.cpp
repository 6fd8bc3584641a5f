// The sample peer provider, loaded the way a CIMOM loads it: dlopen, the
// factories, and the function tables driven through the host's broker, on a
// scratch copy of the sample system.
#include "PlatformTestSupport.h"
#include "SettingsSection.h"

#include "ovx/host/broker.h"
#include "ovx/host/callback_router.h"
#include "ovx/host/context.h"
#include "ovx/host/conversions.h"
#include "ovx/host/instance.h"
#include "ovx/host/object_path.h"
#include "ovx/host/operation_scope.h"
#include "ovx/host/result_data.h"
#include "ovx/host/value.h"

#include <cmpidt.h>
#include <cmpift.h>
#include <cmpimacs.h>
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <filesystem>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <tuple>
#include <vector>

namespace {

namespace host = ovx::host;
namespace fs = std::filesystem;
using Json = nlohmann::json;

constexpr const char* kNamespace = "root/cimv2";

std::string hostName() {
    std::array<char, 256> buffer{};
    return ::gethostname(buffer.data(), buffer.size() - 1) == 0 ? std::string(buffer.data())
                                                                : std::string();
}

using ovx::test::readFile;
using ovx::test::writeFile;

// The settings section of a description file.
Json settingsIn(const fs::path& description) {
    return Json::parse(readFile(description)).at("sections").at("networkSettings");
}

const fs::path kSampleDescription = fs::path(OVX_EXAMPLES_DIR) / "system.json";

// The provider library, loaded once for the whole program. RTLD_NODELETE
// keeps it mapped after dlclose, as under a CIMOM that never unloads it, so
// that the logger's process-lifetime state is still reachable at exit.
void* providerSymbol(const char* name) {
    static const std::unique_ptr<void, int (*)(void*)> library(
        ::dlopen(OVX_PEER_PROVIDER_LIBRARY, RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE), &::dlclose);
    return library != nullptr ? ::dlsym(library.get(), name) : nullptr;
}

using InstanceFactory = CMPIInstanceMI* (*)(const CMPIBroker*, const CMPIContext*, CMPIStatus*);
using AssociationFactory = CMPIAssociationMI* (*)(const CMPIBroker*, const CMPIContext*,
                                                  CMPIStatus*);

InstanceFactory instanceFactory() {
    return reinterpret_cast<InstanceFactory>(providerSymbol("OVXPeerProvider_Create_InstanceMI"));
}

AssociationFactory associationFactory() {
    return reinterpret_cast<AssociationFactory>(
        providerSymbol("OVXPeerProvider_Create_AssociationMI"));
}

// What one call of a table slot gave back.
struct Call {
    CMPIrc rc = CMPI_RC_OK;
    std::string message;
    host::ResultData data;
};

const host::Value* property(const host::Instance& instance, const char* name) {
    return instance.findProperty(name);
}

std::string text(const host::Instance& instance, const char* name) {
    const host::Value* value = property(instance, name);
    return value != nullptr && !value->isNull() ? value->asString() : std::string("<none>");
}

std::vector<std::string> texts(const host::Instance& instance, const char* name) {
    std::vector<std::string> items;
    const host::Value* value = property(instance, name);
    if (value != nullptr && !value->isNull()) {
        for (const auto& element : value->elements()) {
            items.push_back(element.asString());
        }
    }
    return items;
}

std::string keyText(const host::ObjectPath& path, const char* name) {
    const host::Value* value = path.findKey(name);
    return value != nullptr && !value->isNull() ? value->asString() : std::string("<none>");
}

host::ObjectPath instancePath(const std::string& className,
                              const std::vector<std::pair<std::string, std::string>>& keys) {
    host::ObjectPath path(kNamespace, className);
    for (const auto& [name, value] : keys) {
        path.setKey(name, host::Value::string(value));
    }
    return path;
}

// This machine or, for the management controller, the service processor.
host::ObjectPath systemPath(bool managementController) {
    const char* className = managementController ? "OVX_SPComputerSystem" : "OVX_ComputerSystem";
    return instancePath(className, {{"CreationClassName", className},
                                    {"Name", managementController ? "BMC:-1" : hostName()}});
}

// An endpoint of the system above.
host::ObjectPath endpointPath(const std::string& className, const std::string& name,
                              bool managementController) {
    const host::ObjectPath system = systemPath(managementController);
    return instancePath(className, {{"SystemCreationClassName", system.className()},
                                    {"SystemName", keyText(system, "Name")},
                                    {"CreationClassName", className},
                                    {"Name", name}});
}

host::ObjectPath ipEndpointPath(const std::string& name, bool managementController = false) {
    return endpointPath("OVX_IPProtocolEndpoint", name, managementController);
}

host::ObjectPath dnsEndpointPath(const std::string& interfaceName,
                                 bool managementController = false) {
    return endpointPath("OVX_DNSProtocolEndpoint", "DNS:" + interfaceName, managementController);
}

host::ObjectPath settingPath(const std::string& className, const std::string& instanceId) {
    return instancePath(className, {{"InstanceID", instanceId}});
}

const host::Instance* findByKey(const std::vector<host::Instance>& instances, const char* key,
                                const std::string& value) {
    const auto found = std::find_if(
        instances.begin(), instances.end(),
        [&](const host::Instance& instance) { return keyText(instance.path(), key) == value; });
    return found == instances.end() ? nullptr : &*found;
}

class PeerProviderTest : public ::testing::Test {
  protected:
    void SetUp() override {
        // Checked here, not once per suite: a failed suite set-up would not stop SetUp.
        ASSERT_NE(instanceFactory(), nullptr) << ::dlerror();
        ASSERT_NE(associationFactory(), nullptr) << ::dlerror();
        for (const auto& entry : fs::directory_iterator(OVX_EXAMPLES_DIR)) {
            fs::copy_file(entry.path(), scratch_.path() / entry.path().filename());
        }
        description_ = scratch_.path() / "system.json";
        ::setenv("OVX_SYSTEM_DESCRIPTION", description_.c_str(), 1);
        ::setenv("OVX_DATA_DIR", (scratch_.path().string() + "/").c_str(), 1);
        router_ = std::make_shared<host::CallbackRouter>();
        broker_ = std::make_unique<host::Broker>(nullptr, router_);
        CMPIStatus status{CMPI_RC_ERR_FAILED, nullptr};
        instanceMI_ = instanceFactory()(broker_->cmpi(), nullptr, &status);
        ASSERT_EQ(status.rc, CMPI_RC_OK);
        associationMI_ = associationFactory()(broker_->cmpi(), nullptr, &status);
        ASSERT_EQ(status.rc, CMPI_RC_OK);
        ASSERT_NE(instanceMI_, nullptr);
        ASSERT_NE(associationMI_, nullptr);
    }

    void TearDown() override {
        ::unsetenv("OVX_SYSTEM_DESCRIPTION");
        ::unsetenv("OVX_DATA_DIR");
    }

    // Runs one slot inside an operation scope and keeps what it returned.
    Call run(const std::function<CMPIStatus(const CMPIContext*, const CMPIResult*)>& slot) {
        host::OperationScope scope(*broker_);
        CMPIResult* result = host::newResult();
        const CMPIContext* context =
            host::toCmpi(host::Context::forOperation(kNamespace, 0, "tester"));
        const CMPIStatus status = slot(context, result);
        Call call;
        call.rc = status.rc;
        if (status.msg != nullptr) {
            const char* message = CMGetCharsPtr(status.msg, nullptr);
            call.message = message != nullptr ? message : "";
        }
        call.data = host::resultData(result);
        return call;
    }

    // Calls one slot of an MI's table; paths and instances become CMPI
    // objects inside the operation.
    template <typename MI, typename Slot, typename... Args>
    Call call(MI* mi, Slot slot, const Args&... args) {
        return run([&](const CMPIContext* context, const CMPIResult* result) {
            return (mi->ft->*slot)(mi, context, result, cmpi(args)...);
        });
    }
    static CMPIObjectPath* cmpi(const host::ObjectPath& path) { return host::toCmpi(path); }
    static CMPIInstance* cmpi(const host::Instance& instance) { return host::toCmpi(instance); }
    template <typename T>
    static T cmpi(T plain) {
        return plain;
    }

    Call enumerateInstances(const std::string& className, const char** properties = nullptr) {
        return call(instanceMI_, &CMPIInstanceMIFT::enumerateInstances,
                    host::ObjectPath(kNamespace, className), properties);
    }

    Call enumerateInstanceNames(const std::string& className) {
        return call(instanceMI_, &CMPIInstanceMIFT::enumerateInstanceNames,
                    host::ObjectPath(kNamespace, className));
    }

    Call getInstance(const host::ObjectPath& path, const char** properties = nullptr) {
        return call(instanceMI_, &CMPIInstanceMIFT::getInstance, path, properties);
    }

    Call modifyInstance(const host::Instance& instance, const char** properties = nullptr) {
        return call(instanceMI_, &CMPIInstanceMIFT::modifyInstance, instance.path(), instance,
                    properties);
    }

    Call associators(const host::ObjectPath& source, const char* associationClass,
                     const char* resultClass, const char* role = nullptr,
                     const char* resultRole = nullptr) {
        return call(associationMI_, &CMPIAssociationMIFT::associators, source, associationClass,
                    resultClass, role, resultRole, static_cast<const char**>(nullptr));
    }

    Call associatorNames(const host::ObjectPath& source, const char* associationClass,
                         const char* resultClass, const char* role = nullptr,
                         const char* resultRole = nullptr) {
        return call(associationMI_, &CMPIAssociationMIFT::associatorNames, source, associationClass,
                    resultClass, role, resultRole);
    }

    Call references(const host::ObjectPath& source, const char* resultClass,
                    const char* role = nullptr) {
        return call(associationMI_, &CMPIAssociationMIFT::references, source, resultClass, role,
                    static_cast<const char**>(nullptr));
    }

    // The instances of a class, from an enumeration that must succeed.
    std::vector<host::Instance> listed(const std::string& className,
                                       const char** properties = nullptr) {
        const Call call = enumerateInstances(className, properties);
        EXPECT_EQ(call.rc, CMPI_RC_OK) << className << ": " << call.message;
        EXPECT_EQ(call.data.doneCount, 1u) << className;
        return call.data.instances;
    }

    // The settings section as it is on disk now.
    Json savedSettings() const { return settingsIn(description_); }

    Json savedEntry(const char* member, const std::string& instanceId) const {
        const Json settings = savedSettings();
        for (const auto& entry : settings.at(member)) {
            if (entry.at("InstanceID") == instanceId) {
                return entry;
            }
        }
        return Json();
    }

    // Replaces the sample's settings section; null removes it.
    void replaceSettings(const Json& section) {
        Json document = Json::parse(readFile(description_));
        if (section.is_null()) {
            document.at("sections").erase("networkSettings");
        } else {
            document["sections"]["networkSettings"] = section;
        }
        writeFile(description_, document.dump(2));
    }

    // The one instance a get must find.
    host::Instance fetched(const host::ObjectPath& path) {
        const Call got = getInstance(path);
        EXPECT_EQ(got.rc, CMPI_RC_OK) << path.toString() << ": " << got.message;
        EXPECT_EQ(got.data.instances.size(), 1u) << path.toString();
        EXPECT_EQ(got.data.doneCount, 1u);
        return got.data.instances.empty() ? host::Instance() : got.data.instances.front();
    }

    // A change of one property of a DNS setting.
    static host::Instance dnsChange(const std::string& instanceId,
                                    const char* property = "DomainName",
                                    host::Value value = host::Value::string("example.org")) {
        host::Instance change(settingPath("OVX_DNSSettingData", instanceId));
        change.setProperty(property, std::move(value));
        return change;
    }

    host::Instance dnsSetting(const std::string& instanceId) {
        return fetched(settingPath("OVX_DNSSettingData", instanceId));
    }

    ovx::test::ScratchDirectory scratch_;
    fs::path description_;
    std::shared_ptr<host::CallbackRouter> router_;
    std::unique_ptr<host::Broker> broker_;
    CMPIInstanceMI* instanceMI_ = nullptr;
    CMPIAssociationMI* associationMI_ = nullptr;
};

// ---- the library and its factories ------------------------------------------

TEST(PeerProviderLibrary, ExportsOnlyTheFactories) {
    EXPECT_EQ(ovx::test::exportedSymbols(OVX_PEER_PROVIDER_LIBRARY),
              (std::set<std::string>{"OVXPeerProvider_Create_AssociationMI",
                                     "OVXPeerProvider_Create_InstanceMI"}));
}

TEST_F(PeerProviderTest, FactoriesHandOutVersionedTablesAndRefuseANullBroker) {
    EXPECT_EQ(instanceMI_->ft->ftVersion, CMPICurrentVersion);
    EXPECT_EQ(instanceMI_->ft->miVersion, CMPICurrentVersion);
    EXPECT_STREQ(instanceMI_->ft->miName, "instanceOVXPeerProvider");
    EXPECT_EQ(associationMI_->ft->ftVersion, CMPICurrentVersion);
    EXPECT_STREQ(associationMI_->ft->miName, "associationOVXPeerProvider");

    CMPIStatus status{CMPI_RC_OK, nullptr};
    EXPECT_EQ(instanceFactory()(nullptr, nullptr, &status), nullptr);
    EXPECT_EQ(status.rc, CMPI_RC_ERR_FAILED);
    status = CMPIStatus{CMPI_RC_OK, nullptr};
    EXPECT_EQ(associationFactory()(nullptr, nullptr, &status), nullptr);
    EXPECT_EQ(status.rc, CMPI_RC_ERR_FAILED);
    // The refused call must not have cost the broker of the working tables.
    EXPECT_EQ(enumerateInstances("OVX_ComputerSystem").rc, CMPI_RC_OK);

    EXPECT_EQ(instanceMI_->ft->cleanup(instanceMI_, nullptr, 1).rc, CMPI_RC_OK);
    EXPECT_EQ(associationMI_->ft->cleanup(associationMI_, nullptr, 0).rc, CMPI_RC_OK);
}

// ---- systems and LAN endpoints ------------------------------------------------

TEST_F(PeerProviderTest, ComputerSystemGoesByThisMachinesHostName) {
    const std::vector<host::Instance> systems = listed("OVX_ComputerSystem");
    ASSERT_EQ(systems.size(), 1u);
    const host::Instance& system = systems.front();
    EXPECT_EQ(system.path(), systemPath(false));
    EXPECT_EQ(text(system, "Name"), hostName());
    EXPECT_EQ(text(system, "ElementName"), hostName());
    EXPECT_EQ(text(system, "NameFormat"), "IP");
    EXPECT_EQ(text(system, "Description"), "Web and API server");
    ASSERT_NE(property(system, "EnabledState"), nullptr);
    EXPECT_EQ(property(system, "EnabledState")->asUnsigned(), 2u);
    ASSERT_NE(property(system, "Dedicated"), nullptr);
    ASSERT_EQ(property(system, "Dedicated")->elements().size(), 1u);
    EXPECT_EQ(property(system, "Dedicated")->elements().front().asUnsigned(), 0u);

    const Call names = enumerateInstanceNames("OVX_ComputerSystem");
    ASSERT_EQ(names.rc, CMPI_RC_OK);
    ASSERT_EQ(names.data.objectPaths.size(), 1u);
    EXPECT_EQ(names.data.objectPaths.front(), system.path());
    EXPECT_EQ(names.data.objectPaths.front().nameSpace(), kNamespace);
}

TEST_F(PeerProviderTest, ServiceProcessorIsTheControllerTheEndpointsName) {
    const std::vector<host::Instance> processors = listed("OVX_SPComputerSystem");
    ASSERT_EQ(processors.size(), 1u);
    const host::Instance& processor = processors.front();
    EXPECT_EQ(processor.path(), systemPath(true));
    EXPECT_EQ(text(processor, "ElementName"), "BMC");
    EXPECT_EQ(property(processor, "Dedicated")->elements().front().asUnsigned(), 14u);

    EXPECT_EQ(fetched(systemPath(true)), processor);
}

TEST_F(PeerProviderTest, LanEndpointsBelongToTheirSystemAndCarryMacAddresses) {
    const std::vector<host::Instance> endpoints = listed("OVX_LANEndpoint");
    ASSERT_EQ(endpoints.size(), 6u);
    std::vector<std::string> names;
    for (const auto& endpoint : endpoints) {
        names.push_back(keyText(endpoint.path(), "Name"));
        EXPECT_EQ(keyText(endpoint.path(), "CreationClassName"), "OVX_LANEndpoint");
    }
    EXPECT_EQ(names, (std::vector<std::string>{"eth0", "eth1", "eth2", "eth3", "br0", "bmc0"}));

    const host::Instance* eth0 = findByKey(endpoints, "Name", "eth0");
    ASSERT_NE(eth0, nullptr);
    EXPECT_EQ(eth0->path(), endpointPath("OVX_LANEndpoint", "eth0", false));
    EXPECT_EQ(text(*eth0, "MACAddress"), "001B213A4F10");
    EXPECT_EQ(property(*eth0, "ProtocolIFType")->asUnsigned(), 6u);

    const host::Instance* bmc0 = findByKey(endpoints, "Name", "bmc0");
    ASSERT_NE(bmc0, nullptr);
    EXPECT_EQ(bmc0->path(), endpointPath("OVX_LANEndpoint", "bmc0", true));

    EXPECT_EQ(fetched(eth0->path()), *eth0);
}

TEST_F(PeerProviderTest, GetInstanceWantsTheExactKeys) {
    const host::ObjectPath eth0 = endpointPath("OVX_LANEndpoint", "eth0", false);
    EXPECT_EQ(getInstance(eth0).rc, CMPI_RC_OK);

    host::ObjectPath otherHost = eth0;
    otherHost.setKey("SystemName", host::Value::string("some-other-host"));
    host::ObjectPath missingKey = eth0;
    missingKey.removeKey("SystemName");
    host::ObjectPath extraKey = eth0;
    extraKey.setKey("Extra", host::Value::string("x"));
    host::ObjectPath numericKey = eth0;
    numericKey.setKey("Name", host::Value::uint16(0));
    // The bmc0 port belongs to the service processor, not to the host.
    host::ObjectPath bmc0 = endpointPath("OVX_LANEndpoint", "bmc0", true);
    bmc0.setKey("SystemCreationClassName", host::Value::string("OVX_ComputerSystem"));
    for (const host::ObjectPath& path : {otherHost, missingKey, extraKey, numericKey, bmc0}) {
        const Call call = getInstance(path);
        EXPECT_EQ(call.rc, CMPI_RC_ERR_NOT_FOUND) << path.toString();
        EXPECT_FALSE(call.message.empty());
    }
}

TEST_F(PeerProviderTest, PropertyListLimitsWhatIsFilledButKeepsTheKeys) {
    const char* wanted[] = {"MACAddress", nullptr};
    const Call call = enumerateInstances("OVX_LANEndpoint", wanted);
    ASSERT_EQ(call.rc, CMPI_RC_OK);
    const host::Instance* eth1 = findByKey(call.data.instances, "Name", "eth1");
    ASSERT_NE(eth1, nullptr);
    EXPECT_EQ(text(*eth1, "MACAddress"), "001B213A4F11");
    EXPECT_EQ(text(*eth1, "Name"), "eth1");
    EXPECT_EQ(property(*eth1, "ElementName"), nullptr);
    EXPECT_EQ(property(*eth1, "EnabledState"), nullptr);
}

// ---- settings -----------------------------------------------------------------------

TEST_F(PeerProviderTest, SettingsEnumerateInTheOrderOfTheSection) {
    const std::vector<host::Instance> dhcp = listed("OVX_DHCPSettingData");
    ASSERT_EQ(dhcp.size(), 4u);
    EXPECT_EQ(keyText(dhcp[2].path(), "InstanceID"), "Computer%eth2%dhcp");
    EXPECT_EQ(property(dhcp[2], "AddressOrigin")->asUnsigned(), 4u);
    EXPECT_EQ(text(dhcp[2], "ConfigurationName"), "web01-default");

    const std::vector<host::Instance> dns = listed("OVX_DNSSettingData");
    ASSERT_EQ(dns.size(), 5u);
    const host::Instance* eth1 = findByKey(dns, "InstanceID", "Computer%eth1%");
    ASSERT_NE(eth1, nullptr);
    EXPECT_EQ(texts(*eth1, "DNSServerAddresses"),
              (std::vector<std::string>{"198.51.100.53", "2001:db8:100::53"}));
    EXPECT_EQ(text(*eth1, "RequestedHostname"), "web01");
    EXPECT_EQ(text(*eth1, "DomainName"), "example.net");
    EXPECT_EQ(property(*eth1, "AddressOrigin")->asUnsigned(), 3u);
    const host::Instance* eth2 = findByKey(dns, "InstanceID", "Computer%eth2%");
    ASSERT_NE(eth2, nullptr);
    ASSERT_NE(property(*eth2, "DNSServerAddresses"), nullptr);
    EXPECT_TRUE(texts(*eth2, "DNSServerAddresses").empty());

    const std::vector<host::Instance> general = listed("OVX_DNSGeneralSettingData");
    ASSERT_EQ(general.size(), 2u);
    EXPECT_EQ(keyText(general.front().path(), "InstanceID"), "Computer");
    EXPECT_EQ(texts(general.front(), "DNSSuffixesToAppend"),
              (std::vector<std::string>{"example.net", "corp.example.net"}));

    const Call names = enumerateInstanceNames("OVX_DNSSettingData");
    ASSERT_EQ(names.rc, CMPI_RC_OK);
    EXPECT_EQ(names.data.objectPaths.size(), 5u);
    EXPECT_EQ(names.data.doneCount, 1u);
}

TEST_F(PeerProviderTest, SettingsAreFoundByInstanceIdOnly) {
    EXPECT_EQ(text(fetched(settingPath("OVX_DHCPSettingData", "BMC%bmc0%dhcp")), "ElementName"),
              "bmc0 DHCP");

    const Call missing = getInstance(settingPath("OVX_DHCPSettingData", "Computer%eth9%dhcp"));
    EXPECT_EQ(missing.rc, CMPI_RC_ERR_NOT_FOUND);
    EXPECT_NE(missing.message.find("OVX_DHCPSettingData"), std::string::npos);
    EXPECT_TRUE(missing.data.instances.empty());

    // Ids are matched whole and with their case.
    EXPECT_EQ(getInstance(settingPath("OVX_DHCPSettingData", "computer%eth0%dhcp")).rc,
              CMPI_RC_ERR_NOT_FOUND);
    // A DNS setting is not a DHCP setting of the same id.
    EXPECT_EQ(getInstance(settingPath("OVX_DHCPSettingData", "Computer%eth0%")).rc,
              CMPI_RC_ERR_NOT_FOUND);
    EXPECT_EQ(getInstance(settingPath("OVX_DNSSettingData", "Computer%eth0%")).rc, CMPI_RC_OK);
}

TEST_F(PeerProviderTest, ModifiedSettingsAreKeptOnDisk) {
    host::Instance changed = dnsSetting("Computer%eth0%");
    changed.setProperty("RequestedHostname", host::Value::string("web02"));
    changed.setProperty("DomainName", host::Value::string("example.org"));
    changed.setProperty("DNSServerAddresses",
                        host::Value::array(CMPI_string, {host::Value::string("192.0.2.99"),
                                                         host::Value::string("2001:db8::99")}));
    changed.setProperty("AddressOrigin", host::Value::uint16(4));
    const Call modified = modifyInstance(changed);
    ASSERT_EQ(modified.rc, CMPI_RC_OK) << modified.message;

    const Json saved = savedEntry("DNSSettingData", "Computer%eth0%");
    EXPECT_EQ(saved.at("RequestedHostname"), "web02");
    EXPECT_EQ(saved.at("DomainName"), "example.org");
    EXPECT_EQ(saved.at("DNSServerAddresses"), Json::array({"192.0.2.99", "2001:db8::99"}));
    EXPECT_EQ(saved.at("AddressOrigin"), 4);
    // Everything else in the file stays as it was.
    EXPECT_EQ(savedEntry("DNSSettingData", "Computer%eth1%").at("RequestedHostname"), "web01");
    EXPECT_EQ(savedSettings().at("_comment"), settingsIn(kSampleDescription).at("_comment"));

    const host::Instance reread = dnsSetting("Computer%eth0%");
    EXPECT_EQ(text(reread, "RequestedHostname"), "web02");
    EXPECT_EQ(texts(reread, "DNSServerAddresses"),
              (std::vector<std::string>{"192.0.2.99", "2001:db8::99"}));

    // The node tree, which the configuration method applies settings to,
    // is left alone.
    const Json document = Json::parse(readFile(description_));
    EXPECT_EQ(
        document.at("nodes")[0].at("children")[0].at("children")[0].at("properties").at("HostName"),
        "web01");
}

TEST_F(PeerProviderTest, RefusedModificationsChangeNothing) {
    const std::string before = readFile(description_);
    const auto refusal = [&](const host::Instance& instance) {
        const Call call = modifyInstance(instance);
        EXPECT_FALSE(call.message.empty()) << "rc " << call.rc;
        EXPECT_EQ(readFile(description_), before) << call.message;
        return call.rc;
    };
    const auto string = host::Value::string;
    const std::tuple<const char*, host::Value, CMPIrc> refusedValues[] = {
        {"InstanceID", string("Computer%eth7%"), CMPI_RC_ERR_INVALID_PARAMETER},
        {"Hostname", string("web02"), CMPI_RC_ERR_NO_SUCH_PROPERTY},
        {"AddressOrigin", string("4"), CMPI_RC_ERR_TYPE_MISMATCH},
        {"AddressOrigin", host::Value::uint32(65539), CMPI_RC_ERR_INVALID_PARAMETER},
        {"RequestedHostname", string("web 01"), CMPI_RC_ERR_INVALID_PARAMETER},
        {"DNSServerAddresses",
         host::Value::array(CMPI_string, {string("192.0.2.1"), string("999.0.0.1")}),
         CMPI_RC_ERR_INVALID_PARAMETER},
    };
    for (const auto& [name, value, rc] : refusedValues) {
        EXPECT_EQ(refusal(dnsChange("Computer%eth0%", name, value)), rc) << name;
    }

    EXPECT_EQ(refusal(dnsChange("Computer%eth9%")), CMPI_RC_ERR_NOT_FOUND);

    host::Instance noKey(host::ObjectPath(kNamespace, "OVX_DNSSettingData"));
    noKey.setProperty("DomainName", host::Value::string("example.org"));
    EXPECT_EQ(refusal(noKey), CMPI_RC_ERR_INVALID_PARAMETER);
}

TEST_F(PeerProviderTest, OnlySettingsCanBeModifiedAndNothingCreatedOrDeleted) {
    const std::string before = readFile(description_);
    const host::ObjectPath system = systemPath(false);
    host::Instance renamed(system);
    renamed.setProperty("ElementName", host::Value::string("renamed"));
    EXPECT_EQ(modifyInstance(renamed).rc, CMPI_RC_ERR_NOT_SUPPORTED);

    const host::ObjectPath setting = settingPath("OVX_DNSSettingData", "Computer%eth0%");
    const host::ObjectPath created = settingPath("OVX_DNSSettingData", "Computer%eth5%");
    EXPECT_EQ(
        call(instanceMI_, &CMPIInstanceMIFT::createInstance, created, host::Instance(created)).rc,
        CMPI_RC_ERR_NOT_SUPPORTED);
    EXPECT_EQ(call(instanceMI_, &CMPIInstanceMIFT::deleteInstance, setting).rc,
              CMPI_RC_ERR_NOT_SUPPORTED);
    EXPECT_EQ(call(instanceMI_, &CMPIInstanceMIFT::deleteInstance, system).rc,
              CMPI_RC_ERR_NOT_SUPPORTED);
    const Call refusedQuery = call(instanceMI_, &CMPIInstanceMIFT::execQuery,
                                   host::ObjectPath(kNamespace, "OVX_DNSSettingData"),
                                   "SELECT * FROM OVX_DNSSettingData", "WQL");
    EXPECT_EQ(refusedQuery.rc, CMPI_RC_ERR_NOT_SUPPORTED);
    EXPECT_FALSE(refusedQuery.message.empty());
    EXPECT_EQ(readFile(description_), before);
    EXPECT_EQ(getInstance(setting).rc, CMPI_RC_OK);
}

TEST_F(PeerProviderTest, UnknownClassesAreInvalid) {
    for (const char* className : {"OVX_IPProtocolEndpoint", "CIM_ComputerSystem", "Nonsense"}) {
        const Call listed = enumerateInstances(className);
        EXPECT_EQ(listed.rc, CMPI_RC_ERR_INVALID_CLASS) << className;
        EXPECT_NE(listed.message.find(className), std::string::npos) << listed.message;
        EXPECT_EQ(enumerateInstanceNames(className).rc, CMPI_RC_ERR_INVALID_CLASS);
        EXPECT_EQ(getInstance(instancePath(className, {{"Name", "eth0"}})).rc,
                  CMPI_RC_ERR_INVALID_CLASS);
        host::Instance instance(instancePath(className, {{"InstanceID", "x"}}));
        EXPECT_EQ(modifyInstance(instance).rc, CMPI_RC_ERR_INVALID_CLASS);
    }
    // Class names are not case sensitive.
    EXPECT_EQ(enumerateInstances("ovx_computersystem").rc, CMPI_RC_OK);
}

// The section shares its file with the node tree: one that cannot be read
// is reported and never written over.
TEST_F(PeerProviderTest, ABrokenSectionIsReportedAndLeftAlone) {
    Json section = savedSettings();
    section["DNSSettingData"][1]["DNSServerAddresses"] = Json::array({"192.0.2.300"});
    replaceSettings(section);
    const std::string before = readFile(description_);
    const Call dns = enumerateInstances("OVX_DNSSettingData");
    EXPECT_EQ(dns.rc, CMPI_RC_ERR_FAILED);
    EXPECT_NE(dns.message.find("DNSSettingData[1]"), std::string::npos) << dns.message;
    EXPECT_EQ(modifyInstance(dnsChange("Computer%eth0%")).rc, CMPI_RC_ERR_FAILED);
    EXPECT_EQ(readFile(description_), before);
    EXPECT_EQ(enumerateInstances("OVX_ComputerSystem").rc, CMPI_RC_OK);
}

TEST_F(PeerProviderTest, WithoutASectionThereAreNoSettings) {
    replaceSettings(Json());
    for (const char* className :
         {"OVX_DHCPSettingData", "OVX_DNSSettingData", "OVX_DNSGeneralSettingData",
          "OVX_DNSProtocolEndpoint", "OVX_DNSSAPSAPDependency"}) {
        EXPECT_TRUE(listed(className).empty()) << className;
    }
    const std::vector<host::Instance> lan = listed("OVX_LANEndpoint");
    ASSERT_EQ(lan.size(), 6u);
    EXPECT_EQ(property(lan.front(), "MACAddress"), nullptr);

    EXPECT_EQ(modifyInstance(dnsChange("Computer%eth0%")).rc, CMPI_RC_ERR_NOT_FOUND);
}

TEST_F(PeerProviderTest, FollowsTheDescriptionAsItChanges) {
    // Read once first: what was built from the old file must not be served.
    ASSERT_EQ(enumerateInstances("OVX_LANEndpoint").rc, CMPI_RC_OK);
    Json document = Json::parse(readFile(description_));
    document["nodes"][0]["properties"]["Name"] = "web01.example.net";
    document["nodes"][0]["properties"]["EnabledState"] = 16;
    writeFile(description_, document.dump());
    const std::vector<host::Instance> systems = listed("OVX_ComputerSystem");
    ASSERT_EQ(systems.size(), 1u);
    EXPECT_EQ(keyText(systems.front().path(), "Name"), "web01.example.net");
    EXPECT_EQ(property(systems.front(), "EnabledState")->asUnsigned(), 3u);
    // LAN endpoints name the system they belong to.
    const std::vector<host::Instance> lan = listed("OVX_LANEndpoint");
    ASSERT_FALSE(lan.empty());
    EXPECT_EQ(keyText(lan.front().path(), "SystemName"), "web01.example.net");
}

// ---- DNS endpoints and their dependency on IP endpoints -----------------------

TEST_F(PeerProviderTest, DnsEndpointsExistForListedInterfacesOnly) {
    Json section = savedSettings();
    section["DNSProtocolEndpoints"].push_back("eth9");
    replaceSettings(section);
    const std::vector<host::Instance> endpoints = listed("OVX_DNSProtocolEndpoint");
    std::vector<std::string> names;
    for (const auto& endpoint : endpoints) {
        names.push_back(keyText(endpoint.path(), "Name"));
    }
    EXPECT_EQ(names, (std::vector<std::string>{"DNS:eth0", "DNS:eth0_1", "DNS:eth1", "DNS:eth2",
                                               "DNS:bmc0"}));
    const host::Instance* bmc = findByKey(endpoints, "Name", "DNS:bmc0");
    ASSERT_NE(bmc, nullptr);
    EXPECT_EQ(bmc->path(), dnsEndpointPath("bmc0", true));
    EXPECT_EQ(text(*bmc, "ElementName"), "DNS client of bmc0");
    EXPECT_EQ(property(*bmc, "EnabledState")->asUnsigned(), 2u);
}

TEST_F(PeerProviderTest, AssociatorsLeadFromAnIpEndpointToItsDnsEndpoint) {
    const Call names = associatorNames(ipEndpointPath("eth0"), "OVX_DNSSAPSAPDependency",
                                       "OVX_DNSProtocolEndpoint");
    ASSERT_EQ(names.rc, CMPI_RC_OK) << names.message;
    EXPECT_EQ(names.data.doneCount, 1u);
    ASSERT_EQ(names.data.objectPaths.size(), 1u);
    EXPECT_EQ(names.data.objectPaths.front(), dnsEndpointPath("eth0"));

    const Call instances =
        associators(ipEndpointPath("eth0"), "OVX_DNSSAPSAPDependency", "OVX_DNSProtocolEndpoint");
    ASSERT_EQ(instances.rc, CMPI_RC_OK) << instances.message;
    ASSERT_EQ(instances.data.instances.size(), 1u);
    EXPECT_EQ(instances.data.instances.front().path(), dnsEndpointPath("eth0"));
    EXPECT_EQ(text(instances.data.instances.front(), "ElementName"), "DNS client of eth0");

    const Call controller = associatorNames(ipEndpointPath("bmc0", true), nullptr, nullptr);
    ASSERT_EQ(controller.rc, CMPI_RC_OK);
    ASSERT_EQ(controller.data.objectPaths.size(), 1u);
    EXPECT_EQ(controller.data.objectPaths.front(), dnsEndpointPath("bmc0", true));
}

TEST_F(PeerProviderTest, AssociatorsLeadFromADnsEndpointToTheIpEndpointTheCimomServes) {
    int asked = 0;
    router_->onGetInstance(
        "OVX_IPProtocolEndpoint",
        [&asked](const host::Context&, const host::ObjectPath& path, const host::PropertyList&) {
            ++asked;
            host::Instance endpoint(path);
            endpoint.setProperty("IPv4Address", host::Value::string("192.0.2.10"));
            return host::Reply<host::Instance>::success(endpoint);
        });
    const Call call = associators(dnsEndpointPath("eth0"), "CIM_SAPSAPDependency",
                                  "CIM_IPProtocolEndpoint", "Dependent", "Antecedent");
    ASSERT_EQ(call.rc, CMPI_RC_OK) << call.message;
    EXPECT_EQ(asked, 1);
    ASSERT_EQ(call.data.instances.size(), 1u);
    EXPECT_TRUE(call.data.instances.front().path().sameInstance(ipEndpointPath("eth0")));
    EXPECT_EQ(text(call.data.instances.front(), "IPv4Address"), "192.0.2.10");

    const Call names = associatorNames(dnsEndpointPath("eth1"), nullptr, nullptr);
    ASSERT_EQ(names.rc, CMPI_RC_OK);
    ASSERT_EQ(names.data.objectPaths.size(), 1u);
    EXPECT_EQ(names.data.objectPaths.front(), ipEndpointPath("eth1"));
    EXPECT_EQ(asked, 1);
}

TEST_F(PeerProviderTest, IpEndpointsTheCimomCannotSupplyComeBackByTheirKeys) {
    // No provider for the IP endpoints: the router refuses the up-call.
    const Call call = associators(dnsEndpointPath("eth2"), nullptr, nullptr);
    ASSERT_EQ(call.rc, CMPI_RC_OK) << call.message;
    ASSERT_EQ(call.data.instances.size(), 1u);
    EXPECT_EQ(call.data.instances.front().path(), ipEndpointPath("eth2"));
    EXPECT_EQ(text(call.data.instances.front(), "Name"), "eth2");

    // One the CIMOM says does not exist is left out.
    router_->onGetInstance(
        "OVX_IPProtocolEndpoint",
        [](const host::Context&, const host::ObjectPath&, const host::PropertyList&) {
            return host::Reply<host::Instance>::failure(CMPI_RC_ERR_NOT_FOUND);
        });
    const Call gone = associators(dnsEndpointPath("eth2"), nullptr, nullptr);
    ASSERT_EQ(gone.rc, CMPI_RC_OK);
    EXPECT_TRUE(gone.data.instances.empty());
}

TEST_F(PeerProviderTest, AssociationFiltersAreHonoured) {
    const host::ObjectPath eth1 = ipEndpointPath("eth1");
    const auto count = [this](const host::ObjectPath& source,
                              const char* associationClass = nullptr,
                              const char* resultClass = nullptr, const char* role = nullptr,
                              const char* resultRole = nullptr) {
        const Call call = associatorNames(source, associationClass, resultClass, role, resultRole);
        EXPECT_EQ(call.rc, CMPI_RC_OK) << call.message;
        return call.data.objectPaths.size();
    };
    EXPECT_EQ(count(eth1), 1u);
    EXPECT_EQ(count(eth1, "CIM_Dependency", "CIM_ProtocolEndpoint", "Antecedent", "Dependent"), 1u);
    EXPECT_EQ(count(eth1, "cim_sapsapdependency", "cim_dnsprotocolendpoint", "antecedent"), 1u);
    EXPECT_EQ(count(eth1, "OVX_IPHostedAccessPoint"), 0u);
    EXPECT_EQ(count(eth1, nullptr, "OVX_ComputerSystem"), 0u);
    EXPECT_EQ(count(eth1, nullptr, "CIM_IPProtocolEndpoint"), 0u);
    EXPECT_EQ(count(eth1, nullptr, nullptr, "Dependent"), 0u);
    EXPECT_EQ(count(eth1, nullptr, nullptr, nullptr, "Antecedent"), 0u);
    EXPECT_EQ(count(dnsEndpointPath("eth1"), nullptr, nullptr, "Antecedent"), 0u);

    // A base class on the source path is fine: the keys say which end it is.
    host::ObjectPath asBase = eth1;
    asBase.setClassName("CIM_ProtocolEndpoint");
    EXPECT_EQ(count(asBase), 1u);

    // Endpoints the section gives no DNS client, and wrong keys, lead nowhere.
    EXPECT_EQ(count(ipEndpointPath("br0")), 0u);
    host::ObjectPath otherHost = eth1;
    otherHost.setKey("SystemName", host::Value::string("some-other-host"));
    EXPECT_EQ(count(otherHost), 0u);
    EXPECT_EQ(count(ipEndpointPath("bmc0")), 0u);
    EXPECT_EQ(count(systemPath(false)), 0u);
}

TEST_F(PeerProviderTest, ReferencesFromEitherEnd) {
    const auto checkLink = [](const host::Instance& link, const std::string& interfaceName) {
        EXPECT_EQ(link.className(), "OVX_DNSSAPSAPDependency");
        const host::Value* antecedent = link.findProperty("Antecedent");
        const host::Value* dependent = link.findProperty("Dependent");
        ASSERT_NE(antecedent, nullptr);
        ASSERT_NE(dependent, nullptr);
        EXPECT_EQ(antecedent->asReference(), ipEndpointPath(interfaceName));
        EXPECT_EQ(dependent->asReference(), dnsEndpointPath(interfaceName));
        EXPECT_EQ(link.path().findKey("Antecedent")->asReference(), ipEndpointPath(interfaceName));
    };

    const Call fromIp = references(ipEndpointPath("eth0_1"), nullptr);
    ASSERT_EQ(fromIp.rc, CMPI_RC_OK) << fromIp.message;
    ASSERT_EQ(fromIp.data.instances.size(), 1u);
    checkLink(fromIp.data.instances.front(), "eth0_1");

    const Call fromDns = references(dnsEndpointPath("eth0_1"), "CIM_SAPSAPDependency", "Dependent");
    ASSERT_EQ(fromDns.rc, CMPI_RC_OK) << fromDns.message;
    ASSERT_EQ(fromDns.data.instances.size(), 1u);
    checkLink(fromDns.data.instances.front(), "eth0_1");

    EXPECT_TRUE(
        references(dnsEndpointPath("eth0_1"), nullptr, "Antecedent").data.instances.empty());
    EXPECT_TRUE(
        references(ipEndpointPath("eth0_1"), "OVX_BindsToLanEndPoint").data.instances.empty());

    const Call names = call(associationMI_, &CMPIAssociationMIFT::referenceNames,
                            ipEndpointPath("eth2"), "OVX_DNSSAPSAPDependency", "Antecedent");
    ASSERT_EQ(names.rc, CMPI_RC_OK);
    ASSERT_EQ(names.data.objectPaths.size(), 1u);
    EXPECT_EQ(names.data.objectPaths.front().findKey("Dependent")->asReference(),
              dnsEndpointPath("eth2"));
    EXPECT_EQ(names.data.doneCount, 1u);
}

TEST_F(PeerProviderTest, DependencyInstancesCanBeListedAndFetched) {
    const Call names = enumerateInstanceNames("OVX_DNSSAPSAPDependency");
    ASSERT_EQ(names.rc, CMPI_RC_OK) << names.message;
    ASSERT_EQ(names.data.objectPaths.size(), 5u);

    const std::vector<host::Instance> instances = listed("OVX_DNSSAPSAPDependency");
    ASSERT_EQ(instances.size(), 5u);

    const host::ObjectPath& second = names.data.objectPaths[1];
    const host::Instance dependency = fetched(second);
    ASSERT_NE(dependency.findProperty("Dependent"), nullptr);
    EXPECT_EQ(dependency.findProperty("Dependent")->asReference(), dnsEndpointPath("eth0_1"));

    // A link between endpoints of two interfaces, or with one end only, is none.
    host::ObjectPath half(kNamespace, "OVX_DNSSAPSAPDependency");
    half.setKey("Antecedent", host::Value::reference(ipEndpointPath("eth0")));
    host::ObjectPath crossed = half;
    crossed.setKey("Dependent", host::Value::reference(dnsEndpointPath("eth1")));
    EXPECT_EQ(getInstance(crossed).rc, CMPI_RC_ERR_NOT_FOUND);
    EXPECT_EQ(getInstance(half).rc, CMPI_RC_ERR_NOT_FOUND);
}

// ---- the section's rules, without CMPI ----------------------------------------------

TEST(PeerSettingsSection, AcceptsTheSampleAndNamesEveryProblemOfABrokenOne) {
    using ovx::peers::interpretSettings;
    using ovx::peers::SettingsContents;
    const Json sample = settingsIn(kSampleDescription);
    SettingsContents contents;
    const auto read = interpretSettings(sample.dump(), contents);
    ASSERT_TRUE(read.ok()) << read.message;
    EXPECT_EQ(contents.instancesOf("OVX_DNSSettingData").size(), 5u);
    EXPECT_EQ(contents.instancesOf("ovx_dhcpsettingdata").size(), 4u);
    EXPECT_EQ(contents.dnsEndpointInterfaces.size(), 5u);
    EXPECT_EQ(contents.macAddresses.at("br0"), "02428C1E0001");

    Json broken = sample;
    broken["DNSSettings"] = Json::array();                                      // unknown member
    broken["DHCPSettingData"].push_back(broken["DHCPSettingData"][0]);          // repeated id
    broken["DNSGeneralSettingData"][0]["dnsSuffixesToAppend"] = Json::array();  // wrong case
    broken["DHCPSettingData"][1]["AddressOrigin"] = 4;                          // fixed, not kept
    broken["DNSSettingData"][2]["AddressOrigin"] = "3";                         // wrong kind
    broken["DNSProtocolEndpoints"].push_back("eth0");                           // listed twice
    broken["MACAddresses"]["eth1"] = "00:1b:21:3a:4f";                          // too short
    const auto refused = interpretSettings(broken.dump(), contents);
    EXPECT_EQ(refused.rc, CMPI_RC_ERR_FAILED);
    for (const char* expected :
         {"\"DNSSettings\"", "DHCPSettingData[4]", "\"dnsSuffixesToAppend\"", "DHCPSettingData[1]",
          "DNSSettingData[2]", "DNSProtocolEndpoints[5]", "MACAddresses.eth1"}) {
        EXPECT_NE(refused.message.find(expected), std::string::npos)
            << expected << " missing from: " << refused.message;
    }
    EXPECT_TRUE(contents.settings.empty());

    EXPECT_EQ(interpretSettings("[1, 2", contents).rc, CMPI_RC_ERR_FAILED);
    EXPECT_EQ(interpretSettings("[]", contents).rc, CMPI_RC_ERR_FAILED);
    EXPECT_EQ(interpretSettings(R"({"DNSSettingData": [{"ElementName": "x"}]})", contents).rc,
              CMPI_RC_ERR_FAILED);
    EXPECT_TRUE(interpretSettings(R"({"_comment": "empty"})", contents).ok());
}

}  // namespace
