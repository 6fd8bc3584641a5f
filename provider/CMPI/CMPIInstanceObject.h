// The shape every CMPI instance class shares: the broker, context and
// namespace it was made with, the model it walks by value, the path keys
// that narrow the model, and the object paths written from the model's key
// getters. A class derives from CMPIInstanceObject<Class, Model> and declares
//   static constexpr const char* kClassName;             its CIM class
//   static const char* const kTraceName, kTraceFile;     its qualified name and source
//   static const std::array<KeyGetter<Model>, N> kKeys;  keys of its paths, in order
//   static const std::array<KeyFilter, M> kKeyFilters;   keys that narrow the walk
// and adds what is its own: getCMPIInstance, and modifyInstance or methods.
// Trace records of the shared members carry the class's own name and file.
#pragma once

#include <string>
#include <utility>

#include "CMPI/CMPIObjectSupport.h"
#include "Trace.h"
#include "cmpidt.h"
#include "cmpift.h"
#include "providerutilities.h"

namespace Quill {
namespace IPInterfaceProvider {

template <typename Object, typename Model>
class CMPIInstanceObject {
  public:
    // Every element of the namespace.
    CMPIInstanceObject(const CMPIBroker* _broker, const CMPIContext* _context,
                       std::string _namespace)
        : broker(_broker), context(_context), nameSpace(std::move(_namespace)) {
        QUILL_TRACE_ENTER_PARAMS_AT(
            site(className()), " _broker=" << static_cast<const void*>(_broker)
                                           << " _context=" << static_cast<const void*>(_context)
                                           << " _namespace=" << nameSpace);
    }
    // The elements the path's keys allow; all of them for a class path.
    CMPIInstanceObject(const CMPIBroker* _broker, const CMPIContext* _context,
                       const CMPIObjectPath* objectPath)
        : broker(_broker),
          context(_context),
          nameSpace(ProviderUtilities::getNamespace(objectPath)) {
        QUILL_TRACE_ENTER_PARAMS_AT(
            site(className()), " _broker=" << static_cast<const void*>(_broker) << " _context="
                                           << static_cast<const void*>(_context) << " objectPath="
                                           << static_cast<const void*>(objectPath));
        setObjectPath(objectPath);
    }
    CMPIInstanceObject(const CMPIInstanceObject&) = delete;
    CMPIInstanceObject& operator=(const CMPIInstanceObject&) = delete;
    ~CMPIInstanceObject() { QUILL_TRACE_METHOD_AT(site("~" + className())); }

    // Narrows the walk by the keys of the path that the class filters on,
    // in the class's order; absent keys are skipped.
    void setObjectPath(const CMPIObjectPath* objectPath) {
        const Trace::Site here = site("setObjectPath");
        QUILL_TRACE_ENTER_PARAMS_AT(here, " objectPath=" << static_cast<const void*>(objectPath));
        narrowByKeys(
            objectPath, Object::kKeyFilters,
            [this](unsigned int filterType, std::string value) {
                model.setFilter(filterType, std::move(value));
            },
            here);
    }

    // The current element's path, or null when the broker cannot make one.
    CMPIObjectPath* getObjectPath() const {
        QUILL_TRACE_ENTER_AT(site("getObjectPath"));
        return buildObjectPath(broker, Object::kClassName, nameSpace, model, Object::kKeys);
    }

    explicit operator bool() const {
        QUILL_TRACE_METHOD_AT(site("operator bool"));
        return static_cast<bool>(model);
    }
    void operator++() {
        QUILL_TRACE_ENTER_AT(site("operator++"));
        ++model;
    }

  protected:
    // A new instance of the current element carrying its keys, its
    // properties written by fill(PropertyWriter&); null when the broker
    // cannot make one.
    template <typename Fill>
    CMPIInstance* instanceOfCurrent(Fill fill) const {
        CMPIInstance* const instance = ProviderUtilities::createInstance(broker, getObjectPath());
        if (instance != nullptr) {
            PropertyWriter writer(broker, instance);
            fill(writer);
        }
        return instance;
    }

    const CMPIBroker* const broker;
    const CMPIContext* const context;
    const std::string nameSpace;
    Model model;

  private:
    // The class name without its namespaces, as its constructor is named.
    static std::string className() {
        const std::string qualified = Object::kTraceName;
        const auto colons = qualified.rfind("::");
        return colons == std::string::npos ? qualified : qualified.substr(colons + 2);
    }
    static Trace::Site site(const std::string& member) {
        return Trace::Site{nullptr, Object::kTraceName, member, Object::kTraceFile};
    }
};

}  // namespace IPInterfaceProvider
}  // namespace Quill
