// What the browser test and the browser benchmark share: the site served
// by scripts/lib/serve_site.py on a free port, and Debian's Chromium started
// headless through puppeteer-core (never a downloaded browser).
'use strict';
const {spawn} = require('child_process');
const fs = require('fs');
const os = require('os');
const path = require('path');

// Serves `site` on 127.0.0.1 as scripts/web does (gzip, .wasm as
// application/wasm), on a free port; resolves to {url, stop}.
function serve(site) {
  const script = path.join(__dirname, '..', '..', 'scripts', 'lib', 'serve_site.py');
  return new Promise((resolve, reject) => {
    const server = spawn('python3', ['-u', script, '--port', '0', site],
                         {stdio: ['ignore', 'pipe', 'pipe']});
    let said = '';
    server.stdout.on('data', (chunk) => {
      said += chunk;
      const port = /http:\/\/127\.0\.0\.1:(\d+)\//.exec(said);
      if (port) resolve({url: `http://127.0.0.1:${port[1]}/`, stop: () => server.kill()});
    });
    server.stderr.resume();  // the request log
    server.on('exit', (code) => reject(new Error(`serve_site.py ended (${code}): ${said}`)));
  });
}

function chromiumPath() {
  for (const candidate of [process.env.CHROMIUM, '/usr/bin/chromium', '/usr/bin/chromium-browser']) {
    if (candidate && fs.existsSync(candidate)) return candidate;
  }
  throw new Error('no Chromium found (install Debian\'s chromium, or set CHROMIUM)');
}

async function launch(puppeteer) {
  const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'kolvar-chromium-'));
  const browser = await puppeteer.launch({
    executablePath: chromiumPath(),
    headless: true,
    args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
           '--disable-background-networking', '--disable-component-update', '--disable-sync',
           `--user-data-dir=${profile}`, '--autoplay-policy=user-gesture-required'],
  });
  const close = browser.close.bind(browser);
  browser.close = async () => {
    await close();
    fs.rmSync(profile, {recursive: true, force: true});
  };
  return browser;
}

// The puppeteer-core that scripts/test-web installed (NODE_PATH), or one
// next to the tests.
function requirePuppeteer() {
  try {
    return require('puppeteer-core');
  } catch (e) {
    throw new Error('puppeteer-core is not installed: scripts/test-web installs it');
  }
}

const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

// A check prints one line, "ok" or "FAIL" and what it checked, and says
// whether it held; failed() counts the checks that did not.
function checker() {
  let failures = 0;
  return {
    check(ok, what) {
      console.log(`${ok ? 'ok  ' : 'FAIL'} ${what}`);
      if (!ok) failures += 1;
      return ok;
    },
    failed: () => failures,
  };
}

module.exports = {serve, launch, requirePuppeteer, sleep, checker};
