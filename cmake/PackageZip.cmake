# Run by CPack after it made its packages (CPACK_POST_BUILD_SCRIPTS). CPack's zip lists its
# members in the order the folder gave them, which differs between two folders holding the same
# files, and records each file's change and access times, which no one can set. Each zip is made
# again by Info-ZIP: members sorted by name, only their modification time (the source's, as a
# file date of UTC), no further attributes.
find_program(ZIP zip REQUIRED)
foreach(package IN LISTS CPACK_PACKAGE_FILES)
  if(NOT package MATCHES "\\.zip$")
    continue()
  endif()
  set(unpacked "${package}.members")
  file(REMOVE_RECURSE "${unpacked}")
  file(MAKE_DIRECTORY "${unpacked}")
  execute_process(COMMAND ${CMAKE_COMMAND} -E tar xf "${package}" WORKING_DIRECTORY "${unpacked}"
                  COMMAND_ERROR_IS_FATAL ANY)
  file(GLOB_RECURSE members RELATIVE "${unpacked}" "${unpacked}/*")
  list(SORT members)
  list(JOIN members "\n" member_list)
  file(WRITE "${unpacked}.list" "${member_list}\n")
  file(REMOVE "${package}")
  execute_process(COMMAND touch -d "@$ENV{SOURCE_DATE_EPOCH}" ${members}
                  WORKING_DIRECTORY "${unpacked}" COMMAND_ERROR_IS_FATAL ANY)
  execute_process(COMMAND ${CMAKE_COMMAND} -E env TZ=UTC ${ZIP} -X -D -q -9 "${package}" -@
                  INPUT_FILE "${unpacked}.list" WORKING_DIRECTORY "${unpacked}"
                  COMMAND_ERROR_IS_FATAL ANY)
  file(REMOVE_RECURSE "${unpacked}" "${unpacked}.list")
endforeach()
