# What `cpack` makes: from the Windows build a zip (orvel.exe and a short readme), from the
# portable build a Debian package (the program, a desktop entry with the window's icon, a man
# page, its dependencies). The repository holds no licence file, so none is packed.
set(CPACK_PACKAGE_NAME orvel)
set(CPACK_PACKAGE_VENDOR "The Orvel developers")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Music visualiser with a small CD player")
set(CPACK_PACKAGE_CONTACT "The Orvel developers <orvel@localhost>")
set(packaging ${PROJECT_SOURCE_DIR}/packaging)

if(NOT ORVEL_PORTABLE)
  install(TARGETS orvel RUNTIME DESTINATION .)
  install(FILES ${packaging}/README-windows.txt DESTINATION . RENAME README.txt)
  set(CPACK_GENERATOR ZIP)
  set(CPACK_SYSTEM_NAME win32)
  set(CPACK_INCLUDE_TOPLEVEL_DIRECTORY ON)
  include(CPack)
  return()
endif()

include(GNUInstallDirs)
install(TARGETS orvel orvel-render RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${packaging}/orvel.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${packaging}/orvel.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
# The window's icon (resource 1, 32 x 32) as the desktop entry's, in PNG as desktops want it.
find_program(ORVEL_CONVERT convert)
if(ORVEL_CONVERT)
  set(icon_png ${CMAKE_BINARY_DIR}/orvel.png)
  add_custom_command(OUTPUT ${icon_png}
                     COMMAND ${ORVEL_CONVERT} ${PROJECT_SOURCE_DIR}/resources/bitmaps/orvel.ico
                             ${icon_png}
                     DEPENDS ${PROJECT_SOURCE_DIR}/resources/bitmaps/orvel.ico
                     COMMENT "The window's icon as PNG")
  add_custom_target(orvel_icon_png ALL DEPENDS ${icon_png})
  install(FILES ${icon_png} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/32x32/apps)
else()
  message(STATUS "No ImageMagick convert: the Debian package goes without its icon")
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION sound)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)  # the shared libraries' packages, from dpkg-shlibdeps
# Text needs a font that stands in for Arial and fontconfig to find it.
set(CPACK_DEBIAN_PACKAGE_DEPENDS "fontconfig, fonts-liberation")
set(CPACK_DEBIAN_PACKAGE_RECOMMENDS "pulseaudio | pipewire-pulse")
set(CPACK_STRIP_FILES ON)
include(CPack)
