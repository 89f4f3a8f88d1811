#!/bin/sh
# Fuzzes the 7-Zip progress parser natively (built by tests/fuzz/CMakeLists.txt with
# clang), seeded with output shaped like the real 7-Zip's, and runs its unit tests
# under the sanitizers.
# Usage: run-progress-fuzz.sh [seconds, default 30] [native build dir]
set -eu

here=$(cd "$(dirname "$0")" && pwd)
seconds=${1:-30}
build=${2:-/tmp/quillbay-native-fuzz}

cmake -S "$here" -B "$build" -DCMAKE_CXX_COMPILER=clang++ >/dev/null
cmake --build "$build" -j2 --target seven_zip_progress_fuzz seven_zip_progress_test >/dev/null
"$build/seven_zip_progress_test" --gtest_brief=1

corpus="$build/progress-corpus"
findings="$build/progress-findings"
mkdir -p "$corpus" "$findings"
# First byte: the read size; then what 7-Zip writes to a pipe with -bsp1.
printf '\007  0M Scan  \r            \r  0%%\r    \r 37%% 3 + a.bin\r100%%\r' >"$corpus/pipe"
printf '\001  5%%\b\b\b\b 12%% file.inf\b\b\b\b\b\b' >"$corpus/console"

"$build/seven_zip_progress_fuzz" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=4096 \
    -dict="$here/seven_zip_progress.dict" -artifact_prefix="$findings/" -print_final_stats=1 "$corpus"
echo "progress fuzz: no failure in $seconds s"
