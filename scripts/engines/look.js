// Loaded ahead of page.js in the engine checks' copy of the page (scripts/test-engines.sh): counts the pictures
// the program copies into the canvas and notes when the start screen came on, when "Window" was clicked, when the
// first picture showed, the sound's context states and the keys as the page left them.
(function () {
  'use strict';
  const look = window.__look = {
    frames: 0, buttonsAt: null, clickedAt: null, firstPictureAt: null, contextStates: [], keys: [],
    // The demo's frame: the pacer's count (pictures dropped to keep up with the sound are not copied), else
    // the copies.
    frame: () => Math.max(look.frames, (window.Module && Module.korvaleFrames) || 0),
    fullscreen: () => {
      const element = document.fullscreenElement || document.webkitFullscreenElement;
      return element ? '#' + element.id : 'none';
    },
  };
  new MutationObserver(() => {
    const b = document.getElementById('play-window');
    if (look.buttonsAt === null && b && !b.disabled) look.buttonsAt = performance.now();
  }).observe(document, { subtree: true, attributes: true, attributeFilter: ['disabled'] });
  document.addEventListener('click', e => {
    if (look.clickedAt === null && e.target.closest && e.target.closest('.buttons')) look.clickedAt = performance.now();
  }, true);

  // The program draws into a picture of its own and copies it into the canvas once a frame.
  const blit = WebGL2RenderingContext.prototype.blitFramebuffer;
  WebGL2RenderingContext.prototype.blitFramebuffer = function (...a) {
    if (this.canvas === document.getElementById('canvas') && this.getParameter(this.DRAW_FRAMEBUFFER_BINDING) === null) {
      if (look.firstPictureAt === null) look.firstPictureAt = performance.now();
      ++look.frames;
    }
    return blit.apply(this, a);
  };

  // Seen last, after the page's own handlers: whether a key was kept from the browser, the code SDL reads.
  window.addEventListener('keydown', e => look.keys.push([e.key, e.defaultPrevented, e.keyCode]));

  // What the page sends to the speakers, recorded on request beside them by a worklet: signed 16-bit stereo,
  // what the demo mixed scaled back, from the context's time in its first message. It is what the page plays,
  // before the engine's and the sound server's own buffers, which may add delays of their own that the page
  // cannot see.
  const tapCode = `registerProcessor('look-tap', class extends AudioWorkletProcessor {
    constructor() { super(); this.recording = false; this.port.onmessage = e => { this.recording = e.data; }; }
    process(inputs) {
      const input = inputs[0];
      if (this.recording && input.length) {
        const raw = new Int16Array(2 * input[0].length);
        for (let i = 0; i < input[0].length; ++i)
          for (let c = 0; c < 2; ++c)
            raw[2 * i + c] = Math.max(-32768, Math.min(32767, Math.round(input[Math.min(c, input.length - 1)][i] * 32768)));
        this.port.postMessage({ raw, at: currentTime }, [raw.buffer]);
      }
      return true;
    }
  });`;
  look.tap = null;
  look.tapProblem = null;
  look.sent = null;
  // Starts (true) or stops (false) the recording.
  look.record = on => look.tap && look.tap.node.port.postMessage(on);
  // The recording, its rate and the silences the page's player said it played for want of sound (where they
  // start in the recording, and how long, in sample frames), POSTed to the test server's /results/NAME/;
  // look.sent tells how it went.
  look.send = name => {
    const bytes = new Uint8Array(look.tap.raw.reduce((n, r) => n + r.byteLength, 0));
    let at = 0;
    for (const r of look.tap.raw) { bytes.set(new Uint8Array(r.buffer), at); at += r.byteLength; }
    const gaps = ((window.Module && Module.korvaleGaps) || []).filter(g => g[0] >= look.tap.start)
      .map(g => `${Math.round((g[0] - look.tap.start) * look.tap.rate)} ${g[1]}\n`).join('');
    const post = (file, body) => fetch('/results/' + name + '/' + file, { method: 'POST', body }).then(r => {
      if (!r.ok) throw new Error('POST ' + file + ': ' + r.status);
    });
    post('sound.raw', bytes).then(() => post('rate.txt', String(look.tap.rate))).then(() => post('gaps.txt', gaps))
      .then(() => { look.sent = 'sent ' + bytes.length + ' bytes'; }, e => { look.sent = 'failed: ' + e; });
  };

  // Whether the browser let the sound play: the states of each context the program connects to the speakers.
  // Every node connected to a context's speakers feeds that context's one tap too.
  const connect = AudioNode.prototype.connect;
  AudioNode.prototype.connect = function (target, ...rest) {
    const result = connect.call(this, target, ...rest);
    if (!(target instanceof AudioDestinationNode) || this.__lookTap) return result;
    if (!target.__lookGather) {
      const context = target.context;
      look.contextStates.push(['connect', context.state, context.sampleRate]);
      context.addEventListener('statechange', () => look.contextStates.push([context.state]));
      const gather = target.__lookGather = context.createGain();
      if (!context.audioWorklet) {
        look.tapProblem = 'this engine offers no AudioWorklet';
        return result;
      }
      const url = URL.createObjectURL(new Blob([tapCode], { type: 'text/javascript' }));
      context.audioWorklet.addModule(url).then(() => {
        const node = new AudioWorkletNode(context, 'look-tap');
        node.__lookTap = true;
        look.tap = { node, rate: context.sampleRate, raw: [], start: null };
        node.port.onmessage = e => {
          if (look.tap.start === null) look.tap.start = e.data.at;
          look.tap.raw.push(e.data.raw);
        };
        connect.call(gather, node);
        connect.call(node, target);
      }, e => { look.tapProblem = 'the worklet did not load: ' + e; });
    }
    connect.call(this, target.__lookGather);
    return result;
  };
})();
