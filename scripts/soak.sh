#!/usr/bin/env bash
# Runs the timer soak for DAYS simulated days (default 60): ticks on the
# injected clocks across the 2^32 ms wrap, every fire checked against a
# model, memory checked flat. Prints ticks, fires checked and memory.
#   scripts/soak.sh [DAYS] [TIMERS] [SEED]
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
days=${1:-60}
bash scripts/setup.sh >/dev/null
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)" --target timer_soak >/dev/null
exec build/tests/timer_soak "$((days * 24))" "${2:-100000}" "${3:-1}"
