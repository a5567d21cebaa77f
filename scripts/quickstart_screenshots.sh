#!/usr/bin/env bash
# Makes the screenshots of docs/quickstart-ru.md under Xvfb, against mirval-sim,
# with xdotool playing the installer's steps, so that they show what the
# program shows today: the port list's tooltip, the first connection, the
# messages for a port held by another program and for a device the user may
# not open. As root the last one runs the window as a temporary system user
# "naladchik" (created and removed here; root may open every device); as
# another user it clears the owner's bits of the simulator's device.
# Output: docs/quickstart/*.png (or $SHOTS_DIR). Programs: build/ (or $PULT,
# $SIM, $CLI).
set -euo pipefail
cd "$(dirname "$0")/.."
build_dir=${BUILD_DIR:-build}
export PULT=${PULT:-$PWD/$build_dir/src/app/mirval-pult}
export SIM=${SIM:-$PWD/$build_dir/sim/mirval-sim}
export CLI=${CLI:-$PWD/$build_dir/src/cli/mirval-cli}
export SHOTS_DIR=${SHOTS_DIR:-$PWD/docs/quickstart}
mkdir -p "$SHOTS_DIR"
work=$(mktemp -d)
chmod 755 "$work"
user_made=""
cleanup() {
  [ -z "$user_made" ] || userdel "$user_made" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
# A runtime and a settings directory of its own: no other simulator's port,
# no remembered connection.
export XDG_RUNTIME_DIR=$work/runtime XDG_CONFIG_HOME=$work/config
mkdir -p "$XDG_RUNTIME_DIR" "$XDG_CONFIG_HOME" && chmod 0700 "$XDG_RUNTIME_DIR"
export PROBE_USER=""
if [ "$(id -u)" -eq 0 ]; then
  id naladchik >/dev/null 2>&1 || { useradd --system --no-create-home --shell /usr/sbin/nologin naladchik; user_made=naladchik; }
  PROBE_USER=naladchik
fi
export WORK=$work
xvfb-run -a -s "-ac -screen 0 760x700x24" bash "$PWD/scripts/quickstart_scenes.sh"
ls -l "$SHOTS_DIR"
