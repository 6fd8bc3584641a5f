#!/usr/bin/env bash
# Configures and builds build-asan: clang with the address and undefined-
# behaviour sanitizers and libFuzzer coverage, holding both the unit tests
# (tools/test.sh --sanitize) and the fuzz targets (tools/fuzz.sh), so that
# one sanitizer build serves both.
set -euo pipefail
cd "$(dirname "$0")/.."

bash tools/setup.sh --fuzz
build_dir=build-asan
launcher=()
if command -v ccache >/dev/null; then
    launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
fi
echo "sanitized build: configuring $build_dir"
CC=clang-14 CXX=clang++-14 cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DOVX_FUZZ=ON "${launcher[@]}" >/dev/null
echo "sanitized build: building"
cmake --build "$build_dir" -j 2
