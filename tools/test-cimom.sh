#!/usr/bin/env bash
# Runs the provider in a real CIMOM and drives it over CIM-XML with wbemcli:
# builds sblim-sfcb once (from ../shared/cimom beside the repository) into
# BUILD_DIR/cimom, starts a private sfcbd on a free loopback port with the
# provider and the sample peer provider installed and registered as
# tools/register-sfcb.sh does it, gives it a scratch copy of examples/ as its
# data directory, runs tests/cimom/suite.sh and stops the instance again,
# whatever happens.
#
#   tools/test-cimom.sh [BUILD_DIR]      (default: build)
#
# OVX_CIMOM_KEEP=1 keeps the instance's folder (logs, data) after a pass too.
set -euo pipefail

repo=$(cd "$(dirname "$0")/.." && pwd)
cimom=$(cd "$repo/.." && pwd)/shared/cimom
build_dir=${1:-build}
case "$build_dir" in /*) ;; *) build_dir=$repo/$build_dir ;; esac
say() { echo "test-cimom: $*"; }
die() { echo "test-cimom: error: $*" >&2; exit 1; }

[ -x "$cimom/build-sfcb.sh" ] && [ -x "$cimom/sfcb-instance.sh" ] ||
    die "no test CIMOM in $cimom (it must sit beside the repository as ../shared/cimom)"

# ---- what the suite needs: the two provider libraries, ovx-cim for the
# embedded host's answers, sfcb and wbemcli
bash "$repo/tools/setup.sh" --cimom
if [ ! -f "$build_dir/build.ninja" ]; then
    say "configuring $build_dir"
    cmake -S "$repo" -B "$build_dir" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DOVX_WERROR=ON
fi
say "building the providers and ovx-cim in $build_dir"
cmake --build "$build_dir" -j 2 --target IPInterfaceProvider OVXPeerProvider OVXProfileProvider ovx-cim
sfcb=$build_dir/cimom/sfcb
say "sfcb in $sfcb (built once)"
bash "$cimom/build-sfcb.sh" "$sfcb"
command -v wbemcli >/dev/null || die "wbemcli missing (Debian package sblim-wbemcli)"

# ---- a private instance; its folder must be short and without blanks
instance=$(mktemp -d /tmp/ovx-cimom.XXXXXX)
started=""
finish() {
    local status=$?
    if [ -n "$started" ]; then
        bash "$cimom/sfcb-instance.sh" stop "$instance" || status=1
    fi
    if [ "$status" -eq 0 ] && [ "${OVX_CIMOM_KEEP:-0}" != 1 ]; then
        rm -rf "$instance"
    else
        say "instance kept for inspection: $instance (log: $instance/sfcbd.log)"
    fi
    exit "$status"
}
trap finish EXIT
trap 'exit 130' INT TERM

free_port() {   # a loopback port nothing listens on
    local port
    for _ in $(seq 1 50); do
        port=$((20000 + RANDOM % 40000))
        if ! (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; then
            echo "$port"
            return 0
        fi
    done
    return 1
}

# Deployed as an administrator would: cmake --install, then the installed
# libraries in the instance's provider folder and register-sfcb.sh with the
# instance's staging area. The registration file is the development one,
# which adds the peer provider's classes to the product's.
say "installing into $instance/install"
cmake --install "$build_dir" --prefix "$instance/install" >/dev/null
share=$instance/install/share/ovx-ip-provider
data=$instance/data
mkdir -p "$data"
cp "$repo"/examples/system.json "$repo"/examples/ifcfg-* "$data"/

for attempt in 1 2 3; do
    port=$(free_port) || die "no free loopback port"
    bash "$cimom/sfcb-instance.sh" init "$instance" "$sfcb" "$port" >/dev/null
    # Idle providers are unloaded after a few seconds, so that the suite sees
    # unload and reload.
    sed -i -e 's/^# *providerTimeoutInterval:.*/providerTimeoutInterval: 4/' \
        -e 's/^# *providerSampleInterval:.*/providerSampleInterval: 2/' "$instance/sfcb.cfg"
    install -m 755 "$instance"/install/lib*/cmpi/lib*.so \
        "$build_dir/host/peers/libOVXPeerProvider.so" "$instance/providers/"
    {
        cat "$repo/mof/providers.reg"
        sed -n '/^\[OVX_ElementConformsToProfile\]/,/^#/p' "$share/ovx-ip-provider.reg"
    } > "$instance/ovx-test.reg"
    bash "$repo/tools/register-sfcb.sh" --sfcb "$sfcb" --datadir "$share" \
        --reg "$instance/ovx-test.reg" --stage "$instance/stage" \
        --registration "$instance/registration" --schema "$instance/schema" --no-migrate
    if OVX_DATA_DIR=$data/ bash "$cimom/sfcb-instance.sh" start "$instance"; then
        started=yes
        break
    fi
    say "start on port $port failed (attempt $attempt)"
done
[ -n "$started" ] || die "sfcbd did not start"

suite=0
bash "$repo/tests/cimom/suite.sh" "http://localhost:$port" "$data" "$instance" \
    "$build_dir/host/cli/ovx-cim" || suite=$?

# The way back out, as an administrator would take it.
bash "$cimom/sfcb-instance.sh" stop "$instance" >/dev/null
started=""
bash "$repo/tools/unregister-sfcb.sh" --sfcb "$sfcb" --reg "$instance/ovx-test.reg" \
    --stage "$instance/stage" --registration "$instance/registration" \
    --schema "$instance/schema" --no-migrate
if grep -qi 'OVX_' "$instance/registration/providerRegister" ||
    [ -n "$(find "$instance/stage" -name 'OVX_*')" ]; then
    die "unregister-sfcb.sh left OVX registrations or MOFs behind"
fi
exit "$suite"
