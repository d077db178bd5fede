"""Downloads through the real client: a queue, an interrupted delivery server, many clients."""

import os
import unittest

from e2e_base import DESKTOP, SOURCE, EndToEndTest, zh


class Downloads(EndToEndTest):
    def test_a_queue_of_three_movies_downloads_one_after_another(self):
        service = self.start_service("--ftp-rate", "3000000")
        client = self.start_client(service)
        self.log_in(client)
        items = zh.guide_items(service)[:3]
        self.assertEqual(len(items), 3)
        for item in items:
            zh.choose(client, item)
            client.wait_state(lambda s: zh.button_shown(s, "MLdownload"), what="the choice")
            zh.press(client, "MLdownload")
        for item in items:
            self.wait_downloaded(client, item)
            self.assertSameMovie(client, item)

    def test_an_interrupted_delivery_server_is_resumed_from_where_it_stopped(self):
        # A standard FTP server behind the movie list, slow enough to be stopped mid-movie.
        ftp = zh.Pyftpdlib(SOURCE, self.sample_movies, "cdn", "cdnpass", throttle=300_000).start()
        self.addCleanup(ftp.kill)
        service = self.start_service("--delivery", "127.0.0.1:%d" % ftp.port,
                                     "--delivery-user", "cdn", "--delivery-password", "cdnpass")
        client = self.start_client(service)
        self.log_in(client)
        item = zh.guide_items(service)[0]
        zh.choose(client, item)
        client.wait_state(lambda s: zh.button_shown(s, "MLdownload"), what="the choice")
        zh.press(client, "MLdownload")

        partial = os.path.join(client.movies, item["c_uid"] + item["c_fileExtension"])
        client.wait_state(lambda s: os.path.exists(partial) and os.path.getsize(partial) > 400_000,
                          what="part of the movie")
        since = len(client.events)
        ftp.kill()
        # The engine gives up on the broken transfer and the guide clears its progress.
        client.wait_event(lambda e: e["event"] == "download-progress" and e["percent"] is None,
                          since)
        stopped_at = os.path.getsize(partial)
        self.assertFalse(os.path.exists(os.path.join(client.movies, item["c_uid"] + ".conf")))

        # The same server again, on the same port, and the movie asked for once more.
        ftp = zh.Pyftpdlib(SOURCE, self.sample_movies, "cdn", "cdnpass", port=ftp.port).start()
        self.addCleanup(ftp.kill)
        zh.choose(client, item)
        client.wait_state(lambda s: zh.button_shown(s, "MLdownload"), what="the button back")
        zh.press(client, "MLdownload")
        self.wait_downloaded(client, item)
        self.assertSameMovie(client, item)
        self.assertGreater(stopped_at, 0)

    def test_many_clients_log_in_and_download_at_once(self):
        service = self.start_service()
        items = zh.guide_items(service)
        # A desktop client brings a browser engine of its own: four share two cores well.
        count = 4 if DESKTOP else 20
        clients = [self.start_client(service, "client%02d" % n) for n in range(count)]
        for client in clients:
            client.wait_state(lambda s: zh.visible(s, "LoginPage"), what="the login page")
            client.send("login_command", action="Connect", distributor="demo", user="guest",
                        password="guest")
        for n, client in enumerate(clients):
            client.wait_state(lambda s: zh.visible(s, "movieGuide"), what="the guide")
            item = items[n % len(items)]
            zh.choose(client, item)
            client.wait_state(lambda s: zh.button_shown(s, "MLdownload"), what="the choice")
            client.send("press_button", window="movieGuide", control="MLdownload")
        for n, client in enumerate(clients):
            item = items[n % len(items)]
            self.wait_downloaded(client, item)
            self.assertSameMovie(client, item)


if __name__ == "__main__":
    unittest.main()
