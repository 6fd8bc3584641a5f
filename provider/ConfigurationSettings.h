// Gathering one configuration through the CIMOM: the setting instances a
// configuration id selects, and what each kind of setting contributes to the
// configuration record.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "IPConfigData.h"
#include "cmpidt.h"
#include "cmpift.h"

namespace Quill {
namespace IPInterfaceProvider {

// Picks a setting for a requested configuration id: candidates whose whole
// InstanceID occurs in the requested id are eligible, and the longest one
// wins (the first offered among equals), so that "Computer%eth1" never
// stands for "Computer%eth10%static" when "Computer%eth10" exists.
class InstanceIdMatch {
  public:
    explicit InstanceIdMatch(std::string requested) : requested_(std::move(requested)) {}

    // True when the candidate is now the best.
    bool offer(const std::string& candidateId);

  private:
    std::string requested_;
    std::optional<std::size_t> bestLength_;
};

// The setting a configuration selects, with the enumeration it was found in.
// A peer's settings grow with its interfaces, so the enumeration is given
// back to the broker as soon as the caller is done with the one chosen.
class FoundSetting {
  public:
    FoundSetting() = default;
    FoundSetting(CMPIObjectPath* path, CMPIEnumeration* settings, const CMPIInstance* chosen)
        : path_(path), settings_(settings), chosen_(chosen) {}
    FoundSetting(FoundSetting&& other) noexcept;
    FoundSetting& operator=(FoundSetting&& other) noexcept;
    FoundSetting(const FoundSetting&) = delete;
    FoundSetting& operator=(const FoundSetting&) = delete;
    ~FoundSetting();

    // Null when there is none; valid while this lives.
    const CMPIInstance* get() const { return chosen_; }
    explicit operator bool() const { return chosen_ != nullptr; }

  private:
    void giveBack();

    CMPIObjectPath* path_ = nullptr;
    CMPIEnumeration* settings_ = nullptr;
    const CMPIInstance* chosen_ = nullptr;
};

// The instance of className that the configuration instanceId selects, from
// an enumeration through the broker; empty when there is none or the broker
// refuses. For "OVX_DNSGeneralSettingData" the first instance with an
// InstanceID is taken, whatever its id.
FoundSetting findConfigurationSetting(const CMPIBroker* broker, const CMPIContext* context,
                                      const std::string& nameSpace, const char* className,
                                      const std::string& instanceId);

// Copies the static addresses into the record and marks it static. Only a
// null record fails (CMPI_RC_ERROR).
CMPIStatus getStaticConfigurationDetails(const CMPIBroker* broker, const CMPIContext* context,
                                         const CMPIInstance* ip_setting, IPConfigData* ipConfig);

// Notes whether the DHCP setting has a configuration name. Only a null
// record fails (CMPI_RC_ERROR); the caller marks the record DHCP.
CMPIStatus getDHCPConfigurationDetails(const CMPIBroker* broker, const CMPIContext* context,
                                       const CMPIInstance* ip_setting, IPConfigData* ipConfig);

// Copies a DNS setting (host and domain name, servers in order) or a DNS
// general setting (suffixes) into the record, but only when the endpoint has
// a DNS client endpoint. The status is that of the broker's associators call.
CMPIStatus getDNSConfigurationDetails(const CMPIBroker* broker, const CMPIContext* context,
                                      const CMPIInstance* ip_setting,
                                      const CMPIObjectPath* ipendpt_op, IPConfigData* ipConfig);

}  // namespace IPInterfaceProvider
}  // namespace Quill
