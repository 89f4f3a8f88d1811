#!/usr/bin/env bash
# Cross-checks "Quillbay.exe backup" with Debian's native 7-Zip (7zz, package
# 7zip), which shares no code with ours. In a Wine prefix of its own, seeded with
# the demonstration Driver Store and two packages with awkward texts (control
# characters in their providers, a class description cut right after a blank),
# Quillbay.exe (with 7z.exe beside it, as a portable 7-Zip) backs the store up
# into an archive; 7zz then tests the archive, and what it extracts holds, for
# every package of the store, a folder identical to the package's Driver Store
# folder plus its package-info.json, and a manifest that lists them all. Every
# JSON file must pass python3's json module, which rejects raw control characters.
# Usage: check-backup-with-7zz.sh <build dir>
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(cd "${1:?usage: check-backup-with-7zz.sh <build dir>}" && pwd)
command -v 7zz >/dev/null || { echo "check-backup-with-7zz: 7zz is missing (Debian package 7zip)" >&2; exit 2; }
. "$here/../support/console_check.sh"
start_console_check console-7zz bin/Quillbay.exe bin/DismApi.dll bin/qb-seed.exe tools/7zip/7z.exe tools/7zip/7z.dll
"$wine" "$build/bin/qb-seed.exe" current >/dev/null
"$wine" "$build/bin/qb-seed.exe" current awkward-texts >/dev/null
app=$work/app
mkdir -p "$app" "$work/out"
cp "$build/bin/Quillbay.exe" "$build/bin/DismApi.dll" "$build/tools/7zip/7z.exe" "$build/tools/7zip/7z.dll" "$app/"

. "$here/../support/checks.sh"
archive=$work/out/drivers.7z
backup() { "$wine" "$app/Quillbay.exe" backup "$(windows "$work/out/drivers")" >"$work/stdout.txt" 2>"$work/stderr.txt"; }
check "Quillbay.exe backup ends with 0" backup
check "it names the archive on its last line" \
    grep -qxF "$(windows "$archive")$(printf '\r')" "$work/stdout.txt"
check "and writes nothing to the error stream" test ! -s "$work/stderr.txt"
check "7zz tests the archive" 7zz t "$archive"
check "7zz extracts it" 7zz x -y "-o$work/extracted" "$archive"

store=$WINEPREFIX/drive_c/windows/system32/DriverStore/FileRepository
# Every package folder of the archive equals one store folder, apart from its package-info.json.
matched=0
while IFS= read -r info; do
    folder=$(dirname "$info")
    for candidate in "$store"/*/; do
        if diff -r -x package-info.json "$folder" "$candidate" >/dev/null 2>&1; then
            matched=$((matched + 1))
            break
        fi
    done
done < <(find "$work/extracted" -name package-info.json)
stores=$(find "$store" -mindepth 1 -maxdepth 1 -type d | wc -l)
check "the store has the sample's twelve packages and the two awkward ones" test "$stores" -eq 14
check "every package folder equals its Driver Store folder" test "$matched" -eq "$stores"
check "the manifest counts them" grep -q "\"PackageCount\": $stores," "$work/extracted/manifest.json"
check "the class folder cut after a blank ends without it" \
    test -d "$work/extracted/Quelltide environmental sensors, gauges and telemetry receivers"
check "every package-info.json and the manifest parse as strict JSON" python3 -c '
import json, pathlib, sys
files = sorted(pathlib.Path(sys.argv[1]).rglob("*.json"))
assert len(files) == int(sys.argv[2]) + 1, [str(f) for f in files]
for f in files:
    json.loads(f.read_text(encoding="utf-8-sig"))
' "$work/extracted" "$stores"
check "the providers keep their control characters" python3 -c '
import json, pathlib, sys
providers = {json.loads(f.read_text(encoding="utf-8-sig"))["Provider"]
             for f in pathlib.Path(sys.argv[1]).rglob("package-info.json")}
assert {"Quelltide\x01Labs\x1f GmbH", "Quelltide\x07 \"Gauges\"\tLtd"} <= providers, providers
' "$work/extracted"
check "the manifest is UTF-8 with a byte-order mark" sh -c 'head -c 3 "$1" | od -An -tx1 | grep -q "ef bb bf"' - \
    "$work/extracted/manifest.json"

echo "$((checks - failures)) passed, $failures failed"
[ "$failures" -eq 0 ]
