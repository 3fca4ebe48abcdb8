# Finds what tickbase builds on. luabind comes from scripts/setup.sh, which
# builds Debian's luabind source against Lua 5.1 into .deps/luabind and
# against LuaJIT into .deps/luabind-luajit.
find_package(PkgConfig REQUIRED)
# The Lua 5.1 interface comes from Lua itself or from LuaJIT; either way the
# target is PkgConfig::LUA51.
set(TICKBASE_LUA "lua5.1" CACHE STRING "Lua engine: lua5.1 or luajit")
set_property(CACHE TICKBASE_LUA PROPERTY STRINGS lua5.1 luajit)
if(TICKBASE_LUA STREQUAL "lua5.1")
  set(TICKBASE_LUA_MODULE lua5.1)
  set(luabind_dir luabind)
elseif(TICKBASE_LUA STREQUAL "luajit")
  set(TICKBASE_LUA_MODULE luajit)
  set(luabind_dir luabind-luajit)
else()
  message(FATAL_ERROR "TICKBASE_LUA is lua5.1 or luajit, not ${TICKBASE_LUA}")
endif()
pkg_check_modules(LUA51 REQUIRED IMPORTED_TARGET GLOBAL ${TICKBASE_LUA_MODULE})
find_package(Boost 1.74 REQUIRED)
find_package(spdlog REQUIRED)
# Debian's libzip CMake package names tools that are not installed.
pkg_check_modules(LIBZIP REQUIRED IMPORTED_TARGET GLOBAL libzip)
find_package(OpenSSL REQUIRED COMPONENTS Crypto)

set(TICKBASE_LUABIND_PREFIX "${PROJECT_SOURCE_DIR}/.deps/${luabind_dir}"
    CACHE PATH "Where scripts/setup.sh installed luabind")
find_library(TICKBASE_LUABIND_LIBRARY NAMES luabind09 luabind
             PATHS "${TICKBASE_LUABIND_PREFIX}/lib" NO_DEFAULT_PATH REQUIRED)
set(TICKBASE_LUABIND_INCLUDE_DIR "${TICKBASE_LUABIND_PREFIX}/include")
if(NOT EXISTS "${TICKBASE_LUABIND_INCLUDE_DIR}/luabind/luabind.hpp")
  message(FATAL_ERROR "luabind not found in ${TICKBASE_LUABIND_PREFIX}: run scripts/setup.sh")
endif()
