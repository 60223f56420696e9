#!/usr/bin/env bash
# Formats every C++ file of the project as .clang-format says; `format.sh --check` changes
# nothing and fails, naming the files, when one is not formatted so.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh format
mapfile -t files < <(git ls-files '*.cpp' '*.h')
if [ "${1:-}" = --check ]; then
  clang-format --dry-run --Werror "${files[@]}"
else
  clang-format -i "${files[@]}"
fi
