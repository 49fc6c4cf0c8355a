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

// The choices with the number in force among them, in order (before "Never", 0), when the list
// lacks it: a hand-edited settings file may hold any count.
function withNumberInForce(options, current, label) {
    if (typeof current !== 'number' || !Number.isSafeInteger(current) || current < 0) return options;
    if (options.some(([value]) => value === current)) return options;
    const at = options.findIndex(([value]) => value === 0 || value > current);
    const list = options.slice();
    list.splice(at < 0 ? list.length : at, 0, [current, label(current)]);
    return list;
}

function minutesLabel(n) {
    if (n % 60 === 0) return n === 60 ? '1 hour' : n / 60 + ' hours';
    return n === 1 ? '1 minute' : n + ' minutes';
}

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
            choice('Sleep after', withNumberInForce(SLEEP_CHOICES, s.sleep_after_mins, minutesLabel),
                s.sleep_after_mins, (v) => set('sleep_after_mins')(Number(v)))),
        sheetRow('Keep at most this many background tabs awake', '',
            choice('Awake tabs', withNumberInForce(AWAKE_CHOICES, s.max_awake_tabs, String),
                s.max_awake_tabs, (v) => set('max_awake_tabs')(Number(v)))),
        footer('Corvane ' + str(d.version) + ' · Settings never leave this computer.',
            textButton('Done', 'primary', dismissPopovers)),
    ];
}

function clearSheet() {
    const pick = { history: true, site: true };
    return [
        sheetHead('trash', 'Clear browsing data'),
        sheetRow('Browsing history', '', switchControl('History', true, (on) => (pick.history = on))),
        sheetRow('Cookies, cache & site data', "You'll be signed out of most websites.",
            switchControl('Site data', true, (on) => (pick.site = on))),
        footer('', textButton('Cancel', 'plain', dismissPopovers), textButton('Clear', 'primary danger', () => {
            send({ t: 'clearData', history: pick.history, site: pick.site });
            dismissPopovers();
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
    return [box, footer('', textButton('Done', 'primary', dismissPopovers))];
}
