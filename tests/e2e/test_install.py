"""The installed client: `cmake --install` into a fresh prefix, then the installed `zov`
started on a display of its own (Xvfb) for a user who never ran it. It shows the login page
read from the install, makes its own folder with a default zov.ini in the user's data
folder, and writes nothing under the prefix. The screenshot is kept under
build/screenshots/install/."""

import os
import queue
import subprocess
import threading
import time
import unittest

from e2e_base import BIN, zh

BUILD = os.path.dirname(BIN)
SHOTS = os.path.join(BUILD, "screenshots", "install")
DEFAULT_INI = ("ZOVAuthServer.URL=vod.zov.example\r\nZOVLogOn.userID=\r\nZOVLogOn.userPass=\r\n"
               "ZOVAuthServer.contentDistributor=\r\nZOVPlayer.path=c:\\zov\\\r\n")


def tree(folder):
    """Every file and folder under `folder` with its size and modification time."""
    found = {}
    for root, folders, files in os.walk(folder):
        for name in folders + files:
            path = os.path.join(root, name)
            about = os.lstat(path)
            found[os.path.relpath(path, folder)] = (about.st_size, about.st_mtime_ns)
    return found


class InstalledClient(zh.Client):
    """The installed `zov --remote stdio` as a user starts it: no client folder given."""

    def __init__(self, program, environment, geometry):
        self.process = subprocess.Popen([program, "--remote", "stdio", "--geometry", geometry],
                                        stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True,
                                        bufsize=1, env=environment)
        self._ended, self.events, self._replies, self._next_id = False, [], {}, 1
        self._incoming = queue.Queue()
        self._reader = threading.Thread(target=self._read, daemon=True)
        self._reader.start()


class Install(unittest.TestCase):
    def setUp(self):
        scratch = zh.Folder("zov-install-")
        self.addCleanup(scratch.__exit__, None, None, None)
        self.prefix = os.path.join(scratch.path, "prefix")
        self.home = os.path.join(scratch.path, "home")
        os.makedirs(self.home)
        self.environment = {name: value for name, value in os.environ.items()
                            if not name.startswith(("XDG_", "ZOV_DRIVE_"))}
        self.environment.update(HOME=self.home, XDG_RUNTIME_DIR=os.path.join(scratch.path, "run"))
        os.makedirs(self.environment["XDG_RUNTIME_DIR"], mode=0o700)
        zh.without_bus_autolaunch(self.environment)
        subprocess.run(["cmake", "--install", BUILD, "--prefix", self.prefix], check=True,
                       stdout=subprocess.DEVNULL)

    def test_a_new_user_gets_the_login_page_and_a_folder_of_their_own(self):
        # Where the desktop's menu and the client look.
        for name in ("bin/zov", "bin/zov-desktop", "bin/zov-service", "lib/zov/Main.html",
                     "lib/zov/mainplayer.html", "lib/zov/playlistSkin.html",
                     "share/icons/hicolor/scalable/apps/zov.svg"):
            self.assertTrue(os.path.isfile(os.path.join(self.prefix, name)), name)
        with open(os.path.join(self.prefix, "share", "applications", "zov.desktop")) as entry:
            lines = entry.read().splitlines()
        fields = dict(line.split("=", 1) for line in lines[1:] if "=" in line)
        self.assertEqual((lines[0], fields["Exec"], fields["Icon"], fields["Terminal"]),
                         ("[Desktop Entry]", '"%s/bin/zov"' % self.prefix, "zov", "false"))
        self.assertTrue({"AudioVideo", "Video", "Player"} <= set(fields["Categories"].split(";")))

        installed = tree(self.prefix)
        x = zh.Xvfb()
        self.addCleanup(x.stop)
        client = InstalledClient(os.path.join(self.prefix, "bin", "zov"),
                                 dict(self.environment, DISPLAY=x.display), "1280x720")
        self.addCleanup(client.close)
        state = client.wait_state(lambda s: zh.visible(s, "LoginPage")
                                  and "distributorBox" in s["login"], what="the login page")
        self.assertEqual(state["front_end"], "desktop")
        movies = {e["value"] for e in client.events if e.get("property") == "movie"}
        pages = "Z:" + os.path.join(self.prefix, "lib", "zov").replace("/", "\\")
        self.assertEqual(movies, {pages + "/Main.swf", pages + "/mainplayer.swf"})
        self.shot(client, "LoginPage", "1-installed-login-page")

        # The user's own folder, in the user's data folder, with the settings of a fresh client.
        ini = os.path.join(self.home, ".local", "share", "zov", "zov.ini")
        with open(ini, newline="") as settings:
            self.assertEqual(settings.read(), DEFAULT_INI)
        self.assertEqual(os.stat(ini).st_mode & 0o777, 0o600)
        client.close()

        # Read by the installed program's other commands too; the install is untouched.
        shown = subprocess.run([os.path.join(self.prefix, "bin", "zov"), "config"],
                               env=self.environment, capture_output=True, text=True, check=True)
        self.assertIn("ZOVPlayer.path=c:\\zov\\\n", shown.stdout)
        self.assertEqual(shown.stderr, "")
        self.assertEqual(tree(self.prefix), installed)

    def test_a_user_folder_that_cannot_be_made_is_named(self):
        # The data folder is a file: the client says so and ends, it does not crash.
        blocked = os.path.join(self.home, "data")
        open(blocked, "w").close()
        ended = subprocess.run([os.path.join(self.prefix, "bin", "zov"), "--headless"],
                               env=dict(self.environment, XDG_DATA_HOME=blocked),
                               stdin=subprocess.DEVNULL, capture_output=True, text=True,
                               timeout=60)
        self.assertEqual(ended.returncode, 1)
        self.assertIn("zov: cannot create the client folder %s/zov" % blocked, ended.stderr)

    def shot(self, client, window, name, least_bytes=6000):
        """A screenshot once the window shows more than a blank area (a page draws a moment
        after it reports itself ready); the deadline is a hang guard."""
        os.makedirs(SHOTS, exist_ok=True)
        path = os.path.join(SHOTS, name + ".png")
        deadline = time.monotonic() + 15
        while True:
            client.request("screenshot", window=window, path=path)
            if os.path.getsize(path) >= least_bytes or time.monotonic() > deadline:
                break
            client.pump(0.2)
        self.assertGreaterEqual(os.path.getsize(path), least_bytes, "a blank login page")


if __name__ == "__main__":
    unittest.main(verbosity=2)
