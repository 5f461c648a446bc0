# Run by CPack after it made its packages (CPACK_POST_BUILD_SCRIPTS), to mend what CMake 3.25's
# CPack does not make reproducible.
#
# CPack's -dbgsym package lists its files' checksums under the absolute paths of the build's
# staging folder: wrong for dpkg, and different in every folder. They are made relative, as in
# any package, and the package packed again in the same order.
foreach(package IN LISTS CPACK_PACKAGE_FILES)
  if(NOT package MATCHES "\\.ddeb$")
    continue()
  endif()
  set(parts "${package}.parts")
  file(REMOVE_RECURSE "${parts}")
  file(MAKE_DIRECTORY "${parts}/control")
  execute_process(COMMAND ar x "${package}" WORKING_DIRECTORY "${parts}" COMMAND_ERROR_IS_FATAL ANY)
  execute_process(COMMAND tar -xzf ../control.tar.gz WORKING_DIRECTORY "${parts}/control"
                  COMMAND_ERROR_IS_FATAL ANY)
  file(READ "${parts}/control/md5sums" sums)
  string(REGEX REPLACE "  /[^\n]*-dbgsym/" "  " sums "${sums}")
  file(WRITE "${parts}/control/md5sums" "${sums}")
  execute_process(COMMAND tar --mtime=@$ENV{SOURCE_DATE_EPOCH} --owner=0 --group=0 --numeric-owner
                          --format=gnu -czf ../control.tar.gz ./md5sums ./control
                  WORKING_DIRECTORY "${parts}/control" COMMAND_ERROR_IS_FATAL ANY)
  file(REMOVE "${package}")
  # D: members dated 0 and owned by 0, whoever packs them.
  execute_process(COMMAND ar qcD "${package}" debian-binary control.tar.gz data.tar.gz
                  WORKING_DIRECTORY "${parts}" COMMAND_ERROR_IS_FATAL ANY)
  file(REMOVE_RECURSE "${parts}")
endforeach()

# CPack's zip lists its members in the order the folder gave them, which differs between two
# folders holding the same files, and records each file's change and access times, which no one
# can set. Each zip is made again by Info-ZIP: members sorted by name, only their modification
# time (the source's, as a file date of UTC), no further attributes.
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
