# Shared by register-sfcb.sh and unregister-sfcb.sh (sourced): their options
# and the repository rebuild. Sets datadir, reg, stage, registration, schema
# and migrate; puts sfcb's tools on PATH.

self=$(basename "$0")
die() { echo "$self: $*" >&2; exit 1; }
usage() { sed -n '2,/^set -euo/{/^set -euo/d;s/^# \{0,1\}//p}' "$0" >&2; exit "${1:-2}"; }

datadir=/usr/local/share/ovx-ip-provider
reg="" prefix="" stage=() registration=() schema=() migrate=()
while [ $# -gt 0 ]; do
    case "$1" in
        --no-migrate) migrate=(-i); shift; continue ;;
        -h | --help) usage 0 ;;
        --datadir | --reg | --sfcb | --stage | --registration | --schema) [ $# -ge 2 ] || usage ;;
        *) usage ;;
    esac
    case "$1" in
        --datadir) datadir=$2 ;;
        --reg) reg=$2 ;;
        --sfcb) prefix=$2 ;;
        --stage) stage=(-s "$2") ;;
        --registration) registration=(-r "$2") ;;
        --schema) schema=(-c "$2") ;;
    esac
    shift 2
done
[ -n "$prefix" ] && export PATH=$prefix/bin:$prefix/sbin:$PATH
reg=${reg:-$datadir/ovx-ip-provider.reg}

require_tools() {
    local tool
    for tool in "$@"; do
        command -v "$tool" >/dev/null || die "$tool not found (give --sfcb PREFIX)"
    done
}

# sfcbmof reports some errors while sfcbrepos still exits 0: read its output.
rebuild_repository() {
    local log
    log=$(mktemp)
    if ! sfcbrepos -f "${migrate[@]}" "${stage[@]}" "${registration[@]}" "${schema[@]}" >"$log" 2>&1 ||
        grep -qiE 'error|not found|failed|not a known' "$log"; then
        cat "$log" >&2
        rm -f "$log"
        return 1
    fi
    rm -f "$log"
}
