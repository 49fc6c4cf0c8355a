// ---------------------------------------------------------------------------------------------
// Start

window.CV = Object.freeze({
    render,
    suggest,
    panel,
    focusOmnibox,
    openFind,
    openPanel,
    openSheet,
    toast,
    closeAll: () => closeAll(),
});
wire();
send({ t: 'ready' });
