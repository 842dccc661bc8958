"""What a harness records before it gives up on a start (no window, no picture, a program
that never ends): the state of the session's Windows programs, every thread's stack
from winedbg (frames of the project's own binaries mapped to source lines), the visible
windows and a screenshot. Printed as one block, so it lands in the suite's log (CTest
shows it on failure):

    ==== stall: no window 'PelmontTest2' within 60 s ====
    program TestBench.exe (pid 1234): running
    windows: [('#32770', (10, 10, 300, 120), 'TestBench'), ...]
    screenshot: build/e2e-artifacts/stall-20261209-204512-1.png
    stacks of TestBench.exe (Windows process 0x1a4, 3 threads):
      thread 0x1a8:
      =>0 0x... in win32u ... [user32\\message.c:797] ...
      1 0x000001400123ab in testbench (+0x123ab) -> src/app/MainForm.cpp:88
    ==== end of stall evidence ====

winedbg attaches to the running process, prints the stack of each of its threads
(`bt <thread>`; `bt all` walks every process of the wine server and takes minutes on a
busy machine) and detaches: the program goes on and the harness ends it as usual.
Everything here has a time limit and reads its commands' output through files.
"""

import glob
import itertools
import os
import re
import shutil
import tempfile
import time

_shots = itertools.count(1)

# "0000002c TestBench.exe" (a process) and "\t00000030    0     name" (its thread).
_PROCESS = re.compile(r"^([0-9a-fA-F]{8}) (.+?)\s*$")
_THREAD = re.compile(r"^\s+([0-9a-fA-F]{8})\s")
# A frame without a source line: "  3 0x00000140001234 in testbench (+0x1234) (...)".
_FRAME = re.compile(r"^\s*(?:=>)?\d+ (0x[0-9a-fA-F]+) .*\bin (\S+) \(\+0x([0-9a-fA-F]+)\)")


def record(session, what, programs=None):
    """Prints the evidence of a stall of `programs` (default: the session's Windows
    programs) and returns it as text."""
    from harness import artifact_path, run_to_file
    if programs is None:
        programs = [p for p in session.programs if not getattr(p, "native", False)]
    lines = ["==== stall: %s ====" % what]
    for program in programs:
        code = program.process.poll()
        lines.append("program %s (pid %d): %s" % (
            program.name, program.process.pid,
            "running" if code is None else "ended with exit code %s" % code))
        tail = program.lines[-10:]
        if tail:
            lines.append("  last output: " + " | ".join(tail))
    try:
        lines.append("windows: %s" % (session.top_level_windows(),))
    except Exception as error:  # the evidence goes on without this part
        lines.append("windows: not listed (%s)" % error)
    shot = artifact_path("stall-%s-%d.png" % (time.strftime("%Y%m%d-%H%M%S"), next(_shots)))
    try:
        session.screenshot(shot)
        lines.append("screenshot: " + shot)
    except Exception as error:
        lines.append("screenshot: none (%s)" % error)
    running = [p for p in programs if p.process.poll() is None]
    if running:
        lines += _stacks(session, running, run_to_file)
    lines.append("==== end of stall evidence ====")
    text = "\n".join(lines)
    print(text, flush=True)
    return text


def _winedbg():
    return shutil.which("winedbg") or "/usr/lib/wine/winedbg"


def _processes(session, run_to_file):
    """{Windows process id: (executable name, [thread ids])} of the session's wine server."""
    code, output = run_to_file([_winedbg(), "--command", "info thread"], session.env,
                               timeout=60)
    found = {}
    current = None
    for line in output.splitlines():
        process = _PROCESS.match(line)
        if process:
            current = int(process.group(1), 16)
            found[current] = (process.group(2), [])
            continue
        thread = _THREAD.match(line)
        if thread and current is not None:
            found[current][1].append(int(thread.group(1), 16))
    return found


def _stacks(session, programs, run_to_file):
    lines = []
    try:
        processes = _processes(session, run_to_file)
    except Exception as error:
        return ["stacks: winedbg did not list the processes (%s)" % error]
    for program in programs:
        name = program.name.lower()
        matches = [(pid, threads) for pid, (exe, threads) in processes.items()
                   if exe.lower() == name]
        if not matches:
            lines.append("stacks of %s: no Windows process of that name" % program.name)
        for pid, threads in matches:
            lines.append("stacks of %s (Windows process 0x%x, %d threads):" % (
                program.name, pid, len(threads)))
            lines += ["  " + l for l in _backtraces(session, pid, threads, program,
                                                    run_to_file)]
    return lines


def _backtraces(session, pid, threads, program, run_to_file):
    with tempfile.NamedTemporaryFile("w", suffix=".txt", delete=False) as commands:
        for thread in threads:
            commands.write("echo thread 0x%x:\nbt 0x%x\n" % (thread, thread))
        commands.write("detach\n")
    try:
        # Killing winedbg while it is attached would end the program with it: the limit
        # is generous, and a busy machine's symbol loading takes tens of seconds.
        code, output = run_to_file([_winedbg(), "--file", commands.name, "0x%x" % pid],
                                   session.env, timeout=180)
    finally:
        os.unlink(commands.name)
    if code is None:
        return ["winedbg did not finish within 180 s; what it printed:"] + output.splitlines()
    return _with_source_lines(output.splitlines(), program)


def _with_source_lines(lines, program):
    """Frames in the project's own binaries (the program's executable, the build's COM
    servers such as the test camera) that winedbg printed without a source line get one
    from addr2line: the binaries carry debug information, and a frame's offset from its
    module's base plus the module's preferred image base is its address in the file."""
    from harness import BUILD_DIR, run_to_file
    modules = {}
    exe = _executable(program)
    for path in ([exe] if exe else []) + glob.glob(os.path.join(BUILD_DIR, "tools", "*", "*.dll")):
        modules.setdefault(os.path.splitext(os.path.basename(path))[0].lower(), path)
    wanted = {}  # module -> [offsets]
    for line in lines:
        frame = _FRAME.match(line)
        if frame and "[" not in line and frame.group(2).lower() in modules:
            wanted.setdefault(frame.group(2).lower(), []).append(frame.group(3))
    addr2line = shutil.which("x86_64-w64-mingw32-addr2line")
    objdump = shutil.which("x86_64-w64-mingw32-objdump")
    mapped = {}  # (module, offset) -> "function file:line"
    for module, offsets in wanted.items() if addr2line and objdump else ():
        path = modules[module]
        code, headers = run_to_file([objdump, "-p", path], None, timeout=60)
        base = re.search(r"^ImageBase\s+([0-9a-fA-F]+)", headers, re.M)
        if code != 0 or base is None:
            continue
        addresses = ["0x%x" % (int(base.group(1), 16) + int(o, 16)) for o in offsets]
        code, output = run_to_file([addr2line, "-f", "-C", "-e", path] + addresses, None,
                                   timeout=60)
        answers = output.splitlines()
        if code == 0 and len(answers) == 2 * len(offsets):
            for index, offset in enumerate(offsets):
                mapped[(module, offset)] = "%s %s" % (answers[2 * index],
                                                      answers[2 * index + 1])
    result = []
    for line in lines:
        frame = _FRAME.match(line)
        key = (frame.group(2).lower(), frame.group(3)) if frame else None
        result.append(line + " -> " + mapped[key] if key in mapped else line)
    return result


def _executable(program):
    """The Linux path of the program's executable (the argument after wine)."""
    args = program.process.args
    for arg in args[1:] if isinstance(args, (list, tuple)) else []:
        if str(arg).lower().endswith(".exe") and os.path.exists(str(arg)):
            return str(arg)
    return None
