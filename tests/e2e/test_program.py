"""End-to-end tests of TestBench.exe itself: the main window's first start at its design
place, its placement and AutoSize choice stored when it closes and restored at the next
start (also maximised), and the live picture of the test pattern camera chosen as the
video device."""

import subprocess
import unittest

import harness

CAPTION = "PelmontTest2"
APP_KEY = "HKCU\\Software\\Zarrow\\Testbench"
FORM_KEY = APP_KEY + "\\Form1"
CAPTURE_KEY = FORM_KEY + "\\VideoCapture1"


class TestProgram(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.session = harness.open_session("program", time_limit=220)

    @classmethod
    def tearDownClass(cls):
        cls.session.close()

    def setUp(self):
        self.session.reg_delete(APP_KEY)

    def start(self):
        program = self.session.start_program(self.session.build_path("src/TestBench.exe"))
        rect = self.session.wait_for_window(CAPTION, timeout=60)
        self.assertIsNotNone(rect, "the main window never showed:\n" + program.output())
        return program, rect

    def close(self, program):
        self.assertTrue(self.session.close_window(CAPTION), "the main window did not close")
        self.assertEqual(program.wait(timeout=60), 0, program.output())

    def stored(self, name, key=FORM_KEY):
        value = self.session.reg_query(key, name)
        self.assertIsNotNone(value, name)
        kind, data = value
        return int(data, 16) if kind == "REG_DWORD" else data

    def test_first_start_closes_with_its_placement_stored_and_restarts_there(self):
        program, rect = self.start()
        self.assertEqual(rect[:2], (178, 357))
        self.assertEqual(self.session.reg_query(APP_KEY, "Application"), ("REG_SZ", ""))
        self.close(program)
        self.assertEqual(self.stored("WindowState"), 0)
        self.assertEqual(self.stored("left"), 178)
        self.assertEqual(self.stored("top"), 357)
        self.assertEqual(self.stored("width"), rect[2])
        self.assertEqual(self.stored("height"), rect[3])
        self.assertEqual(self.stored("Autosize"), 1)

        # The next start comes back where the user left it.
        self.session.reg_add(FORM_KEY, "left", 40, "REG_DWORD")
        self.session.reg_add(FORM_KEY, "top", 60, "REG_DWORD")
        program, rect = self.start()
        self.assertEqual(rect[:2], (40, 60))
        self.close(program)

    def test_a_window_closed_maximised_starts_maximised(self):
        self.session.reg_add(FORM_KEY, "WindowState", 2, "REG_DWORD")
        self.session.reg_add(FORM_KEY, "left", 40, "REG_DWORD")
        program, rect = self.start()
        self.assertGreaterEqual(rect[2], 1280, rect)
        self.close(program)
        self.assertEqual(self.stored("WindowState"), 2)

    def test_the_test_pattern_camera_shows_its_live_picture(self):
        self.session.reg_add(CAPTURE_KEY, "VideoDeviceName", "Test Pattern Camera")
        program, rect = self.start()
        shot = harness.artifact_path("program-live-picture.png")
        bars = ((255, 255, 0), (0, 255, 255), (255, 0, 255), (0, 0, 255))
        colours = {}
        # The picture starts a moment after the window shows, and AutoSize then grows the
        # window to it (on a busy machine only after the window was first seen): the
        # window is looked up afresh each time.
        for _ in range(40):
            self.session.screenshot(shot, self.session.window_rect(CAPTION) or rect)
            colours = histogram(shot)
            if all(colours.get(c, 0) > 500 for c in bars):
                break
        for colour in bars:
            self.assertGreater(colours.get(colour, 0), 500, "bar colour %s missing" % (colour,))
        self.close(program)
        self.assertEqual(self.stored("VideoDeviceName", CAPTURE_KEY), "Test Pattern Camera")


def histogram(path):
    """{(r, g, b): pixel count} of an image file."""
    result = subprocess.run(["convert", path, "-depth", "8", "-format", "%c", "histogram:info:-"],
                            check=True, timeout=60, stdout=subprocess.PIPE)
    counts = {}
    for line in result.stdout.decode().splitlines():
        parts = line.split(":", 1)
        if len(parts) != 2 or "(" not in parts[1]:
            continue
        rgb = parts[1].split("(", 1)[1].split(")", 1)[0].split(",")[:3]
        try:
            counts[tuple(int(float(v)) for v in rgb)] = int(parts[0].strip())
        except ValueError:
            continue
    return counts


if __name__ == "__main__":
    unittest.main()
