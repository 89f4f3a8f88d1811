#!/usr/bin/env bash
# Fails when an include under src/ points up a floor or across to a neighbour:
#   core < platform < analysis < operations < console, ui < app
# Headers outside these folders (the standard library, Windows, resources/) are
# not floors and pass.
set -euo pipefail
cd "$(dirname "$0")/../src"

floor_of() {
  case $1 in
    core) echo 0 ;; platform) echo 1 ;; analysis) echo 2 ;; operations) echo 3 ;;
    console | ui) echo 4 ;; app) echo 5 ;; *) echo "" ;;
  esac
}

violations=0
checked=0
while IFS=: read -r file line target; do
  from=${file%%/*}
  to=${target%%/*}
  [ "$to" = "$target" ] && continue # no folder: not a floor
  to_floor=$(floor_of "$to")
  [ -z "$to_floor" ] && continue
  from_floor=$(floor_of "$from")
  checked=$((checked + 1))
  if [ "$to_floor" -gt "$from_floor" ] || { [ "$to_floor" -eq "$from_floor" ] && [ "$to" != "$from" ]; }; then
    echo "src/$file:$line: $from includes $target"
    violations=$((violations + 1))
  fi
done < <(grep -rnoE '^[[:space:]]*#[[:space:]]*include[[:space:]]+"[^"]+"' --include='*.h' --include='*.cpp' . |
           sed -E 's|^\./||; s|:[[:space:]]*#[[:space:]]*include[[:space:]]+"|:|; s|"$||')

if [ "$violations" -ne 0 ]; then
  echo "check-include-floors: $violations include(s) run up or across a floor"
  exit 1
fi
echo "check-include-floors: $checked includes between floors, all pointing down or within their floor"
