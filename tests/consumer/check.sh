#!/usr/bin/env bash
# Installs the build into a scratch prefix, builds and runs a consumer project
# against it with find_package(tickbase), then runs the installed host from
# another folder with no LD_LIBRARY_PATH: it must find its library and its
# bundled examples under the prefix.
set -euo pipefail
build=$1 work=$2
here=$(cd "$(dirname "$0")" && pwd)
rm -rf "$work"
cmake --install "$build" --prefix "$work/prefix" >/dev/null
cmake -S "$here" -B "$work/build" -DCMAKE_PREFIX_PATH="$work/prefix" >/dev/null
cmake --build "$work/build" >/dev/null
LD_LIBRARY_PATH="$work/prefix/lib" "$work/build/consumer"
host() { (cd / && env -u LD_LIBRARY_PATH "$work/prefix/bin/tickbase-host" "$@" 2>&1); }
out=$(host --help)
grep -qF "default: $work/prefix/share/tickbase/examples" <<<"$out" || { echo "$out"; exit 1; }
out=$(host --test tests) || { echo "$out"; exit 1; }
grep -q "3 tests, 3 passed" <<<"$out" || { echo "$out"; exit 1; }
