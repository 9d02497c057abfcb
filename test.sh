#!/usr/bin/env bash
# Sets everything up, builds, and runs the whole test suite offscreen, each test on a private
# session bus of its own. Then the same suite built with AddressSanitizer and
# UndefinedBehaviorSanitizer (./build-asan), and every fuzz target for a short while after its
# seed inputs (./build-fuzz). `./test.sh --quick` stops after the first suite.
set -euo pipefail
cd "$(dirname "$0")"
started=$SECONDS
stage() { echo "== $1 ($((SECONDS - started)) s in)"; }

SLEEVELIGHT_CMAKE_ARGS="${SLEEVELIGHT_CMAKE_ARGS:-} -DSLEEVELIGHT_WERROR=${CI:+ON}" ./scripts/setup.sh
stage "test suite"
(cd build && QT_QPA_PLATFORM=offscreen ctest --output-on-failure -j"$(nproc)")
if [ "${1:-}" = "--quick" ]; then
  exit 0
fi

stage "test suite with AddressSanitizer and UndefinedBehaviorSanitizer"
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSLEEVELIGHT_SANITIZE=ON >/dev/null
cmake --build build-asan -j"$(nproc)"
# LeakSanitizer runs at every test's exit; no library under Qt has needed a suppression so far.
export ASAN_OPTIONS="detect_leaks=1:detect_stack_use_after_return=1:strict_string_checks=1"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
# The flood's ten thousand track changes run in the suite above; here a fifth of them is enough to
# find what is used after it is freed.
(cd build-asan && QT_QPA_PLATFORM=offscreen SLEEVELIGHT_SOAK_CHANGES=2000 ctest --output-on-failure -j"$(nproc)")

stage "fuzz targets"
cmake -S . -B build-fuzz -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSLEEVELIGHT_FUZZ=ON \
  -DSLEEVELIGHT_BUILD_TESTS=OFF >/dev/null
cmake --build build-fuzz -j"$(nproc)" --target sleevelight_fuzzers
seconds="${SLEEVELIGHT_FUZZ_SECONDS:-20}"
targets=(fuzz_metadata fuzz_mpdanswer fuzz_requesthead fuzz_dataurl fuzz_picture fuzz_settings fuzz_versionpage)
for target in "${targets[@]}"; do
  # New inputs go to the build folder; the committed seeds are only read.
  mkdir -p "build-fuzz/corpus/$target" build-fuzz/artifacts
  echo "-- $target: the seeds, then ${seconds} s of fuzzing"
  # A bus of its own: the metadata target reads its input back through QtDBus. Files go to memory.
  log="build-fuzz/$target.log"
  if ! TMPDIR=/dev/shm QT_QPA_PLATFORM=offscreen dbus-run-session -- "build-fuzz/fuzz/$target" \
    -max_total_time="$seconds" -timeout=30 -rss_limit_mb=4096 -print_final_stats=1 \
    -artifact_prefix="build-fuzz/artifacts/$target-" "build-fuzz/corpus/$target" "fuzz/corpus/$target" \
    >"$log" 2>&1; then
    tail -n 80 "$log" >&2
    echo "$target failed; the input that did it is in build-fuzz/artifacts/" >&2
    exit 1
  fi
  grep -E '^#[0-9]+[[:space:]]+(INITED|DONE)|^stat::number_of_executed_units' "$log" || true
done
echo "fuzz: ${#targets[@]} passed, 0 failed"
stage "done"
