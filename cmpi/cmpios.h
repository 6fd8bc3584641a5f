/*
 * CMPI 2.0 operating-system bindings: thread, mutex and condition handle
 * types used by CMPIBrokerExtFT, and the export/linkage tags for factory
 * functions.
 */
#ifndef _CMPIOS_H_
#define _CMPIOS_H_

#include "cmpipl.h"
#include <stdlib.h>

#define CMPI_THREAD_RETURN void*
#define CMPI_THREAD_TYPE void*
#define CMPI_MUTEX_TYPE void*
#define CMPI_COND_TYPE void*

/* Left empty everywhere: a __cdecl tag does not compile with g++ on Linux. */
#define CMPI_THREAD_CDECL

/*
 * Both brokers write a 4-byte pthread_key_t through createThreadKey, so the
 * key must be 4 bytes wide; an 8-byte type would leave half of it garbage.
 */
#define CMPI_THREAD_KEY_TYPE unsigned int

#if defined(CMPI_PLATFORM_LINUX_GENERIC_GNU) && defined(__GNUC__) && (__GNUC__ >= 4)
#define CMPI_EXPORT __attribute__((visibility("default")))
#define CMPI_IMPORT __attribute__((visibility("default")))
#else
#define CMPI_EXPORT
#define CMPI_IMPORT
#endif

#ifdef __cplusplus
#define CMPI_EXTERN_C extern "C" CMPI_EXPORT
#else
#define CMPI_EXTERN_C CMPI_EXPORT
#endif

#endif /* _CMPIOS_H_ */
