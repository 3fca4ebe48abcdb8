#!/usr/bin/env bash
# Installs dependencies, builds everything and runs all tests: once in a
# normal build, once on LuaJIT, once under AddressSanitizer and
# UndefinedBehaviorSanitizer, then each fuzz target briefly over its seeds
# (clang, libFuzzer), and once cross-built for Windows under Wine.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
bash scripts/setup.sh
jobs=$(nproc)

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$jobs"
ctest --test-dir build --output-on-failure -j "$jobs"

# Once more on LuaJIT, which offers the same Lua interface; without the
# benchmarks and the install check, which would add time, not coverage.
cmake -S . -B build-luajit -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTICKBASE_LUA=luajit \
  -DTICKBASE_BUILD_BENCH=OFF -DTICKBASE_INSTALL=OFF >/dev/null
cmake --build build-luajit -j "$jobs"
ctest --test-dir build-luajit --output-on-failure -j "$jobs"

cmake -S . -B build-sanitize -DCMAKE_BUILD_TYPE=Debug -DTICKBASE_SANITIZE=ON \
  -DTICKBASE_BUILD_BENCH=OFF -DTICKBASE_INSTALL=OFF >/dev/null
cmake --build build-sanitize -j "$jobs"
ctest --test-dir build-sanitize --output-on-failure -j "$jobs"

cmake -S . -B build-fuzz -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTICKBASE_SANITIZE=ON -DTICKBASE_FUZZ=ON \
  -DTICKBASE_BUILD_TESTS=OFF -DTICKBASE_BUILD_BENCH=OFF -DTICKBASE_BUILD_HOST=OFF \
  -DTICKBASE_INSTALL=OFF >/dev/null
cmake --build build-fuzz -j "$jobs"
ctest --test-dir build-fuzz --output-on-failure -j "$jobs"

# A Wine prefix of the build's own, kept between runs; one server for the
# whole run rather than one per test program.
export WINEPREFIX="$root/build-mingw/wine" WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="
cmake -S . -B build-mingw -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64.cmake \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTICKBASE_BUILD_BENCH=OFF -DTICKBASE_INSTALL=OFF >/dev/null
cmake --build build-mingw -j "$jobs"
mkdir -p "$WINEPREFIX"
wineserver -p >/dev/null 2>&1 || true  # one may be running already
trap 'wineserver -k || true' EXIT
# Set the prefix up before the tests: the services it starts would
# otherwise inherit, and hold open, the output pipe of the first test.
wineboot --init >/dev/null 2>&1
ctest --test-dir build-mingw --output-on-failure -j "$jobs"
