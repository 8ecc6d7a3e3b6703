// The page's images: the bundled list at start, "Open images…" and dropped files later, each
// checked by the core before the browser decodes it.
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
    panel.buildPanel();
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

  async function bundledImages() {
    const list = (await (await fetch('textureList.txt')).text()).trim().split(/\s+/);
    const names = list.slice(1, 1 + parseInt(list[0], 10));
    return Promise.all(names.map(async (name) => {
      const response = await fetch(name);
      if (!response.ok) throw new Error(`${name}: cannot be fetched (${response.status})`);
      return { name, bytes: new Uint8Array(await response.arrayBuffer()) };
    }));
  }
  return { withBytes, loadImages, openFiles, bundledImages };
}
