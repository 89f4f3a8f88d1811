#!/usr/bin/env bash
# Runs one benchmark under Wine in a fresh prefix of its own; work folders the
# benchmark makes in the prefix's temporary folder go with the prefix.
#   bench/run.sh <build dir> <inventory_bench|old_versions_bench|export_bench|search_bench> [arguments...]
# The search benchmark drives the real main window on an Xvfb display of its own.
set -euo pipefail
build=$(cd "${1:?usage: run.sh <build dir> <benchmark> [arguments...]}" && pwd)
benchmark=${2:?usage: run.sh <build dir> <benchmark> [arguments...]}
shift 2
. "$(dirname "$0")/../cmake/wine-prefix.sh"

export WINEPREFIX=$(mktemp -d "${TMPDIR:-/tmp}/quillbay-bench.XXXXXX")
xvfb_pid=""
cleanup() {
  "$wineserver" -k >/dev/null 2>&1 || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" >/dev/null 2>&1 || true
  rm -rf "$WINEPREFIX"
}
trap cleanup EXIT

wine_make_prefix
"$wineserver" -p
if [ "$benchmark" = search_bench ]; then
  start_private_xvfb 200 239 1600x1200x24
  "$wine" "$build/bin/$benchmark.exe" "$@"
else
  env -u DISPLAY "$wine" "$build/bin/$benchmark.exe" "$@"
fi
