"use strict";
// The skin: shows the title, the times and the download progress that the client writes
// into its variables, and turns its buttons and seek bar into commands for the client.
// Commands go out as "zov:fscommand" events, variables come in as "zov:setvariable" and
// every change of a variable goes out as "zov:variable" (details are JSON text).
(function () {
  const UPDATE_TIME_PERIOD_MS = 500;

  // The variables the client writes; a name written that is not here is kept as well.
  const variables = new Map([
    ["videoName", ""],
    ["totalTime", ""],
    ["totalTimestring", ""],
    ["txtTime", ""],
    ["nowTime", ""],
    ["slashstring", ""],
    ["_root.progressbar.percentage", ""],
  ]);

  const view = {
    nowShowing: document.querySelector(".now-showing"),
    title: document.getElementById("title"),
    position: document.getElementById("position"),
    slash: document.getElementById("slash"),
    length: document.getElementById("length"),
    seek: document.getElementById("seek"),
    progress: document.getElementById("progress"),
    percentage: document.getElementById("percentage"),
  };

  // A length was written since the last movie went away (the client blanks the title on
  // stop but leaves the old length in place).
  let lengthKnown = false;
  // The length as text: from whichever of totalTime and totalTimestring came last, since
  // the embedded player writes only the first and the external player both.
  let lengthText = "";
  let seeking = false;
  let clock = null;

  function send(type, detail) {
    const init = detail === undefined ? {} : { detail: JSON.stringify(detail) };
    document.dispatchEvent(new CustomEvent(type, init));
  }

  function raise(command, args = "") {
    send("zov:fscommand", { command, args });
  }

  function report(name) {
    send("zov:variable", { name, value: variables.get(name) });
  }

  // The client blanks a text by writing one space.
  function isBlank(text) {
    return text === "" || text === " ";
  }

  function numberIn(text) {
    const trimmed = text.trim();
    if (trimmed === "") return null;
    const value = Number(trimmed);
    return Number.isFinite(value) ? value : null;
  }

  // Same form as the client's own position text: mm:ss, hh:mm:ss from an hour on.
  function clockText(seconds) {
    const whole = Math.max(0, Math.floor(seconds));
    const two = (n) => String(n).padStart(2, "0");
    const hours = Math.floor(whole / 3600);
    const rest = two(Math.floor(whole / 60) % 60) + ":" + two(whole % 60);
    return hours > 0 ? two(hours) + ":" + rest : rest;
  }

  function movieUp() {
    return lengthKnown || !isBlank(variables.get("videoName"));
  }

  function apply(name, value) {
    variables.set(name, value);
    if (name === "videoName" && isBlank(value)) {
      lengthKnown = false;
    } else if (name === "totalTime") {
      lengthKnown = !isBlank(value);
      const seconds = numberIn(value);
      lengthText = seconds !== null && seconds > 0 ? clockText(seconds) : "";
    } else if (name === "totalTimestring") {
      lengthText = isBlank(value) ? "" : value;
    }
    render();
    report(name);
    runClock();
  }

  function render() {
    const up = movieUp();
    const title = variables.get("videoName");
    view.title.textContent = isBlank(title) ? "" : title;
    view.nowShowing.classList.toggle("empty", isBlank(title));

    const length = numberIn(variables.get("totalTime")) || 0;
    view.seek.disabled = !(up && length > 0);
    view.seek.max = String(up ? length : 0);
    if (!seeking) view.seek.value = String(numberIn(variables.get("nowTime")) || 0);

    const position = variables.get("txtTime");
    view.position.textContent = !up
      ? ""
      : seeking
        ? clockText(Number(view.seek.value))
        : isBlank(position)
          ? ""
          : position;
    view.length.textContent = up ? lengthText : "";
    const slash = variables.get("slashstring");
    const bothShown = view.position.textContent !== "" && view.length.textContent !== "";
    view.slash.textContent = !up ? "" : !isBlank(slash) ? slash : bothShown ? "/" : "";

    const downloaded = numberIn(variables.get("_root.progressbar.percentage")) || 0;
    const percent = Math.min(100, Math.max(0, downloaded));
    view.progress.value = percent;
    view.percentage.textContent = Math.round(percent) + "%";
  }

  // While a movie is up the client is asked for fresh times twice a second; never else.
  function runClock() {
    if (movieUp() && clock === null) {
      clock = setInterval(() => raise("UPDATE_TIME"), UPDATE_TIME_PERIOD_MS);
      raise("UPDATE_TIME");
    } else if (!movieUp() && clock !== null) {
      clearInterval(clock);
      clock = null;
    }
  }

  function parseDetail(detail) {
    if (typeof detail !== "string") return detail;
    try {
      return JSON.parse(detail);
    } catch (error) {
      return null;
    }
  }

  document.addEventListener("zov:setvariable", (event) => {
    const write = parseDetail(event.detail);
    if (!write || typeof write.name !== "string") return;
    apply(write.name, write.value === undefined || write.value === null ? "" : String(write.value));
  });

  // One listener for every button: Enter and Space on a focused button click it too.
  document.addEventListener("click", (event) => {
    const button = event.target.closest("button[data-command]");
    if (button) raise(button.dataset.command, "");
  });

  // The position is sent when the thumb is let go (or moved by a key), not while dragging.
  view.seek.addEventListener("input", () => {
    seeking = true;
    render();
  });
  view.seek.addEventListener("change", () => {
    seeking = false;
    const target = Math.round(Number(view.seek.value) * 1000) / 1000;
    raise("UPDATE_POSITION", String(target));
    render();
  });

  window.addEventListener("load", () => {
    for (const name of variables.keys()) report(name);
    send("zov:ready");
  });

  render();
})();
