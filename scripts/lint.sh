#!/usr/bin/env bash
# clang-tidy with the project's .clang-tidy over the core, the front-ends and the fuzzer, using
# the compile commands of a configured build. Usage: scripts/lint.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build}"
if [ ! -f "$build/compile_commands.json" ]; then
    echo "lint: $build/compile_commands.json is missing: build first" >&2
    exit 2
fi
# The build's warnings are g++'s; clang counts sign changes under -Wconversion, g++ does not.
find src app fuzz -name '*.cpp' -print0 |
    xargs -0 -n 1 -P 2 clang-tidy -p "$build" --quiet --extra-arg=-Wno-sign-conversion 2>/dev/null
echo "lint: clean"
