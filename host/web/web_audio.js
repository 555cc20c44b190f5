// The web host's audio output on the browser's audio thread (an AudioWorklet): plays what the
// game's mixer made on the main thread, and asks for more before it runs out. The main thread
// answers between the game's frames, so a few frames' worth is kept queued.

const CHUNK = 1024;  // frames a request asks for
const AHEAD = 4096;  // frames kept queued or asked for: about 85 ms at 48 kHz

class FerrowynOutput extends AudioWorkletProcessor {
  constructor() {
    super();
    this.queue = [];  // [left, right] pairs of Float32Arrays
    this.offset = 0;  // frames of queue[0] already played
    this.queued = 0;
    this.asked = 0;
    this.started = false;
    this.underruns = 0;
    this.port.onmessage = (event) => {
      this.queue.push(event.data);
      this.queued += event.data[0].length;
      this.asked -= CHUNK;
      this.started = true;
    };
    this.ask();
  }

  ask() {
    while (this.queued + this.asked < AHEAD) {
      this.port.postMessage({frames: CHUNK, underruns: this.underruns});
      this.asked += CHUNK;
    }
  }

  process(inputs, outputs) {
    const [left, right] = outputs[0];
    let done = 0;
    while (done < left.length && this.queue.length > 0) {
      const [l, r] = this.queue[0];
      const n = Math.min(left.length - done, l.length - this.offset);
      left.set(l.subarray(this.offset, this.offset + n), done);
      right.set(r.subarray(this.offset, this.offset + n), done);
      done += n;
      this.offset += n;
      this.queued -= n;
      if (this.offset === l.length) {
        this.queue.shift();
        this.offset = 0;
      }
    }
    if (done < left.length) {
      left.fill(0, done);
      right.fill(0, done);
      if (this.started) this.underruns++;
    }
    this.ask();
    return true;
  }
}

registerProcessor('ferrowyn-output', FerrowynOutput);
