#!/usr/bin/env bash
# Every C++ file of the tree is formatted with the project's .clang-format; names the ones
# that are not (clang-format -i FILE puts one right).
set -euo pipefail
cd "$(dirname "$0")/.."
git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format --dry-run --Werror
