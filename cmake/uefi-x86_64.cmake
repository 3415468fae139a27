# Cross build of the two tools as x86-64 UEFI shell applications (PE32+).
#
#   cmake -S . -B build/uefi --toolchain cmake/uefi-x86_64.cmake
#   cmake --build build/uefi
#
# clang emits COFF objects for a Windows target and lld-link turns them into
# an EFI application with real base relocations. The Windows target only
# provides the object format and the Microsoft x64 calling convention that
# UEFI uses: -fno-ms-extensions and -U_WIN32/-U_WIN64 keep zlib and expat off
# their Windows code paths, and -nostdlibinc leaves our own C library headers
# (platform/uefi/libc/include) as the only C library in sight.
set(CMAKE_SYSTEM_NAME UEFI)
set(CMAKE_SYSTEM_PROCESSOR x86_64)
list(APPEND CMAKE_MODULE_PATH ${CMAKE_CURRENT_LIST_DIR}/UefiPlatform)

set(CMAKE_C_COMPILER clang)
set(CMAKE_CXX_COMPILER clang++)
set(CMAKE_C_COMPILER_TARGET x86_64-unknown-windows)
set(CMAKE_CXX_COMPILER_TARGET x86_64-unknown-windows)
find_program(CMAKE_AR NAMES llvm-ar llvm-ar-14 REQUIRED)
find_program(CMAKE_RANLIB NAMES llvm-ranlib llvm-ranlib-14 REQUIRED)
find_program(CMAKE_LINKER NAMES lld-link lld-link-14 REQUIRED)

# There is no C runtime to link a probe program against.
set(CMAKE_TRY_COMPILE_TARGET_TYPE STATIC_LIBRARY)

set(VELSKU_UEFI_COMMON_FLAGS
    "-ffreestanding -fno-stack-protector -mno-red-zone -mno-stack-arg-probe -fshort-wchar \
-fno-ms-extensions -U_WIN32 -U_WIN64 -nostdlibinc -ffunction-sections -fdata-sections")
set(CMAKE_C_FLAGS_INIT "${VELSKU_UEFI_COMMON_FLAGS}")
set(CMAKE_CXX_FLAGS_INIT
    "${VELSKU_UEFI_COMMON_FLAGS} -fno-exceptions -fno-rtti -fno-threadsafe-statics \
-fno-c++-static-destructors -fno-delayed-template-parsing")

# Image size matters more than speed in a factory shell tool. Cached, because
# CMake's compiler modules append -O2 to the _INIT values of every build type.
foreach(lang C CXX)
  foreach(config RELWITHDEBINFO RELEASE MINSIZEREL)
    set(CMAKE_${lang}_FLAGS_${config} "-Os -DNDEBUG" CACHE STRING "")
  endforeach()
  set(CMAKE_${lang}_FLAGS_DEBUG "-O0" CACHE STRING "")
endforeach()

set(VELSKU_UEFI_LINK_FLAGS
    "-subsystem:efi_application -entry:efi_main -nodefaultlib -opt:ref -nologo")
foreach(lang C CXX)
  set(CMAKE_${lang}_LINK_EXECUTABLE
      "<CMAKE_LINKER> ${VELSKU_UEFI_LINK_FLAGS} <LINK_FLAGS> -map:<TARGET>.map \
<OBJECTS> <LINK_LIBRARIES> -out:<TARGET>")
endforeach()
