#!/bin/sh
# Runs a VBScript under wine's cscript; passes when the script exits 0 and
# printed its last line. Wine's cscript prints nothing and exits 0 on an
# unhandled script error, so the exit code alone proves nothing.
#   run-vbscript.sh <prefix> <script>
# TAVRIX_WINE names the loader (default wine64; the 32-bit guest sets wine).
set -eu
wine=${TAVRIX_WINE:-/usr/lib/wine/wine64}
export WINEPREFIX=$1 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEARCH=${WINEARCH:-win64}
# With the test SSH server's settings in the environment (scripts/test-sshd
# env), the script also checks "/" on it, logging in by password.
if [ -n "${TAVRIX_SSH_PASSWORD_FILE:-}" ] && [ -r "$TAVRIX_SSH_PASSWORD_FILE" ]; then
    password=$(tr -d '\n' <"$TAVRIX_SSH_PASSWORD_FILE" | base64 -w0)
    tail="#OS=LINUX#BLK=1024#RES=/#UNIT=GB#COM=1#EOL=LF#RAN=0#"
    TAVRIX_VBS_PARAMETERS="#ENC=T#USR=$TAVRIX_SSH_USER#PWD=$password#PROTO=A#PORT=$TAVRIX_SSH_PORT"
    export TAVRIX_VBS_PARAMETERS="$TAVRIX_VBS_PARAMETERS#KEYF=#KEYT=RSA$tail"
    # Pins of two of the server's host keys (it has ed25519, ECDSA and RSA).
    pin_of() { echo "$(cut -d' ' -f1 "$1") $(ssh-keygen -l -E sha256 -f "$1" | cut -d' ' -f2)"; }
    TAVRIX_VBS_PINS="$(pin_of "$TAVRIX_SSHD_DIR/hostkeys/ssh_host_ed25519_key.pub")"
    export TAVRIX_VBS_PINS="$TAVRIX_VBS_PINS|$(pin_of "$TAVRIX_SSHD_DIR/hostkeys/ssh_host_rsa_key.pub")"
    # Other logins, when the server has them: a key with its pass phrase, and
    # the password through keyboard-interactive (PAM).
    logins=
    if [ -n "${TAVRIX_SSH_KEY_ED25519_PASS:-}" ] && [ -r "${TAVRIX_SSH_PASSPHRASE_FILE:-}" ]; then
        phrase=$(tr -d '\n' <"$TAVRIX_SSH_PASSPHRASE_FILE" | base64 -w0)
        logins="#ENC=T#USR=$TAVRIX_SSH_USER#PWD=$phrase#PROTO=A#PORT=$TAVRIX_SSH_PORT"
        logins="$logins#KEYF=Z:$TAVRIX_SSH_KEY_ED25519_PASS#KEYT=ED25519$tail"
    fi
    if [ -n "${TAVRIX_SSH_PROFILE_KBDINT_PAM_PORT:-}" ]; then
        kbdint="#ENC=T#USR=$TAVRIX_SSH_USER#PWD=$password#PROTO=A#PORT=$TAVRIX_SSH_PROFILE_KBDINT_PAM_PORT"
        logins="${logins:+$logins|}$kbdint#KEYF=#KEYT=RSA$tail"
    fi
    export TAVRIX_VBS_LOGINS="$logins"
fi
# cscript takes a Unix path for a switch.
output=$($wine cscript //nologo "$($wine winepath -w "$2" 2>/dev/null)" | tr -d '\r') && status=0 || status=$?
echo "$output"
case "$output" in
*"vbscript done: 0 failed") ;;
*)
    echo "FAIL: the script did not reach its end (status $status)"
    exit 1
    ;;
esac
exit "$status"
