// Where the browser's main thread spends its time while the game plays. Opens the built page
// in Debian's Chromium with the browser test's flags and window, starts a game, drives and
// fires, and for a few seconds reads the main thread's share as the test does (CDP
// Performance.getMetrics: TaskDuration, ScriptDuration, and ThreadTime, its CPU time); unless
// --measure, it also records a trace and a CPU profile and prints the main thread's tasks by
// kind (wall and CPU time), the trace events by self time, and the functions by self time.
// usage: node scripts/profile-web.mjs SITE [--seconds N] [--measure] [--out DIR]
//   SITE: the built page (build-web/); DIR: keeps trace.json and cpu.cpuprofile for DevTools.
// A build linked with --profiling-funcs names the WebAssembly functions (wasm-function[N]
// otherwise). Tracing and sampling slow the page: read shares from a --measure run.
import fs from 'node:fs';
import {createRequire} from 'node:module';
import path from 'node:path';

import {serveSite} from '../tests/e2e/serve_site.mjs';

const require = createRequire(new URL('../web/package.json', import.meta.url));
const {chromium} = require('playwright-core');

const args = process.argv.slice(2);
const option = (name) => {
  const at = args.indexOf(name);
  return at >= 0 ? args.splice(at, 2)[1] : null;
};
const seconds = Number(option('--seconds') || 6);
const out = option('--out');
const measureOnly = args.includes('--measure');
const site = args.find((arg) => !arg.startsWith('--'));
if (!site) {
  console.error('usage: node scripts/profile-web.mjs SITE [--seconds N] [--measure] [--out DIR]');
  process.exit(2);
}

const {server, port} = await serveSite(path.resolve(site));
const browser = await chromium.launch({
  executablePath: '/usr/bin/chromium',
  args: [
    '--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
    '--disable-background-networking', '--disable-component-update', '--disable-sync'
  ],
});

const percent = (part, whole) => `${(part / whole * 100).toFixed(2).padStart(6)} %`;

// The renderer's main thread in the trace: its top-level tasks by what they ran, and every
// event's self time (its time less its children's).
function readTrace(trace) {
  const events = trace.traceEvents || trace;
  const main = events.find((e) => e.name === 'thread_name' && e.args.name === 'CrRendererMain' &&
                                  events.some((x) => x.pid === e.pid && x.name === 'FunctionCall'));
  const mine = events.filter((e) => e.pid === main.pid && e.tid === main.tid && e.ph === 'X' &&
                                    e.dur !== undefined && !/Profil|Tracing/.test(e.name))
                   .sort((a, b) => a.ts - b.ts || b.dur - a.dur);
  const span = Math.max(...mine.map((e) => e.ts + e.dur)) - Math.min(...mine.map((e) => e.ts));
  const tasks = [];
  const self = new Map();
  const stack = [];
  for (const event of mine) {
    while (stack.length && stack.at(-1).ts + stack.at(-1).dur <= event.ts) stack.pop();
    if (stack.length) {
      self.set(stack.at(-1).name, (self.get(stack.at(-1).name) || 0) - event.dur);
      tasks.at(-1).names.add(event.name);
    } else {
      tasks.push({event, names: new Set([event.name])});
    }
    self.set(event.name, (self.get(event.name) || 0) + event.dur);
    stack.push(event);
  }
  const kindOf = ({names}) => {
    if (names.has('ProxyMain::BeginMainFrame')) return 'the page\'s frame (style, paint, commit)';
    if (names.has('TimerFire')) return 'timers';
    if (names.has('RunPostTaskCallback')) return 'scheduler tasks';
    if (names.has('MessagePort::Accept')) return 'messages (the audio output)';
    if (names.has('FunctionCall')) return 'other scripts';
    return 'other';
  };
  const kinds = new Map();
  for (const task of tasks) {
    const kind = kinds.get(kindOf(task)) || {count: 0, wall: 0, cpu: 0};
    kind.count++;
    kind.wall += task.event.dur;
    kind.cpu += task.event.tdur || 0;
    kinds.set(kindOf(task), kind);
  }
  console.log(`\ntrace, the main thread's tasks over ${(span / 1e6).toFixed(1)} s: wall, CPU`);
  for (const [name, kind] of [...kinds].sort((a, b) => b[1].wall - a[1].wall))
    console.log(`  ${percent(kind.wall, span)} ${percent(kind.cpu, span)}  ${
        String(kind.count).padStart(5)} × ${name}`);
  console.log('trace events by self time (wall):');
  for (const [name, us] of [...self].sort((a, b) => b[1] - a[1]).slice(0, 20))
    console.log(`  ${percent(us, span)}  ${name}`);
}

// The CPU profile: self time by function.
function readProfile(profile) {
  const nodes = new Map(profile.nodes.map((node) => [node.id, node]));
  const self = new Map();
  profile.samples.forEach((id, i) => {
    const frame = nodes.get(id).callFrame;
    const name = frame.functionName || `(anonymous ${frame.url.split('/').pop()}:${frame.lineNumber})`;
    self.set(name, (self.get(name) || 0) + (profile.timeDeltas[i + 1] || 0));
  });
  const span = profile.endTime - profile.startTime;
  console.log(`\nCPU profile, functions by self time over ${(span / 1e6).toFixed(1)} s:`);
  for (const [name, us] of [...self].sort((a, b) => b[1] - a[1]).slice(0, 30))
    console.log(`  ${percent(us, span)}  ${name.slice(0, 120)}`);
}

try {
  const page = await (await browser.newContext({viewport: {width: 1280, height: 800}})).newPage();
  await page.goto(`http://127.0.0.1:${port}/`);
  await page.waitForFunction(() => window.Module && Module.ferrowyn && Module.ferrowyn.presents > 0);
  await page.keyboard.press('F1');
  await page.waitForFunction(() => Module.ferrowyn.world().game_mode === 2);
  await page.waitForTimeout(2000);  // past the level's banner
  await page.keyboard.down('ArrowRight');
  const firing = setInterval(() => page.keyboard.press('Space').catch(() => {}), 700);

  const cdp = await page.context().newCDPSession(page);
  await cdp.send('Performance.enable');
  if (!measureOnly) {
    await cdp.send('Profiler.enable');
    await cdp.send('Profiler.setSamplingInterval', {interval: 200});
    await browser.startTracing(page, {
      categories: ['devtools.timeline', 'disabled-by-default-devtools.timeline', 'v8', 'blink', 'cc',
                   'toplevel', 'disabled-by-default-v8.gc']
    });
    await cdp.send('Profiler.start');
  }
  const first = await cdp.send('Performance.getMetrics');
  const presents = await page.evaluate(() => Module.ferrowyn.presents);
  await page.waitForTimeout(seconds * 1000);
  const second = await cdp.send('Performance.getMetrics');
  const presented = await page.evaluate(() => Module.ferrowyn.presents) - presents;
  clearInterval(firing);

  const metric = (all, name) => all.metrics.find((m) => m.name === name).value;
  const span = metric(second, 'Timestamp') - metric(first, 'Timestamp');
  const share = (name) => ((metric(second, name) - metric(first, name)) / span * 100).toFixed(1);
  console.log(`${(presented / span).toFixed(1)} presents/s, main thread busy ${
      share('TaskDuration')} % (scripts ${share('ScriptDuration')} %), its CPU ${
      share('ThreadTime')} %, the renderer's CPU ${share('ProcessTime')} %`);
  if (!measureOnly) {
    const {profile} = await cdp.send('Profiler.stop');
    const trace = JSON.parse((await browser.stopTracing()).toString());
    if (out) {
      fs.mkdirSync(out, {recursive: true});
      fs.writeFileSync(path.join(out, 'trace.json'), JSON.stringify(trace));
      fs.writeFileSync(path.join(out, 'cpu.cpuprofile'), JSON.stringify(profile));
    }
    readTrace(trace);
    readProfile(profile);
  }
} finally {
  await browser.close();
  server.kill();
}
