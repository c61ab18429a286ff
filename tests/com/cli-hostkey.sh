#!/bin/sh
# tavrix-check.exe under Wine against the test SSH server: the host key
# cases of the command line (pins, tavrix-check hostkey, a known-hosts file).
#   cli-hostkey.sh <prefix> <tavrix-check.exe>
# TAVRIX_WINE names the loader (default wine64; the 32-bit guest sets wine).
set -u
export WINEPREFIX=$1 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEARCH=${WINEARCH:-win64}
wine=${TAVRIX_WINE:-/usr/lib/wine/wine64}
exe=$2
if [ -z "${TAVRIX_SSH_PASSWORD_FILE:-}" ] || [ ! -r "$TAVRIX_SSH_PASSWORD_FILE" ]; then
    echo "no test SSH server in the environment: skipped"
    exit 77
fi
keys=$TAVRIX_SSHD_DIR/hostkeys
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
pin_of() { echo "$(cut -d' ' -f1 "$1") $(ssh-keygen -l -E sha256 -f "$1" | cut -d' ' -f2)"; }
ed25519=$(pin_of "$keys/ssh_host_ed25519_key.pub")
rsa=$(pin_of "$keys/ssh_host_rsa_key.pub")
ssh-keygen -q -t ed25519 -N '' -f "$work/other" </dev/null
other=$(pin_of "$work/other.pub")
: >"$work/empty"
failures=0

# run EXPECTED_RC TEXT ARGS...: the output must hold TEXT.
run() {
    want_rc=$1 want=$2
    shift 2
    $wine "$exe" "$@" >"$work/out" 2>&1
    rc=$?
    out="$(tr -d '\r' <"$work/out") rc=$rc"
    case "$out" in
    *"$want"*"rc=$want_rc") ;;
    *)
        echo "FAIL: $*"
        echo "  wanted rc $want_rc and: $want"
        echo "  got: $out"
        failures=$((failures + 1))
        ;;
    esac
}

run 0 "$ed25519" hostkey -H "$TAVRIX_SSH_HOST" -p "$TAVRIX_SSH_PORT"
$wine "$exe" hostkey -H "$TAVRIX_SSH_HOST" -p "$TAVRIX_SSH_PORT" 2>/dev/null |
    tr -d '\r' | sed -n 2p >"$work/known"

check="check -H $TAVRIX_SSH_HOST --port $TAVRIX_SSH_PORT --user $TAVRIX_SSH_USER
    --password-file Z:$TAVRIX_SSH_PASSWORD_FILE --os LINUX --mount / --unit KB --threshold 1"
# shellcheck disable=SC2086
{
    run 0 "Free space on / is" $check --hostkey "$ed25519"
    run 0 "Free space on / is" $check --hostkey "$rsa"
    run 3 "has changed: expected $other, the server offered $ed25519" $check --hostkey "$other"
    run 0 "Free space on / is" $check --known-hosts "Z:$work/known"
    run 3 "is not known" $check --known-hosts "Z:$work/empty"
}
echo "$failures failed"
[ "$failures" -eq 0 ]
