#!/usr/bin/env bash
# Builds the fuzz targets (clang, libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs each for SECONDS (default 60) over its
# committed seeds, keeping what it finds in build-fuzz/tests/fuzz/found/.
# Prints each target's run count; stops at the first target that fails.
#   scripts/fuzz.sh [SECONDS] [TARGET...]
set -euo pipefail
root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
seconds=${1:-60}
shift || true
bash scripts/setup.sh >/dev/null
cmake -S . -B build-fuzz -DCMAKE_C_COMPILER=clang -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTICKBASE_SANITIZE=ON -DTICKBASE_FUZZ=ON \
  -DTICKBASE_BUILD_TESTS=OFF -DTICKBASE_BUILD_BENCH=OFF -DTICKBASE_BUILD_HOST=OFF \
  -DTICKBASE_INSTALL=OFF >/dev/null
cmake --build build-fuzz -j "$(nproc)" >/dev/null
targets=("$@")
if [ ${#targets[@]} -eq 0 ]; then
  targets=($(ls tests/fuzz/corpus))
fi
# Absolute paths: the targets work in a scratch folder of their own.
out="$root/build-fuzz/tests/fuzz"
for t in "${targets[@]}"; do
  found="$out/found/$t"
  mkdir -p "$found"
  log="$out/$t.log"
  if ! "$out/fuzz_$t" -max_total_time="$seconds" -timeout=10 -detect_leaks=0 -print_final_stats=1 \
      -artifact_prefix="$out/" "$found" "$root/tests/fuzz/corpus/$t" >"$log" 2>&1; then
    tail -n 40 "$log"
    echo "fuzz: $t FAILED (log: $log)"
    exit 1
  fi
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
  echo "fuzz: $t ${runs:-?} runs in ${seconds} s, corpus $(ls "$found" | wc -l) found + $(ls "tests/fuzz/corpus/$t" | wc -l) seeds"
done
