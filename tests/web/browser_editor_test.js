// The stage editor in a real browser (Debian's Chromium, headless), the
// program of its own that the page loads for ?edit: a stage drawn with
// keys, the mouse and touches on the canvas, its title typed, kept in the
// page's storage at each change (no save asked for), play-tested and back;
// the page reloaded finds the pack kept, lists it with the stage sets and
// plays it. The pack downloaded as one file and opened again; files that
// are no pack, or whose stage breaks a rule, refused with their faults and
// nothing kept. The pack's link shared, opened in a fresh browser profile
// and played there, or copied into its packs; links cut off, holding no
// pack, breaking a rule or too long refused in words. On a phone (390 x 844,
// touch) the editor's picture, its tools and its line fit the screen and a
// stage is drawn with touches.
//   node browser_editor_test.js SITE_DIR [SHOTS_DIR]
'use strict';
const fs = require('fs');
const os = require('os');
const path = require('path');
const zlib = require('zlib');
const {serve, launch, requirePuppeteer, sleep, checker} = require('./browser_common.js');

const [site, shots] = process.argv.slice(2);
if (!site) {
  console.error('usage: node browser_editor_test.js SITE_DIR [SHOTS_DIR]');
  process.exit(2);
}
const {check, failed} = checker();

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

// The program runs and has drawn (the editor's first picture comes from
// its loop, which takes the input from then on).
async function started(page) {
  await waitFor('the program', () => page.evaluate(() => typeof Module !== 'undefined' &&
                                                      Module.calledRun === true &&
                                                      KolvarPage.status.firstNonBlack !== null),
                60000);
}

// The packs the page keeps: {name: bundle text}.
async function keptPacks(page) {
  return page.evaluate(() => Object.fromEntries(
      Object.keys(localStorage).filter((key) => key.startsWith('kolvar.pack.'))
          .map((key) => [key.substring('kolvar.pack.'.length), localStorage.getItem(key)])));
}

// Stage 1's map rows of a kept pack's text.
function stageRows(bundle) {
  const stage = (bundle || '').split('file stage01.txt')[1] || '';
  return {stage, rows: stage.split('\n').slice(3)};
}

// A link's fragment made here as the game makes one: the pack's text in raw
// DEFLATE, URL-safe base64.
function linkOf(bundle) {
  return 'pack=' + zlib.deflateRawSync(Buffer.from(bundle)).toString('base64url');
}

async function offerOf(page) {
  return waitFor('the link\'s offer or its refusal', () => page.evaluate(() => {
    const offer = document.getElementById('link-offer');
    const message = document.getElementById('message').textContent;
    return offer ? {offer: offer.textContent} : message ? {refused: message} : null;
  }), 30000);
}

// Draws, play-tests and keeps a pack; returns its kept text.
async function drawAPack(page, server) {
  await page.setViewport({width: 1000, height: 800, hasTouch: true});
  await page.goto(`${server.url}?edit=web-halls&trace`);
  await started(page);
  await sleep(1500);
  await page.bringToFront();  // keys go to the page's window
  check(await page.evaluate(() => !performance.getEntriesByType('resource')
                                         .some((r) => /\/kolvar\.(js|wasm)$/.test(r.name))),
        '?edit loads the editor\'s program alone, not the game\'s');

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
  await sleep(300);
  check(await page.$eval('#touch', (e) => e.hidden),
        'the touch controls step aside while the editor takes the touches');
  if (shots) await page.screenshot({path: path.join(shots, 'editor.png')});

  // Kept at each change: no save was asked for.
  const kept = (await keptPacks(page))['web-halls'];
  check(kept !== undefined, 'the pack is kept in the page\'s storage without a save');
  const {stage, rows} = stageRows(kept);
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
  await started(page);
  await sleep(1000);
  const links = await page.$$eval('#sets a, #sets b', (all) => all.map((e) => e.textContent));
  check(links.includes('web-halls'), `the pack is listed with the sets (${links.join(', ')})`);
  check(links.includes('Edit stages'), 'the game\'s page links to the editor');
  const message = await page.$eval('#message', (e) => e.textContent);
  check(message === '', `the kept pack plays (${message || 'no fault'})`);
  check(await page.evaluate(() => !performance.getEntriesByType('resource')
                                         .some((r) => /kolvar-editor|editor_page/.test(r.name))),
        'the game\'s page loads no part of the editor');
  return kept;
}

// Downloads the pack, opens the file again as another pack, and refuses
// files that are no pack or break a rule.
async function packFiles(page, server, kept) {
  const folder = fs.mkdtempSync(path.join(os.tmpdir(), 'kolvar-packs-'));
  try {
    await page.goto(`${server.url}?edit=web-halls`);
    await started(page);
    await sleep(500);
    const client = await page.browser().target().createCDPSession();
    await client.send('Browser.setDownloadBehavior', {behavior: 'allow', downloadPath: folder});
    await page.click('#pack-download');
    const file = path.join(folder, 'web-halls.kolvar-pack');
    await waitFor('the download', () => fs.existsSync(file), 10000).catch(() => false);
    const downloaded = fs.existsSync(file) ? fs.readFileSync(file, 'utf8') : '';
    check(downloaded === kept, 'the pack downloads as one file, web-halls.kolvar-pack, as kept');

    // Refused whole, nothing kept: each with the words that say why.
    const {stage} = stageRows(kept);
    const noChest = kept.replace(stage, stage.replace('K', '.'));
    const refusals = [
      ['notes.txt', 'shopping list\n', 'not a stage pack'],
      ['cut.kolvar-pack', kept.slice(0, kept.length - 40), 'cut off'],
      ['no-chest.kolvar-pack', noChest, 'stage01.txt'],
    ];
    for (const [name, text, words] of refusals) {
      const before = Object.keys(await keptPacks(page)).sort().join(',');
      fs.writeFileSync(path.join(folder, name), text);
      await (await page.$('#pack-file')).uploadFile(path.join(folder, name));
      const said = await waitFor('the refusal', () => page.$eval(
          '#pack-said.refused', (e) => e.textContent).catch(() => ''), 5000).catch(() => '');
      check(said.includes(name) && said.includes(words),
            `${name} is refused with its fault (${said.replace(/\n/g, ' / ')})`);
      const after = Object.keys(await keptPacks(page)).sort().join(',');
      check(after === before, `${name}: nothing of it is kept`);
    }
    if (shots) await page.screenshot({path: path.join(shots, 'editor-refused-file.png')});

    // The file opened again: a pack of its own beside the first.
    await Promise.all([page.waitForNavigation(), (await page.$('#pack-file')).uploadFile(file)]);
    await started(page);
    check(new URL(page.url()).searchParams.get('edit') === 'web-halls-2',
          `the opened file is the pack web-halls-2, open in the editor (${page.url()})`);
    check((await keptPacks(page))['web-halls-2'] === kept, 'the opened pack is kept as it was');
  } finally {
    fs.rmSync(folder, {recursive: true, force: true});
  }
}

// Shares the pack's link and opens it in a browser of its own (a fresh
// profile: nothing kept), where it plays and is copied; bad links refused.
async function shareLinks(browser, page, server, kept) {
  await browser.defaultBrowserContext().overridePermissions(
      server.url.replace(/\/$/, ''), ['clipboard-read', 'clipboard-write',
                                      'clipboard-sanitized-write']);
  await page.goto(`${server.url}?edit=web-halls`);
  await started(page);
  await sleep(500);
  await page.click('#pack-share');
  const link = await waitFor('the link', () => page.$eval('#share-link', (e) => e.value)
                                                     .catch(() => ''), 5000).catch(() => '');
  check(link.startsWith(`${server.url}#pack=`), `Share shows the page's link (${link.slice(0, 60)}...)`);
  const copied = await page.evaluate(() => navigator.clipboard.readText()).catch(() => '');
  check(copied === link, 'Share puts the link on the clipboard');
  // The editor's own Share key gives the same link, for this page.
  await page.evaluate(() => document.getElementById('pack-said').replaceChildren());
  await press(page, 'k');
  const byKey = await waitFor('the key\'s link', () => page.$eval('#share-link', (e) => e.value)
                                                        .catch(() => ''), 5000).catch(() => '');
  check(byKey === link, `k, the editor's Share, shows the same link (${byKey.slice(0, 60)}...)`);
  if (shots) await page.screenshot({path: path.join(shots, 'editor-share.png')});

  const fresh = await launch(requirePuppeteer());
  try {
    const other = await fresh.newPage();
    await other.setViewport({width: 1000, height: 800});
    const [address, fragment] = link.split('#');
    await other.goto(`${address}?trace#${fragment}`);
    const offer = await offerOf(other);
    check(offer.offer && offer.offer.includes('web-halls') && offer.offer.includes('1 stage'), `the link offers its pack (${JSON.stringify(offer)})`);
    if (shots) await other.screenshot({path: path.join(shots, 'link-offer.png')});
    await other.click('#link-play');
    await waitFor('the link\'s stage 1', async () => {
      if ((await trace(other)).includes('"event":"stage"')) return true;
      await other.keyboard.press('z');
      return false;
    }, 20000).catch(() => false);
    const played = await trace(other);
    check(played.includes('"event":"stage"'), 'Play it plays the link\'s pack in a fresh profile');
    check(Object.keys(await keptPacks(other)).length === 0, 'a pack played from a link is not kept');

    await other.goto(link);
    await offerOf(other);
    await Promise.all([other.waitForFunction(() => location.search.startsWith('?edit='),
                                             {timeout: 20000}).catch(() => null),
                       other.click('#link-copy')]);
    await sleep(1500);
    const copies = await keptPacks(other);
    const name = new URL(other.url()).searchParams.get('edit');
    check(copies[name] === kept && !other.url().includes('#'),
          `Copy into my packs keeps it as ${name}, open in the editor, the link's fragment gone`);

    // Refused links: words, and nothing kept.
    const {stage} = stageRows(kept);
    const bad = [
      ['cut off', link.slice(0, link.length - 30), 'cut off'],
      ['no pack', `${address}#${linkOf('hello, this is no pack')}`, 'no stage pack'],
      ['a stage breaking a rule', `${address}#${linkOf(kept.replace(stage, stage.replace('K', '.')))}`,
       'stage01.txt'],
      ['too long', `${address}#pack=${'A'.repeat(70000)}`, 'longer than'],
    ];
    for (const [what, badLink, words] of bad) {
      const before = Object.keys(await keptPacks(other)).sort().join(',');
      await other.goto('about:blank');
      await other.goto(badLink);
      const answer = await offerOf(other);
      check(answer.refused && answer.refused.includes(words) && !answer.offer,
            `a link ${what} is refused in words (${JSON.stringify(answer).slice(0, 160)})`);
      check(Object.keys(await keptPacks(other)).sort().join(',') === before,
            `a link ${what}: nothing kept`);
      if (shots && what === 'a stage breaking a rule') {
        await other.screenshot({path: path.join(shots, 'link-refused.png')});
      }
    }
  } finally {
    await fresh.close();
  }
}

// The editor on a phone, on its side and upright: its picture, the line of
// tools and the pack tools fit the screen; upright, the picture fills the
// screen's width and a stage is drawn by touch.
async function phone(page, server) {
  for (const [width, height] of [[844, 390], [390, 844]]) {
    await page.emulate({viewport: {width, height, deviceScaleFactor: 3, isMobile: true,
                                   hasTouch: true},
                        userAgent: 'Mozilla/5.0 (Linux; Android 14) Mobile'});
    await page.goto(`${server.url}?edit=phone-halls`);
    await started(page);
    await sleep(1000);
    const boxes = await page.evaluate(() => {
      const box = (id) => {
        const r = document.getElementById(id).getBoundingClientRect();
        return {left: r.left, right: r.right, top: r.top, bottom: r.bottom, width: r.width};
      };
      return {screen: box('screen'), keys: box('keys'), download: box('pack-download'),
              share: box('pack-share'), open: box('pack-open'),
              scrolls: document.documentElement.scrollWidth > innerWidth ||
                       document.documentElement.scrollHeight > innerHeight};
    });
    const inside = (b) => b.left >= 0 && b.right <= width && b.top >= 0 && b.bottom <= height;
    const shown = `${boxes.screen.width.toFixed(0)} x ${(boxes.screen.width * 0.75).toFixed(0)} px`;
    check(inside(boxes.screen) && (width > height || boxes.screen.width >= width - 2),
          `${width} x ${height}: the picture (${shown}) fits${width < height ? ' the whole width' : ''}`);
    check(['keys', 'download', 'share', 'open'].every((id) => inside(boxes[id])) && !boxes.scrolls,
          `${width} x ${height}: the line and the pack tools fit on the screen`);
    if (shots) await page.screenshot({path: path.join(shots, `editor-phone-${width}x${height}.png`)});
  }
  // The key chest, with a finger.
  await tap(page, 220, 88);  // the chest in the palette
  await tap(page, 40, 40);
  const kept = stageRows((await keptPacks(page))['phone-halls']).rows;
  check(kept[1] && kept[1][2] === 'K', 'a tap on the phone draws the key chest');
}

async function main() {
  const puppeteer = requirePuppeteer();
  const server = await serve(site);
  const browser = await launch(puppeteer);
  // The pages' console, told when a check fails.
  const said = [];
  browser.on('targetcreated', async (target) => {
    const page = await target.page();
    if (page) page.on('console', (message) => said.push(message.text()));
  });
  try {
    const page = await browser.newPage();
    const kept = await drawAPack(page, server);
    await packFiles(page, server, kept);
    await shareLinks(browser, page, server, kept);
    await phone(await browser.newPage(), server);
  } finally {
    await browser.close();
    server.stop();
  }
  if (failed() > 0) {
    console.log(`The pages said:\n  ${said.join('\n  ')}`);
    console.log(`${failed()} browser editor check(s) failed`);
    process.exit(1);
  }
  console.log('browser editor checks: all passed');
}

main().catch((error) => {
  console.error(error);
  process.exit(1);
});
