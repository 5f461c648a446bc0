# Read by CPack before each package (CPACK_PROJECT_CONFIG_FILE). The generators date what they
# pack from SOURCE_DATE_EPOCH: the source's time unless the caller set another.
if(NOT DEFINED ENV{SOURCE_DATE_EPOCH})
  set(ENV{SOURCE_DATE_EPOCH} "${CPACK_KESTRANE_SOURCE_DATE_EPOCH}")
endif()
