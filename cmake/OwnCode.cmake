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
