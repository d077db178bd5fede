#include "ui/desktop/page_mirror_script.hpp"

namespace zov::ui::desktop {
namespace {

// Runs in the bridge's own script world; the page's scripts never see it. It numbers the
// page's elements (a WeakMap, nothing the page can read), describes the document to the
// client when asked (handOver), then reports every change as it happens: the elements whose
// children, attributes or value changed, each child either text (a string), an element the
// client already knows (its number) or a new one (its whole description). Every message
// carries the document's token, a sequence number and the number of the latest client write
// applied, so the client can put messages in order and tell a stale report from a fresh one.
constexpr auto kScript = R"JS(
"use strict";
var zovMirror = (typeof zovMirror === "object" && zovMirror) || (function () {
  const numbers = new WeakMap();
  const elements = new Map();
  const wired = new WeakMap();
  const dirty = new Set();
  const waiting = [];
  const token = Date.now().toString(36) + "-" + Math.random().toString(36).slice(2);
  const fieldTags = ["input", "textarea", "select", "button", "option", "param", "output"];
  let nextNumber = 1, applied = 0, seq = 0, client = null, handedOver = false;

  function register(element, number) {
    numbers.set(element, number);
    elements.set(number, new WeakRef(element));
  }
  function numberOf(element) {
    if (!numbers.has(element)) register(element, nextNumber++);
    return numbers.get(element);
  }
  function elementOf(number) {
    const ref = elements.get(number);
    const element = ref && ref.deref();
    return element && element.isConnected ? element : null;
  }
  function describe(element, refer) {
    const description = { n: numberOf(element), t: element.localName, a: [], c: [] };
    for (const attribute of element.attributes) description.a.push([attribute.name, attribute.value]);
    if (fieldTags.includes(element.localName)) description.v = String(element.value);
    for (const node of element.childNodes) {
      if (node.nodeType === Node.TEXT_NODE || node.nodeType === Node.CDATA_SECTION_NODE)
        description.c.push(node.data);
      else if (node.nodeType !== Node.ELEMENT_NODE) continue;
      else if (refer && numbers.has(node) && !dirty.has(node)) description.c.push(numbers.get(node));
      else description.c.push(describe(node, refer));
    }
    return description;
  }
  function frames() {
    return Array.from(document.querySelectorAll("iframe[src], frame[src]"), (frame) => frame.src);
  }
  function send(message) {
    message.token = token;
    message.seq = ++seq;
    message.applied = applied;
    const text = JSON.stringify(message);
    if (client) client.message(text);
    else waiting.push(text);
  }
  function markAll(records) {
    for (const record of records) {
      const target = record.type === "characterData" ? record.target.parentElement : record.target;
      if (target instanceof Element) dirty.add(target);
    }
  }
  function flush() {
    markAll(observer.takeRecords());
    if (!handedOver || dirty.size === 0) return;
    const items = [];
    for (const element of dirty) if (element.isConnected) items.push(describe(element, true));
    dirty.clear();
    if (items.length) send({ kind: "update", items: items });
  }
  const observer = new MutationObserver((records) => {
    markAll(records);
    flush();
  });
  observer.observe(document, { subtree: true, childList: true, attributes: true, characterData: true });
  for (const type of ["input", "change"]) {
    document.addEventListener(type, (event) => {
      if (event.target instanceof Element) dirty.add(event.target);
      flush();
    }, true);
  }
  function fieldValues() {
    const values = [];
    for (const field of document.querySelectorAll(fieldTags.join(",")))
      if (numbers.has(field)) values.push([numbers.get(field), String(field.value)]);
    return values;
  }
  // A wired event goes to the client with the values of the fields as they are now, after
  // the page's own handlers of the events before it (a mousedown, a focus) have run. The
  // client's handler answers later, so a wired click never follows its link.
  for (const type of ["click", "mouseover", "mouseout"]) {
    document.addEventListener(type, (event) => {
      let element = event.target instanceof Element ? event.target : event.target.parentElement;
      while (element && !(wired.get(element) || new Set()).has(type)) element = element.parentElement;
      if (!element || !numbers.has(element)) return;
      if (type === "click") event.preventDefault();
      flush();
      send({ kind: "event", n: numbers.get(element), ev: type, fields: type === "click" ? fieldValues() : [] });
    }, true);
  }
  function numberNew(element, numbered) {
    let at = 0;
    for (const node of element.querySelectorAll("*")) {
      if (at >= numbered.length || numbered[at][1] !== node.localName) break;
      register(node, numbered[at++][0]);
    }
  }
  const operations = {
    value(element, value) { element.value = value; dirty.add(element); },
    text(element, text) { element.textContent = text; },
    html(element, html, numbered) { element.innerHTML = html; numberNew(element, numbered); },
    insertRow(element, index, rowNumber, sectionNumber) {
      const row = element.insertRow(index);
      register(row, rowNumber);
      if (row.parentElement !== element && !numbers.has(row.parentElement))
        register(row.parentElement, sectionNumber);
    },
    deleteRow(element, index) { element.deleteRow(index); },
    insertCell(element, index, cellNumber) { register(element.insertCell(index), cellNumber); },
    wire(element, type, on) {
      const types = wired.get(element) || new Set();
      if (on) types.add(type); else types.delete(type);
      wired.set(element, types);
    },
    fire(element, type) {
      element.dispatchEvent(new MouseEvent(type, { bubbles: true, cancelable: true, view: window }));
    },
  };

  return {
    connect(object) {
      client = object;
      for (const text of waiting.splice(0)) client.message(text);
    },
    // The whole document, as the base the later reports change.
    handOver() {
      markAll(observer.takeRecords());
      dirty.clear();
      handedOver = true;
      return JSON.stringify({ token: token, seq: ++seq, applied: applied, frames: frames(),
                              root: describe(document.documentElement, false) });
    },
    apply(forToken, number, operation) {
      if (forToken !== token) return;
      applied = number;
      const element = elementOf(operation[1]);
      try {
        if (element) operations[operation[0]](element, ...operation.slice(2));
      } catch (error) {
        // The client checked the operation against its mirror; the page may differ.
      }
      flush();
    },
    rect(number) {
      const element = elementOf(number);
      if (!element) return null;
      const box = element.getBoundingClientRect();
      return [box.left, box.top, box.width, box.height];
    },
  };
})();
if (typeof QWebChannel === "function" && typeof qt === "object" && !zovMirror.connecting) {
  zovMirror.connecting = true;
  new QWebChannel(qt.webChannelTransport, (channel) => zovMirror.connect(channel.objects.mirror));
}
)JS";

}  // namespace

QString pageMirrorScript() {
    return QString::fromUtf8(kScript);
}

}  // namespace zov::ui::desktop
