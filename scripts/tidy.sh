#!/usr/bin/env bash
# clang-tidy (the checks of .clang-tidy: names and a small set of bug-prone ones) on every
# source file of src/, through the compile database of an existing build: nothing is built
# again. Any finding fails the run.
#
#   scripts/tidy.sh [BUILD_DIR]     (default: build, the default preset's)
# Environment: KPR_JOBS  files checked at the same time (default: 2)
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${1:-build}
if [ ! -f "$build_dir/compile_commands.json" ]; then
  echo "tidy.sh: no $build_dir/compile_commands.json; configure that build first" >&2
  exit 1
fi
# The files the database knows below src/, and the batch files of a unity build that include
# only such files (moc and other generated files live in the build and are left out), each
# checked as written: without a precompiled header, which is the compiler's own format and no
# use to clang-tidy's clang. What a batch includes is reported as its own file.
src="$(pwd)/src/"
db=$(mktemp -d)
trap 'rm -rf "$db"' EXIT
mapfile -t files < <(python3 - "$build_dir/compile_commands.json" "$src" "$db" <<'PY'
import json, re, sys
entries, seen = [], set()
def ours(path):
    if path.startswith(sys.argv[2]):
        return True
    if not re.search(r"/Unity/unity_\w+\.cxx$", path):
        return False
    parts = re.findall(r'^#include "([^"]+)"', open(path).read(), re.M)
    return bool(parts) and all(p.startswith(sys.argv[2]) for p in parts)
for e in json.load(open(sys.argv[1])):
    if e["file"] in seen or not ours(e["file"]):
        continue
    seen.add(e["file"])
    e["command"] = re.sub(r" -include \S*cmake_pch\.hxx| -Winvalid-pch", "", e["command"])
    entries.append(e)
    print(e["file"])
json.dump(entries, open(sys.argv[3] + "/compile_commands.json", "w"))
PY
)
echo "clang-tidy on ${#files[@]} files (or batches of files)"
log="$db/tidy.log"
if ! printf '%s\0' "${files[@]}" |
    xargs -0 -P "${KPR_JOBS:-2}" -n 1 clang-tidy -p "$db" --config-file=.clang-tidy --quiet >"$log" 2>&1; then
  grep -E '(warning|error):' "$log" | sort -u >&2 || cat "$log" >&2
  echo "tidy.sh: clang-tidy found the problems above" >&2
  exit 1
fi
