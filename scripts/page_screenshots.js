// Screenshots of the page at 1400 x 1000, 800 x 600 and a 390 x 844 phone (touch, pixel ratio
// 3, saved at 1x), taken with the page tests' browser and server, into docs/ (256 colours).
// Usage: TOLVANE_SITE=build-web/site node scripts/page_screenshots.js [OUT_DIR]
'use strict';

const path = require('path');
const { execFileSync } = require('child_process');
const h = require('../tests/web/harness');

const sizes = [
  ['page-1400x1000.png', { width: 1400, height: 1000 }],
  ['page-800x600.png', { width: 800, height: 600 }],
  ['page-390x844.png', { width: 390, height: 844, deviceScaleFactor: 3, isMobile: true, hasTouch: true }],
];

(async () => {
  const out = path.resolve(process.argv[2] || path.join(__dirname, '../docs'));
  const server = await h.startServer();
  const browser = await h.launchBrowser();
  try {
    for (const [name, viewport] of sizes) {
      // The globe held still, so that the pictures do not change from run to run.
      const page = await h.openPage(browser, server.url, 'spinGlobe=0&rotation=10,30,0', viewport);
      if (viewport.deviceScaleFactor) await page.setViewport({ ...viewport, deviceScaleFactor: 1 });
      await new Promise((r) => setTimeout(r, 500));
      const file = path.join(out, name);
      await page.screenshot({ path: file });
      // 256 colours keep them small; netpbm is already needed by the page's build.
      execFileSync('sh', ['-c', 'pngtopnm "$1" | pnmquant 256 2>/dev/null | pnmtopng -compression 9 > "$1.tmp" && mv "$1.tmp" "$1"',
        'sh', file]);
      await page.close();
      console.log(path.join(out, name));
    }
  } finally {
    await browser.close();
    await server.close();
  }
})();
