// How an IP endpoint and its two assignment settings (static and DHCP) name
// each other, and whether a setting is the endpoint's default and current one.
#pragma once

#include <optional>
#include <string>
#include <utility>

#include "instrumentation.h"
#include "providerutilities.h"

namespace Quill {
namespace IPInterfaceProvider {

class IPElementSettingData {
  public:
    IPElementSettingData();
    ~IPElementSettingData();
    IPElementSettingData(const IPElementSettingData&) = delete;
    IPElementSettingData& operator=(const IPElementSettingData&) = delete;

    // The endpoint of the setting; sets IsDefault and IsCurrent to 1 when the
    // setting is the one the endpoint uses now, else 2.
    Moniker getManagedElementMoniker(Moniker& ipSettingDataMoniker);
    // One setting of the endpoint's interface ("InstanceID"); the other one
    // shares everything before its last "%".
    Moniker getIPSettingDataMoniker(Moniker& ipEndpointMoniker);

    // CIM values: 1 is, 2 is not.
    bool getIsDefault(unsigned short& value) const;
    bool getIsCurrent(unsigned short& value) const;

  private:
    Instrumentation cursor;
    // The endpoint last named for a setting, by the setting's InstanceID: an
    // association instance asks for it twice (its reference, its properties).
    std::optional<std::pair<std::string, Moniker>> lastNamed;
    unsigned short IsDefault = 1;
    unsigned short IsCurrent = 1;
};

}  // namespace IPInterfaceProvider
}  // namespace Quill
