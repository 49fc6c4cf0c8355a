// ---------------------------------------------------------------------------------------------
// Overlay: the chrome view covers the whole window while any popover is shown.

function syncOverlay() {
    const on = POPOVERS.some((id) => !$(id).hidden);
    const overlay = $('overlay');
    overlay.style.top = $('chrome').offsetHeight + 'px';
    overlay.hidden = !on;
    if (on !== overlayOn) {
        overlayOn = on;
        send({ t: 'overlay', on });
    }
}

function hidePopovers(except) {
    for (const id of POPOVERS) {
        if (id === 'suggest' || id === except) continue;
        const e = $(id);
        e.hidden = true;
        if (id === 'sheet-back') $('sheet').replaceChildren();
        else e.replaceChildren();
    }
}

function closeAll(except) {
    hidePopovers(except);
    syncOverlay();
}

function menuLikeShown() {
    return POPOVERS.some((id) => id !== 'suggest' && !$(id).hidden);
}

// Where the keyboard was before the menu, card, panel or sheet took it: the address field when
// the user last put it there and it has not left the chrome since, else the page.
let keyboardHome = 'page';
let returningToOmni = false;

function keyboardInOmni() {
    keyboardHome = 'omni';
}

function onChromeBlur() {
    if (!menuLikeShown()) keyboardHome = 'page';
}

// The user closed them (Escape, Done, a click beside them): the keyboard goes back where it was,
// the address field with its text and caret as left, or the page's view, whose page gives its
// own field the keyboard back.
function dismissPopovers() {
    const shown = menuLikeShown();
    closeAll();
    if (!shown) return;
    if (keyboardHome === 'omni') {
        returningToOmni = true;
        omniInput.focus();
        returningToOmni = false;
    } else {
        send({ t: 'focusPage' });
    }
}

function onOverlayPress(ev) {
    if (ev.target !== $('overlay') && ev.target !== $('sheet-back')) return;
    ev.preventDefault();
    const leaving = suggestShown();
    dismissPopovers();
    if (leaving) {
        omniInput.blur();
        send({ t: 'focusPage' });
    }
}

// A press elsewhere in the chrome dismisses the menu, card or panel, as it would in any
// application; the buttons that open them decide for themselves whether to toggle or replace,
// and a field pressed keeps the keyboard.
const POPOVER_BUTTONS = '#menu, #shield, #sec, #downloads';

function onChromePress(ev) {
    if (!(ev.target instanceof Element) || ev.target.closest(POPOVER_BUTTONS)) return;
    if (!['menu-pop', 'shield-pop', 'panel'].some((id) => !$(id).hidden)) return;
    if (ev.target.closest('input, #omni')) closeAll();
    else dismissPopovers();
}

// Escape dismisses the open popovers when the keyboard is in the chrome but not in a field that
// handles Escape itself.
function onDocumentKey(ev) {
    if (ev.key !== 'Escape' || ev.defaultPrevented) return;
    if (ev.target === omniInput || ev.target === $('find-input')) return;
    if (menuLikeShown()) {
        ev.preventDefault();
        dismissPopovers();
    }
}

// Places a popover 6 px under a toolbar button, aligned to its right or left edge.
function anchorUnder(pop, anchor, alignRight) {
    const r = anchor.getBoundingClientRect();
    pop.style.top = r.bottom + 6 + 'px';
    if (alignRight) {
        pop.style.right = Math.max(8, window.innerWidth - r.right) + 'px';
        pop.style.left = 'auto';
    } else {
        pop.style.left = Math.max(8, r.left) + 'px';
        pop.style.right = 'auto';
    }
}
