#!/usr/bin/env bash
# Builds the layers where threads meet (sdk, sim, genicam, viewer) with ThreadSanitizer (preset tsan)
# and runs their tests. Qt, GLib and Aravis are not instrumented: tests/tsan.supp names what of
# theirs is not ours. BUILD_DIR chooses the build folder.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup-packages.sh
build_dir=${BUILD_DIR:-build-tsan}
cmake --preset tsan -B "$build_dir"
cmake --build "$build_dir" --target sdk_tests sim_tests genicam_tests viewer_tests linetrigger linetrigger-viewer
export TSAN_OPTIONS="suppressions=$PWD/tests/tsan.supp second_deadlock_stack=1 ${TSAN_OPTIONS:-}"
export QT_QPA_PLATFORM=offscreen
status=0
for suite in sdk_tests sim_tests genicam_tests viewer_tests; do
    echo "== $suite"
    "$build_dir/bin/$suite" --gtest_brief=1 || status=1
done
exit $status
