# Configures the project as a macOS build on Linux, for scripts/check-mac:
# a universal (arm64 and x86_64) build for macOS 11.0 with clang's Apple
# targets. Nothing can be linked this way (Apple's library stubs come with its
# SDK); the compile commands it generates are for type-checking only.
#
# The compiler sees only the include folders named here, in this order:
#   1. cmake/mac/include: stand-ins for Apple-only declarations the program
#      uses, glibc's errno.h with the error numbers a Mac adds, and libc++'s
#      configuration as Apple ships it;
#   2. libc++, with its Apple availability annotations then in force;
#   3. clang's own headers;
#   4. glibc for the architecture being compiled (the Debian cross packages),
#      standing in for Apple's libc;
#   5. GNUstep's headers, standing in for AppKit and Foundation, and the
#      Objective-C runtime headers GNUstep's headers expect.

set(CMAKE_SYSTEM_NAME Darwin)
set(CMAKE_SYSTEM_VERSION 20.0)  # Darwin 20 is macOS 11
set(CMAKE_SYSTEM_PROCESSOR arm64)
set(CMAKE_OSX_ARCHITECTURES "arm64;x86_64" CACHE STRING "")
set(CMAKE_OSX_DEPLOYMENT_TARGET "11.0" CACHE STRING "")
# There is no SDK: the include folders below stand in for it. CMake wants a
# sysroot folder; -nostdinc keeps the compiler from looking in it.
set(CMAKE_OSX_SYSROOT ${CMAKE_CURRENT_LIST_DIR} CACHE PATH "")

find_program(MAC_CHECK_CLANG NAMES clang-14 REQUIRED)
find_program(MAC_CHECK_CLANGXX NAMES clang++-14 REQUIRED)
set(CMAKE_C_COMPILER ${MAC_CHECK_CLANG})
set(CMAKE_CXX_COMPILER ${MAC_CHECK_CLANGXX})
set(CMAKE_OBJCXX_COMPILER ${MAC_CHECK_CLANGXX})
foreach(_lang C CXX OBJCXX)
  set(CMAKE_${_lang}_COMPILER_TARGET arm64-apple-macos11)
endforeach()
# Nothing can be linked, and a universal object needs Apple's lipo: CMake's
# own compiler checks cannot run.
foreach(_lang C CXX OBJCXX)
  set(CMAKE_${_lang}_COMPILER_WORKS TRUE)
endforeach()
set(CMAKE_TRY_COMPILE_TARGET_TYPE STATIC_LIBRARY)

execute_process(COMMAND ${MAC_CHECK_CLANG} -print-resource-dir
                OUTPUT_VARIABLE _clang_resources OUTPUT_STRIP_TRAILING_WHITESPACE)
get_filename_component(_llvm_root ${MAC_CHECK_CLANG} REALPATH)
get_filename_component(_llvm_root ${_llvm_root} DIRECTORY)  # .../llvm-14/bin
get_filename_component(_llvm_root ${_llvm_root} DIRECTORY)
# GNUstep's headers include <objc/...> from GCC's Objective-C runtime.
execute_process(COMMAND gcc -print-file-name=include
                OUTPUT_VARIABLE _gcc_include OUTPUT_STRIP_TRAILING_WHITESPACE)

set(_flags
  -nostdinc
  # clang predefines these as nullability keywords for Apple targets; glibc
  # uses the names for its own attribute macros.
  -U__nonnull -U__nullable
  # Apple's libc declares POSIX and BSD calls by default; glibc only when asked.
  -D_DEFAULT_SOURCE
  -isystem ${CMAKE_CURRENT_LIST_DIR}/include)
set(_cxx_flags -nostdinc++ -isystem ${_llvm_root}/include/c++/v1)
set(_tail_flags
  -isystem ${_clang_resources}/include
  # -Xarch_ applies a flag to one architecture of a universal compile.
  -Xarch_arm64 -isystem/usr/aarch64-linux-gnu/include
  -Xarch_x86_64 -isystem/usr/x86_64-linux-gnu/include
  -isystem /usr/include/GNUstep
  -idirafter ${_gcc_include})
list(JOIN _flags " " _flags)
list(JOIN _cxx_flags " " _cxx_flags)
list(JOIN _tail_flags " " _tail_flags)
set(CMAKE_C_FLAGS_INIT "${_flags} ${_tail_flags}")
set(CMAKE_CXX_FLAGS_INIT "${_flags} ${_cxx_flags} ${_tail_flags}")
set(CMAKE_OBJCXX_FLAGS_INIT "${_flags} ${_cxx_flags} ${_tail_flags}")

set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
