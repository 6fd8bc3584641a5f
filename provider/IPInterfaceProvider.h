// Entry points of the IP interface provider: the three MI factories that a
// CIMOM looks up, the MI function tables and the CMPI operations behind them.
#pragma once

#include <atomic>
#include <functional>
#include <vector>

#include "cmpidt.h"
#include "cmpift.h"

namespace Quill {
namespace IPInterfaceProvider {

// The CIMOM's broker, stored by every factory call (the last one wins). A
// factory may run while other MIs already serve requests on other threads.
extern std::atomic<const CMPIBroker*> g_broker;

// Appends the ids of the provider's classes that an association request
// naming className covers: the class itself when the catalogue knows it,
// otherwise the classes of every association base it derives from, in a
// fixed order. False when none was appended; ids is never cleared.
bool getClassId(const char* className, const char* nameSpace, std::vector<unsigned short>& ids);

// Runs the class branch of an instance operation. An exception that reaches
// it is traced at level 6000 and ends the operation with rc 1 and its text.
CMPIStatus runAtBoundary(const std::function<CMPIStatus()>& branch);

CMPIStatus IPInterface_Cleanup(CMPIInstanceMI* mi, const CMPIContext* context,
                               CMPIBoolean terminating);
// The association table shares the instance table's cleanup; C++ needs an
// overload for its MI type.
CMPIStatus IPInterface_Cleanup(CMPIAssociationMI* mi, const CMPIContext* context,
                               CMPIBoolean terminating);
CMPIStatus IPInterface_MethodCleanup(CMPIMethodMI* mi, const CMPIContext* context,
                                     CMPIBoolean terminating);

CMPIStatus IPInterface_EnumInstanceNames(CMPIInstanceMI* mi, const CMPIContext* context,
                                         const CMPIResult* result, const CMPIObjectPath* path);
CMPIStatus IPInterface_EnumInstances(CMPIInstanceMI* mi, const CMPIContext* context,
                                     const CMPIResult* result, const CMPIObjectPath* path,
                                     const char** properties);
CMPIStatus IPInterface_GetInstance(CMPIInstanceMI* mi, const CMPIContext* context,
                                   const CMPIResult* result, const CMPIObjectPath* path,
                                   const char** properties);
CMPIStatus IPInterface_CreateInstance(CMPIInstanceMI* mi, const CMPIContext* context,
                                      const CMPIResult* result, const CMPIObjectPath* path,
                                      const CMPIInstance* instance);
CMPIStatus IPInterface_ModifyInstance(CMPIInstanceMI* mi, const CMPIContext* context,
                                      const CMPIResult* result, const CMPIObjectPath* path,
                                      const CMPIInstance* instance, const char** properties);
CMPIStatus IPInterface_DeleteInstance(CMPIInstanceMI* mi, const CMPIContext* context,
                                      const CMPIResult* result, const CMPIObjectPath* path);
CMPIStatus IPInterface_ExecQuery(CMPIInstanceMI* mi, const CMPIContext* context,
                                 const CMPIResult* result, const CMPIObjectPath* path,
                                 const char* query, const char* language);

CMPIStatus IPInterface_Associators(CMPIAssociationMI* mi, const CMPIContext* context,
                                   const CMPIResult* result, const CMPIObjectPath* path,
                                   const char* associationClass, const char* resultClass,
                                   const char* role, const char* resultRole,
                                   const char** properties);
CMPIStatus IPInterface_AssociatorNames(CMPIAssociationMI* mi, const CMPIContext* context,
                                       const CMPIResult* result, const CMPIObjectPath* path,
                                       const char* associationClass, const char* resultClass,
                                       const char* role, const char* resultRole);
CMPIStatus IPInterface_References(CMPIAssociationMI* mi, const CMPIContext* context,
                                  const CMPIResult* result, const CMPIObjectPath* path,
                                  const char* resultClass, const char* role,
                                  const char** properties);
CMPIStatus IPInterface_ReferenceNames(CMPIAssociationMI* mi, const CMPIContext* context,
                                      const CMPIResult* result, const CMPIObjectPath* path,
                                      const char* resultClass, const char* role);

CMPIStatus IPInterface_InvokeMethod(CMPIMethodMI* mi, const CMPIContext* context,
                                    const CMPIResult* result, const CMPIObjectPath* path,
                                    const char* method, const CMPIArgs* in, CMPIArgs* out);

}  // namespace IPInterfaceProvider
}  // namespace Quill

extern "C" {
CMPI_EXPORT CMPIInstanceMI* IPInterfaceProvider_Create_InstanceMI(const CMPIBroker* broker,
                                                                  const CMPIContext* context,
                                                                  CMPIStatus* status);
CMPI_EXPORT CMPIAssociationMI* IPInterfaceProvider_Create_AssociationMI(const CMPIBroker* broker,
                                                                        const CMPIContext* context,
                                                                        CMPIStatus* status);
CMPI_EXPORT CMPIMethodMI* IPInterfaceProvider_Create_MethodMI(const CMPIBroker* broker,
                                                              const CMPIContext* context,
                                                              CMPIStatus* status);
}
