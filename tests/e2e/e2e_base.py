"""What every end-to-end test shares: the built programs, a scratch folder, a service with
sample movies and clients pointing at it. The client is only ever driven through its
remote-control channel, so one test body runs on either front end: headless, or on the
desktop (ZOV_E2E_FRONT_END=desktop), each class then on a virtual display of its own."""

import filecmp
import os
import sys
import unittest

SOURCE = os.environ.get("ZOV_SOURCE_DIR", os.path.abspath(os.path.join(
    os.path.dirname(__file__), "..", "..")))
BIN = os.environ.get("ZOV_BIN_DIR", os.path.join(SOURCE, "build", "bin"))
sys.path.insert(0, os.path.join(SOURCE, "scripts", "lib"))
sys.path.insert(0, os.path.join(SOURCE, "scripts"))

import zov_harness as zh  # noqa: E402

DISTRIBUTOR, USER, PASSWORD = "demo", "guest", "guest"
FRONT_END = os.environ.get("ZOV_E2E_FRONT_END", "headless")
DESKTOP = FRONT_END == "desktop"


class EndToEndTest(unittest.TestCase):
    # Made once for all the tests of a file: ffmpeg is not quick.
    sample_movies = None

    @classmethod
    def setUpClass(cls):
        cls._samples = zh.Folder("zov-e2e-samples-")
        cls.sample_movies = os.path.join(cls._samples.path, "movies")
        zh.subprocess.run([os.path.join(SOURCE, "scripts", "make-sample-movies"),
                           cls.sample_movies], check=True)
        cls.display = zh.Xvfb() if DESKTOP else None

    @classmethod
    def tearDownClass(cls):
        if cls.display:
            cls.display.stop()
        cls._samples.__exit__(None, None, None)

    def setUp(self):
        self._folder = zh.Folder("zov-e2e-")
        self.folder = self._folder.path
        self.addCleanup(self._folder.__exit__, None, None, None)

    def start_service(self, *extra):
        service = zh.Service(BIN, self.sample_movies,
                             os.path.join(self.sample_movies, "subscribers"), extra).start()
        self.addCleanup(service.stop)
        return service

    def start_client(self, service, name="client", simulated_player=True):
        client_dir = os.path.join(self.folder, name)
        movies = os.path.join(self.folder, name + "-movies")
        zh.write_client_folder(client_dir, movies, DISTRIBUTOR, SOURCE)
        # The desktop always plays with libmpv: it has no stand-in player.
        client = zh.Client(BIN, client_dir, service, simulated_player=simulated_player and not DESKTOP,
                           desktop=DESKTOP, display=self.display.display if DESKTOP else None)
        self.addCleanup(client.close)
        client.movies = movies
        return client

    def log_in(self, client):
        state = zh.log_in(client, DISTRIBUTOR, USER, PASSWORD)
        self.assertTrue(zh.visible(state, "movieGuide"), state["login"])

    def download(self, client, item, timeout=120):
        zh.choose(client, item)
        client.wait_state(lambda s: zh.button_shown(s, "MLdownload"), what="the choice")
        zh.press(client, "MLdownload")
        self.wait_downloaded(client, item, timeout)

    def wait_downloaded(self, client, item, timeout=120):
        marker = os.path.join(client.movies, item["c_uid"] + ".conf")
        client.wait_state(lambda s: os.path.exists(marker), timeout, "the download of " +
                          item["c_filename"])

    def assertSameMovie(self, client, item):
        name = item["c_uid"] + item["c_fileExtension"]
        downloaded = os.path.join(client.movies, name)
        self.assertTrue(filecmp.cmp(downloaded, os.path.join(self.sample_movies, name),
                                    shallow=False), name + " differs from the served movie")
