# Cross-builds for 64-bit Windows with Debian's MinGW-w64 (posix thread model).
#   cmake -S . -B build-mingw -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake
# The libraries come from TICKBASE_MINGW_PREFIX (default .deps/mingw, built by
# scripts/mingw_deps.sh). Test programs run through wine64 when it is installed.
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86_64)

set(TICKBASE_MINGW_TRIPLE x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${TICKBASE_MINGW_TRIPLE}-gcc-posix)
set(CMAKE_CXX_COMPILER ${TICKBASE_MINGW_TRIPLE}-g++-posix)
set(CMAKE_RC_COMPILER ${TICKBASE_MINGW_TRIPLE}-windres)

if(NOT TICKBASE_MINGW_PREFIX)
  get_filename_component(TICKBASE_MINGW_PREFIX "${CMAKE_CURRENT_LIST_DIR}/../.deps/mingw" ABSOLUTE)
endif()
# Try-compile projects read the toolchain file again and need the same prefix.
list(APPEND CMAKE_TRY_COMPILE_PLATFORM_VARIABLES TICKBASE_MINGW_PREFIX)

set(CMAKE_FIND_ROOT_PATH /usr/${TICKBASE_MINGW_TRIPLE} "${TICKBASE_MINGW_PREFIX}")
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# pkg-config sees only the cross prefix, never the build machine's libraries.
set(ENV{PKG_CONFIG_LIBDIR} "${TICKBASE_MINGW_PREFIX}/lib/pkgconfig")
set(ENV{PKG_CONFIG_PATH} "")

# Debian keeps wine64 out of PATH, behind its wine wrapper.
find_program(TICKBASE_WINE NAMES wine64 wine PATHS /usr/lib/wine)
if(TICKBASE_WINE)
  set(CMAKE_CROSSCOMPILING_EMULATOR "${CMAKE_CURRENT_LIST_DIR}/wine-console.sh;${TICKBASE_WINE}")
endif()
