#!/usr/bin/env bash
# Runs one benchmark under Wine in a fresh prefix of its own; work folders the
# benchmark makes in the prefix's temporary folder go with the prefix.
#   bench/run.sh <build dir> <inventory_bench|old_versions_bench|export_bench> [arguments...]
set -euo pipefail
build=$(cd "${1:?usage: run.sh <build dir> <benchmark> [arguments...]}" && pwd)
benchmark=${2:?usage: run.sh <build dir> <benchmark> [arguments...]}
shift 2
. "$(dirname "$0")/../cmake/wine-prefix.sh"

export WINEPREFIX=$(mktemp -d "${TMPDIR:-/tmp}/quillbay-bench.XXXXXX")
cleanup() {
  "$wineserver" -k >/dev/null 2>&1 || true
  rm -rf "$WINEPREFIX"
}
trap cleanup EXIT

wine_make_prefix
"$wineserver" -p
env -u DISPLAY "$wine" "$build/bin/$benchmark.exe" "$@"
