#!/usr/bin/env bash
# Installs what is needed, builds, and runs the whole test suite: the
# formatting and layer checks, the suite, the suite again with
# AddressSanitizer and UndefinedBehaviorSanitizer, and clang-tidy on the core.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${BUILD_DIR:-$root/build}"
"$root/scripts/install-deps.sh"
"$root/scripts/check-format.sh"
"$root/scripts/check-layers.sh"

BUILD_DIR="$build" "$root/scripts/build.sh"
(cd "$build" && ctest --output-on-failure -j "$(nproc)")

BUILD_DIR="$build-asan" SANITIZE=1 "$root/scripts/build.sh"
(cd "$build-asan" && ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
    UBSAN_OPTIONS=print_stacktrace=1 ctest --output-on-failure -j "$(nproc)" --timeout 900)

BUILD_DIR="$build" "$root/scripts/tidy.sh"
