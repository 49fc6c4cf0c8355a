// ---------------------------------------------------------------------------------------------
// Find bar

function openFind() {
    const bar = $('findbar');
    if (bar.hidden) {
        bar.hidden = false;
        send({ t: 'findbar', open: true });
        syncOverlay();
    }
    const input = $('find-input');
    input.focus();
    input.select();
}

function closeFind() {
    const bar = $('findbar');
    if (bar.hidden) return;
    bar.hidden = true;
    $('find-status').textContent = '';
    send({ t: 'findbar', open: false });
    syncOverlay();
}

function findAgain(back) {
    send({ t: 'find', q: $('find-input').value, back, fresh: false });
}

function onFindKey(ev) {
    if (ev.isComposing) return;
    if (ev.key === 'Enter') {
        ev.preventDefault();
        findAgain(ev.shiftKey);
    } else if (ev.key === 'Escape') {
        ev.preventDefault();
        closeFind();
    }
}
