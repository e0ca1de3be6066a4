# Runs a unit-test program on an emulated processor and fails unless every test passed and
# some of them ran on a target of the processor's vector family (NEON, SVE):
#   cmake -DFAMILY=SVE "-DCOMMAND=PROGRAM|ARGUMENT|..." -P run_on_processor.cmake
# Parameterised kernel tests end in their target's name, which is what is looked for.
string(REPLACE "|" ";" command "${COMMAND}")
execute_process(COMMAND ${command} RESULT_VARIABLE status OUTPUT_VARIABLE output
                ERROR_VARIABLE output)
if(NOT status EQUAL 0)
  message("${output}")
  message(FATAL_ERROR "the tests failed on this processor (status ${status})")
endif()
string(REGEX MATCHALL "\\[       OK \\] [^ \n]+/${FAMILY}[A-Z0-9_]*" ran "${output}")
list(TRANSFORM ran REPLACE ".*/" "")
list(REMOVE_DUPLICATES ran)
if(NOT ran)
  message(FATAL_ERROR "no test ran on a ${FAMILY} target")
endif()
string(REGEX MATCH "\\[  PASSED  \\] [0-9]+ tests?" passed "${output}")
list(JOIN ran " " ran)
message("${passed}; targets: ${ran}")
