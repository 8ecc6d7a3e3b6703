// Shared by the page's tests: a static server for the built site, headless Chromium through
// puppeteer-core, the desktop's `tolvane --render`, and picture comparison in the browser.
'use strict';

const fs = require('fs');
const http = require('http');
const os = require('os');
const path = require('path');
const { execFileSync } = require('child_process');
const puppeteer = require('puppeteer-core');

const root = path.resolve(__dirname, '../..');
const site = process.env.TOLVANE_SITE || path.join(root, 'build-web/site');
const desktopBuild = process.env.TOLVANE_BUILD || path.join(root, 'build');

const types = { '.html': 'text/html', '.js': 'text/javascript', '.wasm': 'application/wasm',
  '.png': 'image/png', '.jpg': 'image/jpeg', '.txt': 'text/plain' };

// Serves the site on 127.0.0.1 at a free port; resolves to { url, close }.
function startServer() {
  const server = http.createServer((req, res) => {
    const name = decodeURIComponent(new URL(req.url, 'http://x').pathname).replace(/^\/+/, '') || 'index.html';
    const file = path.join(site, path.normalize(name));
    if (!file.startsWith(site) || !fs.existsSync(file) || fs.statSync(file).isDirectory()) {
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
      '--disable-gpu-vsync', '--force-device-scale-factor=1'],
  });
}

// Opens the page with `query` in a 860 x 500 window (a 500 x 500 canvas beside the panel)
// and waits for its first frame. Page errors are collected in page.errors.
async function openPage(browser, url, query = '') {
  const page = await browser.newPage();
  page.errors = [];
  page.on('pageerror', (e) => page.errors.push(e.message));
  await page.setViewport({ width: 860, height: 500 });
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
  const out = path.join(fs.mkdtempSync(path.join(os.tmpdir(), 'tolvane-web-')), 'desktop.png');
  const args = ['--render', out, '--size', `${size}x${size}`];
  for (const s of settings) args.push('--set', s);
  execFileSync(path.join(desktopBuild, 'tolvane'), [...args, 'textureList.txt'],
    { cwd: path.join(desktopBuild, 'assets'), stdio: 'ignore' });
  return fs.readFileSync(out);
}

// Compares the page's canvas with a PNG of the same size, decoded by the browser: the mean
// of each pixel's largest channel difference (0..255) and the share of pixels that differ by
// more than `far` in some channel.
async function compareCanvas(page, png, far = 64) {
  return page.evaluate(async (b64, far) => {
    const scene = document.getElementById('scene');
    const w = scene.width, h = scene.height;
    const read = (source) => {
      const c = document.createElement('canvas');
      c.width = w;
      c.height = h;
      const g = c.getContext('2d');
      g.drawImage(source, 0, 0);
      return g.getImageData(0, 0, w, h).data;
    };
    const bitmap = await createImageBitmap(await (await fetch('data:image/png;base64,' + b64)).blob());
    if (bitmap.width !== w || bitmap.height !== h) return { size: `${bitmap.width}x${bitmap.height} vs ${w}x${h}` };
    const a = read(scene), b = read(bitmap);
    let sum = 0, farCount = 0;
    for (let i = 0; i < a.length; i += 4) {
      const d = Math.max(Math.abs(a[i] - b[i]), Math.abs(a[i + 1] - b[i + 1]), Math.abs(a[i + 2] - b[i + 2]));
      sum += d;
      if (d > far) farCount++;
    }
    return { mean: sum / (w * h), farShare: farCount / (w * h) };
  }, Buffer.from(png).toString('base64'), far);
}

// The canvas's pixels as a fingerprint that changes when the picture does.
async function canvasDigest(page) {
  return page.evaluate(() => document.getElementById('scene').toDataURL('image/png'));
}

module.exports = { startServer, launchBrowser, openPage, nextFrame, desktopPicture, compareCanvas,
  canvasDigest, site };
