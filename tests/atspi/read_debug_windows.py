#!/usr/bin/env python3
"""The debug windows as an external screen reader reads them.

Starts zerka-ide on a virtual X display with its own session bus and the real AT-SPI
accessibility bus, builds the README's example in debug mode, steps it through the "Trace"
menu item's action, and reads W, PC and data bytes through AT-SPI (the "WREG" and
"Program Counter" labels, the "Data Memory" table). They must equal what `zerka sim` reports
after the same number of single steps.

Usage: read_debug_windows.py ZERKA_IDE ZERKA SOURCE_DIR
Exit status: 0 passed, 1 failed, 77 skipped (a tool it needs is not installed).
"""
import json
import os
import re
import select
import shutil
import signal
import subprocess
import sys
import tempfile
import time

SKIP = 77
STEPS = 11  # far enough that W, a counter and the first table byte have been written
BYTES = [0x81, 0x82, 0x90]  # COUNT, VALUE, TABLE[0] of the example
EXAMPLE = "examples/table_cx4b.asm"
WHOLE_RUN_SECONDS = 180


def fail(message):
    print("FAILED: " + message, flush=True)
    sys.exit(1)


def missing_tools():
    missing = [tool for tool in ("Xvfb", "dbus-run-session") if not shutil.which(tool)]
    launchers = ("/usr/libexec/at-spi-bus-launcher", "/usr/lib/at-spi2-core/at-spi-bus-launcher")
    if not any(os.path.exists(p) for p in launchers):
        missing.append("at-spi-bus-launcher (at-spi2-core)")
    try:
        import pyatspi  # noqa: F401
    except ImportError:
        missing.append("pyatspi (python3-pyatspi) for " + sys.executable)
    return missing


def stop(proc, group=False):
    """Ends a process this script started (and, with group, the session it leads)."""
    if proc is None or proc.poll() is not None:
        return
    try:
        if group:
            os.killpg(proc.pid, signal.SIGTERM)
        else:
            proc.terminate()
        proc.wait(timeout=5)
    except (subprocess.TimeoutExpired, ProcessLookupError):
        try:
            if group:
                os.killpg(proc.pid, signal.SIGKILL)
            else:
                proc.kill()
            proc.wait(timeout=5)
        except (subprocess.TimeoutExpired, ProcessLookupError):
            pass


def outer(argv):
    missing = missing_tools()
    if missing:
        print("SKIPPED: not installed: " + ", ".join(missing) + " (scripts/bootstrap.sh installs them)")
        return SKIP
    # A display of its own: Xvfb picks a free number and writes it to the pipe.
    read_end, write_end = os.pipe()
    xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1366x768x24",
                             "-nolisten", "tcp"], pass_fds=(write_end,),
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    os.close(write_end)
    session = None
    runtime = None
    try:
        number = b""
        deadline = time.monotonic() + 20
        while not number.endswith(b"\n") and time.monotonic() < deadline:
            ready, _, _ = select.select([read_end], [], [], 0.5)
            if ready:
                chunk = os.read(read_end, 16)
                if not chunk:
                    break
                number += chunk
        if not number.strip():
            fail("Xvfb did not start")
        # A runtime folder of its own: the accessibility bus puts its socket there (else in a
        # fixed place under the home folder, shared with any other session).
        runtime = tempfile.mkdtemp(prefix="zerka-atspi-run-")
        env = dict(os.environ, DISPLAY=":" + number.decode().strip(), XDG_RUNTIME_DIR=runtime)
        env.pop("DBUS_SESSION_BUS_ADDRESS", None)
        env.pop("AT_SPI_BUS_ADDRESS", None)
        # The session bus (and the accessibility bus it starts) live only as long as this run.
        session = subprocess.Popen(["dbus-run-session", "--", sys.executable, __file__,
                                    "--inner"] + argv, env=env, start_new_session=True)
        try:
            return session.wait(timeout=WHOLE_RUN_SECONDS)
        except subprocess.TimeoutExpired:
            fail("no result after %d s" % WHOLE_RUN_SECONDS)
    finally:
        stop(session, group=True)
        stop(xvfb)
        os.close(read_end)
        if runtime:
            shutil.rmtree(runtime, ignore_errors=True)


def wait_for(what, probe, seconds):
    deadline = time.monotonic() + seconds
    while True:
        try:
            value = probe()
        except Exception:  # the tree changes under us while the program starts
            value = None
        if value:
            return value
        if time.monotonic() > deadline:
            fail("%s did not appear within %d s" % (what, seconds))
        time.sleep(0.2)


def inner(ide, zerka, source_dir):
    import pyatspi

    # The accessibility bus is started on demand; Qt joins it only when it is already there.
    pyatspi.Registry.getDesktop(0)
    print("accessibility bus in " + os.environ.get("XDG_RUNTIME_DIR", "?"), flush=True)

    work = tempfile.mkdtemp(prefix="zerka-atspi-")
    ide_proc = None
    try:
        home = os.path.join(work, "home")
        os.makedirs(home)
        shutil.copytree(os.path.join(os.path.dirname(ide), "INCLUDE"), os.path.join(home, "INCLUDE"))
        example = os.path.join(work, os.path.basename(EXAMPLE))
        shutil.copy(os.path.join(source_dir, EXAMPLE), example)
        env = dict(os.environ, ZERKA_HOME=home, QT_QPA_PLATFORM="xcb",
                   QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1")
        log = open(os.path.join(work, "ide.log"), "w")
        ide_proc = subprocess.Popen([ide, example], env=env, stdout=log, stderr=subprocess.STDOUT)

        def app():
            desktop = pyatspi.Registry.getDesktop(0)
            for i in range(desktop.childCount):
                a = desktop.getChildAtIndex(i)
                if a is not None and a.name == "Zerka-IDE":
                    return a
            return None

        def find(node, name, role, depth=0):
            if node is None or depth > 40:
                return None
            if node.name == name and node.getRole() == role:
                return node
            if role != pyatspi.ROLE_TABLE and node.getRole() == pyatspi.ROLE_TABLE:
                return None  # a table's children are its cells
            for i in range(node.childCount):
                hit = find(node.getChildAtIndex(i), name, role, depth + 1)
                if hit is not None:
                    return hit
            return None

        def text_of(label):
            t = label.queryText()
            return t.getText(0, t.characterCount)

        root = wait_for("the Zerka-IDE application on the accessibility bus", app, 60)
        pc = wait_for('the "Program Counter" label (debug mode)',
                      lambda: find(root, "Program Counter", pyatspi.ROLE_LABEL), 60)
        wait_for("the first PC", lambda: text_of(pc), 30)
        wreg = find(root, "WREG", pyatspi.ROLE_LABEL)
        ram = find(root, "Data Memory", pyatspi.ROLE_TABLE)
        trace = find(root, "Trace", pyatspi.ROLE_MENU_ITEM)
        if wreg is None or ram is None or trace is None:
            fail('no "WREG" label, "Data Memory" table or "Trace" menu item')
        frame = root.getChildAtIndex(0)
        chip = re.search(r"Chip = (\S+)", frame.name or "")
        if not chip:
            fail("the main window's title names no chip: %r" % frame.name)

        # A press may show the next line of a macro body without executing anything, and
        # presses closer together than a hand presses keys count once: so press, give the
        # windows time to follow, and count an instruction when the cycle counter moves.
        cycle = find(root, "Cycle", pyatspi.ROLE_LABEL)
        if cycle is None:
            fail('no "Cycle" label')
        executed = presses = 0
        while executed < STEPS:
            presses += 1
            if presses > 4 * STEPS:
                fail("%d presses of Trace executed only %d instructions" % (presses - 1, executed))
            before = text_of(cycle)
            time.sleep(0.1)
            trace.queryAction().doAction(0)
            deadline = time.monotonic() + 1.0
            while text_of(cycle) == before and time.monotonic() < deadline:
                time.sleep(0.05)
            if text_of(cycle) != before:
                executed += 1

        seen = {"pc": text_of(pc), "w": text_of(wreg)}
        table = ram.queryTable()
        rows = {table.getRowDescription(r): r for r in range(table.nRows)}
        columns = {table.getColumnDescription(c): c for c in range(table.nColumns)}
        for address in BYTES:
            row = rows.get("%03X" % (address & ~0xF))
            column = columns.get("%X" % (address & 0xF))
            if row is None or column is None:
                fail("the data-memory table has no cell for %03XH (rows %s)" % (address, list(rows)))
            cell = table.getAccessibleAt(row, column)
            if "address %03X" % address not in (cell.description or ""):
                fail("cell %d,%d describes itself as %r" % (row, column, cell.description))
            seen["%02XH" % address] = cell.name

        sim = subprocess.run([zerka, "sim", "--chip", chip.group(1), "--step", str(STEPS),
                              "--dump", "80H:32", "--json", example],
                             capture_output=True, text=True, timeout=60,
                             env=dict(os.environ, ZERKA_HOME=home))
        if sim.returncode != 0:
            fail("zerka sim: status %d: %s" % (sim.returncode, sim.stderr))
        state = json.loads(sim.stdout)
        expected = {"pc": "%X" % state["pc"], "w": "%02X" % state["w"]}
        for address in BYTES:
            expected["%02XH" % address] = "%02X" % state["memory"]["%04X" % address]
        print("chip %s, %d steps" % (chip.group(1), STEPS))
        print("AT-SPI:    " + json.dumps(seen, sort_keys=True))
        print("zerka sim: " + json.dumps(expected, sort_keys=True))
        if seen != expected:
            fail("the windows read through AT-SPI differ from zerka sim")
        if ide_proc.poll() is not None:
            fail("zerka-ide ended during the test (status %d)" % ide_proc.returncode)
        print("PASSED")
        return 0
    finally:
        stop(ide_proc)
        shutil.rmtree(work, ignore_errors=True)


def main():
    args = sys.argv[1:]
    if args and args[0] == "--inner":
        return inner(*args[1:4])
    if len(args) != 3:
        print("usage: read_debug_windows.py ZERKA_IDE ZERKA SOURCE_DIR", file=sys.stderr)
        return 2
    return outer(args)


if __name__ == "__main__":
    sys.exit(main())
