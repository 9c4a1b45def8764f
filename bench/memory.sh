#!/usr/bin/env bash
# Peak resident memory against the index file's size: sitefinch-cli query, and the window with the
# file loaded above an empty start.
#   bench/memory.sh [BUILD_DIR [INDEX_FILE]]
# BUILD_DIR defaults to build/release; without INDEX_FILE a 1,000,000-entry index is generated.
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build/release}
cli=$build/src/cli/sitefinch-cli
app=$build/src/app/sitefinch
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

index=${2:-}
if [ -z "$index" ]; then
    index=$work/start.idx
    # Texts of letters, digits and blanks only, so that byte order is the index's order.
    awk 'BEGIN {
        split("Printer Setup Installation Guide Network Options Configuration Index Backup Restore Permissions Overview Advanced Status Download Help", w, " ");
        srand(1);
        for (i = 0; i < 1000000; i++) {
            t = w[int(rand() * 16) + 1] " " w[int(rand() * 16) + 1] " " w[int(rand() * 16) + 1] " " i;
            printf "%s\t/srv/doc/d%d/page%d.htm#s%d\n", tolower(t) "\t" t, i % 100, i % 5000, i;
        }
    }' | LC_ALL=C sort -t "$(printf '\t')" -k1,1 | awk -F '\t' '{ printf "%s\r\n@%s\r\n", $2, $3 }' > "$index"
fi
# The window is given the start page of the index file; the page itself need not exist.
start=${index%.*}.htm

size=$(stat -c %s "$index")
peak() { /usr/bin/time -f %M "$@" 2>&1 >/dev/null | tail -n 1; }  # KB

cli_kb=$(peak "$cli" query "$start" "zzzz")
cli_all_kb=$(peak "$cli" query "$start" "")
echo "index file: $((size / 1024)) KB"
awk -v k="$cli_kb" -v a="$cli_all_kb" -v s="$size" 'BEGIN {
    printf "sitefinch-cli query (no match): %d KB, %.2f x the file (target <= 2)\n", k, k * 1024 / s;
    printf "sitefinch-cli query (all):      %d KB, %.2f x the file\n", a, a * 1024 / s }'

if [ -x "$app" ]; then
    # The window, offscreen with the text pane, ended by SIGTERM once it has had time to load.
    export QT_QPA_PLATFORM=offscreen SITEFINCH_PANE=text SITEFINCH_INSTANCE_NAME=memory-$$
    empty_kb=$(peak timeout -s TERM 4 "$app" "" "x" || true)
    loaded_kb=$(peak timeout -s TERM 8 "$app" "$start" || true)
    awk -v e="$empty_kb" -v l="$loaded_kb" -v s="$size" 'BEGIN {
        printf "window: %d KB empty, %d KB loaded, %.2f x the file above empty (target <= 3)\n",
               e, l, (l - e) * 1024 / s }'
fi
