#!/usr/bin/env bash
# Installs what is missing, builds, and starts the program with a simulated board.
# `run.sh 4`: four simulated boards and the sample order (docs/examples/order.csv) as the job
# "order" in a demo ledger of its own (build/demo/ledger.sqlite), made when it is not there.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh >/dev/null
cmake --preset default >/dev/null
cmake --build --preset default
if [ "${1:-}" != 4 ]; then
  exec ./build/src/ui/kpr-programmer --simulate "$@"
fi

demo=build/demo
ledger=$demo/ledger.sqlite
kprtool=./build/src/cli/kprtool
mkdir -p "$demo"
# A finished demo starts again from an empty ledger: its pagers hold the order's capcodes.
if "$kprtool" job list --ledger "$ledger" 2>/dev/null | awk -F'\t' '$1 == "order" { split($3, v, "/"); done = v[1] == v[2] } END { exit !done }'; then
  rm -f "$ledger"
fi
if ! "$kprtool" job list --ledger "$ledger" 2>/dev/null | grep '^order	' >/dev/null; then
  rm -f "$ledger"
  "$kprtool" default "$demo/base.tbl" >/dev/null
  "$kprtool" job import docs/examples/order.csv --table "$demo/base.tbl" --name order \
    --label "St. Mary's Hospital" --ledger "$ledger"
fi
echo "Sample order: Pager > Jobs..., choose \"order\", Run on Station..., Start" \
  "(ledger $ledger; kprtool job report order -o note.pdf --ledger $ledger writes its note)."
shift
exec ./build/src/ui/kpr-programmer --simulate 4 --ledger "$ledger" "$@"
