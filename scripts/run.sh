#!/usr/bin/env bash
# Installs dependencies, builds the host and runs it on the bundled examples.
# Every argument is passed to the host (see tickbase-host --help). Build
# progress goes to standard error; the first build takes a few minutes.
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
bash scripts/setup.sh >&2
[ -x build/host/tickbase-host ] || echo "run.sh: first build of tickbase-host, this takes a few minutes" >&2
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)" --target tickbase-host >&2
exec build/host/tickbase-host "$@"
