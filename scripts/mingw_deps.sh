#!/usr/bin/env bash
# Cross-builds the libraries of the Windows build with MinGW-w64 from Debian's
# source packages into .deps/mingw (git-ignored; each library is reused once
# built): Lua 5.1 and luabind as DLLs, libzip as a DLL with zlib linked in,
# spdlog as a DLL over header-only fmt, GoogleTest and Google Benchmark as
# static libraries. Boost is Debian's headers, linked into the prefix.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
prefix="${TICKBASE_MINGW_PREFIX:-$root/.deps/mingw}"
triple=x86_64-w64-mingw32
jobs=${TICKBASE_JOBS:-$(nproc)}
# shellcheck source=debian_source.sh
source "$root/scripts/debian_source.sh"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$prefix/bin" "$prefix/lib/pkgconfig" "$prefix/include"

# The file whose presence shows that a library is built.
lua_done="$prefix/lib/liblua51.dll.a"
luabind_done="$prefix/lib/libluabind09.dll.a"
libzip_done="$prefix/lib/pkgconfig/libzip.pc"
spdlog_done="$prefix/lib/libspdlog.dll.a"
googletest_done="$prefix/lib/libgtest.a"
benchmark_done="$prefix/lib/libbenchmark.a"

# cross_cmake NAME SOURCE [CMAKE ARGS...]: configures, builds and installs
# one CMake project for the target into the prefix.
cross_cmake() {
  local name=$1 src=$2
  shift 2
  cmake -S "$src" -B "$work/build-$name" -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-w64.cmake" -DTICKBASE_MINGW_PREFIX="$prefix" \
    -DCMAKE_INSTALL_PREFIX="$prefix" "$@" >/dev/null
  cmake --build "$work/build-$name" -j "$jobs" >/dev/null
  cmake --install "$work/build-$name" >/dev/null
  echo "mingw_deps: built $name"
}

build_lua() {
  [ -f "$lua_done" ] && return 0
  local src
  src=$(unpack_debian_source "$work" lua5.1)
  # C99 printf keeps number texts ("inf", "nan", exponents) as on Linux.
  (cd "$src/src" &&
    $triple-gcc-posix -O2 -Wall -DLUA_BUILD_AS_DLL -D__USE_MINGW_ANSI_STDIO=1 -shared \
      -o "$prefix/bin/lua51.dll" $(ls l*.c | grep -v -x -e lua.c -e luac.c) \
      -Wl,--out-implib,"$prefix/lib/liblua51.dll.a")
  cp "$src"/src/{lua.h,luaconf.h,lualib.h,lauxlib.h} "$src/etc/lua.hpp" "$prefix/include/"
  cat > "$prefix/lib/pkgconfig/lua5.1.pc" <<EOF
prefix=$prefix
Name: Lua
Description: Lua 5.1 for Windows
Version: 5.1.5
Libs: -L\${prefix}/lib -llua51
Cflags: -I\${prefix}/include
EOF
  echo "mingw_deps: built lua5.1"
}

build_luabind() {
  [ -f "$luabind_done" ] && return 0
  cross_cmake luabind "$(unpack_debian_source "$work" luabind)" \
    -DLUABIND_LUA_VERSION=51 -DLUABIND_DYNAMIC_LINK=ON -DBUILD_TESTING=OFF
}

build_libzip() {
  [ -f "$libzip_done" ] && return 0
  # zlib from Debian's MinGW package, linked into the DLL.
  cross_cmake libzip "$(unpack_debian_source "$work" libzip)" -DBUILD_SHARED_LIBS=ON \
    -DZLIB_INCLUDE_DIR=/usr/$triple/include -DZLIB_LIBRARY=/usr/$triple/lib/libz.a \
    -DENABLE_BZIP2=OFF -DENABLE_LZMA=OFF -DENABLE_ZSTD=OFF -DENABLE_COMMONCRYPTO=OFF \
    -DENABLE_GNUTLS=OFF -DENABLE_MBEDTLS=OFF -DENABLE_OPENSSL=OFF -DENABLE_WINDOWS_CRYPTO=OFF \
    -DBUILD_TOOLS=OFF -DBUILD_REGRESS=OFF -DBUILD_EXAMPLES=OFF -DBUILD_DOC=OFF
}

# One spdlog DLL holds the one logger registry that the library and its host
# share; header-only copies would give each module a registry of its own.
build_spdlog() {
  [ -f "$spdlog_done" ] && return 0
  cross_cmake fmt "$(unpack_debian_source "$work" fmtlib)" -DFMT_TEST=OFF -DFMT_DOC=OFF
  cross_cmake spdlog "$(unpack_debian_source "$work" spdlog)" -DSPDLOG_BUILD_SHARED=ON \
    -DSPDLOG_FMT_EXTERNAL_HO=ON -DSPDLOG_BUILD_EXAMPLE=OFF -DSPDLOG_BUILD_TESTS=OFF
}

build_googletest() {
  [ -f "$googletest_done" ] && return 0
  cross_cmake googletest /usr/src/googletest -DBUILD_GMOCK=ON
}

build_benchmark() {
  [ -f "$benchmark_done" ] && return 0
  cross_cmake benchmark "$(unpack_debian_source "$work" benchmark)" \
    -DBENCHMARK_ENABLE_TESTING=OFF -DBENCHMARK_ENABLE_GTEST_TESTS=OFF -DBENCHMARK_ENABLE_WERROR=OFF
}

# Source packages of what is still to build (GoogleTest's source is installed).
missing=()
[ -f "$lua_done" ] || missing+=(lua5.1)
[ -f "$luabind_done" ] || missing+=(luabind)
[ -f "$libzip_done" ] || missing+=(libzip)
[ -f "$spdlog_done" ] || missing+=(fmtlib spdlog)
[ -f "$benchmark_done" ] || missing+=(benchmark)
[ ${#missing[@]} -eq 0 ] || fetch_debian_source "$work" "${missing[@]}"

ln -sfn /usr/include/boost "$prefix/include/boost"
build_lua
build_luabind
build_libzip
build_spdlog
build_googletest
build_benchmark
echo "mingw_deps: Windows libraries ready in $prefix"
