// The page's figures in headless Chromium: time from opening to the first frame, and ms per
// frame while the globe turns, at the defaults and at 1000 x 1000 vase steps.
// Run after `make web`: node bench/page_bench.js [starts]
'use strict';

const h = require('../tests/web/harness');

async function main() {
  const starts = Number(process.argv[2] || 3);
  const server = await h.startServer();
  const browser = await h.launchBrowser();
  const median = (v) => [...v].sort((a, b) => a - b)[Math.floor(v.length / 2)];
  for (const [name, query] of [['defaults', ''], ['1000 x 1000', 'vaseVerticalSteps=1000&vaseRadialSteps=1000']]) {
    const firstFrame = [], perFrame = [];
    for (let i = 0; i < starts; i++) {
      const t0 = Date.now();
      const page = await h.openPage(browser, server.url, query);
      firstFrame.push(Date.now() - t0);
      // Frames drawn over five seconds of the globe turning.
      const n0 = await page.evaluate(() => window.tolvane.framesDrawn());
      const t1 = Date.now();
      await new Promise((r) => setTimeout(r, 5000));
      const n1 = await page.evaluate(() => window.tolvane.framesDrawn());
      perFrame.push((Date.now() - t1) / Math.max(1, n1 - n0));
      if (page.errors.length) console.log(page.errors);
      await page.close();
    }
    const f = (v) => `median ${median(v).toFixed(0)} (${Math.min(...v).toFixed(0)}..${Math.max(...v).toFixed(0)})`;
    console.log(`${name}: first frame ms ${f(firstFrame)}; ms per frame ${f(perFrame)}`);
  }
  await browser.close();
  await server.close();
}
main();
