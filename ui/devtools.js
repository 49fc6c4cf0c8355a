// Corvane's developer tools: a pane under the page that looks into the window's active tab only
// through the core. Every look is a script sent as a devEval message; the core evaluates it in
// the tab and hands the JSON result back through CV.reply. Whatever comes back from the page is
// untrusted and is only ever set as text or attribute values, never parsed as markup.
'use strict';

let seq = 0;
const pending = new Map();
let current = 'console';
const history = [];
let hIdx = 0;
let treeCache = new Map();
let selected = null;
let picking = false;
let pickTimer = 0;
let resizing = null;

const $ = (id) => document.getElementById(id);
const MAX_ROWS = 3000;
const REQUEST_MS = 10000;
const DRAIN_MS = 1000;
const PICK_POLL_MS = 300;
const NO_RESPONSE = 'No response from the page (it may be asleep or still loading).';
const STYLES = ['display', 'position', 'box-sizing', 'width', 'height', 'margin', 'padding',
    'border', 'color', 'background-color', 'font-family', 'font-size', 'font-weight',
    'line-height', 'z-index', 'overflow', 'opacity', 'flex', 'gap', 'grid-template-columns',
    'transform'];

if (!window.ipc) {
    // Only a page opened outside the browser lacks the bridge; keep its messages visible.
    window.ipc = { postMessage: (text) => console.log('\u0001CVIPC' + text) };
}

function send(msg) {
    window.ipc.postMessage(JSON.stringify(msg));
}

function el(tag, cls, text) {
    const e = document.createElement(tag);
    if (cls) e.className = cls;
    if (text !== undefined && text !== null) e.textContent = String(text);
    return e;
}

function button(label, onClick, aria) {
    const b = el('button', 'link', label);
    b.type = 'button';
    if (aria) b.setAttribute('aria-label', aria);
    b.addEventListener('click', onClick);
    return b;
}

// A two-column table of name and value rows; extra cells (buttons) may follow.
function table(rows, headers) {
    const t = el('table', 'grid');
    if (headers) {
        const tr = el('tr');
        for (const h of headers) tr.appendChild(el('th', null, h));
        t.appendChild(tr);
    }
    for (const cells of rows) {
        const tr = el('tr');
        for (const c of cells) {
            const td = el('td');
            if (c instanceof Node) td.appendChild(c);
            else td.textContent = String(c);
            tr.appendChild(td);
        }
        t.appendChild(tr);
    }
    return t;
}

const sleep = (ms) => new Promise((r) => setTimeout(r, ms));

// ---------------------------------------------------------------------------------------------
// The page library: defined in the evaluated scope of every request, nowhere else. The preview
// and the console hook come from console_hook.js, loaded before this script.

const LIB = 'const pv=' + pv + ';const hookConsole=' + hookConsole + ';' + `
const kidsOf=n=>[...n.children].filter(c=>c.id!=='__corvane_hl');
const nodeAt=p=>{let n=document.documentElement;for(const i of p){if(!n)return null;
n=kidsOf(n)[i]}return n||null};
const pathOf=e=>{const p=[];while(e&&e!==document.documentElement){const u=e.parentElement;
if(!u)return null;p.unshift(kidsOf(u).indexOf(e));e=u}return e?p:null};
const desc=n=>{const k=kidsOf(n);return {tag:n.tagName.toLowerCase(),
attrs:[...n.attributes].slice(0,30).map(a=>[a.name,a.value.slice(0,200)]),kids:k.length,
text:k.length?'':(n.textContent||'').trim().slice(0,120)}};
const hl=n=>{let h=document.getElementById('__corvane_hl');if(!n){if(h)h.remove();return}
if(!h){h=document.createElement('div');h.id='__corvane_hl';document.documentElement.appendChild(h)}
const r=n.getBoundingClientRect();Object.assign(h.style,{position:'fixed',pointerEvents:'none',
zIndex:'2147483647',outline:'2px solid #84cc16',background:'rgba(178,255,0,.18)',margin:'0',
left:r.left+'px',top:r.top+'px',width:r.width+'px',height:r.height+'px'})};
`;

// ---------------------------------------------------------------------------------------------
// Requests to the page. Each resolves with the value the body returned, or null when the page
// could not answer (asleep, loading, over a limit, timed out, not valid JSON).

function inPage(body) {
    const code = '(()=>{' + LIB + 'try{return JSON.stringify((()=>{' + body +
        '})())}catch(e){return JSON.stringify({__err:String(e&&e.message||e)})}})()';
    const id = ++seq;
    return new Promise((resolve) => {
        const timer = setTimeout(() => finish(id, null), REQUEST_MS);
        pending.set(id, { resolve, timer });
        send({ t: 'devEval', id, code });
    });
}

function finish(id, value) {
    const request = pending.get(id);
    if (!request) return;
    pending.delete(id);
    clearTimeout(request.timer);
    request.resolve(value);
}

function reply(id, raw) {
    if (!pending.has(id)) return;
    let value = null;
    try {
        value = JSON.parse(JSON.parse(raw));
    } catch (e) {
        value = null;
    }
    finish(id, value);
}

// A request that counts as failed when the page threw inside it.
async function look(body) {
    const value = await inPage(body);
    return value && typeof value === 'object' && '__err' in value ? null : value;
}

// ---------------------------------------------------------------------------------------------
// Console

// Appends [kind, mark, text] rows at once: one layout for a whole drain, not one per row.
function rows(list) {
    const log = $('log');
    const atEnd = log.scrollHeight - log.scrollTop - log.clientHeight <= 4;
    const batch = document.createDocumentFragment();
    for (const [kind, mark, text] of list.slice(-MAX_ROWS)) {
        const r = el('div', 'row ' + kind);
        r.appendChild(el('span', 'mark', mark));
        r.appendChild(el('span', 'text', text));
        batch.appendChild(r);
    }
    log.appendChild(batch);
    for (let extra = log.childElementCount - MAX_ROWS; extra > 0; extra--) {
        log.firstElementChild.remove();
    }
    if (atEnd) log.scrollTop = log.scrollHeight;
}

const row = (kind, mark, text) => rows([[kind, mark, text]]);

async function run(code) {
    row('in', '›', code);
    const answer = await inPage('hookConsole();const v=(0,eval)(' + JSON.stringify(code) + ');' +
        "if(v&&typeof v.then==='function')v.then(" +
        "r=>window.__cvdt.push(['log','Promise resolved: '+pv(r,1)])," +
        "e=>window.__cvdt.push(['error','Promise rejected: '+pv(e,1)]));return {v:pv(v,1)}");
    if (answer === null) row('error', '!', NO_RESPONSE);
    else if (typeof answer === 'object' && '__err' in answer) row('error', '!', String(answer.__err));
    else row('out', '‹', answer && typeof answer === 'object' ? String(answer.v) : String(answer));
    await drain();
}

async function drain() {
    const entries = await inPage('hookConsole();return window.__cvdt.splice(0)');
    if (!Array.isArray(entries)) return;
    rows(entries.filter(Array.isArray).map(([level, text]) => {
        if (level === 'warn') return ['warn', '△', String(text)];
        if (level === 'error') return ['error', '!', String(text)];
        return ['log', '', String(text)];
    }));
}

function growInput() {
    const input = $('input');
    input.style.height = 'auto';
    input.style.height = Math.min(input.scrollHeight, 120) + 'px';
}

function submitInput() {
    const input = $('input');
    const code = input.value;
    if (code.trim() === '') return;
    history.push(code);
    hIdx = history.length;
    input.value = '';
    growInput();
    run(code);
}

function onInputKey(ev) {
    const input = $('input');
    const oneLine = !input.value.includes('\n');
    if (ev.key === 'Enter' && !ev.shiftKey) {
        ev.preventDefault();
        submitInput();
    } else if (ev.key === 'ArrowUp' && oneLine && hIdx > 0) {
        ev.preventDefault();
        input.value = history[--hIdx];
    } else if (ev.key === 'ArrowDown' && oneLine && hIdx < history.length) {
        ev.preventDefault();
        hIdx++;
        input.value = hIdx < history.length ? history[hIdx] : '';
    }
}

// ---------------------------------------------------------------------------------------------
// Elements

function highlight(path) {
    inPage('hl(' + (path ? 'nodeAt(' + JSON.stringify(path) + ')' : 'null') + ');return 1');
}

function treeRow(node, path) {
    const r = el('div', 'node');
    r.setAttribute('role', 'treeitem');
    r.dataset.path = path.join(',');
    r.style.paddingLeft = (8 + 14 * path.length) + 'px';
    const toggle = el('span', 'toggle', node.kids > 0 ? '▸' : '');
    if (node.kids > 0) toggle.addEventListener('click', (ev) => {
        ev.stopPropagation();
        toggleRow(r, path, toggle);
    });
    r.appendChild(toggle);
    r.appendChild(el('span', 'tag', '<' + node.tag));
    for (const [name, value] of Array.isArray(node.attrs) ? node.attrs : []) {
        r.appendChild(document.createTextNode(' '));
        r.appendChild(el('span', 'attr', name));
        r.appendChild(document.createTextNode('='));
        r.appendChild(el('span', 'value', JSON.stringify(String(value))));
    }
    r.appendChild(el('span', 'tag', '>'));
    if (node.text) r.appendChild(el('span', 'content', node.text));
    r.addEventListener('mouseenter', () => highlight(path));
    r.addEventListener('mouseleave', () => highlight(selected));
    r.addEventListener('click', () => selectRow(r, path));
    return r;
}

async function children(path) {
    const key = path.join(',');
    if (treeCache.has(key)) return treeCache.get(key);
    const list = await look('const n=nodeAt(' + JSON.stringify(path) +
        ');return n?kidsOf(n).slice(0,500).map(desc):null');
    if (Array.isArray(list)) treeCache.set(key, list);
    return list;
}

// Rows below r that are deeper than it: its open subtree.
function subtreeOf(r) {
    const depth = r.dataset.path.split(',').filter((s) => s !== '').length;
    const rows = [];
    for (let n = r.nextElementSibling; n; n = n.nextElementSibling) {
        if (n.dataset.path.split(',').filter((s) => s !== '').length <= depth) break;
        rows.push(n);
    }
    return rows;
}

async function toggleRow(r, path, toggle) {
    if (toggle.textContent === '▾') {
        toggle.textContent = '▸';
        for (const n of subtreeOf(r)) n.remove();
        return;
    }
    toggle.textContent = '▾';
    const list = await children(path);
    if (!Array.isArray(list) || toggle.textContent !== '▾' || !r.isConnected) return;
    let after = r;
    list.forEach((node, i) => {
        const child = treeRow(node, path.concat(i));
        after.after(child);
        after = child;
    });
}

async function loadTree() {
    const tree = $('tree');
    treeCache = new Map();
    const root = await look('return desc(document.documentElement)');
    tree.replaceChildren();
    if (!root || typeof root !== 'object') {
        tree.appendChild(el('p', 'note', "This page can't be inspected right now."));
        return;
    }
    tree.appendChild(treeRow(root, []));
}

async function selectRow(r, path) {
    for (const n of document.querySelectorAll('.node.sel')) n.classList.remove('sel');
    r.classList.add('sel');
    selected = path;
    highlight(path);
    const info = await look('const n=nodeAt(' + JSON.stringify(path) + ');if(!n)return null;' +
        'const b=n.getBoundingClientRect(),s=getComputedStyle(n);return {d:desc(n),' +
        'box:[b.x,b.y,b.width,b.height].map(Math.round),p:pv(n,0),s:' +
        JSON.stringify(STYLES) + '.map(k=>[k,s.getPropertyValue(k)])}');
    if (selected !== path) return;
    showDetail(info);
}

function showDetail(info) {
    const detail = $('detail');
    detail.replaceChildren();
    if (!info || typeof info !== 'object' || !Array.isArray(info.box)) {
        detail.appendChild(el('p', 'note', "This page can't be inspected right now."));
        return;
    }
    const [x, y, w, h] = info.box;
    detail.appendChild(el('p', 'preview', info.p));
    detail.appendChild(el('h3', null, 'Box'));
    detail.appendChild(el('p', 'box', w + ' × ' + h + '  at ' + x + ', ' + y));
    detail.appendChild(el('h3', null, 'Attributes'));
    const attrs = info.d && Array.isArray(info.d.attrs) ? info.d.attrs : [];
    detail.appendChild(attrs.length ? table(attrs) : el('p', 'note', 'none'));
    detail.appendChild(el('h3', null, 'Computed styles'));
    detail.appendChild(table(Array.isArray(info.s) ? info.s : []));
}

// The picker lives in the page while it is on: the pointer moves the highlight, a click picks.
function setPicking(on) {
    picking = on;
    $('pick').classList.toggle('on', on);
    $('pick').setAttribute('aria-pressed', String(on));
    clearInterval(pickTimer);
    pickTimer = 0;
    if (!on) {
        inPage('if(window.__cvpick){window.__cvpick.stop();delete window.__cvpick}return 1');
        return;
    }
    inPage('if(window.__cvpick)window.__cvpick.stop();const st={path:null};' +
        'const mv=e=>hl(e.target);const stop=()=>{removeEventListener("pointermove",mv,true);' +
        'removeEventListener("click",ck,true)};const ck=e=>{e.preventDefault();' +
        'e.stopImmediatePropagation();st.path=pathOf(e.target);stop()};' +
        'addEventListener("pointermove",mv,true);addEventListener("click",ck,true);' +
        'Object.defineProperty(window,"__cvpick",{value:{get path(){return st.path},stop},' +
        'configurable:true,enumerable:false,writable:true});return 1');
    pickTimer = setInterval(pollPick, PICK_POLL_MS);
}

async function pollPick() {
    const path = await inPage('const p=window.__cvpick;if(p&&p.path){delete window.__cvpick;' +
        'return p.path}return null');
    if (!picking || !Array.isArray(path)) return;
    setPicking(false);
    reveal(path);
}

async function reveal(path) {
    await loadTree();
    let r = $('tree').querySelector('.node');
    for (let depth = 0; r && depth < path.length; depth++) {
        const toggle = r.querySelector('.toggle');
        if (toggle.textContent === '▸') toggle.click();
        await sleep(120);
        await children(path.slice(0, depth));
        await sleep(30);
        r = $('tree').querySelector('.node[data-path="' + path.slice(0, depth + 1).join(',') + '"]');
    }
    if (!r) return;
    r.scrollIntoView({ block: 'center' });
    selectRow(r, path);
}

// ---------------------------------------------------------------------------------------------
// Network, Storage, Page

// Empties the panel for new data; without data it shows the panel's failure text instead.
function fill(id, ok, failure) {
    const panel = $(id);
    panel.replaceChildren();
    if (ok) return panel;
    panel.appendChild(el('p', 'note', failure));
    return null;
}

const ms = (n) => Math.round(n) + ' ms';
const kb = (n) => (n > 0 ? (n / 1024).toFixed(1) + ' KB' : '–');

async function loadNetwork() {
    const data = await look('const n=performance.getEntriesByType("navigation")[0];' +
        'const r=performance.getEntriesByType("resource").slice(-800);return {nav:n?{' +
        'ttfb:n.responseStart-n.startTime,dom:n.domContentLoadedEventEnd,load:n.loadEventEnd,' +
        'size:n.transferSize}:null,res:r.map(e=>({name:e.name.slice(0,400),type:e.initiatorType,' +
        'start:Math.round(e.startTime),time:Math.round(e.duration),size:e.transferSize}))}');
    const panel = fill('network', data && Array.isArray(data.res), 'No network data for this page.');
    if (!panel) return;
    const nav = data.nav;
    const total = data.res.reduce((sum, e) => sum + (+e.size || 0), nav ? +nav.size || 0 : 0);
    let summary = (data.res.length + 1) + ' requests · ' + kb(total) + ' transferred';
    if (nav) {
        summary += ' · first byte ' + ms(nav.ttfb) + ' · DOM ready ' + ms(nav.dom) + ' · load ' +
            ms(nav.load);
    }
    panel.appendChild(el('p', 'summary', summary));
    panel.appendChild(table(data.res.map((e) => [e.name, e.type, ms(e.start), ms(e.time),
        kb(+e.size || 0)]), ['Name', 'Type', 'Start', 'Time', 'Size']));
    panel.appendChild(el('p', 'note', 'Requests blocked by Corvane Shield never start, so they ' +
        'do not appear here. Cross-origin sizes show as – unless the server allows timing ' +
        'access.'));
}

const STORES = [
    { key: 'local', title: 'Local storage', clear: 'localStorage.clear()',
        remove: (k) => 'localStorage.removeItem(' + k + ')' },
    { key: 'session', title: 'Session storage', clear: 'sessionStorage.clear()',
        remove: (k) => 'sessionStorage.removeItem(' + k + ')' },
    { key: 'cookies', title: 'Cookies readable by scripts',
        clear: 'for(const c of document.cookie.split("; "))if(c)document.cookie=c.split("=")[0]+' +
            '"=; expires=Thu, 01 Jan 1970 00:00:00 GMT; path=/"',
        remove: (k) => 'document.cookie=' + k + '+"=; expires=Thu, 01 Jan 1970 00:00:00 GMT; path=/"' },
];

async function loadStorage() {
    const data = await look('const cut=s=>String(s).slice(0,400);const all=s=>{const r=[];' +
        'for(let i=0;i<s.length;i++){const k=s.key(i);r.push([k,cut(s.getItem(k))])}return r};' +
        'return {origin:location.origin,local:all(localStorage),session:all(sessionStorage),' +
        'cookies:document.cookie?document.cookie.split("; ").map(c=>{const i=c.indexOf("=");' +
        'return i<0?[c,""]:[c.slice(0,i),cut(c.slice(i+1))]}):[]}');
    const panel = fill('storage', data && typeof data === 'object',
        "Storage isn't available for this page.");
    if (!panel) return;
    panel.appendChild(el('p', 'summary', data.origin));
    for (const store of STORES) {
        const rows = Array.isArray(data[store.key]) ? data[store.key] : [];
        const head = el('h3', null, store.title + ' (' + rows.length + ')');
        if (rows.length) head.appendChild(button('Clear all', () => change(store.clear)));
        panel.appendChild(head);
        panel.appendChild(rows.length ? table(rows.map(([k, v]) => [k, v,
            button('Delete', () => change(store.remove(JSON.stringify(String(k)))),
                'Delete ' + k)])) : el('p', 'note', 'empty'));
    }
}

async function change(script) {
    await inPage(script + ';return 1');
    loadStorage();
}

const FACTS = [
    ['URL', 'location.href'], ['Title', 'document.title'], ['User agent', 'navigator.userAgent'],
    ['Ready state', 'document.readyState'],
    ['Viewport', 'innerWidth+" × "+innerHeight+" @"+devicePixelRatio+"x"'],
    ['Secure context', 'isSecureContext'],
    ['Global Privacy Control', 'navigator.globalPrivacyControl'],
    ['Language', 'navigator.language'], ['Cookies enabled', 'navigator.cookieEnabled'],
    ['DOM elements', 'document.getElementsByTagName("*").length'],
    ['Scripts', 'document.scripts.length'], ['Stylesheets', 'document.styleSheets.length'],
    ['Images', 'document.images.length'],
    ['iframes', 'document.getElementsByTagName("iframe").length'],
];

async function loadPage() {
    const values = await look('return [' + FACTS.map(([, e]) => 'String(' + e + ')').join(',') + ']');
    const panel = fill('page', Array.isArray(values), "Page details aren't available right now.");
    if (!panel) return;
    panel.appendChild(table(FACTS.map(([name], i) => [name, values[i]])));
}

// ---------------------------------------------------------------------------------------------
// Panels, tools, resizing

const REFRESH = { console: () => {}, elements: loadTree, network: loadNetwork,
    storage: loadStorage, page: loadPage };

function show(panel) {
    if (!(panel in REFRESH)) return;
    if (current === 'elements' && panel !== 'elements') {
        if (picking) setPicking(false);
        highlight(null);
    }
    current = panel;
    for (const b of document.querySelectorAll('#tabs button')) {
        b.setAttribute('aria-selected', String(b.dataset.panel === panel));
    }
    for (const name of Object.keys(REFRESH)) $(name).hidden = name !== panel;
    $('pick').hidden = panel !== 'elements';
    $('refresh').hidden = panel === 'console';
    $('clear').hidden = panel !== 'console';
    REFRESH[panel]();
}

function reset(url) {
    treeCache = new Map();
    selected = null;
    if (picking) setPicking(false);
    row('nav', '', 'Navigated to ' + url);
    REFRESH[current]();
}

async function selftest(panel) {
    if (panel !== 'console') {
        show(panel);
        if (panel === 'elements') {
            await sleep(500);
            const toggle = $('tree').querySelector('.toggle');
            if (toggle) toggle.click();
        }
        return;
    }
    show('console');
    for (const code of ["document.title + ' | ' + navigator.userAgent",
        "console.warn('warning from the page'); [1, 2, {a: 3}]", 'nope.missing']) {
        await run(code);
    }
}

function startResize(ev) {
    resizing = { y: ev.screenY, h: window.innerHeight };
    try {
        $('grip').setPointerCapture(ev.pointerId);
    } catch (e) {
        // A synthetic pointer has nothing to capture; the moves still arrive.
    }
    ev.preventDefault();
}

function moveResize(ev) {
    if (!resizing) return;
    send({ t: 'devResize', h: resizing.h + (resizing.y - ev.screenY) });
}

function wire() {
    for (const b of document.querySelectorAll('#tabs button')) {
        b.addEventListener('click', () => show(b.dataset.panel));
    }
    $('pick').addEventListener('click', () => setPicking(!picking));
    $('refresh').addEventListener('click', () => REFRESH[current]());
    $('clear').addEventListener('click', () => $('log').replaceChildren());
    $('close').addEventListener('click', () => send({ t: 'devClose' }));
    $('repl').addEventListener('submit', (ev) => {
        ev.preventDefault();
        submitInput();
    });
    $('input').addEventListener('keydown', onInputKey);
    $('input').addEventListener('input', growInput);
    document.addEventListener('keydown', (ev) => {
        if (ev.key === 'Escape' && picking) setPicking(false);
    });
    $('grip').addEventListener('pointerdown', startResize);
    window.addEventListener('pointermove', moveResize);
    window.addEventListener('pointerup', () => { resizing = null; });
    window.addEventListener('pagehide', () => highlight(null));
    setInterval(() => {
        if (!document.hidden) drain();
    }, DRAIN_MS);
}

wire();
row('nav', '', 'Corvane DevTools. Type JavaScript below to run it in this page.');
$('input').focus();

window.CV = Object.freeze({ reply, reset, selftest });
window.CV_DEV = window.CV;
