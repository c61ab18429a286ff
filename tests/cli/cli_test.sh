#!/usr/bin/env bash
# Runs tavrix-check on the examples and checks output and exit codes.
# Usage: cli_test.sh TAVRIX_CHECK EXAMPLES_DIR GROUP
set -u
BIN=$1
EXAMPLES=$2
GROUP=$3
WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
failures=0
passes=0

# run ARGS...: runs the binary, keeps stdout, stderr and the exit code.
run() {
    "$BIN" "$@" >"$WORK/out" 2>"$WORK/err" </dev/null
    RC=$?
}
# run_measured ARGS...: run, plus MS (wall time) and PEAK_KB (peak memory);
# a check that hangs is ended after 30 s and fails on its time.
run_measured() {
    local start end
    start=$(date +%s%N)
    /usr/bin/time -f %M -o "$WORK/peak" timeout -s KILL 30 "$BIN" "$@" >"$WORK/out" 2>"$WORK/err" </dev/null
    RC=$?
    end=$(date +%s%N)
    MS=$(((end - start) / 1000000))
    PEAK_KB=$(grep -E '^[0-9]+$' "$WORK/peak" | tail -n 1)
}
expect_within() { [ "$MS" -le "$1" ] || fail "took $MS ms, more than $1 ms"; }
expect_small() { [ "$PEAK_KB" -le "${TAVRIX_PEAK_KB:-102400}" ] || fail "peak memory $PEAK_KB KB"; }
run_stdin() {
    local input=$1
    shift
    "$BIN" "$@" <"$input" >"$WORK/out" 2>"$WORK/err"
    RC=$?
}
LAST_FAILED=""
fail() {
    echo "FAIL [$CASE]: $*"
    echo "  stdout: $(head -c 2000 "$WORK/out")"
    echo "  stderr: $(head -c 2000 "$WORK/err")"
    if [ "$LAST_FAILED" != "$CASE" ]; then
        failures=$((failures + 1))
        LAST_FAILED=$CASE
    fi
}
expect_rc() { [ "$RC" -eq "$1" ] || fail "exit code $RC, expected $1"; }
expect_out() { grep -qF -- "$1" "$WORK/out" || fail "stdout lacks: $1"; }
expect_no_out() { ! grep -qF -- "$1" "$WORK/out" || fail "stdout holds: $1"; }
expect_err() { grep -qF -- "$1" "$WORK/err" || fail "stderr lacks: $1"; }
expect_one_err_line() { [ "$(wc -l <"$WORK/err")" -eq 1 ] || fail "stderr is not one line"; }
case_() {
    CASE=$1
    passes=$((passes + 1))
}

group_usage() {
    case_ "no command"; run; expect_rc 3
    case_ "help"; run --help; expect_rc 0; expect_out "parse"
    case_ "version"; run --version; expect_rc 0; expect_out "tavrix-check 1.0.0."
    case_ "unknown command"; run frobnicate; expect_rc 3; expect_one_err_line
    case_ "command help"; run parse --help; expect_rc 0; expect_out "--os CODE"
    case_ "missing option"; run parse "$EXAMPLES/linux-df-k.txt"; expect_rc 3
    expect_err "--os is required"; expect_one_err_line
    case_ "lower-case OS code"; run parse --os linux "$EXAMPLES/linux-df-k.txt"; expect_rc 3
    case_ "unknown option"; run parse --os LINUX --frob; expect_rc 3; expect_err "unknown option --frob"
    case_ "missing file"; run parse --os LINUX "$WORK/none.txt"; expect_rc 3
}

group_parse() {
    local tab=$'\t'
    case_ "linux records"; run parse --os LINUX "$EXAMPLES/linux-df-k.txt"; expect_rc 0
    expect_out "Records: 8"
    expect_out "Header: Filesystem     1K-blocks"
    expect_out "5${tab}/dev/mapper/vg_data-lv_archive_backups_2024${tab}${tab}1031987648${tab}716854212${tab}262689060${tab}74${tab}/srv/archive"
    expect_out "${tab}/mnt/team share"
    cp "$WORK/out" "$WORK/from-file"

    case_ "standard input reads the same"; run_stdin "$EXAMPLES/linux-df-k.txt" parse --os LINUX
    cmp -s "$WORK/out" "$WORK/from-file" || fail "stdin output differs from file output"

    case_ "enough free space"; run parse --os LINUX --mount / --unit GB --threshold 300 "$EXAMPLES/linux-df-k.txt"
    expect_rc 0; expect_out "Result: Free space on / is 384.8 GB"; expect_out "Enough: true"
    case_ "too little"; run parse --os LINUX --mount / --unit GB --threshold 400 "$EXAMPLES/linux-df-k.txt"
    expect_rc 2; expect_out "Enough: false"
    case_ "figure only"; run parse --os LINUX --mount /srv/archive --unit TB --threshold 0 --number "$EXAMPLES/linux-df-k.txt"
    expect_rc 0; expect_out "Result: 0.2 TB"
    case_ "mount with a blank"; run parse --os LINUX --mount "/mnt/team share" --unit % --threshold 50 "$EXAMPLES/linux-df-k.txt"
    expect_rc 0; expect_out "Result: Free space on /mnt/team share is 488381292 kb"
    case_ "unknown mount"; run parse --os LINUX --mount /nope --unit GB --threshold 1 "$EXAMPLES/linux-df-k.txt"
    expect_rc 3; expect_out "Result: Unknown mount"
    case_ "evaluation needs a mount"; run parse --os LINUX --unit GB --threshold 1 "$EXAMPLES/linux-df-k.txt"
    expect_rc 3

    case_ "AIX 512-byte blocks"; run parse --os AIX --mount /var --unit MB --threshold 200 "$EXAMPLES/aix-df-P.txt"
    expect_rc 2; expect_out "Result: Free space on /var is 102.4 MB"; expect_out "Records: 8"
    case_ "AIX dashes read as 0"; run parse --os AIX --mount /proc --json "$EXAMPLES/aix-df-P.txt"
    expect_out '"Size":0,"Used":0,"Available":0,"PercentUsed":0,"Mount":"/proc"'

    case_ "HP-UX wrapped names"; run parse --os HPUX11 --json "$EXAMPLES/hpux-bdf.txt"; expect_rc 0
    expect_out '"count":8'
    expect_out '{"Filesystem":"/dev/vg01/lvol_oracle_archivelogs","FsType":"","Size":20971520,"Used":19922944,"Available":1040384,"PercentUsed":95,"Mount":"/oracle/arch"}'

    case_ "Windows CRLF"; run parse --os BRWDF --eol CRLF --json "$EXAMPLES/windows-df-r.txt"; expect_rc 0
    expect_out '"count":5'
    expect_out '"Mount":"C:"'
    expect_no_out '\r'
    case_ "Windows drive in any case"; run parse --os BRWDF --eol CRLF --mount c: --unit GB --threshold 30 "$EXAMPLES/windows-df-r.txt"
    expect_rc 0; expect_out "Result: Free space on c: is 36.4 GB"
    case_ "wrong line end shows"; run parse --os LINUX --eol LF "$EXAMPLES/windows-df-r.txt"
    expect_out 'Label\r'

    # More than one piece of output: wrapped names must survive the cuts.
    case_ "long output in pieces"
    {
        echo "Filesystem     1K-blocks      Used Available Use% Mounted on"
        for i in $(seq 1 4000); do
            if [ $((i % 7)) -eq 0 ]; then
                printf '/dev/mapper/volume_group_%05d-logical_volume\n      1000 400 600 40%% /m/%d\n' "$i" "$i"
            else
                printf '/dev/sd%05d 1000 400 600 40%% /m/%d\n' "$i" "$i"
            fi
        done
    } >"$WORK/big.txt"
    run parse --os LINUX --json "$WORK/big.txt"; expect_rc 0
    expect_out '"count":4000'
    expect_no_out '"Size":0'
    expect_out '{"Filesystem":"/dev/mapper/volume_group_03997-logical_volume","FsType":"","Size":1000,"Used":400,"Available":600,"PercentUsed":40,"Mount":"/m/3997"}'
}

group_params() {
    case_ "build as the form writes"
    run params build --user monitor --os LINUX --mount /var --unit GB --threshold 2.50 --keyfile 'C:\keys\id_rsa'
    expect_rc 0
    expect_out '#ENC=T#USR=monitor#PWD=#PROTO=A#PORT=22#KEYF=C:\keys\id_rsa#KEYT=RSA#OS=LINUX#BLK=1024#RES=/var#UNIT=GB#COM=2.5#EOL=LF#RAN=0#'
    case_ "OS default block size"; run params build --user u --os AIX --mount / --eol CRLF --number
    expect_out '#BLK=512#'; expect_out '#EOL=CRLF#RAN=1#'
    case_ "password from the environment"
    TAVRIX_TEST_PASSWORD=secret "$BIN" params build --user u --os LINUX --mount / --password-env TAVRIX_TEST_PASSWORD >"$WORK/out" 2>"$WORK/err"
    RC=$?; expect_rc 0; expect_out '#PWD=c2VjcmV0#'
    case_ "password from a file"; printf 'secret\n' >"$WORK/pw"
    run params build --user u --os LINUX --mount / --password-file "$WORK/pw"; expect_rc 0; expect_out '#PWD=c2VjcmV0#'
    case_ "unset variable"; run params build --user u --os LINUX --mount / --password-env TAVRIX_TEST_UNSET_VARIABLE
    expect_rc 3; expect_err "TAVRIX_TEST_UNSET_VARIABLE is not set"
    case_ "no bare password"; run params build --user u --os LINUX --mount / --password secret
    expect_rc 3; expect_err "never taken from the command line"; expect_one_err_line
    case_ "hash in the user name"; run params build --user 'a#PWD=x' --os LINUX --mount /
    expect_rc 3; expect_err 'The user name must not contain "#"'
    case_ "port beyond the check"; run params build --user u --os LINUX --mount / --port 40000
    expect_rc 3; expect_err "The port must be a number from 1 to 32767"
    case_ "threshold not a number"; run params build --user u --os LINUX --mount / --threshold abc
    expect_rc 3; expect_err "The threshold must be a number"
    case_ "threshold with a decimal comma"; run params build --user u --os LINUX --mount / --threshold 2,5
    expect_rc 3; expect_err "write 2.5, not 2,5"
    case_ "unknown unit"; run params build --user u --os LINUX --mount / --unit gb; expect_rc 3
    case_ "accented mount kept"
    run params build --user u --os LINUX --mount "$(printf '/donn\303\251es')"
    expect_rc 0; expect_out "$(printf '#RES=/donn\303\251es#')"
    case_ "mount beyond Windows-1252"; run params build --user u --os LINUX --mount "$(printf '/\342\202\254\360\237\230\200')"
    expect_rc 3; expect_err "--mount holds characters that Windows-1252 cannot hold"

    case_ "show masks the password"; run params show '#ENC=T#USR=monitor#PWD=c2VjcmV0#PORT=22#OS=linux#'
    expect_rc 0; expect_no_out "secret"; expect_out "USR    monitor"; expect_out "reads as 22"
    expect_out "unknown code (case counts)"
    case_ "show the password on request"; run params show --show-password '#PWD=c2VjcmV0#'
    expect_out "PWD    secret"
    case_ "show a port the check fails on"; run params show '#PORT=40000#BLK=1024#'
    expect_out "outside -32768..32767: the check fails"; expect_out "reads as 1024"
}

group_check() {
    case_ "host required"; run check -P '#USR=u#'; expect_rc 3; expect_err "--host is required"
    case_ "parameters or options"; run check -H 127.0.0.1; expect_rc 3
    case_ "not both"; run check -H 127.0.0.1 -P '#USR=u#' --user u; expect_rc 3
    case_ "unit and threshold with options"; run check -H 127.0.0.1 --user u --os LINUX --mount /
    expect_rc 3; expect_err "-w or -c is required"
    expect_out "DISK UNKNOWN - -w or -c is required"
    case_ "format"; run check -H 127.0.0.1 -P '#USR=u#' --format xml; expect_rc 3
    case_ "timeout must be a number"; run check -H 127.0.0.1 -t soon -P '#USR=u#'; expect_rc 3
    case_ "usage errors on stdout"; run check -H 127.0.0.1 --frob
    expect_rc 3; [ "$(cat "$WORK/out")" = "DISK UNKNOWN - unknown option --frob" ] || fail "stdout"
    local opts=(-H 127.0.0.1 -l u --os LINUX --mount / --unit GB)
    case_ "range form refused"; run check "${opts[@]}" -w 10: -c 5
    expect_rc 3; expect_out 'DISK UNKNOWN - -w must be a plain number of free units such as 10 or 2.5, not "10:"'
    case_ "decimal comma hint"; run check "${opts[@]}" -c 2,5; expect_rc 3; expect_out "(write 2.5"
    case_ "threshold is strict too"; run check "${opts[@]}" --threshold 5,5; expect_rc 3; expect_out "-c must be"
    case_ "time-out 0"; run check "${opts[@]}" -c 1 -t 0; expect_rc 3; expect_out "-t must be whole seconds"
    case_ "time-out 2.5"; run check "${opts[@]}" -c 1 -t 2.5; expect_rc 3; expect_out "-t must be whole seconds"
    case_ "time-out state"; run check "${opts[@]}" -c 1 -t 5:LATER; expect_rc 3; expect_out "OK, WARNING, CRITICAL or UNKNOWN"
    case_ "exclude needs --all"; run check "${opts[@]}" -c 1 --exclude /run; expect_rc 3; expect_out "go with --all"
    # check_disk's options and their bad usage, before anything is sent.
    local all=(-H 127.0.0.1 -l u --os LINUX -A)
    while IFS='|' read -r name args text; do
        case_ "check_disk usage: $name"
        # shellcheck disable=SC2086
        run check "${all[@]}" $args
        expect_rc 3; expect_out "DISK UNKNOWN - $text"; expect_one_err_line
    done <<'CASES'
percent with a unit|-w 10% -c 5% --unit GB|-w 10% is free percent: it does not go with a unit (--unit GB)
percent with -u|-c 5% -u MB|-c 5% is free percent: it does not go with a unit (-u MB)
percent and units|-w 10% -c 5|-w and -c must both be free percent
inodes without percent|-W 20|-W is free inodes in percent: write 20%
percent is no -u unit|-u % -c 5|-u must be bytes, B, kB, KB, MB, GB or TB (for free percent write -w 10% -c 5%)
unknown type name|-c 5% -X tmfps|--exclude-type: tmfps is no file system type this check knows
no types on this OS|-c 5% -N ext4 --os BSD|--include-type: df on BSD lists no file system types
no limit at all|-x /boot|-w or -c is required
CASES
    case_ "-x goes with --all"; run check "${opts[@]}" -c 1 -x /boot
    expect_rc 3; expect_out "DISK UNKNOWN - -x: the options that leave mounts out go with --all (-A)"
    case_ "--include-pseudo goes with --all"; run check "${opts[@]}" -c 1 --include-pseudo
    expect_rc 3; expect_out "--include-pseudo: the options"
    case_ "a type pattern passes"; run check "${all[@]}" -c 5% -X 'lustre*' -N 'ext?'
    expect_no_out "file system type"
    case_ "help names check_disk's options and where ours differ"; run check --help; expect_rc 0
    for option in --path --partition "-u, --units" "-x, --exclude-device" "-X, --exclude-type" \
        "-N, --include-type" "-A, --all" "-e, --errors-only" "-W, --iwarning" "-K, --icritical" \
        --include-pseudo "-p is the SSH port" "Pseudo file systems" "'<mount> inodes'"; do
        expect_out "$option"
    done
    case_ "version anywhere"; run check -H 127.0.0.1 -V; expect_rc 0; expect_out "tavrix-check 1.0.0."
    case_ "help lists the plugin options"; run check -c 1 --help; expect_rc 0
    for option in -H -t -w -c -l -p -i -v -V --all --exclude --include-type --exclude-type --hostname --logname --identity "Examples:"; do
        expect_out "$option"
    done
    case_ "password file readable by others"; printf 'secret\n' >"$WORK/open.pw"; chmod 644 "$WORK/open.pw"
    run params build --user u --os LINUX --mount / --password-file "$WORK/open.pw"
    expect_rc 0; expect_err "may be read by its group or others"
    case_ "private password file"; chmod 600 "$WORK/open.pw"
    run params build --user u --os LINUX --mount / --password-file "$WORK/open.pw"
    expect_rc 0; [ ! -s "$WORK/err" ] || fail "a warning for a private file"
    case_ "mounts refuses without a user"; run mounts -H 127.0.0.1 -P '#OS=LINUX#'
    expect_rc 3; expect_err "Can't connect to an SSH server without a username"
}

# The throwaway SSH server of scripts/test-sshd and its settings; without
# one the group is skipped (77).
need_test_server() {
    local scripts="$EXAMPLES/../scripts"
    if ! "$scripts/test-sshd" status >/dev/null 2>&1; then
        if [ "${TAVRIX_REQUIRE_SSH:-}" = 1 ]; then
            echo "TAVRIX_REQUIRE_SSH=1 but no test SSH server runs (scripts/test-sshd start)"
            exit 1
        fi
        echo "no test SSH server runs (scripts/test-sshd start): skipped"
        exit 77
    fi
    local env
    env=$("$scripts/test-sshd" env) || exit 77
    eval "$env"
}

group_ssh() {
    need_test_server
    local hostkeys="$TAVRIX_SSHD_DIR/hostkeys" where="[$TAVRIX_SSH_HOST]:$TAVRIX_SSH_PORT"
    local pin
    pin="$(cut -d' ' -f1 "$hostkeys/ssh_host_ed25519_key.pub") $(ssh-keygen -l -E sha256 -f "$hostkeys/ssh_host_ed25519_key.pub" | cut -d' ' -f2)"

    case_ "hostkey prints the pin and a known-hosts line"
    run hostkey -H "$TAVRIX_SSH_HOST" -p "$TAVRIX_SSH_PORT"
    expect_rc 0
    [ "$(sed -n 1p "$WORK/out")" = "$pin" ] || fail "first line is not $pin"
    [ "$(sed -n 2p "$WORK/out")" = "$where $(cut -d' ' -f1,2 "$hostkeys/ssh_host_ed25519_key.pub")" ] ||
        fail "second line is not the known-hosts line"
    sed -n 2p "$WORK/out" >"$WORK/known"
    local login=(-H "$TAVRIX_SSH_HOST" --port "$TAVRIX_SSH_PORT" --password-file "$TAVRIX_SSH_PASSWORD_FILE" --known-hosts "$WORK/known")
    local df=(--user "$TAVRIX_SSH_FAKE_USER" --os HPUX11 --mount / --unit MB --threshold 1)

    # Known-hosts files (which keys they list for the server) under each policy.
    ssh-keygen -q -t ed25519 -N '' -f "$WORK/other" </dev/null
    echo "$where $(cut -d' ' -f1,2 "$WORK/other.pub")" >"$WORK/changed"
    : >"$WORK/empty"
    echo "$where $(cut -d' ' -f1,2 "$hostkeys/ssh_host_rsa_key.pub")" >"$WORK/rsa-only"
    cp "$WORK/known" "$WORK/hashed"
    ssh-keygen -q -H -f "$WORK/hashed" >/dev/null 2>&1
    grep -q '^|1|' "$WORK/hashed" || fail "ssh-keygen -H did not hash the name"
    local file policy rc text
    while read -r file policy rc text; do
        case_ "known hosts $file, policy $policy"
        run check "${login[@]}" "${df[@]}" --known-hosts "$WORK/$file" --host-key-policy "$policy"
        expect_rc "$rc"; expect_out "${text//_/ }"
    done <<CASES
known strict 0 Free_space_on_/
hashed strict 0 Free_space_on_/
rsa-only strict 0 Free_space_on_/
changed strict 3 The_host_key_of_${TAVRIX_SSH_HOST}_has_changed:_expected_ssh-ed25519_SHA256:
changed accept-new 3 has_changed:_expected
changed off 0 Free_space_on_/
empty strict 3 is_not_known:_$WORK/empty_does_not_list_it,_the_server_offered_${pin// /_}._To_trust_it,_pin_it_with_--hostkey
empty off 0 Free_space_on_/
CASES
    case_ "accept-new adds an unknown host, then strict trusts it"
    run check "${login[@]}" "${df[@]}" --known-hosts "$WORK/new" --host-key-policy accept-new
    expect_rc 0; grep -qF "$where ssh-ed25519 " "$WORK/new" || fail "not added to the file"
    run check "${login[@]}" "${df[@]}" --known-hosts "$WORK/new"
    expect_rc 0
    case_ "a pin decides, not the known hosts"
    run check "${login[@]}" "${df[@]}" --known-hosts "$WORK/empty" --hostkey "$pin"
    expect_rc 0; expect_out "Free space on /"
    run check "${login[@]}" "${df[@]}" --hostkey "ssh-ed25519 $(ssh-keygen -l -E sha256 -f "$WORK/other.pub" | cut -d' ' -f2)"
    expect_rc 3; expect_out "has changed: expected ssh-ed25519"; expect_out "the server offered $pin"
    case_ "a pin that is no pin"
    run check "${login[@]}" "${df[@]}" --hostkey "SHA256:abc"
    expect_rc 3; expect_err "--hostkey must read"
    case_ "params build writes the pin after RAN"
    run params build --user u --os LINUX --mount / --hostkey "$pin"
    expect_rc 0; expect_out "#RAN=0#HKEY=$pin#"


    case_ "mounts in df order"; run mounts "${login[@]}" --user "$TAVRIX_SSH_FAKE_USER" --os HPUX11
    expect_rc 0; expect_out "/opt/oracle"
    [ "$(head -n 2 "$WORK/out" | tr '\n' ' ')" = "/ /stand " ] || fail "not in df order"
    case_ "mounts as JSON"; run mounts "${login[@]}" --user "$TAVRIX_SSH_FAKE_USER" --os AIX --json
    expect_rc 0; expect_out '"Mount":"/proc"'
    case_ "mounts with a wrong password"
    printf 'wrong\n' >"$WORK/wrong"
    run mounts -H "$TAVRIX_SSH_HOST" --port "$TAVRIX_SSH_PORT" --known-hosts "$WORK/known" --password-file "$WORK/wrong" --user "$TAVRIX_SSH_USER" --os LINUX
    expect_rc 3; expect_err "Problem: "

    case_ "check OK as a plugin"
    run check "${login[@]}" --user "$TAVRIX_SSH_FAKE_USER" --os HPUX11 --mount / --unit MB --threshold 1 --format nagios
    expect_rc 0; expect_out "DISK OK - Free space on / is 788.6 MB | '/'=246793216B;;1072693248;0;1073741824"
    case_ "check CRITICAL"
    run check "${login[@]}" --user "$TAVRIX_SSH_FAKE_USER" --os HPUX11 --mount / --unit MB --threshold 100000 --format nagios
    expect_rc 2; expect_out "DISK CRITICAL - Free space on / is 788.6 MB (below the critical 100000 MB) |"
    case_ "check WARNING by default format"
    run check "${login[@]}" -l "$TAVRIX_SSH_FAKE_USER" --os HPUX11 --mount / --unit MB -w 800 -c 500
    expect_rc 1
    expect_out "DISK WARNING - Free space on / is 788.6 MB (below the warning 800 MB) | '/'=246793216B;234881024;549453824;0;1073741824"
    case_ "check in percent"
    run check "${login[@]}" -l "$TAVRIX_SSH_FAKE_USER" --os HPUX11 --mount / --unit % -w 80 -c 10
    expect_rc 1; expect_out "(below the warning 80 %) | '/'=246793216B;214748365;966367642;0;1073741824"
    case_ "bare text on request"
    run check "${login[@]}" -l "$TAVRIX_SSH_FAKE_USER" --os HPUX11 --mount / --unit MB -c 100000 --format text
    expect_rc 2; [ "$(cat "$WORK/out")" = "Free space on / is 788.6 MB" ] || fail "not the bare text"
    case_ "check of an unknown mount"
    run check "${login[@]}" --user "$TAVRIX_SSH_FAKE_USER" --os HPUX11 --mount /nope --unit MB --threshold 1
    expect_rc 3; expect_out "Unknown mount"
    case_ "closed port"
    run check -H "$TAVRIX_SSH_HOST" -p 1 -l "$TAVRIX_SSH_USER" --password-file "$TAVRIX_SSH_PASSWORD_FILE" --os LINUX --mount / --unit GB -c 1
    expect_rc 3; expect_out "DISK UNKNOWN - "
    case_ "time-out state"
    run check "${login[@]}" -l "$TAVRIX_SSH_FAKE_USER" --os LINUX --mount /slow --unit GB -c 1 -t 1:CRITICAL
    expect_rc 2; expect_out "DISK CRITICAL - "
    case_ "time-out unknown by default"
    run check "${login[@]}" -l "$TAVRIX_SSH_FAKE_USER" --os LINUX --mount /slow --unit GB -c 1 -t 1
    expect_rc 3; expect_out "DISK UNKNOWN - "

    # Several mounts: one login (counted in the server's log by the one key
    # no other test logs in with), the worst mount decides.
    local keyLogin=(-H "$TAVRIX_SSH_HOST" -p "$TAVRIX_SSH_PORT" -l "$TAVRIX_SSH_FAKE_USER" -i "$TAVRIX_SSH_KEY_ECDSA" --known-hosts "$WORK/known")
    logins() { grep -c "Accepted publickey for $TAVRIX_SSH_FAKE_USER .* ECDSA" "$TAVRIX_SSHD_DIR/sshd.log"; }
    case_ "all mounts in one login"
    local before
    before=$(logins)
    run check "${keyLogin[@]}" --os LINUX --all --exclude '/run*' --exclude /dev --unit GB -w 10 -c 1
    expect_rc 2
    # /dev/shm is tmpfs: left out with the other pseudo file systems
    expect_out "DISK CRITICAL - /boot/efi 0.5 GB (below the critical 1 GB); 5 others OK | '/'="
    expect_out "'/media/backup disk'=676209524736B;972613722112;982277398528;0;983351140352"
    expect_no_out "'/run"
    [ "$(($(logins) - before))" -eq 1 ] || fail "$(($(logins) - before)) logins, expected 1"
    case_ "check_disk's options: percent and inode limits, one login"
    before=$(logins)
    run check "${keyLogin[@]}" --os LINUX -A -w 10% -c 5% -W 10% -K 5%
    expect_rc 0; expect_out "DISK OK - 6 mounts OK | '/'=230816041984B;441519309619;466048160154;0;490577010688 '/ inodes'="
    expect_no_out "/snap/"; expect_no_out "docker"; expect_no_out "'/run"
    [ "$(($(logins) - before))" -eq 1 ] || fail "$(($(logins) - before)) logins, expected 1"
    case_ "pseudo file systems on request, trouble only"
    run check "${keyLogin[@]}" --os LINUX -A -w 10% -c 5% --include-pseudo -e
    expect_rc 2; expect_out "DISK CRITICAL - /snap/core20/2015 0 % free (below the critical 5 %), /snap/core22/864"
    expect_no_out "others OK"; expect_out "'/dev/shm'="
    case_ "-x and -X leave mounts and types out"
    run check "${keyLogin[@]}" --os LINUX -A -c 5% -X nfs4 -X cifs -x /boot/efi -x /dev/sdb1
    expect_rc 0; expect_out "DISK OK - 2 mounts OK | '/'="; expect_no_out "/mnt/"
    case_ "check_disk's command line carries over"
    run check "${keyLogin[@]}" --os LINUX -w 10% -c 5% --path / --partition /boot/efi
    expect_rc 0; expect_out "DISK OK - 2 mounts OK | '/'="
    case_ "no inode figures: UNKNOWN with the reason"
    run check "${keyLogin[@]}" --os BRWDF --eol CRLF --path c: -w 10% -W 10%
    expect_rc 3; expect_out "inodes unknown (df on OS BRWDF prints no inode figures)"
    case_ "named mounts, one missing"
    run check "${keyLogin[@]}" --os LINUX --mount / --mount /nope --mount /boot/efi --unit MB -c 100
    expect_rc 3; expect_out "DISK UNKNOWN - /nope (not listed by df); 2 others OK | '/'="
    case_ "check refused by the server"
    run check -H "$TAVRIX_SSH_HOST" --port "$TAVRIX_SSH_PORT" --known-hosts "$WORK/known" --user "$TAVRIX_SSH_USER" --keyfile "$TAVRIX_SSH_KEY_UNAUTHORIZED" --os LINUX --mount / --unit GB --threshold 1 --format json
    expect_rc 3; expect_out '"state":"UNKNOWN"'; expect_out '"failed":true'
    case_ "built parameter string checks the same"
    run params build --user "$TAVRIX_SSH_FAKE_USER" --password-file "$TAVRIX_SSH_PASSWORD_FILE" --port "$TAVRIX_SSH_PORT" --os BRWDF --eol CRLF --mount c: --unit GB --threshold 1 --number --hostkey "$pin"
    local parameters
    parameters=$(cat "$WORK/out")
    run check -H "$TAVRIX_SSH_HOST" -t 10 -P "$parameters"
    expect_rc 0; expect_out " GB"; expect_no_out "Free space"
}

# FNV-1a 64 of a text, in hex, as trend files end with.
fnv64() {
    local LC_ALL=C text=$1 hash=-3750763034362895579 i code
    for ((i = 0; i < ${#text}; i++)); do
        printf -v code '%d' "'${text:i:1}"
        [ "$code" -lt 0 ] && code=$((code + 256))
        hash=$(((hash ^ code) * 1099511628211))
    done
    printf '%016x' "$hash"
}
# A trend file is sound: its end line counts its samples and its checksum holds.
expect_sound_trend() {
    local file=$1 body count
    body=$(sed '$d' "$file")$'\n'
    count=$(grep -c '^s ' "$file")
    [ "$(tail -n 1 "$file")" = "end $count $(fnv64 "$body")" ] || fail "$file is not sound"
}

# The trend kept with --state-dir: ten checks of one mount at once keep one
# sound file, and later checks fit the samples it holds.
group_trend() {
    need_test_server
    local login=(-H "$TAVRIX_SSH_HOST" -p "$TAVRIX_SSH_PORT" -l "$TAVRIX_SSH_FAKE_USER"
        -i "$TAVRIX_SSH_KEY_ED25519" --host-key-policy off)
    local root=(--os HPUX11 --mount / --unit MB -w 100 -c 50)
    local state="$WORK/state" i pids=() rc files file used now grow

    case_ "a state directory that cannot be made"
    : >"$WORK/plain"
    run check "${login[@]}" "${root[@]}" --state-dir "$WORK/plain/state"
    expect_rc 3
    expect_out "DISK UNKNOWN - The state directory $WORK/plain/state cannot be used: Not a directory"
    case_ "time-left limits need a state directory"
    run check "${login[@]}" "${root[@]}" --hours-left-warning 24
    expect_rc 3; expect_out "DISK UNKNOWN - --hours-left-warning needs --state-dir"
    case_ "a window too short for any fit"
    run check "${login[@]}" "${root[@]}" --state-dir "$state" --trend-hours 0.05
    expect_rc 3; expect_out "--trend-hours must be hours such as 24 or 1.5 (at least 0.1, "

    case_ "ten checks of one mount at once"
    for i in $(seq 10); do
        "$BIN" check "${login[@]}" "${root[@]}" --state-dir "$state" \
            >"$WORK/out$i" 2>"$WORK/err$i" </dev/null &
        pids+=($!)
    done
    for i in $(seq 10); do
        wait "${pids[i - 1]}"
        rc=$?
        cp "$WORK/out$i" "$WORK/out"
        cp "$WORK/err$i" "$WORK/err"
        [ "$rc" -eq 0 ] || fail "check $i: exit code $rc"
        expect_out "DISK OK - Free space on / is 788.6 MB |"
        [ ! -s "$WORK/err" ] || fail "check $i wrote to stderr"
    done
    files=("$state"/*.trend)
    [ "${#files[@]}" -eq 1 ] || fail "${#files[@]} trend files, expected 1"
    file=${files[0]}
    [ "$(stat -c %a "$state")" = 700 ] || fail "the state directory is not 0700"
    [ "$(stat -c %a "$file")" = 600 ] || fail "the trend file is not 0600"
    [ "$(head -n 1 "$file")" = "tavrix-trend 1" ] || fail "no trend file"
    expect_sound_trend "$file"

    # The samples of the last two hours, 100 MB an hour: full in 7.9 hours.
    used=$(grep '^s ' "$file" | tail -n 1 | cut -d' ' -f3)
    now=$(date +%s)
    grow=104857600
    {
        sed -n 1,3p "$file"
        echo "s $((now - 7200)) $((used - 2 * grow)) 1"
        echo "s $((now - 3600)) $((used - grow)) 1"
    } >"$WORK/seed"
    printf '%s\n' "end 2 $(fnv64 "$(cat "$WORK/seed")"$'\n')" >>"$WORK/seed"
    cp "$WORK/seed" "$file"
    case_ "a later check fits the kept samples: WARNING on hours left"
    run check "${login[@]}" "${root[@]}" --state-dir "$state" --hours-left-warning 12
    expect_rc 1
    expect_out "DISK WARNING - Free space on / is 788.6 MB (full in 7.9 hours at 2.3 GB a day; below the warning of 12 hours) | "
    expect_out " '/ growth'=25"
    expect_out "B;;;; '/ hours_left'=7.9;12;;0;"
    case_ "CRITICAL on hours left, --all, JSON"
    run check "${login[@]}" --os HPUX11 --all --unit MB -w 100 -c 50 --state-dir "$state" \
        --hours-left-warning 12 --hours-left-critical 10 --format json
    expect_rc 2
    expect_out '"mount":"/","state":"CRITICAL"'
    expect_out '"trend":{"bytesPerDay":25'
    expect_out '"text":"/ 788.6 MB (full in 7.9 hours at 2.3 GB a day; below the critical of 10 hours)'
    expect_sound_trend "$file"

    case_ "a damaged file restarts the trend with a note"
    printf 'garbage\n' >>"$file"
    run check "${login[@]}" "${root[@]}" --state-dir "$state" --hours-left-warning 12
    expect_rc 0; expect_out "DISK OK - Free space on / is 788.6 MB |"
    expect_err "tavrix-check: the trend of / starts anew: $state/${file##*/} is corrupt"
    expect_sound_trend "$file"
}

# A hostile server and odd local files: every case ends in time (the limit
# plus half a second), in under 100 MB, with a text that says why, and
# nothing a name holds runs on the server.
group_hostile() {
    need_test_server
    local key evaluation mount file os marker
    # the server's key is not what these cases are about
    key=(-H "$TAVRIX_SSH_HOST" --port "$TAVRIX_SSH_PORT" --user "$TAVRIX_SSH_FAKE_USER"
        --keyfile "$TAVRIX_SSH_KEY_ED25519" --host-key-policy off)
    evaluation=(--unit GB --threshold 1)

    for mount in /endless /endless-line /endless-words; do
        case_ "output without end: $mount"
        run_measured check "${key[@]}" -t 4 --os LINUX --mount "$mount" "${evaluation[@]}"
        expect_rc 3
        grep -qE "more output than a df listing can hold|Timed out after 4 seconds" "$WORK/out" ||
            fail "no text that says why"
        expect_within 5000  # the limit, start-up and load on a shared machine
        expect_small
        echo "  $mount: $MS ms, $PEAK_KB KB peak: $(head -n 1 "$WORK/out")"
    done

    case_ "the record limit is named and traced"
    run_measured check "${key[@]}" -t 10 --os LINUX --mount /many "${evaluation[@]}" --trace
    expect_rc 3
    expect_out "The mount is not among the first 32,767 records; the rest of the output was not read"
    expect_err "32,767 records reached; the rest of the output was not read"

    case_ "the trace escapes what the server sent"
    run_measured check "${key[@]}" -t 10 --os LINUX --mount /escape "${evaluation[@]}" --trace
    expect_err 'Mount : /escape\x1b]0;retitled\x07'
    ! grep -q $'\x1b' "$WORK/err" || fail "an escape character reached stderr"

    mkfifo "$WORK/fifo"
    mkdir "$WORK/dir"
    case_ "a FIFO as key file"
    run_measured check "${key[@]}" --keyfile "$WORK/fifo" -t 3 --os LINUX --mount / "${evaluation[@]}"
    expect_rc 3; expect_out "is not a regular file"; expect_within 3500
    for file in "$WORK/fifo" /dev/zero "$WORK/dir"; do
        case_ "password file $file"
        run_measured check -H "$TAVRIX_SSH_HOST" --port "$TAVRIX_SSH_PORT" --user "$TAVRIX_SSH_FAKE_USER" \
            --password-file "$file" -t 3 --os LINUX --mount / "${evaluation[@]}"
        expect_rc 3; expect_within 3500; expect_small
        grep -qE "is not a regular file|is a directory" "$WORK/err" || fail "no text that says why"
    done

    case_ "a stored parameter string from a file and from a variable"
    "$BIN" params build --user "$TAVRIX_SSH_FAKE_USER" --password-file "$TAVRIX_SSH_PASSWORD_FILE" \
        --port "$TAVRIX_SSH_PORT" --os HPUX11 --mount / --unit MB --threshold 1 >"$WORK/parameters"
    chmod 600 "$WORK/parameters"
    run_measured check -H "$TAVRIX_SSH_HOST" -t 10 --parameters-file "$WORK/parameters" --host-key-policy off
    expect_rc 0; expect_out "Free space on / is 788.6 MB"
    TAVRIX_TEST_PARAMETERS=$(cat "$WORK/parameters") run_measured check -H "$TAVRIX_SSH_HOST" -t 10 \
        --parameters-env TAVRIX_TEST_PARAMETERS --host-key-policy off
    expect_rc 0; expect_out "Free space on / is 788.6 MB"
    run_measured check -H "$TAVRIX_SSH_HOST" --parameters-file "$WORK/parameters" -P '#USR=u#'
    expect_rc 3; expect_err "give one of -P, --parameters-file and --parameters-env"

    # Names that would run a command or pass an option, for every OS code: the
    # marker file must never appear (the fake user shares this machine's /tmp).
    marker=/tmp/tavrix-injected-$$
    rm -f "$marker"
    for os in LINUX BSD SOLARIS HPUX AIX TRUE64 SUNOS HPUX11 SCO5 BRWDF VMESX VMESX4; do
        case_ "an option as mount name, $os"
        run_measured check "${key[@]}" -t 10 --os "$os" --mount --version "${evaluation[@]}"
        expect_rc 3; expect_out "a mount name cannot begin with -"
        for mount in "/a;touch $marker;\$(touch $marker)\`touch $marker\`|touch $marker&touch $marker" \
            "/a' ; touch $marker ; '"; do
            case_ "injection $os $mount"
            run_measured check "${key[@]}" -t 10 --os "$os" --mount "$mount" "${evaluation[@]}"
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
}

# --persist against an sshd of this group's own, which it kills and restarts.
group_persist() {
    need_test_server
    [ "$(id -u)" = 0 ] || { echo "an sshd of its own needs root: skipped"; exit 77; }
    local sshd_dir="$WORK/sshd" port
    mkdir -p "$sshd_dir" /run/sshd
    # Below 32768: a check's port is a 16-bit signed number.
    port=$(python3 -c '
import random, socket
for _ in range(200):
    port = random.randint(21000, 32000)
    try:
        socket.create_server(("127.0.0.1", port)).close()
        print(port)
        break
    except OSError:
        pass')
    ssh-keygen -q -t ed25519 -N '' -f "$sshd_dir/host" </dev/null
    {
        echo "Port $port"; echo "HostKey $sshd_dir/host"; echo "PidFile $sshd_dir/sshd.pid"
        echo "LogLevel VERBOSE"
        grep -vE '^(Port|HostKey|PidFile|LogLevel) ' "$TAVRIX_SSHD_DIR/sshd_config"
    } >"$sshd_dir/sshd_config"
    start_sshd() {
        /usr/sbin/sshd -f "$sshd_dir/sshd_config" -E "$sshd_dir/sshd.log"
        local i
        for i in $(seq 50); do
            (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null && return
            sleep 0.1
        done
    }
    stop_sshd() {  # the listener and every session process of it
        local pid
        pid=$(cat "$sshd_dir/sshd.pid")
        pkill -KILL -P "$pid"
        kill -KILL "$pid"
        sleep 0.2
    }
    logins() { grep -c "Accepted password for $TAVRIX_SSH_USER" "$sshd_dir/sshd.log"; }
    start_sshd
    trap 'stop_sshd 2>/dev/null; XDG_RUNTIME_DIR="$WORK/xdg" "$BIN" persist --stop >/dev/null 2>&1; rm -rf "$WORK"' EXIT
    export XDG_RUNTIME_DIR="$WORK/xdg"
    mkdir -m 700 "$XDG_RUNTIME_DIR"
    local pin
    pin="ssh-ed25519 $(ssh-keygen -l -E sha256 -f "$sshd_dir/host.pub" | cut -d' ' -f2)"
    local unpinned=(check -H 127.0.0.1 -p "$port" -l "$TAVRIX_SSH_USER" --password-file "$TAVRIX_SSH_PASSWORD_FILE"
        --os LINUX --mount / --unit KB -w 1 -t 10)
    local check=("${unpinned[@]}" --hostkey "$pin")
    holder_pid() { "$BIN" persist --list | sed -n 's/.*process \([0-9]*\)$/\1/p'; }

    case_ "20 checks with --persist 60: one login, all answer"
    local i before=$(logins)
    for i in $(seq 20); do
        run "${check[@]}" --persist 60
        expect_rc 0; expect_out "DISK OK - Free space on / is "
    done
    [ $(($(logins) - before)) -eq 1 ] || fail "$(($(logins) - before)) logins for 20 checks"
    run persist --list
    expect_rc 0; expect_out "127.0.0.1 port $port user $TAVRIX_SSH_USER, idle "; expect_out "19 checks served"

    case_ "the holder is a session of its own, without the check's files"
    local holder
    holder=$(holder_pid)
    [ "$(ps -o sid= -p "$holder" | tr -d ' ')" != "$(ps -o sid= -p $$ | tr -d ' ')" ] ||
        fail "the holder is in the check's session"
    [ "$(ls /proc/"$holder"/fd | wc -l)" -le 6 ] || fail "the holder keeps $(ls /proc/"$holder"/fd | wc -l) files"

    case_ "a wrong password or another pin with a session held"
    echo wrong >"$WORK/wrong"; chmod 600 "$WORK/wrong"
    run "${check[@]}" --persist 60 --password-file "$WORK/wrong"
    expect_rc 3; expect_out "Login failed for user $TAVRIX_SSH_USER"
    ssh-keygen -q -t ed25519 -N '' -f "$WORK/other" </dev/null
    run "${check[@]}" --persist 60 --hostkey "ssh-ed25519 $(ssh-keygen -l -E sha256 -f "$WORK/other.pub" | cut -d' ' -f2)"
    expect_rc 3; expect_out "has changed: expected ssh-ed25519"
    run "${unpinned[@]}" --persist 60 --host-key-policy off
    expect_rc 0; expect_out "DISK OK"
    [ "$(holder_pid)" = "$holder" ] || fail "another login replaced the holder"

    case_ "another user's check does not reach the holder"
    local sock
    sock=$(ls "$XDG_RUNTIME_DIR"/tavrix/holder-*.sock)
    chmod 711 "$WORK" "$XDG_RUNTIME_DIR" "$XDG_RUNTIME_DIR/tavrix"; chmod 666 "$sock"
    setpriv --reuid=nobody --regid=nogroup --clear-groups /usr/bin/python3 -c '
import socket, sys
s = socket.socket(socket.AF_UNIX)
s.connect(sys.argv[1])
s.settimeout(5)
try:  # the holder closes at once: the request may not even go out
    s.sendall(b"L\0\0\0\0")
    answer = s.recv(100)
except (BrokenPipeError, ConnectionResetError):
    answer = b""
sys.exit(1 if answer else 0)' "$sock" >"$WORK/out" 2>"$WORK/err" || fail "the holder answered another user"
    chmod 700 "$XDG_RUNTIME_DIR" "$XDG_RUNTIME_DIR/tavrix"; chmod 600 "$sock"
    cp "$TAVRIX_SSH_PASSWORD_FILE" "$WORK/nobody.pw"; chown nobody "$WORK/nobody.pw"
    before=$(logins)
    mkdir -m 700 "$WORK/xdg-nobody"; chown nobody "$WORK/xdg-nobody"
    setpriv --reuid=nobody --regid=nogroup --clear-groups env XDG_RUNTIME_DIR="$WORK/xdg-nobody" \
        "$BIN" "${check[@]}" --password-file "$WORK/nobody.pw" --persist 1 >"$WORK/out" 2>"$WORK/err"
    RC=$?; expect_rc 0; expect_out "DISK OK"
    [ $(($(logins) - before)) -eq 1 ] || fail "another user's check did not log in itself"

    case_ "stdout closes when a check that leaves a holder exits"
    "$BIN" persist --stop >/dev/null
    local start=$(date +%s%N)
    "$BIN" "${check[@]}" --persist 60 2>"$WORK/err" | cat >"$WORK/out"
    [ $((($(date +%s%N) - start) / 1000000)) -lt 5000 ] || fail "the pipe stayed open"
    expect_out "DISK OK"; [ -n "$(holder_pid)" ] || fail "no holder left"

    case_ "the holder survives the engine killing the check's process group"
    "$BIN" persist --stop >/dev/null
    setsid bash -c '"$@" >/dev/null 2>&1; kill -KILL 0' _ "$BIN" "${check[@]}" --persist 60
    sleep 0.2
    [ -n "$(holder_pid)" ] || fail "the holder went with the check's process group"
    run "${check[@]}" --persist 60
    expect_rc 0; expect_out "DISK OK"
    run persist --list; expect_out "1 check served"

    case_ "the holder killed (SIGKILL)"
    kill -KILL "$(holder_pid)"; sleep 0.2
    run_measured "${check[@]}" --persist 60
    expect_rc 0; expect_out "DISK OK"; expect_within 10000
    [ -n "$(holder_pid)" ] || fail "no new holder"

    case_ "a holder that stops answering (SIGSTOP)"
    holder=$(holder_pid)
    kill -STOP "$holder"
    run_measured "${check[@]}" --persist 60 -t 4
    kill -CONT "$holder"
    expect_rc 0; expect_out "DISK OK"; expect_within 4000
    [ "$(holder_pid)" = "$holder" ] || fail "the holder did not come back"
    cpu_ticks() { awk '{ print $14 + $15 }' "/proc/$1/stat"; }
    local ticks
    ticks=$(cpu_ticks "$holder"); sleep 1
    [ $(($(cpu_ticks "$holder") - ticks)) -lt 50 ] || fail "the idle holder spins"

    case_ "the server's session process killed"
    pkill -KILL -P "$(cat "$sshd_dir/sshd.pid")"; sleep 0.2
    run_measured "${check[@]}" --persist 60
    expect_rc 0; expect_out "DISK OK"; expect_within 10000

    case_ "the server restarted"
    stop_sshd; start_sshd
    run_measured "${check[@]}" --persist 60
    expect_rc 0; expect_out "DISK OK"; expect_within 10000
    run_measured "${check[@]}" --persist 60
    expect_rc 0; expect_out "DISK OK"

    case_ "persist --stop by host, port and user"
    run persist --stop -H 127.0.0.1 -p "$port" -l nobody-else
    expect_rc 0; [ -n "$(holder_pid)" ] || fail "stopped another user's holder"
    run persist --stop -H 127.0.0.1 -p "$port" -l "$TAVRIX_SSH_USER"
    expect_rc 0; expect_out "stopped 127.0.0.1 port $port user $TAVRIX_SSH_USER"
    sleep 0.3; [ -z "$(holder_pid)" ] || fail "still held"

    case_ "--persist 2 and 4 s idle leave no holder"
    run "${check[@]}" --persist 2
    expect_rc 0; [ -n "$(holder_pid)" ] || fail "no holder"
    sleep 4
    [ -z "$(holder_pid)" ] || fail "still held after 4 s"
    ! ls "$XDG_RUNTIME_DIR"/tavrix/holder-*.sock >/dev/null 2>&1 || fail "the socket stayed"

    case_ "mounts with --persist ride on the same session"
    before=$(logins)
    run mounts -H 127.0.0.1 -p "$port" -l "$TAVRIX_SSH_USER" --password-file "$TAVRIX_SSH_PASSWORD_FILE" --hostkey "$pin" --os LINUX --persist 5
    expect_rc 0; expect_out "/"
    run "${check[@]}" --persist 5
    expect_rc 0
    [ $(($(logins) - before)) -eq 1 ] || fail "$(($(logins) - before)) logins"

    case_ "key logins: the key decides, not its file's text"
    "$BIN" persist --stop >/dev/null
    local keyed=(check -H 127.0.0.1 -p "$port" -l "$TAVRIX_SSH_USER" --hostkey "$pin" --os LINUX --mount / --unit KB -w 1 --persist 5)
    before=$(grep -c "Accepted publickey for $TAVRIX_SSH_USER" "$sshd_dir/sshd.log")
    for i in 1 2 3; do
        run "${keyed[@]}" -i "$TAVRIX_SSH_KEY_ED25519"; expect_rc 0
    done
    run "${keyed[@]}" -i "$TAVRIX_SSH_KEY_ECDSA"; expect_rc 0
    [ $(($(grep -c "Accepted publickey for $TAVRIX_SSH_USER" "$sshd_dir/sshd.log") - before)) -eq 2 ] ||
        fail "not one login for the ed25519 key and one for the ECDSA key"

    case_ "--persist takes whole seconds"
    run "${check[@]}" --persist 1.5
    expect_rc 3; expect_out "--persist must be whole seconds"
}

"group_$GROUP"
echo "$((passes - failures)) passed, $failures failed"
[ "$failures" -eq 0 ]
