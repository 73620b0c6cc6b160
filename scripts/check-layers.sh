#!/usr/bin/env bash
# Fails when a folder of src/ includes from a layer above it, when a tool
# includes more of the program than it may, or when a folder is unknown here.
# Layers, lowest first: base, errors, app, store, retrieval, ui.
set -euo pipefail
cd "$(dirname "$0")/.."
rank() { case "$1" in base) echo 0;; errors) echo 1;; app) echo 2;; store) echo 3;;
    retrieval) echo 4;; ui) echo 5;; *) echo -1;; esac; }
# The highest layer each tool may use: the simulator and the artwork stand
# apart from the program; the command-line tools have no windows.
ceiling() { case "$1" in marktsim|artwork) echo -1;; launcher) echo 2;; db) echo 3;;
    cli|einrichten) echo 4;; *) echo unknown;; esac; }
bad=0
complain() { echo "$1" >&2; bad=1; }
check() { # file, highest rank allowed
    while read -r to; do
        [ -d "src/$to" ] || continue
        [ "$(rank "$to")" -gt "$2" ] && complain "$1 bindet $to/ ein, eine Schicht darüber"
    done < <(grep -oE '^#include "[a-zA-Z_]+/' "$1" | sed -E 's/#include "//; s#/##' | sort -u)
    return 0
}
for d in src/*/; do
    d=$(basename "$d")
    [ "$(rank "$d")" -ge 0 ] || complain "src/$d/ ist keiner Schicht zugeordnet"
done
for d in tools/*/; do
    d=$(basename "$d")
    [ "$(ceiling "$d")" != unknown ] || complain "tools/$d/ ist keiner Schicht zugeordnet"
done
while read -r f; do
    check "$f" "$(rank "$(echo "$f" | cut -d/ -f2)")"
done < <(git ls-files 'src/*/*.cpp' 'src/*/*.h' 'src/*/*/*.cpp' 'src/*/*/*.h')
while read -r f; do
    c=$(ceiling "$(echo "$f" | cut -d/ -f2)")
    [ "$c" = unknown ] || check "$f" "$c"
done < <(git ls-files 'tools/*/*.cpp' 'tools/*/*.h')
[ "$bad" -eq 0 ] && echo "Schichten: in Ordnung"
exit "$bad"
