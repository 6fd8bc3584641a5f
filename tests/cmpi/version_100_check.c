/* CMPI_VERSION=100 drops exactly the 2.0 members and nothing older. */
#undef CMPI_VERSION
#define CMPI_VERSION 100
#include <stddef.h>

#include "cmpift.h"

#if defined(CMPI_VER_200) || (CMPICurrentVersion != 100)
#error "CMPI_VERSION=100 must not enable 2.0."
#endif
#if !defined(CMPI_VER_90) || !defined(CMPI_VER_86) || !defined(CMPI_VER_85)
#error "CMPI 1.0 must imply the pre-1.0 levels."
#endif
#if defined(CMReturnError) || defined(CMNewCMPIError) || !defined(CBModifyInstance) || \
    !defined(CMObjectPathToString) || !defined(CMGetMessage)
#error "Macro set does not match CMPI 1.0."
#endif

#define V100_CHECK(name, cond) typedef char version_100_##name[(cond) ? 1 : -1]
V100_CHECK(broker, sizeof(CMPIBroker) == 32);
V100_CHECK(enc_ft, sizeof(CMPIBrokerEncFT) == 136);
V100_CHECK(enc_ft_trace, offsetof(CMPIBrokerEncFT, trace) == 128);
V100_CHECK(result_ft, sizeof(CMPIResultFT) == 56);
V100_CHECK(instance_ft, sizeof(CMPIInstanceFT) == 80);
V100_CHECK(property_mi_ft, sizeof(CMPIPropertyMIFT) == 40);
V100_CHECK(indication_mi_ft, sizeof(CMPIIndicationMIFT) == 72);
