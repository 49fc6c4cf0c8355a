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
        dismissPopovers();
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
        // A command acts from where the keyboard was (the developer tools give it back there);
        // a panel or sheet takes over from the menu.
        if (item.cmd) {
            dismissPopovers();
            send({ t: 'cmd', cmd: item.cmd });
        } else if (item.panel) {
            openPanel(item.panel);
        } else if (item.sheet) {
            openSheet(item.sheet);
        }
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
