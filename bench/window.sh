#!/usr/bin/env bash
# The window against the command-line tool, timed from outside under a real X server:
#   bench/window.sh BUILD_DIR START_PAGE [INDEX_START_PAGE]
# 1. a build from Enter on "Create index file?" until the index file exists, against
#    sitefinch-cli build of the same site (START_PAGE's folder must be writable);
# 2. with INDEX_START_PAGE (a start page whose .idx exists): the time until the main window is
#    visible, less an empty start, against sitefinch-cli query of the same index.
# Needs DISPLAY (for example Xvfb :91 & DISPLAY=:91, with a window manager) and xdotool.
set -euo pipefail
build=$1
start=$2
big=${3:-}
app=$build/src/app/sitefinch
cli=$build/src/cli/sitefinch-cli
export SITEFINCH_INSTANCE_NAME=sitefinch-window-bench-$$
now() { date +%s.%N; }

# The main window, not the Loading window, which carries the same name.
main_window_of() {
    local w width
    for w in $(xdotool search --onlyvisible --pid "$1" --name '^Sitefinch$' 2>/dev/null); do
        width=$(xdotool getwindowgeometry "$w" 2>/dev/null | sed -n 's/.*Geometry: \([0-9]*\)x.*/\1/p')
        if [ -n "$width" ] && [ "$width" -gt 500 ]; then
            echo "$w"
            return 0
        fi
    done
    return 1
}

index=${start%.*}.idx
for run in 1 2 3; do
    rm -f "$index"
    "$app" "$start" >/dev/null 2>&1 &
    pid=$!
    xdotool search --sync --name '^Question$' >/dev/null
    sleep 0.3
    t0=$(now)
    xdotool key Return
    while [ ! -e "$index" ]; do sleep 0.005; done
    t1=$(now)
    kill "$pid"; wait "$pid" 2>/dev/null || true
    t2=$(now)
    "$cli" build "$start" >/dev/null 2>&1
    t3=$(now)
    awk -v w="$(echo "$t1 - $t0" | bc)" -v c="$(echo "$t3 - $t2" | bc)" \
        'BEGIN { printf "build %d: window %.3f s, sitefinch-cli %.3f s, %+.3f s\n", '"$run"', w, c, w - c }'
done

[ -n "$big" ] || exit 0
shown_after() {  # seconds from start until the main window shows
    local t0 pid
    t0=$(now)
    "$app" "$@" >/dev/null 2>&1 &
    pid=$!
    until main_window_of "$pid" >/dev/null; do sleep 0.005; done
    echo "$(now) - $t0" | bc
    kill "$pid"; wait "$pid" 2>/dev/null || true
    sleep 0.3
}
for run in 1 2 3; do
    empty=$(shown_after "" "x")
    loaded=$(shown_after "$big")
    t0=$(now)
    "$cli" query "$big" zzzz >/dev/null
    cli_s=$(echo "$(now) - $t0" | bc)
    awk -v e="$empty" -v l="$loaded" -v c="$cli_s" 'BEGIN {
        printf "load %d: window %.3f s above an empty start, sitefinch-cli query %.3f s, ratio %.2f (limit 1.5)\n",
               '"$run"', l - e, c, (l - e) / c }'
done
