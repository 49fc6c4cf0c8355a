// Corvane's browser chrome: tab strip, toolbar, address field, find bar, popovers and toasts.
// The page keeps no browser state of its own. The core pushes each window's state through
// window.CV and the page reports what the user does as JSON messages on window.ipc.
'use strict';

// ---------------------------------------------------------------------------------------------
// Page state

let S = { tabs: [], active: 0 };
let omniFocused = false;
let suggestions = [];
let selIdx = -1;
let lastTyped = '';
let omniTab = null; // the tab whose address, or text typed over it, the address field holds
let overlayOn = false;
let drag = null;
let toastTimer = 0;
let lastWidth = window.innerWidth;

const $ = (id) => document.getElementById(id);
const SVG_NS = 'http://www.w3.org/2000/svg';
const POPOVERS = ['suggest', 'menu-pop', 'shield-pop', 'panel', 'sheet-back'];
const DRAG_THRESHOLD = 6;
const TOAST_MS = 2400;

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

// ---------------------------------------------------------------------------------------------
// Tab strip

function renderTabs() {
    const tabs = S.tabs;
    const width = $('strip').clientWidth - 84 - 80;
    const narrow = tabs.length > 0 && width / tabs.length < 92;
    const items = tabs.map((t, i) => tabElement(t, i > 0 && tabs[i - 1].id === S.active, narrow));
    $('tabs').replaceChildren(...items);
    if (drag) {
        // The core re-renders while a tab is held (selecting it does); follow the new element.
        const fresh = items.find((e) => e.dataset.id === String(drag.id));
        if (fresh) {
            drag.el = fresh;
            if (drag.moved) dragOffset(drag.lastX - drag.startX);
        } else {
            drag = null;
        }
    }
}

function tabElement(t, afterActive, narrow) {
    const active = t.id === S.active;
    const e = el('div', 'tab');
    e.classList.toggle('active', active);
    e.classList.toggle('sleeping', !!t.sleeping);
    e.classList.toggle('after-active', afterActive);
    e.classList.toggle('narrow', narrow);
    e.setAttribute('role', 'tab');
    e.setAttribute('aria-selected', active ? 'true' : 'false');
    e.title = str(t.title) || str(t.url);
    e.dataset.id = String(t.id);
    if (active) e.append(el('div', 'flare l'), el('div', 'flare r'));

    const box = el('span', 'tab-icon');
    if (t.loading) box.appendChild(el('span', 'spinner'));
    else if (t.newtab) box.appendChild(icon('feather'));
    else box.appendChild(favicon(t.favicon, 'globe'));
    const label = el('span', 'tab-title', str(t.title) || str(t.host) || 'New Tab');

    const close = button('tab-close', 'Close tab', 'x', (ev) => {
        ev.stopPropagation();
        send({ t: 'closeTab', id: t.id });
    });
    close.title = 'Close Tab (Ctrl+W)';
    close.addEventListener('pointerdown', (ev) => ev.stopPropagation());
    close.addEventListener('mousedown', (ev) => ev.stopPropagation());
    e.append(box, label, close);

    e.addEventListener('pointerdown', (ev) => onTabPress(ev, t, e));
    e.addEventListener('mousedown', (ev) => {
        // A middle press would start autoscroll or paste; the tab closes on release instead.
        if (ev.button === 1) ev.preventDefault();
    });
    e.addEventListener('auxclick', (ev) => {
        if (ev.button !== 1) return;
        ev.preventDefault();
        send({ t: 'closeTab', id: t.id });
    });
    e.addEventListener('dblclick', (ev) => ev.stopPropagation());
    return e;
}

function onTabPress(ev, t, e) {
    if (ev.button !== 0) return;
    if (t.id !== S.active) send({ t: 'selectTab', id: t.id });
    drag = { id: t.id, el: e, startX: ev.clientX, lastX: ev.clientX, moved: false };
}

function dragOffset(dx) {
    drag.el.classList.add('dragging');
    drag.el.style.transform = 'translateX(' + dx + 'px)';
}

function onDragMove(ev) {
    if (!drag) return;
    drag.lastX = ev.clientX;
    const dx = ev.clientX - drag.startX;
    if (!drag.moved && Math.abs(dx) < DRAG_THRESHOLD) return;
    drag.moved = true;
    dragOffset(dx);
}

function onDragEnd(ev) {
    if (!drag) return;
    const d = drag;
    drag = null;
    if (!d.moved) return;
    d.el.classList.remove('dragging');
    d.el.style.transform = '';
    if (ev.type === 'pointercancel') return;
    const elements = Array.from($('tabs').children);
    let target = elements.findIndex((e) => {
        const r = e.getBoundingClientRect();
        return r.left + r.width / 2 > ev.clientX;
    });
    // Past every midpoint the tab goes to the end of the strip.
    if (target < 0) target = elements.length;
    const from = S.tabs.findIndex((t) => t.id === d.id);
    if (from < 0) return;
    if (target > from) target -= 1;
    if (target !== from) send({ t: 'moveTab', id: d.id, to: Math.max(0, target) });
}

// ---------------------------------------------------------------------------------------------
// Address field

const omni = $('omni');
const omniInput = $('omni-input');

function restingValue() {
    return S.newtab ? '' : str(S.url);
}

function renderOmni() {
    omni.classList.toggle('loading', !!S.loading);
    const display = $('omni-display');
    const sec = $('sec');
    const secText = sec.querySelector('.sec-text');
    sec.classList.remove('insecure');
    secText.textContent = '';
    if (S.newtab) {
        display.classList.add('placeholder');
        $('omni-host').textContent = 'Search or enter website';
        setIcon(sec, 'search');
    } else {
        display.classList.remove('placeholder');
        $('omni-host').textContent = str(S.host) || str(S.url);
        if (S.sec === 'secure') {
            setIcon(sec, 'lock');
        } else if (S.sec === 'insecure') {
            setIcon(sec, 'warn');
            sec.classList.add('insecure');
            secText.textContent = 'Not Secure';
        } else {
            setIcon(sec, 'info');
        }
    }
    // Text typed for one tab never follows the keyboard into another one.
    const switched = S.active !== omniTab;
    omniTab = S.active;
    if (!omniFocused || switched) omniInput.value = restingValue();
    if (omniFocused && switched) {
        lastTyped = omniInput.value;
        if (suggestShown()) hideSuggest();
    }
    const star = $('star');
    star.classList.toggle('on', !!S.bookmarked);
    star.hidden = !!S.newtab;
}

function onOmniFocus() {
    omniFocused = true;
    omni.classList.add('focused');
    omniInput.value = restingValue();
    lastTyped = omniInput.value;
    requestAnimationFrame(() => {
        if (omniFocused) omniInput.select();
    });
}

function onOmniBlur() {
    omniFocused = false;
    omni.classList.remove('focused', 'suggesting');
    hideSuggest();
    renderOmni();
}

function onOmniInput(ev) {
    lastTyped = omniInput.value;
    if (lastTyped.trim() === '') {
        hideSuggest();
        return;
    }
    // The rows shown answer the text before this edit: until the answer for the new text
    // arrives, Return goes with what was typed rather than a stale row.
    selIdx = -1;
    highlightRow();
    const deletion = typeof ev.inputType === 'string' && ev.inputType.startsWith('delete');
    send({ t: 'suggest', q: lastTyped, complete: !deletion });
}

function suggestShown() {
    return !$('suggest').hidden;
}

function openRow(row, newTab) {
    if (row && typeof row.url === 'string' && row.url !== '') {
        send({ t: 'openUrl', url: row.url, newTab });
    } else {
        send({ t: 'navigate', text: row ? str(row.text) : omniInput.value, newTab });
    }
    hideSuggest();
    omniInput.blur();
}

function onOmniKey(ev) {
    if (ev.isComposing) return;
    if (ev.key === 'Enter') {
        ev.preventDefault();
        // A highlighted row counts only when it has an address; otherwise the typed text goes.
        const row = selIdx >= 0 ? suggestions[selIdx] : null;
        openRow(row && str(row.url) ? row : null, newTabKey(ev));
    } else if (ev.key === 'Escape') {
        ev.preventDefault();
        if (suggestShown()) {
            hideSuggest();
            omniInput.value = lastTyped;
        } else {
            omniInput.value = restingValue();
            omniInput.blur();
            send({ t: 'focusPage' });
        }
    } else if ((ev.key === 'ArrowDown' || ev.key === 'ArrowUp') && suggestShown()) {
        ev.preventDefault();
        const n = suggestions.length;
        if (ev.key === 'ArrowDown') selIdx = selIdx + 1 >= n ? 0 : selIdx + 1;
        else selIdx = selIdx <= 0 ? n - 1 : selIdx - 1;
        highlightRow();
        const row = suggestions[selIdx];
        omniInput.value = str(row.url) || str(row.text);
    }
}

// ---------------------------------------------------------------------------------------------
// Suggestion list

function suggest(list, completion) {
    if (!omniFocused) return;
    suggestions = Array.isArray(list) ? list.filter((r) => r && typeof r === 'object') : [];
    selIdx = suggestions.length ? 0 : -1;
    if (typeof completion === 'string') inlineComplete(completion);
    if (!suggestions.length) {
        hideSuggest();
        return;
    }
    const box = $('suggest');
    const r = omni.getBoundingClientRect();
    box.style.left = r.left + 'px';
    box.style.width = r.width + 'px';
    box.style.top = r.bottom + 'px';
    box.replaceChildren(...suggestions.map(suggestionRow));
    box.hidden = false;
    omni.classList.add('suggesting');
    highlightRow();
    syncOverlay();
}

function inlineComplete(completion) {
    const typed = lastTyped;
    if (omniInput.value !== typed || completion.length <= typed.length) return;
    if (completion.slice(0, typed.length).toLowerCase() !== typed.toLowerCase()) return;
    omniInput.value = typed + completion.slice(typed.length);
    omniInput.setSelectionRange(typed.length, omniInput.value.length);
}

const ROW_ICONS = { search: 'search', bookmark: 'star', history: 'clock' };
const ROW_LABELS = { bookmark: 'Bookmark', history: 'History' };

function suggestionRow(row, i) {
    const e = el('div', 'srow');
    e.setAttribute('role', 'option');
    e.appendChild(icon(ROW_ICONS[row.kind] || 'globe'));
    const text = el('div', 'srow-text');
    text.appendChild(el('span', 'srow-main', str(row.title) || str(row.text)));
    if (str(row.display)) text.appendChild(el('span', 'srow-sub', row.display));
    e.appendChild(text);
    const label = row.kind === 'search' ? str(row.engine) : ROW_LABELS[row.kind] || '';
    if (label) e.appendChild(el('span', 'srow-kind', label));
    e.addEventListener('mousedown', (ev) => {
        // Cancelling the press keeps the focus (and the typed text) in the address field.
        ev.preventDefault();
        if (ev.button === 0) openRow(row, newTabKey(ev));
    });
    e.addEventListener('mouseenter', () => {
        if (selIdx === i) return;
        selIdx = i;
        highlightRow();
    });
    return e;
}

function highlightRow() {
    Array.from($('suggest').children).forEach((e, i) => {
        e.classList.toggle('sel', i === selIdx);
        e.setAttribute('aria-selected', i === selIdx ? 'true' : 'false');
    });
}

function hideSuggest() {
    suggestions = [];
    selIdx = -1;
    const box = $('suggest');
    box.hidden = true;
    box.replaceChildren();
    omni.classList.remove('suggesting');
    syncOverlay();
}

function focusOmnibox() {
    omniInput.focus();
    omniInput.select();
}

// ---------------------------------------------------------------------------------------------
// Overlay: the chrome view covers the whole window while any popover is shown.

function syncOverlay() {
    const on = POPOVERS.some((id) => !$(id).hidden);
    const overlay = $('overlay');
    overlay.style.top = $('chrome').offsetHeight + 'px';
    overlay.hidden = !on;
    if (on !== overlayOn) {
        overlayOn = on;
        send({ t: 'overlay', on });
    }
}

function hidePopovers(except) {
    for (const id of POPOVERS) {
        if (id === 'suggest' || id === except) continue;
        const e = $(id);
        e.hidden = true;
        if (id === 'sheet-back') $('sheet').replaceChildren();
        else e.replaceChildren();
    }
}

function closeAll(except) {
    hidePopovers(except);
    syncOverlay();
}

function onOverlayPress(ev) {
    if (ev.target !== $('overlay') && ev.target !== $('sheet-back')) return;
    ev.preventDefault();
    const leaving = suggestShown();
    closeAll();
    if (leaving) {
        omniInput.blur();
        send({ t: 'focusPage' });
    }
}

// A press elsewhere in the chrome dismisses the menu, card or panel, as it would in any
// application; the buttons that open them decide for themselves whether to toggle or replace.
const POPOVER_BUTTONS = '#menu, #shield, #sec, #downloads';

function onChromePress(ev) {
    if (!(ev.target instanceof Element) || ev.target.closest(POPOVER_BUTTONS)) return;
    if (['menu-pop', 'shield-pop', 'panel'].some((id) => !$(id).hidden)) closeAll();
}

// Escape dismisses the open popovers when the keyboard is in the chrome but not in a field that
// handles Escape itself.
function onDocumentKey(ev) {
    if (ev.key !== 'Escape' || ev.defaultPrevented) return;
    if (ev.target === omniInput || ev.target === $('find-input')) return;
    if (POPOVERS.some((id) => id !== 'suggest' && !$(id).hidden)) {
        ev.preventDefault();
        closeAll();
    }
}

// Places a popover 6 px under a toolbar button, aligned to its right or left edge.
function anchorUnder(pop, anchor, alignRight) {
    const r = anchor.getBoundingClientRect();
    pop.style.top = r.bottom + 6 + 'px';
    if (alignRight) {
        pop.style.right = Math.max(8, window.innerWidth - r.right) + 'px';
        pop.style.left = 'auto';
    } else {
        pop.style.left = Math.max(8, r.left) + 'px';
        pop.style.right = 'auto';
    }
}

// ---------------------------------------------------------------------------------------------
// Window dragging

const DRAG_REGIONS = '#strip, .strip-fill, #toolbar, #omni-wrap';
const NOT_DRAGGABLE = 'button, input, select, textarea, a, .tab, #omni, .pop, #overlay';

function onDocumentPress(ev) {
    if (ev.button !== 0 || !(ev.target instanceof Element)) return;
    if (ev.target.closest(NOT_DRAGGABLE) || !ev.target.closest(DRAG_REGIONS)) return;
    send({ t: ev.detail === 2 ? 'zoomWindow' : 'drag' });
}

// ---------------------------------------------------------------------------------------------
// Find bar

function openFind() {
    const bar = $('findbar');
    if (bar.hidden) {
        bar.hidden = false;
        send({ t: 'findbar', open: true });
        syncOverlay();
    }
    const input = $('find-input');
    input.focus();
    input.select();
}

function closeFind() {
    const bar = $('findbar');
    if (bar.hidden) return;
    bar.hidden = true;
    $('find-status').textContent = '';
    send({ t: 'findbar', open: false });
    syncOverlay();
}

function findAgain(back) {
    send({ t: 'find', q: $('find-input').value, back, fresh: false });
}

function onFindKey(ev) {
    if (ev.isComposing) return;
    if (ev.key === 'Enter') {
        ev.preventDefault();
        findAgain(ev.shiftKey);
    } else if (ev.key === 'Escape') {
        ev.preventDefault();
        closeFind();
    }
}

// ---------------------------------------------------------------------------------------------
// Toast

function toast(text) {
    const e = $('toast');
    e.textContent = String(text);
    e.hidden = false;
    clearTimeout(toastTimer);
    toastTimer = setTimeout(() => {
        e.hidden = true;
    }, TOAST_MS);
}

// ---------------------------------------------------------------------------------------------
// Page-wide handling

function onResize() {
    // The core grows and shrinks the chrome view's height with the overlay; only a change of
    // the window's width is a real resize for the strip and the suggestion list.
    if (window.innerWidth === lastWidth) return;
    lastWidth = window.innerWidth;
    renderTabs();
    if (suggestShown()) hideSuggest();
}

function wire() {
    $('back').addEventListener('click', () => send({ t: 'back' }));
    $('fwd').addEventListener('click', () => send({ t: 'forward' }));
    $('reload').addEventListener('click', () => send({ t: S.loading ? 'stop' : 'reload' }));
    $('newtab').addEventListener('click', () => send({ t: 'newTab' }));
    $('star').addEventListener('click', () => send({ t: 'toggleBookmark' }));
    $('sec').addEventListener('click', openShield);
    $('shield').addEventListener('click', openShield);
    $('downloads').addEventListener('click', () => openPanel('downloads'));
    $('menu').addEventListener('click', openMenu);

    omniInput.addEventListener('focus', onOmniFocus);
    omniInput.addEventListener('blur', onOmniBlur);
    omniInput.addEventListener('input', onOmniInput);
    omniInput.addEventListener('keydown', onOmniKey);

    const find = $('find-input');
    find.addEventListener('input', () => send({ t: 'find', q: find.value, back: false, fresh: true }));
    find.addEventListener('keydown', onFindKey);
    $('find-next').addEventListener('click', () => findAgain(false));
    $('find-prev').addEventListener('click', () => findAgain(true));
    $('find-done').addEventListener('click', closeFind);

    $('overlay').addEventListener('mousedown', onOverlayPress);
    $('chrome').addEventListener('mousedown', onChromePress);
    document.addEventListener('keydown', onDocumentKey);
    document.addEventListener('mousedown', onDocumentPress);
    document.addEventListener('pointermove', onDragMove);
    document.addEventListener('pointerup', onDragEnd);
    document.addEventListener('pointercancel', onDragEnd);
    document.addEventListener('contextmenu', (ev) => {
        if (!(ev.target instanceof Element && ev.target.closest('input, textarea'))) {
            ev.preventDefault();
        }
    });
    window.addEventListener('resize', onResize);
}

// ---------------------------------------------------------------------------------------------
// Browser menu

const MENU = [
    { icon: 'plus', label: 'New Tab', keys: 'Ctrl+T', cmd: 'newTab' },
    { icon: 'window', label: 'New Window', keys: 'Ctrl+N', cmd: 'newWindow' },
    { icon: 'mask', label: 'New Private Window', keys: 'Shift+Ctrl+N', cmd: 'privateWindow' },
    null,
    { icon: 'clock', label: 'History', keys: 'Ctrl+Y', panel: 'history' },
    { icon: 'book', label: 'Bookmarks', keys: 'Alt+Ctrl+B', panel: 'bookmarks' },
    { icon: 'download', label: 'Downloads', keys: 'Alt+Ctrl+L', panel: 'downloads' },
    null,
    'zoom',
    { icon: 'search', label: 'Find in Page…', keys: 'Ctrl+F', cmd: 'find' },
    { icon: 'print', label: 'Print…', keys: 'Ctrl+P', cmd: 'print' },
    { icon: 'code', label: 'Developer Tools', keys: 'Alt+Ctrl+I', cmd: 'devtools' },
    null,
    { icon: 'gear', label: 'Settings', keys: 'Ctrl+,', sheet: 'settings' },
    { icon: 'feather', label: 'About Corvane', keys: '', sheet: 'about' },
];

function openMenu() {
    const pop = $('menu-pop');
    if (!pop.hidden) {
        closeAll();
        return;
    }
    hidePopovers('menu-pop');
    pop.replaceChildren(...MENU.map(menuEntry));
    const r = $('menu').getBoundingClientRect();
    pop.style.top = r.bottom + 6 + 'px';
    pop.style.right = '10px';
    pop.hidden = false;
    syncOverlay();
}

function menuEntry(item) {
    if (item === null) return el('div', 'sep');
    if (item === 'zoom') return zoomRow();
    const row = el('button', 'mrow');
    row.type = 'button';
    row.setAttribute('role', 'menuitem');
    const box = el('span', 'mrow-icon');
    if (item.icon) box.appendChild(icon(item.icon));
    row.append(box, el('span', 'mrow-label', item.label), el('span', 'keys', item.keys));
    row.addEventListener('click', () => {
        closeAll();
        if (item.cmd) send({ t: 'cmd', cmd: item.cmd });
        else if (item.panel) openPanel(item.panel);
        else if (item.sheet) openSheet(item.sheet);
    });
    return row;
}

function zoomRow() {
    const row = el('div', 'mrow zoom');
    row.append(el('span', 'mrow-icon'), el('span', 'mrow-label', 'Zoom'));
    const pill = el('div', 'pill');
    const zoom = typeof S.zoom === 'number' && isFinite(S.zoom) ? S.zoom : 1;
    const value = el('span', '', Math.round(zoom * 100) + '%');
    value.id = 'zoomval';
    const out = button('', 'Zoom out', null, () => send({ t: 'cmd', cmd: 'zoomOut' }));
    out.textContent = '−';
    const into = button('', 'Zoom in', null, () => send({ t: 'cmd', cmd: 'zoomIn' }));
    into.textContent = '+';
    pill.append(out, value, into);
    row.appendChild(pill);
    return row;
}

// ---------------------------------------------------------------------------------------------
// Panels: each opening asks the core, which answers through CV.panel.

function openShield() {
    if (!$('shield-pop').hidden) {
        closeAll();
        return;
    }
    closeAll('shield-pop');
    send({ t: 'panel', name: 'shield' });
}

function openPanel(name) {
    closeAll('panel');
    send({ t: 'panel', name: String(name) });
}

function openSheet(name) {
    closeAll('sheet-back');
    send({ t: 'panel', name: String(name) });
}

function panel(name, data) {
    const d = data && typeof data === 'object' ? data : {};
    if (name === 'shield') paintShield(d);
    else if (name === 'settings') paintSheet(settingsSheet(d));
    else if (name === 'about') paintSheet(aboutSheet(d));
    else if (name === 'clear') paintSheet(clearSheet());
    else paintList(String(name), d);
}

function showPopover(pop, anchor) {
    anchorUnder(pop, anchor, true);
    pop.hidden = false;
    syncOverlay();
}

function switchControl(label, on, onChange) {
    const b = el('button', 'switch');
    b.type = 'button';
    b.setAttribute('role', 'switch');
    b.setAttribute('aria-label', label);
    b.setAttribute('aria-checked', on ? 'true' : 'false');
    b.appendChild(el('span', 'knob'));
    b.addEventListener('click', () => {
        const now = b.getAttribute('aria-checked') !== 'true';
        b.setAttribute('aria-checked', now ? 'true' : 'false');
        onChange(now);
    });
    return b;
}

function infoBlock(iconName, cls, title, text) {
    const block = el('div', 'info ' + cls);
    block.appendChild(icon(iconName));
    const words = el('div', 'info-text');
    words.append(el('strong', '', title), el('span', '', text));
    block.appendChild(words);
    return block;
}

// Shield card

const SEC_BLOCKS = {
    secure: ['lock', 'good', 'Connection is secure', 'Encrypted with TLS; HTTPS-Only is protecting this tab.'],
    insecure: ['warn', 'bad', 'Connection is not secure', "This site has no HTTPS. Don't enter passwords or card details."],
};

function paintShield(d) {
    const pop = $('shield-pop');
    const host = str(d.host);
    const head = el('div', 'card-head');
    head.append(icon('shield'), el('h2', '', host || 'Corvane Shield'));
    const line = d.enabled
        ? 'Shield blocks trackers, ads and cryptominers on every site.'
        : 'Shield is turned off in Settings.';
    const parts = [head, el('p', 'card-line', line)];
    if (host) {
        const row = el('div', 'card-row');
        row.append(el('span', '', 'Shield on this site'),
            switchControl('Toggle Shield for this site', !!d.siteOn, (on) => send({ t: 'shieldSite', on })));
        parts.push(row);
    }
    const sec = SEC_BLOCKS[d.sec] || ['info', 'local', d.newtab ? 'Corvane page' : 'Local or internal page',
        'Nothing leaves your device.'];
    parts.push(infoBlock(...sec));
    const rules = typeof d.rules === 'number' ? d.rules : 0;
    parts.push(infoBlock('shield', 'rules', rules.toLocaleString() + ' protection rules active',
        'Compiled natively into WebKit, zero page slowdown.'));
    const mb = typeof d.memoryMB === 'number' && d.memoryMB !== 0 ? d.memoryMB + ' MB in use' : 'Measuring memory…';
    const sleeping = typeof d.sleeping === 'number' ? d.sleeping : 0;
    parts.push(infoBlock('zzz', 'memory', mb,
        sleeping + (sleeping === 1 ? ' tab is' : ' tabs are') + ' asleep to save memory.'));
    pop.replaceChildren(...parts);
    showPopover(pop, $('shield'));
}

// List panels

const LISTS = {
    history: { title: 'History', icon: 'clock', empty: 'Pages you visit show up here.' },
    bookmarks: { title: 'Bookmarks', icon: 'star', empty: 'Press Ctrl+D to bookmark a page.' },
    downloads: { title: 'Downloads', icon: 'download', empty: 'No downloads yet.' },
};
const LIST_LIMIT = 400;

function paintList(name, d) {
    const pop = $('panel');
    const kind = LISTS[name] || { title: name.charAt(0).toUpperCase() + name.slice(1), icon: 'globe', empty: '' };
    const items = Array.isArray(d.items) ? d.items.filter((x) => x && typeof x === 'object') : [];
    const head = el('div', 'panel-head');
    head.appendChild(el('h2', '', kind.title));
    if (name === 'history' && items.length) {
        head.appendChild(textButton('Clear…', 'danger', () => openSheet('clear')));
    }
    const list = el('div', 'list');
    const parts = [head];
    let search = null;
    if (name === 'history' || name === 'bookmarks') {
        search = el('input', 'panel-search');
        search.type = 'search';
        search.placeholder = 'Search ' + name;
        search.setAttribute('aria-label', 'Search ' + name);
        search.spellcheck = false;
        search.addEventListener('input', () => fillList(list, name, items, kind, search.value.trim().toLowerCase()));
        parts.push(search);
    }
    parts.push(list);
    fillList(list, name, items, kind, '');
    pop.setAttribute('aria-label', kind.title);
    pop.replaceChildren(...parts);
    showPopover(pop, $('menu'));
    if (search) search.focus();
}

function fillList(list, name, items, kind, filter) {
    const rows = [];
    let day = null;
    items.forEach((item, index) => {
        if (rows.length > LIST_LIMIT) return;
        if (name === 'downloads') {
            rows.push(downloadRow(item, index));
            return;
        }
        if (filter && !(str(item.title) + ' ' + str(item.url)).toLowerCase().includes(filter)) return;
        if (name === 'history') {
            const label = dayLabel(item.last);
            if (label !== day) rows.push(el('div', 'day', label));
            day = label;
        }
        rows.push(pageRow(item, name === 'bookmarks'));
    });
    if (!rows.length) {
        const empty = el('div', 'empty');
        empty.append(icon(kind.icon), el('p', '', filter ? 'No matches.' : kind.empty));
        rows.push(empty);
    }
    list.replaceChildren(...rows);
}

function dayLabel(seconds) {
    const when = new Date((typeof seconds === 'number' ? seconds : 0) * 1000);
    const now = new Date();
    const sameDay = (a, b) =>
        a.getFullYear() === b.getFullYear() && a.getMonth() === b.getMonth() && a.getDate() === b.getDate();
    if (sameDay(when, now)) return 'Today';
    if (sameDay(when, new Date(now.getFullYear(), now.getMonth(), now.getDate() - 1))) return 'Yesterday';
    return when.toLocaleDateString(undefined, { weekday: 'long', month: 'short', day: 'numeric' });
}

function pageRow(item, removable) {
    const url = str(item.url);
    const row = el('div', 'lrow');
    row.title = url;
    const box = el('span', 'lrow-icon');
    box.appendChild(favicon(item.favicon, 'globe'));
    const text = el('div', 'lrow-text');
    text.append(el('span', 'lrow-main', str(item.title) || url), el('span', 'lrow-sub', str(item.display) || url));
    row.append(box, text);
    if (removable) {
        const remove = button('lrow-btn', 'Remove bookmark', 'trash', () => send({ t: 'removeBookmark', url }));
        remove.title = 'Remove';
        row.appendChild(remove);
    }
    row.addEventListener('click', (ev) => {
        if (ev.target instanceof Element && ev.target.closest('button')) return;
        closeAll();
        send({ t: 'openUrl', url, newTab: newTabKey(ev) });
    });
    return row;
}

const DOWNLOAD_STATES = { done: ['Saved to Downloads', ''], failed: ['Failed', 'danger'] };

function downloadRow(item, index) {
    const row = el('div', 'lrow download');
    row.title = str(item.path) || str(item.url);
    const box = el('span', 'lrow-icon');
    box.appendChild(icon(item.state === 'failed' ? 'warn' : 'download'));
    const [status, cls] = DOWNLOAD_STATES[item.state] || ['Downloading…', 'active'];
    const text = el('div', 'lrow-text');
    text.append(el('span', 'lrow-main', str(item.name) || str(item.url)), el('span', 'lrow-sub ' + cls, status));
    row.append(box, text);
    if (item.state === 'done') {
        const reveal = button('lrow-btn', 'Show in Files', 'folder', () => send({ t: 'revealDownload', index }));
        reveal.title = 'Show in Files';
        row.appendChild(reveal);
    }
    return row;
}

// ---------------------------------------------------------------------------------------------
// Sheets

function textButton(label, cls, onClick) {
    const b = el('button', 'text-btn' + (cls ? ' ' + cls : ''), label);
    b.type = 'button';
    b.addEventListener('click', onClick);
    return b;
}

function paintSheet(parts) {
    $('sheet').replaceChildren(...parts);
    $('sheet-back').hidden = false;
    syncOverlay();
}

function sheetHead(iconName, title) {
    const head = el('div', 'sheet-head');
    head.append(icon(iconName), el('h2', '', title));
    return head;
}

function sheetRow(title, hint, control) {
    const row = el('div', 'srow-setting');
    const words = el('div', 'setting-text');
    words.appendChild(el('span', 'setting-title', title));
    if (hint) words.appendChild(el('span', 'hint', hint));
    row.append(words, control);
    return row;
}

function choice(label, options, current, onChange) {
    const select = el('select', 'choice');
    select.setAttribute('aria-label', label);
    for (const [value, text] of options) {
        const option = el('option', '', text);
        option.value = String(value);
        option.selected = String(value) === String(current);
        select.appendChild(option);
    }
    select.addEventListener('change', () => onChange(select.value));
    return select;
}

function footer(note, ...buttons) {
    const foot = el('div', 'sheet-foot');
    foot.append(el('span', 'foot-note', note), ...buttons);
    return foot;
}

const SLEEP_CHOICES = [[2, '2 minutes'], [5, '5 minutes'], [10, '10 minutes'], [30, '30 minutes'], [60, '1 hour'], [0, 'Never']];
const AWAKE_CHOICES = [2, 4, 6, 10, 20].map((n) => [n, String(n)]);

function settingsSheet(d) {
    const s = d.settings && typeof d.settings === 'object' ? d.settings : {};
    const engines = (Array.isArray(d.engines) ? d.engines : []).filter((e) => e && typeof e === 'object');
    const set = (key) => (value) => send({ t: 'setting', key, value });
    const section = (title) => el('h3', 'section', title);
    return [
        sheetHead('gear', 'Settings'),
        section('General'),
        sheetRow('Search engine', 'Used for searches typed in the address bar.',
            choice('Search engine', engines.map((e) => [str(e.id), str(e.name)]), s.search_engine, set('search_engine'))),
        sheetRow('Reopen tabs from last time', '', switchControl('Restore session', !!s.restore_session, set('restore_session'))),
        section('Privacy & Security'),
        sheetRow('Corvane Shield', 'Block trackers, ads and cryptominers.',
            switchControl('Shield', !!s.block_trackers, set('block_trackers'))),
        sheetRow('HTTPS-Only', "Upgrade every connection to HTTPS; warn when a site can't.",
            switchControl('HTTPS only', !!s.https_only, set('https_only'))),
        sheetRow('Clear browsing data', 'History, cookies, cache and site storage.',
            textButton('Clear…', 'plain', () => openSheet('clear'))),
        section('Performance'),
        sheetRow('Put background tabs to sleep after',
            'Sleeping tabs use no memory or CPU and wake instantly when you click them.',
            choice('Sleep after', SLEEP_CHOICES, s.sleep_after_mins, (v) => set('sleep_after_mins')(Number(v)))),
        sheetRow('Keep at most this many background tabs awake', '',
            choice('Awake tabs', AWAKE_CHOICES, s.max_awake_tabs, (v) => set('max_awake_tabs')(Number(v)))),
        footer('Corvane ' + str(d.version) + ' · Settings never leave this computer.',
            textButton('Done', 'primary', () => closeAll())),
    ];
}

function clearSheet() {
    const pick = { history: true, site: true };
    return [
        sheetHead('trash', 'Clear browsing data'),
        sheetRow('Browsing history', '', switchControl('History', true, (on) => (pick.history = on))),
        sheetRow('Cookies, cache & site data', "You'll be signed out of most websites.",
            switchControl('Site data', true, (on) => (pick.site = on))),
        footer('', textButton('Cancel', 'plain', () => closeAll()), textButton('Clear', 'primary danger', () => {
            send({ t: 'clearData', history: pick.history, site: pick.site });
            closeAll();
        })),
    ];
}

const ABOUT_LINKS = [
    ['Website', 'https://corvane.org/'],
    ['Privacy', 'https://corvane.org/privacy'],
    ['Terms', 'https://corvane.org/terms'],
    ['Licenses', 'https://corvane.org/licenses'],
];

function aboutSheet(d) {
    const box = el('div', 'about');
    const logo = el('img', 'logo');
    logo.alt = '';
    logo.src = 'corvane://ui/logo.svg';
    const links = el('div', 'links');
    ABOUT_LINKS.forEach(([label, url], i) => {
        if (i) links.appendChild(document.createTextNode(' · '));
        links.appendChild(textButton(label, 'link', () => {
            closeAll();
            send({ t: 'openUrl', url, newTab: true });
        }));
    });
    box.append(logo, el('h2', '', 'Corvane'), el('p', 'version', 'Version ' + str(d.version) + ' · ' + str(d.engine)),
        el('p', 'tagline', 'A quiet, fast browser that keeps your pages to yourself.'), links);
    return [box, footer('', textButton('Done', 'primary', () => closeAll()))];
}

// ---------------------------------------------------------------------------------------------
// Start

window.CV = Object.freeze({
    render,
    suggest,
    panel,
    focusOmnibox,
    openFind,
    openPanel,
    openSheet,
    toast,
    closeAll: () => closeAll(),
});
wire();
send({ t: 'ready' });
