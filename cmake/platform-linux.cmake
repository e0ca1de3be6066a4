# Linux (x86-64 natively, aarch64 cross-built): the platform files of the program.
# The PNG picture compiled in, the monotonic clock, stderr, Xlib for a lost display, and the
# window's class and icon on X11.
find_package(X11 REQUIRED)
find_package(PNG REQUIRED)
set(RAVELLE_PLATFORM_CORE_SOURCES common/fatal_message_stderr.cpp common/clock_posix.cpp
                                  imaging/picture_loader_png.cpp imaging/picture_decoder.cpp)
set(RAVELLE_PLATFORM_CORE_LIBRARIES ravelle-picture PNG::PNG)
set(RAVELLE_PLATFORM_WINDOW_SOURCES app/window_x11.cpp)

# The window's icon at the sizes window managers and task bars ask for most, compiled in from
# the committed PNGs and decoded with libpng when the window opens.
set(RAVELLE_WINDOW_ICON_SIZES 16 32 48 64 128)
list(TRANSFORM RAVELLE_WINDOW_ICON_SIZES REPLACE "(.+)" "${RAVELLE_ICON_DIR}/ravelle-\\1.png"
     OUTPUT_VARIABLE icons)
set(RAVELLE_ICONS_CPP ${PROJECT_BINARY_DIR}/generated/embedded_icons.cpp)
add_custom_command(
  OUTPUT ${RAVELLE_ICONS_CPP}
  COMMAND ${CMAKE_COMMAND} "-DICONS=${icons}" -DOUTPUT=${RAVELLE_ICONS_CPP}
          -P ${PROJECT_SOURCE_DIR}/resources/embed_icons.cmake
  DEPENDS ${icons} ${PROJECT_SOURCE_DIR}/resources/embed_icons.cmake
          ${PROJECT_SOURCE_DIR}/resources/hex_array.cmake
  COMMENT "Embedding the window's icons"
  VERBATIM)
add_library(ravelle-window-icons STATIC ${RAVELLE_ICONS_CPP})
target_include_directories(ravelle-window-icons PUBLIC ${PROJECT_SOURCE_DIR})
set(RAVELLE_PLATFORM_WINDOW_LIBRARIES X11::X11 ravelle-window-icons)
# The tests' guarded buffers (tests/support/guarded_memory.hpp): mmap and mprotect.
set(RAVELLE_PLATFORM_TEST_SOURCES tests/support/guarded_memory_posix.cpp)
