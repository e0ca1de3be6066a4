# On 64-bit ARM under qemu, both builds' unit tests run on a NEON-only Cortex-A72 and on
# qemu's SVE2 processor with vectors of 128, 256, 512 and 2048 bits; on the SVE2 one the
# tests of the targets that do not depend on the vector length are left out, having run on
# the Cortex-A72. Each processor's probe says what it offers. qemu-user takes the processor
# from QEMU_CPU. `ctest --preset aarch64 -L aarch64` runs these and the replays below.
add_executable(ravelle-aarch64-probe aarch64_probe.cpp)
target_link_libraries(ravelle-aarch64-probe PRIVATE hwy::hwy ravelle-warnings)

set(processors "neon cortex-a72 0 NEON *")
foreach(bits 128 256 512 2048)
  math(EXPR bytes "${bits} / 8")
  list(APPEND processors
       "sve-${bits} max,sve-default-vector-length=${bytes} ${bits} SVE -*/NEON:*/EMU128:*/SCALAR")
endforeach()
foreach(processor IN LISTS processors)
  separate_arguments(processor UNIX_COMMAND "${processor}")
  list(GET processor 0 name)
  list(GET processor 1 cpu)
  list(GET processor 2 bits)
  list(GET processor 3 family)
  list(GET processor 4 filter)
  add_test(NAME aarch64.${name}.processor COMMAND ravelle-aarch64-probe)
  set_tests_properties(aarch64.${name}.processor PROPERTIES ENVIRONMENT QEMU_CPU=${cpu}
                       PASS_REGULAR_EXPRESSION "^sve-bits=${bits} targets=.*${family}")
  foreach(suite ravelle-tests ravelle-tests-serial)
    list(JOIN CMAKE_CROSSCOMPILING_EMULATOR "|" emulator)
    add_test(NAME aarch64.${name}.${suite}
             COMMAND ${CMAKE_COMMAND} -DFAMILY=${family}
                     "-DCOMMAND=${emulator}|$<TARGET_FILE:${suite}>|--gtest_filter=${filter}"
                     -P ${CMAKE_CURRENT_SOURCE_DIR}/run_on_processor.cmake)
    # The parallel build's threads sleep while they wait, as the installed program's do.
    set_tests_properties(aarch64.${name}.${suite} PROPERTIES
                         ENVIRONMENT "QEMU_CPU=${cpu};OMP_WAIT_POLICY=passive")
  endforeach()
endforeach()

# The serial replay on the Cortex-A72 and the parallel one on two threads of the SVE2
# processor give the same bytes (and, as every replay, the committed ones).
set_tests_properties(replay.serial PROPERTIES ENVIRONMENT QEMU_CPU=cortex-a72)
set_tests_properties(replay.parallel-2 PROPERTIES ENVIRONMENT
                     "QEMU_CPU=max;OMP_NUM_THREADS=2;OMP_WAIT_POLICY=passive")
# Both programs are AArch64 programs (as the test programs, which qemu-aarch64 runs, are).
foreach(program ravelle ravelle-serial)
  add_test(NAME aarch64.${program}-machine COMMAND ${CMAKE_READELF} -h $<TARGET_FILE:${program}>)
  set_tests_properties(aarch64.${program}-machine PROPERTIES ENVIRONMENT LC_ALL=C
                       PASS_REGULAR_EXPRESSION "Machine: +AArch64")
endforeach()
get_property(aarch64_tests DIRECTORY PROPERTY TESTS)
list(FILTER aarch64_tests INCLUDE REGEX "^(aarch64\\.|replay\\.(serial|parallel-2|same-as-serial-2)$)")
set_tests_properties(${aarch64_tests} PROPERTIES LABELS aarch64)
