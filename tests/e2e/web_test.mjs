// The browser build in Debian's Chromium, driven by playwright-core: real key presses, a
// gamepad the page believes in, fingers on a phone's touch screen, screenshots compared with
// ImageMagick, the page's own counters, and a scripted run compared frame by frame with the
// headless runner's trace.
// usage: node tests/e2e/web_test.mjs SITE RUNNER DATA OUT
//   SITE: the built page (build-web/); RUNNER: ferrowyn-headless; DATA: its data folder;
//   OUT: a folder for screenshots and traces, named when a check fails.
import {execFileSync, spawn} from 'node:child_process';
import fs from 'node:fs';
import {createRequire} from 'node:module';
import os from 'node:os';
import path from 'node:path';
import zlib from 'node:zlib';

import {serveSite} from './serve_site.mjs';

const require = createRequire(new URL('../../web/package.json', import.meta.url));
const {chromium} = require('playwright-core');

const [site, runner, data, out] = process.argv.slice(2).map((arg) => path.resolve(arg));
if (!out) {
  console.error('usage: node tests/e2e/web_test.mjs SITE RUNNER DATA OUT');
  process.exit(2);
}
fs.rmSync(out, {recursive: true, force: true});
fs.mkdirSync(out, {recursive: true});
const script = fs.readFileSync(new URL('web_script.txt', import.meta.url), 'utf8');
const kScriptFrames = 400;
// Seconds a wait for the page may take before it fails: a loaded machine can be slow by tens of
// seconds, and a wait ends as soon as what it waits for is there.
const kPatience = Number(process.env.FERROWYN_E2E_PATIENCE || 60);
// FERROWYN_WEB_VIEWPORT=WxH measures at another window size.
const [width, height] = (process.env.FERROWYN_WEB_VIEWPORT || '1280x800').split('x').map(Number);
const viewport = {
  width,
  height
};

// ImageMagick.
const magick = (tool, ...args) => execFileSync(tool, args, {encoding: 'utf8'});
function rmse(a, b) {
  let text;
  try {
    text = execFileSync(
        'compare', ['-metric', 'RMSE', a, b, 'null:'], {encoding: 'utf8', stdio: 'pipe'});
  } catch (error) {
    text = error.stderr;  // compare exits 1 when the pictures differ at all
  }
  const value = /\(([\d.e-]+)\)/.exec(text);
  if (!value) throw new Error(`compare failed: ${text}`);
  return Number(value[1]);
}
const file = (name) => path.join(out, name);

// Where the host puts the 800 x 600 page inside the canvas (its FitPage).
function pageRect(width, height) {
  const fit = width * 600 <= height * 800 ? [width, Math.floor(width * 600 / 800)] :
                                            [Math.floor(height * 800 / 600), height];
  return {
    x: Math.floor((width - fit[0]) / 2),
    y: Math.floor((height - fit[1]) / 2),
    width: fit[0],
    height: fit[1]
  };
}

let passed = 0;
let failed = 0;
const figures = [];
function check(condition, message) {
  if (!condition) throw new Error(message);
}
async function until(what, seconds, probe) {
  const end = Date.now() + seconds * 1000;
  let last;
  while (Date.now() < end) {
    last = await probe();
    if (last.ok) return last;
    await new Promise((resolve) => setTimeout(resolve, 50));
  }
  throw new Error(`${what} within ${seconds} s (last: ${last && last.note})`);
}

// A flow is a series of steps on one page: the first failing step ends it.
async function flow(name, steps) {
  for (const [what, run] of steps) {
    try {
      const note = await run();
      console.log(`ok: ${name}: ${what}${note ? ` (${note})` : ''}`);
      passed++;
    } catch (error) {
      console.log(`FAIL: ${name}: ${what}: ${error.message}`);
      failed++;
      return;
    }
  }
}

// A fresh page that records every console error.
async function openPage(browser, url, {gamepad = false, before = null, device = {}} = {}) {
  const context = await browser.newContext({viewport, acceptDownloads: true, ...device});
  const page = await context.newPage();
  if (before) await page.addInitScript(before);
  page.errors = [];
  page.on('console', (message) => {
    if (message.type() === 'error') page.errors.push(message.text());
  });
  page.on('pageerror', (error) => page.errors.push(error.message));
  if (gamepad) {
    // A standard pad the test holds in window.testPad.
    await page.addInitScript(() => {
      const buttons = Array.from({length: 17}, () => ({pressed: false, touched: false, value: 0}));
      window.testPad = {
        id: 'Test Pad (STANDARD GAMEPAD)',
        index: 0,
        connected: true,
        mapping: 'standard',
        timestamp: 1,
        axes: [0, 0, 0, 0],
        buttons
      };
      navigator.getGamepads = () => [window.testPad, null, null, null];
    });
  }
  page.started = Date.now();
  await page.goto(url);
  return page;
}
const stats = (page) => page.evaluate(() => Module.ferrowyn.stats());
const world = (page) => page.evaluate(() => Module.ferrowyn.world());
const sleep = (page, ms) => page.waitForTimeout(ms);
const noErrors = (page) => {
  check(page.errors.length === 0, `console errors: ${page.errors.join(' | ')}`);
};
// The page says it is paused and no frame runs for a tenth of a second: the pause has taken
// hold (the page shows it a frame before the game stops).
async function holdsStill(page) {
  const before = (await world(page)).frame;
  await sleep(page, 100);
  const after = (await world(page)).frame;
  const said = await page.isVisible('text=Paused');
  return {ok: said && before === after, note: `frame ${before} -> ${after}, Paused shown: ${said}`};
}
const shellsInFlight = (state) => state.player_shells.filter((shell) => shell.state === 1).length;

// The canvas as a picture, and the page in it brought to 800 x 600.
async function shot(page, name) {
  const whole = file(`${name}-canvas.png`);
  await page.locator('#screen').screenshot({path: whole});
  const size = await page.evaluate(() => [Module.canvas.width, Module.canvas.height]);
  const rect = pageRect(size[0], size[1]);
  magick(
      'convert', whole, '-crop', `${rect.width}x${rect.height}+${rect.x}+${rect.y}`, '+repage',
      '-resize', '800x600!', file(`${name}.png`));
  return {path: file(`${name}.png`), canvas: whole, size, rect};
}
const crop = (from, geometry, to) =>
    magick('convert', from, '-crop', geometry, '+repage', file(to));

// Drives right with `push` until the tank has gone 20 pixels or more, then `letGo`.
// Enemies fire from the start: a tank shot while driving gets another try once back.
async function drivesRight(page, push, letGo) {
  for (let attempt = 0; attempt < 3; attempt++) {
    const {tank: before} = await until('the tank on the field', kPatience, async () => {
      const tank = (await world(page)).player_tank;
      return {ok: tank.state === 2, note: `state ${tank.state}`, tank};
    });
    await push();
    let after;
    try {
      await until('the tank 20 pixels to the right, or shot', kPatience, async () => {
        after = (await world(page)).player_tank;
        return {ok: after.state !== 2 || after.x > before.x + 20, note: `x ${after.x}`};
      });
    } finally {
      await letGo();
    }
    if (after.state === 2 && after.x > before.x + 20) return `x ${before.x} -> ${after.x}`;
  }
  throw new Error('the tank did not move right');
}

async function keyboardFlow(browser, url, expectedTitle) {
  const page = await openPage(browser, url);
  const downloads = fs.mkdtempSync(path.join(os.tmpdir(), 'ferrowyn-downloads-'));
  let title;
  await flow('keyboard', [
    [
      'the title appears within 5 s, as the runner draws it',
      async () => {
        await until(
            'a first picture', 5,
            async () => ({
              ok: await page.evaluate(
                  () => window.Module && Module.ferrowyn && Module.ferrowyn.presents > 0),
            }));
        const first = Date.now() - page.started;
        // A screenshot takes a few hundred milliseconds here: the limit counts those too.
        const found = await until('the title', 5 - (Date.now() - page.started) / 1000, async () => {
          const taken = Date.now() - page.started;
          title = await shot(page, 'title');
          const value = rmse(title.path, expectedTitle);
          return {ok: value < 0.05, note: `difference ${value}`, value, taken};
        });
        return `first picture after ${first} ms, the title matched in a screenshot taken at ` +
            `${found.taken} ms, difference ${found.value.toFixed(4)}`;
      }
    ],
    [
      'the picture is letterboxed in black',
      async () => {
        const {canvas, size, rect} = title;
        check(rect.width < size[0] || rect.height < size[1], `the page fills the canvas ${size}`);
        const bars = rect.x > 0 ?
            [`${rect.x}x${size[1]}+0+0`, `${rect.x}x${size[1]}+${rect.x + rect.width}+0`] :
            [`${size[0]}x${rect.y}+0+0`, `${size[0]}x${rect.y}+0+${rect.y + rect.height}`];
        for (const bar of bars) {
          const brightest = Number(magick(
              'convert', canvas, '-crop', bar, '+repage', '-format', '%[fx:maxima]', 'info:'));
          check(brightest < 0.01, `the bar ${bar} is not black (${brightest})`);
        }
        return `${rect.width}x${rect.height} in ${size[0]}x${size[1]}`;
      }
    ],
    [
      'Print Screen saves the page as a PNG download',
      async () => {
        const [download] =
            await Promise.all([page.waitForEvent('download'), page.keyboard.press('PrintScreen')]);
        const name = download.suggestedFilename();
        check(/^ferrowyn-\d{4}-\d{2}-\d{2}-\d{6}\.png$/.test(name), `named ${name}`);
        const saved = path.join(downloads, name);
        await download.saveAs(saved);
        check(
            magick('identify', '-format', '%m %wx%h', saved) === 'PNG 800x600',
            'not an 800 x 600 PNG');
        const bytes = fs.statSync(saved).size;
        check(bytes < 800 * 600 * 3 / 10, `not compressed (${bytes} bytes)`);
        const value = rmse(saved, expectedTitle);
        check(value < 0.05, `not the title (difference ${value})`);
        return `${name}, ${bytes} bytes, difference from the runner's title ${value.toFixed(4)}`;
      }
    ],
    [
      'F1 shows the level-1 field with the banner',
      async () => {
        await page.keyboard.press('F1');
        magick('convert', path.join(data, 'BORDER.BMP'), file('expected-border.png'));
        const {play, field} = await until('the field after F1', kPatience, async () => {
          const play = await shot(page, 'play');
          const field = rmse(play.path, file('expected-border.png'));
          return {ok: field < 0.05, note: `difference ${field}`, play, field};
        });
        // The banner is the only thing drawn over the field's top middle at the start.
        crop(play.path, '200x60+340+195', 'banner.png');
        crop(file('expected-border.png'), '200x60+340+195', 'banner-without.png');
        const banner = rmse(file('banner.png'), file('banner-without.png'));
        check(banner > 0.02, `no banner (difference ${banner})`);
        const state = await world(page);
        check(
            state.game_mode === 2 && state.level === 1,
            `game_mode ${state.game_mode}, level ${state.level}`);
        return `field ${field.toFixed(4)}, banner ${banner.toFixed(4)}`;
      }
    ],
    [
      'the audio runs and is not silent',
      async () => {
        const before = await stats(page);
        const {after} = await until('sound pulled by the output', kPatience, async () => {
          const after = (await stats(page)).audio;
          return {
            ok: after && after.chunks > before.audio.chunks && after.peak > 0.01,
            note: JSON.stringify(after),
            after
          };
        });
        check(after && after.state === 'running', `audio ${after && after.state}`);
        check(after.chunks > before.audio.chunks, 'the output pulled nothing');
        check(after.peak > 0.01, `silent (peak ${after.peak})`);
        return `${after.path} at ${after.rate} Hz, peak ${after.peak.toFixed(3)}, ${
            after.underruns} underruns`;
      }
    ],
    [
      'Space puts a shell on the field',
      async () => {
        await until(
            'no shell of ours in flight', kPatience,
            async () => ({ok: shellsInFlight(await world(page)) === 0}));
        await page.keyboard.press('Space');
        const found = await until('a shell', kPatience, async () => {
          const flying = shellsInFlight(await world(page));
          return {ok: flying > 0, note: `${flying} in flight`};
        });
        return found.note;
      }
    ],
    [
      'holding Right moves the tank',
      async () => {
        return drivesRight(
            page, () => page.keyboard.down('ArrowRight'), () => page.keyboard.up('ArrowRight'));
      }
    ],
    [
      'the canvas holds the scaled page in play, though only what changed is put there',
      async () => {
        for (let look = 0; look < 20; look++) {
          const differ = await page.evaluate(() => Module.ferrowyn.canvasDiffers());
          check(differ === 0, `${differ} pixels differ from the scaled page`);
          await sleep(page, 50);
        }
      }
    ],
    [
      'F4 shows "MUSIC OFF"',
      async () => {
        await page.keyboard.press('F4');
        const {text} = await until('"MUSIC OFF"', kPatience, async () => {
          const music = await shot(page, 'music');
          const text = magick(
              'convert', music.path, '-crop', '160x30+355+295', '+repage', '-fx',
              'g > 0.7 && r < 0.5 && b < 0.5 ? 1 : 0', '-format', '%@', 'info:');
          return {ok: Number(text.split('x')[0]) >= 50, note: `green text ${text}`, text};
        });
        check((await world(page)).music_on === 0, 'the music is still on');
        return `green text ${text}`;
      }
    ],
    [
      'the game runs at 45 presents a second',
      async () => {
        const cdp = await page.context().newCDPSession(page);
        await cdp.send('Performance.enable');
        const metric = (all, name) => all.metrics.find((m) => m.name === name).value;
        const first = await cdp.send('Performance.getMetrics');
        const rate = await page.evaluate(async () => {
          const start = [performance.now(), Module.ferrowyn.presents];
          await new Promise((resolve) => setTimeout(resolve, 4000));
          return (Module.ferrowyn.presents - start[1]) * 1000 / (performance.now() - start[0]);
        });
        const second = await cdp.send('Performance.getMetrics');
        // Shares of the page's main thread: all its tasks, and the scripts (the game) in them.
        const share = (name) => ((metric(second, name) - metric(first, name)) /
                                 (metric(second, 'Timestamp') - metric(first, 'Timestamp')) * 100)
                                    .toFixed(1);
        const busy =
            `main thread busy ${share('TaskDuration')} % (scripts ${share('ScriptDuration')} %)`;
        figures.push(`presents/s ${rate.toFixed(1)}`, busy);
        check(Math.abs(rate - 45) <= 2, `${rate.toFixed(1)} presents/s`);
        return `${rate.toFixed(1)} presents/s, ${busy}`;
      }
    ],
    [
      'P pauses the world and P plays on',
      async () => {
        await page.keyboard.press('KeyP');
        await until('the pause to take hold', kPatience, () => holdsStill(page));
        const first = await world(page);
        await sleep(page, 400);
        const second = await world(page);
        check(
            first.frame === second.frame,
            `frames ran while paused: ${first.frame} -> ${second.frame}`);
        check(await page.isVisible('text=Paused'), 'the page does not say it is paused');
        const audio = (await stats(page)).audio.state;
        check(audio === 'suspended', `the sound goes on while paused (${audio})`);
        await page.keyboard.press('KeyP');
        const {third} = await until('the game to go on', kPatience, async () => {
          const third = await world(page);
          return {ok: third.frame > second.frame + 5, note: `frame ${third.frame}`, third};
        });
        return `frame ${second.frame} held, then ${third.frame}`;
      }
    ],
    [
      'F11 puts the game full screen, letterboxed',
      async () => {
        await page.keyboard.press('F11');
        await until(
            'full screen', kPatience,
            async () => ({
              ok: await page.evaluate(
                  () => document.fullscreenElement && document.fullscreenElement.id === 'stage')
            }));
        // The canvas takes the screen's size once the page has laid it out again.
        await until('the canvas at the screen\'s size', kPatience, async () => {
          const size = await page.evaluate(() => [Module.canvas.width, Module.canvas.height]);
          return {ok: size[0] === viewport.width && size[1] === viewport.height, note: `${size}`};
        });
        const full = await shot(page, 'fullscreen');
        check(
            full.size[0] === viewport.width && full.size[1] === viewport.height,
            `canvas ${full.size} in full screen`);
        await page.keyboard.press('F11');
        await until(
            'back from full screen', kPatience,
            async () => ({ok: await page.evaluate(() => !document.fullscreenElement)}));
        return `${full.rect.width}x${full.rect.height} at ${full.rect.x},${full.rect.y}`;
      }
    ],
    [
      'Escape ends the game cleanly and the page offers another',
      async () => {
        await page.keyboard.press('Escape');
        await page.waitForSelector('#again', {state: 'visible', timeout: kPatience * 1000});
        check(
            await page.isVisible('text=The game has ended.'),
            'the page does not say the game ended');
        noErrors(page);
        await page.click('#again');
        await until(
            'the title again', kPatience,
            async () => ({
              ok: await page.evaluate(
                  () => window.Module && Module.ferrowyn && Module.ferrowyn.presents > 10),
            }));
        check((await world(page)).game_mode === 1, 'not the title screen');
        noErrors(page);
      }
    ],
  ]);
  fs.rmSync(downloads, {recursive: true, force: true});
  await page.context().close();
}

async function padFlow(browser, url) {
  const page = await openPage(browser, url, {gamepad: true});
  const press = async (button, ms = 120) => {
    await page.evaluate((b) => {
      testPad.buttons[b].pressed = true;
      testPad.buttons[b].value = 1;
    }, button);
    await sleep(page, ms);
    await page.evaluate((b) => {
      testPad.buttons[b].pressed = false;
      testPad.buttons[b].value = 0;
    }, button);
    await sleep(page, 100);
  };
  await flow('gamepad', [
    [
      'Start starts a game on the title screen',
      async () => {
        await until(
            'the title', kPatience,
            async () => ({
              ok: await page.evaluate(
                  () => window.Module && Module.ferrowyn && Module.ferrowyn.presents > 0)
            }));
        await press(9);
        await until('a game', kPatience, async () => {
          const mode = (await world(page)).game_mode;
          return {ok: mode === 2, note: `game_mode ${mode}`};
        });
      }
    ],
    [
      'the stick drives and the south button fires',
      async () => {
        const moved = await drivesRight(
            page, () => page.evaluate(() => {
              testPad.axes[0] = 1;
            }),
            () => page.evaluate(() => {
              testPad.axes[0] = 0;
            }));
        await until(
            'no shell of ours in flight', kPatience,
            async () => ({ok: shellsInFlight(await world(page)) === 0}));
        await press(0);
        await until(
            'a shell', kPatience, async () => ({ok: shellsInFlight(await world(page)) > 0}));
        return moved;
      }
    ],
    [
      'Start pauses and plays on',
      async () => {
        await press(9);
        await until('the pause to take hold', kPatience, () => holdsStill(page));
        const first = await world(page);
        await sleep(page, 400);
        check((await world(page)).frame === first.frame, 'frames ran while paused');
        await press(9);
        await until(
            'the game to go on', kPatience,
            async () => ({ok: (await world(page)).frame > first.frame + 3}));
      }
    ],
    [
      'Back held for a second ends the game',
      async () => {
        await press(8, 400);
        check(!(await page.isVisible('#again')), 'a short press of Back ended the game');
        await press(8, 1300);
        await page.waitForSelector('#again', {state: 'visible', timeout: kPatience * 1000});
        noErrors(page);
      }
    ],
  ]);
  await page.context().close();
}

// The desktop's settings, kept in the browser: a rebound key works, the old one no longer
// does, a line that cannot be used is said on the page, the menu rebinds a key without a
// reload, and Forget clears them.
async function settingsFlow(browser, url) {
  const page = await openPage(browser, url);
  const started = () => until(
      'the title', kPatience, async () => ({
                        ok: await page.evaluate(
                            () => window.Module && Module.ferrowyn && Module.ferrowyn.presents > 0)
                      }));
  const fireKeys = () => page.textContent('td[data-keys="fire"]');
  await flow('settings', [
    [
      'a bad line is said on the page, the good ones apply',
      async () => {
        await started();
        await page.evaluate(
            () => localStorage.setItem('ferrowyn-settings', '[keys]\nfire = Z\nfly = F9\n'));
        await page.reload();
        await started();
        await page.waitForSelector('text=could not be used', {timeout: kPatience * 1000});
        const text = await page.textContent('#notes');
        check(text.includes('fly'), `the note does not name the line: ${text}`);
      }
    ],
    [
      'a rebound key fires, the old one does not',
      async () => {
        await page.keyboard.press('F1');
        await until(
            'a game', kPatience, async () => ({ok: (await world(page)).game_mode === 2}));
        await until(
            'no shell of ours in flight', kPatience,
            async () => ({ok: shellsInFlight(await world(page)) === 0}));
        await page.keyboard.press('Space');
        await sleep(page, 300);  // long enough for a shell to show, were Space still fire
        check(shellsInFlight(await world(page)) === 0, 'Space still fires');
        await page.keyboard.press('KeyZ');
        await until(
            'a shell from Z', kPatience,
            async () => ({ok: shellsInFlight(await world(page)) > 0}));
      }
    ],
    [
      'the table shows the keys in effect; the menu rebinds Fire by a key, kept at once',
      async () => {
        check((await fireKeys()) === 'Z', `the table shows fire as ${await fireKeys()}`);
        await page.evaluate(() => { window.stayedHere = true; });
        await page.keyboard.press('KeyP');
        // Controls (the browser has no Display screen), then fire, the fifth action.
        for (const key of ['ArrowDown', 'ArrowDown', 'Enter', 'ArrowDown', 'ArrowDown',
                           'ArrowDown', 'ArrowDown', 'Enter', 'KeyX', 'Escape', 'Escape'])
          await page.keyboard.press(key);
        await until(
            'fire = X stored', kPatience, async () => ({
              ok: /^fire = X$/m.test(
                  await page.evaluate(() => localStorage.getItem('ferrowyn-settings')))
            }));
        check(await page.evaluate(() => window.stayedHere === true), 'saving reloaded the page');
        check((await fireKeys()) === 'X', `the table shows fire as ${await fireKeys()}`);
        await until(
            'no shell of ours in flight', kPatience,
            async () => ({ok: shellsInFlight(await world(page)) === 0}));
        await page.keyboard.press('KeyX');
        await until('a shell from X', kPatience, async () => ({ok: shellsInFlight(await world(page)) > 0}));
      }
    ],
    [
      'Forget clears the settings',
      async () => {
        // Forgetting reloads the page: wait for the new one, not the one already loaded.
        await Promise.all([page.waitForEvent('load'), page.click('#default-settings')]);
        await started();
        check(
            await page.evaluate(() => localStorage.getItem('ferrowyn-settings')) === null,
            'the settings are still stored');
        check((await fireKeys()) === 'SPACE', `the table shows fire as ${await fireKeys()}`);
        noErrors(page);
      }
    ],
  ]);
  await page.context().close();
}

// A phone held sideways, and upright: a touch screen of its size, played with fingers through
// the browser's own touch input (the page sees what a phone sends), several at once.
const kSideways = {width: 844, height: 390};
const kUpright = {width: 390, height: 844};

// Fingers on the touch screen by id, each on a control of the page.
async function fingers(page) {
  const cdp = await page.context().newCDPSession(page);
  const down = new Map();
  const send = (type, points) => cdp.send('Input.dispatchTouchEvent', {type, touchPoints: points});
  return {
    // Puts finger `id` down on `selector`, or slides it there if it is down: at the middle, or
    // `dx`, `dy` (shares of the control's size) from it.
    async place(id, selector, dx = 0, dy = 0) {
      const box = await page.locator(selector).boundingBox();
      const type = down.has(id) ? 'touchMove' : 'touchStart';
      down.set(id, {id, x: box.x + box.width * (0.5 + dx), y: box.y + box.height * (0.5 + dy)});
      await send(type, [...down.values()]);
    },
    // Chromium lifts the fingers a touchEnd names and leaves the others down.
    async lift(id) {
      const finger = down.get(id);
      down.delete(id);
      await send('touchEnd', [finger]);
    },
    async liftAll() {
      if (down.size) await send('touchEnd', [...down.values()]);
      down.clear();
    },
  };
}

// Where the page is drawn in the viewport, what the page could scroll, and the touch controls.
async function phoneLayout(page) {
  const laid = await page.evaluate(() => {
    const box = (element) => {
      const {x, y, width, height} = element.getBoundingClientRect();
      return {x, y, width, height};
    };
    const scroller = document.scrollingElement;
    return {
      canvas: box(document.getElementById('screen')),
      ratio: devicePixelRatio,
      size: [Module.canvas.width, Module.canvas.height],
      scrolls: [scroller.scrollWidth - innerWidth, scroller.scrollHeight - innerHeight],
      controls: [...document.querySelectorAll('#touch .pad, #touch button')].map(
          (control) => ({name: control.className.split(' ')[0], ...box(control)})),
    };
  });
  const inside = pageRect(...laid.size);
  const scale = 1 / laid.ratio;
  laid.picture = {
    x: laid.canvas.x + inside.x * scale,
    y: laid.canvas.y + inside.y * scale,
    width: inside.width * scale,
    height: inside.height * scale
  };
  return laid;
}
const overlaps = (a, b) =>
    a.x < b.x + b.width && b.x < a.x + a.width && a.y < b.y + b.height && b.y < a.y + a.height;

// The picture as large as the viewport allows, nothing to scroll, the controls thumb-sized and
// clear of the middle of the field (its middle 60 %: the field is the page below its top 80
// rows). The host sizes the canvas on its next frame after the viewport turns: waits for that.
async function fitsSideways(page) {
  const found = await until('the phone layout', kPatience, async () => {
    const laid = await phoneLayout(page);
    const {picture} = laid;
    const faults = [];
    if (picture.height < kSideways.height - 3 && picture.width < kSideways.width - 3)
      faults.push(`the picture is ${picture.width}x${picture.height}`);
    if (laid.scrolls[0] > 0 || laid.scrolls[1] > 0)
      faults.push(`the page scrolls by ${laid.scrolls}`);
    const unit = picture.width / 800;
    const middle = {
      x: picture.x + 160 * unit,
      y: picture.y + (80 + 104) * unit,
      width: 480 * unit,
      height: 312 * unit
    };
    for (const control of laid.controls) {
      if (overlaps(control, middle)) faults.push(`${control.name} covers the field's middle`);
      if (control.width < 44 || control.height < 44)
        faults.push(`${control.name} is ${control.width}x${control.height}, small for a thumb`);
    }
    return {ok: faults.length === 0, note: faults.join(', '), picture};
  });
  const {picture} = found;
  return `picture ${picture.width}x${picture.height} at ${picture.x},${picture.y}`;
}

// Two fingers at once: the stick drives left while Fire fires; Fire lifted, the tank drives on
// and its shells run out; Fire down again and the stick lifted, the tank stands and fires.
// Enemies fire from the start: a tank shot meanwhile gets another try once back.
async function drivesAndFires(page, touch) {
  let waited;
  for (let attempt = 0; attempt < 3; attempt++) {
    await until('the tank on the field, none of its shells in flight', kPatience, async () => {
      const state = await world(page);
      return {ok: state.player_tank.state === 2 && shellsInFlight(state) === 0};
    });
    let shot = false;
    const watch = (what, test) => until(what, kPatience, async () => {
      waited = what;
      const state = await world(page);
      shot = state.player_tank.state !== 2;
      return {
        ok: shot || test(state),
        note: `x ${state.player_tank.x}, ${shellsInFlight(state)} shells`
      };
    });
    const start = (await world(page)).player_tank.x;
    try {
      await touch.place(1, '#touch .pad', -0.4, 0);
      await touch.place(2, '#touch .fire');
      let flew = false;
      await watch('the tank 20 pixels to the left and a shell, both fingers down', (state) => {
        flew = flew || shellsInFlight(state) > 0;
        return flew && state.player_tank.x < start - 20;
      });
      if (shot) continue;
      await page.screenshot({path: file('phone-two-fingers.png')});
      await touch.lift(2);
      const lifted = (await world(page)).player_tank.x;
      await watch(
          'Fire lifted: the shells gone, the tank driving on',
          (state) => shellsInFlight(state) === 0 && state.player_tank.x < lifted - 20);
      if (shot) continue;
      await touch.place(3, '#touch .fire');
      await touch.lift(1);
      // The shells fly left, away from the tank: one seen to the right of where its slot was
      // last seen, or in a slot seen empty, was fired since. Counted from the second reading
      // with the tank in its place, when the stick's release has certainly been taken.
      let still = {x: -1, frame: 0};
      let seen = null;
      let fired = false;
      await watch('the stick lifted: the tank standing 10 frames, Fire firing anew', (state) => {
        const now = state.player_shells.map((shell) => (shell.state === 1 ? shell.x : -1));
        if (state.player_tank.x !== still.x) {
          still = {x: state.player_tank.x, frame: state.frame};
          seen = null;
          fired = false;
          return false;
        }
        if (seen) fired = fired || now.some((x, slot) => x >= 0 && x > seen[slot]);
        seen = now;
        return fired && state.frame >= still.frame + 10;
      });
      if (shot) continue;
      return `x ${start} -> ${lifted} -> ${still.x}`;
    } finally {
      await touch.liftAll();
    }
  }
  throw new Error(`the tank was shot in every try (the last while waiting for ${waited})`);
}

async function phoneFlow(browser, url) {
  const page =
      await openPage(browser, url, {device: {viewport: kSideways, hasTouch: true, isMobile: true}});
  const touch = await fingers(page);
  const turnShown = () => page.isVisible('#turn');
  await flow('phone', [
    [
      'held sideways, the picture fills the screen, nothing scrolls, the controls stand clear ' +
          'of the field\'s middle',
      async () => {
        await until(
            'the title', kPatience,
            async () => ({
              ok: await page.evaluate(() => Module.ferrowyn && Module.ferrowyn.presents > 0)
            }));
        check(await page.isVisible('#touch .fire'), 'no touch controls on a touch screen');
        check(!(await turnShown()), 'asked to turn a phone held sideways');
        const fits = await fitsSideways(page);
        await page.screenshot({path: file('phone-sideways.png')});
        return fits;
      }
    ],
    [
      'a finger on Start starts a game',
      async () => {
        // Held until the game shows it taken.
        await touch.place(1, '#touch .start');
        await until('a game', kPatience, async () => ({ok: (await world(page)).game_mode === 2}));
        await touch.lift(1);
      }
    ],
    [
      'a thumb on the stick, slid to the right, drives right',
      async () => drivesRight(page, async () => {
        await touch.place(1, '#touch .pad');
        await touch.place(1, '#touch .pad', 0.4, 0);
      }, () => touch.lift(1))
    ],
    [
      'two fingers drive and fire at once; each lifted lets go of its own key',
      async () => drivesAndFires(page, touch)
    ],
    [
      'held upright, the page asks to be turned and the game waits; sideways, it plays again',
      async () => {
        await page.setViewportSize(kUpright);
        await until('the prompt to turn', kPatience, async () => ({ok: await turnShown()}));
        const covers = await page.evaluate(
            () => !!document.elementFromPoint(innerWidth / 2, innerHeight / 2).closest('#turn'));
        check(covers, 'the prompt does not cover the page');
        await until('the pause to take hold', kPatience, () => holdsStill(page));
        await page.screenshot({path: file('phone-upright.png')});
        await page.setViewportSize(kSideways);
        await until('the prompt gone', kPatience, async () => ({ok: !(await turnShown())}));
        const fits = await fitsSideways(page);
        await page.screenshot({path: file('phone-paused.png')});
        // In the menu Mine goes back, and the game goes on.
        const held = (await world(page)).frame;
        await touch.place(1, '#touch .mine');
        await touch.lift(1);
        await until(
            'the game to go on', kPatience,
            async () => ({ok: (await world(page)).frame > held + 5}));
        return fits;
      }
    ],
    [
      'Menu pauses',
      async () => {
        await touch.place(1, '#touch .menu');
        await touch.lift(1);
        await until('the pause to take hold', kPatience, () => holdsStill(page));
        noErrors(page);
      }
    ],
  ]);
  await page.context().close();
}

// A game left alone to its end enters the high scores kept in the browser, and the menu
// lists them.
async function scoresFlow(browser, url) {
  const page = await openPage(browser, url);
  await flow('scores', [
    [
      'a game left alone to its end enters the table',
      async () => {
        await until(
            'the title', kPatience,
            async () => ({ok: await page.evaluate(() => Module.ferrowyn && Module.ferrowyn.presents > 0)}));
        await page.keyboard.press('F1');
        const stored = await until(
            'a high score', kPatience, async () => {
              const text = await page.evaluate(() => localStorage.getItem('ferrowyn-scores'));
              return {ok: /^\d+ 1 \d{4}-\d\d-\d\d keyboard$/m.test(text || ''), note: text};
            });
        noErrors(page);
        return stored.note.trim().split('\n').pop();
      }
    ],
  ]);
  await page.context().close();
}

// A browser without WebAssembly gets a message instead of a game; one without Web Audio
// gets the game, silent, and a note saying why; one without AudioWorklet the older way to play.
async function missingFlow(browser, url) {
  await flow('missing', [
    [
      'without WebAssembly the page says so',
      async () => {
        const page = await openPage(browser, url, {before: () => delete window.WebAssembly});
        await page.waitForSelector('text=cannot run WebAssembly', {timeout: kPatience * 1000});
        noErrors(page);
        await page.context().close();
      }
    ],
    [
      'without Web Audio the game plays silently and the page says so',
      async () => {
        const page = await openPage(browser, url, {
          before: () => {
            delete window.AudioContext;
            delete window.webkitAudioContext;
          }
        });
        await page.waitForSelector('text=no Web Audio', {timeout: kPatience * 1000});
        await until('pictures', kPatience, async () => ({ok: (await stats(page)).presents > 20}));
        await page.keyboard.press('F1');
        await until(
            'a game', kPatience, async () => ({ok: (await world(page)).game_mode === 2}));
        check((await stats(page)).audio === null, 'an audio output without Web Audio');
        noErrors(page);
        await page.context().close();
      }
    ],
    [
      'without the scheduler\'s delayed tasks the game still runs at 45 presents a second',
      async () => {
        // Its sleeps then wait on timers, which the browser holds to 4 ms at least when set
        // from one another.
        const page = await openPage(browser, url, {before: () => delete window.scheduler});
        await until('pictures', kPatience, async () => ({ok: (await stats(page)).presents > 20}));
        await page.keyboard.press('F1');
        await until('a game', kPatience, async () => ({ok: (await world(page)).game_mode === 2}));
        const rate = await page.evaluate(async () => {
          const start = [performance.now(), Module.ferrowyn.presents];
          await new Promise((resolve) => setTimeout(resolve, 3000));
          return (Module.ferrowyn.presents - start[1]) * 1000 / (performance.now() - start[0]);
        });
        check(Math.abs(rate - 45) <= 2, `${rate.toFixed(1)} presents/s`);
        noErrors(page);
        await page.context().close();
        return `${rate.toFixed(1)} presents/s`;
      }
    ],
    [
      'without AudioWorklet a script processor plays the sound',
      async () => {
        const page = await openPage(browser, url, {before: () => delete window.AudioWorkletNode});
        await until('pictures', kPatience, async () => ({ok: (await stats(page)).presents > 20}));
        await page.keyboard.press('F1');
        const audio = await until('sound', kPatience, async () => {
          const now = (await stats(page)).audio;
          return {
            ok: now.state === 'running' && now.chunks > 5 && now.peak > 0.01,
            note: JSON.stringify(now),
            now
          };
        });
        check(audio.now.path === 'script-processor', `played by ${audio.now.path}`);
        noErrors(page);
        await page.context().close();
        return `peak ${audio.now.peak.toFixed(3)}`;
      }
    ],
  ]);
}

// The same script through the page's test hook and through the runner: the same world after
// every frame (the clock readings aside, which are real time in the browser).
async function determinismFlow(browser, url) {
  const withoutTicks = (text) =>
      text.trim().split('\n').map((line) => line.replace(/"tick":\d+,/, ''));
  await flow('determinism', [
    [
      `a scripted run leaves the runner's world after each of ${kScriptFrames} frames`,
      async () => {
        fs.writeFileSync(file('script.txt'), script);
        execFileSync(
            runner,
            [
              '--data', data, '--script', file('script.txt'), '--frames', String(kScriptFrames),
              '--start-tick', '0', '--trace', file('runner-trace.jsonl')
            ],
            {stdio: 'pipe'});
        const context = await browser.newContext();
        const page = await context.newPage();
        const errors = [];
        page.on('console', (message) => message.type() === 'error' && errors.push(message.text()));
        await page.route('**/test-script.txt', (route) => route.fulfill({body: script}));
        await page.goto(`${url}?script=test-script.txt&frames=${kScriptFrames}&start-tick=0`);
        await page.waitForSelector('#again', {state: 'visible', timeout: 30000});
        const trace = await page.evaluate(() => Module.ferrowyn.reports.trace);
        await context.close();
        fs.writeFileSync(file('web-trace.jsonl'), trace);
        check(errors.length === 0, `console errors: ${errors.join(' | ')}`);
        const web = withoutTicks(trace);
        const headless = withoutTicks(fs.readFileSync(file('runner-trace.jsonl'), 'utf8'));
        check(
            web.length === kScriptFrames && headless.length === kScriptFrames,
            `${web.length} frames in the browser, ${headless.length} from the runner`);
        const differs = web.findIndex((line, frame) => line !== headless[frame]);
        check(differs < 0, `frame ${differs} differs: see ${out}/*-trace.jsonl`);
        const last = JSON.parse(web[web.length - 1]);
        return `last frame: level ${last.level}, score ${last.score}, lives ${last.lives}`;
      }
    ],
  ]);
}

function downloadSizes() {
  for (const name of ['ferrowyn.wasm', 'ferrowyn.js']) {
    const bytes = fs.readFileSync(path.join(site, name));
    const gzipped = zlib.gzipSync(bytes, {level: 9}).length;
    figures.push(`${name} ${(bytes.length / 1024).toFixed(0)} KB (${
        (gzipped / 1024).toFixed(0)} KB gzipped)`);
  }
}

// The runner's picture of the title, to hold the browser's against.
execFileSync(
    runner, ['--data', data, '--frames', '21', '--capture', out, '--capture-frames', '20'],
    {stdio: 'pipe'});
const expectedTitle = file('frame-000020.png');

// A player in full screen presses Escape to leave it. Chromium takes that key for itself, with
// real key delivery: the page sees no key and the game goes on; the next Escape is the game's.
// Playwright's own keys skip the browser's handling, so the keys come from the X server, to a
// browser with a window of its own on a private Xvfb.
async function fullScreenEscapeFlow(url) {
  const xvfb = spawn('Xvfb', ['-displayfd', '1', '-screen', '0', '1280x800x24', '-nolisten', 'tcp'],
                     {stdio: ['ignore', 'pipe', 'ignore']});
  const display = await new Promise((resolve, reject) => {
    xvfb.stdout.once('data', (chunk) => resolve(`:${String(chunk).trim()}`));
    xvfb.on('exit', () => reject(new Error('Xvfb did not start')));
  });
  const env = {...process.env, DISPLAY: display};
  const xdotool = (...args) => execFileSync('xdotool', args, {env}).toString().trim();
  const windowed = await chromium.launch({
    executablePath: '/usr/bin/chromium',
    headless: false,
    env,
    args: ['--no-sandbox', '--disable-gpu', '--no-first-run', '--disable-component-update'],
  });
  try {
    const page = await windowed.newPage();
    await page.goto(url);
    await flow('escape in full screen', [
      [
        'Escape leaves full screen and the game goes on; the next Escape ends it',
        async () => {
          await until('a first picture', kPatience, async () => ({
            ok: await page.evaluate(() => window.Module && Module.ferrowyn &&
                                            Module.ferrowyn.presents > 0),
          }));
          const chromiumWindow = xdotool('search', '--onlyvisible', '--class', 'chromium').split('\n').pop();
          xdotool('windowfocus', '--sync', chromiumWindow);
          await page.click('#fullscreen');
          await until('full screen', kPatience, async () => ({
            ok: await page.evaluate(() => !!document.fullscreenElement),
          }));
          xdotool('key', 'Escape');
          await until('out of full screen', kPatience, async () => ({
            ok: await page.evaluate(() => !document.fullscreenElement),
          }));
          // The game would end within a few frames of a key it saw.
          const presents = await page.evaluate(() => Module.ferrowyn.presents);
          await until('the game to go on', kPatience, async () => ({
            ok: await page.evaluate((p) => Module.ferrowyn.presents > p + 20, presents),
          }));
          check(!(await page.isVisible('#again')), 'leaving full screen ended the game');
          xdotool('key', 'Escape');
          await page.waitForSelector('#again', {state: 'visible', timeout: kPatience * 1000});
        },
      ],
    ]);
  } finally {
    await windowed.close();
    xvfb.kill();
  }
}

const {server, url} = await serveSite(site);
// playwright gives the browser a fresh profile folder of its own (--user-data-dir) and removes it.
const browser = await chromium.launch({
  executablePath: '/usr/bin/chromium',
  args: [
    '--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
    '--disable-background-networking', '--disable-component-update', '--disable-sync'
  ],
});
try {
  await keyboardFlow(browser, url, expectedTitle);
  await padFlow(browser, url);
  await settingsFlow(browser, url);
  await phoneFlow(browser, url);
  await scoresFlow(browser, url);
  await missingFlow(browser, url);
  await determinismFlow(browser, url);
  await fullScreenEscapeFlow(url);
} finally {
  await browser.close();
  server.kill();
}
downloadSizes();
console.log(`figures: ${figures.join(', ')}`);
if (failed) console.log(`screenshots and traces: ${out}`);
console.log(`web: ${passed} passed, ${failed} failed`);
process.exit(failed ? 1 : 0);
