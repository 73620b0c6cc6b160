#!/usr/bin/env bash
# Installs what is needed, builds, and starts Notenschau from its program folder.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh"
program="${BUILD_DIR:-$root/build}/programm/notenschau"
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "Kein Bildschirm gefunden (weder DISPLAY noch WAYLAND_DISPLAY ist gesetzt)." >&2
    echo "Starten Sie Notenschau in einem virtuellen Bildschirm:" >&2
    echo "    xvfb-run -a -s '-screen 0 1600x1000x24' bash scripts/start.sh" >&2
    exit 2
fi
exec "$program"
