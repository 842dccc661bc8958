"""The user's own V4L2 camera (a webcam, an HDMI grabber) through Wine's own capture
source, with emulated devices (tools/v4l2emu, preloaded into the program's process; see
docs/v4l2emu.md): chosen from the menu, its live picture and frame rate read from the
frame counter on the screen, its modes changed and kept, a YUYV device with and without
libv4l2's converter, an unplug while streaming and a busy device (no hang, the program
stays usable). Driven as a user does: right-clicks,
keys and the format panel, and the registry as the user left it."""

import os
import subprocess
import time
import unittest

import harness
import test_capture_journeys as journeys
from test_capture_journeys import APP_KEY, CAPTION, CAPTURE_KEY, RGB24, VIDEO_INFO

WEBCAM = "USB Webcam"
GRABBER = "HDMI Grabber"
ALL_MODES = "sizes=640x480+1280x720+1920x1080,fps=30"
BLOCKS = 16  # the counter band's blocks (docs/v4l2emu.md)
SCREEN_WIDTH = 1280  # the suites' Xvfb
MENU_POSITION = 5  # Clear capture, the four test cameras, then the emulated one


def free_device_numbers(count):
    """The first /dev/videoN numbers (0..9, those Wine looks at) this machine has not."""
    numbers = [n for n in range(10) if not os.path.exists("/dev/video%d" % n)]
    if len(numbers) < count:
        raise unittest.SkipTest("no free /dev/videoN numbers")
    return numbers[:count]


class OwnCameras(unittest.TestCase):
    # The capture journeys' helpers, on this suite's program.
    control_rect = journeys.CaptureJourneys.control_rect
    box_texts = journeys.CaptureJourneys.box_texts
    wait_for_box = journeys.CaptureJourneys.wait_for_box
    dismiss_box = journeys.CaptureJourneys.dismiss_box
    right_click_picture = journeys.CaptureJourneys.right_click_picture
    choose_in_menu = journeys.CaptureJourneys.choose_in_menu
    close = journeys.CaptureJourneys.close
    stored = journeys.CaptureJourneys.stored
    panel_controls = journeys.CaptureJourneys.panel_controls
    set_in_format_panel = journeys.CaptureJourneys.set_in_format_panel
    click_panel_button = journeys.CaptureJourneys.click_panel_button
    cpu_over = journeys.CaptureJourneys.cpu_over
    shows_picture = journeys.CaptureJourneys.shows_picture
    wait_for_picture = journeys.CaptureJourneys.wait_for_picture

    @classmethod
    def setUpClass(cls):
        cls.library = os.path.join(harness.BUILD_DIR, "native", "v4l2emu.so")
        if not os.path.exists(cls.library):
            raise harness.HarnessError("not built: %s (scripts/build.sh)" % cls.library)
        cls.session = harness.open_session("own-cameras", time_limit=560)
        cls.control_file = harness.temporary_path(".v4l2emu")

    @classmethod
    def tearDownClass(cls):
        cls.session.close()
        os.unlink(cls.control_file)

    def setUp(self):
        self.session.reg_delete(APP_KEY)
        self.program = None
        self.unplug(False)

    def tearDown(self):
        if self.program is not None and self.program.running():
            self.program.kill()

    # ---- the devices and the program

    def start(self, devices, video=None, extra_env=None, expect_picture=True):
        """TestBench.exe with emulated devices {name: settings}, `video` stored as its
        video device."""
        env = {"LD_PRELOAD": self.library, "V4L2EMU_CONTROL": self.control_file}
        for number, (name, settings) in zip(free_device_numbers(len(devices)), devices.items()):
            env["V4L2EMU_DEVICE%d" % number] = "name=%s,%s" % (name, settings)
        env.update(extra_env or {})
        if video is not None:
            self.session.reg_add(CAPTURE_KEY, "VideoDeviceName", video)
        if self.program is not None and self.program.running():
            self.program.kill()  # a failed case of a table left it open
        self.program = self.session.start_program_with_env(
            self.session.build_path("src/TestBench.exe"), env)
        rect = self.session.wait_for_window(CAPTION, timeout=60)
        self.assertIsNotNone(rect, "the main window never showed:\n" + self.program.output())
        if expect_picture:
            self.assertIsNotNone(self.wait_for_counter(), "no picture of the emulated camera")
        return rect

    def unplug(self, unplugged):
        with open(self.control_file, "w") as control:
            control.write("unplugged\n" if unplugged else "plugged\n")

    def store_mode(self, device, width, height):
        """A stored RGB24 mode with the frame rate 0 Wine's source reports."""
        section = CAPTURE_KEY + "\\" + device
        for name, data, kind in (("VideoWidth", width, "REG_DWORD"),
                                 ("VideoHeight", height, "REG_DWORD"),
                                 ("VideoBitCount", 24, "REG_DWORD"),
                                 ("VideoFrameRate", "0000000000000000", "REG_BINARY"),
                                 ("VideoSubType", RGB24, "REG_SZ"),
                                 ("VideoFormatType", VIDEO_INFO, "REG_SZ")):
            self.session.reg_add(section, name, data, kind)

    # ---- what the user sees

    def counter(self):
        """The frame counter shown in the picture (the capture control inside its bevels),
        or None when the band is not there (no picture)."""
        x, y, width, height = self.control_rect()
        x, y, width, height = x + 2, y + 2, width - 4, height - 4
        shown = min(width, SCREEN_WIDTH - x)  # a picture wider than the screen is cut off
        shot = harness.artifact_path("own-%s.png" % self._testMethodName)
        self.session.screenshot(shot, (x, y + height // 16, shown, 1))
        row = harness.Session.crop_pixels(shot, (0, 0, shown, 1))[0]
        value = 0
        for block in range(BLOCKS):
            r, g, b = row[(2 * block + 1) * width // (2 * BLOCKS)]
            if abs(r - g) > 40 or abs(g - b) > 40 or 60 < r < 190:
                return None  # not black or white: no counter band there
            value = value * 2 + (r > 128)
        return value

    def wait_for_counter(self, timeout=20):
        return harness.wait_until(lambda: self.counter() is not None, timeout)

    def frame_rate(self, seconds=3.0):
        """Frames per second the counter on the screen advances by."""
        first, started = self.counter(), time.monotonic()
        time.sleep(seconds)
        last, ended = self.counter(), time.monotonic()
        self.assertIsNotNone(first, "no counter")
        self.assertIsNotNone(last, "the counter went away")
        return ((last - first) % 65536) / (ended - started)

    def picture_size(self):
        return tuple(self.control_rect()[2:])

    # ---- the journeys

    def test_a_webcam_chosen_from_the_menu_shows_its_live_picture_at_its_rate(self):
        self.start({WEBCAM: ALL_MODES}, video="Test Pattern Camera", expect_picture=False)
        # Clear capture, then the devices in the order the system lists them: the
        # emulated webcam after the test cameras.
        self.right_click_picture()
        self.choose_in_menu(self.menu_position(WEBCAM))
        self.assertTrue(harness.wait_until(lambda: self.stored("VideoDeviceName") == WEBCAM, 10),
                        "the webcam was not chosen")
        self.assertIsNotNone(self.wait_for_counter(), "no picture of the webcam")
        self.assertIsNone(self.box_texts())
        rate = self.frame_rate()
        print("counter on the screen: %.1f frames per second (device: 30)" % rate)
        self.assertGreater(rate, 20, "the picture does not keep up with the device")
        self.assertLess(rate, 40)
        self.close()
        self.assertEqual(self.stored("VideoDeviceName"), WEBCAM)

    def test_a_mode_set_in_the_format_panel_is_kept_after_a_restart(self):
        # A UVC webcam: mmap streaming only, so Wine reads it through libv4l2.
        devices = {WEBCAM: ALL_MODES + ",io=mmap"}
        section = CAPTURE_KEY + "\\" + WEBCAM
        self.store_mode(WEBCAM, 640, 480)
        self.start(devices, video=WEBCAM)
        self.assertEqual(self.picture_size(), (644, 484))
        save_in_format_panel = journeys.CaptureJourneys.save_in_format_panel
        for width, height in ((1280, 720), (640, 480), (1280, 720)):
            with self.subTest(mode="%dx%d" % (width, height)):
                self.set_in_format_panel(width, height)
                self.assertTrue(harness.wait_until(
                    lambda: self.picture_size() == (width + 4, height + 4), 15),
                    "the picture is %s" % (self.picture_size(),))
                self.assertIsNotNone(self.wait_for_counter(), "no picture")
                fields = [text for klass, _, text in self.session.children("Format panel")
                          if klass == "Edit"]
                self.assertEqual(fields[:2], [str(width), str(height)])
                # Stored, so that the main window's return of the focus (which reloads the
                # stored choices) keeps it.
                save_in_format_panel(self, section)
                self.session.keys_to("Format panel", "alt+F4")
                x, y, _, _ = self.session.window_rect(CAPTION)
                self.session.click(x + 60, y + 10)  # the main window's title
                self.assertTrue(harness.wait_until(
                    lambda: self.session.has_keyboard(CAPTION), 10), "no focus back")
                self.assertTrue(harness.wait_until(
                    lambda: self.picture_size() == (width + 4, height + 4), 15),
                    "back in the main window the picture is %s" % (self.picture_size(),))
        self.assertIsNone(self.box_texts())
        self.close()
        self.assertEqual((self.stored("VideoWidth", section), self.stored("VideoHeight", section)),
                         (1280, 720))
        self.start(devices)
        self.assertEqual(self.picture_size(), (1284, 724), "the stored mode was not restored")
        self.close()
        self.assertEqual(self.stored("VideoWidth", section), 1280)

    def test_a_yuyv_device_needs_the_converter(self):
        devices = {GRABBER: "formats=YUYV,sizes=640x480,fps=30"}
        self.start(devices, video=GRABBER)
        self.assertIsNone(self.box_texts())
        self.close()
        # Without the converter: the emulator makes libv4l2's dlopen fail, as on a
        # machine without libv4l-0.
        self.start(devices, video=GRABBER, extra_env={"V4L2EMU_HIDE_CONVERTER": "1"},
                   expect_picture=False)
        texts = self.wait_for_box()
        self.assertTrue(texts and any("Can't create video device filter" in t for t in texts),
                        texts)
        self.dismiss_box()
        self.session.settle(CAPTION)
        self.close()
        self.assertEqual(self.stored("VideoDeviceName"), GRABBER, "the choice was lost")

    # Wine 8's capture source ends its stream without a word when a read fails (an
    # unplugged device answers ENODEV, a device another program holds EBUSY): no
    # device-lost event reaches the program and its graph keeps claiming to run
    # (docs/wine-notes.md). The control looks every 5 s whether the system still lists
    # its device, so an unplug is told; a busy device stays listed, and the program
    # only has to stay usable.

    def test_an_unplug_while_streaming_is_told_and_a_replug_can_be_chosen(self):
        self.start({WEBCAM: ALL_MODES}, video=WEBCAM)
        self.unplug(True)
        self.assertTrue(harness.wait_until(lambda: self.frozen_counter(), 10),
                        "the picture still moves after the unplug")
        texts = self.wait_for_box(timeout=30)
        self.assertTrue(texts and any("Cannot run preview graph!" in t for t in texts), texts)
        self.dismiss_box()
        self.assertLess(self.cpu_over(3), 0.5, "the program spins on the lost device")
        self.assertIsNone(self.box_texts(), "told more than once")
        # Plugged in again and chosen from the menu: the picture is live again.
        self.unplug(False)
        self.right_click_picture()
        self.choose_in_menu(self.menu_position(WEBCAM))
        self.assertTrue(self.wait_for_counter(), "no picture after the replug")
        self.assertGreater(self.frame_rate(2.0), 20)
        self.close()
        self.assertEqual(self.stored("VideoDeviceName"), WEBCAM)

    def test_a_busy_device_at_start_leaves_the_program_usable(self):
        self.start({WEBCAM: ALL_MODES + ",fault=in-use"}, video=WEBCAM, expect_picture=False)
        self.assertLess(self.cpu_over(3), 0.5, "the program spins on the busy device")
        # Usable: another camera picked from the menu shows its picture.
        self.right_click_picture()
        self.choose_in_menu(1)
        self.assertTrue(self.wait_for_picture(), "no picture of the test camera")
        self.close()

    def frozen_counter(self):
        """True when the counter on the screen stays the same for a second."""
        first = self.counter()
        time.sleep(1.0)
        return first == self.counter()

    # ---- helpers of the journeys

    def menu_position(self, name):
        """The device's item in the control's menu: Clear capture, then the video
        devices in the order the system lists them, the emulated ones last."""
        return MENU_POSITION


if __name__ == "__main__":
    unittest.main()
