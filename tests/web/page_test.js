// The page in headless Chromium against the desktop's `tolvane --render`: the same picture,
// the panel, the address, "Export vase" and a damaged image. Run by `make test` (node --test).
'use strict';

const assert = require('node:assert/strict');
const { execFileSync } = require('child_process');
const fs = require('fs');
const os = require('os');
const path = require('path');
const { test } = require('node:test');
const h = require('./harness');

let server, browser;
h.useBrowser((s, b) => { server = s; browser = b; });

const { assertSamePicture } = h;

const status = (page) => page.$eval('#status', (e) => e.textContent);
const messages = (page) => page.$eval('#messages', (e) => e.textContent);

// spinGlobe=0 holds the globe at its first frame's angle; it changes no single picture.
test('at the defaults the canvas shows what tolvane --render draws', async () => {
  const page = await h.openPage(browser, server.url, 'spinGlobe=0');
  const size = await page.$eval('#scene', (c) => c.width);
  assert.equal(size, 500);
  assertSamePicture(await h.compareCanvas(page, h.desktopPicture(size, ['spinGlobe=0'])), 'defaults');
  assert.deepEqual(page.errors, []);
  assert.deepEqual(page.missing, []);
  await page.close();
});

test('a checkbox and a typed step count change the canvas and the status line', async () => {
  const page = await h.openPage(browser, server.url, 'spinGlobe=0');
  assert.match(await status(page), /vase 7960 quads/);
  const labels = await page.$$eval('#controls label', (all) => all.map((l) => l.textContent));
  const holes = labels.indexOf('Wholy Vase (Vase with no regular holes)');
  const steps = labels.indexOf('Number of vertical steps for vase (greater the better)');

  let picture = await h.canvasDigest(page);
  let frames = await page.evaluate(() => window.tolvane.framesDrawn());
  await page.click(`#control${holes}`);
  await h.nextFrame(page, frames);
  assert.match(await status(page), /vase 4000 quads/);  // 100 x 40 bands, no rings
  assert.notEqual(await h.canvasDigest(page), picture);

  picture = await h.canvasDigest(page);
  frames = await page.evaluate(() => window.tolvane.framesDrawn());
  await page.click(`#control${steps}`, { clickCount: 3 });
  await page.keyboard.type('12');
  await page.keyboard.press('Enter');
  await h.nextFrame(page, frames);
  assert.match(await status(page), /vase 480 quads/);
  assert.notEqual(await h.canvasDigest(page), picture);
  assert.equal(await page.$eval(`#control${steps}`, (e) => e.value), '12');
  await page.close();
});

test('the address sets what --set sets; a refused parameter is shown and skipped', async () => {
  const settings = ['spinGlobe=0', 'crazyVase=1', 'vaseVerticalSteps=30', 'rotation=10,45,0',
    'zoom=1.3', 'lightPosition=1,2,0.5'];
  let page = await h.openPage(browser, server.url, settings.join('&'));
  assertSamePicture(await h.compareCanvas(page, h.desktopPicture(500, settings)), 'address');
  await page.close();

  page = await h.openPage(browser, server.url, 'vaseVerticalSteps=5000&crazyVase=1&spinGlobe=0');
  assert.match(await messages(page), /vaseVerticalSteps=5000: vaseVerticalSteps takes a whole number from 0 to 1000/);
  assert.match(await status(page), /vase 7960 quads/);
  assertSamePicture(await h.compareCanvas(page, h.desktopPicture(500, ['crazyVase=1', 'spinGlobe=0'])),
    'after a refused parameter');
  await page.close();
});

// While only the globe turns, frames copy a kept picture of the rest and draw just the sphere;
// the frame after unticking "Spin Globe" is one of them, and must match a whole frame drawn
// at the same angle by a page that never spun.
// With antialiasing the canvas keeps the last frame and only the globe's corner is drawn anew.
for (const smooth of ['', 'antialiasing=4']) test(`a frame over the kept picture equals the whole frame at that angle${smooth ? ', ' + smooth : ''}`, async () => {
  let page = await h.openPage(browser, server.url, smooth);
  await page.waitForFunction(() => window.tolvane.framesDrawn() > 5, { timeout: 60000 });
  assert.ok(await page.evaluate(() => window.tolvane.lastFrameKept()), 'spinning uses the kept picture');
  const labels = await page.$$eval('#controls label', (all) => all.map((l) => l.textContent));
  const frames = await page.evaluate(() => window.tolvane.framesDrawn());
  await page.click(`#control${labels.indexOf('Spin Globe')}`);
  await h.nextFrame(page, frames);
  await page.waitForFunction(() => /idle/.test(document.getElementById('status').textContent), { timeout: 30000 });
  assert.ok(await page.evaluate(() => window.tolvane.lastFrameKept()), 'the still frame is copied too');
  const args = await page.evaluate(() => window.tolvane.args());
  if (smooth) assert.match(args, /antialiasing=4/);
  const angle = args.match(/globeAngle=(\d+)/)[1];
  assert.notEqual(angle, '0');
  const spun = await h.canvasDigest(page);
  assert.deepEqual(page.errors, []);
  await page.close();

  page = await h.openPage(browser, server.url, `spinGlobe=0&globeAngle=${angle}${smooth ? '&' + smooth : ''}`);
  assert.ok(!(await page.evaluate(() => window.tolvane.lastFrameKept())));
  assert.equal(await h.canvasDigest(page), spun);
  // And it is the still life, smoothed as the desktop smooths it.
  if (smooth) {
    h.assertSamePicture(await h.compareCanvas(page, h.desktopPicture(500, ['spinGlobe=0', `globeAngle=${angle}`, smooth])),
      'antialiased page against --render');
  }
  await page.close();
});

// The overlays: the keys m, n and l each add lines and take them away again, and the address's
// normals and light draw what --render draws.
test('the keys m, n and l show the mesh, the normals and the light', async () => {
  const settings = ['spinGlobe=0', 'showNormals=1', 'showLight=1', 'radialVaseNormals=0'];
  let page = await h.openPage(browser, server.url, settings.join('&'));
  assertSamePicture(await h.compareCanvas(page, h.desktopPicture(500, settings)), 'normals and light');
  assert.match(await page.evaluate(() => window.tolvane.args()), /showNormals=1.*showLight=1/);
  await page.close();

  page = await h.openPage(browser, server.url, 'spinGlobe=0');
  const plain = await h.canvasDigest(page);
  await page.focus('#scene');
  const seen = new Set([plain]);
  for (const key of ['m', 'n', 'l']) {
    const frames = await page.evaluate(() => window.tolvane.framesDrawn());
    await page.keyboard.press(key);
    await h.nextFrame(page, frames);
    seen.add(await h.canvasDigest(page));
  }
  assert.equal(seen.size, 4, 'each overlay changes the picture');
  for (const key of ['m', 'n', 'l']) {
    const frames = await page.evaluate(() => window.tolvane.framesDrawn());
    await page.keyboard.press(key);
    await h.nextFrame(page, frames);
  }
  assert.equal(await h.canvasDigest(page), plain);
  assert.deepEqual(page.errors, []);
  await page.close();

  // Antialiasing is a multisampled canvas, named in the arguments by the count it has.
  page = await h.openPage(browser, server.url, 'spinGlobe=0&antialiasing=4');
  const args = await page.evaluate(() => window.tolvane.args());
  if (/antialiasing=4/.test(args)) assert.notEqual(await h.canvasDigest(page), plain);
  else assert.match(await messages(page), /antialiasing=4 is not offered here/);
  await page.close();
});

// A reader of its own: the GLB container, its JSON, and the index accessor's count.
function glbTriangles(bytes) {
  const view = new DataView(bytes.buffer, bytes.byteOffset, bytes.byteLength);
  assert.equal(view.getUint32(0, true), 0x46546c67, 'glTF magic');
  assert.equal(view.getUint32(4, true), 2, 'version');
  assert.equal(view.getUint32(8, true), bytes.length, 'length');
  const jsonLength = view.getUint32(12, true);
  assert.equal(view.getUint32(16, true), 0x4e4f534a, 'JSON chunk');
  const gltf = JSON.parse(Buffer.from(bytes.subarray(20, 20 + jsonLength)).toString('utf8'));
  let triangles = 0;
  for (const mesh of gltf.meshes)
    for (const p of mesh.primitives) {
      assert.equal(p.mode === undefined ? 4 : p.mode, 4, 'triangles');
      triangles += gltf.accessors[p.indices].count / 3;
    }
  return { triangles, images: (gltf.images || []).length };
}

test('"Export vase" and "Save picture" download what the desktop writes', async () => {
  const page = await h.openPage(browser, server.url, 'spinGlobe=0&vaseVerticalSteps=31&vaseRadialSteps=17');
  const folder = fs.mkdtempSync(path.join(os.tmpdir(), 'tolvane-web-'));
  const session = await page.createCDPSession();
  await session.send('Browser.setDownloadBehavior', { behavior: 'allow', downloadPath: folder });
  const quads = Number((await status(page)).match(/vase (\d+) quads/)[1]);
  assert.equal(quads, 31 * 17 * 2);  // 31 bands and 31 rings: rounding gives the top band one
  await page.click('#export');
  const glb = glbTriangles(new Uint8Array(await h.downloaded(path.join(folder, 'tolvane-vase-001.glb'))));
  assert.equal(glb.triangles, 2 * quads);
  assert.equal(glb.images, 1);
  assert.match(await messages(page), /Exported tolvane-vase-001\.glb/);

  await page.click('#save');
  const arguments_ = h.pngText(await h.downloaded(path.join(folder, 'tolvane-001.png')), 'Tolvane arguments');
  assert.match(arguments_, /--set vaseVerticalSteps=31 --set vaseRadialSteps=17 /);
  assert.match(arguments_, /--set spinGlobe=0 .*--set zoom=1 --set globeAngle=0$/);
  await page.close();
});

test('a damaged image shows its message and the scene keeps its textures', async () => {
  const page = await h.openPage(browser, server.url, 'spinGlobe=0');
  const before = await h.canvasDigest(page);
  const folder = fs.mkdtempSync(path.join(os.tmpdir(), 'tolvane-web-'));
  const good = path.join(h.site, 'wood.png');
  const damaged = path.join(folder, 'damaged.png');
  const png = fs.readFileSync(good);
  png[1000] ^= 0xff;  // inside the image data
  fs.writeFileSync(damaged, png);
  const short = path.join(folder, 'short.ppm');
  fs.writeFileSync(short, Buffer.concat([Buffer.from('P6\n4 4\n255\n'), Buffer.alloc(10)]));

  for (const [files, message] of [[[good, damaged], /damaged\.png: damaged PNG data/],
    [[short], /short\.ppm: \S/]]) {
    const input = await page.$('#files');
    await input.uploadFile(...files);
    await page.waitForFunction((n) => document.getElementById('messages').childNodes.length >= n,
      { timeout: 30000 }, 1);
    assert.match(await messages(page), message);
    // Any key asks for a frame; it still shows the bundled textures.
    const frames = await page.evaluate(() => window.tolvane.framesDrawn());
    await page.focus('#scene');
    await page.keyboard.press('c');
    await h.nextFrame(page, frames);
    assert.equal(await h.canvasDigest(page), before);
    await page.evaluate(() => { document.getElementById('messages').innerHTML = ''; });
  }
  assert.deepEqual(page.errors, []);
  await page.close();
});

// As on the desktop, frames drawn while the view moves (the y turn, a drag) show a vase of at
// most 250 x 250, and the still view the whole one. 300 x 300 with rings is 179,700 quads.
test('while the view turns or is dragged the page draws the smaller vase, and after it the whole one', async () => {
  const page = await h.openPage(browser, server.url, 'spinGlobe=0&spinY=1&vaseVerticalSteps=300&vaseRadialSteps=300');
  const quads = (n) => page.waitForFunction((text) => document.getElementById('status').textContent.includes(text),
    { timeout: 60000 }, `vase ${n} quads`);
  await quads(124750);
  await page.focus('#scene');
  await page.keyboard.press('y');
  await quads(179700);
  const box = await page.$eval('#scene', (c) => { const r = c.getBoundingClientRect(); return { x: r.left, y: r.top }; });
  await page.mouse.move(box.x + 200, box.y + 250);
  await page.mouse.down();
  await page.mouse.move(box.x + 260, box.y + 250, { steps: 5 });
  await quads(124750);
  await page.mouse.up();
  await quads(179700);
  assert.deepEqual(page.errors, []);
  await page.close();
});

test('"Save turntable" downloads a video of the frames asked that the desktop reopens; without WebCodecs it is off', async () => {
  const page = await h.openPage(browser, server.url, 'spinGlobe=1&frames=12&fps=30');
  const folder = fs.mkdtempSync(path.join(os.tmpdir(), 'tolvane-web-'));
  const session = await page.createCDPSession();
  await session.send('Browser.setDownloadBehavior', { behavior: 'allow', downloadPath: folder });
  await page.click('#turntable');
  const video = path.join(folder, 'tolvane-turntable-001.webm');
  await h.downloaded(video);
  const probe = JSON.parse(execFileSync('ffprobe', ['-v', 'error', '-count_frames', '-show_streams',
    '-show_format', '-of', 'json', video], { encoding: 'utf8' }));
  const stream = probe.streams[0];
  assert.match(stream.codec_name, /^vp[89]$/);
  assert.equal(Number(stream.nb_read_frames), 12);
  assert.deepEqual([stream.width, stream.height], [500, 500]);
  assert.equal(stream.r_frame_rate, '30/1');
  // The whole movie's comment tag (Matroska's target level 50).
  assert.match((probe.format.tags || {})['MOVIE/COMMENT'] || '', /--set spinGlobe=1 .*--set globeAngle=\d+$/);
  assert.match(await messages(page), /Saved tolvane-turntable-001\.webm/);
  // Its arguments open its scene on the desktop.
  const again = h.desktopRender(['--scene', video]);
  assert.match(h.pngText(again, 'Tolvane arguments'), /--set spinGlobe=1 /);
  await page.close();

  const bare = await browser.newPage();
  await bare.evaluateOnNewDocument(() => { delete window.VideoEncoder; });
  await bare.goto(server.url + 'index.html');
  await bare.waitForFunction(() => window.tolvane && window.tolvane.framesDrawn() > 0, { timeout: 60000 });
  const button = await bare.$eval('#turntable', (b) => ({ disabled: b.disabled, why: b.title }));
  assert.deepEqual(button, { disabled: true, why: "Save turntable needs the browser's video encoder (WebCodecs), which this browser does not offer" });
  await bare.close();
});
