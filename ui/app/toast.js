// ---------------------------------------------------------------------------------------------
// Toast

function toast(text) {
    const e = $('toast');
    e.textContent = String(text);
    e.hidden = false;
    clearTimeout(toastTimer);
    toastTimer = setTimeout(() => {
        e.hidden = true;
    }, TOAST_MS);
}
