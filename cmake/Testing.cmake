# GoogleTest for both builds, and Wine as the runner of the Windows test programs.
include(CTest)

if(CMAKE_CROSSCOMPILING)
  # Debian ships GoogleTest's sources; build them with the cross toolchain.
  set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
  set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
  add_subdirectory(/usr/src/googletest ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL SYSTEM)
  # GoogleTest 1.11 and later define the GTest:: names themselves.
  if(NOT TARGET GTest::gtest)
    add_library(GTest::gtest ALIAS gtest)
    add_library(GTest::gtest_main ALIAS gtest_main)
  endif()

  find_program(WINE64 wine64 PATHS /usr/lib/wine NO_DEFAULT_PATH REQUIRED)
  find_program(WINESERVER wineserver PATHS /usr/lib/wine NO_DEFAULT_PATH REQUIRED)
  # Wine's prefix and home live in the build tree, never in the user's $HOME. No Mono or Gecko:
  # their installers would ask on screen.
  set(KESTRANE_WINE_ENV
      WINEPREFIX=${CMAKE_BINARY_DIR}/wine/prefix
      HOME=${CMAKE_BINARY_DIR}/wine/home
      WINEDEBUG=-all
      "WINEDLLOVERRIDES=mscoree,mshtml=")
  set(KESTRANE_WINE_SCRIPT ${CMAKE_SOURCE_DIR}/cmake/wine-server.sh)
  set(CMAKE_CROSSCOMPILING_EMULATOR
      env ${KESTRANE_WINE_ENV} /bin/sh ${KESTRANE_WINE_SCRIPT} run ${WINE64} ${WINESERVER})

  # One persistent wineserver for the whole run (see wine-server.sh); a fresh prefix takes a
  # while, hence the generous limit on the setup.
  add_test(NAME wine_start COMMAND /bin/sh ${KESTRANE_WINE_SCRIPT} start ${WINE64} ${WINESERVER})
  add_test(NAME wine_stop COMMAND /bin/sh ${KESTRANE_WINE_SCRIPT} stop ${WINE64} ${WINESERVER})
  set_tests_properties(wine_start PROPERTIES FIXTURES_SETUP wine TIMEOUT 290
                       ENVIRONMENT "${KESTRANE_WINE_ENV}")
  set_tests_properties(wine_stop PROPERTIES FIXTURES_CLEANUP wine TIMEOUT 60
                       ENVIRONMENT "${KESTRANE_WINE_ENV}")
else()
  find_package(GTest REQUIRED)
endif()

include(GoogleTest)

# kestrane_test(NAME SOURCES... [LIBS lib...]): one GoogleTest program. Natively each test case
# is its own CTest test; under Wine the program runs as one test, since discovering cases would
# start Wine at build time.
function(kestrane_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES} ${ARG_UNPARSED_ARGUMENTS})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} kestrane_testing GTest::gtest_main)
  if(CMAKE_CROSSCOMPILING)
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES FIXTURES_REQUIRED wine)
  else()
    gtest_discover_tests(${name} DISCOVERY_TIMEOUT 60 TEST_PREFIX "${name}.")
  endif()
endfunction()
