"""End-to-end journeys through TestBench's windows, keys and dialogs, driven with real X
input (xdotool: clicks, drags and keys as a user gives them) and checked on what the user
sees (window rectangles, the windows inside them with their texts, the focused control,
screenshots, what the simulated camera receives):

- AutoSize holds: started maximised and then restored, the main window fits the live
  picture; a drag of its frame does not crop the picture; maximised stays maximised.
- HD pictures (3840x2160, 1920x1080) on a 1280x1024 screen: the grown window keeps its
  title bar on the screen; AutoSize off fits the picture into the window, on again sizes
  the control to the video.
- Settings that cannot be written (a volatile application key) are reported, and the
  close box and File > Exit still close the program.
- Key releases with Alt held reach the camera; Alt and the arrows still work the menus.
- The camera window's model label shows "CamModell: SHC730" in full.
- The Devices and Compressors dialog, the Communication Settings dialog and the format
  panel work from the keyboard: the first control has the focus, Tab reaches every
  control in tab order, Enter and Escape do what the buttons say.
- A window closed while minimised comes back, restored, where the user had it.
- "Communication Port" is readable in full at Wine's default font.

The session runs on an Xvfb of its own (so no other suite's window takes the keyboard)
and in a copy of the build's prefix (build/wineprefix-windows), whose wine server it
restarts to map COM1 to the camera simulator's pty (with the modem-line shim preloaded)
and COM2..COM4 to a directory, so the camera window never reaches a serial device of the
machine. Every frame the camera receives must be one the journey expects.

The Devices and Compressors dialog is not offered by TestBench.exe's own menu (the main
window switches the capture control's PopupDevicesDialog off by design): its journey runs
TestBench.DevicesMenu.exe, the same program with that one design setting on.

Screenshots of the main window, the camera window, both dialogs and the format panel are
left in build/e2e-artifacts.
"""

import os
import shutil
import sys
import tempfile
import termios
import time
import tty
import unittest

import harness
from test_program import histogram

MAIN = "PelmontTest2"
CAMERA = "Testbench  V2007.03.20"  # the application title, two blanks, the version
COMM = "Communication Settings"
DEVICES = "Devices and Compressors"
FORMAT = "Format panel"
REPORT = "Testbench"  # the caption of the general error report
APP_KEY = "HKCU\\Software\\Zarrow\\Testbench"
FORM_KEY = APP_KEY + "\\Form1"
CAPTURE_KEY = FORM_KEY + "\\VideoCapture1"
CAMERA_KEY = APP_KEY + "\\FCommData"
CAPTURE_CLASS = "TestBench.Window"
HD_CAMERA = "Test HD Camera"
BARS = ((255, 255, 0), (0, 255, 255), (255, 0, 255), (0, 0, 255))
# Wine draws the frames itself: a sizeable frame is 4 pixels, a caption button 18.
FRAME = 4
CAPTION_BUTTON = 18


class TestWindows(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.session = harness.open_session("windows", time_limit=400)
        cls.work = tempfile.mkdtemp(prefix="e2e-windows-")
        try:
            pty_file = os.path.join(cls.work, "pty")
            cls.camsim = cls.session.start_native(
                sys.executable, os.path.join(harness.SOURCE_DIR, "tools", "camsim", "camsim.py"),
                "--pty-file", pty_file)
            deadline = time.monotonic() + 15
            while not os.path.exists(pty_file):
                if time.monotonic() > deadline:
                    raise harness.HarnessError("the camera simulator did not start")
                time.sleep(0.05)
            with open(pty_file) as f:
                pty = f.read().strip()
            cls.pty = pty
            no_port = os.path.join(cls.session.prefix, "no-serial-port")
            os.makedirs(no_port, exist_ok=True)
            cls.session.map_com_ports({"COM1": pty, "COM2": no_port, "COM3": no_port,
                                       "COM4": no_port})
            cls.shim = {"LD_PRELOAD": cls.session.build_path("native/ptyshim.so"),
                        "PTYSHIM_STATE": os.path.join(cls.work, "modem")}
        except Exception:
            cls.session.close()
            shutil.rmtree(cls.work, ignore_errors=True)
            raise

    @classmethod
    def tearDownClass(cls):
        cls.session.close()
        shutil.rmtree(cls.work, ignore_errors=True)

    def setUp(self):
        self.session.reg_delete(APP_KEY)
        self.reset_line()

    def reset_line(self):
        """Puts the line back to the simulator's start (raw, 38400 baud, no handshake), so
        the settings of the next open show up as a change ("LINE ...")."""
        fd = os.open(self.pty, os.O_RDWR | os.O_NOCTTY | os.O_NONBLOCK)
        try:
            tty.setraw(fd)
            attributes = termios.tcgetattr(fd)
            attributes[0] &= ~(termios.IXON | termios.IXOFF)
            attributes[4] = attributes[5] = termios.B38400
            termios.tcsetattr(fd, termios.TCSANOW, attributes)
        finally:
            os.close(fd)
        self.camsim.wait_for_line(r"^LINE baud=38400 flow=none", timeout=1.0)

    def tearDown(self):
        # A journey that failed half-way leaves no window behind for the next one.
        for program in self.session.programs:
            if not getattr(program, "native", False):
                program.kill()

    # ---- helpers

    def start(self, exe="src/TestBench.exe"):
        program = self.session.start_program_with_env(self.session.build_path(exe), self.shim)
        rect = self.session.wait_for_window(MAIN, timeout=60)
        self.assertIsNotNone(rect, "the main window never showed:\n" + program.output())
        return program, rect

    def close_main(self, program):
        self.assertTrue(self.session.close_window(MAIN), "the main window did not close")
        self.assertEqual(program.wait(timeout=30), 0, program.output())

    def wait_until(self, probe, timeout, interval=0.2):
        """The first true value `probe` gives within `timeout` seconds, else None."""
        return harness.wait_until(probe, timeout, interval) or None

    def capture_control(self, caption=MAIN):
        for klass, rect, _ in self.session.children(caption):
            if klass == CAPTURE_CLASS:
                return rect
        return None

    def controls(self, caption, klass):
        return [(rect, text) for k, rect, text in self.session.children(caption) if k == klass]

    def focused(self, caption):
        found = self.session.focused_window(caption)
        return (found[0], found[1], found[2]) if found else None

    def assert_fits(self, window, control):
        """The window's frame lies evenly around the control: no part of the picture is
        cut off and no empty band is left."""
        x, y, width, height = window
        cx, cy, cwidth, cheight = control
        left = cx - x
        right = x + width - (cx + cwidth)
        bottom = y + height - (cy + cheight)
        self.assertEqual((right, bottom), (left, left),
                         "window %s around control %s" % (window, control))

    def dark_columns(self, shot, origin, band):
        """Columns (screen coordinates) of a band of the screen that hold dark (text)
        pixels, in a screenshot taken of the part starting at `origin`."""
        x, y, width, height = band
        rows = self.session.crop_pixels(shot, (x - origin[0], y - origin[1], width, height))
        return sorted({x + i for row in rows for i, (r, g, b) in enumerate(row)
                       if max(r, g, b) < 96})

    def drain_camera(self):
        while self.camsim.wait_for_line(".", timeout=0.3) is not None:
            pass

    def expect_camera(self, pattern, timeout=8):
        """The camera's next line matching `pattern`; a frame it received on the way (a
        command the journey did not give, or junk) fails the journey."""
        match = self.camsim.wait_for_line(r"%s|^(CMD|JUNK) " % pattern, timeout=timeout)
        self.assertIsNotNone(match, "the camera saw no %r:\n%s" % (pattern, self.camsim.output()))
        self.assertRegex(match.string, pattern, "the camera received a frame nobody sent")
        return match.string

    def press_button(self, caption, text):
        """A click on the button with that text in the window."""
        rect = [rect for rect, label in self.controls(caption, "Button") if label == text][0]
        self.session.click(rect[0] + rect[2] // 2, rect[1] + rect[3] // 2)

    def fitting_rect(self, other):
        """The main window's rectangle when it differs from `other` and fits the capture
        control, else None."""
        window, control = self.session.window_rect(MAIN), self.capture_control()
        if not window or not control or window == other:
            return None
        x, y, width, height = window
        cx, cy, cwidth, cheight = control
        left = cx - x
        fits = (x + width - (cx + cwidth), y + height - (cy + cheight)) == (left, left)
        return window if fits else None

    def reports(self):
        """The texts of the general error reports shown now."""
        found = []
        for klass, _, caption in self.session.top_level_windows():
            if klass == "#32770" and caption == REPORT:
                found.append(" ".join(t for t in self.session.window_texts(REPORT)
                                      if t and t != "OK"))
        return found

    def answer_reports(self, program, quiet, limit):
        """Answers each general error report with Enter, as a user reads and confirms it,
        until no report came for `quiet` seconds, the program ended, or `limit` seconds
        passed; returns the texts read."""
        texts = []
        deadline = time.monotonic() + limit
        last = time.monotonic()
        while time.monotonic() < deadline and program.running():
            shown = self.reports()
            if shown:
                texts.extend(shown)
                self.session.keys_to(REPORT, "Return")
                last = time.monotonic()
            elif time.monotonic() - last > quiet:
                break
            time.sleep(0.2)
        return texts

    def assert_live_picture(self, rect, name):
        shot = harness.artifact_path(name)
        colours = {}
        for _ in range(30):  # the picture starts a moment after the graph is built
            self.session.screenshot(shot, rect)
            colours = histogram(shot)
            if all(colours.get(c, 0) > 500 for c in BARS):
                break
            time.sleep(0.2)
        for colour in BARS:
            self.assertGreater(colours.get(colour, 0), 500, "bar colour %s missing" % (colour,))

    def assert_tab_cycle(self, caption, order):
        """The focus starts on order[0] and each Tab moves it to the next, round again to
        the first; order holds (class, rect) pairs."""
        self.assertEqual(self.focused(caption)[:2], order[0], "first focus")
        for expected in order[1:] + order[:1]:
            self.session.keys("Tab")
            self.assertEqual(self.focused(caption)[:2], expected)

    # ---- journeys

    def test_autosize_holds_after_a_restore_and_against_a_drag(self):
        self.session.reg_add(FORM_KEY, "WindowState", 2, "REG_DWORD")
        self.session.reg_add(CAPTURE_KEY, "VideoDeviceName", "Test Pattern Camera")
        program, maximised = self.start()
        self.assertGreaterEqual(maximised[2], 1280, "started maximised")
        control = self.wait_until(
            lambda: (lambda c: c if c and c[2:] == (644, 484) else None)(self.capture_control()),
            timeout=20)
        self.assertIsNotNone(control, "the picture never sized the control: %s"
                             % (self.capture_control(),))

        # Restored from the window's menu, the window fits the picture.
        self.session.menu_keys(MAIN, "alt+space", "r")
        restored = self.wait_until(lambda: self.fitting_rect(maximised), timeout=10)
        self.assertIsNotNone(restored, "the restored window does not fit the picture: %s"
                             % (self.session.window_rect(MAIN),))
        self.assert_live_picture(restored, "windows-main-window.png")

        # Dragged smaller by its lower right corner, the window keeps the fit.
        x, y, width, height = restored
        self.session.drag((x + width - 2, y + height - 2), (x + 298, y + 198))
        self.assertTrue(self.wait_until(lambda: not self.session.in_move_size(MAIN), timeout=10),
                        "the drag did not end")
        dragged = self.session.window_rect(MAIN)
        self.assertEqual(dragged, restored)
        self.assert_fits(dragged, self.capture_control())

        # Maximised again, it stays maximised.
        self.session.menu_keys(MAIN, "alt+space", "x")
        self.assertIsNotNone(self.wait_until(
            lambda: (lambda r: r and r[2] >= 1280)(self.session.window_rect(MAIN)), timeout=15),
            "the window was not maximised")
        self.session.settle(MAIN)
        self.assertGreaterEqual(self.session.window_rect(MAIN)[2], 1280)
        self.close_main(program)
        self.assertEqual(self.session.reg_query(FORM_KEY, "WindowState"), ("REG_DWORD", "0x2"))

    def test_hd_pictures_fit_the_window_with_autosize_off_and_on(self):
        """On a 1280x1024 screen: AutoSize on keeps the grown window's title bar on the
        screen; AutoSize off fits the control to the client area and the picture to the
        control, whatever size the window was held at; on again, the control takes the
        video's size once more."""
        for width, height in ((3840, 2160), (1920, 1080)):
            self.session.reg_delete(APP_KEY)
            section = CAPTURE_KEY + "\\" + HD_CAMERA
            self.session.reg_add(CAPTURE_KEY, "VideoDeviceName", HD_CAMERA)
            self.session.reg_add(section, "VideoWidth", width, "REG_DWORD")
            self.session.reg_add(section, "VideoHeight", height, "REG_DWORD")
            self.session.reg_add(section, "VideoBitCount", 24, "REG_DWORD")
            program, _ = self.start()
            self.assertIsNotNone(self.control_of_size(width + 4, height + 4),
                                 "%dx%d: the control never took the video's size: %s"
                                 % (width, height, self.capture_control()))
            x, y, _, _ = self.session.window_rect(MAIN)
            self.assertGreaterEqual((x, y), (0, 0), "the title bar is off the screen")

            self.session.menu_keys(MAIN, "F10", "Right", "Down", "Return")  # AutoSize off
            fitted = self.wait_until(self.picture_filling_client_area, timeout=15)
            self.assertIsNotNone(fitted, "%dx%d, AutoSize off: window %s, control %s"
                                 % (width, height, self.session.window_rect(MAIN),
                                    self.capture_control()))

            self.session.menu_keys(MAIN, "F10", "Right", "Down", "Return")  # AutoSize on
            self.assertIsNotNone(self.control_of_size(width + 4, height + 4),
                                 "%dx%d, AutoSize on again: %s"
                                 % (width, height, self.capture_control()))
            x, y, _, _ = self.session.window_rect(MAIN)
            self.assertGreaterEqual((x, y), (0, 0), "the title bar is off the screen")
            self.close_main(program)

    def control_of_size(self, width, height):
        return self.wait_until(
            lambda: (lambda c: c if c and c[2:] == (width, height) else None)(
                self.capture_control()), timeout=20)

    def picture_filling_client_area(self):
        """The video window's rectangle when the control fills the main window's client
        area (the frame evenly on three sides, caption and menu above) and the video window
        fills the control less its 2-pixel bevel; else None."""
        window, control = self.session.window_rect(MAIN), self.capture_control()
        if not window or not control:
            return None
        x, y, width, height = window
        cx, cy, cwidth, cheight = control
        if (cx - x, x + width - (cx + cwidth), y + height - (cy + cheight)) != (FRAME,) * 3:
            return None
        inner = (cx + 2, cy + 2, cwidth - 4, cheight - 4)
        for _, rect, _ in self.session.children(MAIN):
            if rect == inner:
                return rect
        return None

    def test_a_program_whose_settings_cannot_be_written_still_closes(self):
        volatile = self.session.build_path("tests/e2e/volatilekey.exe")
        for way in ("close box", "File > Exit"):
            with self.subTest(way=way):
                self.session.reg_delete(APP_KEY)
                code, output = self.session.run_wine(volatile, "Software\\Zarrow\\Testbench")
                self.assertEqual(code, 0, output)
                program, rect = self.start()
                # Saving the capture settings fails from the start on: each failure is
                # reported, and the user confirms it.
                for text in self.answer_reports(program, quiet=1.5, limit=15):
                    self.assertIn("Failed to create key", text)
                self.assertTrue(program.running())
                x, y, width, _ = rect
                if way == "close box":
                    self.session.click(x + width - FRAME - CAPTION_BUTTON // 2,
                                       y + FRAME + CAPTION_BUTTON // 2)
                else:
                    # File > Exit, the last item of the File menu.
                    self.session.menu_keys(MAIN, "alt", "Down", "Up", "Return")
                texts = self.answer_reports(program, quiet=10, limit=20)
                self.assertIn("Failed to create key Form1", texts)
                self.assertEqual(program.wait(timeout=20), 0, "the program did not end")
                self.assertIsNone(self.session.window_rect(MAIN))
        self.session.reg_delete(APP_KEY)

    def start_with_camera(self):
        """The program with the camera window shown from the main window's menu (Options >
        ShowSamsungSHC721Control, with the keyboard) for the stored SHC-730: COM1 open."""
        self.session.reg_add(CAMERA_KEY, "CamModell", 730, "REG_DWORD")
        program, main = self.start()
        self.drain_camera()
        self.session.menu_keys(MAIN, "alt", "Right", "Down", "Down", "Down", "Return")
        camera = self.session.wait_for_window(CAMERA, timeout=30)
        self.assertIsNotNone(camera, "the camera window did not show")
        self.expect_camera(r"^LINE baud=9600 flow=xonxoff", timeout=15)
        return program, main, camera

    def activate(self, caption, point):
        """A click at `point` (on the window's title), and the window has the keyboard."""
        self.session.click(*point)
        self.assertIsNotNone(self.wait_until(lambda: (self.focused(caption) or ("",))[-1] == caption,
                                             timeout=5), "%s has not the keyboard" % caption)

    def open_communication_settings(self, camera):
        """Com > Open in the camera window, with the keyboard; the dialog with its
        controls."""
        self.activate(CAMERA, (camera[0] + camera[2] // 2, camera[1] + FRAME + CAPTION_BUTTON // 2))
        self.session.menu_keys(CAMERA, "alt", "Down", "Return")
        return self.wait_for_dialog(COMM, controls=12)

    def wait_for_dialog(self, caption, controls):
        """The rectangle of a window once it shows with (at least) that many controls."""
        self.assertIsNotNone(self.wait_until(lambda: len(self.session.children(caption)) >= controls,
                                             timeout=20), "%s did not show" % caption)
        return self.session.window_rect(caption)

    def key_with_alt_held(self, key):
        """Alt down, the key pressed and released, Alt up: the key's release comes with Alt
        held (xdotool's "alt+Up" lets Alt go first)."""
        self.session.xdotool("keydown", "alt")
        time.sleep(0.1)
        self.session.keys(key)
        self.session.xdotool("keyup", "alt")
        time.sleep(0.15)

    def test_key_releases_with_alt_held_reach_the_camera(self):
        program, main, _ = self.start_with_camera()
        # Back in the main window (a click on its title, left of the camera window that
        # covers its middle), key releases with Alt held reach the camera ...
        self.activate(MAIN, (main[0] + 40, main[1] + FRAME + CAPTION_BUTTON // 2))
        self.drain_camera()
        self.key_with_alt_held("Up")
        self.assertIn("frame=41", self.expect_camera(r"^CMD UP "))
        self.key_with_alt_held("Down")
        self.assertIn("frame=42", self.expect_camera(r"^CMD DOWN "))
        # ... and Alt still opens the menu bar: Options > ShowFormatPanel.
        self.session.menu_keys(MAIN, "alt", "Right", "Down", "Down", "Return")
        self.assertIsNotNone(self.session.wait_for_window(FORMAT, timeout=20),
                             "the menu keys did not reach the Options menu")
        self.close_main(program)

    def test_only_keys_pressed_in_the_windows_move_the_camera(self):
        """The Enter that chooses a menu item or closes a dialog or a message box sends
        nothing when its release reaches the camera window or the main window; the five
        keys pressed there still send their five frames. Each step ends with a key whose
        frame must be the next one the camera receives."""
        program, main, camera = self.start_with_camera()  # Options > Show... with Enter
        self.session.keys_to(CAMERA, "Up")
        self.expect_camera(r"^CMD UP model=730 ")
        # Com > SHC721 with Enter in the camera window.
        self.session.menu_keys(CAMERA, "alt", "Down", "Down", "Down", "Return")
        self.session.keys_to(CAMERA, "Down")
        self.expect_camera(r"^CMD DOWN model=721 ")
        # Communication Settings confirmed with Enter: the port opens, and nothing else.
        self.open_communication_settings(camera)
        self.session.keys_to(COMM, "Return")
        self.expect_camera(r"^LINE ", timeout=15)
        self.session.keys_to(CAMERA, "Left")
        self.expect_camera(r"^CMD LEFT model=721 ")
        # Help > About and Help > Korvid version, each box closed with Enter.
        self.activate(MAIN, (main[0] + 40, main[1] + FRAME + CAPTION_BUTTON // 2))
        for item in (("Down", "Down"), ("Down",)):
            self.session.menu_keys(MAIN, "alt", "Right", "Right", *item, "Return")
            box = self.wait_until(lambda: [caption for klass, _, caption in
                                           self.session.top_level_windows() if klass == "#32770"],
                                  timeout=10)
            self.assertTrue(box, "no message box")
            self.session.keys_to(box[0], "Return")
            self.assertTrue(self.wait_until(lambda: self.session.window_rect(box[0]) is None,
                                            timeout=10), "Enter did not close the box")
            self.session.keys_to(MAIN, "Right")
            self.expect_camera(r"^CMD RIGHT model=721 ")
        # Clear capture with Enter in the capture control's menu, then Enter in the window.
        control = self.capture_control()
        self.session.click(control[0] + control[2] // 2, control[1] + control[3] // 2, button=3)
        self.session.popup_menu_keys("Down", "Return")
        self.session.keys_to(MAIN, "Return")
        self.expect_camera(r"^CMD SET model=721 frame=aaee0fcc55")
        # The camera window hidden again from the menu with Enter.
        self.session.menu_keys(MAIN, "alt", "Right", "Down", "Down", "Down", "Return")
        self.assertTrue(self.wait_until(lambda: self.session.window_rect(CAMERA) is None,
                                        timeout=10), "the camera window stayed")
        self.session.keys_to(MAIN, "Up")
        self.expect_camera(r"^CMD UP model=721 ")
        self.close_main(program)

    def test_the_camera_window_shows_its_whole_model_label(self):
        program, _, camera = self.start_with_camera()
        labels = self.controls(CAMERA, "Static")
        self.assertEqual([text for _, text in labels], ["CamModell: SHC730"])
        label = labels[0][0]
        shot = self.session.screenshot(harness.artifact_path("windows-camera-window.png"), camera)
        inner_right = camera[0] + camera[2] - FRAME
        columns = self.dark_columns(shot, camera[:2],
                                    (label[0], label[1], inner_right - label[0], label[3]))
        self.assertTrue(columns, "no text in the label")
        self.assertLess(columns[-1], label[0] + label[2], "text beyond the label")
        # "CamModell" alone takes about 60 pixels: the model must show after it.
        self.assertGreater(columns[-1] - label[0], 80, "the label shows only %d pixels of text"
                           % (columns[-1] - label[0]))
        self.close_main(program)

    def test_the_communication_settings_captions_are_readable(self):
        program, _, camera = self.start_with_camera()
        dialog = self.open_communication_settings(camera)
        shot = self.session.screenshot(harness.artifact_path("windows-communication-settings.png"),
                                       dialog)
        # No list lies over a caption, and "Communication Port" ends before its list.
        captions = self.controls(COMM, "Static")
        lists = sorted(self.controls(COMM, "ComboBox"), key=lambda item: item[0][1])
        self.assertEqual(len(captions), 6)
        self.assertEqual(len(lists), 6)
        for rect, text in captions:
            for other, _ in lists:
                overlap = (rect[0] < other[0] + other[2] and other[0] < rect[0] + rect[2] and
                           rect[1] < other[1] + other[3] and other[1] < rect[1] + rect[3])
                self.assertFalse(overlap, "%r %s lies under the list at %s" % (text, rect, other))
        port_caption = [rect for rect, text in captions if text == "Communication Port"][0]
        port_list = lists[0][0]
        columns = self.dark_columns(shot, dialog[:2], (port_caption[0], port_caption[1],
                                                       port_list[0] - port_caption[0],
                                                       port_caption[3]))
        self.assertTrue(columns)
        self.assertLess(columns[-1], port_list[0] - 1, "the caption's text meets its list")
        self.session.keys_to(COMM, "Escape")
        self.close_main(program)

    def test_the_format_panel_and_the_communication_settings_from_the_keyboard(self):
        program, main, camera = self.start_with_camera()
        # The format panel (Options > ShowFormatPanel): the width field first, then Tab
        # in order, round again.
        self.activate(MAIN, (main[0] + 40, main[1] + FRAME + CAPTION_BUTTON // 2))
        self.session.menu_keys(MAIN, "alt", "Right", "Down", "Down", "Return")
        panel = self.wait_for_dialog(FORMAT, controls=4)
        self.session.screenshot(harness.artifact_path("windows-format-panel.png"), panel)
        edits = [("Edit", rect) for rect, _ in self.controls(FORMAT, "Edit")]
        buttons = self.controls(FORMAT, "Button")
        self.assertEqual(len(edits), 2)
        self.assertEqual([text for _, text in buttons], ["Set", "Save to Reg"])
        self.assert_tab_cycle(FORMAT, edits + [("Button", rect) for rect, _ in buttons])
        self.session.keys_to(FORMAT, "alt+F4")
        self.assertIsNotNone(self.wait_until(lambda: self.session.window_rect(FORMAT) is None,
                                             timeout=10), "the format panel did not close")

        # Communication Settings: OK first, then Cancel and the lists in row order.
        self.open_communication_settings(camera)
        lists = sorted(self.controls(COMM, "ComboBox"), key=lambda item: item[0][1])
        buttons = self.controls(COMM, "Button")
        ok = [("Button", rect) for rect, text in buttons if text == "OK"]
        cancel = [("Button", rect) for rect, text in buttons if text == "Cancel"]
        self.assert_tab_cycle(COMM, ok + cancel + [("ComboBox", rect) for rect, _ in lists])
        # Escape is Cancel: the dialog goes and the port is left as it was (the next
        # thing the camera hears is the button pressed after it).
        self.drain_camera()
        self.session.keys_to(COMM, "Escape")
        self.assertIsNotNone(self.wait_until(lambda: self.session.window_rect(COMM) is None,
                                             timeout=10), "Escape did not close the dialog")
        self.press_button(CAMERA, "Up")
        self.expect_camera(r"^CMD UP ")

        # Again: a speed chosen with the keyboard, and Enter is OK (the port opens with it).
        self.open_communication_settings(camera)
        self.session.keys_to(COMM, "Tab", "Tab", "Tab")
        self.assertEqual(self.focused(COMM)[:2], ("ComboBox", lists[1][0]))
        self.session.keys("Down", "Down")  # 9600 -> 19200 (14400 is no speed of a Linux tty)
        self.assertEqual(self.focused(COMM)[2], "19200")
        self.session.keys_to(COMM, "Return")
        self.assertIsNotNone(self.wait_until(lambda: self.session.window_rect(COMM) is None,
                                             timeout=10), "Enter did not close the dialog")
        self.expect_camera(r"^LINE baud=19200 flow=xonxoff", timeout=10)
        self.close_main(program)

    def test_a_window_closed_minimised_comes_back_where_the_user_had_it(self):
        program, design = self.start()
        x, y, width, height = design
        # Moved by its title bar...
        self.session.drag((x + 100, y + FRAME + CAPTION_BUTTON // 2),
                          (x + 322, y + FRAME + CAPTION_BUTTON // 2 - 250))
        moved = self.wait_until(
            lambda: (lambda r: r if r and r != design else None)(self.session.window_rect(MAIN)),
            timeout=5)
        self.assertIsNotNone(moved, "the window did not move")
        self.assertEqual(moved[2:], design[2:])
        # ... minimised from its window menu ...
        self.session.menu_keys(MAIN, "alt+space", "n")
        icon = self.wait_until(
            lambda: (lambda r: r if r and r[2] < design[2] else None)(self.session.window_rect(MAIN)),
            timeout=10)
        self.assertIsNotNone(icon, "the window was not minimised")
        # ... and closed from the icon's menu.
        self.session.click(icon[0] + icon[2] // 2, icon[1] + icon[3] // 2)
        self.session.popup_menu_keys("c")
        self.assertEqual(program.wait(timeout=30), 0, "the program did not end")

        # The next start is minimised; restored, the window is where the user had it.
        program, icon = self.start()
        self.assertLess(icon[2], design[2], "not started minimised")
        self.session.xdotool("mousemove", "--sync", icon[0] + icon[2] // 2, icon[1] + icon[3] // 2)
        self.session.xdotool("click", "--repeat", 2, "--delay", 80, 1)
        restored = self.wait_until(
            lambda: (lambda r: r if r and r != icon else None)(self.session.window_rect(MAIN)),
            timeout=10)
        self.assertEqual(restored, moved)
        self.close_main(program)

    def test_the_devices_dialog_from_the_keyboard(self):
        program, _ = self.start("tests/e2e/TestBench.DevicesMenu.exe")
        control = self.capture_control()
        # The capture control's menu, and its last item: "Devices and Compressors".
        self.session.click(control[0] + control[2] // 2, control[1] + control[3] // 2, button=3)
        self.session.popup_menu_keys("Up", "Return")
        dialog = self.wait_for_dialog(DEVICES, controls=11)
        self.session.screenshot(harness.artifact_path("windows-devices-dialog.png"), dialog)

        # The video device list has the focus; Tab reaches each list with its "Clear",
        # the left side before the right, then the bottom row.
        lists = self.controls(DEVICES, "ComboBox")
        buttons = self.controls(DEVICES, "Button")
        self.assertEqual(len(lists), 4)
        clears = [rect for rect, text in buttons if text == "Clear"]
        self.assertEqual(len(clears), 4)
        bottom = [("Button", rect) for rect, text in buttons if text != "Clear"]
        self.assertEqual([text for _, text in buttons if text != "Clear"],
                         ["Ok", "M\u00e9gse", "Alkalmaz"])
        self.assert_tab_cycle(DEVICES, self.tab_order_of_sides(lists, clears, dialog) + bottom)

        # Enter and Escape mean nothing dialog-wide (no default or cancel button): the
        # Down after them still reaches the list, which chooses the test pattern camera.
        self.session.keys_to(DEVICES, "Escape", "Return", "Down")
        self.assertEqual(self.wait_until(lambda: (self.focused(DEVICES) or ("",))[-1],
                                         timeout=5), "Test Pattern Camera")
        self.assertIsNotNone(self.session.window_rect(DEVICES), "the dialog closed")
        self.session.keys(*["Tab"] * 8)
        self.assertEqual(self.focused(DEVICES)[2], "Ok")
        self.session.keys_to(DEVICES, "Return")
        self.assertIsNotNone(self.wait_until(lambda: self.session.window_rect(DEVICES) is None,
                                             timeout=15), "Enter on Ok did not close the dialog")
        self.assertIsNotNone(self.wait_until(
            lambda: (lambda c: c and c[2:] == (644, 484))(self.capture_control()), timeout=20),
            "the chosen camera did not start")
        self.assert_live_picture(self.session.window_rect(MAIN), "windows-devices-chosen.png")
        self.close_main(program)
        self.assertEqual(self.session.reg_query(CAPTURE_KEY, "VideoDeviceName"),
                         ("REG_SZ", "Test Pattern Camera"))

    @staticmethod
    def tab_order_of_sides(lists, clears, dialog):
        """Each side of the devices dialog, left first: its lists top to bottom, each
        followed by the "Clear" button above its right end."""
        middle = dialog[0] + dialog[2] // 2
        order = []
        for left_side in (True, False):
            side_lists = sorted((rect for rect, _ in lists if (rect[0] < middle) == left_side),
                                key=lambda rect: rect[1])
            side_clears = sorted((rect for rect in clears if (rect[0] < middle) == left_side),
                                 key=lambda rect: rect[1])
            for list_rect, clear_rect in zip(side_lists, side_clears):
                order += [("ComboBox", list_rect), ("Button", clear_rect)]
        return order


if __name__ == "__main__":
    unittest.main()
