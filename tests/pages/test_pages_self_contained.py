"""The skin and login pages as shipped: nothing fetched from outside, every file they name
present, a button for every command the client acts on, and scripts that speak only the
page events the client listens to. Python's standard library only: no browser needed."""

import os
import re
import unittest
from html.parser import HTMLParser

from page_harness import PAGES

SKIN_COMMANDS = {"full_screen", "help", "idv_central", "open_favorite", "HDEngine", "preview",
                 "min", "play", "stop", "pause", "rewind", "forward", "End", "bookmark"}
PAGE_EVENTS = {"zov:fscommand", "zov:setvariable", "zov:variable", "zov:ready"}


class Page(HTMLParser):
    """The elements of a page in document order, as (tag, attributes, text inside)."""

    def __init__(self, name):
        super().__init__()
        self.elements, self.inline_scripts, self._open = [], [], []
        with open(os.path.join(PAGES, name)) as page:
            self.feed(page.read())

    def handle_starttag(self, tag, attrs):
        self.elements.append([tag, dict(attrs), ""])
        if tag not in ("input", "link", "meta", "br", "img"):
            self._open.append(self.elements[-1])

    def handle_startendtag(self, tag, attrs):
        self.elements.append([tag, dict(attrs), ""])

    def handle_endtag(self, tag):
        while self._open:
            if self._open.pop()[0] == tag:
                break

    def handle_data(self, data):
        for element in self._open:
            element[2] += data
        if self._open and self._open[-1][0] == "script" and data.strip():
            self.inline_scripts.append(data)

    def all(self, tag, **wanted):
        return [e for e in self.elements
                if e[0] == tag and all(e[1].get(k) == v for k, v in wanted.items())]


def read(name):
    with open(os.path.join(PAGES, name)) as source:
        return source.read()


class SelfContained(unittest.TestCase):
    def test_every_file_named_is_shipped_and_nothing_comes_from_outside(self):
        for name in sorted(os.listdir(PAGES)):
            with self.subTest(file=name):
                text = read(name)
                self.assertNotRegex(text, r"(?i)https?:|ftp:|url\(\s*['\"]?//|@import")
                self.assertNotRegex(text, r"\b(fetch|XMLHttpRequest|WebSocket|EventSource)\b")
                if not name.endswith(".html"):
                    continue
                page = Page(name)
                named = [e[1].get("src") or e[1].get("href") for e in page.elements
                         if e[0] in ("script", "link", "img")]
                for ref in named:
                    self.assertNotRegex(ref, r"^(/|[a-z]+:)", ref)
                    self.assertTrue(os.path.isfile(os.path.join(PAGES, ref)), ref)
                self.assertEqual(len(page.all("script")), 1, "one script per page")
                self.assertEqual(page.inline_scripts, [])
                handlers = [k for e in page.elements for k in e[1] if k.startswith("on")]
                self.assertEqual(handlers, [])

    def test_scripts_speak_only_the_page_events(self):
        for script in ("mainplayer.js", "Main.js"):
            with self.subTest(script=script):
                text = read(script)
                self.assertEqual(set(re.findall(r"zov:[A-Za-z]+", text)), PAGE_EVENTS)
                self.assertNotRegex(text, r"(?i)\bqt\b|webchannel|bridge")


class Controls(unittest.TestCase):
    def test_skin_has_a_labelled_button_for_every_command_and_the_seek_bar(self):
        page = Page("mainplayer.html")
        buttons = page.all("button")
        self.assertEqual(sorted(b[1].get("data-command") for b in buttons), sorted(SKIN_COMMANDS))
        for tag, attributes, text in buttons:
            self.assertTrue(text.strip(), "%s has no visible label" % attributes)
            self.assertEqual(attributes.get("type"), "button")
        self.assertEqual(len(page.all("input", type="range", id="seek")), 1)

    def test_login_fields_and_buttons_in_tab_order(self):
        page = Page("Main.html")
        stops = [e[1].get("id") or e[1].get("data-command") for e in page.elements
                 if e[0] in ("input", "button", "select", "textarea", "a")]
        self.assertEqual(stops, ["distributorBox", "userBox", "passBox", "Connect", "End"])
        self.assertEqual(page.all("input", id="passBox")[0][1]["type"], "password")
        self.assertIn("autofocus", page.all("input", id="distributorBox")[0][1])
        self.assertEqual(page.all("button", **{"data-command": "Connect"})[0][1]["type"], "submit")
        for page_name in ("Main.html", "mainplayer.html"):
            ordered = [e for e in Page(page_name).elements if int(e[1].get("tabindex") or 0) > 0]
            self.assertEqual(ordered, [], "%s reorders the tab stops" % page_name)


if __name__ == "__main__":
    unittest.main()
