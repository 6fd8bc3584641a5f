#!/usr/bin/env bash
# Integration suite: the provider and the sample peer provider in a running
# sfcbd, driven over CIM-XML with wbemcli and checked against the sample
# system and against the embedded host's answers on the same data. Run by
# tools/test-cimom.sh, which starts and stops the instance:
#
#   suite.sh URL DATA_DIR INSTANCE_DIR OVX_CIM
#
# Cases are rows of the tables below; a newly served class, association or
# method is covered by adding its rows.
set -uo pipefail

url=$1 data=$2 instance=$3 ovxcim=$4
ns=root/cimv2
P=$url/$ns
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
passed=0 failed=0

# ---------------------------------------------------------------- tables

# Instance classes: class | CIM base class a console may enumerate deep
INSTANCE_CLASSES=(
    "OVX_IPProtocolEndpoint | CIM_IPProtocolEndpoint"
    "OVX_IPAssignmentSettingData | CIM_IPAssignmentSettingData"
    "OVX_StaticIPAssignmentSettingData | CIM_StaticIPAssignmentSettingData"
    "OVX_IPRemoteServiceAccessPoint | CIM_RemoteServiceAccessPoint"
    "OVX_IPConfigurationService | CIM_IPConfigurationService"
    "OVX_IPEnabledLogicalElementCapabilities | CIM_EnabledLogicalElementCapabilities"
    "OVX_ComputerSystem | CIM_ComputerSystem"
    "OVX_SPComputerSystem | CIM_ComputerSystem"
    "OVX_LANEndpoint | CIM_LANEndpoint"
    "OVX_DHCPSettingData | CIM_DHCPSettingData"
    "OVX_DNSSettingData | CIM_DNSSettingData"
    "OVX_DNSGeneralSettingData | CIM_DNSGeneralSettingData"
    "OVX_DNSProtocolEndpoint | CIM_DNSProtocolEndpoint"
)

# Associations: class | CIM base class | role | class at that end | other role | class there
ASSOCIATIONS=(
    "OVX_IPElementSettingData | CIM_ElementSettingData | ManagedElement | OVX_IPProtocolEndpoint | SettingData | OVX_IPAssignmentSettingData"
    "OVX_StaticIPElementSettingData | CIM_ElementSettingData | ManagedElement | OVX_IPProtocolEndpoint | SettingData | OVX_StaticIPAssignmentSettingData"
    "OVX_StaticOrderedComponent | CIM_OrderedComponent | GroupComponent | OVX_IPAssignmentSettingData | PartComponent | OVX_StaticIPAssignmentSettingData"
    "OVX_BindsToLanEndPoint | CIM_BindsToLANEndpoint | Antecedent | OVX_LANEndpoint | Dependent | OVX_IPProtocolEndpoint"
    "OVX_IPHostedAccessPoint | CIM_HostedAccessPoint | Antecedent | OVX_ComputerSystem | Dependent | OVX_IPProtocolEndpoint"
    "OVX_SPHostedAccessPoint | CIM_HostedAccessPoint | Antecedent | OVX_SPComputerSystem | Dependent | OVX_IPProtocolEndpoint"
    "OVX_RemoteHostedAccessPoint | CIM_HostedAccessPoint | Antecedent | OVX_ComputerSystem | Dependent | OVX_IPRemoteServiceAccessPoint"
    "OVX_IPRemoteAccessAvailableToElement | CIM_RemoteAccessAvailableToElement | Antecedent | OVX_IPRemoteServiceAccessPoint | Dependent | OVX_IPProtocolEndpoint"
    "OVX_IPElementCapabilities | CIM_ElementCapabilities | ManagedElement | OVX_IPProtocolEndpoint | Capabilities | OVX_IPEnabledLogicalElementCapabilities"
    "OVX_IPHostedService | CIM_HostedService | Antecedent | OVX_ComputerSystem | Dependent | OVX_IPConfigurationService"
    "OVX_IPServiceAffectsElement | CIM_ServiceAffectsElement | AffectingElement | OVX_IPConfigurationService | AffectedElement | OVX_IPProtocolEndpoint"
    # Its own name as the base: the product provider answers CIM_SAPSAPDependency,
    # a superclass of CIM_BindsToLANEndpoint that sfcb hands it, with rc 5, which
    # fails the whole traversal.
    "OVX_DNSSAPSAPDependency | OVX_DNSSAPSAPDependency | Antecedent | OVX_IPProtocolEndpoint | Dependent | OVX_DNSProtocolEndpoint"
)

# Bad requests: what | wbemcli arguments (one per line: verb, path, more) | CIM status code
EP='OVX_IPProtocolEndpoint.CreationClassName="OVX_IPProtocolEndpoint",SystemCreationClassName="OVX_ComputerSystem"'
BAD_REQUESTS=(
    "unknown instance | gi
$P:$EP,SystemName=\"@HOST@\",Name=\"nosuch0\" | 6"
    "unknown system | gi
$P:$EP,SystemName=\"otherhost\",Name=\"eth0\" | 6"
    "missing keys | gi
$P:OVX_IPProtocolEndpoint.Name=\"eth0\" | 6"
    "key the class does not have | gi
$P:$EP,SystemName=\"@HOST@\",Name=\"eth0\",Extra=\"x\" | 6"
    "key of the wrong type | gi
$P:$EP,SystemName=\"@HOST@\",Name=7 | 6"
    "unknown class | ein
$P:OVX_NoSuchClass | 5"
    "create refused | ci
$P:$EP,SystemName=\"@HOST@\",Name=\"eth9\"
IPv4Address=\"192.0.2.99\" | 7"
    "delete refused | di
$P:$EP,SystemName=\"@HOST@\",Name=\"eth0\" | 7"
    "unknown method | cm
$P:$EP,SystemName=\"@HOST@\",Name=\"eth0\"
NoSuchMethod | 17"
    "method argument out of range | cm
$P:$EP,SystemName=\"@HOST@\",Name=\"eth0\"
RequestStateChange.RequestedState=65536 | 4"
    "state an endpoint does not take | cm
$P:$EP,SystemName=\"@HOST@\",Name=\"eth2\"
RequestStateChange.RequestedState=5,TimeoutPeriod=00000000000010.000000:000 | 1"
    "method on an unknown instance | cm
$P:$EP,SystemName=\"@HOST@\",Name=\"nosuch0\"
RequestStateChange.RequestedState=3,TimeoutPeriod=00000000000010.000000:000 | 6"
    "modify with a malformed address | mi
$P:$EP,SystemName=\"@HOST@\",Name=\"eth0\"
IPv4Address=\"192.0.2.300\" | 4"
    "static settings with a mask that is not contiguous | mi
$P:OVX_StaticIPAssignmentSettingData.InstanceID=\"Computer%eth1\"
SubnetMask=\"255.0.255.0\" | 4"
    "modify of capabilities | mi
$P:OVX_IPEnabledLogicalElementCapabilities.InstanceID=\"eth0\"
ElementName=\"x\" | 7"
    "modify of a peer class | mi
$P:OVX_LANEndpoint.CreationClassName=\"OVX_LANEndpoint\",SystemCreationClassName=\"OVX_ComputerSystem\",SystemName=\"@HOST@\",Name=\"eth0\"
ElementName=\"x\" | 7"
)

# Accepted modifications: what | path | assignment | property=value gi shows afterwards
MODIFICATIONS=(
    "static address of eth0 | $EP,SystemName=\"@HOST@\",Name=\"eth0\" | IPv4Address=\"192.0.2.20\" | IPv4Address=\"192.0.2.20\""
    "mask of eth1 | $EP,SystemName=\"@HOST@\",Name=\"eth1\" | SubnetMask=\"255.255.0.0\" | SubnetMask=\"255.255.0.0\""
    "static gateway of eth1 | OVX_StaticIPAssignmentSettingData.InstanceID=\"Computer%eth1\" | GatewayIPv4Address=\"198.51.100.254\" | GatewayIPv4Address=\"198.51.100.254\""
    "default gateway of eth0 | OVX_IPRemoteServiceAccessPoint.CreationClassName=\"OVX_IPRemoteServiceAccessPoint\",SystemCreationClassName=\"OVX_ComputerSystem\",SystemName=\"@HOST@\",Name=\"eth0_IPv4\" | AccessInfo=\"192.0.2.254\" | AccessInfo=\"192.0.2.254\""
    "configuration name of eth0 | OVX_IPAssignmentSettingData.InstanceID=\"Computer%eth0%static\" | ConfigurationName=\"web01-renamed\" | ConfigurationName=\"web01-renamed\""
)

# Methods: what | path | method call | return value | property=value gi shows afterwards ("" for none)
METHODS=(
    "disable eth2 | $EP,SystemName=\"@HOST@\",Name=\"eth2\" | RequestStateChange.RequestedState=3,TimeoutPeriod=00000000000010.000000:000 | 0 | EnabledState=3"
    "enable eth2 again | $EP,SystemName=\"@HOST@\",Name=\"eth2\" | RequestStateChange.RequestedState=2,TimeoutPeriod=00000000000010.000000:000 | 0 | EnabledState=2"
    "disable without a timeout | $EP,SystemName=\"@HOST@\",Name=\"eth2\" | RequestStateChange.RequestedState=3 | 0 | EnabledState=3"
    "enable without a timeout | $EP,SystemName=\"@HOST@\",Name=\"eth2\" | RequestStateChange.RequestedState=2 | 0 | EnabledState=2"
)

# The registered profile: where it is and what conforms to it.
PROFILE_NS=root/interop
PROFILE_NAME="IP Interface"
PROFILE_CONFORMING=OVX_IPProtocolEndpoint

# ---------------------------------------------------------------- helpers

field() { # field ROW N: the Nth " | "-separated field of a table row, trimmed
    awk -v n="$2" 'BEGIN { RS = "\001" } { split($0, f, / \| /); s = f[n]; gsub(/^[ \t\n]+|[ \t\n]+$/, "", s); print s }' <<<"$1"
}

ok() { passed=$((passed + 1)); }
bad() { failed=$((failed + 1)); echo "FAIL: $*"; }
expect() { # expect WHAT COMMAND...: passes when the command succeeds
    local what=$1
    shift
    if "$@"; then ok; else bad "$what"; fi
}

wb() { # wb ARGS...: runs wbemcli; sets out, err and rc
    out=$(wbemcli "$@" 2>"$scratch/err")
    rc=$?
    err=$(cat "$scratch/err")
}

host() { # host ARGS...: the embedded host's answer on the same data; sets hout, hrc
    hout=$("$ovxcim" --data-dir "$data" "$@" 2>"$scratch/herr")
    hrc=$?
}

cim_code() { sed -n 's/.*Cim: (\([0-9]*\)).*/\1/p' <<<"$err" | head -n 1; }
failed_with() { [ "$rc" -ne 0 ] && [ "$(cim_code)" = "$1" ]; }

# wbemcli prints paths as HOST/NAMESPACE:CLASS.KEYS; feed them back with our URL.
as_url() { sed "s|^[^/]*/|$url/|" ; }

# A path in one spelling for both clients: the host part dropped, class
# names in lower case, the key=value atoms sorted, references unquoted (the
# embedded host quotes them, wbemcli does not), so that key order and
# quoting do not matter.
canonical_paths() {
    perl -ne '
        chomp; next unless length;
        s{^[^/:"]*:[0-9]+/}{}; s{^[^/:"]*/(?=root/)}{};
        s{="((?:root/[^:"]*:)?[A-Za-z_]\w*\.(?:\\.|[^"\\])*)"}{ my $v = $1; $v =~ s/\\"/"/g; "=$v" }ge;
        my ($head, $keys) = /^([^.]*)\.(.*)$/ or do { print lc($_), "\n"; next };
        my @atoms;
        while ($keys =~ /\G((?:"(?:\\.|[^"\\])*"|[^,"])+)(?:,|$)/gc) {
            my $atom = $1;
            if ($atom =~ /^(\w+)=((?:root\/[^:]*:)?\w+)\.(.*)$/s) { push @atoms, "$1=" . lc($2), $3 }
            else { push @atoms, $atom }
        }
        print lc($head), ".", join(",", sort @atoms), "\n";
    ' | sort
}

# Instances as "path | Name=value" lines, one per property, for both clients.
# wbemcli shows null and empty array properties as "-Name=", the host leaves
# them out.
canonical_wbemcli_instances() { # from wbemcli ei -nl
    awk '/^-[A-Za-z0-9_]+=$/ { next } /^-/ { sub(/^-/, ""); print path " | " $0; next } { path = $0 }' |
        sed 's/ | \([A-Za-z0-9_]*\)=/ | \1 = /'
}
canonical_host_instances() { # from ovx-cim ei; arrays written as wbemcli writes them
    awk '/^\/\/ / { path = substr($0, 4); next }
         /^    [A-Za-z0-9_]+ = \{\};$/ { next }
         /^    [A-Za-z0-9_]+ = / { sub(/^    /, ""); sub(/;$/, "")
             if ($0 ~ / = \{.*\}$/) { sub(/ = \{/, " = "); sub(/\}$/, ""); gsub(/, /, ",") }
             print path " | " $0 }'
}
instance_lines() { # instance_lines: canonical paths in front of each property line
    while IFS= read -r line; do
        printf '%s | %s\n' "$(canonical_paths <<<"${line%% | *}")" "${line#* | }"
    done | sort
}

reference_in() { # reference_in PATH ROLE OTHER_ROLE: the reference ROLE of an association path
    perl -e 'my ($p, $r, $o) = @ARGV; $p =~ s{^[^/]*/(?=root/)}{};
        print $1 if $p =~ /[.,]\Q$r\E=(.*?)(?:,\Q$o\E=|$)/' "$@"
}

data_digest() { cat "$data"/system.json "$data"/ifcfg-* | md5sum; }

provider_loaded() { # provider_loaded LIB: some process of the instance maps it
    [ -n "$(grep -ls "$instance/providers/$1" /proc/[0-9]*/maps)" ]
}

# ---------------------------------------------------------------- cases

hostname=$(hostname)

check_instance_class() { # class | base
    local class base names hnames
    class=$(field "$1" 1) base=$(field "$1" 2)
    wb ein "$P:$class"
    if [ $rc -ne 0 ] || [ -z "$out" ]; then
        bad "$class: ein answers nothing (rc $rc: $err)"
        return
    fi
    ok
    names=$out
    host ein "$class"
    expect "$class: ein agrees with the embedded host" \
        diff <(canonical_paths <<<"$names") <(canonical_paths <<<"$hout")

    wb ei -nl "$P:$class"
    expect "$class: ei returns the instances ein names" \
        diff <(canonical_paths <<<"$names") <(grep -v '^-' <<<"$out" | canonical_paths)
    local sfcb_props host_props
    sfcb_props=$(canonical_wbemcli_instances <<<"$out" | instance_lines)
    host ei "$class"
    host_props=$(canonical_host_instances <<<"$hout" | instance_lines)
    expect "$class: ei properties agree with the embedded host" \
        diff <(echo "$sfcb_props") <(echo "$host_props")

    local path unresolved=0
    while IFS= read -r path; do
        wb gi -nl "$(as_url <<<"$path")"
        if [ $rc -ne 0 ] || [ "$(head -n 1 <<<"$out" | canonical_paths)" != "$(canonical_paths <<<"$path")" ]; then
            unresolved=$((unresolved + 1))
            echo "  $class: gi $path: rc $rc $err"
        fi
    done <<<"$names"
    expect "$class: every path ein returns resolves with gi" [ $unresolved -eq 0 ]

    wb ein "$P:$base"
    expect "$class: deep enumeration of $base includes it" \
        bash -c 'comm -23 <(echo "$1") <(echo "$2") | grep -q . && exit 1 || exit 0' _ \
        "$(canonical_paths <<<"$names")" "$(canonical_paths <<<"$out")"
}

traverse() { # traverse "VERB FILTERS...": from $first, at least one answer, each resolving
    local -a args
    read -r -a args <<<"$1"
    wb "${args[@]}" "$first"
    local answers
    answers=$(grep -v '^[- ]' <<<"$out" | grep . | sed 's/ .*//')
    if [ $rc -ne 0 ] || [ -z "$answers" ]; then
        echo "  $assoc: $1 from $source: rc $rc, no answer $err"
        return 1
    fi
    local answer unresolved=0
    while IFS= read -r answer; do
        wb gi "$(as_url <<<"$answer")"
        [ $rc -eq 0 ] || { unresolved=1; echo "  $assoc: $1 from $source: $answer does not resolve: $err"; }
    done <<<"$answers"
    return $unresolved
}

check_association() { # class | base | role | class | other role | class
    local assoc base role1 class1 role2 class2
    assoc=$(field "$1" 1) base=$(field "$1" 2)
    role1=$(field "$1" 3) class1=$(field "$1" 4) role2=$(field "$1" 5) class2=$(field "$1" 6)
    wb ein "$P:$assoc"
    if [ $rc -ne 0 ] || [ -z "$out" ]; then
        bad "$assoc: ein answers nothing (rc $rc: $err)"
        return
    fi
    ok
    local refs=$out
    host ein "$assoc"
    expect "$assoc: ein agrees with the embedded host" \
        diff <(canonical_paths <<<"$refs") <(canonical_paths <<<"$hout")

    # Each end, both ways, with the association and result filters spelled
    # as OVX_ and as CIM_ classes; every answer resolves.
    local from role far farrole source filter count failures=0
    for from in 1 2; do
        if [ $from = 1 ]; then source=$class1 role=$role1 far=$class2 farrole=$role2
        else source=$class2 role=$role2 far=$class1 farrole=$role1; fi
        # Start from an end of a served association, so that there is something to find.
        local first
        first=$url/$(reference_in "$(head -n 1 <<<"$refs")" "$role" "$farrole")
        [ "$first" != "$url/" ] || { bad "$assoc: no $source to start from"; continue; }
        local verb
        for filter in "" "-ac $assoc" "-ac $base" "-ac $assoc -arc $far" "-ac $base -arc CIM_ManagedElement" \
            "-ac $assoc -ar $role -arr $farrole"; do
            for verb in ain ai; do traverse "$verb $filter" || failures=$((failures + 1)); done
        done
        for filter in "" "-arc $assoc" "-arc $base" "-arc $assoc -ar $role"; do
            for verb in rin ri; do traverse "$verb $filter" || failures=$((failures + 1)); done
        done
        # A filter that names another class answers nothing, successfully.
        wb ain -ac CIM_ServiceServiceDependency "$first"
        [ $rc -eq 0 ] && [ -z "$(grep -i "$far" <<<"$out")" ] ||
            { failures=$((failures + 1)); echo "  $assoc: ain -ac CIM_ServiceServiceDependency from $source: rc $rc $out"; }
        wb ain -ac "$assoc" -ar "$farrole" "$first"
        [ $rc -eq 0 ] && [ -z "$out" ] ||
            { failures=$((failures + 1)); echo "  $assoc: ain with the wrong role from $source: rc $rc $out"; }
    done
    expect "$assoc: traversed both ways with and without filters, every answer resolving" [ $failures -eq 0 ]
}

check_bad_request() { # what | wbemcli arguments | code
    local what args code
    what=$(field "$1" 1) args=$(field "$1" 2) code=$(field "$1" 3)
    local -a argv
    mapfile -t argv <<<"${args//@HOST@/$hostname}"
    local before
    before=$(data_digest)
    wb "${argv[@]}"
    expect "$what: CIM status $code (got rc $rc: $err)" failed_with "$code"
    expect "$what: the data files are unchanged" [ "$(data_digest)" = "$before" ]
}

check_modification() { # what | path | assignment | shown
    local what path assignment shown
    what=$(field "$1" 1) path=$(field "$1" 2) assignment=$(field "$1" 3) shown=$(field "$1" 4)
    path=$P:${path//@HOST@/$hostname}
    local before
    before=$(data_digest)
    wb mi "$path" "$assignment"
    expect "$what: mi accepted (rc $rc: $err)" [ $rc -eq 0 ]
    wb gi -nl "$path"
    expect "$what: gi shows $shown" grep -qx -- "-$shown" <<<"$out"
    expect "$what: the data files changed" [ "$(data_digest)" != "$before" ]
}

check_method() { # what | path | call | return value | shown
    local what path call ret shown
    what=$(field "$1" 1) path=$(field "$1" 2) call=$(field "$1" 3) ret=$(field "$1" 4) shown=$(field "$1" 5)
    path=$P:${path//@HOST@/$hostname}
    wb cm "$path" "$call"
    expect "$what: returns $ret (rc $rc: $out $err)" grep -q ": $ret\b" <<<"$out"
    if [ -n "$shown" ]; then
        wb gi -nl "$path"
        expect "$what: gi shows $shown" grep -qx -- "-$shown" <<<"$out"
    fi
}

check_profile() {
    local purl=$url/$PROFILE_NS
    wb ei -nl "$purl:CIM_RegisteredProfile"
    expect "profile: $PROFILE_NS lists the \"$PROFILE_NAME\" profile (rc $rc $err)" \
        grep -qx -- "-RegisteredName=\"$PROFILE_NAME\"" <<<"$out"
    local profile
    profile=$(awk -v name="$PROFILE_NAME" '/^-/ { if ($0 == "-RegisteredName=\"" name "\"") print path; next } { path = $0 }' <<<"$out" | head -n 1)
    [ -n "$profile" ] || return
    wb gi -nl "$(as_url <<<"$profile")"
    expect "profile: DMTF is its organisation" grep -qx -- '-RegisteredOrganization=2' <<<"$out"

    wb ain -ac CIM_ElementConformsToProfile "$(as_url <<<"$profile")"
    local conforming
    conforming=$(grep -i ":$PROFILE_CONFORMING\." <<<"$out")
    wb ein "$P:$PROFILE_CONFORMING"
    expect "profile: its conformance association reaches every $PROFILE_CONFORMING" \
        diff <(canonical_paths <<<"$conforming") <(canonical_paths <<<"$out")
    local first
    first=$(head -n 1 <<<"$conforming")
    wb gi "$(as_url <<<"$first")"
    expect "profile: the $PROFILE_CONFORMING reached resolves" [ $rc -eq 0 ]
    wb ain -ac CIM_ElementConformsToProfile -arc CIM_RegisteredProfile "$(as_url <<<"$first")"
    expect "profile: the way back from $PROFILE_CONFORMING leads to the profile" \
        diff <(canonical_paths <<<"$profile") <(canonical_paths <<<"$out")
    wb rin "$(as_url <<<"$first")"
    expect "profile: the $PROFILE_CONFORMING's references include the conformance" \
        grep -qi 'OVX_ElementConformsToProfile' <<<"$out"
}

check_idle_unload() { # the provider unloads when idle and answers the same afterwards
    local before
    wb ei -nl "$P:OVX_IPProtocolEndpoint"
    before=$out
    local waited=0
    while provider_loaded libIPInterfaceProvider.so && [ $waited -lt 40 ]; do
        sleep 1
        waited=$((waited + 1))
    done
    expect "idle unload: the provider process ended (waited ${waited}s)" \
        eval '! provider_loaded libIPInterfaceProvider.so'
    wb ei -nl "$P:OVX_IPProtocolEndpoint"
    expect "idle unload: reloaded, the answers are unchanged" [ "$out" = "$before" ]
}

check_log() {
    expect "sfcbd.log records no provider crash" \
        bash -c '! grep -E "SIGSEGV|signal [0-9]|exiting due to|terminate called|Aborted" "$1"' _ "$instance/sfcbd.log"
}

# ---------------------------------------------------------------- run

for row in "${INSTANCE_CLASSES[@]}"; do check_instance_class "$row"; done
for row in "${ASSOCIATIONS[@]}"; do check_association "$row"; done
for row in "${BAD_REQUESTS[@]}"; do check_bad_request "$row"; done
for row in "${MODIFICATIONS[@]}"; do check_modification "$row"; done
for row in "${METHODS[@]}"; do check_method "$row"; done
check_profile
check_idle_unload
check_log

echo "cimom suite: $passed passed, $failed failed"
[ $failed -eq 0 ]
