#!/usr/bin/env bash
# Installs what is missing, builds (RelWithDebInfo) and runs the whole test suite.
# BUILD_DIR chooses the build folder; SANITIZE=1 builds with AddressSanitizer + UBSan (preset asan).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup-packages.sh
preset=default
build_dir=${BUILD_DIR:-build}
if [ "${SANITIZE:-0}" = 1 ]; then
    preset=asan
    build_dir=${BUILD_DIR:-build-asan}
    # Full unwinding: Qt's libraries have no frame pointers, and suppressions match on whole stacks.
    export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=1:fast_unwind_on_malloc=0}
    export LSAN_OPTIONS=${LSAN_OPTIONS:-suppressions=$PWD/tests/lsan.supp:print_suppressions=0}
    export UBSAN_OPTIONS=${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}
fi
cmake --preset "$preset" -B "$build_dir"
cmake --build "$build_dir"
QT_QPA_PLATFORM=offscreen ctest --test-dir "$build_dir" --output-on-failure -j2
