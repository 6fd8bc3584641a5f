#include "command_line.h"

#include "operands.h"
#include "usage_error.h"

#include <algorithm>

namespace ovx::cli {

namespace {

constexpr unsigned kAssociatorOptions =
    kAssocClassOption | kResultClassOption | kRoleOption | kResultRoleOption;
constexpr unsigned kReferenceOptions = kResultClassOption | kRoleOption;

struct OptionInfo {
    std::string_view longName;
    std::string_view shortName;  // may be empty
    bool takesValue = false;
    unsigned verbOption = 0;  // 0 for a global option
    std::string_view valueName;
    std::string_view help;
};

const std::vector<OptionInfo>& knownOptions() {
    static const std::vector<OptionInfo> entries{
        {"--help", "-h", false, 0, "", "show this help, or the help of the verb"},
        {"--json", "", false, 0, "", "write the result as JSON (shape in docs/ovx-cim.md)"},
        {"--namespace", "-n", true, 0, "NS", "namespace of paths that name none"},
        {"--data-dir", "", true, 0, "DIR",
         "the agent data directory (system.json, ifcfg-*) the providers read"},
        {"--live", "", false, 0, "",
         "show this machine's own network (OVX_BACKEND=linux); changes only with "
         "OVX_LIVE_CHANGES=yes"},
        {"--mof", "", true, 0, "FILE", "the MOF entry file the host reads"},
        {"--registration", "", true, 0, "FILE", "the provider registration file"},
        {"--providers", "", true, 0, "DIR[:DIR...]", "where provider libraries are looked for"},
        {"--properties", "-pl", true, kPropertiesOption, "A,B",
         "return only these properties (empty: keys only)"},
        {"--assoc-class", "-ac", true, kAssocClassOption, "CLASS",
         "only through associations of this class"},
        {"--result-class", "-rc", true, kResultClassOption, "CLASS",
         "only results of this class (for ri/rin: associations of this class)"},
        {"--role", "-r", true, kRoleOption, "NAME",
         "the reference property that names the source object"},
        {"--result-role", "-rr", true, kResultRoleOption, "NAME",
         "the reference property that names the result"},
        {"--deep", "", false, kDeepOption, "", "all subclasses, not only the direct ones"},
    };
    return entries;
}

const OptionInfo* findOption(std::string_view name) {
    const auto& entries = knownOptions();
    const auto found = std::find_if(entries.begin(), entries.end(), [&](const OptionInfo& option) {
        return name == option.longName || (!option.shortName.empty() && name == option.shortName);
    });
    return found == entries.end() ? nullptr : &*found;
}

std::string optionTitle(const OptionInfo& option) {
    std::string title(option.longName);
    if (!option.shortName.empty()) {
        title += ", " + std::string(option.shortName);
    }
    if (option.takesValue) {
        title += " " + std::string(option.valueName);
    }
    return title;
}

std::string optionLine(const OptionInfo& option) {
    std::string line = "  " + optionTitle(option);
    line.resize(std::max<std::size_t>(line.size() + 2, 32), ' ');
    return line + std::string(option.help) + "\n";
}

class Parser {
  public:
    Parser(const std::vector<std::string>& arguments, const HostSettings& defaults)
        : arguments_(arguments) {
        command_.host = defaults;
    }

    CommandLine parse() {
        bool optionsEnded = false;
        for (index_ = 0; index_ < arguments_.size(); ++index_) {
            const std::string& argument = arguments_[index_];
            if (!optionsEnded && argument == "--") {
                optionsEnded = true;
            } else if (!optionsEnded && argument.size() > 1 && argument[0] == '-') {
                readOption(argument);
            } else if (command_.verb == nullptr) {
                command_.verb = findVerb(argument);
                if (command_.verb == nullptr) {
                    throw UsageError("unknown verb \"" + argument + "\"");
                }
            } else {
                command_.operands.push_back(argument);
            }
        }
        if (!command_.help) {
            check();
        }
        return std::move(command_);
    }

  private:
    void readOption(const std::string& argument) {
        const std::size_t equals = argument.find('=');
        const std::string name = argument.substr(0, equals);
        const OptionInfo* known = findOption(name);
        if (known == nullptr) {
            throw UsageError("unknown option " + name);
        }
        std::string value;
        if (known->takesValue) {
            if (equals != std::string::npos) {
                value = argument.substr(equals + 1);
            } else if (index_ + 1 < arguments_.size()) {
                value = arguments_[++index_];
            } else {
                throw UsageError("the option " + name + " needs a value (" +
                                 std::string(known->valueName) + ")");
            }
        } else if (equals != std::string::npos) {
            throw UsageError("the option " + name + " takes no value");
        }
        verbOptionsGiven_ |= known->verbOption;
        apply(*known, value);
    }

    void apply(const OptionInfo& option, std::string value) {
        const std::string_view name = option.longName;
        if (name == "--help") {
            command_.help = true;
        } else if (name == "--json") {
            command_.format = OutputFormat::Json;
        } else if (name == "--namespace") {
            command_.nameSpace = requireText(option, std::move(value));
        } else if (name == "--data-dir") {
            command_.host.dataDir = requireText(option, std::move(value));
        } else if (name == "--live") {
            command_.host.live = true;
        } else if (name == "--mof") {
            command_.host.mofFile = requireText(option, std::move(value));
        } else if (name == "--registration") {
            command_.host.registrationFile = requireText(option, std::move(value));
        } else if (name == "--providers") {
            // The first one replaces the built-in path, later ones add to it.
            if (!providerPathGiven_) {
                command_.host.providerPath.clear();
                providerPathGiven_ = true;
            }
            for (auto& directory : splitSearchPath(value)) {
                command_.host.providerPath.push_back(std::move(directory));
            }
        } else if (name == "--properties") {
            command_.properties = propertyListFromText(value);
        } else if (name == "--assoc-class") {
            command_.filter.assocClass = requireText(option, std::move(value));
        } else if (name == "--result-class") {
            command_.filter.resultClass = requireText(option, std::move(value));
        } else if (name == "--role") {
            command_.filter.role = requireText(option, std::move(value));
        } else if (name == "--result-role") {
            command_.filter.resultRole = requireText(option, std::move(value));
        } else if (name == "--deep") {
            command_.deep = true;
        }
    }

    static std::string requireText(const OptionInfo& option, std::string value) {
        if (value.empty()) {
            throw UsageError("the option " + std::string(option.longName) + " needs a value (" +
                             std::string(option.valueName) + ")");
        }
        return value;
    }

    void check() const {
        const VerbInfo* verb = command_.verb;
        if (verb == nullptr) {
            throw UsageError("no verb given");
        }
        const unsigned misplaced = verbOptionsGiven_ & ~verb->options;
        for (const OptionInfo& option : knownOptions()) {
            if ((option.verbOption & misplaced) != 0) {
                throw UsageError("the option " + std::string(option.longName) +
                                 " does not apply to " + std::string(verb->name));
            }
        }
        const std::size_t count = command_.operands.size();
        if (count < verb->minOperands) {
            throw UsageError(std::string(verb->name) + " needs " + std::string(verb->operands));
        }
        if (count > verb->maxOperands) {
            throw UsageError(std::string(verb->name) + " takes " + std::string(verb->operands) +
                             ", not \"" + command_.operands[verb->maxOperands] + "\"");
        }
    }

    const std::vector<std::string>& arguments_;
    std::size_t index_ = 0;
    CommandLine command_;
    unsigned verbOptionsGiven_ = 0;
    bool providerPathGiven_ = false;
};

}  // namespace

std::vector<std::string> splitSearchPath(const std::string& text) {
    std::vector<std::string> directories;
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t colon = std::min(text.find(':', start), text.size());
        if (colon > start) {
            directories.push_back(text.substr(start, colon - start));
        }
        start = colon + 1;
    }
    return directories;
}

const std::vector<VerbInfo>& knownVerbs() {
    static const std::vector<VerbInfo> entries{
        {"ecn", "EnumerateClassNames", "[CLASS]",
         "Names the classes directly below CLASS (the root classes without one);\n"
         "--deep names every class below it (or every class).",
         kDeepOption, 0, 1},
        {"ein", "EnumerateInstanceNames", "CLASS",
         "Names every instance of CLASS and its subclasses, one path a line.", 0, 1, 1},
        {"ei", "EnumerateInstances", "CLASS",
         "Shows every instance of CLASS and its subclasses in MOF.", kPropertiesOption, 1, 1},
        {"gi", "GetInstance", "PATH", "Shows the instance PATH names in MOF.", kPropertiesOption, 1,
         1},
        {"mi", "ModifyInstance", "PATH Name=value...",
         "Changes the named properties of the instance PATH names; values are typed\n"
         "by the class declaration (SubnetMask=255.255.0.0, AddressOrigin=3). The\n"
         "request's property list names the assigned properties, or those of --properties.",
         kPropertiesOption, 2, kUnlimited},
        {"ci", "CreateInstance", "CLASS|PATH Name=value...",
         "Creates an instance with the given keys and properties and prints its path.", 0, 1,
         kUnlimited},
        {"di", "DeleteInstance", "PATH", "Deletes the instance PATH names.", 0, 1, 1},
        {"ai", "Associators", "PATH",
         "Shows the instances associated with the one PATH names, in MOF.",
         kAssociatorOptions | kPropertiesOption, 1, 1},
        {"ain", "AssociatorNames", "PATH",
         "Names the instances associated with the one PATH names.", kAssociatorOptions, 1, 1},
        {"ri", "References", "PATH",
         "Shows the association instances that refer to the one PATH names, in MOF.",
         kReferenceOptions | kPropertiesOption, 1, 1},
        {"rin", "ReferenceNames", "PATH",
         "Names the association instances that refer to the one PATH names.", kReferenceOptions, 1,
         1},
        {"cm", "InvokeMethod", "PATH METHOD [Name=value...]",
         "Calls METHOD on the instance (or class) PATH names, with in-arguments typed\n"
         "by the method declaration: integers, booleans, strings, datetimes\n"
         "(TimeoutPeriod=00000000000010.000000:000), references as paths, arrays as\n"
         "{a,b}. Prints the return value and the out-arguments.",
         0, 2, kUnlimited},
    };
    return entries;
}

const VerbInfo* findVerb(std::string_view name) {
    const auto& entries = knownVerbs();
    const auto found = std::find_if(entries.begin(), entries.end(),
                                    [&](const VerbInfo& verb) { return verb.name == name; });
    return found == entries.end() ? nullptr : &*found;
}

CommandLine parseCommandLine(const std::vector<std::string>& arguments,
                             const HostSettings& defaults) {
    return Parser(arguments, defaults).parse();
}

std::string commandHelp(const HostSettings& defaults) {
    std::string text =
        "usage: ovx-cim [OPTIONS] VERB OPERANDS...\n"
        "\n"
        "A CIM client over the embedded host: loads the registered providers and runs one\n"
        "CIM operation. Paths are written as CIM users write them:\n"
        "  [NS:]CLASS.KEY=\"value\",KEY=number   e.g. OVX_IPProtocolEndpoint.Name=\"eth0\",...\n"
        "with references nested as quoted paths (inner quotes escaped as \\\").\n"
        "\n"
        "verbs:\n";
    for (const VerbInfo& verb : knownVerbs()) {
        std::string line = "  " + std::string(verb.name) + " " + std::string(verb.operands);
        line.resize(std::max<std::size_t>(line.size() + 2, 34), ' ');
        text += line + std::string(verb.title) + "\n";
    }
    text += "\noptions:\n";
    for (const OptionInfo& option : knownOptions()) {
        if (option.verbOption == 0) {
            text += optionLine(option);
        }
    }
    text += "\ndefaults:\n  namespace     " + std::string(kDefaultNamespace) +
            "\n  mof           " + defaults.mofFile + "\n  registration  " +
            defaults.registrationFile + "\n  providers     ";
    for (std::size_t i = 0; i < defaults.providerPath.size(); ++i) {
        text += (i == 0 ? "" : ":") + defaults.providerPath[i];
    }
    text +=
        "\n  data dir      OVX_DATA_DIR of the environment (system.json and ifcfg-* files)\n"
        "  backend       OVX_BACKEND of the environment: file (system.json) or linux\n"
        "\n"
        "exit status: 0 success, 1 CIM error (name, code and message on stderr),\n"
        "2 bad command line, 3 the host could not start.\n"
        "'ovx-cim VERB --help' describes a verb and its options.\n";
    return text;
}

std::string verbHelp(const VerbInfo& verb) {
    std::string text = "usage: ovx-cim " + std::string(verb.name) + " [OPTIONS] " +
                       std::string(verb.operands) + "\n\n" + std::string(verb.title) + ": " +
                       std::string(verb.description) + "\n";
    std::string verbOptions;
    for (const OptionInfo& option : knownOptions()) {
        if ((option.verbOption & verb.options) != 0) {
            verbOptions += optionLine(option);
        }
    }
    if (!verbOptions.empty()) {
        text += "\noptions:\n" + verbOptions;
    }
    text += "\nGlobal options (--namespace, --json, --data-dir, ...): ovx-cim --help\n";
    return text;
}

std::string usageHint(const VerbInfo* verb) {
    if (verb == nullptr) {
        return "usage: ovx-cim [OPTIONS] VERB OPERANDS...  (ovx-cim --help)";
    }
    return "usage: ovx-cim " + std::string(verb->name) + " [OPTIONS] " +
           std::string(verb->operands) + "  (ovx-cim " + std::string(verb->name) + " --help)";
}

}  // namespace ovx::cli
