"""The skin page in a real browser: what it reports, when it asks for times, what it shows
and which commands its controls send. The page's clock is the probe's, moved by hand."""

import unittest

from page_harness import commands, notes, reports, run_page

KNOWN = ["videoName", "totalTime", "totalTimestring", "txtTime", "nowTime", "slashstring",
         "_root.progressbar.percentage"]

# Notes what the skin shows, under a label.
SHOW = """
function show(label) {
  const seek = document.getElementById("seek");
  probe.note(label, {
    title: probe.text("#title"), position: probe.text("#position"),
    slash: probe.text("#slash"), length: probe.text("#length"),
    percentage: probe.text("#percentage"), progress: document.getElementById("progress").value,
    seek: [seek.disabled, Number(seek.max), Number(seek.value)],
  });
}
"""


def ticks(events):
    """The UPDATE_TIME requests between the scenario's notes, one count per note."""
    counts, count = [], 0
    for kind, detail in events:
        if kind == "note":
            counts.append(count)
            count = 0
        elif kind == "zov:fscommand":
            assert detail == {"command": "UPDATE_TIME", "args": ""}, detail
            count += 1
    return counts


class SkinPage(unittest.TestCase):
    def test_opening_report_holds_every_variable_then_ready(self):
        events = run_page("mainplayer.html", """
            function whileLoading() { probe.write("txttime", " "); }
            function scenario() {}""")
        ready = events.index(("zov:ready", None))
        self.assertEqual(ready, len(events) - 1)
        opening = reports(events[:ready])[-len(KNOWN) - 1:]
        self.assertEqual(opening, [(name, "") for name in KNOWN] + [("txttime", " ")])
        self.assertEqual(commands(events), [])

    def test_asks_for_times_twice_a_second_only_while_a_movie_is_up(self):
        events = run_page("mainplayer.html", """
            function scenario() {
              probe.tick(5000); probe.note("nothing up");
              probe.write("videoName", "Colour Bars"); probe.note("title arrives");
              probe.tick(2000); probe.note("two seconds");
              probe.write("totalTime", "12.5"); probe.tick(1000); probe.note("length arrives");
              probe.write("videoName", " "); probe.write("slashstring", " ");
              probe.tick(5000); probe.note("stopped, old length left");
              probe.write("totalTime", "600"); probe.note("a stream reports its length");
              probe.tick(500); probe.note("half a second");
              probe.write("totalTime", " "); probe.tick(5000); probe.note("blanked");
            }""")
        self.assertEqual(ticks(events), [0, 1, 4, 2, 0, 1, 1, 0])

    def test_shows_title_times_and_progress_from_the_variables(self):
        events = run_page("mainplayer.html", SHOW + """
            function scenario() {
              show("nothing up");
              probe.write("videoName", "Colour Bars"); probe.write("totalTime", "3725.5");
              probe.write("txtTime", "01:02:03"); probe.write("nowTime", "1800");
              show("embedded");
              probe.write("totalTime", "90"); probe.write("totalTimestring", "00:01:30");
              probe.write("slashstring", "/"); show("external");
              probe.write("videoName", " "); probe.write("slashstring", " "); show("stopped");
              for (const value of ["45", "150", "-3", "abc", "12.7"]) {
                probe.write("_root.progressbar.percentage", value); show("download " + value);
              }
            }""")
        shown = notes(events)
        blank = {"title": "", "position": "", "slash": "", "length": "",
                 "percentage": "0%", "progress": 0, "seek": [True, 0, 0]}
        self.assertEqual(shown["nothing up"], blank)
        self.assertEqual(shown["embedded"], {
            "title": "Colour Bars", "position": "01:02:03", "slash": "/", "length": "01:02:05",
            "percentage": "0%", "progress": 0, "seek": [False, 3725.5, 1800]})
        self.assertEqual(shown["external"]["length"], "00:01:30")
        self.assertEqual(shown["stopped"], blank)
        self.assertEqual([(shown["download " + v]["percentage"], shown["download " + v]["progress"])
                          for v in ["45", "150", "-3", "abc", "12.7"]],
                         [("45%", 45), ("100%", 100), ("0%", 0), ("0%", 0), ("13%", 12.7)])

    def test_reports_every_write_back_and_ignores_broken_ones(self):
        events = run_page("mainplayer.html", """
            function scenario() {
              probe.send("zov:setvariable", "not json");
              probe.send("zov:setvariable", JSON.stringify({value: "no name"}));
              probe.write("videoName", "Film-Downloading... 45%");
              probe.write("Totaltimestring", " ");
              probe.send("zov:setvariable", JSON.stringify({name: "nowTime", value: 12}));
            }""")
        after = reports(events[events.index(("zov:ready", None)):])
        self.assertEqual(after, [("videoName", "Film-Downloading... 45%"),
                                 ("Totaltimestring", " "), ("nowTime", "12")])

    def test_seek_bar_sends_the_target_once_let_go(self):
        events = run_page("mainplayer.html", SHOW + """
            function scenario() {
              probe.write("videoName", "M"); probe.write("totalTime", "100");
              probe.write("nowTime", "10");
              const seek = document.getElementById("seek");
              seek.value = "42.5"; seek.dispatchEvent(new Event("input"));
              probe.write("nowTime", "11"); show("dragging");
              seek.dispatchEvent(new Event("change")); probe.note("let go", null);
              probe.write("nowTime", "43"); show("landed");
            }""")
        sent = [c for c in commands(events) if c[0] != "UPDATE_TIME"]
        self.assertEqual(sent, [("UPDATE_POSITION", "42.5")])
        shown = notes(events)
        self.assertEqual((shown["dragging"]["position"], shown["dragging"]["seek"][2]),
                         ("00:42", 42.5))
        self.assertEqual(shown["landed"]["seek"][2], 43)

    def test_every_button_sends_its_command_and_can_take_the_focus(self):
        events = run_page("mainplayer.html", """
            function scenario() {
              const buttons = [...document.querySelectorAll("button")];
              probe.note("buttons", buttons.map((b) => b.dataset.command));
              probe.note("focusable", buttons.every((b) => { b.focus();
                return document.activeElement === b; }));
              for (const button of buttons) button.click();
            }""")
        shown = notes(events)
        self.assertTrue(shown["focusable"])
        self.assertEqual(commands(events), [(name, "") for name in shown["buttons"]])


if __name__ == "__main__":
    unittest.main()
