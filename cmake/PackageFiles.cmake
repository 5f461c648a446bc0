# Run by CPack on the staged files before it packs them (CPACK_PRE_BUILD_SCRIPTS): the same
# bytes from every build of one commit.
set(stage "${CPACK_TEMPORARY_INSTALL_DIRECTORY}")
if(NOT IS_DIRECTORY "${stage}")
  message(FATAL_ERROR "no staged files at '${stage}'")
endif()
file(GLOB_RECURSE files LIST_DIRECTORIES true "${stage}/*")

# Linux programs: the compiler's and the C library's version notes in .comment are of no use to
# anyone running them (lintian asks for them to go). The debug information stays for CPack to
# move into the -dbgsym package.
if(CPACK_KESTRANE_OBJCOPY)
  foreach(file IN LISTS files)
    if(NOT IS_DIRECTORY "${file}" AND NOT IS_SYMLINK "${file}")
      file(READ "${file}" magic LIMIT 4 HEX)
      if(magic STREQUAL "7f454c46")
        execute_process(COMMAND "${CPACK_KESTRANE_OBJCOPY}" --remove-section=.comment "${file}"
                        COMMAND_ERROR_IS_FATAL ANY)
      endif()
    endif()
  endforeach()
endif()

# Every file and folder dated to the source's time, not to the build's: the zip records them.
# (The Debian generator dates its members itself from SOURCE_DATE_EPOCH.)
execute_process(COMMAND touch -h -d "@${CPACK_KESTRANE_SOURCE_DATE_EPOCH}" "${stage}" ${files}
                COMMAND_ERROR_IS_FATAL ANY)
