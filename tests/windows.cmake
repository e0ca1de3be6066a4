# The Windows build's own tests, run under Wine by scripts/test-windows.sh: the picture decoded
# on displays of 16 and 24 bits per pixel, and the OpenMP threads' passive waiting.

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

# The real program with bitmap 104 undecodable: scripts/test-windows.sh runs it under Wine with
# the end-to-end harness, which sees the message box, closes it and checks the exit status.
list(TRANSFORM RAVELLE_WINDOW_SOURCES PREPEND ${PROJECT_SOURCE_DIR}/ OUTPUT_VARIABLE window_sources)
add_executable(ravelle-broken-picture ${window_sources} broken_picture.rc)
set_target_properties(ravelle-broken-picture PROPERTIES RAVELLE_OWN_PICTURE_RESOURCE ON)
set_source_files_properties(broken_picture.rc PROPERTIES OBJECT_DEPENDS
                                                         ${CMAKE_CURRENT_SOURCE_DIR}/broken_picture.bmp)
target_link_libraries(ravelle-broken-picture PRIVATE ravelle-core-serial GLUT::GLUT OpenGL::GL
                                                     ${RAVELLE_PLATFORM_WINDOW_LIBRARIES} ravelle-warnings)
