# Installation and packages. `cmake --install` puts Kestrane where the desktop finds it; `cpack`
# makes a Debian package from the Linux build and a zip from the Windows one. Included from
# src/app, after the programs are defined.
set(CPACK_PACKAGE_NAME kestrane)
set(CPACK_PACKAGE_VENDOR "Kestrane")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Converts SubRip subtitles into frame timecode lists")
set(CPACK_PACKAGE_CONTACT "Kestrane maintainers <kestrane@localhost>")
set(CPACK_PACKAGE_INSTALL_DIRECTORY Kestrane)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/packages)
# Debug information stays in the build tree.
set(CPACK_STRIP_FILES ON)

if(WIN32)
  # A zip that is unpacked and run: both programs and a short readme side by side.
  configure_file(${PROJECT_SOURCE_DIR}/res/readme-windows.txt ${CMAKE_BINARY_DIR}/README.txt @ONLY
                 NEWLINE_STYLE WIN32)
  install(TARGETS Kestrane RUNTIME DESTINATION .)
  if(TARGET kestrane-cli)
    install(TARGETS kestrane-cli RUNTIME DESTINATION .)
  endif()
  install(FILES ${CMAKE_BINARY_DIR}/README.txt DESTINATION .)

  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME Kestrane-${PROJECT_VERSION}-win64)
else()
  include(GNUInstallDirs)
  install(TARGETS kestrane RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  if(TARGET kestrane-cli)
    install(TARGETS kestrane-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()
  install(FILES ${PROJECT_SOURCE_DIR}/res/kestrane.desktop
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  foreach(size 16 24 32 48 256)
    install(FILES ${KESTRANE_ICON_DIR}/kestrane-${size}.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
            RENAME kestrane.png)
  endforeach()

  set(CPACK_GENERATOR DEB)
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION video)
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "libgtk-3-0, libglib2.0-0, libstdc++6, libc6")
endif()

include(CPack)
