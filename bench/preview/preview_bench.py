"""Start-up and preview cost of TestBench.exe against the bare capture graph program
(bench_bare_preview.exe: the test pattern camera's preview pin rendered by the platform's
capture graph builder), both showing the test pattern camera at its default 640x480
RGB24, 30 frames per second, measured in turn in the same run:
  start-up: process start to the camera's colour bars seen on the screen (screenshots
            polled alike for both, so both carry the same polling delay);
  preview:  the process's CPU time over SECONDS of steady preview, as a share of a core.
Prints the measurements and RESULT lines for scripts/bench.sh (see bench/BenchReport.h).
    python3 bench/preview/preview_bench.py [--rounds N] [--seconds S]
"""

import argparse
import os
import statistics
import sys
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(os.path.dirname(os.path.dirname(HERE)), "tests", "e2e"))

import harness  # noqa: E402
from test_program import APP_KEY, CAPTION, CAPTURE_KEY, histogram  # noqa: E402

BARS = ((255, 255, 0), (0, 255, 255))  # yellow and cyan bars of the test pattern


def wait_for_picture(session, started, timeout=90):
    """Seconds from `started` until the colour bars show anywhere on the screen."""
    shot = harness.temporary_path(".png")
    try:
        while time.monotonic() - started < timeout:
            session.screenshot(shot)
            colours = histogram(shot)
            if all(colours.get(c, 0) > 500 for c in BARS):
                return time.monotonic() - started
        return None
    finally:
        if os.path.exists(shot):
            os.remove(shot)


def measure(session, start, close, seconds):
    """(seconds to the first picture, percent of a core over `seconds` of preview)."""
    started = time.monotonic()
    program = start()
    shown = wait_for_picture(session, started)
    if shown is None:
        close(program)
        raise harness.HarnessError("no picture:\n" + program.output())
    time.sleep(3)  # settle
    before = harness.Session.cpu_seconds(program)
    time.sleep(seconds)
    used = harness.Session.cpu_seconds(program) - before
    close(program)
    return shown, 100.0 * used / seconds


def result(name, median, reference, reference_median, goal):
    ratio = median / reference_median if reference_median > 0 else 0.0
    print("%-46s %10.1f  vs %-34s %10.1f  x%-7.2f goal %s" %
          (name, median, reference, reference_median, ratio, goal))
    print("RESULT|%s|%.1f|%s|%.1f|%.2f|%s" % (name, median, reference, reference_median, ratio,
                                             goal))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--rounds", type=int, default=2)
    parser.add_argument("--seconds", type=float, default=15.0)
    args = parser.parse_args()

    session = harness.Session(time_limit=60 + args.rounds * (4 * args.seconds + 200))
    try:
        session.prepare_prefix()
        bare_exe = session.build_path("bench/preview/bench_bare_preview.exe")
        app_exe = session.build_path("src/TestBench.exe")

        def start_bare():
            return session.start_program(bare_exe, "600")

        def close_bare(program):
            program.kill()

        def start_app():
            session.reg_delete(APP_KEY)
            session.reg_add(CAPTURE_KEY, "VideoDeviceName", "Test Pattern Camera")
            return session.start_program(app_exe)

        def close_app(program):
            session.close_window(CAPTION)
            if program.wait(timeout=60) is None:
                program.kill()

        bare, app = [], []
        for _ in range(args.rounds):
            bare.append(measure(session, start_bare, close_bare, args.seconds))
            app.append(measure(session, start_app, close_app, args.seconds))
            print("round: bare %.2f s, %.1f %% / TestBench %.2f s, %.1f %%" %
                  (bare[-1][0], bare[-1][1], app[-1][0], app[-1][1]), flush=True)
        session.reg_delete(APP_KEY)
        result("start-up: process start -> picture (ms)",
               1000 * statistics.median(a[0] for a in app), "bare capture graph program",
               1000 * statistics.median(b[0] for b in bare), "<=1.5")
        result("preview 640x480 30 fps: % of a core", statistics.median(a[1] for a in app),
               "bare capture graph program", statistics.median(b[1] for b in bare), "<=1.2")
    finally:
        session.close()


if __name__ == "__main__":
    main()
