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
    // The keyboard going to the field (Ctrl+L included) dismisses the menu, card or panel, as a
    // press in the chrome does.
    closeAll();
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
