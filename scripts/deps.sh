#!/usr/bin/env bash
# Installs what building, running and testing need on Debian 12, if missing;
# arguments name more packages (scripts/package.sh adds its own).
set -euo pipefail
packages=("$@"
  g++ cmake ninja-build clang-format
  clang libclang-rt-14-dev llvm
  qt6-base-dev qt6-base-dev-tools qt6-serialport-dev qt6-qpa-plugins
  qt6-translations-l10n
  xvfb xauth x11-utils xdotool imagemagick fonts-dejavu-core
  man-db dpkg-dev file lintian desktop-file-utils appstream
  ser2net poppler-utils
)
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo="sudo"
  echo "installing: ${missing[*]}"
  $sudo apt-get update -q
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
