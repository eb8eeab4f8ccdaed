// Figures of the browser build, printed, never judged: the site's transfer
// size per part (gzip-compressed, as scripts/web serves it) and the stage
// editor's parts together (fetched only for ?edit); for this site
// and a baseline site side by side, measured in turn in the same run, the
// bytes a visitor receives before the first key, the first non-black
// picture (the title's own black half-second included) as the median of 5
// cold loads, and the same on a slow link (Chromium's emulation of
// 1.6 Mbit/s with 150 ms latency, median of 3); then, for this site, over
// 60 s of play in stage 1 the frame period (p50, p99) and the main
// thread's busy time, and the same while the stage editor's prover
// searches in a Web Worker.
//   node browser_bench.js SITE_DIR [--baseline BASELINE_SITE_DIR] [PLAY_SECONDS]
'use strict';
const fs = require('fs');
const path = require('path');
const zlib = require('zlib');
const {serve, launch, requirePuppeteer, sleep} = require('./browser_common.js');

const args = process.argv.slice(2);
const baselineAt = args.indexOf('--baseline');
const baselineSite = baselineAt >= 0 ? args.splice(baselineAt, 2)[1] : null;
const [site, seconds = '60'] = args;
if (!site) {
  console.error('usage: node browser_bench.js SITE_DIR [--baseline BASELINE_SITE_DIR] [PLAY_SECONDS]');
  process.exit(2);
}
const kColdLoads = 5;
const kSlowLoads = 3;
const kSlowLink = {offline: false, latency: 150, downloadThroughput: 1.6e6 / 8,
                   uploadThroughput: 1.6e6 / 8};

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
  // The stage editor's parts, which the page fetches only for ?edit and
  // for a link carrying a pack.
  const editorParts = Object.keys(parts).filter((part) => /^(kolvar-editor\.|editor_page\.js)/.test(part));
  const editor = editorParts.reduce((sum, part) => sum + parts[part].gzip, 0);
  console.log(`  ${'the stage editor'.padEnd(20)} ${(editor / 1024).toFixed(1).padStart(8)} KB` +
              `  (${editorParts.sort().join(' + ')}, fetched only for ?edit; goal <= 150 KB)`);
  const game = ['kolvar.js', 'kolvar.wasm'].reduce((sum, part) => sum + (parts[part] || {gzip: 0}).gzip, 0);
  console.log(`  ${''.padEnd(20)} ${((editor - game) / 1024).toFixed(1).padStart(8)} KB` +
              '  more than the game\'s program (kolvar.js + kolvar.wasm), which it holds again');
}

const percentile = (sorted, p) => sorted[Math.min(sorted.length - 1, Math.floor(p * sorted.length))];
const median = (values) => [...values].sort((a, b) => a - b)[Math.floor(values.length / 2)];

// Notes, in the page, when a picture with anything but black in it is first
// put on a canvas: the same for any version of the page.
function watchPictures() {
  const put = CanvasRenderingContext2D.prototype.putImageData;
  window.kolvarFirstNonBlack = null;
  CanvasRenderingContext2D.prototype.putImageData = function (image, ...rest) {
    if (window.kolvarFirstNonBlack === null) {
      const data = image.data;
      for (let i = 0; i < data.length; i += 4) {
        if (data[i] | data[i + 1] | data[i + 2]) {
          window.kolvarFirstNonBlack = performance.now();
          break;
        }
      }
    }
    return put.call(this, image, ...rest);
  };
}

// One cold load (a browser of its own on a fresh profile, its cache
// switched off: nothing cached, not even compiled code) of `url`:
// milliseconds from navigation to the first non-black picture, and bytes
// received until `until` (run in the page) holds.
async function coldLoad(url, link, until) {
  const browser = await launch(requirePuppeteer());
  try {
    return await loadOnce(browser, url, link, until);
  } finally {
    await browser.close();
  }
}

async function loadOnce(browser, url, link, until) {
  const page = await browser.newPage();
  const client = await page.target().createCDPSession();
  await client.send('Network.enable');
  await client.send('Network.setCacheDisabled', {cacheDisabled: true});
  if (link) await client.send('Network.emulateNetworkConditions', link);
  let bytes = 0;
  client.on('Network.loadingFinished', (e) => { bytes += e.encodedDataLength; });
  await page.evaluateOnNewDocument(watchPictures);
  await page.goto(url);
  const first = await (await page.waitForFunction(() => window.kolvarFirstNonBlack,
                                                  {timeout: 60000, polling: 20})).jsonValue();
  if (until) await page.waitForFunction(until, {timeout: 60000, polling: 100});
  const received = bytes;
  await page.close();
  return {first, bytes: received};
}

// The title's menu is up: the trace says its music started (at the logo's
// wave), and the logo has calmed down and the floor faded in since.
function titleMenuUp() {
  let text = '';
  try {
    text = Module.FS.readFile('/trace.jsonl', {encoding: 'utf8'});
  } catch (e) {
    return false;
  }
  const at = text.indexOf('"op":"play"');
  if (at < 0) return false;
  if (!window.kolvarMenuAt) window.kolvarMenuAt = performance.now() + 1500;
  return performance.now() >= window.kolvarMenuAt;
}

async function startFigures(siteDir) {
  const server = await serve(siteDir);
  try {
    const firstKey = await coldLoad(`${server.url}?trace`, null, titleMenuUp);
    const cold = [];
    for (let i = 0; i < kColdLoads; ++i) cold.push((await coldLoad(server.url)).first);
    const slow = [];
    for (let i = 0; i < kSlowLoads; ++i) slow.push((await coldLoad(server.url, kSlowLink)).first);
    return {bytes: firstKey.bytes, cold, slow};
  } finally {
    server.stop();
  }
}

function printStart(name, figures, baseline) {
  const row = (label, value, was, goal) =>
    console.log(`  ${label.padEnd(44)} ${value.padStart(10)}${was ? `  (was ${was})` : ''}  goal ${goal}`);
  const ms = (list) => `${median(list).toFixed(0)} ms`;
  const all = (list) => list.map((t) => t.toFixed(0)).join(', ');
  console.log(`${name}:`);
  row('bytes before the first key', `${(figures.bytes / 1024).toFixed(0)} KB`,
      baseline && `${(baseline.bytes / 1024).toFixed(0)} KB`, '<= 400 KB');
  row(`first non-black picture (median of ${kColdLoads} cold loads)`, ms(figures.cold),
      baseline && ms(baseline.cold), '<= 700 ms');
  console.log(`    (${all(figures.cold)} ms${baseline ? `; was ${all(baseline.cold)} ms` : ''})`);
  row(`same on 1.6 Mbit/s, 150 ms (median of ${kSlowLoads})`, ms(figures.slow),
      baseline && ms(baseline.slow), '<= 2500 ms');
  console.log(`    (${all(figures.slow)} ms${baseline ? `; was ${all(baseline.slow)} ms` : ''})`);
}

// The player walks right and left for `seconds`, a step a second, as
// someone playing: the frame periods shown (sorted), the seconds it took
// and the main thread's busy time (%).
async function measurePlay(page, client, seconds) {
  await page.evaluate(() => {
    window.kolvarShows = [];
    KolvarPage.status.onShow = () => window.kolvarShows.push(performance.now());
  });
  const busy = async () => (await client.send('Performance.getMetrics')).metrics
                                .find((m) => m.name === 'TaskDuration').value;
  const busyBefore = await busy();
  const started = Date.now();
  const keys = ['ArrowRight', 'ArrowLeft'];
  for (let s = 0; s < seconds; ++s) {
    await page.keyboard.down(keys[s % 2]);
    await sleep(500);
    await page.keyboard.up(keys[s % 2]);
    await sleep(500);
  }
  const busyTime = (await busy()) - busyBefore;
  const wall = (Date.now() - started) / 1000;
  const shows = await page.evaluate(() => window.kolvarShows);
  const periods = shows.slice(1).map((t, i) => t - shows[i]).sort((a, b) => a - b);
  return {periods, wall, busy: 100 * busyTime / wall};
}

async function playFigures(browser) {
  const server = await serve(site);
  try {
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
    const play = await measurePlay(page, client, Number(seconds));
    console.log(`Frame period over ${play.wall.toFixed(0)} s of play (${play.periods.length} frames): ` +
                `p50 ${percentile(play.periods, 0.5).toFixed(1)} ms, p99 ${percentile(play.periods, 0.99).toFixed(1)} ms ` +
                '(budget p50 40-42, p99 <= 50)');
    console.log(`Main-thread busy time while playing: ${play.busy.toFixed(1)} % ` +
                '(budget <= 10 %)');

    // The same play while the stage editor's prover searches in a Web
    // Worker without a pause: the game's own stage 16 (its grids are the
    // build's DATA files beside the site) proved again and again.
    const data = path.join(site, '..', 'DATA');
    const hex = (name) => fs.readFileSync(path.join(data, name)).toString('hex');
    const job = `job prove\nbudget 30\nruns 50\nmap ${hex('Stage16.MAP')}\n` +
                `spawns ${hex('Stage16.IVM')}\n`;
    await page.evaluate((text) => {
      window.kolvarProofs = 0;
      const worker = new Worker('kolvar-prover.js');
      worker.onmessage = (event) => {
        if (event.data.ready || event.data.answer) worker.postMessage(text);
        if (event.data.answer) window.kolvarProofs += 1;
      };
    }, job);
    await page.waitForFunction(() => window.kolvarProofs > 0, {timeout: 120000});
    const proving = await measurePlay(page, client, Number(seconds));
    const proofs = await page.evaluate(() => window.kolvarProofs);
    console.log(`Frame period over ${proving.wall.toFixed(0)} s of play while the prover searches ` +
                `in a Web Worker (${proving.periods.length} frames, ${proofs} proofs of stage 16 ` +
                `in all): p50 ${percentile(proving.periods, 0.5).toFixed(1)} ms, ` +
                `p99 ${percentile(proving.periods, 0.99).toFixed(1)} ms, ` +
                `${(proving.periods.length / proving.wall).toFixed(1)} frames/s ` +
                `(goal >= 24); main-thread busy ${proving.busy.toFixed(1)} %`);
  } finally {
    server.stop();
  }
}

(async () => {
  transferSizes();
  const browser = await launch(requirePuppeteer());
  try {
    // In turn: the baseline first, then this site, on the same browser.
    const baseline = baselineSite ? await startFigures(baselineSite) : null;
    const figures = await startFigures(site);
    console.log('The start, served with gzip, each load cold (nothing cached):');
    if (baseline) printStart(`  baseline (${baselineSite})`, baseline);
    printStart(`  this build (${site})`, figures, baseline);
    if (Number(seconds) > 0) await playFigures(browser);
  } finally {
    await browser.close();
  }
})().catch((error) => {
  console.error(`browser bench: ${error.stack || error}`);
  process.exit(1);
});
