// Figures of the browser build, printed, never judged: the site's transfer
// size per part (gzip-compressed, as a web server sends it), the first
// picture after navigation (median of 5 loads), and over 60 s of play in
// stage 1 the frame period (p50, p99) and the main thread's busy time.
//   node browser_bench.js SITE_DIR [PLAY_SECONDS]
'use strict';
const fs = require('fs');
const path = require('path');
const zlib = require('zlib');
const {serve, launch, requirePuppeteer} = require('./browser_common.js');

const [site, seconds = '60'] = process.argv.slice(2);
const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

function transferSizes() {
  const parts = {};
  const walk = (dir) => {
    for (const entry of fs.readdirSync(dir, {withFileTypes: true})) {
      const file = path.join(dir, entry.name);
      if (entry.isDirectory()) {
        walk(file);
        continue;
      }
      const part = path.relative(site, file);
      const bytes = fs.readFileSync(file);
      parts[part] = {raw: bytes.length, gzip: zlib.gzipSync(bytes, {level: 9}).length};
    }
  };
  walk(site);
  let total = 0;
  console.log('Transfer size (gzip -9):');
  for (const [part, size] of Object.entries(parts).sort()) {
    total += size.gzip;
    console.log(`  ${part.padEnd(20)} ${(size.gzip / 1024).toFixed(1).padStart(8)} KB` +
                `  (${(size.raw / 1024).toFixed(1)} KB raw)`);
  }
  console.log(`  ${'whole site'.padEnd(20)} ${(total / 1048576).toFixed(2).padStart(8)} MB  (budget 4 MB)`);
}

const percentile = (sorted, p) => sorted[Math.min(sorted.length - 1, Math.floor(p * sorted.length))];

(async () => {
  transferSizes();
  const server = await serve(site);
  const browser = await launch(requirePuppeteer());
  try {
    const firsts = [];
    for (let i = 0; i < 5; ++i) {
      const page = await browser.newPage();
      await page.goto(server.url);
      const first = await page.waitForFunction(() => KolvarPage.status.firstPicture, {timeout: 10000});
      firsts.push(await first.jsonValue());
      await page.close();
    }
    firsts.sort((a, b) => a - b);
    console.log(`First picture after navigation: median ${firsts[2].toFixed(0)} ms ` +
                `(${firsts.map((t) => t.toFixed(0)).join(', ')} ms; budget 1000 ms)`);

    const page = await browser.newPage();
    await page.goto(`${server.url}?trace`);
    const client = await page.target().createCDPSession();
    await client.send('Performance.enable');
    // Z until stage 1 runs.
    for (let i = 0; i < 100; ++i) {
      const started = await page.evaluate(() => {
        try {
          return Module.FS.readFile('/trace.jsonl', {encoding: 'utf8'}).includes('"player"');
        } catch (e) {
          return false;
        }
      });
      if (started) break;
      await page.keyboard.down('z');
      await sleep(100);
      await page.keyboard.up('z');
      await sleep(200);
    }
    await page.evaluate(() => {
      window.kolvarShows = [];
      KolvarPage.status.onShow = () => window.kolvarShows.push(performance.now());
    });
    const busy = async () => (await client.send('Performance.getMetrics')).metrics
                                  .find((m) => m.name === 'TaskDuration').value;
    const busyBefore = await busy();
    const started = Date.now();
    // The player walks right and left, a step a second, as someone playing.
    const keys = ['ArrowRight', 'ArrowLeft'];
    for (let s = 0; s < Number(seconds); ++s) {
      await page.keyboard.down(keys[s % 2]);
      await sleep(500);
      await page.keyboard.up(keys[s % 2]);
      await sleep(500);
    }
    const busyTime = (await busy()) - busyBefore;
    const wall = (Date.now() - started) / 1000;
    const shows = await page.evaluate(() => window.kolvarShows);
    const periods = shows.slice(1).map((t, i) => t - shows[i]).sort((a, b) => a - b);
    console.log(`Frame period over ${wall.toFixed(0)} s of play (${periods.length} frames): ` +
                `p50 ${percentile(periods, 0.5).toFixed(1)} ms, p99 ${percentile(periods, 0.99).toFixed(1)} ms ` +
                '(budget p50 40-42, p99 <= 50)');
    console.log(`Main-thread busy time while playing: ${(100 * busyTime / wall).toFixed(1)} % ` +
                '(budget <= 10 %)');
  } finally {
    await browser.close();
    server.stop();
  }
})().catch((error) => {
  console.error(`browser bench: ${error.stack || error}`);
  process.exit(1);
});
