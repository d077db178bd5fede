"""Runs zov-service and headless zov clients and drives them through the remote-control
channel. Used by the demo walk-through (scripts/run) and the end-to-end tests (tests/e2e).
Standard library only; every wait has a deadline, so a stuck client fails instead of hanging.
"""

import html.parser
import json
import os
import queue
import shutil
import struct
import subprocess
import sys
import tempfile
import threading
import time
import urllib.request
import zlib

DEFAULT_TIMEOUT = 60.0


class HarnessError(Exception):
    pass


def windows_path(host_path):
    """The client's form of a host path: the root drive Z: is the host's /."""
    return "Z:" + os.path.abspath(host_path).replace("/", "\\")


class Service:
    """One zov-service process; its ports are read from the lines it prints."""

    def __init__(self, bin_dir, movies, subscribers, extra=(), log=None):
        self.args = [os.path.join(bin_dir, "zov-service"), "--movies", movies,
                     "--subscribers", subscribers, *extra]
        self.process = None
        self.ports = {}
        self.log = log  # a service that outlives us writes its complaints here

    def start(self, timeout=20.0):
        errors = open(self.log, "w") if self.log else None
        self.process = subprocess.Popen(self.args, stdout=subprocess.PIPE, text=True,
                                        stderr=errors, start_new_session=bool(self.log))
        if errors:
            errors.close()
        deadline = time.monotonic() + timeout
        while len(self.ports) < 3:
            if time.monotonic() > deadline:
                raise HarnessError("zov-service did not report its ports")
            line = self.process.stdout.readline()
            if not line:
                raise HarnessError("zov-service ended at start-up (exit %s)" % self.process.wait())
            name, _, value = line.strip().partition("=")
            if name in ("auth", "ftp", "http"):
                self.ports[name] = int(value)
        return self

    @property
    def web(self):
        return "http://127.0.0.1:%d" % self.ports["http"]

    @property
    def version_url(self):
        return self.web + "/pcplayer_version_control/version_control_server.asp"

    def stop(self):
        if self.process and self.process.poll() is None:
            self.process.terminate()
            try:
                self.process.wait(10)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()
        if self.process:
            self.process.stdout.close()


class _GuideItems(html.parser.HTMLParser):
    def __init__(self):
        super().__init__()
        self.items = []

    def handle_starttag(self, tag, attrs):
        attributes = dict(attrs)
        if attributes.get("name") == "clip_control" and "data-uid" in attributes:
            self.items.append({
                "c_uid": attributes.get("data-uid", ""),
                "c_filename": attributes.get("data-filename", ""),
                "c_mediaTitle": attributes.get("data-title", ""),
                "c_fileExtension": attributes.get("data-extension", ""),
            })


def guide_items(service, streams=False):
    """The movies the service's guide page offers to download (and, when asked, its live
    streams too), as the hidden values its script sets."""
    with urllib.request.urlopen(service.web + "/guide.html", timeout=10) as answer:
        parser = _GuideItems()
        parser.feed(answer.read().decode("utf-8", "replace"))
    return [item for item in parser.items
            if streams or item["c_fileExtension"] != ".streaming"]


def write_client_folder(client_dir, movies_dir, distributor, source_dir=None):
    """A fresh client folder whose zov.ini points at a service on this machine."""
    os.makedirs(client_dir, exist_ok=True)
    os.makedirs(movies_dir, exist_ok=True)
    settings = [
        "ZOVAuthServer.URL=127.0.0.1",
        "ZOVAuthServer.contentDistributor=" + distributor,
        "ZOVPlayer.path=" + windows_path(movies_dir) + "\\",
    ]
    with open(os.path.join(client_dir, "zov.ini"), "w", newline="") as ini:
        ini.write("".join(line + "\r\n" for line in settings))
    if source_dir:
        shutil.copy(os.path.join(source_dir, "app", "zov", "playlistSkin.html"), client_dir)
        # The skin and the login page of the desktop client.
        pages = os.path.join(source_dir, "app", "zov", "pages")
        for name in os.listdir(pages):
            shutil.copy(os.path.join(pages, name), client_dir)


def client_command(bin_dir, client_dir, service, remote="stdio", simulated_player=False,
                   desktop=False, geometry=None):
    """The command line of a client pointed at the service: headless, or on the desktop
    (which needs a display, see Xvfb) with a window of `geometry` ("WxH") as its screen."""
    args = [os.path.join(bin_dir, "zov"), "--client-dir", client_dir]
    if not desktop:
        args.append("--headless")
    args += ["--remote", remote, "--auth-port", str(service.ports["auth"]),
             "--version-server", service.version_url]
    if geometry:
        args += ["--geometry", geometry]
    return args + (["--simulated-player"] if simulated_player else [])


def client_environment(client_dir):
    """The client's own drive C: and window-message sockets stay inside its folder."""
    environment = dict(os.environ, XDG_DATA_HOME=os.path.join(client_dir, "data"),
                       XDG_RUNTIME_DIR=os.path.join(client_dir, "run"))
    os.makedirs(environment["XDG_RUNTIME_DIR"], mode=0o700, exist_ok=True)
    return without_bus_autolaunch(environment)


def without_bus_autolaunch(environment):
    """With no session bus, libdbus in the desktop client starts one by forking from a
    process full of threads; a child of a sanitizer build can hang there for good, holding
    the client's start. A bus address that refuses at once leaves the client without one,
    as on a machine that has none."""
    if "DBUS_SESSION_BUS_ADDRESS" not in environment:
        environment["DBUS_SESSION_BUS_ADDRESS"] = "unix:path=" + os.path.join(
            environment.get("XDG_RUNTIME_DIR") or tempfile.gettempdir(), "no-session-bus")
    return environment


class Client:
    """One `zov [--headless] --remote stdio` process and its channel."""

    _answered = False  # the client has answered a request

    def __init__(self, bin_dir, client_dir, service, simulated_player=False, desktop=False,
                 geometry=None, display=None, log=None):
        """log: a file for what the client and its libraries print on stderr (else ours)."""
        environment = client_environment(client_dir)
        if display:
            environment["DISPLAY"] = display
        errors = open(log, "w") if log else None
        self.process = subprocess.Popen(
            client_command(bin_dir, client_dir, service, simulated_player=simulated_player,
                           desktop=desktop, geometry=geometry),
            stdin=subprocess.PIPE, stdout=subprocess.PIPE, stderr=errors, text=True, bufsize=1,
            env=environment)
        if errors:
            errors.close()
        self._ended = False       # the channel's output ended
        self.events = []          # every event so far, in order
        self._incoming = queue.Queue()
        self._replies = {}
        self._next_id = 1
        self._reader = threading.Thread(target=self._read, daemon=True)
        self._reader.start()

    def _read(self):
        for line in self.process.stdout:
            self._incoming.put(line)
        self._incoming.put(None)

    def _take(self, timeout):
        """Files one incoming line; False when the channel ended."""
        try:
            line = self._incoming.get(timeout=max(0.0, timeout))
        except queue.Empty:
            return True
        if line is None:
            self._ended = True
            return False
        message = json.loads(line)
        if "event" in message:
            self.events.append(message)
        else:
            self._replies[message.get("request_id")] = message
        return True

    def send(self, command, **params):
        """Sends a request without waiting; returns its id."""
        request_id = self._next_id
        self._next_id += 1
        params.update(request_id=request_id, command=command)
        self.process.stdin.write(json.dumps(params) + "\n")
        self.process.stdin.flush()
        return request_id

    def reply(self, request_id, timeout=DEFAULT_TIMEOUT):
        if not self._answered:
            self._first_contact()
        deadline = time.monotonic() + timeout
        while request_id not in self._replies:
            if self._ended or time.monotonic() > deadline:
                raise HarnessError("no reply to request %d" % request_id)
            self._take(deadline - time.monotonic())
        return self._replies.pop(request_id)

    def _first_contact(self):
        """Waits for a just-started client to answer at all. A desktop client built with the
        sanitizers can take long to start its browser engine on a busy machine, so the
        first answer gets more time than any later one, asked for again every 20 s, and a
        slow start is told on stderr."""
        started = time.monotonic()
        while not self._answered:
            probe = self.send("get_state")
            deadline = time.monotonic() + 20.0
            while probe not in self._replies and not self._ended and time.monotonic() < deadline:
                self._take(deadline - time.monotonic())
            if probe in self._replies:
                self._replies.pop(probe)
                self._answered = True
            elif self._ended or time.monotonic() - started > 3 * DEFAULT_TIMEOUT:
                raise HarnessError("the client never answered its first request")
        waited = time.monotonic() - started
        if waited > 20.0:
            sys.stderr.write("note: the client took %.0f s to answer its first request\n" % waited)

    def request(self, command, timeout=DEFAULT_TIMEOUT, **params):
        """Sends a request and returns its data; a refusal raises HarnessError."""
        answer = self.reply(self.send(command, **params), timeout)
        if answer["error"] != "success":
            raise HarnessError("%s refused: %s (%s)" % (command, answer["error"], answer["data"]))
        return answer["data"]

    def pump(self, seconds):
        """Reads whatever arrives for a while."""
        deadline = time.monotonic() + seconds
        while not self._ended and time.monotonic() < deadline:
            self._take(deadline - time.monotonic())

    def wait_event(self, match, since=0, timeout=DEFAULT_TIMEOUT, on_event=None):
        """The first event from index `since` on for which match(event) holds."""
        deadline = time.monotonic() + timeout
        seen = since
        while True:
            while seen < len(self.events):
                event = self.events[seen]
                seen += 1
                if on_event:
                    on_event(event)
                if match(event):
                    return event
            if self._ended:
                raise HarnessError("the client ended while waiting")
            if time.monotonic() > deadline:
                raise HarnessError("timed out waiting for an event")
            self._take(deadline - time.monotonic())

    def wait_state(self, match, timeout=DEFAULT_TIMEOUT, what="a state"):
        """Asks for the state after every burst of events until match(state) holds."""
        deadline = time.monotonic() + timeout
        while True:
            state = self.request("get_state")
            if match(state):
                return state
            if time.monotonic() > deadline:
                raise HarnessError("timed out waiting for " + what)
            self._take(min(0.2, deadline - time.monotonic()))

    def retry(self, command, timeout=DEFAULT_TIMEOUT, **params):
        """A request refused as "not ready" is asked again until it is taken."""
        deadline = time.monotonic() + timeout
        while True:
            answer = self.reply(self.send(command, **params))
            if answer["error"] == "success":
                return answer["data"]
            if answer["error"] != "not ready" or time.monotonic() > deadline:
                raise HarnessError("%s refused: %s (%s)" % (command, answer["error"],
                                                             answer["data"]))
            self._take(0.1)

    def wait_exit(self, timeout=20.0):
        try:
            return self.process.wait(timeout)
        finally:
            self.close()

    def close(self):
        if self.process.poll() is None:
            self.process.kill()
            self.process.wait()
        for stream in (self.process.stdin, self.process.stdout):
            try:
                stream.close()
            except OSError:
                pass


# What a person does, as channel requests.

def visible(state, window):
    return state["windows"].get(window, {}).get("visible", False)


def button_shown(state, name):
    return state["guide"]["buttons"].get(name, {}).get("visible", False)


def log_in(client, distributor, user, password, timeout=DEFAULT_TIMEOUT):
    client.wait_state(lambda s: visible(s, "LoginPage"), timeout, "the login page")
    client.request("login_command", action="Connect", distributor=distributor, user=user,
                   password=password)
    return client.wait_state(lambda s: visible(s, "movieGuide") or visible(s, "LoginPage"),
                             timeout, "the guide")


def guide_page_ready(state):
    guide = state["guide"]
    return visible(state, "movieGuide") and guide.get("page", "").startswith("http") \
        and not guide.get("loading", True)


def choose(client, item, timeout=DEFAULT_TIMEOUT):
    """Clicks a guide item after setting the hidden values the page's script would set."""
    client.wait_state(guide_page_ready, timeout, "the guide page")
    client.retry("choose_guide_item", timeout, values=item)


def press(client, name, window="movieGuide"):
    return client.request("press_button", window=window, control=name)


class Folder:
    """A temporary folder removed afterwards unless asked to keep it."""

    def __init__(self, prefix, keep=False):
        self.path = tempfile.mkdtemp(prefix=prefix)
        self.keep = keep

    def __enter__(self):
        return self.path

    def __exit__(self, *exc):
        if not self.keep:
            shutil.rmtree(self.path, ignore_errors=True)


class Pyftpdlib:
    """A standard FTP server (pyftpdlib, Debian's python3-pyftpdlib) serving a folder."""

    def __init__(self, source_dir, root, user, password, port=0, throttle=0):
        self.args = ["/usr/bin/python3", os.path.join(source_dir, "tests", "peers", "ftp_server.py"),
                     "--root", root, "--user", user, "--password", password,
                     "--port", str(port), "--throttle", str(throttle),
                     "--parent", str(os.getpid())]
        self.process = None
        self.port = port

    def start(self, timeout=20.0):
        self.process = subprocess.Popen(self.args, stdout=subprocess.PIPE, text=True)
        line = self.process.stdout.readline()
        if not line.strip().isdigit():
            raise HarnessError("pyftpdlib did not start (is python3-pyftpdlib installed?)")
        self.port = int(line)
        return self

    def kill(self):
        if self.process and self.process.poll() is None:
            self.process.kill()
            self.process.wait()
        if self.process:
            self.process.stdout.close()


def png_pixels(path):
    """(width, height, rows of (r, g, b)) of an 8-bit RGB or RGBA PNG, as Qt writes them."""
    with open(path, "rb") as f:
        data = f.read()
    at, chunks, header = 8, [], None
    while at < len(data):
        length, kind = struct.unpack(">I4s", data[at:at + 8])
        body = data[at + 8:at + 8 + length]
        if kind == b"IHDR":
            header = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            chunks.append(body)
        at += 12 + length
    width, height, depth, colour = header[0], header[1], header[2], header[3]
    assert depth == 8 and colour in (2, 6), "an 8-bit RGB(A) PNG"
    step = 3 if colour == 2 else 4
    raw, stride, rows, previous = zlib.decompress(b"".join(chunks)), width * step, [], None
    for y in range(height):
        kind, line = raw[y * (stride + 1)], bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            left = line[i - step] if i >= step else 0
            up = previous[i] if previous else 0
            corner = previous[i - step] if previous and i >= step else 0
            if kind == 1:
                line[i] = (line[i] + left) & 255
            elif kind == 2:
                line[i] = (line[i] + up) & 255
            elif kind == 3:
                line[i] = (line[i] + (left + up) // 2) & 255
            elif kind == 4:
                p = left + up - corner
                near = min((abs(p - left), left), (abs(p - up), up), (abs(p - corner), corner),
                           key=lambda t: t[0])
                line[i] = (line[i] + near[1]) & 255
        rows.append([tuple(line[i:i + 3]) for i in range(0, stride, step)])
        previous = line
    return width, height, rows


def looks_like(pixel, colour, tolerance=60):
    return all(abs(a - b) <= tolerance for a, b in zip(pixel, colour))


def looks_blank(path, box=(0, 0, 1, 1), share=0.997):
    """Whether one colour (within a small tolerance) covers nearly the whole picture, or the
    part of it in box (left, top, right, bottom as fractions): a window that drew nothing,
    or a page that has not painted. A dark page with a few lines of text (the playlist) has
    about 1 % of other colours."""
    width, height, rows = png_pixels(path)
    left, top, right, bottom = (int(box[0] * width), int(box[1] * height),
                                int(box[2] * width), int(box[3] * height))
    counts = {}
    for y in range(top, bottom, 2):
        for pixel in rows[y][left:right:2]:
            key = tuple(channel // 16 for channel in pixel)
            counts[key] = counts.get(key, 0) + 1
    return not counts or max(counts.values()) >= share * sum(counts.values())


def has_display():
    return bool(os.environ.get("DISPLAY") or os.environ.get("WAYLAND_DISPLAY"))


class Xvfb:
    """A virtual display of its own (Debian's xvfb), on the first free display number."""

    def __init__(self, size="1920x1080x24"):
        read, write = os.pipe()
        self.process = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write), "-screen", "0", size, "-nolisten", "tcp"],
            pass_fds=(write,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write)
        with os.fdopen(read) as numbers:
            number = numbers.readline().strip()
        if not number.isdigit():
            self.stop()
            raise HarnessError("Xvfb did not start (is xvfb installed?)")
        self.display = ":" + number

    def xdotool(self, *args):
        """Real key presses and clicks on this display."""
        subprocess.run(["xdotool", *args], check=True, env=dict(os.environ, DISPLAY=self.display))

    def stop(self):
        if self.process.poll() is None:
            self.process.terminate()
            self.process.wait(10)
