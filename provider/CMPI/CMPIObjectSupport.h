// What every CMPI object class does the same way: object paths written from
// model getters, incoming keys turned into model filters, instances filled
// property by property, the search for the element a path names exactly,
// and the table-driven modify step: check everything, then write one batch.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <variant>
#include <vector>

#include "Trace.h"
#include "cmpidt.h"
#include "cmpift.h"
#include "cmpimacs.h"
#include "instrumentation.h"
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
// filters; absent keys are skipped. A path without keys narrows nothing. The
// keys are traced in the name of the caller (QUILL_TRACE_SITE()).
template <typename Filters, typename Narrow>
void narrowByKeys(const CMPIObjectPath* path, const Filters& filters, Narrow narrow,
                  const Trace::Site& caller) {
    if (ProviderUtilities::getKeyCount(path) == 0) {
        return;
    }
    for (const KeyFilter& filter : filters) {
        std::string value;
        if (ProviderUtilities::getKeyProperty(path, filter.key, value)) {
            QUILL_TRACE_VALUE_AT(caller, filter.key, value);
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

// The outcome of one modify request: every property is checked first, and
// the writes, staged in the class's change target, are carried out only when
// nothing was refused, as one batch that the system takes whole or not at all.
class ModificationPlan {
  public:
    explicit ModificationPlan(const CMPIBroker* broker) : broker_(broker) {}

    // Ends the request with rc and message; the first refusal is the one reported.
    void refuse(CMPIrc rc, const std::string& message);
    bool refused() const { return refusal_.has_value(); }

    // Refuses with rc 4 unless ValidateInput accepts the address text.
    void checkAddress(const char* property, const std::string& value, const std::string& kind);
    // Refuses with rc 4 an IPv4 address that no interface may carry: not an
    // address, 0.0.0.0, 255.255.255.255 or multicast. Empty clears and passes.
    void checkHostAddress(const char* property, const std::string& value);
    // Refuses with rc 4 a mask that is not a contiguous prefix mask
    // (255.255.255.0 passes, 10.20.30.40 does not). Empty passes.
    void checkSubnetMask(const char* property, const std::string& value);
    // Refuses with rc 1 when the element does not take writes of the property;
    // why, when known, is added to the message.
    void checkWritable(const char* property, bool writable, const std::string& why = {});

    // Notes that a write of the property was staged.
    void staged(const char* property);

    // The refusal; else rc 0 when nothing was staged or commit took the batch,
    // or rc 1 naming the staged properties when the system refused it (and so
    // changed nothing).
    CMPIStatus carryOut(const std::function<bool()>& commit) const;

  private:
    const CMPIBroker* const broker_;
    std::optional<std::pair<CMPIrc, std::string>> refusal_;
    std::vector<std::string> staged_;
};

// A value a modify request carries for one property.
using ModifyValue = std::variant<std::string, unsigned short>;

// One row of the table every modifiable class declares: a property clients
// may change. Target is where the class stages its writes and what carries
// them out; it must offer
//     bool commit();   // every staged write taken, or none (false)
// NodeChanges below serves classes whose properties live on the interface
// node; a class whose values go elsewhere (an ifcfg file, for instance)
// supplies its own target with the same commit.
template <typename Target>
struct ModifiableProperty {
    const char* name;
    CMPIType type;  // CMPI_string or CMPI_uint16
    // What the element has now, nothing when unknown. A value equal to it is
    // left alone, so an instance sent back as it was read changes nothing.
    std::optional<ModifyValue> (*current)(const Target& target);
    // Refuses, through the plan, a value the element cannot take.
    void (*check)(const Target& target, const char* name, const ModifyValue& value,
                  ModificationPlan& plan);
    // Adds the write to the target.
    void (*stage)(Target& target, const ModifyValue& value);
    // For a text property that a request without it (or with a null) sets:
    // the text it stands for. Without one, an absent property is left alone
    // and a null refused.
    const char* absentText = nullptr;
};

// Writes to the current interface node of a model, committed as one batch
// through the model's commitChanges.
template <typename Model>
struct NodeChanges {
    Model& model;
    PropertyChanges writes;
    bool commit() { return writes.empty() || model.commitChanges(writes); }
};

// How the new instance carries a property of the table.
enum class ModifyInput { Absent, Null, WrongType, Present };
ModifyInput readModifyValue(const CMPIInstance* instance, const char* name, CMPIType type,
                            ModifyValue& value);

// Whether the request's property list lets the property be modified; a null
// list lets every property be. Names compare without regard to case.
bool isListed(const char** properties, const char* name);

// The modify step of every class: for each row of the table that the
// request's property list names and the new instance carries, a null value
// (unless the row says what an absent one stands for) or one of another type
// is refused with rc 4 naming the property; a value
// equal to the current one is left alone; any other passes the row's check
// and is staged. Then the target commits the whole batch, or nothing is
// written at all.
template <typename Target, typename Table>
CMPIStatus modifyByTable(const CMPIBroker* broker, const CMPIInstance* newInstance,
                         const char** properties, Target& target, const Table& table) {
    ModificationPlan plan(broker);
    for (const ModifiableProperty<Target>& row : table) {
        if (!isListed(properties, row.name)) {
            continue;
        }
        ModifyValue value;
        const ModifyInput input = readModifyValue(newInstance, row.name, row.type, value);
        switch (input) {
            case ModifyInput::Absent:
            case ModifyInput::Null:
                if (row.absentText != nullptr) {
                    value = std::string(row.absentText);
                    break;
                }
                if (input == ModifyInput::Null) {
                    plan.refuse(CMPI_RC_ERR_INVALID_PARAMETER,
                                std::string("Property '") + row.name + "' cannot be set to null");
                }
                continue;
            case ModifyInput::WrongType:
                plan.refuse(CMPI_RC_ERR_INVALID_PARAMETER,
                            std::string("Property '") + row.name + "' has the wrong type");
                continue;
            case ModifyInput::Present:
                break;
        }
        if (row.current(target) == value) {
            continue;
        }
        row.check(target, row.name, value, plan);
        if (!plan.refused()) {
            row.stage(target, value);
            plan.staged(row.name);
        }
    }
    return plan.carryOut([&target] { return target.commit(); });
}

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
