# The browser (Emscripten): the platform files of the serial program, the only one built here
# (Emscripten has no OpenMP). The same PNG picture decoded by libpng built for WebAssembly,
# the monotonic clock (the browser's performance.now()), the console and the page for a fatal
# message, the WebGL context as the display, and the document's title.
# scripts/build-web.sh builds the libraries into a prefix and points CMAKE_FIND_ROOT_PATH at it.
find_package(PNG REQUIRED)
set(RAVELLE_PLATFORM_CORE_SOURCES common/fatal_message_web.cpp common/clock_posix.cpp
                                  imaging/picture_loader_png.cpp imaging/picture_decoder.cpp)

# Every WebAssembly object uses the 128-bit SIMD instructions, so that Highway compiles its
# WASM target beside the EMU128 fallback; memory grows on demand.
add_compile_options(-msimd128)
add_library(ravelle-web-runtime INTERFACE)
target_link_options(ravelle-web-runtime INTERFACE -sALLOW_MEMORY_GROWTH=1
                    --js-library=${PROJECT_SOURCE_DIR}/web/page_message.js)
set(RAVELLE_PLATFORM_CORE_LIBRARIES ravelle-picture PNG::PNG ravelle-web-runtime)

# Emscripten's GLUT, on WebGL through its emulation of the fixed-function OpenGL the program
# draws with (immediate mode, glOrtho, client-side matrices). The canvas is the window: the
# page sizes it and hands it the touches on it (app/window_web.cpp).
add_library(ravelle-web-glut INTERFACE)
target_include_directories(ravelle-web-glut SYSTEM INTERFACE ${PROJECT_SOURCE_DIR}/web/include)
target_link_options(ravelle-web-glut INTERFACE -sLEGACY_GL_EMULATION=1 -lglut -lGL)
add_library(GLUT::GLUT ALIAS ravelle-web-glut)
add_library(OpenGL::GL ALIAS ravelle-web-glut)
set(RAVELLE_PLATFORM_WINDOW_SOURCES app/window_web.cpp)
set(RAVELLE_PLATFORM_WINDOW_LIBRARIES "")
# The tests' guarded buffers: mmap works here, but WebAssembly memory has no page protection,
# so a read past a buffer is not caught in this build (the native builds catch it).
set(RAVELLE_PLATFORM_TEST_SOURCES tests/support/guarded_memory_posix.cpp)

# Programs run from the command line (the tests, the replay, the benchmark) run under Node,
# see the real file system, and end with main's exit status.
add_library(ravelle-web-node INTERFACE)
target_link_options(ravelle-web-node INTERFACE -sNODERAWFS=1 -sEXIT_RUNTIME=1 -sENVIRONMENT=node)

# The page: the program is ravelle.js and ravelle.wasm, loaded by web/index.html, which is
# copied beside them with the program's icon as its favicon. Emscripten's own loader page is not
# wanted (and minifying it fails in 3.1.6). The page calls the canvas's two entries
# (app/window_web.cpp) as Module._ravelle_resize_window and Module._ravelle_touch.
function(ravelle_web_page)
  set_target_properties(ravelle-serial PROPERTIES OUTPUT_NAME ravelle)
  target_link_options(ravelle-serial PRIVATE -sENVIRONMENT=web
                      "-sEXPORTED_FUNCTIONS=_main,_ravelle_resize_window,_ravelle_touch")
  add_custom_command(TARGET ravelle-serial POST_BUILD
                     COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_SOURCE_DIR}/web/index.html
                             $<TARGET_FILE_DIR:ravelle-serial>/index.html
                     COMMAND ${CMAKE_COMMAND} -E copy ${PROJECT_SOURCE_DIR}/packaging/icons/ravelle-32.png
                             $<TARGET_FILE_DIR:ravelle-serial>/favicon.png)
endfunction()
cmake_language(DEFER CALL ravelle_web_page)

# The page's program has Highway, libpng, zlib and Emscripten's runtime compiled in: their
# notices go beside it. scripts/build-web.sh names the prefix it built the libraries into.
set(RAVELLE_WEB_PREFIX "" CACHE PATH "Prefix of the libraries built from Debian sources")
include(${CMAKE_CURRENT_LIST_DIR}/third-party-notices.cmake)
function(ravelle_web_notices)
  ravelle_third_party_notices(PREFIXES "${RAVELLE_WEB_PREFIX}" TARGETS ravelle-serial)
  # The page's files, the licence and the notices in ravelle-web-VERSION.zip.
  configure_file(${PROJECT_SOURCE_DIR}/LICENSE ${PROJECT_BINARY_DIR}/LICENSE.txt COPYONLY)
  set(page index.html favicon.png ravelle.js ravelle.wasm THIRD-PARTY-NOTICES.txt LICENSE.txt)
  list(TRANSFORM page PREPEND ${PROJECT_BINARY_DIR}/)
  add_custom_target(
    ravelle-zip
    COMMAND ${CMAKE_COMMAND} -DARCHIVE=${PROJECT_BINARY_DIR}/ravelle-web-${PROJECT_VERSION}.zip
            -DTOP=ravelle-web-${PROJECT_VERSION} "-DFILES=${page}" -P ${PROJECT_SOURCE_DIR}/cmake/pack-zip.cmake
    DEPENDS ravelle-serial ravelle-notices VERBATIM)
endfunction()
cmake_language(DEFER CALL ravelle_web_notices)
