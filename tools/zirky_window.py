"""Driving the game's window under Xvfb the way a person would: the mouse and
keyboard through xdotool, screenshots through ImageMagick, and the dealt tiles
read from the host's log (ZIRKY_LOG_GAME=1). Shared by the tools that play at
the window."""
import os
import re
import subprocess
import time

# Screen places of the controls at the window's default position.
PLAY_SOLO = (300, 348)
START_BUTTON = (310, 212)
START_CONFIRM = (400, 405)
CHAT_INPUT = (300, 535)
FINISH = (472, 213)


def xdo(*args):
    subprocess.run(["xdotool", *map(str, args)], check=True)


def click(at):
    xdo("mousemove", at[0], at[1], "click", "1")
    time.sleep(0.3)


def screenshot(path):
    subprocess.run(["import", "-window", "root", "-crop", "800x572+0+0", path], check=True)


class Log:
    """Follows the game's log file; wait() returns the first new line matching."""

    def __init__(self, path):
        self.f = open(path, encoding="utf-8", errors="replace")
        self.lines = []

    def wait(self, pattern, timeout=120):
        end = time.time() + timeout
        while time.time() < end:
            line = self.f.readline()
            if not line:
                time.sleep(0.05)
                continue
            self.lines.append(line)
            m = re.search(pattern, line)
            if m:
                return m
        raise SystemExit("timed out waiting for " + pattern)


def start_solo(build, workdir, env=None, before_confirm=None):
    """Starts the game in `workdir`, opens a solo game and confirms the start
    window (calling `before_confirm` while it shows). Returns (process, log)."""
    env = dict(env or os.environ, ZIRKY_LOG_GAME="1")
    log_path = os.path.join(workdir, "game.log")
    game = subprocess.Popen([os.path.join(build, "zirky")], env=env, stderr=open(log_path, "w"),
                            stdout=subprocess.DEVNULL, cwd=workdir)
    log = Log(log_path)
    log.wait(r"CMD_newplayerinfo\+1\+")
    time.sleep(1.5)
    click(PLAY_SOLO)
    click(START_BUTTON)
    time.sleep(0.5)
    if before_confirm:
        before_confirm()
    click(START_CONFIRM)
    return game, log
