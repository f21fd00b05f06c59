# Builds the .deb with cpack into a fresh OUT folder and checks its control fields and files: the
# dependencies must be packages this Debian system knows. Skipped (it prints "skipped:") without
# dpkg-deb or dpkg-shlibdeps (package dpkg-dev).
# cmake -DBUILD_DIR=<build> -DOUT=<folder> -P CheckPackage.cmake
foreach(var BUILD_DIR OUT)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "CheckPackage: ${var} is not set")
  endif()
endforeach()
find_program(DPKG_DEB dpkg-deb)
find_program(DPKG_SHLIBDEPS dpkg-shlibdeps)
find_program(DPKG_QUERY dpkg-query)
if(NOT DPKG_DEB OR NOT DPKG_SHLIBDEPS OR NOT DPKG_QUERY)
  message("skipped: dpkg-deb, dpkg-shlibdeps or dpkg-query is missing (install dpkg-dev)")
  return()
endif()

file(REMOVE_RECURSE ${OUT})
get_filename_component(cpack ${CMAKE_COMMAND} DIRECTORY)
execute_process(COMMAND ${cpack}/cpack -G DEB -B ${OUT} --config ${BUILD_DIR}/CPackConfig.cmake
  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE out)
file(GLOB debs ${OUT}/*.deb)
list(LENGTH debs count)
if(NOT rc EQUAL 0 OR NOT count EQUAL 1)
  message(FATAL_ERROR "cpack -G DEB made ${count} packages (${rc}):\n${out}")
endif()

execute_process(COMMAND ${DPKG_DEB} -f ${debs} Package Depends Maintainer Section Homepage
  RESULT_VARIABLE rc OUTPUT_VARIABLE fields ERROR_VARIABLE fields)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "dpkg-deb cannot read the package:\n${fields}")
endif()
foreach(field "Package: skimmer" "Maintainer: " "Section: " "Homepage: " "libqt6widgets6" "libcurl4"
              "libsqlite3-0" "qt6-qpa-plugins")
  string(FIND "${fields}" "${field}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "the package's control lacks '${field}':\n${fields}")
  endif()
endforeach()

# Every package named in Depends is one this system has installed: the build links them.
string(REGEX MATCH "Depends: [^\n]*" depends "${fields}")
string(REGEX REPLACE "^Depends: " "" depends "${depends}")
string(REGEX REPLACE " *\\([^)]*\\)" "" depends "${depends}")
string(REGEX REPLACE " *[,|] *" ";" depends "${depends}")
foreach(package IN LISTS depends)
  execute_process(COMMAND ${DPKG_QUERY} -W -f=\${Status} ${package}
    RESULT_VARIABLE rc OUTPUT_VARIABLE status ERROR_QUIET)
  if(NOT rc EQUAL 0 OR NOT status MATCHES "install ok installed")
    message(FATAL_ERROR "the package depends on '${package}', which is not an installed Debian package")
  endif()
endforeach()

execute_process(COMMAND ${DPKG_DEB} -c ${debs} OUTPUT_VARIABLE files)
foreach(path ./usr/bin/skimmer ./usr/bin/skimmer-cli ./usr/share/applications/skimmer.desktop
             ./usr/share/icons/hicolor/scalable/apps/skimmer.svg ./usr/share/skimmer/engines/google.json
             ./usr/share/skimmer/translations/)
  if(NOT files MATCHES " ${path}\n")
    message(FATAL_ERROR "the package lacks ${path}:\n${files}")
  endif()
endforeach()
