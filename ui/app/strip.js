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
