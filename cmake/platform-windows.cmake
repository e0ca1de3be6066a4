# Windows (64-bit, cross-built with MinGW-w64): the platform files of the program.
# The picture as bitmap resource 104, each program's icon, version and manifest, GetTickCount,
# a message box, and the GUI subsystem.
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
    ${PROJECT_SOURCE_DIR}/common/wait_policy_win32.cpp)
target_include_directories(ravelle-windows-executable INTERFACE ${RAVELLE_GENERATED})
add_dependencies(ravelle-windows-executable ravelle-picture-bitmap)

# Each program's own resources (resources/program.rc.in): the icon, which freeglut's window class
# loads by the name GLUT_ICON, the version resource, and the application manifest. The icon is
# made with icoutils from the committed PNGs; its 256-pixel image stays PNG inside it, as
# Windows reads since Vista, the smaller ones become the bitmaps every version reads.
find_program(RAVELLE_ICOTOOL icotool)
if(NOT RAVELLE_ICOTOOL)
  message(FATAL_ERROR "icotool is missing: install Debian's icoutils (apt-get install icoutils)")
endif()
set(RAVELLE_WINDOWS_ICON ${RAVELLE_GENERATED}/ravelle.ico)
set(RAVELLE_WINDOWS_MANIFEST ${PROJECT_SOURCE_DIR}/resources/ravelle.manifest)
set(bitmapIcons "")
foreach(size 16 24 32 48 64)
  list(APPEND bitmapIcons ${RAVELLE_ICON_DIR}/ravelle-${size}.png)
endforeach()
add_custom_command(
  OUTPUT ${RAVELLE_WINDOWS_ICON}
  COMMAND ${RAVELLE_ICOTOOL} -c -o ${RAVELLE_WINDOWS_ICON} ${bitmapIcons}
          --raw=${RAVELLE_ICON_DIR}/ravelle-256.png
  DEPENDS ${bitmapIcons} ${RAVELLE_ICON_DIR}/ravelle-256.png
  COMMENT "Making the programs' icon"
  VERBATIM)
add_custom_target(ravelle-windows-icon DEPENDS ${RAVELLE_WINDOWS_ICON})

# The copyright line of the licence, when there is one, else the project's own.
set(RAVELLE_DEVELOPERS "The Ravelle developers")
set(RAVELLE_COPYRIGHT "Copyright (c) 2026 ${RAVELLE_DEVELOPERS}")
if(EXISTS ${PROJECT_SOURCE_DIR}/LICENSE)
  file(STRINGS ${PROJECT_SOURCE_DIR}/LICENSE copyright REGEX "^Copyright " LIMIT_COUNT 1)
  if(copyright)
    set(RAVELLE_COPYRIGHT "${copyright}")
  endif()
endif()
# Version resources take four numbers.
set(RAVELLE_RC_VERSION ${PROJECT_VERSION_MAJOR},${PROJECT_VERSION_MINOR},0,0)
if(PROJECT_VERSION_PATCH)
  set(RAVELLE_RC_VERSION ${PROJECT_VERSION_MAJOR},${PROJECT_VERSION_MINOR},${PROJECT_VERSION_PATCH},0)
endif()

# Called for each program by ravelle_add_build (CMakeLists.txt).
function(ravelle_platform_program target)
  get_target_property(RAVELLE_RC_DESCRIPTION ${target} RAVELLE_DISPLAY_NAME)
  set(RAVELLE_RC_FILE_NAME ${target}.exe)
  set(RAVELLE_RC_INTERNAL_NAME ${target})
  set(rc ${RAVELLE_GENERATED}/${target}.rc)
  configure_file(${PROJECT_SOURCE_DIR}/resources/program.rc.in ${rc} @ONLY)
  set_source_files_properties(${rc} PROPERTIES OBJECT_DEPENDS
                                               "${RAVELLE_WINDOWS_ICON};${RAVELLE_WINDOWS_MANIFEST}")
  target_sources(${target} PRIVATE ${rc})
  add_dependencies(${target} ravelle-windows-icon)
endfunction()

set(RAVELLE_PLATFORM_CORE_SOURCES common/fatal_message_win32.cpp common/clock_win32.cpp
                                  imaging/picture_loader_win32.cpp)
set(RAVELLE_PLATFORM_CORE_LIBRARIES ravelle-windows-executable gdi32 user32)
set(RAVELLE_PLATFORM_WINDOW_SOURCES app/window_win32.cpp)
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

# Both programs link freeglut, Highway and the compiler's runtimes statically: their notices
# go beside them.
include(${CMAKE_CURRENT_LIST_DIR}/third-party-notices.cmake)
function(ravelle_windows_notices)
  if(TARGET ravelle)
    ravelle_third_party_notices(PREFIXES "${RAVELLE_WINDOWS_PREFIX}" TARGETS ravelle ravelle-serial)
  endif()
endfunction()
cmake_language(DEFER CALL ravelle_windows_notices)

# Installing (and so CPack's installer) takes the programs as built, without building every
# target first: the Windows build holds the tests too, which the installer does not carry.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)
