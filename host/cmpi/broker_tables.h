// The broker's four function tables and what their slots share.
#pragma once

#include "ovx/host/broker.h"

#include <cmpift.h>

namespace ovx::host::detail {

extern CMPIBrokerFT brokerServicesTable;
extern CMPIBrokerEncFT brokerEncodingTable;
extern CMPIBrokerExtFT brokerExtensionTable;
extern CMPIBrokerMemFT brokerMemoryTable;

// The Broker behind a CMPIBroker; throws CimError(CMPI_RC_ERR_INVALID_HANDLE)
// for a null or foreign one.
Broker& requireBroker(const CMPIBroker* broker);

}  // namespace ovx::host::detail
