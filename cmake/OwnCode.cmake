# Our own code is warning-free; third-party code (zlib, expat) is not held to
# it. It is built for the board's BMC (cmake/OemEnterpriseNumber.cmake: its
# enterprise number and its display function's vendors).
function(velsku_own_code target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Werror)
  target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR})
  target_compile_definitions(${target} PRIVATE
                             VELSKU_OEM_ENTERPRISE_NUMBER=${VELSKU_OEM_ENTERPRISE_VALUE}
                             "VELSKU_BMC_PCI_VENDORS=${VELSKU_BMC_PCI_VENDORS_VALUE}")
endfunction()

# Code that ends up in an .efi: no exceptions, no RTTI, no global constructors.
# The host build compiles it the same way so that a slip shows up here first.
function(velsku_firmware_code target)
  velsku_own_code(${target})
  target_compile_options(${target} PRIVATE
    $<$<COMPILE_LANGUAGE:CXX>:-fno-exceptions -fno-rtti -fno-threadsafe-statics>)
  if(CMAKE_CXX_COMPILER_ID STREQUAL "Clang")
    target_compile_options(${target} PRIVATE -Wglobal-constructors -Wexit-time-destructors)
  endif()
endfunction()

# The C libraries the tools link: the system's on the host; the UEFI build
# defines velsku_zlib and velsku_expat itself from pinned sources. STATIC takes
# the archives of the -dev packages, for programs linked with -static.
function(velsku_find_host_libraries)
  cmake_parse_arguments(PARSE_ARGV 0 arg "STATIC" "" "")
  add_library(velsku_zlib INTERFACE)
  add_library(velsku_expat INTERFACE)
  if(arg_STATIC)
    find_library(VELSKU_ZLIB_STATIC libz.a REQUIRED)
    find_library(VELSKU_EXPAT_STATIC libexpat.a REQUIRED)
    target_link_libraries(velsku_zlib INTERFACE ${VELSKU_ZLIB_STATIC})
    target_link_libraries(velsku_expat INTERFACE ${VELSKU_EXPAT_STATIC})
  else()
    find_package(ZLIB REQUIRED)
    find_package(EXPAT REQUIRED)
    target_link_libraries(velsku_zlib INTERFACE ZLIB::ZLIB)
    target_link_libraries(velsku_expat INTERFACE EXPAT::EXPAT)
  endif()
endfunction()

