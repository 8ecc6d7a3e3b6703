// The page's "Save turntable": frames the core poses and draws, encoded by the browser's
// WebCodecs and put in a WebM (VP9, else VP8) or an MP4 (H.264) by Mediabunny.
'use strict';

function tolvaneTurntable({ tv, say, canvas, download, requestFrame }) {
  const button = document.getElementById('turntable');
  const caption = button.textContent;
  const hasEncoder = typeof VideoEncoder === 'function' && typeof VideoFrame === 'function';
  if (!hasEncoder) {
    button.dataset.unavailable = 'true';
    button.title = tv.turntableNeedsEncoder();
  }
  // The muxer is loaded at the first turntable: pages that make none never fetch it.
  let muxer = null;
  let run = null;  // { cancelled } while one runs
  let number = 0;

  // Codecs in order of choice, with their file's extension and type.
  const kChoices = [
    { codec: 'vp9', container: 'WebMOutputFormat', extension: '.webm', type: 'video/webm' },
    { codec: 'vp8', container: 'WebMOutputFormat', extension: '.webm', type: 'video/webm' },
    { codec: 'avc', container: 'Mp4OutputFormat', extension: '.mp4', type: 'video/mp4' },
  ];

  async function chooseCodec(width, height) {
    for (const choice of kChoices)
      if (await muxer.canEncodeVideo(choice.codec, { width, height })) return choice;
    return null;
  }

  // A second click, or Esc, while one runs cancels it: nothing is downloaded.
  function cancel() {
    if (!run) return false;
    run.cancelled = true;
    return true;
  }
  document.addEventListener('keydown', (e) => {
    if (e.key === 'Escape' && cancel()) e.preventDefault();
  }, true);

  async function save() {
    if (cancel()) return;
    if (!hasEncoder) { say(tv.turntableNeedsEncoder()); return; }
    run = { cancelled: false };
    // As on the desktop, the other works wait: the canvas shows posed frames meanwhile.
    const others = ['save', 'export'].map((id) => document.getElementById(id));
    for (const b of others) b.disabled = true;
    button.textContent = 'Cancel turntable';
    const progress = say(tv.turntableStatus(0), true);
    try {
      const why = await write(progress);
      if (why) say(why);
    } finally {
      run = null;
      for (const b of others) b.disabled = false;
      button.textContent = caption;
      progress.remove();
      requestFrame();  // the canvas shows the live scene again
    }
  }

  // The whole turntable; an empty reply when downloaded, else the line to say.
  async function write(progress) {
    try {
      muxer = muxer || await import('./mediabunny.min.js');
    } catch (e) {
      return tv.turntableFailed('the page could not load its video muxer (' + (e.message || e) + ')');
    }
    const comment = tv.turntableBegin(canvas.width, canvas.height);
    const width = tv.turntableWidth(), height = tv.turntableHeight();
    const frames = tv.turntableFrames(), fps = tv.turntableFps();
    if (width < 2 || height < 2) return tv.turntableFailed('the canvas is too small');
    const choice = await chooseCodec(width, height);
    if (!choice) return tv.turntableFailed(`this browser encodes none of VP9, VP8 and H.264 at ${width} x ${height}`);
    // Each frame is copied out of the WebGL canvas as soon as it is drawn, so the live scene
    // may be drawn there again between frames.
    const copy = document.createElement('canvas');
    copy.width = width;
    copy.height = height;
    const copier = copy.getContext('2d');
    const output = new muxer.Output({ format: new muxer[choice.container](), target: new muxer.BufferTarget() });
    const source = new muxer.CanvasSource(copy, { codec: choice.codec, bitrate: muxer.QUALITY_HIGH });
    output.addVideoTrack(source, { frameRate: fps });
    output.setMetadataTags({ comment });
    try {
      await output.start();
      for (let i = 0; i < frames; i++) {
        if (run.cancelled) { await output.cancel(); return tv.turntableCancelled(); }
        const short = tv.turntableDraw(i);
        if (short) { await output.cancel(); return short; }
        copier.drawImage(canvas, 0, canvas.height - height, width, height, 0, 0, width, height);
        await source.add(i / fps, 1 / fps);
        progress.textContent = tv.turntableStatus(i + 1);
        requestFrame();
        // Input and the live scene between frames.
        await new Promise((done) => setTimeout(done, 0));
      }
      await output.finalize();
    } catch (e) {
      try { await output.cancel(); } catch (ignored) { /* already ended */ }
      return tv.turntableFailed(String(e.message || e));
    }
    const name = tv.turntableName(++number, choice.extension);
    download(new Blob([output.target.buffer], { type: choice.type }), name);
    say(tv.turntableDone(name), true);
    return '';
  }

  // The address's frames and fps, as --frames and --fps.
  function takeOptions(address) {
    const why = tv.turntableOptions(address.get('frames') || '', address.get('fps') || '');
    if (why) say(why);
  }

  return { save, takeOptions };
}
