#!/usr/bin/env bash
# Builds the fuzz targets (clang, libFuzzer, address and undefined-behaviour
# sanitizers; tools/sanitized-build.sh) and runs each for the given number of
# seconds (default 30), one after the other, starting from the seeds in
# tests/fuzz/corpus. Prints each target's executions; fails on any finding,
# whose input is kept in build-asan/findings.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-30}
if ! [[ "$seconds" =~ ^[0-9]+$ ]] || [ "$seconds" -eq 0 ]; then
    echo "usage: $0 [seconds per target]" >&2
    exit 2
fi

bash tools/sanitized-build.sh
build_dir=build-asan

# The targets write scratch files; memory-backed ones keep them fast.
if [ -d /dev/shm ] && [ -w /dev/shm ]; then
    export TMPDIR=/dev/shm
fi
# libFuzzer checks for leaks after the inputs that allocate; the sanitizer's
# own check at exit stumbles over the provider libraries a target keeps loaded.
# intercept_tls_get_addr=0 for the same reason as in tools/test.sh --sanitize:
# clang 14's leak check can misread a dynamic TLS block of a provider library.
export ASAN_OPTIONS=detect_leaks=1:leak_check_at_exit=0:abort_on_error=1:intercept_tls_get_addr=0
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
mkdir -p "$build_dir/findings"
failed=()
for seeds in tests/fuzz/corpus/*/; do
    target=$(basename "$seeds")
    corpus="$build_dir/corpus/$target"
    mkdir -p "$corpus"
    log="$build_dir/$target.log"
    # The provider target's coverage map is large; libFuzzer's entropic
    # schedule then costs more per input than the input itself.
    options=()
    if [ "$target" = fuzz_provider ]; then
        options=(-entropic=0)
    fi
    echo "fuzz: $target for ${seconds}s"
    if "$build_dir/tests/fuzz/$target" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2560 \
        -print_final_stats=1 -artifact_prefix="$build_dir/findings/$target-" "${options[@]}" \
        "$corpus" "$seeds" >"$log" 2>&1; then
        runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
        echo "fuzz: $target clean, ${runs:-?} executions"
    else
        echo "fuzz: $target FAILED (log $log)"
        grep -m 20 -E "ERROR|SUMMARY|runtime error|Test unit written" "$log" || true
        failed+=("$target")
    fi
done
if [ ${#failed[@]} -ne 0 ]; then
    echo "fuzz: findings in ${failed[*]}" >&2
    exit 1
fi
