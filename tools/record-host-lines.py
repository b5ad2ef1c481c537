#!/usr/bin/env python3
"""Records what a real zirky-host sends one player, as seed inputs for the
client session's fuzzer:

    tools/record-host-lines.py BUILD_DIR OUT_DIR

Starts BUILD_DIR/zirky-host on a free loopback port with two computer
players, joins as Ann and plays: a slow game (tiles moved, cleared, bought and
bought back, real words and a bad one, a finish) and a fast game, both to a
winner, a rejoin after a lost connection, and a full table (another version,
a spectator, players removed and held). Each scene's bytes from the host
go to OUT_DIR/<scene> as they arrived (every message ends with 0xFF). Where the
host deals Ann her own rack, the file also holds a line for the fuzzer that
starts with 0x01 and plays moves at the board: click tiles (0 n), Done (4),
Clear (3), a clock tick (11).
"""
import collections
import os
import re
import select
import socket
import subprocess
import sys
import tempfile
import time

build, out = os.path.abspath(sys.argv[1]), sys.argv[2]
os.makedirs(out, exist_ok=True)
END = b"\xff"
MAX_SCENE = 4000  # bytes a seed may hold: the fuzzer's inputs stay short and fast

# Longest first, so that a player's words score well.
with open("/usr/share/dict/american-english-huge", encoding="utf-8", errors="replace") as f:
    WORDS = sorted({w.upper() for w in (line.strip() for line in f) if 3 <= len(w) <= 10 and re.fullmatch(r"[a-z]+", w)},
                   key=lambda w: (-len(w), w))


def words_in(rack, zirked, count=3):
    """Positions (1-based) of up to `count` words the rack spells, longest first."""
    found = []
    have = collections.Counter(rack)
    for w in WORDS:
        if (zirked and len(w) == 3) or collections.Counter(w) - have:
            continue
        free = list(range(len(rack)))
        positions = []
        for c in w:
            i = next(i for i in free if rack[i] == c)
            free.remove(i)
            positions.append(i + 1)
        found.append(positions)
        if len(found) == count:
            break
    return found


class Player:
    def __init__(self, port, name):
        self.sock = socket.create_connection(("127.0.0.1", port))
        self.name = name
        self.raw = b""  # everything received, in order
        self.scene = b""  # what this scene records
        self.pending = b""
        self.inbox = collections.deque()  # read but not yet looked at by until()
        self.seat = 0
        self.greeting = b""  # the seat and the login's answer, the first two messages

    def send(self, text):
        self.sock.sendall(text.encode() + END)

    def read(self, seconds):
        """Messages received within `seconds`, each without its terminator."""
        got = []
        deadline = time.time() + seconds
        while time.time() < deadline:
            ready, _, _ = select.select([self.sock], [], [], max(0.0, deadline - time.time()))
            if not ready:
                break
            data = self.sock.recv(65536)
            if not data:
                break
            self.raw += data
            self.pending += data
            while END in self.pending:
                message, self.pending = self.pending.split(END, 1)
                self.scene += message + END
                got.append(message.decode("latin-1"))
        return got

    def until(self, pattern, seconds=30):
        """Reads until a message matches `pattern`; returns every message read."""
        seen = []
        deadline = time.time() + seconds
        while time.time() < deadline:
            if not self.inbox:
                self.inbox.extend(self.read(0.2))
            while self.inbox:
                m = self.inbox.popleft()
                seen.append(m)
                if re.match(pattern, m):
                    return seen
        raise SystemExit("%s never heard %s" % (self.name, pattern))

    def login(self):
        first = self.until(r"CMD_sendlogininfo\+")
        self.seat = int(first[-1].split("+")[1])
        self.send("CMD_logininfo+%d+1.0.13+%s" % (self.seat, self.name))
        self.until(r"CMD_newplayerinfo\+%d\+" % self.seat)
        self.greeting = self.scene[: self.scene.index(END, self.scene.index(END) + 1) + 1]

    def moves(self, data):
        """A line for the fuzzer: the player's moves at the board."""
        self.scene += b"\x01" + bytes(data) + END


def save(player, scene):
    # Each seed starts as a session does: the seat and the login's answer.
    data = player.scene if player.scene.startswith(player.greeting) else player.greeting + player.scene
    if len(data) > MAX_SCENE:
        data = data[: data.rfind(END, 0, MAX_SCENE) + 1]
    with open(os.path.join(out, scene), "wb") as f:
        f.write(data)
    player.scene = b""
    print("%s: %d bytes" % (scene, len(data)))


def play_game(ann, fast, turns):
    """Follows a game to its winner, playing Ann's turns; `turns` caps the turns seen."""
    ann.send("CMD_startgame+%d+f+1+5+0+t+t+%s+" % (ann.seat, "t" if fast else "f"))
    seen = 0
    while seen < turns:
        # A new turn's rack (not one bought within the turn), or the end.
        for m in ann.until(r"CMD_(thedice\+\d+\+(true|false)|winner)\+", 60):
            pass
        if m.startswith("CMD_winner"):
            return
        fields = m.split("+")
        if int(fields[1]) != ann.seat:
            seen += 1
            continue
        rack = [c for c in fields[3:] if c]
        zirked = fields[2] == "true"
        ann.send("CMD_setdice+%d+1+2" % ann.seat)
        ann.send("CMD_setdice+%d+0+2" % ann.seat)
        ann.send("CMD_clearthem+%d" % ann.seat)
        ann.send("CMD_newtiles+%d" % ann.seat)
        ann.send("CMD_oldtiles+%d" % ann.seat)
        ann.send("CMD_done+%d+1+1+2" % ann.seat)  # a tile twice: rejected
        words = words_in(rack, zirked)
        for positions in words:
            ann.send("CMD_done+%d+%s" % (ann.seat, "+".join(map(str, positions))))
        board = []
        for n in (words[0] if words else [1, 2, 3]):
            board += [0, n]
        ann.moves(board + [4, 3, 11, 11])
        ann.send("CMD_finish+%d" % ann.seat)
        seen += 1
    ann.until(r"CMD_winner\+", 120)


def main():
    with tempfile.TemporaryDirectory() as work:
        log_path = os.path.join(work, "host.log")
        log = open(log_path, "w")
        host = subprocess.Popen(
            [os.path.join(build, "zirky-host"), "--port", "0", "--no-announce", "--bots", "medium,hard"],
            cwd=work, stderr=log)
        try:
            port = 0
            for _ in range(100):
                match = re.search(r"listening on port (\d+)", open(log_path).read())
                if match:
                    port = int(match.group(1))
                    break
                time.sleep(0.1)
            if not port:
                raise SystemExit("zirky-host did not listen")

            ann = Player(port, "Ann")
            ann.login()
            ann.until(r"CMD_newplayerinfo\+3\+", 30)  # both computers are seated
            ann.inbox.extend(ann.read(0.5))
            ann.send("CMD_chat+%d+hello|clBlack" % ann.seat)
            ann.send("CMD_action+%d+waves|$000000FF" % ann.seat)
            ann.send("CMD_playasound+%d+wave3+" % ann.seat)
            ann.send("CMD_justwatch+%d+1" % ann.seat)
            ann.send("CMD_justwatch+%d+2" % ann.seat)
            ann.inbox.extend(ann.read(0.5))
            ann.inbox.clear()
            save(ann, "login-and-chat")

            play_game(ann, fast=False, turns=4)
            ann.inbox.extend(ann.read(1))
            ann.inbox.clear()
            save(ann, "slow-game")
            play_game(ann, fast=True, turns=2)
            ann.inbox.extend(ann.read(1))
            ann.inbox.clear()
            save(ann, "fast-game")

            # Cy's link fails during a game; a new connection takes the seat back.
            cy = Player(port, "Cy")
            cy.login()
            token = next(m for m in cy.until(r"CMD_seattoken\+") if m.startswith("CMD_seattoken")).split("+")[2]
            ann.send("CMD_startgame+%d+f+1000000+20+1000000+t+t+f+" % ann.seat)
            cy.until(r"CMD_thedice\+", 30)
            cy.sock.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, b"\x01\x00\x00\x00\x00\x00\x00\x00")
            cy.sock.close()
            ann.until(r"CMD_seatheld\+", 30)
            back = Player(port, "Cy")
            fresh = back.until(r"CMD_sendlogininfo\+")
            back.send("CMD_rejoin+%s+%s+1.0.13" % (fresh[-1].split("+")[1], token))
            back.until(r"CMD_seattoken\+", 30)
            back.send("CMD_ping+1")
            back.until(r"CMD_pong\+", 30)
            save(back, "rejoin")

            # A full table: another version, a spectator, players removed and held.
            ann.send("CMD_finish+%d" % ann.seat)
            ann.inbox.extend(ann.read(0.5))
            ann.inbox.clear()
            ann.scene = b""
            old = Player(port, "Old")
            old_seat = old.until(r"CMD_sendlogininfo\+")[-1].split("+")[1]
            old.send("CMD_logininfo+%s+0.9+Old" % old_seat)
            ann.until(r"CMD_havewrongversion\+", 30)
            others = [Player(port, name) for name in ("Dee", "Spy")]
            for p in others:
                p.login()
            ann.until(r"CMD_newplayerinfo\+7\+", 30)
            ann.send("CMD_justwatch+2+1")
            ann.until(r"CMD_justwatching\+2\+1", 30)
            ann.send("CMD_kickhim+%d+7+" % ann.seat)
            ann.until(r"CMD_playerdisconnected\+7\+", 30)
            ann.send("CMD_kickhim+%d+%s+" % (ann.seat, old_seat))
            ann.until(r"CMD_playerdisconnected\+%s\+" % old_seat, 30)
            others[0].sock.close()
            ann.until(r"CMD_seatheld\+6\+", 30)
            ann.inbox.extend(ann.read(0.5))
            save(ann, "table")
        finally:
            host.terminate()
            host.wait(10)
            if os.environ.get("ZIRKY_SHOW_HOST_LOG"):
                print(open(log_path).read())


main()
