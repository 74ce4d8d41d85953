#!/usr/bin/env bash
# Runs every libFuzzer harness for SECONDS seconds each (default 30).
#   tests/fuzz/run.sh [SECONDS] [HARNESS...]
# Builds the fuzzing folder with clang when needed (OVK_FUZZ_BUILD, default
# build-fuzz in the project), makes the seed corpus once, and keeps each
# harness's growing corpus under build-fuzz/corpus/. Fails when any harness
# reports a crash, leak, timeout or out-of-memory; the reproducer is left in
# build-fuzz/artifacts/.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
seconds=${1:-30}
shift || true
build=${OVK_FUZZ_BUILD:-$root/build-fuzz}
jobs=${OVK_FUZZ_JOBS:-2}

cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCMAKE_CXX_COMPILER=clang++ -DOVK_FUZZ=ON -DOVK_BUILD_UI=OFF -DOVK_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" --target fuzzers -j "$jobs"
# Our own archives join the seeds when the command-line program builds.
cmake --build "$build" --target ovk -j "$jobs" >/dev/null 2>&1 || echo "(ovk not built: seeds without it)"

seeds=$build/seeds
if [[ ! -d $seeds/archives || $root/tests/fuzz/make_seeds.py -nt $seeds/archives ]]; then
  ASAN_OPTIONS=detect_leaks=0 python3 "$root/tests/fuzz/make_seeds.py" "$seeds" --ovk "$build/ovk"
fi

harnesses=("$@")
if ((${#harnesses[@]} == 0)); then
  harnesses=(fuzz_list fuzz_extract fuzz_delete fuzz_add fuzz_decode fuzz_libarchive)
fi

# The harnesses create and remove files for every input: a memory file system
# when there is one.
if [[ -z ${TMPDIR:-} && -d /dev/shm && -w /dev/shm ]]; then
  export TMPDIR=/dev/shm
fi
export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
failed=()
total=0
for h in "${harnesses[@]}"; do
  kind=archives
  [[ $h == fuzz_decode ]] && kind=payloads
  corpus=$build/corpus/$h
  mkdir -p "$corpus" "$build/artifacts"
  log=$build/artifacts/$h.log
  echo "== $h: ${seconds}s"
  if "$build/tests/fuzz/$h" "$corpus" "$seeds/$kind" -dict="$root/tests/fuzz/archive.dict" \
       -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=10 -max_len=65536 \
       -print_final_stats=1 -artifact_prefix="$build/artifacts/$h-" >"$log" 2>&1; then
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    echo "   ok: ${runs:-?} inputs, corpus $(ls "$corpus" | wc -l) files"
    total=$((total + ${runs:-0}))
  else
    echo "   FAILED (log: $log)"
    grep -E "^(==[0-9]+==ERROR|SUMMARY|FINDING|artifact_prefix|Test unit written)" "$log" | head -20 || true
    failed+=("$h")
  fi
done
echo "inputs tried: $total"
if ((${#failed[@]})); then
  echo "failing harnesses: ${failed[*]}"
  exit 1
fi
