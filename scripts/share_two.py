#!/usr/bin/env python3
"""Two players share one table, each with rupone.exe in a Wine prefix and on a display of their own.

The test command runs this after the Wine tests. A player.exe in each prefix handles that player's
program as a user would; this script tells both what to do, compares their tables and runs its own
MQTT broker on a free loopback port, so that it can kill the broker and start it again mid-play.
It prints each check and the figures (latency from one table to the other, bytes on the broker per
gesture) and exits 1 when a check fails.

With --join N... it only measures: for each table size, laying it from a state file beside
joining it from the other program.

Environment: RUPONE_BUILD_WIN (player.exe and rupone.exe), DISPLAY and WINEPREFIX (the first
player), PLAYER_B_DISPLAY and PLAYER_B_PREFIX (the second).
"""
import os
import select
import shutil
import socket
import statistics
import struct
import subprocess
import sys
import threading
import time

WINE = "/usr/lib/wine/wine64"
BUILD = os.environ["RUPONE_BUILD_WIN"]
PASS = "two players e2e"
TABLE = "two-player-table"
FACEUP, FACEDOWN, SHUFFLE, SCATTER, GATHER, UNDO, REDO = 1006, 1007, 1008, 1001, 1000, 1013, 1014
failures = []


def check(ok, what):
    print(("ok    " if ok else "FAIL  ") + what, flush=True)
    if not ok:
        failures.append(what)
    return ok


class Broker:
    """mosquitto on the loopback address, started and stopped by its own process id."""

    def __init__(self, folder):
        with socket.socket() as s:
            s.bind(("127.0.0.1", 0))
            self.port = s.getsockname()[1]
        self.conf = os.path.join(folder, "mosquitto.conf")
        self.log = os.path.join(folder, "mosquitto.log")
        self.proc = None

    def start(self, user=None):
        """Starts the broker; with user ("name", "password") it lets in only that user."""
        with open(self.conf, "w") as f:
            f.write("listener %d 127.0.0.1\npersistence false\n" % self.port)
            if user:
                passwords = os.path.join(os.path.dirname(self.conf), "passwords")
                open(passwords, "w").close()
                subprocess.run(["/usr/bin/mosquitto_passwd", "-b", passwords, user[0], user[1]], check=True)
                f.write("allow_anonymous false\npassword_file %s\n" % passwords)
            else:
                f.write("allow_anonymous true\n")
        self.proc = subprocess.Popen(["/usr/sbin/mosquitto", "-c", self.conf], stdout=open(self.log, "a"),
                                     stderr=subprocess.STDOUT, stdin=subprocess.DEVNULL)
        for _ in range(50):
            try:
                socket.create_connection(("127.0.0.1", self.port), 0.2).close()
                return
            except OSError:
                time.sleep(0.1)
        raise RuntimeError("mosquitto did not start")

    def stop(self):
        if self.proc:
            self.proc.kill()
            self.proc.wait()
            self.proc = None


class Counter(threading.Thread):
    """Subscribes to everything on the broker and adds up the payload bytes of the moves topics."""

    def __init__(self, port):
        super().__init__(daemon=True)
        self.sock = socket.create_connection(("127.0.0.1", port), 5)
        self.sock.settimeout(None)
        cid = b"counter"
        body = struct.pack(">H", 4) + b"MQTT" + bytes([4, 2]) + struct.pack(">H", 60) + struct.pack(">H", len(cid)) + cid
        self.sock.sendall(bytes([0x10, len(body)]) + body)
        topic = b"#"
        sub = struct.pack(">H", 1) + struct.pack(">H", len(topic)) + topic + b"\0"
        self.sock.sendall(bytes([0x82, len(sub)]) + sub)
        self.moves = []  # (time, bytes) of each message on a moves topic
        self.lock = threading.Lock()
        self.subscribed = threading.Event()
        self.start()
        self.subscribed.wait(5)

    def read(self, n):
        data = b""
        while len(data) < n:
            chunk = self.sock.recv(n - len(data))
            if not chunk:
                raise EOFError
            data += chunk
        return data

    def run(self):
        try:
            while True:
                head = self.read(1)[0]
                length, shift = 0, 0
                while True:
                    b = self.read(1)[0]
                    length |= (b & 0x7F) << shift
                    shift += 7
                    if not b & 0x80:
                        break
                body = self.read(length)
                if head >> 4 == 9:
                    self.subscribed.set()
                if head >> 4 == 3:
                    tlen = struct.unpack(">H", body[:2])[0]
                    topic = body[2:2 + tlen].decode("utf-8", "replace")
                    payload = len(body) - 2 - tlen - (2 if head & 0x06 else 0)
                    if topic.endswith("/m"):
                        with self.lock:
                            self.moves.append((time.monotonic(), payload))
        except (EOFError, OSError):
            pass

    def since(self, start):
        with self.lock:
            return [b for t, b in self.moves if t >= start]


class Player:
    def __init__(self, name, prefix, display):
        self.name, self.prefix = name, prefix
        env = dict(os.environ, WINEPREFIX=prefix, DISPLAY=display, WINEDEBUG="-all")
        self.display = display
        self.proc = subprocess.Popen([WINE, os.path.join(BUILD, "player.exe")], stdin=subprocess.PIPE,
                                     stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, env=env)
        self.pending = b""

    def ask(self, line, timeout=60):
        self.proc.stdin.write((line + "\n").encode("utf-8"))
        self.proc.stdin.flush()
        return self.answer(timeout)

    def send(self, line):
        self.proc.stdin.write((line + "\n").encode("utf-8"))
        self.proc.stdin.flush()

    def answer(self, timeout=60):
        end = time.monotonic() + timeout
        while b"\n" not in self.pending:
            left = end - time.monotonic()
            if left <= 0 or not select.select([self.proc.stdout], [], [], left)[0]:
                raise TimeoutError("%s did not answer" % self.name)
            chunk = os.read(self.proc.stdout.fileno(), 65536)
            if not chunk:
                raise EOFError("%s ended" % self.name)
            self.pending += chunk
        line, self.pending = self.pending.split(b"\n", 1)
        return line.decode("utf-8").rstrip("\r")

    def table(self):
        caption, faces, cards, covers = self.ask("list").split("|")
        self.covers = [tuple(map(int, c.split(","))) for c in covers.split(";") if c]
        return caption, faces, [tuple(map(int, c.split(","))) for c in cards.split(";") if c]

    def caption(self):
        return self.table()[0]

    def wait_caption(self, part, seconds=20):
        end = time.monotonic() + seconds
        while time.monotonic() < end:
            if part in self.caption():
                return True
            time.sleep(0.2)
        return False

    def share(self, port, passphrase, name, user="", table=TABLE):
        """Shares from the dialog: "ok", or the dialog's answer when sharing did not start."""
        answer = self.ask("share 127.0.0.1|%d|%s|%s|%s|%s" % (port, table, passphrase, name, user), 60)
        self.said = answer[3:] if answer.startswith("ok|") else answer
        return "ok" if answer.startswith("ok|") else answer

    def screenshot(self):
        raw = subprocess.run(["import", "-display", self.display, "-window", "root", "-depth", "8", "rgb:-"],
                             capture_output=True, check=True).stdout
        return raw


def same_tables(a, b, seconds=20):
    """Waits until both show the same cards in the same places, the same face buttons, and the same
    faces wherever a card shows its middle. (Wine's window list can disagree with the screen about
    the stacking of overlapping windows moved together, so the stacking is compared on the screens.)"""
    end = time.monotonic() + seconds
    while True:
        ta, tb = a.table(), b.table()
        if ta[1] == tb[1] and sorted(ta[2]) == sorted(tb[2]) and same_faces(a, b):
            return True
        if time.monotonic() > end:
            print("      face buttons %s on A, %s on B; %d and %d cards; the same places: %s" % (
                ta[1], tb[1], len(ta[2]), len(tb[2]), sorted(ta[2]) == sorted(tb[2])))
            return False
        time.sleep(0.25)


def places(cards):
    return sorted(cards)


def lone_card(player):
    """A card that touches no other card and lies clear of the panel: a click there takes it."""
    cards = player.table()[2]
    for i, c in enumerate(cards):
        x, y = c[0] + 20, c[1] + 40
        if all(apart(c, o) for j, o in enumerate(cards) if j != i) and not any(
                l - 5 <= x <= r + 5 and t - 5 <= y <= b + 5 for l, t, r, b in player.covers):
            return c
    return cards[0]


def apart(r, s):
    return r[0] + r[2] <= s[0] or s[0] + s[2] <= r[0] or r[1] + r[3] <= s[1] or s[1] + s[3] <= r[1]


def untouched_by(before, after, foreign):
    """Whether the table changed by at most its own player's one card (which card a click takes, or
    whether a click is dropped, is the window system's), and no card came to the place foreign,
    where the other player put theirs."""
    from collections import Counter as Bag
    came, went = Bag(after) - Bag(before), Bag(before) - Bag(after)
    ok = sum(came.values()) == sum(went.values()) <= 1 and not any(
        abs(c[0] - foreign[0]) < 5 and abs(c[1] - foreign[1]) < 5 for c in came)
    if not ok:
        print("      came %s, went %s" % (sorted(came.elements()), sorted(went.elements())))
    return ok


def same_faces(a, b):
    """Every card that no other card touches shows the same middle on both screens (under Wine the
    stacking on screen of overlapping windows moved together can drift from what the program asked,
    so overlapping cards are left to the places and the face buttons)."""
    cards = a.table()[2]
    b.table()
    shots = [a.screenshot(), b.screenshot()]
    covers = a.covers + b.covers
    w, h = 1280, 1024

    for i, (l, t, cw, ch) in enumerate(cards):
        if not all(apart(cards[i], o) for j, o in enumerate(cards) if j != i):
            continue
        cx, cy = l + cw // 2, t + ch // 2
        if any(pl - 10 < cx + 10 and cx - 10 < pr + 10 and pt - 10 < cy + 10 and cy - 10 < pb + 10
               for pl, pt, pr, pb in covers):
            continue  # the panel and the tooltips are each player's own
        for y in range(max(cy - 10, 0), min(cy + 10, h)):
            row = slice((y * w + max(cx - 10, 0)) * 3, (y * w + min(cx + 10, w)) * 3)
            if shots[0][row] != shots[1][row]:
                return False
    return True


def percentile(values, p):
    ordered = sorted(values)
    return ordered[min(len(ordered) - 1, int(round(p / 100 * (len(ordered) - 1))))]


def wait_places(player, target, seconds=10):
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        looked = time.monotonic()
        if player.ask("places", seconds) == target:
            return True
        time.sleep(max(0.2, 3 * (time.monotonic() - looked)))  # (looking costs the program too)
    return False


def latency(a, b, counter, lift, rounds):
    """Carries the top card (or lifts the pile under it) on A back and forth; B watches its table
    come to rest where A's is. The time from A's put-down (the gesture's end) to B's last change."""
    what = "53-card pile lift" if lift else "single-card carry"
    delays, sizes = [], []
    l, t = a.table()[2][0][:2]
    for k in range(rounds):
        dx = 150 if k % 2 == 0 else -150
        before = a.ask("places")
        b.send("watch 10")
        start = time.monotonic()
        done = int(a.ask("%s %d %d %d %d" % ("lift" if lift else "carry", l + 20, t + 40, l + 20 + dx, t + 40)))
        seen = b.answer(15)
        target = a.ask("places")
        if target == before:
            print("      a %s that did nothing on A (a click the window system dropped)" % what)
            l, t = a.table()[2][0][:2]
            continue
        if seen == "timeout" or seen.split("|")[1] != target:
            # Not at rest within a second of a change: no figure for this one, but the tables must agree.
            if not check(wait_places(b, target), "%s: B's table comes to rest where A's is" % what):
                return
            print("      a %s that B took more than a second to show in full: no figure" % what)
        else:
            delays.append((int(seen.split("|")[0]) - done) / 1000)
            sizes.append(counter.since(start))
        l += dx
    if not delays:
        check(False, "%s: some gestures measured" % what)
        return
    print("figure  %s seen on the other table: median %.1f ms, 99th percentile %.1f ms (%d gestures)" % (
        what, statistics.median(delays), percentile(delays, 99), len(delays)), flush=True)
    print("figure  %s: %.1f messages, %d bytes of payload per gesture (median)" % (
        what, statistics.median(len(s) for s in sizes), statistics.median(sum(s) for s in sizes)), flush=True)


def join_figures(a, b, port, sizes, limit=int(os.environ.get("RUPONE_JOIN_LIMIT", "900"))):
    """For each size: the time A takes to lay a table of n cards from its state file, and the time B
    takes from "共有する" to showing that table (the 3 s it listens first included)."""
    for n in sizes:
        for p in (a, b):
            p.ask("close", 600)
            shutil.rmtree(os.path.join(p.prefix, "drive_c", "share-two", p.name.lower()), ignore_errors=True)
        a.ask("lay C:\\share-two\\a %d" % n)
        start = time.monotonic()
        a.ask("start C:\\share-two\\a")
        if not check(a.ask("wait %d 900" % n, 960) == "ok", "A lays %d cards" % n):
            return
        laid = time.monotonic() - start
        # A table of its own name: the last one's state is still retained, and would be joined.
        name = "%s-%d" % (TABLE, n)
        check(a.share(port, PASS, "A", table=name) == "ok" and a.wait_caption("新しいテーブルを作りました", 600),
              "A shares %d cards" % n)
        b.ask("start C:\\share-two\\b")
        b.ask("wait 53 120")
        start = time.monotonic()
        check(b.share(port, PASS, "B", table=name) == "ok", "B shares")
        joined = b.ask("wait %d %d" % (n, limit), limit + 60) == "ok" and wait_places(b, a.ask("places", 120), limit)
        took = time.monotonic() - start
        if not check(joined, "B joins the table of %d cards" % n):
            caption, faces, cards = b.table()
            print("      B: %s, %d cards; A: %d cards" % (caption, len(cards), len(a.table()[2])))
            return
        print("figure  %d cards: laid from the state file in %.1f s; joined in %.1f s (3 s of listening included)" % (
            n, laid, took), flush=True)


def main():
    work = os.path.join(os.environ.get("RUPONE_BUILD_ROOT", BUILD), "share-two")
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    broker = Broker(work)
    broker.start()
    a = Player("A", os.environ["WINEPREFIX"], os.environ["DISPLAY"])
    b = Player("B", os.environ["PLAYER_B_PREFIX"], os.environ["PLAYER_B_DISPLAY"])
    for p in (a, b):
        shutil.rmtree(os.path.join(p.prefix, "drive_c", "share-two"), ignore_errors=True)
        os.makedirs(os.path.join(p.prefix, "drive_c", "share-two", p.name.lower()))
    counter = None
    if "--join" in sys.argv:
        try:
            join_figures(a, b, broker.port, [int(n) for n in sys.argv[sys.argv.index("--join") + 1:]])
        finally:
            for p in (a, b):
                p.ask("close", 600)
                p.proc.stdin.close()
                p.proc.wait(60)
            broker.stop()
        return 1 if failures else 0
    try:
        # A shares from the command line with the passphrase in the environment: nobody is there yet.
        a.ask("env RUPONE_PASSPHRASE %s" % PASS)
        check(a.ask("start C:\\share-two\\a --share 127.0.0.1:%d --table %s --player A" % (broker.port, TABLE)) == "ok", "A starts")
        check(a.ask("wait 53 60") == "ok", "A's table shows")
        check(a.wait_caption("新しいテーブルを作りました"), "A made the table: " + a.caption())
        a.ask("press %d" % SCATTER)

        # B has a table of its own first, then joins from the sharing dialog.
        b.ask("start C:\\share-two\\b")
        check(b.ask("wait 53 60") == "ok", "B's table shows")
        b.ask("press %d" % SCATTER)
        own = b.table()
        check(b.share(broker.port, PASS, "B") == "ok", "B shares from the dialog")
        check(b.wait_caption("共有中 2 人"), "B joined, two at the table: " + b.caption())
        check(a.wait_caption("共有中 2 人"), "A sees two at the table: " + a.caption())
        check(same_tables(a, b), "B shows A's table")
        counter = Counter(broker.port)

        def gesture(what, act, by=None):
            by = by or a
            before = by.table()
            start = time.monotonic()
            act()
            if by.table() == before:  # a click the window system dropped: once more
                print("      %s did nothing; once more" % what)
                act()
            check(by.table() != before, what + " changed the table")
            ok = check(same_tables(a, b), what + " shows on the other table")
            time.sleep(0.5)
            print("figure  %s: %d bytes of payload in %d messages" % (
                what, sum(counter.since(start)), len(counter.since(start))), flush=True)
            return ok

        l, t = lone_card(a)[:2]
        gesture("a carry on A", lambda: a.ask("carry %d %d %d %d" % (l + 20, t + 40, 640, 400)))
        a.ask("press %d" % GATHER)
        check(same_tables(a, b), "a gather on A shows on B")
        l, t = a.table()[2][0][:2]
        gesture("a pile lift of 53 on A", lambda: a.ask("lift %d %d %d %d" % (l + 20, t + 40, 500, 300)))
        gesture("turn all face up on A", lambda: a.ask("press %d" % FACEUP))
        gesture("a shuffle of 53 on A", lambda: a.ask("press %d" % SHUFFLE))
        pile = a.table()[2]
        a.ask("press %d" % SCATTER)
        check(same_tables(a, b), "the shuffled cards scattered face up show the same faces in the same places")
        l, t = lone_card(b)[:2]
        gesture("a carry on B", lambda: b.ask("carry %d %d %d %d" % (l + 20, t + 40, 900, 600)), b)
        # Undo on A takes back A's own last step, the scatter: the pile comes back on both tables
        # (B's carried card with it: the one who undoes has the last word). Redo scatters again.
        gesture("undo on A", lambda: a.ask("press %d" % UNDO))
        check(sorted(b.table()[2]) == sorted(pile), "A's undo laid the pile again")
        gesture("redo on A", lambda: a.ask("press %d" % REDO))

        latency(a, b, counter, False, int(os.environ.get("RUPONE_SHARE_ROUNDS", "30")))
        a.ask("press %d" % GATHER)
        check(same_tables(a, b), "a gather on A shows on B")
        latency(a, b, counter, True, int(os.environ.get("RUPONE_SHARE_ROUNDS", "30")) // 2)

        # Stopping gives B's own table back; with a wrong passphrase B sees and changes nothing.
        shared_now = a.table()
        check(b.ask("stop") == "ok", "B stops sharing")
        back = b.table()
        check(back[1] == own[1] and places(back[2]) == places(own[2]), "B has its own table back, unchanged")
        check(b.share(broker.port, "wrong " + PASS, "B") == "ok", "B shares with a wrong passphrase")
        check(b.wait_caption("新しいテーブルを作りました"), "B sees a new table made: " + b.caption())
        l, t = lone_card(a)[:2]
        a.ask("carry %d %d %d %d" % (l + 20, t + 40, 200, 200))
        mine = lone_card(b)
        b.ask("carry %d %d %d %d" % (mine[0] + 20, mine[1] + 40, 1000, 200))
        time.sleep(2)
        check(untouched_by(own[2], b.table()[2], (180, 160)), "A's carry changed nothing on B")
        check(untouched_by(shared_now[2], a.table()[2], (980, 160)), "B's carry changed nothing on A")
        check("共有中 1 人" in a.caption(), "A is alone at its table: " + a.caption())
        b.ask("stop")

        # B joins again, is killed, A plays on, and B started again rejoins.
        check(b.share(broker.port, PASS, "B") == "ok" and b.wait_caption("共有中 2 人"), "B joins again")
        check(same_tables(a, b), "B has caught up with A")
        b.ask("kill")
        check(a.wait_caption("共有中 1 人"), "B's presence goes with its connection: " + a.caption())
        l, t = a.table()[2][0][:2]
        a.ask("carry %d %d %d %d" % (l + 20, t + 40, 300, 700))
        a.ask("press %d" % FACEDOWN)
        b.ask("env RUPONE_PASSPHRASE %s" % PASS)
        b.ask("start C:\\share-two\\b --share 127.0.0.1:%d --table %s --player B" % (broker.port, TABLE))
        check(b.ask("wait 53 60") == "ok" and b.wait_caption("共有中 2 人"), "B restarted rejoins")
        check(same_tables(a, b), "B restarted shows what A did meanwhile")

        # The broker goes away mid-play and comes back: both play on and end up at the same table.
        counter = None
        broker.stop()
        check(a.wait_caption("接続を待っています") and b.wait_caption("接続を待っています"),
              "both tell that they wait for the broker")
        l, t = a.table()[2][0][:2]
        a.ask("carry %d %d %d %d" % (l + 20, t + 40, 700, 700))
        b.ask("press %d" % FACEUP)
        time.sleep(1)
        broker.start()
        check(a.wait_caption("共有中 2 人", 60) and b.wait_caption("共有中 2 人", 60), "both are back at the table")
        check(same_tables(a, b, 40), "the tables agree again after the broker came back")
        check(same_faces(a, b), "the same faces on both screens")

        # A broker that lets in only its user: a wrong password is told, the right one shares.
        broker.stop()
        broker.start(("club", "members only"))
        b.ask("stop")
        check(b.share(broker.port, PASS, "B", "club|wrong") == "ok" and "受け付けません" in b.said,
              "a wrong broker password is told: " + b.said)
        check("接続を待っています" in b.caption(), "and B waits: " + b.caption())
        b.ask("stop")
        check(b.share(broker.port, PASS, "B", "club|members only") == "ok" and b.wait_caption("共有中"),
              "the broker's user and password share: " + b.caption())
    except (TimeoutError, EOFError, ValueError) as e:
        check(False, "the players answered: %s" % e)
    finally:
        for p in (a, b):
            try:
                p.ask("close", 30)
            except Exception:
                pass
            p.proc.stdin.close()
            p.proc.wait(30)
        broker.stop()
    print("%d checks failed" % len(failures) if failures else "every check passed", flush=True)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
