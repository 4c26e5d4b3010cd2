#!/usr/bin/env bash
# Installs what is missing, builds, and starts the program with a simulated board.
set -euo pipefail
cd "$(dirname "$0")/.."
./scripts/setup.sh >/dev/null
cmake --preset default >/dev/null
cmake --build --preset default
exec ./build/src/ui/kpr-programmer --simulate "$@"
