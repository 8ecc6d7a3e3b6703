// The page's views and gestures: the standard views from a named menu, a two-finger pinch as one
// undo step that neither scrolls nor zooms the page, and a still globe for reduced motion.
'use strict';

const assert = require('node:assert/strict');
const { test } = require('node:test');
const h = require('./harness');

let server, browser;
h.useBrowser((s, b) => { server = s; browser = b; });

const setting = (page, name) => page.evaluate((n) =>
  (window.tolvane.args().match(new RegExp(`${n}=([^ ']+)`)) || [])[1], name);

test('the standard views are a named menu reachable by keyboard, and each is an undo step', async () => {
  const page = await h.openPage(browser, server.url, 'spinGlobe=0');
  const named = await page.$eval('#view', (e) => e.getAttribute('aria-label'));
  assert.equal(named, 'Standard view');
  const options = await page.$$eval('#view option', (all) => all.map((o) => o.textContent));
  assert.deepEqual(options, ['View…', 'Front (1)', 'Back (Ctrl+1)', 'Right (3)', 'Left (Ctrl+3)',
    'Top (7)', 'Bottom (Ctrl+7)']);
  // From the keyboard: Tab reaches the menu, and choosing an entry turns the view.
  await page.focus('#reset');
  await page.keyboard.press('Tab');
  assert.equal(await page.evaluate(() => document.activeElement.id), 'view');
  await page.select('#view', '4');
  await page.waitForFunction(() => !/rotation=0,0,0/.test(window.tolvane.args()), { timeout: 20000 });
  const top = await setting(page, 'rotation');
  await page.focus('#scene');
  await page.keyboard.press('1');
  await page.waitForFunction((r) => !window.tolvane.args().includes(`rotation=${r}`), { timeout: 20000 }, top);
  await page.keyboard.down('Control');
  await page.keyboard.press('z');
  await page.keyboard.up('Control');
  await page.waitForFunction((r) => window.tolvane.args().includes(`rotation=${r}`), { timeout: 20000 }, top);
  assert.equal(await setting(page, 'zoom'), '1');
  assert.deepEqual(page.errors, []);
  await page.close();
});

test('two fingers pinch the zoom in one undo step; reduced motion starts the globe still', async () => {
  const page = await h.openPage(browser, server.url, '', { isMobile: true, hasTouch: true },
    [{ name: 'prefers-reduced-motion', value: 'reduce' }]);
  assert.equal(await setting(page, 'spinGlobe'), '0');
  assert.match(await page.$eval('#messages', (e) => e.textContent), /Spin Globe/);

  const box = await (await page.$('#scene')).boundingBox();
  const cx = box.x + box.width / 2, cy = box.y + box.height / 2;
  const client = await page.target().createCDPSession();
  const fingers = (d) => [{ x: cx - d, y: cy, id: 0 }, { x: cx + d, y: cy, id: 1 }];
  await client.send('Input.dispatchTouchEvent', { type: 'touchStart', touchPoints: fingers(40) });
  for (let d = 50; d <= 80; d += 10)
    await client.send('Input.dispatchTouchEvent', { type: 'touchMove', touchPoints: fingers(d) });
  await client.send('Input.dispatchTouchEvent', { type: 'touchEnd', touchPoints: [] });
  // Spread to twice the span: half the zoom, within its limits; the page itself stays put.
  await page.waitForFunction(() => /zoom=0\.5 /.test(window.tolvane.args()), { timeout: 20000 });
  assert.deepEqual(await page.evaluate(() => [window.scrollX, window.scrollY, window.visualViewport.scale]),
    [0, 0, 1]);
  await page.focus('#scene');
  await page.keyboard.down('Control');
  await page.keyboard.press('z');
  await page.keyboard.up('Control');
  await page.waitForFunction(() => /zoom=1 /.test(window.tolvane.args()), { timeout: 20000 });
  assert.deepEqual(page.errors, []);
  await page.close();
});
