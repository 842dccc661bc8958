"""An X server of the caller's own: Xvfb picks a free display number itself (-displayfd),
so suites starting at the same moment never race for one."""

import os
import subprocess
import time


def start(screen="1280x1024x24", timeout=20):
    """(process, ":N") of a new Xvfb; raises RuntimeError when it does not start."""
    read_end, write_end = os.pipe()
    process = subprocess.Popen(
        ["Xvfb", "-displayfd", str(write_end), "-screen", "0", screen, "-nolisten", "tcp"],
        pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
        start_new_session=True)
    os.close(write_end)
    number = b""
    deadline = time.monotonic() + timeout
    with os.fdopen(read_end, "rb", buffering=0) as pipe:
        os.set_blocking(pipe.fileno(), False)
        while not number.endswith(b"\n") and time.monotonic() < deadline:
            try:
                chunk = pipe.read(16)
            except BlockingIOError:
                chunk = None
            if chunk:
                number += chunk
            elif process.poll() is not None:
                break
            else:
                time.sleep(0.05)
    if not number.strip():
        stop(process)
        raise RuntimeError("Xvfb did not start")
    return process, ":" + number.decode().strip()


def stop(process):
    if process is None or process.poll() is not None:
        return
    process.terminate()
    try:
        process.wait(timeout=10)
    except subprocess.TimeoutExpired:
        process.kill()
        process.wait(timeout=10)
