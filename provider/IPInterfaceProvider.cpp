#include "IPInterfaceProvider.h"

#include <atomic>
#include <cstring>
#include <exception>
#include <functional>
#include <string>
#include <vector>

#include "AssociationOperations.h"
#include "CMPI/CMPIAssignmentSettingData.h"
#include "CMPI/CMPIBindsToLanEndpoint.h"
#include "CMPI/CMPIIPConfigurationService.h"
#include "CMPI/CMPIIPElementCapabilities.h"
#include "CMPI/CMPIIPElementSettingData.h"
#include "CMPI/CMPIIPEnabledLogicalElementCapabilities.h"
#include "CMPI/CMPIIPHostedAccessPoint.h"
#include "CMPI/CMPIIPHostedService.h"
#include "CMPI/CMPIObjectSupport.h"
#include "CMPI/CMPIProtocolEndpoint.h"
#include "CMPI/CMPIRemoteAccessAvailableToElement.h"
#include "CMPI/CMPIRemoteHostedAccessPoint.h"
#include "CMPI/CMPIRemoteServiceAccessPoint.h"
#include "CMPI/CMPISPHostedAccessPoint.h"
#include "CMPI/CMPIServiceAffectsElement.h"
#include "CMPI/CMPIStaticElementSettingData.h"
#include "CMPI/CMPIStaticIPAssignmentSettingData.h"
#include "CMPI/CMPIStaticOrderedComponent.h"
#include "InterfaceConfiguration.h"
#include "Zodavez/SystemFacts.h"
#include "Trace.h"
#include "cmpimacs.h"
#include "providerutilities.h"

namespace Quill {
namespace IPInterfaceProvider {

std::atomic<const CMPIBroker*> g_broker{nullptr};

namespace {

CMPIStatus statusOf(CMPIrc rc) {
    return CMPIStatus{rc, nullptr};
}

constexpr const char* kUnknownFailure = "The operation failed for an unknown reason";

CMPIStatus cleanupNothing() {
    return statusOf(CMPI_RC_OK);
}

CMPIStatus failureStatus(const char* text) {
    return statusWithMessage(g_broker, CMPI_RC_ERR_FAILED, text);
}

// ---- Instance operations, written once over the uniform surface of the CMPI
// object classes: construct from (broker, context, path), operator bool,
// operator++, getObjectPath, getCMPIInstance, and modifyInstance where the
// class has it.

using EnumerateNamesFunction = CMPIStatus (*)(const CMPIContext*, const CMPIResult*,
                                              const CMPIObjectPath*);
using EnumerateInstancesFunction = CMPIStatus (*)(const CMPIContext*, const CMPIResult*,
                                                  const CMPIObjectPath*, const char**);
using ModifyFunction = CMPIStatus (*)(const CMPIContext*, const CMPIResult*, const CMPIObjectPath*,
                                      const CMPIInstance*, const char**);
using MethodFunction = CMPIUint32 (*)(const CMPIContext*, const CMPIObjectPath*, const CMPIArgs*,
                                      CMPIArgs*, CMPIStatus*);

// Walks every element the path names and hands what `take` makes of each
// (nulls skipped) to `give`, releasing it then; then returnDone.
template <typename Object, typename Take, typename Give>
CMPIStatus returnEach(const CMPIContext* context, const CMPIObjectPath* path,
                      const CMPIResult* result, Take take, Give give) {
    for (Object object(g_broker, context, path); object; ++object) {
        if (auto* const item = take(object)) {
            give(result, item);
            ProviderUtilities::release(item);
        }
    }
    CMReturnDone(result);
    return statusOf(CMPI_RC_OK);
}

template <typename Object>
CMPIStatus enumerateNames(const CMPIContext* context, const CMPIResult* result,
                          const CMPIObjectPath* path) {
    return returnEach<Object>(
        context, path, result, [](Object& object) { return object.getObjectPath(); },
        [](const CMPIResult* to, CMPIObjectPath* name) { CMReturnObjectPath(to, name); });
}

template <typename Object>
CMPIStatus enumerateInstances(const CMPIContext* context, const CMPIResult* result,
                              const CMPIObjectPath* path, const char** properties) {
    return returnEach<Object>(
        context, path, result,
        [properties](Object& object) { return object.getCMPIInstance(properties); },
        [](const CMPIResult* to, CMPIInstance* instance) { CMReturnInstance(to, instance); });
}

// Exactly the instance whose keys are those of the path, or rc 6.
template <typename Object>
CMPIStatus getInstance(const CMPIContext* context, const CMPIResult* result,
                       const CMPIObjectPath* path, const char** properties) {
    Object object(g_broker, context, path);
    CMPIStatus status = statusOf(CMPI_RC_OK);
    if (positionOnKeys(object, path)) {
        CMPIInstance* const instance = object.getCMPIInstance(properties);
        if (instance != nullptr) {
            CMReturnInstance(result, instance);
        }
    } else {
        status = statusWithMessage(
            g_broker, CMPI_RC_ERR_NOT_FOUND,
            std::string("No ") + Object::kClassName + " instance has the given keys");
    }
    CMReturnDone(result);
    return status;
}

template <typename Object>
CMPIStatus modifyInstance(const CMPIContext* context, const CMPIResult* result,
                          const CMPIObjectPath* path, const CMPIInstance* instance,
                          const char** properties) {
    Object object(g_broker, context, path);
    CMPIStatus status = statusOf(CMPI_RC_OK);
    if (positionOnKeys(object, path)) {
        status = object.modifyInstance(instance, properties);
    } else {
        status = statusWithMessage(
            g_broker, CMPI_RC_ERR_NOT_FOUND,
            std::string("No ") + Object::kClassName + " instance has the given keys");
    }
    CMReturnDone(result);
    return status;
}

// The method body runs on the element the path names exactly; a method name
// the class does not have is rc 17.
template <typename Object>
CMPIUint32 invokeMethod(const CMPIContext* context, const CMPIObjectPath* path, const CMPIArgs* in,
                        CMPIArgs* out, CMPIStatus* status) {
    Object object(g_broker, context, path);
    if (!positionOnKeys(object, path)) {
        *status = statusWithMessage(
            g_broker, CMPI_RC_ERR_NOT_FOUND,
            std::string("No ") + Object::kClassName + " instance has the given keys");
        return CMPI_RC_ERR_NOT_FOUND;
    }
    const CMPIUint32 ret = object.executeMethod(in, out, status);
    QUILL_TRACE_VARIABLE(ret);
    return ret;
}

struct InstanceOperations {
    EnumerateNamesFunction enumerateNames = nullptr;
    EnumerateInstancesFunction enumerateInstances = nullptr;
    EnumerateInstancesFunction getInstance = nullptr;
    ModifyFunction modifyInstance = nullptr;  // null for classes that cannot be modified
};

template <typename Object>
constexpr InstanceOperations readOnlyOperations() {
    return InstanceOperations{&enumerateNames<Object>, &enumerateInstances<Object>,
                              &getInstance<Object>, nullptr};
}

template <typename Object>
constexpr InstanceOperations modifiableOperations() {
    InstanceOperations operations = readOnlyOperations<Object>();
    operations.modifyInstance = &modifyInstance<Object>;
    return operations;
}

struct MethodOperation {
    const char* name = nullptr;  // exact, case-sensitive
    MethodFunction invoke = nullptr;
};

template <typename Object>
constexpr MethodOperation methodOf() {
    return MethodOperation{Object::kMethodName, &invokeMethod<Object>};
}

// One row per class id the operations act on. A row whose operations are
// missing stands for a class that is not served yet.
struct ClassRow {
    unsigned short id;
    // The name under which a modify request traces its path text.
    const char* pathVariable;
    InstanceOperations instance;
    MethodOperation method;
};

constexpr const char* kObjString = "objstring";

const ClassRow kClassRows[] = {
    {9, kObjString, modifiableOperations<CMPIProtocolEndpoint>(), methodOf<CMPIProtocolEndpoint>()},
    {66, "l_strObjPath", modifiableOperations<CMPIAssignmentSettingData>(), {}},
    {67, kObjString, readOnlyOperations<CMPIBindsToLanEndpoint>(), {}},
    {68, kObjString, readOnlyOperations<CMPIIPElementSettingData>(), {}},
    {69, kObjString, modifiableOperations<CMPIStaticIPAssignmentSettingData>(), {}},
    {70, kObjString, modifiableOperations<CMPIRemoteServiceAccessPoint>(), {}},
    {71, kObjString, readOnlyOperations<CMPIStaticOrderedComponent>(), {}},
    {72, kObjString, readOnlyOperations<CMPIIPHostedAccessPoint>(), {}},
    {73, kObjString, readOnlyOperations<CMPIStaticElementSettingData>(), {}},
    {80, kObjString, readOnlyOperations<CMPIRemoteHostedAccessPoint>(), {}},
    {81, kObjString, readOnlyOperations<CMPIRemoteAccessAvailableToElement>(), {}},
    {120, kObjString, readOnlyOperations<CMPISPHostedAccessPoint>(), {}},
    {121, kObjString, readOnlyOperations<CMPIIPElementCapabilities>(), {}},
    {128, kObjString, readOnlyOperations<CMPIIPEnabledLogicalElementCapabilities>(), {}},
    {129, kObjString, readOnlyOperations<CMPIIPConfigurationService>(),
     methodOf<CMPIIPConfigurationService>()},
    {130, kObjString, readOnlyOperations<CMPIIPHostedService>(), {}},
    {131, kObjString, readOnlyOperations<CMPIServiceAffectsElement>(), {}},
};

const ClassRow* findClassRow(unsigned short classId) {
    for (const ClassRow& row : kClassRows) {
        if (row.id == classId) {
            return &row;
        }
    }
    return nullptr;
}

// The class id of the request's path, traced in the name of the operation.
unsigned short classIdOf(const CMPIObjectPath* path, const Trace::Site& operation) {
    const unsigned short classId = ProviderUtilities::getClassId(path);
    QUILL_TRACE_VALUE_AT(operation, "classId", classId);
    return classId;
}

// The request class's operation, run at the operation boundary; a class
// without it is not served.
template <typename Operation, typename... Arguments>
CMPIStatus runClassOperation(const Trace::Site& site, Operation InstanceOperations::*operation,
                             const CMPIObjectPath* path, Arguments... arguments);

// The association base classes a request may name, and the provider's
// classes each covers, in the order they are tried.
struct AssociationBase {
    const char* baseClass;
    std::vector<unsigned short> ids;
};

const AssociationBase kAssociationBases[] = {
    {"CIM_ElementSettingData", {68, 73}},
    {"CIM_OrderedComponent", {71}},
    {"CIM_BindsToLanEndPoint", {67}},
    {"CIM_HostedAccessPoint", {72, 120, 80}},
    {"CIM_RemoteAccessAvailableToElement", {81}},
    {"CIM_ElementCapabilities", {121}},
    {"CIM_HostedService", {130}},
    {"CIM_ServiceAffectsElement", {131}},
};

}  // namespace

CMPIStatus runAtBoundary(const std::function<CMPIStatus()>& branch) {
    try {
        const RequestScope request;
        return branch();
    } catch (const std::exception& failure) {
        QUILL_TRACE_MESSAGE(Trace::kFailureLevel, failure.what());
        return failureStatus(failure.what());
    } catch (...) {
        QUILL_TRACE_MESSAGE(Trace::kFailureLevel, kUnknownFailure);
        return failureStatus(kUnknownFailure);
    }
}

namespace {

template <typename Operation, typename... Arguments>
CMPIStatus runClassOperation(const Trace::Site& site, Operation InstanceOperations::*operation,
                             const CMPIObjectPath* path, Arguments... arguments) {
    return runAtBoundary([&] {
        const ClassRow* const row = findClassRow(classIdOf(path, site));
        if (row == nullptr || row->instance.*operation == nullptr) {
            return statusOf(CMPI_RC_ERR_INVALID_CLASS);
        }
        return (row->instance.*operation)(arguments...);
    });
}

}  // namespace

bool getClassId(const char* className, const char* nameSpace, std::vector<unsigned short>& ids) {
    QUILL_TRACE_ENTER_PARAMS(" className=" << (className != nullptr ? className : "")
                                           << " nameSpace="
                                           << (nameSpace != nullptr ? nameSpace : ""));
    const unsigned short known = ProviderUtilities::getClassId(className);
    if (known != ProviderUtilities::kUnknownClassId) {
        ids.push_back(known);
        return true;
    }
    const std::string space = nameSpace != nullptr ? nameSpace : "";
    bool found = false;
    for (const AssociationBase& base : kAssociationBases) {
        // A superclass (CIM_Dependency, CIM_Component, ...) covers the bases
        // derived from it: sfcb hands the provider the class the client named.
        if (!ProviderUtilities::areClassesRelated(g_broker, space, className, base.baseClass) &&
            !ProviderUtilities::areClassesRelated(g_broker, space, base.baseClass, className)) {
            continue;
        }
        if (std::string(base.baseClass) == "CIM_HostedAccessPoint") {
            QUILL_TRACE_VALUE("0x48", 72);
            QUILL_TRACE_VALUE("0x78", 120);
            QUILL_TRACE_VALUE("0x50", 80);
        }
        ids.insert(ids.end(), base.ids.begin(), base.ids.end());
        found = true;
    }
    return found;
}

CMPIStatus IPInterface_Cleanup(CMPIInstanceMI*, const CMPIContext*, CMPIBoolean) {
    return cleanupNothing();
}

CMPIStatus IPInterface_Cleanup(CMPIAssociationMI*, const CMPIContext*, CMPIBoolean) {
    return cleanupNothing();
}

// Any status but OK tells sfcb the provider cannot be unloaded, which keeps
// its process alive for good once a method has been called.
CMPIStatus IPInterface_MethodCleanup(CMPIMethodMI*, const CMPIContext*, CMPIBoolean) {
    // The CIMOM may unload the library next; a restart thread must be done by then.
    waitForSystemRebootThreads();
    return cleanupNothing();
}

CMPIStatus IPInterface_EnumInstanceNames(CMPIInstanceMI*, const CMPIContext* context,
                                         const CMPIResult* result, const CMPIObjectPath* path) {
    QUILL_MARK_PROVIDER_ENTRY();
    const CMPIStatus status = runClassOperation(
        QUILL_TRACE_SITE(), &InstanceOperations::enumerateNames, path, context, result, path);
    QUILL_MARK_PROVIDER_EXIT();
    return status;
}

CMPIStatus IPInterface_EnumInstances(CMPIInstanceMI*, const CMPIContext* context,
                                     const CMPIResult* result, const CMPIObjectPath* path,
                                     const char** properties) {
    QUILL_MARK_PROVIDER_ENTRY();
    const CMPIStatus status =
        runClassOperation(QUILL_TRACE_SITE(), &InstanceOperations::enumerateInstances, path,
                          context, result, path, properties);
    QUILL_MARK_PROVIDER_EXIT();
    return status;
}

CMPIStatus IPInterface_GetInstance(CMPIInstanceMI*, const CMPIContext* context,
                                   const CMPIResult* result, const CMPIObjectPath* path,
                                   const char** properties) {
    QUILL_MARK_PROVIDER_ENTRY();
    const CMPIStatus status =
        runClassOperation(QUILL_TRACE_SITE(), &InstanceOperations::getInstance, path, context,
                          result, path, properties);
    QUILL_MARK_PROVIDER_EXIT();
    return status;
}

CMPIStatus IPInterface_CreateInstance(CMPIInstanceMI*, const CMPIContext*, const CMPIResult*,
                                      const CMPIObjectPath*, const CMPIInstance*) {
    QUILL_MARK_PROVIDER_ENTRY();
    const CMPIStatus status = statusOf(CMPI_RC_ERR_NOT_SUPPORTED);
    QUILL_MARK_PROVIDER_EXIT();
    return status;
}

CMPIStatus IPInterface_ModifyInstance(CMPIInstanceMI*, const CMPIContext* context,
                                      const CMPIResult* result, const CMPIObjectPath* path,
                                      const CMPIInstance* instance, const char** properties) {
    QUILL_MARK_PROVIDER_ENTRY();
    const Trace::Site site = QUILL_TRACE_SITE();
    const CMPIStatus status = runAtBoundary([&] {
        CMPIStatus branchStatus = statusOf(CMPI_RC_ERR_NOT_SUPPORTED);
        const ClassRow* const row = findClassRow(classIdOf(path, site));
        if (row != nullptr && row->instance.modifyInstance != nullptr) {
            QUILL_TRACE_VALUE_AT(site, row->pathVariable, objectPathText(g_broker, path));
            branchStatus =
                row->instance.modifyInstance(context, result, path, instance, properties);
        }
        return branchStatus;
    });
    QUILL_MARK_PROVIDER_EXIT();
    return status;
}

CMPIStatus IPInterface_DeleteInstance(CMPIInstanceMI*, const CMPIContext*, const CMPIResult*,
                                      const CMPIObjectPath*) {
    QUILL_TRACE_METHOD();
    return statusOf(CMPI_RC_ERR_NOT_SUPPORTED);
}

CMPIStatus IPInterface_ExecQuery(CMPIInstanceMI*, const CMPIContext*, const CMPIResult*,
                                 const CMPIObjectPath*, const char*, const char*) {
    QUILL_TRACE_METHOD();
    return statusOf(CMPI_RC_ERR_NOT_SUPPORTED);
}

CMPIStatus IPInterface_Associators(CMPIAssociationMI*, const CMPIContext* context,
                                   const CMPIResult* result, const CMPIObjectPath* path,
                                   const char* associationClass, const char* resultClass,
                                   const char* role, const char* resultRole,
                                   const char** properties) {
    QUILL_MARK_PROVIDER_ENTRY();
    const AssociationFilter filter{resultClass, role, resultRole};
    const CMPIStatus status =
        forEachAssociation(result, path, associationClass, filter, [&](const AssociationRow& row) {
            row.associators(context, result, path, filter, properties);
        });
    QUILL_MARK_PROVIDER_EXIT();
    return status;
}

CMPIStatus IPInterface_AssociatorNames(CMPIAssociationMI*, const CMPIContext* context,
                                       const CMPIResult* result, const CMPIObjectPath* path,
                                       const char* associationClass, const char* resultClass,
                                       const char* role, const char* resultRole) {
    QUILL_MARK_PROVIDER_ENTRY();
    const AssociationFilter filter{resultClass, role, resultRole};
    const CMPIStatus status = forEachAssociation(
        result, path, associationClass, filter,
        [&](const AssociationRow& row) { row.associatorNames(context, result, path, filter); },
        true);
    QUILL_MARK_PROVIDER_EXIT();
    return status;
}

CMPIStatus IPInterface_References(CMPIAssociationMI*, const CMPIContext* context,
                                  const CMPIResult* result, const CMPIObjectPath* path,
                                  const char* resultClass, const char* role,
                                  const char** properties) {
    QUILL_MARK_PROVIDER_ENTRY();
    const AssociationFilter filter{nullptr, role, nullptr};
    const CMPIStatus status =
        forReferenceClass(result, path, resultClass, [&](const AssociationRow& row) {
            row.references(context, result, path, filter, properties);
        });
    QUILL_MARK_PROVIDER_EXIT();
    return status;
}

CMPIStatus IPInterface_ReferenceNames(CMPIAssociationMI*, const CMPIContext* context,
                                      const CMPIResult* result, const CMPIObjectPath* path,
                                      const char* resultClass, const char* role) {
    QUILL_MARK_PROVIDER_ENTRY();
    const AssociationFilter filter{nullptr, role, nullptr};
    const CMPIStatus status = forReferenceClass(
        result, path, resultClass,
        [&](const AssociationRow& row) { row.referenceNames(context, result, path, filter); });
    QUILL_MARK_PROVIDER_EXIT();
    return status;
}

CMPIStatus IPInterface_InvokeMethod(CMPIMethodMI*, const CMPIContext* context,
                                    const CMPIResult* result, const CMPIObjectPath* path,
                                    const char* method, const CMPIArgs* in, CMPIArgs* out) {
    QUILL_MARK_PROVIDER_ENTRY();
    CMPIStatus status = statusOf(CMPI_RC_OK);
    CMPIUint32 ret = 0;
    try {
        const ClassRow* const row = findClassRow(classIdOf(path, QUILL_TRACE_SITE()));
        const MethodOperation* const operation = row != nullptr ? &row->method : nullptr;
        if (operation == nullptr || operation->name == nullptr) {
            ret = CMPI_RC_ERR_INVALID_CLASS;
            status = statusOf(CMPI_RC_ERR_INVALID_CLASS);
        } else if (method == nullptr || std::strcmp(method, operation->name) != 0) {
            ret = CMPI_RC_ERR_METHOD_NOT_FOUND;
            status = statusOf(CMPI_RC_ERR_METHOD_NOT_FOUND);
        } else if (operation->invoke == nullptr) {
            ret = CMPI_RC_ERR_INVALID_CLASS;
            status = statusOf(CMPI_RC_ERR_INVALID_CLASS);
        } else {
            ret = operation->invoke(context, path, in, out, &status);
        }
    } catch (const std::exception& failure) {
        status = failureStatus(failure.what());
    } catch (...) {
        status = failureStatus(kUnknownFailure);
    }
    CMReturnData(result, &ret, CMPI_uint32);
    CMReturnDone(result);
    return status;
}

namespace {

CMPIInstanceMIFT instanceTable = {
    CMPICurrentVersion,
    CMPICurrentVersion,
    "instanceIPInterfaceProvider",
    IPInterface_Cleanup,
    IPInterface_EnumInstanceNames,
    IPInterface_EnumInstances,
    IPInterface_GetInstance,
    IPInterface_CreateInstance,
    IPInterface_ModifyInstance,
    IPInterface_DeleteInstance,
    IPInterface_ExecQuery,
};

CMPIAssociationMIFT associationTable = {
    CMPICurrentVersion,     CMPICurrentVersion,         "associationIPInterfaceProvider",
    IPInterface_Cleanup,    IPInterface_Associators,    IPInterface_AssociatorNames,
    IPInterface_References, IPInterface_ReferenceNames,
};

CMPIMethodMIFT methodTable = {
    CMPICurrentVersion,        CMPICurrentVersion,       "methodIPInterfaceProvider",
    IPInterface_MethodCleanup, IPInterface_InvokeMethod,
};

CMPIInstanceMI instanceMI = {nullptr, &instanceTable};
CMPIAssociationMI associationMI = {nullptr, &associationTable};
CMPIMethodMI methodMI = {nullptr, &methodTable};

}  // namespace

}  // namespace IPInterfaceProvider
}  // namespace Quill

using Quill::IPInterfaceProvider::g_broker;

CMPIInstanceMI* IPInterfaceProvider_Create_InstanceMI(const CMPIBroker* broker, const CMPIContext*,
                                                      CMPIStatus*) {
    g_broker = broker;
    return &Quill::IPInterfaceProvider::instanceMI;
}

CMPIAssociationMI* IPInterfaceProvider_Create_AssociationMI(const CMPIBroker* broker,
                                                            const CMPIContext*, CMPIStatus*) {
    g_broker = broker;
    return &Quill::IPInterfaceProvider::associationMI;
}

CMPIMethodMI* IPInterfaceProvider_Create_MethodMI(const CMPIBroker* broker, const CMPIContext*,
                                                  CMPIStatus*) {
    g_broker = broker;
    return &Quill::IPInterfaceProvider::methodMI;
}
