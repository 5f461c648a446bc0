# Reproducible builds: one commit built in any folder at any time gives the same bytes, so anyone
# can check a published package against the source (scripts/check-reproducible.sh).
#
# The one time a build records, wherever a format wants one: SOURCE_DATE_EPOCH when the
# environment sets it, else the time of the last commit, else the release date.
if(DEFINED ENV{SOURCE_DATE_EPOCH})
  set(KESTRANE_SOURCE_DATE_EPOCH $ENV{SOURCE_DATE_EPOCH})
else()
  execute_process(COMMAND git -C ${PROJECT_SOURCE_DIR} log -1 --format=%ct
                  OUTPUT_VARIABLE KESTRANE_SOURCE_DATE_EPOCH OUTPUT_STRIP_TRAILING_WHITESPACE
                  RESULT_VARIABLE git_status ERROR_QUIET)
  if(NOT git_status EQUAL 0 OR NOT KESTRANE_SOURCE_DATE_EPOCH MATCHES "^[0-9]+$")
    execute_process(COMMAND date -u -d "${KESTRANE_RELEASE_DATE} 12:00" +%s
                    OUTPUT_VARIABLE KESTRANE_SOURCE_DATE_EPOCH OUTPUT_STRIP_TRAILING_WHITESPACE)
  endif()
endif()

# No folder of the build machine in the programs (debug information, __FILE__). The build
# folder is named second: GCC tries the last mapping first, and it may lie inside the sources.
add_compile_options(-ffile-prefix-map=${PROJECT_SOURCE_DIR}=.
                    -ffile-prefix-map=${PROJECT_BINARY_DIR}=build)
if(WIN32)
  # The PE header's time stamp would otherwise be the link's time.
  add_link_options(-Wl,--no-insert-timestamp)
endif()
