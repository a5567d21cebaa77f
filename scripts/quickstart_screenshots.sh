#!/usr/bin/env bash
# Makes the screenshots of docs/quickstart-ru.md under Xvfb, against mirval-sim,
# with xdotool playing the installer's steps (scripts/quickstart_scenes.sh), so
# that they show what the program shows today, in Russian as the installed
# program does (Qt's own buttons from qt6-translations-l10n). As root the last one runs the window as a temporary system user
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
# What the scenes need; Qt's Russian catalogue gives the message boxes "Да"
# and "Нет" instead of "Yes" and "No".
needed=(xvfb xauth x11-utils xdotool imagemagick fonts-dejavu-core qt6-translations-l10n)
missing=()
for p in "${needed[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  $sudo apt-get update -q
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
qm=$(qtpaths6 --query QT_INSTALL_TRANSLATIONS 2>/dev/null || echo /usr/share/qt6/translations)/qtbase_ru.qm
[ -f "$qm" ] || { echo "no $qm: the pictures would show Qt's English buttons" >&2; exit 1; }
work=$(mktemp -d)
chmod 755 "$work"
user_made=""
cleanup() {
  [ -z "$user_made" ] || userdel "$user_made" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
# A runtime and a settings directory of its own: no other simulator's port,
# no remembered connection, an empty change journal.
export XDG_RUNTIME_DIR=$work/runtime XDG_CONFIG_HOME=$work/config XDG_DATA_HOME=$work/data
mkdir -p "$XDG_RUNTIME_DIR" "$XDG_CONFIG_HOME" "$XDG_DATA_HOME" && chmod 0700 "$XDG_RUNTIME_DIR"
export PROBE_USER=""
if [ "$(id -u)" -eq 0 ]; then
  id naladchik >/dev/null 2>&1 || { useradd --system --no-create-home --shell /usr/sbin/nologin naladchik; user_made=naladchik; }
  PROBE_USER=naladchik
fi
export WORK=$work SCENES=${SCENES:-}
xvfb-run -a -s "-ac -screen 0 1400x760x24" bash "$PWD/scripts/quickstart_scenes.sh"
ls -l "$SHOTS_DIR"
