#!/bin/sh
# The game's accessibility tree as a screen reader sees it, checked:
#   tools/atspi-dump.sh BUILD_DIR [OUT_FILE]
# Starts a private X server and D-Bus session (with the accessibility bus),
# opens a solo game, starts it from the keyboard (Ctrl+N, Enter) so the tiles
# hold letters, then dumps and checks the tree with tools/atspi-dump.py.
# Needs Xvfb, xdotool, dbus-run-session, at-spi2-core and python3-pyatspi.
set -eu
build=$(cd "${1:?usage: atspi-dump.sh BUILD_DIR [OUT_FILE]}" && pwd)
out=${2:-}
here=$(cd "$(dirname "$0")" && pwd)

if [ -z "${ZIRKY_ATSPI_INNER:-}" ]; then
  display=":$((90 + $$ % 100))"
  Xvfb "$display" -screen 0 1280x800x24 -nolisten tcp >/dev/null 2>&1 &
  xvfb=$!
  trap 'kill $xvfb 2>/dev/null || true' EXIT INT TERM
  sleep 1
  DISPLAY=$display ZIRKY_ATSPI_INNER=1 dbus-run-session -- "$0" "$build" "$out"
  exit $?
fi

# Inside the private session: the accessibility bus, then the game, on the
# X server (a test runner may have asked every program for the offscreen platform).
unset QT_QPA_PLATFORM
export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 QT_ACCESSIBILITY=1 NO_AT_BRIDGE=0
work=$(mktemp -d)
if [ -z "${XDG_RUNTIME_DIR:-}" ]; then
  export XDG_RUNTIME_DIR="$work/runtime"
  mkdir -m 700 "$XDG_RUNTIME_DIR"
fi
/usr/libexec/at-spi-bus-launcher --launch-immediately >/dev/null 2>&1 &
launcher=$!
sleep 1
# A port of its own, so that a game already on this machine is not disturbed.
export ZIRKY_PORT=${ZIRKY_PORT:-$((20000 + $$ % 20000))}
(cd "$work" && exec "$build/zirky") >"$work/game.log" 2>&1 &
game=$!
trap 'kill $game $launcher 2>/dev/null || true; rm -rf "$work"' EXIT INT TERM
# Up when its window shows (a minute at most), and settled a moment after.
for _ in $(seq 120); do
  xdotool search --onlyvisible --name '^Zirky$' >/dev/null 2>&1 && break
  sleep 0.5
done
sleep 2
status=0
# The keyboard alone: the start window (checked while it shows), then Enter to start.
xdotool key --clearmodifiers ctrl+n
sleep 1.5
/usr/bin/python3 "$here/atspi-dump.py" --out "${out:-$work/tree.txt}.start-window" || status=$?
xdotool key Return
sleep 3
# Each window the keyboard opens, the main window given the keyboard back between them.
main=$(xdotool search --onlyvisible --name '^Zirky$' | head -n 1)
for keys in ctrl+l ctrl+p ctrl+shift+s shift+F1 F1; do
  xdotool windowfocus --sync "$main" 2>/dev/null || true
  xdotool key --clearmodifiers "$keys"
  sleep 0.7
done
xdotool windowfocus --sync "$main" 2>/dev/null || true
sleep 0.5
if [ -n "$out" ]; then
  /usr/bin/python3 "$here/atspi-dump.py" --expect-game --out "$out" || status=$?
else
  /usr/bin/python3 "$here/atspi-dump.py" --expect-game || status=$?
fi
# Then the news as it happens: F5 says the board, and the reader must hear it.
/usr/bin/python3 "$here/atspi-dump.py" --out /dev/null --press-tile --listen 4 --expect-news "Current:" >"$work/events.txt" 2>&1 &
listener=$!
sleep 1.5
xdotool key F5
wait $listener || status=$?
grep -E "^EVENT .*\[notification\]|PROBLEM" "$work/events.txt" || true
exit $status
