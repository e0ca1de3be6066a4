# Windows (64-bit, cross-built with MinGW-w64): the platform files of the program.
# The picture as bitmap resource 104, GetTickCount, a message box, and the GUI subsystem.
enable_language(RC)

# The bitmap is made from the PNG by a host program (tools/picture_bitmap.cpp), which
# scripts/build-windows.sh builds and names here.
set(RAVELLE_PICTURE_BITMAP_TOOL "" CACHE FILEPATH "Host build of tools/picture_bitmap.cpp")
if(NOT EXISTS "${RAVELLE_PICTURE_BITMAP_TOOL}")
  message(FATAL_ERROR "Set RAVELLE_PICTURE_BITMAP_TOOL to a host build of tools/picture_bitmap.cpp")
endif()
set(RAVELLE_GENERATED ${PROJECT_BINARY_DIR}/generated)
add_custom_command(
  OUTPUT ${RAVELLE_GENERATED}/pool_floor.bmp ${RAVELLE_GENERATED}/resources/expected_picture.hpp
  COMMAND ${CMAKE_COMMAND} -E make_directory ${RAVELLE_GENERATED}/resources
  COMMAND ${RAVELLE_PICTURE_BITMAP_TOOL} ${RAVELLE_PICTURE} ${RAVELLE_GENERATED}/pool_floor.bmp
          ${RAVELLE_GENERATED}/resources/expected_picture.hpp
  DEPENDS ${RAVELLE_PICTURE} ${RAVELLE_PICTURE_BITMAP_TOOL}
  COMMENT "Making the pool-floor bitmap resource")
add_custom_target(ravelle-picture-bitmap DEPENDS ${RAVELLE_GENERATED}/pool_floor.bmp
                                                 ${RAVELLE_GENERATED}/resources/expected_picture.hpp)
set_source_files_properties(${PROJECT_SOURCE_DIR}/resources/ravelle.rc
                            PROPERTIES OBJECT_DEPENDS ${RAVELLE_GENERATED}/pool_floor.bmp)
# Every executable that links the program's code carries the resource and the passive waiting
# of OpenMP threads: in a static library the linker would leave both out, since no code refers
# to them by name.
add_library(ravelle-windows-executable INTERFACE)
# A test program that carries a picture of its own sets RAVELLE_OWN_PICTURE_RESOURCE.
target_sources(
  ravelle-windows-executable
  INTERFACE
    $<$<NOT:$<BOOL:$<TARGET_PROPERTY:RAVELLE_OWN_PICTURE_RESOURCE>>>:${PROJECT_SOURCE_DIR}/resources/ravelle.rc>
    ${PROJECT_SOURCE_DIR}/app/wait_policy_win32.cpp)
target_include_directories(ravelle-windows-executable INTERFACE ${RAVELLE_GENERATED})
add_dependencies(ravelle-windows-executable ravelle-picture-bitmap)

set(RAVELLE_PLATFORM_CORE_SOURCES common/fatal_message_win32.cpp sim/seed_clock_win32.cpp
                                  imaging/picture_loader_win32.cpp app/tick_counter_x86.cpp)
set(RAVELLE_PLATFORM_CORE_LIBRARIES ravelle-windows-executable gdi32 user32)
set(RAVELLE_PLATFORM_WINDOW_SOURCES app/display_loss_win32.cpp app/window_title_glut.cpp
                                    app/window_identity_win32.cpp)
# Static freeglut needs FREEGLUT_STATIC in its users and the system libraries it calls. -mwindows:
# the GUI subsystem, so no console window opens; the C runtime still calls main().
add_library(ravelle-windows-window INTERFACE)
target_compile_definitions(ravelle-windows-window INTERFACE FREEGLUT_STATIC)
target_link_libraries(ravelle-windows-window INTERFACE winmm gdi32 user32)
target_link_options(ravelle-windows-window INTERFACE -mwindows)
set(RAVELLE_PLATFORM_WINDOW_LIBRARIES ravelle-windows-window)
# The tests' buffers next to inaccessible pages.
set(RAVELLE_PLATFORM_TEST_SOURCES tests/support/guarded_memory_win32.cpp)

# The test programs are listed under Wine when ctest starts, not by running Wine during the build.
set(CMAKE_GTEST_DISCOVER_TESTS_DISCOVERY_MODE PRE_TEST)

# MinGW's own printf family, which knows %zu (the system's msvcrt.dll does not). GCC still
# checks printf-style formats against msvcrt's rules on this target and would reject %zu; the
# Linux builds check the same formats.
add_compile_definitions(__USE_MINGW_ANSI_STDIO=1)
add_compile_options(-Wno-format)
