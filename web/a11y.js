// The page's keys and key list: c, s, y, m, n, l and r wherever the focus is not in a field, h or F1 to
// show the list (read from the core's, in the page's words), Esc to hide it; and the touch mark
// that gives every target 44 CSS px on touch screens.
'use strict';

if (window.matchMedia('(pointer: coarse)').matches || navigator.maxTouchPoints > 0)
  document.documentElement.classList.add('touch');

function tolvaneKeys({ tv, panel, requestFrame, resetView }) {
  const box = document.getElementById('keyList');
  const rows = document.getElementById('keyRows');
  const toggle = document.getElementById('keys');

  // The core's list without what only the desktop's window does (quit, print the link), then
  // the page's own keys.
  const lines = tv.keyList().split('\n').filter((l) => l && !/^(q \/|p )/.test(l))
    .map((l) => [l.slice(0, 12).trim(), l.slice(12).trim()]);
  lines.push(['one finger', 'turns the still life, as a drag does'],
    ['Tab', 'moves between the scene, the buttons and the fields'],
    ['↑ / ↓, wheel', 'step the focused field (Ctrl: the fast step); held arrows repeat'],
    ['Enter / Esc', 'take / cancel what is typed in a field'],
    ['?', 'beside a field: what it does']);
  for (const [keys, what] of lines) {
    const dt = document.createElement('dt');
    dt.textContent = keys;
    const dd = document.createElement('dd');
    dd.textContent = what;
    rows.append(dt, dd);
  }

  function showKeys(show = box.hidden) {
    box.hidden = !show;
    toggle.setAttribute('aria-expanded', String(show));
    if (show) box.scrollIntoView({ block: 'nearest' });
  }
  toggle.addEventListener('click', () => showKeys());

  // Typing in a field keeps its letters; elsewhere (the scene, a button, a checkbox) the
  // letters are the scene's keys, as in the desktop's scene window.
  document.addEventListener('keydown', (e) => {
    if (e.key === 'F1') { e.preventDefault(); showKeys(); return; }
    if (e.ctrlKey || e.metaKey || e.altKey || e.defaultPrevented) return;
    const field = e.target instanceof HTMLInputElement && e.target.type === 'text';
    if (e.key === 'Escape' && !field && !box.hidden) { showKeys(false); return; }
    if (field || e.key.length !== 1) return;
    if (e.key === 'h') showKeys();
    else if (e.key === 'r') resetView();
    else if ('csymnl'.includes(e.key)) {
      tv.key(e.key.charCodeAt(0));
      panel.refreshPanel();
      requestFrame();
    }
  });

  return { showKeys };
}
