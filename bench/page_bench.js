// The page's figures in headless Chromium: time from opening to the first frame, and ms per
// frame while the globe turns, at the defaults and at 1000 x 1000 vase steps (there also with
// every frame whole, without and with the overlays); then how long a
// checkbox click takes to show while the view turns about y at 1000 x 1000.
// Run after `make web`: node bench/page_bench.js [starts] [another built site, to compare]
'use strict';

const h = require('../tests/web/harness');

const median = (v) => [...v].sort((a, b) => a - b)[Math.floor(v.length / 2)];
const f = (v) => `median ${median(v).toFixed(0)} (${Math.min(...v).toFixed(0)}..${Math.max(...v).toFixed(0)})`;

const big = 'vaseVerticalSteps=1000&vaseRadialSteps=1000';
async function frames(browser, url, starts) {
  for (const [name, query, whole] of [['defaults', ''], ['1000 x 1000', big],
    ['1000 x 1000, whole frames', big, true],
    ['1000 x 1000, whole frames with all three overlays', big + '&showMesh=1&showNormals=1&showLight=1', true]]) {
    const firstFrame = [], perFrame = [];
    for (let i = 0; i < starts; i++) {
      const t0 = Date.now();
      const page = await h.openPage(browser, url, query);
      firstFrame.push(Date.now() - t0);
      if (whole) await page.evaluate(() => window.tolvane.keptPicture(false));
      // Frames drawn over five seconds of the globe turning.
      const n0 = await page.evaluate(() => window.tolvane.framesDrawn());
      const t1 = Date.now();
      await new Promise((r) => setTimeout(r, 5000));
      const n1 = await page.evaluate(() => window.tolvane.framesDrawn());
      perFrame.push((Date.now() - t1) / Math.max(1, n1 - n0));
      if (page.errors.length) console.log(page.errors);
      await page.close();
    }
    console.log(`${name}: first frame ms ${f(firstFrame)}; ms per frame ${f(perFrame)}`);
  }
}

// Three clicks on the first checkbox, a second apart, each timed from the click until the page
// has been drawn with the box in its new state, with the view turning about y over a 1000 x 1000 crazy vase.
async function clickAnswers(browser, url) {
  const page = await h.openPage(browser, url,
    big + '&crazyVase=1&spinY=1');
  const box = '#controls input[type=checkbox]';
  const ms = [], frameMs = [];
  for (let i = 0; i < 3; i++) {
    await new Promise((r) => setTimeout(r, 1000));
    const cost = (await page.$eval('#status', (e) => e.textContent)).match(/last frame ([\d.]+) ms/);
    if (cost) frameMs.push(Number(cost[1]));
    const before = await page.$eval(box, (b) => b.checked);
    const t0 = Date.now();
    await page.click(box);
    await page.waitForFunction((s, b) => document.querySelector(s).checked !== b,
      { polling: 5, timeout: 120000 }, box, before);
    // Shown: the browser has produced a frame of the page after the change (two animation
    // frames), which waits when the GPU is busy with the scene.
    await page.evaluate(() => new Promise((r) => requestAnimationFrame(() => requestAnimationFrame(r))));
    ms.push(Date.now() - t0);
  }
  await page.close();
  return { ms, frameMs };
}

async function main() {
  const starts = Number(process.argv[2] || 3);
  const other = process.argv[3];
  const browser = await h.launchBrowser();
  const servers = [await h.startServer()];
  if (other) servers.push(await h.startServer(other));
  if (!process.env.CLICKS_ONLY) await frames(browser, servers[0].url, starts);
  // Alternating the two sites, so that drift in the machine's load hits both alike.
  const clicks = servers.map(() => []), frameMs = servers.map(() => []);
  for (let i = 0; i < starts; i++)
    for (let k = 0; k < servers.length; k++) {
      const s = i % 2 ? servers.length - 1 - k : k;
      const r = await clickAnswers(browser, servers[s].url);
      clicks[s].push(...r.ms);
      frameMs[s].push(...r.frameMs);
    }
  servers.forEach((server, s) => console.log(`${s ? other : 'this build'}: while the view turns at 1000 x 1000, ` +
    `a checkbox click shows in ms ${f(clicks[s])}; a frame costs ms ${f(frameMs[s])}`));
  await browser.close();
  for (const s of servers) await s.close();
}
main();
