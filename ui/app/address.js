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
}

// Coming back with the keyboard (a menu closed) leaves the text and its selection as they were,
// so a paste from a menu lands where the user left the caret.
function onOmniFocus() {
    // The keyboard going to the field (Ctrl+L included) dismisses the menu, card or panel, as a
    // press in the chrome does.
    closeAll();
    omniFocused = true;
    omni.classList.add('focused');
    omniRegained = keyboardLeft;
    keyboardLeft = false;
    if (omniRegained) return;
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

function onOmniInput(ev) {
    lastTyped = omniInput.value;
    omniRegained = false;
    if (lastTyped.trim() === '') {
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
    send({ t: 'suggest', q: lastTyped, complete: !deletion });
}

// A line break in pasted text (a URL wrapped in a mail or a terminal) goes, with the blanks
// around it; the field would otherwise turn it into a space inside the address.
function onOmniPaste(ev) {
    const text = ev.clipboardData ? ev.clipboardData.getData('text/plain') : '';
    if (!/[\r\n]/.test(text)) return;
    ev.preventDefault();
    // Inserted as typing is: the edit can be undone and the suggestions follow it.
    document.execCommand('insertText', false, text.replace(/[^\S\r\n]*[\r\n]+\s*/g, ''));
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
    forgetTyping(S.active);
    hideSuggest();
    omniInput.blur();
}

function onOmniKey(ev) {
    omniRegained = false;
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
