"""The installer end to end: scripts/package.sh makes the zip and the setup from the
build; the setup installs silently into a fresh Wine prefix; the installed program shows
the live picture of the test pattern camera the setup registered; the silent uninstall
leaves no file, shortcut, camera registration or uninstall entry, and keeps the user's
settings unless /REMOVESETTINGS asks otherwise."""

import glob
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time
import unittest
import zipfile

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "e2e"))
import harness  # noqa: E402

SETTINGS_KEY = r"HKCU\Software\Zarrow\Testbench"
CAPTURE_KEY = SETTINGS_KEY + r"\Form1\VideoCapture1"
THEME_KEY = r"HKCU\Software\Microsoft\Windows\CurrentVersion\ThemeManager"
THEME = r"%SystemRoot%\resources\themes\light\light.msstyles"
UNINSTALL_KEY = r"HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\TestBench"
INSTALLED = ["TestBench.exe", "testcam.dll", "testcamctl.exe", "README.md", "LICENSE.txt",
             "FIRST-STEPS.txt", "Uninstall.exe"]


def version():
    with open(os.path.join(harness.BUILD_DIR, "CMakeCache.txt")) as cache:
        return re.search(r"^CMAKE_PROJECT_VERSION:STATIC=(.*)$", cache.read(), re.M).group(1)


def has_colour(path, colour):
    """Whether the image holds a pixel of that colour (#RRGGBB), give or take a little."""
    result = subprocess.run(["convert", path, "-fuzz", "8%", "-fill", "black", "+opaque",
                             colour, "-fill", "white", "-opaque", colour, "-format",
                             "%[fx:maxima]", "info:"], check=True, timeout=30,
                            stdout=subprocess.PIPE)
    return float(result.stdout) > 0


class InstallerTest(unittest.TestCase):
    def setUp(self):
        self.work = tempfile.mkdtemp()
        self.addCleanup(shutil.rmtree, self.work, ignore_errors=True)
        self.session = harness.Session()
        self.session.prefix = os.path.join(self.work, "prefix")
        self.session.private_prefix = True
        self.session.env["WINEPREFIX"] = self.session.prefix
        self.addCleanup(self.session.close)
        self.session.start_time_limit(200)
        self.drive_c = os.path.join(self.session.prefix, "drive_c")
        self.install_dir = os.path.join(self.drive_c, "Program Files", "TestBench")
        self.menu_dir = os.path.join(self.drive_c, "ProgramData", "Microsoft", "Windows",
                                     "Start Menu", "Programs", "TestBench")

    def wine(self, *args, timeout=120):
        status, _ = self.session.run_wine(*args, timeout=timeout)
        return status

    def settle(self):
        """Waits for every process of the prefix to end; the registry is then on disk."""
        subprocess.run([harness._wineserver_command(), "-w"], env=self.session.env,
                       timeout=120, check=False)

    def system_registry(self):
        with open(os.path.join(self.session.prefix, "system.reg"), errors="replace") as reg:
            return reg.read()

    def test_install_run_uninstall(self):
        dist = os.path.join(self.work, "dist")
        env = dict(os.environ, TESTBENCH_DIST_DIR=dist)
        subprocess.run([os.path.join(harness.SOURCE_DIR, "scripts", "package.sh"), "--no-build"],
                       env=env, check=True, timeout=120, stdout=subprocess.DEVNULL)
        with zipfile.ZipFile(os.path.join(dist, "TestBench-%s-win64.zip" % version())) as zip:
            self.assertEqual(sorted(os.path.basename(n) for n in zip.namelist()),
                             sorted(set(INSTALLED) - {"Uninstall.exe"}))

        # A fresh prefix, as on a machine that never saw the program.
        boot_env = dict(self.session.env, DISPLAY="")
        subprocess.run([harness._wine_command(), "wineboot", "-i"], env=boot_env, timeout=180,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=False)
        self.session.reg_add(r"HKCU\Software\Wine\X11 Driver", "Managed", "N")
        if not glob.glob("/dev/snd/pcmC*"):
            # No sound card: no audio driver, so no ALSA errors (as scripts/prepare-prefix.sh).
            self.session.reg_add(r"HKCU\Software\Wine\Drivers", "Audio", "")

        setup = os.path.join(dist, "TestBench-%s-setup.exe" % version())
        self.assertEqual(self.wine(setup, "/S"), 0)
        self.settle()
        self.assertEqual(sorted(os.listdir(self.install_dir)), sorted(INSTALLED))
        self.assertTrue(os.path.exists(os.path.join(self.menu_dir, "TestBench.lnk")))
        registry = self.system_registry()
        self.assertIn("Test Pattern Camera", registry)
        self.assertIn("testcam.dll", registry)
        self.assertEqual(self.session.reg_query(UNINSTALL_KEY, "DisplayVersion"),
                         ("REG_SZ", version()))

        # The installed program with the installed camera: a live picture (the pattern's
        # yellow and cyan bars, and a frame counter that moves). Wine's own visual style
        # is switched on, as Windows has one; no COM port leads to a device of this machine.
        self.session.reg_add(CAPTURE_KEY, "VideoDeviceName", "Test Pattern Camera")
        for value, data, kind in (("ThemeActive", "1", "REG_SZ"),
                                  ("DllName", THEME, "REG_EXPAND_SZ"),
                                  ("ColorName", "Blue", "REG_SZ"),
                                  ("SizeName", "NormalSize", "REG_SZ")):
            self.session.reg_add(THEME_KEY, value, data, kind)
        no_port = os.path.join(self.session.prefix, "no-serial-port")
        os.makedirs(no_port)
        for port in ("COM1", "COM2", "COM3", "COM4"):
            self.session.reg_add(r"HKLM\Software\Wine\Ports", port, no_port)
        self.session.restart_wineserver()
        program = self.session.start_program(os.path.join(self.install_dir, "TestBench.exe"))
        rect = self.session.wait_for_window("PelmontTest2", timeout=60)
        first = self.session.screenshot(os.path.join(self.work, "first.png"), rect)
        # The window is looked up afresh for each look: on a busy machine AutoSize grows it
        # to the picture after it was first seen, and a shot of its first rectangle shows
        # only bars, which do not move.
        deadline = time.monotonic() + 20
        while time.monotonic() < deadline:
            time.sleep(0.5)
            again = self.session.window_rect("PelmontTest2") or rect
            self.session.screenshot(first, again)
            if again == rect and has_colour(first, "#FFFF00"):
                break
            rect = again
        time.sleep(1)
        second = self.session.screenshot(harness.artifact_path("installed-program.png"), rect)
        for shot in (first, second):
            self.assertTrue(has_colour(shot, "#FFFF00") and has_colour(shot, "#00FFFF"), shot)
        changed = subprocess.run(["compare", "-metric", "AE", first, second, "null:"],
                                 stderr=subprocess.PIPE, timeout=30)
        self.assertGreater(float(changed.stderr.split()[0]), 0, "the picture did not move")

        # The format panel and the Communication Settings dialog beside the main window,
        # in the visual style the manifest asks for (Common Controls 6).
        camctl = self.session.build_path("tests/camera_e2e/camctl.exe")
        self.wine(camctl, "menu", "PelmontTest2", "1", "1")
        self.wine(camctl, "menu", "PelmontTest2", "1", "2")
        self.wine(camctl, "wait", "Testbench", "20")  # COM1 leads nowhere: the error
        self.wine(camctl, "click", "Testbench", "OK")
        self.wine(camctl, "menu", "Testbench  V2007.03.20", "0", "0")
        self.session.wait_for_window("Communication Settings", timeout=30)
        time.sleep(1)
        self.session.screenshot(harness.artifact_path("installed-program-dialogs.png"))
        self.assertEqual(self.wine(camctl, "click", "Communication Settings", "Cancel"), 0)
        self.session.close_window("PelmontTest2")
        program.wait(timeout=30)

        # The uninstaller runs from a copy of itself: wait for the prefix to go quiet.
        self.assertEqual(self.wine(os.path.join(self.install_dir, "Uninstall.exe"), "/S"), 0)
        self.settle()
        self.assertFalse(os.path.exists(self.install_dir),
                         os.listdir(self.install_dir) if os.path.exists(self.install_dir) else "")
        self.assertFalse(os.path.exists(self.menu_dir))
        registry = self.system_registry()
        self.assertNotIn("Test Pattern Camera", registry)
        self.assertNotIn("testcam.dll", registry)
        self.assertIsNone(self.session.reg_query(UNINSTALL_KEY, "DisplayVersion"))
        # A silent uninstall does not tick "Remove my settings"; /REMOVESETTINGS does.
        self.assertEqual(self.session.reg_query(CAPTURE_KEY, "VideoDeviceName"),
                         ("REG_SZ", "Test Pattern Camera"))
        self.assertEqual(self.wine(setup, "/S"), 0)
        self.settle()
        self.assertEqual(self.wine(os.path.join(self.install_dir, "Uninstall.exe"), "/S",
                                   "/REMOVESETTINGS"), 0)
        self.settle()
        self.assertFalse(os.path.exists(self.install_dir))
        self.assertIsNone(self.session.reg_query(CAPTURE_KEY, "VideoDeviceName"))


if __name__ == "__main__":
    unittest.main()
