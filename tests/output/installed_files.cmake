# cmake -DROOT=STAGE -DEXPECTED=LIST -P installed_files.cmake: STAGE/usr holds exactly the
# files and links LIST names, one a line relative to usr/.
file(GLOB_RECURSE installed LIST_DIRECTORIES false RELATIVE ${ROOT}/usr ${ROOT}/usr/*)
file(STRINGS ${EXPECTED} expected)
set(extra ${installed})
list(REMOVE_ITEM extra ${expected})
set(missing ${expected})
list(REMOVE_ITEM missing ${installed})
if(extra OR missing)
  list(JOIN extra " " extra)
  list(JOIN missing " " missing)
  message(FATAL_ERROR "output: the install holds files it should not (${extra}) or lacks some "
                      "(${missing})")
endif()
