#!/usr/bin/env bash
# Installs dependencies, builds the host and runs it on the bundled examples.
# Arguments are passed to the host (see tickbase-host --help).
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
bash scripts/setup.sh >/dev/null
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)" --target tickbase-host >/dev/null
exec build/host/tickbase-host "$@"
