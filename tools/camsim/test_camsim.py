"""Tests of the camera simulator: frame decoding, the menu model, and one run of the
simulator on a real pty driven from the slave side as the program would."""
import os
import select
import subprocess
import tempfile
import sys
import queue
import termios
import threading
import time
import tty
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import camsim  # noqa: E402

UP721 = bytes.fromhex("aaee1ecc55")
SET721 = bytes.fromhex("aaee0fcc55")


def decode(data, model="auto", chunks=None):
    decoder = camsim.Decoder(model)
    events = []
    if chunks is None:
        events += decoder.feed(data)
    else:
        for start in range(0, len(data), chunks):
            events += decoder.feed(data[start:start + chunks])
    return [(kind, name or frame.hex()) for kind, name, _, frame in events]


class DecoderTest(unittest.TestCase):
    def test_frames(self):
        cases = [
            (UP721, "auto", [("CMD", "UP")]),
            (bytes.fromhex("aaee1dcc55aaee1bcc55aaee17cc55") + SET721, "721",
             [("CMD", "DOWN"), ("CMD", "LEFT"), ("CMD", "RIGHT"), ("CMD", "SET")]),
            (b"ABCD\x99", "730",
             [("CMD", "UP"), ("CMD", "DOWN"), ("CMD", "RIGHT"), ("CMD", "LEFT"), ("CMD", "SET")]),
            (UP721 + b"A", "auto", [("CMD", "UP"), ("CMD", "UP")]),
            # A model understands only its own frames.
            (b"A", "721", [("JUNK", "41")]),
            (UP721, "730", [("JUNK", "aaee1ecc55")]),
            # Key codes with no or two bits cleared are no keys.
            (bytes.fromhex("aaee1fcc55"), "721", [("JUNK", "aaee1fcc55")]),
            (bytes.fromhex("aaee1ccc55"), "721", [("JUNK", "aaee1ccc55")]),
            # Garbage before a frame, a broken frame followed by a good one.
            (b"\x01\x02" + UP721, "auto", [("JUNK", "0102"), ("CMD", "UP")]),
            (bytes.fromhex("aaee1e55") + SET721, "721", [("JUNK", "aaee1e55"), ("CMD", "SET")]),
            (bytes.fromhex("aaaaee0fcc55"), "721", [("JUNK", "aa"), ("CMD", "SET")]),
            # XON/XOFF on a 730 line is flow control, not a command.
            (b"\x11A\x13", "730", [("CMD", "UP")]),
        ]
        for data, model, expected in cases:
            with self.subTest(data=data.hex(), model=model):
                self.assertEqual(decode(data, model), expected)

    def test_frames_split_across_reads(self):
        data = UP721 + b"\x07" + SET721 + b"C"
        expected = [("CMD", "UP"), ("JUNK", "07"), ("CMD", "SET"), ("CMD", "RIGHT")]
        for size in (1, 2, 3, 4, 7):
            with self.subTest(chunk=size):
                self.assertEqual(decode(data, "auto", chunks=size), expected)

    def test_unknown_model_refused(self):
        with self.assertRaises(ValueError):
            camsim.Decoder("999")


class MenuTest(unittest.TestCase):
    def test_keys_move_the_menu(self):
        menu = camsim.OsdMenu()
        steps = [
            ("UP", "closed"),  # a closed menu ignores the arrows
            ("SET", "CAMERA_ID:OFF"),
            ("DOWN", "IRIS:AUTO"),
            ("RIGHT", "IRIS:MANUAL"),
            ("RIGHT", "IRIS:AUTO"),
            ("LEFT", "IRIS:MANUAL"),
            ("UP", "CAMERA_ID:OFF"),
            ("UP", "EXIT"),
            ("SET", "closed"),
            ("SET", "CAMERA_ID:OFF"),
        ]
        for key, shown in steps:
            menu.press(key)
            self.assertEqual(menu.describe(), shown, key)


class PtyRunTest(unittest.TestCase):
    """The simulator on a pty, driven from the slave as Wine drives a COM port."""

    def test_commands_on_a_pty(self):
        with self._camsim("--reply", "echo") as (process, lines, slave):
            attrs = termios.tcgetattr(slave)
            attrs[4] = attrs[5] = termios.B19200
            termios.tcsetattr(slave, termios.TCSANOW, attrs)
            os.write(slave, UP721)
            line = self._wait(lines, process, "CMD ")
            self.assertIn("CMD UP model=721 frame=aaee1ecc55 baud=19200 flow=none line_ok=1",
                          line)
            # The camera's echo reaches the program's side.
            ready, _, _ = select.select([slave], [], [], 5)
            self.assertTrue(ready)
            self.assertEqual(os.read(slave, 16), UP721)
            os.write(slave, b"B")  # an SHC-730 code on a 19200 line without handshake
            line = self._wait(lines, process, "CMD ")
            self.assertIn("CMD DOWN model=730 frame=42 baud=19200 flow=none line_ok=0", line)

    class _Run:
        def __init__(self, test, args):
            self.test, self.args = test, args

        def __enter__(self):
            directory = os.path.dirname(os.path.abspath(__file__))
            self.pty_file = os.path.join(tempfile.gettempdir(), f"camsim-pty-{os.getpid()}")
            self.process = subprocess.Popen(
                [sys.executable, os.path.join(directory, "camsim.py"), "--pty-file",
                 self.pty_file] + list(self.args), stdout=subprocess.PIPE, text=True)
            self.lines = queue.Queue()

            def read():
                for line in self.process.stdout:
                    self.lines.put(line.strip())
            threading.Thread(target=read, daemon=True).start()
            deadline = time.monotonic() + 10
            while not os.path.exists(self.pty_file) and time.monotonic() < deadline:
                time.sleep(0.02)
            with open(self.pty_file) as f:
                path = f.read().strip()
            self.slave = os.open(path, os.O_RDWR | os.O_NOCTTY)
            tty.setraw(self.slave)
            return self.process, self.lines, self.slave

        def __exit__(self, *_):
            os.close(self.slave)
            self.process.terminate()
            self.process.wait(timeout=10)
            os.unlink(self.pty_file)

    def _camsim(self, *args):
        return self._Run(self, args)

    def _wait(self, lines, process, prefix, timeout=5):
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            try:
                line = lines.get(timeout=max(deadline - time.monotonic(), 0.01))
            except queue.Empty:
                break
            if line.startswith(prefix):
                return line
        self.fail(f"no {prefix!r} line")


if __name__ == "__main__":
    unittest.main()
