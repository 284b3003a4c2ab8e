# The AppKit/Foundation provider: Cocoa on a Mac, GNUstep elsewhere.
# Targets with Objective-C++ sources link `platform_appkit`.

add_library(platform_appkit INTERFACE)

if(APPLE)
  target_link_libraries(platform_appkit INTERFACE "-framework AppKit" "-framework Foundation")
  set(ASSISTANT_PLATFORM "mac")
else()
  find_program(GNUSTEP_CONFIG gnustep-config REQUIRED)
  execute_process(COMMAND ${GNUSTEP_CONFIG} --objc-flags
                  OUTPUT_VARIABLE _gs_flags OUTPUT_STRIP_TRAILING_WHITESPACE)
  execute_process(COMMAND ${GNUSTEP_CONFIG} --gui-libs
                  OUTPUT_VARIABLE _gs_libs OUTPUT_STRIP_TRAILING_WHITESPACE)
  separate_arguments(_gs_flags UNIX_COMMAND "${_gs_flags}")
  separate_arguments(_gs_libs UNIX_COMMAND "${_gs_libs}")
  # gnustep-config brings its own dependency, debug, optimisation and warning
  # flags; the build sets those itself.
  list(FILTER _gs_flags EXCLUDE REGEX "^(-MMD|-MP|-g|-O[0-9s]?|-Wall|-I\\.)$")
  foreach(_flag IN LISTS _gs_flags)
    if(_flag MATCHES "^-I(.+)$")
      # GNUstep's headers are the platform's: keep their warnings out of ours.
      target_include_directories(platform_appkit SYSTEM INTERFACE ${CMAKE_MATCH_1})
    else()
      target_compile_options(platform_appkit INTERFACE $<$<COMPILE_LANGUAGE:OBJCXX>:${_flag}>)
    endif()
  endforeach()
  # GCC ignores CMAKE_OBJCXX_STANDARD; GNUstep's headers trip -Wsubobject-linkage.
  target_compile_options(platform_appkit INTERFACE
    $<$<COMPILE_LANGUAGE:OBJCXX>:-std=gnu++20>
    $<$<COMPILE_LANGUAGE:OBJCXX>:-Wno-subobject-linkage>)
  target_link_libraries(platform_appkit INTERFACE ${_gs_libs})
  set(ASSISTANT_PLATFORM "gnustep")
endif()
