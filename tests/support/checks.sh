# Sourced by the host-side cross-check scripts: `check DESCRIPTION COMMAND...`
# runs one check, prints ok/FAIL (with the start of its output) and counts it.
# Needs $work, a scratch folder of the caller.
checks=0
failures=0
check() {
    description=$1
    shift
    checks=$((checks + 1))
    if "$@" >"$work/last.log" 2>&1; then
        echo "ok    $description"
    else
        failures=$((failures + 1))
        echo "FAIL  $description"
        head -n 20 "$work/last.log" | cut -c1-200
    fi
}
