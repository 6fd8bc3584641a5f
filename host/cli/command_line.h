// The ovx-cim command line: global options, a verb (the short names CIM
// users know from wbemcli), its operands and the options the verb takes.
// Options may stand anywhere; "--" ends them. Values follow as the next
// argument or after '=' (--namespace=root/cimv2).
#pragma once

#include "output.h"

#include "ovx/host/router.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ovx::cli {

inline constexpr std::string_view kDefaultNamespace = "root/cimv2";

// Options that only some verbs take.
enum VerbOption : unsigned {
    kPropertiesOption = 1U << 0,
    kAssocClassOption = 1U << 1,
    kResultClassOption = 1U << 2,
    kRoleOption = 1U << 3,
    kResultRoleOption = 1U << 4,
    kDeepOption = 1U << 5,
};

struct VerbInfo {
    std::string_view name;
    std::string_view title;     // the CIM operation, e.g. "GetInstance"
    std::string_view operands;  // e.g. "PATH Name=value..."
    std::string_view description;
    unsigned options = 0;
    std::size_t minOperands = 0;
    std::size_t maxOperands = 0;  // kUnlimited for a list
};

inline constexpr std::size_t kUnlimited = static_cast<std::size_t>(-1);

const std::vector<VerbInfo>& knownVerbs();
const VerbInfo* findVerb(std::string_view name);

// Where the host finds its schema, registrations and provider libraries.
struct HostSettings {
    std::string mofFile;
    std::string registrationFile;
    std::vector<std::string> providerPath;
    // Given to the providers as OVX_DATA_DIR; nothing keeps the environment's.
    std::optional<std::string> dataDir;
    // The providers read the running system instead of a system description.
    bool live = false;
};

struct CommandLine {
    HostSettings host;
    std::string nameSpace{kDefaultNamespace};
    OutputFormat format = OutputFormat::Text;
    bool help = false;
    const VerbInfo* verb = nullptr;  // null with --help alone
    std::vector<std::string> operands;
    host::PropertyList properties;
    host::AssociatorFilter filter;  // role and result class serve references too
    bool deep = false;
};

// DIR:DIR:... as a list, empty entries dropped.
std::vector<std::string> splitSearchPath(const std::string& text);

// Throws UsageError for an unknown verb or option, an option the verb does
// not take, a missing option value or a wrong number of operands (unless
// help was asked for).
CommandLine parseCommandLine(const std::vector<std::string>& arguments,
                             const HostSettings& defaults);

// The help of the command (verbs and global options) and of one verb.
std::string commandHelp(const HostSettings& defaults);
std::string verbHelp(const VerbInfo& verb);
// One line pointing at the help, for usage errors.
std::string usageHint(const VerbInfo* verb);

}  // namespace ovx::cli
