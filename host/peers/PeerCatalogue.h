// Everything the peer provider serves, built from one snapshot of the node
// tree and one reading of the settings section. Requests share a catalogue
// while neither changes; each class's instances are built on first use.
#pragma once

#include "NodeInventory.h"
#include "PeerObjects.h"
#include "SettingsSection.h"

#include <instrumentation.h>

#include <map>
#include <memory>
#include <mutex>
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
    PeerCatalogue(std::shared_ptr<const Quill::NodeTree> tree,
                  std::shared_ptr<const std::string> settingsText, std::string hostName);

    // The catalogue of the store as it is now: the one built before when the
    // tree, the settings section and the host name are what it was built from.
    static std::shared_ptr<const PeerCatalogue> current(Quill::NodeStore& store);

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
    // A class's instances and where each name first occurs among them.
    struct ClassIndex {
        std::vector<PeerInstance> instances;
        std::map<std::string, std::size_t> positions;
    };
    // The links and, by the name of either end, which links touch it.
    struct LinkIndex {
        std::vector<DnsDependency> links;
        std::multimap<std::string, std::size_t> byEnd;
    };

    bool builtFrom(const std::shared_ptr<const Quill::NodeTree>& tree,
                   const std::shared_ptr<const std::string>& settingsText,
                   const std::string& hostName) const;
    Outcome indexOf(std::string_view className, const ClassIndex*& index) const;
    const LinkIndex& linkIndex() const;
    std::vector<PeerInstance> dnsEndpoints(std::vector<DnsDependency>* links) const;

    std::shared_ptr<const Quill::NodeTree> tree_;
    // Shared with the store when it can: the same pointer is the same text,
    // so checking the catalogue is current does not copy a section that
    // grows with the interfaces.
    std::shared_ptr<const std::string> settingsText_;
    std::string hostName_;
    NodeInventory inventory_;
    SettingsContents settings_;
    Outcome settingsRead_;

    mutable std::mutex builtLock_;
    mutable std::map<std::string, std::unique_ptr<const ClassIndex>> classes_;
    mutable std::unique_ptr<const LinkIndex> links_;
};

}  // namespace ovx::peers
