# The Windows build's own tests (ctest --preset windows, run by scripts/test-windows.sh): what
# the programs import and carry, read on this machine; and under Wine, with one Wine server for
# all, the picture decoded on displays of 16 and 24 bits per pixel, the
# OpenMP threads' passive waiting, and the real windows driven by the Linux build's harness.

# What a Windows user gets: only DLLs that every Windows has, and the icon, version and
# manifest resources.
find_program(RAVELLE_PYTHON3 python3 REQUIRED)
find_program(RAVELLE_MINGW_OBJDUMP x86_64-w64-mingw32-objdump REQUIRED)
find_program(RAVELLE_WRESTOOL wrestool REQUIRED)
find_program(RAVELLE_ICOTOOL icotool REQUIRED)
set(output_test ${RAVELLE_PYTHON3} ${CMAKE_CURRENT_SOURCE_DIR}/windows_output_test.py)
foreach(program ravelle ravelle-serial)
  add_test(NAME output.system-dlls-only.${program}
           COMMAND ${output_test} imports $<TARGET_FILE:${program}> ${RAVELLE_MINGW_OBJDUMP})
  add_test(NAME output.resources.${program}
           COMMAND ${output_test} resources $<TARGET_FILE:${program}> ${PROJECT_VERSION}
                   ${RAVELLE_WRESTOOL} ${RAVELLE_ICOTOOL})
  set_tests_properties(output.system-dlls-only.${program} output.resources.${program}
                       PROPERTIES LABELS output)
endforeach()
# The zip (the ravelle-zip target) carries the notice of every library the linker took in.
add_test(NAME output.notices
         COMMAND ${RAVELLE_PYTHON3} ${CMAKE_CURRENT_SOURCE_DIR}/notices_test.py
                 ${PROJECT_BINARY_DIR}/ravelle-windows-x86_64.zip --prefix ${RAVELLE_WINDOWS_PREFIX}
                 ${PROJECT_BINARY_DIR}/ravelle.map ${PROJECT_BINARY_DIR}/ravelle-serial.map)
set_tests_properties(output.notices PROPERTIES LABELS output)

# One persistent Wine server, with Wine's services on a private Xvfb, for every test that runs a
# Windows program (wine_server.sh); WINEPREFIX and the other Wine variables come from the test
# preset.
set(wine_state ${CMAKE_CURRENT_BINARY_DIR}/wine-server)
add_test(NAME wine.server-start COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/wine_server.sh start ${wine_state})
add_test(NAME wine.server-stop COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/wine_server.sh stop ${wine_state})
set_tests_properties(wine.server-start PROPERTIES FIXTURES_SETUP wine)
set_tests_properties(wine.server-stop PROPERTIES FIXTURES_CLEANUP wine)
# Every test but the fixture's own, the output checks and the byte comparisons runs a Windows
# program: those defined in this folder, once all are (the soaks come later), and the unit
# tests each build's discovery lists when ctest starts.
function(ravelle_require_wine_server)
  get_directory_property(tests TESTS)
  list(FILTER tests EXCLUDE REGEX "^(wine|output)\\.|\\.same-")
  set_property(TEST ${tests} APPEND PROPERTY FIXTURES_REQUIRED wine)
endfunction()
cmake_language(DEFER CALL ravelle_require_wine_server)
file(WRITE ${CMAKE_CURRENT_BINARY_DIR}/wine-server-required.cmake
     "foreach(test IN LISTS ravelle-tests_TESTS ravelle-tests-serial_TESTS)\n"
     "  set_tests_properties(\${test} PROPERTIES FIXTURES_REQUIRED wine)\n" "endforeach()\n")
set_property(DIRECTORY APPEND PROPERTY TEST_INCLUDE_FILES
                                       ${CMAKE_CURRENT_BINARY_DIR}/wine-server-required.cmake)

# with_xvfb.sh gives each run an X server of the named depth; the test checks the bits per
# pixel Windows reports for it (a 24-bit X screen stores 32), so a server that ignored the
# depth would fail the test, not pass it silently. Where Windows reports another depth, the test
# sets one of the listed modes of the asked depth; a Windows that cannot (Wine 10 refuses its
# 16-bit modes) skips it, and ctest reports it skipped.
foreach(depth 16 24)
  set(bits ${depth})
  if(depth EQUAL 24)
    set(bits 32)
  endif()
  add_test(NAME unit.picture-at-depth-${depth}
           COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/with_xvfb.sh ${CMAKE_CROSSCOMPILING_EMULATOR}
                   $<TARGET_FILE:ravelle-tests> --gtest_filter=BitmapResource.*)
  set_tests_properties(unit.picture-at-depth-${depth}
                       PROPERTIES ENVIRONMENT "XVFB_SCREEN=1024x768x${depth};RAVELLE_EXPECT_BITS_PER_PIXEL=${bits}"
                                  RUN_SERIAL TRUE SKIP_REGULAR_EXPRESSION "\\[  SKIPPED \\]")
endforeach()

# libgomp reports the wait policy it started with: passive unless the user set another.
add_test(NAME openmp.waits-passively-by-default COMMAND ravelle-replay 1 1 ${REPLAY_DIR}/policy.bin)
set_tests_properties(openmp.waits-passively-by-default
                     PROPERTIES ENVIRONMENT OMP_DISPLAY_ENV=true
                                PASS_REGULAR_EXPRESSION "OMP_WAIT_POLICY = 'PASSIVE'")
add_test(NAME openmp.user-wait-policy-kept COMMAND ravelle-replay 1 1 ${REPLAY_DIR}/policy.bin)
set_tests_properties(openmp.user-wait-policy-kept
                     PROPERTIES ENVIRONMENT "OMP_DISPLAY_ENV=true;OMP_WAIT_POLICY=active"
                                PASS_REGULAR_EXPRESSION "OMP_WAIT_POLICY = 'ACTIVE'")

# The real program with bitmap 104 undecodable: the end-to-end harness sees its message box,
# closes it and checks the exit status (below).
list(TRANSFORM RAVELLE_WINDOW_SOURCES PREPEND ${PROJECT_SOURCE_DIR}/ OUTPUT_VARIABLE window_sources)
add_executable(ravelle-broken-picture ${window_sources} broken_picture.rc)
set_target_properties(ravelle-broken-picture PROPERTIES RAVELLE_OWN_PICTURE_RESOURCE ON)
set_source_files_properties(broken_picture.rc PROPERTIES OBJECT_DEPENDS
                                                         ${CMAKE_CURRENT_SOURCE_DIR}/broken_picture.bmp)
target_link_libraries(ravelle-broken-picture PRIVATE ravelle-core-serial GLUT::GLUT OpenGL::GL
                                                     ${RAVELLE_PLATFORM_WINDOW_LIBRARIES} ravelle-warnings)

# The serial replay under the name the Linux build has too; scripts/test-windows.sh compares
# the two outputs byte for byte.
add_test(NAME replay.portable COMMAND ravelle-replay-portable 600 2024 ${REPLAY_DIR}/portable.bin)

# The real windows of both programs and the message box, driven by the Linux build's harness
# in the folder RAVELLE_LINUX_BUILD names when the tests run (scripts/test-windows.sh sets it;
# without it they are skipped). The harness starts Wine with the program in each test's own X
# server, with openbox managing the window as Windows' desktop would (Wine 10 ignores outside
# resizes of a window no window manager has taken).
# (A new line, not a semicolon, ends the first command: CMake would split the argument there.)
set(harness [=[[ -n "${RAVELLE_LINUX_BUILD:-}" ] || exit 77
exec "$RAVELLE_LINUX_BUILD/tests/e2e/$0" "$@"]=])
foreach(suffix "" -serial)
  add_test(NAME e2e.program-window${suffix}
           COMMAND bash -c ${harness} ravelle-e2e${suffix} --gtest_filter=ProgramWindow.*)
  set_tests_properties(e2e.program-window${suffix}
                       PROPERTIES ENVIRONMENT "RAVELLE_E2E_WINDOW_MANAGER=1;RAVELLE_E2E_COMMAND=${RAVELLE_WINE} $<TARGET_FILE:ravelle${suffix}>")
endforeach()
add_test(NAME e2e.message-box COMMAND bash -c ${harness} ravelle-message-box-test)
set_tests_properties(e2e.message-box PROPERTIES ENVIRONMENT
                                                "RAVELLE_E2E_COMMAND=${RAVELLE_WINE} $<TARGET_FILE:ravelle-broken-picture>")
set_tests_properties(e2e.program-window e2e.program-window-serial e2e.message-box
                     PROPERTIES LABELS e2e RUN_SERIAL TRUE SKIP_RETURN_CODE 77 TIMEOUT 900)
