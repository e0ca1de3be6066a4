# THIRD-PARTY-NOTICES.txt in the build folder, for the builds whose programs carry third-party
# code statically (Windows, the browser): the linker writes a map of each program (or, for
# WebAssembly, the list of the files it took in), and
# cmake/third-party-notices.sh turns what the maps name into the libraries' copyright texts.
# ravelle_third_party_notices(PREFIXES <prefixes built from Debian sources> TARGETS <programs>)
function(ravelle_third_party_notices)
  cmake_parse_arguments(PARSE_ARGV 0 arg "" "" "PREFIXES;TARGETS")
  set(notices ${PROJECT_BINARY_DIR}/THIRD-PARTY-NOTICES.txt)
  set(maps "")
  set(programs "")
  foreach(target IN LISTS arg_TARGETS)
    set(map ${PROJECT_BINARY_DIR}/${target}.map)
    if(EMSCRIPTEN)
      # emcc drops -Map (and every option starting with M); wasm-ld prints --trace instead.
      target_link_options(${target} PRIVATE -Wl,--trace)
      set_property(TARGET ${target} PROPERTY RULE_LAUNCH_LINK
                                             "${PROJECT_SOURCE_DIR}/cmake/link-map-from-stdout.sh ${map}")
    else()
      target_link_options(${target} PRIVATE -Wl,-Map=${map})
    endif()
    set_property(TARGET ${target} APPEND PROPERTY ADDITIONAL_CLEAN_FILES ${map})
    list(APPEND maps ${map})
    list(APPEND programs $<TARGET_FILE:${target}>)
  endforeach()
  string(REPLACE ";" "\\;" prefixes "${arg_PREFIXES}")
  add_custom_command(
    OUTPUT ${notices}
    COMMAND ${PROJECT_SOURCE_DIR}/cmake/third-party-notices.sh ${notices} ${PROJECT_BINARY_DIR}
            "${prefixes}" ${maps}
    DEPENDS ${programs} ${arg_TARGETS} ${PROJECT_SOURCE_DIR}/cmake/third-party-notices.sh
    COMMENT "Writing the third-party notices of ${arg_TARGETS}"
    VERBATIM)
  add_custom_target(ravelle-notices ALL DEPENDS ${notices})
endfunction()
