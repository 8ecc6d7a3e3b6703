// The page as a person uses it: busy buttons and one export per burst, refusals that say why,
// the key list, Esc, drags, a phone's layout and targets, names for assistive technology,
// numbers as the desktop writes them, opened images, and memory that comes back after exports.
'use strict';

const assert = require('node:assert/strict');
const fs = require('fs');
const path = require('path');
const { test } = require('node:test');
const h = require('./harness');

let server, browser;
h.useBrowser((s, b) => { server = s; browser = b; });

const messages = (page) => page.$eval('#messages', (e) => e.textContent);
const args = (page) => page.evaluate(() => window.tolvane.args());
// The field (or checkbox) whose label starts with `label`.
async function control(page, label) {
  const id = await page.$$eval('#controls label', (all, text) =>
    all.find((l) => l.textContent.startsWith(text)).htmlFor, label);
  return '#' + id;
}
async function downloadsTo(page) {
  const folder = h.tempFolder();
  const session = await page.createCDPSession();
  await session.send('Browser.setDownloadBehavior', { behavior: 'allow', downloadPath: folder });
  return folder;
}
const waitForMessage = (page, pattern) => page.waitForFunction((source) =>
  new RegExp(source).test(document.getElementById('messages').textContent), { timeout: 60000 }, pattern.source);

test('a burst of "Export vase" clicks shows the busy state and makes one file', async () => {
  const page = await h.openPage(browser, server.url, 'spinGlobe=0&vaseVerticalSteps=200&vaseRadialSteps=200');
  const folder = await downloadsTo(page);
  const state = await page.evaluate(() => {
    const button = document.getElementById('export');
    for (let i = 0; i < 6; i++) button.click();
    return { disabled: button.disabled, busy: button.getAttribute('aria-busy'),
      save: document.getElementById('save').disabled, said: document.getElementById('messages').textContent };
  });
  assert.deepEqual(state, { disabled: true, busy: 'true', save: true,
    said: 'Exporting... tolvane-vase-001.glb' });
  await waitForMessage(page, /Exported tolvane-vase-001\.glb/);
  await h.downloaded(path.join(folder, 'tolvane-vase-001.glb'));
  await new Promise((r) => setTimeout(r, 1500));
  assert.deepEqual(fs.readdirSync(folder), ['tolvane-vase-001.glb']);
  assert.equal(await page.$eval('#export', (b) => b.disabled), false);
  await page.close();
});

test('page memory comes back after three exports at 300 x 300', async () => {
  const page = await h.openPage(browser, server.url, 'spinGlobe=0&vaseVerticalSteps=300&vaseRadialSteps=300');
  await downloadsTo(page);
  const heap = () => page.evaluate(async () => {
    for (let i = 0; i < 3; i++) { window.gc(); await new Promise((r) => setTimeout(r, 50)); }
    return performance.memory.usedJSHeapSize;
  });
  // The download links' blobs, which hold each file until they are let go.
  await page.evaluate(() => {
    window.blobUrls = [];
    const make = URL.createObjectURL;
    URL.createObjectURL = (blob) => { const url = make(blob); window.blobUrls.push(url); return url; };
  });
  const start = await heap();
  for (let n = 1; n <= 3; n++) {
    await page.click('#export');
    await waitForMessage(page, new RegExp(`Exported tolvane-vase-00${n}`));
  }
  await new Promise((r) => setTimeout(r, 1500));  // the download links are let go after a second
  const end = await heap();
  const held = await page.evaluate(async () => (await Promise.all(window.blobUrls.map((url) =>
    fetch(url).then(() => true, () => false)))).filter(Boolean).length);
  assert.equal(held, 0, 'blobs still held by download links');
  assert.ok(end - start < 8e6, `JavaScript heap ${(start / 1e6).toFixed(1)} -> ${(end / 1e6).toFixed(1)} MB`);
  await page.close();
});

test('typed values: a refusal or a clamp says why, Esc cancels, arrow keys step, held arrows repeat', async () => {
  const page = await h.openPage(browser, server.url, 'spinGlobe=0');
  const steps = await control(page, 'Number of vertical steps for vase');
  const type = async (text, key = 'Enter') => {
    await page.click(steps, { clickCount: 3 });
    await page.keyboard.type(text);
    await page.keyboard.press(key);
  };
  await type('abc');
  assert.match(await messages(page), /"abc" refused, not a number/);
  await type('2,5');
  assert.match(await messages(page), /"2,5" refused, not a number \(use a point for decimals\)/);
  await type('1.5');
  assert.match(await messages(page), /"1\.5" refused, not a whole number/);
  await type('1001');
  assert.match(await messages(page), /"1001" clamped to 1000, the largest allowed \(0 to 1000\)/);
  assert.equal(await page.$eval(steps, (e) => e.value), '1000');

  await type('77', 'Escape');
  assert.equal(await page.$eval(steps, (e) => e.value), '1000');
  await page.keyboard.press('Tab');
  assert.match(await args(page), /vaseVerticalSteps=1000 /);
  await page.focus(steps);
  await page.keyboard.press('ArrowDown');
  assert.equal(await page.$eval(steps, (e) => e.getAttribute('aria-valuenow')), '999');

  // A held arrow repeats (a click steps once): well over one step in 1.5 s.
  const radial = await control(page, 'Number of radial steps for vase');
  const up = await (await page.$(`${radial} + .arrows button`)).boundingBox();
  await page.mouse.move(up.x + up.width / 2, up.y + up.height / 2);
  await page.mouse.down();
  await new Promise((r) => setTimeout(r, 1500));
  await page.mouse.up();
  assert.ok(Number(await page.$eval(radial, (e) => e.value)) > 42);
  await page.close();
});

test('h and F1 show the key list, whose keys work wherever the focus is', async () => {
  const page = await h.openPage(browser, server.url, 'spinGlobe=0');
  const shown = () => page.$eval('#keyList', (e) => !e.hidden && e.getBoundingClientRect().height > 0);
  assert.equal(await shown(), false);
  await page.keyboard.press('h');
  assert.equal(await shown(), true);
  assert.match(await page.$eval('#keyList', (e) => e.textContent), /start or stop turning the whole view/);
  await page.keyboard.press('F1');
  assert.equal(await shown(), false);
  await page.focus('#save');  // not the canvas: the scene's keys still work
  await page.keyboard.press('y');
  assert.equal(await page.evaluate(() => document.activeElement.id), 'save');
  // By keyboard: the hidden list's scroll may still be moving the buttons under a pointer.
  await page.focus('#link');
  await page.keyboard.press('Enter');
  await page.waitForFunction(() => /spinY=1/.test(location.search), { timeout: 20000 });
  await page.close();
});

test('a right-button drag starts where it was pressed', async () => {
  const page = await h.openPage(browser, server.url, 'spinGlobe=0&rotation=0,0,0');
  const box = await (await page.$('#scene')).boundingBox();
  const drag = async (button, x0, x1) => {
    await page.mouse.move(box.x + x0, box.y + 250);
    await page.mouse.down({ button });
    await page.mouse.move(box.x + x1, box.y + 250, { steps: 5 });
    await page.mouse.up({ button });
  };
  const turned = async () => Number((await args(page)).match(/rotation=0,([-\d.]+),0 /)[1]);
  await drag('left', 100, 110);  // 10 px: 2 degrees
  assert.ok(Math.abs(await turned() - 2) < 1e-3);
  await drag('right', 400, 405);  // 5 px more: 1 degree, not the 290 px between the drags
  assert.ok(Math.abs(await turned() - 3) < 1e-3, `turned to ${await turned()} degrees`);
  await page.close();
});

test('numbers read as the desktop writes them; links carry them; address messages in page words', async () => {
  const page = await h.openPage(browser, server.url, 'spinGlobe=0&rotation=0,40,120&nosuch=1');
  assert.match(await args(page), /--set rotation=0,40,120 /);
  assert.doesNotMatch(await args(page), /e\+/);
  assert.match(await messages(page), /^In the address, nosuch=1: there is no setting named 'nosuch'$/);
  await page.click('#link');
  assert.match(await page.evaluate(() => location.search), /rotation=0,40,120/);
  await page.close();
});

test('a scaled-down image says so; after one image and then five, each object shows its own again', async () => {
  const page = await h.openPage(browser, server.url, 'spinGlobe=0');
  const image = (name, shade) => ({ name, bytes: h.pngFile(4, 4, () => [shade, shade, shade, 255]) });
  // Wider than the largest texture (8192 in SwiftShader): scaled down, and the message says so.
  h.dropFiles(page, [{ name: 'one.png', bytes: h.pngFile(8200, 2, () => [10, 10, 10, 255]) }]);
  await waitForMessage(page, /Opened 1 image: one\.png; the table shows one\.png, the can shows one\.png/);
  assert.match(await messages(page), /one\.png: scaled down from 8200x2 to 8192x1, the largest this GPU's textures hold/);
  await page.evaluate(() => { document.getElementById('messages').innerHTML = ''; });
  h.dropFiles(page, ['a', 'b', 'c', 'd', 'e'].map((n, i) => image(n + '.png', 40 * i)));
  await waitForMessage(page, /Opened 5 images: a\.png, b\.png, c\.png, d\.png, e\.png; the table shows a\.png, the can shows b\.png, the globe shows c\.png, the vase shows d\.png, the stand shows e\.png/);
  assert.match(await args(page), /tableTexture=0 .*popTexture=1 .*globeTexture=2 .*vaseTexture=3 .*standTexture=4/);
  await page.close();
});

test('on a 390 x 844 phone the scene and the buttons are in view and targets are 44 px', async () => {
  const page = await h.openPage(browser, server.url, 'spinGlobe=0',
    { width: 390, height: 844, deviceScaleFactor: 3, isMobile: true, hasTouch: true });
  const layout = await page.evaluate(() => {
    const inView = (e) => { const r = e.getBoundingClientRect();
      return r.top >= 0 && r.left >= 0 && r.bottom <= innerHeight && r.right <= innerWidth; };
    const small = [...document.querySelectorAll('#controls input, #controls button, .buttons button')]
      .map((e) => e.getBoundingClientRect()).filter((r) => r.width < 44 || r.height < 44).length;
    const scene = document.getElementById('scene');
    return { scene: inView(scene), buttons: [...document.querySelectorAll('.buttons button')].every(inView),
      status: inView(document.getElementById('status')), pageScrolls: document.documentElement.scrollHeight > innerHeight,
      small, pixels: scene.width / scene.clientWidth };
  });
  assert.deepEqual(layout, { scene: true, buttons: true, status: true, pageScrolls: false, small: 0, pixels: 3 });
  // A tap on a help mark shows what the field does.
  const help = '#controls .row:nth-child(2) .help';
  await page.$eval(help, (e) => e.scrollIntoView());
  await page.tap(help);
  assert.equal(await page.$eval('#controls .row:nth-child(2) .about', (e) => e.hidden), false);
  await page.close();
});

test('every control has a name and each field a range; the page passes an axe audit', async () => {
  const page = await h.openPage(browser, server.url, 'spinGlobe=0');
  const tree = await page.accessibility.snapshot();
  const nodes = [];
  (function walk(n) { nodes.push(n); (n.children || []).forEach(walk); })(tree);
  const controls = nodes.filter((n) => ['button', 'checkbox', 'spinbutton', 'textbox'].includes(n.role));
  assert.equal(controls.filter((n) => n.role === 'spinbutton').length, 18);
  assert.deepEqual(controls.filter((n) => !n.name).map((n) => n.role), []);
  assert.deepEqual(controls.filter((n) => n.role === 'spinbutton' &&
    (n.valuemin === undefined || n.valuemax === undefined)).map((n) => n.name), []);
  assert.ok(nodes.some((n) => n.role === 'image' && /turn/.test(n.name)), 'the canvas is described');
  assert.ok(nodes.some((n) => n.role === 'heading'), 'headings');

  await page.addScriptTag({ path: require.resolve('axe-core/axe.min.js') });
  const found = await page.evaluate(async () => (await window.axe.run()).violations
    .filter((v) => v.impact === 'serious' || v.impact === 'critical').map((v) => `${v.id}: ${v.help} (${v.nodes.map((n) => n.html).join(' ')})`));
  assert.deepEqual(found, []);
  await page.close();
});

test('without WebGL 2 the page says so in view', async () => {
  const page = await browser.newPage();
  await page.setViewport({ width: 1400, height: 1000 });
  await page.evaluateOnNewDocument(() => {
    const real = HTMLCanvasElement.prototype.getContext;
    HTMLCanvasElement.prototype.getContext = function (kind, ...rest) {
      return kind === 'webgl2' ? null : real.call(this, kind, ...rest);
    };
  });
  await page.goto(server.url + 'index.html');
  await page.waitForSelector('#nowebgl', { timeout: 60000 });
  const box = await page.$eval('#nowebgl', (e) => { const r = e.getBoundingClientRect();
    return { text: e.textContent, inView: r.top >= 0 && r.bottom <= innerHeight && r.height > 0 }; });
  assert.deepEqual(box, { text: 'This page needs WebGL 2, which this browser does not offer.', inView: true });
  await page.close();
});

// Until the core has loaded, the buttons are off and say so, and the scene's box already has
// the size it keeps: nothing jumps when the first frame comes.
test('while the page loads its buttons are disabled and the canvas keeps its size', async () => {
  const page = await browser.newPage();
  await page.setViewport({ width: 860, height: 500 });
  await page.setRequestInterception(true);
  let releaseCore;
  const coreHeld = new Promise((r) => { releaseCore = r; });
  page.on('request', async (request) => {
    if (request.url().endsWith('.wasm')) await coreHeld;
    request.continue();
  });
  await page.goto(server.url + 'index.html', { waitUntil: 'domcontentloaded' });
  const box = () => page.$eval('#scene', (c) => { const r = c.getBoundingClientRect(); return [r.left, r.top, r.width, r.height]; });
  const loading = await box();
  assert.ok(loading[2] > 100 && loading[3] > 100, `canvas ${loading}`);
  assert.deepEqual(await page.$$eval('.buttons button:not(#keys)', (all) => all.filter((b) => !b.disabled).map((b) => b.id)), []);
  assert.match(await page.$eval('#status', (e) => e.textContent), /Loading/);
  releaseCore();
  await page.waitForFunction(() => window.tolvane && window.tolvane.framesDrawn() > 0, { timeout: 60000 });
  assert.deepEqual(await box(), loading);
  assert.deepEqual(await page.$$eval('.buttons button', (all) => all.filter((b) => b.disabled).map((b) => b.id)), []);
  await page.close();
});
