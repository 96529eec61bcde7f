#!/usr/bin/env python3
"""lcdhost --lcdproc against a real LCDd (text driver, private port and config) and against
fake servers that misbehave. Run by ctest for the native build and, through the Wine runner,
for the Windows build: every program it starts gets a status block and a port of its own."""
import argparse
import os
import re
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import threading
import time
import unittest

OPTIONS = None  # the command line: where the programs are and how to run them

SCREEN = (
    "{f2:Type:1} {f1:ServiceLabel}\n"
    "{f1:EPGNoTime}\n"
    "{f2:PlayStatus:2}  {f2:Record:3}  Q{f1:SigQuality}\n"
    "Vol {f1:VolLevel} {f1:PlayStatus}\n"
)
# What the text driver shows for the sample state (blockctl sample), playing, no recording.
SAMPLE_ROWS = ["T Kanal Lodz", "Wiadomosci", ">     Q87", "Vol 42 PLAY"]


def program(name):
    path = os.path.join(OPTIONS.bin, name + OPTIONS.suffix)
    return ([OPTIONS.runner] if OPTIONS.runner else []) + [path]


def free_port():
    with socket.socket() as probe:
        probe.bind(("127.0.0.1", 0))
        return probe.getsockname()[1]


def wait_until(condition, seconds, step=0.1):
    """The first true value of condition() within `seconds`, else None."""
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        value = condition()
        if value:
            return value
        time.sleep(step)
    return None


class LcdServer:
    """A private LCDd with the text driver: every frame it draws lands in a file."""

    def __init__(self, folder, port, size="20x4"):
        self.folder, self.port = folder, port
        self.config = os.path.join(folder, "LCDd-%d.conf" % port)
        with open(self.config, "w") as out:
            out.write(
                "[server]\nDriverPath=%s\nDriver=text\nBind=127.0.0.1\nPort=%d\nUser=root\n"
                "ServerScreen=off\nForeground=yes\nReportToSyslog=no\nReportLevel=1\nWaitTime=5\n"
                "[text]\nSize=%s\n" % (driver_path(), port, size))
        self.process = None
        self.starts = 0

    def start(self):
        self.starts += 1
        self.output = os.path.join(self.folder, "frames-%d-%d.txt" % (self.port, self.starts))
        with open(self.output, "wb") as out:
            # Line-buffered, so that each frame reaches the file as it is drawn.
            self.process = subprocess.Popen(["stdbuf", "-oL", "LCDd", "-f", "-c", self.config], stdout=out,
                                            stderr=subprocess.DEVNULL)
        # Listening once a client can connect.
        if not wait_until(lambda: self._listening(), 10):
            raise AssertionError("LCDd did not start listening on port %d" % self.port)

    def _listening(self):
        try:
            with socket.create_connection(("127.0.0.1", self.port), timeout=0.5):
                return True
        except OSError:
            return False

    def kill(self):
        if self.process and self.process.poll() is None:
            self.process.kill()
            self.process.wait()

    def frames(self):
        """Every complete frame drawn since the last start, each a list of rows."""
        with open(self.output, "rb") as source:
            lines = source.read().decode("latin-1").split("\n")
        frames, rows = [], None
        for line in lines:
            if re.fullmatch(r"\+-+\+", line):
                if rows:
                    frames.append(rows)
                rows = []
            elif rows is not None and line.startswith("|") and line.endswith("|"):
                rows.append(line[1:-1])
        return frames

    def shows(self, rows):
        """The last frame when its rows start with `rows` (trailing blanks ignored)."""
        frames = self.frames()
        if frames and [r.rstrip() for r in frames[-1][:len(rows)]] == rows:
            return frames[-1]
        return None


def driver_path():
    for folder in ("/usr/lib/x86_64-linux-gnu/lcdproc", "/usr/lib/lcdproc", "/usr/local/lib/lcdproc"):
        if os.path.exists(os.path.join(folder, "text.so")):
            return folder + "/"
    raise AssertionError("LCDd's text driver is missing: scripts/install_deps.sh test installs lcdproc")


class Programs:
    """blockctl holding the sample state and lcdhost drawing it, on a block of their own."""

    def __init__(self, test, folder):
        self.folder = folder
        self.block = "glyphbox-test-lcdproc-%d-%s" % (os.getpid(), test.id().rsplit(".", 1)[-1])
        self.environment = dict(os.environ, GLYPHBOX_BLOCK_NAME=self.block)
        self.screen = os.path.join(folder, "screen.txt")
        with open(self.screen, "w") as out:
            out.write(SCREEN)
        self.holder = None
        self.host = None

    def hold_sample(self, *settings):
        """The sample state, playing and not recording, changed by `settings`."""
        settings = ["set", "recording", "0"] + list(settings)
        self.holder = subprocess.Popen(program("blockctl") + ["sample"] + settings + ["hold", "120"],
                                       env=self.environment, stdout=subprocess.DEVNULL,
                                       stderr=subprocess.DEVNULL)

    def set(self, *settings):
        subprocess.run(program("blockctl") + list(settings), env=self.environment, check=True,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=60)

    def start_host(self, address, *extra, environment=None):
        self.errors = os.path.join(self.folder, "lcdhost-errors.txt")
        self.frames_file = os.path.join(self.folder, "lcdhost-frames.txt")
        with open(self.errors, "wb") as errors, open(self.frames_file, "wb") as frames:
            self.host = subprocess.Popen(program("lcdhost") + ["--lcdproc", address, "--screen", self.screen] +
                                         list(extra), env=dict(self.environment, **(environment or {})),
                                         stdout=frames, stderr=errors)

    def host_errors(self):
        with open(self.errors, "rb") as source:
            return source.read().decode("utf-8", "replace")

    def host_frames(self):
        with open(self.frames_file, "rb") as source:
            return len(re.findall(r"^frame \d+ at ", source.read().decode("utf-8", "replace"), re.M))

    def stop(self):
        """Ends both as a user would, so that they release the block; a kill would leave its
        object behind on Linux."""
        running = [process for process in (self.host, self.holder) if process and process.poll() is None]
        for process in running:
            process.terminate()
        for process in running:
            try:
                process.wait(timeout=15)
            except subprocess.TimeoutExpired:
                process.kill()
                process.wait()

    def left_behind(self):
        """The block's object when it outlived the programs (Linux; Wine keeps its own), removed."""
        path = "/dev/shm/%s.%d" % (self.block, os.geteuid())
        if not os.path.exists(path):
            return None
        os.unlink(path)
        return path


class LcdprocTestCase(unittest.TestCase):
    def setUp(self):
        self.folder = tempfile.mkdtemp(prefix="lcdproc-test-")
        self.programs = Programs(self, self.folder)
        self.servers = []
        self.addCleanup(self._clean)

    def _clean(self):
        self.programs.stop()
        for server in self.servers:
            server.kill()
        shutil.rmtree(self.folder, ignore_errors=True)
        left = self.programs.left_behind()
        if left:
            self.fail("%s stayed behind after lcdhost and blockctl ended" % left)

    def lcd_server(self, **kwargs):
        server = LcdServer(self.folder, free_port(), **kwargs)
        self.servers.append(server)
        return server

    def assertShows(self, server, rows, seconds, what):
        frame = wait_until(lambda: server.shows(rows), seconds)
        if not frame:
            frames = server.frames()
            self.fail("%s: the display never showed %r within %s s; last frame %r; lcdhost said %r" % (
                what, rows, seconds, frames[-1] if frames else None, self.programs.host_errors()))
        return frame

    def wait_refreshes(self, count, what):
        """Until lcdhost (run with --frames) has drawn `count` more frames: a span of its own
        refreshes, which a busy machine stretches as it stretches lcdhost."""
        target = self.programs.host_frames() + count
        if not wait_until(lambda: self.programs.host_frames() >= target, 10 + 3 * count):
            self.fail("%s: lcdhost stopped refreshing; it said %r" % (what, self.programs.host_errors()))


class RealServer(LcdprocTestCase):
    def showing_the_sample(self, *host_options):
        """A private LCDd showing the sample state, playing, drawn by lcdhost."""
        server = self.lcd_server()
        server.start()
        self.programs.hold_sample("set", "playState", "2")
        self.programs.start_host(":%d" % server.port, *host_options)
        self.assertShows(server, SAMPLE_ROWS, 15, "the sample state")
        return server

    def test_rows_and_icons_of_the_tv_state(self):
        server = self.showing_the_sample()
        for state, icon in (("3", "||"), ("0", "[]"), ("2", ">")):
            self.programs.set("set", "playState", state)
            self.assertShows(server, SAMPLE_ROWS[:2] + [icon.ljust(6) + "Q87"], 6, "play state " + state)
        # The record glyph blinks: the REC icon comes and goes.
        self.programs.set("set", "recording", "1")
        self.assertShows(server, SAMPLE_ROWS[:2] + [">  () Q87"], 6, "recording")
        self.assertShows(server, SAMPLE_ROWS[:2] + [">     Q87"], 6, "recording, blinking off")
        self.assertEqual(self.programs.host_errors().count("connected"), 1)

    def test_a_zap_shows_within_one_refresh(self):
        server = self.showing_the_sample("--refresh", "2000")
        self.programs.set("set", "serviceLabel", "Zap Two", "set", "eventText", "20:00 News")
        changed = time.monotonic()
        self.assertShows(server, ["T Zap Two", "News"], 5, "the zap")
        # One refresh (2 s), plus what the server and the machine add.
        self.assertLess(time.monotonic() - changed, 3.5)

    def test_lcdhost_started_before_the_server(self):
        server = self.lcd_server()
        self.programs.hold_sample("set", "playState", "2")
        self.programs.start_host(":%d" % server.port, "--frames")
        self.wait_refreshes(4, "no server")  # several tries, one message
        server.start()
        self.assertShows(server, SAMPLE_ROWS, 8, "a server started after lcdhost")
        errors = self.programs.host_errors()
        self.assertEqual(errors.count("trying again"), 1, errors)

    def test_a_server_restarted_mid_run(self):
        server = self.showing_the_sample("--frames")
        for restart in range(2):
            # Three good refreshes on the new connection (the fourth frame comes after the
            # third is sent): the next outage is news again.
            self.wait_refreshes(4, "before restart %d" % (restart + 1))
            server.kill()
            gone = wait_until(lambda: self.programs.host_errors().count("the server is gone") > restart, 15)
            self.assertTrue(gone, "outage %d went unnoticed: %r" % (restart + 1, self.programs.host_errors()))
            server.start()
            started = time.monotonic()
            self.assertShows(server, SAMPLE_ROWS, 8, "restart %d" % (restart + 1))
            print("restart %d: frames again after %.1f s" % (restart + 1, time.monotonic() - started))
        # The server can show the rows before lcdhost has told of the connection; not after
        # lcdhost's next frame.
        self.wait_refreshes(1, "after the last restart")
        # Said once per outage: failing to connect while the server is down adds nothing.
        errors = self.programs.host_errors()
        self.assertEqual(errors.count("LCDd at"), 5, errors)
        self.assertEqual(errors.count("the server is gone"), 2, errors)
        self.assertIsNone(self.programs.host.poll(), "lcdhost ended")

    def test_a_display_smaller_than_the_screen_is_told_once_and_cut(self):
        server = self.lcd_server(size="16x2")
        server.start()
        self.programs.hold_sample("set", "playState", "2")
        self.programs.start_host(":%d" % server.port, "--frames")
        frame = self.assertShows(server, ["T Kanal Lodz", "Wiadomosci"], 15, "a 16x2 display")
        self.assertEqual(len(frame), 2)
        self.assertEqual(len(frame[0]), 16)
        self.wait_refreshes(3, "a 16x2 display")
        errors = self.programs.host_errors()
        self.assertEqual(errors.count("the screen has 4 rows"), 1, errors)


class FakeServer:
    """A server that greets like LCDd and then does what `behave(line, connection)` says
    for each line it receives; it records every line and every connection."""

    GREETING = b"connect LCDproc 0.5.9 protocol 0.3 lcd wid 20 hgt 4 cellwid 5 cellhgt 8\n"

    def __init__(self, behave):
        self.behave = behave
        self.listener = socket.socket()
        self.listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        self.listener.bind(("127.0.0.1", 0))
        self.listener.listen(8)
        self.port = self.listener.getsockname()[1]
        self.connections = []  # per connection: the lines received, with their times
        self.accepted = []  # when each connection came
        self.stopped = False
        threading.Thread(target=self._accept, daemon=True).start()

    def _accept(self):
        while not self.stopped:
            try:
                client, _ = self.listener.accept()
            except OSError:
                return
            lines = []
            self.accepted.append(time.monotonic())
            self.connections.append(lines)
            threading.Thread(target=self._serve, args=(client, lines, len(self.connections)), daemon=True).start()

    def _serve(self, client, lines, number):
        pending, notice, flooding = b"", None, False
        with client:
            if self.behave is None:
                return  # closes every connection at once
            while not self.stopped:
                try:
                    chunk = client.recv(65536)
                except OSError:
                    return
                if not chunk:
                    return
                pending += chunk
                while b"\n" in pending:
                    line, pending = pending.split(b"\n", 1)
                    lines.append((time.monotonic(), line.decode("latin-1")))
                    answer = self.behave(line.decode("latin-1"), number)
                    try:
                        client.sendall(answer.data if isinstance(answer, (Close, Flood)) else answer)
                    except OSError:
                        return
                    if isinstance(answer, Close):
                        return
                    if isinstance(answer, Flood):
                        notice = answer.notice
                # Once the lines received are answered, so that only notices follow; one
                # sender, or the notices would interleave.
                if notice and not flooding:
                    flooding = True
                    threading.Thread(target=self._flood, args=(client, notice), daemon=True).start()

    def _flood(self, client, notice):
        try:
            while not self.stopped:
                client.sendall(notice * 1000)
        except OSError:
            return

    def stop(self):
        self.stopped = True
        self.listener.close()


def well_behaved(line, number):
    if line == "hello":
        return FakeServer.GREETING
    # As LCDd: screen_set is answered once for each option it sets.
    if line.startswith("screen_set "):
        return b"success\n" * max(1, line.count(" -"))
    return b"success\n"


def on_first_connection(fault):
    """Answers `fault(line)` on the first connection's first widget_set, then behaves."""
    def behave(line, number):
        if number == 1 and line.startswith("widget_set"):
            return fault(line)
        return well_behaved(line, number)
    return behave


class FakeServers(LcdprocTestCase):
    def run_host_against(self, behave, seconds):
        server = FakeServer(behave)
        self.addCleanup(server.stop)
        self.programs.hold_sample("set", "playState", "2")
        self.programs.start_host(":%d" % server.port, "--frames", "--seconds", str(seconds))
        return server

    def test_a_misbehaving_server_is_told_once_and_left_for_a_good_one(self):
        cases = [
            ("an error answer", on_first_connection(lambda line: b"huh? Invalid widget id\n"), "refused"),
            ("a line too long", on_first_connection(lambda line: b"x" * 100000), "a line of more than"),
            ("garbage", on_first_connection(lambda line: b"\x00\xff\x1b[2J ok?\n"), "no LCDproc answer"),
            ("a close in mid-line", on_first_connection(lambda line: Close(b"succ")),
                "closed the connection in mid-line"),
            ("a greeting from no LCDproc server", lambda line, number:
                b"SSH-2.0-OpenSSH\n" if number == 1 else well_behaved(line, number), "no LCDproc server"),
            ("a greeting without a size", lambda line, number:
                b"connect LCDproc 0.5.9 lcd wid 0\n" if number == 1 else well_behaved(line, number),
                "without a display size"),
            ("silence", lambda line, number: b"" if number == 1 else well_behaved(line, number), "no answer within"),
            ("an error answer in new words on each connection", lambda line, number:
                b"huh? error %d\n" % number if number <= 3 and line.startswith("widget_set")
                else well_behaved(line, number), "refused"),
            ("notices without end", on_first_connection(lambda line: Flood(b"listen lcdhost\n")),
                "without a pause"),
        ]
        for name, behave, message in cases:
            with self.subTest(name):
                self.programs.stop()
                server = self.run_host_against(behave, 12)
                # It reconnects and draws everything on the good connection.
                drawn = wait_until(lambda: len(server.connections) >= 2 and self.rows_drawn(server.connections[-1]), 11)
                self.assertTrue(drawn, "%s: no redraw on a new connection; lcdhost said %r" % (
                    name, self.programs.host_errors()))
                self.assertEqual(self.programs.host.wait(timeout=30), 0, "%s: lcdhost failed" % name)
                errors = self.programs.host_errors()
                self.assertEqual(errors.count(message), 1, "%s: %r" % (name, errors))
                # The user hears of the recovery too.
                last = errors.strip().splitlines()[-1]
                self.assertTrue("connected" in last or "drawing again" in last, "%s: %r" % (name, errors))
                self.assertGreaterEqual(self.programs.host_frames(), 8, "%s: lcdhost stopped refreshing" % name)

    def test_a_size_that_changes_at_every_reconnect_is_told_once(self):
        def another_size_each_time(line, number):
            if line == "hello":
                return b"connect LCDproc 0.5.9 protocol 0.3 lcd wid %d hgt 3 cellwid 5 cellhgt 8\n" % (16 + number)
            # Each connection ends once the play icon, drawn last, is set: never three good
            # refreshes, which would clear what was told, however slow the machine.
            if line.startswith("widget_set lcdhost ") and not line.startswith("widget_set lcdhost r"):
                return Close(b"success\n")
            return well_behaved(line, number)
        server = self.run_host_against(another_size_each_time, 20)
        self.assertEqual(self.programs.host.wait(timeout=60), 0)
        errors = self.programs.host_errors()
        self.assertGreaterEqual(len(server.connections), 3, errors)
        self.assertEqual(errors.count("connected, the display is"), 1, errors)
        self.assertEqual(errors.count("the display is now"), 1, errors)
        self.assertEqual(errors.count("the rest is cut"), 1, errors)

    def test_a_server_that_closes_every_connection_is_retried_less_often_up_to_a_cap(self):
        server = self.run_host_against(None, 21)
        self.assertEqual(self.programs.host.wait(timeout=60), 0)
        gaps = [later - earlier for earlier, later in zip(server.accepted, server.accepted[1:])]
        self.assertGreaterEqual(len(gaps), 5, gaps)
        self.assertLess(gaps[0], 1.5, gaps)  # the first retry comes soon,
        self.assertTrue(all(gap < 5.5 for gap in gaps), gaps)  # none waits past the cap,
        self.assertGreater(min(gaps[-2:]), 3, gaps)  # and a lasting fault is not hammered
        errors = self.programs.host_errors()
        self.assertEqual(errors.count("LCDd at"), 1, errors)

    def test_a_name_lookup_that_hangs_is_given_up_after_two_seconds(self):
        if not OPTIONS.slow_resolver:
            self.skipTest("no resolver to preload (the Windows build)")
        server = FakeServer(well_behaved)
        self.addCleanup(server.stop)
        self.programs.hold_sample("set", "playState", "2")
        # Under AddressSanitizer a preloaded library would come before its runtime, which it
        # refuses unless told that the order is meant.
        asan = os.environ.get("ASAN_OPTIONS", "")
        slow = {"LD_PRELOAD": OPTIONS.slow_resolver,
                "ASAN_OPTIONS": (asan + ":" if asan else "") + "verify_asan_link_order=0"}
        started = time.monotonic()
        self.programs.start_host("localhost:%d" % server.port, "--once", "--frames", environment=slow)
        self.assertEqual(self.programs.host.wait(timeout=60), 1)
        # The lookup's own 10 s would show here; 2 s is the bound, the rest the machine's.
        self.assertLess(time.monotonic() - started, 8, self.programs.host_errors())
        self.assertIn("the name was not found within 2000 ms", self.programs.host_errors())
        # Running on, the panel keeps refreshing between lookups and the trouble is told once.
        self.programs.start_host("localhost:%d" % server.port, "--frames", "--seconds", "8", environment=slow)
        self.assertEqual(self.programs.host.wait(timeout=60), 0)
        errors = self.programs.host_errors()
        self.assertEqual(errors.count("the name was not found"), 1, errors)
        self.assertGreaterEqual(self.programs.host_frames(), 3, errors)

    @staticmethod
    def rows_drawn(lines):
        texts = [text for _, text in lines]
        return all(any(t.startswith("widget_set lcdhost r%d " % row) for t in texts) for row in (1, 2, 3, 4))

    def test_an_unchanged_screen_sends_nothing_and_a_zap_only_its_rows(self):
        server = self.run_host_against(well_behaved, 30)
        self.assertTrue(wait_until(lambda: server.connections and self.rows_drawn(server.connections[0]), 15))
        lines = server.connections[0]
        self.assertTrue(any("-heartbeat off" in text for _, text in lines), lines)
        self.assertTrue(wait_until(lambda: any("T Kanal Lodz" in text for _, text in lines), 15), lines)
        self.wait_refreshes(2, "settling")
        settled = len(lines)
        self.wait_refreshes(3, "an unchanged screen")
        self.assertEqual(lines[settled:], [], "an unchanged screen was sent again")
        self.programs.set("set", "serviceLabel", "Zap Two")
        # Sent by the next refresh, and only once (the third frame comes after two sends).
        self.wait_refreshes(3, "the zap")
        sent = [text for _, text in lines[settled:]]
        self.assertEqual(sent, ['widget_set lcdhost r1 1 1 "T Zap Two           "'])
        self.assertEqual(len(server.connections), 1, self.programs.host_errors())
        print("bytes for the zap: %d" % sum(len(text) + 1 for text in sent))


class Close:
    """An answer after which the fake server closes the connection."""

    def __init__(self, data):
        self.data = data


class Flood:
    """A success, after which the fake server sends `notice` without end on that connection."""

    def __init__(self, notice):
        self.data = b"success\n"
        self.notice = notice


def main():
    global OPTIONS
    parser = argparse.ArgumentParser(description=__doc__)
    parser.add_argument("--bin", required=True, help="the folder of lcdhost and blockctl")
    parser.add_argument("--suffix", default="", help="the programs' file name ending (.exe)")
    parser.add_argument("--runner", default="", help="what runs a program (the Wine runner)")
    parser.add_argument("--slow-resolver", default="", help="a library whose name lookups take 10 s, to preload")
    OPTIONS, rest = parser.parse_known_args()
    if not shutil.which("LCDd"):
        print("LCDd is missing: scripts/install_deps.sh test installs lcdproc", file=sys.stderr)
        return 1
    signal.signal(signal.SIGPIPE, signal.SIG_DFL)
    # A runner's first start may prepare its Wine prefix, far slower than the waits below.
    if OPTIONS.runner:
        subprocess.run(program("lcdhost") + ["--version"], capture_output=True, timeout=600)
    return 0 if unittest.main(argv=[sys.argv[0], "-v"] + rest, exit=False).result.wasSuccessful() else 1


if __name__ == "__main__":
    sys.exit(main())
