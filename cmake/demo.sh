#!/usr/bin/env bash
# Seeds a Wine prefix with a sample Windows whose Driver Store holds a dozen
# third-party packages and whose devices run the newest of them, shows what the
# console commands make of it (the old versions, then a backup archive), and then
# runs Quillbay.exe's window on it: in the user's display when there is one,
# otherwise under Xvfb with a screenshot saved into the build folder.
set -euo pipefail
build=$(cd "${1:?usage: demo.sh <build dir>}" && pwd)
bin=$build/bin

. "$(dirname "$0")/wine-prefix.sh"
export WINEPREFIX=$build/demo-prefix

if [ ! -f "$WINEPREFIX/system.reg" ]; then
  echo "demo: creating the sample Windows in $WINEPREFIX"
  wine_make_prefix
fi
"$wine" "$bin/qb-seed.exe" current
"$wine" "$bin/qb-seed-devices.exe"
echo "demo: sample Driver Store and devices seeded under C:\\windows (prefix $WINEPREFIX)"

# The console tool as a script runs it; the 7-Zip the build fetched is installed
# under Program Files, where an elevated program accepts it (not from PATH).
windows_path() { printf 'Z:%s' "$1" | tr / '\\'; }
mkdir -p "$WINEPREFIX/drive_c/Program Files/7-Zip"
cp "$build/tools/7zip/7z.exe" "$build/tools/7zip/7z.dll" "$WINEPREFIX/drive_c/Program Files/7-Zip/"
console() {
  echo
  echo "demo: Quillbay.exe $*"
  local code=0
  "$wine" "$bin/Quillbay.exe" "$@" >"$build/demo-console.txt" 2>&1 || code=$?
  tr -d '\r' <"$build/demo-console.txt"
  echo "demo: exit code $code"
}
console cleanup-preview
console backup "$(windows_path "$build/demo-backup/Drivers.7z")"
echo

if [ -n "${DISPLAY:-}" ] && [ -z "${QB_DEMO_HEADLESS:-}" ]; then
  echo "demo: starting Quillbay.exe; close its window to finish"
  set +e
  "$wine" explorer /desktop=Quillbay,1280x860 "$bin/Quillbay.exe"
  code=$?
  set -e
  "$wineserver" -w
  echo "demo: Quillbay.exe exited with $code"
  exit 0
fi

xvfb_pid=""
trap '[ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null || true' EXIT
start_private_xvfb 150 199 1280x860x24
"$wine" explorer /desktop=Quillbay,1280x860 "$bin/Quillbay.exe" &
sleep 6
shot=$build/demo-screenshot.png
import -window root "$shot"
echo "demo: no display, so Quillbay.exe ran under Xvfb; screenshot saved to $shot"
"$wineserver" -k >/dev/null 2>&1 || true
