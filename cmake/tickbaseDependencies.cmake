# Finds what tickbase builds on. luabind comes from scripts/setup.sh, which
# builds Debian's luabind source against Lua 5.1 into .deps/luabind.
find_package(PkgConfig REQUIRED)
pkg_check_modules(LUA51 REQUIRED IMPORTED_TARGET GLOBAL lua5.1)
find_package(Boost 1.74 REQUIRED)
find_package(spdlog REQUIRED)
# Debian's libzip CMake package names tools that are not installed.
pkg_check_modules(LIBZIP REQUIRED IMPORTED_TARGET GLOBAL libzip)
find_package(OpenSSL REQUIRED COMPONENTS Crypto)

set(TICKBASE_LUABIND_PREFIX "${PROJECT_SOURCE_DIR}/.deps/luabind"
    CACHE PATH "Where scripts/setup.sh installed luabind")
find_library(TICKBASE_LUABIND_LIBRARY NAMES luabind09 luabind
             PATHS "${TICKBASE_LUABIND_PREFIX}/lib" NO_DEFAULT_PATH REQUIRED)
set(TICKBASE_LUABIND_INCLUDE_DIR "${TICKBASE_LUABIND_PREFIX}/include")
if(NOT EXISTS "${TICKBASE_LUABIND_INCLUDE_DIR}/luabind/luabind.hpp")
  message(FATAL_ERROR "luabind not found in ${TICKBASE_LUABIND_PREFIX}: run scripts/setup.sh")
endif()
