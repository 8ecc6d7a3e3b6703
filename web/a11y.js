// The page's keys, key list and view menu, all from the core's key table: a key pressed anywhere
// but in a text field goes to the core, which says what it did; F1 anywhere; Esc hides the
// list. And the touch mark that gives every target 44 CSS px on touch screens.
'use strict';

if (window.matchMedia('(pointer: coarse)').matches || navigator.maxTouchPoints > 0)
  document.documentElement.classList.add('touch');

function tolvaneKeys({ tv, panel, requestFrame }) {
  const box = document.getElementById('keyList');
  const rows = document.getElementById('keyRows');
  const toggle = document.getElementById('keys');

  for (const [keys, what] of JSON.parse(tv.keyRows())) {
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
  // keys are the scene's, as in the desktop's scene window.
  const F1 = tv.keyF1();
  document.addEventListener('keydown', (e) => {
    if (e.defaultPrevented || e.altKey) return;
    const t = e.target;
    const field = t && (t.isContentEditable || t.tagName === 'TEXTAREA' ||
                        (t.tagName === 'INPUT' && t.type === 'text'));
    if (e.key === 'Escape' && !field && !box.hidden) { showKeys(false); return; }
    const code = e.key === 'F1' ? F1 : e.key.length === 1 && !field ? e.key.charCodeAt(0) : 0;
    if (!code) return;
    const what = tv.sceneKey(code, e.ctrlKey || e.metaKey ? 1 : 0, e.shiftKey ? 1 : 0);
    if (!what) return;
    e.preventDefault();
    if (what === 'keys') showKeys();
    if (what === 'changed') {
      panel.refreshPanel();
      requestFrame();
    }
  });

  // The standard views without a keyboard: a menu of the core's views, each named with its key.
  const menu = document.getElementById('view');
  for (const [name, keys] of JSON.parse(tv.standardViews())) {
    const option = document.createElement('option');
    option.value = String(menu.options.length - 1);
    option.textContent = `${name} (${keys})`;
    menu.append(option);
  }
  menu.addEventListener('change', () => {
    if (menu.value !== '' && tv.standardView(Number(menu.value)) === 'changed') {
      panel.refreshPanel();
      requestFrame();
    }
    menu.value = '';
  });

  return { showKeys };
}
