// The page's downloads: "Save picture" (a PNG with the arguments that redraw it), "Export vase"
// (the core's GLB) and "Copy link".
'use strict';

function tolvaneDownloads({ M, tv, say, canvas, images, shownArgs }) {
  function download(blob, name) {
    const a = document.createElement('a');
    a.href = URL.createObjectURL(blob);
    a.download = name;
    document.body.appendChild(a);
    a.click();
    a.remove();
    // The browser has taken the file once the click is handled; the blob is freed soon after.
    setTimeout(() => URL.revokeObjectURL(a.href), kRevokeMs);
  }
  const kRevokeMs = 1000;

  // "Save picture" and "Export vase" are off while either runs, as on the desktop: a burst of
  // clicks makes one file, and the message says what is being written.
  const busyButtons = ['save', 'export'].map((id) => document.getElementById(id));
  let busy = false;
  // A click while the work runs, or less than kBurstGapMs after the last such click, belongs
  // to the burst that started it and is dropped, as on the desktop's panel.
  let lastBurstClickMs = -Infinity;
  const kBurstGapMs = 500;
  async function whileBusy(what, work) {
    const now = performance.now();
    if (busy || now - lastBurstClickMs < kBurstGapMs) { lastBurstClickMs = now; return; }
    busy = true;
    for (const b of busyButtons) { b.disabled = true; b.setAttribute('aria-busy', 'true'); }
    say(what, true, true);
    try {
      // Shown before the work starts: one frame for the buttons and the message.
      await new Promise((done) => requestAnimationFrame(() => setTimeout(done, 0)));
      await work();
    } finally {
      busy = false;
      for (const b of busyButtons) { b.disabled = false; b.removeAttribute('aria-busy'); }
    }
  }
  const numbered = (stem, n, ext) => `${stem}-${String(n).padStart(3, '0')}${ext}`;

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
    // The drawing buffer is kept after each frame, so it still holds the last one, and the
    // canvas is read now: the arguments are that frame's, with its size.
    let args = shownArgs();
    if (!args) { say('Nothing to save: the canvas shows no picture while the graphics context is lost'); return; }
    // A frame drawn while the view moved shows the smaller vase: the picture is the whole one,
    // drawn now, with the arguments of what it shows.
    if (tv.smallerVaseShown()) {
      const shortfall = tv.draw(canvas.width, canvas.height, 1);
      if (shortfall) { say(shortfall); return; }
      args = tv.argsAt(canvas.width, canvas.height);
    }
    const blobReady = new Promise((done) => canvas.toBlob(done, 'image/png'));
    whileBusy('Saving… ' + numbered('tolvane', pictureNumber + 1, '.png'), async () => {
      const blob = await blobReady;
      if (!blob) { say('Could not save a picture: the browser made no PNG'); return; }
      const png = new Uint8Array(await blob.arrayBuffer());
      const name = numbered('tolvane', ++pictureNumber, '.png');
      download(withTexts(png, [['Software', 'Tolvane ' + tv.version()], [tv.keyword(), args]]), name);
      say('Saved ' + name, true);
    });
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
  function exportVase() {
    return whileBusy('Exporting… ' + numbered('tolvane-vase', vaseNumber + 1, '.glb'), writeVase);
  }
  async function writeVase() {
    let why, bytes;
    try {
      const png = await vaseTexturePng();
      why = images.withBytes(png, (ptr) => tv.exportVase(ptr, png.length));
      if (!why) bytes = M.FS.readFile('/tolvane-vase.glb');
    } catch (e) {
      // A failed JavaScript allocation is a RangeError, or the core's allocator refusing.
      why = 'Could not export the vase: ' + (e instanceof RangeError || /memory/.test(e.message)
        ? 'not enough memory for the file' : (e.message || e));
    }
    try { M.FS.unlink('/tolvane-vase.glb'); } catch (e) { /* not written */ }
    if (why) { say(why); return; }
    const name = numbered('tolvane-vase', ++vaseNumber, '.glb');
    download(new Blob([bytes], { type: 'model/gltf-binary' }), name);
    say('Exported ' + name, true);
  }

  // The current settings and view in the address: the core's page link, as the desktop's p.
  function copyLink() {
    const url = new URL(window.location.href);
    url.search = tv.pageQuery();
    history.replaceState(null, '', url);
    const done = () => say('The address now shows this view', true);
    if (navigator.clipboard && window.isSecureContext)
      navigator.clipboard.writeText(url.href).then(() => say('Link copied', true), done);
    else done();
  }

  return { savePicture, exportVase, copyLink };
}
