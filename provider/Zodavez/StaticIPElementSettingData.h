// How an IP endpoint and the static setting of its interface name each
// other, and whether that setting is the one in use.
#pragma once

#include "instrumentation.h"
#include "providerutilities.h"

namespace Quill {
namespace IPInterfaceProvider {

class StaticIPElementSettingData {
  public:
    StaticIPElementSettingData();
    ~StaticIPElementSettingData();
    StaticIPElementSettingData(const StaticIPElementSettingData&) = delete;
    StaticIPElementSettingData& operator=(const StaticIPElementSettingData&) = delete;

    // The endpoint of the static setting; sets IsDefault and IsCurrent to 1
    // when the endpoint is configured statically, else 2.
    Moniker getManagedElementMoniker(Moniker& ipSettingDataMoniker);
    // The static setting of the endpoint's interface.
    Moniker getStaticIPSettingDataMoniker(Moniker& ipEndpointMoniker);

    // CIM values: 1 is, 2 is not.
    bool getIsDefault(unsigned short& value) const;
    bool getIsCurrent(unsigned short& value) const;

  private:
    Instrumentation cursor;
    unsigned short IsDefault = 1;
    unsigned short IsCurrent = 1;
};

}  // namespace IPInterfaceProvider
}  // namespace Quill
