"""The capture control's everyday journeys, driven through TestBench.exe as a user does:
real right-clicks on the picture and keys in its menu (xdotool), the registry as the user
left it, the test camera unplugged and plugged in with testcamctl. Each journey checks
what the user sees (the colour bars on the screen, a message box or its absence) and what
is stored afterwards."""

import os
import subprocess
import time
import unittest

import harness
from test_program import histogram

CAPTION = "PelmontTest2"
ERROR_CAPTION = "DirectShow - Capture"
APP_TITLE = "TestBench"
APP_KEY = "HKCU\\Software\\Zarrow\\Testbench"
FORM_KEY = APP_KEY + "\\Form1"
CAPTURE_KEY = FORM_KEY + "\\VideoCapture1"
CAMERA = "Test Pattern Camera"
CAMERA_1 = "Test Pattern Camera (1)"
MICROPHONE = "Test Tone Microphone"
CAPTURE_CARD = "Test Capture Card"
HD_CAMERA = "Test HD Camera"
FORMAT_PANEL = "Format panel"
RGB24 = "{E436EB7D-524F-11CE-9F53-0020AF0BA770}"
YUY2 = "{32595559-0000-0010-8000-00AA00389B71}"
VIDEO_INFO = "{05589F80-C356-11CE-BF01-00AA0055595A}"
# Colours of the test camera's bars that nothing else on the screen has.
BAR_COLOURS = ((255, 255, 0), (0, 255, 255), (255, 0, 255))


class CaptureJourneys(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.session = harness.open_session("journeys", time_limit=560)

    @classmethod
    def tearDownClass(cls):
        cls.session.close()

    def setUp(self):
        self.session.reg_delete(APP_KEY)
        self.camera_control("replug")
        self.program = None

    def tearDown(self):
        if self.program is not None and self.program.running():
            self.program.kill()
        self.camera_control("replug")

    # ---- the program

    def start(self, expect_picture=True):
        # A case that failed with its program still open (a case of a table goes on to
        # the next one) must not leave it to answer for the next start.
        if self.program is not None and self.program.running():
            self.program.kill()
        self.program = self.session.start_program(self.session.build_path("src/TestBench.exe"))
        rect = self.session.wait_for_window(CAPTION, timeout=60)
        self.assertIsNotNone(rect, "the main window never showed:\n" + self.program.output())
        if expect_picture:
            self.assertTrue(self.wait_for_picture(), "no live picture")
        return rect

    def close(self):
        self.assertIsNone(self.box_texts(), "a message box is still open")
        self.assertTrue(self.session.close_window(CAPTION), "the main window did not close")
        self.assertEqual(self.program.wait(timeout=60), 0, self.program.output())

    def stored(self, name, key=CAPTURE_KEY):
        value = self.session.reg_query(key, name)
        if value is None:
            return None
        kind, data = value
        return int(data, 16) if kind == "REG_DWORD" else data

    def camera_control(self, verb):
        exe = self.session.build_path("tools/testcam/testcamctl.exe")
        for camera in ("1", "2"):
            self.session.run_wine(exe, verb, camera, timeout=30)

    # ---- what the user sees

    def control_rect(self):
        """The capture control: the largest window inside the main window."""
        children = self.session.children(CAPTION)
        self.assertTrue(children, "the main window has no controls")
        return max((rect for _, rect, _ in children), key=lambda r: r[2] * r[3])

    def shows_picture(self):
        shot = harness.artifact_path("journey-%s.png" % self._testMethodName)
        self.session.screenshot(shot, self.control_rect())
        colours = histogram(shot)
        return all(colours.get(colour, 0) > 300 for colour in BAR_COLOURS)

    def wait_for_picture(self, timeout=15):
        return harness.wait_until(self.shows_picture, timeout)

    def box_texts(self, caption=ERROR_CAPTION):
        """The texts of a visible message box with that caption, or None."""
        if self.session.window_rect(caption) is None:
            return None
        return self.session.window_texts(caption)

    def wait_for_box(self, caption=ERROR_CAPTION, timeout=10):
        return harness.wait_until(lambda: self.box_texts(caption), timeout, interval=0.2)

    def dismiss_box(self, caption=ERROR_CAPTION):
        self.assertTrue(self.session.close_window(caption), "the message box did not close")

    def right_click_picture(self):
        x, y, width, height = self.control_rect()
        self.session.click(x + width // 2, y + height // 2, button=3)

    def choose_in_menu(self, position):
        """The item at this position (0 = the first) of the menu the right-click opens,
        with the arrow keys once the menu shows."""
        self.session.popup_menu_keys(*(["Down"] * (position + 1)), "Return")

    def change_focus(self):
        """Shows the format panel from the Options menu, then closes it (Alt+F4): the main
        window becomes the program's focused window again, and the program has handled
        its activation."""
        self.session.menu_keys(CAPTION, "F10", "Right", "Down", "Down", "Return")
        self.session.keys_to("Format panel", "alt+F4")
        self.assertTrue(harness.wait_until(lambda: self.session.has_keyboard(CAPTION), 10),
                        "the main window did not take the focus back")
        self.session.settle(CAPTION)

    # ---- the journeys

    def test_camera_with_microphone_shows_the_picture_and_keeps_both(self):
        self.session.reg_add(CAPTURE_KEY, "VideoDeviceName", CAMERA)
        self.session.reg_add(CAPTURE_KEY, "AudioDeviceName", MICROPHONE)
        self.start()
        self.assertIsNone(self.box_texts())
        self.close()
        self.assertEqual(self.stored("VideoDeviceName"), CAMERA)
        self.assertEqual(self.stored("AudioDeviceName"), MICROPHONE)

    def test_a_camera_picked_from_the_menu_is_stored_and_comes_back(self):
        self.session.reg_add(CAPTURE_KEY, "VideoDeviceName", CAMERA)
        self.start()
        # Clear capture, the two cameras: the second camera is the third item.
        self.right_click_picture()
        self.choose_in_menu(2)
        self.assertTrue(self.wait_for_picture(), "no picture from the second camera")
        self.assertIsNone(self.box_texts())
        self.assertEqual(self.stored("VideoDeviceName"), CAMERA_1, "not stored at once")
        self.close()
        self.assertEqual(self.stored("VideoDeviceName"), CAMERA_1)
        self.start()
        self.close()
        self.assertEqual(self.stored("VideoDeviceName"), CAMERA_1)

    def test_clear_capture_survives_a_focus_change_and_a_restart(self):
        self.session.reg_add(CAPTURE_KEY, "VideoDeviceName", CAMERA)
        self.start()
        self.right_click_picture()
        self.choose_in_menu(0)
        self.assertEqual(harness.wait_until(lambda: self.stored("VideoDeviceName") == "", 10),
                         True, "Clear capture was not stored at once")
        self.assertTrue(harness.wait_until(lambda: not self.shows_picture(), 10),
                        "the picture stayed after Clear capture")
        self.change_focus()
        self.assertFalse(self.shows_picture(), "a focus change brought the camera back")
        self.close()
        self.assertEqual(self.stored("VideoDeviceName"), "")
        self.assertEqual(self.stored("VideoDeviceIdx"), 0xFFFFFFFF)
        self.start(expect_picture=False)
        self.session.settle(CAPTION)
        self.assertFalse(self.shows_picture())
        self.assertIsNone(self.box_texts())
        self.close()

    def test_an_unplugged_camera_settles_and_its_picture_returns_when_plugged_in(self):
        self.session.reg_add(CAPTURE_KEY, "VideoDeviceName", CAMERA)
        self.start()
        time.sleep(1)
        previewing = self.cpu_over(3)

        self.camera_control("unplug")
        texts = self.wait_for_box()
        self.assertIsNotNone(texts, "the lost camera was not reported")
        self.assertTrue(any("Cannot run preview graph!" in t for t in texts), texts)
        self.dismiss_box()
        time.sleep(1)
        unplugged = self.cpu_over(3)
        self.assertIsNone(self.box_texts(), "the loss was reported more than once")
        print("CPU previewing %.3f s/s, unplugged %.3f s/s, ratio %.2f"
              % (previewing, unplugged, unplugged / max(previewing, 1e-6)))
        self.assertLessEqual(unplugged, previewing * 1.5 + 0.02, "the control spins")

        self.camera_control("replug")
        self.assertTrue(self.wait_for_picture(timeout=10), "the picture did not come back")
        self.assertTrue(self.frames_move(), "the picture is frozen")
        self.close()
        self.assertEqual(self.stored("VideoDeviceName"), CAMERA)

    def test_a_device_unplugged_before_the_program_fails_when_picked_until_plugged_in(self):
        ctl = self.session.build_path("tools/testcam/testcamctl.exe")
        self.addCleanup(self.session.run_wine, ctl, "replug", "5", timeout=30)
        # Unplugged while no program holds a camera: the unplug lasts all the same.
        self.session.run_wine(ctl, "unplug", "5", timeout=30)
        self.session.reg_add(CAPTURE_KEY, "VideoDeviceName", CAMERA)
        self.start()
        # Clear capture, the two cameras, the capture card: the HD camera is the fifth item.
        self.right_click_picture()
        self.choose_in_menu(4)
        texts = self.wait_for_box()
        self.assertTrue(texts and any("Can't create video device filter" in t for t in texts),
                        texts)
        self.dismiss_box()
        self.assertTrue(harness.wait_until(lambda: not self.shows_picture(), 10),
                        "a picture from the unplugged camera")
        self.assertIsNone(self.box_texts(), "the failure was reported more than once")

        self.session.run_wine(ctl, "replug", "5", timeout=30)
        self.right_click_picture()
        self.choose_in_menu(4)
        self.assertTrue(self.wait_for_picture(), "no picture from the camera plugged in again")
        self.assertIsNone(self.box_texts())
        self.close()
        self.assertEqual(self.stored("VideoDeviceName"), HD_CAMERA)

    def test_a_camera_absent_at_start_is_kept_and_taken_again_when_present(self):
        dll = self.session.build_path("tools/testcam/testcam.dll")
        self.session.reg_add(CAPTURE_KEY, "VideoDeviceName", CAMERA)
        self.session.run_wine("regsvr32", "/s", "/u", dll)
        try:
            self.start(expect_picture=False)
            self.session.settle(CAPTION)
            self.assertFalse(self.shows_picture())
            self.assertIsNone(self.box_texts())
            self.close()
            self.assertEqual(self.stored("VideoDeviceName"), CAMERA, "the choice was lost")
        finally:
            self.session.run_wine("regsvr32", "/s", dll)
        self.start()
        self.close()
        self.assertEqual(self.stored("VideoDeviceName"), CAMERA)

    def test_a_stored_small_mode_is_restored_and_the_window_fits_it(self):
        section = CAPTURE_KEY + "\\" + CAMERA
        self.session.reg_add(CAPTURE_KEY, "VideoDeviceName", CAMERA)
        self.session.reg_add(section, "VideoWidth", 320, "REG_DWORD")
        self.session.reg_add(section, "VideoHeight", 240, "REG_DWORD")
        self.session.reg_add(section, "VideoBitCount", 24, "REG_DWORD")
        self.session.reg_add(section, "VideoFrameRate", "e093040000000000", "REG_BINARY")
        self.session.reg_add(section, "VideoSubType", RGB24)
        self.session.reg_add(section, "VideoFormatType", VIDEO_INFO)
        self.start()
        x, y, width, height = self.control_rect()
        self.assertEqual((width, height), (324, 244), "the control does not fit 320x240")
        video = [rect for _, rect, _ in self.session.children(CAPTION)
                 if rect[2:] == (320, 240)]
        self.assertTrue(video, "no 320x240 video window")
        self.assertEqual(video[0][:2], (x + 2, y + 2), "the video window is not in the bevels")
        self.close()
        self.assertEqual(self.stored("VideoWidth", section), 320)
        self.assertEqual(self.stored("VideoHeight", section), 240)

    def test_a_stored_mode_nothing_can_show_is_reported_once_and_replaced(self):
        section = CAPTURE_KEY + "\\" + CAMERA
        self.session.reg_add(CAPTURE_KEY, "VideoDeviceName", CAMERA)
        for name, data, kind in (("VideoWidth", 320, "REG_DWORD"),
                                 ("VideoHeight", 240, "REG_DWORD"),
                                 ("VideoBitCount", 16, "REG_DWORD"),
                                 ("VideoSubType", YUY2, "REG_SZ")):
            self.session.reg_add(section, name, data, kind)
        self.start(expect_picture=False)
        texts = self.wait_for_box()
        self.assertTrue(texts and any("Can't render preview stream!" in t for t in texts), texts)
        self.dismiss_box()
        self.assertTrue(self.wait_for_picture(), "no picture in the camera's own mode")
        self.change_focus()
        self.assertIsNone(self.box_texts(), "reported again at a focus change")
        self.close()
        self.assertEqual(self.stored("VideoSubType", section), RGB24)
        self.assertEqual(self.stored("VideoWidth", section), 640)

    def test_damaged_stored_values_leave_a_usable_program(self):
        section = CAPTURE_KEY + "\\" + CAMERA
        cases = [
            # (value, key, data, kind, message expected)
            ("VideoSubType", section, "not an identifier", "REG_SZ",
             "'not an identifier' is not a valid GUID value"),
            ("VideoFormatType", section, "{1234}", "REG_SZ", "'{1234}' is not a valid GUID value"),
            ("VideoWidth", section, "wide", "REG_SZ", None),
            ("VideoHeight", section, "4294967295", "REG_DWORD", None),
            ("VideoFrameRate", section, "ffffffffffffff7f", "REG_BINARY", None),
        ]
        for name, key, data, kind, message in cases:
            with self.subTest(value=name):
                self.session.reg_delete(APP_KEY)
                self.session.reg_add(CAPTURE_KEY, "VideoDeviceName", CAMERA)
                self.session.reg_add(key, name, data, kind)
                self.start(expect_picture=False)
                if message is not None:
                    texts = self.wait_for_box(APP_TITLE)
                    self.assertIsNotNone(texts, "no report of the damaged value")
                    self.assertIn(message, texts)
                    self.dismiss_box(APP_TITLE)
                self.assertTrue(self.wait_for_picture(), "no picture")
                if message is not None:
                    self.change_focus()
                    self.assertIsNone(self.box_texts(APP_TITLE), "reported again")
                self.close()
                self.assertEqual(self.stored("VideoWidth", section), 640)
                self.assertEqual(self.stored("VideoSubType", section), RGB24)
                self.assertEqual(self.stored("VideoFormatType", section), VIDEO_INFO)

    def test_an_unknown_device_name_leaves_the_menu_to_pick_a_camera(self):
        self.session.reg_add(CAPTURE_KEY, "VideoDeviceName", "No Such Camera")
        self.start(expect_picture=False)
        self.session.settle(CAPTION)
        self.assertIsNone(self.box_texts())
        self.assertFalse(self.shows_picture())
        self.right_click_picture()
        self.choose_in_menu(1)
        self.assertTrue(self.wait_for_picture(), "the camera picked from the menu shows nothing")
        self.close()
        self.assertEqual(self.stored("VideoDeviceName"), CAMERA)

    def test_full_screen_ends_with_the_video_window_back_inside_the_bevels(self):
        host = self.session.start_program(self.session.build_path("tests/e2e/fullscreenhost.exe"),
                                          "2000")
        self.assertIsNotNone(host.wait_for_line(r"^picture", timeout=60), host.output())
        self.assertIsNotNone(host.wait_for_line(r"^full$", timeout=20), host.output())
        shot = harness.artifact_path("journey-full-screen.png")

        def fills_screen():
            # The bars fill the screen: far more of each colour than the small window had.
            self.session.screenshot(shot)
            colours = histogram(shot)
            return all(colours.get(c, 0) > 50000 for c in BAR_COLOURS)
        self.assertTrue(harness.wait_until(fills_screen, 10), "not full screen")
        back = host.wait_for_line(r"^back (-?\d+) (-?\d+) (\d+) (\d+) (\d+) (\d+)", timeout=20)
        self.assertIsNotNone(back, host.output())
        left, top, width, height, client_width, client_height = (int(v) for v in back.groups())
        self.assertEqual((left, top), (2, 2))
        self.assertEqual((width, height), (client_width - 4, client_height - 4))
        self.assertEqual(host.wait(timeout=30), 0, host.output())

    def test_the_format_panel_scales_the_capture_card_and_leaves_the_hd_camera_alone(self):
        self.session.reg_add(CAPTURE_KEY, "VideoDeviceName", CAPTURE_CARD)
        self.start()
        frame = self.frame_around_control()
        self.assertEqual(self.control_rect()[2:], (644, 484))
        self.set_in_format_panel(320, 240)
        self.assertTrue(harness.wait_until(lambda: self.control_rect()[2:] == (324, 244), 20),
                        "the picture did not become 320x240")
        self.assertEqual(self.frame_around_control(), frame, "the window does not fit the picture")
        self.assertTrue(self.wait_for_picture(), "no picture at 320x240")
        section = CAPTURE_KEY + "\\" + CAPTURE_CARD
        self.save_in_format_panel(section)
        self.assertEqual((self.stored("VideoWidth", section), self.stored("VideoHeight", section)),
                         (320, 240))
        self.close()
        self.start()
        self.assertEqual(self.control_rect()[2:], (324, 244), "320x240 did not come back")
        self.close()

        # The HD camera offers neither 320x480 nor 320x240: its mode stays, unreported.
        self.session.reg_add(CAPTURE_KEY, "VideoDeviceName", HD_CAMERA)
        self.start()
        self.set_in_format_panel(320, 240)
        section = CAPTURE_KEY + "\\" + HD_CAMERA
        self.save_in_format_panel(section)
        self.assertEqual((self.stored("VideoWidth", section), self.stored("VideoHeight", section)),
                         (640, 480))
        self.assertEqual(self.control_rect()[2:], (644, 484))
        self.assertTrue(self.wait_for_picture(), "no picture after the refused size")
        self.assertIsNone(self.box_texts())
        self.assertIsNone(self.box_texts(APP_TITLE))
        self.close()

    # ---- the format panel

    def frame_around_control(self):
        """How much larger the main window is than the capture control."""
        _, _, width, height = self.session.window_rect(CAPTION)
        return width - self.control_rect()[2], height - self.control_rect()[3]

    def panel_controls(self, kind):
        return [rect for klass, rect, _ in self.session.children(FORMAT_PANEL) if klass == kind]

    def set_in_format_panel(self, width, height):
        """Options > ShowFormatPanel, the width and the height typed over the fields, then
        a click on "Set"."""
        self.session.menu_keys(CAPTION, "F10", "Right", "Down", "Down", "Return")
        self.assertIsNotNone(self.session.wait_for_window(FORMAT_PANEL, timeout=10),
                             "the format panel did not show")
        for rect, value in zip(self.panel_controls("Edit"), (width, height)):
            self.session.click(rect[0] + rect[2] // 2, rect[1] + rect[3] // 2)
            self.session.keys_to(FORMAT_PANEL, "End", "shift+Home")
            self.session.xdotool("type", str(value))
        self.click_panel_button(0)

    def click_panel_button(self, index):
        x, y, width, height = self.panel_controls("Button")[index]
        self.session.click(x + width // 2, y + height // 2)

    def save_in_format_panel(self, section):
        """"Save to Reg", and the stored width written by it (the click is handled after
        any "Set" before it)."""
        self.session.reg_add(section, "VideoWidth", 0, "REG_DWORD")
        self.click_panel_button(1)
        self.assertTrue(harness.wait_until(lambda: self.stored("VideoWidth", section), 20),
                        "Save to Reg stored nothing")

    # ---- measurements

    def cpu_over(self, seconds):
        """CPU seconds per second of the program over a while."""
        before = self.session.cpu_seconds(self.program)
        time.sleep(seconds)
        return (self.session.cpu_seconds(self.program) - before) / seconds

    def frames_move(self):
        """Two pictures a moment apart differ (the frame counter and the square move)."""
        rect = self.control_rect()
        first = harness.artifact_path("journey-frame-1.png")
        second = harness.artifact_path("journey-frame-2.png")
        self.session.screenshot(first, rect)
        time.sleep(0.5)
        self.session.screenshot(second, rect)
        result = subprocess.run(["compare", "-metric", "AE", first, second, "null:"],
                                stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=60)
        return int(float(result.stderr.decode().split()[0] or 0)) > 0


if __name__ == "__main__":
    unittest.main()
