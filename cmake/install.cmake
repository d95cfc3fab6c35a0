# Installation and the Debian package. Layout under the prefix:
#   bin/zerka, bin/zerka-ide
#   share/zerka-ide/         the data a per-user program directory is seeded from: INCLUDE/
#                            (chip library), Revision_EN.txt, the emulator information files
#                            (*.ifo) and the example programs
#   share/applications/      zerka-ide.desktop
#   share/icons/hicolor/scalable/apps/zerka-ide.svg
#   lib/udev/rules.d/        access to the target unit
set(ZERKA_DATA_DIR share/zerka-ide)

set(zerka_programs zerka)
if(TARGET zerka-ide)
  list(APPEND zerka_programs zerka-ide)
endif()
install(TARGETS ${zerka_programs} RUNTIME DESTINATION bin)

install(DIRECTORY DESTINATION ${ZERKA_DATA_DIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/chips/ DESTINATION ${ZERKA_DATA_DIR}/INCLUDE
  FILES_MATCHING PATTERN "*.INC" PATTERN "*.inc")
install(DIRECTORY ${PROJECT_SOURCE_DIR}/examples DESTINATION ${ZERKA_DATA_DIR}
  FILES_MATCHING PATTERN "*.asm" PATTERN "*.inc" PATTERN "*.prj" PATTERN "*.cfg")

# The revision history and the information files, wherever the tree keeps them.
file(GLOB zerka_data_files
  ${PROJECT_SOURCE_DIR}/Revision_EN.txt ${PROJECT_SOURCE_DIR}/packaging/Revision_EN.txt
  ${PROJECT_SOURCE_DIR}/*.ifo ${PROJECT_SOURCE_DIR}/packaging/*.ifo
  ${PROJECT_SOURCE_DIR}/packaging/data/*)
if(zerka_data_files)
  install(FILES ${zerka_data_files} DESTINATION ${ZERKA_DATA_DIR})
endif()

install(FILES ${PROJECT_SOURCE_DIR}/packaging/zerka-ide.desktop DESTINATION share/applications)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/zerka-ide.svg
  DESTINATION share/icons/hicolor/scalable/apps)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/udev/60-zerka-ide.rules DESTINATION lib/udev/rules.d)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/udev/README.md
  DESTINATION share/doc/zerka-ide RENAME udev.md)

# CPack: a .deb from the same install.
set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGE_NAME zerka-ide)
set(CPACK_PACKAGE_VENDOR "Zerka-IDE")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
  "Development environment for the KXA and KXB 8-bit microcontrollers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "Zerka-IDE developers <zerka-ide@localhost>")
set(CPACK_DEBIAN_PACKAGE_SECTION devel)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
include(CPack)

# The package's file list is checked against the layout above.
set(zerka_deb_expected
  ./usr/bin/zerka
  ./usr/share/zerka-ide/INCLUDE/ZkSel.INC
  ./usr/share/zerka-ide/examples/sum_cx4a.asm
  ./usr/share/applications/zerka-ide.desktop
  ./usr/share/icons/hicolor/scalable/apps/zerka-ide.svg
  ./usr/lib/udev/rules.d/60-zerka-ide.rules)
if(TARGET zerka-ide)
  list(APPEND zerka_deb_expected ./usr/bin/zerka-ide)
endif()
foreach(f ${zerka_data_files})
  get_filename_component(n ${f} NAME)
  list(APPEND zerka_deb_expected ./usr/share/zerka-ide/${n})
endforeach()
string(REPLACE ";" "|" zerka_deb_expected "${zerka_deb_expected}")
add_test(NAME packaging_deb_contents
  COMMAND ${CMAKE_COMMAND} -DBUILD_DIR=${PROJECT_BINARY_DIR} -DCPACK=${CMAKE_CPACK_COMMAND}
    "-DEXPECTED=${zerka_deb_expected}" -P ${PROJECT_SOURCE_DIR}/packaging/check_deb.cmake)
# cpack installs into its own scratch tree; only the install of the other check must not overlap.
set_tests_properties(packaging_deb_contents PROPERTIES TIMEOUT 600 RESOURCE_LOCK install)

# Every installed example assembles for a new user, copied out of the installed tree.
add_test(NAME installed_examples_assemble
  COMMAND ${CMAKE_COMMAND} -DBUILD_DIR=${PROJECT_BINARY_DIR}
    -P ${PROJECT_SOURCE_DIR}/packaging/check_installed_examples.cmake)
set_tests_properties(installed_examples_assemble PROPERTIES TIMEOUT 300 RESOURCE_LOCK install)
