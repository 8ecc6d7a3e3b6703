// The page's scenes and undo: "Open scene…" and a Shift-drop restore a Tolvane picture's scene
// through the core's reader and its refusals, the address follows, and the keys undo and redo
// a checkbox, a typed value and a drag. Run by `make test` (node --test).
'use strict';

const assert = require('node:assert/strict');
const fs = require('fs');
const path = require('path');
const { test } = require('node:test');
const h = require('./harness');

let server, browser;
h.useBrowser((s, b) => { server = s; browser = b; });

const args = (page) => page.evaluate(() => window.tolvane.args());
const messages = (page) => page.$eval('#messages', (e) => e.textContent);
const waitForArgs = (page, pattern, negate = false) => page.waitForFunction(
  (source, no) => new RegExp(source).test(window.tolvane.args()) !== no, { timeout: 20000 },
  pattern.source, negate);

// A 1x1 PNG carrying `text` as its Tolvane arguments (no CRC: the reader does not need one).
function pictureCarrying(text) {
  const png = h.pngFile(1, 1, () => [9, 9, 9, 255]);
  const data = Buffer.from('Tolvane arguments\0' + text, 'latin1');
  const head = Buffer.alloc(8);
  head.writeUInt32BE(data.length);
  head.write('tEXt', 4, 'latin1');
  return Buffer.concat([png.subarray(0, 33), head, data, Buffer.alloc(4), png.subarray(33)]);
}

test('"Open scene…" and a Shift-drop restore a picture\'s scene, with the same refusals', async () => {
  const settings = ['spinGlobe=0', 'crazyVase=1', 'rotation=10,45,0', 'zoom=1.3'];
  const picture = h.desktopPicture(500, settings);
  const file = path.join(h.tempFolder(), 'old.png');
  fs.writeFileSync(file, picture);

  const page = await h.openPage(browser, server.url, 'spinGlobe=0');
  const frames = await page.evaluate(() => window.tolvane.framesDrawn());
  await (await page.$('#scenefile')).uploadFile(file);
  await waitForArgs(page, /crazyVase=1/);
  const search = await page.evaluate(() => window.location.search);
  const query = new URLSearchParams(search);
  assert.equal(query.get('crazyVase'), '1');
  assert.equal(query.get('zoom'), '1.3');
  assert.deepEqual(query.get('rotation').split(',').map(Number), [10, 45, 0]);
  await h.nextFrame(page, frames);
  const same = await h.compareCanvas(page, picture);
  assert.ok(same.mean < 4 && same.farShare < 0.02, JSON.stringify(same));

  // A crafted picture: nothing of it is taken, and the message says why.
  const before = await args(page);
  await h.dropFiles(page, [{ name: 'crafted.png', bytes: pictureCarrying('--set zoom=2 --output-dir /tmp') }],
    { shiftKey: true });
  await page.waitForFunction(() => /crafted\.png: refused --output-dir/.test(
    document.getElementById('messages').textContent), { timeout: 20000 });
  await h.dropFiles(page, [{ name: 'plain.png', bytes: h.pngFile(1, 1, () => [1, 2, 3, 255]) }],
    { shiftKey: true });
  await page.waitForFunction(() => /plain\.png: it is a PNG without Tolvane arguments/.test(
    document.getElementById('messages').textContent), { timeout: 20000 });
  assert.equal(await args(page), before);
  assert.deepEqual(page.errors, []);
  await page.close();
});

test('undo and redo a checkbox, a typed value and a drag', async () => {
  const page = await h.openPage(browser, server.url, 'spinGlobe=0');
  const labels = await page.$$eval('#controls label', (all) => all.map((l) => l.textContent));
  const crazy = labels.indexOf('Crazy Vase');
  const steps = labels.indexOf('Number of vertical steps for vase (greater the better)');
  const ctrl = async (key, shift = false) => {
    await page.keyboard.down('Control');
    if (shift) await page.keyboard.down('Shift');
    await page.keyboard.press(key);
    if (shift) await page.keyboard.up('Shift');
    await page.keyboard.up('Control');
  };

  await page.click(`#control${crazy}`);
  await waitForArgs(page, /crazyVase=1/);
  await page.focus('#scene');
  await ctrl('z');
  await waitForArgs(page, /crazyVase=0/);
  assert.equal(await page.$eval(`#control${crazy}`, (e) => e.checked), false);
  await ctrl('y');
  await waitForArgs(page, /crazyVase=1/);

  await page.click(`#control${steps}`, { clickCount: 3 });
  await page.keyboard.type('12');
  await page.keyboard.press('Enter');
  await waitForArgs(page, /vaseVerticalSteps=12 /);
  await page.focus('#scene');
  await ctrl('z');
  await waitForArgs(page, /vaseVerticalSteps=100 /);
  assert.equal(await page.$eval(`#control${steps}`, (e) => e.value), '100');
  await ctrl('z', true);
  await waitForArgs(page, /vaseVerticalSteps=12 /);

  // A drag of many moves is one step.
  const box = await (await page.$('#scene')).boundingBox();
  await page.mouse.move(box.x + 100, box.y + 250);
  await page.mouse.down();
  for (let k = 1; k <= 10; k++) await page.mouse.move(box.x + 100 + 20 * k, box.y + 250);
  await page.mouse.up();
  await waitForArgs(page, /rotation=0,0,0/, true);
  await ctrl('z');
  await waitForArgs(page, /rotation=0,0,0/);
  assert.match(await args(page), /vaseVerticalSteps=12 .*crazyVase=1|crazyVase=1.*vaseVerticalSteps=12 /);
  await ctrl('y');
  await waitForArgs(page, /rotation=0,0,0/, true);
  assert.deepEqual(page.errors, []);
  await page.close();
});

test('the core\'s key table on the page, and "Copy link" opening the same scene on the desktop', async () => {
  const page = await h.openPage(browser, server.url, 'spinGlobe=0');
  const listed = await page.$$eval('#keyRows dt', (all) => all.map((d) => d.textContent));
  for (const keys of ['c / s', 'y', 'm', 'n', 'l', 'r', 'Ctrl+Z', 'Ctrl+Y', 'F1 / h', 'Tab'])
    assert.ok(listed.includes(keys), keys);
  assert.ok(!listed.includes('p') && !listed.includes('q / Esc'), 'keys only the window has');

  // Keys do what their rows say, each an undo step of its own; Ctrl+letters pass through.
  await page.focus('#scene');
  await page.keyboard.press('s');
  await waitForArgs(page, /cylindricalProjection=0/);
  await page.keyboard.press('m');
  await waitForArgs(page, /showMesh=1/);
  await page.keyboard.down('Control');
  await page.keyboard.press('z');
  await page.keyboard.up('Control');
  await waitForArgs(page, /showMesh=1/, true);
  assert.match(await args(page), /cylindricalProjection=0/);
  await page.keyboard.press('h');
  await page.waitForSelector('#keyList:not([hidden])');

  // A turning view's link turns (a picture leaves the turn out), and the desktop opens it.
  await page.keyboard.press('y');
  await page.click('#link');
  await page.waitForFunction(() => /spinY=1/.test(window.location.search), { timeout: 20000 });
  const link = await page.evaluate(() => window.location.href);
  const expected = [...new URL(link).searchParams].filter(([name]) => name !== 'spinY')
    .map(([name, value]) => `--set ${name}=${value}`).join(' ');
  const picture = h.desktopRender(['--scene', link]);
  assert.equal(h.pngText(picture, 'Tolvane arguments'), expected);
  assert.deepEqual(page.errors, []);
  await page.close();
});
