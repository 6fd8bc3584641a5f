#!/usr/bin/env bash
# Registers the installed IP interface provider with an installed sfcb: stages
# the class definitions and the registration into root/cimv2 and the "IP
# Interface" profile into root/interop, then rebuilds sfcb's repository.
# sfcbd must be restarted afterwards to load the new registration.
#
#   register-sfcb.sh [options]
#     --datadir DIR       where `cmake --install` put the MOF and .reg files
#                         (default: /usr/local/share/ovx-ip-provider)
#     --reg FILE          registration file to stage instead of DIR/ovx-ip-provider.reg
#     --sfcb PREFIX       sfcb's installation prefix, when sfcbstage is not on PATH
#     --stage DIR         sfcb's staging area          (default: sfcb's own)
#     --registration DIR  sfcb's registration folder   (default: sfcb's own)
#     --schema DIR        folder holding CIM_Schema.mof (default: sfcb's own)
#     --no-migrate        do not carry static instances over into the new repository
set -euo pipefail
# shellcheck source=tools/sfcb-common.sh
source "$(dirname "$0")/sfcb-common.sh"

require_tools sfcbstage sfcbrepos sfcbmofpp
for file in "$reg" "$datadir"/OVX_{Schema,Conformance,Profile}.mof; do
    [ -f "$file" ] || die "$file not found (give --datadir DIR)"
done

# sfcbstage resolves the includes with sfcbmofpp, which reports a missing
# file on stderr and still exits 0.
stage_mof() {   # stage_mof NAMESPACE MOF [-r REG]
    local ns=$1 mof=$2 errors
    shift 2
    errors=$(sfcbstage "${stage[@]}" -n "$ns" "$@" "$mof" 2>&1 >/dev/null) && [ -z "$errors" ] ||
        die "staging $mof failed: $errors"
    echo "$self: staged $(basename "$mof")${*:+ and $(basename "${*: -1}")} into $ns"
}
stage_mof root/cimv2 "$datadir/OVX_Schema.mof" -r "$reg"
stage_mof root/cimv2 "$datadir/OVX_Conformance.mof"
stage_mof root/interop "$datadir/OVX_Profile.mof"

rebuild_repository ||
    die "sfcbrepos failed; run tools/unregister-sfcb.sh with the same options to undo the staging"
echo "$self: repository rebuilt; restart sfcbd to load the provider"
