# Every translatable text of the sources has a finished zh_CN entry: lupdate is run over the sources into
# a copy of the .ts file kept in the repository, where a text that was added or changed without its
# translation comes out unfinished.
# cmake -DLUPDATE=... -DTS_FILE=... -DSOURCES=<files separated by |> -DWORK=<dir> -P CheckTranslations.cmake
foreach(var LUPDATE TS_FILE SOURCES WORK)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "CheckTranslations: ${var} is not set")
  endif()
endforeach()

string(REPLACE "|" ";" SOURCES "${SOURCES}")
file(MAKE_DIRECTORY ${WORK})
set(copy ${WORK}/current.ts)
configure_file(${TS_FILE} ${copy} COPYONLY)
execute_process(COMMAND ${LUPDATE} -silent -locations none -no-obsolete ${SOURCES} -ts ${copy}
  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "lupdate failed:\n${out}")
endif()

file(READ ${copy} ts)
string(REGEX MATCHALL "<source>[^<]*</source>[ \t\r\n]*<translation type=\"unfinished\"" unfinished "${ts}")
list(LENGTH unfinished count)
if(count GREATER 0)
  string(REPLACE ";" "\n" unfinished "${unfinished}")
  message(FATAL_ERROR "${count} texts have no finished zh_CN entry (run the update_translations target "
                      "and translate them):\n${unfinished}")
endif()
string(REGEX MATCHALL "<message>" messages "${ts}")
list(LENGTH messages count)
message(STATUS "${count} texts, every one translated")
