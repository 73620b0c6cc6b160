#!/usr/bin/env bash
# Installs what is needed, builds, and starts Notenschau on a demo: a program
# folder with a fresh database and the marketplace simulator on loopback.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${BUILD_DIR:-$root/build}"
"$root/scripts/install-deps.sh"
"$root/scripts/build.sh"

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    echo "Kein Bildschirm gefunden (weder DISPLAY noch WAYLAND_DISPLAY ist gesetzt)." >&2
    echo "Starten Sie Notenschau in einem virtuellen Bildschirm:" >&2
    echo "    xvfb-run -a -s '-screen 0 1600x1000x24' bash scripts/start.sh" >&2
    exit 2
fi

# The demo's program folder: the program, its help and images, a fresh
# database and a configuration that points at the simulator, not signed in
# yet: the first start offers the sign-in.
demo="$build/demo"
rm -rf "$demo"
mkdir -p "$demo/Bin"
cp -r "$build/programm/." "$demo/"
# Protocols and configuration the build folder may hold are not the demo's.
rm -f "$demo/Bin/config.INI" "$demo"/*.EPT "$demo"/*.ERR
"$build/programm/notenschau-db" create "$demo/notenschau.db" >/dev/null

# The simulated marketplace: the member notenschau_demo with 1,234 ratings
# and a few others; a new rating for notenschau_demo every 20 seconds.
"$build/tools/marktsim/notenschau-marktsim" --demo --demo-interval 20 --port 0 \
    >"$demo/marktsim.out" 2>"$demo/marktsim.log" &
sim=$!
trap 'kill "$sim" 2>/dev/null || true' EXIT
port=""
for _ in $(seq 1 100); do
    port="$(sed -n 's/^PORT \([0-9]*\)$/\1/p' "$demo/marktsim.out" 2>/dev/null || true)"
    [ -n "$port" ] && break
    kill -0 "$sim" 2>/dev/null || { cat "$demo/marktsim.log" >&2; exit 1; }
    sleep 0.1
done
[ -n "$port" ] || { echo "Der Demo-Marktplatz ist nicht gestartet." >&2; exit 1; }

# The demo's consent page agrees at once for notenschau_demo, so the browser
# lands straight on the page whose address the sign-in dialog takes.
exec 3<>"/dev/tcp/127.0.0.1/$port"
printf 'POST /admin/consent?mode=auto&member=notenschau_demo HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Length: 0\r\n\r\n' >&3
status="$(timeout 5 head -n 1 <&3 || true)"
exec 3<&-
case "$status" in
*" 200 "*) ;;
*) echo "Der Demo-Marktplatz nimmt die Anmeldung nicht an: $status" >&2; exit 1 ;;
esac

cat >"$demo/Bin/config.INI" <<INI
[Main]
Database=$demo/notenschau.db
checkInet=True
PruefHost1=127.0.0.1
PruefHost2=localhost
Plattform=ebay.de
KuntaBrowser=True

[User]
Username=notenschau_demo

[Marktplatz]
ApiUrl=http://127.0.0.1:$port
ClientId=notenschau
ClientSecret=geheim
RuName=Notenschau_Demo-Notensch-Demo-abcdefgh
INI

echo "Demo: Notenschau mit dem Demo-Marktplatz auf http://127.0.0.1:$port"
echo "Notenschau bietet beim Start die Anmeldung bei eBay an: Der Demo-Marktplatz stimmt sofort"
echo "zu; fügen Sie die Adresse der Seite, auf der der Browser landet, in den Dialog ein."
echo "Danach lädt \"Jetzt Prüfen\" die Bewertungen von notenschau_demo."
"$demo/notenschau"
