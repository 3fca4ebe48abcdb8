#!/usr/bin/env bash
# Installs what the build, tests and benchmarks need, then builds luabind 0.9.1
# against Lua 5.1 into .deps/luabind and against LuaJIT into
# .deps/luabind-luajit, and the Windows build's libraries into .deps/mingw
# (all git-ignored; reused once built).
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
prefix="$root/.deps/luabind"
luajit_prefix="$root/.deps/luabind-luajit"
# shellcheck source=debian_source.sh
source "$root/scripts/debian_source.sh"

packages=(
  build-essential cmake pkg-config xz-utils bzip2
  liblua5.1-0-dev libluajit-5.1-dev libboost-dev libzip-dev libssl-dev libspdlog-dev
  libgtest-dev libgmock-dev libbenchmark-dev libedit-dev
  clang libclang-rt-dev
  # The Windows build (scripts/mingw_deps.sh) and Wine to test it.
  g++-mingw-w64-x86-64-posix libz-mingw-w64-dev wine wine64
)

install_packages() {
  local missing=()
  for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  [ ${#missing[@]} -eq 0 ] && return 0
  if [ "$(id -u)" -ne 0 ]; then
    echo "Missing packages. Run as root:"
    echo "  apt-get update && apt-get install -y ${missing[*]}"
    exit 1
  fi
  apt-get update
  DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${missing[@]}"
}

built() { [ -f "$1/lib/libluabind.a" ] || [ -f "$1/lib/libluabind09.a" ]; }

# build_luabind <source> <prefix> [cmake options]: luabind for Lua 5.1 unless
# the options point it at another implementation of the same interface.
build_luabind() {
  local src=$1 into=$2
  shift 2
  built "$into" && return 0
  cmake -S "$src" -B "$src/build-$(basename "$into")" -DCMAKE_BUILD_TYPE=Release \
    -DLUABIND_LUA_VERSION=51 -DBUILD_SHARED_LIBS=OFF \
    -DCMAKE_POSITION_INDEPENDENT_CODE=ON -DCMAKE_INSTALL_PREFIX="$into" \
    -DBUILD_TESTING=OFF "$@" >/dev/null
  cmake --build "$src/build-$(basename "$into")" --target luabind -j "$(nproc)"
  cmake --install "$src/build-$(basename "$into")"
}

build_luabinds() {
  if built "$prefix" && built "$luajit_prefix"; then
    return 0
  fi
  local work
  work=$(mktemp -d)
  trap 'rm -rf "$work"' RETURN
  # Debian's binary luabind targets Lua 5.2: build its source against 5.1.
  fetch_debian_source "$work" luabind
  local src
  src=$(unpack_debian_source "$work" luabind)
  build_luabind "$src" "$prefix"
  # LuaJIT keeps the Lua 5.1 interface: the same build, its headers and library.
  build_luabind "$src" "$luajit_prefix" \
    -DLUA_INCLUDE_DIR="$(pkg-config --variable=includedir luajit)" \
    -DLUA_LIBRARY="$(pkg-config --variable=libdir luajit)/libluajit-5.1.so"
}

install_packages
build_luabinds
bash "$root/scripts/mingw_deps.sh"
echo "setup: dependencies ready (luabind in $prefix and $luajit_prefix)"
