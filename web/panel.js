// The page's control panel, built from the core's control table: checkboxes and spinners whose
// typed text and arrows go through the same rules as the desktop's.
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
      let input;
      if (c.kind === 'checkbox') {
        input = document.createElement('input');
        input.type = 'checkbox';
        input.addEventListener('change', () => { tv.setCheckbox(index, input.checked); changed(); });
        row.append(input, label);
      } else {
        input = document.createElement('input');
        input.type = 'text';
        input.inputMode = c.kind === 'int' ? 'numeric' : 'decimal';
        // Typed text is written when confirmed (Enter) or left, as the desktop's spinners do.
        // Refused text gives way to the field's value, which stays as it was.
        // Text longer than any value needs is refused here, before it is copied to the core.
        input.addEventListener('change', () => {
          if (input.value.length >= tv.textLimit())
            say(`${c.label}: the typed text is longer than this field can use`);
          else
            tv.commitText(index, input.value);
          input.value = tv.value(index);
          changed();
        });
        const arrows = document.createElement('span');
        arrows.className = 'arrows';
        for (const [text, direction] of [['▲', 1], ['▼', -1]]) {
          const b = document.createElement('button');
          b.type = 'button';
          b.textContent = text;
          b.disabled = !c.enabled;
          b.addEventListener('click', (e) => { tv.stepArrow(index, direction, e.ctrlKey ? 1 : 0); changed(); });
          arrows.appendChild(b);
        }
        row.append(label, input, arrows);
      }
      input.id = id;
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
      else if (all || document.activeElement !== input) input.value = value;
    });
  }

  function changed() {
    refreshPanel();
    requestFrame();
  }

  return { buildPanel, refreshPanel };
}
