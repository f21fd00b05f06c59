# Installs the build into a fresh PREFIX with `cmake --install` and checks that every file landed where
# a Debian system looks for it, and that the installed command line starts.
# cmake -DBUILD_DIR=<build> -DPREFIX=<empty or absent folder> -DSOURCE_DIR=<checkout> -P CheckInstall.cmake
foreach(var BUILD_DIR PREFIX SOURCE_DIR)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "CheckInstall: ${var} is not set")
  endif()
endforeach()

file(REMOVE_RECURSE ${PREFIX})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD_DIR} --prefix ${PREFIX}
  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "cmake --install failed:\n${out}")
endif()

set(missing "")
foreach(path bin/skimmer bin/skimmer-cli share/applications/skimmer.desktop
             share/icons/hicolor/scalable/apps/skimmer.svg)
  if(NOT EXISTS ${PREFIX}/${path})
    list(APPEND missing ${path})
  endif()
endforeach()
file(GLOB builtin RELATIVE ${SOURCE_DIR}/src/engines/builtin ${SOURCE_DIR}/src/engines/builtin/*.json)
if(NOT builtin)
  message(FATAL_ERROR "no built-in engine definitions under ${SOURCE_DIR}/src/engines/builtin")
endif()
foreach(name IN LISTS builtin)
  if(NOT EXISTS ${PREFIX}/share/skimmer/engines/${name})
    list(APPEND missing share/skimmer/engines/${name})
  endif()
endforeach()
if(NOT IS_DIRECTORY ${PREFIX}/share/skimmer/translations)
  list(APPEND missing share/skimmer/translations/)
endif()
if(missing)
  message(FATAL_ERROR "not installed under ${PREFIX}: ${missing}")
endif()

# The installed copy, not the build's, must run: it carries no path back into the build folder.
execute_process(COMMAND ${PREFIX}/bin/skimmer-cli --help
  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(NOT rc EQUAL 0 OR NOT out MATCHES "skimmer-cli")
  message(FATAL_ERROR "installed skimmer-cli --help failed (${rc}):\n${out}")
endif()
file(READ ${PREFIX}/share/applications/skimmer.desktop entry)
if(NOT entry MATCHES "\nExec=skimmer\n" OR NOT entry MATCHES "\nIcon=skimmer\n")
  message(FATAL_ERROR "the desktop entry does not start the installed skimmer with its icon:\n${entry}")
endif()
