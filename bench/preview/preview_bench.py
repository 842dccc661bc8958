"""Start-up, preview and device switch of TestBench.exe against the bare capture graph
program (bench_bare_preview.exe: the camera's preview pin rendered by the platform's
capture graph builder), both showing the test HD camera in RGB24 at each mode of --sizes
(default 640x480 at 30, 1280x720 at 60, 1920x1080 at 60, 3840x2160 at 30 frames per
second), measured in turn in the same run (one program run gives one figure of each):
  start-up: process start to the camera's colour bars seen on the screen (the screen
            read raw, about ten times a second, alike for both, so both carry the same
            polling delay; TestBench.exe's stored settings are written before the clock
            starts, and each program has been started once, untimed, before the first
            round);
  preview:  the process's CPU time over the first SECONDS of steady preview, as a share
            of a core;
  dropped:  the frames the HD camera counts as dropped (testcamctl counts) over
            DROP_SECONDS of steady preview (the same stretch);
  switch:   from the pick of test pattern camera 2 (TestBench.exe: the Return key on
            "Test Pattern Camera (1)" in the capture control's right-button menu; the
            bare program: "switch" written to its input, upon which it tears its graph
            down and builds and runs the graph of camera 2) to camera 2's picture seen on
            the screen: the HD camera's graph at the mode torn down, the next one built
            and run. Camera 2 is marked for the whole run (testcamctl mark), so its
            picture has a colour the HD camera's has not; polled alike for both.
One more line compares the preview CPU of both programs on an emulated V4L2 webcam
(tools/v4l2emu, preloaded into each program) at 1280x720, 30 frames per second, read by
Wine's own capture source: the user's own camera's path.
Prints the measurements and RESULT lines for scripts/bench.sh (see bench/BenchReport.h).
    python3 bench/preview/preview_bench.py [--rounds N] [--seconds S] [--drop-seconds S]
                                           [--sizes 640x480@30,1280x720@60,...]
"""

import argparse
import os
import re
import statistics
import struct
import subprocess
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(os.path.dirname(os.path.dirname(HERE)), "tests", "e2e"))

import harness  # noqa: E402
from test_program import APP_KEY, CAPTION, CAPTURE_KEY  # noqa: E402

HD_CAMERA = "Test HD Camera"
HD_CAMERA_DEVICE = 5  # its number for testcamctl
RGB24 = "{E436EB7D-524F-11CE-9F53-0020AF0BA770}"
VIDEO_INFO = "{05589F80-C356-11CE-BF01-00AA0055595A}"
SIZES = "640x480@30,1280x720@60,1920x1080@60,3840x2160@30"

BARS = ((255, 255, 0), (0, 255, 255))  # yellow and cyan bars of the test pattern
MARK = ((255, 128, 0),)  # a marked camera's first bar (tools/testcam/Pattern.h)


def _ones_at(value):
    """A byte translation table: `value` to 1, everything else to 0."""
    table = bytearray(256)
    table[value] = 1
    return bytes(table)


def colour_count(rgb, colour):
    """Pixels of `colour` in packed 8-bit RGB data: each channel's plane becomes a bit
    mask (one byte a pixel) and the three masks are and-ed as big integers."""
    mask = -1
    for channel, value in enumerate(colour):
        mask &= int.from_bytes(rgb[channel::3].translate(_ones_at(value)), "big")
    return bin(mask).count("1")


def wait_for_colours(session, started, colours, timeout=90):
    """Seconds from `started` until every one of `colours` covers more than 500 pixels of
    the screen. The screen is read raw (a PNG and ImageMagick's histogram would take half
    a second a look once the picture is there, coarser than the differences measured)."""
    while time.monotonic() - started < timeout:
        rgb = subprocess.run(["import", "-window", "root", "-depth", "8", "rgb:-"],
                             env=session.env, check=True, timeout=30, stdout=subprocess.PIPE,
                             stderr=subprocess.DEVNULL).stdout
        if all(colour_count(rgb, c) > 500 for c in colours):
            return time.monotonic() - started
    return None


def camera_counts(session, camera):
    """(dropped, delivered) of the camera's current stream, from testcamctl."""
    code, output = session.run_wine(session.build_path("tools/testcam/testcamctl.exe"), "counts",
                                    str(camera), timeout=30)
    words = output.split()
    if code != 0 or len(words) < 4:
        raise harness.HarnessError("no camera counts: %d %r" % (code, output))
    return int(words[1]), int(words[3])


class Figures:
    def __init__(self, shown, cpu, dropped, delivered, switched):
        self.shown, self.cpu, self.dropped = shown, cpu, dropped
        self.delivered, self.switched = delivered, switched


def measure(session, program_kind, seconds, drop_seconds):
    """One run of one program: start-up, CPU, dropped frames and the switch."""
    program_kind.prepare()  # before the clock: the stored settings are not the start-up
    time.sleep(1)  # the previous program's end (its windows, its wine process) settles
    started = time.monotonic()
    program = program_kind.start()
    try:
        shown = wait_for_colours(session, started, BARS)
        if shown is None:
            session.record_stall("no picture of the test camera", [program])
            raise harness.HarnessError("no picture:\n" + program.output())
        time.sleep(3)  # settle
        counts_before = camera_counts(session, HD_CAMERA_DEVICE)
        window_start = time.monotonic()
        before = harness.Session.cpu_seconds(program)
        time.sleep(seconds)
        used = harness.Session.cpu_seconds(program) - before
        time.sleep(max(0.0, window_start + drop_seconds - time.monotonic()))
        counts_after = camera_counts(session, HD_CAMERA_DEVICE)
        program_kind.prepare_switch(program)
        started = time.monotonic()
        program_kind.pick(program)
        switched = wait_for_colours(session, started, MARK, timeout=30)
        if switched is None:
            session.record_stall("no picture of camera 2 after the switch", [program])
            raise harness.HarnessError("no picture of camera 2:\n" + program.output())
        return Figures(shown, 100.0 * used / seconds, counts_after[0] - counts_before[0],
                       counts_after[1] - counts_before[1], switched)
    finally:
        program_kind.close(program)


def result(name, median, reference, reference_median, goal, ratio=None):
    """ratio None: median / reference median; a string (\"-\") is printed as it is."""
    if ratio is None:
        ratio = "%.2f" % (median / reference_median if reference_median > 0 else 0.0)
    print("%-46s %10.1f  vs %-34s %10.1f  x%-7s goal %s" %
          (name, median, reference, reference_median, ratio, goal))
    print("RESULT|%s|%.1f|%s|%.1f|%s|%s" % (name, median, reference, reference_median, ratio,
                                           goal))


def parse_sizes(text):
    """[(width, height, fps)] of "640x480@30,1280x720@60"."""
    sizes = []
    for item in text.split(","):
        match = re.fullmatch(r"(\d+)x(\d+)@(\d+)", item.strip())
        if not match:
            raise SystemExit("bad size %r (WIDTHxHEIGHT@FPS)" % item)
        sizes.append(tuple(int(v) for v in match.groups()))
    return sizes


def store_mode(session, width, height, fps):
    """TestBench.exe's stored choice: the HD camera in RGB24 at this mode."""
    session.reg_delete(APP_KEY)
    session.reg_add(CAPTURE_KEY, "VideoDeviceName", HD_CAMERA)
    section = CAPTURE_KEY + "\\" + HD_CAMERA
    session.reg_add(section, "VideoWidth", width, "REG_DWORD")
    session.reg_add(section, "VideoHeight", height, "REG_DWORD")
    session.reg_add(section, "VideoBitCount", 24, "REG_DWORD")
    # The rate times 10 000 as a signed 64-bit little-endian integer.
    session.reg_add(section, "VideoFrameRate", struct.pack("<q", fps * 10000).hex(), "REG_BINARY")
    session.reg_add(section, "VideoSubType", RGB24)
    session.reg_add(section, "VideoFormatType", VIDEO_INFO)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--rounds", type=int, default=2)
    parser.add_argument("--seconds", type=float, default=15.0)
    parser.add_argument("--drop-seconds", type=float, default=60.0)
    parser.add_argument("--sizes", default=SIZES)
    args = parser.parse_args()
    drop_seconds = max(args.drop_seconds, args.seconds)
    sizes = parse_sizes(args.sizes)

    # A display, a prefix copy and a wine server of the benchmark's own.
    session = harness.open_session(
        "bench-preview", time_limit=60 + len(sizes) * args.rounds * (2 * drop_seconds + 300))
    try:
        bare_exe = session.build_path("bench/preview/bench_bare_preview.exe")
        app_exe = session.build_path("src/TestBench.exe")
        # Camera 2 shows its mark while the tool runs; the tool also keeps the control
        # block while the programs' cameras come and go.
        marker = session.start_program(session.build_path("tools/testcam/testcamctl.exe"),
                                       "mark", "2", "36000")
        warm_up(session, bare_exe, app_exe)
        figures = []
        for width, height, fps in sizes:
            figures.append(((width, height, fps),
                            measure_size(session, bare_exe, app_exe, width, height, fps, args,
                                         drop_seconds)))
        marker.kill()
        emulated = measure_emulated(session, bare_exe, app_exe, args)
        session.reg_delete(APP_KEY)
        for (width, height, fps), (bare, app, failed) in figures:
            mode = "%dx%d %d fps" % (width, height, fps)
            result("start-up %s: starts without a picture" % mode, failed["TestBench"],
                   "bare capture graph program", failed["bare"], "<=ref", ratio="-")
            result("start-up %s: process start -> picture (ms)" % mode,
                   1000 * statistics.median(a.shown for a in app), "bare capture graph program",
                   1000 * statistics.median(b.shown for b in bare), "<=1.2")
            result("preview %s: %% of a core" % mode, statistics.median(a.cpu for a in app),
                   "bare capture graph program", statistics.median(b.cpu for b in bare), "<=1.1")
            # The worst round, not the median: one round that drops frames is a finding.
            result("preview %s: dropped in %.0f s" % (mode, drop_seconds),
                   max(a.dropped for a in app), "bare capture graph program",
                   max(b.dropped for b in bare), "<=ref", ratio="-")
            result("device switch from %s: menu pick -> picture (ms)" % mode,
                   1000 * statistics.median(a.switched for a in app),
                   "bare graph torn down and rebuilt",
                   1000 * statistics.median(b.switched for b in bare), "<=1.5")
        app, bare = emulated
        result("preview emulated V4L2 webcam 1280x720 30 fps: % of a core",
               statistics.median(app), "bare capture graph program", statistics.median(bare),
               "<=1.1")
    finally:
        session.close()


EMULATED = "Emulated Webcam"


def measure_emulated(session, bare_exe, app_exe, args):
    """([TestBench % of a core], [bare % of a core]) on an emulated webcam at 1280x720,
    each program with the emulator preloaded, in turn."""
    number = next(n for n in range(10) if not os.path.exists("/dev/video%d" % n))
    env = {"LD_PRELOAD": os.path.join(harness.BUILD_DIR, "native", "v4l2emu.so"),
           "V4L2EMU_DEVICE%d" % number: "name=%s,sizes=1280x720+640x480,fps=30" % EMULATED}
    starts = {
        "bare": lambda: session.start_program_with_env(bare_exe, env, "3600", "1280", "720",
                                                       "30", EMULATED),
        "TestBench": lambda: session.start_program_with_env(app_exe, env),
    }
    figures = {"bare": [], "TestBench": []}
    for _ in range(args.rounds):
        for label, start in starts.items():
            session.reg_delete(APP_KEY)
            session.reg_add(CAPTURE_KEY, "VideoDeviceName", EMULATED)
            time.sleep(1)
            program = start()
            try:
                if wait_for_colours(session, time.monotonic(), BARS) is None:
                    raise harness.HarnessError("no picture of the emulated webcam:\n" +
                                               program.output())
                time.sleep(3)
                before = harness.Session.cpu_seconds(program)
                time.sleep(args.seconds)
                used = harness.Session.cpu_seconds(program) - before
                figures[label].append(100.0 * used / args.seconds)
                print("round emulated 1280x720@30: %-9s %.1f %% of a core"
                      % (label, figures[label][-1]), flush=True)
            finally:
                if label == "TestBench":
                    session.close_window(CAPTION)
                    if program.wait(timeout=60) is None:
                        program.kill()
                else:
                    program.kill()
    return figures["TestBench"], figures["bare"]


def program_kinds(session, bare_exe, app_exe, width, height, fps):
    """How to prepare, start, switch and close each program at one mode: (Bare, App)."""

    class Bare:
        @staticmethod
        def prepare():
            pass

        @staticmethod
        def start():
            return session.start_program(bare_exe, "3600", str(width), str(height), str(fps),
                                         stdin_pipe=True)

        @staticmethod
        def prepare_switch(program):
            pass

        @staticmethod
        def pick(program):
            program.process.stdin.write(b"switch\n")
            program.process.stdin.flush()

        @staticmethod
        def close(program):
            program.kill()

    class App:
        @staticmethod
        def prepare():
            store_mode(session, width, height, fps)

        @staticmethod
        def start():
            return session.start_program(app_exe)

        @staticmethod
        def prepare_switch(program):
            # The capture control's menu: clear capture, then the two pattern cameras;
            # the second one is the third item.
            x, y, w, h = max((rect for _, rect, _ in session.children(CAPTION)),
                             key=lambda r: r[2] * r[3])
            session.click(x + min(w, 600) // 2, y + min(h, 400) // 2, button=3)
            harness.wait_until(
                lambda: any(k == "#32768" for k, _, _ in session.top_level_windows()), 10)
            session.keys("Down", "Down", "Down")

        @staticmethod
        def pick(program):
            session.xdotool("key", "Return")

        @staticmethod
        def close(program):
            session.close_window(CAPTION)
            if program.wait(timeout=60) is None:
                program.kill()

    return Bare, App


def warm_up(session, bare_exe, app_exe):
    """Each program started once and closed at its picture, untimed: the first program
    of a run pays for loading Wine's libraries and the display's first drawing."""
    for kind in program_kinds(session, bare_exe, app_exe, 640, 480, 30):
        kind.prepare()
        program = kind.start()
        try:
            if wait_for_colours(session, time.monotonic(), BARS) is None:
                session.record_stall("no picture of the test camera (warm-up)", [program])
                raise harness.HarnessError("no picture:\n" + program.output())
        finally:
            kind.close(program)


def measure_size(session, bare_exe, app_exe, width, height, fps, args, drop_seconds):
    """The rounds of both programs at one mode: ([bare Figures], [TestBench Figures],
    {program: starts without a picture})."""
    Bare, App = program_kinds(session, bare_exe, app_exe, width, height, fps)
    bare, app = [], []
    failed = {"bare": 0, "TestBench": 0}

    def measured(label, kind):
        # A start that shows no picture is counted and reported with what was on the
        # screen, and the program is measured once more.
        for attempt in (1, 2):
            try:
                return measure(session, kind, args.seconds, drop_seconds)
            except harness.HarnessError as error:
                failed[label] += 1
                print("round %dx%d@%d: %s: %s; windows: %s" % (
                    width, height, fps, label, str(error).strip(),
                    session.top_level_windows()), flush=True)
                if attempt == 2:
                    raise

    for _ in range(args.rounds):
        bare.append(measured("bare", Bare))
        app.append(measured("TestBench", App))
        for label, f in (("bare", bare[-1]), ("TestBench", app[-1])):
            print("round %dx%d@%d: %-9s start %.2f s, %.1f %% of a core, %d dropped / %d "
                  "delivered in %.0f s, switch %.2f s" % (width, height, fps, label, f.shown,
                                                          f.cpu, f.dropped, f.delivered,
                                                          drop_seconds, f.switched), flush=True)
    return bare, app, failed


if __name__ == "__main__":
    main()
