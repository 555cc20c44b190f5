// The page around the game: loads it with a progress bar, full screen on F11 or the button, and
// says what happened when something is missing or the game has ended. The game itself (and its
// host, which scales the picture into the canvas) is ferrowyn.js.
//
// For tests: ?script=URL&frames=N&start-tick=T plays the headless runner's script with its
// options; Module.ferrowyn then has stats(), world() and reports.trace.
'use strict';

(function() {
const $ = (id) => document.getElementById(id);
const stage = $('stage');
const canvas = $('screen');
const overlay = $('overlay');
const message = $('message');
const progress = $('progress');
const again = $('again');
let ended = false;

function show(text, {loading = false, restart = false} = {}) {
  if (!text.startsWith('Paused')) overlay.classList.remove('bar');
  message.textContent = text;
  progress.hidden = !loading;
  again.hidden = !restart;
  overlay.hidden = false;
}
function note(text) {
  $('notes').textContent = text;
  $('notes').hidden = false;
}

if (typeof WebAssembly !== 'object' || typeof WebAssembly.instantiate !== 'function') {
  show(
      'This browser cannot run WebAssembly, which the game needs. ' +
      'A current Firefox, Chrome, Edge or Safari can.');
  return;
}

function toggleFullScreen() {
  if (document.fullscreenElement) {
    document.exitFullscreen();
  } else if (stage.requestFullscreen) {
    stage.requestFullscreen().catch(() => note('The browser refused full screen here.'));
  }
}
$('fullscreen').addEventListener('click', toggleFullScreen);
$('picture').addEventListener('click', () => Module.ferrowyn.screenshot());
again.addEventListener('click', () => location.reload());
overlay.addEventListener('click', () => {
  if (!ended && Module.ferrowyn) Module.ferrowyn.pause(false);
});
canvas.focus();

// Touch controls over the game, shown on a touch screen (or once the page is touched): each
// holds its game key while a finger is on it, several fingers at once; in the menu the pad
// moves, Fire chooses and Mine goes back.
const touch = $('touch');
if (matchMedia('(pointer: coarse)').matches) touch.hidden = false;
window.addEventListener('touchstart', () => { touch.hidden = false; }, {once: true, passive: true});
function press(control, down) {
  if (control.classList.contains('held') === down) return;
  control.classList.toggle('held', down);
  if (window.Module && Module.ferrowyn) Module.ferrowyn.touch(Number(control.dataset.action), down);
}
// A finger keeps the control it came down on, wherever it slides.
function hold(control, event) {
  event.preventDefault();
  try {
    control.setPointerCapture(event.pointerId);
  } catch (error) {
    // A pointer the browser no longer knows: the control still holds until it is let go.
  }
}
const kLetGo = ['pointerup', 'pointercancel', 'lostpointercapture'];
for (const button of touch.querySelectorAll('button')) {
  button.addEventListener('pointerdown', (event) => {
    hold(button, event);
    press(button, true);
  });
  for (const type of kLetGo) button.addEventListener(type, () => press(button, false));
  button.addEventListener('contextmenu', (event) => event.preventDefault());
}
// The pad is a stick: where the thumb is, away from the middle, holds one of the four ways
// (the tank drives one way at a time), and sliding the thumb turns it.
const pad = touch.querySelector('.pad');
let padFinger = null;
let padWay = null;
function steer(event) {
  const box = pad.getBoundingClientRect();
  const x = event.clientX - (box.left + box.width / 2);
  const y = event.clientY - (box.top + box.height / 2);
  let arrow = null;
  if (Math.hypot(x, y) >= box.width * 0.12) {
    const way = Math.abs(x) > Math.abs(y) ? (x > 0 ? 'right' : 'left') : (y > 0 ? 'down' : 'up');
    arrow = pad.querySelector('.' + way);
  }
  if (arrow === padWay) return;
  if (padWay) press(padWay, false);
  padWay = arrow;
  if (arrow) press(arrow, true);
}
pad.addEventListener('pointerdown', (event) => {
  if (padFinger !== null) return;
  padFinger = event.pointerId;
  hold(pad, event);
  steer(event);
});
pad.addEventListener('pointermove', (event) => {
  if (event.pointerId === padFinger) steer(event);
});
for (const type of kLetGo) {
  pad.addEventListener(type, (event) => {
    if (event.pointerId !== padFinger) return;
    padFinger = null;
    if (padWay) press(padWay, false);
    padWay = null;
  });
}
pad.addEventListener('contextmenu', (event) => event.preventDefault());
// A phone held upright is asked to turn (style.css): the game waits in its menu meanwhile.
matchMedia('(pointer: coarse) and (orientation: portrait) and (max-width: 32rem)')
    .addEventListener('change', (event) => {
      if (event.matches && window.Module && Module.ferrowyn && Module.ferrowyn.presents > 0)
        Module.ferrowyn.pause(true);
    });

// The settings live in this browser, in the desktop's file format; the game's menu changes
// them. Forgetting them starts the game afresh with the defaults.
const kSettings = 'ferrowyn-settings';
$('default-settings').addEventListener('click', () => {
  try {
    localStorage.removeItem(kSettings);
    location.reload();
  } catch (error) {
    note('This browser keeps no settings for the page: ' + error.message);
  }
});
// The controls table shows the keys and buttons the settings bind.
function showBindings(text) {
  const sections = {};
  let section = '';
  for (const raw of text.split('\n')) {
    const line = raw.replace(/#.*/, '').trim();
    const head = /^\[(\w+)\]$/.exec(line);
    if (head) {
      section = head[1];
      continue;
    }
    const pair = /^(\w+)\s*=\s*(.*)$/.exec(line);
    if (pair) (sections[section] = sections[section] || {})[pair[1]] = pair[2].trim();
  }
  // An action may have several: "LCONTROL RCONTROL" shows as "LCONTROL, RCONTROL".
  const bound = (where, name) => ((sections[where] || {})[name] || '').split(/[\s,]+/);
  const named = (where, names) =>
      names.split(' ').flatMap((name) => bound(where, name)).filter(Boolean).join(', ');
  for (const cell of document.querySelectorAll('[data-keys]'))
    cell.textContent = named('keys', cell.dataset.keys);
  for (const cell of document.querySelectorAll('[data-pad]'))
    cell.textContent = named('pad', cell.dataset.pad);
}

const params = new URLSearchParams(location.search);
const args = [];
for (const option of ['frames', 'start-tick']) {
  if (params.has(option)) args.push('--' + option, params.get(option));
}

window.Module = {
  canvas,
  arguments: args,
  preRun: [],
  ferrowynPage: {
    paused(on) {
      // The menu is drawn on the game's own screen: a line under it, not a cover over it.
      overlay.classList.toggle('bar', on);
      if (on && !touch.hidden)
        show('Paused: Menu, or a tap here, plays on.');
      else if (on)
        show('Paused: the menu is on the game. P, Start, or a click here plays on.');
      else
        overlay.hidden = true;
    },
    settings: showBindings,
    ended(status) {
      ended = true;
      show(
          status === 0 ? 'The game has ended.' : `The game stopped (status ${status}).`,
          {restart: true});
      again.focus();
    },
    note,
    fullScreen: toggleFullScreen,
  },
  // The data package reports "Downloading data... (loaded/total)"; '' when the game starts.
  setStatus(text) {
    const parts = /\((\d+)\/(\d+)\)/.exec(text);
    if (parts) {
      progress.max = Number(parts[2]);
      progress.value = Number(parts[1]);
    } else if (text === '') {
      overlay.hidden = true;
    }
  },
  onAbort(what) { show('The game could not start: ' + what); },
};

function start() {
  const script = document.createElement('script');
  script.src = 'ferrowyn.js';
  script.onerror = () => show('The game could not be loaded. Is the page served from its folder?');
  document.body.appendChild(script);
}

// After one visit the game plays offline (sw.js), which also makes the page installable.
if ('serviceWorker' in navigator) navigator.serviceWorker.register('sw.js').catch(() => {});

show('Loading…', {loading: true});
if (!params.has('script')) {
  start();
  return;
}
fetch(params.get('script'))
    .then((response) => {
      if (!response.ok) throw new Error(response.statusText);
      return response.text();
    })
    .then((text) => {
      Module.preRun.push(() => Module.FS.writeFile('/script.txt', text));
      args.push('--script', '/script.txt');
      start();
    })
    .catch((error) => show('The script could not be loaded: ' + error.message));
})();
