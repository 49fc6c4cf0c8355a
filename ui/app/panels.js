// ---------------------------------------------------------------------------------------------
// Panels: each opening asks the core, which answers through CV.panel.

function openShield() {
    if (!$('shield-pop').hidden) {
        dismissPopovers();
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
    refused: ['warn', 'bad', 'Connection is not secure',
        "This site's certificate was not accepted. Don't enter passwords or card details."],
};

function paintShield(d) {
    const pop = $('shield-pop');
    const host = str(d.host);
    const head = el('div', 'card-head');
    const heading = el('h2', '', host || 'Corvane Shield');
    head.append(icon('shield'), heading);
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
    const kind = d.sec === 'insecure' && d.certificateRefused === true ? 'refused' : d.sec;
    const sec = SEC_BLOCKS[kind] || ['info', 'local', d.newtab ? 'Corvane page' : 'Local or internal page',
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
    if (host) showEnd(heading, host);
}

// List panels

const LISTS = {
    history: { title: 'History', icon: 'clock', empty: 'Pages you visit show up here.' },
    bookmarks: { title: 'Bookmarks', icon: 'star', empty: 'Press Ctrl+D to bookmark a page.' },
    downloads: { title: 'Downloads', icon: 'download', empty: 'No downloads yet.' },
};
// History and bookmarks stop filling past this many elements; downloads are never cut.
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
        if (name === 'downloads') {
            rows.push(downloadRow(item, index));
            return;
        }
        if (rows.length > LIST_LIMIT) return;
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
