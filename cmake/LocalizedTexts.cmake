# The texts a user reads, one table per language in
# resources/<lang>.lproj/Localizable.strings (docs/localization.md).

file(GLOB ASSISTANT_TEXT_TABLES RELATIVE ${PROJECT_SOURCE_DIR}/resources
     CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/resources/*.lproj/Localizable.strings)

# add_localized_texts(TARGET)
# Puts every table among TARGET's bundle resources, each in its own
# <lang>.lproj folder: Contents/Resources on a Mac, Resources/ in GNUstep's
# layout. A changed table is copied again on the next build.
function(add_localized_texts target)
  foreach(table IN LISTS ASSISTANT_TEXT_TABLES)
    get_filename_component(folder ${table} DIRECTORY)
    set(source ${PROJECT_SOURCE_DIR}/resources/${table})
    if(APPLE)
      target_sources(${target} PRIVATE ${source})
      set_source_files_properties(${source} PROPERTIES MACOSX_PACKAGE_LOCATION Resources/${folder})
    else()
      configure_file(${source} ${CMAKE_BINARY_DIR}/${target}.app/Resources/${table} COPYONLY)
    endif()
  endforeach()
  # GNUstep looks for Hebrew, named "he" or "iw", only in iw.lproj (its
  # Locale.canonical maps Hebrew to the old code): there he.lproj is also
  # reached under that name. A Mac uses he.lproj itself.
  if(NOT APPLE AND "he.lproj/Localizable.strings" IN_LIST ASSISTANT_TEXT_TABLES)
    file(CREATE_LINK he.lproj ${CMAKE_BINARY_DIR}/${target}.app/Resources/iw.lproj SYMBOLIC)
  endif()
endfunction()
