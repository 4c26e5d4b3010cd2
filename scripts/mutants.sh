#!/usr/bin/env bash
# Fault-finding power of the test suite: plants each fault of scripts/mutants.list into src/,
# one at a time, builds, runs the whole suite and puts the source back. A fault is KILLED when
# some test fails, SURVIVED when the whole suite passes with it in place. A fault that does not
# build is a mistake of the list (INVALID), not a kill.
#
#   scripts/mutants.sh                 every fault (after a clean run of the suite as a baseline)
#   scripts/mutants.sh --only A,B      only the faults with these ids
#   scripts/mutants.sh --list          print the faults
#   scripts/mutants.sh --check         check that every fault applies (its text found exactly
#                                      once), without building
#   --no-baseline                      skip the clean run before the faults
#
# Environment: KPR_MUTANTS_BUILD_DIR (default build-mutants), KPR_MUTANTS_TEST_TIMEOUT (seconds
# per test, default 300), KPR_MUTANTS_JOBS (build and test jobs, default 2).
# Exit status: 0 every fault killed, 1 a fault survived or did not build, 2 usage or setup error.
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
list="$root/scripts/mutants.list"
build=${KPR_MUTANTS_BUILD_DIR:-$root/build-mutants}
[[ $build = /* ]] || build="$root/$build"
test_timeout=${KPR_MUTANTS_TEST_TIMEOUT:-300}
jobs=${KPR_MUTANTS_JOBS:-2}

mode=run
only=""
baseline=1
while (($#)); do
    case $1 in
    --list) mode=list ;;
    --check) mode=check ;;
    --only)
        [[ $# -ge 2 ]] || { echo "--only needs ID[,ID...]" >&2; exit 2; }
        only=$2
        shift
        ;;
    --only=*) only=${1#--only=} ;;
    --no-baseline) baseline=0 ;;
    -h | --help)
        sed -n '2,19p' "$0" | sed 's/^# \{0,1\}//'
        exit 0
        ;;
    *) echo "unknown option: $1 (see --help)" >&2; exit 2 ;;
    esac
    shift
done

# The list's reader: parses the records, checks them and plants one.
read -r -d '' LIST_TOOL <<'PY' || true
import os, sys

def decode(s):
    out, i = [], 0
    while i < len(s):
        if s[i] == "\\" and i + 1 < len(s) and s[i + 1] in "n\\":
            out.append("\n" if s[i + 1] == "n" else "\\")
            i += 2
        else:
            out.append(s[i])
            i += 1
    return "".join(out)

def records(path):
    recs, cur = [], {}
    with open(path, encoding="utf-8") as f:
        for n, line in enumerate(f, 1):
            line = line.rstrip("\n")
            if line.startswith("#"):
                continue
            if not line.strip():
                if cur:
                    recs.append(cur)
                    cur = {}
                continue
            key, sep, value = line.partition(":")
            if not sep or key not in ("id", "file", "from", "to", "why"):
                sys.exit(f"{path}:{n}: not a 'key: value' line of a fault: {line!r}")
            if key in cur:
                sys.exit(f"{path}:{n}: {key} given twice in one fault")
            cur[key] = value[1:] if value.startswith(" ") else value
            cur.setdefault("line", n)
    if cur:
        recs.append(cur)
    return recs

def problems(root, r):
    out = []
    for key in ("id", "file", "from", "to", "why"):
        if key not in r:
            out.append(f"no '{key}:'")
    if out:
        return out
    path = os.path.join(root, r["file"])
    if not r["file"].startswith("src/"):
        out.append("the file is not under src/")
    if not os.path.isfile(path):
        return out + [f"no such file {r['file']}"]
    text = open(path, encoding="utf-8").read()
    old, new = decode(r["from"]), decode(r["to"])
    n = text.count(old) if old else 0
    if n != 1:
        out.append(f"the text to replace occurs {n} times in {r['file']} (must be exactly once)")
    if old == new:
        out.append("replacement equals the original")
    return out

def layer(r):
    parts = r["file"].split("/")
    return parts[1] if len(parts) > 2 else "?"

cmd, root, path = sys.argv[1], sys.argv[2], sys.argv[3]
recs = records(path)
ids = [r.get("id", "") for r in recs]
dupes = sorted({i for i in ids if ids.count(i) > 1})
if dupes:
    sys.exit(f"{path}: ids given more than once: {', '.join(dupes)}")
by_id = {r["id"]: r for r in recs if "id" in r}

if cmd == "list":
    for r in recs:
        print(f"{r['id']:<26} {layer(r):<9} {r['file']:<36} {r['why']}")
elif cmd == "check":
    bad = 0
    for r in recs:
        for p in problems(root, r):
            print(f"INVALID {r.get('id', '?')} ({path}:{r['line']}): {p}")
            bad += 1
    layers = sorted({layer(r) for r in recs})
    print(f"{len(recs)} faults in {len(layers)} layers ({', '.join(layers)}); "
          f"{'all apply' if not bad else str(bad) + ' problem(s)'}")
    sys.exit(1 if bad else 0)
elif cmd == "ids":
    wanted = [i for i in sys.argv[4].split(",") if i] if len(sys.argv) > 4 else []
    unknown = [i for i in wanted if i not in by_id]
    if unknown:
        sys.exit(f"unknown fault id(s): {', '.join(unknown)} (see --list)")
    for i in ids:
        if not wanted or i in wanted:
            print(i)
elif cmd == "file":
    print(by_id[sys.argv[4]]["file"])
elif cmd == "layer":
    print(layer(by_id[sys.argv[4]]))
elif cmd == "apply":
    r = by_id[sys.argv[4]]
    p = problems(root, r)
    if p:
        sys.exit(f"{r['id']}: " + "; ".join(p))
    target = os.path.join(root, r["file"])
    text = open(target, encoding="utf-8").read()
    with open(target, "w", encoding="utf-8") as f:
        f.write(text.replace(decode(r["from"]), decode(r["to"]), 1))
else:
    sys.exit(f"unknown command {cmd}")
PY

tool() { python3 -c "$LIST_TOOL" "$1" "$root" "$list" "${@:2}"; }

case $mode in
list) tool list; exit 0 ;;
check) tool check; exit $? ;;
esac

tool check >/dev/null || { tool check; exit 2; }
ids_text=$(tool ids "$only") || exit 2
mapfile -t ids <<<"$ids_text"

# The source file a fault is in is copied aside before it is touched and copied back on any
# way out (end, error, Ctrl-C). The copy gets a new time stamp, so the next build compiles the
# file again instead of keeping the faulty object.
saved_dir=$(mktemp -d)
planted=""
restore() {
    if [[ -n $planted ]]; then
        cat "$saved_dir/original" >"$root/$planted"
        planted=""
    fi
}
trap 'restore; rm -rf "$saved_dir"' EXIT
trap 'echo; echo "interrupted: source restored" >&2; exit 130' INT TERM

# Configured like the default preset, but for speed: no debug info, no benchmarks, lld when it
# is there (ccache is picked up by the project itself).
linker=()
if command -v ld.lld >/dev/null 2>&1; then
    linker=(-DCMAKE_EXE_LINKER_FLAGS=-fuse-ld=lld -DCMAKE_SHARED_LINKER_FLAGS=-fuse-ld=lld
        -DCMAKE_MODULE_LINKER_FLAGS=-fuse-ld=lld)
fi
logs="$build/mutants"
mkdir -p "$logs"
# File by file: a fault then recompiles its one file, not the batch of twelve it would share
# in a unity build (about 20 s a fault against 27 s, most of it relinking and the suite).
cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DKPR_BUILD_BENCH=OFF \
    -DKPR_BUILD_FUZZ=OFF -DKPR_UNITY=OFF "${linker[@]}" >"$logs/configure.log" 2>&1 ||
    { cat "$logs/configure.log" >&2; exit 2; }
report="$logs/report.txt"
: >"$report"

export QT_QPA_PLATFORM=offscreen

# Runs the whole suite, the quick unit tests first so that a fault they catch ends the run
# early; prints the first test that failed. Status 0 = every test passed.
run_suite() {
    local log=$1 first
    if ctest --test-dir "$build" -j "$jobs" --stop-on-failure --timeout "$test_timeout" \
        --no-tests=error -L '^unit$' >"$log" 2>&1 &&
        ctest --test-dir "$build" -j "$jobs" --stop-on-failure --timeout "$test_timeout" \
            --no-tests=error -LE '^unit$' >>"$log" 2>&1; then
        return 0
    fi
    first=$(grep -m1 -E '\*\*\*(Failed|Timeout|Exception)|\(Failed\)|\(Timeout\)|Not Run|Subprocess aborted|SegFault|Child aborted' "$log" |
        sed -E 's/.*Test +#[0-9]+: ([^ ]+).*/\1/') || true
    echo "${first:-unknown (see $log)}"
    return 1
}

if ((baseline)); then
    t0=$SECONDS
    if ! ninja -C "$build" -j "$jobs" >"$logs/baseline-build.log" 2>&1; then
        echo "baseline: the unchanged source does not build (see $logs/baseline-build.log)" >&2
        exit 2
    fi
    if failed=$(run_suite "$logs/baseline-test.log"); then
        echo "baseline: suite passes without faults ($((SECONDS - t0)) s)"
    else
        echo "baseline: the suite fails WITHOUT any fault ($failed); every fault would count as killed" >&2
        exit 2
    fi
fi

killed=0 survived=() invalid=()
start=$SECONDS
for id in "${ids[@]}"; do
    t0=$SECONDS
    file=$(tool file "$id")
    layer=$(tool layer "$id")
    cp "$root/$file" "$saved_dir/original"
    planted=$file
    tool apply "$id"
    if ! ninja -C "$build" -j "$jobs" >"$logs/$id.build.log" 2>&1; then
        restore
        result=INVALID detail="does not build (see $logs/$id.build.log)"
        invalid+=("$id")
    elif failed=$(run_suite "$logs/$id.test.log"); then
        restore
        result=SURVIVED detail="whole suite passed"
        survived+=("$id")
    else
        restore
        result=KILLED detail=$failed
        killed=$((killed + 1))
    fi
    line=$(printf '%-26s %-9s %-8s %-44s %4d s' "$id" "$layer" "$result" "$detail" $((SECONDS - t0)))
    echo "$line"
    echo "$line" >>"$report"
done

echo "killed ${killed} of ${#ids[@]} in $((SECONDS - start)) s" | tee -a "$report"
((${#survived[@]} == 0)) || echo "survived: ${survived[*]}" | tee -a "$report"
((${#invalid[@]} == 0)) || echo "invalid (do not build): ${invalid[*]}" | tee -a "$report"
((${#survived[@]} == 0 && ${#invalid[@]} == 0))
