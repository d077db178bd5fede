"""The guide's H.264 live channel in the desktop client: the external player (the real
zovplayer1.exe) draws the service's live channel into the main window's video region; the
skin pauses it, plays it on from where it was, and stops it. Screenshots are kept under
build/screenshots/desktop/."""

import os
import unittest

from e2e_base import BIN, DISTRIBUTOR, PASSWORD, SOURCE, USER, EndToEndTest, zh
from test_desktop import HEIGHT, SHOTS, WIDTH

PLAYER = "zovplayer1.exe"


def players(name):
    """The argument vectors of the running external players playing `name`."""
    found = []
    for pid in filter(str.isdigit, os.listdir("/proc")):
        try:
            with open("/proc/%s/cmdline" % pid, "rb") as f:
                words = [w.decode() for w in f.read().split(b"\0") if w]
        except OSError:
            continue
        if words and words[0].endswith("/" + PLAYER) and name in words:
            found.append(words)
    return found


class DesktopXms(EndToEndTest):
    def setUp(self):
        super().setUp()
        os.makedirs(SHOTS, exist_ok=True)
        self.x = zh.Xvfb()
        self.addCleanup(self.x.stop)
        self.service = self.start_service()
        client_dir = os.path.join(self.folder, "client")
        zh.write_client_folder(client_dir, os.path.join(self.folder, "movies"), "", SOURCE)
        self.client = zh.Client(BIN, client_dir, self.service, desktop=True,
                                geometry="%dx%d" % (WIDTH, HEIGHT), display=self.x.display)
        self.addCleanup(self.client.close)

    def skin(self, state):
        return state["skin_variables"]["mainPlayer/PlayerSkin"]

    def position(self):
        """The position the skin shows, in seconds, asked afresh as the skin asks."""
        self.client.request("skin_command", name="UPDATE_TIME")
        return int(self.skin(self.client.request("get_state"))["nowTime"])

    def shows_the_bars(self, name):
        """The live channel (the first sample movie, colour bars, 4:3) stands in the middle
        of the video region (0, H/8, W, 0.65 H): its seven top bars are on screen."""
        path = os.path.join(SHOTS, name + ".png")
        self.client.request("screenshot", window="mainPlayer", path=path)
        _, _, rows = zh.png_pixels(path)
        top, tall = HEIGHT // 8, int(HEIGHT * 0.65)
        wide = tall * 4 // 3
        left = (WIDTH - wide) // 2
        bars = [(192, 192, 192), (192, 192, 0), (0, 192, 192), (0, 192, 0), (192, 0, 192),
                (192, 0, 0), (0, 0, 192)]
        y = top + tall // 3
        return all(zh.looks_like(rows[y][left + wide * (2 * n + 1) // 14], colour)
                   for n, colour in enumerate(bars))

    def test_the_h264_live_channel_plays_pauses_resumes_and_stops_in_the_main_window(self):
        client = self.client
        client.wait_state(lambda s: zh.visible(s, "LoginPage") and "distributorBox" in s["login"],
                          what="the login page")
        zh.log_in(client, DISTRIBUTOR, USER, PASSWORD)
        live = [i for i in zh.guide_items(self.service, streams=True)
                if i["c_uid"].startswith("xms://")][0]
        self.assertEqual(live["c_uid"], "xms://127.0.0.1:%d/live.mp4" % self.service.ports["http"])

        zh.choose(client, live)  # a live item plays at once, here in the external player
        state = client.wait_state(lambda s: self.skin(s).get("totalTime") == "10",
                                  what="the player to report the length")
        self.assertEqual(self.skin(state)["slashstring"], "/")
        self.assertEqual(len(players(live["c_uid"])), 1)
        client.wait_state(lambda s: self.shows_the_bars("9-external-player"),
                          what="the picture in the video region")

        # Paused once the position has moved on: the player ends, the position stays.
        client.wait_state(lambda s: self.position() >= 2, what="the position to advance")
        client.request("skin_command", name="pause")
        client.wait_state(lambda s: not players(live["c_uid"]), what="the player to end")
        paused_at = self.position()
        self.assertGreaterEqual(paused_at, 2)

        # Play starts a new player at the remembered position.
        client.request("skin_command", name="play")
        client.wait_state(lambda s: players(live["c_uid"]), what="a new player")
        self.assertEqual(players(live["c_uid"])[0][3:], [live["c_uid"], str(paused_at)])
        self.assertGreaterEqual(self.position(), paused_at)
        client.wait_state(lambda s: self.shows_the_bars("10-external-player-resumed"),
                          what="the picture again")

        client.request("skin_command", name="stop")
        state = client.wait_state(lambda s: not players(live["c_uid"]), what="the player to end")
        self.assertEqual(self.skin(state)["videoName"], " ")
        self.assertEqual(self.skin(state)["slashstring"], " ")


if __name__ == "__main__":
    unittest.main()
