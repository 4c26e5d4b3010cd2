#!/usr/bin/env bash
# Builds everything with AddressSanitizer and UndefinedBehaviorSanitizer (the "asan" preset)
# and runs the whole unit, GUI and end-to-end suite under them; then builds kprtool, the
# simulator, the window and their tests with ThreadSanitizer (the "tsan" preset) and runs the
# window's, the end-to-end and the station tests under it. Any sanitizer report fails the test that triggered
# it, and so the run.
#
# Environment:
#   KPR_ASAN_BUILD_DIR  build directory (default: build-asan, the preset's own)
#   KPR_TSAN_BUILD_DIR  build directory of the ThreadSanitizer run (default: build-tsan)
#   KPR_JOBS            parallel build and test jobs (default: 2)
#   KPR_CTEST_ARGS      extra ctest arguments, e.g. "-L unit" or "-R FaultMatrix"
#   KPR_SANITIZERS      which runs: "asan tsan" (default), "asan" or "tsan"
#
# Arguments, for running the parts apart (.ci/run overlaps the suites with other work):
#   asan-build, asan-test, tsan-build, tsan-test   only those steps, in the order given
#   (none: every step of the runs KPR_SANITIZERS names).
set -euo pipefail
cd "$(dirname "$0")/.."

build_dir=${KPR_ASAN_BUILD_DIR:-build-asan}
jobs=${KPR_JOBS:-2}
sanitizers=${KPR_SANITIZERS:-asan tsan}
# GUI tests draw offscreen.
export QT_QPA_PLATFORM=offscreen

asan_build() {
    cmake --preset asan -B "$build_dir"
    cmake --build "$build_dir" -j "$jobs"
}

asan_test() {
    # The sanitizers stop at the first fault with a stack trace;
    # leak checking stays on (Qt's own one-off allocations at exit are suppressed below).
    supp="$(pwd)/scripts/sanitize-leaks.supp"
    export ASAN_OPTIONS="abort_on_error=1:detect_leaks=1:detect_stack_use_after_return=1:strict_init_order=1:check_initialization_order=1${ASAN_OPTIONS:+:$ASAN_OPTIONS}"
    export LSAN_OPTIONS="suppressions=$supp:print_suppressions=0${LSAN_OPTIONS:+:$LSAN_OPTIONS}"
    export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1${UBSAN_OPTIONS:+:$UBSAN_OPTIONS}"

    # shellcheck disable=SC2086
    ctest --test-dir "$build_dir" -j "$jobs" --output-on-failure --timeout 600 ${KPR_CTEST_ARGS:-}
}

tsan_dir=${KPR_TSAN_BUILD_DIR:-build-tsan}
tsan_build() {
    # What the threaded tests need: kprtool, the simulator, the window's tests, the
    # end-to-end tests and the station's. Qt is not built with ThreadSanitizer: its locks and
    # atomics are invisible to it, so what Qt's own code reads, writes, allocates and frees is
    # not checked (ignore_noninstrumented_modules); every access of ours is. Our hand-overs
    # between threads therefore go through locks ThreadSanitizer sees (ui/thread_mailbox.h),
    # never through a Qt wait alone.
    cmake --preset tsan -B "$tsan_dir"
    mapfile -t tsan_targets < <(ninja -C "$tsan_dir" -t targets all |
        sed -n 's/^\(kprtool\|kpr-board-sim\|test_e2e_[a-z0-9_]*\|test_gui_[a-z0-9_]*\|test_station\): .*/\1/p' |
        sort -u)
    cmake --build "$tsan_dir" -j "$jobs" --target "${tsan_targets[@]}"
}

tsan_test() {
    tsan_supp="$(pwd)/scripts/sanitize-threads.supp"
    export TSAN_OPTIONS="halt_on_error=1:second_deadlock_stack=1:ignore_noninstrumented_modules=1:suppressions=$tsan_supp${TSAN_OPTIONS:+:$TSAN_OPTIONS}"
    "$tsan_dir/tests/unit/station/test_station"
    # shellcheck disable=SC2086
    ctest --test-dir "$tsan_dir" -L 'e2e|gui' -j "$jobs" --output-on-failure \
        --timeout 600 ${KPR_CTEST_ARGS:-}
}

steps=("$@")
if [ ${#steps[@]} -eq 0 ]; then
    [[ " $sanitizers " == *" asan "* ]] && steps+=(asan-build asan-test)
    [[ " $sanitizers " == *" tsan "* ]] && steps+=(tsan-build tsan-test)
fi
for step in "${steps[@]}"; do
    case $step in
    asan-build | asan-test | tsan-build | tsan-test) "${step/-/_}" ;;
    *)
        echo "sanitize.sh: unknown step $step (asan-build, asan-test, tsan-build, tsan-test)" >&2
        exit 2
        ;;
    esac
done
