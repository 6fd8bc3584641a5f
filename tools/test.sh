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
    export ASAN_OPTIONS=halt_on_error=1:detect_leaks=1:abort_on_error=1
    export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
    log="$PWD/build-asan/Testing/ctest-output.log"
    if ctest --test-dir build-asan --output-on-failure -j 2 --output-log "$log"; then
        exit 0
    fi
    # LeakSanitizer's own tracer now and then crashes at exit after the test
    # passed; no leak check ran then. Only when every failure is that crash are
    # those tests run once more, so that the leak check is done after all; any
    # other failure stands.
    failed=$(cat build-asan/Testing/Temporary/LastTestsFailed.log 2>/dev/null | wc -l)
    crashed=$(grep -c "LeakSanitizer has encountered a fatal error" "$log" || true)
    if [ "$failed" -gt 0 ] && [ "$failed" -eq "$crashed" ]; then
        echo "test: LeakSanitizer itself failed in $failed test(s) before checking for leaks; running them once more"
        exec ctest --test-dir build-asan --output-on-failure --rerun-failed
    fi
    exit 1
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
