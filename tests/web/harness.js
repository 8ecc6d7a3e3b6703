// Shared by the page's tests: a static server for the built site, headless Chromium through
// puppeteer-core, the desktop's `tolvane --render`, and picture comparison in the browser.
'use strict';

const assert = require('node:assert/strict');
const { after, before } = require('node:test');
const fs = require('fs');
const http = require('http');
const os = require('os');
const path = require('path');
const { execFileSync, spawnSync } = require('child_process');
const zlib = require('zlib');
const puppeteer = require('puppeteer-core');

const root = path.resolve(__dirname, '../..');
const site = process.env.TOLVANE_SITE || path.join(root, 'build-web/site');
const desktopBuild = process.env.TOLVANE_BUILD || path.join(root, 'build');

const types = { '.html': 'text/html', '.js': 'text/javascript', '.wasm': 'application/wasm',
  '.png': 'image/png', '.jpg': 'image/jpeg', '.txt': 'text/plain', '.css': 'text/css',
  '.svg': 'image/svg+xml' };

// Serves the site (or another built site's folder) on 127.0.0.1 at a free port; resolves to
// { url, close }.
function startServer(folder = site) {
  const server = http.createServer((req, res) => {
    const name = decodeURIComponent(new URL(req.url, 'http://x').pathname).replace(/^\/+/, '') || 'index.html';
    const file = path.join(folder, path.normalize(name));
    if (!file.startsWith(folder) || !fs.existsSync(file) || fs.statSync(file).isDirectory()) {
      res.writeHead(404);
      res.end();
      return;
    }
    res.writeHead(200, { 'Content-Type': types[path.extname(file)] || 'application/octet-stream' });
    fs.createReadStream(file).pipe(res);
  });
  return new Promise((resolve) => server.listen(0, '127.0.0.1', () => resolve({
    url: `http://127.0.0.1:${server.address().port}/`,
    close: () => new Promise((done) => server.close(done)),
  })));
}

function launchBrowser() {
  return puppeteer.launch({
    executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
    headless: 'new',
    args: ['--no-sandbox', '--use-angle=swiftshader', '--enable-unsafe-swiftshader',
      '--disable-gpu-vsync', '--force-device-scale-factor=1',
      // performance.memory exact and window.gc() callable, for the memory test
      '--enable-precise-memory-info', '--js-flags=--expose-gc'],
  });
}

// Opens the page with `query` in a 860 x 500 window (a 500 x 500 canvas beside the panel;
// `viewport` may change that, or the device pixel ratio)
// and waits for its first frame. Page errors are collected in page.errors, and what the server
// could not give in page.missing. `media` emulates CSS media features before the page loads.
async function openPage(browser, url, query = '', viewport = {}, media = []) {
  const page = await browser.newPage();
  if (media.length) await page.emulateMediaFeatures(media);
  page.errors = [];
  page.on('pageerror', (e) => page.errors.push(e.message));
  // Whatever the page asks the server for and does not get (a missing icon, say).
  page.missing = [];
  page.on('response', (r) => { if (r.status() >= 400) page.missing.push(r.url()); });
  await page.setViewport({ width: 860, height: 500, ...viewport });
  await page.goto(url + 'index.html' + (query ? '?' + query : ''));
  await page.waitForFunction(() => window.tolvane && window.tolvane.framesDrawn() > 0, { timeout: 60000 });
  return page;
}

// Waits until the page has drawn a frame after `since` frames.
async function nextFrame(page, since) {
  await page.waitForFunction((n) => window.tolvane.framesDrawn() > n, { timeout: 30000 }, since);
}

// `tolvane --render` of the bundled textures at size x size with `settings` (NAME=VALUE);
// returns the PNG's bytes.
function desktopPicture(size, settings = []) {
  const args = ['--size', `${size}x${size}`];
  for (const s of settings) args.push('--set', s);
  return desktopRender(args);
}

// `tolvane --render` with `args` (as a saved picture carries them, split into words) over the
// list `list` (default: the bundled one); returns the PNG's bytes.
function desktopRender(args, list = path.join(desktopBuild, 'assets/textureList.txt')) {
  const out = path.join(tempFolder(), 'desktop.png');
  execFileSync(path.join(desktopBuild, 'tolvane'), ['--render', out, ...args, list],
    { cwd: path.dirname(list), stdio: 'ignore' });
  return fs.readFileSync(out);
}

// The desktop reading `files` ({name, bytes}) as its texture list: { ok, output } with what
// it printed.
function desktopReads(files) {
  const folder = tempFolder();
  for (const f of files) fs.writeFileSync(path.join(folder, f.name), f.bytes);
  fs.writeFileSync(path.join(folder, 'list.txt'), `${files.length}\n${files.map((f) => f.name).join('\n')}\n`);
  const r = spawnSync(path.join(desktopBuild, 'tolvane'),
    ['--render', path.join(folder, 'out.png'), '--size', '64x64', 'list.txt'], { cwd: folder, encoding: 'utf8' });
  return { ok: r.status === 0, output: r.stdout + r.stderr, list: path.join(folder, 'list.txt') };
}

function tempFolder() {
  return fs.mkdtempSync(path.join(os.tmpdir(), 'tolvane-web-'));
}

// A PNG of width x height, 8-bit RGBA, every pixel `pixel(x, y)` ([r, g, b, a]).
function pngFile(width, height, pixel) {
  const row = 1 + width * 4;
  const raw = Buffer.alloc(row * height);
  for (let y = 0; y < height; y++)
    for (let x = 0; x < width; x++) raw.set(pixel(x, y), y * row + 1 + x * 4);
  const chunk = (type, data) => {
    const head = Buffer.alloc(8);
    head.writeUInt32BE(data.length);
    head.write(type, 4, 'latin1');
    const crc = Buffer.alloc(4);
    crc.writeUInt32BE(crc32(Buffer.concat([head.subarray(4), data])));
    return Buffer.concat([head, data, crc]);
  };
  const header = Buffer.alloc(13);
  header.writeUInt32BE(width);
  header.writeUInt32BE(height, 4);
  header.set([8, 6, 0, 0, 0], 8);
  return Buffer.concat([Buffer.from([0x89, 0x50, 0x4e, 0x47, 0x0d, 0x0a, 0x1a, 0x0a]),
    chunk('IHDR', header), chunk('IDAT', zlib.deflateSync(raw)), chunk('IEND', Buffer.alloc(0))]);
}

function crc32(bytes) {
  let c = 0xffffffff;
  for (const b of bytes) {
    c ^= b;
    for (let k = 0; k < 8; k++) c = c & 1 ? 0xedb88320 ^ (c >>> 1) : c >>> 1;
  }
  return (c ^ 0xffffffff) >>> 0;
}

// Drops `files` ({name, bytes}) on the page as a user drags them from a file manager;
// `modifiers` such as { shiftKey: true } are held while dropping.
async function dropFiles(page, files, modifiers = {}) {
  await page.evaluate((list, modifiers) => {
    const transfer = new DataTransfer();
    for (const f of list)
      transfer.items.add(new File([Uint8Array.from(atob(f.b64), (c) => c.charCodeAt(0))], f.name));
    document.getElementById('scene').dispatchEvent(
      new DragEvent('drop', { dataTransfer: transfer, bubbles: true, cancelable: true, ...modifiers }));
  }, files.map((f) => ({ name: f.name, b64: Buffer.from(f.bytes).toString('base64') })), modifiers);
}

// Compares the page's canvas with a PNG of the same size, decoded by the browser: the mean
// of each pixel's largest channel difference (0..255) and the share of pixels that differ by
// more than `far` in some channel. With `other` (a PNG), compares that instead of the canvas.
async function compareCanvas(page, png, far = 64, other = null) {
  return page.evaluate(async (b64, far, otherB64) => {
    const decode = async (data) => createImageBitmap(await (await fetch('data:image/png;base64,' + data)).blob());
    const scene = otherB64 ? await decode(otherB64) : document.getElementById('scene');
    const w = scene.width, h = scene.height;
    const read = (source) => {
      const c = document.createElement('canvas');
      c.width = w;
      c.height = h;
      const g = c.getContext('2d');
      g.drawImage(source, 0, 0);
      return g.getImageData(0, 0, w, h).data;
    };
    const bitmap = await decode(b64);
    if (bitmap.width !== w || bitmap.height !== h) return { size: `${bitmap.width}x${bitmap.height} vs ${w}x${h}` };
    const a = read(scene), b = read(bitmap);
    let sum = 0, farCount = 0;
    for (let i = 0; i < a.length; i += 4) {
      const d = Math.max(Math.abs(a[i] - b[i]), Math.abs(a[i + 1] - b[i + 1]), Math.abs(a[i + 2] - b[i + 2]));
      sum += d;
      if (d > far) farCount++;
    }
    return { mean: sum / (w * h), farShare: farCount / (w * h) };
  }, Buffer.from(png).toString('base64'), far, other && Buffer.from(other).toString('base64'));
}

// The canvas's pixels as a fingerprint that changes when the picture does.
async function canvasDigest(page) {
  return page.evaluate(() => document.getElementById('scene').toDataURL('image/png'));
}

// The text of a PNG's tEXt chunk named `keyword`.
function pngText(bytes, keyword) {
  for (let at = 8; at + 12 <= bytes.length;) {
    const length = bytes.readUInt32BE(at);
    const data = bytes.subarray(at + 8, at + 8 + length);
    if (bytes.toString('latin1', at + 4, at + 8) === 'tEXt' && data.toString('latin1').startsWith(keyword + '\0'))
      return data.toString('latin1').slice(keyword.length + 1);
    at += 12 + length;
  }
  return undefined;
}

// Waits for a download to land at `file`; returns its bytes.
async function downloaded(file) {
  for (let waited = 0; !fs.existsSync(file) && waited < 30000; waited += 100)
    await new Promise((r) => setTimeout(r, 100));
  return fs.readFileSync(file);
}

// Both pictures come from the same per-vertex lighting formula, meshes and matrices; what
// differs is two rasterisers (SwiftShader and llvmpipe) covering edge pixels and filtering
// textures with their own rounding. Measured here: mean 1.2 of 255, 0.5 % of pixels far off,
// all on edges. A misplaced prop, a wrong texture or a wrong light term moves several percent.
const kMeanLimit = 4;
const kFarShareLimit = 0.02;

// One server and one browser for a test file: started before its first test, closed after its
// last; `take(server, browser)` receives them.
function useBrowser(take) {
  let server, browser;
  before(async () => {
    server = await startServer();
    browser = await launchBrowser();
    take(server, browser);
  });
  after(async () => {
    if (browser) await browser.close();
    if (server) await server.close();
  });
}

// Fails unless compareCanvas's result is within the two rasterisers' agreement.
function assertSamePicture(result, what) {
  assert.ok(result.mean !== undefined, `${what}: ${result.size}`);
  assert.ok(result.mean < kMeanLimit && result.farShare < kFarShareLimit,
    `${what}: mean difference ${result.mean.toFixed(2)}, ${(100 * result.farShare).toFixed(2)} % far off`);
}

module.exports = { startServer, useBrowser, launchBrowser, openPage, nextFrame, desktopPicture, desktopRender,
  desktopReads, compareCanvas, assertSamePicture, canvasDigest, pngFile, pngText, downloaded, dropFiles, tempFolder, site, desktopBuild };
