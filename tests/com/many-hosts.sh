#!/bin/bash
# Many script hosts under wine64, each checking one mount of the same server
# at the same moment, as a Windows monitoring host runs one check object per
# mount. The server is one of our own with OpenSSH's default MaxStartups,
# which sheds connections that have not logged in yet; every check must
# still answer right.
#   many-hosts.sh <prefix> <one-of-many.vbs> [hosts, default 20]
set -u
export WINEPREFIX=$1 WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" WINEARCH=win64
script=$2
hosts=${3:-20}
if [ -z "${TAVRIX_SSH_PASSWORD_FILE:-}" ] || [ ! -r "$TAVRIX_SSH_PASSWORD_FILE" ] ||
    [ "$(id -u)" != 0 ]; then
    echo "no test SSH server in the environment (or not root): skipped"
    exit 77
fi

work=$(mktemp -d /tmp/tavrix-many-hosts-XXXXXX)
stop_server() {
    if [ -s "$work/sshd.pid" ]; then
        kill "$(cat "$work/sshd.pid")" 2>/dev/null
    fi
    rm -rf "$work"
}
trap stop_server EXIT

# The shared server's users and settings, its own port, key and PID file, and
# no MaxStartups line: OpenSSH's default.
port_answers() { timeout 2 bash -c "exec 3<>/dev/tcp/127.0.0.1/$1 && head -c 4 <&3" 2>/dev/null | grep -q SSH-; }
port_in_use() { timeout 1 bash -c "exec 3<>/dev/tcp/127.0.0.1/$1" 2>/dev/null; }
for _ in 1 2 3 4 5; do
    port=$((20000 + RANDOM % 12000))
    port_in_use "$port" || break
done
ssh-keygen -q -t ed25519 -N '' -f "$work/host_ed25519" </dev/null
{
    echo "Port $port"
    echo "PidFile $work/sshd.pid"
    echo "HostKey $work/host_ed25519"
    echo "LogLevel VERBOSE" # logs each shed connection
    grep -v -E '^(Port|PidFile|HostKey|LogLevel|MaxStartups) ' "$TAVRIX_SSHD_DIR/sshd_config"
} >"$work/sshd_config"
mkdir -p /run/sshd
/usr/sbin/sshd -f "$work/sshd_config" -E "$work/sshd.log" || exit 1
for _ in $(seq 50); do
    port_answers "$port" && break
    sleep 0.1
done

password=$(tr -d '\n' <"$TAVRIX_SSH_PASSWORD_FILE" | base64 -w0)
parameters() { # port mount
    echo "#ENC=T#USR=$TAVRIX_SSH_FAKE_USER#PWD=$password#PROTO=A#PORT=$1#KEYF=#KEYT=RSA#OS=LINUX#BLK=1024#RES=$2#UNIT=GB#COM=0#EOL=LF#RAN=0#"
}

# The gate: holds every connection until all hosts have come (or a while has
# passed), then lets them all go with one line that is no SSH.
python3 - "$hosts" "$work/gate.port" <<'PY' &
import os, random, socket, sys, time
hosts, port_file = int(sys.argv[1]), sys.argv[2]
gate = socket.socket()
while True:  # below 32768: PORT is a 16-bit signed number
    try:
        gate.bind(("127.0.0.1", random.randint(20000, 32000)))
        break
    except OSError:
        pass
gate.listen(hosts)
gate.settimeout(1)
with open(port_file + ".new", "w") as f:
    f.write(str(gate.getsockname()[1]))
os.rename(port_file + ".new", port_file)
waiting, until = [], time.time() + 120
while len(waiting) < hosts and time.time() < until:
    try:
        waiting.append(gate.accept()[0])
    except socket.timeout:
        pass
for c in waiting:
    c.sendall(b"go\r\n")
for c in waiting:
    c.close()
PY
gate_pid=$!
for _ in $(seq 100); do
    [ -s "$work/gate.port" ] && break
    sleep 0.1
done
gate_port=$(cat "$work/gate.port")

mounts=(/ /dev /run /dev/shm /run/lock /boot/efi "/media/backup disk" /run/user/1000)
script_path=$(echo "Z:$script" | tr / '\\')
pids=()
for i in $(seq "$hosts"); do
    mount=${mounts[$(((i - 1) % ${#mounts[@]}))]}
    TAVRIX_VBS_MOUNT=$mount TAVRIX_VBS_PARAMETERS=$(parameters "$port" "$mount") \
        TAVRIX_VBS_GATE=$(parameters "$gate_port" /) \
        /usr/lib/wine/wine64 cscript //nologo "$script_path" >"$work/out.$i" 2>&1 &
    pids+=($!)
    sleep 0.3 # Wine loses a host now and then when all start in the same instant
done
right=0
for i in $(seq "$hosts"); do
    # Wine's cscript exits with 0 also when the script fails: the text decides.
    wait "${pids[$((i - 1))]}"
    if grep -q ': True Free space on ' "$work/out.$i"; then
        right=$((right + 1))
    else
        echo "FAIL: host $i: $(tr -d '\r' <"$work/out.$i")"
    fi
done
wait "$gate_pid"
echo "$right of $hosts script hosts right; the server shed $(grep -c 'past MaxStartups' "$work/sshd.log") connections"
[ "$right" = "$hosts" ]
