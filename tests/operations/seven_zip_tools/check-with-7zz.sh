#!/bin/sh
# Cross-checks the 7-Zip bridge with Debian's native 7-Zip (7zz, package 7zip),
# which shares no code path with our process handling:
#   1. our CreateSevenZipArchive, running the real Windows 7z.exe under Wine, packs
#      a tree with non-ASCII, spaced and dash-led names, an empty file and an empty
#      folder; 7zz tests the archive, lists exactly the tree's paths and extracts a
#      tree identical to the source;
#   2. 7zz packs the same tree; our ExtractSevenZipArchive unpacks an identical tree;
#   3. both runs report progress that starts with -1 and ends with 100.
# Wine children cannot run Linux programs with redirected pipes, so the Windows side
# runs through cmake/wine-run.sh and this script does the Linux side.
# Usage: check-with-7zz.sh <build dir>  (under cmake/wine-test-driver.sh)
set -eu
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:?usage: check-with-7zz.sh <build dir>}" && pwd)
run="$here/../../../cmake/wine-run.sh"
bridge="$build/bin/qb-7z-bridge.exe"
tool="$build/tools/7zip/7z.exe"
command -v 7zz >/dev/null || { echo "check-with-7zz: 7zz is missing (Debian package 7zip)" >&2; exit 2; }
for file in "$bridge" "$tool"; do
    [ -f "$file" ] || { echo "check-with-7zz: $file is missing; build first" >&2; exit 2; }
done
# 7zz takes file names from the locale.
export LC_ALL=C.UTF-8

work=$(mktemp -d "${TMPDIR:-/tmp}/quillbay-7zz.XXXXXX")
trap 'rm -rf "$work"' EXIT
windows() { printf 'Z:%s' "$1" | tr / '\\'; }

tree="$work/tree"
mkdir -p "$tree/Драйверы/日本語 フォルダ" "$tree/Пустая папка" "$tree/-dash folder"
printf '[Version]\r\nSignature="$Windows NT$"\r\n' >"$tree/Драйверы/日本語 フォルダ/файл 1.inf"
printf 'emoji\n' >"$tree/emoji 😀.txt"
printf 'dash\n' >"$tree/-dash folder/-n.txt"
: >"$tree/empty.txt"
head -c 3000000 /dev/urandom >"$tree/Драйверы/random.bin"
yes 'compressible line' | head -n 200000 >"$tree/text.log"

. "$here/../../support/checks.sh"
# Relative paths of every entry, files and folders, sorted.
entries() { (cd "$1" && find . -mindepth 1 | sed 's|^\./||' | LC_ALL=C sort); }
listed() { 7zz l -slt -ba "$1" | sed -n 's/^Path = //p' | LC_ALL=C sort; }
same_tree() { diff -r "$1" "$2" && [ "$(entries "$1")" = "$(entries "$2")" ]; }
progress_ok() { tr -d '\r' <"$1" | grep -Eq '^progress: -1( [0-9]+)* 100$'; }

# 1. Ours packs, 7zz reads.
# The archive's folder does not exist yet: the bridge creates it.
ours="$work/out/archive.7z"
check "our bridge packs the tree with the Windows 7-Zip" \
    sh "$run" "$bridge" pack "$(windows "$tool")" "$(windows "$tree")" "$(windows "$ours")"
cp "$work/last.log" "$work/pack.log"
check "packing reported progress from -1 to 100" progress_ok "$work/pack.log"
check "7zz tests our archive" 7zz t "$ours"
entries "$tree" >"$work/tree.list"
listed "$ours" >"$work/ours.list"
check "7zz lists exactly the tree's entries" diff "$work/tree.list" "$work/ours.list"
check "7zz extracts our archive" 7zz x -y "-o$work/by-7zz" "$ours"
check "what 7zz extracted equals the tree" same_tree "$tree" "$work/by-7zz"

# 2. 7zz packs, ours unpacks.
theirs="$work/theirs.7z"
check "7zz packs the tree" sh -c 'cd "$1" && 7zz a -t7z -y "$2" . >/dev/null' - "$tree" "$theirs"
check "our bridge unpacks 7zz's archive" \
    sh "$run" "$bridge" unpack "$(windows "$tool")" "$(windows "$theirs")" "$(windows "$work")\\by-ours\\new"
cp "$work/last.log" "$work/unpack.log"
check "unpacking reported progress from -1 to 100" progress_ok "$work/unpack.log"
check "what our bridge unpacked equals the tree" same_tree "$tree" "$work/by-ours/new"

echo "$((checks - failures)) passed, $failures failed"
[ "$failures" -eq 0 ]
