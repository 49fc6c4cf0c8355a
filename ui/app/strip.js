// ---------------------------------------------------------------------------------------------
// Tab strip

// What the strip last scrolled into view: the active tab among that many, at that width.
let revealed = null;

function renderTabs() {
    const tabs = S.tabs;
    const width = $('strip').clientWidth - 84 - 80;
    const narrow = tabs.length > 0 && width / tabs.length < 92;
    const items = tabs.map((t, i) => tabElement(t, i > 0 && tabs[i - 1].id === S.active, narrow));
    $('tabs').replaceChildren(...items);
    // Only a change of the active tab, the tab count or the width scrolls: renders for other
    // reasons leave where the user scrolled to alone.
    const now = [S.active, tabs.length, width].join();
    if (now !== revealed) {
        revealed = now;
        revealActiveTab();
    }
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

// Scrolls the strip just enough to show the active tab with its corner pieces.
function revealActiveTab() {
    const strip = $('tabs');
    const tab = strip.querySelector('.tab.active');
    if (!tab) return;
    const box = strip.getBoundingClientRect();
    const r = tab.getBoundingClientRect();
    const flare = 10;
    if (r.left - flare < box.left) strip.scrollLeft -= box.left - (r.left - flare);
    else if (r.right + flare > box.right) strip.scrollLeft += r.right + flare - box.right;
}

// The wheel, vertical or horizontal, scrolls the tabs while any part of the strip is under it.
function onStripWheel(ev) {
    const strip = $('tabs');
    if (strip.scrollWidth <= strip.clientWidth) return;
    const delta = Math.abs(ev.deltaX) > Math.abs(ev.deltaY) ? ev.deltaX : ev.deltaY;
    if (!delta) return;
    ev.preventDefault();
    const unit = [1, 40, strip.clientWidth][ev.deltaMode] || 1;
    strip.scrollLeft += delta * unit;
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
    const label = el('span', 'tab-title', str(t.title) || str(t.host) || fileName(str(t.url)) || 'New Tab');

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

// The name of a local file, as the host names a web page: the last part of a file: URL's path.
function fileName(url) {
    if (!/^file:/i.test(url)) return '';
    const path = url.replace(/[?#].*$/, '').replace(/^file:(\/\/[^/]*)?/i, '');
    const name = path.split('/').filter(Boolean).pop() || '';
    try {
        return decodeURIComponent(name);
    } catch (e) {
        return name;
    }
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
