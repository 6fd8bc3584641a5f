#!/usr/bin/env bash
# Installs what building and testing need on a Debian 12 machine, and nothing
# when it is all there already. With --cimom, also the CIM client the real-CIMOM
# suite drives sfcb with (sfcb's own build packages come with build-sfcb.sh);
# with --fuzz, clang and libFuzzer.
set -euo pipefail

packages=(cmake ninja-build g++ libgtest-dev libgmock-dev nlohmann-json3-dev
    libnl-3-dev libnl-route-3-dev pkg-config iproute2 libbenchmark-dev)
if [ "${1:-}" = "--cimom" ]; then
    packages+=(sblim-wbemcli)
elif [ "${1:-}" = "--fuzz" ]; then
    packages+=(clang-14 libfuzzer-14-dev)
elif [ -n "${1:-}" ]; then
    echo "usage: $0 [--cimom | --fuzz]" >&2
    exit 2
fi
missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$package")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    echo "setup: all build packages present (${packages[*]})"
    exit 0
fi

sudo=()
if [ "$(id -u)" -ne 0 ]; then
    sudo=(sudo)
fi
echo "setup: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
"${sudo[@]}" apt-get update -q
"${sudo[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
