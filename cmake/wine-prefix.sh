# Sourced by the scripts that run our Windows programs under Wine: the common
# environment and the making of a prefix that looks like a fresh Windows 10.
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree=;mshtml="
export WINELOADER=${WINE64:-/usr/lib/wine/wine64}
wine=$WINELOADER
wineserver=${WINESERVER:-/usr/lib/wine/wineserver}

# wine_make_prefix: initialise $WINEPREFIX headless (no Mono/Gecko offers),
# report Windows 10 and install Wine's own fonts (Tahoma, Marlett).
wine_make_prefix() {
  env -u DISPLAY "$wine" wineboot -i >/dev/null 2>&1
  env -u DISPLAY "$wine" winecfg -v win10 >/dev/null 2>&1
  "$wineserver" -w
  cp /usr/share/wine/fonts/*.ttf "$WINEPREFIX/drive_c/windows/Fonts/" 2>/dev/null || true
}

# start_private_xvfb FIRST LAST GEOMETRY: starts Xvfb on the first free display
# number of the range, exports DISPLAY and sets xvfb_pid; fails when none is free.
start_private_xvfb() {
  local n
  for n in $(seq "$1" "$2"); do
    [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ] && continue
    Xvfb ":$n" -screen 0 "$3" -nolisten tcp >/dev/null 2>&1 &
    xvfb_pid=$!
    export DISPLAY=":$n"
    for _ in $(seq 1 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
    return 0
  done
  return 1
}
