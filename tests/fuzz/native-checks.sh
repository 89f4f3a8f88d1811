#!/bin/sh
# The hive reader's host-side checks, in one build: its unit tests under the
# address and undefined-behaviour sanitizers, a short libFuzzer run seeded with
# valid hives, and the cross-check of writer and reader with Debian's hivex.
# Usage: native-checks.sh <native build dir> [fuzz seconds, default 60]
set -eu
here=$(cd "$(dirname "$0")" && pwd)
build=${1:?usage: native-checks.sh <native build dir> [fuzz seconds]}
seconds=${2:-60}

sh "$here/run-fuzz.sh" "$seconds" "$build"
"$build/regf_reader_test"
sh "$here/../../sim/regf/check-with-hivex.sh" "$build"
