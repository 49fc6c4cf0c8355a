// Runs newtab.js against a small fake DOM and checks what it does: where a submitted text
// navigates to, the greeting, and the broken-favicon handling. A failed assert ends Node non-zero.
'use strict';
const assert = require('node:assert/strict');
const source = require('node:fs').readFileSync(process.argv[2], 'utf8');

// An element that keeps its classes and listeners; dispatch drops the listeners added "once".
function fakeElement(classes = []) {
  const element = { classes: new Set(classes), listeners: {}, dataset: {} };
  element.classList = { add: (name) => element.classes.add(name), contains: (name) => element.classes.has(name) };
  element.addEventListener = (type, listener, options) =>
    (element.listeners[type] ||= []).push({ listener, once: !!(options && options.once) });
  element.dispatch = (type, event = {}) => {
    const listeners = element.listeners[type] || [];
    element.listeners[type] = listeners.filter((entry) => !entry.once);
    listeners.forEach((entry) => entry.listener(event));
  };
  element.focus = () => { element.focused = true; };
  return element;
}

// Loads the page script into a fresh page; submit(text) returns where the page navigated.
function loadPage({ template = '', bodyClasses = [], hour = 10, key = '9f0e' } = {}) {
  const body = fakeElement(bodyClasses);
  body.dataset.template = template;
  body.dataset.key = key;
  const elements = { f: fakeElement(), q: fakeElement(), greet: fakeElement() };
  const images = [fakeElement(), fakeElement()];
  const location = { href: 'corvane://newtab/' };
  const document = { body, getElementById: (id) => elements[id] || null,
    querySelectorAll: (selector) => (selector === '.tile img' ? images : []) };
  const FixedDate = class extends Date { getHours() { return hour; } };
  require('node:vm').runInNewContext(source, { document, location, Date: FixedDate, encodeURIComponent });
  const submit = (text) => {
    elements.q.value = text;
    let prevented = false;
    elements.f.dispatch('submit', { preventDefault: () => { prevented = true; } });
    assert.ok(prevented, 'the form is never submitted itself');
    return location.href;
  };
  return { submit, elements, images };
}

// Every typed text goes to the browser, which reads it as the address field does, with the key
// the page was given.
for (const [typed, expected] of [
  ['  127.0.0.1:8080/x  ', 'corvane://newtab/go?key=9f0e&q=127.0.0.1%3A8080%2Fx'],
  ['http://localhost:3000/a?b=1&c#d', 'corvane://newtab/go?key=9f0e&q=http%3A%2F%2Flocalhost%3A3000%2Fa%3Fb%3D1%26c%23d'],
  ['$& price é', 'corvane://newtab/go?key=9f0e&q=%24%26%20price%20%C3%A9'],
  ['   ', 'corvane://newtab/'],
]) {
  assert.equal(loadPage().submit(typed), expected, typed);
}

for (const [hour, text] of [[4, 'Burning the midnight oil?'], [5, 'Good morning.'],
  [11, 'Good morning.'], [12, 'Good afternoon.'], [17, 'Good afternoon.'], [18, 'Good evening.']]) {
  assert.equal(loadPage({ hour }).elements.greet.textContent, text, `hour ${hour}`);
}
assert.equal(loadPage({ bodyClasses: ['private'] }).elements.greet.textContent, undefined);

const page = loadPage();
assert.ok(page.elements.q.focused);
page.images[0].dispatch('error');
assert.ok(page.images[0].classList.contains('broken') && !page.images[1].classList.contains('broken'));
assert.equal(page.images[0].listeners.error.length, 0);
