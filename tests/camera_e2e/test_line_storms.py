"""TestBench.exe with its camera window open while its port and the serial line are
worked hard: the port closed and opened from the window's Com menu again and again, the
cable pulled and plugged back in again and again (the simulator's pty closed and a new one
opened behind the same COM1), then a camera flooding replies at the line's rate while
the user presses keys. Every key must still send exactly its frame, the replies must be
drained as they come, no port handle or thread may be left over, and the program must
close within a second.

TB_CAMERA_PORT_CYCLES (default 20), TB_CAMERA_REOPENS (default 3) and
TB_CAMERA_FLOOD_SECONDS (default 5) set the size; the soak runs ask for 1000, 100 and 60.
Prints one "storms:" line of figures.
"""
import os
import re
import time
import unittest

from test_camera_line import CAMERA, MAIN, SHOW_CAMERA, CameraLine

OPEN = ("0", "0")  # Com > Open
SETTINGS_DIALOG = "Communication Settings"
# Virtual keys and the SHC-721 frames they send.
KEYS = [("38", "UP", "aaee1ecc55"), ("40", "DOWN", "aaee1dcc55"),
        ("37", "LEFT", "aaee1bcc55"), ("39", "RIGHT", "aaee17cc55")]


def open_ptys(pid):
    """The pty slaves a process has open (a port handle the program kept would keep one)."""
    found = []
    try:
        for fd in os.listdir("/proc/%d/fd" % pid):
            try:
                target = os.readlink("/proc/%d/fd/%s" % (pid, fd))
            except OSError:
                continue
            if target.startswith("/dev/pts/"):
                found.append(target)
    except OSError:
        pass
    return found


def wine_servers(prefix):
    """The wine server processes of a prefix (they hold every open handle's file)."""
    servers = []
    for name in os.listdir("/proc"):
        if not name.isdigit():
            continue
        try:
            if not os.readlink("/proc/%s/exe" % name).endswith("wineserver"):
                continue
            with open("/proc/%s/environ" % name, "rb") as f:
                if ("WINEPREFIX=" + prefix).encode() in f.read().split(b"\0"):
                    servers.append(int(name))
        except OSError:
            continue
    return servers


class LineStormTest(CameraLine):
    LINK = True

    def tell(self, command, answer=None):
        self.camsim.stdin.write(command + "\n")
        self.camsim.stdin.flush()
        return self.expect(answer, timeout=10) if answer else None

    def held_ptys(self):
        held = open_ptys(self.program.pid)
        for server in wine_servers(self.env["WINEPREFIX"]):
            held += open_ptys(server)
        return len(held)

    def threads(self):
        return len(os.listdir("/proc/%d/task" % self.program.pid))

    def press(self, index):
        code, name, frame = KEYS[index % len(KEYS)]
        self.camctl("key", CAMERA, code)
        line = self.expect("CMD ")
        self.assertIn("CMD %s model=721 frame=%s" % (name, frame), line)

    def test_pulled_cable_and_flood(self):
        cycles = int(os.environ.get("TB_CAMERA_PORT_CYCLES", "20"))
        reopens = int(os.environ.get("TB_CAMERA_REOPENS", "3"))
        flood_seconds = float(os.environ.get("TB_CAMERA_FLOOD_SECONDS", "5"))
        self.camctl("menu", MAIN, *SHOW_CAMERA)
        self.camctl("wait", CAMERA, "20")
        self.expect("LINE baud=19200 flow=none", timeout=20)
        self.press(0)
        ptys_before, threads_before = self.held_ptys(), self.threads()

        # The port closed and opened from the window's menu.
        start = time.monotonic()
        done = self.wine_run([self.camctl_exe, "cycle", CAMERA, str(cycles)],
                             timeout=30 + cycles)
        repeated = re.search(r"menu choices repeated (\d+)", done.stdout)
        cycle_ms = (time.monotonic() - start) * 1000 / max(cycles, 1)
        self.press(1)
        time.sleep(0.5)
        ptys_cycled, threads_cycled = self.held_ptys(), self.threads()

        # The cable pulled and plugged back in: the user opens the port again from the
        # window's Com menu (the settings dialog, then OK), and the keys work again.
        for cycle in range(reopens):
            self.tell("HANGUP", "HANGUP")
            self.tell("REOPEN", "REOPEN")
            self.camctl("menu", CAMERA, *OPEN)
            self.camctl("wait", SETTINGS_DIALOG, "20")
            self.camctl("click", SETTINGS_DIALOG, "OK")
            self.expect("LINE baud=19200 flow=none", timeout=20)
            self.press(cycle)
        time.sleep(0.5)
        ptys_after, threads_after = self.held_ptys(), self.threads()

        # A camera chattering at the line's rate while keys are pressed.
        self.tell("FLOOD %g" % flood_seconds)  # answered when the flood ends
        keys = 0
        end = time.monotonic() + flood_seconds - 0.5
        while time.monotonic() < end:
            self.press(keys)
            keys += 1
        flood = self.expect("FLOOD ", timeout=flood_seconds + 10)
        figures = dict(re.findall(r"(\w+)=(\d+)", flood))
        junk = [line for line in self.seen if line.startswith("JUNK")]

        # Timed from the close request to the process's end, both seen from one process.
        done = self.wine_run([self.camctl_exe, "closewait", MAIN])
        self.program.wait(timeout=30)
        closed_ms = float(re.search(r"closed in (\d+) ms", done.stdout).group(1))
        print("storms: port_cycles=%d cycle_ms=%.0f menu_repeats=%s reopens=%d ptys_held=%d->%d->%d "
              "threads=%d->%d->%d flood: seconds=%g keys=%d junk=%d reply_bytes=%s "
              "largest_queue=%s close_ms=%d" % (
                  cycles, cycle_ms, repeated and repeated.group(1), reopens, ptys_before, ptys_cycled, ptys_after,
                  threads_before, threads_cycled, threads_after,
                  flood_seconds, keys, len(junk), figures.get("bytes"),
                  figures.get("largest_queue"), closed_ms), flush=True)
        self.assertEqual(junk, [])
        self.assertLessEqual(max(ptys_cycled, ptys_after), ptys_before)
        self.assertLessEqual(max(threads_cycled, threads_after), threads_before + 1)
        self.assertGreater(int(figures["bytes"]), 0)
        self.assertLess(int(figures["largest_queue"]), 4096)
        self.assertLess(closed_ms, 1000)


if __name__ == "__main__":
    unittest.main()
