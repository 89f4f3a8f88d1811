#!/bin/sh
# Runs one Windows program of the build under Wine, in the prefix and with the
# persistent wineserver that the test driver prepared.
#
# The program writes into a file that is printed once it has ended: every
# process a Windows program starts inherits its Unix output descriptors, and a
# Wine helper or service that outlives the program would otherwise keep CTest's
# pipe open, so that a test which passed waits out its timeout.
if [ -z "${WINEPREFIX:-}" ]; then
  echo "wine-run.sh: WINEPREFIX is not set; run tests through cmake/wine-test-driver.sh (make test)" >&2
  exit 125
fi
export WINEDEBUG="${WINEDEBUG:--all}"
output=$(mktemp "${TMPDIR:-/tmp}/wine-run.XXXXXX") || exit 125
trap 'rm -f "$output"' EXIT
code=0
"${WINE64:-/usr/lib/wine/wine64}" "$@" >"$output" 2>&1 || code=$?
cat "$output"
exit "$code"
