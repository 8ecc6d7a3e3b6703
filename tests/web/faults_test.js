// The page where it once went wrong and the desktop did not: overlapping uploads, files the
// desktop refuses, transparent pixels, saved pictures of a spinning globe, a lost WebGL context
// and text too long for a field. Run by `make test` (node --test).
'use strict';

const assert = require('node:assert/strict');
const path = require('path');
const { test } = require('node:test');
const h = require('./harness');

let server, browser;
h.useBrowser((s, b) => { server = s; browser = b; });

const { assertSamePicture } = h;

const messages = (page) => page.$eval('#messages', (e) => e.textContent);
const frames = (page) => page.evaluate(() => window.tolvane.framesDrawn());
// Polled on a timer, not on animation frames: a test holds the page's requestAnimationFrame, and
// puppeteer's frame polling would be held with it (only its first look would be taken).
const kPolling = { timeout: 60000, polling: 50 };
const settled = (page) => page.waitForFunction(() => window.tolvane.loading() === 0, kPolling);
const waitForMessage = (page, pattern) => page.waitForFunction(
  (source) => new RegExp(source).test(document.getElementById('messages').textContent),
  kPolling, pattern.source);

// Draws one more frame (any key asks for one) and compares it with the desktop's picture of
// the same settings over `list`.
async function assertMatchesDesktop(page, settings, list, what) {
  const n = await frames(page);
  await page.focus('#scene');
  await page.keyboard.press('c');  // toggles nothing the picture shows at these settings
  await h.nextFrame(page, n);
  const args = settings.flatMap((s) => ['--set', s]);
  assertSamePicture(await h.compareCanvas(page, h.desktopRender(['--size', '500x500', ...args], list)), what);
}

// A JPEG of width x height noise, encoded by the browser.
async function noiseJpeg(page, width, height) {
  const b64 = await page.evaluate(async (w, h) => {
    const c = document.createElement('canvas');
    c.width = w;
    c.height = h;
    const g = c.getContext('2d');
    const image = g.createImageData(w, h);
    for (let i = 0; i < image.data.length; i++) image.data[i] = (i % 4 === 3) ? 255 : (i * 2654435761 >>> 13) & 255;
    g.putImageData(image, 0, 0);
    const blob = await new Promise((done) => c.toBlob(done, 'image/jpeg', 0.9));
    const bytes = new Uint8Array(await blob.arrayBuffer());
    let text = '';
    for (const b of bytes) text += String.fromCharCode(b);
    return btoa(text);
  }, width, height);
  return Buffer.from(b64, 'base64');
}

// `jpeg` with an EXIF APP1 segment after its start marker that carries `thumbnail` (IFD1's
// JPEGInterchangeFormat), as phone photos do.
function withExifThumbnail(jpeg, thumbnail) {
  const tiff = Buffer.alloc(44);
  tiff.write('II', 0, 'latin1');
  tiff.writeUInt16LE(42, 2);
  tiff.writeUInt32LE(8, 4);    // IFD0 at 8: no entries, IFD1 at 14
  tiff.writeUInt32LE(14, 10);
  tiff.writeUInt16LE(2, 14);   // IFD1: the thumbnail's offset and length
  for (const [i, tag, value] of [[0, 0x0201, 44], [1, 0x0202, thumbnail.length]]) {
    const at = 16 + 12 * i;
    tiff.writeUInt16LE(tag, at);
    tiff.writeUInt16LE(4, at + 2);  // LONG
    tiff.writeUInt32LE(1, at + 4);
    tiff.writeUInt32LE(value, at + 8);
  }
  const payload = Buffer.concat([Buffer.from('Exif\0\0', 'latin1'), tiff, thumbnail]);
  const head = Buffer.from([0xff, 0xe1, 0, 0]);
  head.writeUInt16BE(payload.length + 2, 2);
  return Buffer.concat([jpeg.subarray(0, 2), head, payload, jpeg.subarray(2)]);
}

test('two overlapping drops end with exactly the second set', async () => {
  const page = await h.openPage(browser, server.url, 'spinGlobe=0');
  const small = { name: 'small.png', bytes: h.pngFile(8, 8, (x, y) => [200, 40 * (x % 4), 30 * (y % 6), 255]) };
  // Three large photos take the browser a while to decode; the small image comes 30 ms later.
  await page.evaluate(async (smallB64) => {
    const photo = async (seed) => {
      const c = document.createElement('canvas');
      c.width = c.height = 2000;
      const g = c.getContext('2d');
      const image = g.createImageData(2000, 2000);
      for (let i = 0; i < image.data.length; i++) image.data[i] = (i * seed >>> 11) & 255;
      g.putImageData(image, 0, 0);
      return new File([await new Promise((done) => c.toBlob(done, 'image/jpeg', 0.95))], `photo${seed}.jpg`);
    };
    const drop = (files) => {
      const transfer = new DataTransfer();
      for (const f of files) transfer.items.add(f);
      document.getElementById('scene').dispatchEvent(
        new DragEvent('drop', { dataTransfer: transfer, bubbles: true, cancelable: true }));
    };
    drop([await photo(2654435761), await photo(40503), await photo(69069)]);
    await new Promise((done) => setTimeout(done, 30));
    drop([new File([Uint8Array.from(atob(smallB64), (c) => c.charCodeAt(0))], 'small.png')]);
  }, small.bytes.toString('base64'));
  await waitForMessage(page, /Opened 1 image: small\.png/);
  await settled(page);
  assert.equal((await messages(page)).match(/Opened/g).length, 1, await messages(page));
  // Every texture index now names the one image, as the desktop's list of it draws.
  await assertMatchesDesktop(page, ['spinGlobe=0'], h.desktopReads([small]).list, 'after the drops');
  assert.deepEqual(page.errors, []);
  await page.close();
});

test('files the desktop refuses are refused before the browser decodes them, with its message', async () => {
  const page = await h.openPage(browser, server.url, 'spinGlobe=0');
  const before = await h.canvasDigest(page);
  await page.evaluate(() => {
    window.decodes = 0;
    const decode = window.createImageBitmap;
    window.createImageBitmap = (...args) => { window.decodes++; return decode(...args); };
  });
  // A phone photo cut off inside its scan: its EXIF thumbnail holds a whole scan and an end marker.
  const photo = withExifThumbnail(await noiseJpeg(page, 600, 400), await noiseJpeg(page, 32, 24));
  const cut = { name: 'cut.jpg', bytes: photo.subarray(0, Math.floor(photo.length * 0.7)) };
  const wide = { name: 'wide.png', bytes: h.pngFile(40000, 100, () => [10, 20, 30, 255]) };
  for (const [file, message] of [[cut, 'the JPEG data ends before the image is complete'],
    [wide, '40000 x 100 pixels is above 32768 a side']]) {
    const desktop = h.desktopReads([file]);
    assert.ok(!desktop.ok && desktop.output.includes(message), desktop.output);
    await h.dropFiles(page, [file]);
    await settled(page);
    assert.match(await messages(page), new RegExp(`${file.name}: ${message}`));
  }
  assert.equal(await page.evaluate(() => window.decodes), 0);
  assert.equal(await h.canvasDigest(page), before);
  await page.close();
});

test('a red pixel with alpha 0 reads red on the page as on the desktop', async () => {
  const page = await h.openPage(browser, server.url, 'spinGlobe=0');
  const clear = { name: 'clear.png', bytes: h.pngFile(4, 4, () => [255, 0, 0, 0]) };
  const desktop = h.desktopReads([clear]);
  assert.ok(desktop.ok, desktop.output);
  await h.dropFiles(page, [clear]);
  await waitForMessage(page, /Opened 1 image: clear\.png/);
  await assertMatchesDesktop(page, ['spinGlobe=0'], desktop.list, 'a transparent red texture');
  // The table, textured with it, is red: premultiplied, it would be black.
  const red = await page.evaluate(() => {
    const c = document.createElement('canvas');
    c.width = c.height = 500;
    const g = c.getContext('2d');
    g.drawImage(document.getElementById('scene'), 0, 0);
    const d = g.getImageData(0, 0, 500, 500).data;
    let n = 0;
    for (let i = 0; i < d.length; i += 4) if (d[i] > 120 && d[i + 1] < 40 && d[i + 2] < 40) n++;
    return n / (500 * 500);
  });
  assert.ok(red > 0.1, `${(100 * red).toFixed(1)} % red`);
  await page.close();
});

test('a picture saved at pixel ratio 2 with the globe spinning redraws with tolvane --render', async () => {
  const page = await h.openPage(browser, server.url, '', { deviceScaleFactor: 2 });
  assert.equal(await page.$eval('#scene', (c) => c.width), 1000);
  await page.waitForFunction(() => window.tolvane.framesDrawn() > 5, { timeout: 60000 });
  const folder = h.tempFolder();
  const session = await page.createCDPSession();
  await session.send('Browser.setDownloadBehavior', { behavior: 'allow', downloadPath: folder });
  await page.click('#save');
  const saved = await h.downloaded(path.join(folder, 'tolvane-001.png'));
  const args = h.pngText(saved, 'Tolvane arguments');
  assert.match(args, /^--size 1000x1000 .*--set spinGlobe=1 /);
  const words = args.match(/'[^']*'|\S+/g).map((w) => w.replace(/^'|'$/g, ''));
  assertSamePicture(await h.compareCanvas(page, h.desktopRender(words), 64, saved), 'the saved picture');
  // The globe is a small part of the picture: a few degrees off stay within the tolerance. Of
  // the angles around the saved one, the saved one must come closest.
  const angle = Number(args.match(/globeAngle=(\d+)$/)[1]);
  const differences = [];
  for (let d = -2; d <= 2; d++) {
    const turned = words.map((w) => (w.startsWith('globeAngle=') ? `globeAngle=${(angle + d + 360) % 360}` : w));
    differences.push((await h.compareCanvas(page, h.desktopRender(turned), 64, saved)).mean);
  }
  assert.equal(differences.indexOf(Math.min(...differences)), 2, `mean differences ${differences}`);
  await page.close();
});

test('a lost WebGL context says so, and the page draws again when it is restored', async () => {
  const page = await h.openPage(browser, server.url, 'spinGlobe=0');
  await page.evaluate(() => {
    window.loseContext = document.getElementById('scene').getContext('webgl2').getExtension('WEBGL_lose_context');
    window.loseContext.loseContext();
  });
  await waitForMessage(page, /graphics context was lost/);
  const n = await frames(page);
  await page.evaluate(() => window.loseContext.restoreContext());
  await waitForMessage(page, /graphics context was restored/);
  await h.nextFrame(page, n);
  assertSamePicture(await h.compareCanvas(page, h.desktopPicture(500, ['spinGlobe=0'])), 'after the restore');
  assert.deepEqual(page.errors, []);
  await page.close();
});

test('a frame that runs short of memory keeps the textures opened since the last frame', async () => {
  const page = await h.openPage(browser, server.url, 'spinGlobe=0');
  const red = { name: 'red.png', bytes: h.pngFile(8, 8, (x, y) => [220, 30 + 25 * (x % 3), 40 + 20 * (y % 2), 255]) };
  const desktop = h.desktopReads([red]);
  assert.ok(desktop.ok, desktop.output);
  await page.evaluate(() => window.tolvane.holdMemory(1900));  // of the page's 2 GB
  // Frames wait while the image comes in and the vase grows past memory: the next frame has both.
  await page.evaluate(() => {
    window.heldFrames = [];
    window.nextFrame = window.requestAnimationFrame;
    window.requestAnimationFrame = (cb) => { window.heldFrames.push(cb); return 0; };
  });
  await h.dropFiles(page, [red]);
  await waitForMessage(page, /Opened 1 image: red\.png/);
  await settled(page);
  const labels = await page.$$eval('#controls label', (all) => all.map((l) => l.textContent));
  for (const label of ['Number of vertical steps for vase (greater the better)',
    'Number of radial steps for vase (greater the better)']) {
    await page.click(`#control${labels.indexOf(label)}`, { clickCount: 3 });
    await page.keyboard.type('1000');
    await page.keyboard.press('Enter');
  }
  await page.evaluate(() => {
    document.getElementById('messages').innerHTML = '';
    window.requestAnimationFrame = window.nextFrame;
    for (const cb of window.heldFrames) cb(performance.now());
  });
  await waitForMessage(page, /does not fit in the page's memory; the previous settings are kept/);
  // The settings of the frame before, with the image just opened on every object.
  await assertMatchesDesktop(page, ['spinGlobe=0'], desktop.list, 'the textures kept');
  assert.deepEqual(page.errors, []);
  await page.close();
});

test('text longer than a field can use is refused before it reaches the core', async () => {
  const page = await h.openPage(browser, server.url, 'spinGlobe=0');
  const labels = await page.$$eval('#controls label', (all) => all.map((l) => l.textContent));
  const index = labels.indexOf('Number of vertical steps for vase (greater the better)');
  const before = await page.$eval(`#control${index}`, (e) => e.value);
  await page.evaluate((id) => {
    const input = document.getElementById(id);
    input.value = '1'.repeat(8 << 20);
    input.dispatchEvent(new Event('change'));
  }, `control${index}`);
  await waitForMessage(page, /longer than this field can use/);
  assert.equal(await page.$eval(`#control${index}`, (e) => e.value), before);
  const n = await frames(page);
  await page.focus('#scene');
  await page.keyboard.press('c');
  await h.nextFrame(page, n);
  assert.deepEqual(page.errors, []);
  await page.close();
});

test('what does not fit in memory is a message, and the scene stays as it was', async () => {
  const page = await h.openPage(browser, server.url, 'spinGlobe=0');
  await page.evaluate(() => window.tolvane.holdMemory(1900));  // of the page's 2 GB
  const labels = await page.$$eval('#controls label', (all) => all.map((l) => l.textContent));
  const field = `#control${labels.indexOf('Number of radial steps for vase (greater the better)')}`;
  const before = await page.$eval(field, (e) => e.value);
  await page.evaluate(() => { document.getElementById('messages').innerHTML = ''; });
  await page.click(`#control${labels.indexOf('Number of vertical steps for vase (greater the better)')}`, { clickCount: 3 });
  await page.keyboard.type('1000');
  await page.click(field, { clickCount: 3 });
  await page.keyboard.type('1000');
  await page.keyboard.press('Enter');
  await waitForMessage(page, /The vase with 1000 x 1000 steps does not fit in the page's memory; the previous settings are kept/);
  assert.equal(await page.$eval(field, (e) => e.value), before);
  const large = Buffer.concat([Buffer.from('P6\n4000 4000\n255\n'), Buffer.alloc(4000 * 4000 * 3, 7)]);
  await h.dropFiles(page, [{ name: 'large.ppm', bytes: large }]);
  await waitForMessage(page, /large\.ppm: not enough memory for this (image|file)/);
  await assertMatchesDesktop(page, ['spinGlobe=0', 'vaseVerticalSteps=1000', `vaseRadialSteps=${before}`],
    path.join(h.desktopBuild, 'assets/textureList.txt'), 'the scene kept');
  assert.deepEqual(page.errors, []);
  await page.close();
});
