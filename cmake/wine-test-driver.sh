#!/usr/bin/env bash
# Runs the CTest suite of a build under Wine: a fresh prefix for this run
# (Windows 10, Wine's own fonts), one persistent wineserver and an Xvfb display
# for the window tests. Only what this run started is stopped at the end.
#   cmake/wine-test-driver.sh <build dir> [ctest arguments...]
set -euo pipefail

build=${1:?usage: wine-test-driver.sh <build dir> [ctest arguments...]}
shift
build=$(cd "$build" && pwd)

. "$(dirname "$0")/wine-prefix.sh"

prefix=$(mktemp -d "${TMPDIR:-/tmp}/quillbay-wine.XXXXXX")
export WINEPREFIX=$prefix
xvfb_pid=""

cleanup() {
  "$wineserver" -k >/dev/null 2>&1 || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" >/dev/null 2>&1 || true
  rm -rf "$prefix"
}
trap cleanup EXIT

echo "wine-test-driver: creating prefix $prefix"
wine_make_prefix

# A display of our own, so window tests never touch the user's screen.
# A large screen, so the window fits it at 200 % and above.
start_private_xvfb 90 140 2880x1800x24

"$wineserver" -p
# Warm the server up so the first test does not pay for it.
"$wine" cmd /c exit >/dev/null 2>&1 || true

cd "$build"
status=0
ctest --output-on-failure -j "${QB_TEST_JOBS:-2}" "$@" || status=$?
exit $status
