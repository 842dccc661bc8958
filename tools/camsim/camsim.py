#!/usr/bin/env python3
"""A simulated Samsung SHC-721 / SHC-730 camera at the Linux end of a serial line.

It owns a pseudo-terminal: TestBench's COM port is mapped to the pty's slave
(/dev/pts/N) and the simulator sits on the master, where the camera's RS-232 input
would be. It decodes the command frames that arrive, keeps a small model of the
camera's on-screen menu, and prints one line per event (flushed at once):

  LINE baud=19200 flow=none                          the line settings changed
  CMD UP model=721 frame=aaee1ecc55 baud=19200 flow=none line_ok=1 menu=IRIS:AUTO
  JUNK hex=0102                                      bytes no camera understands
  QUEUE bytes=5                                      replies the program has not read yet

Frames: SHC-721 AA EE <key> CC 55 with key 0x1F less one bit (bit 0 Up, 1 Down, 2 Left,
3 Right, 4 Set), on 19200 baud without handshake; SHC-730 one byte, "A" Up, "B" Down,
"C" Right, "D" Left, 0x99 Set, on 9600 baud with XON/XOFF. line_ok says whether the
line was set as the frame's model expects. With --model 721 or 730 the camera
understands only its own frames; "auto" (the default) decodes both.

  camsim.py [--model auto|721|730] [--reply none|echo|ack] [--pty-file FILE]
            [--link PATH] [--commands] [--log FILE] [--master-fd N]

--pty-file receives the slave's path once the pty is ready; --master-fd uses a pty
master handed in by the caller instead of making one. QUEUE lines (only on a pty made
here) report the line's input queue when it changes: replies the program has not
drained. --link keeps a symbolic link at PATH to the current slave, so a COM port mapped
to PATH finds the camera again after it was plugged back in. Ends on SIGTERM/SIGINT.

With --commands, lines on standard input act on the far side of the line (a cable
pulled, a camera gone mad), each answered by one output line:

  HANGUP            the master is closed: the device is gone       -> HANGUP
  REOPEN            a new pty, the link moved to it                 -> REOPEN pty=/dev/pts/M
  FLOOD <seconds>   replies written at the line's rate (baud / 10 bytes a second, every
                    10 ms) for that long                            -> FLOOD bytes=N largest_queue=Q
"""
import argparse
import fcntl
import os
import select
import signal
import sys
import termios
import time
import tty

SHC721_LEAD = (0xAA, 0xEE)
SHC721_TAIL = (0xCC, 0x55)
SHC721_KEYS = {0x1E: "UP", 0x1D: "DOWN", 0x1B: "LEFT", 0x17: "RIGHT", 0x0F: "SET"}
SHC730_CODES = {0x41: "UP", 0x42: "DOWN", 0x43: "RIGHT", 0x44: "LEFT", 0x99: "SET"}
XON, XOFF = 0x11, 0x13
MODEL_LINES = {"721": (19200, "none"), "730": (9600, "xonxoff")}


class Decoder:
    """Turns the byte stream from the program into commands, resynchronising on bytes
    that belong to no frame. feed() returns a list of (kind, name, model, bytes) with
    kind "CMD" or "JUNK"."""

    def __init__(self, model="auto"):
        if model not in ("auto", "721", "730"):
            raise ValueError("model must be auto, 721 or 730")
        self.model = model
        self.pending = bytearray()  # a started SHC-721 frame
        self.junk = bytearray()

    def _flush_junk(self, events):
        if self.junk:
            events.append(("JUNK", None, None, bytes(self.junk)))
            self.junk.clear()

    def _frame_byte_ok(self, position, byte):
        if position < 2:
            return byte == SHC721_LEAD[position]
        if position == 2:
            return byte in SHC721_KEYS
        return byte == SHC721_TAIL[position - 3]

    def feed(self, data):
        events = []
        for byte in data:
            if self.pending:
                if self._frame_byte_ok(len(self.pending), byte):
                    self.pending.append(byte)
                    if len(self.pending) == 5:
                        self._flush_junk(events)
                        frame = bytes(self.pending)
                        events.append(("CMD", SHC721_KEYS[frame[2]], "721", frame))
                        self.pending.clear()
                    continue
                # A broken frame: its bytes are junk; the byte may start something new.
                self.junk += self.pending
                self.pending.clear()
            if byte == SHC721_LEAD[0] and self.model in ("auto", "721"):
                self.pending.append(byte)
            elif byte in SHC730_CODES and self.model in ("auto", "730"):
                self._flush_junk(events)
                events.append(("CMD", SHC730_CODES[byte], "730", bytes([byte])))
            elif byte in (XON, XOFF) and self.model in ("auto", "730"):
                pass  # flow control of an XON/XOFF line, not a command
            else:
                self.junk.append(byte)
        if not self.pending:
            self._flush_junk(events)
        return events


class OsdMenu:
    """The camera's on-screen menu as far as the keys move it: Set opens it (and closes
    it on EXIT), Up/Down move the cursor, Left/Right change the selected setting."""

    ITEMS = [
        ("CAMERA ID", ["OFF", "ON"]),
        ("IRIS", ["AUTO", "MANUAL"]),
        ("SHUTTER", ["OFF", "1/100", "1/250", "1/1000", "1/10000"]),
        ("AGC", ["OFF", "LOW", "MIDDLE", "HIGH"]),
        ("WHITE BAL", ["ATW", "AWC", "MANUAL"]),
        ("BLC", ["OFF", "ON"]),
        ("SYNC", ["INT", "LINE"]),
        ("EXIT", [""]),
    ]

    def __init__(self):
        self.open = False
        self.cursor = 0
        self.values = [0] * len(self.ITEMS)

    def press(self, command):
        if command == "SET":
            if not self.open:
                self.open, self.cursor = True, 0
            elif self.ITEMS[self.cursor][0] == "EXIT":
                self.open = False
        elif not self.open:
            return
        elif command in ("UP", "DOWN"):
            step = -1 if command == "UP" else 1
            self.cursor = (self.cursor + step) % len(self.ITEMS)
        elif command in ("LEFT", "RIGHT"):
            options = self.ITEMS[self.cursor][1]
            step = -1 if command == "LEFT" else 1
            self.values[self.cursor] = (self.values[self.cursor] + step) % len(options)

    def describe(self):
        if not self.open:
            return "closed"
        name, options = self.ITEMS[self.cursor]
        value = options[self.values[self.cursor]]
        return (name + (":" + value if value else "")).replace(" ", "_")


def line_settings(fd):
    """(baud, flow) of the line as the program set it (the master shows the slave's)."""
    iflag, _, cflag, _, _, ospeed, _ = termios.tcgetattr(fd)
    speeds = {getattr(termios, n): int(n[1:]) for n in dir(termios)
              if n.startswith("B") and n[1:].isdigit()}
    if cflag & termios.CRTSCTS:
        flow = "rtscts"
    elif iflag & (termios.IXON | termios.IXOFF):
        flow = "xonxoff"
    else:
        flow = "none"
    return speeds.get(ospeed, ospeed), flow


def input_queue(slave):
    """Bytes waiting on the program's side of the line, unread by it."""
    value = fcntl.ioctl(slave, termios.FIONREAD, b"\0\0\0\0")
    return int.from_bytes(value, sys.byteorder)


class Camera:
    def __init__(self, master, model, reply, out, slave=None):
        self.master = master
        self.slave = slave
        self.queued = 0
        self.decoder = Decoder(model)
        self.menu = OsdMenu()
        self.reply = reply
        self.out = out
        self.line = None

    def emit(self, text):
        for stream in self.out:
            stream.write(text + "\n")
            stream.flush()

    def check_line(self):
        try:
            line = line_settings(self.master)
        except termios.error:
            return
        if line != self.line:
            self.line = line
            self.emit(f"LINE baud={line[0]} flow={line[1]}")

    def check_queue(self):
        if self.slave is None:
            return
        queued = input_queue(self.slave)
        if queued != self.queued:
            self.queued = queued
            self.emit(f"QUEUE bytes={queued}")

    def receive(self, data):
        self.check_line()
        for kind, name, model, frame in self.decoder.feed(data):
            if kind == "JUNK":
                self.emit(f"JUNK hex={frame.hex()}")
                continue
            self.menu.press(name)
            ok = int(self.line == MODEL_LINES[model])
            self.emit(f"CMD {name} model={model} frame={frame.hex()} baud={self.line[0]} "
                      f"flow={self.line[1]} line_ok={ok} menu={self.menu.describe()}")
            if self.reply == "echo":
                os.write(self.master, frame)
            elif self.reply == "ack":
                os.write(self.master, b"\x06")
            if self.reply != "none":
                self.check_queue()


class Line:
    """The simulator's pty: the master the camera talks on and the slave kept open here
    (so the line does not hang up between the program's opens), with the optional link."""

    def __init__(self, link=None, master=None):
        self.link = link
        self.slave = None
        if master is not None:
            self.master = master
            self.path = os.ptsname(master) if hasattr(os, "ptsname") else "(given)"
        else:
            self.open()

    def open(self):
        self.master, self.slave = os.openpty()
        # Raw until the program sets the line.
        tty.setraw(self.slave)
        self.path = os.ttyname(self.slave)
        if self.link:
            temporary = self.link + ".new"
            if os.path.lexists(temporary):
                os.remove(temporary)
            os.symlink(self.path, temporary)
            os.replace(temporary, self.link)

    def hang_up(self):
        for fd in (self.master, self.slave):
            if fd is not None and fd >= 0:
                os.close(fd)
        self.master, self.slave = -1, None

    def close(self):
        if self.master >= 0:
            self.hang_up()
        if self.link and os.path.islink(self.link):
            os.remove(self.link)


class Flood:
    """Replies at the line's rate: baud / 10 bytes a second, written every 10 ms."""

    def __init__(self, seconds):
        self.end = time.monotonic() + seconds
        self.next = time.monotonic()
        self.bytes = 0
        self.largest_queue = 0

    def step(self, camera):
        now = time.monotonic()
        if now < self.next:
            return
        self.next = now + 0.01
        baud = camera.line[0] if camera.line else 19200
        chunk = bytes(0xA0 | (i % 16) for i in range(max(baud // 1000, 1)))
        try:
            self.bytes += os.write(camera.master, chunk)
        except OSError:
            pass
        if camera.slave is not None:
            self.largest_queue = max(self.largest_queue, input_queue(camera.slave))


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--model", default="auto", choices=["auto", "721", "730"])
    parser.add_argument("--reply", default="none", choices=["none", "echo", "ack"])
    parser.add_argument("--pty-file")
    parser.add_argument("--link")
    parser.add_argument("--commands", action="store_true")
    parser.add_argument("--log")
    parser.add_argument("--master-fd", type=int)
    options = parser.parse_args()

    line = Line(options.link and os.path.abspath(options.link), options.master_fd)
    streams = [sys.stdout]
    log = open(options.log, "a", encoding="utf-8") if options.log else None
    if log:
        streams.append(log)
    camera = Camera(line.master, options.model, options.reply, streams, line.slave)
    if options.pty_file:
        with open(options.pty_file + ".new", "w") as f:
            f.write(line.path + "\n")
        os.replace(options.pty_file + ".new", options.pty_file)
    camera.emit(f"READY pty={line.path} model={options.model} reply={options.reply}")
    camera.check_line()

    commands = sys.stdin if options.commands else None
    flood = None

    def command(words):
        nonlocal flood
        verb = words[0].upper() if words else ""
        if verb == "HANGUP" and line.master >= 0:
            line.hang_up()
            camera.master, camera.slave, camera.line = -1, None, None
            camera.emit("HANGUP")
        elif verb == "REOPEN" and line.master < 0:
            line.open()
            camera.master, camera.slave, camera.queued = line.master, line.slave, 0
            camera.emit(f"REOPEN pty={line.path}")
        elif verb == "FLOOD" and len(words) == 2 and line.master >= 0:
            flood = Flood(float(words[1]))
        else:
            camera.emit("ERROR " + " ".join(words))

    stopping = []
    signal.signal(signal.SIGTERM, lambda *_: stopping.append(1))
    signal.signal(signal.SIGINT, lambda *_: stopping.append(1))
    try:
        while not stopping:
            watched = ([line.master] if line.master >= 0 else []) + ([commands] if commands else [])
            try:
                ready, _, _ = select.select(watched, [], [], 0.01 if flood else 0.2)
            except InterruptedError:
                continue
            if commands in ready:
                text = commands.readline()
                if not text:
                    commands = None  # standard input ended: no more commands
                else:
                    command(text.split())
            if flood is not None:
                if line.master < 0 or time.monotonic() >= flood.end:
                    camera.emit(f"FLOOD bytes={flood.bytes} largest_queue={flood.largest_queue}")
                    flood = None
                else:
                    flood.step(camera)
            if line.master < 0:
                continue
            if line.master not in ready:
                camera.check_line()
                if flood is None:
                    camera.check_queue()
                continue
            try:
                data = os.read(line.master, 4096)
            except OSError:
                data = b""
            if data:
                camera.receive(data)
    finally:
        camera.emit("STOP")
        if options.master_fd is None:
            line.close()
        if log:
            log.close()
    return 0


if __name__ == "__main__":
    sys.exit(main())
