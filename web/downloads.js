// The page's downloads: "Save picture" (a PNG with the arguments that redraw it), "Export vase"
// (the core's GLB) and "Copy link"; `download` hands any file to the browser.
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

  // "Save picture", "Export vase" and "Save turntable" are off while a save or export runs, as
  // on the desktop: a burst of clicks makes one file (the core's gate), and the message says
  // what is being written.
  const busyButtons = ['save', 'export', 'turntable'].map((id) => document.getElementById(id));
  let busy = false;
  async function whileBusy(what, work) {
    if (tv.burstDropsPress(busy ? 1 : 0, performance.now())) return;
    busy = true;
    for (const b of busyButtons) { b.disabled = true; b.setAttribute('aria-busy', 'true'); }
    say(what, true, true);
    try {
      // Shown before the work starts: one frame for the buttons and the message.
      await new Promise((done) => requestAnimationFrame(() => setTimeout(done, 0)));
      await work();
    } finally {
      busy = false;
      for (const b of busyButtons) { b.disabled = !!b.dataset.unavailable; b.removeAttribute('aria-busy'); }
    }
  }
  const PICTURE = 0, VASE = 1;  // the core's two works

  // The browser's PNG with the core's text chunks (the arguments that redraw it) where the core
  // puts them; null when the browser's file is no PNG.
  function withTexts(png, args) {
    const place = images.withBytes(png, (ptr) => tv.pictureTexts(ptr, png.length, args));
    if (!place) return null;
    const at = tv.pictureTextBytes();
    const chunks = M.HEAPU8.slice(at, at + tv.pictureTextSize());
    return new Blob([png.subarray(0, place), chunks, png.subarray(place)], { type: 'image/png' });
  }

  // A transparent picture: the core draws the frame over black and over white and gives back
  // its RGBA rows; the canvas is then drawn again as shown, checkerboard and all.
  function transparentBlob(w, h) {
    const ptr = tv.transparentPicture(w, h);
    const out = document.createElement('canvas');
    out.width = w;
    out.height = h;
    if (ptr) out.getContext('2d').putImageData(new ImageData(new Uint8ClampedArray(M.HEAPU8.subarray(ptr, ptr + w * h * 4)), w, h), 0, 0);
    tv.draw(w, h, 0);
    return new Promise((done) => out.toBlob(done, 'image/png'));
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
    const blobReady = tv.transparent() ? transparentBlob(canvas.width, canvas.height)
      : new Promise((done) => canvas.toBlob(done, 'image/png'));
    whileBusy(tv.workBusy(PICTURE, tv.workName(PICTURE, pictureNumber + 1)), async () => {
      const blob = await blobReady;
      let picture;
      try {
        picture = blob && withTexts(new Uint8Array(await blob.arrayBuffer()), args);
      } catch (e) {
        say(tv.workFailed(PICTURE, 'not enough memory for the file'));
        return;
      }
      if (!picture) { say(tv.workFailed(PICTURE, 'the browser made no PNG')); return; }
      const name = tv.workName(PICTURE, ++pictureNumber);
      download(picture, name);
      say(tv.workDone(PICTURE, name), true);
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
    return whileBusy(tv.workBusy(VASE, tv.workName(VASE, vaseNumber + 1)), writeVase);
  }
  async function writeVase() {
    let why, bytes;
    try {
      const png = await vaseTexturePng();
      why = images.withBytes(png, (ptr) => tv.exportVase(ptr, png.length));
      if (!why) bytes = M.FS.readFile('/tolvane-vase.glb');
    } catch (e) {
      // A failed JavaScript allocation is a RangeError, or the core's allocator refusing.
      why = tv.workFailed(VASE, e instanceof RangeError || /memory/.test(e.message)
        ? 'not enough memory for the file' : String(e.message || e));
    }
    try { M.FS.unlink('/tolvane-vase.glb'); } catch (e) { /* not written */ }
    if (why) { say(why); return; }
    const name = tv.workName(VASE, ++vaseNumber);
    download(new Blob([bytes], { type: 'model/gltf-binary' }), name);
    say(tv.workDone(VASE, name), true);
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

  return { savePicture, exportVase, copyLink, download };
}
