// A spinner field of the panel as a spin button: its range announced, typed text taken on Enter
// or leaving and refused or clamped with a message that says why, Esc cancelling the edit,
// arrow keys and the wheel stepping it, and arrow buttons that repeat while held.
'use strict';

// The float range: what a field without limits takes (more is refused as "too large").
const kFloatLargest = 3.4028234663852886e38;
const kRepeatDelayMs = 400;  // first repeat of a held arrow, then one step per kRepeatMs
const kRepeatMs = 60;

function tolvaneField({ input, c, index, tv, say, changed }) {
  input.setAttribute('role', 'spinbutton');
  input.setAttribute('aria-valuemin', ariaNumber(c.limited ? c.low : -kFloatLargest));
  input.setAttribute('aria-valuemax', ariaNumber(c.limited ? c.high : kFloatLargest));

  // Each step is announced first (undo gathers a run of them into one step).
  const step = (direction, fast) => {
    input.dispatchEvent(new Event('fieldstep', { bubbles: true }));
    if (tv.stepArrow(index, direction, fast ? 1 : 0)) changed();
  };

  // Typed text is written when confirmed (Enter) or left, as the desktop's spinners do.
  input.addEventListener('change', () => {
    const text = input.value;
    if (text.length >= tv.textLimit()) {
      say(`${c.label}: the typed text is longer than this field can use`, false, true);
    } else {
      // Refused text leaves the field alone; the message says why, or what a clamp stored.
      const message = tv.typedValueMessage(index, text);
      tv.commitText(index, text);
      if (message) say(message, false, true);
    }
    showFieldValue(input, tv.value(index));
    changed();
  });

  input.addEventListener('keydown', (e) => {
    if (e.key === 'Escape') {  // the edit is dropped; the field shows its value again
      showFieldValue(input, tv.value(index));
      input.select();
      e.preventDefault();
    } else if (e.key === 'ArrowUp' || e.key === 'ArrowDown') {
      e.preventDefault();
      step(e.key === 'ArrowUp' ? 1 : -1, e.ctrlKey);
      showFieldValue(input, tv.value(index));
    }
  });
  input.addEventListener('wheel', (e) => {
    if (document.activeElement !== input || e.deltaY === 0) return;
    e.preventDefault();
    step(e.deltaY < 0 ? 1 : -1, e.ctrlKey);
    showFieldValue(input, tv.value(index));
  }, { passive: false });

  // The arrow buttons: one step at the press, then repeats while held; a click from the
  // keyboard (Enter, Space) is one step.
  const arrows = document.createElement('span');
  arrows.className = 'arrows';
  for (const [text, direction, verb] of [['▲', 1, 'Increase'], ['▼', -1, 'Decrease']]) {
    const b = document.createElement('button');
    b.type = 'button';
    b.textContent = text;
    b.tabIndex = -1;  // the field's arrow keys do the same from the keyboard
    b.setAttribute('aria-label', `${verb} ${c.label}`);
    b.disabled = !c.enabled;
    let timer = 0;
    const stop = () => { clearTimeout(timer); timer = 0; };
    const repeat = (fast, delay) => {
      timer = setTimeout(() => { step(direction, fast); repeat(fast, kRepeatMs); }, delay);
    };
    b.addEventListener('pointerdown', (e) => {
      if (e.button !== 0) return;
      e.preventDefault();  // keeps the focus where it is
      stop();
      step(direction, e.ctrlKey);
      repeat(e.ctrlKey, kRepeatDelayMs);
    });
    for (const end of ['pointerup', 'pointerleave', 'pointercancel', 'blur']) b.addEventListener(end, stop);
    b.addEventListener('click', (e) => { if (e.detail === 0) step(direction, e.ctrlKey); });
    b.addEventListener('contextmenu', (e) => e.preventDefault());
    arrows.appendChild(b);
  }
  return arrows;
}

// A number as ARIA takes it: decimal digits, never an exponent.
function ariaNumber(x) {
  return x.toLocaleString('en-US', { useGrouping: false, maximumFractionDigits: 20 });
}

// What the field shows to assistive technology: its number.
function showFieldValue(input, text) {
  input.value = text;
  input.setAttribute('aria-valuenow', ariaNumber(Number(text)));
  input.setAttribute('aria-valuetext', text);
}
