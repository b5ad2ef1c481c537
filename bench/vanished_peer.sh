#!/bin/sh
# How long a zirky-host keeps the seat of a peer that vanished without a word
# (a pulled cable): the host runs in one network namespace, the peer in
# another, joined by a virtual cable. Once the peer has logged in, its end of
# the cable goes down, so nothing it would send or answer arrives any more,
# and no reset either. Prints the seconds until the host logs that the seat
# was left, or that it was still held when the limit ran out.
#
#   bench/vanished_peer.sh HOST [idle|busy] [limit seconds, default 200] [net number 1..250]
#
# idle: nobody talks after the cut (only keepalive can notice).
# busy: another player chats every 5 s, so the host has data for the vanished
#       peer that is never acknowledged.
# Needs root (network namespaces) and python3.
set -eu
HOST=$(readlink -f "$1")
MODE=${2:-idle}
LIMIT=${3:-200}
NET=${4:-77}
H=zhost$NET
P=zpeer$NET
WORK=$(mktemp -d)
cleanup() {
    [ -n "${HOSTPID:-}" ] && kill "$HOSTPID" 2>/dev/null || true
    [ -n "${PEERPID:-}" ] && kill "$PEERPID" 2>/dev/null || true
    [ -n "${TALKPID:-}" ] && kill "$TALKPID" 2>/dev/null || true
    ip netns del "$H" 2>/dev/null || true
    ip netns del "$P" 2>/dev/null || true
    rm -rf "$WORK"
}
trap cleanup EXIT
ip netns add "$H"
ip netns add "$P"
ip link add vh$NET netns "$H" type veth peer name vp$NET netns "$P"
ip -n "$H" addr add 10.$NET.0.1/24 dev vh$NET
ip -n "$P" addr add 10.$NET.0.2/24 dev vp$NET
ip -n "$H" link set lo up
ip -n "$H" link set vh$NET up
ip -n "$P" link set vp$NET up

cat >"$WORK/player.py" <<'EOF'
import socket, sys, time
addr, name, talk = sys.argv[1], sys.argv[2], sys.argv[3] == "talk"
s = socket.create_connection((addr, 7772))
buf = b""
while b"\xff" not in buf:
    buf += s.recv(4096)
seat = buf.split(b"\xff")[0].split(b"+")[1].decode()
s.sendall(("CMD_logininfo+%s+1.0.13+%s\xff" % (seat, name)).encode("latin-1"))
print("seat", seat, flush=True)
s.setblocking(False)
n = 0
while True:
    time.sleep(5 if talk else 60)
    try:
        while s.recv(65536):
            pass
    except BlockingIOError:
        pass
    if talk:
        n += 1
        s.sendall(("CMD_chat+%s+still here %d\xff" % (seat, n)).encode("latin-1"))
EOF

ip netns exec "$H" "$HOST" --port 7772 2>"$WORK/log" &
HOSTPID=$!
sleep 1
ip netns exec "$P" python3 "$WORK/player.py" 10.$NET.0.1 Vanishing quiet >"$WORK/peer" 2>"$WORK/peer.err" &
PEERPID=$!
if [ "$MODE" = busy ]; then
    ip netns exec "$H" python3 "$WORK/player.py" 127.0.0.1 Talker talk >/dev/null &
    TALKPID=$!
fi
for _ in $(seq 30); do
    grep -q "login seat" "$WORK/log" && [ -s "$WORK/peer" ] && break
    sleep 0.5
done
grep -q "login seat" "$WORK/log" || { echo "the peer did not log in"; cat "$WORK/log" "$WORK/peer.err"; exit 1; }
SEAT=$(sed -n 's/^seat //p' "$WORK/peer")
ip -n "$P" link set vp$NET down
CUT=$(date +%s.%N)
while :; do
    NOW=$(date +%s.%N)
    if grep -q "seat $SEAT (Vanishing) left" "$WORK/log"; then
        echo "$MODE: seat $SEAT freed $(echo "$NOW - $CUT" | bc) s after its peer vanished"
        grep -E "seat $SEAT" "$WORK/log" | tail -n 3
        exit 0
    fi
    if [ "$(echo "$NOW - $CUT > $LIMIT" | bc)" = 1 ]; then
        echo "$MODE: seat $SEAT still held $LIMIT s after its peer vanished"
        exit 0
    fi
    sleep 0.5
done
