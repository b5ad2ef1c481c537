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
import subprocess
import sys
import tempfile
import time

build, out = sys.argv[1], sys.argv[2]

PLAY_SOLO = (300, 348)
START_BUTTON = (310, 212)
START_CONFIRM = (400, 405)
CHAT_INPUT = (300, 535)
FINISH = (472, 213)


def read_words(path):
    with open(path, encoding="utf-8", errors="replace") as f:
        return {w.strip().upper() for w in f if re.fullmatch(r"[a-z]{3,10}", w.strip())}


common = read_words("/usr/share/dict/american-english")


def xdo(*args):
    subprocess.run(["xdotool", *map(str, args)], check=True)


def click(at):
    xdo("mousemove", at[0], at[1], "click", "1")
    time.sleep(0.3)


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


class Log:
    def __init__(self, path):
        self.f = open(path, encoding="utf-8", errors="replace")

    def wait(self, pattern, timeout=120):
        end = time.time() + timeout
        while time.time() < end:
            line = self.f.readline()
            if not line:
                time.sleep(0.05)
                continue
            m = re.search(pattern, line)
            if m:
                return m
        raise SystemExit("timed out waiting for " + pattern)


home = tempfile.mkdtemp(prefix="zirky-shot-")
env = dict(os.environ, ZIRKY_LOG_GAME="1", ZIRKY_NO_SOUND="1", HOME=home, XDG_CONFIG_HOME=home + "/config",
           XDG_CACHE_HOME=home + "/cache", XDG_RUNTIME_DIR=home)
os.chmod(home, 0o700)
log_path = os.path.join(home, "game.log")
game = subprocess.Popen([os.path.join(build, "zirky")], env=env, stderr=open(log_path, "w"),
                        stdout=subprocess.DEVNULL, cwd=home)
log = Log(log_path)
log.wait(r"CMD_newplayerinfo\+1\+")
time.sleep(1.5)
click(PLAY_SOLO)
click(START_BUTTON)
time.sleep(0.5)
click(START_CONFIRM)

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
        subprocess.run(["import", "-window", "root", "-crop", "800x572+0+0", out], check=True)
        print("played", " ".join(words), "-> screenshot", out, flush=True)
        break

game.terminate()
game.wait(timeout=10)
