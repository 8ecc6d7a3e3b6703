// The page's scenes and undo: "Open scene…" (or a picture dropped with Shift held) restores the
// scene a Tolvane picture carries, through the core's reader and its refusals; the page's own
// input gathered into undo steps as on the desktop (the keys make theirs in the core).
'use strict';

function tolvaneScenes({ M, say, panel, images, requestFrame, canvas, controlsBox }) {
  const fn = (name, ret, args) => M.cwrap(name, ret, args);
  const tv = {
    openScene: fn('tvOpenScene', 'string', ['number', 'number', 'string']),
    beginStep: fn('tvBeginStep', null, ['number']),
    commitStep: fn('tvCommitStep', null, []),
    gestureInput: fn('tvGestureInput', null, ['number']),
    pageQuery: fn('tvPageQuery', 'string', []),
  };
  const SETTINGS = 1, VIEW = 2;  // the core's HistoryScope bits

  // The address shows the scene, so that "Copy link" and a reload give it.
  function showInAddress() {
    const url = new URL(window.location.href);
    url.search = tv.pageQuery();
    history.replaceState(null, '', url);
  }

  function changed() {
    panel.refreshPanel();
    requestFrame();
  }

  async function openScene(file) {
    let why;
    try {
      const bytes = new Uint8Array(await file.arrayBuffer());
      why = images.withBytes(bytes, (ptr) => tv.openScene(ptr, bytes.length, file.name));
    } catch (e) {
      why = `${file.name}: cannot be read (${e.message || e})`;
    }
    if (why) { say(why); return; }
    showInAddress();
    changed();
    say(`Opened the scene of ${file.name}`, true);
  }

  const picker = document.getElementById('scenefile');
  document.getElementById('openscene').addEventListener('click', () => picker.click());
  picker.addEventListener('change', () => {
    if (picker.files.length) openScene(picker.files[0]);
    picker.value = '';
  });
  // A picture dropped with Shift held opens its scene; without Shift, dropped files are images
  // for the textures, as before. Caught before the page's own drop handler.
  window.addEventListener('drop', (e) => {
    if (!e.shiftKey || !e.dataTransfer || !e.dataTransfer.files.length) return;
    e.preventDefault();
    e.stopImmediatePropagation();
    openScene(e.dataTransfer.files[0]);
  }, true);

  // ---- Steps: opened before the page's own handlers run (capture), ended after (bubble) ----

  function around(target, type, scope, test) {
    target.addEventListener(type, (e) => { if (!test || test(e)) tv.beginStep(scope); }, true);
    target.addEventListener(type, (e) => { if (!test || test(e)) tv.commitStep(); });
  }
  // A checkbox or a typed value is one step; each arrow step (a click, a held arrow's repeats,
  // the field's arrow keys and wheel: fields.js says so before each) continues a step that ends
  // once the field has been left alone for a moment.
  around(controlsBox, 'change', SETTINGS);
  controlsBox.addEventListener('fieldstep', () => tv.gestureInput(SETTINGS), true);
  // A drag (whatever its button) or a touch gesture, from the first press to the last release;
  // a burst of wheel notches.
  const down = new Set();
  canvas.addEventListener('pointerdown', (e) => { down.add(e.pointerId); tv.beginStep(VIEW); }, true);
  for (const type of ['pointerup', 'pointercancel'])
    canvas.addEventListener(type, (e) => {
      down.delete(e.pointerId);
      if (down.size === 0) tv.commitStep();
    });
  canvas.addEventListener('wheel', () => tv.gestureInput(VIEW), true);
  around(document.getElementById('reset'), 'click', VIEW);

  return { openScene };
}
