"""Helpers for the end-to-end tests: Windows programs of the build under Wine, each test
class with a desktop of its own: an Xvfb of the session's own and a copy of the build's
prefix (so a wine server of its own). Two suites running at the same time never share a
keyboard focus, an activation, a registry or the test camera's control block.

A test creates one Session (usually in setUpClass, through open_session) and closes it
in tearDownClass; the session owns every process it starts and ends them all when it
closes, also after a failure. Every wait has a time limit, and every input waits for
the window it is meant for (menu_keys, popup_menu_keys, keys_to).

    session = open_session("example", time_limit=120)
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

import xvfb

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


def run_to_file(command, env, timeout, cwd=None):
    """Runs a command to its end with its output and error output in a file, not a pipe:
    a wine server or a Wine service that a Wine command starts inherits the output, so a
    pipe would stay open after the command ended and reading it to its end would never
    end. Returns (exit code, output); the exit code is None when the command was still
    running after `timeout` seconds (its process group is then killed)."""
    with tempfile.TemporaryFile() as output:
        process = subprocess.Popen(command, env=env, cwd=cwd, stdin=subprocess.DEVNULL,
                                   stdout=output, stderr=subprocess.STDOUT,
                                   start_new_session=True)
        try:
            code = process.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            try:
                os.killpg(process.pid, signal.SIGKILL)
            except ProcessLookupError:
                pass
            process.wait()
            code = None
        output.seek(0)
        return code, output.read().decode("utf-8", "replace")


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

    def __init__(self, build_dir=BUILD_DIR):
        """The programs run on an Xvfb of the session's own, whatever DISPLAY says: no
        other suite's window takes their keyboard or covers them in a screenshot."""
        self.build_dir = build_dir
        self.prefix = os.environ.get("WINEPREFIX") or os.path.join(build_dir, "wineprefix")
        self.private_prefix = False
        self._keep_server = False
        self.programs = []
        self._xvfb = None
        self._watchdog = None
        self.env = dict(os.environ)
        self.env.update({
            "WINEPREFIX": self.prefix,
            "WINEARCH": "win64",
            "WINEDEBUG": os.environ.get("WINEDEBUG", "-all"),
            "WINEDLLOVERRIDES": os.environ.get("WINEDLLOVERRIDES", "mscoree,mshtml="),
        })
        self._start_xvfb()

    def start_time_limit(self, seconds):
        """Every program of the session is killed after `seconds`, so a hanging program
        ends the test well before CTest's own limit. Started once the prefix is ready."""
        self._watchdog = threading.Timer(seconds, self._kill_programs)
        self._watchdog.daemon = True
        self._watchdog.start()

    # ---- set-up and clean-up

    def _start_xvfb(self):
        try:
            self._xvfb, self.env["DISPLAY"] = xvfb.start()
        except RuntimeError as error:
            raise HarnessError(str(error))

    def _stop_xvfb(self):
        xvfb.stop(self._xvfb)
        self._xvfb = None

    def prepare_prefix(self, timeout=300):
        """Creates the prefix if needed and registers the build's COM servers (the test
        camera), under the same lock as the test runner."""
        script = os.path.join(SOURCE_DIR, "scripts", "prepare-prefix.sh")
        lock = os.path.join(self.build_dir, ".wineprefix.lock")
        env = dict(self.env)
        env["TESTBENCH_BUILD_DIR"] = self.build_dir
        code, output = run_to_file(["flock", "-w", str(timeout), lock, script], env,
                                   timeout=timeout + 30)
        if code != 0:
            raise HarnessError("preparing the prefix failed (exit code %s):\n%s" % (code, output))

    def _start_wineserver(self):
        """The session's own wine server, kept until the session ends (-p): a server that
        ends with its last program can turn the next program away while it goes."""
        if not self._keep_server:
            return
        subprocess.run([_wineserver_command(), "-p"], env=self.env, timeout=30,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def _kill_programs(self):
        for program in list(self.programs):
            program.kill()

    def close(self, wait_for_wineserver=True):
        """Ends every program still running and the session's own wine server (it goes
        before the display does: a server left on a display that is gone hangs the next
        run's programs), and stops the session's Xvfb."""
        if self._watchdog is not None:
            self._watchdog.cancel()
        self._kill_programs()
        self.programs = []
        if self.private_prefix:
            subprocess.run([_wineserver_command(), "-k"], env=self.env, timeout=30,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        if wait_for_wineserver:
            try:
                subprocess.run([_wineserver_command(), "-w"], env=self.env, timeout=20,
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            except subprocess.TimeoutExpired:
                pass  # other suites of the run still use the server
        self._stop_xvfb()

    def restart_wineserver(self):
        """Kills the prefix's wine server (for registry changes it reads only at start)
        and starts the session's own again."""
        for program in self.programs:
            program.kill()
        subprocess.run([_wineserver_command(), "-k"], env=self.env, timeout=30,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        subprocess.run([_wineserver_command(), "-w"], env=self.env, timeout=20,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self._start_wineserver()

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

    def run_wine(self, exe, *args, timeout=60, errors=False):
        """Runs a Windows program to its end; returns (exit code, output), with its
        error output too when `errors`. The output goes through a file, not a pipe: the
        wine server's own processes that a program starts would keep a pipe open."""
        with tempfile.TemporaryFile() as output:
            result = subprocess.run([_wine_command(), exe, *args], env=self.env,
                                    stdin=subprocess.DEVNULL, stdout=output,
                                    stderr=output if errors else subprocess.DEVNULL,
                                    timeout=timeout, start_new_session=True)
            output.seek(0)
            return result.returncode, output.read().decode("utf-8", "replace")

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
        """The window's rect, or None after `timeout` seconds: the harness then gives up
        on it and first records the evidence of the stall (record_stall)."""
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            rect = self.window_rect(caption)
            if rect is not None:
                return rect
            time.sleep(0.3)
        self.record_stall("no window %r within %g s" % (caption, timeout))
        return None

    def record_stall(self, what, programs=None):
        """Prints what a start that stalled leaves: the programs' state, every thread's
        stack, the visible windows and a screenshot (stall_evidence.py); returns it."""
        import stall_evidence
        return stall_evidence.record(self, what, programs)

    def close_window(self, caption, timeout=30):
        """Posts WM_CLOSE to the window, as its close box does; True once it is gone.
        A window that stays records the evidence first (record_stall)."""
        code, _ = self.run_wine(self.build_path("tools/closewindow/closewindow.exe"), caption,
                                timeout=timeout)
        if code != 0 and self.window_rect(caption) is not None:
            self.record_stall("window %r did not close (closewindow: %d)" % (caption, code))
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
        Escape, Tab, alt+F4 ...), each after a short pause. They go to the window that
        has the keyboard: use keys_to, menu_keys or popup_menu_keys to wait for it."""
        for name in names:
            self.xdotool("key", name)
            time.sleep(delay)

    def in_menu_mode(self, caption):
        """True while the thread of the window with that caption is in a menu loop."""
        code, _ = self.run_wine(self.build_path("tests/e2e/windowinfo.exe"), "--menumode",
                                caption, timeout=30)
        return code == 0

    def in_move_size(self, caption):
        """True while the thread of the window with that caption moves or sizes a window."""
        code, _ = self.run_wine(self.build_path("tests/e2e/windowinfo.exe"), "--movesize",
                                caption, timeout=30)
        return code == 0

    def settle(self, caption):
        """Returns once the program has handled every message posted to the window's thread
        before now: a thread takes its posted messages before its input, so once F10 has
        opened the window's menu bar they are done (Escape leaves the menu bar again). The
        positive sign a check that "nothing happened" waits for."""
        self.menu_keys(caption, "F10", "Escape")

    def menu_shown(self):
        """True while a popup menu ("#32768") is on the screen."""
        return any(klass == "#32768" for klass, _, _ in self.top_level_windows())

    def has_keyboard(self, caption):
        """True when the window with that caption is shown and its thread's focus lies
        inside it (on the window or one of its controls)."""
        found, window = self.focused_window(caption), self.window_rect(caption)
        if found is None or window is None:
            return False
        (x, y, width, height), (fx, fy, fwidth, fheight) = window, found[1]
        return x <= fx and y <= fy and fx + fwidth <= x + width and fy + fheight <= y + height

    def keys_to(self, caption, *names, timeout=10):
        """The keys, once the window with that caption (a dialog, a main window) has the
        keyboard."""
        if not wait_until(lambda: self.has_keyboard(caption), timeout, interval=0.1):
            raise HarnessError("%r never had the keyboard for %s" % (caption, names))
        self.keys(*names)

    def menu_keys(self, caption, enter, *names, timeout=10):
        """A menu-bar sequence in the window with that caption: `enter` ("alt" or "F10")
        opens the menu bar, the other keys go once the window's thread is in its menu
        loop. Waits until the loop has ended (the item was chosen or the menu left)."""
        self.keys_to(caption, enter)
        if not wait_until(lambda: self.in_menu_mode(caption), timeout, interval=0.1):
            raise HarnessError("the menu bar of %r did not open" % caption)
        self.keys(*names)
        if not wait_until(lambda: not self.in_menu_mode(caption), timeout, interval=0.1):
            raise HarnessError("the menu of %r stayed open after %s" % (caption, names))

    def popup_menu_keys(self, *names, timeout=10):
        """Keys for a popup menu (a right-click's menu), once it is shown; waits until it
        has gone again."""
        if not wait_until(self.menu_shown, timeout, interval=0.1):
            raise HarnessError("no popup menu showed for %s" % (names,))
        self.keys(*names)
        if not wait_until(lambda: not self.menu_shown(), timeout, interval=0.1):
            raise HarnessError("the popup menu stayed open after %s" % (names,))

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
        self.private_prefix = True
        self.env["WINEPREFIX"] = target
        script = os.path.join(SOURCE_DIR, "scripts", "prepare-prefix.sh")
        env = dict(self.env)
        env["TESTBENCH_BUILD_DIR"] = self.build_dir
        env["TESTBENCH_WINEPREFIX"] = target
        code, output = run_to_file(["flock", "-w", str(timeout),
                                    os.path.join(self.build_dir, ".wineprefix-%s.lock" % name),
                                    script], env, timeout=timeout + 30)
        if code != 0:
            raise HarnessError("preparing the prefix failed (exit code %s):\n%s" % (code, output))
        self._keep_server = True
        self._start_wineserver()

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
        self._start_wineserver()

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

    def _reg(self, args, what):
        """Runs `wine reg ...`; (found, output). A key or value that does not exist is
        an answer (found False). A wine server that is just ending (its last program
        gone a moment ago) can turn a new program away: the command is tried again on a
        server of its own, and fails the test when it never gets an answer."""
        for attempt in range(4):
            code, output = self.run_wine("reg", *args, errors=True)
            if code == 0:
                return True, output
            if "Unable to find" in output:
                return False, output
            time.sleep(1 + attempt)
        raise HarnessError("reg %s %s failed: %s" % (what, " ".join(args[1:2]), output.strip()))

    def reg_query(self, key, value=None):
        """The (type, data) of a registry value (value None: the default value), or None
        when key or value does not exist."""
        args = ["query", key] + (["/v", value] if value is not None else ["/ve"])
        found, output = self._reg(args, "query")
        if not found:
            return None
        for line in output.splitlines():
            match = re.match(r"^\s+(.*?)\s+(REG_\w+)\s*(.*)$", line)
            if match:
                return match.group(2), match.group(3).strip()
        return None

    def reg_add(self, key, value, data, kind="REG_SZ"):
        self._reg(["add", key, "/v", value, "/t", kind, "/d", str(data), "/f"], "add")

    def reg_delete(self, key, value=None):
        """Deletes a key or a value; one that is not there is already deleted. Any other
        failure fails the test, so it never runs on the last test's settings."""
        self._reg(["delete", key] + (["/v", value] if value is not None else []) + ["/f"],
                  "delete")


def open_session(name, time_limit):
    """A Session for one test class on its own display, in build/wineprefix-<name>, its
    prefix prepared (closed again if that fails); its time limit starts then."""
    session = Session()
    try:
        session.use_private_prefix(name)
    except Exception:
        session.close()
        raise
    session.start_time_limit(time_limit)
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
