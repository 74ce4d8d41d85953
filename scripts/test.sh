#!/usr/bin/env bash
# Installs what is missing, builds, and runs the whole test suite: a normal
# build, an AddressSanitizer + UndefinedBehaviorSanitizer build, and a short
# run of every fuzzing harness (FUZZ_SECONDS each, default 30).
set -euo pipefail
cd "$(dirname "$0")/.."

# No container branch may sit outside the format folders; instant, so first.
seam=$(bash scripts/check-seam.sh)
printf '%s\n' "$seam"
case "$(printf '%s\n' "$seam" | tail -n 1)" in
  "0 "*) ;;
  *) echo "container branches outside the format folders" >&2; exit 1 ;;
esac

bash scripts/install-deps.sh --test

jobs=$(nproc)
run_suite() {
  local dir=$1; shift
  cmake -S . -B "$dir" -G Ninja "$@"
  cmake --build "$dir" -j "$jobs"
  # A suite that finds no test is a failure, never a pass.
  ctest --test-dir "$dir" --output-on-failure --no-tests=error -j "$jobs"
}

# The tests are switched on explicitly: the start-up script configures the
# same folder without them.
run_suite build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DOVK_BUILD_TESTS=ON
ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
LSAN_OPTIONS=suppressions=$PWD/tests/lsan.supp \
  run_suite build-asan -DCMAKE_BUILD_TYPE=Debug -DOVK_SANITIZE=ON -DOVK_BUILD_TESTS=ON
bash tests/fuzz/run.sh "${FUZZ_SECONDS:-30}"
