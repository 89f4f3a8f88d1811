#!/bin/sh
# Runs one Windows program of the build under Wine, in the prefix and with the
# persistent wineserver that the test driver prepared.
if [ -z "${WINEPREFIX:-}" ]; then
  echo "wine-run.sh: WINEPREFIX is not set; run tests through cmake/wine-test-driver.sh (make test)" >&2
  exit 125
fi
export WINEDEBUG="${WINEDEBUG:--all}"
exec "${WINE64:-/usr/lib/wine/wine64}" "$@"
