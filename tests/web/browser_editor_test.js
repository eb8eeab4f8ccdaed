// The stage editor in a real browser (Debian's Chromium, headless): a stage
// drawn with keys, the mouse and touches on the canvas, its title typed,
// saved into the page's storage, play-tested and back; the page reloaded
// finds the pack kept, lists it with the stage sets and plays it.
//   node browser_editor_test.js SITE_DIR [SHOTS_DIR]
'use strict';
const path = require('path');
const {serve, launch, requirePuppeteer} = require('./browser_common.js');

const [site, shots] = process.argv.slice(2);
if (!site) {
  console.error('usage: node browser_editor_test.js SITE_DIR [SHOTS_DIR]');
  process.exit(2);
}
const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));
let failures = 0;
function check(ok, what) {
  console.log(`${ok ? 'ok  ' : 'FAIL'} ${what}`);
  if (!ok) failures += 1;
  return ok;
}

async function waitFor(what, condition, ms) {
  const until = Date.now() + ms;
  while (Date.now() < until) {
    const value = await condition();
    if (value) return value;
    await sleep(100);
  }
  throw new Error(`timed out waiting for ${what}`);
}

async function trace(page) {
  return page.evaluate(() => {
    try {
      return Module.FS.readFile('/trace.jsonl', {encoding: 'utf8'});
    } catch (e) {
      return '';
    }
  });
}

// The page's point over the picture's pixel (x, y): the canvas is scaled.
async function pointOf(page, x, y) {
  const box = await (await page.$('#screen')).boundingBox();
  return [box.x + (x + 0.5) * box.width / 320, box.y + (y + 0.5) * box.height / 240];
}

async function click(page, x, y) {
  const [px, py] = await pointOf(page, x, y);
  await page.mouse.click(px, py);
  await sleep(150);
}

async function tap(page, x, y) {
  const [px, py] = await pointOf(page, x, y);
  await page.touchscreen.tap(px, py);
  await sleep(150);
}

async function press(page, key, times = 1) {
  for (let i = 0; i < times; ++i) {
    await page.keyboard.press(key);
    await sleep(100);
  }
}

async function main() {
  const puppeteer = requirePuppeteer();
  const server = await serve(site);
  const browser = await launch(puppeteer);
  try {
    const page = await browser.newPage();
    await page.setViewport({width: 1000, height: 800, hasTouch: true});
    await page.goto(`${server.url}?edit=web-halls&trace`);
    await waitFor('the editor', () => page.evaluate(() => typeof Module !== 'undefined' &&
                                                         Module.calledRun === true), 20000);
    await sleep(1500);
    await page.bringToFront();  // keys go to the page's window

    // The key chest by its key and the arrows, at column 13 row 11.
    await press(page, 'K');
    await press(page, 'ArrowRight', 12);
    await press(page, 'ArrowDown', 10);
    await press(page, 'Enter');
    // The exit door by the mouse: the palette, the overview, the map.
    await click(page, 268, 88);
    await click(page, 231, 25);
    await click(page, 88, 102);
    // A slime by touch at column 15 row 8.
    await tap(page, 268, 136);
    await tap(page, 211, 31);
    await tap(page, 88, 102);
    // The title.
    await press(page, 't');
    await press(page, 'Backspace', 7);
    await page.keyboard.type('Web Hall', {delay: 60});
    await press(page, 'Enter');
    await press(page, 'w');
    await sleep(300);
    check(await page.$eval('#touch', (e) => e.hidden),
          'the touch controls step aside while the editor takes the touches');
    if (shots) await page.screenshot({path: path.join(shots, 'editor.png')});

    const kept = await page.evaluate(() => localStorage.getItem('kolvar.pack.web-halls'));
    check(kept !== null, 'the pack is kept in the page\'s storage');
    const stage = (kept || '').split('file stage01.txt')[1] || '';
    const rows = stage.split('\n').slice(3);  // after the file line, title and map:
    check(stage.includes('title: Web Hall'), 'the title typed is the stage\'s');
    check(rows[11] && rows[11][13] === 'K', 'the key chest drawn with keys');
    check(rows[5] && rows[5][25] === 'E', 'the exit door drawn with the mouse');
    check(rows[8] && rows[8][15] === '1', 'the slime drawn with a touch');

    // The play-test, and Esc back to the editor.
    await press(page, 'v');
    await waitFor('the play-test', async () => (await trace(page)).includes('"event":"stage"'),
                  10000).catch(() => false);
    check((await trace(page)).includes('"event":"stage"'), 'v plays the stage');
    check(!(await page.$eval('#touch', (e) => e.hidden)), 'the play-test has its touch controls');
    if (shots) await page.screenshot({path: path.join(shots, 'play-test.png')});
    await sleep(2500);
    await press(page, 'Escape');
    await sleep(500);

    // A fresh start of the page: the pack is listed and plays.
    await page.goto(`${server.url}?stages=web-halls&trace`);
    await waitFor('the page', () => page.evaluate(() => typeof Module !== 'undefined' &&
                                                       Module.calledRun === true), 20000);
    await sleep(1000);
    const links = await page.$$eval('#sets a, #sets b', (all) => all.map((e) => e.textContent));
    check(links.includes('web-halls'), `the pack is listed with the sets (${links.join(', ')})`);
    check(links.includes('Edit stages'), 'the page links to the editor');
    const message = await page.$eval('#message', (e) => e.textContent);
    check(message === '', `the kept pack plays (${message || 'no fault'})`);
  } finally {
    await browser.close();
    server.stop();
  }
  if (failures > 0) {
    console.log(`${failures} browser editor check(s) failed`);
    process.exit(1);
  }
  console.log('browser editor checks: all passed');
}

main().catch((error) => {
  console.error(error);
  process.exit(1);
});
