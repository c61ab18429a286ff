#!/usr/bin/env bash
# tavrix-check against a hostile test server and odd local files: every case
# must end in time, in little memory, with a text that says why, and nothing
# the server or a name holds may run. Time and memory are asserted loosely.
# Usage: hostile_server_test.sh TAVRIX_CHECK SCRIPTS_DIR   (77: skipped)
set -u
BIN=$1
SCRIPTS=$2
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
failures=0
passes=0

if ! "$SCRIPTS/test-sshd" status >/dev/null 2>&1; then
    if [ "${TAVRIX_REQUIRE_SSH:-}" = 1 ]; then
        echo "TAVRIX_REQUIRE_SSH=1 but no test SSH server runs (scripts/test-sshd start)"
        exit 1
    fi
    echo "no test SSH server runs (scripts/test-sshd start): skipped"
    exit 77
fi
env=$("$SCRIPTS/test-sshd" env) || exit 77
eval "$env"

# Peak memory in KB, wall time in ms, exit code, stdout and stderr of one run.
run() {
    local start end
    start=$(date +%s%N)
    # a check that hangs is ended after 30 s and fails on its time
    /usr/bin/time -f %M -o "$WORK/peak" timeout -s KILL 30 "$BIN" "$@" >"$WORK/out" 2>"$WORK/err" </dev/null
    RC=$?
    end=$(date +%s%N)
    MS=$(((end - start) / 1000000))
    PEAK_KB=$(grep -E '^[0-9]+$' "$WORK/peak" | tail -n 1)
}
fail() {
    echo "FAIL [$CASE]: $*"
    echo "  stdout: $(head -c 500 "$WORK/out")"
    echo "  stderr: $(head -c 500 "$WORK/err")"
    failures=$((failures + 1))
}
case_() {
    CASE=$1
    passes=$((passes + 1))
}
expect_rc() { [ "$RC" -eq "$1" ] || fail "exit code $RC, expected $1"; }
expect_out() { grep -qF -- "$1" "$WORK/out" || fail "stdout lacks: $1"; }
expect_err() { grep -qF -- "$1" "$WORK/err" || fail "stderr lacks: $1"; }
# Loose bounds: the time limit plus half a second, and 100 MB.
expect_within() { [ "$MS" -le "$1" ] || fail "took $MS ms, more than $1 ms"; }
expect_small() { [ "$PEAK_KB" -le 102400 ] || fail "peak memory $PEAK_KB KB"; }

key=(-H "$TAVRIX_SSH_HOST" --port "$TAVRIX_SSH_PORT" --user "$TAVRIX_SSH_FAKE_USER"
    --keyfile "$TAVRIX_SSH_KEY_ED25519")
evaluation=(--unit GB --threshold 1)

for mount in /endless /endless-line /endless-words; do
    case_ "output without end: $mount"
    run check "${key[@]}" -t 4 --os LINUX --mount "$mount" "${evaluation[@]}"
    expect_rc 3
    grep -qE "more output than a df listing can hold|Timed out after 4 seconds" "$WORK/out" ||
        fail "no text that says why"
    expect_within 4500
    expect_small
    echo "  $mount: $MS ms, $PEAK_KB KB peak: $(head -n 1 "$WORK/out")"
done

case_ "the record limit is named and traced"
run check "${key[@]}" -t 10 --os LINUX --mount /many "${evaluation[@]}" --trace
expect_rc 3
expect_out "The mount is not among the first 32,767 records; the rest of the output was not read"
expect_err "32,767 records reached; the rest of the output was not read"

case_ "the trace escapes what the server sent"
run check "${key[@]}" -t 10 --os LINUX --mount /escape "${evaluation[@]}" --trace
expect_err 'Mount : /escape\x1b]0;retitled\x07'
! grep -q $'\x1b' "$WORK/err" || fail "an escape character reached stderr"

mkfifo "$WORK/fifo"
mkdir "$WORK/dir"
case_ "a FIFO as key file"
run check "${key[@]}" --keyfile "$WORK/fifo" -t 3 --os LINUX --mount / "${evaluation[@]}"
expect_rc 3; expect_out "is not a regular file"; expect_within 3500
for file in "$WORK/fifo" /dev/zero "$WORK/dir"; do
    case_ "password file $file"
    run check -H "$TAVRIX_SSH_HOST" --port "$TAVRIX_SSH_PORT" --user "$TAVRIX_SSH_FAKE_USER" \
        --password-file "$file" -t 3 --os LINUX --mount / "${evaluation[@]}"
    expect_rc 3; expect_within 3500; expect_small
    grep -qE "is not a regular file|is a directory" "$WORK/err" || fail "no text that says why"
done

case_ "a stored parameter string from a file and from a variable"
"$BIN" params build --user "$TAVRIX_SSH_FAKE_USER" --password-file "$TAVRIX_SSH_PASSWORD_FILE" \
    --port "$TAVRIX_SSH_PORT" --os HPUX11 --mount / --unit MB --threshold 1 >"$WORK/parameters"
chmod 600 "$WORK/parameters"
run check -H "$TAVRIX_SSH_HOST" -t 10 --parameters-file "$WORK/parameters"
expect_rc 0; expect_out "Free space on / is 788.6 MB"
TAVRIX_TEST_PARAMETERS=$(cat "$WORK/parameters") run check -H "$TAVRIX_SSH_HOST" -t 10 \
    --parameters-env TAVRIX_TEST_PARAMETERS
expect_rc 0; expect_out "Free space on / is 788.6 MB"
run check -H "$TAVRIX_SSH_HOST" --parameters-file "$WORK/parameters" -P '#USR=u#'
expect_rc 3; expect_err "give one of -P, --parameters-file and --parameters-env"

# Names that would run a command or pass an option, for every OS code: the
# marker file must never appear (the fake user shares this machine's /tmp).
marker=/tmp/tavrix-injected-$$
rm -f "$marker"
for os in LINUX BSD SOLARIS HPUX AIX TRUE64 SUNOS HPUX11 SCO5 BRWDF VMESX VMESX4; do
    case_ "an option as mount name, $os"
    run check "${key[@]}" -t 10 --os "$os" --mount --version "${evaluation[@]}"
    expect_rc 3; expect_out "a mount name cannot begin with -"
    for mount in "/a;touch $marker;\$(touch $marker)\`touch $marker\`|touch $marker&touch $marker" \
        "/a' ; touch $marker ; '"; do
        case_ "injection $os $mount"
        run check "${key[@]}" -t 10 --os "$os" --mount "$mount" "${evaluation[@]}"
        expect_rc 3
        if [ "$os" = BRWDF ]; then
            expect_out "holds a character that the Windows shell would interpret"
        else
            expect_out "Unknown mount"
        fi
        [ ! -e "$marker" ] || fail "the name ran a command"
        rm -f "$marker"
    done
done

echo "$((passes - failures)) passed, $failures failed"
[ "$failures" -eq 0 ]
