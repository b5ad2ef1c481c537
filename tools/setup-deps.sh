#!/bin/sh
# Installs the Debian packages that building and testing need, and nothing
# when they are all there. Uses sudo when not run as root.
set -e
# libssl3 and ca-certificates: Qt's TLS backend loads OpenSSL at run time, so
# the lobby download over HTTPS needs them although nothing links them.
# dpkg-dev: 'make package' works out the package's dependencies with it.
# desktop-file-utils, appstream: the tests validate the menu entry and metadata.
# dbus, avahi-daemon, iproute2: the network-games test runs its own bus and
# avahi inside a private network namespace (tools/zeroconf-netns-test.sh).
# wamerican, wamerican-large: how common each word of wamerican-huge is.
PKGS="cmake ninja-build g++ make pkg-config qt6-base-dev qt6-multimedia-dev libgl-dev \
libgtest-dev libgmock-dev libbenchmark-dev wamerican-huge wamerican wamerican-large \
libssl3 ca-certificates dpkg-dev desktop-file-utils appstream \
clang libclang-rt-14-dev ccache dbus avahi-daemon iproute2 \
xvfb xdotool at-spi2-core python3-pyatspi"
missing=""
for p in $PKGS; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing="$missing $p"
  fi
done
[ -z "$missing" ] && exit 0
if ! command -v apt-get >/dev/null 2>&1; then
  echo "Missing packages:$missing (install them with your package manager)" >&2
  exit 1
fi
echo "Installing:$missing"
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO=sudo
$SUDO apt-get update -q
# Debian's postinst would start avahi on this machine's real network, which the
# tests must never do: while installing, a policy-rc.d refuses every service
# start (unless the machine has its own policy already), and a daemon the
# install left running is stopped again.
avahi_was_running=no
pgrep -x avahi-daemon >/dev/null 2>&1 && avahi_was_running=yes
policy=""
if [ ! -e /usr/sbin/policy-rc.d ]; then
  policy=/usr/sbin/policy-rc.d
  printf '#!/bin/sh\n# Left by zirky setup-deps.sh while installing: starts no services.\nexit 101\n' \
    | $SUDO tee "$policy" >/dev/null
  $SUDO chmod 755 "$policy"
  trap '$SUDO rm -f "$policy"' EXIT
fi
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -q $missing
if [ "$avahi_was_running" = no ] && pgrep -x avahi-daemon >/dev/null 2>&1; then
  echo "Stopping the avahi-daemon that the install started" >&2
  $SUDO avahi-daemon -k || true
fi
