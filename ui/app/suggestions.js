// ---------------------------------------------------------------------------------------------
// Suggestion list

// The core answers each text typed, in turn; an answer to an earlier text can arrive after
// later keys, and its rows would open what is no longer typed.
function suggest(list, completion, q) {
    if (!omniFocused || (typeof q === 'string' && q !== askedFor)) return;
    suggestions = Array.isArray(list) ? list.filter((r) => r && typeof r === 'object') : [];
    selIdx = suggestions.length ? 0 : -1;
    settleTyped(completion);
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
    keyboardInOmni();
    omniInput.focus();
    omniInput.select();
}
