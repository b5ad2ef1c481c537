#!/usr/bin/env python3
"""Plays one solo turn of plurals at the real window and takes a screenshot of
"Words you missed" after it. Needs an X display (Xvfb), xdotool and ImageMagick.

    xvfb-run -s "-screen 0 800x600x24" tools/shoot-missed-words.py BUILD_DIR OUT.png

Like tools/drive-solo-game.py it reads the dealt tiles from the host's log
(ZIRKY_LOG_GAME=1) and plays through the mouse and keyboard only. It passes
racks without a plural to make, and on the first that has some it types up to
four plurals (from the common word list) and two other words, then Finish.
"""
import collections
import os
import re
import sys
import tempfile
import time

from zirky_window import CHAT_INPUT, FINISH, click, screenshot, start_solo, xdo

build, out = sys.argv[1], sys.argv[2]


def read_words(path):
    with open(path, encoding="utf-8", errors="replace") as f:
        return {w.strip().upper() for w in f if re.fullmatch(r"[a-z]{3,10}", w.strip())}


common = read_words("/usr/share/dict/american-english")


def fits(word, rack):
    return not collections.Counter(word) - collections.Counter(rack)


def plurals(rack):
    """Plurals of common words the rack can make, longest first, no two of one family."""
    found = sorted((w for w in common if w.endswith("S") and w[:-1] in common and fits(w, rack)),
                   key=lambda w: (-len(w), w))
    chosen = []
    for w in found:
        if all(w[:-1] != c and c[:-1] != w for c in chosen):
            chosen.append(w)
    return chosen[:4]


def others(rack, taken):
    found = sorted((w for w in common if fits(w, rack) and not w.endswith("S")), key=lambda w: (len(w), w))
    picked = []
    for w in found:
        if all(w + "S" != t and w != t for t in taken + picked):
            picked.append(w)
    return picked[:2]


home = tempfile.mkdtemp(prefix="zirky-shot-")
os.chmod(home, 0o700)
env = dict(os.environ, ZIRKY_NO_SOUND="1", HOME=home, XDG_CONFIG_HOME=home + "/config",
           XDG_CACHE_HOME=home + "/cache", XDG_RUNTIME_DIR=home)
game, log = start_solo(build, home, env)

typing_on = False
for turn in range(12):
    m = log.wait(r"CMD_thedice\+1\+(true|false)\+([A-Z+]+)")
    rack = m.group(2).replace("+", "")
    time.sleep(0.6)
    words = plurals(rack)
    print(f"rack {rack}: plurals {words}", flush=True)
    if len(words) >= 2:
        words += others(rack, words)
        click(CHAT_INPUT)
        if not typing_on:
            xdo("key", "Tab")
            typing_on = True
        for w in words:
            xdo("type", "--delay", "40", w.lower())
            xdo("key", "Return")
            time.sleep(0.4)
        time.sleep(0.5)
    click(FINISH)
    log.wait(r"CMD_turnend\+")
    if len(words) >= 2:
        time.sleep(1.5)
        screenshot(out)
        print("played", " ".join(words), "-> screenshot", out, flush=True)
        break

game.terminate()
game.wait(timeout=10)
