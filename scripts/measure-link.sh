#!/usr/bin/env bash
# Measures what a poor network costs the viewer on a GenICam camera: Aravis's fake GigE Vision
# camera in a network namespace of its own, packets lost at random by nftables (control both ways
# and the stream), or the control channel delayed by a relay; for each condition, OPENS runs of
# `linetrigger-viewer --report-acquisition 4`: pages installed, starts, GLib criticals, incomplete
# frames against those that came, and the share of the time the GUI was blocked. Needs root.
#
#   bash scripts/measure-link.sh            loss of 1, 5 and 20 % and 30 +- 20 ms of delay
#   OPENS=3 bash scripts/measure-link.sh 5  only 5 % loss, three opens
set -euo pipefail
cd "$(dirname "$0")/.."
viewer=${VIEWER:-build/bin/linetrigger-viewer}
opens=${OPENS:-10}
conditions=("$@")
[ ${#conditions[@]} -gt 0 ] || conditions=(1 5 20 delay)
space=linetrigger-measure-$$
camera_pid=
relay_pid=

cleanup() {
    [ -n "$camera_pid" ] && kill "$camera_pid" 2>/dev/null || true
    [ -n "$relay_pid" ] && kill "$relay_pid" 2>/dev/null || true
    ip netns del "$space" 2>/dev/null || true
}
trap cleanup EXIT

# A GVCP relay on 127.0.0.2 holding each packet 10 to 50 ms, either way; one upstream socket a client.
relay() {
    python3 - <<'PYTHON'
import random, select, socket, time, heapq
listen = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
listen.bind(("127.0.0.2", 3956))
upstream = {}   # client address -> socket towards the camera
clients = {}    # socket -> client address
due = []        # (time, sequence, socket, data, address)
sequence = 0
while True:
    timeout = max(0.0, due[0][0] - time.time()) if due else 0.5
    ready, _, _ = select.select([listen] + list(clients), [], [], timeout)
    for s in ready:
        data, source = s.recvfrom(65536)
        if s is listen:
            if source not in upstream:
                u = socket.socket(socket.AF_INET, socket.SOCK_DGRAM)
                u.bind(("127.0.0.2", 0))
                upstream[source] = u
                clients[u] = source
            target, via = ("127.0.0.1", 3956), upstream[source]
        else:
            target, via = clients[s], listen
        sequence += 1
        heapq.heappush(due, (time.time() + random.uniform(0.010, 0.050), sequence, via, data, target))
    while due and due[0][0] <= time.time():
        _, _, via, data, target = heapq.heappop(due)
        via.sendto(data, target)
PYTHON
}

measure() { # name, camera address
    local name=$1 address=$2 installed=0 started=0 criticals=0 frames=0 incomplete=0 blocked=0 seconds=0
    for ((i = 0; i < opens; i++)); do
        local out err
        out=$(mktemp) err=$(mktemp)
        ip netns exec "$space" env QT_QPA_PLATFORM=offscreen "$viewer" --camera "aravis:$address" \
            --report-acquisition 4 >"$out" 2>"$err" || true
        read -r page lines f inc blk secs < <(python3 -c '
import json, sys
try:
    r = json.load(open(sys.argv[1]))
except Exception:
    r = {}
print(int(bool(r.get("pageInstalled"))), int((r.get("lines") or 0) > 0 or (r.get("frames") or 0) > 0),
      int(r.get("frames") or 0), int(r.get("incompleteFrames") or 0), int(r.get("blockedMs") or 0),
      float(r.get("seconds") or 0))' "$out")
        # What went wrong is kept for a look.
        if [ "$page" = 0 ] || grep -q CRITICAL "$err"; then
            mkdir -p "${KEEP:-/tmp/linetrigger-measure}"
            cp "$err" "${KEEP:-/tmp/linetrigger-measure}/${name// /_}-$i.log"
        fi
        installed=$((installed + page))
        grep -q "Acquisition started" "$err" && started=$((started + 1))
        criticals=$((criticals + $(grep -c CRITICAL "$err" || true)))
        frames=$((frames + f)) incomplete=$((incomplete + inc)) blocked=$((blocked + blk))
        seconds=$(python3 -c "print($seconds + $secs)")
        rm -f "$out" "$err"
    done
    python3 -c "
s = $seconds
print('%-18s pages %2d/%d  starts %2d/%d  criticals %d  frames whole %4d, incomplete %4d  GUI blocked %.1f %% of the time' % (
    '$name', $installed, $opens, $started, $opens, $criticals, $frames, $incomplete, 100.0 * $blocked / 1000.0 / s if s else 0))"
}

ip netns add "$space"
ip netns exec "$space" ip link set lo up
ip netns exec "$space" ip addr add 127.0.0.2/8 dev lo 2>/dev/null || true
ip netns exec "$space" arv-fake-gv-camera-0.8 -i 127.0.0.1 -s 40123-0042 -g genicam/LineScanCamera.xml \
    >/dev/null 2>&1 &
camera_pid=$!
sleep 1
for condition in "${conditions[@]}"; do
    ip netns exec "$space" nft flush ruleset
    if [ "$condition" = delay ]; then
        relay_script=$(declare -f relay)
        ip netns exec "$space" bash -c "$relay_script; relay" &
        relay_pid=$!
        sleep 1
        measure "30 +- 20 ms delay" 127.0.0.2
        kill "$relay_pid" 2>/dev/null || true
        relay_pid=
        continue
    fi
    ip netns exec "$space" nft -f - <<EOF
table inet loss {
  chain out {
    type filter hook output priority 0;
    udp dport 3956 numgen random mod 1000 < $((condition * 10)) drop
    udp sport 3956 numgen random mod 1000 < $((condition * 10)) drop
    udp sport != 3956 udp dport != 3956 numgen random mod 1000 < $((condition * 10)) drop
  }
}
EOF
    measure "$condition % loss" 127.0.0.1
done
