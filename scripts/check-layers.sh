#!/usr/bin/env bash
# Fails when a folder of src/ includes from a layer above it. Lowest first:
# base, errors, app, store, retrieval, ui.
set -euo pipefail
cd "$(dirname "$0")/.."
rank() { case "$1" in base) echo 0;; errors) echo 1;; app) echo 2;; store) echo 3;;
    retrieval) echo 4;; ui) echo 5;; *) echo 0;; esac; }
bad=0
while read -r f; do
    from=$(echo "$f" | cut -d/ -f2)
    while read -r to; do
        [ -d "src/$to" ] || continue
        if [ "$(rank "$to")" -gt "$(rank "$from")" ]; then
            echo "$f bindet $to/ ein, eine Schicht darüber" >&2
            bad=1
        fi
    done < <(grep -oE '^#include "[a-zA-Z_]+/' "$f" | sed -E 's/#include "//; s#/##' | sort -u)
done < <(git ls-files 'src/*/*.cpp' 'src/*/*.h' 'src/*/*/*.cpp' 'src/*/*/*.h')
[ "$bad" -eq 0 ] && echo "Schichten: in Ordnung"
exit "$bad"
