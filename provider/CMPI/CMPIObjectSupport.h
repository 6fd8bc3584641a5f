// What every CMPI object class does the same way: object paths written from
// model getters, incoming keys turned into model filters, instances filled
// property by property, the search for the element a path names exactly,
// and the check-everything-then-write pattern of modifyInstance.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "Trace.h"
#include "cmpidt.h"
#include "cmpift.h"
#include "cmpimacs.h"
#include "providerutilities.h"

namespace Quill {
namespace IPInterfaceProvider {

// A key written into object paths, and the model getter it comes from.
template <typename Model>
struct KeyGetter {
    const char* key;
    bool (Model::*getter)(std::string&) const;
};

// A key of an incoming path that narrows the model, and its filter type.
struct KeyFilter {
    const char* key;
    unsigned int filterType;
};

CMPIStatus okStatus();
// The message is made by the broker; there is none without a broker.
CMPIStatus statusWithMessage(const CMPIBroker* broker, CMPIrc rc, const std::string& message);

// The CIMOM's string form of a path, empty when it cannot tell.
std::string objectPathText(const CMPIBroker* broker, const CMPIObjectPath* path);

// Whether both paths carry the same keys with the same values (key names
// compared without regard to case, as CIM does).
bool haveSameKeys(const CMPIObjectPath* first, const CMPIObjectPath* second);

// A new path of the class with every key whose getter has a value, in the
// order given; null when the broker cannot make one.
template <typename Model, typename Keys>
CMPIObjectPath* buildObjectPath(const CMPIBroker* broker, const char* className,
                                const std::string& nameSpace, const Model& model,
                                const Keys& keys) {
    CMPIObjectPath* const path = ProviderUtilities::createObjectPath(broker, className, nameSpace);
    if (path == nullptr) {
        return nullptr;
    }
    for (const KeyGetter<Model>& key : keys) {
        std::string value;
        if ((model.*key.getter)(value)) {
            ProviderUtilities::setKeyProperty(path, key.key, value);
        }
    }
    return path;
}

// Hands every key of the path that names a filter to narrow, in the order of
// filters; absent keys are skipped. A path without keys narrows nothing.
template <typename Filters, typename Narrow>
void narrowByKeys(const CMPIObjectPath* path, const Filters& filters, Narrow narrow) {
    if (ProviderUtilities::getKeyCount(path) == 0) {
        return;
    }
    for (const KeyFilter& filter : filters) {
        std::string value;
        if (ProviderUtilities::getKeyProperty(path, filter.key, value)) {
            QUILL_TRACE_VALUE(filter.key, value);
            narrow(filter.filterType, std::move(value));
        }
    }
}

// Fills the properties of one instance from model getters. Every getter gets
// a fresh value, so one that answers true without writing shows the empty
// text or 0, never what the previous getter read.
class PropertyWriter {
  public:
    PropertyWriter(const CMPIBroker* broker, CMPIInstance* instance)
        : broker_(broker), instance_(instance) {}

    // The value written, or nothing when the getter had none.
    template <typename Model, typename Value>
    std::optional<Value> set(const char* name, const Model& model,
                             bool (Model::*getter)(Value&) const) {
        Value value{};
        if (!(model.*getter)(value)) {
            return std::nullopt;
        }
        ProviderUtilities::setProperty(instance_, name, value);
        return value;
    }

    // A uint16 array property.
    template <typename Model>
    bool setArray(const char* name, const Model& model,
                  bool (Model::*getter)(std::vector<unsigned short>&) const) {
        std::vector<unsigned short> values;
        if (!(model.*getter)(values)) {
            return false;
        }
        return ProviderUtilities::setProperty(broker_, instance_, name, values);
    }

  private:
    const CMPIBroker* const broker_;
    CMPIInstance* const instance_;
};

// Moves the object on until it stands on the element whose keys are exactly
// those of the path; false when the walk ends first.
template <typename Object>
bool positionOnKeys(Object& object, const CMPIObjectPath* requested) {
    for (; object; ++object) {
        const CMPIObjectPath* const current = object.getObjectPath();
        if (current != nullptr && haveSameKeys(current, requested)) {
            return true;
        }
    }
    return false;
}

// The changes one modifyInstance request would make. Every property is
// checked first; the writes happen only when nothing was refused, and a write
// the node tree refuses takes back the writes made before it.
class ModificationPlan {
  public:
    explicit ModificationPlan(const CMPIBroker* broker) : broker_(broker) {}

    // Ends the request with rc and message; the first refusal is the one reported.
    void refuse(CMPIrc rc, const std::string& message);
    bool refused() const { return refusal_.has_value(); }

    // Refuses with rc 4 unless ValidateInput accepts the address text.
    void checkAddress(const char* property, const std::string& value, const std::string& kind);
    // Refuses with rc 1 when the element does not take writes of the property.
    void checkWritable(const char* property, bool writable);

    // A write to make once every check has passed; apply says whether it was taken.
    void write(const char* property, std::function<bool()> apply);

    // The refusal, or the writes in order: rc 0 when all were taken, else
    // undo() (true when it took everything back) and rc 1 naming the
    // property whose write was refused.
    CMPIStatus carryOut(const std::function<bool()>& undo) const;

  private:
    struct Write {
        const char* property;
        std::function<bool()> apply;
    };

    const CMPIBroker* const broker_;
    std::optional<std::pair<CMPIrc, std::string>> refusal_;
    std::vector<Write> writes_;
};

// Puts the object on the element that the new instance's own path names, as
// modifyInstance needs. Nothing when it stands there; otherwise the status
// to end the request with: unchanged (rc 0) without an instance or path, as
// the broker left it when the path cannot be had, rc 6 when no element has
// exactly these keys. The path text is traced under pathVariable.
template <typename Object>
std::optional<CMPIStatus> positionOnInstance(Object& object, const CMPIBroker* broker,
                                             const CMPIInstance* newInstance, const char* className,
                                             const char* pathVariable) {
    CMPIStatus status = okStatus();
    if (newInstance == nullptr || newInstance->hdl == nullptr) {
        return status;
    }
    const CMPIObjectPath* const path = CMGetObjectPath(newInstance, &status);
    if (path == nullptr || path->hdl == nullptr) {
        return status;
    }
    QUILL_TRACE_VALUE(pathVariable, objectPathText(broker, path));
    if (ProviderUtilities::getKeyCount(path) > 0) {
        object.setObjectPath(path);
        if (positionOnKeys(object, path)) {
            return std::nullopt;
        }
    } else if (object) {
        return std::nullopt;
    }
    return statusWithMessage(broker, CMPI_RC_ERR_NOT_FOUND,
                             std::string("No ") + className + " instance has the given keys");
}

// Refuses with rc 4 unless the text is empty or an address of the family
// (IPv6 or IPv4) that the property stands for.
void checkAddressOfFamily(ModificationPlan& plan, const char* property, const std::string& value,
                          bool ipv6);

// Refuses with rc 4 a text holding a control character: such a value could
// break a line of a configuration file and smuggle other keys into it.
void checkStorableText(ModificationPlan& plan, const char* property, const std::string& value);

// rc 1 for a configuration file that could not be rewritten; the message
// names the interface and says that nothing was changed.
CMPIStatus configurationFileFailure(const CMPIBroker* broker, const std::string& interfaceName,
                                    const std::string& reason);

}  // namespace IPInterfaceProvider
}  // namespace Quill
