#include "ovx/host/function_tables.h"

#include "cmpi/args_handle.h"
#include "cmpi/array_handle.h"
#include "cmpi/broker_tables.h"
#include "cmpi/context_handle.h"
#include "cmpi/datetime_handle.h"
#include "cmpi/enumeration_handle.h"
#include "cmpi/error_handle.h"
#include "cmpi/instance_handle.h"
#include "cmpi/object_path_handle.h"
#include "cmpi/query_tables.h"
#include "cmpi/result_handle.h"
#include "cmpi/string_handle.h"

#include <cstddef>

namespace ovx::host {

namespace {

// Object and broker tables start with an int version; the first slot follows.
template <typename Table>
FunctionTableInfo versioned(const char* name, const Table& table) {
    return FunctionTableInfo{name, &table, sizeof(Table), sizeof(void*)};
}

}  // namespace

std::vector<FunctionTableInfo> functionTables() {
    using namespace detail;
    return {
        // The service table starts with data fields instead of a version.
        FunctionTableInfo{"CMPIBrokerFT", &brokerServicesTable, sizeof(CMPIBrokerFT),
                          offsetof(CMPIBrokerFT, prepareAttachThread)},
        versioned("CMPIBrokerEncFT", brokerEncodingTable),
        versioned("CMPIBrokerExtFT", brokerExtensionTable),
        versioned("CMPIBrokerMemFT", brokerMemoryTable),
        versioned("CMPIStringFT", StringHandle::table),
        versioned("CMPIArrayFT", ArrayHandle::table),
        versioned("CMPIEnumerationFT", EnumerationHandle::table),
        versioned("CMPIInstanceFT", InstanceHandle::table),
        versioned("CMPIObjectPathFT", ObjectPathHandle::table),
        versioned("CMPIArgsFT", ArgsHandle::table),
        versioned("CMPIDateTimeFT", DateTimeHandle::table),
        versioned("CMPIContextFT", ContextHandle::table),
        versioned("CMPIResultFT", ResultHandle::table),
        versioned("CMPIErrorFT", ErrorHandle::table),
        versioned("CMPISelectExpFT", selectExpTable),
        versioned("CMPISelectCondFT", selectCondTable),
        versioned("CMPISubCondFT", subCondTable),
        versioned("CMPIPredicateFT", predicateTable),
    };
}

}  // namespace ovx::host
