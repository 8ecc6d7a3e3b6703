// The page's control panel, built from the core's control table: checkboxes and spinners whose
// typed text and arrows go through the same rules as the desktop's (fields.js), each with its
// tooltip as its description, shown under it by the help mark beside it.
'use strict';

function tolvanePanel({ tv, controlsBox, requestFrame, say }) {
  let rows = [];
  function buildPanel() {
    controlsBox.innerHTML = '';
    rows = [];
    JSON.parse(tv.controls()).forEach((c, index) => {
      const row = document.createElement('div');
      row.className = 'row';
      row.title = c.tooltip;
      const id = 'control' + index;
      const label = document.createElement('label');
      label.htmlFor = id;
      label.textContent = c.label;
      const about = document.createElement('p');
      about.className = 'about';
      about.id = 'about' + index;
      about.textContent = c.tooltip;
      about.hidden = true;
      const help = document.createElement('button');
      help.type = 'button';
      help.className = 'help';
      help.textContent = '?';
      help.tabIndex = -1;  // the field's description says the same to keyboard users
      help.setAttribute('aria-label', 'About ' + c.label);
      help.setAttribute('aria-expanded', 'false');
      help.setAttribute('aria-controls', about.id);
      help.addEventListener('click', () => {
        about.hidden = !about.hidden;
        help.setAttribute('aria-expanded', String(!about.hidden));
      });
      const input = document.createElement('input');
      if (c.kind === 'checkbox') {
        input.type = 'checkbox';
        input.addEventListener('change', () => { tv.setCheckbox(index, input.checked); changed(); });
        row.append(input, label, help, about);
      } else {
        input.type = 'text';
        input.inputMode = c.kind === 'int' ? 'numeric' : 'decimal';
        const arrows = tolvaneField({ input, c, index, tv, say, changed });
        row.append(label, input, arrows, help, about);
      }
      input.id = id;
      input.setAttribute('aria-describedby', about.id);
      input.disabled = !c.enabled;
      controlsBox.appendChild(row);
      rows.push({ c, input });
    });
    refreshPanel();
  }

  // Every control shows its field as it is now (the keys c and s change one too).
  // A field being typed in keeps its text, unless `all` (the core took a value back).
  function refreshPanel(all = false) {
    rows.forEach(({ c, input }, index) => {
      const value = tv.value(index);
      if (c.kind === 'checkbox') input.checked = value !== '0';
      else if (all || document.activeElement !== input) showFieldValue(input, value);
    });
  }

  function changed() {
    refreshPanel();
    requestFrame();
  }

  return { buildPanel, refreshPanel };
}
