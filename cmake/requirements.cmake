# What the parts of the build that are asked for (the tests, the benchmark) need beyond the
# program's own libraries. Each part looks for all of it quietly, then, if anything is missing,
# stops with one line naming what is missing, the Debian packages that provide it and the
# switch that leaves the part out: a packager should not have to read CMake's search paths to
# learn that a test library is absent.
#
#   ravelle_require_package(WHAT DEBIAN_PACKAGE PACKAGE [find_package arguments...])
#   ravelle_require_program(VARIABLE WHAT DEBIAN_PACKAGE PROGRAM_NAME)
#   ravelle_require(WHAT DEBIAN_PACKAGE FOUND_VARIABLE)     for anything looked for otherwise
#   ravelle_missing_line(LINE "the tests need" -DBUILD_TESTING=OFF)
#   if(LINE)
#     message(FATAL_ERROR " ${LINE}")   # the leading space keeps CMake from wrapping the line
#   endif()
#   ravelle_test_tier(SWITCH DESCRIPTION)  for a tier of tests: sets SWITCH_ENABLED, and adds
#                                          to RAVELLE_TIER_ERRORS what stops the configure
#
# The part stops itself, so that CMake's error names its file and no call stack follows.
# Macros, so that what find_package and find_program set stays in the caller's scope.

macro(ravelle_require what debian_package found_variable)
  if(NOT ${found_variable})
    list(APPEND RAVELLE_MISSING "${what}")
    list(APPEND RAVELLE_MISSING_PACKAGES ${debian_package})
  endif()
endmacro()

macro(ravelle_require_package what debian_package package)
  find_package(${package} ${ARGN} QUIET)
  ravelle_require("${what}" ${debian_package} ${package}_FOUND)
endmacro()

macro(ravelle_require_program variable what debian_package program)
  find_program(${variable} ${program})
  ravelle_require("${what}" ${debian_package} ${variable})
endmacro()

# Sets VARIABLE to the line naming everything missing, or to nothing.
function(ravelle_missing_line variable part switch)
  set(${variable} "" PARENT_SCOPE)
  if(NOT RAVELLE_MISSING)
    return()
  endif()
  ravelle_missing_words(what packages)
  set(${variable} "ravelle: ${part} ${what}: apt install ${packages}, or configure with ${switch}"
      PARENT_SCOPE)
endfunction()

# ravelle_test_tier(SWITCH DESCRIPTION): whether the tier of tests that SWITCH (ON, AUTO or OFF)
# turns on is built, in SWITCH_ENABLED, given what the ravelle_require* calls since the last
# tier found missing. AUTO leaves the tier out and says which packages would add it; ON adds
# the line naming what is missing to RAVELLE_TIER_ERRORS, for the caller to stop on, as does
# a value that is none of the three.
macro(ravelle_test_tier switch description)
  set(${switch}_ENABLED FALSE)
  if(NOT ${switch} MATCHES "^(ON|AUTO|OFF)$")
    list(APPEND RAVELLE_TIER_ERRORS "ravelle: ${switch} is \"${${switch}}\": say ON, AUTO or OFF")
  elseif(${switch} STREQUAL "ON")
    ravelle_missing_line(_ravelle_line "${description} need" -D${switch}=OFF)
    if(_ravelle_line)
      list(APPEND RAVELLE_TIER_ERRORS "${_ravelle_line}")
    else()
      set(${switch}_ENABLED TRUE)
    endif()
  elseif(${switch} STREQUAL "AUTO")
    if(RAVELLE_MISSING)
      ravelle_missing_words(_ravelle_what _ravelle_packages)
      message(STATUS "ravelle: ${description} are left out: they need ${_ravelle_what} "
                     "(apt install ${_ravelle_packages})")
    else()
      set(${switch}_ENABLED TRUE)
    endif()
  endif()
  unset(RAVELLE_MISSING)
  unset(RAVELLE_MISSING_PACKAGES)
endmacro()

# Sets WHAT to the missing things in words ("a, b and c") and PACKAGES to their packages.
function(ravelle_missing_words what_variable packages_variable)
  list(POP_BACK RAVELLE_MISSING last)
  set(what ${last})
  if(RAVELLE_MISSING)
    list(JOIN RAVELLE_MISSING ", " others)
    set(what "${others} and ${last}")
  endif()
  list(REMOVE_DUPLICATES RAVELLE_MISSING_PACKAGES)
  list(JOIN RAVELLE_MISSING_PACKAGES " " packages)
  set(${what_variable} "${what}" PARENT_SCOPE)
  set(${packages_variable} "${packages}" PARENT_SCOPE)
endfunction()
