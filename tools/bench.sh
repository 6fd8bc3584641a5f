#!/usr/bin/env bash
# Builds the benchmark in Release (in build-bench, beside the normal build)
# and runs every CIM operation on generated servers of 64, 512 and 4096
# interfaces, ending with one table: each operation's time per size, its ratio
# to the snapshot load of that size, the growth from 512 to 4096, and the peak
# memory of the process. Extra arguments go to the benchmark (for example
# --sizes=64,512 or --benchmark_filter=GetInstance).
set -euo pipefail
cd "$(dirname "$0")/.."

bash tools/setup.sh
build_dir=build-bench
echo "bench: configuring $build_dir (Release)"
cmake -S . -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=Release -DOVX_BUILD_TESTS=OFF
echo "bench: building"
cmake --build "$build_dir" -j 2 --target ovx-bench
echo "bench: running (this machine: $(nproc) cores, $(grep -m1 'model name' /proc/cpuinfo | cut -d: -f2 | sed 's/^ *//'))"
nice -n 15 "$build_dir/bench/ovx-bench" --benchmark_min_time=0.2 "$@"
