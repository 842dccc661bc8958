"""End-to-end tests of the test pattern camera and the test tone microphone:
registration in the prefix, real graphs through them (e2e_camera_graph.exe checks
frames, formats, dropped frames, device loss, abort, the property page and the tone), a
screenshot of the camera's live picture, and the control tool."""

import sys
import unittest

import harness

# (class id, friendly name) of every video device.
CAMERAS = (("{6B8E5D20-3C1A-4F7B-9E42-1A2B3C4D5E61}", "Test Pattern Camera"),
           ("{6B8E5D20-3C1A-4F7B-9E42-1A2B3C4D5E62}", "Test Pattern Camera"),
           ("{6B8E5D20-3C1A-4F7B-9E42-1A2B3C4D5E64}", "Test Capture Card"),
           ("{6B8E5D20-3C1A-4F7B-9E42-1A2B3C4D5E65}", "Test HD Camera"))
VIDEO_INPUT_CATEGORY = "{860BB310-5D01-11D0-BD3B-00A0C911CE86}"
MICROPHONE_CLSID = "{6B8E5D20-3C1A-4F7B-9E42-1A2B3C4D5E63}"
AUDIO_INPUT_CATEGORY = "{33D9A762-90C8-11D0-BD43-00A0C911CE86}"
CAPTION = "Test Pattern Camera e2e"


class TestCamera(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.session = harness.open_session("testcam", time_limit=200)

    @classmethod
    def tearDownClass(cls):
        cls.session.close()

    def test_cameras_are_registered_in_the_video_input_category(self):
        for clsid, friendly_name in CAMERAS:
            server = self.session.reg_query("HKCR\\CLSID\\%s\\InprocServer32" % clsid)
            self.assertIsNotNone(server, clsid)
            self.assertTrue(server[1].lower().endswith("testcam.dll"), server)
            name = self.session.reg_query(
                "HKCR\\CLSID\\%s\\Instance\\%s" % (VIDEO_INPUT_CATEGORY, clsid), "FriendlyName")
            self.assertEqual(name, ("REG_SZ", friendly_name))
        name = self.session.reg_query(
            "HKCR\\CLSID\\%s\\Instance\\%s" % (AUDIO_INPUT_CATEGORY, MICROPHONE_CLSID),
            "FriendlyName")
        self.assertEqual(name, ("REG_SZ", "Test Tone Microphone"))

    def test_graph_through_the_camera(self):
        program = self.session.start_program(
            self.session.build_path("tests/e2e/e2e_camera_graph.exe"), "--hold", "60")
        hold = program.wait_for_line(r"^HOLD (-?\d+) (-?\d+) (\d+) (\d+)", timeout=120)
        self.assertIsNotNone(hold, "the test program never showed its preview:\n" +
                             program.output())
        x, y, width, height = (int(v) for v in hold.groups())
        first = self.session.screenshot(harness.artifact_path("testcam-preview.png"),
                                        (x, y, width, height))
        second = self.session.screenshot(harness.artifact_path("testcam-preview-later.png"),
                                         (x, y, width, height))
        self.assertTrue(self.session.close_window(CAPTION), "the window did not close")
        code = program.wait(timeout=60)
        self.assertEqual(code, 0, program.output())
        self.assertNotIn("FAIL", program.output())
        passed = [line for line in program.lines if line.startswith("PASS ")]
        self.assertGreater(len(passed), 50, program.output())
        sys.stderr.write("e2e_camera_graph: %d checks passed\n" % len(passed))
        for line in program.lines:
            if line.startswith("INFO "):
                sys.stderr.write(line + "\n")

        # The renderer shows the pattern upright in the window: the bars across the top.
        bars = [(255, 255, 255), (255, 255, 0), (0, 255, 255), (0, 255, 0),
                (255, 0, 255), (255, 0, 0), (0, 0, 255), (0, 0, 0)]
        for index, colour in enumerate(bars):
            seen = self.session.pixel(first, (2 * index + 1) * width // 16, height // 4)
            for channel in range(3):
                self.assertLess(abs(seen[channel] - colour[channel]), 40,
                                "bar %d is %s" % (index, seen))
        # The moving square: the block row differs between two screenshots.
        row_y = height * 3 // 4 + height // 16
        row_first = [self.session.pixel(first, px, row_y) for px in range(4, width, 16)]
        row_second = [self.session.pixel(second, px, row_y) for px in range(4, width, 16)]
        self.assertNotEqual(row_first, row_second, "the picture does not move")

    def test_control_tool_reports_when_no_camera_listens(self):
        ctl = self.session.build_path("tools/testcam/testcamctl.exe")
        # The unplug lasts (until the replug) though no camera heard it.
        self.addCleanup(self.session.run_wine, ctl, "replug", "1")
        code, _ = self.session.run_wine(ctl, "unplug", "1")
        self.assertEqual(code, 1)
        code, _ = self.session.run_wine(ctl, "unplug", "6")
        self.assertEqual(code, 2)
        code, _ = self.session.run_wine(ctl, "stall", "1", "x")
        self.assertEqual(code, 2)

    def test_registry_helpers_round_trip(self):
        key = "HKCU\\Software\\TestBenchE2EHarness"
        try:
            self.session.reg_add(key, "Text", "hello world")
            self.session.reg_add(key, "Number", 42, "REG_DWORD")
            self.assertEqual(self.session.reg_query(key, "Text"), ("REG_SZ", "hello world"))
            self.assertEqual(self.session.reg_query(key, "Number"), ("REG_DWORD", "0x2a"))
            self.assertIsNone(self.session.reg_query(key, "Missing"))
        finally:
            self.session.reg_delete(key)
        self.assertIsNone(self.session.reg_query(key, "Text"))


if __name__ == "__main__":
    unittest.main()
