#!/usr/bin/env python3
"""Plays a solo game at the real window, the way a person would, and takes
screenshots along the way. Needs an X display (Xvfb), xdotool and ImageMagick.

    tools/drive-solo-game.py BUILD_DIR SHOT_DIR [word list]

The game is started with ZIRKY_LOG_GAME=1 so the script can read the dealt
tiles from what the host says; everything else goes through the mouse and the
keyboard: the start button, the start window, typed words, Enter, Finish.
"""
import collections
import os
import re
import sys
import time

from zirky_window import CHAT_INPUT, FINISH, click, screenshot, start_solo, xdo

build, shots = sys.argv[1], sys.argv[2]
words_file = sys.argv[3] if len(sys.argv) > 3 else "/usr/share/dict/american-english-huge"
os.makedirs(shots, exist_ok=True)

words = set()
with open(words_file, encoding="utf-8", errors="replace") as f:
    for line in f:
        w = line.strip()
        if 3 <= len(w) <= 10 and re.fullmatch(r"[a-z]+", w):
            words.add(w.upper())
POINTS = {3: [60, 70, 80, 90, 100], 4: [120, 140, 160, 180, 200], 5: [200, 250, 300, 350, 400],
          6: [300, 400, 500, 600, 700], 7: [500, 650, 800, 950, 1100], 8: [750, 1000, 1250, 1500, 1750],
          9: [1000, 1500, 2000, 2500, 3000], 10: [1500, 3000, 5000, 5000, 5000]}


def shot(name):
    screenshot(os.path.join(shots, name + ".png"))
    print("screenshot", name, flush=True)


def playable(rack, zirked):
    have = collections.Counter(rack)
    found = [w for w in words if not collections.Counter(w) - have]
    if zirked:
        found = [w for w in found if len(w) > 3]
    chosen, per_length = [], collections.Counter()
    # Longest first, at most five a length, never both a word and its plural.
    for w in sorted(found, key=lambda w: (-len(w), w)):
        if per_length[len(w)] >= 5 or w + "S" in chosen or (w.endswith("S") and w[:-1] in chosen):
            continue
        chosen.append(w)
        per_length[len(w)] += 1
    return chosen


game, log = start_solo(build, shots, before_confirm=lambda: shot("00-start-window"))

turn = 0
typing_on = False
while True:
    m = log.wait(r"CMD_(thedice\+1\+(true|false)\+([A-Z+]+)|winner\+(.*))")
    if m.group(4) is not None:
        time.sleep(1)
        shot("99-winner")
        break
    turn += 1
    zirked = m.group(2) == "true"
    rack = m.group(3).replace("+", "")
    dealt_at = time.time()
    time.sleep(0.6)
    shot(f"{turn:02d}a-dealt{'-zirked' if zirked else ''}")
    click(CHAT_INPUT)
    if not typing_on:
        xdo("key", "Tab")
        typing_on = True
    plan = playable(rack, zirked)
    print(f"turn {turn}: rack {rack}, {len(plan)} words planned", flush=True)
    if turn == 1:
        # A word the list does not hold, to see the reason.
        bogus = rack[:4]
        if bogus not in words:
            xdo("type", "--delay", "40", bogus.lower())
            xdo("key", "Return")
            time.sleep(0.6)
            shot("01b-rejected")
    for i, w in enumerate(plan[:24]):
        xdo("type", "--delay", "40", w.lower())
        if turn == 1 and i == 0:
            time.sleep(0.3)
            shot("01c-building")
        xdo("key", "Return")
        time.sleep(0.35)
        if turn == 1 and i == 4:
            shot("01d-accepted")
    time.sleep(0.5)
    shot(f"{turn:02d}e-words")
    if turn == 2:
        # Let the clock run down to its last seconds.
        time.sleep(max(0.0, dealt_at + 53 - time.time()))
        shot("02f-clock")
    click(FINISH)
    log.wait(r"CMD_turnend\+")
    time.sleep(0.8)
    shot(f"{turn:02d}g-scores")

time.sleep(1)
game.terminate()
game.wait(timeout=10)
