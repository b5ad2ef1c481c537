#!/bin/sh
# The screenshot of the Join dialog listing the games on the network: a
# dedicated host and a hosting copy announce their games, a third copy opens
# Play with Others > Join Game... and finds them. It needs a real avahi daemon,
# so it runs only inside the private namespace that tools/zeroconf-netns-test.sh
# makes (loopback alone; nothing reaches the real network):
#
#   tools/zeroconf-netns-test.sh tools/shoot-network-games.sh BUILD_DIR SHOT_DIR
#
# Needs Xvfb, xdotool and ImageMagick. Exits 1 when the list stays empty.
set -u
[ -n "${ZIRKY_AVAHI_RESTART:-}" ] || { echo "run this through tools/zeroconf-netns-test.sh" >&2; exit 2; }
[ $# -eq 2 ] || { echo "usage: tools/zeroconf-netns-test.sh $0 BUILD_DIR SHOT_DIR" >&2; exit 2; }
build=$(realpath "$1")
mkdir -p "$2"
shots=$(realpath "$2")
work=$(mktemp -d "${TMPDIR:-/tmp}/zirky-netgames.XXXXXX")
pids=""
finish() {
  for pid in $pids; do kill "$pid" 2>/dev/null; done
  for pid in $pids; do wait "$pid" 2>/dev/null; done
  rm -rf "$work"
}
trap finish EXIT

display=:71
Xvfb $display -screen 0 1024x768x24 -nolisten tcp >"$work/xvfb.log" 2>&1 &
pids="$pids $!"
export DISPLAY=$display
sleep 1

# A copy of the game with a home, a runtime folder and settings of its own.
game() {
  name=$1
  shift
  mkdir -m 700 "$work/$name"
  cp "$build/zirky" "$work/$name/zirky"
  (cd "$work/$name" && HOME="$work/$name" XDG_CONFIG_HOME="$work/$name/config" XDG_CACHE_HOME="$work/$name/cache" \
    XDG_RUNTIME_DIR="$work/$name" ZIRKY_NO_SOUND=1 ZIRKY_LOG_GAME=1 exec ./zirky "$@" 2>"$work/$name/game.log") &
  pids="$pids $!"
}

(cd "$work" && exec "$build/zirky-host" --port 27774 2>"$work/host.log") &
pids="$pids $!"
ZIRKY_PORT=27773 game ann Ann x true
sleep 3
game bob
sleep 4
xdotool mousemove 495 355 click 1
sleep 0.5
xdotool mousemove 467 403 click 1
# Long enough for avahi to resolve both games.
sleep 5
import -window root -crop 800x572+0+0 "$shots/hostjoin-6-games-on-the-network.jpg"
if ! grep -q "announced on the local network" "$work/host.log"; then
  echo "FAIL: the dedicated host was not announced" >&2
  exit 1
fi

# Bob joins Ann's game (the first row) with a double click; then the list,
# opened again, shows her game with two players.
xdotool mousemove 420 56 click --repeat 3 1
xdotool type --delay 30 Bob
xdotool mousemove 180 235 click --repeat 2 --delay 80 1
tries=0
until grep -q 'CMD_newplayerinfo+2+Bob' "$work/ann/game.log"; do
  tries=$((tries + 1))
  [ $tries -le 100 ] || { echo "FAIL: Bob did not reach Ann's game from the list" >&2; exit 1; }
  sleep 0.1
done
sleep 1
xdotool mousemove 23 11 click 1
sleep 0.5
xdotool mousemove 73 100 click 1
sleep 3
import -window root -crop 800x572+0+0 "$shots/hostjoin-7-players-updated.jpg"
echo "Bob joined Ann's game from the list; screenshots in $shots"
