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
  list(POP_BACK RAVELLE_MISSING last)
  set(what ${last})
  if(RAVELLE_MISSING)
    list(JOIN RAVELLE_MISSING ", " others)
    set(what "${others} and ${last}")
  endif()
  list(REMOVE_DUPLICATES RAVELLE_MISSING_PACKAGES)
  list(JOIN RAVELLE_MISSING_PACKAGES " " packages)
  set(${variable} "ravelle: ${part} ${what}: apt install ${packages}, or configure with ${switch}"
      PARENT_SCOPE)
endfunction()
