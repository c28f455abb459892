// The page's side of the browser build: the WebGL 2 check, loading the program with its progress, the start and
// end screens, the touch control, and the test mode (?test=ARGS&name=RUN) that runs korvale-capture and POSTs
// its files back.
(function () {
  'use strict';

  const params = new URLSearchParams(location.search);
  const testArgs = params.get('test');
  const runName = params.has('name') ? params.get('name') : 'run';
  // Only on the developer's own machine: a link to a deployed page must not turn a visitor's browser into a
  // capture run that POSTs to the host. Elsewhere ?test= is ignored and the page is the ordinary one.
  const atHome = /^(localhost|127(\.\d{1,3}){3}|\[::1\])$/.test(location.hostname);
  const testMode = testArgs !== null && atHome && /^[A-Za-z0-9_-]+$/.test(runName);
  const program = testMode ? 'korvale-capture' : 'korvale';
  const outDir = '/out';

  const $ = id => document.getElementById(id);
  const canvas = $('canvas');
  const stage = $('stage');
  const startScreen = $('start');
  const buttons = [$('play-fullscreen'), $('play-window')];

  // Everything the program prints, kept for the test mode's console.txt.
  const consoleLines = [];
  function print(text) { consoleLines.push(text); console.log(text); }
  function printErr(text) { consoleLines.push(text); console.error(text); }

  let running = false;
  let finished = false;

  function showOnly(screen) {
    for (const s of document.querySelectorAll('.screen')) s.hidden = s !== screen;
  }

  // An iPhone has no full screen for elements: there the stage fills the viewport instead, the phone's safe
  // areas included, and the program hears of it as of any resize.
  function fillViewport(on) {
    const root = document.documentElement;
    if (root.classList.contains('filled') === on) return;
    root.classList.toggle('filled', on);
    const viewport = document.querySelector('meta[name=viewport]');
    viewport.content = 'width=device-width, initial-scale=1' + (on ? ', viewport-fit=cover' : '');
    window.dispatchEvent(new Event('resize'));
    labelFullscreen();
  }

  function enterFullscreen() {
    if (stage.requestFullscreen) stage.requestFullscreen().catch(() => {});
    else if (stage.webkitRequestFullscreen) stage.webkitRequestFullscreen();
    else fillViewport(true);
  }

  function leaveFullscreen() {
    if (document.fullscreenElement && document.exitFullscreen) document.exitFullscreen().catch(() => {});
    else if (document.webkitFullscreenElement && document.webkitExitFullscreen) document.webkitExitFullscreen();
    fillViewport(false);
  }

  function isFullscreen() {
    return Boolean(document.fullscreenElement || document.webkitFullscreenElement ||
      document.documentElement.classList.contains('filled'));
  }

  // retry: whether loading the page again may help (not so for a browser without WebGL 2).
  function fail(text, hint, retry) {
    running = false;
    leaveFullscreen();
    $('failure-text').textContent = text;
    $('failure-hint').textContent = hint || '';
    $('retry-buttons').hidden = !retry;
    showOnly($('failure'));
    if (testMode) finishTest('error: ' + text);
  }

  function hasWebGL2() {
    try {
      const gl = document.createElement('canvas').getContext('webgl2');
      if (!gl) return false;
      // Browsers allow few live contexts; this one is not needed past the question.
      const lose = gl.getExtension('WEBGL_lose_context');
      if (lose) lose.loseContext();
      return true;
    } catch (e) {
      return false;
    }
  }

  // --- Progress: korvale.data reports its bytes through setStatus, the rest only as run dependencies left. ---
  let dataFraction = 0;
  let dataText = '';
  let depsMax = 0;
  let depsLeft = 0;

  function showProgress(done) {
    const deps = depsMax ? (depsMax - depsLeft) / depsMax : 0;
    const fraction = done ? 1 : 0.85 * dataFraction + 0.15 * deps;
    $('fill').style.width = (100 * Math.min(1, fraction)).toFixed(1) + '%';
    $('status').textContent = done ? 'Ready.' : dataText || 'Loading\u2026';
  }

  function megabytes(bytes) { return (bytes / 1048576).toFixed(1); }

  function setStatus(text) {
    if (!text) return;
    const m = /\((\d+(?:\.\d+)?)\/(\d+(?:\.\d+)?)\)/.exec(text);
    if (m && Number(m[2]) > 0) {
      dataFraction = Number(m[1]) / Number(m[2]);
      dataText = 'Loading the demo\u2019s data: ' + megabytes(m[1]) + ' of ' + megabytes(m[2]) + ' MB';
    } else if (/^Running/.test(text)) {
      dataFraction = 1;
      dataText = 'Starting\u2026';
    }
    showProgress(false);
  }

  function monitorRunDependencies(left) {
    depsMax = Math.max(depsMax, left);
    depsLeft = left;
    if (left === 0) dataFraction = 1;
    else if (dataFraction === 1) dataText = 'Preparing the program\u2026';
    showProgress(false);
  }

  // --- The ordinary page ---

  function runtimeReady() {
    showProgress(true);
    $('loading').classList.add('ready');
    for (const b of buttons) b.disabled = false;
    buttons[0].focus();
    // ?play=window or ?play=fullscreen starts at once (a link straight to the demo, pictures of it); the
    // browser may hold the sound back until the first click or key, as it does without a gesture.
    const play = params.get('play');
    if (play === 'window' || play === 'fullscreen') start(play === 'fullscreen');
  }

  function start(fullscreen) {
    if (running || finished) return;
    running = true;
    startScreen.hidden = true;
    // Only inside the click may the page take the screen; the same click lets the browser play sound.
    if (fullscreen) enterFullscreen();
    canvas.focus();
    // ?stats: the program prints how steadily the pictures came when it ends (scripts/web-look.mjs reads it).
    const args = [fullscreen ? '--fullscreen' : '--window'];
    if (params.has('stats')) args.push('--stats');
    Module.callMain(args);
  }

  function ended(code) {
    running = false;
    finished = true;
    leaveFullscreen();
    touchControl.classList.remove('shown');
    $('end-text').textContent = code === 0 ? 'The demo has ended.'
      : 'The demo ended with an error (exit code ' + code + '); the browser\u2019s console holds its messages.';
    showOnly($('end'));
    $('again').focus();
  }

  // The browser keeps Escape while it shows the page full screen: the first Escape there only leaves full
  // screen (the program is told through its resize), the next one reaches the program and ends it. F1 is
  // the program's (full screen or window), not the browser's help.
  document.addEventListener('keydown', e => {
    if (running && e.key === 'F1') e.preventDefault();
  }, true);

  // A full-screen request the program left pending is granted at the next key, which may be the Escape that
  // ended it: the end and failure screens are not shown full screen.
  document.addEventListener('fullscreenchange', () => {
    if (!running) leaveFullscreen();
    labelFullscreen();
  });
  document.addEventListener('webkitfullscreenchange', labelFullscreen);

  buttons[0].addEventListener('click', () => start(true));
  buttons[1].addEventListener('click', () => start(false));
  // A fresh page, as the program's runtime is gone once main has returned (it cannot run main twice).
  $('again').addEventListener('click', () => location.reload());
  $('retry').addEventListener('click', () => location.reload());

  // --- Touch: a phone or tablet has no keyboard, so the picture and a small control send the demo its keys ---

  const touchControl = $('touch');
  const fullscreenButton = $('touch-fullscreen');
  const KEYS = { ' ': ['Space', 32], 0: ['Digit0', 48], 1: ['Digit1', 49], 2: ['Digit2', 50], Escape: ['Escape', 27] };
  const HOLD_MS = 250;  // a touch held longer is the space bar; a shorter one is a tap
  const FADE_MS = 4000;

  // The keyboard's own events, where SDL listens for them (the window). SDL reads keyCode, which some engines
  // leave out of a constructed event whatever it is given.
  function sendKey(type, key) {
    const [code, keyCode] = KEYS[key];
    const event = new KeyboardEvent(type, { key, code, keyCode, which: keyCode, bubbles: true, cancelable: true });
    if (event.keyCode !== keyCode) {
      Object.defineProperty(event, 'keyCode', { get: () => keyCode });
      Object.defineProperty(event, 'which', { get: () => keyCode });
    }
    canvas.dispatchEvent(event);
  }

  // The demo reads its keys once a frame: a key let go before its next frame would go unseen. So it is held
  // until the demo has run two frames with it down, however long a busy page's frames take, or has ended.
  function pressKey(key) {
    sendKey('keydown', key);
    const from = Module.korvaleFrames || 0;
    const at = performance.now();
    const poll = () => {
      if (!running) return;
      const waited = performance.now() - at;
      if (((Module.korvaleFrames || 0) >= from + 2 && waited >= 100) || waited > 5000) sendKey('keyup', key);
      else setTimeout(poll, 20);
    };
    poll();
  }

  function labelFullscreen() { fullscreenButton.textContent = isFullscreen() ? 'Window' : 'Full screen'; }

  let fadeTimer = null;
  function showControl() {
    // Not left on a button, where a keyboard's space bar would press it again.
    if (touchControl.contains(document.activeElement)) canvas.focus();
    labelFullscreen();
    touchControl.classList.add('shown');
    clearTimeout(fadeTimer);
    fadeTimer = setTimeout(() => touchControl.classList.remove('shown'), FADE_MS);
  }

  let touching = false;
  let holding = false;
  let holdTimer = null;
  // Touch and pen only: a mouse user's page stays the desktop's, the control never shown by moving it.
  stage.addEventListener('pointerdown', e => {
    if (e.pointerType === 'mouse' || !e.isPrimary || !running || touchControl.contains(e.target)) return;
    touching = true;
    holdTimer = setTimeout(() => {
      holding = true;
      sendKey('keydown', ' ');
    }, HOLD_MS);
  });
  function touchEnded(e) {
    if (!touching || !e.isPrimary) return;
    touching = false;
    clearTimeout(holdTimer);
    if (holding) {
      holding = false;
      if (running) sendKey('keyup', ' ');
    } else if (e.type === 'pointerup' && running) {
      showControl();
    }
  }
  stage.addEventListener('pointerup', touchEnded);
  stage.addEventListener('pointercancel', touchEnded);

  for (const button of touchControl.querySelectorAll('button[data-key]')) {
    button.addEventListener('click', () => {
      if (!running) return;
      pressKey(button.dataset.key);
      showControl();
    });
  }
  // Inside the tap, as browsers grant full screen only there; the program follows the page's size.
  fullscreenButton.addEventListener('click', () => {
    if (isFullscreen()) leaveFullscreen();
    else enterFullscreen();
    showControl();
  });
  touchControl.addEventListener('contextmenu', e => e.preventDefault());

  // --- The test mode ---

  function listFiles(dir) {
    const files = [];
    for (const name of Module.FS.readdir(dir)) {
      if (name === '.' || name === '..') continue;
      const path = dir + '/' + name;
      if (Module.FS.isDir(Module.FS.stat(path).mode)) files.push(...listFiles(path));
      else files.push(path);
    }
    return files.sort();
  }

  function post(file, body) {
    const url = '/results/' + encodeURIComponent(runName) + '/' + file.split('/').map(encodeURIComponent).join('/');
    return fetch(url, { method: 'POST', body }).then(r => {
      if (!r.ok) throw new Error('POST ' + url + ': ' + r.status);
    });
  }

  // Pictures come as they are written, so that a long run holds no more than the ones still being sent.
  let sending = Promise.resolve();
  let sentAsWritten = 0;
  function takeFile(path) {
    if (!path.startsWith(outDir + '/')) return;  // written elsewhere by the run's own choice: kept
    const body = Module.FS.readFile(path);
    Module.FS.unlink(path);
    sending = sending.then(() => post(path.slice(outDir.length + 1), body)).then(() => { sentAsWritten++; });
  }

  async function finishTest(result) {
    if (finished) return;
    finished = true;
    running = false;
    try {
      await sending;
      print('page: ' + sentAsWritten + ' picture(s) sent as they were written');
      let files = [];
      try {
        if (window.Module && Module.FS) files = listFiles(outDir);
      } catch (e) {
        printErr('page: ' + outDir + ' unreadable: ' + e);
      }
      for (const path of files) await post(path.slice(outDir.length + 1), Module.FS.readFile(path));
      print('page: ' + files.length + ' file(s) sent; result ' + result);
      await post('console.txt', consoleLines.join('\n') + '\n');
      await post('done', String(result));
    } catch (e) {
      console.error('page: sending the results failed: ' + e);
    }
  }

  function startTest() {
    const args = testArgs.trim().split(/\s+/).filter(Boolean);
    print('page: ' + program + ' ' + args.join(' '));
    running = true;
    Module.callMain(args);
  }

  // --- Loading ---

  window.Module = {
    canvas,
    print,
    printErr,
    setStatus,
    monitorRunDependencies,
    preRun: [() => {
      Module.ENV.KORVALE_DATA = '/';
      if (testMode) {
        try { Module.FS.mkdir(outDir); } catch (e) { /* already there */ }
      }
    }],
    takeFile: path => (testMode ? takeFile(path) : undefined),
    onRuntimeInitialized: () => (testMode ? startTest() : runtimeReady()),
    onExit: code => (testMode ? finishTest(code) : ended(code)),
    onAbort: what => fail('The demo stopped: ' + what, 'The browser\u2019s console holds its messages.', true),
  };

  // Errors outside the program's own exit path (a trap in the program, an exception in its callbacks).
  function uncaught(error) {
    if (!error || error.name === 'ExitStatus' || finished) return;
    fail('The demo stopped: ' + (error.message || error), 'The browser\u2019s console holds its messages.', true);
  }
  window.addEventListener('error', e => uncaught(e.error || { message: e.message }));
  window.addEventListener('unhandledrejection', e => uncaught(e.reason));

  if (!hasWebGL2()) {
    fail('Korvale needs WebGL 2, which this browser does not offer.',
      'Try a current web browser, and make sure hardware acceleration (or WebGL) is ' +
      'switched on in the browser\u2019s settings.');
    return;
  }
  if (testMode) startScreen.hidden = true;
  showProgress(false);
  const script = document.createElement('script');
  script.src = program + '.js';
  script.onerror = () => fail('The demo could not be loaded (' + script.src + ').',
    'Check the connection and try again.', true);
  document.body.appendChild(script);
})();
