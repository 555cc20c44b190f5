# Installation the way a Linux desktop expects a game:
#   bin/ferrowyn                    launcher: starts the game from its data folder
#   libexec/ferrowyn/ferrowyn       the game
#   share/ferrowyn/                 its twelve pictures and sounds
#   share/applications, share/icons/hicolor, share/metainfo: menu entry, icon, AppStream data
include(GNUInstallDirs)

set(FERROWYN_APP_ID io.github.ferrowyn.Ferrowyn)
set(FERROWYN_INSTALL_DATA ${CMAKE_INSTALL_DATADIR}/ferrowyn)
set(FERROWYN_INSTALL_GAME ${CMAKE_INSTALL_LIBEXECDIR}/ferrowyn)

# The icon is drawn by the generator like the rest of the art.
set(FERROWYN_ICON ${PROJECT_BINARY_DIR}/packaging/${FERROWYN_APP_ID}.png)
add_custom_command(
  OUTPUT ${FERROWYN_ICON}
  COMMAND ${CMAKE_COMMAND} -E make_directory ${PROJECT_BINARY_DIR}/packaging
  COMMAND ferrowyn-assets --icon ${FERROWYN_ICON}
  DEPENDS ferrowyn-assets
  COMMENT "Drawing the desktop icon")
add_custom_target(ferrowyn_icon ALL DEPENDS ${FERROWYN_ICON})

# Where the launcher finds a folder: relative to its own folder when both sit under the prefix
# (so DESTDIR and a moved prefix work), as given when the folder was set as an absolute path.
function(ferrowyn_launch_path out dir)
  if(IS_ABSOLUTE "${dir}")
    set(${out} "${dir}" PARENT_SCOPE)
  elseif(IS_ABSOLUTE "${CMAKE_INSTALL_BINDIR}")
    set(${out} "${CMAKE_INSTALL_PREFIX}/${dir}" PARENT_SCOPE)
  else()
    file(RELATIVE_PATH relative "/prefix/${CMAKE_INSTALL_BINDIR}" "/prefix/${dir}")
    set(${out} "\$here/${relative}" PARENT_SCOPE)
  endif()
endfunction()
ferrowyn_launch_path(FERROWYN_LAUNCH_DATA ${FERROWYN_INSTALL_DATA})
ferrowyn_launch_path(FERROWYN_LAUNCH_GAME ${FERROWYN_INSTALL_GAME}/ferrowyn)
configure_file(${PROJECT_SOURCE_DIR}/packaging/launcher.sh.in
               ${PROJECT_BINARY_DIR}/packaging/ferrowyn @ONLY)

install(TARGETS ferrowyn RUNTIME DESTINATION ${FERROWYN_INSTALL_GAME})
# The installed game finds its data from its own folder, wherever the prefix has moved.
if(IS_ABSOLUTE "${FERROWYN_INSTALL_DATA}")
  set(FERROWYN_FIND_DATA "${FERROWYN_INSTALL_DATA}")
else()
  file(RELATIVE_PATH FERROWYN_FIND_DATA "/prefix/${FERROWYN_INSTALL_GAME}"
       "/prefix/${FERROWYN_INSTALL_DATA}")
endif()
target_compile_definitions(ferrowyn PRIVATE FERROWYN_INSTALLED_DATA="${FERROWYN_FIND_DATA}")
get_property(FERROWYN_DATA_FILES TARGET ferrowyn_data PROPERTY FERROWYN_FILES)
install(FILES ${FERROWYN_DATA_FILES} DESTINATION ${FERROWYN_INSTALL_DATA})
install(PROGRAMS ${PROJECT_BINARY_DIR}/packaging/ferrowyn DESTINATION ${CMAKE_INSTALL_BINDIR})
install(FILES ${PROJECT_SOURCE_DIR}/packaging/${FERROWYN_APP_ID}.desktop
        DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${FERROWYN_ICON} DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/256x256/apps)
install(FILES ${PROJECT_SOURCE_DIR}/packaging/${FERROWYN_APP_ID}.metainfo.xml
        DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)

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
                   ${CMAKE_INSTALL_LIBEXECDIR} ${CMAKE_INSTALL_DATADIR} ${checks})
  set_tests_properties(install PROPERTIES TIMEOUT 60 LABELS install
                                          ENVIRONMENT CMAKE=${CMAKE_COMMAND})
endif()
