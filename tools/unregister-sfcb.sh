#!/usr/bin/env bash
# Removes what tools/register-sfcb.sh staged (the class definitions and the
# registration in root/cimv2, the "IP Interface" profile in root/interop) and
# rebuilds sfcb's repository. sfcbd must be restarted afterwards.
#
#   unregister-sfcb.sh [options]
#     --reg FILE          the registration file that was staged (default: ovx-ip-provider.reg)
#     --sfcb PREFIX       sfcb's installation prefix, when sfcbunstage is not on PATH
#     --stage DIR         sfcb's staging area          (default: sfcb's own)
#     --registration DIR  sfcb's registration folder   (default: sfcb's own)
#     --schema DIR        folder holding CIM_Schema.mof (default: sfcb's own)
#     --no-migrate        do not carry static instances over into the new repository
set -euo pipefail
# shellcheck source=tools/sfcb-common.sh
source "$(dirname "$0")/sfcb-common.sh"

require_tools sfcbunstage sfcbrepos
sfcbunstage "${stage[@]}" -n root/cimv2 -r "$(basename "$reg")" OVX_Schema.mof OVX_Conformance.mof ||
    die "could not unstage the classes and the registration"
sfcbunstage "${stage[@]}" -n root/interop OVX_Profile.mof || die "could not unstage the profile"
echo "$self: unstaged OVX_Schema.mof, OVX_Conformance.mof, $(basename "$reg") and OVX_Profile.mof"

rebuild_repository || die "sfcbrepos failed"
echo "$self: repository rebuilt; restart sfcbd to unload the provider"
