#!/usr/bin/env bash
# Fails when a source file differs from what the repository's .clang-format makes of it.
set -euo pipefail
cd "$(dirname "$0")/.."
git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format --dry-run --Werror
echo "Formatierung: in Ordnung"
