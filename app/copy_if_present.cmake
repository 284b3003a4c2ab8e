# cmake -DSOURCE=FILE -DDESTINATION=FILE -P copy_if_present.cmake
# Copies SOURCE to DESTINATION when SOURCE exists (only if they differ), and
# removes DESTINATION when it does not, so a bundle never keeps a package
# that is no longer there.
if(EXISTS "${SOURCE}")
  configure_file("${SOURCE}" "${DESTINATION}" COPYONLY)
else()
  file(REMOVE "${DESTINATION}")
endif()
