#!/bin/sh
# Runs a VBScript under wine's cscript; its exit code is the script's.
#   run-vbscript.sh <prefix> <script>
set -eu
export WINEPREFIX=$1 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEARCH=win64
# With the test SSH server's settings in the environment (scripts/test-sshd
# env), the script also checks "/" on it, logging in by password.
if [ -n "${TAVRIX_SSH_PASSWORD_FILE:-}" ] && [ -r "$TAVRIX_SSH_PASSWORD_FILE" ]; then
    password=$(tr -d '\n' <"$TAVRIX_SSH_PASSWORD_FILE" | base64 -w0)
    TAVRIX_VBS_PARAMETERS="#ENC=T#USR=$TAVRIX_SSH_USER#PWD=$password#PROTO=A#PORT=$TAVRIX_SSH_PORT"
    TAVRIX_VBS_PARAMETERS="$TAVRIX_VBS_PARAMETERS#KEYF=#KEYT=RSA#OS=LINUX#BLK=1024#RES=/#UNIT=GB"
    export TAVRIX_VBS_PARAMETERS="$TAVRIX_VBS_PARAMETERS#COM=1#EOL=LF#RAN=0#"
    # Pins of two of the server's host keys (it has ed25519, ECDSA and RSA).
    pin_of() { echo "$(cut -d' ' -f1 "$1") $(ssh-keygen -l -E sha256 -f "$1" | cut -d' ' -f2)"; }
    TAVRIX_VBS_PINS="$(pin_of "$TAVRIX_SSHD_DIR/hostkeys/ssh_host_ed25519_key.pub")"
    export TAVRIX_VBS_PINS="$TAVRIX_VBS_PINS|$(pin_of "$TAVRIX_SSHD_DIR/hostkeys/ssh_host_rsa_key.pub")"
fi
# cscript takes a Unix path for a switch.
exec /usr/lib/wine/wine64 cscript //nologo "$(/usr/lib/wine/wine64 winepath -w "$2" 2>/dev/null)"
