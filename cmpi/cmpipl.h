/*
 * CMPI 2.0 platform selection.
 *
 * Exactly one CMPI_PLATFORM_* macro names the target. On Linux the build
 * normally passes CMPI_PLATFORM_LINUX_GENERIC_GNU; when nothing is given we
 * still pick it on Linux, because without it CMPI_EXPORT stays empty and a
 * library built with hidden visibility would hide its factory functions from
 * the broker.
 */
#ifndef _CMPIPL_H_
#define _CMPIPL_H_

#if defined(PEGASUS_PLATFORM_LINUX_GENERIC_GNU) && !defined(CMPI_PLATFORM_LINUX_GENERIC_GNU)
#define CMPI_PLATFORM_LINUX_GENERIC_GNU 1
#endif

#if !defined(CMPI_PLATFORM_LINUX_GENERIC_GNU) && !defined(CMPI_PLATFORM_HPUX_ACC) &&         \
    !defined(CMPI_PLATFORM_WIN32_IX86_MSVC) && !defined(CMPI_PLATFORM_SOLARIS_SPARC_GNU) &&  \
    !defined(CMPI_PLATFORM_SOLARIS_SPARC_CC) && !defined(CMPI_PLATFORM_AIX_RS_IBMCXX) &&     \
    !defined(CMPI_PLATFORM_ZOS_ZSERIES_IBM) && !defined(CMPI_PLATFORM_TRU64_ALPHA_DECCXX) && \
    !defined(CMPI_PLATFORM_OS400_ISERIES_IBM) && !defined(CMPI_PLATFORM_DARWIN_PPC_GNU) &&   \
    !defined(CMPI_PLATFORM_VMS_ALPHA_DECCXX) && !defined(CMPI_PLATFORM_VMS_IA64_DECCXX)
#if defined(__linux__)
#define CMPI_PLATFORM_LINUX_GENERIC_GNU 1
#else
#error "No CMPI_PLATFORM_* macro is defined; define the one for the target platform."
#endif
#endif

#if (defined(CMPI_PLATFORM_LINUX_GENERIC_GNU) + defined(CMPI_PLATFORM_HPUX_ACC) +         \
     defined(CMPI_PLATFORM_WIN32_IX86_MSVC) + defined(CMPI_PLATFORM_SOLARIS_SPARC_GNU) +  \
     defined(CMPI_PLATFORM_SOLARIS_SPARC_CC) + defined(CMPI_PLATFORM_AIX_RS_IBMCXX) +     \
     defined(CMPI_PLATFORM_ZOS_ZSERIES_IBM) + defined(CMPI_PLATFORM_TRU64_ALPHA_DECCXX) + \
     defined(CMPI_PLATFORM_OS400_ISERIES_IBM) + defined(CMPI_PLATFORM_DARWIN_PPC_GNU) +   \
     defined(CMPI_PLATFORM_VMS_ALPHA_DECCXX) + defined(CMPI_PLATFORM_VMS_IA64_DECCXX)) > 1
#error "More than one CMPI_PLATFORM_* macro is defined."
#endif

#endif /* _CMPIPL_H_ */
