#include "SettingsSection.h"

#include "PeerClasses.h"

#include <arpa/inet.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cctype>
#include <exception>
#include <set>
#include <utility>

namespace ovx::peers {
namespace {

// Keeps members where a person put them when the section is written back.
using Json = nlohmann::ordered_json;

constexpr std::size_t kMaxTextLength = 1024;
constexpr std::size_t kMaxInstanceIdLength = 256;
constexpr std::size_t kMaxLabelLength = 63;
constexpr std::size_t kMaxDomainLength = 253;
constexpr const char* kDnsEndpointsMember = "DNSProtocolEndpoints";
constexpr const char* kMacAddressesMember = "MACAddresses";
// CIM AddressOrigin codes a DNS configuration can come from.
constexpr std::uint16_t kStaticOrigin = 3;
constexpr std::uint16_t kDhcpOrigin = 4;

bool isComment(const std::string& member) {
    return !member.empty() && member.front() == '_';
}

std::string inQuotes(std::string_view text) {
    return "\"" + std::string(text) + "\"";
}

std::string checkPrintable(const std::string& text, std::size_t maxLength) {
    if (text.size() > maxLength) {
        return "is longer than " + std::to_string(maxLength) + " characters";
    }
    const bool hasControl = std::any_of(text.begin(), text.end(), [](char character) {
        const auto code = static_cast<unsigned char>(character);
        return code < 0x20 || code == 0x7f;
    });
    return hasControl ? "contains control characters" : "";
}

std::string checkLabel(std::string_view label) {
    if (label.empty() || label.size() > kMaxLabelLength) {
        return "has a label that is empty or longer than 63 characters";
    }
    if (label.front() == '-' || label.back() == '-') {
        return "has a label that begins or ends with \"-\"";
    }
    const bool fit = std::all_of(label.begin(), label.end(), [](char character) {
        return std::isalnum(static_cast<unsigned char>(character)) || character == '-';
    });
    return fit ? "" : "may hold only letters, digits, \"-\" and \".\" between labels";
}

const std::string& textIn(const PeerValue& value) {
    return std::get<std::string>(value);
}

std::string checkPlainText(const PeerValue& value) {
    return checkPrintable(textIn(value), kMaxTextLength);
}

std::string checkInstanceId(const PeerValue& value) {
    const std::string& text = textIn(value);
    if (text.empty()) {
        return "is empty";
    }
    return checkPrintable(text, kMaxInstanceIdLength);
}

std::string checkRequestedHostName(const PeerValue& value) {
    return checkHostName(textIn(value));
}

std::string checkDomain(const PeerValue& value) {
    return checkDomainName(textIn(value));
}

std::string checkServerList(const PeerValue& value) {
    for (const auto& address : std::get<std::vector<std::string>>(value)) {
        if (std::string problem = checkIpAddress(address); !problem.empty()) {
            return "holds " + inQuotes(address) + ", which " + problem;
        }
    }
    return "";
}

std::string checkSuffixList(const PeerValue& value) {
    for (const auto& suffix : std::get<std::vector<std::string>>(value)) {
        if (suffix.empty()) {
            return "holds an empty suffix";
        }
        if (std::string problem = checkDomainName(suffix); !problem.empty()) {
            return "holds " + inQuotes(suffix) + ", which " + problem;
        }
    }
    return "";
}

std::string checkDnsOrigin(const PeerValue& value) {
    const std::uint16_t origin = std::get<std::uint16_t>(value);
    return origin == kStaticOrigin || origin == kDhcpOrigin
               ? ""
               : "must be 3 (static) or 4 (DHCP), not " + std::to_string(origin);
}

using Access = PropertyRule::Access;

PropertyRule keyRule() {
    return {"InstanceID", ValueKind::Text, Access::Key, checkInstanceId, std::nullopt};
}

PropertyRule textRule(std::string_view name, std::string (*check)(const PeerValue&)) {
    return {name, ValueKind::Text, Access::Writable, check, std::nullopt};
}

std::vector<SettingClass> makeSettingClasses() {
    std::vector<SettingClass> known;
    known.push_back(
        {classes::kDHCPSettingData,
         "DHCPSettingData",
         {keyRule(),
          textRule("ElementName", checkPlainText),
          textRule("ConfigurationName", checkPlainText),
          {"AddressOrigin", ValueKind::Number, Access::Fixed, nullptr, PeerValue(kDhcpOrigin)}}});
    known.push_back(
        {classes::kDNSSettingData,
         "DNSSettingData",
         {keyRule(),
          textRule("ElementName", checkPlainText),
          textRule("ConfigurationName", checkPlainText),
          textRule("RequestedHostname", checkRequestedHostName),
          textRule("DomainName", checkDomain),
          {"DNSServerAddresses", ValueKind::TextList, Access::Writable, checkServerList,
           std::nullopt},
          {"AddressOrigin", ValueKind::Number, Access::Writable, checkDnsOrigin, std::nullopt}}});
    known.push_back({classes::kDNSGeneralSettingData,
                     "DNSGeneralSettingData",
                     {keyRule(),
                      textRule("ElementName", checkPlainText),
                      textRule("ConfigurationName", checkPlainText),
                      {"DNSSuffixesToAppend", ValueKind::TextList, Access::Writable,
                       checkSuffixList, std::nullopt}}});
    return known;
}

const char* kindDescription(ValueKind kind) {
    switch (kind) {
        case ValueKind::TextList:
            return "an array of strings";
        case ValueKind::Number:
            return "a whole number from 0 to 65535";
        case ValueKind::Text:
            break;
    }
    return "a string";
}

bool fitsKind(const PeerValue& value, ValueKind kind) {
    switch (kind) {
        case ValueKind::Text:
            return std::holds_alternative<std::string>(value);
        case ValueKind::TextList:
            return std::holds_alternative<std::vector<std::string>>(value);
        case ValueKind::Number:
            return std::holds_alternative<std::uint16_t>(value);
    }
    return false;
}

std::optional<PeerValue> fromJson(const Json& value, ValueKind kind) {
    switch (kind) {
        case ValueKind::Text:
            if (value.is_string()) {
                return PeerValue(value.get<std::string>());
            }
            break;
        case ValueKind::TextList:
            if (value.is_array() && std::all_of(value.begin(), value.end(), [](const Json& item) {
                    return item.is_string();
                })) {
                return PeerValue(value.get<std::vector<std::string>>());
            }
            break;
        case ValueKind::Number:
            if (value.is_number_unsigned() && value.get<unsigned long long>() <= UINT16_MAX) {
                return PeerValue(static_cast<std::uint16_t>(value.get<unsigned long long>()));
            }
            break;
    }
    return std::nullopt;
}

Json toJson(const PeerValue& value) {
    if (const auto* text = std::get_if<std::string>(&value)) {
        return Json(*text);
    }
    if (const auto* list = std::get_if<std::vector<std::string>>(&value)) {
        return Json(*list);
    }
    if (const auto* number = std::get_if<std::uint16_t>(&value)) {
        return Json(*number);
    }
    if (const auto* flag = std::get_if<bool>(&value)) {
        return Json(*flag);
    }
    return Json(std::get<std::vector<std::uint16_t>>(value));
}

// Reads a whole section, collecting every problem in it.
class SectionReader {
  public:
    explicit SectionReader(SettingsContents& contents) : contents_(contents) {}

    std::vector<std::string> read(const Json& section) {
        if (!section.is_object()) {
            problems_.push_back("the section must be a JSON object");
            return problems_;
        }
        for (const auto& [member, value] : section.items()) {
            if (isComment(member)) {
                continue;
            }
            if (const SettingClass* settingClass = classOfMember(member)) {
                readEntries(*settingClass, value);
            } else if (member == kDnsEndpointsMember) {
                readDnsEndpoints(value);
            } else if (member == kMacAddressesMember) {
                readMacAddresses(value);
            } else {
                problems_.push_back("unknown member " + inQuotes(member));
            }
        }
        return problems_;
    }

  private:
    static const SettingClass* classOfMember(const std::string& member) {
        for (const auto& settingClass : settingClasses()) {
            if (settingClass.member == member) {
                return &settingClass;
            }
        }
        return nullptr;
    }

    void readEntries(const SettingClass& settingClass, const Json& entries) {
        const std::string where(settingClass.member);
        if (!entries.is_array()) {
            problems_.push_back(where + " must be an array of objects");
            return;
        }
        auto& instances = contents_.settings[std::string(settingClass.className)];
        std::set<std::string> ids;
        for (std::size_t index = 0; index < entries.size(); ++index) {
            const std::string position = where + "[" + std::to_string(index) + "]";
            PeerInstance instance;
            if (!readEntry(settingClass, entries[index], position, instance)) {
                continue;
            }
            const std::string& id = instance.name.keys.front().second;
            if (!ids.insert(id).second) {
                problems_.push_back(position + ": InstanceID " + inQuotes(id) +
                                    " is used by an earlier entry");
                continue;
            }
            instances.push_back(std::move(instance));
        }
    }

    bool readEntry(const SettingClass& settingClass, const Json& entry, const std::string& position,
                   PeerInstance& instance) {
        if (!entry.is_object()) {
            problems_.push_back(position + " must be a JSON object");
            return false;
        }
        const std::size_t problemsBefore = problems_.size();
        instance.name.className = std::string(settingClass.className);
        for (const auto& [member, value] : entry.items()) {
            if (isComment(member)) {
                continue;
            }
            const PropertyRule* rule = settingClass.rule(member);
            if (rule == nullptr || rule->access == Access::Fixed) {
                problems_.push_back(position + ": " + inQuotes(member) +
                                    " is not a property kept for " +
                                    std::string(settingClass.className));
                continue;
            }
            if (rule->name != member) {
                problems_.push_back(position + ": write " + inQuotes(member) + " as " +
                                    inQuotes(rule->name));
                continue;
            }
            const auto converted = fromJson(value, rule->kind);
            if (!converted) {
                problems_.push_back(position + ": " + member + " must be " +
                                    kindDescription(rule->kind));
                continue;
            }
            if (std::string problem = rule->check(*converted); !problem.empty()) {
                problems_.push_back(position + ": " + member + " " + problem);
                continue;
            }
            if (rule->access == Access::Key) {
                instance.name.keys.emplace_back(member, textIn(*converted));
            } else {
                instance.properties.push_back({member, *converted});
            }
        }
        if (instance.name.keys.empty() && problems_.size() == problemsBefore) {
            problems_.push_back(position + " has no InstanceID");
        }
        if (problems_.size() != problemsBefore) {
            return false;
        }
        for (const auto& rule : settingClass.rules) {
            if (rule.access == Access::Fixed) {
                instance.properties.push_back({std::string(rule.name), *rule.fixedValue});
            }
        }
        return true;
    }

    void readDnsEndpoints(const Json& value) {
        if (!value.is_array()) {
            problems_.push_back(std::string(kDnsEndpointsMember) +
                                " must be an array of interface names");
            return;
        }
        std::set<std::string> seen;
        for (std::size_t index = 0; index < value.size(); ++index) {
            const std::string position =
                std::string(kDnsEndpointsMember) + "[" + std::to_string(index) + "]";
            const Json& name = value[index];
            if (!name.is_string() || name.get<std::string>().empty()) {
                problems_.push_back(position + " must be the name of an interface");
            } else if (!seen.insert(name.get<std::string>()).second) {
                problems_.push_back(position + ": " + inQuotes(name.get<std::string>()) +
                                    " is listed twice");
            } else {
                contents_.dnsEndpointInterfaces.push_back(name.get<std::string>());
            }
        }
    }

    void readMacAddresses(const Json& value) {
        if (!value.is_object()) {
            problems_.push_back(std::string(kMacAddressesMember) +
                                " must map LAN endpoint names to MAC addresses");
            return;
        }
        for (const auto& [endpoint, address] : value.items()) {
            if (isComment(endpoint)) {
                continue;
            }
            const auto normalized = address.is_string()
                                        ? normalizedMacAddress(address.get<std::string>())
                                        : std::nullopt;
            if (!normalized) {
                problems_.push_back(std::string(kMacAddressesMember) + "." + endpoint +
                                    " must be a MAC address such as \"52:54:00:12:34:56\"");
                continue;
            }
            contents_.macAddresses[endpoint] = *normalized;
        }
    }

    SettingsContents& contents_;
    std::vector<std::string> problems_;
};

std::string joined(const std::vector<std::string>& problems) {
    std::string text;
    for (const auto& problem : problems) {
        text += (text.empty() ? "" : "; ") + problem;
    }
    return text;
}

Outcome brokenSection(const std::vector<std::string>& problems) {
    return Outcome::failure(CMPI_RC_ERR_FAILED, std::string("The ") + kSettingsSection +
                                                    " section of the system description is "
                                                    "unusable: " +
                                                    joined(problems));
}

// Checks one change against the class's rules, before anything is touched.
Outcome checkChange(const SettingClass& settingClass, const std::string& instanceId,
                    const PropertyChange& change) {
    const std::string className(settingClass.className);
    const PropertyRule* rule = settingClass.rule(change.name);
    if (rule == nullptr) {
        return Outcome::failure(CMPI_RC_ERR_NO_SUCH_PROPERTY,
                                inQuotes(change.name) + " is not a property of " + className);
    }
    const std::string name(rule->name);
    if (change.value && !fitsKind(*change.value, rule->kind)) {
        return Outcome::failure(CMPI_RC_ERR_TYPE_MISMATCH, name + " of " + className + " must be " +
                                                               kindDescription(rule->kind));
    }
    switch (rule->access) {
        case Access::Key:
            if (!change.value || textIn(*change.value) != instanceId) {
                return Outcome::failure(
                    CMPI_RC_ERR_INVALID_PARAMETER,
                    name + " is the key of " + className + " and cannot be changed");
            }
            return Outcome::success();
        case Access::Fixed:
            if (!change.value || *change.value != *rule->fixedValue) {
                return Outcome::failure(
                    CMPI_RC_ERR_INVALID_PARAMETER,
                    name + " of " + className + " is fixed and cannot be changed");
            }
            return Outcome::success();
        case Access::Writable:
            break;
    }
    if (change.value) {
        if (std::string problem = rule->check(*change.value); !problem.empty()) {
            return Outcome::failure(CMPI_RC_ERR_INVALID_PARAMETER, name + " " + problem);
        }
    }
    return Outcome::success();
}

Json* findEntry(Json& section, const SettingClass& settingClass, const std::string& instanceId) {
    const auto entries = section.find(std::string(settingClass.member));
    if (entries == section.end()) {
        return nullptr;
    }
    for (auto& entry : *entries) {
        const auto id = entry.find("InstanceID");
        if (id != entry.end() && id->is_string() && id->get<std::string>() == instanceId) {
            return &entry;
        }
    }
    return nullptr;
}

}  // namespace

const PropertyRule* SettingClass::rule(std::string_view propertyName) const {
    for (const auto& candidate : rules) {
        if (equalsIgnoreCase(candidate.name, propertyName)) {
            return &candidate;
        }
    }
    return nullptr;
}

const std::vector<SettingClass>& settingClasses() {
    static const std::vector<SettingClass> known = makeSettingClasses();
    return known;
}

const SettingClass* findSettingClass(std::string_view className) {
    for (const auto& settingClass : settingClasses()) {
        if (equalsIgnoreCase(settingClass.className, className)) {
            return &settingClass;
        }
    }
    return nullptr;
}

const std::vector<PeerInstance>& SettingsContents::instancesOf(std::string_view className) const {
    static const std::vector<PeerInstance> none;
    for (const auto& [name, instances] : settings) {
        if (equalsIgnoreCase(name, className)) {
            return instances;
        }
    }
    return none;
}

Outcome interpretSettings(const std::string& jsonText, SettingsContents& contents) {
    contents = {};
    Json section;
    try {
        section = Json::parse(jsonText);
    } catch (const Json::exception& error) {
        return brokenSection({std::string("it is not valid JSON: ") + error.what()});
    }
    SettingsContents read;
    const auto problems = SectionReader(read).read(section);
    if (!problems.empty()) {
        return brokenSection(problems);
    }
    contents = std::move(read);
    return Outcome::success();
}

Outcome readSettings(Quill::NodeStore& store, SettingsContents& contents) {
    contents = {};
    const auto text = store.readSection(kSettingsSection);
    if (!text) {
        return Outcome::success();
    }
    return interpretSettings(*text, contents);
}

Outcome modifySetting(Quill::NodeStore& store, std::string_view className,
                      const std::string& instanceId, const std::vector<PropertyChange>& changes) {
    const SettingClass* settingClass = findSettingClass(className);
    if (settingClass == nullptr) {
        return Outcome::failure(CMPI_RC_ERR_INVALID_CLASS,
                                std::string(className) + " is not a setting class kept here");
    }
    for (const auto& change : changes) {
        if (Outcome checked = checkChange(*settingClass, instanceId, change); !checked.ok()) {
            return checked;
        }
    }
    const std::string notFound =
        std::string(settingClass->className) + " " + inQuotes(instanceId) + " does not exist";
    Outcome outcome = Outcome::failure(CMPI_RC_ERR_NOT_FOUND, notFound);
    const bool kept = store.updateSection(kSettingsSection, [&](std::string& text) {
        if (text.empty()) {
            return false;
        }
        Json section;
        try {
            section = Json::parse(text);
        } catch (const Json::exception& error) {
            outcome = brokenSection({std::string("it is not valid JSON: ") + error.what()});
            return false;
        }
        SettingsContents current;
        if (const auto problems = SectionReader(current).read(section); !problems.empty()) {
            outcome = brokenSection(problems);
            return false;
        }
        Json* entry = findEntry(section, *settingClass, instanceId);
        if (entry == nullptr) {
            return false;
        }
        for (const auto& change : changes) {
            const PropertyRule& rule = *settingClass->rule(change.name);
            if (rule.access != Access::Writable) {
                continue;
            }
            const std::string name(rule.name);
            if (change.value) {
                (*entry)[name] = toJson(*change.value);
            } else {
                entry->erase(name);
            }
        }
        text = section.dump();
        outcome = Outcome::success();
        return true;
    });
    if (!kept && outcome.ok()) {
        return Outcome::failure(CMPI_RC_ERR_FAILED,
                                "The change of " + std::string(settingClass->className) + " " +
                                    inQuotes(instanceId) +
                                    " could not be written to the system description");
    }
    return outcome;
}

std::string checkIpAddress(const std::string& text) {
    unsigned char buffer[sizeof(in6_addr)];
    if (::inet_pton(AF_INET, text.c_str(), buffer) == 1 ||
        ::inet_pton(AF_INET6, text.c_str(), buffer) == 1) {
        return "";
    }
    return "is not an IPv4 or IPv6 address";
}

std::string checkHostName(const std::string& text) {
    if (text.empty()) {
        return "";
    }
    if (text.find('.') != std::string::npos) {
        return "must be a single name without the domain";
    }
    return checkLabel(text);
}

std::string checkDomainName(const std::string& text) {
    if (text.empty()) {
        return "";
    }
    if (text.size() > kMaxDomainLength) {
        return "is longer than 253 characters";
    }
    std::size_t start = 0;
    while (true) {
        const std::size_t end = std::min(text.find('.', start), text.size());
        if (std::string problem = checkLabel(std::string_view(text).substr(start, end - start));
            !problem.empty()) {
            return problem;
        }
        if (end == text.size()) {
            return "";
        }
        start = end + 1;
    }
}

std::optional<std::string> normalizedMacAddress(const std::string& text) {
    std::string digits;
    const bool separated = text.size() == 17;
    if (!separated && text.size() != 12) {
        return std::nullopt;
    }
    for (std::size_t index = 0; index < text.size(); ++index) {
        const char character = text[index];
        if (separated && index % 3 == 2) {
            if (character != text[2] || (character != ':' && character != '-')) {
                return std::nullopt;
            }
            continue;
        }
        if (!std::isxdigit(static_cast<unsigned char>(character))) {
            return std::nullopt;
        }
        digits += static_cast<char>(std::toupper(static_cast<unsigned char>(character)));
    }
    return digits;
}

}  // namespace ovx::peers
