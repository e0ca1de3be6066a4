# Linux (x86-64 natively, aarch64 cross-built): the platform files of the program.
# The PNG picture compiled in, the monotonic clock, stderr, and Xlib for a lost display.
find_package(X11 REQUIRED)
find_package(PNG REQUIRED)
if(CMAKE_SYSTEM_PROCESSOR MATCHES "^(x86_64|AMD64|amd64|i[3-6]86)$")
  set(RAVELLE_TICK_COUNTER app/tick_counter_x86.cpp)
else()
  set(RAVELLE_TICK_COUNTER app/tick_counter_posix.cpp)
endif()
set(RAVELLE_PLATFORM_CORE_SOURCES common/fatal_message_stderr.cpp sim/seed_clock_posix.cpp
                                  imaging/picture_loader_png.cpp imaging/picture_decoder.cpp
                                  ${RAVELLE_TICK_COUNTER})
set(RAVELLE_PLATFORM_CORE_LIBRARIES ravelle-picture PNG::PNG)
set(RAVELLE_PLATFORM_WINDOW_SOURCES app/display_loss_x11.cpp app/window_title_glut.cpp)
set(RAVELLE_PLATFORM_WINDOW_LIBRARIES X11::X11)
# The tests' guarded buffers (tests/support/guarded_memory.hpp): mmap and mprotect.
set(RAVELLE_PLATFORM_TEST_SOURCES tests/support/guarded_memory_posix.cpp)
