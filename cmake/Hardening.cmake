# Hardening of the programs, on by default: Kestrane reads names and text from the internet. A
# distribution that builds with its own flags (dpkg-buildflags' CPPFLAGS, CFLAGS, CXXFLAGS and
# LDFLAGS in the environment) keeps its choice wherever it made one; the rest is added here.
option(KESTRANE_HARDENING "Build with stack protector, fortified functions and full RELRO" ON)

# CMake reads CFLAGS, CXXFLAGS and LDFLAGS by itself, but not CPPFLAGS.
if(DEFINED ENV{CPPFLAGS})
  separate_arguments(kestrane_cppflags UNIX_COMMAND "$ENV{CPPFLAGS}")
  add_compile_options(${kestrane_cppflags})
endif()

if(NOT KESTRANE_HARDENING OR KESTRANE_FUZZ)
  return()
endif()

set(kestrane_given_flags
    "$ENV{CPPFLAGS} ${CMAKE_C_FLAGS} ${CMAKE_CXX_FLAGS} ${CMAKE_EXE_LINKER_FLAGS}")

# kestrane_harden(COMPILE|LINK PATTERN FLAG...): adds the flags unless the flags given already
# decide the feature PATTERN matches, either way: a second -D_FORTIFY_SOURCE would be an error
# under -Werror, and a distribution's -fno-stack-protector is meant.
function(kestrane_harden kind pattern)
  if(kestrane_given_flags MATCHES "${pattern}")
    return()
  endif()
  if(kind STREQUAL COMPILE)
    add_compile_options(${ARGN})
  else()
    add_link_options(${ARGN})
  endif()
endfunction()

kestrane_harden(COMPILE "-f(no-)?stack-protector" -fstack-protector-strong)
if(WIN32)
  # mingw's stack protector lives in libssp; the link's -static takes its archive, so the
  # programs still need no DLL of their own. ASLR (high-entropy too) and NX are binutils'
  # defaults; said here so that no default can change under us.
  kestrane_harden(LINK "-f(no-)?stack-protector" -fstack-protector-strong)
  add_link_options(-Wl,--dynamicbase -Wl,--high-entropy-va -Wl,--nxcompat)
  return()
endif()

include(CheckCXXSourceCompiles)
include(CheckCXXCompilerFlag)
# Level 3 needs glibc 2.34 and GCC 12 (or clang 9); level 2 otherwise.
set(CMAKE_REQUIRED_FLAGS "-O2 -U_FORTIFY_SOURCE -D_FORTIFY_SOURCE=3")
check_cxx_source_compiles("#include <cstdio>
#if !defined(__USE_FORTIFY_LEVEL) || __USE_FORTIFY_LEVEL < 3
#error level 3 not supported
#endif
int main() { return 0; }" KESTRANE_FORTIFY_3)
unset(CMAKE_REQUIRED_FLAGS)
if(KESTRANE_FORTIFY_3)
  set(fortify 3)
else()
  set(fortify 2)
endif()
# The checks need optimisation (glibc warns without it) and are at odds with the sanitizers,
# which replace the same functions. -U first: some compilers define a level of their own.
if(NOT CMAKE_CXX_FLAGS MATCHES "-fsanitize")
  set(optimised "$<NOT:$<CONFIG:Debug>>")
  kestrane_harden(COMPILE "_FORTIFY_SOURCE" "$<${optimised}:-U_FORTIFY_SOURCE>"
                  "$<${optimised}:-D_FORTIFY_SOURCE=${fortify}>")
endif()
kestrane_harden(COMPILE "-f(no-)?stack-clash-protection" -fstack-clash-protection)
check_cxx_compiler_flag(-fcf-protection KESTRANE_HAS_CF_PROTECTION)
if(KESTRANE_HAS_CF_PROTECTION)
  kestrane_harden(COMPILE "-fcf-protection" -fcf-protection)
endif()
kestrane_harden(COMPILE "format-security" -Wformat -Werror=format-security)
kestrane_harden(LINK "relro" -Wl,-z,relro)
kestrane_harden(LINK "-z,(now|lazy)" -Wl,-z,now)
include(CheckPIESupported)
check_pie_supported()
set(CMAKE_POSITION_INDEPENDENT_CODE ON)
