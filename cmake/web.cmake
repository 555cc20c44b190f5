# The browser build, configured by emcmake from the top level: the game's own libraries on the
# web host, its data files packed beside it, and the page. Everything a web server needs lands
# in FERROWYN_WEB_SITE and nothing else does.
set(FERROWYN_WEB_SITE ${PROJECT_BINARY_DIR}/site CACHE PATH "Folder for the page and the game")

# Programs the build itself runs (the data generator) run under node, on the real files.
# emscripten 3.1.6's loader cannot fetch its .wasm from a path with node's fetch.
set(CMAKE_CROSSCOMPILING_EMULATOR node --no-experimental-fetch)
add_link_options(-sALLOW_MEMORY_GROWTH=1)
add_subdirectory(art)
add_subdirectory(recording)
add_subdirectory(tools)
target_link_options(ferrowyn-assets PRIVATE -sNODERAWFS=1)
target_link_options(ferrowyn-headless PRIVATE -sNODERAWFS=1)

# The desktop's --replay, over the web host, and the runner's options, scripts and state trace
# serve the page's test hook.
add_executable(ferrowyn-web main/web_main.cpp main/high_scores.cpp main/recorder.cpp
                            main/settings_file.cpp)
# The pictures and sounds are drawn in the page rather than downloaded: the code that makes
# them is a fraction of their size.
target_link_libraries(ferrowyn-web PRIVATE ferrowyn_winmain ferrowyn_game ferrowyn_host_web
                                           ferrowyn_recording ferrowyn_art)
target_link_options(ferrowyn-web PRIVATE
  # The game keeps its own loops: the host's Sleep hands control to the browser. The whole
  # program is instrumented; a trimmed list broke indirect calls.
  -sASYNCIFY
  -sENVIRONMENT=web
  -sEXPORTED_FUNCTIONS=_main,_malloc
  -sEXPORTED_RUNTIME_METHODS=FS)  # the page writes a test script into the file system
set_target_properties(ferrowyn-web PROPERTIES
  OUTPUT_NAME ferrowyn
  SUFFIX .js
  RUNTIME_OUTPUT_DIRECTORY ${FERROWYN_WEB_SITE})

# The page, the audio worklet, the icons, the web app manifest and the service worker that
# keeps the game offline. The page and the worker say the version.
set(site_files)
foreach(file index.html sw.js)
  configure_file(${PROJECT_SOURCE_DIR}/web/${file} ${FERROWYN_WEB_SITE}/${file} @ONLY)
endforeach()
foreach(file page.js style.css manifest.webmanifest)
  add_custom_command(OUTPUT ${FERROWYN_WEB_SITE}/${file}
                     COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_SOURCE_DIR}/web/${file}
                             ${FERROWYN_WEB_SITE}/${file}
                     DEPENDS ${PROJECT_SOURCE_DIR}/web/${file})
  list(APPEND site_files ${FERROWYN_WEB_SITE}/${file})
endforeach()
add_custom_command(OUTPUT ${FERROWYN_WEB_SITE}/ferrowyn-audio.js
                   COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_SOURCE_DIR}/host/web/web_audio.js
                           ${FERROWYN_WEB_SITE}/ferrowyn-audio.js
                   DEPENDS ${PROJECT_SOURCE_DIR}/host/web/web_audio.js)
# The browser build's own generator writes its PNGs uncompressed (there is no libpng here): a
# native one, where scripts/web has built it, makes the icons a tenth of the size.
set(FERROWYN_ICON_MAKER "" CACHE FILEPATH "A native ferrowyn-assets, to draw compressed icons")
if(FERROWYN_ICON_MAKER)
  set(icon_maker ${FERROWYN_ICON_MAKER})
else()
  set(icon_maker ferrowyn-assets)
endif()
add_custom_command(OUTPUT ${FERROWYN_WEB_SITE}/icon.png
                   COMMAND ${icon_maker} --icon ${FERROWYN_WEB_SITE}/icon.png
                   DEPENDS ${icon_maker})
foreach(size 192 512)
  add_custom_command(OUTPUT ${FERROWYN_WEB_SITE}/icon-${size}.png
                     COMMAND ${icon_maker} --icon ${FERROWYN_WEB_SITE}/icon-${size}.png ${size}
                     DEPENDS ${icon_maker})
  list(APPEND site_files ${FERROWYN_WEB_SITE}/icon-${size}.png)
endforeach()
# The licence and what the page carries from others, readable from the site itself.
foreach(file LICENSE NOTICES)
  add_custom_command(OUTPUT ${FERROWYN_WEB_SITE}/${file}.txt
                     COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_SOURCE_DIR}/${file}
                             ${FERROWYN_WEB_SITE}/${file}.txt
                     DEPENDS ${PROJECT_SOURCE_DIR}/${file})
  list(APPEND site_files ${FERROWYN_WEB_SITE}/${file}.txt)
endforeach()
# Emscripten's runtime and the libraries it compiles in, as Debian records their terms.
configure_file(/usr/share/doc/emscripten/copyright ${FERROWYN_WEB_SITE}/licenses/Emscripten.txt
               COPYONLY)
add_custom_target(ferrowyn_site ALL
                  DEPENDS ${site_files} ${FERROWYN_WEB_SITE}/ferrowyn-audio.js
                          ${FERROWYN_WEB_SITE}/icon.png)
