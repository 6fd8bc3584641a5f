/* Without a CMPI_VERSION from the build the headers must select 2.0. */
#undef CMPI_VERSION
#include <stddef.h>

#include "cmpift.h"

#if !defined(CMPI_VER_200) || (CMPI_VERSION != 200) || (CMPICurrentVersion != 200)
#error "Headers did not default to CMPI 2.0."
#endif
#if !defined(CMPI_VER_100) || !defined(CMPI_VER_90) || !defined(CMPI_VER_87) || \
    !defined(CMPI_VER_86) || !defined(CMPI_VER_85) || !defined(CMPI_VER_80)
#error "CMPI 2.0 must imply every earlier level."
#endif

#define DEFAULT_CHECK(name, cond) typedef char default_version_##name[(cond) ? 1 : -1]
DEFAULT_CHECK(broker, sizeof(CMPIBroker) == 40);
DEFAULT_CHECK(enc_ft, sizeof(CMPIBrokerEncFT) == 168);
DEFAULT_CHECK(result_ft, sizeof(CMPIResultFT) == 64);
DEFAULT_CHECK(instance_ft, sizeof(CMPIInstanceFT) == 88);
DEFAULT_CHECK(property_mi_ft, sizeof(CMPIPropertyMIFT) == 48);
