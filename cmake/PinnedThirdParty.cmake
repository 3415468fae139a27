# zlib and expat for every build (UEFI images, Linux programs, the host build
# on the simulated board, its sanitizer and fuzz builds), compiled from the
# same pinned Debian source packages, as static libraries velsku_zlib and
# velsku_expat. One parser, with its CVE fixes, whatever the target: the
# system's libexpat of a build machine or a board is never linked.
#
# The packages are fetched at configure time with apt-get source into
# VELSKU_THIRD_PARTY_CACHE, through a private apt state that adds deb-src
# entries for the suites this machine is configured with, so the system's apt
# setup is left alone. Every downloaded file is checked against its pinned
# sha256 before it is unpacked. The default cache sits beside the build
# directories of the checkout, so that they all share one download.

if(DEFINED VELSKU_UEFI_SOURCE_CACHE)
  # The name this setting had when only the UEFI build used it.
  set(velsku_default_cache "${VELSKU_UEFI_SOURCE_CACHE}")
else()
  set(velsku_default_cache "${PROJECT_SOURCE_DIR}/build/third_party")
endif()
set(VELSKU_THIRD_PARTY_CACHE "${velsku_default_cache}" CACHE PATH
    "Where the zlib and expat source packages are downloaded and unpacked")
# Unpacking into "" would write to the root directory.
if(VELSKU_THIRD_PARTY_CACHE STREQUAL "")
  message(FATAL_ERROR "VELSKU_THIRD_PARTY_CACHE is empty: name a directory for the sources")
endif()

# expat's configuration (cmake/third_party/expat_config.h) is written for
# x86-64, the only processor the tools are built for.
if(CMAKE_C_BYTE_ORDER STREQUAL "BIG_ENDIAN")
  message(FATAL_ERROR "cmake/third_party/expat_config.h assumes a little-endian target")
endif()

set(VELSKU_ZLIB_PACKAGE "zlib=1:1.2.13.dfsg-1")
set(VELSKU_ZLIB_DIR "zlib-1.2.13.dfsg")
set(VELSKU_ZLIB_FILES
    "zlib_1.2.13.dfsg-1.dsc=3fa1e6b2fc525062aa88207dda52fed8e045373c809d362fe8a2bfbf7cf515a8"
    "zlib_1.2.13.dfsg.orig.tar.bz2=71feb7947e3c00ef125f83b79a4e529bde31171e5babe48b391f06758d1ab0a1"
    "zlib_1.2.13.dfsg-1.debian.tar.xz=f66cf3d4f2d7defcd4d1fd1fb0a11ee39f1e01b42ec7d059c9dc5c1695133c44")

# The +deb12u2 revision carries the CVE fixes; plain 2.5.0-1 resolves to a
# security-suite revision whose files are not served.
set(VELSKU_EXPAT_PACKAGE "expat=2.5.0-1+deb12u2")
set(VELSKU_EXPAT_DIR "expat-2.5.0")
set(VELSKU_EXPAT_FILES
    "expat_2.5.0-1+deb12u2.dsc=6fc87dbd01f49999ed368cfb37c08d35e41348dda2281d60642f3aa14cb77e32"
    "expat_2.5.0.orig.tar.gz=ab00ee05c7067fd10a35c5d2a4922ebba746ddd50ff83b79c828da17bbdf1757"
    "expat_2.5.0-1+deb12u2.debian.tar.xz=7e29f5db5067e55193540089ed0f3ec9676704cf79dcea81a9bfb9f49435ae53")

# A deb-src twin of every deb entry the machine is configured with.
function(velsku_write_source_entries apt_dir)
  file(MAKE_DIRECTORY ${apt_dir}/sources.list.d)
  file(GLOB deb822 /etc/apt/sources.list.d/*.sources)
  set(index 0)
  foreach(list_file ${deb822})
    file(READ ${list_file} text)
    string(REGEX REPLACE "Types:[ \t]*deb[ \t]*\n" "Types: deb-src\n" text "${text}")
    file(WRITE ${apt_dir}/sources.list.d/src${index}.sources "${text}")
    math(EXPR index "${index} + 1")
  endforeach()
  file(GLOB one_line /etc/apt/sources.list /etc/apt/sources.list.d/*.list)
  foreach(list_file ${one_line})
    file(STRINGS ${list_file} lines REGEX "^[ \t]*deb[ \t]")
    list(TRANSFORM lines REPLACE "^[ \t]*deb[ \t]" "deb-src ")
    list(JOIN lines "\n" text)
    file(WRITE ${apt_dir}/sources.list.d/src${index}.list "${text}\n")
    math(EXPR index "${index} + 1")
  endforeach()
endfunction()

function(velsku_apt_get download_dir)
  set(apt_dir ${VELSKU_THIRD_PARTY_CACHE}/apt)
  file(MAKE_DIRECTORY ${apt_dir}/lists/partial ${apt_dir}/cache/archives/partial)
  velsku_write_source_entries(${apt_dir})
  set(options
      -o Dir::Etc::SourceList=/dev/null -o Dir::Etc::SourceParts=${apt_dir}/sources.list.d
      -o Dir::State::Lists=${apt_dir}/lists -o Dir::Cache=${apt_dir}/cache
      -o Debug::NoLocking=1 -o APT::Sandbox::User=root)
  execute_process(COMMAND apt-get ${options} ${ARGN}
                  WORKING_DIRECTORY ${download_dir}
                  RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "apt-get ${ARGN} failed (${result}):\n${output}\n"
            "Put the source package files into ${download_dir} by hand, or set "
            "VELSKU_THIRD_PARTY_CACHE to a directory that holds them.")
  endif()
endfunction()

# True in `out` when every pinned file is present with its sha256.
function(velsku_check_files download_dir files out)
  set(ok TRUE)
  foreach(entry ${files})
    string(REPLACE "=" ";" pair "${entry}")
    list(GET pair 0 name)
    list(GET pair 1 expected)
    if(NOT EXISTS ${download_dir}/${name})
      set(ok FALSE)
      continue()
    endif()
    file(SHA256 ${download_dir}/${name} actual)
    if(NOT actual STREQUAL expected)
      message(FATAL_ERROR "${download_dir}/${name}: sha256 ${actual}, expected ${expected}")
    endif()
  endforeach()
  set(${out} ${ok} PARENT_SCOPE)
endfunction()

# Downloads (when missing), verifies and unpacks one source package; sets
# `out` to its unpacked tree.
function(velsku_debian_source package files tree out)
  set(download_dir ${VELSKU_THIRD_PARTY_CACHE}/downloads)
  set(source_dir ${VELSKU_THIRD_PARTY_CACHE}/${tree})
  set(${out} ${source_dir} PARENT_SCOPE)
  if(EXISTS ${source_dir}/.unpacked)
    return()
  endif()
  file(MAKE_DIRECTORY ${download_dir})
  velsku_check_files(${download_dir} "${files}" present)
  if(NOT present)
    message(STATUS "Fetching source package ${package}")
    file(GLOB indexes ${VELSKU_THIRD_PARTY_CACHE}/apt/lists/*Sources*)
    if(NOT indexes)
      velsku_apt_get(${download_dir} update)
    endif()
    velsku_apt_get(${download_dir} source --download-only ${package})
    velsku_check_files(${download_dir} "${files}" present)
    if(NOT present)
      message(FATAL_ERROR "apt-get did not deliver every file of ${package}")
    endif()
  endif()
  list(GET files 0 dsc_entry)
  string(REGEX REPLACE "=.*" "" dsc "${dsc_entry}")
  # Unpacked aside and renamed into place, so that build directories
  # configured at the same time never compile a half-unpacked tree.
  string(RANDOM LENGTH 8 suffix)
  set(partial_dir ${source_dir}.partial-${suffix})
  execute_process(COMMAND dpkg-source -x ${download_dir}/${dsc} ${partial_dir}
                  RESULT_VARIABLE result OUTPUT_VARIABLE output ERROR_VARIABLE output)
  if(NOT result EQUAL 0)
    file(REMOVE_RECURSE ${partial_dir})
    message(FATAL_ERROR "dpkg-source -x ${dsc} failed:\n${output}")
  endif()
  file(TOUCH ${partial_dir}/.unpacked)
  file(REMOVE_RECURSE ${source_dir})
  file(RENAME ${partial_dir} ${source_dir} RESULT renamed)
  file(REMOVE_RECURSE ${partial_dir})
  if(NOT EXISTS ${source_dir}/.unpacked)
    message(FATAL_ERROR "${source_dir} could not be put in place (${renamed})")
  endif()
endfunction()

# Compile settings shared by both libraries: no warnings policing
# (third-party code) and the configuration they expect. The UEFI build links
# them to its own C library.
function(velsku_third_party_library target)
  target_compile_definitions(${target} PRIVATE HAVE_UNISTD_H NDEBUG XML_STATIC)
  target_compile_options(${target} PRIVATE -w)
endfunction()

function(velsku_add_pinned_zlib)
  velsku_debian_source(${VELSKU_ZLIB_PACKAGE} "${VELSKU_ZLIB_FILES}" ${VELSKU_ZLIB_DIR} dir)
  set(names adler32 crc32 deflate gzclose gzlib gzwrite gzread inflate inftrees inffast
            trees zutil)
  list(TRANSFORM names PREPEND ${dir}/)
  list(TRANSFORM names APPEND .c)
  add_library(velsku_zlib STATIC ${names})
  velsku_third_party_library(velsku_zlib)
  target_include_directories(velsku_zlib SYSTEM PUBLIC ${dir})
endfunction()

# cmake/third_party holds the expat_config.h that configure would have written.
function(velsku_add_pinned_expat)
  velsku_debian_source(${VELSKU_EXPAT_PACKAGE} "${VELSKU_EXPAT_FILES}" ${VELSKU_EXPAT_DIR} dir)
  add_library(velsku_expat STATIC ${dir}/expat/lib/xmlparse.c ${dir}/expat/lib/xmlrole.c
                                  ${dir}/expat/lib/xmltok.c)
  velsku_third_party_library(velsku_expat)
  target_include_directories(velsku_expat PRIVATE ${PROJECT_SOURCE_DIR}/cmake/third_party)
  target_include_directories(velsku_expat SYSTEM PUBLIC ${dir}/expat/lib)
  target_compile_definitions(velsku_expat PUBLIC XML_STATIC)
endfunction()
