"""The serial device checks of scripts/run.sh (--com1..--com4) and its cameras
(--emulated-webcam), with --check-ports so nothing is started and no device is opened:
ptys stand in for real lines; and its help and its refusal of bad options."""

import grp
import os
import pathlib
import re
import shutil
import subprocess
import tempfile
import unittest

ROOT = pathlib.Path(__file__).resolve().parents[2]
RUN = str(ROOT / "scripts" / "run.sh")


def run(*args, uid=None):
    command = [RUN, *args, "--check-ports"]
    if uid is not None:
        command = ["setpriv", f"--reuid={uid}", f"--regid={uid}", "--clear-groups", *command]
    done = subprocess.run(command, capture_output=True, text=True, timeout=30)
    return done.returncode, done.stdout + done.stderr


class RunPortsTest(unittest.TestCase):
    def setUp(self):
        master, slave = os.openpty()
        self.addCleanup(os.close, master)
        self.addCleanup(os.close, slave)
        self.pty = os.ttyname(slave)
        self.tmp = tempfile.mkdtemp()
        self.addCleanup(shutil.rmtree, self.tmp)

    def test_mappings(self):
        other_master, other_slave = os.openpty()
        self.addCleanup(os.close, other_master)
        self.addCleanup(os.close, other_slave)
        second = os.ttyname(other_slave)
        link = os.path.join(self.tmp, "camera-line")
        os.symlink(self.pty, link)
        cases = [
            ([], ["COM1 -> camera simulator", "COM2 -> none", "COM4 -> none"]),
            (["--no-camsim"], ["COM1 -> none", "COM3 -> none"]),
            # A device given for any port replaces the simulator.
            (["--com3", self.pty], ["COM1 -> none", f"COM3 -> {self.pty}"]),
            (["--com1", link, "--com4", second], [f"COM1 -> {link}", f"COM4 -> {second}"]),
        ]
        if os.path.exists("/dev/ttyS0"):
            # Named as such, a built-in port is taken (and not opened by the check).
            cases.append((["--com2", "/dev/ttyS0"], ["COM2 -> /dev/ttyS0"]))
        for args, lines in cases:
            with self.subTest(args=args):
                status, output = run(*args)
                self.assertEqual(status, 0, output)
                for line in lines:
                    self.assertIn(line, output.splitlines())
                if any(a.startswith("--com") for a in args):
                    self.assertNotIn("simulator", output)

    def test_refusals(self):
        regular = os.path.join(self.tmp, "file")
        pathlib.Path(regular).touch()
        to_builtin = os.path.join(self.tmp, "ttyS-link")
        os.symlink("/dev/ttyS0", to_builtin)
        cases = [
            (["--com1", "/dev/ttyUSB-none"], "COM1: /dev/ttyUSB-none does not exist"),
            (["--com2", regular], "is not a character device"),
            (["--com1", "/dev/null"], "is not a serial (tty) device"),
            (["--com1", "/dev/console"], "is a console of this machine"),
            (["--com1", "/dev/tty"], "is a console of this machine"),
            (["--com4", "/dev/tty1"], "is a console of this machine"),
            (["--com1", to_builtin], "leads to /dev/ttyS0"),
            (["--com1", self.pty, "--com2", self.pty], "COM1 and COM2 name the same device"),
            (["--com1", self.pty, "--com1", self.pty], "--com1 is given twice"),
            (["--com1"], "--com1 needs a value"),
            (["--com5", self.pty], "unknown option: --com5"),
            (["--verbos"], "unknown option: --verbos"),
            (["--seconds", "x"], "--seconds needs a number"),
            (["--camera-model", "720"], "--camera-model is auto, 721 or 730"),
            (["--emulated-webcam", "formats=MJPG"], "unknown format 'MJPG' (BGR24 or YUYV)"),
            (["--emulated-webcam", "sizes=640x480,fps=0"], "fps '0': a whole number"),
        ]
        for args, message in cases:
            with self.subTest(args=args):
                status, output = run(*args)
                self.assertEqual(status, 2, output)
                self.assertIn(message, output)
                self.assertNotIn("->", output)

    def test_emulated_webcams_take_the_free_device_numbers(self):
        status, output = run("--emulated-webcam", "--emulated-webcam",
                             "name=HDMI Grabber,formats=YUYV,sizes=1280x720,fps=60")
        self.assertEqual(status, 0, output)
        cameras = [line for line in output.splitlines() if line.startswith("/dev/video")]
        self.assertEqual(len(cameras), 2, output)
        self.assertRegex(cameras[0], r"^/dev/video\d -> emulated: Emulated Webcam \d; BGR24 YUYV; "
                                     r"640x480 1280x720 1920x1080; 30 fps")
        self.assertRegex(cameras[1], r"-> emulated: HDMI Grabber; YUYV; 1280x720; 60 fps")
        self.assertNotEqual(cameras[0].split()[0], cameras[1].split()[0])
        for camera in cameras:
            self.assertFalse(os.path.exists(camera.split()[0]), "a real device was taken")

    def test_help_lists_every_option(self):
        done = subprocess.run([RUN, "--help"], capture_output=True, text=True, timeout=30)
        self.assertEqual(done.returncode, 0, done.stderr)
        # Every option the script's parser takes (its case patterns), in the help.
        source = pathlib.Path(RUN).read_text()
        patterns = re.findall(r"^    (-[^)\n]*)\)", source, re.MULTILINE)
        options = {o.replace("[1-4]", "1") for p in patterns for o in p.split(" | ")}
        self.assertIn("--verbose", options)
        for option in options:
            self.assertIn(option, done.stdout)

    @unittest.skipUnless(os.geteuid() == 0, "needs root to run the check as another user")
    def test_missing_permission_names_who_may_open_the_device(self):
        cases = [
            (0o600, 0, "only its owner, root, can open it"),
            (0o660, grp.getgrnam("dialout").gr_gid, "add your user to the 'dialout' group"),
            (0o660, grp.getgrnam("uucp").gr_gid, "add your user to the 'uucp' group"),
        ]
        for mode, gid, advice in cases:
            with self.subTest(mode=oct(mode), gid=gid):
                os.chown(self.pty, 0, gid)
                os.chmod(self.pty, mode)
                status, output = run("--com1", self.pty, uid=65534)
                self.assertEqual(status, 2, output)
                self.assertIn(f"no permission to read and write {self.pty}", output)
                self.assertIn(advice, output)
                if gid == 0:
                    self.assertNotIn("dialout", output)

if __name__ == "__main__":
    unittest.main()
