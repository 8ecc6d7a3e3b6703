// The page's glue: loads the wasm core, builds the panel from its control table, paces frames,
// and turns the browser's input, files and downloads into calls of the core.
'use strict';

(async function main() {
  const canvas = document.getElementById('scene');
  const stage = document.getElementById('stage');
  const controlsBox = document.getElementById('controls');
  const statusLine = document.getElementById('status');
  const messages = document.getElementById('messages');

  // One line per message, newest last; a few are kept. A brief one (a refused value) goes
  // after as long as the desktop's panel shows it (the core's duration).
  let briefMessageMs = 0;
  function say(text, note, brief) {
    const line = document.createElement('div');
    line.textContent = text;
    if (note) line.className = 'note';
    messages.appendChild(line);
    while (messages.childNodes.length > 8) messages.removeChild(messages.firstChild);
    if (brief) setTimeout(() => line.remove(), briefMessageMs);
    return line;
  }

  let M;
  try {
    M = await createTolvane();
  } catch (e) {
    say('The page could not start: ' + e);
    return;
  }
  const fn = (name, ret, args) => M.cwrap(name, ret, args);
  const tv = {
    start: fn('tvStart', 'string', ['number']),
    settleAntialiasing: fn('tvSettleAntialiasing', 'string', []),
    controls: fn('tvControls', 'string', []),
    value: fn('tvControlValue', 'string', ['number']),
    setCheckbox: fn('tvSetCheckbox', null, ['number', 'number']),
    commitText: fn('tvCommitText', 'number', ['number', 'string']),
    stepArrow: fn('tvStepArrow', 'number', ['number', 'number', 'number']),
    typedValueMessage: fn('tvTypedValueMessage', 'string', ['number', 'string']),
    keyRows: fn('tvKeyRows', 'string', []),
    keyF1: fn('tvKeyF1', 'number', []),
    sceneKey: fn('tvSceneKey', 'string', ['number', 'number', 'number']),
    standardViews: fn('tvStandardViews', 'string', []),
    standardView: fn('tvStandardView', 'string', ['number']),
    pageQuery: fn('tvPageQuery', 'string', []),
    fenceFrame: fn('tvFenceFrame', null, []),
    frameDone: fn('tvFrameDone', 'number', []),
    applySetting: fn('tvApplySetting', 'string', ['string']),
    args: fn('tvArguments', 'string', []),
    argsAt: fn('tvArgumentsAt', 'string', ['number', 'number']),
    textLimit: fn('tvTextLimit', 'number', []),
    press: fn('tvPress', null, ['number', 'number']),
    drag: fn('tvDrag', null, ['number', 'number']),
    keepStartView: fn('tvKeepStartView', null, []),
    resetView: fn('tvResetView', null, []),
    wheel: fn('tvWheel', null, ['number']),
    pinch: fn('tvPinch', null, ['number', 'number', 'number']),
    zoom: fn('tvZoom', 'number', []),
    reduceMotion: fn('tvReduceMotion', 'string', ['number']),
    advance: fn('tvAdvance', 'number', []),
    moving: fn('tvMoving', 'number', []),
    draw: fn('tvDraw', 'string', ['number', 'number', 'number']),
    transparent: fn('tvTransparent', 'number', []),
    transparentPicture: fn('tvTransparentPicture', 'number', ['number', 'number']),
    setViewMoving: fn('tvSetViewMoving', null, ['number']),
    smallerVaseShown: fn('tvSmallerVaseShown', 'number', []),
    restoreContext: fn('tvRestoreContext', 'string', []),
    keptPicture: fn('tvKeptPicture', null, ['number']),
    lastFrameKept: fn('tvLastFrameKept', 'number', []),
    maxTextureSize: fn('tvMaxTextureSize', 'number', []),
    readTextureList: fn('tvReadTextureList', 'string', ['string']),
    beginImages: fn('tvBeginImages', null, []),
    imageKind: fn('tvImageKind', 'number', ['number', 'number']),
    imageProblem: fn('tvImageProblem', 'string', ['number', 'number']),
    addImageFile: fn('tvAddImageFile', 'string', ['number', 'number']),
    addImageRgba: fn('tvAddImageRgba', 'string', ['number', 'number', 'number']),
    commitImages: fn('tvCommitImages', 'number', []),
    vasePixels: fn('tvVaseImagePixels', 'number', []),
    vaseWidth: fn('tvVaseImageWidth', 'number', []),
    vaseHeight: fn('tvVaseImageHeight', 'number', []),
    exportVase: fn('tvExportVase', 'string', ['number', 'number']),
    briefMessageMs: fn('tvBriefMessageMs', 'number', []),
    viewRestMs: fn('tvViewRestMs', 'number', []),
    workName: fn('tvWorkName', 'string', ['number', 'number']),
    workBusy: fn('tvWorkBusy', 'string', ['number', 'string']),
    workDone: fn('tvWorkDone', 'string', ['number', 'string']),
    workFailed: fn('tvWorkFailed', 'string', ['number', 'string']),
    burstDropsPress: fn('tvBurstDropsPress', 'number', ['number', 'number']),
    statusLine: fn('tvStatusLine', 'string', ['number', 'number', 'number']),
    pictureTexts: fn('tvPictureTexts', 'number', ['number', 'number', 'string']),
    pictureTextBytes: fn('tvPictureTextBytes', 'number', []),
    pictureTextSize: fn('tvPictureTextSize', 'number', []),
    fitTexture: fn('tvFitTexture', 'string', ['number', 'number']),
    textureUse: fn('tvTextureUse', 'string', ['string']),
    turntableOptions: fn('tvTurntableOptions', 'string', ['string', 'string']),
    turntableFrames: fn('tvTurntableFrames', 'number', []),
    turntableFps: fn('tvTurntableFps', 'number', []),
    turntableBegin: fn('tvTurntableBegin', 'string', ['number', 'number']),
    turntableWidth: fn('tvTurntableWidth', 'number', []),
    turntableHeight: fn('tvTurntableHeight', 'number', []),
    turntableDraw: fn('tvTurntableDraw', 'string', ['number']),
    turntableStatus: fn('tvTurntableStatus', 'string', ['number']),
    turntableName: fn('tvTurntableName', 'string', ['number', 'string']),
    turntableDone: fn('tvTurntableDone', 'string', ['string']),
    turntableFailed: fn('tvTurntableFailed', 'string', ['string']),
    turntableCancelled: fn('tvTurntableCancelled', 'string', []),
    turntableNeedsEncoder: fn('tvTurntableNeedsEncoder', 'string', []),
  };
  briefMessageMs = tv.briefMessageMs();

  // Multisampling is chosen with the context, before the address's other settings apply.
  const samples = Number(new URLSearchParams(window.location.search).get('antialiasing')) || 0;
  const problem = tv.start(samples > 0 ? samples : 0);
  if (problem) {
    document.getElementById('page').innerHTML = '';
    const box = document.createElement('div');
    box.id = 'nowebgl';
    box.textContent = problem;
    document.body.appendChild(box);
    return;
  }

  // ---- Frames: drawn only when something changed or moves; none while the tab is hidden ----

  let started = false;  // no frame before the textures and the address's settings are in
  let dirty = true;
  let scheduled = false;
  let framesDrawn = 0;
  const frameTimes = [];  // ms stamps of recent frames, for the status line
  let shownMs = 0;
  let lastDrawMs = 0;  // how long the last frame took to draw, ms
  let shownArgs = '';  // the arguments that redraw the picture the canvas shows
  let contextLost = false;  // no frames until the browser restores the WebGL context

  function requestFrame() {
    dirty = true;
    if (!scheduled && !document.hidden) {
      scheduled = true;
      requestAnimationFrame(frame);
    }
  }

  function frame(now) {
    scheduled = false;
    if (document.hidden || !started || contextLost) return;
    const moving = tv.moving() !== 0;
    if (!dirty && !moving) return;
    dirty = false;
    const drawStart = performance.now();
    const shortfall = tv.draw(canvas.width, canvas.height, 0);
    tv.fenceFrame();
    if (shortfall) {  // the core drew the previous settings again
      say(shortfall);
      panel.refreshPanel(true);
    }
    // Read before the step below moves the globe past the picture.
    shownArgs = tv.argsAt(canvas.width, canvas.height);
    // The globe and the turn about Y step once per frame, as the desktop's idle handler does;
    // the first frame shows them where they start.
    tv.advance();
    framesDrawn++;
    frameTimes.push(now);
    // The pace over the last second, or over the last two frames when they are slower.
    while (frameTimes.length > 2 && now - frameTimes[0] > 1000) frameTimes.shift();
    if (frameTimes.length > 1)
      shownMs = (frameTimes[frameTimes.length - 1] - frameTimes[0]) / (frameTimes.length - 1);
    const stillMoving = tv.moving() !== 0;
    if (!stillMoving) {  // the next run of frames measures its own pace
      frameTimes.length = 0;
      shownMs = 0;
    }
    // Input and the panel first: no frame starts until the GPU has finished this one (the
    // page stays free meanwhile, and what the frame cost is known), and while the scene moves
    // by itself a costly frame is followed by a pause as long, for the panel to be drawn.
    updateStatus(stillMoving);  // the quads now, the cost once the GPU is done
    scheduled = true;
    (function waitForGpu() {
      if (!contextLost && !tv.frameDone()) { setTimeout(waitForGpu, kPollMs); return; }
      lastDrawMs = performance.now() - drawStart;
      updateStatus(stillMoving);
      scheduled = false;
      if (document.hidden || !(stillMoving || dirty)) return;
      scheduled = true;
      if (!dirty && lastDrawMs > kCheapFrameMs)
        setTimeout(() => requestAnimationFrame(frame), Math.min(lastDrawMs, kLongestPauseMs));
      else
        requestAnimationFrame(frame);
    })();
  }
  const kPollMs = 4;
  const kCheapFrameMs = 12;  // a frame cheaper than this leaves time for input within 60 Hz
  const kLongestPauseMs = 500;

  // While frames follow one another: their pace. While nothing moves: that the page is idle,
  // with how long its last frame took to draw, rather than a rate that no longer holds.
  function updateStatus(moving) {
    statusLine.textContent = tv.statusLine(lastDrawMs, moving ? 1 : 0, shownMs);
  }

  // A lost context (a GPU reset, a driver update, too many tabs) draws nothing until the browser
  // restores it; then every GL object and texture is made again and the scene drawn.
  canvas.addEventListener('webglcontextlost', (e) => {
    e.preventDefault();  // asks the browser to restore it
    contextLost = true;
    say('The graphics context was lost; the scene comes back when the browser restores it');
  });
  canvas.addEventListener('webglcontextrestored', () => {
    const why = tv.restoreContext();
    if (why) { say(why); return; }
    contextLost = false;
    say('The graphics context was restored', true);
    requestFrame();
  });

  document.addEventListener('visibilitychange', () => { if (!document.hidden) requestFrame(); });

  // The picture stays square and centred (its CSS size, layout.css), at the device's pixel
  // ratio, which changes when the window moves to another screen or the page is zoomed.
  function fitCanvas() {
    const side = Math.max(1, canvas.clientWidth);
    const pixels = Math.round(side * (window.devicePixelRatio || 1));
    if (canvas.width !== pixels || canvas.height !== pixels) {
      canvas.width = pixels;
      canvas.height = pixels;
    }
    requestFrame();
  }
  new ResizeObserver(fitCanvas).observe(stage);
  window.addEventListener('resize', fitCanvas);
  (function watchPixelRatio() {
    window.matchMedia(`(resolution: ${window.devicePixelRatio || 1}dppx)`)
      .addEventListener('change', () => { fitCanvas(); watchPixelRatio(); }, { once: true });
  })();

  // ---- The panel, images and downloads (panel.js, images.js, downloads.js) ----

  const panel = tolvanePanel({ tv, controlsBox, requestFrame, say });
  const images = tolvaneImages({ M, tv, say, panel, requestFrame });
  tolvaneScenes({ M, say, panel, images, requestFrame, canvas, controlsBox });
  const downloads = tolvaneDownloads({ M, tv, say, canvas, images, shownArgs: () => (contextLost ? '' : shownArgs) });

  const picker = document.getElementById('files');
  document.getElementById('open').addEventListener('click', () => picker.click());
  picker.addEventListener('change', () => { images.openFiles(picker.files); picker.value = ''; });
  document.addEventListener('dragover', (e) => e.preventDefault());
  document.addEventListener('drop', (e) => {
    e.preventDefault();
    if (e.dataTransfer && e.dataTransfer.files.length) images.openFiles(e.dataTransfer.files);
  });
  document.getElementById('save').addEventListener('click', downloads.savePicture);
  document.getElementById('export').addEventListener('click', downloads.exportVase);
  const turntable = tolvaneTurntable({ tv, say, canvas, download: downloads.download, requestFrame });
  document.getElementById('turntable').addEventListener('click', turntable.save);
  document.getElementById('link').addEventListener('click', downloads.copyLink);
  document.getElementById('reset').addEventListener('click', resetView);

  // ---- Input in the canvas: drags, one finger as a drag, two pinching the zoom, the keys ----

  function pointerAt(e) {
    const r = canvas.getBoundingClientRect();
    return [Math.round(e.clientX - r.left), Math.round(e.clientY - r.top)];
  }
  // Fingers on the canvas by pointer id, and the pinch two of them began: its zoom and span.
  const touches = new Map();
  let pinch = null;
  const span = () => {
    const [a, b] = [...touches.values()];
    return Math.hypot(a[0] - b[0], a[1] - b[1]);
  };
  // Every drag, whatever its button, starts where it was pressed.
  canvas.addEventListener('pointerdown', (e) => {
    canvas.focus();
    canvas.setPointerCapture(e.pointerId);
    if (e.pointerType === 'touch') {
      touches.set(e.pointerId, pointerAt(e));
      if (touches.size === 2) pinch = { zoom: tv.zoom(), span: span() };
      if (touches.size > 1) return;
    }
    tv.press(...pointerAt(e));
  });
  canvas.addEventListener('contextmenu', (e) => e.preventDefault());
  // While a drag moves the view, frames draw a smaller vase; the whole one comes back once the
  // pointer rests (the core's rest time) or lets go, as on the desktop.
  const viewRestMs = tv.viewRestMs();
  let restTimer = 0;
  function viewRests() {
    clearTimeout(restTimer);
    restTimer = 0;
    tv.setViewMoving(0);
    requestFrame();
  }
  function viewMoved() {
    tv.setViewMoving(1);
    clearTimeout(restTimer);
    restTimer = setTimeout(viewRests, viewRestMs);
    requestFrame();
  }
  canvas.addEventListener('pointermove', (e) => {
    if (e.pointerType === 'touch') {
      if (!touches.has(e.pointerId)) return;
      touches.set(e.pointerId, pointerAt(e));
      if (pinch && touches.size === 2) {
        tv.pinch(pinch.zoom, pinch.span, span());
        viewMoved();
      }
      if (touches.size !== 1) return;
    } else if (e.buttons === 0) {
      return;
    }
    tv.drag(...pointerAt(e));
    viewMoved();
  });
  for (const end of ['pointerup', 'pointercancel'])
    canvas.addEventListener(end, (e) => {
      if (touches.delete(e.pointerId) && pinch && touches.size < 2) {
        pinch = null;
        // The finger still down turns the view from where it is.
        for (const at of touches.values()) tv.press(...at);
      }
      if (restTimer) viewRests();
    });
  canvas.addEventListener('wheel', (e) => {
    e.preventDefault();  // the page itself does not scroll under the scene
    if (e.deltaY === 0) return;
    tv.wheel(e.deltaY < 0 ? 1 : -1);
    requestFrame();
  }, { passive: false });
  function resetView() {
    tv.resetView();
    panel.refreshPanel();
    requestFrame();
  }
  tolvaneKeys({ tv, panel, requestFrame });

  // ---- Start: the bundled textures, then the address's settings, then the first frame ----

  try {
    if (!(await images.loadBundled())) panel.buildPanel();
  } catch (e) {
    say(String(e.message || e));
    panel.buildPanel();
  }
  const address = new URLSearchParams(window.location.search);
  if (window.matchMedia('(prefers-reduced-motion: reduce)').matches) {
    const note = tv.reduceMotion(address.has('spinGlobe') ? 1 : 0);
    if (note) say(note, true);
  }
  // The turntable's frames and rate, as --frames and --fps; every other name is a setting.
  turntable.takeOptions(address);
  for (const [name, value] of address) {
    if (name === 'frames' || name === 'fps') continue;
    if (name.length + value.length >= tv.textLimit()) {
      say(`${name}: the value is longer than any setting can use`);
      continue;
    }
    const why = tv.applySetting(`${name}=${value}`);
    if (why) say(why);
  }
  const fewer = tv.settleAntialiasing();
  if (fewer) say(fewer);
  tv.keepStartView();
  panel.refreshPanel();
  started = true;
  document.getElementById('page').classList.remove('loading');
  for (const b of document.querySelectorAll('.buttons button, #view')) b.disabled = !!b.dataset.unavailable;
  fitCanvas();

  // For tests and scripts: how many frames the page has drawn, its --set arguments, whether the last frame was drawn
  // over the kept picture, a switch to draw every frame whole (for measuring), and how many
  // image loads are still running (replaced ones included, until they stop); holdMemory takes
  // up to `mb` MB of the core's memory for good, to see what the page does when it runs short.
  window.tolvane = {
    framesDrawn: () => framesDrawn,
    args: () => tv.args(),
    lastFrameKept: () => tv.lastFrameKept() === 1,
    keptPicture: (on) => { tv.keptPicture(on ? 1 : 0); requestFrame(); },
    loading: () => images.loading(),
    holdMemory: (mb) => { let n = 0; while (n < mb && M._malloc(1 << 20)) n++; return n; },
  };
})();
