# Shared by both toolchain files: compilers, search roots and the Wine emulator for tests.
set(CMAKE_C_COMPILER ${MINGW_PREFIX}-gcc-posix)
set(CMAKE_CXX_COMPILER ${MINGW_PREFIX}-g++-posix)
set(CMAKE_RC_COMPILER ${MINGW_PREFIX}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
# Tests run the x86_64 build through Wine; the i686 build is compiled and linked only.
if(CMAKE_SYSTEM_PROCESSOR STREQUAL "x86_64")
  set(CMAKE_CROSSCOMPILING_EMULATOR ${CMAKE_CURRENT_LIST_DIR}/../scripts/wine-run.sh)
endif()
# A compiler cache, when the machine has one, lets several checkouts share their builds.
find_program(ZEL_CCACHE ccache)
if(ZEL_CCACHE)
  set(CMAKE_C_COMPILER_LAUNCHER ${ZEL_CCACHE})
  set(CMAKE_CXX_COMPILER_LAUNCHER ${ZEL_CCACHE})
endif()
