// ---------------------------------------------------------------------------------------------
// Window dragging

const DRAG_REGIONS = '#strip, .strip-fill, #toolbar, #omni-wrap';
const NOT_DRAGGABLE = 'button, input, select, textarea, a, .tab, #omni, .pop, #overlay';

function onDocumentPress(ev) {
    if (ev.button !== 0 || !(ev.target instanceof Element)) return;
    if (ev.target.closest(NOT_DRAGGABLE) || !ev.target.closest(DRAG_REGIONS)) return;
    send({ t: ev.detail === 2 ? 'zoomWindow' : 'drag' });
}

// ---------------------------------------------------------------------------------------------
// Page-wide handling

function onResize() {
    // The core grows and shrinks the chrome view's height with the overlay; only a change of
    // the window's width is a real resize for the strip and the suggestion list.
    if (window.innerWidth === lastWidth) return;
    lastWidth = window.innerWidth;
    renderTabs();
    if (suggestShown()) hideSuggest();
}

function wire() {
    $('back').addEventListener('click', () => send({ t: 'back' }));
    $('fwd').addEventListener('click', () => send({ t: 'forward' }));
    $('reload').addEventListener('click', () => send({ t: S.loading ? 'stop' : 'reload' }));
    $('newtab').addEventListener('click', () => send({ t: 'newTab' }));
    $('star').addEventListener('click', () => send({ t: 'toggleBookmark' }));
    $('sec').addEventListener('click', openShield);
    $('shield').addEventListener('click', openShield);
    $('downloads').addEventListener('click', () => openPanel('downloads'));
    $('menu').addEventListener('click', openMenu);
    $('strip').addEventListener('wheel', onStripWheel, { passive: false });

    omniInput.addEventListener('focus', onOmniFocus);
    omniInput.addEventListener('blur', onOmniBlur);
    omniInput.addEventListener('input', onOmniInput);
    omniInput.addEventListener('keydown', onOmniKey);
    omniInput.addEventListener('paste', onOmniPaste);
    omniInput.addEventListener('mousedown', onOmniPress);
    omniInput.addEventListener('mouseup', onOmniRelease);
    omniInput.addEventListener('contextmenu', onOmniContextMenu);

    const find = $('find-input');
    find.addEventListener('input', () => send({ t: 'find', q: find.value, back: false, fresh: true }));
    find.addEventListener('keydown', onFindKey);
    $('find-next').addEventListener('click', () => findAgain(false));
    $('find-prev').addEventListener('click', () => findAgain(true));
    $('find-done').addEventListener('click', closeFind);

    $('overlay').addEventListener('mousedown', onOverlayPress);
    $('chrome').addEventListener('mousedown', onChromePress);
    document.addEventListener('keydown', onDocumentKey);
    document.addEventListener('focusin', (ev) => {
        if (ev.target !== omniInput) keyboardLeft = false;
    });
    document.addEventListener('mousedown', onDocumentPress);
    document.addEventListener('pointermove', onDragMove);
    document.addEventListener('pointerup', onDragEnd);
    document.addEventListener('pointercancel', onDragEnd);
    document.addEventListener('contextmenu', (ev) => {
        if (!(ev.target instanceof Element && ev.target.closest('input, textarea'))) {
            ev.preventDefault();
        }
    });
    window.addEventListener('resize', onResize);
    new ResizeObserver(placeDisplay).observe(omni);
    window.addEventListener('blur', onChromeBlur);
}
