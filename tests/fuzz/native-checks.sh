#!/bin/sh
# Host-side checks of the portable parsers, in one build. The hive reader: its unit
# tests under the address and undefined-behaviour sanitizers, a short libFuzzer run
# seeded with valid hives, and the cross-check of writer and reader with Debian's
# hivex. The 7-Zip progress parser: its unit tests under the sanitizers and 30 s of
# libFuzzer against a reference reading.
# Usage: native-checks.sh <native build dir> [regf fuzz seconds, default 60]
set -eu
here=$(cd "$(dirname "$0")" && pwd)
build=${1:?usage: native-checks.sh <native build dir> [fuzz seconds]}
seconds=${2:-60}

sh "$here/run-fuzz.sh" "$seconds" "$build"
"$build/regf_reader_test"
sh "$here/../../sim/regf/check-with-hivex.sh" "$build"
sh "$here/run-progress-fuzz.sh" 30 "$build"
