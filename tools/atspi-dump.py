#!/usr/bin/python3
"""Dumps the game window's accessibility tree as a screen reader sees it
(AT-SPI) and checks it: every interactive control has a name, and the tiles,
the word boxes and the seats say what a player needs to hear.

Run it through tools/atspi-dump.sh, which starts Xvfb, a private D-Bus session
with the accessibility bus and the game. On its own it needs a running game
on the accessibility bus of the current session.

    tools/atspi-dump.py [--app zirky] [--out tree.txt]

Exit status 0 when every check holds, 1 otherwise; the problems are listed.
"""
import argparse
import re
import sys
import time

import pyatspi

# Roles a player acts on: each needs a name to be found by ear.
INTERACTIVE = {
    pyatspi.ROLE_PUSH_BUTTON, pyatspi.ROLE_TOGGLE_BUTTON, pyatspi.ROLE_CHECK_BOX, pyatspi.ROLE_RADIO_BUTTON,
    pyatspi.ROLE_MENU_ITEM, pyatspi.ROLE_CHECK_MENU_ITEM, pyatspi.ROLE_RADIO_MENU_ITEM, pyatspi.ROLE_MENU,
    pyatspi.ROLE_ENTRY, pyatspi.ROLE_TEXT, pyatspi.ROLE_PASSWORD_TEXT, pyatspi.ROLE_SPIN_BUTTON,
    pyatspi.ROLE_COMBO_BOX, pyatspi.ROLE_LIST, pyatspi.ROLE_LIST_BOX, pyatspi.ROLE_SLIDER,
    pyatspi.ROLE_PAGE_TAB, pyatspi.ROLE_LINK,
}

TILE = re.compile(r"^(?:[A-Z], (?:on the rack|in the word at place \d+), tile \d+|Empty tile \d+)$")
BOX = re.compile(r"^(\d+) Letters(?:, full|, closed this turn)?: (?:no words|\d+ words?, \d+ points?: .*)$")
SEAT = re.compile(r"^Seat (\d): (?:free|.+, -?\d+ points.*)$")


def find_app(name, timeout):
    end = time.time() + timeout
    while time.time() < end:
        desktop = pyatspi.Registry.getDesktop(0)
        for app in desktop:
            if app is not None and app.name.lower() == name.lower():
                return app
        time.sleep(0.5)
    return None


def walk(node, depth, out, problems, seen):
    try:
        role = node.getRole()
        role_name = node.getRoleName()
        name = node.name or ""
        states = node.getState()
        showing = states.contains(pyatspi.STATE_SHOWING)
        count = node.childCount
    except Exception as e:  # a node that went away while walked
        out.append("  " * depth + "<gone: %s>" % e)
        return
    flags = []
    if states.contains(pyatspi.STATE_FOCUSED):
        flags.append("focused")
    if states.contains(pyatspi.STATE_CHECKED):
        flags.append("checked")
    if not states.contains(pyatspi.STATE_ENABLED):
        flags.append("disabled")
    if not showing:
        flags.append("hidden")
    out.append("%s[%s] %r%s" % ("  " * depth, role_name, name, " (" + ", ".join(flags) + ")" if flags else ""))
    seen.append((role, name, showing))
    if role in INTERACTIVE and not name.strip() and showing:
        problems.append("unnamed %s at depth %d (parent %r)" % (role_name, depth, node.parent.name if node.parent else ""))
    if role in INTERACTIVE and name.endswith("\u2026") and showing:
        problems.append("%s named by a cut caption: %r" % (role_name, name))
    for i in range(count):
        child = node.getChildAtIndex(i)
        if child is not None:
            walk(child, depth + 1, out, problems, seen)


def listen(seconds, problems, expect):
    """Prints what the game tells a screen reader for `seconds`: renamed
    controls and news. With `expect`, the news must include those words."""
    from gi.repository import GLib

    heard = []

    def on_event(event):
        try:
            source = event.source
            if source is None or source.getApplication().name.lower() != "zirky":
                return
            role = source.getRoleName()
            name = source.name or ""
        except Exception:
            return
        line = "%s [%s] %r" % (event.type, role, name)
        heard.append((source.getRole(), name))
        print("EVENT " + line, flush=True)

    kinds = ["object:property-change:accessible-name", "object:state-changed:showing", "object:announcement",
             "object:state-changed:focused"]
    pyatspi.Registry.registerEventListener(on_event, *kinds)
    GLib.timeout_add(int(seconds * 1000), lambda: pyatspi.Registry.stop() or False)
    pyatspi.Registry.start()
    news = [n for r, n in heard if r == pyatspi.ROLE_NOTIFICATION]
    if expect and not any(expect in n for n in news):
        problems.append("no news with %r reached the reader (news heard: %r)" % (expect, news[-3:]))


def press_a_tile(app, problems):
    """Presses the first tile on the rack the way a screen reader does (its
    "press" action) and checks that it says it went into the word."""
    found = pyatspi.findDescendant(
        app, lambda n: n.getRole() == pyatspi.ROLE_PUSH_BUTTON and re.match(r"^[A-Z], on the rack, tile \d+$", n.name or ""))
    if found is None:
        problems.append("no tile on the rack to press")
        return
    number = found.name.rsplit(" ", 1)[1]
    action = found.queryAction()
    names = [action.getName(i).lower() for i in range(action.nActions)]
    if "press" not in names:
        problems.append("tile %s offers no press action (%r)" % (number, names))
        return
    action.doAction(names.index("press"))
    end = time.time() + 5
    while time.time() < end and "in the word" not in (found.name or ""):
        time.sleep(0.1)
    print("pressed tile %s: now %r" % (number, found.name), file=sys.stderr)
    if not re.match(r"^[A-Z], in the word at place 1, tile %s$" % number, found.name or ""):
        problems.append("tile %s pressed by a reader does not say it is in the word: %r" % (number, found.name))
    elif not found.getState().contains(pyatspi.STATE_CHECKED):
        problems.append("tile %s in the word is not checked" % number)


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--app", default="Zirky")
    ap.add_argument("--out")
    ap.add_argument("--timeout", type=float, default=30)
    ap.add_argument("--expect-game", action="store_true", help="a game runs: check the tiles too")
    ap.add_argument("--press-tile", action="store_true", help="then press a tile through its press action")
    ap.add_argument("--listen", type=float, default=0, help="then print the events heard for this many seconds")
    ap.add_argument("--expect-news", help="words the news heard while listening must include")
    args = ap.parse_args()

    app = find_app(args.app, args.timeout)
    if app is None:
        print("no application %r on the accessibility bus" % args.app, file=sys.stderr)
        return 1
    out, problems, seen = [], [], []
    walk(app, 0, out, problems, seen)
    text = "\n".join(out) + "\n"
    if args.out:
        with open(args.out, "w", encoding="utf-8") as f:
            f.write(text)
    else:
        sys.stdout.write(text)

    names = [n for _, n, _ in seen]
    tiles = [n for n in names if TILE.match(n)]
    lettered = [n for n in tiles if not n.startswith("Empty")]
    boxes = sorted({int(m.group(1)) for m in map(BOX.match, names) if m})
    seats = sorted({int(m.group(1)) for m in map(SEAT.match, names) if m})
    if boxes != list(range(3, 11)):
        problems.append("word boxes named by length, words and points: found %s, want 3..10" % boxes)
    if seats != list(range(1, 7)):
        problems.append("seats named by player and score: found %s, want 1..6" % seats)
    if args.expect_game and len(lettered) < 10:
        problems.append("tiles named by letter and place: %d found, want at least 10" % len(lettered))
    if not any(r == pyatspi.ROLE_NOTIFICATION for r, _, _ in seen):
        problems.append("no notification for the news")

    if args.press_tile:
        press_a_tile(app, problems)
    if args.listen > 0:
        listen(args.listen, problems, args.expect_news)

    print("checked %d nodes: %d tiles with letters, boxes %s, seats %s" % (len(seen), len(lettered), boxes, seats),
          file=sys.stderr)
    for p in problems:
        print("PROBLEM: " + p, file=sys.stderr)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
