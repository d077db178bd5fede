"""A subscriber's paths through the real client and the reference service."""

import os
import unittest

from e2e_base import BIN, PASSWORD, SOURCE, USER, DISTRIBUTOR, EndToEndTest, zh

import demo


class SubscriberPaths(EndToEndTest):
    def test_the_demo_path_with_real_playback(self):
        service = self.start_service("--ftp-rate", "4000000")
        client = self.start_client(service, simulated_player=False)
        title = demo.walk(client, service, client.movies)
        self.assertTrue(title)
        client.request("skin_command", name="End")
        self.assertEqual(client.wait_exit(), 0)

    def test_the_live_channel_streams_into_the_player(self):
        service = self.start_service()
        client = self.start_client(service, simulated_player=False)
        self.log_in(client)
        live = [item for item in zh.guide_items(service, streams=True)
                if item["c_fileExtension"] == ".streaming"][0]
        since = len(client.events)
        zh.choose(client, live)  # a live item plays at once
        # A stream fills its buffer first, then plays.
        client.wait_event(lambda e: e["event"] == "player-state" and e["state_name"] == "Buffering",
                          since)
        state = client.wait_state(lambda s: s["player"]["state_name"] == "Playing",
                                  what="the stream playing")
        self.assertEqual(state["player"]["URL"], live["c_uid"])
        self.assertGreater(state["player"]["duration"], 5)

    def test_a_wrong_password_brings_the_login_page_back(self):
        service = self.start_service()
        client = self.start_client(service)
        client.wait_state(lambda s: zh.visible(s, "LoginPage"), what="the login page")
        since = len(client.events)
        client.request("login_command", action="Connect", distributor=DISTRIBUTOR, user=USER,
                       password="not-" + PASSWORD)
        client.wait_event(lambda e: e["event"] == "status-line" and e["window"] == "frmLogo"
                          and e["text"] == "Invalid Password...", since)
        state = client.wait_state(lambda s: zh.visible(s, "LoginPage"), what="the login page")
        self.assertFalse(zh.visible(state, "mainPlayer"))
        self.assertFalse(zh.visible(state, "movieGuide"))

        # The right password then works in the same client.
        self.log_in(client)

    def test_a_newer_version_on_the_version_server_is_announced(self):
        service = self.start_service("--newest-version", "9.1.0")
        client = self.start_client(service)
        client.wait_state(lambda s: zh.visible(s, "LoginPage"), what="the login page")
        since = len(client.events)
        client.request("login_command", action="Connect", distributor=DISTRIBUTOR, user=USER,
                       password=PASSWORD)
        event = client.wait_event(lambda e: e["event"] == "status-line"
                                  and "latest version" in e["text"], since)
        self.assertIn("The current version of the player is 5.3.135", event["text"])
        self.assertIn("The latest version is 9.1.0", event["text"])
        self.assertFalse(zh.visible(client.request("get_state"), "movieGuide"))


if __name__ == "__main__":
    unittest.main()
