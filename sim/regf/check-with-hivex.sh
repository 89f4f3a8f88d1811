#!/bin/sh
# Cross-checks the regf writer and reader with Debian's independent hivex tools
# (packages libhivex-bin and libwin-hivex-perl):
#   1. the writer's sample hives parse with hivexml, answer hivexget and hivexsh,
#      and hivexregedit exports exactly the tree the writer was given;
#   2. our reader exports the same text;
#   3. hivexregedit --merge changes one of them (new keys in every list form, big
#      data, deletions) and our reader reads the result exactly as hivex does.
# Usage: check-with-hivex.sh [native build dir]
set -eu

here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
build=${1:-/tmp/quillbay-regf-native}

for tool in hivexml hivexget hivexsh hivexregedit cmake; do
    command -v "$tool" >/dev/null || { echo "check-with-hivex: $tool is missing" >&2; exit 2; }
done
compiler=$(command -v clang++ || command -v g++)
cmake -S "$root/tests/fuzz" -B "$build" -DCMAKE_CXX_COMPILER="$compiler" >/dev/null
cmake --build "$build" -j2 --target regf_tool >/dev/null
tool="$build/regf_tool"

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
"$tool" samples "$work"

. "$root/tests/support/checks.sh"
same() { cmp "$1" "$2"; }
equals() { test "$1" = "$2" || { echo "expected '$2', got '$1'"; return 1; }; }

for name in tiny tiny-v3 types system software; do
    hive="$work/$name.hiv"
    check "$name: hivexml parses the whole hive" hivexml "$hive"
    "$tool" expect "$name" >"$work/$name.expected.reg"
    hivexregedit --export "$hive" '\' >"$work/$name.hivex.reg" 2>/dev/null
    check "$name: hivex exports the tree the writer was given" same "$work/$name.expected.reg" "$work/$name.hivex.reg"
    "$tool" export "$hive" >"$work/$name.ours.reg"
    check "$name: our reader exports the same tree" same "$work/$name.expected.reg" "$work/$name.ours.reg"
done

check "hivexget reads CurrentBuildNumber" equals \
    "$(hivexget "$work/software.hiv" '\Microsoft\Windows NT\CurrentVersion' CurrentBuildNumber)" 19045
check "hivexget reads Select\\Current" equals "$(hivexget "$work/system.hiv" '\Select' Current)" 1
check "hivexget reads an expandable InfPath" equals \
    "$(hivexget "$work/system.hiv" '\ControlSet001\Control\Class\{4d36e968-e325-11ce-bfc1-08002be10318}\0000' InfPath)" \
    oem12.inf
check "hivexsh walks the ri list in order" equals \
    "$(printf 'cd \\Lists\\RiKey\nls\n' | hivexsh "$work/tiny.hiv" | tr '\n' ' ')" \
    "Alpha Bravo charlie delta Ärger Ключ "

# Changes made by hivex's own writer, read back by our reader.
cp "$work/types.hiv" "$work/merged.hiv"
big=$(awk 'BEGIN { for (i = 0; i < 30000; i++) printf "%s%02x", (i ? "," : ""), (i * 13 + 5) % 256 }')
cat >"$work/changes.reg" <<EOF
Windows Registry Editor Version 5.00

[\\Lists\\LhKey\\Echo]
"Added"=dword:00000007
"Text"="merged text"

[\\Lists\\LfKey\\aardvark]
"Big"=hex(3):$big

[\\Lists\\LiKey\\Zulu]
"Q"=hex(b):01,02,03,04,05,06,07,08

[\\Lists\\RiKey\\Beta]
"Multi"=hex(7):61,00,00,00,62,00,00,00,00,00

[-\\Lists\\LhKey\\Alpha]

[\\]
"Sz"=-
"Dword"=dword:00000001

[\\Many\\Item0750]
"Touched"=dword:00000001

[\\Many\\Item0000X]
EOF
check "hivexregedit merges changes into a written hive" hivexregedit --merge "$work/merged.hiv" "$work/changes.reg"
hivexregedit --export "$work/merged.hiv" '\' >"$work/merged.hivex.reg" 2>/dev/null
"$tool" export "$work/merged.hiv" >"$work/merged.ours.reg"
check "our reader reads the merged hive as hivex does" same "$work/merged.hivex.reg" "$work/merged.ours.reg"
check "the merge added keys and values" grep -q '^"Added"=dword:00000007$' "$work/merged.ours.reg"
check "the merge added a key to the ri list" grep -q '^\[\\Many\\Item0000X\]$' "$work/merged.ours.reg"
check "the merge deleted a key" sh -c "! grep -q '^\[\\\\Lists\\\\LhKey\\\\Alpha\]$' '$work/merged.ours.reg'"
check "the merge deleted a value" sh -c "! grep -q '^\"Sz\"=' '$work/merged.ours.reg'"
check "the merged big value has all its bytes" grep -q "^\"Big\"=hex(3):$big\$" "$work/merged.ours.reg"

echo "hivex cross-check: $((checks - failures)) of $checks checks passed"
test "$failures" -eq 0
