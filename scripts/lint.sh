#!/usr/bin/env bash
# Format and static checks over our own sources: clang-format must change nothing and clang-tidy
# (.clang-tidy) must find nothing. Needs a configured build (compile_commands.json); BUILD_DIR
# chooses it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup-packages.sh
build_dir=${BUILD_DIR:-build}
[ -f "$build_dir/compile_commands.json" ] || cmake --preset default -B "$build_dir" >/dev/null
# Generated forms and resources must exist for the sources that include them.
cmake --build "$build_dir" >/dev/null || cmake --build "$build_dir"

mapfile -t sources < <(git ls-files '*.cpp' '*.h')
echo "clang-format: ${#sources[@]} files"
clang-format --dry-run -Werror "${sources[@]}"

layers='sdk|acquisition|framework|linetrigger|plugin|sim|genicam|viewer|tests|bench'
echo "clang-tidy: our own translation units in $build_dir/compile_commands.json"
log=$(mktemp)
trap 'rm -f "$log"' EXIT
status=0
run-clang-tidy -quiet -p "$build_dir" -j "$(nproc)" "^$PWD/($layers)/[^/]*\.cpp$" >"$log" 2>&1 || status=$?
grep -v -E '^[0-9]+ warnings? generated|^Suppressed [0-9]+ warnings|^Use -header-filter|^clang-tidy-14 |^$' "$log" || true
[ "$status" -eq 0 ] || { echo "lint: clang-tidy found problems"; exit "$status"; }
echo "lint: clean"
