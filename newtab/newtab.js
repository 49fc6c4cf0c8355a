// The new tab page: hand what was typed to the browser, hide broken favicons, greet by the hour.
(() => {
  'use strict';
  const body = document.body;
  // The browser reads what was typed exactly as it reads the address field: the page only hands
  // the text over by navigating to this address, which the browser answers in its place. The key
  // tells the browser that this page, and no other, sent it.
  const TYPED_TEXT_ADDRESS =
    'corvane://newtab/go?key=' + encodeURIComponent(body.dataset.key || '') + '&q=';

  const field = document.getElementById('q');
  document.getElementById('f').addEventListener('submit', (event) => {
    event.preventDefault();
    const text = field.value.trim();
    if (text) location.href = TYPED_TEXT_ADDRESS + encodeURIComponent(text);
  });
  // Line breaks in pasted text go, with the blanks around them, as in the address field.
  field.addEventListener('paste', (event) => {
    const text = event.clipboardData ? event.clipboardData.getData('text/plain') : '';
    if (!/[\r\n]/.test(text)) return;
    event.preventDefault();
    document.execCommand('insertText', false, text.replace(/[^\S\r\n]*[\r\n]+\s*/g, ''));
  });

  for (const image of document.querySelectorAll('.tile img')) {
    image.addEventListener('error', () => image.classList.add('broken'), { once: true });
  }

  if (!body.classList.contains('private')) {
    const hour = new Date().getHours();
    document.getElementById('greet').textContent =
      hour < 5 ? 'Burning the midnight oil?'
        : hour < 12 ? 'Good morning.'
          : hour < 18 ? 'Good afternoon.'
            : 'Good evening.';
  }
  field.focus();
})();
