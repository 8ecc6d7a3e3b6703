// The page's glue: loads the wasm core, builds the panel from its control table, paces frames,
// and turns the browser's input, files and downloads into calls of the core.
'use strict';

(async function main() {
  const canvas = document.getElementById('scene');
  const stage = document.getElementById('stage');
  const controlsBox = document.getElementById('controls');
  const statusLine = document.getElementById('status');
  const messages = document.getElementById('messages');

  // One line per message, newest last; a few are kept.
  function say(text, note) {
    const line = document.createElement('div');
    line.textContent = text;
    if (note) line.className = 'note';
    messages.appendChild(line);
    while (messages.childNodes.length > 8) messages.removeChild(messages.firstChild);
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
    start: fn('tvStart', 'string', []),
    controls: fn('tvControls', 'string', []),
    value: fn('tvControlValue', 'string', ['number']),
    setCheckbox: fn('tvSetCheckbox', null, ['number', 'number']),
    commitText: fn('tvCommitText', 'number', ['number', 'string']),
    stepArrow: fn('tvStepArrow', 'number', ['number', 'number', 'number']),
    applySetting: fn('tvApplySetting', 'string', ['string']),
    args: fn('tvArguments', 'string', []),
    version: fn('tvVersion', 'string', []),
    keyword: fn('tvArgumentsKeyword', 'string', []),
    press: fn('tvPress', null, ['number', 'number']),
    drag: fn('tvDrag', null, ['number', 'number']),
    key: fn('tvKey', null, ['number']),
    keepStartView: fn('tvKeepStartView', null, []),
    resetView: fn('tvResetView', null, []),
    wheel: fn('tvWheel', null, ['number']),
    advance: fn('tvAdvance', 'number', []),
    moving: fn('tvMoving', 'number', []),
    draw: fn('tvDraw', null, ['number', 'number']),
    quadCount: fn('tvQuadCount', 'number', []),
    keptPicture: fn('tvKeptPicture', null, ['number']),
    lastFrameKept: fn('tvLastFrameKept', 'number', []),
    maxTextureSize: fn('tvMaxTextureSize', 'number', []),
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
  };

  const problem = tv.start();
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

  function requestFrame() {
    dirty = true;
    if (!scheduled && !document.hidden) {
      scheduled = true;
      requestAnimationFrame(frame);
    }
  }

  function frame(now) {
    scheduled = false;
    if (document.hidden || !started) return;
    const moving = tv.moving() !== 0;
    if (!dirty && !moving) return;
    dirty = false;
    const drawStart = performance.now();
    tv.draw(canvas.width, canvas.height);
    lastDrawMs = performance.now() - drawStart;
    // The globe and the turn about Y step once per frame, as the desktop's idle handler does;
    // the first frame shows them where they start.
    tv.advance();
    framesDrawn++;
    frameTimes.push(now);
    while (frameTimes.length > 1 && now - frameTimes[0] > 1000) frameTimes.shift();
    if (frameTimes.length > 1)
      shownMs = (frameTimes[frameTimes.length - 1] - frameTimes[0]) / (frameTimes.length - 1);
    const stillMoving = tv.moving() !== 0;
    if (!stillMoving) {  // the next run of frames measures its own pace
      frameTimes.length = 0;
      shownMs = 0;
    }
    updateStatus(stillMoving);
    if (stillMoving) {
      scheduled = true;
      requestAnimationFrame(frame);
    }
  }

  // While frames follow one another: their pace. While nothing moves: that the page is idle,
  // with how long its last frame took to draw, rather than a rate that no longer holds.
  function updateStatus(moving) {
    const quads = tv.quadCount();
    if (!moving)
      statusLine.textContent = `Scene: idle, last frame ${lastDrawMs.toFixed(1)} ms, vase ${quads} quads`;
    else if (shownMs > 0)
      statusLine.textContent =
        `Scene: ${shownMs.toFixed(1)} ms per frame (${(1000 / shownMs).toFixed(1)} fps), vase ${quads} quads`;
    else
      statusLine.textContent = `Scene: measuring..., vase ${quads} quads`;
  }

  document.addEventListener('visibilitychange', () => { if (!document.hidden) requestFrame(); });

  // The picture stays square and centred, at the device's pixel ratio.
  function fitCanvas() {
    const narrow = window.matchMedia('(max-width: 800px), (orientation: portrait)').matches;
    const side = Math.max(1, Math.floor(narrow ? Math.min(stage.clientWidth, window.innerHeight)
                                               : Math.min(stage.clientWidth, stage.clientHeight)));
    canvas.style.width = side + 'px';
    canvas.style.height = side + 'px';
    const pixels = Math.round(side * (window.devicePixelRatio || 1));
    if (canvas.width !== pixels || canvas.height !== pixels) {
      canvas.width = pixels;
      canvas.height = pixels;
    }
    requestFrame();
  }
  new ResizeObserver(fitCanvas).observe(stage);
  window.addEventListener('resize', fitCanvas);

  // ---- Input in the canvas: drags (a one-finger touch is a left drag) and the keys ----

  function pointerAt(e) {
    const r = canvas.getBoundingClientRect();
    return [Math.round(e.clientX - r.left), Math.round(e.clientY - r.top)];
  }
  canvas.addEventListener('pointerdown', (e) => {
    canvas.focus();
    if (e.button !== 0 || (e.pointerType === 'touch' && !e.isPrimary)) return;
    canvas.setPointerCapture(e.pointerId);
    tv.press(...pointerAt(e));
  });
  canvas.addEventListener('pointermove', (e) => {
    if (e.buttons === 0 || (e.pointerType === 'touch' && !e.isPrimary)) return;
    tv.drag(...pointerAt(e));
    requestFrame();
  });
  canvas.addEventListener('wheel', (e) => {
    e.preventDefault();  // the page itself does not scroll under the scene
    if (e.deltaY === 0) return;
    tv.wheel(e.deltaY < 0 ? 1 : -1);
    requestFrame();
  }, { passive: false });
  function resetView() {
    tv.resetView();
    refreshPanel();
    requestFrame();
  }
  canvas.addEventListener('keydown', (e) => {
    if (e.ctrlKey || e.metaKey || e.altKey || e.key.length !== 1) return;
    if (e.key === 'r') tv.resetView();
    else tv.key(e.key.charCodeAt(0));  // c, s, y; others change nothing
    refreshPanel();
    requestFrame();
  });

  // ---- The panel, built from the core's control table ----

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
        input.addEventListener('change', () => {
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
  function refreshPanel() {
    rows.forEach(({ c, input }, index) => {
      const value = tv.value(index);
      if (c.kind === 'checkbox') input.checked = value !== '0';
      else if (document.activeElement !== input) input.value = value;
    });
  }

  function changed() {
    refreshPanel();
    requestFrame();
  }

  // ---- Images: the bundled list at start, "Open images…" and dropped files later ----

  function withBytes(bytes, use) {
    const ptr = M._malloc(Math.max(1, bytes.length));
    if (!ptr) throw new Error('not enough memory for this file');
    try {
      M.HEAPU8.set(bytes, ptr);
      return use(ptr);
    } finally {
      M._free(ptr);
    }
  }

  const kindNames = ['PNG', 'JPEG'];
  // Reads one file into the core's pending list; returns '' or the reason it was refused.
  async function readImage(bytes) {
    const kind = withBytes(bytes, (ptr) => tv.imageKind(ptr, bytes.length));
    if (kind !== 1 && kind !== 2)  // P6 and anything unknown: the core's reader and its messages
      return withBytes(bytes, (ptr) => tv.addImageFile(ptr, bytes.length));
    const problem = withBytes(bytes, (ptr) => tv.imageProblem(ptr, bytes.length));
    if (problem) return problem;
    let bitmap;
    // JPEG photos are turned as their EXIF orientation says, as on the desktop; PNG as stored.
    const options = { colorSpaceConversion: 'none', premultiplyAlpha: 'none',
                      imageOrientation: kind === 2 ? 'from-image' : 'none' };
    try {
      bitmap = await createImageBitmap(new Blob([bytes]), options);
      // The page's GPU may hold smaller textures than the desktop's: scale such images down.
      const largest = tv.maxTextureSize();
      if (bitmap.width > largest || bitmap.height > largest) {
        const f = largest / Math.max(bitmap.width, bitmap.height);
        const resized = await createImageBitmap(bitmap, {
          ...options,
          resizeWidth: Math.max(1, Math.floor(bitmap.width * f)),
          resizeHeight: Math.max(1, Math.floor(bitmap.height * f)),
          resizeQuality: 'high',
        });
        bitmap.close();
        bitmap = resized;
      }
    } catch (e) {
      return `damaged ${kindNames[kind - 1]} data (the browser cannot decode it)`;
    }
    const c = document.createElement('canvas');
    c.width = bitmap.width;
    c.height = bitmap.height;
    const g = c.getContext('2d', { willReadFrequently: true });
    g.drawImage(bitmap, 0, 0);
    bitmap.close();
    const rgba = g.getImageData(0, 0, c.width, c.height).data;
    return withBytes(rgba, (ptr) => tv.addImageRgba(ptr, c.width, c.height));
  }

  // Replaces the texture list with `files` ({name, bytes}) in order; a refused file keeps the
  // textures as they were.
  async function loadImages(files) {
    tv.beginImages();
    for (const f of files) {
      let why;
      try {
        why = await readImage(f.bytes);
      } catch (e) {
        why = String(e.message || e);
      }
      if (why) {
        say(`${f.name}: ${why}`);
        tv.beginImages();
        return false;
      }
    }
    tv.commitImages();
    buildPanel();
    requestFrame();
    return true;
  }

  async function openFiles(fileList) {
    const files = [];
    for (const file of Array.from(fileList)) {  // the picker's list empties when it is reset
      try {
        files.push({ name: file.name, bytes: new Uint8Array(await file.arrayBuffer()) });
      } catch (e) {
        say(`${file.name}: cannot be read (${e.message || e})`);
        return;
      }
    }
    if (files.length && await loadImages(files))
      say(`Opened ${files.length} image${files.length > 1 ? 's' : ''}`, true);
  }

  const picker = document.getElementById('files');
  document.getElementById('open').addEventListener('click', () => picker.click());
  picker.addEventListener('change', () => { openFiles(picker.files); picker.value = ''; });
  document.addEventListener('dragover', (e) => e.preventDefault());
  document.addEventListener('drop', (e) => {
    e.preventDefault();
    if (e.dataTransfer && e.dataTransfer.files.length) openFiles(e.dataTransfer.files);
  });

  // ---- Downloads: pictures and the vase ----

  function download(blob, name) {
    const a = document.createElement('a');
    a.href = URL.createObjectURL(blob);
    a.download = name;
    document.body.appendChild(a);
    a.click();
    a.remove();
    setTimeout(() => URL.revokeObjectURL(a.href), 10000);
  }

  const crcTable = new Uint32Array(256).map((_, n) => {
    let c = n;
    for (let k = 0; k < 8; k++) c = c & 1 ? 0xedb88320 ^ (c >>> 1) : c >>> 1;
    return c >>> 0;
  });
  function crc32(bytes) {
    let c = 0xffffffff;
    for (const b of bytes) c = crcTable[(c ^ b) & 0xff] ^ (c >>> 8);
    return (c ^ 0xffffffff) >>> 0;
  }
  // A tEXt chunk: Latin-1 keyword, a zero byte, the text.
  function textChunk(keyword, text) {
    const data = Uint8Array.from(keyword + '\0' + text, (ch) => ch.charCodeAt(0) & 0xff);
    const chunk = new Uint8Array(12 + data.length);
    const view = new DataView(chunk.buffer);
    view.setUint32(0, data.length);
    chunk.set([0x74, 0x45, 0x58, 0x74], 4);  // "tEXt"
    chunk.set(data, 8);
    view.setUint32(8 + data.length, crc32(chunk.subarray(4, 8 + data.length)));
    return chunk;
  }
  // The browser's PNG with text chunks put right after the header chunk (signature 8 + IHDR 25).
  function withTexts(png, texts) {
    const parts = [png.subarray(0, 33), ...texts.map(([k, t]) => textChunk(k, t)), png.subarray(33)];
    return new Blob(parts, { type: 'image/png' });
  }

  let pictureNumber = 0;
  function savePicture() {
    // The drawing buffer is kept after each frame, so it still holds the last one.
    canvas.toBlob(async (blob) => {
      if (!blob) { say('Could not save a picture: the browser made no PNG'); return; }
      const png = new Uint8Array(await blob.arrayBuffer());
      const name = `tolvane-${String(++pictureNumber).padStart(3, '0')}.png`;
      download(withTexts(png, [['Software', 'Tolvane ' + tv.version()], [tv.keyword(), tv.args()]]), name);
      say('Saved ' + name, true);
    }, 'image/png');
  }

  // The vase texture as PNG, made by the browser from the RGB rows the core keeps.
  async function vaseTexturePng() {
    const ptr = tv.vasePixels();
    if (!ptr) return new Uint8Array(0);
    const w = tv.vaseWidth(), h = tv.vaseHeight();
    const rgb = M.HEAPU8.subarray(ptr, ptr + w * h * 3);
    const image = new ImageData(w, h);
    for (let i = 0, j = 0; i < w * h * 3; i += 3, j += 4) {
      image.data[j] = rgb[i];
      image.data[j + 1] = rgb[i + 1];
      image.data[j + 2] = rgb[i + 2];
      image.data[j + 3] = 255;
    }
    const c = document.createElement('canvas');
    c.width = w;
    c.height = h;
    c.getContext('2d').putImageData(image, 0, 0);
    const blob = await new Promise((done) => c.toBlob(done, 'image/png'));
    return new Uint8Array(await blob.arrayBuffer());
  }

  let vaseNumber = 0;
  async function exportVase() {
    let why;
    try {
      const png = await vaseTexturePng();
      why = withBytes(png, (ptr) => tv.exportVase(ptr, png.length));
    } catch (e) {
      why = 'Could not export the vase: ' + (e.message || e);
    }
    if (why) { say(why); return; }
    const bytes = M.FS.readFile('/tolvane-vase.glb');
    M.FS.unlink('/tolvane-vase.glb');
    const name = `tolvane-vase-${String(++vaseNumber).padStart(3, '0')}.glb`;
    download(new Blob([bytes], { type: 'model/gltf-binary' }), name);
    say('Exported ' + name, true);
  }

  // The current settings and view in the address, as --set would give them.
  function copyLink() {
    const query = new URLSearchParams();
    for (const m of tv.args().matchAll(/--set '?([A-Za-z]+)=([^' ]*)'?/g)) query.append(m[1], m[2]);
    const url = new URL(window.location.href);
    url.search = query.toString().replace(/%2C/g, ',');
    history.replaceState(null, '', url);
    const done = () => say('The address now shows this view', true);
    if (navigator.clipboard && window.isSecureContext)
      navigator.clipboard.writeText(url.href).then(() => say('Link copied', true), done);
    else done();
  }

  document.getElementById('save').addEventListener('click', savePicture);
  document.getElementById('export').addEventListener('click', exportVase);
  document.getElementById('link').addEventListener('click', copyLink);
  document.getElementById('reset').addEventListener('click', resetView);

  // ---- Start: the bundled textures, then the address's settings, then the first frame ----

  async function bundledImages() {
    const list = (await (await fetch('textureList.txt')).text()).trim().split(/\s+/);
    const names = list.slice(1, 1 + parseInt(list[0], 10));
    return Promise.all(names.map(async (name) => {
      const response = await fetch(name);
      if (!response.ok) throw new Error(`${name}: cannot be fetched (${response.status})`);
      return { name, bytes: new Uint8Array(await response.arrayBuffer()) };
    }));
  }
  try {
    await loadImages(await bundledImages());
  } catch (e) {
    say(String(e.message || e));
    buildPanel();
  }
  for (const [name, value] of new URLSearchParams(window.location.search)) {
    const why = tv.applySetting(`${name}=${value}`);
    if (why) say(why);
  }
  tv.keepStartView();
  refreshPanel();
  started = true;
  fitCanvas();

  // For tests and scripts: how many frames the page has drawn, its --set arguments, whether the last frame was drawn
  // over the kept picture, and a switch to draw every frame whole (for measuring).
  window.tolvane = {
    framesDrawn: () => framesDrawn,
    args: () => tv.args(),
    lastFrameKept: () => tv.lastFrameKept() === 1,
    keptPicture: (on) => { tv.keptPicture(on ? 1 : 0); requestFrame(); },
  };
})();
