# devtools.py: Debian's headless Chromium driven over the DevTools protocol, for the browser
# tests: start it on a fresh profile, open a page, evaluate, screenshot, move the pointer and
# fingers. Every browser started here is ended (its whole process group) when the `with` block
# ends.
import base64
import json
import os
import shutil
import signal
import subprocess
import tempfile
import time
import urllib.request
import zlib

import websocket  # python3-websocket


class DevToolsError(RuntimeError):
    pass


class Chromium:
    """A headless Chromium with one page, as a context manager."""

    def __init__(self, binary="/usr/bin/chromium", width=1000, height=1000, timeout=30,
                 extra_arguments=()):
        self.binary, self.width, self.height, self.timeout = binary, width, height, timeout
        self.extra_arguments = list(extra_arguments)
        self.process = self.profile = self.socket = None
        self.next_id = 0
        self.events = []

    def __enter__(self):
        self.profile = tempfile.mkdtemp(prefix="ravelle-chromium-")
        try:
            self._start()
        except BaseException:
            self.__exit__(None, None, None)
            raise
        return self

    def _start(self):
        arguments = [
            self.binary, "--headless", "--no-sandbox", "--remote-debugging-port=0",
            f"--user-data-dir={self.profile}", f"--window-size={self.width},{self.height}",
            "--force-device-scale-factor=1", "--hide-scrollbars",
            # WebGL on the CPU: SwiftShader, which newer Chromiums only allow when asked.
            "--use-gl=angle", "--use-angle=swiftshader", "--enable-unsafe-swiftshader",
            "--ignore-gpu-blocklist",
            # Nothing but the page: no updates, sync, first-run or background traffic, and
            # no throttling of a page that headless Chromium believes hidden.
            "--no-first-run", "--no-default-browser-check", "--disable-background-networking",
            "--disable-component-update", "--disable-sync", "--disable-quic",
            "--disable-extensions", "--disable-background-timer-throttling",
            "--disable-renderer-backgrounding", "--disable-backgrounding-occluded-windows",
            "--mute-audio", "--disable-dev-shm-usage", *self.extra_arguments, "about:blank",
        ]
        self.log = open(os.path.join(self.profile, "chromium.log"), "wb")
        self.process = subprocess.Popen(arguments, stdout=self.log, stderr=subprocess.STDOUT,
                                        start_new_session=True)
        # Chromium writes the port it chose into the profile.
        port_file = os.path.join(self.profile, "DevToolsActivePort")
        deadline = time.monotonic() + self.timeout
        while not os.path.exists(port_file) or os.path.getsize(port_file) == 0:
            if self.process.poll() is not None:
                raise DevToolsError(f"chromium exited with status {self.process.returncode}:\n"
                                    + self.browser_log())
            if time.monotonic() > deadline:
                raise DevToolsError("chromium did not open its DevTools port\n" + self.browser_log())
            time.sleep(0.05)
        time.sleep(0.1)
        port = int(open(port_file).read().split()[0])
        with urllib.request.urlopen(f"http://127.0.0.1:{port}/json/list", timeout=10) as reply:
            pages = [t for t in json.load(reply) if t.get("type") == "page"]
        if not pages:
            raise DevToolsError("chromium has no page")
        self.socket = websocket.create_connection(pages[0]["webSocketDebuggerUrl"],
                                                  timeout=self.timeout, suppress_origin=True)
        self.send("Page.enable")
        self.send("Runtime.enable")

    def browser_log(self):
        try:
            with open(os.path.join(self.profile, "chromium.log"), "rb") as log:
                return log.read()[-4000:].decode(errors="replace")
        except OSError:
            return ""

    def __exit__(self, *exc):
        if self.socket is not None:
            try:
                self.socket.close()
            except Exception:
                pass
        if self.process is not None and self.process.poll() is None:
            for sig, wait in ((signal.SIGTERM, 5), (signal.SIGKILL, 10)):
                try:
                    os.killpg(self.process.pid, sig)
                except ProcessLookupError:
                    break
                try:
                    self.process.wait(wait)
                    break
                except subprocess.TimeoutExpired:
                    continue
        if self.process is not None:
            # Helpers left in the group (GPU, renderer) go with it.
            try:
                os.killpg(self.process.pid, signal.SIGKILL)
            except ProcessLookupError:
                pass
        if getattr(self, "log", None):
            self.log.close()
        if self.profile:
            shutil.rmtree(self.profile, ignore_errors=True)
        return False

    def send(self, method, **params):
        self.next_id += 1
        wanted = self.next_id
        self.socket.send(json.dumps({"id": wanted, "method": method, "params": params}))
        while True:
            message = json.loads(self.socket.recv())
            if message.get("id") == wanted:
                if "error" in message:
                    raise DevToolsError(f"{method}: {message['error']}")
                return message.get("result", {})
            if "method" in message:
                self.events.append(message)

    def wait_for_event(self, method, timeout=None):
        deadline = time.monotonic() + (timeout or self.timeout)
        while True:
            for index, event in enumerate(self.events):
                if event["method"] == method:
                    return self.events.pop(index)
            remaining = deadline - time.monotonic()
            if remaining <= 0:
                raise DevToolsError(f"no {method} event")
            self.socket.settimeout(remaining)
            try:
                message = json.loads(self.socket.recv())
            except websocket.WebSocketTimeoutException:
                raise DevToolsError(f"no {method} event") from None
            finally:
                self.socket.settimeout(self.timeout)
            if "method" in message:
                self.events.append(message)

    def navigate(self, url):
        self.events.clear()
        self.send("Page.navigate", url=url)
        self.wait_for_event("Page.loadEventFired")

    def evaluate(self, expression):
        result = self.send("Runtime.evaluate", expression=expression, returnByValue=True,
                           awaitPromise=True)
        if "exceptionDetails" in result:
            raise DevToolsError(f"{expression}: {result['exceptionDetails']}")
        return result["result"].get("value")

    def console_errors(self):
        lines = []
        for event in self.events:
            if event["method"] == "Runtime.consoleAPICalled" and event["params"]["type"] == "error":
                lines.append(" ".join(str(a.get("value", "")) for a in event["params"]["args"]))
            if event["method"] == "Runtime.exceptionThrown":
                lines.append(event["params"]["exceptionDetails"].get("text", "exception"))
        return lines

    def screenshot(self, x, y, width, height, scale=1):
        """The page's pixels in a rectangle given in CSS pixels, as an Image: one pixel per
        device pixel at scale 1 (so devicePixelRatio times the CSS size), fewer below."""
        shot = self.send("Page.captureScreenshot", format="png", captureBeyondViewport=False,
                         clip={"x": x, "y": y, "width": width, "height": height, "scale": scale})
        return decode_png(base64.b64decode(shot["data"]))

    def screenshot_png(self, x, y, width, height, scale=1.0):
        """The PNG bytes of a rectangle of the page, `scale` times its CSS size."""
        shot = self.send("Page.captureScreenshot", format="png",
                         clip={"x": x, "y": y, "width": width, "height": height, "scale": scale})
        return base64.b64decode(shot["data"])

    def mouse(self, kind, x, y, button="none", buttons=0):
        self.send("Input.dispatchMouseEvent", type=kind, x=x, y=y, button=button,
                  buttons=buttons, clickCount=1 if kind != "mouseMoved" else 0)

    def touch(self, kind, points=()):
        """A touch event (touchStart, touchMove, touchEnd) with fingers at the (x, y) CSS
        positions given, the first finger first."""
        self.send("Input.dispatchTouchEvent", type=kind,
                  touchPoints=[{"x": x, "y": y, "id": i} for i, (x, y) in enumerate(points)])


class Image:
    """Pixels, top row first, as (red, green, blue) per pixel."""

    def __init__(self, width, height, rows):
        self.width, self.height, self.rows = width, height, rows

    def pixel(self, x, y):
        row = self.rows[y]
        return row[3 * x], row[3 * x + 1], row[3 * x + 2]


def decode_png(data):
    """Decodes an 8-bit, non-interlaced greyscale, palette, RGB or RGBA PNG (what Chromium
    writes and the pool-floor picture is) into an Image of RGB rows."""
    if data[:8] != b"\x89PNG\r\n\x1a\n":
        raise ValueError("not a PNG")
    position, chunks, header, palette = 8, [], None, b""
    while position < len(data):
        length = int.from_bytes(data[position:position + 4], "big")
        kind = data[position + 4:position + 8]
        body = data[position + 8:position + 8 + length]
        position += 12 + length
        if kind == b"IHDR":
            header = body
        elif kind == b"PLTE":
            palette = body
        elif kind == b"IDAT":
            chunks.append(body)
        elif kind == b"IEND":
            break
    width, height = int.from_bytes(header[0:4], "big"), int.from_bytes(header[4:8], "big")
    depth, colour, interlace = header[8], header[9], header[12]
    channels = {0: 1, 2: 3, 3: 1, 6: 4, 4: 2}.get(colour)
    if depth != 8 or interlace != 0 or channels is None:
        raise ValueError(f"unsupported PNG (depth {depth}, colour {colour}, interlace {interlace})")
    raw = zlib.decompress(b"".join(chunks))
    stride = width * channels
    previous = bytearray(stride)
    rows = []
    for y in range(height):
        start = y * (stride + 1)
        kind, line = raw[start], bytearray(raw[start + 1:start + 1 + stride])
        for i in range(stride):
            left = line[i - channels] if i >= channels else 0
            up = previous[i]
            if kind == 1:
                line[i] = (line[i] + left) & 255
            elif kind == 2:
                line[i] = (line[i] + up) & 255
            elif kind == 3:
                line[i] = (line[i] + ((left + up) >> 1)) & 255
            elif kind == 4:
                corner = previous[i - channels] if i >= channels else 0
                estimate = left + up - corner
                a, b, c = abs(estimate - left), abs(estimate - up), abs(estimate - corner)
                line[i] = (line[i] + (left if a <= b and a <= c else up if b <= c else corner)) & 255
        previous = line
        if channels == 3:
            rows.append(bytes(line))
        else:
            rgb = bytearray(width * 3)
            for x in range(width):
                grey_or_red = line[x * channels]
                if colour == 3:
                    rgb[3 * x:3 * x + 3] = palette[3 * grey_or_red:3 * grey_or_red + 3]
                elif channels in (1, 2):
                    rgb[3 * x:3 * x + 3] = bytes((grey_or_red,) * 3)
                else:
                    rgb[3 * x:3 * x + 3] = line[x * channels:x * channels + 3]
            rows.append(bytes(rgb))
    return Image(width, height, rows)
