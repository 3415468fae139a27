/* expat's configuration for every build (UEFI, Linux, host), in place of
   what its configure script would have written: x86-64 with a C library that
   has these headers. */
#ifndef EXPAT_CONFIG_H
#define EXPAT_CONFIG_H 1

#define BYTEORDER 1234

/* The single entropy source for the hash salt: our UEFI C library provides
   it, and so does glibc since 2.36 (Debian 12). */
#define HAVE_ARC4RANDOM_BUF 1

#define HAVE_FCNTL_H 1
#define HAVE_INTTYPES_H 1
#define HAVE_STDINT_H 1
#define HAVE_STDLIB_H 1
#define HAVE_STRING_H 1
#define HAVE_SYS_STAT_H 1
#define HAVE_SYS_TYPES_H 1
#define HAVE_UNISTD_H 1
#define STDC_HEADERS 1

#define PACKAGE "expat"
#define PACKAGE_NAME "expat"
#define PACKAGE_VERSION "2.5.0"

#define XML_CONTEXT_BYTES 1024
/* Needed for more than entities: in 2.5.0 the protection against entity
   amplification is compiled only with XML_DTD. */
#define XML_DTD 1
/* No namespace processing: the tools parse plain element names, and leaving
   XML_NS out keeps pelgrin.efi inside its size goal. */

#endif
