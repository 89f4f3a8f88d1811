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

run() {
  code=0
  "${WINE64:-/usr/lib/wine/wine64}" "$@" >"$output" 2>&1 || code=$?
}

run "$@"
# Every program of the build writes something before it can fail (a test
# program its banner first of all). A failure with no output at all is Wine
# that never reached the program, seen once in hundreds of runs on a loaded
# machine; that start alone is repeated, and said so.
if [ "$code" -ne 0 ] && [ ! -s "$output" ]; then
  echo "wine-run.sh: Wine ended with code $code before the program wrote anything; starting it once more"
  run "$@"
fi
cat "$output"
exit "$code"
