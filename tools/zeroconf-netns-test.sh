#!/bin/sh
# Runs a test program against a real avahi daemon that lives only inside a
# private network and mount namespace: loopback alone, with multicast on, a
# private system bus on a private /run, and avahi allowed on "lo" only. No
# packet reaches this machine's real network and no daemon outlives the run.
#
#   tools/zeroconf-netns-test.sh PROGRAM [ARGS...]
#
# Exits with the program's status, or 77 (skipped, with the reason) when the
# machine cannot do it: not root, no unshare, no dbus-daemon or avahi-daemon.
set -u

skip() {
  echo "SKIP: $*"
  exit 77
}

if [ "${1:-}" != "--inside" ]; then
  [ $# -ge 1 ] || { echo "usage: $0 PROGRAM [ARGS...]" >&2; exit 2; }
  [ "$(id -u)" -eq 0 ] || skip "needs root to make a private network namespace"
  for tool in unshare ip dbus-daemon avahi-daemon; do
    command -v "$tool" >/dev/null 2>&1 || skip "no $tool on this machine (tools/setup-deps.sh installs it)"
  done
  unshare -n -m true 2>/dev/null || skip "this machine does not allow private network namespaces (unshare -n -m)"
  outer_net=$(readlink /proc/self/ns/net)
  unshare -n -m --propagation private sh "$0" --inside "$outer_net" "$@"
  status=$?
  # Whatever happened inside, no avahi of ours may run on the real network.
  for pid in $(pgrep -x avahi-daemon); do
    if [ "$(readlink "/proc/$pid/ns/net" 2>/dev/null)" = "$outer_net" ] \
      && grep -q "zirky-zeroconf-test" "/proc/$pid/cmdline" 2>/dev/null; then
      echo "FAIL: a test avahi-daemon ($pid) runs outside the private namespace" >&2
      status=1
    fi
  done
  exit $status
fi

# Inside the namespaces.
shift
outer_net=$1
shift
if [ "$(readlink /proc/self/ns/net)" = "$outer_net" ]; then
  echo "FAIL: not in a private network namespace; refusing to start avahi" >&2
  exit 1
fi
# A new namespace holds loopback and at most idle tunnel devices (sit0, tunl0
# where those modules are loaded); nothing else may be up.
if [ "$(ip -o link show up | grep -vc ': lo:')" -ne 0 ]; then
  echo "FAIL: the private namespace has interfaces up besides lo; refusing to start avahi" >&2
  exit 1
fi

# A fresh namespace's loopback has no route for IPv6 multicast: without one,
# avahi's IPv6 side cannot send and only IPv4 addresses would be found.
ip link set lo up && ip link set lo multicast on \
  && ip -6 route add multicast ff00::/8 dev lo table local \
  || { echo "FAIL: cannot bring up lo with multicast" >&2; exit 1; }

# A private /run: the bus socket and avahi's pid file stay out of the real one.
work=$(mktemp -d "${TMPDIR:-/tmp}/zirky-zeroconf-test.XXXXXX") || exit 1
mount -t tmpfs -o mode=755 zirky-zeroconf-run /run || { echo "FAIL: cannot mount a private /run" >&2; exit 1; }
mkdir -p /run/dbus /run/avahi-daemon

cat >"$work/system-bus.conf" <<EOF
<!DOCTYPE busconfig PUBLIC "-//freedesktop//DTD D-BUS Bus Configuration 1.0//EN"
 "http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd">
<busconfig>
  <type>system</type>
  <listen>unix:path=/run/dbus/system_bus_socket</listen>
  <auth>EXTERNAL</auth>
  <policy context="default">
    <allow user="*"/>
    <allow own="*"/>
    <allow send_destination="*"/>
    <allow receive_sender="*"/>
  </policy>
</busconfig>
EOF

# The name of the config file marks our daemons (see the check outside).
cat >"$work/zirky-zeroconf-test-avahi.conf" <<EOF
[server]
use-ipv4=yes
use-ipv6=yes
allow-interfaces=lo
enable-dbus=yes
ratelimit-interval-usec=1000000
ratelimit-burst=1000
[wide-area]
enable-wide-area=no
[publish]
disable-publishing=no
publish-hinfo=no
publish-workstation=no
[reflector]
enable-reflector=no
EOF

cat >"$work/start-avahi" <<EOF
#!/bin/sh
exec avahi-daemon --daemonize --no-proc-title --no-chroot --no-drop-root --no-rlimits -f "$work/zirky-zeroconf-test-avahi.conf"
EOF
# For the test that restarts the daemon under a running announcement.
cat >"$work/restart-avahi" <<EOF
#!/bin/sh
pid=\$(cat /run/avahi-daemon/pid) || exit 1
kill "\$pid"
while kill -0 "\$pid" 2>/dev/null; do sleep 0.1; done
"$work/start-avahi"
EOF
chmod +x "$work/start-avahi" "$work/restart-avahi"

bus_pid=""
cleanup() {
  if [ -f /run/avahi-daemon/pid ]; then
    pid=$(cat /run/avahi-daemon/pid)
    kill "$pid" 2>/dev/null
    while kill -0 "$pid" 2>/dev/null; do sleep 0.1; done
  fi
  if [ -n "$bus_pid" ]; then
    kill "$bus_pid" 2>/dev/null
    wait "$bus_pid" 2>/dev/null
  fi
  umount /run 2>/dev/null
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' INT TERM

dbus-daemon --nofork --nopidfile --config-file="$work/system-bus.conf" &
bus_pid=$!
export DBUS_SYSTEM_BUS_ADDRESS=unix:path=/run/dbus/system_bus_socket
tries=0
until [ -S /run/dbus/system_bus_socket ]; do
  tries=$((tries + 1))
  [ $tries -le 100 ] || { echo "FAIL: the private system bus did not start" >&2; exit 1; }
  sleep 0.1
done

"$work/start-avahi" || { echo "FAIL: avahi-daemon did not start" >&2; exit 1; }

export ZIRKY_AVAHI_RESTART="$work/restart-avahi"
"$@"
status=$?
# A real daemon on a loaded machine (a sanitizer build beside other tests) now
# and then misses an announcement's moment; a second run against a freshly
# started daemon tells that from a fault, which fails both times.
if [ $status -ne 0 ] && [ $status -ne 77 ]; then
  echo "zeroconf-netns-test: the first run failed ($status); once more against a restarted daemon" >&2
  "$work/restart-avahi" || "$work/start-avahi" || { echo "FAIL: avahi-daemon did not restart" >&2; exit 1; }
  "$@"
  status=$?
fi
exit $status
