#!/usr/bin/env python3
"""Plays with others at real windows under X, the way people would, and takes
screenshots of the Host Game and Join Game dialogs and of Where to Join.
Needs an X display (Xvfb), xdotool and ImageMagick; sends nothing beyond this
computer and never talks to avahi (the system bus points at nowhere).

    xvfb-run -s "-screen 0 1024x768x24" tools/shoot-host-join.py BUILD_DIR SHOT_DIR [PORT]

Ann starts Zirky and hosts from Play with Others > Host Game... on PORT
(27772); Bob starts another copy and joins from Play with Others > Join
Game... by typing Ann's first address; then he tries an address that does not
parse; then Cy joins over IPv6 with an invite link on the command line. Each
copy has its own home, runtime folder and settings, as two logins would. The script
fails (exit status 1) when a player does not reach the seat they should.
"""
import os
import shutil
import subprocess
import sys
import tempfile
import time

from zirky_window import Log, click, screenshot, xdo

build, shots = os.path.abspath(sys.argv[1]), os.path.abspath(sys.argv[2])
port = int(sys.argv[3]) if len(sys.argv) > 3 else 27772
os.makedirs(shots, exist_ok=True)

# Screen places at the window's default position.
PLAY_WITH_OTHERS = (495, 355)
HOST_ITEM = (470, 381)
JOIN_ITEM = (467, 403)
FILE_MENU = (23, 11)
JOIN_GAME_IN_FILE = (73, 100)

games = []


def start(name, *args):
    """A copy of the game with a home of its own; returns its log."""
    home = tempfile.mkdtemp(prefix="zirky-" + name + "-")
    os.chmod(home, 0o700)
    env = dict(os.environ, ZIRKY_NO_SOUND="1", ZIRKY_LOG_GAME="1", HOME=home, XDG_CONFIG_HOME=home + "/config",
               XDG_CACHE_HOME=home + "/cache", XDG_RUNTIME_DIR=home,
               DBUS_SYSTEM_BUS_ADDRESS="unix:path=/nowhere/zirky-no-system-bus")
    log_path = os.path.join(home, "game.log")
    # Its own copy of the program, so that the settings it keeps beside itself are its own too.
    program = os.path.join(home, "zirky")
    shutil.copy2(os.path.join(build, "zirky"), program)
    games.append(subprocess.Popen([program, *args], env=env, stderr=open(log_path, "w"),
                                  stdout=subprocess.DEVNULL, cwd=home))
    return Log(log_path)


def typed(text):
    xdo("key", "ctrl+a")
    xdo("type", "--delay", "30", text)


def shot(name):
    time.sleep(0.8)
    screenshot(os.path.join(shots, name))


try:
    ann = start("ann")
    ann.wait(r"CMD_newplayerinfo\+1\+")  # the solo game behind the launch prompt
    time.sleep(1.5)
    click(PLAY_WITH_OTHERS)
    click(HOST_ITEM)
    time.sleep(0.5)
    typed("Ann")
    shot("hostjoin-1-host-dialog.jpg")
    xdo("key", "Tab")
    typed(str(port))
    xdo("key", "Return")
    ann.wait(r"CMD_newplayerinfo\+1\+Ann")
    shot("hostjoin-2-where-to-join.jpg")
    xdo("key", "Escape")

    bob = start("bob")
    bob.wait(r"CMD_newplayerinfo\+1\+")
    time.sleep(1.5)
    click(PLAY_WITH_OTHERS)
    click(JOIN_ITEM)
    time.sleep(0.5)
    # The first address Where to Join offers, as Ann would read it out.
    address = subprocess.run(["hostname", "-I"], capture_output=True, text=True).stdout.split()
    address = address[0] if address and ":" not in address[0] else "127.0.0.1"
    typed("%s:%d" % (address, port))
    xdo("key", "Tab")
    typed("Bob")
    shot("hostjoin-3-join-dialog.jpg")
    xdo("key", "Return")
    ann.wait(r"CMD_newplayerinfo\+2\+Bob")
    bob.wait(r"CMD_existingplayers\+1\+Ann")

    click(FILE_MENU)
    click(JOIN_GAME_IN_FILE)
    time.sleep(0.5)
    typed("[::1]:99999")
    xdo("key", "Return")
    shot("hostjoin-4-join-dialog-problem.jpg")
    xdo("key", "Escape")

    cy = start("cy", "zirky://[::1]:%d" % port)
    time.sleep(2.5)
    xdo("key", "Tab")
    typed("Cy")
    xdo("key", "Return")
    ann.wait(r"CMD_newplayerinfo\+3\+Cy")
    shot("hostjoin-5-three-joined.jpg")
    print("Ann hosted, Bob joined by address, Cy over IPv6 by invite link; screenshots in " + shots)
finally:
    for g in games:
        g.terminate()
    for g in games:
        g.wait()
