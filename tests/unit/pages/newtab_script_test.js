// Runs newtab.js against a small fake DOM and checks what it does: where a submitted text
// navigates, the greeting, and the broken-favicon handling.
'use strict';
const assert = require('node:assert/strict');
const fs = require('node:fs');
const vm = require('node:vm');

const source = fs.readFileSync(process.argv[2], 'utf8');

class FakeClassList {
  constructor(names) { this.names = new Set(names); }
  add(name) { this.names.add(name); }
  contains(name) { return this.names.has(name); }
}

class FakeElement {
  constructor(classes = []) {
    this.classList = new FakeClassList(classes);
    this.listeners = {};
    this.dataset = {};
    this.value = '';
    this.textContent = '';
    this.focused = false;
  }
  addEventListener(type, listener, options) {
    (this.listeners[type] ||= []).push({ listener, once: !!(options && options.once) });
  }
  dispatch(type, event = {}) {
    const listeners = this.listeners[type] || [];
    this.listeners[type] = listeners.filter((entry) => !entry.once);
    for (const entry of listeners) entry.listener(event);
  }
  focus() { this.focused = true; }
}

// Loads the page script into a fresh page and returns what a test can drive and observe.
function loadPage({ template = '', bodyClasses = [], hour = 10 } = {}) {
  const body = new FakeElement(bodyClasses);
  body.dataset.template = template;
  const elements = { f: new FakeElement(), q: new FakeElement(), greet: new FakeElement() };
  elements.greet.textContent = bodyClasses.includes('private') ? 'Private browsing' : 'Where to?';
  const images = [new FakeElement(), new FakeElement()];
  const location = { href: 'corvane://newtab/' };
  const RealDate = Date;
  class FixedDate extends RealDate {
    getHours() { return hour; }
  }
  const context = {
    document: {
      body,
      getElementById: (id) => elements[id] || null,
      querySelectorAll: (selector) => (selector === '.tile img' ? images : []),
    },
    location,
    Date: FixedDate,
    encodeURIComponent,
  };
  vm.runInNewContext(source, context);
  const submit = (text) => {
    location.href = 'corvane://newtab/';
    elements.q.value = text;
    let prevented = false;
    elements.f.dispatch('submit', { preventDefault: () => { prevented = true; } });
    assert.ok(prevented, 'the form is never submitted itself');
    return location.href;
  };
  return { submit, elements, images };
}

const tests = [];
const test = (name, body) => tests.push({ name, body });

test('a typed host opens over https', () => {
  const page = loadPage();
  assert.equal(page.submit('example.com'), 'https://example.com');
  assert.equal(page.submit('  news.example.org/path?q=1  '), 'https://news.example.org/path?q=1');
  assert.equal(page.submit('Example.DE:8080'), 'https://Example.DE:8080');
});

test('an http address is upgraded, an https one kept', () => {
  const page = loadPage();
  assert.equal(page.submit('http://example.com/a'), 'https://example.com/a');
  assert.equal(page.submit('HTTP://Example.com/'), 'https://Example.com/');
  assert.equal(page.submit('HTTPS://secure.example/x'), 'HTTPS://secure.example/x');
});

test('anything else searches with the template', () => {
  const page = loadPage({ template: 'https://search.example/search?q={q}&src={q}' });
  assert.equal(page.submit('a b&c'), 'https://search.example/search?q=a%20b%26c&src={q}');
  assert.equal(page.submit('example.c'), 'https://search.example/search?q=example.c&src={q}');
  assert.equal(page.submit('two words.com'),
    'https://search.example/search?q=two%20words.com&src={q}');
  assert.equal(page.submit('$& price'), 'https://search.example/search?q=%24%26%20price&src={q}');
});

test('an empty template falls back to DuckDuckGo', () => {
  const page = loadPage();
  assert.equal(page.submit('corvane browser'), 'https://duckduckgo.com/?q=corvane%20browser');
});

test('blank input does nothing', () => {
  const page = loadPage();
  assert.equal(page.submit('   '), 'corvane://newtab/');
});

test('greeting by the hour, kept in private windows', () => {
  const greetings = [[0, 'Burning the midnight oil?'], [4, 'Burning the midnight oil?'],
    [5, 'Good morning.'], [11, 'Good morning.'], [12, 'Good afternoon.'], [17, 'Good afternoon.'],
    [18, 'Good evening.'], [23, 'Good evening.']];
  for (const [hour, text] of greetings) {
    assert.equal(loadPage({ hour }).elements.greet.textContent, text, `hour ${hour}`);
  }
  assert.equal(loadPage({ bodyClasses: ['private'], hour: 9 }).elements.greet.textContent,
    'Private browsing');
});

test('a favicon that fails to load is marked broken once', () => {
  const page = loadPage();
  assert.ok(page.elements.q.focused);
  page.images[0].dispatch('error');
  assert.ok(page.images[0].classList.contains('broken'));
  assert.ok(!page.images[1].classList.contains('broken'));
  assert.equal((page.images[0].listeners.error || []).length, 0);
});

let failed = 0;
for (const { name, body } of tests) {
  try {
    body();
    console.log(`ok - ${name}`);
  } catch (error) {
    failed += 1;
    console.log(`not ok - ${name}\n${error.stack}`);
  }
}
console.log(`${tests.length - failed}/${tests.length} passed`);
process.exit(failed ? 1 : 0);
