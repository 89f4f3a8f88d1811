#!/usr/bin/env bash
# Runs the old-version analysis benchmark under Wine in a fresh prefix of its own.
#   bench/analysis/run.sh <build dir> [old_versions_bench arguments...]
set -euo pipefail

build=$(cd "${1:?usage: run.sh <build dir> [arguments...]}" && pwd)
shift
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree=;mshtml="
wine=${WINE64:-/usr/lib/wine/wine64}
wineserver=${WINESERVER:-/usr/lib/wine/wineserver}

prefix=$(mktemp -d "${TMPDIR:-/tmp}/quillbay-bench.XXXXXX")
export WINEPREFIX=$prefix
cleanup() {
  "$wineserver" -k >/dev/null 2>&1 || true
  rm -rf "$prefix"
}
trap cleanup EXIT

env -u DISPLAY "$wine" wineboot -i >/dev/null 2>&1
"$wineserver" -w
"$wineserver" -p
env -u DISPLAY "$wine" "$build/bin/old_versions_bench.exe" "$@"
