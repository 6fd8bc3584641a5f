#include "providerutilities.h"

#include <arpa/inet.h>
#include <netinet/in.h>

#include "CmpiValueText.h"

namespace Quill {

namespace {

// inet_pton takes only the bare textual forms: no blanks, no control
// characters, no trailing text, no IPv6 zone ("%eth0") and, for IPv4,
// exactly four decimal parts without leading zeros.
bool isIPv4Text(const std::string& value) {
    in_addr address{};
    return detail::fitsCString(value) && ::inet_pton(AF_INET, value.c_str(), &address) == 1;
}

bool isIPv6Text(const std::string& value) {
    in6_addr address{};
    return detail::fitsCString(value) && ::inet_pton(AF_INET6, value.c_str(), &address) == 1;
}

constexpr int kRefused = 0;
constexpr int kAccepted = 1;

}  // namespace

int ProviderUtilities::ValidateInput(std::string value, std::string kind) {
    // Clearing an address is always allowed.
    if (value.empty()) {
        return kAccepted;
    }
    if (kind.empty()) {
        return isIPv4Text(value) ? kAccepted : kRefused;
    }
    if (kind == ":") {
        return isIPv6Text(value) || isIPv4Text(value) ? kAccepted : kRefused;
    }
    return kRefused;
}

}  // namespace Quill
