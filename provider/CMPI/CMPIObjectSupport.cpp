#include "CMPI/CMPIObjectSupport.h"

#include <arpa/inet.h>
#include <strings.h>

#include <cstdint>
#include <optional>

#include "Zodavez/InterfaceConfigFile.h"

#include "cmpimacs.h"

namespace Quill {
namespace IPInterfaceProvider {

CMPIStatus okStatus() {
    return CMPIStatus{CMPI_RC_OK, nullptr};
}

CMPIStatus statusWithMessage(const CMPIBroker* broker, CMPIrc rc, const std::string& message) {
    CMPIStatus status{rc, nullptr};
    if (broker != nullptr) {
        status.msg = CMNewString(broker, message.c_str(), nullptr);
    }
    return status;
}

std::string objectPathText(const CMPIBroker* broker, const CMPIObjectPath* path) {
    if (broker == nullptr || path == nullptr) {
        return std::string();
    }
    const CMPIString* const text = CDToString(broker, path, nullptr);
    if (text == nullptr || text->hdl == nullptr) {
        return std::string();
    }
    const char* const characters = CMGetCharsPtr(text, nullptr);
    return characters != nullptr ? std::string(characters) : std::string();
}

namespace {

// References name the same instance whatever text form each path gives them.
bool sameReference(const CMPIObjectPath* first, const CMPIObjectPath* second, const char* key) {
    CMPIObjectPath* firstReference = nullptr;
    CMPIObjectPath* secondReference = nullptr;
    return ProviderUtilities::getKeyProperty(first, key, &firstReference) &&
           ProviderUtilities::getKeyProperty(second, key, &secondReference) &&
           strcasecmp(ProviderUtilities::getClassName(firstReference).c_str(),
                      ProviderUtilities::getClassName(secondReference).c_str()) == 0 &&
           haveSameKeys(firstReference, secondReference);
}

}  // namespace

bool haveSameKeys(const CMPIObjectPath* first, const CMPIObjectPath* second) {
    Moniker firstKeys;
    Moniker secondKeys;
    if (!ProviderUtilities::transformObjectPathToMoniker(first, firstKeys) ||
        !ProviderUtilities::transformObjectPathToMoniker(second, secondKeys) ||
        firstKeys.getKeyCount() != secondKeys.getKeyCount()) {
        return false;
    }
    for (const Moniker::KeyComponent& key : firstKeys.keys()) {
        bool matched = false;
        for (const Moniker::KeyComponent& other : secondKeys.keys()) {
            if (strcasecmp(key.name.c_str(), other.name.c_str()) == 0) {
                matched = key.type == CMPI_ref && other.type == CMPI_ref
                              ? sameReference(first, second, key.name.c_str())
                              : key.value == other.value;
                break;
            }
        }
        if (!matched) {
            return false;
        }
    }
    return true;
}

void ModificationPlan::refuse(CMPIrc rc, const std::string& message) {
    QUILL_TRACE_ENTER_PARAMS(" rc=" << static_cast<int>(rc) << " message=" << message);
    if (!refusal_) {
        refusal_ = std::make_pair(rc, message);
    }
}

void ModificationPlan::checkAddress(const char* property, const std::string& value,
                                    const std::string& kind) {
    QUILL_TRACE_ENTER_PARAMS(" property=" << property << " kind=" << kind);
    if (ProviderUtilities::ValidateInput(value, kind) == 0) {
        refuse(CMPI_RC_ERR_INVALID_PARAMETER,
               std::string("Invalid value for property '") + property + "'");
    }
}

namespace {

// The address as a number, nothing unless it is a dotted quad.
std::optional<std::uint32_t> ipv4Number(const std::string& text) {
    in_addr address{};
    if (ProviderUtilities::ValidateInput(text, "") == 0 ||
        inet_pton(AF_INET, text.c_str(), &address) != 1) {
        return std::nullopt;
    }
    return ntohl(address.s_addr);
}

}  // namespace

void ModificationPlan::checkHostAddress(const char* property, const std::string& value) {
    QUILL_TRACE_ENTER_PARAMS(" property=" << property << " value=" << value);
    if (value.empty()) {
        return;
    }
    const auto number = ipv4Number(value);
    const bool multicast = number && (*number >> 28) == 0xEu;
    if (!number || *number == 0 || *number == 0xFFFFFFFFu || multicast) {
        refuse(CMPI_RC_ERR_INVALID_PARAMETER, std::string("Invalid value for property '") +
                                                  property +
                                                  "': not an address an interface can have");
    }
}

void ModificationPlan::checkSubnetMask(const char* property, const std::string& value) {
    QUILL_TRACE_ENTER_PARAMS(" property=" << property << " value=" << value);
    if (value.empty()) {
        return;
    }
    const auto number = ipv4Number(value);
    // A prefix mask is ones then zeros: its complement plus one is a power of two.
    const std::uint32_t hostPart = number ? ~*number : 1u;
    if (!number || (hostPart & (hostPart + 1u)) != 0) {
        refuse(CMPI_RC_ERR_INVALID_PARAMETER, std::string("Invalid value for property '") +
                                                  property + "': not a contiguous subnet mask");
    }
}

void ModificationPlan::checkWritable(const char* property, bool writable, const std::string& why) {
    QUILL_TRACE_ENTER_PARAMS(" property=" << property << " writable=" << writable);
    if (!writable) {
        refuse(CMPI_RC_ERR_FAILED, std::string("Property '") + property + "' cannot be changed" +
                                       (why.empty() ? "" : ": " + why));
    }
}

void ModificationPlan::staged(const char* property) {
    QUILL_TRACE_ENTER_PARAMS(" property=" << property);
    staged_.emplace_back(property);
}

CMPIStatus ModificationPlan::carryOut(const std::function<bool()>& commit) const {
    QUILL_TRACE_ENTER();
    if (refusal_) {
        QUILL_TRACE_MESSAGE(Trace::kFailureLevel, refusal_->second);
        return statusWithMessage(broker_, refusal_->first, refusal_->second);
    }
    if (staged_.empty() || commit()) {
        return okStatus();
    }
    std::string names;
    for (const std::string& name : staged_) {
        names += (names.empty() ? "'" : ", '") + name + "'";
    }
    const std::string message =
        "The system refused the new values of " + names + "; nothing was changed";
    QUILL_TRACE_MESSAGE(Trace::kFailureLevel, message);
    return statusWithMessage(broker_, CMPI_RC_ERR_FAILED, message);
}

ModifyInput readModifyValue(const CMPIInstance* instance, const char* name, CMPIType type,
                            ModifyValue& value) {
    if (instance == nullptr || instance->hdl == nullptr) {
        return ModifyInput::Absent;
    }
    CMPIStatus status{CMPI_RC_OK, nullptr};
    const CMPIData data = CMGetProperty(instance, name, &status);
    if (status.rc != CMPI_RC_OK || (data.state & CMPI_notFound) != 0) {
        return ModifyInput::Absent;
    }
    if ((data.state & CMPI_nullValue) != 0) {
        return ModifyInput::Null;
    }
    if (type == CMPI_string) {
        std::string text;
        if (ProviderUtilities::getProperty(instance, name, text, false)) {
            value = std::move(text);
            return ModifyInput::Present;
        }
    } else if (type == CMPI_uint16) {
        unsigned short number = 0;
        if (ProviderUtilities::getProperty(instance, name, number)) {
            value = number;
            return ModifyInput::Present;
        }
    }
    return ModifyInput::WrongType;
}

bool isListed(const char** properties, const char* name) {
    if (properties == nullptr) {
        return true;
    }
    for (const char** listed = properties; *listed != nullptr; ++listed) {
        if (strcasecmp(*listed, name) == 0) {
            return true;
        }
    }
    return false;
}

void checkAddressOfFamily(ModificationPlan& plan, const char* property, const std::string& value,
                          bool ipv6) {
    QUILL_TRACE_ENTER_PARAMS(" property=" << property << " ipv6=" << ipv6);
    if (value.empty()) {
        return;
    }
    const bool ipv4Text = ProviderUtilities::ValidateInput(value, "") != 0;
    const bool accepted =
        ipv6 ? !ipv4Text && ProviderUtilities::ValidateInput(value, ":") != 0 : ipv4Text;
    if (!accepted) {
        if (ipv6) {
            QUILL_TRACE_MESSAGE(Trace::kFailureLevel,
                                "Invalid Security data passed in the property value");
        }
        plan.refuse(CMPI_RC_ERR_INVALID_PARAMETER, std::string("Invalid value for property '") +
                                                       property + "': not an " +
                                                       (ipv6 ? "IPv6" : "IPv4") + " address");
    }
}

void checkStorableText(ModificationPlan& plan, const char* property, const std::string& value) {
    QUILL_TRACE_ENTER_PARAMS(" property=" << property);
    if (!InterfaceConfigFile::isStorable(value)) {
        plan.refuse(CMPI_RC_ERR_INVALID_PARAMETER, std::string("Invalid value for property '") +
                                                       property +
                                                       "': control characters are not allowed");
    }
}

CMPIStatus configurationFileFailure(const CMPIBroker* broker, const std::string& interfaceName,
                                    const std::string& reason) {
    const std::string message = "The configuration file of interface '" + interfaceName +
                                "' could not be written (" + reason + "); nothing was changed";
    QUILL_TRACE_MESSAGE(Trace::kFailureLevel, message);
    return statusWithMessage(broker, CMPI_RC_ERR_FAILED, message);
}

}  // namespace IPInterfaceProvider
}  // namespace Quill
