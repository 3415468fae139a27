# CMake's description of the UEFI "system": file names only. Compiler and
# linker settings live in the toolchain file, cmake/uefi-x86_64.cmake.
set(CMAKE_EXECUTABLE_SUFFIX .efi)
set(CMAKE_STATIC_LIBRARY_PREFIX lib)
set(CMAKE_STATIC_LIBRARY_SUFFIX .a)
set(CMAKE_FIND_LIBRARY_PREFIXES lib)
set(CMAKE_FIND_LIBRARY_SUFFIXES .a)
