# Compiles a file that includes HEADER with the include folders and definitions of one layer library
# (-fsyntax-only) and checks the outcome: EXPECT=found when the layer may include it, EXPECT=hidden when
# the compiler must not find it.
# cmake -DCXX=... -DFLAGS=<flags separated by |> -DHEADER=search/SearchJob.h -DEXPECT=hidden -DWORK=<dir> -P IncludeProbe.cmake
foreach(var CXX FLAGS HEADER EXPECT WORK)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "IncludeProbe: ${var} is not set")
  endif()
endforeach()

string(REPLACE "|" ";" FLAGS "${FLAGS}")
string(MAKE_C_IDENTIFIER "${HEADER}" stem)
set(source ${WORK}/probe_${stem}_${EXPECT}.cpp)
file(WRITE ${source} "#include \"${HEADER}\"\n")
execute_process(COMMAND ${CXX} ${FLAGS} -fsyntax-only ${source}
  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)

if(EXPECT STREQUAL "found")
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${HEADER} should compile in this layer but does not:\n${out}")
  endif()
elseif(EXPECT STREQUAL "hidden")
  # Only a missing file counts: any other error would mean the probe itself is broken.
  if(rc EQUAL 0)
    message(FATAL_ERROR "${HEADER} compiles in a layer below it: the layer's include folder reaches up")
  endif()
  string(FIND "${out}" "${HEADER}: No such file or directory" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "${HEADER} failed for another reason than being out of reach:\n${out}")
  endif()
else()
  message(FATAL_ERROR "IncludeProbe: EXPECT is found or hidden, not ${EXPECT}")
endif()
