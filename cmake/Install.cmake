# Where `cmake --install` puts the program, laid out as a Debian system expects under the prefix
# (/usr/local by default; the .deb uses /usr).
include(GNUInstallDirs)

install(TARGETS skimmer skimmer-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES packaging/skimmer.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES packaging/skimmer.svg DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)

# The built-in engine definitions are compiled into the program; these copies are a reference for
# users who write config/engines.json, and the program does not read them.
file(GLOB SKIMMER_ENGINE_REFERENCE CONFIGURE_DEPENDS ${PROJECT_SOURCE_DIR}/src/engines/builtin/*.json)
install(FILES ${SKIMMER_ENGINE_REFERENCE} DESTINATION ${CMAKE_INSTALL_DATADIR}/skimmer/engines)

# Translations: the folder exists in every installation. The rule that builds the window's .qm files
# (in src/, which is added before this file is included) hands their paths over with
#   set_property(GLOBAL APPEND PROPERTY SKIMMER_TRANSLATION_FILES <qm files>)
# and they are installed here, where the installed program finds them as ../share/skimmer/translations
# beside its bin/ folder.
set(SKIMMER_INSTALL_TRANSLATIONSDIR ${CMAKE_INSTALL_DATADIR}/skimmer/translations)
install(DIRECTORY DESTINATION ${SKIMMER_INSTALL_TRANSLATIONSDIR})
get_property(SKIMMER_TRANSLATION_FILES GLOBAL PROPERTY SKIMMER_TRANSLATION_FILES)
if(SKIMMER_TRANSLATION_FILES)
  install(FILES ${SKIMMER_TRANSLATION_FILES} DESTINATION ${SKIMMER_INSTALL_TRANSLATIONSDIR})
endif()

# The tray's Help opens this copy of the README (found as ../share/doc/skimmer/README.md beside bin/).
install(FILES ${PROJECT_SOURCE_DIR}/README.md DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/skimmer)
