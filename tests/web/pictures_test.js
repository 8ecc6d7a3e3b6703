// The page's shadows on the table and its transparent background: the same pictures as the
// desktop's, the checkerboard on the canvas only, never in a saved picture.
'use strict';

const assert = require('node:assert/strict');
const path = require('node:path');
const { test } = require('node:test');
const h = require('./harness');

let server, browser;
h.useBrowser((s, b) => { server = s; browser = b; });

// A light to the side and above, so the shadows fall where the camera sees them.
const sideLight = 'lightPosition=0.3,1,-0.6';

test('shadows on the table are drawn as the desktop draws them', async () => {
  const page = await h.openPage(browser, server.url, `spinGlobe=0&shadows=1&${sideLight}`);
  h.assertSamePicture(await h.compareCanvas(page, h.desktopPicture(500, ['spinGlobe=0', 'shadows=1', sideLight])),
    'shadows');
  // Against the picture without them the table's shaded part stands out.
  const without = await h.compareCanvas(page, h.desktopPicture(500, ['spinGlobe=0', sideLight]), 24);
  assert.ok(without.farShare > 0.01, JSON.stringify(without));
  assert.deepEqual(page.errors, []);
  await page.close();
});

test('a transparent background shows a checkerboard, and the saved picture is transparent there', async () => {
  const page = await h.openPage(browser, server.url, 'spinGlobe=0&transparentBackground=1');
  const corner = await page.evaluate(() => {
    const c = document.createElement('canvas');
    c.width = c.height = 40;
    const g = c.getContext('2d');
    g.drawImage(document.getElementById('scene'), 0, 0);
    return [g.getImageData(4, 4, 1, 1).data[0], g.getImageData(20, 4, 1, 1).data[0]];
  });
  assert.notEqual(corner[0], corner[1], `the corner's two squares: ${corner}`);

  const folder = h.tempFolder();
  const session = await page.createCDPSession();
  await session.send('Browser.setDownloadBehavior', { behavior: 'allow', downloadPath: folder });
  await page.click('#save');
  const saved = await h.downloaded(path.join(folder, 'tolvane-001.png'));
  assert.match(h.pngText(saved, 'Tolvane arguments'), /--set transparentBackground=1/);
  const alpha = await page.evaluate(async (b64) => {
    const bitmap = await createImageBitmap(await (await fetch('data:image/png;base64,' + b64)).blob(),
      { premultiplyAlpha: 'none' });
    const c = document.createElement('canvas');
    c.width = bitmap.width;
    c.height = bitmap.height;
    const g = c.getContext('2d');
    g.drawImage(bitmap, 0, 0);
    return [g.getImageData(2, 2, 1, 1).data[3], g.getImageData(330, 290, 1, 1).data[3]];
  }, saved.toString('base64'));
  assert.deepEqual(alpha, [0, 255], 'alpha in the corner and on the table');
  // Where drawn, the desktop's transparent picture (both read with their alpha).
  const desktop = h.desktopPicture(500, ['spinGlobe=0', 'transparentBackground=1']);
  h.assertSamePicture(await h.compareCanvas(page, desktop, 64, saved), 'saved transparent picture');
  assert.deepEqual(page.errors, []);
  await page.close();
});
