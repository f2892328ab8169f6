# The panel as a screen reader meets it over AT-SPI, for both parts: every
# accessible object that offers an action must be a control a person sees
# (showing, visible, with an area on the screen) with either page of the
# sheet in front (the page behind tells nothing), and the frames the form never shows ("DAC 5", "Temperature
# Shutdown", and on the single part the other channels) must offer none.
# Only a page's tab is pressed; the board hears nothing but the start-up.
# Run by atspi_sweep.sh inside a D-Bus session of its own.
import os
import socket
import subprocess
import sys
import tempfile
import time

panel, runtime = sys.argv[1], sys.argv[2]
faults = []


def start_display():
    read, write = os.pipe()
    # -noreset: an X server resets when its last client leaves and drops every
    # client still connecting. The accessibility bus launcher is such a client
    # (it sets a property and leaves), and on a machine's first run it reaches
    # the display late, as the panel connects: "could not connect to display".
    xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write), "-screen", "0", "1280x1024x24",
                             "-nolisten", "tcp", "-noreset"], pass_fds=(write,),
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    os.close(write)
    # Read to its line end: a pipe closed before it would end Xvfb.
    number = b""
    while not number.endswith(b"\n"):
        chunk = os.read(read, 16)
        if not chunk:
            sys.exit("Xvfb did not start")
        number += chunk
    number = number.decode().strip()
    os.close(read)
    os.environ["DISPLAY"] = ":" + number
    # The panel is started only once the display takes connections.
    end = time.time() + 10
    while True:
        with socket.socket(socket.AF_UNIX) as probe:
            try:
                probe.connect("/tmp/.X11-unix/X" + number)
                break
            except OSError as error:
                if time.time() > end or xvfb.poll() is not None:
                    sys.exit("Xvfb on :%s takes no connections (%s; Xvfb %s)" % (
                        number, error, "running" if xvfb.poll() is None else
                        "ended with %s" % xvfb.returncode))
        time.sleep(0.1)
    bus = subprocess.Popen(["/usr/libexec/at-spi-bus-launcher", "--launch-immediately"],
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    wait_for_bus(bus)
    return [bus, xvfb]


def wait_for_bus(launcher):
    """Until the launcher owns org.a11y.Bus and gives the bus's address. Asked
    without auto-start: a question before the launcher is up would otherwise
    start a second launcher and a second bus."""
    from gi.repository import Gio, GLib
    session = Gio.bus_get_sync(Gio.BusType.SESSION, None)
    end = time.time() + 30
    while True:
        try:
            reply = session.call_sync("org.a11y.Bus", "/org/a11y/bus", "org.a11y.Bus",
                                      "GetAddress", None, GLib.VariantType("(s)"),
                                      Gio.DBusCallFlags.NO_AUTO_START, 10000, None)
            if reply.unpack()[0]:
                return
            why = "no address"
        except GLib.Error as error:
            why = error.message
        if launcher.poll() is not None or time.time() > end:
            sys.exit("the accessibility bus did not start (%s; launcher %s)" % (
                why, "running" if launcher.poll() is None else
                "ended with %s" % launcher.returncode))
        time.sleep(0.1)


def application(process):
    end = time.time() + 30
    while time.time() < end:
        if process.poll() is not None:
            xvfb = processes[1]
            sys.exit("the panel ended with %s before it reached the accessibility bus "
                     "(Xvfb on %s %s)" % (process.returncode, os.environ["DISPLAY"],
                                          "running" if xvfb.poll() is None else
                                          "ended with %s" % xvfb.returncode))
        for app in pyatspi.Registry.getDesktop(0):
            try:
                if app is not None and app.get_process_id() == process.pid:
                    return app
            except Exception:
                pass
        time.sleep(0.2)
    sys.exit("the panel did not appear on the accessibility bus")


def descendants(node, path=()):
    for i in range(node.childCount):
        child = node.getChildAtIndex(i)
        if child is None:
            continue
        here = path + ("%s %r" % (child.getRoleName(), child.name or ""),)
        yield child, here
        yield from descendants(child, here)


def actions(node):
    try:
        action = node.queryAction()
    except NotImplementedError:
        return []
    return [action.getName(i) for i in range(action.nActions)]


def offers(app):
    """Every object offering an action: its path, actions, and whether a
    person sees it now (showing, visible, with an area on the screen)."""
    found = {}
    for node, path in descendants(app):
        names = actions(node)
        if not names:
            continue
        states = node.getState()
        extents = node.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
        seen = (states.contains(pyatspi.STATE_SHOWING) and states.contains(pyatspi.STATE_VISIBLE)
                and extents.width > 0 and extents.height > 0)
        found[" / ".join(path)] = (names, seen)
    return found


def settled(app):
    """offers() once two walks half a second apart agree: the panel has
    drawn what it shows (a loaded machine may take a while)."""
    last = offers(app)
    for _ in range(40):
        time.sleep(0.5)
        now = offers(app)
        if now == last:
            return now
        last = now
    return last


def check(part, walks):
    """In each walk, each object that offers an action is seen then: a
    control on the page behind is not in the tree until its tab is chosen.
    A menu's item counts as seen once its title in the menu bar is (a screen
    reader opens the menu as a person does)."""
    offering = set()
    for found in walks:
        for path, (names, seen) in sorted(found.items()):
            offering.add(path)
            if any(frame in path for frame in HIDDEN[part]):
                faults.append("%s: %s offers %s on a control never shown" % (part, path, names))
            elif seen:
                continue
            elif " / popup menu '' / menu item " in path:
                title = path.split(" / popup menu '' / ")[0]
                if not found.get(title, ([], False))[1]:
                    faults.append("%s: %s offers %s under a menu not shown" % (part, path, names))
            elif path.endswith(("push button 'Scroll Left'", "push button 'Scroll Right'")) and \
                    "page tab list" in path:
                # The toolkit's own tab row lists its scroll buttons always; the
                # sheet never scrolls, and they would only scroll its tabs.
                continue
            else:
                faults.append("%s: %s offers %s and is not shown" % (part, path, names))
    return len(offering)


def present(app, role, name):
    return any(n.getRoleName() == role and n.name == name for n, _ in descendants(app))


FRAMES = ["'DAC 5'", "'Temperature Shutdown'"]
HIDDEN = {"QV7310": FRAMES, "QV7301": FRAMES + ["'DAC 2'", "'DAC 3'", "'DAC 4'"]}


def run(part):
    trace = os.path.join(runtime, "trace-" + part)
    env = dict(os.environ, QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", QT_QPA_PLATFORM="xcb",
               XDG_RUNTIME_DIR=runtime, XDG_CONFIG_HOME=runtime, BOARDPORT_TRACE=trace)
    env.pop("BOARDPORT_ABSENT", None)
    log = open(os.path.join(runtime, "panel-" + part + ".txt"), "w")
    process = subprocess.Popen([panel, "--part", part], env=env, stdout=log, stderr=log)
    try:
        app = application(process)
        walks = [settled(app)]
        # The hidden frames are absent: not merely without actions.
        for frame in ("DAC 5", "Temperature Shutdown"):
            if present(app, "panel", frame) or present(app, "grouping", frame):
                faults.append("%s: the frame %r is in the tree" % (part, frame))
        tabs = [n for n, _ in descendants(app)
                if n.getRoleName() == "page tab" and n.name == "Data Registers"]
        if len(tabs) != 1:
            faults.append("%s: %d tabs named 'Data Registers'" % (part, len(tabs)))
        else:
            tabs[0].queryAction().doAction(0)
            walks.append(settled(app))
        count = check(part, walks)
        print("%s: %d objects offer an action" % (part, count))
        # The walk saw the form: its write and line buttons, its options.
        if count < 40:
            faults.append("%s: only %d objects offer an action" % (part, count))
    finally:
        process.terminate()
        process.wait(30)
        log.close()
        with open(log.name) as said:
            text = said.read()
        if text.strip():
            print("%s said:\n%s" % (part, text))
    # Selecting a page sent nothing: the download, the start and the exit.
    with open(trace) as lines:
        calls = [line.split()[1] if line.startswith("VendorIORequest") else "load"
                 for line in lines]
    if calls[:2] != ["load", "224"] or len(calls) != 6:
        faults.append("%s: the board heard %s" % (part, calls))


processes = start_display()
# Reached once the display and the accessibility bus are up.
import pyatspi  # noqa: E402

try:
    for part in ("QV7310", "QV7301"):
        run(part)
finally:
    for process in processes:
        process.terminate()
for fault in faults:
    print("FAULT:", fault)
sys.exit(1 if faults else 0)
