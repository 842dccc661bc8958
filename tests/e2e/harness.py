"""Helpers for the end-to-end tests: Windows programs of the build under Wine, in the
build's private prefix, on an X display (the one in DISPLAY, or a private Xvfb).

A test creates one Session (usually in setUpClass) and closes it in tearDownClass; the
session owns every process it starts and ends them all when it closes, also after a
failure. Every wait has a time limit.

    session = Session()
    session.prepare_prefix()
    program = session.start_program(session.build_path("src/TestBench.exe"))
    rect = session.wait_for_window("PelmontTest2", timeout=30)
    session.screenshot("shot.png", rect)
    session.close_window("PelmontTest2")
    program.wait(timeout=20)
    session.close()
"""

import os
import queue
import re
import signal
import subprocess
import tempfile
import threading
import time

HERE = os.path.dirname(os.path.abspath(__file__))
SOURCE_DIR = os.environ.get("TESTBENCH_SOURCE_DIR") or os.path.dirname(os.path.dirname(HERE))
BUILD_DIR = os.environ.get("TESTBENCH_BUILD_DIR") or os.path.join(SOURCE_DIR, "build")


def _wine_command():
    for candidate in ("/usr/bin/wine", "/usr/lib/wine/wine64"):
        if os.access(candidate, os.X_OK):
            return candidate
    return "wine"


def _wineserver_command():
    for candidate in ("/usr/bin/wineserver", "/usr/lib/wine/wineserver"):
        if os.access(candidate, os.X_OK):
            return candidate
    return "wineserver"


class HarnessError(Exception):
    pass


class Program:
    """A program started by a Session; its output is collected line by line."""

    def __init__(self, process, name):
        self.process = process
        self.name = name
        self.lines = []
        self._queue = queue.Queue()
        self._reader = threading.Thread(target=self._read, daemon=True)
        self._reader.start()

    def _read(self):
        with self.process.stdout:
            for raw in self.process.stdout:
                line = raw.decode("utf-8", "replace").rstrip("\r\n")
                self.lines.append(line)
                self._queue.put(line)
        self._queue.put(None)

    def output(self):
        return "\n".join(self.lines)

    def wait_for_line(self, pattern, timeout):
        """Returns the match of the first new output line matching `pattern`, or None
        when the program ends or the time is up first."""
        regex = re.compile(pattern)
        deadline = time.monotonic() + timeout
        while True:
            left = deadline - time.monotonic()
            if left <= 0:
                return None
            try:
                line = self._queue.get(timeout=left)
            except queue.Empty:
                return None
            if line is None:
                self._queue.put(None)
                return None
            match = regex.search(line)
            if match:
                return match

    def wait(self, timeout):
        """Exit code, or None when the program is still running after `timeout`."""
        try:
            code = self.process.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            return None
        self._reader.join(timeout=5)
        return code

    def running(self):
        return self.process.poll() is None

    def kill(self):
        if self.process.poll() is not None:
            return
        for sig in (signal.SIGTERM, signal.SIGKILL):
            try:
                os.killpg(self.process.pid, sig)
            except ProcessLookupError:
                return
            try:
                self.process.wait(timeout=5)
                break
            except subprocess.TimeoutExpired:
                continue
        self._reader.join(timeout=5)


class Session:
    """The display, the Wine environment and every program of one test class."""

    def __init__(self, build_dir=BUILD_DIR, private_display=False, time_limit=None):
        """private_display: run the programs on an Xvfb of this session even when DISPLAY
        is set, so no other test's window can cover them in a screenshot. Wine accepts a
        program on another display than the wine server's desktop; the desktop process
        stays on the display it was started on, so use this only when the wine server
        was started on a display that outlives the session (as under scripts/test.sh).

        time_limit: seconds after which every program of the session is killed, so a
        hanging program ends the test well before CTest's own limit."""
        self.build_dir = build_dir
        self.prefix = os.environ.get("WINEPREFIX") or os.path.join(build_dir, "wineprefix")
        self.programs = []
        self._xvfb = None
        self.env = dict(os.environ)
        self.env.update({
            "WINEPREFIX": self.prefix,
            "WINEARCH": "win64",
            "WINEDEBUG": os.environ.get("WINEDEBUG", "-all"),
            "WINEDLLOVERRIDES": os.environ.get("WINEDLLOVERRIDES", "mscoree,mshtml="),
        })
        if private_display or not self.env.get("DISPLAY"):
            self._start_xvfb()
        self._watchdog = None
        if time_limit is not None:
            self._watchdog = threading.Timer(time_limit, self._kill_programs)
            self._watchdog.daemon = True
            self._watchdog.start()

    # ---- set-up and clean-up

    def _start_xvfb(self):
        read_end, write_end = os.pipe()
        self._xvfb = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1280x1024x24",
             "-nolisten", "tcp"],
            pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
            start_new_session=True)
        os.close(write_end)
        number = b""
        deadline = time.monotonic() + 20
        with os.fdopen(read_end, "rb", buffering=0) as pipe:
            os.set_blocking(pipe.fileno(), False)
            while not number.endswith(b"\n") and time.monotonic() < deadline:
                try:
                    chunk = pipe.read(16)
                except BlockingIOError:
                    chunk = None
                if chunk:
                    number += chunk
                elif self._xvfb.poll() is not None:
                    break
                else:
                    time.sleep(0.05)
        if not number.strip():
            self._stop_xvfb()
            raise HarnessError("Xvfb did not start")
        self.env["DISPLAY"] = ":" + number.decode().strip()

    def _stop_xvfb(self):
        if self._xvfb is None:
            return
        self._xvfb.terminate()
        try:
            self._xvfb.wait(timeout=10)
        except subprocess.TimeoutExpired:
            self._xvfb.kill()
            self._xvfb.wait(timeout=10)
        self._xvfb = None

    def prepare_prefix(self, timeout=300):
        """Creates the prefix if needed and registers the build's COM servers (the test
        camera), under the same lock as the test runner."""
        script = os.path.join(SOURCE_DIR, "scripts", "prepare-prefix.sh")
        lock = os.path.join(self.build_dir, ".wineprefix.lock")
        env = dict(self.env)
        env["TESTBENCH_BUILD_DIR"] = self.build_dir
        result = subprocess.run(["flock", "-w", str(timeout), lock, script], env=env,
                                stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                                timeout=timeout + 30)
        if result.returncode != 0:
            raise HarnessError("preparing the prefix failed:\n" + result.stdout.decode())

    def _kill_programs(self):
        for program in list(self.programs):
            program.kill()

    def close(self, wait_for_wineserver=True):
        """Ends every program still running, waits (bounded) for the wine server to go,
        and stops the private Xvfb."""
        if self._watchdog is not None:
            self._watchdog.cancel()
        self._kill_programs()
        self.programs = []
        if wait_for_wineserver:
            try:
                subprocess.run([_wineserver_command(), "-w"], env=self.env, timeout=20,
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            except subprocess.TimeoutExpired:
                pass  # other suites of the run still use the server
        self._stop_xvfb()

    def restart_wineserver(self):
        """Kills the prefix's wine server (for registry changes it reads only at start).
        Tests that call it hold the `wineprefix` resource lock."""
        for program in self.programs:
            program.kill()
        subprocess.run([_wineserver_command(), "-k"], env=self.env, timeout=30,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        subprocess.run([_wineserver_command(), "-w"], env=self.env, timeout=20,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    # ---- programs

    def build_path(self, relative):
        return os.path.join(self.build_dir, relative)

    def start_program(self, exe, *args, stdin_pipe=False):
        """stdin_pipe: the program reads what the caller writes to
        `program.process.stdin` (otherwise its input is empty)."""
        if not os.path.exists(exe):
            raise HarnessError("not built: " + exe)
        process = subprocess.Popen([_wine_command(), exe, *args], env=self.env,
                                   stdin=subprocess.PIPE if stdin_pipe else subprocess.DEVNULL,
                                   stdout=subprocess.PIPE,
                                   stderr=subprocess.STDOUT, start_new_session=True)
        program = Program(process, os.path.basename(exe))
        self.programs.append(program)
        return program

    def run_wine(self, exe, *args, timeout=60):
        """Runs a Windows program to its end; returns (exit code, output)."""
        result = subprocess.run([_wine_command(), exe, *args], env=self.env,
                                stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                                stderr=subprocess.DEVNULL, timeout=timeout,
                                start_new_session=True)
        return result.returncode, result.stdout.decode("utf-8", "replace")

    # ---- windows and screenshots

    def window_rect(self, caption):
        """(x, y, width, height) of the visible top-level window with that caption."""
        code, output = self.run_wine(self.build_path("tests/e2e/windowinfo.exe"), caption,
                                     timeout=30)
        if code != 0:
            return None
        x, y, width, height = (int(v) for v in output.split()[:4])
        return (x, y, width, height)

    def wait_for_window(self, caption, timeout):
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            rect = self.window_rect(caption)
            if rect is not None:
                return rect
            time.sleep(0.3)
        return None

    def close_window(self, caption, timeout=30):
        """Posts WM_CLOSE to the window, as its close box does; True once it is gone."""
        code, _ = self.run_wine(self.build_path("tools/closewindow/closewindow.exe"), caption,
                                timeout=timeout)
        return code == 0

    def children(self, caption):
        """[(class, (x, y, width, height), text)] of the visible windows inside the
        top-level window with that caption, in tree order; [] when it is not there."""
        code, output = self.run_wine(self.build_path("tests/e2e/windowinfo.exe"), "--children",
                                     caption, timeout=30)
        if code != 0:
            return []
        found = []
        for line in output.splitlines():
            parts = line.split("\t")
            if len(parts) < 3:
                continue
            rect = tuple(int(v) for v in parts[1].split())
            found.append((parts[0], rect, parts[2]))
        return found

    def window_texts(self, caption):
        """The texts of the windows inside a top-level window (a message box: its text
        and its buttons)."""
        return [text for _, _, text in self.children(caption)]

    def focused(self, caption):
        """(class, text) of the window with the keyboard focus in that window's thread."""
        code, output = self.run_wine(self.build_path("tests/e2e/windowinfo.exe"), "--focus",
                                     caption, timeout=30)
        if code != 0 or "\t" not in output:
            return None
        klass, text = output.rstrip("\r\n").split("\t", 1)
        return klass, text

    def top_level_captions(self):
        code, output = self.run_wine(self.build_path("tests/e2e/windowinfo.exe"), "--list",
                                     timeout=30)
        return output.splitlines() if code == 0 else []

    # ---- real input, through the X server (xdotool), as a user gives it

    def xdotool(self, *args, timeout=30):
        subprocess.run(["xdotool", *[str(a) for a in args]], env=self.env, check=True,
                       timeout=timeout, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def click(self, x, y, button=1):
        """A click of a mouse button (1 left, 3 right) at a screen position."""
        self.xdotool("mousemove", "--sync", x, y)
        time.sleep(0.1)
        self.xdotool("click", button)

    def keys(self, *names, delay=0.15):
        """Presses and releases keys one after the other (X key names: Down, Return,
        Escape, Tab, alt+F4 ...), each after a short pause."""
        for name in names:
            self.xdotool("key", name)
            time.sleep(delay)

    # ---- the process as the system sees it

    @staticmethod
    def cpu_seconds(program):
        """User and system CPU seconds the program's process has used so far."""
        with open("/proc/%d/stat" % program.process.pid) as stat:
            fields = stat.read().rsplit(")", 1)[1].split()
        ticks = os.sysconf("SC_CLK_TCK")
        return (int(fields[11]) + int(fields[12])) / ticks

    def screenshot(self, path, rect=None, timeout=30):
        """Saves the display (or the part `rect` = (x, y, width, height) of it)."""
        os.makedirs(os.path.dirname(os.path.abspath(path)), exist_ok=True)
        command = ["import", "-window", "root"]
        if rect is not None:
            x, y, width, height = rect
            command += ["-crop", "%dx%d+%d+%d" % (width, height, x, y), "+repage"]
        subprocess.run(command + [path], env=self.env, check=True, timeout=timeout,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        return path

    @staticmethod
    def pixel(path, x, y, timeout=30):
        """(r, g, b) of one pixel of an image file, 0..255."""
        result = subprocess.run(["convert", path, "-crop", "1x1+%d+%d" % (x, y), "-depth", "8",
                                 "txt:-"], check=True, timeout=timeout, stdout=subprocess.PIPE)
        match = re.search(r"\((\d+),(\d+),(\d+)", result.stdout.decode())
        if match is None:
            raise HarnessError("unreadable pixel: " + result.stdout.decode())
        return tuple(int(v) for v in match.groups())

    # ---- a prefix of the session's own, serial ports, more kinds of programs

    def use_private_prefix(self, name, timeout=300):
        """Switches the session to a copy of the build's prefix, build/wineprefix-<name>,
        made once (under the preparation lock) and prepared again here (the test camera
        registered at its current path). The session may then restart the copy's wine
        server (for a COM port mapping) without disturbing the suites that run in the
        build's prefix meanwhile. Call it before starting any program."""
        import fcntl
        import shutil
        self.prepare_prefix(timeout=timeout)
        source = self.prefix
        target = os.path.join(self.build_dir, "wineprefix-" + name)
        with open(os.path.join(self.build_dir, ".wineprefix-%s.lock" % name), "w") as lock:
            fcntl.flock(lock, fcntl.LOCK_EX)
            if not os.path.exists(os.path.join(target, "system.reg")):
                shutil.rmtree(target, ignore_errors=True)
                with open(os.path.join(self.build_dir, ".wineprefix.lock"), "w") as build_lock:
                    fcntl.flock(build_lock, fcntl.LOCK_EX)
                    shutil.copytree(source, target, symlinks=True)
        self.prefix = target
        self.env["WINEPREFIX"] = target
        script = os.path.join(SOURCE_DIR, "scripts", "prepare-prefix.sh")
        env = dict(self.env)
        env["TESTBENCH_BUILD_DIR"] = self.build_dir
        env["TESTBENCH_WINEPREFIX"] = target
        result = subprocess.run(["flock", "-w", str(timeout),
                                 os.path.join(self.build_dir, ".wineprefix-%s.lock" % name),
                                 script], env=env, stdout=subprocess.PIPE,
                                stderr=subprocess.STDOUT, timeout=timeout + 30)
        if result.returncode != 0:
            raise HarnessError("preparing the prefix failed:\n" + result.stdout.decode())

    def map_com_ports(self, ports):
        """Maps COM ports of the session's prefix ({"COM1": "/dev/pts/5", ...}) and
        restarts its wine server, which reads the mapping when it starts. Only for a
        prefix of the session's own (use_private_prefix)."""
        for com, path in ports.items():
            self.reg_add("HKLM\\Software\\Wine\\Ports", com, path)
        # As restart_wineserver, but the session's Linux programs (the simulator behind
        # a port) go on.
        for program in self.programs:
            if not getattr(program, "native", False):
                program.kill()
        subprocess.run([_wineserver_command(), "-k"], env=self.env, timeout=30,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        subprocess.run([_wineserver_command(), "-w"], env=self.env, timeout=20,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def start_program_with_env(self, exe, extra_env, *args):
        """start_program with more environment variables (LD_PRELOAD of a shim ...)."""
        if not os.path.exists(exe):
            raise HarnessError("not built: " + exe)
        env = dict(self.env)
        env.update(extra_env)
        process = subprocess.Popen([_wine_command(), exe, *args], env=env,
                                   stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                                   stderr=subprocess.STDOUT, start_new_session=True)
        program = Program(process, os.path.basename(exe))
        self.programs.append(program)
        return program

    def start_native(self, *command):
        """A Linux program of the session (the camera simulator); its output is collected
        line by line, and it ends with the session."""
        process = subprocess.Popen([str(c) for c in command], env=self.env,
                                   stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                                   stderr=subprocess.STDOUT, start_new_session=True)
        program = Program(process, os.path.basename(str(command[0])))
        program.native = True
        self.programs.append(program)
        return program

    def top_level_windows(self):
        """[(class, (x, y, width, height), text)] of every visible top-level window, with
        a caption or not (menus "#32768", message boxes "#32770")."""
        code, output = self.run_wine(self.build_path("tests/e2e/windowinfo.exe"), "--windows",
                                     timeout=30)
        return _window_lines(output) if code == 0 else []

    def focused_window(self, caption):
        """(class, (x, y, width, height), text) of the window with the keyboard focus in
        that window's thread, or None."""
        code, output = self.run_wine(self.build_path("tests/e2e/windowinfo.exe"), "--focused",
                                     caption, timeout=30)
        found = _window_lines(output) if code == 0 else []
        return found[0] if found else None

    def drag(self, start, end, button=1, steps=8):
        """Presses a mouse button at `start`, moves in steps to `end` and releases it there,
        as a user drags a window's title bar or frame."""
        self.xdotool("mousemove", "--sync", *start)
        time.sleep(0.1)
        self.xdotool("mousedown", button)
        time.sleep(0.2)
        for step in range(1, steps + 1):
            x = start[0] + (end[0] - start[0]) * step // steps
            y = start[1] + (end[1] - start[1]) * step // steps
            self.xdotool("mousemove", "--sync", x, y)
            time.sleep(0.05)
        time.sleep(0.2)
        self.xdotool("mouseup", button)

    @staticmethod
    def crop_pixels(path, rect, timeout=30):
        """The pixels of the part rect = (x, y, width, height) of an image file, as rows of
        (r, g, b)."""
        x, y, width, height = rect
        result = subprocess.run(["convert", path, "-crop", "%dx%d+%d+%d" % (width, height, x, y),
                                 "+repage", "-depth", "8", "rgb:-"], check=True, timeout=timeout,
                                stdout=subprocess.PIPE)
        data = result.stdout
        if len(data) != width * height * 3:
            raise HarnessError("unexpected image size for %s" % (rect,))
        return [[tuple(data[(row * width + col) * 3:(row * width + col) * 3 + 3])
                 for col in range(width)] for row in range(height)]

    # ---- registry

    def reg_query(self, key, value=None):
        """The (type, data) of a registry value (value None: the default value), or None
        when key or value does not exist."""
        args = ["reg", "query", key] + (["/v", value] if value is not None else ["/ve"])
        result = subprocess.run([_wine_command(), *args], env=self.env, timeout=60,
                                stdin=subprocess.DEVNULL, stdout=subprocess.PIPE,
                                stderr=subprocess.DEVNULL)
        if result.returncode != 0:
            return None
        for line in result.stdout.decode("utf-8", "replace").splitlines():
            match = re.match(r"^\s+(.*?)\s+(REG_\w+)\s*(.*)$", line)
            if match:
                return match.group(2), match.group(3).strip()
        return None

    def reg_add(self, key, value, data, kind="REG_SZ"):
        args = ["reg", "add", key, "/v", value, "/t", kind, "/d", str(data), "/f"]
        # A wine server that is just ending (its last program gone a moment ago) can turn
        # a new program away: the write is tried again on a server of its own.
        for attempt in range(3):
            result = subprocess.run([_wine_command(), *args], env=self.env, timeout=60,
                                    stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                    stderr=subprocess.DEVNULL)
            if result.returncode == 0:
                return
            time.sleep(1 + attempt)
        raise HarnessError("reg add %s %s failed" % (key, value))

    def reg_delete(self, key, value=None):
        args = ["reg", "delete", key] + (["/v", value] if value is not None else []) + ["/f"]
        subprocess.run([_wine_command(), *args], env=self.env, timeout=60,
                       stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL)


def open_session(time_limit):
    """A Session for one test class, its prefix prepared (closed again if that fails)."""
    session = Session(time_limit=time_limit)
    try:
        session.prepare_prefix()
    except Exception:
        session.close()
        raise
    return session


def wait_until(probe, timeout, interval=0.3):
    """The first true answer of `probe()` within `timeout` seconds, else the last one."""
    deadline = time.monotonic() + timeout
    while True:
        answer = probe()
        if answer or time.monotonic() >= deadline:
            return answer
        time.sleep(interval)


def _window_lines(output):
    found = []
    for line in output.splitlines():
        parts = line.split("\t")
        if len(parts) < 3:
            continue
        try:
            rect = tuple(int(v) for v in parts[1].split())
        except ValueError:
            continue
        found.append((parts[0], rect, parts[2]))
    return found


def artifact_path(name):
    """Where a test leaves files for people to look at (screenshots): build/e2e-artifacts."""
    directory = os.path.join(BUILD_DIR, "e2e-artifacts")
    os.makedirs(directory, exist_ok=True)
    return os.path.join(directory, name)


def temporary_path(suffix):
    handle, path = tempfile.mkstemp(suffix=suffix)
    os.close(handle)
    return path
