"""TestBench.exe with its camera window on COM1, and the camera simulator on the pty
behind COM1: the frames a button press or a key release sends reach the camera.

Runs in a Wine prefix of its own (build/wineprefix-camera, a copy of the build's prefix),
restarts that prefix's wine server to map COM1 to the simulator's pty, preloads the
modem-line shim (Wine's line-event waits need it on a pty), and runs on an Xvfb of its
own. The program is driven by camctl.exe (window messages, as a user's clicks and keys
arrive; the journeys with real X keys are in tests/e2e/test_windows.py). Every frame the
camera receives must be one the journey expects. Everything started here is stopped on
every exit path.
"""
import os
import queue
import shutil
import subprocess
import sys
import tempfile
import threading
import time
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
BUILD = os.environ.get("TESTBENCH_BUILD_DIR") or os.path.join(ROOT, "build")
sys.path.insert(0, os.path.join(ROOT, "tests", "serial_pty"))
sys.path.insert(0, os.path.join(ROOT, "tests", "e2e"))
sys.dont_write_bytecode = True  # no byte-code caches in the source tree
import pty_harness  # noqa: E402
import xvfb  # noqa: E402

MAIN = "PelmontTest2"
CAMERA = "Testbench  V2007.03.20"  # the camera window's caption: title, two blanks, version
SETTINGS = r"HKCU\Software\Zarrow\Testbench"
# Menu items by position (menu, item without separators), chosen with the keyboard.
SHOW_CAMERA = ("1", "2")  # Options > ShowSamsungSHC721Control
SHC730 = ("0", "3")  # Com > SHC730


class CameraLine(unittest.TestCase):
    """The program, its prefix and the simulator; the journeys are in the subclasses."""

    # With a link, COM1 is mapped to a symbolic link the simulator moves to each new pty
    # it opens, and the simulator takes commands (a pulled cable, a flood) on its input.
    LINK = False

    @classmethod
    def setUpClass(cls):
        cls.temp = tempfile.mkdtemp(prefix="camera-e2e-")
        cls.wine, cls.server = pty_harness.wine_tools()
        cls.env = dict(os.environ, WINEPREFIX=os.path.join(BUILD, "wineprefix-camera"),
                       WINEARCH="win64", WINEDEBUG=os.environ.get("WINEDEBUG", "-all"),
                       WINEDLLOVERRIDES=os.environ.get("WINEDLLOVERRIDES", "mscoree,mshtml="))
        cls.camctl_exe = os.environ.get("CAMCTL") or os.path.join(
            BUILD, "tests", "camera_e2e", "camctl.exe")
        cls.xvfb = cls.camsim = cls.program = None
        cls.lines = queue.Queue()
        cls.seen = []
        try:
            cls._start()
        except BaseException:
            cls.tearDownClass()
            raise

    @classmethod
    def _start(cls):
        cls.xvfb, cls.env["DISPLAY"] = xvfb.start("1024x768x24")
        pty_harness.prepare_prefix(BUILD, cls.env["WINEPREFIX"], cls.env)
        cls.stop_server()
        # The program starts on its defaults.
        cls.wine_run(["reg", "delete", SETTINGS, "/f"], check=False)

        pty_file = os.path.join(cls.temp, "pty")
        link = os.path.join(cls.temp, "camera-line")
        extra = ["--link", link, "--commands"] if cls.LINK else []
        cls.camsim = subprocess.Popen(
            [sys.executable, os.path.join(ROOT, "tools", "camsim", "camsim.py"),
             "--pty-file", pty_file, "--reply", "echo"] + extra,
            stdin=subprocess.PIPE if cls.LINK else subprocess.DEVNULL, stdout=subprocess.PIPE,
            text=True, start_new_session=True)
        threading.Thread(target=cls._read_camsim, daemon=True).start()
        deadline = time.monotonic() + 10
        while not os.path.exists(pty_file):
            if time.monotonic() > deadline:
                raise RuntimeError("the camera simulator did not start")
            time.sleep(0.05)
        with open(pty_file) as f:
            pty = link if cls.LINK else f.read().strip()
        cls.wine_run(["reg", "add", r"HKLM\Software\Wine\Ports", "/v", "COM1", "/d", pty, "/f"])
        cls.stop_server()  # the port mapping is read when the server starts

        run_env = dict(cls.env, LD_PRELOAD=os.path.join(BUILD, "native", "ptyshim.so"),
                       PTYSHIM_STATE=os.path.join(cls.temp, "modem"))
        cls.program = subprocess.Popen([cls.wine, os.path.join(BUILD, "src", "TestBench.exe")],
                                       env=run_env, start_new_session=True)
        cls.camctl("wait", MAIN, "60")

    @classmethod
    def _read_camsim(cls):
        for line in cls.camsim.stdout:
            cls.seen.append(line.strip())
            cls.lines.put(line.strip())

    @classmethod
    def tearDownClass(cls):
        if cls.program is not None and cls.program.poll() is None:
            try:
                os.killpg(cls.program.pid, 9)
            except OSError:
                pass
            cls.program.wait()
        cls.stop_server()  # before its display goes
        xvfb.stop(cls.xvfb)
        for process in (cls.camsim,):
            if process is not None and process.poll() is None:
                process.terminate()
                try:
                    process.wait(timeout=10)
                except subprocess.TimeoutExpired:
                    process.kill()
                    process.wait()
        shutil.rmtree(cls.temp, ignore_errors=True)

    @classmethod
    def stop_server(cls):
        subprocess.run([cls.server, "-k"], env=cls.env, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, timeout=30)

    @classmethod
    def wine_run(cls, args, check=True, env=None, timeout=60):
        # Files, not pipes: a wine server started by the command keeps pipes open.
        with tempfile.TemporaryFile("w+") as out, tempfile.TemporaryFile("w+") as err:
            done = subprocess.run([cls.wine] + args, env=env or cls.env, stdout=out,
                                  stderr=err, text=True, timeout=timeout)
            out.seek(0)
            err.seek(0)
            done.stdout, done.stderr = out.read(), err.read()
        if check and done.returncode != 0:
            errors = [line for line in done.stderr.splitlines() if not line.startswith("ALSA")]
            raise RuntimeError(f"{args} ended with {done.returncode}: {errors}")
        return done

    @classmethod
    def camctl(cls, *args, check=True):
        return cls.wine_run([cls.camctl_exe] + list(args), check=check).returncode

    def expect(self, prefix, timeout=10):
        """The next simulator line starting with `prefix`. Reports of the line (speed,
        queue) on the way are passed by; a frame the journey did not expect (a command
        or junk) fails it."""
        deadline = time.monotonic() + timeout
        seen = []
        while time.monotonic() < deadline:
            try:
                line = self.lines.get(timeout=max(deadline - time.monotonic(), 0.01))
            except queue.Empty:
                break
            if line.startswith(prefix):
                return line
            if line.startswith(("CMD ", "JUNK ")):
                self.fail(f"the camera received {line!r} where {prefix!r} was expected")
            seen.append(line)
        self.fail(f"the camera saw no {prefix!r}; it saw {seen}")


class CameraLineTest(CameraLine):
    def test_frames_reach_the_camera(self):
        # Shown from the main window's menu, the camera window opens COM1 for the SHC-721.
        self.camctl("menu", MAIN, *SHOW_CAMERA)
        self.camctl("wait", CAMERA, "20")
        self.expect("LINE baud=19200 flow=none", timeout=20)

        self.camctl("click", CAMERA, "Up")
        self.assertIn("CMD UP model=721 frame=aaee1ecc55 baud=19200 flow=none line_ok=1",
                      self.expect("CMD "))
        # Keys pressed and released in the main window are handed to the camera window.
        self.camctl("key", MAIN, "40")
        self.assertIn("CMD DOWN model=721 frame=aaee1dcc55", self.expect("CMD "))
        self.camctl("key", MAIN, "13")
        self.assertIn("CMD SET model=721 frame=aaee0fcc55", self.expect("CMD "))
        self.camctl("key", MAIN, "65")  # "A": no camera key
        self.camctl("key", CAMERA, "37")
        self.assertIn("CMD LEFT model=721 frame=aaee1bcc55", self.expect("CMD "))
        self.camctl("click", CAMERA, "Right")
        self.assertIn("CMD RIGHT model=721 frame=aaee17cc55", self.expect("CMD "))

        # The SHC-730 model: single-byte frames at once, the line unchanged until "Open".
        self.camctl("menu", CAMERA, *SHC730)
        self.camctl("click", CAMERA, "Set")
        self.assertIn("CMD SET model=730 frame=99 baud=19200 flow=none line_ok=0",
                      self.expect("CMD "))

        # Closed by the user, the window hides; the port stays open for the main window.
        self.camctl("close", CAMERA)
        deadline = time.monotonic() + 10
        while self.camctl("visible", CAMERA, check=False) == 0 and time.monotonic() < deadline:
            time.sleep(0.2)
        self.camctl("key", MAIN, "38")
        self.assertIn("CMD UP model=730 frame=41", self.expect("CMD "))

        # Shown again: the stored model's line settings.
        self.camctl("menu", MAIN, *SHOW_CAMERA)
        self.expect("LINE baud=9600 flow=xonxoff", timeout=20)
        self.camctl("click", CAMERA, "Down")
        self.assertIn("CMD DOWN model=730 frame=42 baud=9600 flow=xonxoff line_ok=1",
                      self.expect("CMD "))

        # The camera echoed every frame; the program drained each reply.
        time.sleep(1)
        queues = [line for line in self.seen if line.startswith("QUEUE ")]
        if queues:
            self.assertEqual(queues[-1], "QUEUE bytes=0", queues)

        self.camctl("close", MAIN)
        self.program.wait(timeout=30)
        stored = self.wine_run(["reg", "query", SETTINGS + r"\FCommData"]).stdout
        self.assertRegex(stored, r"CamModell\s+REG_DWORD\s+0x2da")
        self.assertRegex(stored, r"ComPort\s+REG_DWORD\s+0x0")


if __name__ == "__main__":
    unittest.main()
