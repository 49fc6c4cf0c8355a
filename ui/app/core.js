// Corvane's browser chrome: tab strip, toolbar, address field, find bar, popovers and toasts.
// The page keeps no browser state of its own. The core pushes each window's state through
// window.CV and the page reports what the user does as JSON messages on window.ipc.
// The build joins the files of ui/app/ in a fixed order into the one script served as app.js, so
// their top-level names share one scope; this file comes first and start.js last.
'use strict';

// ---------------------------------------------------------------------------------------------
// Page state

let S = { tabs: [], active: 0 };
let omniFocused = false;
let suggestions = [];
let selIdx = -1;
let lastTyped = '';
let askedFor = null; // the text of the last request for rows, whose answer alone counts
let omniTab = null; // the tab whose address, or text typed over it, the address field holds
let omniUrl = ''; // that tab's address at the last render
// Text typed over each tab's address, by tab id, with the address it was typed over. It stays
// until Escape, Return or a navigation of that tab.
const typedByTab = new Map();
// The keyboard left the chrome view while the field had it (a menu, the page, another window).
let keyboardLeft = false;
// The field just got the keyboard back; the next press in it counts as a first click.
let omniRegained = false;
let selectOnRelease = null; // where a first press in the field went down
// The last paste with line breaks: the field's text it made, and that text with the breaks.
let pastedLines = null;
let overlayOn = false;
let drag = null;
let toastTimer = 0;
let lastWidth = window.innerWidth;

const $ = (id) => document.getElementById(id);
const SVG_NS = 'http://www.w3.org/2000/svg';
const POPOVERS = ['suggest', 'menu-pop', 'shield-pop', 'panel', 'sheet-back'];
const DRAG_THRESHOLD = 6;
const TOAST_MS = 2400;
const ROW_TITLE_CHARS = 512; // the core cuts a typed text to this many characters in row titles

if (!window.ipc) {
    // Only a page opened outside the browser lacks the bridge; keep its messages visible.
    window.ipc = { postMessage: (text) => console.log('\u0001CVIPC' + text) };
}

function send(msg) {
    window.ipc.postMessage(JSON.stringify(msg));
}

// On macOS the Command key opens links in a new tab; everywhere else it is Control.
function newTabKey(ev) {
    return S.platform === 'mac' ? !!ev.metaKey : !!ev.ctrlKey;
}

// ---------------------------------------------------------------------------------------------
// Element helpers. Text from pages only ever goes through textContent or attribute values.

function el(tag, cls, text) {
    const e = document.createElement(tag);
    if (cls) e.className = cls;
    if (text !== undefined && text !== null) e.textContent = String(text);
    return e;
}

function icon(name) {
    const svg = document.createElementNS(SVG_NS, 'svg');
    svg.setAttribute('class', 'icon');
    svg.setAttribute('aria-hidden', 'true');
    const use = document.createElementNS(SVG_NS, 'use');
    use.setAttribute('href', '#i-' + name);
    svg.appendChild(use);
    return svg;
}

function setIcon(button, name) {
    const old = button.querySelector('svg.icon');
    const fresh = icon(name);
    if (old) old.replaceWith(fresh);
    else button.prepend(fresh);
}

function button(cls, label, iconName, onClick) {
    const b = el('button', cls);
    b.type = 'button';
    if (label) b.setAttribute('aria-label', label);
    if (iconName) b.appendChild(icon(iconName));
    if (onClick) b.addEventListener('click', onClick);
    return b;
}

// A site icon that falls back to a line icon when there is no address or the image fails.
function favicon(url, fallback) {
    if (typeof url !== 'string' || url === '') return icon(fallback || 'globe');
    const img = el('img', 'favicon');
    img.alt = '';
    img.referrerPolicy = 'no-referrer';
    img.decoding = 'async';
    img.addEventListener('error', () => img.replaceWith(icon(fallback || 'globe')), { once: true });
    img.src = url;
    return img;
}

function str(v) {
    return typeof v === 'string' ? v : '';
}

// A host too long for its element keeps its end, which names who owns the site: the start is
// cut ("…bbb.evil.test"), never the end.
function showEnd(e, text) {
    e.textContent = text;
    if (e.scrollWidth <= e.clientWidth) return;
    let lo = 1;
    let hi = text.length;
    while (lo < hi) {
        const mid = (lo + hi) >> 1;
        e.textContent = '\u2026' + text.slice(mid);
        if (e.scrollWidth <= e.clientWidth) hi = mid;
        else lo = mid + 1;
    }
    e.textContent = '\u2026' + text.slice(lo);
}

// ---------------------------------------------------------------------------------------------
// Render

function render(state) {
    S = state && typeof state === 'object' ? state : { tabs: [], active: 0 };
    S.tabs = Array.isArray(S.tabs) ? S.tabs.filter((t) => t && typeof t === 'object') : [];
    const body = document.body.classList;
    body.toggle('private', !!S.private);
    body.toggle('mac', S.platform === 'mac');
    body.toggle('solid', S.platform !== 'mac');
    body.toggle('fullscreen', !!S.fullscreen);
    $('private-badge').hidden = !S.private;
    $('back').disabled = !S.canBack;
    $('fwd').disabled = !S.canForward;
    const reload = $('reload');
    setIcon(reload, S.loading ? 'stop' : 'reload');
    reload.title = S.loading ? 'Stop' : 'Reload (Ctrl+R)';
    reload.setAttribute('aria-label', S.loading ? 'Stop' : 'Reload');
    const shield = $('shield');
    shield.classList.toggle('on', !!S.shieldActive);
    setIcon(shield, S.shieldActive ? 'shield' : 'shield-off');
    $('dl-dot').hidden = !S.downloadsUnseen;
    renderTabs();
    renderOmni();
}
