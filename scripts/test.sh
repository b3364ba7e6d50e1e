#!/bin/bash
# Installs what is missing, builds every configuration and runs every test:
# the plain build, ASan+UBSan, ThreadSanitizer on the threaded suites, and
# each fuzz target for a bounded time.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh --test
jobs=$(nproc)
fuzz_seconds=${ZAVRIX_FUZZ_SECONDS:-30}

build() { # dir, cmake options...
  local dir=$1; shift
  cmake -S . -B "$dir" "$@" >/dev/null
  cmake --build "$dir" -j"$jobs"
}

build build-test -DCMAKE_BUILD_TYPE=RelWithDebInfo
build build-asan -DCMAKE_BUILD_TYPE=Debug -DZAVRIX_SANITIZE=address,undefined
build build-tsan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DZAVRIX_SANITIZE=thread
CC=clang CXX=clang++ build build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DZAVRIX_SANITIZE=address,undefined -DZAVRIX_FUZZ=ON -DZAVRIX_TESTS=OFF

export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1

status=0
echo "== fuzz targets (${fuzz_seconds}s each)"
for f in build-fuzz/fuzz/fuzz_*; do
  [ -x "$f" ] || continue
  corpus=$(mktemp -d)
  seeds="fuzz/corpus/$(basename "$f")"
  [ -d "$seeds" ] && cp -r "$seeds"/. "$corpus"/
  if "$f" -max_total_time="$fuzz_seconds" -rss_limit_mb=2048 "$corpus" >"$corpus.log" 2>&1; then
    echo "$(basename "$f"): $(grep -c . "$corpus.log") log lines, no finding"
  else
    echo "$(basename "$f"): FINDING"; tail -50 "$corpus.log"; status=1
  fi
  rm -rf "$corpus" "$corpus.log"
done

echo "== ThreadSanitizer: threaded suites"
ctest --test-dir build-tsan -R 'Threaded\.' -j"$jobs" --output-on-failure --no-tests=ignore || status=1
echo "== ASan+UBSan: all tests"
ctest --test-dir build-asan -j"$jobs" --output-on-failure || status=1
echo "== all tests"
ctest --test-dir build-test -j"$jobs" --output-on-failure || status=1
exit $status
