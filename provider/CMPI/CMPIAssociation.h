// The one shape of every association class. An object is built for one
// request from a path and iterated like the instance objects:
// - built on an instance of one end, it walks the instances at the other end
//   (associators) and the association instances joining the two (references);
// - built on the association class, it walks every association instance,
//   driven from one end: each element of that end with every element the
//   model names at the other; elements of which the model names nothing are
//   passed over;
// - built on any other class, it yields nothing.
//
// A shape declares the class (kClassName, kClassId), its Model, its two
// ends First and Second (each an end kind of AssociationEnds.h with the
// reference role kRole and `static Moniker name(Model&, Moniker& other)`, the
// model operation that names this end from the other), kWalkFrom, the end
// that drives the walk over all association instances, and, when the class
// has properties beyond its references, addProperties.
#pragma once

#include <strings.h>

#include <optional>
#include <string>
#include <utility>

#include "CMPI/CMPIObjectSupport.h"
#include "Exceptions.h"
#include "Trace.h"
#include "cmpidt.h"
#include "cmpift.h"
#include "providerutilities.h"

namespace Quill {
namespace IPInterfaceProvider {

enum class AssociationSide { First, Second };

// What a shape may leave out.
struct AssociationShapeDefaults {
    // Properties beyond the two references of the instance.
    template <typename Model>
    static void addProperties(Model&, CMPIInstance*, const CMPIObjectPath*, const CMPIObjectPath*) {
    }
};

template <typename Shape>
class CMPIAssociation {
  public:
    static constexpr const char* kClassName = Shape::kClassName;
    static constexpr unsigned short kClassId = Shape::kClassId;

    CMPIAssociation(const CMPIBroker* _broker, const CMPIContext* _context,
                    const CMPIObjectPath* objectPath)
        : broker(_broker),
          context(_context),
          nameSpace(ProviderUtilities::getNamespace(objectPath)),
          requestedClassId(ProviderUtilities::getClassId(objectPath)) {
        QUILL_TRACE_ENTER_PARAMS(" _broker=" << static_cast<const void*>(_broker) << " _context="
                                             << static_cast<const void*>(_context) << " objectPath="
                                             << static_cast<const void*>(objectPath));
        QUILL_TRACE_VARIABLE(requestedClassId);
        if (requestedClassId == First::kClassId) {
            startFrom<First, Second>(first, second, objectPath, Walk::FromFirst);
        } else if (requestedClassId == Second::kClassId) {
            startFrom<Second, First>(second, first, objectPath, Walk::FromSecond);
        } else if (requestedClassId == Shape::kClassId) {
            if constexpr (Shape::kWalkFrom == AssociationSide::First) {
                startOwnWalk<First, Second>(first, second);
            } else {
                startOwnWalk<Second, First>(second, first);
            }
        }
    }
    CMPIAssociation(const CMPIAssociation&) = delete;
    CMPIAssociation& operator=(const CMPIAssociation&) = delete;

    // True when the far end cannot be of the result class: the object was
    // not built on an end, or the class is neither one of the far end's
    // names nor, as the CIMOM knows, one of its base classes.
    bool isNotTargetClass(const char* resultClass) const {
        QUILL_TRACE_ENTER_PARAMS(" resultClass=" << (resultClass != nullptr ? resultClass : ""));
        switch (walk) {
            case Walk::FromFirst:
                return !selects<Second>(resultClass);
            case Walk::FromSecond:
                return !selects<First>(resultClass);
            default:
                return true;
        }
    }

    // True when the roles rule out what the object yields: role names the
    // source's reference, resultRole the far end's (case ignored); a null or
    // empty one rules out nothing.
    bool isNotInRoles(const char* role, const char* resultRole) const {
        QUILL_TRACE_ENTER_PARAMS(" role=" << (role != nullptr ? role : "") << " resultRole="
                                          << (resultRole != nullptr ? resultRole : ""));
        switch (walk) {
            case Walk::FromFirst:
                return !fits(role, First::kRole) || !fits(resultRole, Second::kRole);
            case Walk::FromSecond:
                return !fits(role, Second::kRole) || !fits(resultRole, First::kRole);
            default:
                return true;
        }
    }

    // The far-end instance the walk stands on; null when built on no end.
    CMPIInstance* getAssociator(const char** properties) const {
        QUILL_TRACE_ENTER_PARAMS(" properties=" << static_cast<const void*>(properties));
        switch (walk) {
            case Walk::FromFirst:
                return second->getCMPIInstance(properties);
            case Walk::FromSecond:
                return first->getCMPIInstance(properties);
            default:
                return nullptr;
        }
    }

    CMPIObjectPath* getAssociatorNames() const {
        QUILL_TRACE_ENTER();
        switch (walk) {
            case Walk::FromFirst:
                return second->getObjectPath();
            case Walk::FromSecond:
                return first->getObjectPath();
            default:
                return nullptr;
        }
    }

    // The association instance the walk stands on; null when one of its
    // ends has no path.
    CMPIObjectPath* getObjectPath() const {
        QUILL_TRACE_ENTER();
        const auto [firstReference, secondReference] = references();
        CMPIObjectPath* const path = pathOf(firstReference, secondReference);
        releaseReferences(firstReference, secondReference);
        return path;
    }

    CMPIInstance* getCMPIInstance(const char** properties) {
        QUILL_TRACE_ENTER_PARAMS(" properties=" << static_cast<const void*>(properties));
        const auto [firstReference, secondReference] = references();
        CMPIObjectPath* const path = pathOf(firstReference, secondReference);
        CMPIInstance* const instance = ProviderUtilities::createInstance(broker, path);
        ProviderUtilities::release(path);
        if (instance != nullptr) {
            ProviderUtilities::setProperty(instance, First::kRole, firstReference);
            ProviderUtilities::setProperty(instance, Second::kRole, secondReference);
            Shape::addProperties(model, instance, firstReference, secondReference);
        }
        releaseReferences(firstReference, secondReference);
        return instance;
    }

    explicit operator bool() const {
        bool valid = false;
        switch (walk) {
            case Walk::FromFirst:
                valid = second && *second;
                break;
            case Walk::FromSecond:
                valid = first && *first;
                break;
            case Walk::Own:
                valid = farStands();
                break;
            default:
                break;
        }
        QUILL_TRACE_VARIABLE(valid);
        return valid;
    }

    void operator++() {
        QUILL_TRACE_ENTER();
        switch (walk) {
            case Walk::FromFirst:
                ++*second;
                skipForeign<Second>(second);
                break;
            case Walk::FromSecond:
                ++*first;
                skipForeign<First>(first);
                break;
            case Walk::Own:
                if constexpr (Shape::kWalkFrom == AssociationSide::First) {
                    ++*second;
                    settleOwnWalk<First, Second>(first, second);
                } else {
                    ++*first;
                    settleOwnWalk<Second, First>(second, first);
                }
                break;
            default:
                break;
        }
    }

  private:
    using Model = typename Shape::Model;
    using First = typename Shape::First;
    using Second = typename Shape::Second;

    enum class Walk { Nothing, FromFirst, FromSecond, Own };

    static bool fits(const char* wanted, const char* role) {
        return wanted == nullptr || *wanted == '\0' || strcasecmp(wanted, role) == 0;
    }

    template <typename End>
    bool selects(const char* resultClass) const {
        if (resultClass == nullptr) {
            return true;
        }
        for (const char* name : End::kResultClasses) {
            if (strcasecmp(name, resultClass) == 0) {
                return true;
            }
        }
        return ProviderUtilities::areClassesRelated(broker, nameSpace, End::kClassName,
                                                    resultClass);
    }

    // The path of End's class with the keys the model names from the other
    // end's path; a class path when that has no keys.
    template <typename End>
    CMPIObjectPath* locate(const CMPIObjectPath* otherEnd) {
        QUILL_TRACE_ENTER_PARAMS(" objectPath=" << static_cast<const void*>(otherEnd));
        CMPIObjectPath* located =
            ProviderUtilities::createObjectPath(broker, End::kClassName, nameSpace);
        if (located != nullptr && ProviderUtilities::getKeyCount(otherEnd) > 0) {
            Moniker given;
            ProviderUtilities::transformObjectPathToMoniker(otherEnd, given);
            Moniker named = End::name(model, given);
            ProviderUtilities::transformMonikerToObjectPath(named, &located);
        }
        return located;
    }

    template <typename Source, typename Target>
    void startFrom(std::optional<typename Source::Object>& source,
                   std::optional<typename Target::Object>& target, const CMPIObjectPath* path,
                   Walk from) {
        Source::open(source, broker, context, path);
        if (!positionOnKeys(*source, path)) {
            return;
        }
        sourcePath = source->getObjectPath();
        CMPIObjectPath* const located =
            sourcePath != nullptr ? locate<Target>(sourcePath) : nullptr;
        if (located == nullptr) {
            return;
        }
        Target::open(target, broker, context, located);
        targetPath = located;
        walk = from;
        skipForeign<Target>(target);
    }

    // Moves the target past elements that do not belong to what the model
    // named, for ends whose objects cannot narrow to it themselves.
    template <typename Target>
    void skipForeign(std::optional<typename Target::Object>& target) {
        if constexpr (Target::kSelectsElements) {
            for (Target::narrow(*target, targetPath); *target;
                 Target::narrow(*target, targetPath)) {
                CMPIObjectPath* const candidate = target->getObjectPath();
                const bool belongs = Target::belongs(candidate, targetPath);
                ProviderUtilities::release(candidate);
                if (belongs) {
                    return;
                }
                ++*target;
            }
        }
    }

    template <typename Driving, typename Far>
    void startOwnWalk(std::optional<typename Driving::Object>& driving,
                      std::optional<typename Far::Object>& far) {
        CMPIObjectPath* const classPath =
            ProviderUtilities::createObjectPath(broker, Driving::kClassName, nameSpace);
        if (classPath == nullptr) {
            return;
        }
        Driving::open(driving, broker, context, classPath);
        walk = Walk::Own;
        settleOwnWalk<Driving, Far>(driving, far);
    }

    // Moves on until the far end stands on an element: the current driving
    // element's next one, or the first one of a later driving element.
    template <typename Driving, typename Far>
    void settleOwnWalk(std::optional<typename Driving::Object>& driving,
                       std::optional<typename Far::Object>& far) {
        while (!(far && *far)) {
            if (far) {
                far.reset();
                ++*driving;
            }
            if (!*driving) {
                return;
            }
            CMPIObjectPath* const drivingPath = driving->getObjectPath();
            const bool opened = openNamed<Far>(far, drivingPath);
            ProviderUtilities::release(drivingPath);
            if (!opened) {
                ++*driving;
            }
        }
    }

    // Opens the far end on what the model names from the driving element;
    // false when the model names nothing for it.
    template <typename Far>
    bool openNamed(std::optional<typename Far::Object>& far, const CMPIObjectPath* drivingPath) {
        if (drivingPath == nullptr) {
            return false;
        }
        CMPIObjectPath* located = nullptr;
        try {
            located = locate<Far>(drivingPath);
        } catch (const FrameworkException& nothingNamed) {
            QUILL_TRACE_MESSAGE(Trace::kInfoLevel, nothingNamed.what());
        } catch (const InstrumentationException& nothingNamed) {
            QUILL_TRACE_MESSAGE(Trace::kInfoLevel, nothingNamed.what());
        }
        if (located == nullptr) {
            return false;
        }
        Far::open(far, broker, context, located);
        ProviderUtilities::release(located);
        return true;
    }

    bool farStands() const {
        if constexpr (Shape::kWalkFrom == AssociationSide::First) {
            return second && *second;
        } else {
            return first && *first;
        }
    }

    template <typename Slot>
    static CMPIObjectPath* currentPath(const Slot& end) {
        return end ? end->getObjectPath() : nullptr;
    }

    // Releases what references() made: every path but the source's own.
    void releaseReferences(CMPIObjectPath* firstReference, CMPIObjectPath* secondReference) const {
        for (CMPIObjectPath* const made : {firstReference, secondReference}) {
            if (made != sourcePath) {
                ProviderUtilities::release(made);
            }
        }
    }

    // The paths of the two ends of the current association instance; all
    // but the source's own path are made anew at each call.
    std::pair<CMPIObjectPath*, CMPIObjectPath*> references() const {
        switch (walk) {
            case Walk::FromFirst:
                return {sourcePath, currentPath(second)};
            case Walk::FromSecond:
                return {currentPath(first), sourcePath};
            case Walk::Own:
                return {currentPath(first), currentPath(second)};
            default:
                return {nullptr, nullptr};
        }
    }

    CMPIObjectPath* pathOf(CMPIObjectPath* firstReference, CMPIObjectPath* secondReference) const {
        if (firstReference == nullptr || secondReference == nullptr) {
            return nullptr;
        }
        CMPIObjectPath* const path =
            ProviderUtilities::createObjectPath(broker, kClassName, nameSpace);
        if (path != nullptr) {
            ProviderUtilities::setKeyProperty(path, First::kRole, firstReference);
            ProviderUtilities::setKeyProperty(path, Second::kRole, secondReference);
        }
        return path;
    }

    const CMPIBroker* const broker;
    const CMPIContext* const context;
    const std::string nameSpace;
    const unsigned short requestedClassId;
    Model model;
    std::optional<typename First::Object> first;
    std::optional<typename Second::Object> second;
    // The source end's own path, and the path the model named for the
    // target, when built on an end.
    CMPIObjectPath* sourcePath = nullptr;
    CMPIObjectPath* targetPath = nullptr;
    Walk walk = Walk::Nothing;
};

}  // namespace IPInterfaceProvider
}  // namespace Quill
