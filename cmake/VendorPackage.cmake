# The vendor's installer package, checked before a bundle takes it.
#
# A bundle whose package does not have the digest built into the program can
# never pass its own verification: every user of it would end in "Unable to
# Continue". So the build refuses such a package instead of shipping it.
#
# Included from CMakeLists.txt, this file defines:
#   vendor_package_digest(VAR)
#       VAR = the digest the shipped program expects, read from
#       driver/build_constants.cpp (the only place the value is written).
#   check_vendor_package(PACKAGE EXPECTED REQUIRED)
#       Fails the configure, naming the file and both digests, when PACKAGE
#       exists and its SHA-256 is not EXPECTED; and, when REQUIRED is true,
#       when PACKAGE does not exist.
#
# Run as a script, at build time:
#   cmake -DPACKAGE=FILE -DEXPECTED=HEX [-DREQUIRED=ON] -DDESTINATION=FILE -P VendorPackage.cmake
# checks PACKAGE as above and copies it to DESTINATION (only if they differ);
# removes DESTINATION when PACKAGE is absent or refused, so a bundle never
# keeps a package that is no longer there or that would not verify.

function(vendor_package_digest var)
  set(constants ${CMAKE_CURRENT_FUNCTION_LIST_DIR}/../driver/build_constants.cpp)
  file(READ ${constants} text)
  # The shipped value is the only quoted one: the test variant's comes from a
  # macro.
  if(NOT text MATCHES "expectedInstallerSHA256 =[ \t\r\n]*\"([0-9a-f]*)\"")
    message(FATAL_ERROR "${constants}: no quoted value of expectedInstallerSHA256 found")
  endif()
  string(LENGTH "${CMAKE_MATCH_1}" length)
  if(NOT length EQUAL 64)
    message(FATAL_ERROR "${constants}: expectedInstallerSHA256 is not 64 lowercase hex digits")
  endif()
  set(${var} ${CMAKE_MATCH_1} PARENT_SCOPE)
  set_property(DIRECTORY ${CMAKE_SOURCE_DIR} APPEND PROPERTY CMAKE_CONFIGURE_DEPENDS ${constants})
endfunction()

# PROBLEM_VAR = why PACKAGE may not go into a bundle, or empty when it may.
function(vendor_package_problem package expected required problem_var)
  set(problem "")
  if(NOT EXISTS "${package}")
    if(required)
      set(problem "The vendor's installer package is required (ASSISTANT_REQUIRE_VENDOR_PACKAGE=ON) \
and ${package} does not exist.")
    endif()
  elseif(IS_DIRECTORY "${package}")
    set(problem "The vendor's installer package ${package} is a folder, not a file.")
  else()
    file(SHA256 "${package}" actual)
    if(NOT actual STREQUAL expected)
      set(problem "${package} is not the installer package this program verifies:
  expected SHA-256: ${expected}
  actual SHA-256:   ${actual}
A bundle carrying it would fail its own check on every Mac.")
    endif()
  endif()
  set(${problem_var} "${problem}" PARENT_SCOPE)
endfunction()

function(check_vendor_package package expected required)
  vendor_package_problem("${package}" "${expected}" "${required}" problem)
  if(problem)
    message(FATAL_ERROR "${problem}")
  endif()
endfunction()

if(CMAKE_SCRIPT_MODE_FILE STREQUAL CMAKE_CURRENT_LIST_FILE)
  vendor_package_problem("${PACKAGE}" "${EXPECTED}" "${REQUIRED}" _problem)
  if(_problem OR NOT EXISTS "${PACKAGE}")
    file(REMOVE "${DESTINATION}")
  endif()
  if(_problem)
    message(FATAL_ERROR "${_problem}")
  endif()
  if(EXISTS "${PACKAGE}")
    configure_file("${PACKAGE}" "${DESTINATION}" COPYONLY)
  endif()
endif()
