// The browser half of the web host (web_host.cpp): the canvas, the audio output, downloads, and
// what the page around the game is told. Bundled into the module ahead of it (--pre-js), so it
// sees the module's memory and exports. The page reaches it as Module.ferrowyn, and may give
// Module.ferrowynPage with any of: paused(on), ended(status), note(text), fullScreen(),
// settings(text) (the settings in effect, whenever they change).

var FerrowynHost = {
  presents: 0,
  reports: {},
  settingsText: '',  // the settings in effect, as the desktop's settings file
  audio: null,
  image: null,

  tellPage(what, value) {
    const page = Module['ferrowynPage'];
    if (page && page[what]) page[what](value);
  },

  canvas() { return Module['canvas']; },

  fullScreen() { this.tellPage('fullScreen'); },
  note(text) { this.tellPage('note', text); },

  // What the player's layout prints on a key by its KeyboardEvent.code, where the browser
  // tells (Chromium's keyboard map, asked for once); '' otherwise.
  layout: null,
  keyLabel(code) {
    if (this.layout === null) {
      this.layout = new Map();
      if (navigator.keyboard && navigator.keyboard.getLayoutMap)
        navigator.keyboard.getLayoutMap().then((map) => { this.layout = map; }, () => {});
    }
    const label = this.layout.get(code);
    return label ? label.toUpperCase() : '';
  },

  // A text the page keeps (the settings, the high scores); '' when there is none, or storage
  // is switched off (or refused to a page opened from a file).
  stored(name) {
    try {
      return localStorage.getItem(name) || '';
    } catch (e) {
      return '';
    }
  },
  // Kept for the next visit; the page is not reloaded.
  store(name, text) {
    try {
      localStorage.setItem(name, text);
    } catch (e) {
      this.note('This browser keeps nothing for the page: ' + e.message);
    }
  },

  // The canvas's size on the screen in device pixels: the page is scaled for those. Measured
  // again only once the canvas or the window has changed size, since measuring makes the
  // browser lay the page out first.
  measured: null,
  canvasSize() {
    if (this.measured) return this.measured;
    const box = this.canvas().getBoundingClientRect();
    const ratio = window.devicePixelRatio || 1;
    const size = [Math.round(box.width * ratio), Math.round(box.height * ratio)];
    if (typeof ResizeObserver !== 'function') return size;
    if (!this.sizeWatch) {
      const forget = () => { this.measured = null; };
      this.sizeWatch = new ResizeObserver(forget);
      try {
        // Its size in device pixels changes with the zoom, or on another screen, too.
        this.sizeWatch.observe(this.canvas(), {box: 'device-pixel-content-box'});
      } catch (e) {
        this.sizeWatch.observe(this.canvas());
        addEventListener('resize', forget);
      }
    }
    this.measured = size;
    return size;
  },

  resizeCanvas(width, height) {
    const canvas = this.canvas();
    canvas.width = width;
    canvas.height = height;
    // Desynchronized: the browser shows what was drawn as the task that drew it ends, without
    // the page's own frame (style, paint, the commit to the compositor) around it each time.
    this.context = canvas.getContext('2d', {alpha: false, desynchronized: true});
    this.context.fillStyle = '#000';
    this.context.fillRect(0, 0, width, height);
  },

  // The rectangle (areaX, areaY, areaWidth, areaHeight) of the scaled page held at `pixels`
  // (`width` x `height` RGBA pixels), the page put at (x, y).
  putArea(pixels, x, y, width, height, areaX, areaY, areaWidth, areaHeight) {
    // A view of the module's memory, made afresh: growing the memory replaces its buffer.
    const bytes = new Uint8ClampedArray(HEAPU8.buffer, pixels, width * height * 4);
    this.context.putImageData(
        new ImageData(bytes, width, height), x, y, areaX, areaY, areaWidth, areaHeight);
    this.drawn = {pixels, x, y, width, height};
  },

  // Resolves at about `due` (performance.now()'s milliseconds): a timer takes whole
  // milliseconds and ends a few tenths after its time, so it is set for the whole milliseconds
  // left. Browsers hold a timer set from a timer five deep to 4 ms at least, and the game's
  // sleeps would all be that deep: the scheduler's delayed tasks wait instead where there are
  // some, and elsewhere each timer ends in a message, in whose task the game goes on.
  sleepUntil(due) {
    const delay = Math.max(0, Math.floor(due - performance.now()));
    if (globalThis.scheduler && scheduler.postTask) return scheduler.postTask(() => {}, {delay});
    if (!this.waker) {
      this.waker = new MessageChannel();
      this.waker.port1.onmessage = () => this.waking();
    }
    return new Promise((resolve) => {
      this.waking = resolve;
      setTimeout(() => this.waker.port2.postMessage(0), delay);
    });
  },

  showCursor(visible) { this.canvas().style.cursor = visible ? '' : 'none'; },

  // Opens the output and returns its rate, or 0 when the browser has no Web Audio. Browsers
  // start it suspended: it runs from the first key or click on the page.
  openAudio() {
    const Context = globalThis.AudioContext || globalThis.webkitAudioContext;
    let context = null;
    try {
      context = new Context({sampleRate: 48000, latencyHint: 'interactive'});
    } catch (e) {
      try {
        context = Context ? new Context() : null;
      } catch (e2) {
      }
    }
    if (!context) {
      this.note('This browser has no Web Audio: the game plays without sound.');
      return 0;
    }
    const chunk = 2048;
    this.audio = {
      context,
      path: '',
      paused: false,
      chunks: 0,
      underruns: 0,
      peaks: new Float32Array(64),
      buffer: _malloc(chunk * 4),
      chunk,
    };
    const wake = () => {
      // Refused without the user's gesture: the next key, click or touch tries again.
      if (context.state === 'suspended' && !this.audio.paused) context.resume().catch(() => {});
    };
    // A touch counts as the user's gesture only as the finger lifts.
    for (const gesture of ['keydown', 'pointerdown', 'pointerup', 'touchend'])
      addEventListener(gesture, wake, true);
    // The worklet plays on the audio thread; where it cannot be had (an insecure origin, an
    // older browser) a script processor plays on this one.
    if (context.audioWorklet && typeof AudioWorkletNode === 'function') {
      context.audioWorklet.addModule(locateFile('ferrowyn-audio.js'))
          .then(() => this.startWorklet())
          .catch(() => this.startScriptProcessor());
    } else {
      this.startScriptProcessor();
    }
    return context.sampleRate;
  },

  startWorklet() {
    const audio = this.audio;
    const node = new AudioWorkletNode(
        audio.context, 'ferrowyn-output', {numberOfInputs: 0, outputChannelCount: [2]});
    node.port.onmessage = (event) => {
      audio.underruns = event.data.underruns;
      const [left, right] = this.mix(event.data.frames);
      node.port.postMessage([left, right], [left.buffer, right.buffer]);
    };
    node.connect(audio.context.destination);
    audio.path = 'worklet';
  },

  startScriptProcessor() {
    const audio = this.audio;
    const node = audio.context.createScriptProcessor(audio.chunk, 0, 2);
    node.onaudioprocess = (event) => {
      const out = event.outputBuffer;
      const [left, right] = this.mix(out.length);
      out.copyToChannel(left, 0);
      out.copyToChannel(right, 1);
    };
    node.connect(audio.context.destination);
    audio.path = 'script-processor';
  },

  // The game's mixer, pulled for `frames` stereo frames, as two channels of floats.
  mix(frames) {
    const audio = this.audio;
    frames = Math.min(frames, audio.chunk);
    _web_host_mix(audio.buffer, frames);
    const samples = HEAP16.subarray(audio.buffer >> 1, (audio.buffer >> 1) + frames * 2);
    const left = new Float32Array(frames);
    const right = new Float32Array(frames);
    let peak = 0;
    for (let i = 0; i < frames; i++) {
      left[i] = samples[2 * i] / 32768;
      right[i] = samples[2 * i + 1] / 32768;
      peak = Math.max(peak, Math.abs(left[i]), Math.abs(right[i]));
    }
    audio.peaks[audio.chunks++ % audio.peaks.length] = peak;
    return [left, right];
  },

  setPaused(paused) {
    const audio = this.audio;
    if (audio) {
      audio.paused = paused;
      (paused ? audio.context.suspend() : audio.context.resume()).catch(() => {});
    }
    this.tellPage('paused', paused);
  },

  // Offers `width` x `height` RGBA pixels as a PNG download named `name`.
  downloadPng(pixels, width, height, name) {
    const canvas = document.createElement('canvas');
    canvas.width = width;
    canvas.height = height;
    const bytes = new Uint8ClampedArray(HEAPU8.buffer, pixels, width * height * 4);
    canvas.getContext('2d').putImageData(new ImageData(bytes, width, height), 0, 0);
    canvas.toBlob((blob) => {
      const link = document.createElement('a');
      link.href = URL.createObjectURL(blob);
      link.download = name;
      link.click();
      setTimeout(() => URL.revokeObjectURL(link.href), 10000);
    }, 'image/png');
  },

  finished(status) {
    if (this.audio) this.audio.context.close();
    this.showCursor(true);
    this.tellPage('ended', status);
  },

  // For the page and its tests.
  stats() {
    const audio = this.audio;
    return {
      presents: this.presents,
      audio: audio && {
        state: audio.context.state,
        path: audio.path,
        rate: audio.context.sampleRate,
        chunks: audio.chunks,
        underruns: audio.underruns,
        peak: Math.max(...audio.peaks),  // the loudest of the last few chunks, 0..1
      },
    };
  },
  world() {
    const text = UTF8ToString(_web_host_inspect());
    return text ? JSON.parse(text) : null;
  },
  // How many pixels of the page on the canvas differ from the scaled page last put there.
  canvasDiffers() {
    const {pixels, x, y, width, height} = this.drawn;
    const shown = this.context.getImageData(x, y, width, height).data;
    const drawn = HEAPU8.subarray(pixels, pixels + width * height * 4);
    let differ = 0;
    for (let i = 0; i < shown.length; i += 4) {
      if (shown[i] !== drawn[i] || shown[i + 1] !== drawn[i + 1] || shown[i + 2] !== drawn[i + 2])
        differ++;
    }
    return differ;
  },
  pause(on) { _web_host_set_paused(on ? 1 : 0); },
  screenshot() { _web_host_screenshot(); },
  // A touch control by the settings' action number (up 0 ... fire 4, mine 5, start 6, pause 9).
  touch(action, down) { _web_host_touch(action, down ? 1 : 0); },
};
Module['ferrowyn'] = FerrowynHost;
FerrowynHost.keyLabel('KeyA');  // the browser answers with the layout later
