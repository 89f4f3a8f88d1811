# Sourced by the host-side checks of the console commands, which set $here
# (their folder) and $build first. `start_console_check TAG FILE...` stops the
# check (exit 2) unless each FILE exists under the build folder, then makes the
# scratch folder $work with a fresh Wine prefix of its own, both gone when the
# check ends. `windows PATH` prints the Windows form of a host path.
start_console_check() {
    local tag=$1 file
    shift
    for file in "$@"; do
        [ -f "$build/$file" ] || { echo "$(basename "$0" .sh): $build/$file is missing; build first" >&2; exit 2; }
    done
    export LC_ALL=C.UTF-8
    . "$here/../../cmake/wine-prefix.sh"
    work=$(mktemp -d "${TMPDIR:-/tmp}/quillbay-$tag.XXXXXX")
    export WINEPREFIX=$work/prefix
    trap '"$wineserver" -k >/dev/null 2>&1 || true; rm -rf "$work"' EXIT
    wine_make_prefix
}

windows() { printf 'Z:%s' "$1" | tr / '\\'; }
