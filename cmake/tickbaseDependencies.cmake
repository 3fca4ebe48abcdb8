# Finds what tickbase builds on. luabind comes from scripts/setup.sh, which
# builds Debian's luabind source against Lua 5.1 into .deps/luabind and
# against LuaJIT into .deps/luabind-luajit; a Windows cross build
# (cmake/mingw-w64.cmake) finds everything in the prefix that
# scripts/mingw_deps.sh fills.
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
if(NOT WIN32)
  find_package(OpenSSL REQUIRED COMPONENTS Crypto)  # MD5; Windows has BCrypt
endif()

if(TICKBASE_MINGW_PREFIX)
  set(luabind_prefix "${TICKBASE_MINGW_PREFIX}")  # scripts/mingw_deps.sh
else()
  set(luabind_prefix "${PROJECT_SOURCE_DIR}/.deps/${luabind_dir}")
endif()
set(TICKBASE_LUABIND_PREFIX "${luabind_prefix}"
    CACHE PATH "Where scripts/setup.sh installed luabind")
find_library(TICKBASE_LUABIND_LIBRARY NAMES luabind09 luabind
             PATHS "${TICKBASE_LUABIND_PREFIX}/lib" NO_DEFAULT_PATH REQUIRED)
set(TICKBASE_LUABIND_INCLUDE_DIR "${TICKBASE_LUABIND_PREFIX}/include")
if(NOT EXISTS "${TICKBASE_LUABIND_INCLUDE_DIR}/luabind/luabind.hpp")
  message(FATAL_ERROR "luabind not found in ${TICKBASE_LUABIND_PREFIX}: run scripts/setup.sh")
endif()

if(WIN32 AND TICKBASE_MINGW_PREFIX)
  # Programs find their DLLs beside them: the cross-built libraries and the
  # compiler's runtime go next to the build's programs.
  file(GLOB runtime_dlls "${TICKBASE_MINGW_PREFIX}/bin/*.dll")
  foreach(dll libstdc++-6.dll libgcc_s_seh-1.dll libwinpthread-1.dll)
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=${dll}
                    OUTPUT_VARIABLE path OUTPUT_STRIP_TRAILING_WHITESPACE)
    list(APPEND runtime_dlls "${path}")
  endforeach()
  file(COPY ${runtime_dlls} DESTINATION "${CMAKE_RUNTIME_OUTPUT_DIRECTORY}")
endif()
