"""The desktop client on a display of its own (Xvfb), used as a person uses it: typed into
with real key presses and clicked with the mouse (xdotool), and looked at (screenshots of
the screen, kept under build/screenshots/desktop/). The service is zov-service; the channel
only watches, chooses and takes the screenshots."""

import os
import time
import unittest

from e2e_base import BIN, DISTRIBUTOR, PASSWORD, SOURCE, USER, EndToEndTest, zh

WIDTH, HEIGHT = 1280, 720
SHOTS = os.path.join(os.path.dirname(BIN), "screenshots", "desktop")


class Desktop(EndToEndTest):
    @classmethod
    def setUpClass(cls):
        super().setUpClass()
        # Colour bars for two minutes: the skin is steered while the movie still plays,
        # however slowly a loaded machine gets there.
        zh.subprocess.run(
            ["ffmpeg", "-nostdin", "-loglevel", "error", "-y", "-f", "lavfi",
             "-i", "smptebars=size=320x240:rate=25", "-t", "120", "-c:v", "libx264",
             "-preset", "veryfast", "-pix_fmt", "yuv420p", "-b:v", "150k",
             "-movflags", "+faststart", os.path.join(cls.sample_movies, "Long_Bars.mp4")],
            check=True)

    def setUp(self):
        super().setUp()
        os.makedirs(SHOTS, exist_ok=True)
        self.x = zh.Xvfb()
        self.addCleanup(self.x.stop)
        self.service = self.start_service()
        client_dir = os.path.join(self.folder, "client")
        self.movies = os.path.join(self.folder, "client-movies")
        zh.write_client_folder(client_dir, self.movies, "", SOURCE)
        self.client = zh.Client(BIN, client_dir, self.service, desktop=True,
                                geometry="%dx%d" % (WIDTH, HEIGHT), display=self.x.display)
        self.client.movies = self.movies
        self.addCleanup(self.client.close)

    def shot(self, window, name, least_bytes=6000):
        """A screenshot of the window, once it shows more than a blank area (pages draw a
        moment after they report themselves ready)."""
        path = os.path.join(SHOTS, name + ".png")
        deadline = time.monotonic() + 15
        while True:
            size = self.client.request("screenshot", window=window, path=path)
            if os.path.getsize(path) >= least_bytes or time.monotonic() > deadline:
                break
            self.client.pump(0.2)
        self.assertGreater(size["width"], 0)
        return path

    def type_into_login(self, *keys):
        self.x.xdotool("search", "--name", "_Login", "windowfocus", "--sync")
        for key in keys:
            if key.startswith("key:"):
                self.x.xdotool("key", key[4:])
            else:
                self.x.xdotool("type", "--delay", "30", key)

    def test_a_subscriber_logs_in_with_the_keyboard_and_answers_with_the_mouse(self):
        client, x = self.client, self.x
        client.wait_state(lambda s: zh.visible(s, "LoginPage") and "distributorBox" in s["login"],
                          what="the login page")
        self.shot("LoginPage", "1-login-page")

        # A wrong password, typed: the status line says so and the page comes back as typed.
        x.xdotool("search", "--name", "_Login", "windowfocus", "--sync")
        x.xdotool("mousemove", str(WIDTH // 2), str(int(HEIGHT * 0.467)), "click", "1")
        self.type_into_login(DISTRIBUTOR, "key:Tab", USER, "key:Tab", "wrong", "key:Return")
        state = client.wait_state(lambda s: s["login"].get("status") == "Invalid Password..."
                                  and zh.visible(s, "LoginPage"), what="the refusal")
        self.assertEqual((state["login"]["distributorBox"], state["login"]["userBox"]),
                         (DISTRIBUTOR, USER))
        self.shot("LoginPage", "2-login-page-after-a-wrong-password")

        # The right one, typed over the wrong one; Enter connects.
        self.type_into_login("key:ctrl+a", PASSWORD, "key:Return")
        state = client.wait_state(lambda s: zh.visible(s, "mainPlayer"), what="the main window")
        self.assertEqual(state["front_end"], "desktop")
        self.assertFalse(zh.visible(state, "LoginPage"))
        self.shot("mainPlayer", "3-main-window-with-skin-and-banner", least_bytes=20_000)

        # A movie downloaded: its completion is a popup that shows, then goes by itself.
        item = [i for i in zh.guide_items(self.service) if i["c_uid"] == "Colour_Bars"][0]
        zh.choose(client, item)
        client.wait_state(lambda s: zh.button_shown(s, "MLdownload"), what="the choice")
        zh.press(client, "MLdownload")
        popup = client.wait_event(lambda e: e["event"] == "popup"
                                  and e["text"].endswith("Download Completed"), timeout=120)
        # The progress moved on the guide and on the skin's bar on the way.
        guide = {e["percent"] for e in client.events if e["event"] == "download-progress"}
        bar = {e["value"] for e in client.events if e["event"] == "skin-variable"
               and e["name"] == "_root.progressbar.percentage"}
        self.assertTrue(any(p and 0 < p < 100 for p in guide), guide)
        self.assertTrue(any(v.isdigit() and 0 < int(v) < 100 for v in bar), bar)
        self.shot("popupwindow", "4-popup")
        client.wait_event(lambda e: e["event"] == "window-hidden"
                          and e["window"] == "popupwindow", client.events.index(popup))

        # Deleting it asks; the question is answered with the mouse, on its Yes.
        zh.choose(client, item)
        client.wait_state(lambda s: zh.button_shown(s, "MLDelete"), what="the movie on disk")
        since = len(client.events)
        pressed = client.send("press_button", window="movieGuide", control="MLDelete")
        client.wait_event(lambda e: e["event"] == "window-shown" and e["window"] == "yesNoPopup",
                          since)
        self.shot("yesNoPopup", "5-question")
        left, top = (WIDTH - 360) // 2, (HEIGHT - 180) // 2
        x.xdotool("mousemove", str(left + 92), str(top + 124), "click", "1")
        self.assertEqual(client.reply(pressed)["error"], "success")
        client.wait_state(lambda s: not zh.visible(s, "yesNoPopup"), what="the answer")
        movie = os.path.join(self.movies, item["c_uid"] + item["c_fileExtension"])
        client.wait_state(lambda s: not os.path.exists(movie), what="the movie deleted")

    def test_a_movie_plays_in_the_main_window_and_the_skin_steers_it(self):
        client, x = self.client, self.x
        client.wait_state(lambda s: zh.visible(s, "LoginPage") and "distributorBox" in s["login"],
                          what="the login page")
        zh.log_in(client, DISTRIBUTOR, USER, PASSWORD)
        item = [i for i in zh.guide_items(self.service) if i["c_uid"] == "Long_Bars"][0]
        self.download(client, item)
        zh.press(client, "MLplay")
        client.wait_state(lambda s: s["player"]["state_name"] == "Playing", what="playing")
        # Three seconds into the movie the main window turns to full screen by itself;
        # Escape brings the skin back, and the skin's buttons can be clicked.
        client.wait_state(lambda s: self.video_covers_the_window(keep_as="8-full-screen"),
                          what="full screen by itself")
        x.xdotool("key", "Escape")
        client.wait_state(lambda s: not self.video_covers_the_window(), what="back in place")
        first = client.request("get_state")["skin_variables"]["mainPlayer/PlayerSkin"]
        shot = self.shot("mainPlayer", "6-playing", least_bytes=20_000)

        # The video region is (0, H/8, W, 0.65 H); the 4:3 movie stands in its middle, its
        # seven bars across the top two thirds: grey, yellow, cyan, green, magenta, red, blue.
        width, height, rows = zh.png_pixels(shot)
        top, tall = HEIGHT // 8, int(HEIGHT * 0.65)
        wide = tall * 4 // 3
        left = (WIDTH - wide) // 2
        bars = [(192, 192, 192), (192, 192, 0), (0, 192, 192), (0, 192, 0), (192, 0, 192),
                (192, 0, 0), (0, 0, 192)]
        y = top + tall // 3
        for n, colour in enumerate(bars):
            x_at = left + wide * (2 * n + 1) // 14
            self.assertTrue(zh.looks_like(rows[y][x_at], colour),
                            "bar %d at (%d, %d) is %s" % (n, x_at, y, rows[y][x_at]))
        self.assertEqual(first["videoName"].split("-")[0], item["c_mediaTitle"])
        client.wait_state(lambda s: s["skin_variables"]["mainPlayer/PlayerSkin"]["txtTime"]
                          != first["txtTime"], what="the time to move")

        # The skin's own buttons, clicked where they are drawn. Playing again starts the
        # three seconds to full screen again: a click that met the movie instead of its
        # button is made again once Escape has brought the skin back.
        bar_y = int(HEIGHT * 0.86)

        def click(at_x, done, what):
            for _ in range(3):
                if self.video_covers_the_window():
                    x.xdotool("key", "Escape")
                    client.wait_state(lambda s: not self.video_covers_the_window(),
                                      what="back in place")
                x.xdotool("mousemove", str(at_x), str(bar_y), "click", "1")
                try:
                    return client.wait_state(done, timeout=10, what=what)
                except zh.HarnessError:
                    continue
            self.fail("the skin's button did not bring " + what)

        def player_is(*names):
            return lambda s: s["player"]["state_name"] in names

        click(int(WIDTH * 0.208), player_is("Paused"), "paused")
        self.shot("mainPlayer", "7-paused", least_bytes=20_000)
        click(int(WIDTH * 0.135), player_is("Playing"), "playing on")
        # Full screen: the movie covers the main window.
        click(int(WIDTH * 0.868), lambda s: self.video_covers_the_window(), "full screen")
        x.xdotool("key", "Escape")
        client.wait_state(lambda s: not self.video_covers_the_window(), what="back in place")
        click(int(WIDTH * 0.280), player_is("Stopped", "Undefined"), "stopped")

    def test_a_guide_item_clicked_with_the_mouse_is_selected(self):
        client, x = self.client, self.x
        zh.log_in(client, DISTRIBUTOR, USER, PASSWORD)
        client.wait_state(zh.guide_page_ready, what="the guide page")
        # Not the first item: the page holds the first one's values until a press changes them.
        index = 1
        item = zh.guide_items(self.service)[index]
        # The page as WebEngine drew it (a moment after it is loaded): its links, found on the
        # screen by their colour, one line each, in the page's order.
        deadline = time.monotonic() + 15
        while True:
            lines = link_lines(self.shot("mainPlayer", "9-guide", least_bytes=20_000))
            if len(lines) > index or time.monotonic() > deadline:
                break
            client.pump(0.2)
        self.assertGreater(len(lines), index, "the guide's items on the screen: %s" % lines)
        at_x, at_y = lines[index]
        x.xdotool("mousemove", str(at_x), str(at_y), "click", "1")
        state = client.wait_state(lambda s: zh.button_shown(s, "MLdownload"), what="the choice")
        labels = state["guide"]["labels"]
        self.assertEqual(labels["SelectedNameLabel"], item["c_mediaTitle"])
        self.assertEqual(labels["second_line_status"], "Download")
        self.assertFalse(zh.button_shown(state, "MLplay"))
        self.assertFalse(zh.button_shown(state, "MLDelete"))

    def test_the_playlist_and_the_cache_manager_answer_a_persons_keys(self):
        client, x = self.client, self.x
        zh.log_in(client, DISTRIBUTOR, USER, PASSWORD)
        for item in zh.guide_items(self.service)[:2]:
            zh.choose(client, item)
            client.wait_state(lambda s: zh.button_shown(s, "MLdownload"), what="the choice")
            zh.press(client, "MLFavour")

        # Keys go to the window under the pointer (no window manager): over the guide's page,
        # L opens the playlist, though the page has the keyboard.
        def keys_to(at_x, at_y, *names):
            x.xdotool("mousemove", str(at_x), str(at_y), "click", "1")
            for name in names:
                x.xdotool("key", name)

        keys_to(WIDTH // 2, HEIGHT - 200, "l")
        client.wait_state(lambda s: zh.visible(s, "mediaLibrary"), what="the playlist")
        # To the entries, down to the second and delete it: one entry is left.
        keys_to(WIDTH // 2, HEIGHT - 100, "Right", "Down", "Delete")
        self.shot("mainPlayer", "10-playlist-after-delete", least_bytes=20_000)
        # Back to the buttons, down to Exit, and Enter leaves the window.
        keys_to(WIDTH // 2, HEIGHT - 100, "Left", "Down", "Down", "Return")
        client.wait_state(lambda s: not zh.visible(s, "mediaLibrary"), what="the playlist left")

        # The cache manager from the skin: the sizes of the cache's drive, then another drive
        # chosen in its list with the keys.
        since = len(client.events)
        client.request("skin_command", name="HDEngine")
        client.wait_event(lambda e: e["event"] == "status-line" and e["window"] == "HDEngine"
                          and e["control"] == "freeSpaceLabel" and e["text"].endswith("B"), since)
        list_x, list_y = (WIDTH - 560) // 2 + 316, (HEIGHT - 400) // 2 + 149
        keys_to(list_x, list_y)  # the click opens the list
        self.shot("mainPlayer", "11-cache-manager-drive-list", least_bytes=20_000)
        since = len(client.events)
        x.xdotool("key", "Down", "Return")
        chosen = client.wait_event(lambda e: e["event"] == "property-change"
                                   and e["window"] == "HDEngine" and e["control"] == "HD", since)
        self.assertRegex(chosen["value"], "^[a-z]:")

    def video_covers_the_window(self, keep_as=None):
        """The top bar of the skin is covered by the movie (its first bar, grey); the
        screenshot that shows it is kept under the name given."""
        path = os.path.join(SHOTS, (keep_as or "probe") + ".png")
        self.client.request("screenshot", window="mainPlayer", path=path)
        _, _, rows = zh.png_pixels(path)
        wide = HEIGHT * 4 // 3
        return zh.looks_like(rows[HEIGHT // 20][(WIDTH - wide) // 2 + wide // 14], (192, 192, 192))


def link_lines(path, colours=((0, 0, 238), (85, 26, 139))):
    """Where to click each link on a screenshot, top to bottom, found by its underline: a
    row with a long unbroken stretch of the engine's colours for links (new or visited),
    which no letter makes. The click goes into the letters just above it."""
    _, _, rows = zh.png_pixels(path)
    underlines = []
    for y, row in enumerate(rows):
        longest, start, at = (0, 0, 0), None, 0
        for x, pixel in enumerate(row + [(255, 255, 255)]):
            if any(zh.looks_like(pixel, colour, 40) for colour in colours):
                start = x if start is None else start
            elif start is not None:
                longest = max(longest, (x - start, start, x))
                start = None
        if longest[0] < 20:
            continue
        if underlines and y - underlines[-1][0] <= 2:
            continue  # the same underline, two rows thick
        underlines.append((y, longest[1], longest[2]))
    return [((left + right) // 2, y - 6) for y, left, right in underlines]


class WithoutADisplay(unittest.TestCase):
    def test_the_desktop_client_says_what_to_use_instead(self):
        environment = {k: v for k, v in os.environ.items()
                       if k not in ("DISPLAY", "WAYLAND_DISPLAY")}
        run = zh.subprocess.run([os.path.join(BIN, "zov")], env=environment,
                                capture_output=True, text=True, timeout=60)
        self.assertEqual(run.returncode, 2)
        self.assertEqual(len(run.stderr.splitlines()), 1)
        self.assertIn("--headless", run.stderr)
        self.assertIn("xvfb-run", run.stderr)


if __name__ == "__main__":
    unittest.main()
