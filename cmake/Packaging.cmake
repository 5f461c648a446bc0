# Installation and packages. `cmake --install` puts Kestrane where the desktop finds it; `cpack`
# makes a Debian package from the Linux build and a zip from the Windows one, and the Windows
# build makes a setup program too. Included from src/app, after the programs are defined.
set(CPACK_PACKAGE_NAME kestrane)
set(CPACK_PACKAGE_VENDOR "Kestrane")
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "Converts SubRip subtitles into frame timecode lists")
set(CPACK_PACKAGE_CONTACT
    "Kestrane maintainers <maintainers@users.noreply.c-seed-d356a46f.example>")
set(CPACK_PACKAGE_INSTALL_DIRECTORY Kestrane)
set(CPACK_PACKAGE_DIRECTORY ${CMAKE_BINARY_DIR}/packages)
# Debug information stays in the build tree (Windows) or goes into the -dbgsym package (Linux).
set(CPACK_STRIP_FILES ${WIN32})
# The same bytes from every build of one commit: dated to the source, not to the build.
set(CPACK_KESTRANE_SOURCE_DATE_EPOCH ${KESTRANE_SOURCE_DATE_EPOCH})
set(CPACK_PROJECT_CONFIG_FILE ${PROJECT_SOURCE_DIR}/cmake/PackageConfig.cmake)
set(CPACK_PRE_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/PackageFiles.cmake)
set(CPACK_POST_BUILD_SCRIPTS ${PROJECT_SOURCE_DIR}/cmake/PackageFinish.cmake)

if(WIN32)
  # A zip that is unpacked and run: both programs and a short readme side by side.
  configure_file(${PROJECT_SOURCE_DIR}/res/readme-windows.txt ${CMAKE_BINARY_DIR}/README.txt @ONLY
                 NEWLINE_STYLE WIN32)
  install(TARGETS Kestrane RUNTIME DESTINATION .)
  if(TARGET kestrane-cli)
    install(TARGETS kestrane-cli RUNTIME DESTINATION .)
  endif()
  configure_file(${PROJECT_SOURCE_DIR}/LICENSE ${CMAKE_BINARY_DIR}/LICENSE.txt @ONLY
                 NEWLINE_STYLE WIN32)
  install(FILES ${CMAKE_BINARY_DIR}/README.txt ${CMAKE_BINARY_DIR}/LICENSE.txt DESTINATION .)

  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME Kestrane-${PROJECT_VERSION}-win64)

  # The setup program, beside the zip. A script of our own rather than CPack's NSIS generator:
  # that one's template installs for all users (administrator rights, HKLM records, Program
  # Files), which a per-user setup would have to override almost line by line.
  find_program(MAKENSIS makensis REQUIRED)
  set(KESTRANE_SETUP ${CPACK_PACKAGE_DIRECTORY}/Kestrane-${PROJECT_VERSION}-setup.exe)
  set(stage ${CMAKE_BINARY_DIR}/setup-files)
  add_custom_command(
    OUTPUT ${KESTRANE_SETUP}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${stage} ${CPACK_PACKAGE_DIRECTORY}
    # strip stamps a program's header with the time, or with SOURCE_DATE_EPOCH (as in the zip).
    COMMAND ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=${KESTRANE_SOURCE_DATE_EPOCH} ${CMAKE_STRIP}
            -o ${stage}/Kestrane.exe $<TARGET_FILE:Kestrane>
    COMMAND ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=${KESTRANE_SOURCE_DATE_EPOCH} ${CMAKE_STRIP}
            -o ${stage}/kestrane-cli.exe $<TARGET_FILE:kestrane-cli>
    COMMAND ${CMAKE_COMMAND} -E copy ${CMAKE_BINARY_DIR}/README.txt ${CMAKE_BINARY_DIR}/LICENSE.txt
            ${stage}
    # The setup records each file's date: the source's, so that every build packs the same.
    COMMAND touch -d @${KESTRANE_SOURCE_DATE_EPOCH} ${stage}/Kestrane.exe ${stage}/kestrane-cli.exe
            ${stage}/README.txt ${stage}/LICENSE.txt
    COMMAND ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=${KESTRANE_SOURCE_DATE_EPOCH} ${MAKENSIS} -V2 -DVERSION=${PROJECT_VERSION} "-DPUBLISHER=${CPACK_PACKAGE_VENDOR}"
            -DSTAGE=${stage} -DICON=${KESTRANE_ICO} -DLICENSE=${CMAKE_BINARY_DIR}/LICENSE.txt
            -DOUTFILE=${KESTRANE_SETUP} ${PROJECT_SOURCE_DIR}/res/setup.nsi
    DEPENDS Kestrane kestrane-cli ${PROJECT_SOURCE_DIR}/res/setup.nsi ${CMAKE_BINARY_DIR}/README.txt
            ${CMAKE_BINARY_DIR}/LICENSE.txt ${KESTRANE_ICO}
    COMMENT "Making the setup program"
    VERBATIM)
  add_custom_target(setup ALL DEPENDS ${KESTRANE_SETUP})

  # The setup under Wine, in the GUI tests' prefix and session (see gui_test_wine.sh): it
  # installs, both shortcuts start their mode, and the uninstaller leaves nothing behind.
  add_executable(shortcut_probe ${PROJECT_SOURCE_DIR}/src/app/shortcut_probe_win32.cpp)
  target_compile_definitions(shortcut_probe PRIVATE UNICODE _UNICODE)
  target_link_options(shortcut_probe PRIVATE -municode)
  target_link_libraries(shortcut_probe PRIVATE ole32 uuid)
  add_test(NAME app_gui_wine.setup
           COMMAND sh ${PROJECT_SOURCE_DIR}/src/app/gui_test_wine.sh ${WINE64} ${WINESERVER}
                   $<TARGET_FILE:Kestrane> setup ${KESTRANE_SETUP} $<TARGET_FILE:shortcut_probe>
                   ${stage} ${PROJECT_VERSION} "${CPACK_PACKAGE_VENDOR}")
  set_tests_properties(app_gui_wine.setup PROPERTIES
    ENVIRONMENT "${gui_wine_env}" RESOURCE_LOCK wine_gui SKIP_RETURN_CODE 77 TIMEOUT 290)
else()
  include(GNUInstallDirs)
  install(TARGETS kestrane RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  if(TARGET kestrane-cli)
    install(TARGETS kestrane-cli RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  endif()
  install(FILES ${PROJECT_SOURCE_DIR}/res/kestrane.desktop
          DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
  # What software centres list. An AppStream id is a reversed domain name; Kestrane has none of
  # its own yet, so it follows the maintainers' address above and changes with it.
  set(KESTRANE_APPSTREAM_ID example.c_seed_d356a46f.kestrane)
  set(metainfo ${CMAKE_BINARY_DIR}/${KESTRANE_APPSTREAM_ID}.metainfo.xml)
  configure_file(${PROJECT_SOURCE_DIR}/res/kestrane.metainfo.xml.in ${metainfo} @ONLY)
  install(FILES ${metainfo} DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

  # Manual pages: Kestrane's written by hand, kestrane-cli's made from its --help so that the
  # two never disagree. Compressed as Debian wants them (-n: no time stamp, the same bytes each
  # build).
  find_program(HELP2MAN help2man REQUIRED)
  find_program(GZIP gzip REQUIRED)
  set(man ${CMAKE_BINARY_DIR}/man)
  configure_file(${PROJECT_SOURCE_DIR}/res/kestrane.1.in ${man}/kestrane.1 @ONLY)
  add_custom_command(
    OUTPUT ${man}/kestrane.1.gz ${man}/kestrane-cli.1.gz
    # help2man dates the page from SOURCE_DATE_EPOCH, else from today.
    COMMAND ${CMAKE_COMMAND} -E env SOURCE_DATE_EPOCH=${KESTRANE_SOURCE_DATE_EPOCH} ${HELP2MAN} --no-info --no-discard-stderr --section=1
            "--name=convert SubRip subtitles into frame timecode lists"
            --include=${PROJECT_SOURCE_DIR}/res/kestrane-cli.h2m --output=${man}/kestrane-cli.1
            $<TARGET_FILE:kestrane-cli>
    COMMAND ${GZIP} -9nkf ${man}/kestrane.1 ${man}/kestrane-cli.1
    DEPENDS kestrane-cli ${man}/kestrane.1 ${PROJECT_SOURCE_DIR}/res/kestrane-cli.h2m
    COMMENT "Making the manual pages"
    VERBATIM)
  add_custom_target(man_pages ALL DEPENDS ${man}/kestrane.1.gz ${man}/kestrane-cli.1.gz)
  install(FILES ${man}/kestrane.1.gz ${man}/kestrane-cli.1.gz
          DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

  # Debian's copyright file in its machine-readable form, carrying the licence's own text, and
  # the changelog of a native package.
  file(READ ${PROJECT_SOURCE_DIR}/LICENSE license)
  string(REGEX MATCH "Copyright \\(c\\) ([^\n]*)" _ "${license}")
  set(KESTRANE_COPYRIGHT ${CMAKE_MATCH_1})
  string(REGEX REPLACE "^MIT License\n\n[^\n]*\n\n" "" license "${license}")
  string(REGEX REPLACE "\n+$" "" license "${license}")
  string(REGEX REPLACE "\n\n" "\n.\n" license "${license}")
  string(REGEX REPLACE "\n" "\n " KESTRANE_LICENSE_TEXT "${license}")
  set(doc ${CMAKE_BINARY_DIR}/doc)
  configure_file(${PROJECT_SOURCE_DIR}/res/debian-copyright.in ${doc}/copyright @ONLY)
  execute_process(COMMAND date -u -R -d "${KESTRANE_RELEASE_DATE} 12:00"
                  OUTPUT_VARIABLE KESTRANE_RELEASE_DATE_RFC2822 OUTPUT_STRIP_TRAILING_WHITESPACE
                  COMMAND_ERROR_IS_FATAL ANY)
  configure_file(${PROJECT_SOURCE_DIR}/res/debian-changelog.in ${doc}/changelog @ONLY)
  add_custom_command(
    OUTPUT ${doc}/changelog.gz
    COMMAND ${GZIP} -9nkf ${doc}/changelog
    DEPENDS ${doc}/changelog
    VERBATIM)
  add_custom_target(debian_changelog ALL DEPENDS ${doc}/changelog.gz)
  install(FILES ${doc}/copyright ${doc}/changelog.gz
          DESTINATION ${CMAKE_INSTALL_DATADIR}/doc/${CPACK_PACKAGE_NAME})
  install(FILES ${PROJECT_SOURCE_DIR}/res/lintian-overrides
          DESTINATION ${CMAKE_INSTALL_DATADIR}/lintian/overrides RENAME ${CPACK_PACKAGE_NAME})
  foreach(size 16 24 32 48 256)
    install(FILES ${KESTRANE_ICON_DIR}/kestrane-${size}.png
            DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
            RENAME kestrane.png)
  endforeach()

  set(CPACK_GENERATOR DEB)
  set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION video)
  # Debian's extended description: lines under 80 characters, a blank line between paragraphs.
  set(CPACK_PACKAGE_DESCRIPTION
      "Kestrane turns SubRip subtitles saved as .txt files into frame timecode
lists: one line per cue with its index, its start and end as HH;MM;SS;FF
timecodes (30 frames a second) and its text. Each file is converted in place;
the original is kept beside it, byte for byte, as name.txt_original, and is
never overwritten.

The desktop program asks for a folder and converts every .txt file in it and
in its subfolders, or asks for one file at a time. kestrane-cli does the same
from the command line, with a dry run and an undo.")
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "libgtk-3-0, libglib2.0-0, libstdc++6, libc6")
  # The programs stripped, their debug information in kestrane-dbgsym (a .ddeb), found by
  # build id as Debian's own are.
  set(CPACK_DEBIAN_DEBUGINFO_PACKAGE ON)
  set(CPACK_KESTRANE_OBJCOPY ${CMAKE_OBJCOPY})

  # The package as Debian and the desktops check it. Once is enough: not again for the
  # sanitizers' build.
  if(NOT CMAKE_CXX_FLAGS MATCHES "-fsanitize")
    add_test(NAME debian_package COMMAND sh ${PROJECT_SOURCE_DIR}/res/debian_package_test.sh
                                         ${CMAKE_BINARY_DIR} ${CMAKE_CPACK_COMMAND})
    set_tests_properties(debian_package PROPERTIES SKIP_RETURN_CODE 77 TIMEOUT 240)
  endif()
endif()

# The hardening of a release build, checked on the programs themselves. Not for a debug or
# sanitizer build, which leave the fortified functions out.
if(KESTRANE_HARDENING AND NOT CMAKE_BUILD_TYPE STREQUAL Debug AND NOT CMAKE_CXX_FLAGS MATCHES
                                                                    "-fsanitize")
  if(WIN32)
    add_test(NAME hardening COMMAND sh ${PROJECT_SOURCE_DIR}/res/hardening_test.sh windows
                                    ${CMAKE_BINARY_DIR} ${CMAKE_OBJDUMP} $<TARGET_FILE:Kestrane>
                                    $<TARGET_FILE:kestrane-cli>)
  else()
    add_test(NAME hardening COMMAND sh ${PROJECT_SOURCE_DIR}/res/hardening_test.sh linux
                                    ${CMAKE_BINARY_DIR} ${CMAKE_READELF} $<TARGET_FILE:kestrane>
                                    $<TARGET_FILE:kestrane-cli>)
  endif()
  set_tests_properties(hardening PROPERTIES SKIP_RETURN_CODE 77)
endif()

include(CPack)
