#!/usr/bin/env bash
# Builds the provider, the sample peer provider and the ovx-cim client, then
# shows what a systems-management client sees of the sample server
# (examples/) through the embedded CIM host. Nothing outside a scratch copy
# of the sample is read or written.
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

heading "The IP endpoints of the host and its management controller, with their addresses" \
    "ei OVX_IPProtocolEndpoint"
step "the IP endpoints are not served yet: the provider in this build does not answer for OVX_IPProtocolEndpoint" \
    ei OVX_IPProtocolEndpoint

# The first endpoint's path, as a client would copy it from the listing.
endpoint=$("${ovx_cim[@]}" ein OVX_IPProtocolEndpoint 2>/dev/null | head -n 1 || true)
if [ -z "$endpoint" ]; then
    echo
    echo "demo: no IP endpoint to fetch by its path or follow to its associations;"
    echo "demo: these steps need the endpoint provider to answer."
    exit 0
fi

heading "One endpoint, fetched by its path" "gi '$endpoint'"
step "the endpoint could not be fetched" gi "$endpoint"

heading "The default gateways, one access point per gateway and address family" \
    "ei OVX_IPRemoteServiceAccessPoint"
step "the gateways could not be listed" ei OVX_IPRemoteServiceAccessPoint

# eth1 is dual stack; its static settings come from its ifcfg file.
static_settings='OVX_StaticIPAssignmentSettingData.InstanceID="Computer%eth1"'
heading "The static settings of one endpoint, as its ifcfg file holds them" \
    "gi '$static_settings'"
step "the static settings could not be fetched" gi "$static_settings"

heading "What that endpoint is associated with" "ai '$endpoint'"
step "associations of the IP endpoints are not served yet: this step shows them once they are" \
    ai "$endpoint"

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
