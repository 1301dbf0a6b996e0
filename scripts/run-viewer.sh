#!/usr/bin/env bash
# Installs what is missing, builds, and starts the viewer with the Line Trigger plug-in on the
# built-in simulated camera. Without a display it runs the headless demo instead and names the
# folder its screenshots went to. Extra arguments go to the viewer.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup-packages.sh
build_dir=${BUILD_DIR:-build}
cmake --preset default -B "$build_dir"
cmake --build "$build_dir" --target linetrigger-viewer linetrigger
viewer="$build_dir/bin/linetrigger-viewer"
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
    exec "$viewer" "$@"
fi
out=${DEMO_DIR:-"$PWD/demo-screenshots"}
echo "No display found: running the headless demo (offscreen)."
QT_QPA_PLATFORM=offscreen "$viewer" --demo "$out" "$@" 2> >(grep -v -E 'XDG_RUNTIME_DIR|propagateSizeHints' >&2)
echo "Screenshots of the demo: $out"
