// Everything the peer provider serves, read once per request from one
// snapshot of the node tree and one reading of the settings section.
#pragma once

#include "NodeInventory.h"
#include "PeerObjects.h"
#include "SettingsSection.h"

#include <instrumentation.h>

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ovx::peers {

// One instance of the DNS dependency: the DNS client endpoint (Dependent)
// relies on the IP endpoint of its interface (Antecedent).
struct DnsDependency {
    ObjectName antecedent;
    ObjectName dependent;
};

inline constexpr std::string_view kAntecedentRole = "Antecedent";
inline constexpr std::string_view kDependentRole = "Dependent";

// The filters of an association request; an absent one lets everything by.
struct LinkFilter {
    std::optional<std::string> associationClass;
    std::optional<std::string> farClass;
    std::optional<std::string> sourceRole;
    std::optional<std::string> farRole;
};

struct LinkMatch {
    DnsDependency link;
    ObjectName far;
};

class PeerCatalogue {
  public:
    explicit PeerCatalogue(Quill::NodeStore& store);

    // All instances of a served class in the order of the system
    // description; CMPI_RC_ERR_INVALID_CLASS for any other class.
    Outcome instancesOf(std::string_view className, std::vector<PeerInstance>& instances) const;

    // The instance whose name is exactly name; CMPI_RC_ERR_NOT_FOUND if none.
    Outcome find(const ObjectName& name, PeerInstance& instance) const;

    Outcome dependencies(std::vector<DnsDependency>& links) const;

    // The dependencies that touch source and pass the filter, each with the
    // name of its other end.
    Outcome linksOf(const ObjectName& source, const LinkFilter& filter,
                    std::vector<LinkMatch>& matches) const;

  private:
    std::vector<PeerInstance> dnsEndpoints(std::vector<DnsDependency>* links) const;

    NodeInventory inventory_;
    SettingsContents settings_;
    Outcome settingsRead_;
};

}  // namespace ovx::peers
