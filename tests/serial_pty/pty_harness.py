#!/usr/bin/env python3
"""Runs a Windows test program under Wine with COM1..COM4 on Linux ptys owned here.

The program gets its own Wine prefix (a copy of the build's prefix, so restarting its
wine server disturbs nothing else), the modem-line shim preloaded (so Wine's comm event
waits work on a pty), and a control channel on 127.0.0.1 (port in TB_PTY_CONTROL) through
which it drives the master side of each pty:

  PORTS                      -> OK COM1=/dev/pts/N ...
  SEND <com> <hex>           master writes the bytes                 -> OK <t_ns>
  RECV <com> <n> <ms>        master reads up to n bytes within ms    -> OK <hex|-> <t_first_ns>
  DRAIN <com>                master discards what is readable        -> OK <count>
  INQ <com>                  bytes in the line's input queue         -> OK <count>
  TERMIOS <com>              the line's settings                     -> OK key=value ...
  MODEM <words>              input lines asserted (CTS DSR RI CD)    -> OK
  HANGUP <com>               master closed: the device goes away     -> OK
  FLOOD <com> <s> <bytes/s>  master writes replies at that rate for s seconds,
                             in the background (a chattering camera)  -> OK
  TIME                       the harness's monotonic clock           -> OK <ns>

Times are CLOCK_MONOTONIC_RAW in nanoseconds. Everything started here (the program, its
wine server, the ptys, the control socket) is cleaned up on every exit path, and the run
has a time limit.
"""
import argparse
import fcntl
import os
import select
import shutil
import signal
import socket
import subprocess
import sys
import termios
import threading
import time
import tty

sys.path.insert(0, os.path.join(os.path.dirname(os.path.dirname(os.path.abspath(__file__))),
                                "e2e"))
sys.dont_write_bytecode = True  # no byte-code caches in the source tree
import xvfb  # noqa: E402

COMS = ["COM1", "COM2", "COM3", "COM4"]


def now_ns():
    return time.clock_gettime_ns(time.CLOCK_MONOTONIC_RAW)


def wine_tools():
    wine = shutil.which("wine") or "/usr/lib/wine/wine64"
    server = shutil.which("wineserver") or "/usr/lib/wine/wineserver"
    return wine, server


class Line:
    """One pty: the master end (the far side of the serial line) and the slave end
    kept open here so the line settings and queues stay readable."""

    def __init__(self, name):
        self.name = name
        self.master, self.slave = os.openpty()
        tty.setraw(self.slave)
        self.path = os.ttyname(self.slave)
        self.lock = threading.Lock()

    def close(self):
        for fd in (self.master, self.slave):
            if fd is not None and fd >= 0:
                try:
                    os.close(fd)
                except OSError:
                    pass
        self.master = self.slave = -1


class Harness:
    def __init__(self, state_file):
        self.lines = {com: Line(com) for com in COMS}
        self.state_file = state_file
        with open(state_file, "w"):
            pass
        self.server = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
        self.server.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
        self.server.bind(("127.0.0.1", 0))
        self.server.listen(4)
        self.port = self.server.getsockname()[1]
        self.stopping = False
        self.thread = threading.Thread(target=self.accept_loop, daemon=True)
        self.thread.start()

    def accept_loop(self):
        while not self.stopping:
            try:
                connection, _ = self.server.accept()
            except OSError:
                return
            connection.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
            threading.Thread(target=self.serve, args=(connection,), daemon=True).start()

    def serve(self, connection):
        buffer = b""
        with connection:
            while True:
                try:
                    chunk = connection.recv(65536)
                except OSError:
                    return
                if not chunk:
                    return
                buffer += chunk
                while b"\n" in buffer:
                    line, buffer = buffer.split(b"\n", 1)
                    try:
                        reply = self.command(line.decode().strip().split())
                    except Exception as error:  # reported to the program, not fatal here
                        reply = "ERR " + str(error).replace("\n", " ")
                    connection.sendall((reply + "\n").encode())

    def command(self, words):
        if not words:
            return "ERR empty"
        verb, args = words[0].upper(), words[1:]
        if verb == "PORTS":
            return "OK " + " ".join(f"{c}={self.lines[c].path}" for c in COMS)
        if verb == "TIME":
            return f"OK {now_ns()}"
        if verb == "MODEM":
            with open(self.state_file + ".new", "w") as f:
                f.write(" ".join(args) + "\n")
            os.replace(self.state_file + ".new", self.state_file)
            return "OK"
        line = self.lines[args[0].upper()]
        if line.master < 0 and verb in ("DRAIN", "INQ"):
            return "OK 0"  # hung up: nothing to read
        if verb == "SEND":
            data = bytes.fromhex(args[1]) if len(args) > 1 else b""
            stamp = now_ns()
            os.write(line.master, data)
            return f"OK {stamp}"
        if verb == "RECV":
            wanted, limit_ms = int(args[1]), int(args[2])
            deadline = time.monotonic() + limit_ms / 1000.0
            data, first = b"", 0
            while len(data) < wanted:
                remaining = deadline - time.monotonic()
                if remaining <= 0:
                    break
                ready, _, _ = select.select([line.master], [], [], remaining)
                if not ready:
                    break
                if not first:
                    first = now_ns()
                try:
                    data += os.read(line.master, wanted - len(data))
                except OSError:
                    break
            return f"OK {data.hex() or '-'} {first}"
        if verb == "DRAIN":
            count = 0
            while select.select([line.master], [], [], 0)[0]:
                try:
                    chunk = os.read(line.master, 65536)
                except OSError:
                    break
                if not chunk:
                    break
                count += len(chunk)
            return f"OK {count}"
        if verb == "INQ":
            value = fcntl.ioctl(line.slave, termios.FIONREAD, b"\0\0\0\0")
            return f"OK {int.from_bytes(value, sys.byteorder)}"
        if verb == "TERMIOS":
            iflag, oflag, cflag, lflag, ispeed, ospeed, cc = termios.tcgetattr(line.master)
            speeds = {getattr(termios, n): int(n[1:]) for n in dir(termios)
                      if n.startswith("B") and n[1:].isdigit()}
            size = {termios.CS5: 5, termios.CS6: 6, termios.CS7: 7, termios.CS8: 8}[
                cflag & termios.CSIZE]
            cmspar = getattr(termios, "CMSPAR", 0o10000000000)
            fields = {
                "ispeed": speeds.get(ispeed, ispeed), "ospeed": speeds.get(ospeed, ospeed),
                "csize": size, "parenb": int(bool(cflag & termios.PARENB)),
                "parodd": int(bool(cflag & termios.PARODD)),
                "cmspar": int(bool(cflag & cmspar)),
                "cstopb": int(bool(cflag & termios.CSTOPB)),
                "ixon": int(bool(iflag & termios.IXON)), "ixoff": int(bool(iflag & termios.IXOFF)),
                "crtscts": int(bool(cflag & termios.CRTSCTS)),
                "vstart": cc[termios.VSTART][0] if isinstance(cc[termios.VSTART], bytes) else cc[termios.VSTART],
                "vstop": cc[termios.VSTOP][0] if isinstance(cc[termios.VSTOP], bytes) else cc[termios.VSTOP],
            }
            # What the program asked for (a pty keeps only 8 bits without parity).
            # The record is consumed: without a new one the line has the framing it shows.
            number = int(line.path.rsplit("/", 1)[1])
            record = f"{self.state_file}.termios.{number}"
            asked = cflag
            try:
                with open(record) as f:
                    _, asked = (int(v, 8) for v in f.read().split())
                os.unlink(record)
            except (OSError, ValueError):
                pass
            fields.update({
                "asked_csize": {termios.CS5: 5, termios.CS6: 6, termios.CS7: 7,
                                termios.CS8: 8}[asked & termios.CSIZE],
                "asked_parenb": int(bool(asked & termios.PARENB)),
                "asked_parodd": int(bool(asked & termios.PARODD)),
                "asked_cmspar": int(bool(asked & cmspar)),
                "asked_cstopb": int(bool(asked & termios.CSTOPB)),
            })
            return "OK " + " ".join(f"{k}={v}" for k, v in fields.items())
        if verb == "FLOOD":
            seconds, rate = float(args[1]), int(args[2])
            threading.Thread(target=self.flood, args=(line, seconds, rate), daemon=True).start()
            return "OK"
        if verb == "HANGUP":
            with line.lock:
                if line.master >= 0:
                    os.close(line.master)
                    line.master = -1
            return "OK"
        return "ERR unknown command " + verb

    def flood(self, line, seconds, rate):
        """Writes a camera's reply bytes at `rate` bytes a second, every 10 ms."""
        chunk = bytes([0xA0 | (i % 16) for i in range(max(rate // 100, 1))])
        end = time.monotonic() + seconds
        while time.monotonic() < end and not self.stopping:
            with line.lock:
                if line.master < 0:
                    return
                try:
                    os.write(line.master, chunk)
                except OSError:
                    return
            time.sleep(0.01)

    def close(self):
        self.stopping = True
        try:
            self.server.close()
        except OSError:
            pass
        for line in self.lines.values():
            line.close()


def prepare_prefix(build_dir, prefix, env):
    """A private copy of the build's prefix (made once; reused by later runs)."""
    lock_path = os.path.join(build_dir, "." + os.path.basename(prefix) + ".lock")
    with open(lock_path, "w") as lock:
        fcntl.flock(lock, fcntl.LOCK_EX)
        if os.path.exists(os.path.join(prefix, "system.reg")):
            return
        source = os.path.join(build_dir, "wineprefix")
        if os.path.exists(os.path.join(source, "system.reg")):
            shutil.rmtree(prefix, ignore_errors=True)
            shutil.copytree(source, prefix, symlinks=True)
        else:
            os.makedirs(prefix, exist_ok=True)
            wine, server = wine_tools()
            subprocess.run([wine, "wineboot", "-i"], env=dict(env, DISPLAY=""),
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=120)
            subprocess.run([server, "-w"], env=env, timeout=60)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build-dir", required=True)
    parser.add_argument("--shim", required=True)
    parser.add_argument("--exe", required=True)
    parser.add_argument("--time-limit", type=float, default=200.0)
    parser.add_argument("--no-shim", action="store_true",
                        help="bare ptys (Wine's comm event waits then fail)")
    parser.add_argument("args", nargs="*")
    options = parser.parse_args()

    build_dir = os.path.abspath(options.build_dir)
    prefix = os.path.join(build_dir, "wineprefix-serial")
    work = os.path.join(build_dir, "serial-pty")
    os.makedirs(work, exist_ok=True)
    env = dict(os.environ)
    env.update(WINEPREFIX=prefix, WINEARCH="win64", WINEDEBUG=env.get("WINEDEBUG", "-all"),
               WINEDLLOVERRIDES=env.get("WINEDLLOVERRIDES", "mscoree,mshtml="))
    wine, server = wine_tools()
    if not os.path.exists(options.shim):
        print(f"modem-line shim not built: {options.shim}", file=sys.stderr)
        return 1

    def stop_server():
        subprocess.run([server, "-k"], env=env, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, timeout=30)

    harness = None
    program = None
    display = None
    state_file = os.path.join(work, f"modem-{os.getpid()}")
    started = time.monotonic()
    try:
        prepare_prefix(build_dir, prefix, env)
        stop_server()  # leftovers of an interrupted run
        harness = Harness(state_file)
        for com in COMS:
            subprocess.run([wine, "reg", "add", r"HKLM\Software\Wine\Ports", "/v", com, "/d",
                            harness.lines[com].path, "/f"], env=env, stdout=subprocess.DEVNULL,
                           stderr=subprocess.DEVNULL, check=True, timeout=60)
        # The port mapping is read when the wine server's session starts.
        stop_server()
        subprocess.run([server, "-w"], env=env, timeout=60)

        run_env = dict(env, PTYSHIM_STATE=state_file, TB_PTY_CONTROL=str(harness.port))
        if not options.no_shim:
            run_env["LD_PRELOAD"] = os.path.abspath(options.shim)
        command = [wine, os.path.abspath(options.exe)] + options.args
        # A display of its own: no other suite's window takes the activation.
        display, run_env["DISPLAY"] = xvfb.start("1024x768x24")
        remaining = options.time_limit - (time.monotonic() - started)
        program = subprocess.Popen(command, env=run_env, start_new_session=True)
        try:
            return program.wait(timeout=max(remaining, 10))
        except subprocess.TimeoutExpired:
            print(f"time limit of {options.time_limit:.0f} s passed: stopping the program",
                  file=sys.stderr)
            return 124
    finally:
        if program is not None and program.poll() is None:
            try:
                os.killpg(program.pid, signal.SIGKILL)
            except OSError:
                pass
            program.wait()
        stop_server()
        xvfb.stop(display)
        if harness is not None:
            harness.close()
        for name in os.listdir(work):
            if name.startswith(os.path.basename(state_file)):
                try:
                    os.unlink(os.path.join(work, name))
                except OSError:
                    pass


if __name__ == "__main__":
    signal.signal(signal.SIGTERM, lambda *_: sys.exit(143))
    sys.exit(main())
