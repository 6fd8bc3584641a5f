// What the association models share: reading keys out of a moniker, building
// the moniker of the other end, and the names of the system nodes.
#pragma once

#include <initializer_list>
#include <optional>
#include <string>
#include <utility>

#include "instrumentation.h"
#include "providerutilities.h"

namespace Quill {
namespace IPInterfaceProvider {

// The value of the key whose name is exactly name (case-sensitive, whole),
// wherever it stands in the moniker; nothing when it has none.
std::optional<std::string> findKey(Moniker& moniker, const char* name);

// The value of the key, or Quill::FrameworkException with the failure text.
std::string requireKey(Moniker& moniker, const char* name, const char* failure);

// A moniker of the keys in the order given.
Moniker makeMoniker(std::initializer_list<std::pair<const char*, std::string>> keys);

// The Name of the computer-system node under the cursor. A node without one
// is the host itself and goes by its host name, as its endpoints do.
std::optional<std::string> computerSystemName(const Instrumentation& cursor);

// The host computer system that the endpoint or other hosted element named by
// the moniker's "SystemName" belongs to, as a moniker with its "Name" key.
Moniker computerSystemMonikerFor(Instrumentation& cursor, Moniker& hostedMoniker);

// Walks the model from its first element and leaves it on the first element
// that matches; false when none does.
template <typename Model, typename Match>
bool findFirst(Model& model, Match match) {
    for (; model; ++model) {
        if (match(static_cast<const Model&>(model))) {
            return true;
        }
    }
    return false;
}

}  // namespace IPInterfaceProvider
}  // namespace Quill
