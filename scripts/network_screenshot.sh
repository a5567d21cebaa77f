#!/usr/bin/env bash
# A screenshot of the window connected through a network serial server:
# mirval-sim on its virtual port, ser2net in front of it speaking RFC 2217 on
# 127.0.0.1, and `mirval-pult --port rfc2217://127.0.0.1:N` (xdotool sets the
# address and presses "Старт"), under Xvfb.
# Usage: scripts/network_screenshot.sh [OUT.png]   (default docs/network-port.png)
set -euo pipefail
cd "$(dirname "$0")/.."
out=${1:-docs/network-port.png}
build_dir=${BUILD_DIR:-build}
. scripts/runtime_dir.sh
work=$(mktemp -d)
# The user's own port list and remembered connection stay out of it.
export XDG_CONFIG_HOME=$work/config

"$build_dir/sim/mirval-sim" --modes 1,2,0,1 --version 2.5 >"$work/sim.out" &
sim_pid=$!
trap 'kill $sim_pid ${server_pid:-} 2>/dev/null || true; rm -rf "$work"' EXIT
for _ in $(seq 50); do [ -s "$work/sim.out" ] && break; sleep 0.1; done
device=$(readlink -f "$XDG_RUNTIME_DIR/mirval/ports/$(head -n1 "$work/sim.out")")

# The first port from 4001 on that nothing listens at.
listening() { grep -q "0100007F:$(printf %04X "$1") 00000000:0000 0A" /proc/net/tcp; }
port=4001
while listening $port; do port=$((port + 1)); done
cat >"$work/ser2net.yaml" <<YAML
connection: &unit
  accepter: telnet(rfc2217),tcp,127.0.0.1,$port
  connector: serialdev,$device,4800n81,local
YAML
"$(command -v ser2net || echo /usr/sbin/ser2net)" -n -d -u -P "$work/ser2net.pid" -c "$work/ser2net.yaml" \
  >"$work/ser2net.out" 2>&1 &
server_pid=$!
for _ in $(seq 50); do listening $port && break; sleep 0.1; done
listening $port || { cat "$work/ser2net.out" >&2; exit 1; }

PULT_PORT=rfc2217://127.0.0.1:$port scripts/screenshot.sh "$out" 3 1
