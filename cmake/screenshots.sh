#!/usr/bin/env bash
# Renders the main window in each mode, in English and Russian, against the
# sample Driver Store, into <build>/screenshots/*.png: Quillbay.exe runs in a
# Wine virtual desktop (so the window has its caption) on a display of its own,
# qb-window-driver switches language and mode, and imagemagick takes each shot.
#   cmake/screenshots.sh <build dir>
set -euo pipefail
build=$(cd "${1:?usage: screenshots.sh <build dir>}" && pwd)
bin=$build/bin
out=$build/screenshots

. "$(dirname "$0")/wine-prefix.sh"
export WINEPREFIX=$build/screenshots-prefix
xvfb_pid=""
cleanup() {
  "$wineserver" -k >/dev/null 2>&1 || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" >/dev/null 2>&1 || true
}
trap cleanup EXIT

if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "screenshots: creating the prefix $WINEPREFIX"
  wine_make_prefix
fi
"$wineserver" -p
"$wine" "$bin/qb-seed.exe" current >/dev/null
# An offline copy of the sample Windows serves as the install source.
sources='C:\quillbay-sources'
"$wine" "$bin/qb-seed.exe" offline "$sources" >/dev/null
install_folder="$sources"'\Windows\System32\DriverStore\FileRepository'

start_private_xvfb 150 199 1280x860x24

mkdir -p "$out"
"$wine" explorer /desktop=Quillbay,1280x860 "$bin/Quillbay.exe" >/dev/null 2>&1 &
driver() { "$wine" "$bin/qb-window-driver.exe" --desktop Quillbay "$@"; }

modes=(backup removal installation)
for language in 1 0; do
  [ "$language" = 1 ] && name=english || name=russian
  driver --language "$language"
  for mode in 0 1 2; do
    case $mode in
      0) driver --mode 0 ;;
      1) driver --mode 1 --search qtgfx --select-all --search '' ;;
      2) driver --mode 2 --install-folder "$install_folder" ;;
    esac
    shot="$out/main-window-$name-${modes[$mode]}.png"
    import -window root "$shot"
    echo "screenshots: $shot"
  done
done
driver --close
