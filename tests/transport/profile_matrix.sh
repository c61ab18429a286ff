#!/bin/bash
# Real checks of / with tavrix-check against the server profiles of
# scripts/test-sshd (old key exchanges, ciphers, host keys, keyboard-
# interactive, DSA and ssh-rsa user keys, Dropbear) and with every key format
# against the main server. Each must report the free space that df reports
# here; --modern-only must refuse the old profiles with a text that says why.
#
#   profile_matrix.sh <tavrix-check> [runner...]    e.g. runner: wine64 for the .exe
#
# Exit 77 (skipped) without a test server, 1 when a case fails.
set -u
check=$1
shift
runner=("$@")
scripts=$(cd "$(dirname "$0")/../../scripts" && pwd)

no_server() {
    if [ "${TAVRIX_REQUIRE_SSH:-}" = 1 ]; then
        echo "TAVRIX_REQUIRE_SSH=1 but $1"
        exit 1
    fi
    echo "$1: skipped"
    exit 77
}
bash "$scripts/test-sshd" status >/dev/null 2>&1 || no_server "no test SSH server runs (scripts/test-sshd start)"
set -a
eval "$(bash "$scripts/test-sshd" env)"
set +a
[ -n "${TAVRIX_SSH_PROFILES:-}" ] || no_server "no profile server runs (scripts/test-sshd start-profiles)"

# Windows programs see the Unix files on drive Z:.
file_arg() {
    if [ ${#runner[@]} -gt 0 ]; then echo "Z:$1"; else echo "$1"; fi
}

failures=0
fail() {
    echo "FAIL: $*"
    failures=$((failures + 1))
}

# Runs a check of / in KB (the figure only); sets rc and out.
run_check() {
    out=$("${runner[@]}" "$check" check -H "$TAVRIX_SSH_HOST" -t 30 --user "$TAVRIX_SSH_USER" \
        --os LINUX --mount / --unit KB --threshold 0 --number --format text --host-key-policy off "$@" 2>&1)
    rc=$?
    out=${out//$'\r'/}
}

login_args() {
    local login=$1 key
    case $login in
    password) printf '%s\n' --password-file "$(file_arg "$TAVRIX_SSH_PASSWORD_FILE")" ;;
    key:*)
        key=${login#key:}
        local var=TAVRIX_SSH_KEY_${key^^}
        printf '%s\n' --keyfile "$(file_arg "${!var}")"
        if [[ $key == *_pass ]]; then
            printf '%s\n' --password-file "$(file_arg "$TAVRIX_SSH_PASSPHRASE_FILE")"
        fi
        if [[ $key == dsa* ]]; then
            printf '%s\n' --keytype DSA
        fi
        ;;
    esac
}

# The figure must be what df says here, give or take what others write meanwhile.
expect_free_space() {
    local what=$1 expected got
    expected=$(df -k / | awk 'NR == 2 { print $4 }')
    got=${out%% *}
    got=${got%%.*}
    if [ "$rc" != 0 ] || ! [[ $got =~ ^[0-9]+$ ]]; then
        fail "$what: exit $rc, $out"
        return
    fi
    local difference=$((got > expected ? got - expected : expected - got))
    if [ "$difference" -gt $((expected / 100 + 102400)) ]; then
        fail "$what: $got KB free, df says $expected KB"
    fi
}

# A build whose libssh has no DSA must say so; that is not this test's fault.
no_dsa_here() {
    [[ $out == *"has no DSA"* || $out == *"library cannot use"* ]] || return 1
    echo "note: $1: this build has no DSA ($out)"
    [ "${TAVRIX_REQUIRE_DSA:-}" = 1 ] && fail "$1: TAVRIX_REQUIRE_DSA=1 but $out"
    return 0
}

for profile in $TAVRIX_SSH_PROFILES; do
    port_var=TAVRIX_SSH_PROFILE_${profile^^}_PORT
    logins_var=TAVRIX_SSH_PROFILE_${profile^^}_LOGINS
    old_var=TAVRIX_SSH_PROFILE_${profile^^}_OLD
    for login in ${!logins_var}; do
        mapfile -t args < <(login_args "$login")
        run_check --port "${!port_var}" "${args[@]}"
        no_dsa_here "$profile $login" || expect_free_space "$profile $login"
    done
    first_login=${!logins_var%% *}
    mapfile -t args < <(login_args "$first_login")
    run_check --port "${!port_var}" --modern-only "${args[@]}"
    if [ "${!old_var}" = yes ]; then
        if [ "$rc" != 3 ] || [[ $out != *"only modern algorithms are allowed"* ]]; then
            fail "$profile --modern-only: expected a refusal that names modern algorithms, got exit $rc, $out"
        fi
    else
        expect_free_space "$profile $first_login --modern-only"
    fi
done

# --trace tells what was negotiated, on both builds, and never the password.
if [ -n "${TAVRIX_SSH_PROFILE_KBDINT_PAM_PORT:-}" ]; then
    run_check --port "$TAVRIX_SSH_PROFILE_KBDINT_PAM_PORT" --trace \
        --password-file "$(file_arg "$TAVRIX_SSH_PASSWORD_FILE")"
    [[ $out == *"SSH handshake done after"*"key exchange curve25519-sha256"* ]] ||
        fail "--trace: no negotiated algorithms in: $out"
    [[ $out == *"answered with the password"* ]] || fail "--trace: no keyboard-interactive round in: $out"
    [[ $out != *"$(cat "$TAVRIX_SSH_PASSWORD_FILE")"* ]] || fail "--trace shows the password"
fi

# Keyboard-interactive with a wrong password names both methods it tried.
if [ -n "${TAVRIX_SSH_PROFILE_KBDINT_PAM_PORT:-}" ]; then
    wrong=$(mktemp)
    echo "not-the-password" >"$wrong"
    run_check --port "$TAVRIX_SSH_PROFILE_KBDINT_PAM_PORT" --password-file "$(file_arg "$wrong")"
    rm -f "$wrong"
    expected_text="Login failed for user $TAVRIX_SSH_USER (password, keyboard-interactive)"
    [[ $rc == 3 && $out == *"$expected_text"* ]] || fail "kbdint_pam wrong password: exit $rc, $out"
fi

# Every key format against the main server (DSA ones: the userkey_dsa profile).
for key in ed25519 ecdsa rsa ed25519_pass rsa_pass ecdsa_pass rsa_pem rsa_pem_pass ecdsa_pem \
    rsa_pkcs8 rsa_pkcs8_pass ecdsa_pkcs8_pass; do
    mapfile -t args < <(login_args "key:$key")
    run_check --port "$TAVRIX_SSH_PORT" "${args[@]}"
    expect_free_space "main server key:$key"
done

echo "$failures failures"
[ "$failures" = 0 ]
