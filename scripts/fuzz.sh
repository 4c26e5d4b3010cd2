#!/usr/bin/env bash
# Builds every libFuzzer target (inside the "asan" preset's clang sanitizer build) and fuzzes each for a bounded
# time from its seed corpus in fuzz/corpus/<target>/ (plus fuzz/regressions/<target>/, the
# inputs of faults found and fixed, when present). Any crash, sanitizer report, leak or
# input slower than the per-input limit fails the run; the input is kept as
# <build>/fuzz/crash-<target>-* for reproducing: <build>/fuzz/<target> <that file>.
#
# Environment:
#   KPR_FUZZ_SECONDS    seconds per target (default: 60)
#   KPR_FUZZ_JOBS       targets fuzzed at the same time (default: 2)
#   KPR_FUZZ_TARGETS    space-separated subset of targets (default: all)
#   KPR_FUZZ_BUILD_DIR  build directory (default: build-asan, the sanitizer build's own)
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${KPR_FUZZ_SECONDS:-60}
jobs=${KPR_FUZZ_JOBS:-2}
build_dir=${KPR_FUZZ_BUILD_DIR:-build-asan}

cmake --preset asan -B "$build_dir" -DKPR_FUZZ_SECONDS="$seconds" >/dev/null
if [ -n "${KPR_FUZZ_TARGETS:-}" ]; then
  read -r -a targets <<<"$KPR_FUZZ_TARGETS"
else
  mapfile -t targets < <(ninja -C "$build_dir" -t targets all |
    sed -n 's/^\(fuzz_[A-Za-z0-9_]*\): .*/\1/p' | sort -u)
fi
if [ ${#targets[@]} -eq 0 ]; then
  echo "fuzz.sh: no fuzz targets found" >&2
  exit 1
fi
cmake --build "$build_dir" -j 2 --target "${targets[@]}"

logs="$build_dir/fuzz/logs"
mkdir -p "$logs"

# fuzz_one TARGET: runs one target; its output goes to $logs/TARGET.log.
fuzz_one() {
  local t=$1 work="$build_dir/fuzz/corpus/$1" dirs=()
  mkdir -p "$work"
  dirs+=("$work" "fuzz/corpus/$t")
  [ -d "fuzz/regressions/$t" ] && dirs+=("fuzz/regressions/$t")
  local opts=(-max_total_time="$seconds" -timeout=25 -rss_limit_mb=2560 -print_final_stats=1
              -artifact_prefix="$build_dir/fuzz/crash-$t-")
  [ -f "fuzz/$t.dict" ] && opts+=(-dict="fuzz/$t.dict")
  "$build_dir/fuzz/$t" "${opts[@]}" "${dirs[@]}" >"$logs/$t.log" 2>&1
}

failed=()
running=()
names=()
for t in "${targets[@]}"; do
  echo "fuzzing $t for ${seconds} s"
  fuzz_one "$t" &
  running+=($!)
  names+=("$t")
  if [ ${#running[@]} -ge "$jobs" ]; then
    if ! wait "${running[0]}"; then failed+=("${names[0]}"); fi
    running=("${running[@]:1}")
    names=("${names[@]:1}")
  fi
done
for i in "${!running[@]}"; do
  if ! wait "${running[$i]}"; then failed+=("${names[$i]}"); fi
done

for t in "${targets[@]}"; do
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$logs/$t.log" | tail -1)
  echo "$t: ${runs:-?} inputs run"
done
if [ ${#failed[@]} -gt 0 ]; then
  for t in "${failed[@]}"; do
    echo "=== $t FAILED; the end of its log ($logs/$t.log): ===" >&2
    tail -n 60 "$logs/$t.log" >&2
  done
  exit 1
fi
echo "fuzz.sh: every target ran ${seconds} s without a fault"
