// The walks jump over interfaces by the node store's index of Names; every
// answer must be the one that stepping through every interface gives. Each
// lookup runs with the index and without it on a generated server with
// tricky names: eth1 beside eth10, "_" names (eth2_1, veth_4), names given
// twice, and the service processor's interface in the middle of the tree.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "GeneratedSystem.h"
#include "ProviderTestSupport.h"
#include "Zodavez/BindsToLANEndpoint.h"
#include "Zodavez/IPAssignmentSettingData.h"
#include "Zodavez/IPElementCapabilities.h"
#include "Zodavez/IPElementSettingData.h"
#include "Zodavez/IPEnabledLogicalElementCapabilities.h"
#include "Zodavez/IPprotocolEndpoint.h"
#include "Zodavez/RemoteAccessAvailableToElement.h"
#include "Zodavez/RemoteServiceAccessPoint.h"
#include "Zodavez/StaticIPAssignmentSettingData.h"
#include "Zodavez/StaticIPElementSettingData.h"
#include "Zodavez/StaticOrderedComponent.h"

namespace {

using namespace Quill::IPInterfaceProvider;
using Quill::Moniker;

std::string text(Moniker moniker) {
    std::string all;
    for (unsigned int key = 0; moniker.selectKey(key); ++key) {
        std::string name;
        std::string value;
        moniker.getName(name);
        moniker.getValue(value);
        all += name + "=" + value + ";";
    }
    return all;
}

// A moniker operation's answer, or the failure it reports.
template <typename Model, typename Operation>
std::string answer(const std::string& key, const std::string& value, Operation operation) {
    try {
        Model model;
        Moniker given;
        given.addKey(key, value);
        given.addKey("SystemName", ProviderTest::thisHostName());
        given.addKey("SystemCreationClassName", "OVX_ComputerSystem");
        return text((model.*operation)(given));
    } catch (const std::exception& failure) {
        return std::string("failed: ") + failure.what();
    }
}

// Every position a filtered walk yields, each as getter reads it.
template <typename Model, typename Narrow>
std::string positions(Narrow narrow, bool (Model::*getter)(std::string&) const) {
    Model model;
    narrow(model);
    std::string all;
    for (int guard = 0; model && guard < 1000; ++model, ++guard) {
        std::string value;
        (model.*getter)(value);
        all += value + "|";
    }
    return all;
}

using Lookup = std::function<std::string(const std::string& name)>;

const std::vector<std::pair<const char*, Lookup>> kLookups = {
    {"endpoint by Name",
     [](const std::string& name) {
         return positions<IPprotocolEndpoint>(
             [&](IPprotocolEndpoint& walk) {
                 walk.setFilter(0, ProviderTest::thisHostName());
                 walk.setFilter(1, name);
             },
             &IPprotocolEndpoint::getName);
     }},
    {"assignment settings by InstanceID",
     [](const std::string& name) {
         return positions<IPAssignmentSettingData>(
                    [&](IPAssignmentSettingData& walk) {
                        walk.setFilter(0, "Computer%" + name + "%dhcp", 0);
                    },
                    &IPAssignmentSettingData::getInstanceId) +
                positions<IPAssignmentSettingData>(
                    [&](IPAssignmentSettingData& walk) {
                        walk.setFilter(0, "BMC%" + name + "%dhcp", 1);
                    },
                    &IPAssignmentSettingData::getInstanceId);
     }},
    {"static settings by InstanceID",
     [](const std::string& name) {
         return positions<StaticIPAssignmentSettingData>(
             [&](StaticIPAssignmentSettingData& walk) { walk.setFilter(0, "Computer%" + name); },
             &StaticIPAssignmentSettingData::getInstanceID);
     }},
    {"gateways by Name",
     [](const std::string& name) {
         std::string all;
         for (const std::string suffix : {"_IPv4", "_IPv6", "_IPv6x", ""}) {
             all += positions<RemoteServiceAccessPoint>(
                 [&](RemoteServiceAccessPoint& walk) { walk.setFilter(1, name + suffix); },
                 &RemoteServiceAccessPoint::getName);
         }
         return all;
     }},
    {"gateways of one interface, as the association's end walks them",
     [](const std::string& name) {
         const Quill::NameQuery query{{name}, {}, false};
         RemoteServiceAccessPoint walk;
         walk.setFilter(0, ProviderTest::thisHostName());
         std::string all;
         for (walk.seekPassing(query); walk; ++walk, walk.seekPassing(query)) {
             std::string gateway;
             if (walk.getName(gateway) && gateway.substr(0, gateway.rfind('_')) == name) {
                 all += gateway + "|";
             }
         }
         return all;
     }},
    {"capabilities by InstanceID",
     [](const std::string& name) {
         return positions<IPEnabledLogicalElementCapabilities>(
             [&](IPEnabledLogicalElementCapabilities& walk) { walk.setFilter(0, name); },
             &IPEnabledLogicalElementCapabilities::getName);
     }},
    {"association ends",
     [](const std::string& name) {
         return answer<IPElementSettingData>("InstanceID", "Computer%" + name + "%static",
                                             &IPElementSettingData::getManagedElementMoniker) +
                answer<IPElementSettingData>("Name", name,
                                             &IPElementSettingData::getIPSettingDataMoniker) +
                answer<StaticIPElementSettingData>(
                    "InstanceID", "Computer%" + name,
                    &StaticIPElementSettingData::getManagedElementMoniker) +
                answer<StaticIPElementSettingData>(
                    "Name", name, &StaticIPElementSettingData::getStaticIPSettingDataMoniker) +
                answer<StaticOrderedComponent>("InstanceID", "Computer%" + name + "%static",
                                               &StaticOrderedComponent::getPartComponentMoniker) +
                answer<StaticOrderedComponent>("InstanceID", "Computer%" + name,
                                               &StaticOrderedComponent::getGroupComponentMoniker) +
                answer<BindsToLANEndpoint>("Name", name,
                                           &BindsToLANEndpoint::getLANEndpointMoniker) +
                answer<BindsToLANEndpoint>("Name", name,
                                           &BindsToLANEndpoint::getIPProtocolEndPointMoniker) +
                answer<RemoteAccessAvailableToElement>(
                    "Name", name + "_IPv4",
                    &RemoteAccessAvailableToElement::getIPProtocolEndpointMoniker) +
                answer<RemoteAccessAvailableToElement>(
                    "Name", name,
                    &RemoteAccessAvailableToElement::getRemoteServiceAccessPointMoniker) +
                answer<IPElementCapabilities>("InstanceID", name,
                                              &IPElementCapabilities::getIPMoniker) +
                answer<IPElementCapabilities>("Name", name,
                                              &IPElementCapabilities::getCapabilitiesMoniker);
     }},
    {"address origin",
     [](const std::string& name) {
         unsigned int origin = 0;
         const bool found = IPAssignmentSettingData::findAddressOrigin(name, origin);
         return std::to_string(found) + "/" + std::to_string(origin);
     }},
};

TEST(IndexedLookups, AnswerAsTheWalkThroughEveryInterfaceDoes) {
    GeneratedSystem::Options options;
    options.interfaces = 40;
    options.duplicateNames = true;
    const ProviderTest::SystemDescriptionFile system(GeneratedSystem::describe(options));

    std::vector<std::string> names = {"", "eth", "eth1_", "veth", "missing", "eth1%x"};
    for (const GeneratedSystem::Interface& each : GeneratedSystem::interfaces(options)) {
        names.push_back(each.name);
    }
    std::size_t found = 0;
    for (const auto& [what, lookup] : kLookups) {
        for (const std::string& name : names) {
            Quill::useNameIndex(false);
            const std::string walked = lookup(name);
            Quill::useNameIndex(true);
            const std::string indexed = lookup(name);
            EXPECT_EQ(indexed, walked) << what << " of \"" << name << "\"";
            found += walked.find("failed") == std::string::npos && !walked.empty() ? 1 : 0;
        }
    }
    // The comparison means something only when most lookups find something.
    EXPECT_GT(found, kLookups.size() * names.size() / 2);
}

}  // namespace
