"""Drives a headless Chromium through the DevTools protocol, for the browser build's tests.

The browser is started with --remote-debugging-pipe: it reads protocol messages (JSON) on
its fd 3 and writes them on its fd 4, each message ending in a NUL byte. One page is
opened and attached to in flat mode, so every page command carries our session id.

    with Browser(width=800, height=600) as b:
        b.navigate(url)
        b.wait_for("window.ready", timeout=10)
        box = b.element_box("canvas")
        b.mouse_click(box["x"] + 10, box["y"] + 10)
        b.key("Escape")
        b.screenshot("shot.png", clip=box)
        assert not b.console_errors()

Every wait is bounded by its own timeout and by the session's overall deadline, so a
hung browser ends the test with TimeoutError instead of hanging it.
"""

import base64
import fcntl
import json
import os
import select
import shutil
import signal
import subprocess
import tempfile
import time

CHROMIUM = "/usr/bin/chromium"

# Headless WebGL 2 on SwiftShader as root, with no traffic to the outside: this machine's
# network is closed, and the browser's background services would only see refusals.
FLAGS = [
    "--headless=new",
    "--no-sandbox",
    "--use-angle=swiftshader",
    "--enable-unsafe-swiftshader",
    "--no-first-run",
    "--no-default-browser-check",
    "--disable-background-networking",
    "--disable-component-update",
    "--disable-sync",
    "--disable-quic",
    "--autoplay-policy=no-user-gesture-required",
    "--remote-debugging-pipe",
]

# key name -> (key, code, Windows virtual key code, text typed)
KEYS = {
    "Escape": ("Escape", "Escape", 27, ""),
    "Alt": ("Alt", "AltLeft", 18, ""),
    "Enter": ("Enter", "Enter", 13, "\r"),
    "Tab": ("Tab", "Tab", 9, ""),
    "Space": (" ", "Space", 32, " "),
    "Backspace": ("Backspace", "Backspace", 8, ""),
    "ArrowLeft": ("ArrowLeft", "ArrowLeft", 37, ""),
    "ArrowUp": ("ArrowUp", "ArrowUp", 38, ""),
    "ArrowRight": ("ArrowRight", "ArrowRight", 39, ""),
    "ArrowDown": ("ArrowDown", "ArrowDown", 40, ""),
}
for _c in "abcdefghijklmnopqrstuvwxyz":
    KEYS[_c] = (_c, "Key" + _c.upper(), ord(_c.upper()), _c)
for _c in "0123456789":
    KEYS[_c] = (_c, "Digit" + _c, ord(_c), _c)

MOUSE_BUTTONS = {"left": 1, "right": 2, "middle": 4}  # the 'buttons' bit of each


class ProtocolError(RuntimeError):
    """The browser answered a command with an error, or a page script threw."""


class ScriptError(ProtocolError):
    """An expression given to evaluate threw; text is what it threw."""

    def __init__(self, expression, text):
        super().__init__(f"{expression!r} threw: {text}")
        self.text = text


class Browser:
    def __init__(self, width=800, height=600, timeout=15.0, deadline=120.0,
                 chromium=CHROMIUM, extra_flags=()):
        self.timeout = timeout  # the default for each single wait
        self.end = time.monotonic() + deadline  # no wait goes past this
        self.deadline = deadline
        self.events = []  # every event of our page, in order: (method, params)
        self.session = None
        self.proc = None
        self._next_id = 0
        self._buffer = bytearray()
        self._replies = {}
        self._dir = tempfile.mkdtemp(prefix="vornex-chromium-")
        try:
            self._start(chromium, width, height, extra_flags)
            self._open_page(width, height)
        except BaseException:
            self.close()
            raise

    # ---- starting and stopping -----------------------------------------------------------

    def _start(self, chromium, width, height, extra_flags):
        # The browser's ends of the two pipes are moved to fds 10 and up, so that bash can
        # put them on fds 3 and 4 without overwriting one with the other. Bash does the
        # moving (not a preexec_fn), because forking a threaded Python (a test usually
        # runs its web server in a thread) must not run Python code in the child.
        to_browser_r, self._to_browser = os.pipe()
        self._from_browser, from_browser_w = os.pipe()
        child_r = fcntl.fcntl(to_browser_r, fcntl.F_DUPFD_CLOEXEC, 10)
        child_w = fcntl.fcntl(from_browser_w, fcntl.F_DUPFD_CLOEXEC, 10)
        for fd in (to_browser_r, from_browser_w):
            os.close(fd)
        args = [chromium, *FLAGS, *extra_flags, f"--window-size={width},{height}",
                f"--user-data-dir={os.path.join(self._dir, 'profile')}", "about:blank"]
        # Chromium outlives a test killed outright, even though its pipes close. So a
        # watcher sits on a pipe from us, which only our death ends, and then kills the
        # browser's process group. Bash then becomes the browser.
        # (Bash gives a background command /dev/null as its input, hence fd 5.)
        script = (f"exec 3<&{child_r} 4>&{child_w} 5<&0 {child_r}<&- {child_w}>&-\n"
                  "(exec 3<&- 4>&-; read -r _ <&5; kill -KILL 0) &\n"
                  'exec "$@" </dev/null 5<&-')
        self._log = open(os.path.join(self._dir, "chromium.log"), "wb")
        try:
            # A session of its own, so close() can kill the browser with all its helpers.
            self.proc = subprocess.Popen(
                ["bash", "-c", script, "bash", *args], stdin=subprocess.PIPE,
                stdout=self._log, stderr=subprocess.STDOUT, pass_fds=(child_r, child_w),
                start_new_session=True)
        finally:
            # Our copies of the browser's ends: closed, so its death reads as end of file.
            os.close(child_r)
            os.close(child_w)

    def _open_page(self, width, height):
        target = self.send("Target.createTarget", {"url": "about:blank"})["targetId"]
        self.session = self.send("Target.attachToTarget",
                                 {"targetId": target, "flatten": True})["sessionId"]
        for domain in ("Page", "Runtime", "Log"):
            self.send(domain + ".enable")
        # The window size counts the headless browser's toolbars too, leaving the page
        # less height than asked for; the page itself is made width x height here.
        self.send("Emulation.setDeviceMetricsOverride", {
            "width": width, "height": height, "deviceScaleFactor": 1, "mobile": False})

    def close(self):
        """Ends the browser (killing it if it does not go at once) and removes its profile."""
        proc, self.proc = self.proc, None
        if proc is not None:
            try:
                os.killpg(proc.pid, signal.SIGKILL)
            except ProcessLookupError:
                pass
            try:
                proc.wait(timeout=10)
            except subprocess.TimeoutExpired:
                pass
            proc.stdin.close()
        for name in ("_to_browser", "_from_browser"):
            fd = getattr(self, name, None)
            if fd is not None:
                setattr(self, name, None)
                os.close(fd)
        if getattr(self, "_log", None):
            self._log.close()
        shutil.rmtree(self._dir, ignore_errors=True)

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.close()

    # ---- the protocol ----------------------------------------------------------------------

    def _time_left(self, timeout):
        now = time.monotonic()
        if now >= self.end:
            raise TimeoutError(f"the browser session passed its {self.deadline:g} s deadline")
        return min(timeout if timeout is not None else self.timeout, self.end - now)

    def _browser_gone(self):
        try:
            code = self.proc.wait(timeout=2)
        except subprocess.TimeoutExpired:
            code = "unknown, still running"
        try:
            with open(os.path.join(self._dir, "chromium.log"), "rb") as f:
                tail = f.read()[-2000:].decode(errors="replace")
        except OSError:
            tail = ""
        return ProtocolError(f"chromium closed its protocol pipe (exit status {code}); "
                             f"its last output:\n{tail}")

    def _read_messages(self, wait):
        """Reads what the browser writes within `wait` seconds (one read), filing each
        message; False if it wrote nothing."""
        ready, _, _ = select.select([self._from_browser], [], [], max(wait, 0))
        if not ready:
            return False
        chunk = os.read(self._from_browser, 1 << 20)
        if not chunk:
            raise self._browser_gone()
        self._buffer += chunk
        while (end := self._buffer.find(b"\0")) >= 0:
            message = json.loads(self._buffer[:end])
            del self._buffer[:end + 1]
            if "id" in message:
                self._replies[message["id"]] = message
            elif self.session and message.get("sessionId") == self.session:
                self.events.append((message["method"], message.get("params", {})))
        return True

    def _pump(self):
        """Files whatever the browser has already written, without waiting."""
        while self._read_messages(0):
            pass

    def pause(self, seconds):
        """Lets the page run for a while, filing its events meanwhile (unlike time.sleep,
        which would leave them filling the pipe)."""
        stop = time.monotonic() + seconds
        while (left := stop - time.monotonic()) > 0:
            self._read_messages(min(left, self._time_left(None)))

    def send(self, method, params=None, timeout=None):
        """Sends a command and returns its result; ProtocolError if the browser refuses it."""
        self._next_id += 1
        ident = self._next_id
        message = {"id": ident, "method": method, "params": params or {}}
        if self.session:
            message["sessionId"] = self.session
        data = json.dumps(message).encode() + b"\0"
        stop = time.monotonic() + self._time_left(timeout)
        while data:
            _, writable, _ = select.select([], [self._to_browser], [],
                                           max(stop - time.monotonic(), 0))
            if not writable:
                raise TimeoutError(f"the browser does not take the command {method}")
            try:
                data = data[os.write(self._to_browser, data):]
            except BrokenPipeError:
                raise self._browser_gone() from None
        while ident not in self._replies:
            left = stop - time.monotonic()
            if left <= 0:
                self._time_left(None)  # says so if it is the deadline that has passed
                raise TimeoutError(f"no answer to {method} within {timeout or self.timeout:g} s")
            self._read_messages(left)
        reply = self._replies.pop(ident)
        if "error" in reply:
            raise ProtocolError(f"{method}: {reply['error'].get('message')} "
                                f"{reply['error'].get('data', '')}".rstrip())
        return reply.get("result", {})

    def wait_event(self, method, since=0, timeout=None):
        """The parameters of the first event `method` at or after index `since` of events."""
        stop = time.monotonic() + self._time_left(timeout)
        while True:
            for name, params in self.events[since:]:
                if name == method:
                    return params
            since = len(self.events)
            left = stop - time.monotonic()
            if left <= 0:
                self._time_left(None)
                raise TimeoutError(f"no {method} event within {timeout or self.timeout:g} s")
            self._read_messages(left)

    # ---- the page --------------------------------------------------------------------------

    def navigate(self, url, timeout=None):
        """Loads url and waits for its load event (so not for a change of #fragment only)."""
        self._pump()
        since = len(self.events)
        result = self.send("Page.navigate", {"url": url}, timeout=timeout)
        if result.get("errorText"):
            raise ProtocolError(f"loading {url} failed: {result['errorText']}")
        self.wait_event("Page.loadEventFired", since, timeout)

    def evaluate(self, expression, await_promise=False, timeout=None):
        """The value of a JS expression; ScriptError with the message if it throws."""
        result = self.send("Runtime.evaluate", {
            "expression": expression, "returnByValue": True, "awaitPromise": await_promise,
            "userGesture": True}, timeout=timeout)
        if "exceptionDetails" in result:
            raise ScriptError(expression, exception_text(result["exceptionDetails"]))
        return result["result"].get("value")

    def wait_for(self, expression, timeout=None, poll=0.1):
        """Waits until a JS expression is truthy and returns its value."""
        timeout = timeout if timeout is not None else self.timeout
        stop = time.monotonic() + timeout
        while True:
            # A throw counts as not yet: the page may still be setting up what it names.
            try:
                value = self.evaluate(expression)
                last = f"last value {value!r}"
            except ScriptError as e:
                value, last = None, f"last time it threw {e.text.splitlines()[0]}"
            if value:
                return value
            if time.monotonic() + poll > stop:
                raise TimeoutError(f"{expression!r} still not true after {timeout:g} s ({last})")
            self.pause(poll)

    def element_box(self, selector):
        """The bounding box of the element, in page coordinates: {x, y, width, height}."""
        box = self.evaluate(f"""(() => {{
            const e = document.querySelector({json.dumps(selector)});
            if (!e) return null;
            const r = e.getBoundingClientRect();
            return {{x: r.left + scrollX, y: r.top + scrollY, width: r.width, height: r.height}};
        }})()""")
        if box is None:
            raise ProtocolError(f"no element matches {selector!r}")
        return box

    def screenshot(self, path=None, clip=None):
        """A PNG of the page, or of clip (a box from element_box); saved as path if one is
        given; returns the PNG's bytes."""
        params = {"format": "png"}
        if clip:
            params["clip"] = {k: clip[k] for k in ("x", "y", "width", "height")}
            params["clip"]["scale"] = 1
        data = base64.b64decode(self.send("Page.captureScreenshot", params)["data"])
        if path:
            with open(path, "wb") as f:
                f.write(data)
        return data

    # ---- input -----------------------------------------------------------------------------

    def mouse_move(self, x, y, buttons=0):
        self.send("Input.dispatchMouseEvent",
                  {"type": "mouseMoved", "x": x, "y": y, "buttons": buttons})

    def mouse_button(self, x, y, down, button="left"):
        """Presses (down) or releases the button at (x, y), viewport coordinates."""
        self.send("Input.dispatchMouseEvent", {
            "type": "mousePressed" if down else "mouseReleased", "x": x, "y": y, "button": button,
            "buttons": MOUSE_BUTTONS[button] if down else 0, "clickCount": 1})

    def mouse_click(self, x, y, button="left", hold=0.0):
        """Moves to (x, y), viewport coordinates, and presses the button, and releases it
        `hold` seconds later (the page running meanwhile)."""
        self.mouse_move(x, y)
        self.mouse_button(x, y, True, button)
        if hold > 0:
            self.pause(hold)
        self.mouse_button(x, y, False, button)

    # The modifiers a key event says are held, as a browser sets them while they are down.
    MODIFIERS = {"Alt": 1, "Ctrl": 2, "Meta": 4, "Shift": 8}

    def key_down(self, name, held=()):
        """Presses a key (see key()), with the modifier keys named in `held` down."""
        key, code, vk, text = KEYS[name]
        self.send("Input.dispatchKeyEvent", {
            "type": "keyDown" if text else "rawKeyDown", "key": key, "code": code,
            "windowsVirtualKeyCode": vk, "nativeVirtualKeyCode": vk, "text": text,
            "unmodifiedText": text, "modifiers": sum(self.MODIFIERS[m] for m in held)})

    def key_up(self, name, held=()):
        key, code, vk, _ = KEYS[name]
        self.send("Input.dispatchKeyEvent", {
            "type": "keyUp", "key": key, "code": code, "windowsVirtualKeyCode": vk,
            "nativeVirtualKeyCode": vk, "modifiers": sum(self.MODIFIERS[m] for m in held)})

    def key(self, name, held=()):
        """Presses and releases a key: a letter, a digit or a name in KEYS ("Escape", "Enter",
        "Alt"), with the modifier keys named in `held` ("Alt", "Ctrl", "Meta", "Shift") down."""
        self.key_down(name, held)
        self.key_up(name, held)

    # ---- what the page reported ------------------------------------------------------------

    def console_errors(self):
        """The texts of every console.error/console.assert failure, uncaught exception and
        browser error logged by our page so far (all pages loaded in this session)."""
        self._pump()
        errors = []
        for method, params in self.events:
            if method == "Runtime.consoleAPICalled" and params["type"] in ("error", "assert"):
                errors.append(" ".join(argument_text(a) for a in params.get("args", [])))
            elif method == "Runtime.exceptionThrown":
                errors.append(exception_text(params["exceptionDetails"]))
            elif method == "Log.entryAdded" and params["entry"]["level"] == "error":
                entry = params["entry"]
                errors.append(f"{entry['text']} ({entry['url']})" if entry.get("url")
                              else entry["text"])
        return errors


def argument_text(arg):
    """How the console would print one argument of a console call."""
    if "value" in arg:
        return arg["value"] if isinstance(arg["value"], str) else json.dumps(arg["value"])
    return arg.get("description") or arg.get("unserializableValue") or arg.get("type", "?")


def exception_text(details):
    exception = details.get("exception") or {}
    return exception.get("description") or details.get("text", "exception")
