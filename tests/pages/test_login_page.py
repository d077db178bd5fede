"""The login page in a real browser: it opens in the distributor field with its three
variables reported, keeps the client's copy of each field current, and sends "Connect"
only after the fields it will be read for."""

import unittest

from page_harness import commands, notes, reports, run_page

FIELDS = ["distributorBox", "userBox", "passBox"]

TYPE = """
function type(id, text) {
  const field = document.getElementById(id);
  field.value = text;
  field.dispatchEvent(new Event("input", {bubbles: true}));
}
"""


class LoginPage(unittest.TestCase):
    def test_opens_in_the_distributor_field_with_its_fields_reported(self):
        events = run_page("Main.html", """
            function scenario() { probe.note("focus", document.activeElement.id); }""")
        ready = events.index(("zov:ready", None))
        self.assertEqual(reports(events[:ready]), [(name, "") for name in FIELDS])
        self.assertEqual(notes(events)["focus"], "distributorBox")

    def test_connect_comes_after_the_fields_as_typed(self):
        events = run_page("Main.html", TYPE + """
            function scenario() {
              type("distributorBox", "acme"); type("userBox", "u1");
              type("userBox", "u12");
              // Filled in without an input event, as a browser's autofill may do.
              document.getElementById("passBox").value = "s3cret";
              document.getElementById("login").requestSubmit();
              document.querySelector('[data-command="Connect"]').click();
            }""")
        connect = events.index(("zov:fscommand", {"command": "Connect", "args": ""}))
        latest = dict(reports(events[:connect]))
        self.assertEqual([latest[name] for name in FIELDS], ["acme", "u12", "s3cret"])
        self.assertEqual(commands(events), [("Connect", ""), ("Connect", "")])

    def test_a_client_write_changes_the_field_and_exit_sends_end(self):
        events = run_page("Main.html", """
            function scenario() {
              probe.write("userBox", "from the client");
              probe.write("somethingElse", "kept");
              probe.note("field", document.getElementById("userBox").value);
              document.querySelector('[data-command="End"]').click();
            }""")
        after = reports(events[events.index(("zov:ready", None)):])
        self.assertEqual(after, [("userBox", "from the client"), ("somethingElse", "kept")])
        self.assertEqual(notes(events), {"field": "from the client"})
        self.assertEqual(commands(events), [("End", "")])


if __name__ == "__main__":
    unittest.main()
