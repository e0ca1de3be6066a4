# Packs a release zip (the Windows programs, the page) whose bytes depend on the source alone:
# every entry carries the same time, fixed permissions, in sorted order, with no extra
# attributes (zip -X) and no folder entries (-D).
#   cmake -DARCHIVE=ZIP -DTOP=FOLDER -DFILES=FILE;... -P pack-zip.cmake
# puts each of FILES into FOLDER under its own name, then replaces ZIP. The time is
# SOURCE_DATE_EPOCH when set, else the last commit's; outside a git checkout (a source archive)
# it is the present time, said on stderr, since the archive's bytes then differ from one build
# to the next.
cmake_minimum_required(VERSION 3.25)
set(stage ${ARCHIVE}.stage)
file(REMOVE_RECURSE ${stage} ${ARCHIVE})
file(MAKE_DIRECTORY ${stage}/${TOP})
foreach(file IN LISTS FILES)
  if(NOT IS_ABSOLUTE "${file}" OR NOT EXISTS "${file}")
    message(FATAL_ERROR "pack-zip: ${file}, meant for ${ARCHIVE}, is not there (or not an absolute path)")
  endif()
  get_filename_component(name ${file} NAME)
  file(COPY_FILE ${file} ${stage}/${TOP}/${name})
endforeach()

if(NOT "$ENV{SOURCE_DATE_EPOCH}" STREQUAL "")
  set(epoch $ENV{SOURCE_DATE_EPOCH})
else()
  execute_process(COMMAND git log -1 --format=%ct RESULT_VARIABLE failed OUTPUT_VARIABLE epoch
                  OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
  if(failed OR epoch STREQUAL "")
    message(NOTICE "pack-zip: not a git checkout and no SOURCE_DATE_EPOCH: ${ARCHIVE} dated now")
    string(TIMESTAMP epoch "%s" UTC)
  endif()
endif()
file(GLOB names RELATIVE ${stage} ${stage}/${TOP}/*)
list(SORT names)
list(JOIN names "\n" list)
file(WRITE ${stage}.list "${TOP}\n${list}\n")
file(CHMOD ${stage}/${TOP} PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ
           GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
list(TRANSFORM names PREPEND ${stage}/ OUTPUT_VARIABLE paths)
file(CHMOD ${paths} PERMISSIONS OWNER_READ OWNER_WRITE GROUP_READ WORLD_READ)
set(ENV{TZ} UTC)
execute_process(COMMAND find ${TOP} -exec touch -h -d @${epoch} {} + WORKING_DIRECTORY ${stage}
                COMMAND_ERROR_IS_FATAL ANY)
execute_process(COMMAND zip -q -X -D -@ ${ARCHIVE} INPUT_FILE ${stage}.list
                WORKING_DIRECTORY ${stage} COMMAND_ERROR_IS_FATAL ANY)
file(REMOVE_RECURSE ${stage} ${stage}.list)
file(SIZE ${ARCHIVE} size)
message("   ${ARCHIVE}: ${size} bytes")
