// The web release as a player gets it: the unpacked zip on a plain static server on 127.0.0.1,
// played in Debian's Chromium; then the server is stopped and the page reloaded: the game must
// still load and start. The page must be installable, and a new release served later must
// replace the cached one on the next visit.
// usage: node tests/release/web_offline.mjs SITE OUT
import fs from 'node:fs';
import {createRequire} from 'node:module';
import os from 'node:os';
import path from 'node:path';

import {serveSite} from '../e2e/serve_site.mjs';

const require = createRequire(new URL('../../web/package.json', import.meta.url));
const {chromium} = require('playwright-core');

const [site, out] = process.argv.slice(2).map((arg) => path.resolve(arg));
if (!out) {
  console.error('usage: node tests/release/web_offline.mjs SITE OUT');
  process.exit(2);
}
fs.mkdirSync(out, {recursive: true});

const serve = (port = 0) => serveSite(site, port);
const stop = (server) => new Promise((resolve) => {
  server.on('exit', resolve);
  server.kill();
});

let failed = 0;
async function step(what, run) {
  try {
    const note = await run();
    console.log(`ok: ${what}${note ? ` (${note})` : ''}`);
  } catch (error) {
    console.log(`FAIL: ${what}: ${error.message}`);
    failed++;
    throw error;
  }
}
async function until(what, seconds, probe) {
  const end = Date.now() + seconds * 1000;
  while (Date.now() < end) {
    if (await probe().catch(() => false)) return;
    await new Promise((resolve) => setTimeout(resolve, 100));
  }
  throw new Error(`no ${what} within ${seconds} s`);
}
const mode = (page) => page.evaluate(() => Module.ferrowyn.world().game_mode);
const version = (page) => page.evaluate(() => document.querySelector('.version').textContent);

// Loads the page, waits for the title, presses F1: the game must be in play.
async function plays(page, url) {
  await page.goto(url);
  await until('title', 15, async () => (await mode(page)) === 1);
  await page.locator('#screen').focus();
  await page.keyboard.down('F1');
  await page.waitForTimeout(200);
  await page.keyboard.up('F1');
  await until('game in play after F1', 5, async () => (await mode(page)) === 2);
}

// A profile of its own on disk: Chromium installs nothing from an incognito window.
const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'ferrowyn-profile-'));
const context = await chromium.launchPersistentContext(profile, {
  executablePath: '/usr/bin/chromium',
  viewport: {width: 1280, height: 800},
  args: [
    '--headless', '--no-sandbox', '--disable-gpu', '--no-first-run',
    '--disable-background-networking', '--disable-component-update', '--disable-sync'
  ],
});
let {server, port} = await serve();
const url = `http://127.0.0.1:${port}/`;
try {
  const page = context.pages()[0] || await context.newPage();
  const errors = [];
  page.on('pageerror', (error) => errors.push(error.message));

  await step('the unpacked site plays from a static server: F1 starts a game', async () => {
    await plays(page, url);
    return url;
  });
  await step('a service worker holds the game, and the page can be installed', async () => {
    await until(
        'active service worker', 15,
        () => page.evaluate(() => navigator.serviceWorker.ready.then((r) => !!r.active)));
    await until(
        'controlled page', 5, () => page.evaluate(() => !!navigator.serviceWorker.controller));
    const cdp = await context.newCDPSession(page);
    const {installabilityErrors} = await cdp.send('Page.getInstallabilityErrors');
    if (installabilityErrors.length)
      throw new Error(installabilityErrors.map((e) => e.errorId).join(', '));
    const manifest = await cdp.send('Page.getAppManifest');
    if (!manifest.url.endsWith('manifest.webmanifest') || manifest.errors.length)
      throw new Error(`manifest ${manifest.url}: ${JSON.stringify(manifest.errors)}`);
  });
  const first = await version(page);
  await stop(server);
  // Only the service worker's cache may answer now, not the browser's own.
  await (await context.newCDPSession(page)).send('Network.clearBrowserCache');
  await step('with the server stopped, the page reloads and the game starts', async () => {
    const refused = await page.evaluate(
        (u) => fetch(u + 'nothing-here', {cache: 'no-store'}).then(() => false, () => true), url);
    if (!refused) throw new Error('the server still answers');
    await plays(page, url);
    await page.screenshot({path: path.join(out, 'offline.png')});
    return first.trim();
  });

  // A new release on the same address: the next visit with the network back plays it.
  const next = '9.9.9-test';
  for (const file of ['index.html', 'sw.js']) {
    const name = path.join(site, file);
    fs.writeFileSync(
        name,
        fs.readFileSync(name, 'utf8')
            .replaceAll(/Ferrowyn [0-9.]+/g, `Ferrowyn ${next}`)
            .replaceAll(/'ferrowyn-[0-9.]+'/g, `'ferrowyn-${next}'`));
  }
  ({server} = await serve(port));
  await step('a new release replaces the cached one on the next visit', async () => {
    await plays(page, url);
    const now = await version(page);
    if (!now.includes(next)) throw new Error(`still ${now.trim()}`);
    await until(
        'the new release\'s cache alone', 15,
        () => page.evaluate(
            (n) => caches.keys().then((k) => k.length === 1 && k[0] === `ferrowyn-${n}`), next));
  });
  await stop(server);
  server = null;
  await (await context.newCDPSession(page)).send('Network.clearBrowserCache');
  await step('and plays offline as the new release', async () => {
    await plays(page, url);
    const now = await version(page);
    if (!now.includes(next)) throw new Error(`offline it is ${now.trim()}`);
  });
  if (errors.length) {
    console.log(`FAIL: page errors: ${errors.join(' | ')}`);
    failed++;
  }
} catch (error) {
  // Already reported by its step.
} finally {
  if (server) await stop(server);
  await context.close();
  fs.rmSync(profile, {recursive: true, force: true});
}
process.exit(failed ? 1 : 0);
