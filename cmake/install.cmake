# Installation the way a Linux desktop expects a game:
#   bin/ferrowyn, bin/ferrowyn-headless   the game and the headless runner
#   share/ferrowyn/                       their twelve pictures and sounds
#   share/applications, share/icons/hicolor, share/metainfo, share/man/man6: menu entry,
#   icons, AppStream data, manual pages
# The Debian package puts the programs in games/ and the data in share/games/ferrowyn
# (scripts/release sets the two folders below).
include(GNUInstallDirs)

set(FERROWYN_APP_ID io.github.ferrowyn.Ferrowyn)
set(FERROWYN_INSTALL_DATA ${CMAKE_INSTALL_DATADIR}/ferrowyn
    CACHE STRING "Folder for the data files, under the prefix unless absolute")
set(FERROWYN_DEBIAN OFF CACHE BOOL "Lay the docs out for the Debian package")

# The release date of this version, from its heading in NEWS.md: every version has its notes.
file(STRINGS ${PROJECT_SOURCE_DIR}/NEWS.md FERROWYN_NEWS_HEADING
     REGEX "^## ${PROJECT_VERSION} \\([0-9]+-[0-9]+-[0-9]+\\)$")
if(NOT FERROWYN_NEWS_HEADING)
  message(FATAL_ERROR "NEWS.md has no heading '## ${PROJECT_VERSION} (YYYY-MM-DD)'")
endif()
string(REGEX REPLACE ".*\\((.*)\\)" "\\1" FERROWYN_RELEASE_DATE "${FERROWYN_NEWS_HEADING}")

set(packaging ${PROJECT_BINARY_DIR}/packaging)

# The icon is drawn by the generator like the rest of the art, at each size a desktop asks.
set(FERROWYN_ICON_SIZES 16 24 32 48 64 128 256 512)
set(icons)
foreach(size IN LISTS FERROWYN_ICON_SIZES)
  set(icon ${packaging}/icons/${size}/${FERROWYN_APP_ID}.png)
  add_custom_command(
    OUTPUT ${icon}
    COMMAND ${CMAKE_COMMAND} -E make_directory ${packaging}/icons/${size}
    COMMAND ferrowyn-assets --icon ${icon} ${size}
    DEPENDS ferrowyn-assets
    COMMENT "Drawing the ${size} px desktop icon")
  list(APPEND icons ${icon})
  install(FILES ${icon} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps)
endforeach()

# The metainfo and the manual pages say this version; the pages say where the data is.
if(IS_ABSOLUTE "${FERROWYN_INSTALL_DATA}")
  set(FERROWYN_MAN_DATA "${FERROWYN_INSTALL_DATA}")
else()
  set(FERROWYN_MAN_DATA "${CMAKE_INSTALL_PREFIX}/${FERROWYN_INSTALL_DATA}")
endif()
configure_file(${PROJECT_SOURCE_DIR}/packaging/${FERROWYN_APP_ID}.metainfo.xml
               ${packaging}/${FERROWYN_APP_ID}.metainfo.xml @ONLY)
set(manuals)
foreach(page ferrowyn ferrowyn-headless)
  configure_file(${PROJECT_SOURCE_DIR}/packaging/${page}.6 ${packaging}/man/${page}.6 @ONLY)
  # Compressed without a name or a time stamp, so the package is the same on every build.
  add_custom_command(
    OUTPUT ${packaging}/man/${page}.6.gz
    COMMAND gzip -9nkf ${packaging}/man/${page}.6
    DEPENDS ${packaging}/man/${page}.6
    COMMENT "Compressing the manual page ${page}(6)")
  list(APPEND manuals ${packaging}/man/${page}.6.gz)
  install(FILES ${packaging}/man/${page}.6.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man6)
endforeach()
add_custom_target(ferrowyn_packaging ALL DEPENDS ${icons} ${manuals})

# The programs find the data from their own folder, wherever the prefix has moved.
install(TARGETS ferrowyn ferrowyn-headless RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
if(IS_ABSOLUTE "${FERROWYN_INSTALL_DATA}")
  set(FERROWYN_FIND_DATA "${FERROWYN_INSTALL_DATA}")
else()
  file(RELATIVE_PATH FERROWYN_FIND_DATA "/prefix/${CMAKE_INSTALL_BINDIR}"
       "/prefix/${FERROWYN_INSTALL_DATA}")
endif()
target_compile_definitions(ferrowyn PRIVATE FERROWYN_INSTALLED_DATA="${FERROWYN_FIND_DATA}")
target_compile_definitions(ferrowyn-headless PRIVATE
                           FERROWYN_INSTALLED_DATA="${FERROWYN_FIND_DATA}")
get_property(FERROWYN_DATA_FILES TARGET ferrowyn_data PROPERTY FERROWYN_FILES)
install(FILES ${FERROWYN_DATA_FILES} DESTINATION ${FERROWYN_INSTALL_DATA})
install(FILES ${PROJECT_SOURCE_DIR}/packaging/${FERROWYN_APP_ID}.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${packaging}/${FERROWYN_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

# The licence: Debian wants it as the copyright file beside a changelog; elsewhere it goes as is.
set(docs ${CMAKE_INSTALL_DATADIR}/doc/ferrowyn)
if(FERROWYN_DEBIAN)
  execute_process(COMMAND date -u -R -d "${FERROWYN_RELEASE_DATE} 12:00"
                  OUTPUT_VARIABLE FERROWYN_RELEASE_DATE_RFC2822 OUTPUT_STRIP_TRAILING_WHITESPACE
                  COMMAND_ERROR_IS_FATAL ANY)
  configure_file(${PROJECT_SOURCE_DIR}/packaging/debian/changelog.in
                 ${packaging}/debian/changelog @ONLY)
  add_custom_command(
    OUTPUT ${packaging}/debian/changelog.gz
    COMMAND gzip -9nkf ${packaging}/debian/changelog
    DEPENDS ${packaging}/debian/changelog)
  add_custom_target(ferrowyn_changelog ALL DEPENDS ${packaging}/debian/changelog.gz)
  install(FILES ${PROJECT_SOURCE_DIR}/packaging/debian/copyright
                ${packaging}/debian/changelog.gz
          DESTINATION ${docs})
else()
  install(FILES ${PROJECT_SOURCE_DIR}/LICENSE ${PROJECT_SOURCE_DIR}/NEWS.md DESTINATION ${docs})
endif()

# The Debian package (cpack -G DEB in a build configured by scripts/release).
set(CPACK_PACKAGE_NAME ferrowyn)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT "The Ferrowyn developers <ferrowyn@users.noreply.github.com>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "top-down arcade tank game")
set(CPACK_PACKAGE_DESCRIPTION
    "Drive your tank over the field, fire shells, lay mines and destroy each
level's quota of enemy tanks before they destroy you. Now and then a pick-up
appears: a blast that destroys every enemy tank on the field at once, or an
extra life. Twenty levels, then the table starts again from level 1, with
your lives and score kept.
.
Plays with the keyboard, a joystick or a gamepad, full screen or in a
window, with sound and music; keys can be bound to taste, and a game can be
recorded and played back. The package also holds ferrowyn-headless, which
plays the game from a script or a recording without a window.")
set(CPACK_STRIP_FILES ON)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION games)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_HOMEPAGE https://github.com/ferrowyn/ferrowyn)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_COMPRESSION_TYPE xz)
# Folders as Debian makes them, whatever the umask of the machine that builds.
set(CPACK_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
include(CPack)

# The test installs into a scratch folder and starts the installed game on a private X server.
if(FERROWYN_TESTS)
  find_program(FERROWYN_XVFB_RUN xvfb-run)
  find_program(FERROWYN_XDOTOOL xdotool)
  find_program(FERROWYN_IMPORT import)
  find_program(FERROWYN_DESKTOP_VALIDATE desktop-file-validate)
  find_program(FERROWYN_APPSTREAMCLI appstreamcli)
  set(checks)
  if(FERROWYN_XVFB_RUN AND FERROWYN_XDOTOOL AND FERROWYN_IMPORT)
    list(APPEND checks --launch)
  else()
    message(STATUS "Install test does not start the game: needs xvfb-run, xdotool and ImageMagick")
  endif()
  if(FERROWYN_DESKTOP_VALIDATE)
    list(APPEND checks --desktop-file-validate)
  endif()
  if(FERROWYN_APPSTREAMCLI)
    list(APPEND checks --appstream-validate)
  endif()
  add_test(NAME install
           COMMAND ${PROJECT_SOURCE_DIR}/tests/install/install_test.sh ${PROJECT_BINARY_DIR}
                   ${CMAKE_CURRENT_BINARY_DIR}/install-test ${CMAKE_INSTALL_BINDIR}
                   ${FERROWYN_INSTALL_DATA} ${CMAKE_INSTALL_DATADIR} ${PROJECT_VERSION} ${checks})
  set_tests_properties(install PROPERTIES TIMEOUT 60 LABELS install
                                          ENVIRONMENT CMAKE=${CMAKE_COMMAND})
endif()
