// ---------------------------------------------------------------------------------------------
// Address field

const omni = $('omni');
const omniInput = $('omni-input');

function restingValue() {
    return S.newtab ? '' : str(S.url);
}

// What the field shows for the active tab: the text typed over it, else its address.
function fieldValue() {
    const typed = typedByTab.get(S.active);
    return typed ? typed.text : restingValue();
}

// Assigning the same text would still move the caret to the end.
function setFieldValue(value) {
    if (omniInput.value !== value) omniInput.value = value;
}

function forgetTyping(id) {
    typedByTab.delete(id);
    omni.classList.toggle('edited', typedByTab.has(S.active));
}

// A tab that closed or navigated drops its typed text; the one being typed in keeps it.
function forgetStaleTyping() {
    for (const [id, typed] of typedByTab) {
        const tab = S.tabs.find((t) => t.id === id);
        if (!tab) {
            typedByTab.delete(id);
        } else if (str(tab.url) !== typed.url) {
            if (id === S.active && omniFocused) typed.url = str(tab.url);
            else typedByTab.delete(id);
        }
    }
}

// The address shows in the input's place, between the security badge and the star, so nothing
// is drawn over them; a host too long for it keeps its end.
function placeDisplay() {
    const display = $('omni-display');
    const left = omniInput.offsetLeft;
    display.style.left = left + 'px';
    display.style.right = omni.clientWidth - left - omniInput.offsetWidth + 'px';
    const host = $('omni-host');
    if (S.newtab) host.textContent = 'Search or enter website';
    else if (str(S.host)) showEnd(host, str(S.host));
    else host.textContent = str(S.url);
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
        setIcon(sec, 'search');
    } else {
        display.classList.remove('placeholder');
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
    forgetStaleTyping();
    const switched = S.active !== omniTab;
    omniTab = S.active;
    omni.classList.toggle('edited', typedByTab.has(S.active));
    const navigated = str(S.url) !== omniUrl;
    omniUrl = str(S.url);
    // While the field holds the page's focus, even with the keyboard away in a menu, its text is
    // the user's, unless the tab changed or navigated meanwhile.
    const held = document.activeElement === omniInput;
    if (switched || !held || (navigated && !omniFocused)) setFieldValue(fieldValue());
    if (omniFocused && switched) {
        lastTyped = omniInput.value;
        if (suggestShown()) hideSuggest();
    }
    const star = $('star');
    star.classList.toggle('on', !!S.bookmarked);
    star.hidden = !!S.newtab;
    placeDisplay();
}

// Coming back with the keyboard (a menu closed) leaves the text and its selection as they were,
// so a paste from a menu lands where the user left the caret.
function onOmniFocus() {
    // The keyboard going to the field (Ctrl+L included) dismisses the menu, card or panel, as a
    // press in the chrome does.
    closeAll();
    omniFocused = true;
    omni.classList.add('focused');
    omniRegained = keyboardLeft || returningToOmni;
    keyboardLeft = false;
    if (omniRegained) return;
    keyboardInOmni();
    lastTyped = omniInput.value;
    omniInput.select();
}

function onOmniBlur() {
    omniFocused = false;
    keyboardLeft = !document.hasFocus();
    omni.classList.remove('focused', 'suggesting');
    hideSuggest();
    renderOmni();
}

// A first click selects the whole text, as does a right-click, before its menu is built; a
// first press that drags selects what it covers.
function onOmniPress(ev) {
    keyboardInOmni();
    selectOnRelease = !omniFocused || omniRegained ? { x: ev.clientX, y: ev.clientY } : null;
    omniRegained = false;
}

function onOmniRelease(ev) {
    const press = selectOnRelease;
    selectOnRelease = null;
    if (!press || Math.hypot(ev.clientX - press.x, ev.clientY - press.y) > DRAG_THRESHOLD) return;
    omniInput.select();
    ev.preventDefault(); // the release would put the caret where the click was
}

function onOmniContextMenu() {
    if (selectOnRelease) omniInput.select();
    selectOnRelease = null;
}

// The field's text as it goes to the core: with the line breaks of a paste still in it, so that
// the core settles them (gone from a URL, spaces in a search).
function typedText() {
    return pastedLines && omniInput.value === pastedLines.value ? pastedLines.raw : omniInput.value;
}

// What the chrome page can send in one message (the core refuses longer ones unread).
const MAX_MESSAGE_BYTES = 65536;

function fitsMessage(msg) {
    return new TextEncoder().encode(JSON.stringify(msg)).length <= MAX_MESSAGE_BYTES;
}

function onOmniInput(ev) {
    lastTyped = omniInput.value;
    omniRegained = false;
    if (lastTyped.trim() === '') {
        askedFor = null;
        forgetTyping(S.active);
        hideSuggest();
        return;
    }
    typedByTab.set(S.active, { text: lastTyped, url: str(S.url) });
    omni.classList.add('edited');
    // The rows shown answer the text before this edit: until the answer for the new text
    // arrives, Return goes with what was typed rather than a stale row.
    selIdx = -1;
    highlightRow();
    const deletion = typeof ev.inputType === 'string' && ev.inputType.startsWith('delete');
    const msg = { t: 'suggest', q: typedText(), complete: !deletion };
    // Rows for text the core cannot be sent would answer an older text.
    askedFor = fitsMessage(msg) ? msg.q : null;
    if (askedFor !== null) send(msg);
    else hideSuggest();
}

// Each line break of `text`, with the blanks around it, as `joint` (as the core settles them).
function joinLines(text, joint) {
    return text.replace(/[ \t\f\v]*[\r\n][\r\n \t\f\v]*/g, joint);
}

// A line break in pasted text (a URL wrapped in a mail or a terminal) goes, with the blanks
// around it; the field would otherwise turn it into a space inside the address. The core keeps
// the breaks in view: when the text is a search, each becomes a space (settleTyped).
function onOmniPaste(ev) {
    const text = ev.clipboardData ? ev.clipboardData.getData('text/plain') : '';
    if (!/[\r\n]/.test(text)) return;
    ev.preventDefault();
    const before = omniInput.value;
    const start = omniInput.selectionStart;
    const end = omniInput.selectionEnd;
    const joined = joinLines(text, '');
    pastedLines = {
        value: before.slice(0, start) + joined + before.slice(end),
        raw: before.slice(0, start) + text + before.slice(end),
    };
    // Inserted as typing is: the edit can be undone and the suggestions follow it.
    document.execCommand('insertText', false, joined);
}

// The first characters of `text`, as many as the core puts in a row's title.
function firstChars(text, count) {
    return Array.from(text).slice(0, count).join('');
}

// Invisible characters (bidirectional controls and other format characters) as a URL sends them.
function escapeInvisible(text) {
    return text.replace(/[\p{Cf}\p{Default_Ignorable_Code_Point}]/gu, (c) => encodeURIComponent(c));
}

// The core's first row says what the typed text opens; the field then reads what will load: a
// URL with its invisible characters escaped, a search with a space for each pasted line break.
// Only an answer to the text in the field counts.
function settleTyped(completion) {
    const first = suggestions[0];
    if (!first || typeof completion === 'string' || omniInput.value !== lastTyped) return;
    const text = typedText();
    let plain;
    let shown;
    if (first.kind === 'url') {
        plain = joinLines(text, '');
        shown = escapeInvisible;
    } else if (first.kind === 'search' && !first.url) {
        plain = joinLines(text, ' ');
        shown = (t) => t;
    } else {
        return;
    }
    if (str(first.title) !== shown(firstChars(plain.trim(), ROW_TITLE_CHARS))) return;
    const settled = shown(plain);
    pastedLines = null;
    if (settled === omniInput.value) return;
    omniInput.value = settled;
    lastTyped = settled;
    typedByTab.set(S.active, { text: settled, url: str(S.url) });
}

function suggestShown() {
    return !$('suggest').hidden;
}

function openRow(row, newTab) {
    if (row && typeof row.url === 'string' && row.url !== '') {
        send({ t: 'openUrl', url: row.url, newTab });
    } else {
        const msg = { t: 'navigate', text: row ? str(row.text) : typedText(), newTab };
        // Far beyond the longest text that opens: refused here, as the core refuses it.
        if (fitsMessage(msg)) send(msg);
        else toast('Blocked: too long');
    }
    pastedLines = null;
    forgetTyping(S.active);
    hideSuggest();
    omniInput.blur();
}

function onOmniKey(ev) {
    omniRegained = false;
    keyboardInOmni();
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
            forgetTyping(S.active);
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
