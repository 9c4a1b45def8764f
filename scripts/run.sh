#!/usr/bin/env bash
# Installs what is missing, builds, and starts Sitefinch on the bundled sample site.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
cmake --preset release >/dev/null
cmake --build --preset release -j "$(nproc)"

site="$PWD/examples/site/index.htm"
if [ -x build/release/src/app/sitefinch ] && { [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; }; then
    exec build/release/src/app/sitefinch "$site" "${1:-}"
fi

echo "No display here: showing the sample site through sitefinch-cli instead." >&2
cli=build/release/src/cli/sitefinch-cli
"$cli" build "$site"
"$cli" query "$site" "${1:-}"
