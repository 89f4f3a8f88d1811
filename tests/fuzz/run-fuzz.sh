#!/bin/sh
# Builds the regf fuzz target natively with clang (Debian: clang, libclang-rt-14-dev)
# and fuzzes the reader for a while, seeded with the writer's sample hives.
# Usage: run-fuzz.sh [seconds, default 60] [native build dir]
set -eu

here=$(cd "$(dirname "$0")" && pwd)
seconds=${1:-60}
build=${2:-/tmp/quillbay-regf-fuzz}

cmake -S "$here" -B "$build" -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build "$build" -j2 >/dev/null

corpus="$build/corpus"
findings="$build/findings"
mkdir -p "$corpus" "$findings"
"$build/regf_tool" samples "$corpus"

# One process: the machine's two cores are shared. A crash, leak, timeout or
# sanitizer report ends the run with a non-zero status and the input in $findings.
"$build/regf_fuzz" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=65536 \
    -dict="$here/regf.dict" -artifact_prefix="$findings/" -print_final_stats=1 "$corpus"
echo "regf fuzz: no failure in $seconds s"
