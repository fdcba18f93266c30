#!/usr/bin/env python3
"""Movarin as a screen reader meets it on the desktop's accessibility bus.

Starts the program on the X platform under Xvfb, inside a D-Bus session of its
own (which brings up the accessibility bus on demand), and checks through the
Atspi bindings: the application and its window, the eight buttons as named
push buttons with their enabled state and a press action, that pressing
ファイル追加 through that action opens the file dialog, that a file chosen
there shows as a row reading its name and state, and that during the
conversion MP4変換 starts the status line announces its new texts.

Usage: atspi_bus_check.py <movarin executable>
Exit status: 0 passed, 1 failed, 77 skipped (a tool it needs is missing).
Every process it started, and every one those started, is ended before it exits.
"""
import ctypes
import os
import select
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import time
import uuid
import warnings

# The Atspi calls used here are the ones Debian 12's bindings offer; newer
# ones mark some of them deprecated.
warnings.filterwarnings("ignore", category=DeprecationWarning)

SKIP = 77
BUTTONS = ["ファイル追加", "DVD追加", "削除", "設定", "MP4変換", "WALKMAN転送", "MP3変換", "中止"]
# Disabled while no conversion runs.
IDLE_DISABLED = {"中止"}
LAUNCHER_PLACES = ["/usr/libexec/at-spi-bus-launcher", "/usr/lib/at-spi2-core/at-spi-bus-launcher"]


class Failure(Exception):
    pass


class DisplayLost(Failure):
    """The X server went away under the check: the machine's doing, not Movarin's."""


def skip(why):
    print(f"SKIP: {why}", flush=True)
    sys.exit(SKIP)


def log(text):
    print(text, flush=True)


class Processes:
    """What this check starts. The session bus starts the accessibility bus
    and its registry on demand; they inherit the marker in their environment,
    and as this process is their subreaper they come back to it when orphaned."""

    def __init__(self):
        self.marker = f"MOVARIN_ATSPI_CHECK={uuid.uuid4().hex}"
        self.started = []
        libc = ctypes.CDLL(None, use_errno=True)
        PR_SET_CHILD_SUBREAPER = 36
        libc.prctl(PR_SET_CHILD_SUBREAPER, 1, 0, 0, 0)

    def environment(self, **extra):
        env = {k: v for k, v in os.environ.items() if not k.startswith(("DBUS_", "AT_SPI", "QT_"))}
        key, value = self.marker.split("=", 1)
        env[key] = value
        env.update(extra)
        return env

    def start(self, args, env, **kwargs):
        process = subprocess.Popen(args, env=env, **kwargs)
        self.started.append(process)
        return process

    def marked(self):
        found = set()
        needle = self.marker.encode()
        for entry in os.listdir("/proc"):
            if not entry.isdigit() or int(entry) == os.getpid():
                continue
            try:
                if os.stat(f"/proc/{entry}").st_uid != os.getuid():
                    continue
                with open(f"/proc/{entry}/environ", "rb") as f:
                    if needle in f.read().split(b"\0"):
                        found.add(int(entry))
            except OSError:
                continue
        return found

    def end_all(self):
        for sig, grace in ((signal.SIGTERM, 5.0), (signal.SIGKILL, 5.0)):
            alive = self.marked() | {p.pid for p in self.started if p.poll() is None}
            if not alive:
                break
            for pid in alive:
                try:
                    os.kill(pid, sig)
                except ProcessLookupError:
                    pass
            deadline = time.monotonic() + grace
            while time.monotonic() < deadline and (self.marked() or any(p.poll() is None for p in self.started)):
                self.reap()
                time.sleep(0.1)
        self.reap()
        left = self.marked()
        if left:
            log(f"processes left behind: {sorted(left)}")
        return not left

    @staticmethod
    def reap():
        while True:
            try:
                pid, _ = os.waitpid(-1, os.WNOHANG)
            except ChildProcessError:
                return
            if pid == 0:
                return


def read_line(fd, timeout, what):
    data = b""
    deadline = time.monotonic() + timeout
    while not data.endswith(b"\n"):
        left = deadline - time.monotonic()
        if left <= 0 or not select.select([fd], [], [], left)[0]:
            raise Failure(f"{what} did not start within {timeout} s")
        chunk = os.read(fd, 256)
        if not chunk:
            raise Failure(f"{what} ended before it was ready")
        data += chunk
    return data.decode().strip()


def start_xvfb(procs, env, log_path):
    read, write = os.pipe()
    # -noreset: the bindings and the bus launcher each open the display and
    # close it again; were the last client to go, Xvfb would start over, and a
    # program slow to start (a busy machine) would find it mid-reset and end
    # with "could not connect to display".
    with open(log_path, "wb") as xlog:
        server = procs.start(["Xvfb", "-displayfd", str(write), "-noreset", "-screen", "0", "1024x768x24",
                              "-nolisten", "tcp"],
                             env, pass_fds=(write,), stdout=subprocess.DEVNULL, stderr=xlog)
    os.close(write)
    try:
        return ":" + read_line(read, 20, "Xvfb"), server
    finally:
        os.close(read)


def display_state(server, display, log_path):
    """None while the X server takes connections, else what became of it."""
    if server.poll() is None:
        with socket.socket(socket.AF_UNIX) as probe:
            probe.settimeout(2)
            try:
                probe.connect(f"/tmp/.X11-unix/X{display[1:]}")
                return None
            except OSError as error:
                state = f"Xvfb runs but {display} refuses connections ({error})"
    else:
        state = f"Xvfb ended with status {server.returncode}"
    with open(log_path, errors="replace") as xlog:
        said = xlog.read()[-600:].strip()
    return f"{state}; it said: {said or 'nothing'}"


def start_session_bus(procs, env):
    read, write = os.pipe()
    procs.start(["dbus-daemon", "--session", "--nofork", f"--print-address={write}"], env,
                pass_fds=(write,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    os.close(write)
    try:
        return read_line(read, 20, "dbus-daemon")
    finally:
        os.close(read)


def wait_for(what, find, timeout=30.0):
    from gi.repository import GLib
    deadline = time.monotonic() + timeout
    while True:
        while GLib.MainContext.default().iteration(False):
            pass
        found = find()
        if found is not None:
            return found
        if time.monotonic() > deadline:
            raise Failure(f"{what}: not found within {timeout:.0f} s")
        time.sleep(0.2)


def children(node):
    for i in range(node.get_child_count()):
        child = node.get_child_at_index(i)
        if child is not None:
            yield child


def descendants(node, depth=0):
    for child in children(node):
        yield child
        if depth < 8:
            yield from descendants(child, depth + 1)


def find_application(Atspi):
    for app in children(Atspi.get_desktop(0)):
        if app.get_name() == "Movarin":
            return app
    return None


def check(movarin, procs, home):
    env = procs.environment(HOME=home, XDG_RUNTIME_DIR=os.path.join(home, "run"),
                            XDG_CONFIG_HOME=os.path.join(home, ".config"),
                            XDG_DATA_HOME=os.path.join(home, ".local/share"),
                            XDG_CACHE_HOME=os.path.join(home, ".cache"), LANG="C.UTF-8")
    os.makedirs(env["XDG_RUNTIME_DIR"], mode=0o700)
    if "ASAN_OPTIONS" in env:
        # The X keyboard library hands strndup a buffer without a final NUL,
        # which strndup allows; strict string checks read past it.
        env["ASAN_OPTIONS"] += ":strict_string_checks=0"
    xlog = os.path.join(home, "xvfb.log")
    env["DISPLAY"], xserver = start_xvfb(procs, env, xlog)
    env["DBUS_SESSION_BUS_ADDRESS"] = start_session_bus(procs, env)
    log(f"display {env['DISPLAY']}, session bus {env['DBUS_SESSION_BUS_ADDRESS']}")

    # Long enough for the encoder to report its progress several times.
    source = os.path.join(home, "clip.avi")
    subprocess.run(["ffmpeg", "-v", "error", "-f", "lavfi", "-i", "testsrc=size=640x480:rate=30:duration=30",
                    "-f", "lavfi", "-i", "sine=duration=30", "-c:v", "mpeg4", "-q:v", "3", source],
                   env=env, check=True, stdin=subprocess.DEVNULL)
    app_env = dict(env, QT_QPA_PLATFORM="xcb", QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1")
    program = procs.start([movarin], app_env, cwd=home)

    # The bindings find the accessibility bus through the session bus.
    os.environ["DISPLAY"] = env["DISPLAY"]
    os.environ["DBUS_SESSION_BUS_ADDRESS"] = env["DBUS_SESSION_BUS_ADDRESS"]
    import gi
    gi.require_version("Atspi", "2.0")
    from gi.repository import Atspi
    Atspi.init()

    def running():
        if program.poll() is not None:
            lost = display_state(xserver, env["DISPLAY"], xlog)
            if lost:
                raise DisplayLost(f"Movarin ended early with status {program.returncode}: {lost}")
            raise Failure(f"Movarin ended early with status {program.returncode}")

    def find_app():
        running()
        return find_application(Atspi)

    app = wait_for("the application Movarin", find_app)

    def find_frame():
        for window in children(app):
            if window.get_role() == Atspi.Role.FRAME and window.get_name() == "Movarin":
                return window
        return None

    frame = wait_for("the frame named Movarin", find_frame)

    def find_buttons():
        found = {n.get_name(): n for n in descendants(frame) if n.get_role() == Atspi.Role.PUSH_BUTTON}
        return found if set(BUTTONS) <= set(found) else None

    buttons = wait_for("the eight named push buttons", find_buttons, timeout=10)
    if sorted(buttons) != sorted(BUTTONS):
        raise Failure(f"push buttons {sorted(buttons)}, expected {sorted(BUTTONS)}")

    press = {}
    for name in BUTTONS:
        button = buttons[name]
        enabled = button.get_state_set().contains(Atspi.StateType.ENABLED)
        if enabled == (name in IDLE_DISABLED):
            raise Failure(f"{name}: enabled is {enabled} while idle")
        names = [Atspi.Action.get_action_name(button, i) for i in range(Atspi.Action.get_n_actions(button))]
        index = next((i for i, n in enumerate(names) if n.lower() == "press"), None)
        if index is None:
            raise Failure(f"{name}: no press action among {names}")
        press[name] = index
        log(f"{name}: push button, {'enabled' if enabled else 'disabled'}, actions {names}")

    if not Atspi.Action.do_action(buttons["ファイル追加"], press["ファイル追加"]):
        raise Failure("the press action of ファイル追加 was refused")

    def find_dialog():
        running()
        for window in children(app):
            if window.get_role() in (Atspi.Role.DIALOG, Atspi.Role.FILE_CHOOSER) and \
                    window.get_state_set().contains(Atspi.StateType.SHOWING):
                return window
        return None

    dialog = wait_for("the file dialog after pressing ファイル追加", find_dialog, timeout=20)
    log(f"pressed ファイル追加: a {dialog.get_role_name()} named {dialog.get_name()!r} opened")

    # Through the dialog as a reader's user would: the name typed, Open pressed.
    def find_in_dialog(what, match):
        return wait_for(what, lambda: next((n for n in descendants(dialog) if match(n)), None), timeout=10)

    name_box = find_in_dialog("the file name box", lambda n: n.get_role() in (Atspi.Role.TEXT, Atspi.Role.ENTRY)
                              and n.get_state_set().contains(Atspi.StateType.EDITABLE))
    Atspi.EditableText.set_text_contents(name_box, source)
    open_button = find_in_dialog("the open button", lambda n: n.get_role() == Atspi.Role.PUSH_BUTTON
                                 and n.get_name().replace("&", "").split("(")[0] in ("開く", "Open"))
    Atspi.Action.do_action(open_button, 0)

    table = next(n for n in descendants(frame) if n.get_name() == "変換リスト")

    def row_cells():
        cells = [n.get_name() for n in descendants(table) if n.get_role() in (Atspi.Role.TABLE_CELL, Atspi.Role.TREE_ITEM)]
        return cells if os.path.basename(source) in cells else None

    cells = wait_for("the new row of 変換リスト", row_cells, timeout=10)
    log(f"変換リスト reads {cells}")
    if "変換待ち" not in cells:
        raise Failure(f"the row does not read its state: {cells}")

    # The status line announces its new texts as changes of its name.
    announced = []

    def on_name(event):
        # The window's own label; a message box at the end has labels too.
        source = event.source
        parent = source.get_parent() if source.get_role() == Atspi.Role.LABEL else None
        if parent is not None and parent.get_role() == Atspi.Role.FRAME and parent.get_name() == "Movarin":
            # Read when the event is handled: the line may have changed again
            # by then (to empty at the end of the run).
            announced.append(source.get_name())

    listener = Atspi.EventListener.new(on_name)
    listener.register("object:property-change:accessible-name")
    Atspi.Action.do_action(buttons["MP4変換"], press["MP4変換"])
    wait_for("progress on the status line", lambda: announced[1:] or None, timeout=60)
    pump_until = time.monotonic() + 1.0
    wait_for("more of the run", lambda: True if time.monotonic() > pump_until else None)
    listener.deregister("object:property-change:accessible-name")
    log(f"status line announced {announced[:3]} ...")
    if any("までの動画を変換完了" not in text for text in announced if text):
        raise Failure(f"the status line announced other texts: {announced}")
    # The program first, so it does not see its display and buses vanish.
    program.terminate()
    program.wait(10)


def main():
    again = sys.argv[2:] == ["--again"]
    if len(sys.argv) != 2 and not again:
        print(__doc__, file=sys.stderr)
        return 2
    movarin = os.path.abspath(sys.argv[1])
    if not os.access(movarin, os.X_OK):
        print(f"FAIL: no program at {movarin}", flush=True)
        return 1
    for tool, package in (("Xvfb", "xvfb"), ("dbus-daemon", "dbus"), ("ffmpeg", "ffmpeg")):
        if not shutil.which(tool):
            skip(f"{tool} is missing (install {package})")
    if not any(os.access(p, os.X_OK) for p in LAUNCHER_PLACES):
        skip("the accessibility bus launcher is missing (install at-spi2-core)")
    try:
        import gi
        gi.require_version("Atspi", "2.0")
        from gi.repository import Atspi, GLib  # noqa: F401
    except (ImportError, ValueError) as error:
        skip(f"the Atspi bindings are missing (install python3-pyatspi): {error}")

    procs = Processes()
    status = 1
    lost = False
    with tempfile.TemporaryDirectory(prefix="movarin-atspi-") as home:
        try:
            check(movarin, procs, home)
            log("PASS")
            status = 0
        except Failure as failure:
            log(f"FAIL: {failure}")
            lost = isinstance(failure, DisplayLost)
        finally:
            if not procs.end_all():
                status = 1
    if lost and not again:
        # The accessibility bindings keep their first bus, so a second try
        # needs a process of its own.
        log("the X server was lost under the check: once more with a new one")
        return subprocess.run([sys.executable, os.path.abspath(__file__), movarin, "--again"]).returncode
    return status


if __name__ == "__main__":
    sys.exit(main())
