"""Recording what the camera shows, from the main window's File menu, as a technician does:
the dialog, the caption while it records, the message when it ends, and the file itself,
read back with a small AVI reader of our own (RIFF headers, index, one decoded frame with
the test camera's frame counter)."""

import os
import shutil
import struct
import tempfile
import unittest

import harness

CAPTION = "PelmontTest2"
RECORDING = CAPTION + " - Recording*"  # the caption while recording (windowinfo's prefix)
APP_TITLE = "Testbench"
DIALOG = "Capture to file"
APP_KEY = "HKCU\\Software\\Zarrow\\Testbench"
FORM_KEY = APP_KEY + "\\Form1"
CAPTURE_KEY = FORM_KEY + "\\VideoCapture1"
CAMERA = "Test Pattern Camera"
HD_CAMERA = "Test HD Camera"
MICROPHONE = "Test Tone Microphone"
RATE = 30  # the test cameras' frame rate


def read_avi(path):
    """The parts of an AVI file the journeys check: the main and stream headers, the
    frame chunks of 'movi' (offset, size) and the number of video entries in the index. Raises
    ValueError for a file that is not a whole RIFF AVI."""
    with open(path, "rb") as f:
        data = f.read()
    if data[0:4] != b"RIFF" or data[8:12] != b"AVI ":
        raise ValueError("not a RIFF AVI file")
    riff_end = struct.unpack_from("<I", data, 4)[0] + 8
    # Wine's multiplexer leaves 8 bytes after the RIFF list; readers ignore what follows.
    if not riff_end <= len(data) <= riff_end + 8:
        raise ValueError("the RIFF size is not the file's size")
    data = data[:riff_end]
    avi = {"frames": [], "index": 0}

    def walk(start, end):
        while start + 8 <= end:
            tag, size = struct.unpack_from("<4sI", data, start)
            body = start + 8
            if body + size > end:
                raise ValueError("chunk %r runs past its list" % tag)
            if tag == b"LIST":
                kind = data[body:body + 4]
                if kind == b"movi":
                    avi["movi"] = True
                walk(body + 4, body + size)
            elif tag == b"avih":
                (avi["usec_per_frame"],) = struct.unpack_from("<I", data, body)
                (avi["total_frames"],) = struct.unpack_from("<I", data, body + 16)
                avi["width"], avi["height"] = struct.unpack_from("<II", data, body + 32)
            elif tag == b"strf" and "bit_count" not in avi:
                _, width, height, _, bits, compression = struct.unpack_from("<IiiHHI", data, body)
                avi.update(bit_count=bits, compression=compression, strf_height=height)
            elif tag in (b"00db", b"00dc"):
                avi["frames"].append((body, size))
            elif tag == b"idx1":  # video entries only (Wine adds an interleave marker)
                avi["index"] = sum(1 for entry in range(body, body + size - 15, 16)
                                   if data[entry + 2:entry + 4] in (b"db", b"dc"))
            start = body + size + (size & 1)

    walk(12, len(data))
    if "movi" not in avi or "width" not in avi:
        raise ValueError("no header or no 'movi' list")
    avi["data"] = data
    return avi


def frame_counter(avi, number):
    """The test camera's frame number in frame `number` of a 24-bit file: sixteen cells
    on the right half of the bottom band, most significant first, white = 1."""
    width, height = avi["width"], avi["height"]
    offset, size = avi["frames"][number]
    stride = (width * 3 + 3) & ~3
    if avi["bit_count"] != 24 or size < stride * height:
        raise ValueError("not a whole 24-bit frame")
    row_from_top = height - height // 16
    # Bottom-up rows unless the height is negative.
    row = row_from_top if avi["strf_height"] < 0 else height - 1 - row_from_top
    cell = (width // 2) // 16
    left = width - cell * 16
    value = 0
    for bit in range(16):
        x = left + bit * cell + cell // 2
        blue, green, red = avi["data"][offset + row * stride + x * 3:offset + row * stride + x * 3 + 3]
        value = value * 2 + (1 if min(red, green, blue) > 176 else 0)
    return value


class Recording(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.session = harness.open_session("recording", time_limit=420)
        cls.folder = tempfile.mkdtemp(prefix="tb-recording-")

    @classmethod
    def tearDownClass(cls):
        cls.session.close()
        shutil.rmtree(cls.folder, ignore_errors=True)

    def setUp(self):
        self.program = None

    def tearDown(self):
        if self.program is not None and self.program.running():
            self.program.kill()

    # ---- the program

    def start(self, camera, env=None, mode=None, audio=None):
        if self.program is not None and self.program.running():
            self.program.kill()  # a failed case of a table left it open
        self.session.reg_delete(APP_KEY)
        self.session.reg_add(CAPTURE_KEY, "VideoDeviceName", camera)
        if audio:
            self.session.reg_add(CAPTURE_KEY, "AudioDeviceName", audio)
        if mode:
            section = CAPTURE_KEY + "\\" + camera
            for name, value in zip(("VideoWidth", "VideoHeight", "VideoBitCount"), mode):
                self.session.reg_add(section, name, value, "REG_DWORD")
        exe = self.session.build_path("src/TestBench.exe")
        self.program = (self.session.start_program_with_env(exe, env) if env
                        else self.session.start_program(exe))
        self.assertIsNotNone(self.session.wait_for_window(CAPTION, timeout=60),
                             "the main window never showed:\n" + self.program.output())
        self.session.settle(CAPTION)

    def close(self):
        self.assertTrue(self.session.close_window(CAPTION), "the main window did not close")
        self.assertEqual(self.program.wait(timeout=60), 0, self.program.output())

    def wine_path(self, name):
        return "Z:" + os.path.join(self.folder, name).replace("/", "\\")

    def recording_caption(self):
        for caption in self.session.top_level_captions():
            if caption.startswith(RECORDING[:-1]):
                return caption
        return None

    def record(self, file_name, seconds=None):
        """File > Capture to file..., the name typed over the stored one, the time limit
        (off as first shown) on for `seconds`, Start. Returns the dialog's texts."""
        self.session.menu_keys(CAPTION, "F10", "Down", "Return")
        self.session.keys_to(DIALOG, "ctrl+a")
        shown = self.session.window_texts(DIALOG)
        self.session.xdotool("type", "--delay", "10", file_name)
        if seconds:  # past Browse... to the time limit box, checked, then its seconds
            self.session.keys("Tab", "Tab", "space", "Tab", "ctrl+a")
            self.session.xdotool("type", str(seconds))
        self.session.keys("Return")
        return shown

    def wait_for_end(self, timeout):
        """The texts of the message that tells how the recording ended."""
        texts = harness.wait_until(lambda: self.session.window_rect(APP_TITLE) and
                                   self.session.window_texts(APP_TITLE), timeout, interval=0.3)
        self.assertTrue(texts, "no message at the end of the recording")
        self.assertTrue(self.session.close_window(APP_TITLE))
        return "\n".join(texts)

    def check_clip(self, path, width, height, seconds, told):
        avi = read_avi(path)
        self.assertEqual((avi["width"], avi["height"]), (width, height))
        # The timeline: the header's frames, one index entry each. A frame the source
        # marked as following a gap repeats the one before it (an index entry, no chunk).
        timeline, chunks = avi["total_frames"], len(avi["frames"])
        self.assertEqual(timeline, avi["index"], "header and index disagree")
        self.assertLessEqual(chunks, timeline)
        counted = int(told.split(" frames")[0].rsplit(", ", 1)[1])
        dropped = int(told.split(" dropped")[0].rsplit(", ", 1)[1])
        self.assertLessEqual(abs(counted - timeline), 3, "the message tells another count")
        # The time limit ends a recording at the first 100 ms tick past it (later on a
        # busy machine: the length told, in whole seconds, is the bound); the first frames
        # come after the graph runs.
        minutes, secs = told.split("Length: ")[1].split(",")[0].split(":")
        length = int(minutes) * 60 + int(secs)
        self.assertGreaterEqual(length, seconds, told)
        self.assertGreaterEqual(timeline + dropped, (seconds - 0.5) * RATE, told)
        self.assertLessEqual(timeline, (length + 1) * RATE, told)
        first, last = frame_counter(avi, 0), frame_counter(avi, chunks - 1)
        self.assertGreaterEqual(last - first + 1, chunks, "frames repeat in the file")
        return avi

    # ---- the journeys

    def test_a_timed_clip_from_each_camera_is_a_whole_avi_of_its_frames(self):
        for camera, width, height in ((CAMERA, 640, 480), (HD_CAMERA, 1280, 720)):
            with self.subTest(camera=camera):
                path = os.path.join(self.folder, "clip-%d.avi" % width)
                self.start(camera, mode=(width, height, 24))
                self.record(self.wine_path(os.path.basename(path)), seconds=5)
                self.assertTrue(harness.wait_until(self.recording_caption, 15),
                                "the caption never told the recording")
                told = self.wait_for_end(timeout=30)
                self.assertIn("time limit", told)
                self.assertEqual(self.session.window_rect(CAPTION) is not None, True)
                self.close()
                self.check_clip(path, width, height, 5, told)
                self.assertEqual(self.session.reg_query(FORM_KEY, "CaptureFile")[1],
                                 self.wine_path(os.path.basename(path)))

    def test_stop_a_recording_with_audio_over_a_longer_file_then_a_missing_folder(self):
        path = os.path.join(self.folder, "again.avi")
        with open(path, "wb") as f:
            f.truncate(512 << 20)  # an older, longer file of that name
        # With a microphone chosen: Wine's multiplexer takes video only, which the dialog
        # says before the start; the video is recorded alone, without an error.
        self.start(CAMERA, audio=MICROPHONE)
        shown = self.record(self.wine_path("again.avi"))
        self.assertTrue(any("Audio is not recorded" in text for text in shown), shown)
        caption = harness.wait_until(self.recording_caption, 15)
        self.assertTrue(caption, "the caption never told the recording")
        harness.wait_until(lambda: (self.recording_caption() or "").find(" 0:02") > 0, 15)
        self.session.menu_keys(RECORDING, "F10", "Down", "Down", "Return")
        told = self.wait_for_end(timeout=20)
        self.assertIn("Recording stopped.", told)
        avi = read_avi(path)  # replaced whole: the RIFF size is the file's size
        self.assertGreater(len(avi["frames"]), 30)
        self.assertLess(os.path.getsize(path), 512 << 20)

        self.record(self.wine_path("no-such-folder\\clip.avi"))
        texts = harness.wait_until(lambda: self.session.window_rect(APP_TITLE) and
                                   self.session.window_texts(APP_TITLE), 10)
        self.assertTrue(texts and any("does not exist" in t for t in texts), texts)
        self.assertTrue(self.session.close_window(APP_TITLE))
        self.assertIsNone(self.recording_caption())
        self.close()

    def test_the_size_limit_ends_a_recording_with_a_whole_file(self):
        # A small limit for the test (64 MiB: 72 frames of 640x480, of which a quarter,
        # half a second, is kept in hand for the ending, so a busy machine that takes
        # its time to stop loses nothing); the real one is the 2 GiB the platform's
        # multiplexer can address.
        path = os.path.join(self.folder, "limit.avi")
        self.start(CAMERA, env={"TESTBENCH_RECORDING_LIMIT_MB": "64"})
        self.record(self.wine_path("limit.avi"))
        told = self.wait_for_end(timeout=30)
        self.assertIn("largest size", told)
        avi = read_avi(path)
        self.assertLessEqual(os.path.getsize(path), 64 << 20)
        self.assertGreaterEqual(len(avi["frames"]), 40)
        self.assertEqual(avi["total_frames"], avi["index"])
        self.close()


if __name__ == "__main__":
    unittest.main()
