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
#      standing in for Apple's libc, seen through a folder made at configure
#      time (cmake/mac/libc_headers.py) in which Linux's kernel headers
#      (<linux/*.h>, <asm/*.h>) are an error unless glibc itself includes them;
#   5. GNUstep's headers, standing in for AppKit and Foundation, and the
#      Objective-C runtime headers GNUstep's headers expect.
# With -DASSISTANT_TESTS=ON, GoogleTest's headers come from the Debian package
# (libgtest-dev), in a folder that holds nothing else.

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

# Made once per build folder (again when the script changes); the compiler
# checks of try_compile projects use the same folder.
set(MAC_CHECK_HEADERS ${CMAKE_BINARY_DIR}/mac-headers CACHE PATH
    "Folder of the generated glibc and GoogleTest include folders of the Mac check")
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES MAC_CHECK_HEADERS)
set(_libc_script ${CMAKE_CURRENT_LIST_DIR}/libc_headers.py)
foreach(_arch_triple arm64:aarch64 x86_64:x86_64)
  string(REPLACE ":" ";" _arch_triple ${_arch_triple})
  list(GET _arch_triple 0 _arch)
  list(GET _arch_triple 1 _triple)
  set(_made ${MAC_CHECK_HEADERS}/${_arch}.made)
  if(NOT EXISTS ${_made} OR ${_libc_script} IS_NEWER_THAN ${_made})
    execute_process(COMMAND python3 ${_libc_script} /usr/${_triple}-linux-gnu/include
                            ${MAC_CHECK_HEADERS}/${_arch}
                    RESULT_VARIABLE _result)
    if(NOT _result EQUAL 0)
      message(FATAL_ERROR "cmake/mac/libc_headers.py failed for ${_arch}")
    endif()
    file(TOUCH ${_made})
  endif()
endforeach()
# GoogleTest: the headers alone, so that no other header of /usr/include can
# stand in for a Mac's. FindGTest wants its archives too; they are the Debian
# package's, and nothing is linked here.
file(MAKE_DIRECTORY ${MAC_CHECK_HEADERS}/googletest)
foreach(_part gtest gmock)
  if(EXISTS /usr/include/${_part})
    file(CREATE_LINK /usr/include/${_part} ${MAC_CHECK_HEADERS}/googletest/${_part} SYMBOLIC)
  endif()
endforeach()
execute_process(COMMAND gcc -print-multiarch OUTPUT_VARIABLE _multiarch OUTPUT_STRIP_TRAILING_WHITESPACE)
set(GTEST_INCLUDE_DIR ${MAC_CHECK_HEADERS}/googletest CACHE PATH "")
set(GTEST_LIBRARY /usr/lib/${_multiarch}/libgtest.a CACHE FILEPATH "")
set(GTEST_MAIN_LIBRARY /usr/lib/${_multiarch}/libgtest_main.a CACHE FILEPATH "")

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
  -Xarch_arm64 -isystem${MAC_CHECK_HEADERS}/arm64
  -Xarch_arm64 -isystem/usr/aarch64-linux-gnu/include
  -Xarch_x86_64 -isystem${MAC_CHECK_HEADERS}/x86_64
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
