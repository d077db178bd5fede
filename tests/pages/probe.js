// Loaded into a page under test before the page's own script: it records every event the
// page sends, gives the page a clock that only the scenario moves, and offers the
// scenario a few helpers. The scenario's function `scenario` runs once the page is ready;
// `whileLoading`, if defined, runs before the page has finished loading.
"use strict";

const probe = {
  log: [],
  now: 0,
  timers: new Map(),
  nextTimer: 1,

  // The client's side of the page: a variable written into the page.
  write(name, value) {
    this.send("zov:setvariable", JSON.stringify({ name, value }));
  },
  send(type, detail) {
    document.dispatchEvent(new CustomEvent(type, { detail }));
  },
  note(what, value) {
    this.log.push(["note", { what, value }]);
  },
  text(selector) {
    return document.querySelector(selector).textContent;
  },

  // Runs every interval due within the next `ms` milliseconds, in order.
  tick(ms) {
    const end = this.now + ms;
    for (;;) {
      let due = null;
      for (const timer of this.timers.values()) {
        if (timer.at <= end && (!due || timer.at < due.at)) due = timer;
      }
      if (!due) break;
      this.now = due.at;
      due.at += due.period;
      due.callback();
    }
    this.now = end;
  },
};

window.setInterval = (callback, period) => {
  const id = probe.nextTimer++;
  period = Math.max(1, period);
  probe.timers.set(id, { callback, period, at: probe.now + period });
  return id;
};
window.clearInterval = (id) => probe.timers.delete(id);

for (const type of ["zov:fscommand", "zov:variable", "zov:ready"]) {
  document.addEventListener(type, (event) => {
    probe.log.push([type, event.detail === undefined ? null : JSON.parse(event.detail)]);
  });
}

document.addEventListener("DOMContentLoaded", () => {
  if (typeof whileLoading === "function") whileLoading();
});

document.addEventListener("zov:ready", () => {
  try {
    scenario();
  } catch (error) {
    probe.note("error", String(error && error.stack ? error.stack : error));
  }
  const out = document.createElement("pre");
  out.id = "probe-log";
  out.textContent = JSON.stringify(probe.log);
  document.body.append(out);
});
