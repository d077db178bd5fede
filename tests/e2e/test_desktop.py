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


if __name__ == "__main__":
    unittest.main()
