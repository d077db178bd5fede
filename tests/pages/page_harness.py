"""Runs one of the client's pages in headless Chromium with tests/pages/probe.js and a
scenario, and returns what the page sent: a list of (event type, detail) pairs, where the
scenario's own notes are ("note", {"what", "value"})."""

import html
import json
import os
import re
import shutil
import subprocess
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
SOURCE = os.environ.get("ZOV_SOURCE_DIR", os.path.abspath(os.path.join(HERE, "..", "..")))
PAGES = os.path.join(SOURCE, "app", "zov", "pages")

SCRIPT_TAG = re.compile(r'<script src="([^"]+)"></script>')
LOG = re.compile(r'<pre id="probe-log">(.*?)</pre>', re.S)


def chromium():
    path = shutil.which("chromium")
    if not path:
        raise RuntimeError("headless Chromium is needed: install Debian's chromium (scripts/setup)")
    return path


def run_page(page, scenario):
    """Loads `page` (a file name in app/zov/pages) with `scenario` (JavaScript that defines
    function scenario() and optionally whileLoading()) and returns the recorded events."""
    with tempfile.TemporaryDirectory(prefix="zov-pages-") as folder:
        copy = os.path.join(folder, "pages")
        shutil.copytree(PAGES, copy)
        shutil.copy(os.path.join(HERE, "probe.js"), copy)
        with open(os.path.join(copy, "scenario.js"), "w") as out:
            out.write(scenario)
        path = os.path.join(copy, page)
        with open(path) as source:
            text = source.read()
        tags = SCRIPT_TAG.findall(text)
        if len(tags) != 1:
            raise AssertionError("%s has %d scripts, expected its one" % (page, len(tags)))
        text = text.replace('<script src="%s">' % tags[0],
                            '<script src="probe.js"></script><script src="scenario.js"></script>'
                            '<script src="%s">' % tags[0])
        with open(path, "w") as out:
            out.write(text)
        run = subprocess.run(
            [chromium(), "--headless", "--no-sandbox", "--disable-gpu", "--no-first-run",
             "--user-data-dir=" + os.path.join(folder, "profile"), "--dump-dom",
             "file://" + path],
            capture_output=True, text=True, timeout=120)
    found = LOG.search(run.stdout)
    if not found:
        raise AssertionError("%s never became ready (Chromium status %d): %s"
                             % (page, run.returncode, run.stderr[-2000:]))
    events = [tuple(entry) for entry in json.loads(html.unescape(found.group(1)))]
    errors = [detail["value"] for kind, detail in events
              if kind == "note" and detail["what"] == "error"]
    if errors:
        raise AssertionError("the scenario failed: " + errors[0])
    return events


def commands(events):
    return [(d["command"], d["args"]) for kind, d in events if kind == "zov:fscommand"]


def reports(events):
    return [(d["name"], d["value"]) for kind, d in events if kind == "zov:variable"]


def notes(events):
    return {d["what"]: d["value"] for kind, d in events if kind == "note"}
