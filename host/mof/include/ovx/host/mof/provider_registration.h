// The host's provider registrations: which provider library serves which
// class, in which namespaces, through which MI kinds. The file holds one
// section per class:
//
//   [OVX_IPProtocolEndpoint]
//       provider:  IPInterfaceProvider      (prefix of <name>_Create_<Kind>MI)
//       location:  IPInterfaceProvider      (loads libIPInterfaceProvider.so)
//       type:      instance method          (instance, association, method)
//       namespace: root/cimv2               (optional; may list several)
//
// '#' starts a comment that runs to the end of the line; keys and class
// names ignore case.
#pragma once

#include "ovx/host/class_registry.h"
#include "ovx/host/mof/source_error.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ovx::host::mof {

struct ProviderRegistration {
    std::string className;
    std::string providerName;
    std::string location;  // library base name
    std::vector<std::string> namespaces;
    bool instance = false;
    bool association = false;
    bool method = false;
    SourceLocation where;  // the section header

    std::string libraryFileName() const { return "lib" + location + ".so"; }
    bool servesNamespace(std::string_view nameSpace) const;
};

class ProviderRegistrations {
  public:
    explicit ProviderRegistrations(std::vector<ProviderRegistration> entries = {})
        : entries_(std::move(entries)) {}

    const std::vector<ProviderRegistration>& entries() const noexcept { return entries_; }
    const ProviderRegistration* find(std::string_view nameSpace, std::string_view className) const;
    // Registrations naming the provider, in file order.
    std::vector<const ProviderRegistration*> ofProvider(std::string_view providerName) const;
    // Distinct library base names, in file order.
    std::vector<std::string> locations() const;

  private:
    std::vector<ProviderRegistration> entries_;
};

ProviderRegistrations parseProviderRegistrations(const std::filesystem::path& file);
ProviderRegistrations parseProviderRegistrationText(std::string_view text,
                                                    const std::string& sourceName);

// Every registered class must be known to the registry, and only an
// association may be registered for the association kind. Throws
// SourceError at the offending section.
void checkRegistrations(const ProviderRegistrations& registrations, const ClassRegistry& registry);

// The first directory of the search path holding the registration's
// library, or nothing.
std::optional<std::filesystem::path> findProviderLibrary(
    const ProviderRegistration& registration, const std::vector<std::filesystem::path>& searchPath);

}  // namespace ovx::host::mof
