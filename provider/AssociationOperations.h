// The association classes as the association operations reach them: one row
// per class id, each running one class's walk for one request.
#pragma once

#include <functional>

#include "cmpidt.h"
#include "cmpift.h"

namespace Quill {
namespace IPInterfaceProvider {

// What an association request narrows its answer by; each may be null.
struct AssociationFilter {
    const char* resultClass;  // the far end's class (associators only)
    const char* role;         // the source's reference
    const char* resultRole;   // the far end's reference (associators only)
};

struct AssociationRow {
    unsigned short id;
    // Hand the far ends (instances or paths) of the source path to the result.
    void (*associators)(const CMPIContext*, const CMPIResult*, const CMPIObjectPath* source,
                        const AssociationFilter&, const char** properties);
    void (*associatorNames)(const CMPIContext*, const CMPIResult*, const CMPIObjectPath* source,
                            const AssociationFilter&);
    // Hand the association instances (or their paths) that join the source
    // to its far ends to the result.
    void (*references)(const CMPIContext*, const CMPIResult*, const CMPIObjectPath* source,
                       const AssociationFilter&, const char** properties);
    void (*referenceNames)(const CMPIContext*, const CMPIResult*, const CMPIObjectPath* source,
                           const AssociationFilter&);
};

using AssociationStep = std::function<void(const AssociationRow&)>;

// Associators and AssociatorNames: runs step for every association class the
// association class covers (a base class is widened; none given covers all),
// then returnDone. A failure in one class is traced at level 6000 and the
// walk goes on: usually the source simply has no such association. rc 5
// when the name covers nothing served, and, at once without returnDone, when
// it covers a class that is not an association.
CMPIStatus forEachAssociation(const CMPIResult* result, const CMPIObjectPath* source,
                              const char* associationClass, const AssociationFilter& filter,
                              const AssociationStep& step, bool traceEachClass = false);

// References and ReferenceNames: runs step for the association classes the
// name covers (an OVX_ class, or a CIM_ base class widened as for associators;
// none given covers all), then returnDone; rc 5 and no returnDone for a name
// that covers none of them. A failure is traced at level
// 6000 and ends the walk with rc 0.
CMPIStatus forReferenceClass(const CMPIResult* result, const CMPIObjectPath* source,
                             const char* associationClass, const AssociationStep& step);

// The row of an association class id; null for any other id.
const AssociationRow* findAssociationRow(unsigned short classId);

}  // namespace IPInterfaceProvider
}  // namespace Quill
