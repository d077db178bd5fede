"use strict";
// The login page: three fields and two buttons. Each field is the variable of its id; the
// client reads them when "Connect" arrives, so every edit is reported as it happens.
// Commands go out as "zov:fscommand" events, variables come in as "zov:setvariable" and
// every change of a variable goes out as "zov:variable" (details are JSON text).
(function () {
  const fields = ["distributorBox", "userBox", "passBox"].map((id) => document.getElementById(id));
  const form = document.getElementById("login");

  // The fields' variables first; a name written that is not a field is kept as well.
  const variables = new Map(fields.map((field) => [field.id, field.value]));

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

  function fieldNamed(name) {
    return fields.find((field) => field.id === name);
  }

  function apply(name, value) {
    const field = fieldNamed(name);
    if (field && field.value !== value) field.value = value;
    variables.set(name, value);
    report(name);
  }

  // What the person sees in the fields is what the client must have read.
  function catchUp() {
    for (const field of fields) {
      if (variables.get(field.id) !== field.value) apply(field.id, field.value);
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

  for (const field of fields) field.addEventListener("input", () => apply(field.id, field.value));

  // Enter in any field submits the form, and so does the Connect button.
  form.addEventListener("submit", (event) => {
    event.preventDefault();
    catchUp();
    raise("Connect", "");
  });

  const end = document.querySelector('button[data-command="End"]');
  end.addEventListener("click", () => raise("End", ""));

  // Shown again after a failed login: back to the first field unless a control has focus.
  document.addEventListener("visibilitychange", () => {
    const lost = !form.contains(document.activeElement);
    if (document.visibilityState === "visible" && lost) fields[0].focus();
  });

  window.addEventListener("load", () => {
    catchUp();
    for (const name of variables.keys()) report(name);
    fields[0].focus();
    send("zov:ready");
  });
})();
