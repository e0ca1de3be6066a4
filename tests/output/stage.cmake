# cmake -DBUILD=BUILD_DIR -DROOT=STAGE -P stage.cmake: installs BUILD under STAGE/usr, as the
# Debian package does, into an emptied STAGE so that no file of an earlier install is left.
file(REMOVE_RECURSE ${ROOT})
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD} --prefix ${ROOT}/usr
                OUTPUT_VARIABLE output ERROR_VARIABLE output RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  string(REPLACE "\n" "; " output "${output}")
  message(FATAL_ERROR "output: cmake --install ${BUILD} fails: ${output}")
endif()
