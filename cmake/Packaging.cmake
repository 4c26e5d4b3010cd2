# Installing and packaging: the three programs install themselves (src/cli, src/sim, src/ui);
# this adds the desktop integration, the udev rule, the manual pages and the .deb.
#
#   cmake --install build --prefix /usr/local
#   cd build && cpack -G DEB

set(KPR_DIST_DIR ${PROJECT_SOURCE_DIR}/dist)

install(FILES ${KPR_DIST_DIR}/kpr-programmer.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${KPR_DIST_DIR}/kpr-programmer.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
install(FILES ${KPR_DIST_DIR}/man/kprtool.1 ${KPR_DIST_DIR}/man/kpr-board-sim.1
              ${KPR_DIST_DIR}/man/kpr-programmer.1
        DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
install(FILES ${KPR_DIST_DIR}/serial-access.md
        DESTINATION ${CMAKE_INSTALL_DOCDIR})
# udev reads <prefix>/lib/udev/rules.d for the prefixes /usr and /usr/local.
install(FILES ${KPR_DIST_DIR}/60-kpr35t-programmer.rules
        DESTINATION lib/udev/rules.d)

# The desktop entry must validate wherever the tool to check it is at hand.
find_program(KPR_DESKTOP_FILE_VALIDATE desktop-file-validate)
if(KPR_BUILD_TESTS AND KPR_DESKTOP_FILE_VALIDATE)
  add_test(NAME dist_desktop_file_validates
           COMMAND ${KPR_DESKTOP_FILE_VALIDATE} ${KPR_DIST_DIR}/kpr-programmer.desktop)
  set_tests_properties(dist_desktop_file_validates PROPERTIES LABELS dist)
endif()

set(CPACK_PACKAGE_NAME "kpr35t-programmer")
set(CPACK_PACKAGE_VENDOR "KPR35T Programmer developers")
set(CPACK_PACKAGE_CONTACT "KPR35T Programmer developers <kpr35t-programmer@localhost>")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY
    "Editor and programmer for KPR35T pagers, with a command-line tool and a simulated board")
string(CONCAT CPACK_PACKAGE_DESCRIPTION
    "kpr-programmer edits the settings of KPR35T pagers and programs them through the\n"
    "programmer board on a serial port. kprtool does the same from the command line, for\n"
    "scripts and batch work; kpr-board-sim simulates the board with a pager in it.")
set(CPACK_PACKAGING_INSTALL_PREFIX "/usr")
set(CPACK_STRIP_FILES ON)
set(CPACK_GENERATOR "DEB")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION "electronics")
set(CPACK_DEBIAN_PACKAGE_PRIORITY "optional")
# Library dependencies (Qt 6, yaml-cpp) are worked out from the programs themselves.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "qt6-qpa-plugins")
set(CPACK_DEBIAN_PACKAGE_CONTROL_EXTRA ${KPR_DIST_DIR}/debian/postinst)
set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
include(CPack)
