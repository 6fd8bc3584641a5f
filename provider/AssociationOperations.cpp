#include "AssociationOperations.h"

#include <algorithm>
#include <exception>
#include <iterator>
#include <vector>

#include "CMPI/CMPIBindsToLanEndpoint.h"
#include "CMPI/CMPIIPElementCapabilities.h"
#include "CMPI/CMPIIPElementSettingData.h"
#include "CMPI/CMPIIPHostedAccessPoint.h"
#include "CMPI/CMPIIPHostedService.h"
#include "CMPI/CMPIRemoteAccessAvailableToElement.h"
#include "CMPI/CMPIRemoteHostedAccessPoint.h"
#include "CMPI/CMPISPHostedAccessPoint.h"
#include "CMPI/CMPIServiceAffectsElement.h"
#include "CMPI/CMPIStaticElementSettingData.h"
#include "CMPI/CMPIStaticOrderedComponent.h"
#include "IPInterfaceProvider.h"
#include "Trace.h"
#include "Zodavez/SystemFacts.h"
#include "cmpimacs.h"
#include "providerutilities.h"

namespace Quill {
namespace IPInterfaceProvider {

namespace {

// Nulls (an end without a path) are never handed to the CIMOM; what is handed
// is released at once, the CIMOM having taken its copy.
template <typename Object, typename Take, typename Give>
void returnEach(const CMPIContext* context, const CMPIObjectPath* source,
                const AssociationFilter& filter, Take take, Give give) {
    Object object(g_broker, context, source);
    if ((filter.resultClass != nullptr && object.isNotTargetClass(filter.resultClass)) ||
        object.isNotInRoles(filter.role, filter.resultRole)) {
        return;
    }
    for (; object; ++object) {
        if (auto* const item = take(object)) {
            give(item);
            ProviderUtilities::release(item);
        }
    }
}

template <typename Object>
void associators(const CMPIContext* context, const CMPIResult* result, const CMPIObjectPath* source,
                 const AssociationFilter& filter, const char** properties) {
    returnEach<Object>(
        context, source, filter,
        [properties](Object& object) { return object.getAssociator(properties); },
        [result](CMPIInstance* instance) { CMReturnInstance(result, instance); });
}

template <typename Object>
void associatorNames(const CMPIContext* context, const CMPIResult* result,
                     const CMPIObjectPath* source, const AssociationFilter& filter) {
    returnEach<Object>(
        context, source, filter, [](Object& object) { return object.getAssociatorNames(); },
        [result](CMPIObjectPath* path) { CMReturnObjectPath(result, path); });
}

template <typename Object>
void references(const CMPIContext* context, const CMPIResult* result, const CMPIObjectPath* source,
                const AssociationFilter& filter, const char** properties) {
    returnEach<Object>(
        context, source, filter,
        [properties](Object& object) { return object.getCMPIInstance(properties); },
        [result](CMPIInstance* instance) { CMReturnInstance(result, instance); });
}

template <typename Object>
void referenceNames(const CMPIContext* context, const CMPIResult* result,
                    const CMPIObjectPath* source, const AssociationFilter& filter) {
    returnEach<Object>(
        context, source, filter, [](Object& object) { return object.getObjectPath(); },
        [result](CMPIObjectPath* path) { CMReturnObjectPath(result, path); });
}

template <typename Object>
constexpr AssociationRow rowOf() {
    return AssociationRow{Object::kClassId, &associators<Object>, &associatorNames<Object>,
                          &references<Object>, &referenceNames<Object>};
}

const AssociationRow kAssociationRows[] = {
    rowOf<CMPIBindsToLanEndpoint>(),
    rowOf<CMPIIPElementSettingData>(),
    rowOf<CMPIStaticOrderedComponent>(),
    rowOf<CMPIIPHostedAccessPoint>(),
    rowOf<CMPIStaticElementSettingData>(),
    rowOf<CMPIRemoteHostedAccessPoint>(),
    rowOf<CMPIRemoteAccessAvailableToElement>(),
    rowOf<CMPISPHostedAccessPoint>(),
    rowOf<CMPIIPElementCapabilities>(),
    rowOf<CMPIIPHostedService>(),
    rowOf<CMPIServiceAffectsElement>(),
};

CMPIStatus statusOf(CMPIrc rc) {
    return CMPIStatus{rc, nullptr};
}

bool namesNothing(const char* className) {
    return className == nullptr || *className == '\0';
}

// One class's walk; what goes wrong in it stays in it.
void runGuarded(const AssociationStep& step, const AssociationRow& row) {
    try {
        step(row);
    } catch (const std::exception& failure) {
        QUILL_TRACE_MESSAGE(Trace::kFailureLevel, failure.what());
    } catch (...) {
        QUILL_TRACE_MESSAGE(Trace::kFailureLevel,
                            "The association walk failed for an unknown reason");
    }
}

}  // namespace

CMPIStatus forEachAssociation(const CMPIResult* result, const CMPIObjectPath* source,
                              const char* associationClass, const AssociationFilter& filter,
                              const AssociationStep& step, bool traceEachClass) {
    const RequestScope request;
    QUILL_TRACE_VALUE("resultClass", filter.resultClass != nullptr ? filter.resultClass : "");
    QUILL_TRACE_VALUE("associationClass", associationClass != nullptr ? associationClass : "");
    CMPIStatus status = statusOf(CMPI_RC_OK);
    std::vector<unsigned short> ids;
    if (namesNothing(associationClass)) {
        for (const AssociationRow& row : kAssociationRows) {
            ids.push_back(row.id);
        }
    } else if (!getClassId(associationClass, ProviderUtilities::getNamespace(source).c_str(),
                           ids)) {
        QUILL_TRACE_VALUE("CMPI_RC_ERR_INVALID_CLASS", static_cast<int>(CMPI_RC_ERR_INVALID_CLASS));
        status = statusOf(CMPI_RC_ERR_INVALID_CLASS);
    }
    for (const unsigned short id : ids) {
        const AssociationRow* const row = findAssociationRow(id);
        if (row == nullptr) {
            if (traceEachClass) {
                QUILL_TRACE_VALUE("rcode", 0LL);
            }
            return statusOf(CMPI_RC_ERR_INVALID_CLASS);
        }
        runGuarded(step, *row);
        if (traceEachClass) {
            QUILL_TRACE_VALUE("rcode", 1LL);
        }
    }
    CMReturnDone(result);
    return status;
}

CMPIStatus forReferenceClass(const CMPIResult* result, const CMPIObjectPath* source,
                             const char* associationClass, const AssociationStep& step) {
    const RequestScope request;
    if (namesNothing(associationClass)) {
        for (const AssociationRow& row : kAssociationRows) {
            runGuarded(step, row);
        }
        CMReturnDone(result);
        return statusOf(CMPI_RC_OK);
    }
    const unsigned short classId = ProviderUtilities::getClassId(associationClass);
    QUILL_TRACE_VARIABLE(classId);
    QUILL_TRACE_VALUE("resultClass", associationClass);
    // A CIM_ base class (CIM_HostedAccessPoint, ...) stands for the classes
    // derived from it, as in associator requests; sfcb passes it unchanged.
    std::vector<unsigned short> ids;
    getClassId(associationClass, ProviderUtilities::getNamespace(source).c_str(), ids);
    std::vector<const AssociationRow*> rows;
    for (const unsigned short id : ids) {
        if (const AssociationRow* const row = findAssociationRow(id)) {
            rows.push_back(row);
        }
    }
    if (rows.empty()) {
        return statusOf(CMPI_RC_ERR_INVALID_CLASS);
    }
    for (const AssociationRow* const row : rows) {
        runGuarded(step, *row);
    }
    CMReturnDone(result);
    return statusOf(CMPI_RC_OK);
}

const AssociationRow* findAssociationRow(unsigned short classId) {
    const auto row =
        std::find_if(std::begin(kAssociationRows), std::end(kAssociationRows),
                     [classId](const AssociationRow& each) { return each.id == classId; });
    return row != std::end(kAssociationRows) ? &*row : nullptr;
}

}  // namespace IPInterfaceProvider
}  // namespace Quill
