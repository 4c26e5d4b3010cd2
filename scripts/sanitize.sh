#!/usr/bin/env bash
# Builds everything with AddressSanitizer and UndefinedBehaviorSanitizer (the "asan" preset)
# and runs the whole unit, GUI and end-to-end suite under them. Any sanitizer report fails
# the test that triggered it, and so the run.
#
# Environment:
#   KPR_ASAN_BUILD_DIR  build directory (default: build-asan, the preset's own)
#   KPR_JOBS            parallel build and test jobs (default: 2)
#   KPR_CTEST_ARGS      extra ctest arguments, e.g. "-L unit" or "-R fault_matrix"
set -euo pipefail
cd "$(dirname "$0")/.."

build_dir=${KPR_ASAN_BUILD_DIR:-build-asan}
jobs=${KPR_JOBS:-2}

cmake --preset asan -B "$build_dir"
cmake --build "$build_dir" -j "$jobs"

# GUI tests draw offscreen. The sanitizers stop at the first fault with a stack trace;
# leak checking stays on (Qt's own one-off allocations at exit are suppressed below).
export QT_QPA_PLATFORM=offscreen
supp="$(pwd)/scripts/sanitize-leaks.supp"
export ASAN_OPTIONS="abort_on_error=1:detect_leaks=1:detect_stack_use_after_return=1:strict_init_order=1:check_initialization_order=1${ASAN_OPTIONS:+:$ASAN_OPTIONS}"
export LSAN_OPTIONS="suppressions=$supp:print_suppressions=0${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1${UBSAN_OPTIONS:+:$UBSAN_OPTIONS}"

# shellcheck disable=SC2086
ctest --test-dir "$build_dir" -j "$jobs" --output-on-failure --timeout 600 ${KPR_CTEST_ARGS:-}
