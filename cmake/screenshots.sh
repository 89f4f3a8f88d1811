#!/usr/bin/env bash
# Renders the main window in each mode and each interface language at 100, 150
# and 200 % display scaling, against the sample Driver Store, into
# <build>/screenshots/<scale>/main-window-<language>-<mode>.png, and at 100 % in
# a high-contrast scheme (Russian and English) into <build>/screenshots/high-contrast/. Quillbay.exe
# runs in a Wine virtual desktop (so the window has its caption) on a display of
# its own, qb-window-driver switches language and mode, and imagemagick takes
# each shot of the desktop.
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

# Indexed by the language box's item data and by the mode buttons' order.
languages=(russian english chinese french german indonesian thai japanese)
modes=(backup removal installation)
# Percent, DPI and a desktop that holds the whole window at that DPI (the
# window shrinks to the work area otherwise).
scales=("100 96 1100x760" "150 144 1620x1080" "200 192 2160x1400")

if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "screenshots: creating the prefix $WINEPREFIX"
  wine_make_prefix
fi
# Wine has none of the Windows faces the program names for Chinese, Japanese
# and Thai; the host's fonts answer to those names instead of boxes.
replacements='HKCU\Software\Wine\Fonts\Replacements'
for face in "Microsoft YaHei UI=WenQuanYi Micro Hei" "Yu Gothic UI=WenQuanYi Micro Hei" "Leelawadee UI=Loma"; do
  "$wine" reg add "$replacements" /v "${face%%=*}" /d "${face#*=}" /f >/dev/null
done
# The Thai face has no Cyrillic for the Browse button; Windows falls back to
# another face for such letters, and so does Wine with a font link.
"$wine" reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink' \
  /v Loma /t REG_MULTI_SZ /d 'tahoma.ttf,Tahoma' /f >/dev/null
"$wine" "$bin/qb-seed.exe" current >/dev/null
# An offline copy of the sample Windows serves as the install source.
sources='C:\quillbay-sources'
"$wine" "$bin/qb-seed.exe" offline "$sources" >/dev/null
install_folder="$sources"'\Windows\System32\DriverStore\FileRepository'

start_private_xvfb 150 199 2160x1400x24
rm -rf "$out"
driver() { "$wine" "$bin/qb-window-driver.exe" --desktop Quillbay "$@"; }
# Each mode's setup is done once and survives language changes.
enter_mode() {
  case $1 in
    0) driver --mode 0 ;;
    1) driver --mode 1 --search qtgfx --select-all --search '' ;;
    2) driver --mode 2 --install-folder "$install_folder" ;;
  esac
}

for entry in "${scales[@]}"; do
  read -r percent dpi desktop <<<"$entry"
  # Every Wine process reads the DPI when it starts, so the desktop and the
  # program start afresh after the change.
  "$wineserver" -k >/dev/null 2>&1 || true
  "$wineserver" -w
  "$wineserver" -p
  "$wine" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f >/dev/null
  "$wine" explorer /desktop=Quillbay,"$desktop" "$bin/Quillbay.exe" >/dev/null 2>&1 &
  driver --expect-dpi "$dpi"
  mkdir -p "$out/$percent"
  # Mode-major, so that each mode is set up once.
  for mode in 0 1 2; do
    enter_mode "$mode"
    for language in "${!languages[@]}"; do
      driver --language "$language"
      shot="$out/$percent/main-window-${languages[$language]}-${modes[$mode]}.png"
      import -window root -crop "$desktop+0+0" +repage "$shot"
    done
    echo "screenshots: $out/$percent/main-window-*-${modes[$mode]}.png"
  done
  driver --close
done

# High contrast at 100 %: the prefix takes the system colours of the "High
# Contrast Black" scheme, and Quillbay runs as qb-high-contrast, since Wine keeps
# a scheme's colours but never reports high contrast as on. The prefix gets its
# colours back afterwards.
colours='HKCU\Control Panel\Colors'
saved="$build/screenshots-colours.reg"
"$wine" reg export "$colours" "Z:${saved//\//\\}" /y >/dev/null
for entry in "Window=0 0 0" "WindowText=255 255 255" "ButtonFace=0 0 0" "ButtonText=255 255 255" \
             "Hilight=26 235 255" "HilightText=0 0 0" "GrayText=63 242 63" "HotTrackingColor=255 255 0"; do
  "$wine" reg add "$colours" /v "${entry%%=*}" /d "${entry#*=}" /f >/dev/null
done
"$wineserver" -k >/dev/null 2>&1 || true
"$wineserver" -w
"$wineserver" -p
"$wine" reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d 96 /f >/dev/null
"$wine" explorer /desktop=Quillbay,1100x760 "$bin/qb-high-contrast.exe" >/dev/null 2>&1 &
driver --expect-dpi 96
mkdir -p "$out/high-contrast"
for mode in 0 1 2; do
  enter_mode "$mode"
  for language in 0 1; do
    driver --language "$language"
    import -window root -crop "1100x760+0+0" +repage \
      "$out/high-contrast/main-window-${languages[$language]}-${modes[$mode]}.png"
  done
done
echo "screenshots: $out/high-contrast/main-window-*.png"
driver --close
"$wineserver" -k >/dev/null 2>&1 || true
"$wineserver" -w
"$wine" reg import "Z:${saved//\//\\}" >/dev/null
