// The game in a real browser: Debian's Chromium, headless, loads the served
// site and plays it as a person would, with keys and with touches. The
// page's address asks for the game's trace (?trace), which the checks read
// from the page's memory: the same lines the native game writes.
//   node browser_test.js SITE_DIR KOLVAR_HEADLESS_JS [SHOTS_DIR]
// SHOTS_DIR receives pictures of the title menu, stage 1, the pause, the
// title with a hi-score earned in play and the touch controls, and (from
// page_checks.js) the page loading, a failed load and a phone.
'use strict';
const path = require('path');
const fs = require('fs');
const os = require('os');
const {execFileSync} = require('child_process');
const {serve, launch, requirePuppeteer, sleep, checker} = require('./browser_common.js');
const {pngPixels} = require('./png_pixels.js');
const {pageChecks} = require('./page_checks.js');

const [site, headlessJs, shots] = process.argv.slice(2);
if (!site || !headlessJs) {
  console.error('usage: node browser_test.js SITE_DIR KOLVAR_HEADLESS_JS [SHOTS_DIR]');
  process.exit(2);
}
const {check, failed} = checker();

// The title menu's logo and hi-score line (the picture's top 76 rows) from
// the headless program: the pixels that shots of the menu agree on while the
// floor under them scrolls through all its places (2 pixels a frame, 32 a
// turn: 16 frames, shot over 1.3 s). The hi-score is 0, or `hiscore` kept in
// a hi-score file.
function titleReference(hiscore) {
  const work = fs.mkdtempSync(path.join(os.tmpdir(), 'kolvar-title-'));
  const times = Array.from({length: 32}, (_, i) => 8000 + 40 * i);
  const args = ['--quit-at', '9500', '--root', path.dirname(headlessJs)];
  if (hiscore !== undefined) {
    fs.writeFileSync(`${work}/hiscore`, `kolvar hiscore\n${hiscore}\n`);
    args.push('--hiscore-file', `${work}/hiscore`);
  }
  for (const t of times) args.push('--shot', `${t}:${work}/${t}.png`);
  execFileSync('node', [headlessJs, ...args]);
  const pictures = times.map((t) => pngPixels(`${work}/${t}.png`).rgb);
  fs.rmSync(work, {recursive: true, force: true});
  const [a] = pictures;
  const still = [];
  for (let i = 0; i < 320 * 76 * 3; i += 3) {
    const same = pictures.every((p) => p[i] === a[i] && p[i + 1] === a[i + 1] && p[i + 2] === a[i + 2]);
    if (same && a[i] + a[i + 1] + a[i + 2] > 0) still.push([i / 3, a[i], a[i + 1], a[i + 2]]);
  }
  return still;
}

// What the first play frame of stage 1 shows of the stage: the player's
// place and each enemy's kind, from a trace's lines.
function stageStart(lines) {
  const frame = lines.find((line) => line.player && line.stage === 1);
  return frame && JSON.stringify({player: frame.player.slice(0, 2),
                                  enemies: frame.enemies.map(([i, kind]) => [i, kind])});
}

// stageStart of the headless program's game, Z pressed at the title,
// with `options` (e.g. --stages deep-halls).
function headlessStageStart(options) {
  const work = fs.mkdtempSync(path.join(os.tmpdir(), 'kolvar-start-'));
  const keys = Array.from({length: 40}, (_, i) => `${100 + 200 * i} z ${i % 2 ? 'up' : 'down'}`);
  fs.writeFileSync(`${work}/keys.in`, keys.join('\n') + '\n');
  execFileSync('node', [headlessJs, ...options, '--root', path.dirname(headlessJs), '--input',
                        `${work}/keys.in`, '--trace', `${work}/trace.jsonl`, '--quit-at', '12000']);
  const lines = fs.readFileSync(`${work}/trace.jsonl`, 'utf8').split('\n').filter((l) => l)
                    .map((l) => JSON.parse(l));
  fs.rmSync(work, {recursive: true, force: true});
  return stageStart(lines);
}

async function canvasPixels(page) {
  return page.evaluate(() => {
    const canvas = document.getElementById('screen');
    return Array.from(canvas.getContext('2d').getImageData(0, 0, 320, 240).data);
  });
}

async function traceLines(page) {
  const text = await page.evaluate(() => {
    try {
      return Module.FS.readFile('/trace.jsonl', {encoding: 'utf8'});
    } catch (e) {
      return '';
    }
  });
  return text.split('\n').filter((line) => line).map((line) => JSON.parse(line));
}

const frames = (lines) => lines.filter((line) => line.player);

// The trace's last play frame, picked out in the page: copying the whole
// trace out at every look would take the page's thread from the game.
async function lastFrame(page) {
  return page.evaluate(() => {
    let text = '';
    try {
      text = Module.FS.readFile('/trace.jsonl', {encoding: 'utf8'});
    } catch (e) {
      return undefined;
    }
    const at = text.lastIndexOf('"player"');
    if (at < 0) return undefined;
    const end = text.indexOf('\n', at);
    return JSON.parse(text.slice(text.lastIndexOf('\n', at) + 1, end < 0 ? text.length : end));
  });
}

async function waitFor(what, condition, ms, every = 100) {
  const until = Date.now() + ms;
  while (Date.now() < until) {
    const value = await condition();
    if (value) return value;
    await sleep(every);
  }
  throw new Error(`timed out waiting for ${what}`);
}

async function holdKey(page, key, ms) {
  await page.keyboard.down(key);
  await sleep(ms);
  await page.keyboard.up(key);
}

// Z until the game begins (presses during the title's intro count for
// nothing, as they should), then until stage 1's play frames run.
async function startStage1(page, pressZ) {
  await waitFor('stage 1', async () => {
    const lines = await traceLines(page);
    if (lines.some((line) => line.event === 'stage' && line.stage === 1)) return true;
    await pressZ();
    return false;
  }, 20000);
  return waitFor('stage 1 in play', async () => {
    const frame = await lastFrame(page);
    return frame && frame.stage === 1 ? frame : null;
  }, 10000);
}

// Stage 1's way to its key chest (assets/stages/stage01.txt), as arrows
// each held until the player's place (its picture's corner in map pixels,
// on the axis given) lets the next one walk on: down the first hall, along
// row 8 to column 5, down to the bottom row and along it to the chest's
// column, where Up reaches the chest. The first turn still fits two steps
// (of 4 pixels, one a frame) late and the second four; at the others a wall
// stops the player in the turn's place, so a look a frame late turns in
// time. The stage's one enemy wanders on the top-right landing, never near.
const keyRoute = [['ArrowRight', 0, 28], ['ArrowDown', 1, 240], ['ArrowRight', 0, 156],
                  ['ArrowDown', 1, 304], ['ArrowRight', 0, 744], ['ArrowUp']];

// Walks from stage 1's start to its key chest; returns the first play frame
// after the key is taken.
async function takeStage1Key(page) {
  const look = async () => {
    const frame = await lastFrame(page);
    if (frame.lives < 3) throw new Error('a life was lost on the way to the key');
    return frame;
  };
  for (const [key, axis, until] of keyRoute) {
    await page.keyboard.down(key);
    if (axis === undefined) {
      const frame = await waitFor('the key', async () => {
        const now = await look();
        return now.score > 0 ? now : null;
      }, 10000, 10);
      await page.keyboard.up(key);
      return frame;
    }
    await waitFor(`${key} to ${'xy'[axis]} ${until}`, async () => {
      const now = await look();
      return 32 * now.view[axis] + now.player[axis] >= until;
    }, 15000, 10);
    await page.keyboard.up(key);
  }
}

// The pixels of the title's hi-score line among a titleReference's.
const hiScoreLine = (still) => still.filter(([at]) => at % 320 >= 104 && at % 320 < 240 && at < 320 * 20);

async function screenshot(page, name) {
  if (shots) await page.screenshot({path: path.join(shots, name)});
}

async function keyboardChecks(browser, url, still) {
  const page = await browser.newPage();
  await page.setViewport({width: 1000, height: 800});
  const errors = watchConsole(page);
  await page.goto(`${url}?trace`);

  // The title: the logo and menu as the headless program draws them.
  // Counted in the page: copying the whole canvas out at each look would
  // take the page's thread from the game.
  await page.evaluate((list) => { window.kolvarStill = list; }, still);
  let best = 0;
  await waitFor('the title menu', async () => {
    const matching = await page.evaluate(() => {
      const pixels = document.getElementById('screen').getContext('2d')
                         .getImageData(0, 0, 320, 76).data;
      return window.kolvarStill.filter(([at, r, g, b]) =>
        pixels[at * 4] === r && pixels[at * 4 + 1] === g && pixels[at * 4 + 2] === b).length;
    });
    best = Math.max(best, matching);
    return matching >= still.length * 0.98;
  }, 20000).catch(() => false);
  check(best >= still.length * 0.98, `the title menu shows its logo (${best} of the ${still.length} ` +
        'still pixels of the logo and hi-score as the headless program draws them)');
  check(await page.$eval('#touch', (e) => e.hidden), 'no touch controls without a touch screen');
  await screenshot(page, 'title-menu.png');

  // Z starts stage 1; a held arrow moves the player.
  const start = await startStage1(page, () => holdKey(page, 'z', 120));
  check(start.stage === 1 && start.lives === 3, 'Z starts stage 1 with three lives');
  const piece = await waitFor('the stage music', () =>
    page.evaluate(() => KolvarPage.music.sounding), 5000).catch(() => '');
  check(piece === 'main', `after the first key the stage's music sounds (${piece || 'nothing'})`);
  await sleep(300);
  const before = await lastFrame(page);
  await holdKey(page, 'ArrowRight', 400);
  const after = await lastFrame(page);
  check(after.player[0] > before.player[0],
        `the Right arrow moves the player right (x ${before.player[0]} -> ${after.player[0]})`);
  await screenshot(page, 'stage1.png');

  // F12 hands the page the game's picture under the name the desktop gives
  // its screenshots (the page adds _xN for the scale it shows it at).
  await page.evaluate(() => {
    window.kolvarShotNames = [];
    KolvarPage.screenshot = (bytes, name) => window.kolvarShotNames.push(name);
  });
  await holdKey(page, 'F12', 80);
  const shotNames = await waitFor('the screenshot', () =>
    page.evaluate(() => window.kolvarShotNames.length && window.kolvarShotNames), 5000).catch(() => []);
  check(shotNames.length === 1 && /^kolvar_\d{4}-\d\d-\d\d_\d\d-\d\d-\d\d\.png$/.test(shotNames[0]),
        `F12 names the screenshot as the desktop does (${shotNames.join(' ') || 'nothing'})`);

  // P pauses: the game's clock and the stage clock stand still, the picture
  // shows the pause, and P plays on.
  const paused = await lastFrame(page);
  const pausedAt = Date.now();
  await holdKey(page, 'p', 80);
  await sleep(400);
  const pausePicture = await canvasPixels(page);
  await screenshot(page, 'pause.png');
  check(await page.evaluate(() => KolvarPage.music.sounding) === '', 'the music stops in the pause');
  await sleep(2500);
  const linesInPause = frames(await traceLines(page));
  check((await canvasPixels(page)).join() === pausePicture.join() &&
        linesInPause.pop().t - paused.t < 200, 'no frame is played while paused');
  await holdKey(page, 'p', 80);
  const resumed = await waitFor('play after the pause', async () => {
    const frame = await lastFrame(page);
    return frame.t > paused.t + 200 ? frame : null;
  }, 5000);
  const wall = Date.now() - pausedAt;
  check(resumed.t - paused.t < wall - 2000 && resumed.time >= paused.time - 1,
        `P pauses: ${wall} ms passed, the game's clock moved ${resumed.t - paused.t} ms, ` +
        `the stage clock ${paused.time} -> ${resumed.time}`);

  // The hi-score is kept in localStorage, in the desktop's hi-score file
  // format, and read again after a reload.
  await page.evaluate(() => localStorage.setItem('kolvar.hiscore', 'kolvar hiscore\n321\n'));
  await page.reload();
  const title = await waitFor('the title after the reload', async () =>
    (await traceLines(page)).find((line) => line.event === 'title'), 10000);
  const restarted = await startStage1(page, () => holdKey(page, 'z', 120));
  check(title && restarted.hiscore === 321, `a reload keeps the hi-score (${restarted.hiscore})`);

  // A score earned in play is saved as it rises above the kept one (the
  // key chest brings 100 points and two a second left), and the title
  // shows it after a reload, as the headless program draws that hi-score.
  const scored = await takeStage1Key(page);
  const saved = await page.evaluate(() => localStorage.getItem('kolvar.hiscore'));
  check(scored.score > 321 && scored.hiscore === scored.score &&
        saved === `kolvar hiscore\n${scored.score}\n`,
        `the key's ${scored.score} points are saved as the hi-score (localStorage ${JSON.stringify(saved)})`);
  await page.reload();
  const line = hiScoreLine(titleReference(scored.score));
  await page.evaluate((list) => { window.kolvarLine = list; }, line);
  let shown = 0;
  await waitFor('the new hi-score on the title', async () => {
    shown = Math.max(shown, await page.evaluate(() => {
      const pixels = document.getElementById('screen').getContext('2d')
                         .getImageData(0, 0, 320, 20).data;
      return window.kolvarLine.filter(([at, r, g, b]) =>
        pixels[at * 4] === r && pixels[at * 4 + 1] === g && pixels[at * 4 + 2] === b).length;
    }));
    return shown === line.length;
  }, 15000).catch(() => false);
  check(line.length > 0 && shown === line.length,
        `after a reload the title shows the hi-score ${scored.score} (${shown} of the ${line.length} ` +
        'still pixels of its line as the headless program draws them)');
  await screenshot(page, 'title-hiscore.png');

  // A browser that keeps nothing more (its storage full): the hi-score lost
  // is told on the notice line below the picture, not only in the console.
  await page.evaluate(() => localStorage.removeItem('kolvar.hiscore'));
  await page.reload();
  await page.evaluate(() => {
    Storage.prototype.setItem = () => { throw new DOMException('full', 'QuotaExceededError'); };
  });
  await startStage1(page, () => holdKey(page, 'z', 120));
  await takeStage1Key(page);
  const told = await waitFor('the notice line', async () => {
    const text = await page.$eval('#notice', (e) => e.textContent);
    return /the hi-score is not kept/.test(text) ? text : null;
  }, 5000).catch(() => '');
  check(told !== '', `a hi-score the browser cannot keep is told below the picture (${told})`);
  await screenshot(page, 'hiscore-not-kept.png');
  await page.close();
  return errors;
}

// Another tab of the page keeps a higher hi-score than this one earns: it
// is never replaced by the lower one, and the game here takes it as soon as
// the other tab writes it (its title shows the higher score).
async function otherTabChecks(browser, url) {
  const page = await browser.newPage();
  const errors = watchConsole(page);
  await page.goto(`${url}?trace`);
  await page.evaluate(() => localStorage.removeItem('kolvar.hiscore'));
  await startStage1(page, () => holdKey(page, 'z', 120));
  // Written from this tab, which the storage event does not reach: the
  // save must look at what is kept before it writes.
  await page.evaluate(() => localStorage.setItem('kolvar.hiscore', 'kolvar hiscore\n50000\n'));
  const scored = await takeStage1Key(page);
  const kept = () => page.evaluate(() => localStorage.getItem('kolvar.hiscore'));
  check(await kept() === 'kolvar hiscore\n50000\n',
        `the key's ${scored.score} points leave the kept 50000 alone (${JSON.stringify(await kept())})`);
  const took = await waitFor('the kept 50000 in the game', async () => {
    const frame = await lastFrame(page);
    return frame.hiscore === 50000 ? frame : null;
  }, 5000).catch(() => lastFrame(page));
  check(took.hiscore === 50000, `the game takes the kept 50000 as its hi-score (${took.hiscore})`);

  // A second tab of the page keeps 60000.
  const other = await browser.newPage();
  await other.goto(`${url}kolvar.js`);
  await other.evaluate(() => localStorage.setItem('kolvar.hiscore', 'kolvar hiscore\n60000\n'));
  await other.close();
  await page.bringToFront();
  // Leaving the tab may have paused the game: play on.
  if (await page.$eval('#touch-pause', (e) => e.getAttribute('aria-pressed') === 'true')) {
    await holdKey(page, 'p', 80);
  }
  const seen = await waitFor('the other tab\'s 60000 in the game', async () => {
    const frame = await lastFrame(page);
    return frame.hiscore === 60000 ? frame : null;
  }, 5000).catch(() => lastFrame(page));
  check(seen.hiscore === 60000 && await kept() === 'kolvar hiscore\n60000\n',
        `another tab's 60000 becomes the game's hi-score (${seen.hiscore}, kept ${JSON.stringify(await kept())})`);
  await page.evaluate(() => localStorage.removeItem('kolvar.hiscore'));
  await page.close();
  return errors;
}

async function touchChecks(browser, url) {
  const page = await browser.newPage();
  await page.emulate({viewport: {width: 844, height: 390, deviceScaleFactor: 2, isMobile: true,
                                 hasTouch: true, isLandscape: true},
                      userAgent: await browser.userAgent()});
  const errors = watchConsole(page);
  await page.goto(`${url}?trace`);
  check(!(await page.$eval('#touch', (e) => e.hidden)), 'touch controls on a touch screen');
  const client = await page.target().createCDPSession();
  const touchAt = async (selector, dx, dy, ms) => {
    const box = await (await page.$(selector)).boundingBox();
    const point = {x: box.x + box.width / 2 + dx * box.width, y: box.y + box.height / 2 + dy * box.height};
    await client.send('Input.dispatchTouchEvent', {type: 'touchStart', touchPoints: [point]});
    await sleep(ms);
    await client.send('Input.dispatchTouchEvent', {type: 'touchEnd', touchPoints: []});
  };
  const start = await startStage1(page, () => touchAt('#touch-z', 0, 0, 120));
  check(start.stage === 1, 'the Z button starts stage 1');
  await sleep(300);
  const before = await lastFrame(page);
  await touchAt('#pad', 0.35, 0, 400);  // the pad's right arm
  const after = await lastFrame(page);
  check(after.player[0] > before.player[0],
        `a touch on the pad's right arm moves the player right (x ${before.player[0]} -> ${after.player[0]})`);
  await screenshot(page, 'touch-controls.png');
  await page.close();
  return errors;
}

// ?stages=NAME plays an installed stage set: stage 1 of the second set as
// the headless program starts it, the set named in the page's title and
// listed with the others; a name the page does not hold is refused with a
// message on the page.
async function stageSetChecks(browser, url) {
  const deep = headlessStageStart(['--stages', 'deep-halls']);
  const first = headlessStageStart([]);
  const page = await browser.newPage();
  const errors = watchConsole(page);
  await page.goto(`${url}?trace&stages=deep-halls`);
  await startStage1(page, () => holdKey(page, 'z', 120));
  const shown = stageStart(await traceLines(page));
  check(shown === deep && deep !== first,
        `?stages=deep-halls starts stage 1 of the second set (${shown}; headless --stages ` +
        `deep-halls ${deep}; the first set ${first})`);
  const title = await page.title();
  const links = await page.$$eval('#sets a', (as) => as.map((a) => a.getAttribute('href')));
  check(/Deep Halls/.test(title) && links.includes('?stages=kolvar'),
        `the title names the set (${title}) and the page links the others (${links.join(' ')})`);
  await page.close();

  const wrong = await browser.newPage();
  await wrong.goto(`${url}?stages=nowhere`);
  const message = await waitFor('the message', () => wrong.$eval('#message', (e) => e.textContent),
                                10000).catch(() => '');
  check(/no stage set 'nowhere'.*deep-halls/.test(message),
        `an unknown set is refused on the page (${message || 'no message'})`);
  await wrong.close();
  return errors;
}

function watchConsole(page) {
  const errors = [];
  page.on('console', (message) => {
    if (message.type() === 'error') errors.push(message.text());
  });
  page.on('pageerror', (error) => errors.push(error.message));
  page.on('requestfailed', (request) => errors.push(`${request.url()}: ${request.failure().errorText}`));
  return errors;
}

(async () => {
  if (shots) fs.mkdirSync(shots, {recursive: true});
  const still = titleReference();
  const server = await serve(site);
  const browser = await launch(requirePuppeteer());
  try {
    const errors = [...await keyboardChecks(browser, server.url, still),
                    ...await otherTabChecks(browser, server.url),
                    ...await touchChecks(browser, server.url),
                    ...await stageSetChecks(browser, server.url),
                    ...await pageChecks(browser, server.url, {
                      check, waitFor, sleep, traceLines, lastFrame, holdKey, startStage1,
                      screenshot, watchConsole})];
    check(errors.length === 0, `no error reached the console${errors.length ? ':\n  ' + errors.join('\n  ') : ''}`);
  } finally {
    await browser.close();
    server.stop();
  }
  console.log(failed() ? `${failed()} browser check(s) failed` : 'every browser check passed');
  process.exit(failed() ? 1 : 0);
})().catch((error) => {
  console.error(`browser test: ${error.stack || error}`);
  process.exit(1);
});
