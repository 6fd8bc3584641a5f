#!/usr/bin/env bash
# Builds the provider, the sample peer provider and the ovx-cim client, then
# shows what a systems-management client sees of the sample server
# (examples/) through the embedded CIM host, and last this machine's own
# interfaces through the live backend, read-only. Nothing outside a scratch
# copy of the sample is written.
set -euo pipefail
cd "$(dirname "$0")/.."

build_dir=build
# The same options as tools/test.sh, so that both share one build tree.
cmake_options=(-DOVX_WERROR=ON -DCMAKE_BUILD_TYPE=RelWithDebInfo)

bash tools/setup.sh
echo "demo: configuring $build_dir"
cmake -S . -B "$build_dir" -G Ninja "${cmake_options[@]}" >/dev/null
echo "demo: building the provider, the peer provider and ovx-cim"
cmake --build "$build_dir" -j 2 --target IPInterfaceProvider OVXPeerProvider ovx-cim

scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
cp examples/system.json examples/ifcfg-* "$scratch"/

ovx_cim=("$build_dir/host/cli/ovx-cim" --data-dir "$scratch")

heading() {
    printf '\n== %s\n' "$1"
    printf '$ ovx-cim %s\n\n' "$2"
}

# Runs one step. A CIM error (status 1) is shown and explained, and the demo
# goes on; a bad command line, a host that cannot start or a crash stops it.
step() {
    local note=$1
    shift
    local status=0
    "${ovx_cim[@]}" "$@" || status=$?
    if [ "$status" -eq 1 ]; then
        echo "demo: $note"
    elif [ "$status" -ne 0 ]; then
        echo "demo: ovx-cim $1 failed unexpectedly (exit status $status)" >&2
        exit "$status"
    fi
}

heading "The computer systems (served by the sample peer provider)" \
    "ei OVX_ComputerSystem"
step "the peer provider did not answer" ei OVX_ComputerSystem

# The host system's path, as a client would copy it from the listing.
system=$("${ovx_cim[@]}" ein OVX_ComputerSystem 2>/dev/null | head -n 1 || true)
if [ -z "$system" ]; then
    echo
    echo "demo: no computer system to navigate from; the peer provider did not answer."
    exit 0
fi

heading "From the computer system to its IP endpoints" \
    "ain '$system' --assoc-class OVX_IPHostedAccessPoint"
step "the endpoints of the computer system could not be followed" \
    ain "$system" --assoc-class OVX_IPHostedAccessPoint

# The first endpoint of the host, as a client would pick it from that list.
endpoint=$("${ovx_cim[@]}" ain "$system" --assoc-class OVX_IPHostedAccessPoint 2>/dev/null |
    head -n 1 || true)
if [ -z "$endpoint" ]; then
    echo
    echo "demo: the computer system has no IP endpoint to navigate from."
    exit 0
fi

heading "That endpoint, fetched by its path, with its addresses" "gi '$endpoint'"
step "the endpoint could not be fetched" gi "$endpoint"

heading "Its static and DHCP settings" \
    "ai '$endpoint' --assoc-class OVX_IPElementSettingData"
step "the settings of the endpoint could not be followed" \
    ai "$endpoint" --assoc-class OVX_IPElementSettingData

heading "Its static setting, as the interface's ifcfg file holds it" \
    "ai '$endpoint' --assoc-class OVX_StaticIPElementSettingData"
step "the static setting of the endpoint could not be followed" \
    ai "$endpoint" --assoc-class OVX_StaticIPElementSettingData

heading "Its default gateway" \
    "ai '$endpoint' --assoc-class OVX_IPRemoteAccessAvailableToElement"
step "the gateway of the endpoint could not be followed" \
    ai "$endpoint" --assoc-class OVX_IPRemoteAccessAvailableToElement

heading "Everything the endpoint is associated with, by path" "ain '$endpoint'"
step "the associations of the endpoint could not be followed" ain "$endpoint"

heading "The association instance that ties it to its port" \
    "rin '$endpoint' --result-class OVX_BindsToLanEndPoint"
step "the references of the endpoint could not be followed" \
    rin "$endpoint" --result-class OVX_BindsToLanEndPoint

# A console reconfigures eth0: it edits the static setting, then applies it.
# Without a configuration name (the edit clears it) a change that needs a
# restart gets one; the sample's node store only records the request.
eth0=$("${ovx_cim[@]}" ein OVX_IPProtocolEndpoint 2>/dev/null | grep 'Name="eth0"' | head -n 1 || true)
service=$("${ovx_cim[@]}" ein OVX_IPConfigurationService 2>/dev/null | head -n 1 || true)
if [ -z "$eth0" ] || [ -z "$service" ]; then
    echo
    echo "demo: the configuration service is not served yet; the reconfiguration steps need it."
    exit 0
fi
setting='OVX_StaticIPAssignmentSettingData.InstanceID="Computer%eth0"'

heading "A console gives eth0 a new static address" \
    "mi '$setting' IPv4Address=192.0.2.20 ConfigurationName="
step "the static setting could not be changed" \
    mi "$setting" IPv4Address=192.0.2.20 ConfigurationName=

configuration='OVX_IPAssignmentSettingData.InstanceID="Computer%eth0%static"'
heading "... and applies that configuration to the endpoint: the return value and the Job" \
    "cm '$service' ApplySettingToIPProtocolEndpoint Configuration='$configuration' Endpoint='$eth0'"
step "the configuration could not be applied" \
    cm "$service" ApplySettingToIPProtocolEndpoint "Configuration=$configuration" "Endpoint=$eth0"

heading "The endpoint as it now reads" "gi '$eth0'"
step "the endpoint could not be fetched" gi "$eth0"

echo
echo "demo: the new address needs a restart; the sample's node store recorded the request:"
grep -A 3 '"rebootRequests"' "$scratch/system.json" || echo "demo: (no restart was requested)"

# The same client on the live backend: the kernel's links, addresses and
# default routes of this machine, read over netlink. Read-only: changes would
# need OVX_LIVE_CHANGES=yes, which the demo never sets.
heading "This machine's own interfaces, read from the running system" \
    "--live ei OVX_IPProtocolEndpoint"
unset OVX_LIVE_CHANGES
step "this machine's interfaces could not be read" --live ei OVX_IPProtocolEndpoint
