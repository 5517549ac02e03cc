# cmake --install: the programs, a desktop entry and the sample data files;
# cpack -G DEB: the same as a Debian package.
include(GNUInstallDirs)
install(TARGETS varnholt-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(TARGET varnholt)
  install(TARGETS varnholt RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${PROJECT_SOURCE_DIR}/ui/fltk/varnholt.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
endif()
install(FILES ${PROJECT_SOURCE_DIR}/sample/zarbel.dat ${PROJECT_SOURCE_DIR}/sample/config.txt
        DESTINATION ${CMAKE_INSTALL_DATADIR}/varnholt/sample)

set(CPACK_PACKAGE_NAME varnholt)
set(CPACK_PACKAGE_VERSION 1.0.0)
set(CPACK_PACKAGE_CONTACT "Varnholt developers <varnholt@localhost>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Initial-seed calculator with a native window and a command-line front end")
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION utils)
# FLTK is linked in; the X, font and desktop libraries come from the system.
set(CPACK_DEBIAN_PACKAGE_DEPENDS
    "libc6, libstdc++6, libx11-6, libxext6, libxft2, libxrender1, libxcursor1, libxfixes3, libxinerama1, libfontconfig1, fonts-ipafont-gothic | fonts-noto-cjk")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "xdg-utils")
include(CPack)
