// The new tab page: search or go to what was typed, hide broken favicons, greet by the hour.
(() => {
  'use strict';
  const DEFAULT_TEMPLATE = 'https://duckduckgo.com/?q={q}';
  const body = document.body;
  const template = body.dataset.template || DEFAULT_TEMPLATE;

  const looksLikeHost = (text) =>
    !/\s/.test(text) && /^[^/?#]+\.[a-z]{2,}([/:?#].*)?$/i.test(text);

  // Everything typed is opened over https or searched; no other scheme can come out of here.
  const destination = (text) => {
    if (/^https:\/\//i.test(text)) return text;
    if (/^http:\/\//i.test(text)) return 'https:' + text.slice(5);
    if (looksLikeHost(text)) return 'https://' + text;
    const query = encodeURIComponent(text);
    return template.replace('{q}', () => query);
  };

  const field = document.getElementById('q');
  document.getElementById('f').addEventListener('submit', (event) => {
    event.preventDefault();
    const text = field.value.trim();
    if (text) location.href = destination(text);
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
