# Shared by the fake df, bdf and vdf of the test server's user tavrixfake
# (scripts/test-sshd). Sourced, not run.

FAKE_OUTPUTS=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/outputs

# The process id of the sshd that serves this session (the first ancestor
# named sshd), or nothing.
fake_session_pid() {
    local pid=$$ ppid comm
    while [ "$pid" -gt 1 ] 2>/dev/null; do
        comm=$(cat "/proc/$pid/comm" 2>/dev/null) || return 0
        if [ "$comm" = sshd ]; then
            echo "$pid"
            return 0
        fi
        ppid=$(sed -n 's/^PPid:[[:space:]]*//p' "/proc/$pid/status" 2>/dev/null)
        [ -n "$ppid" ] || return 0
        pid=$ppid
    done
}

# Prints the header and the first two data lines of an output file.
fake_head() {
    head -n 3 "$1"
}

# The special mounts, the same for every fake command:
#   /slow  prints the header, then waits (up to 5 minutes) without ending,
#          until the session goes away;
#   /sleep3  waits 3 seconds, then prints the whole output;
#   /drop  prints the header and two lines, then kills the sshd process of
#          its session, so that the connection drops in the middle of the output.
# Hostile servers (the first three print until their session goes):
#   /endless        the header, then data lines of another mount without end;
#   /endless-line   the header, then one line without end;
#   /endless-words  the header, then lines of one word (no blank) without end;
#   /many           the header and 40,000 data lines, the last one of /many;
#   /escape         the header and a line of /escape with terminal escapes.
# Returns 1 when the mount is not special.
fake_special() {
    local mount=$1 file=$2 session i
    case $mount in
    /slow)
        head -n 1 "$file"
        session=$(fake_session_pid)
        for ((i = 0; i < 300; i++)); do
            sleep 1
            if [ -n "$session" ] && ! kill -0 "$session" 2>/dev/null; then
                break
            fi
        done
        exit 0
        ;;
    /endless)
        head -n 1 "$file"
        yes '/dev/endless 1000 400 600 40% /endless/other'
        exit 0
        ;;
    /endless-line)
        head -n 1 "$file"
        tr '\0' x </dev/zero
        exit 0
        ;;
    /endless-words)
        head -n 1 "$file"
        yes word
        exit 0
        ;;
    /many)
        head -n 1 "$file"
        awk 'BEGIN { for (i = 1; i < 40000; i++) printf "/dev/m%d 1000 400 600 40%% /many/%d\n", i, i
                     print "/dev/m 1000 400 600 40% /many" }'
        exit 0
        ;;
    /escape)
        head -n 1 "$file"
        printf '/dev/e 1000 400 600 40%% /escape\033]0;retitled\007\n'
        exit 0
        ;;
    /sleep3)
        # a command that takes its time but ends well (the wait's CPU cost)
        sleep 3
        cat "$file"
        exit 0
        ;;
    /drop)
        fake_head "$file"
        # let sshd forward what was printed before the connection goes
        sleep 0.5
        session=$(fake_session_pid)
        if [ -n "$session" ]; then
            kill -9 "$session"
        else
            kill -9 "$PPID"
        fi
        sleep 2
        exit 1
        ;;
    esac
    return 1
}

# The mount asked for: the arguments after the options, joined by blanks (a
# mount with blanks arrives split because the remote query does not quote it).
fake_mount() {
    local IFS=' '
    echo "$*"
}

# Whether a recorded generic output (header first) has a line of the mount:
# the mount is what follows the percentage word.
fake_lists_mount() {
    awk -v want="$2" '
        NR == 1 { skip = ($0 ~ /Type/) ? 6 : 5; next }
        {
            line = $0
            for (i = 0; i < skip; i++) sub(/^[^ ]+ +/, "", line)
            if (line == want) found = 1
        }
        END { exit found ? 0 : 1 }' "$1"
}

# Prints a recorded output as it is (line ends included).
fake_print() {
    cat "$1"
}
