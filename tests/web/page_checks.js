// The page around the game in a real browser: what a visitor meets before
// and around play. The loading bar and plain messages when a part fails to
// load, the first load without music, the mute button and volume, Continue
// kept per stage set and at a game over, full screen without stealing keys or Esc, the stage
// set named, and the touch controls on a phone held upright.
// browser_test.js runs these with its helpers (`t`).
'use strict';

const kFirstLoadBudget = 400 * 1024;
// Chromium's network emulation of a slow mobile link.
const kSlowLink = {offline: false, latency: 150, downloadThroughput: 1.6e6 / 8,
                   uploadThroughput: 1.6e6 / 8};
// Words of the WebAssembly runtime that a visitor must never be shown.
const kRuntimeWords = /Aborted|RuntimeError|ASSERTIONS|async and sync|wasm streaming|abort\(/i;

async function loadingState(page) {
  return page.evaluate(() => {
    const box = document.getElementById('loading') || document.createElement('div');
    const bar = box.querySelector('progress, [role=progressbar]');
    return {shown: box.isConnected && !box.hidden && box.offsetHeight > 0, bar: Boolean(bar && !bar.hidden),
            value: bar && bar.hasAttribute('value') ? bar.value : null,
            failed: box.classList.contains('failed'), words: box.textContent.trim()};
  });
}

// While the game loads over a slow link, a progress bar fills; it goes
// once the game shows its first picture.
async function progressChecks(browser, url, t) {
  const page = await browser.newPage();
  await page.setViewport({width: 1000, height: 800});
  const client = await page.target().createCDPSession();
  await client.send('Network.enable');
  await client.send('Network.emulateNetworkConditions', kSlowLink);
  await page.goto(url, {waitUntil: 'domcontentloaded'});
  const values = [];
  let shot = false;
  await t.waitFor('the end of loading', async () => {
    const state = await loadingState(page);
    if (!state.shown || !state.bar) return true;
    values.push(state.value);
    if (!shot && state.value > 0.2) {
      shot = true;
      await t.screenshot(page, 'loading.png');
    }
    return false;
  }, 30000, 100).catch(() => {});
  const filling = values.filter((v) => v > 0 && v < 1);
  t.check(filling.length >= 3 && filling.every((v, i) => i === 0 || v >= filling[i - 1]),
          `a progress bar fills while the game loads on a slow link (${filling.length} looks ` +
          `between empty and full: ${filling.slice(0, 6).map((v) => v.toFixed(2)).join(' ')} ...)`);
  const picture = await page.evaluate(() => KolvarPage.status.firstPicture);
  const after = await loadingState(page);
  t.check(picture !== null && !after.shown, 'the bar goes when the game shows its picture');
  await page.close();
}

// A part that does not arrive, a damaged one, or a browser without
// WebAssembly: a plain message on the page says what to do.
async function failedLoadChecks(browser, url, t) {
  const cases = [
    {what: 'kolvar.wasm missing', part: /kolvar\.wasm$/, answer: {status: 404, body: 'gone'},
     says: /kolvar\.wasm did not arrive \(the server answered 404\)\. Check the connection and reload/},
    {what: 'kolvar.js missing', part: /kolvar\.js$/, answer: {status: 404, body: 'gone'},
     says: /kolvar\.js did not arrive .*reload the page/},
    {what: 'kolvar.wasm damaged', part: /kolvar\.wasm$/,
     answer: {status: 200, contentType: 'application/wasm', body: 'not a program at all'},
     says: /kolvar\.wasm is damaged .*Reload the page/},
    {what: 'no WebAssembly in the browser', noWebAssembly: true,
     says: /cannot run the game: it has no WebAssembly.*Firefox, Chrome/},
  ];
  for (const c of cases) {
    const page = await browser.newPage();
    await page.setViewport({width: 1000, height: 800});
    if (c.noWebAssembly) await page.evaluateOnNewDocument(() => { delete window.WebAssembly; });
    await page.setRequestInterception(true);
    page.on('request', (request) => {
      if (c.part && c.part.test(new URL(request.url()).pathname)) {
        request.respond(c.answer);
      } else {
        request.continue();
      }
    });
    await page.goto(url);
    const state = await t.waitFor(`the message for ${c.what}`, async () => {
      const now = await loadingState(page);
      return now.failed ? now : null;
    }, 15000).catch(() => ({words: '', shown: false}));
    t.check(state.shown && c.says.test(state.words) && !kRuntimeWords.test(state.words),
            `${c.what}: the page says what to do (${state.words || 'nothing'})`);
    if (c.what === 'kolvar.wasm missing') await t.screenshot(page, 'load-failed.png');
    await page.close();
  }
}

// The first load, up to the first key, carries no music and stays small
// (the site served with gzip); the first key fetches the title's music and
// it sounds.
async function firstLoadChecks(browser, url, t) {
  const page = await browser.newPage();
  t.watch(page);
  const client = await page.target().createCDPSession();
  await client.send('Network.enable');
  const urls = new Map();
  const encodings = new Map();
  let bytes = 0;
  client.on('Network.responseReceived', (e) => {
    const path = new URL(e.response.url).pathname;
    urls.set(e.requestId, path);
    const headers = Object.fromEntries(Object.entries(e.response.headers)
                                             .map(([k, v]) => [k.toLowerCase(), v]));
    encodings.set(path, headers['content-encoding'] || 'none');
  });
  client.on('Network.loadingFinished', (e) => { bytes += e.encodedDataLength; });
  await page.goto(`${url}?trace`);
  // The title's intro runs to its music's start and the menu.
  await t.waitFor('the title music to start', async () =>
    (await t.traceLines(page)).some((l) => l.event === 'music' && l.op === 'play'), 20000);
  await t.sleep(1500);
  const fetched = [...urls.values()];
  const musicBefore = fetched.filter((p) => p.startsWith('/music/'));
  t.check(musicBefore.length === 0 && bytes <= kFirstLoadBudget,
          `before the first key ${(bytes / 1024).toFixed(0)} KB came (at most ` +
          `${kFirstLoadBudget / 1024} KB), no music among it (${fetched.join(' ')})`);
  t.check(encodings.get('/kolvar.wasm') === 'gzip' && encodings.get('/kolvar.js') === 'gzip',
          `the game's code came compressed (kolvar.wasm ${encodings.get('/kolvar.wasm')}, ` +
          `kolvar.js ${encodings.get('/kolvar.js')})`);
  await t.holdKey(page, 'Shift', 80);
  const piece = await t.waitFor('the title music', () =>
    page.evaluate(() => KolvarPage.music.sounding), 10000).catch(() => '');
  t.check(piece === 'title' && [...urls.values()].includes('/music/title.ogg'),
          `the first key fetches the title's music and it sounds (${piece || 'nothing'})`);
  await soundControlChecks(page, urls, t);
  await page.close();
}

const soundKept = (page) => page.evaluate(() => JSON.parse(localStorage.getItem('kolvar.sound')));
const sounding = (page) => page.evaluate(() => KolvarPage.music.sounding);

// M mutes and plays again, - and + step the volume, the button and the
// volume show it, and all of it is kept across a reload; muted, no music
// is fetched.
async function soundControlChecks(page, urls, t) {
  await t.holdKey(page, 'm', 60);
  await t.sleep(300);
  const muted = await soundKept(page);
  const button = await page.$eval('#mute', (b) => [b.textContent, b.getAttribute('aria-pressed')]);
  t.check(muted && muted.muted === true && (await sounding(page)) === '' &&
          button[0] === 'Unmute (M)' && button[1] === 'true',
          `M mutes the music (kept ${JSON.stringify(muted)}, button "${button[0]}")`);
  await t.holdKey(page, '-', 60);
  await t.holdKey(page, '-', 60);
  const stepped = await t.waitFor('the music again', async () =>
    (await sounding(page)) === 'title' && soundKept(page), 5000).catch(() => null);
  const slider = await page.$eval('#volume', (v) => v.value);
  t.check(stepped && stepped.volume === 80 && stepped.muted === false && slider === '80',
          `- twice sets the volume to 80 % and plays (kept ${JSON.stringify(stepped)}, slider ${slider})`);
  await t.holdKey(page, 'm', 60);
  await page.reload();
  await t.waitFor('the title after the reload', () =>
    page.evaluate(() => KolvarPage.status.firstPicture), 15000);
  const musicBefore = [...urls.values()].filter((p) => p.startsWith('/music/')).length;
  await t.holdKey(page, 'Shift', 80);
  await t.sleep(1500);
  const shown = await page.$eval('#mute', (b) => b.textContent);
  const kept = await page.$eval('#volume', (v) => v.value);
  const musicAfter = [...urls.values()].filter((p) => p.startsWith('/music/')).length;
  t.check(shown === 'Unmute (M)' && kept === '80' && (await sounding(page)) === '' &&
          musicAfter === musicBefore,
          `a reload keeps the sound muted at 80 % and, muted, fetches no music (button "${shown}", ` +
          `slider ${kept}, ${musicAfter - musicBefore} music files fetched)`);
  // The button plays again; the focus stays with the game.
  await page.click('#mute');
  const again = await t.waitFor('the music after the button', () => sounding(page), 10000)
                    .catch(() => '');
  const focused = await page.evaluate(() => document.activeElement.tagName);
  t.check(again === 'title' && focused === 'BODY',
          `the mute button plays the music again (${again || 'nothing'}), the focus stays on the page (${focused})`);
}

// Continue starts where the last game of the same stage set ended: kept in
// localStorage, each set its own.
async function continueChecks(browser, url, t) {
  const page = await browser.newPage();
  t.watch(page);
  await page.evaluateOnNewDocument(() => {
    const get = Storage.prototype.getItem;
    window.kolvarKeysRead = [];
    Storage.prototype.getItem = function (key) {
      window.kolvarKeysRead.push(key);
      return get.call(this, key);
    };
  });
  const chooseContinue = async () => {
    await t.waitFor('the title menu', async () =>
      (await t.traceLines(page)).some((l) => l.event === 'music' && l.op === 'play'), 20000);
    await t.sleep(1500);  // the logo calms down and the floor fades in
    await t.holdKey(page, 'ArrowDown', 120);
    await t.sleep(200);
    await t.holdKey(page, 'z', 120);
    const line = await t.waitFor('a stage', async () =>
      (await t.traceLines(page)).find((l) => l.event === 'stage'), 10000).catch(() => null);
    return line ? line.stage : 0;
  };
  await page.goto(`${url}?trace&stages=deep-halls`);
  const setKey = await t.waitFor('the Continue stage read', () => page.evaluate(() =>
    window.kolvarKeysRead.find((key) => key.startsWith('kolvar.continue'))), 15000).catch(() => null);
  await page.evaluate((key) => {
    localStorage.setItem(key, 'kolvar continue\n2\n');
    localStorage.setItem('kolvar.continue', 'kolvar continue\n3\n');
  }, setKey || 'kolvar.continue.none');
  await page.reload();
  const deep = await chooseContinue();
  await page.goto(`${url}?trace`);
  const own = await chooseContinue();
  t.check(setKey && setKey !== 'kolvar.continue' && deep === 2 && own === 3,
          `Continue starts each set's kept stage (the second set's, kept in ${setKey}: ` +
          `stage ${deep}; the game's own: stage ${own})`);

  // A game over keeps its stage, as on the desktop once its prompt is
  // confirmed, and Continue starts it after a reload. Played on a pack
  // kept in the page as the editor keeps one: two stages whose enemies
  // catch a player walking right three times in about 20 s.
  await page.evaluate((bundle) => localStorage.setItem('kolvar.pack.caught', bundle), caughtPack());
  await page.goto(`${url}?trace&stages=caught`);
  const caughtKey = await t.waitFor('the pack\'s Continue stage read', () => page.evaluate(() =>
    window.kolvarKeysRead.find((key) => key.startsWith('kolvar.continue'))), 15000).catch(() => null);
  const kept = () => page.evaluate((key) => localStorage.getItem(key), caughtKey || 'none');
  await page.evaluate((key) => localStorage.setItem(key, 'kolvar continue\n2\n'), caughtKey || 'none');
  await page.reload();
  const continued = await chooseContinue();
  // Only the game over can keep it again.
  await page.evaluate((key) => localStorage.removeItem(key), caughtKey || 'none');
  await page.keyboard.down('ArrowRight');
  const over = await t.waitFor('the game over', async () =>
    (await t.traceLines(page)).some((l) => l.event === 'gameover'), 60000).catch(() => false);
  await page.keyboard.up('ArrowRight');
  const beforeConfirm = await kept();
  const saved = await t.waitFor('the Continue stage kept', async () => {
    const now = await kept();
    if (!now) await t.holdKey(page, 'z', 120);  // the game over's prompt
    return now;
  }, 10000).catch(() => null);
  await page.reload();
  const again = await chooseContinue();
  t.check(continued === 2 && over && beforeConfirm === null &&
          saved === 'kolvar continue\n2\n' && again === 2,
          `a game over on stage ${continued} keeps it once its prompt is confirmed ` +
          `(${over ? `kept before: ${JSON.stringify(beforeConfirm)}, after: ` +
                     JSON.stringify(saved) : 'no game over'}), and after a reload Continue ` +
          `starts stage ${again}`);
  await page.evaluate((key) => {
    localStorage.removeItem('kolvar.pack.caught');
    localStorage.removeItem(key);
  }, caughtKey || 'none');
  await page.close();
}

// A pack of two small stages (as a bundle, kolvar.pack.NAME): a player
// walking right out of the start door meets a fast enemy at once, and
// another comes round the loop.
function caughtPack() {
  const rows = ['########K#', 'S.....9..#', '#.######.#', '#....7...#', '####E#####']
                   .map((row) => row.padEnd(32, '_'));
  while (rows.length < 32) rows.push('_'.repeat(32));
  const stage = `title: Caught at once\nmap:\n${rows.join('\n')}\n`;
  const files = [['pack.txt', 'name: Caught\nauthor: Kolvar tests\n'], ['stage01.txt', stage],
                 ['stage02.txt', stage]];
  return 'kolvar pack 1\n' + files.map(([name, text]) => `file ${name} ${text.length}\n${text}\n`)
                                 .join('');
}

// Full screen from its button: the button does not keep the focus (Space
// would press it again), and the Esc that leaves full screen does not end
// the game; the next Esc does. With the Keyboard Lock API and without it.
async function fullscreenChecks(browser, url, t) {
  for (const lock of [true, false]) {
    const page = await browser.newPage();
    t.watch(page);
    await page.setViewport({width: 1000, height: 800});
    if (!lock) {
      await page.evaluateOnNewDocument(() =>
        Object.defineProperty(Navigator.prototype, 'keyboard', {get: () => undefined}));
    }
    await page.goto(`${url}?trace`);
    const how = lock ? (await page.evaluate(() => Boolean(navigator.keyboard && navigator.keyboard.lock)) ?
                        'with Keyboard Lock' : 'the browser has no Keyboard Lock')
                     : 'without Keyboard Lock';
    await t.startStage1(page, () => t.holdKey(page, 'z', 120));
    await page.click('#fullscreen');
    const full = await t.waitFor('full screen', () =>
      page.evaluate(() => Boolean(document.fullscreenElement)), 5000).catch(() => false);
    await page.keyboard.press('Space');
    await page.keyboard.press('Enter');
    await t.sleep(400);
    const still = await page.evaluate(() => Boolean(document.fullscreenElement) &&
                                             document.activeElement === document.body);
    t.check(full && still, `${how}: the full-screen button leaves the keys to the game ` +
                           '(Space and Enter after the click keep full screen)');
    const titles = async () => (await t.traceLines(page)).filter((l) => l.event === 'title').length;
    const titlesBefore = await titles();
    await t.holdKey(page, 'Escape', 80);
    const left = await t.waitFor('full screen to end', () =>
      page.evaluate(() => !document.fullscreenElement), 3000).catch(() => false);
    await t.sleep(800);
    const frame = await t.lastFrame(page);
    await t.sleep(400);
    const later = await t.lastFrame(page);
    t.check(left && (await titles()) === titlesBefore && later.stage === 1 && later.t > frame.t,
            `${how}: Esc leaves full screen (${left ? 'left' : 'still full'}) and the game ` +
            `plays on (stage ${later.stage}, its clock ${frame.t} -> ${later.t} ms)`);
    await t.holdKey(page, 'Escape', 80);
    const back = await t.waitFor('the title', async () => (await titles()) > titlesBefore, 5000)
                     .catch(() => false);
    t.check(back, `${how}: the next Esc leaves the game`);
    await page.close();
  }
}

// The page names the stage set played, on the default page too, and links
// the others by their titles.
async function setNameChecks(browser, url, t) {
  const page = await browser.newPage();
  t.watch(page);
  const named = async (address) => {
    await page.goto(address);
    await t.waitFor('the set named', () => page.$('#set-played'), 15000).catch(() => null);
    return page.evaluate(() => ({
      played: (document.getElementById('set-played') || {}).textContent,
      links: [...document.querySelectorAll('#sets a')].map((a) => `${a.textContent}=${a.getAttribute('href')}`),
    }));
  };
  const own = await named(url);
  const deep = await named(`${url}?stages=deep-halls`);
  t.check(own.played === 'Kolvar' && own.links.includes('Kolvar: The Deep Halls=?stages=deep-halls') &&
          deep.played === 'Kolvar: The Deep Halls' && deep.links.includes('Kolvar=?stages=kolvar'),
          `the page names the set played (${own.played}; with ?stages=deep-halls ${deep.played}) ` +
          `and links the others (${own.links.join(', ')}; ${deep.links.join(', ')})`);
  await page.close();
}

// The line of help and the picture on a touch screen: how many of the
// line's boxes the touch controls cover, and whether they cover the picture.
async function touchLayout(page) {
  return page.evaluate(() => {
    const boxes = (element) => {
      const range = document.createRange();
      range.selectNodeContents(element);
      return [...range.getClientRects()].filter((r) => r.width > 0 && r.height > 0);
    };
    const lines = [...document.querySelectorAll('#keys > :not([hidden])')].flatMap(boxes);
    const controls = ['pad', 'touch-z', 'touch-pause'].map((id) =>
      document.getElementById(id).getBoundingClientRect());
    const meet = (a, b) => a.left < b.right && b.left < a.right && a.top < b.bottom && b.top < a.bottom;
    const canvas = document.getElementById('screen').getBoundingClientRect();
    return {covered: lines.filter((l) => controls.some((c) => meet(c, l))).length,
            lines: lines.length, canvas: controls.some((c) => meet(c, canvas)),
            labels: [...document.querySelectorAll('button')].map((b) => b.textContent)};
  });
}

// A phone (390 x 844, touch), upright and on its side: the pad, Z and the
// pause button leave the line of help and the picture clear, the buttons
// name no keys, and the pause banner names the pause button.
async function phoneChecks(browser, url, t) {
  const page = await browser.newPage();
  t.watch(page);
  for (const [width, height] of [[844, 390], [390, 844]]) {
    await page.emulate({viewport: {width, height, deviceScaleFactor: 3, isMobile: true,
                                   hasTouch: true, isLandscape: width > height},
                        userAgent: await browser.userAgent()});
    await page.goto(`${url}?trace`);
    await t.waitFor('the picture', () => page.evaluate(() => KolvarPage.status.firstPicture), 15000);
    const layout = await touchLayout(page);
    t.check(layout.lines > 0 && layout.covered === 0 && !layout.canvas,
            `on a ${width} x ${height} touch screen the touch controls cover none of the ` +
            `${layout.lines} boxes of the help line (${layout.covered} covered) nor the picture`);
    t.check(!layout.labels.some((label) => /\((F11|M)\)/.test(label)),
            `on a touch screen the buttons name no keys (${layout.labels.join(' | ')})`);
  }
  // Paused over the title's logo, for the picture.
  await t.waitFor('the logo', async () =>
    (await t.traceLines(page)).some((l) => l.event === 'music' && l.op === 'play'), 20000);
  await page.evaluate(() => {
    const paused = KolvarPage.paused;
    window.kolvarResumeLines = [];
    KolvarPage.paused = (isPaused, line) => {
      if (isPaused) window.kolvarResumeLines.push(line);
      paused(isPaused, line);
    };
  });
  const client = await page.target().createCDPSession();
  const box = await (await page.$('#touch-pause')).boundingBox();
  const point = {x: box.x + box.width / 2, y: box.y + box.height / 2};
  await client.send('Input.dispatchTouchEvent', {type: 'touchStart', touchPoints: [point]});
  await client.send('Input.dispatchTouchEvent', {type: 'touchEnd', touchPoints: []});
  const lines = await t.waitFor('the pause', () =>
    page.evaluate(() => window.kolvarResumeLines.length && window.kolvarResumeLines), 5000)
                    .catch(() => []);
  const label = await page.$eval('#touch-pause', (b) => b.textContent);
  t.check(lines.length === 1 && lines[0].includes(label) && !/\bP\b|Start/.test(lines[0]),
          `the pause banner names the touch pause button "${label}" (${lines[0] || 'no pause'})`);
  await t.sleep(300);
  await t.screenshot(page, 'phone.png');
  await page.close();
}

// Returns what reached the consoles of the pages expected to load cleanly.
async function pageChecks(browser, url, tools) {
  const consoles = [];
  const t = {...tools, watch: (page) => consoles.push(tools.watchConsole(page))};
  await progressChecks(browser, url, t);
  await failedLoadChecks(browser, url, t);
  await firstLoadChecks(browser, url, t);
  await continueChecks(browser, url, t);
  await fullscreenChecks(browser, url, t);
  await setNameChecks(browser, url, t);
  await phoneChecks(browser, url, t);
  return consoles.flat();
}

module.exports = {pageChecks};
