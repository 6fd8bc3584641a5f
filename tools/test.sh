#!/usr/bin/env bash
# Builds everything and runs every test. With --sanitize, does the same in
# the clang build with AddressSanitizer and UndefinedBehaviorSanitizer that
# also holds the fuzz targets (tools/sanitized-build.sh); with --thread, in
# one with ThreadSanitizer.
set -euo pipefail
cd "$(dirname "$0")/.."

build_dir=build
cmake_options=(-DOVX_WERROR=ON)
if [ "${1:-}" = "--sanitize" ]; then
    bash tools/sanitized-build.sh
    echo "test: running the tests"
    # intercept_tls_get_addr=0: clang 14's runtime takes a dynamic TLS block
    # that starts 16 bytes into a page for an old glibc layout and reads the
    # allocator's chunk header before it as the block's bounds; its leak check
    # then crashes scanning them. Without the interception that TLS is not a
    # root, which can only add leak reports, never hide one.
    export ASAN_OPTIONS=halt_on_error=1:detect_leaks=1:abort_on_error=1:intercept_tls_get_addr=0
    export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
    exec ctest --test-dir build-asan --output-on-failure -j 2
elif [ "${1:-}" = "--thread" ]; then
    build_dir=build-tsan
    cmake_options+=(-DOVX_SANITIZE=thread -DCMAKE_BUILD_TYPE=Debug)
    export TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1
elif [ -n "${1:-}" ]; then
    echo "usage: $0 [--sanitize | --thread]" >&2
    exit 2
else
    cmake_options+=(-DCMAKE_BUILD_TYPE=RelWithDebInfo)
fi

bash tools/setup.sh
echo "test: configuring $build_dir"
cmake -S . -B "$build_dir" -G Ninja "${cmake_options[@]}"
echo "test: building"
cmake --build "$build_dir" -j 2
echo "test: running the tests"
ctest --test-dir "$build_dir" --output-on-failure -j 2
