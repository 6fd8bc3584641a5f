// What the association models share: reading keys out of a moniker, building
// the moniker of the other end, and the names of the system nodes.
#pragma once

#include <initializer_list>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "Exceptions.h"
#include "instrumentation.h"
#include "providerutilities.h"

namespace Quill {
namespace IPInterfaceProvider {

// The value of the key whose name is exactly name (case-sensitive, whole),
// wherever it stands in the moniker; nothing when it has none.
std::optional<std::string> findKey(Moniker& moniker, const char* name);

// The value of the key, or Quill::FrameworkException with the failure text.
std::string requireKey(Moniker& moniker, const char* name, const char* failure);

// The fields of text separated by separator ("a%b%c": a, b, c).
std::vector<std::string> splitFields(const std::string& text, char separator);

// The part of an interface name before its first "_" ("eth0" of "eth0_1").
std::string firstToken(const std::string& name);

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

// The same over the elements whose interface Name the query may select: the
// walk jumps over the interfaces whose Names could not match.
template <typename Model, typename Match>
bool findFirst(Model& model, const NameQuery& candidates, Match match) {
    for (model.seek(candidates); model; ++model, model.seek(candidates)) {
        if (match(static_cast<const Model&>(model))) {
            return true;
        }
    }
    return false;
}

// Leaves the model on its first element hosted on the system named; false
// when none is.
template <typename Model>
bool findOnSystem(Model& model, const std::string& systemName) {
    return findFirst(model, [&](const Model& each) {
        std::string name;
        return each.getSystemName(name) && name == systemName;
    });
}

// The "Name" of the system moniker, once an element of a fresh Model is
// found hosted on that system; Quill::FrameworkException when none is.
template <typename Model>
std::string requireHostingSystemName(Moniker& systemMoniker) {
    const std::string name =
        requireKey(systemMoniker, "Name", "Could not find 'Name' key in Moniker");
    Model elements;
    if (!findOnSystem(elements, name)) {
        throw FrameworkException(
            "Could not match 'System Name' key with 'Name' key in Computer Moniker");
    }
    return name;
}

// The query for a Name compared whole, as the interface's Name or as a field
// of a "%"-separated identifier holding it.
inline NameQuery named(const std::string& name) {
    return NameQuery{{name}, {}, true};
}

// Hands found the first element of a fresh Model whose name (as nameOf reads
// it) is wanted, whole; when no element has it, the first whose name's first
// "_" token is wanted (tokenOfCandidate) or is wanted's first token. False
// when neither pass finds one.
template <typename Model, typename NameOf, typename Found>
bool findByInterfaceName(const std::string& wanted, bool tokenOfCandidate, NameOf nameOf,
                         Found found) {
    for (const bool whole : {true, false}) {
        NameQuery candidates = named(whole ? wanted : firstToken(wanted));
        if (!whole && tokenOfCandidate) {
            candidates.firstTokens.push_back(wanted);
        }
        Model model;
        const bool matched = findFirst(model, candidates, [&](const Model& each) {
            const std::string name = nameOf(each);
            if (whole) {
                return name == wanted;
            }
            return tokenOfCandidate ? firstToken(name) == wanted : name == firstToken(wanted);
        });
        if (matched) {
            found(static_cast<const Model&>(model));
            return true;
        }
    }
    return false;
}

}  // namespace IPInterfaceProvider
}  // namespace Quill
