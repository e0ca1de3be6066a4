# THIRD-PARTY-NOTICES.txt in the build folder, for the builds whose programs carry third-party
# code statically (Windows, the browser): the linker writes a map of each program, and
# cmake/third-party-notices.sh turns what the maps name into the libraries' copyright texts.
# ravelle_third_party_notices(PREFIXES <prefixes built from Debian sources> TARGETS <programs>)
function(ravelle_third_party_notices)
  cmake_parse_arguments(PARSE_ARGV 0 arg "" "" "PREFIXES;TARGETS")
  set(notices ${PROJECT_BINARY_DIR}/THIRD-PARTY-NOTICES.txt)
  set(maps "")
  set(programs "")
  foreach(target IN LISTS arg_TARGETS)
    set(map ${PROJECT_BINARY_DIR}/${target}.map)
    target_link_options(${target} PRIVATE -Wl,-Map=${map})
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
