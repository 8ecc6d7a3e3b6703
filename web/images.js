// The page's images: the bundled list at start, "Open images…" and dropped files later, each
// checked by the core before the browser decodes it, one set at a time.
'use strict';

function tolvaneImages({ M, tv, say, panel, requestFrame }) {
  // Runs `use` on a copy of `bytes` in the core's memory.
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

  // Decoded pixels read back through a WebGL 2 context of the page's own, as stored: a 2D
  // canvas would premultiply them by alpha, turning the colour of transparent pixels black.
  let reader = null;
  function storedPixels(bitmap) {
    if (!reader || reader.isContextLost()) {
      reader = document.createElement('canvas').getContext('webgl2');
      if (!reader) throw new Error('this browser offers no WebGL 2 context to read images with');
    }
    const gl = reader;
    const w = bitmap.width, h = bitmap.height;
    const texture = gl.createTexture();
    const framebuffer = gl.createFramebuffer();
    try {
      gl.bindTexture(gl.TEXTURE_2D, texture);
      gl.pixelStorei(gl.UNPACK_PREMULTIPLY_ALPHA_WEBGL, false);
      gl.pixelStorei(gl.UNPACK_COLORSPACE_CONVERSION_WEBGL, gl.NONE);
      gl.pixelStorei(gl.UNPACK_FLIP_Y_WEBGL, false);
      gl.texImage2D(gl.TEXTURE_2D, 0, gl.RGBA8, w, h, 0, gl.RGBA, gl.UNSIGNED_BYTE, bitmap);
      gl.bindFramebuffer(gl.FRAMEBUFFER, framebuffer);
      gl.framebufferTexture2D(gl.FRAMEBUFFER, gl.COLOR_ATTACHMENT0, gl.TEXTURE_2D, texture, 0);
      if (gl.checkFramebufferStatus(gl.FRAMEBUFFER) !== gl.FRAMEBUFFER_COMPLETE)
        throw new Error('not enough graphics memory for this image');
      // Row 0 of the texture is the image's top row, and readPixels starts there.
      const rgba = new Uint8Array(w * h * 4);
      gl.readPixels(0, 0, w, h, gl.RGBA, gl.UNSIGNED_BYTE, rgba);
      if (gl.getError() !== gl.NO_ERROR) throw new Error('not enough graphics memory for this image');
      return rgba;
    } finally {
      gl.bindFramebuffer(gl.FRAMEBUFFER, null);
      gl.deleteFramebuffer(framebuffer);
      gl.deleteTexture(texture);
    }
  }

  // A JavaScript allocation that failed, named for the message; other errors as they are.
  function reason(e) {
    if (e instanceof RangeError) return 'not enough memory for this image';
    return String((e && e.message) || e);
  }

  const kindNames = ['PNG', 'JPEG'];
  // Reads one file into the core's pending list; returns '' or the reason it was refused, or
  // null when a newer load took over while the browser decoded (nothing was added then).
  async function readImage(bytes, current, name) {
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
      // The page's GPU may hold smaller textures than the desktop's: such images are scaled
      // down to the size the core gives (while the context is lost none is, and images stay whole).
      const fit = tv.fitTexture(bitmap.width, bitmap.height);
      if (fit) {
        const { width, height } = JSON.parse(fit);
        const resized = await createImageBitmap(bitmap, {
          ...options, resizeWidth: width, resizeHeight: height, resizeQuality: 'high',
        });
        say(`${name}: scaled down from ${bitmap.width}x${bitmap.height} to ${resized.width}x${resized.height}, ` +
            `the largest this GPU's textures hold`, true);
        bitmap.close();
        bitmap = resized;
      }
    } catch (e) {
      if (bitmap) bitmap.close();
      if (!current()) return null;
      if (e instanceof RangeError) return reason(e);
      return `damaged ${kindNames[kind - 1]} data (the browser cannot decode it)`;
    }
    try {
      if (!current()) return null;
      const rgba = storedPixels(bitmap);
      return withBytes(rgba, (ptr) => tv.addImageRgba(ptr, bitmap.width, bitmap.height));
    } finally {
      bitmap.close();
    }
  }

  // One load at a time: each open or drop takes the next number, and a load whose number is no
  // longer the latest stops at its next step without touching the core's pending list, so the
  // newest set replaces whatever an older one had read.
  let latest = 0;
  // Settles when the bundled images are in (or refused); later loads wait for it.
  let startup = Promise.resolve();

  // Replaces the texture list with `files` ({name, bytes}) in order; a refused file keeps the
  // textures as they were. Resolves to whether this set is now the texture list.
  let running = 0;
  async function loadImages(files, number = ++latest) {
    running++;
    try {
      return await loadNumbered(files, number);
    } finally {
      running--;
    }
  }

  async function loadNumbered(files, number) {
    const current = () => number === latest;
    if (!current()) return false;
    tv.beginImages();
    for (const f of files) {
      let why;
      try {
        why = await readImage(f.bytes, current, f.name);
      } catch (e) {
        why = reason(e);
      }
      if (!current()) return false;
      if (why) {
        say(`${f.name}: ${why}`);
        tv.beginImages();
        return false;
      }
    }
    tv.commitImages();
    panel.buildPanel();
    requestFrame();
    return true;
  }

  // Which object shows which of the opened images, from the texture numbers now in use.
  const whoShowsWhat = (files) => tv.textureUse(files.map((f) => f.name + '/').join(''));

  async function openFiles(fileList) {
    running++;
    try {
      await openNumbered(Array.from(fileList));  // the picker's list empties when it is reset
    } finally {
      running--;
    }
  }

  async function openNumbered(chosen) {
    await startup;  // numbered after it, so that the bundled images are never cancelled
    const number = ++latest;
    const files = [];
    for (const file of chosen) {
      try {
        files.push({ name: file.name, bytes: new Uint8Array(await file.arrayBuffer()) });
      } catch (e) {
        if (number === latest) say(`${file.name}: cannot be read (${reason(e)})`);
        return;
      }
    }
    if (files.length && await loadImages(files, number)) {
      const names = files.map((f) => f.name).join(', ');
      say(`Opened ${files.length} image${files.length > 1 ? 's' : ''}: ${names}; ${whoShowsWhat(files)}`, true);
    }
  }

  // The bundled list, read by the core's list reader as the desktop reads its list file, then
  // its images; uploads opened meanwhile wait until these are in.
  function loadBundled() {
    const number = ++latest;
    const done = (async () => {
      const text = await (await fetch('textureList.txt')).text();
      if (text.length > 65536) throw new Error('texture list textureList.txt: too long for a list of names');
      const list = JSON.parse(tv.readTextureList(text));
      if (list.error) throw new Error(`texture list textureList.txt: ${list.error}`);
      const files = await Promise.all(list.names.map(async (name) => {
        const response = await fetch(name);
        if (!response.ok) throw new Error(`${name}: cannot be fetched (${response.status})`);
        return { name, bytes: new Uint8Array(await response.arrayBuffer()) };
      }));
      return loadImages(files, number);
    })();
    startup = done.catch(() => {});
    return done;
  }

  return { withBytes, openFiles, loadBundled, loading: () => running };
}
