#!/usr/bin/env bash
# Builds the Debian package dist/mirval-pult_<version>_<arch>.deb from the
# tree (its own build directory build-deb/, release build with Debian's
# hardening flags, no tests) with CPack, then checks it: lintian (no error),
# desktop-file-validate and appstreamcli validate --no-net on the files in the
# package, the package's file list.
#   --install-check (as root): also installs it with apt-get, runs the three
#   programs from /usr/bin (the window under Xvfb, connected to mirval-sim),
#   reads `man mirval-cli`, then purges it and checks that no file is left.
#   --from-build DIR: packages what an existing build directory built (the
#   test suite's check, in seconds: the same files, without Debian's
#   hardening flags) into DIR/package/ instead of building dist/'s package.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD
install_check=0
from_build=""
while [ $# -gt 0 ]; do
  case $1 in
    --install-check) install_check=1 ;;
    --from-build) from_build=${2:?--from-build DIR}; shift ;;
    *) echo "usage: scripts/package.sh [--install-check] [--from-build DIR]" >&2; exit 2 ;;
  esac
  shift
done
start=$SECONDS
scripts/deps.sh dpkg-dev file lintian desktop-file-utils appstream

if [ -n "$from_build" ]; then
  out=$(cd "$from_build" && pwd)/package
  rm -rf "$out" && mkdir -p "$out"
  (cd "$from_build" && cpack -G DEB -D CPACK_OUTPUT_FILE_PREFIX="$out" >/dev/null)
  deb=$(ls "$out"/mirval-pult_*.deb)
else
  build_dir=${PACKAGE_BUILD_DIR:-build-deb}
  # Debian's compiler and linker flags (hardening), on every configure.
  export DEB_BUILD_MAINT_OPTIONS=hardening=+all
  launcher=()
  command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DMIRVAL_BUILD_TESTS=OFF \
      -DMIRVAL_BUILD_BENCH=OFF -DCMAKE_INSTALL_PREFIX=/usr "${launcher[@]}" \
      -DCMAKE_CXX_FLAGS="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)" \
      -DCMAKE_EXE_LINKER_FLAGS="$(dpkg-buildflags --get LDFLAGS)" >/dev/null
  cmake --build "$build_dir" --parallel "$(nproc)"
  rm -f dist/mirval-pult_*.deb
  (cd "$build_dir" && cpack -G DEB >/dev/null)
  deb=$(ls dist/mirval-pult_*.deb)
fi
echo "package: $deb ($((SECONDS - start)) s)"
dpkg-deb --info "$deb" | sed -n 's/^ \(Package\|Version\|Architecture\|Depends\|Installed-Size\):/  &/p'

# The files as installed, checked where they will be.
stage=$(mktemp -d)
trap 'rm -rf "$stage"' EXIT
dpkg-deb -x "$deb" "$stage"
desktop-file-validate "$stage"/usr/share/applications/*.desktop
appstreamcli validate --no-net --pedantic "$stage"/usr/share/metainfo/*.metainfo.xml
# lintian: any error fails; warnings are listed (README: the ones left and why).
lintian --fail-on error --tag-display-limit 0 --display-info "$deb"
echo "checks passed ($((SECONDS - start)) s)"

if [ "$install_check" = 1 ]; then
  [ "$(id -u)" -eq 0 ] || { echo "--install-check needs root" >&2; exit 2; }
  export DEBIAN_FRONTEND=noninteractive
  apt-get install -y -q "$root/$deb" >/dev/null
  mapfile -t files < <(dpkg -L mirval-pult | while read -r f; do [ -d "$f" ] || echo "$f"; done)
  for p in mirval-pult mirval-cli mirval-sim; do
    [ "$(command -v $p)" = /usr/bin/$p ] || { echo "$p is not /usr/bin/$p" >&2; exit 1; }
  done
  /usr/bin/mirval-cli --version
  /usr/bin/mirval-pult --version
  /usr/bin/mirval-sim --help >/dev/null
  man -P cat mirval-cli 2>&1 | grep -q "mirval-cli ports" || { echo "man mirval-cli failed" >&2; exit 1; }
  # The window from /usr/bin under Xvfb, connected to /usr/bin/mirval-sim:
  # the simulator hears the status poll (01 0B 01) only after a connection.
  XDG_RUNTIME_DIR=$(mktemp -d) XDG_CONFIG_HOME=$stage/config
  export XDG_RUNTIME_DIR XDG_CONFIG_HOME
  /usr/bin/mirval-sim --address 1 >"$stage/sim.out" &
  sim=$!
  sleep 1
  PULT=/usr/bin/mirval-pult scripts/screenshot.sh "$stage/window.png" 3 1 >"$stage/window.log" 2>&1
  kill $sim; wait $sim || true
  grep -qi '"\$010b01' "$stage/sim.out" || { echo "the window did not connect to mirval-sim" >&2; exit 1; }
  rm -rf "$XDG_RUNTIME_DIR"
  echo "window from /usr/bin connected to mirval-sim"
  apt-get purge -y -q mirval-pult >/dev/null
  left=()
  for f in "${files[@]}"; do [ -e "$f" ] && left+=("$f"); done
  if [ ${#left[@]} -gt 0 ]; then
    echo "left after purge: ${left[*]}" >&2
    exit 1
  fi
  echo "installed, ran and purged: ${#files[@]} files, none left ($((SECONDS - start)) s)"
fi
