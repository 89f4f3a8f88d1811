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
