// A look at the browser page as a visitor gets it, in Debian's headless chromium with software WebGL 2: load
// time and sizes, the message without WebGL 2, the demo played through the "Window" click, the 16:9 pillarbox,
// F1 and Escape, the sound the page sends to Web Audio, the nova's explosions heard where the timeline puts them,
// the pacing under 60, 120 and 144 Hz animation frames, a phone upright and on its side by touch, and the test
// mode refused away from home.
// Prints one figure a line and leaves its screenshots in --out; any step that fails ends it with exit code 1.
// usage: node scripts/web-look.mjs [--build DIR] [--out DIR] [--only STEP[,STEP...]] [--chromium PATH]
// (scripts/web-look.sh installs playwright-core first where it is missing)
import { spawn, spawnSync } from 'node:child_process';
import { existsSync, mkdirSync, mkdtempSync, readFileSync, readdirSync, rmSync, symlinkSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import path from 'node:path';
import { fileURLToPath } from 'node:url';
import { createInterface } from 'node:readline';
import { chromium } from './web-look/node_modules/playwright-core/index.mjs';

const root = path.resolve(path.dirname(fileURLToPath(import.meta.url)), '..');
const STEPS = ['load', 'no-webgl', 'play', 'pillarbox', 'hidpi', 'fullscreen', 'sound', 'bangs', 'pacing', 'mobile',
  'test-mode'];
// The demo's timeline in drawn frames (core/constants.h): the planet, the nova, the credits.
const PLANET = 5000;
const NOVA = 6000;
const CREDITS = 7000;

const options = {
  build: process.env.KORVALE_WEB_BUILD || path.join(root, 'build-web'),
  out: path.join(root, 'look-out'),
  only: STEPS,
  chromium: '/usr/bin/chromium',
};
for (let i = 2; i < process.argv.length; ++i) {
  const arg = process.argv[i];
  const value = () => {
    if (i + 1 >= process.argv.length) usage(`${arg} needs a value`);
    return process.argv[++i];
  };
  if (arg === '--build') options.build = path.resolve(value());
  else if (arg === '--out') options.out = path.resolve(value());
  else if (arg === '--only') options.only = value().split(',');
  else if (arg === '--chromium') options.chromium = value();
  else usage(`unknown option ${arg}`);
}
for (const step of options.only) if (!STEPS.includes(step)) usage(`no step ${step}`);
if (!existsSync(path.join(options.build, 'korvale.wasm')))
  usage(`no browser build in ${options.build} (scripts/build-web.sh, or --build DIR)`);

function usage(problem) {
  console.error(`web-look: ${problem}\nusage: node scripts/web-look.mjs [--build DIR] [--out DIR] ` +
    `[--only STEP[,STEP...]] [--chromium PATH]\nsteps: ${STEPS.join(' ')}`);
  process.exit(2);
}

class Failure extends Error {}
function check(condition, what) {
  if (!condition) throw new Failure(what);
}
function figure(step, text) { console.log(`${step}: ${text}`); }
const sleep = ms => new Promise(resolve => setTimeout(resolve, ms));

// --- The server and the browser ---

const SOFTWARE_GL = ['--use-angle=swiftshader', '--enable-unsafe-swiftshader'];
// A page without WebGL at all, as a browser with its GPU blocked or switched off shows it.
const NO_GL = ['--disable-gpu', '--disable-3d-apis'];

let server = null;
let baseUrl = '';
const work = mkdtempSync(path.join(tmpdir(), 'web-look-'));
// Where the server keeps what a test-mode page POSTs.
const results = path.join(work, 'results');

async function startServer() {
  // The page from the tree (newer than any copy in the build), the program from the build, the title's font
  // from the tree for a build folder without its copy.
  mkdirSync(path.join(work, 'font'));
  symlinkSync(path.join(root, 'Korvale.ttf'), path.join(work, 'font', 'Korvale.ttf'));
  server = spawn('python3', [path.join(root, 'scripts/web-server.py'), '--port', '0', '--results', results,
    path.join(root, 'platform/web'), options.build, path.join(work, 'font')], { stdio: ['ignore', 'pipe', 'inherit'] });
  const first = await new Promise((resolve, reject) => {
    createInterface({ input: server.stdout }).once('line', resolve);
    server.once('exit', code => reject(new Failure(`the web server ended (${code}) before printing its address`)));
  });
  check(first.startsWith('http://'), `the web server printed ${first}`);
  baseUrl = first;
}

// What each page gets before its own scripts: a count of the pictures the program shows (the demo's frame),
// optionally animation frames at a fixed rate, where the picture lands in the canvas, the keys' fate and
// optionally a tap on everything sent to the speakers.
function instrument({ hz, audio }) {
  const look = window.__look = {
    frames: 0, buttonsAt: null, shown: null, keys: [], released: [], audio: null, contextStates: [],
    // The demo's frame: the pacer's count (pictures dropped to keep up with the sound are not copied), else
    // the copies.
    frame: () => Math.max(look.frames, (window.Module && Module.korvaleFrames) || 0),
  };
  new MutationObserver(() => {
    const b = document.getElementById('play-window');
    if (look.buttonsAt === null && b && !b.disabled) look.buttonsAt = performance.now();
  }).observe(document, { subtree: true, attributes: true, attributeFilter: ['disabled'] });

  if (hz) {
    // A display refreshing at `hz`: callbacks run together at the next refresh after their request.
    const period = 1000 / hz;
    const origin = performance.now();
    let queue = [];
    let timer = null;
    let nextId = 1;
    const fire = () => {
      timer = null;
      const now = performance.now();
      const stamp = origin + Math.floor((now - origin) / period) * period;
      const due = queue;
      queue = [];
      for (const [, callback] of due) callback(stamp);
    };
    window.requestAnimationFrame = callback => {
      queue.push([nextId, callback]);
      if (timer === null) {
        const now = performance.now();
        const next = origin + (Math.floor((now - origin) / period) + 1) * period;
        timer = setTimeout(fire, next - now);
      }
      return nextId++;
    };
    window.cancelAnimationFrame = id => { queue = queue.filter(([i]) => i !== id); };
  }
  // The program draws into a picture of its own and copies it into the canvas, letterboxed, once a frame: the
  // count of those copies is the demo's frame (catching up, it draws without waiting for animation frames).
  const blit = WebGL2RenderingContext.prototype.blitFramebuffer;
  WebGL2RenderingContext.prototype.blitFramebuffer = function (...a) {
    if (this.canvas === document.getElementById('canvas') && this.getParameter(this.DRAW_FRAMEBUFFER_BINDING) === null) {
      ++look.frames;
      look.shown = { from: a.slice(0, 4), to: a.slice(4, 8), buffer: [this.drawingBufferWidth, this.drawingBufferHeight] };
    }
    return blit.apply(this, a);
  };

  // Seen last, after the page's own handlers: whether F1 was kept from the browser; the code SDL reads.
  window.addEventListener('keydown', e => look.keys.push([e.key, e.defaultPrevented, e.keyCode]));
  window.addEventListener('keyup', e => look.released.push([e.key, e.keyCode]));

  if (!audio) return;
  // Whatever reaches the destination also feeds a worklet that sums each second: peak, RMS, clipped samples.
  const tapCode = `registerProcessor('look-tap', class extends AudioWorkletProcessor {
    constructor() {
      super(); this.frames = 0; this.peak = 0; this.sum = 0; this.values = 0; this.clipped = 0; this.recording = false;
      this.port.onmessage = e => { this.recording = e.data; };
    }
    process(inputs) {
      const input = inputs[0];
      if (this.recording && input.length) {
        // Both channels as signed 16-bit, interleaved: what the demo mixed, scaled back.
        const raw = new Int16Array(2 * input[0].length);
        for (let i = 0; i < input[0].length; ++i)
          for (let c = 0; c < 2; ++c)
            raw[2 * i + c] = Math.max(-32768, Math.min(32767, Math.round(input[Math.min(c, input.length - 1)][i] * 32768)));
        this.port.postMessage({ raw }, [raw.buffer]);
      }
      const length = input.length ? input[0].length : 128;
      for (const channel of input)
        for (let i = 0; i < channel.length; ++i) {
          const v = Math.abs(channel[i]);
          if (v > this.peak) this.peak = v;
          if (v >= 0.999) ++this.clipped;
          this.sum += v * v;
        }
      this.values += length * Math.max(1, input.length);
      this.frames += length;
      if (this.frames >= sampleRate) {
        this.port.postMessage({ frames: this.frames, peak: this.peak, rms: Math.sqrt(this.sum / this.values),
          clipped: this.clipped, channels: input.length });
        this.frames = 0; this.peak = 0; this.sum = 0; this.values = 0; this.clipped = 0;
      }
      return true;
    }
  });`;
  const tapUrl = URL.createObjectURL(new Blob([tapCode], { type: 'text/javascript' }));
  const connect = AudioNode.prototype.connect;
  AudioNode.prototype.connect = function (target, ...rest) {
    const result = connect.call(this, target, ...rest);
    if (!(target instanceof AudioDestinationNode) || this.__lookTap) return result;
    // One tap a context, fed by every node the program connects to its speakers.
    if (target.__lookGather) {
      connect.call(this, target.__lookGather);
    } else {
      const context = target.context;
      look.contextStates.push(['connect', context.state, performance.now()]);
      context.addEventListener('statechange', () => look.contextStates.push([context.state, performance.now()]));
      const gather = target.__lookGather = context.createGain();
      connect.call(this, gather);
      context.audioWorklet.addModule(tapUrl).then(() => {
        const tap = new AudioWorkletNode(context, 'look-tap');
        tap.__lookTap = true;
        look.audio = { rate: context.sampleRate, seconds: [], raw: [], record: on => tap.port.postMessage(on) };
        tap.port.onmessage = e => {
          if (e.data.raw) look.audio.raw.push(e.data.raw);
          else look.audio.seconds.push({ ...e.data, demoFrames: look.frames, at: performance.now() });
        };
        connect.call(gather, tap);
        connect.call(tap, target);
      });
    }
    return result;
  };
}

// The sessions open; a failed step's are closed by the runner, their consoles kept all the same.
const sessions = [];
// mobile: chromium's emulation of a phone (a touch screen, the page laid out at the device's width).
// before: a script run in the page ahead of the instrumentation.
async function openPage(name, { gl = SOFTWARE_GL, width = 1280, height = 800, scale = 1, hz = 0, audio = false, log,
  screen, mobile = false, before } = {}) {
  const browser = await chromium.launch({ executablePath: options.chromium, headless: true, args: gl });
  const session = { name, browser, page: null };
  sessions.push(session);
  const page = session.page = await browser.newPage({ viewport: { width, height }, deviceScaleFactor: scale,
    ...(screen ? { screen } : {}), ...(mobile ? { isMobile: true, hasTouch: true } : {}) });
  if (before) await page.addInitScript(before);
  await page.addInitScript(instrument, { hz, audio });
  page.lines = [];
  page.on('console', message => {
    page.lines.push(message.text());
    if (log) log(message.text());
  });
  page.on('pageerror', error => page.lines.push(`pageerror: ${error.message}`));
  return session;
}

async function closePage(session) {
  sessions.splice(sessions.indexOf(session), 1);
  if (session.page) writeFileSync(path.join(options.out, `console-${session.name}.txt`), session.page.lines.join('\n') + '\n');
  await session.browser.close().catch(() => {});
}

async function ready(page, query = '') {
  await page.goto(`${baseUrl}index.html${query}`);
  await page.waitForFunction(() => window.__look.buttonsAt !== null, null, { timeout: 120000 });
}

// Starts the demo through the start screen's button, as a visitor's click.
async function play(page, button = 'Window') {
  await page.getByRole('button', { name: button }).click();
  await page.waitForFunction(() => window.__look.frames > 0, null, { timeout: 30000 });
}

const frames = page => page.evaluate(() => window.__look.frame());

// Waits for the demo's frame `target`, at `slowest` frames a second at worst.
async function untilFrame(page, target, slowest = 4) {
  const now = await frames(page);
  const timeout = Math.max(10000, 1000 * (target - now) / slowest);
  await page.waitForFunction(n => window.__look.frame() >= n, target, { timeout, polling: 100 });
  return frames(page);
}

async function shot(page, name) {
  const file = path.join(options.out, name);
  await page.screenshot({ path: file });
  return file;
}

// Per column of a screenshot, the brightest channel value in it (the screenshot decoded by the page itself).
async function columnMaxima(page) {
  const png = (await page.screenshot()).toString('base64');
  return page.evaluate(async data => {
    const blob = await (await fetch(`data:image/png;base64,${data}`)).blob();
    const bitmap = await createImageBitmap(blob);
    const canvas = new OffscreenCanvas(bitmap.width, bitmap.height);
    const context = canvas.getContext('2d');
    context.drawImage(bitmap, 0, 0);
    const pixels = context.getImageData(0, 0, bitmap.width, bitmap.height).data;
    const columns = new Array(bitmap.width).fill(0);
    for (let y = 0; y < bitmap.height; ++y)
      for (let x = 0; x < bitmap.width; ++x) {
        const i = 4 * (y * bitmap.width + x);
        columns[x] = Math.max(columns[x], pixels[i], pixels[i + 1], pixels[i + 2]);
      }
    return columns;
  }, png);
}

// --- The steps ---

async function stepLoad() {
  const session = await openPage('load');
  const { page } = session;
  const sizes = {};
  page.on('response', async response => {
    const name = new URL(response.url()).pathname.slice(1);
    if (!/^korvale\.(wasm|js|data)$/.test(name)) return;
    const body = await response.body().catch(() => null);
    sizes[name] = { header: Number(response.headers()['content-length']), body: body ? body.length : -1,
      type: response.headers()['content-type'] };
  });
  await ready(page);
  const at = await page.evaluate(() => window.__look.buttonsAt);
  figure('load', `start screen's buttons enabled ${at.toFixed(0)} ms after navigation`);
  for (const name of ['korvale.js', 'korvale.wasm', 'korvale.data']) {
    const s = sizes[name];
    check(s && s.body > 0, `${name} was not downloaded`);
    check(s.header === s.body, `${name}: Content-Length ${s.header}, body ${s.body}`);
    figure('load', `${name}: ${s.body} bytes (${(s.body / 1048576).toFixed(2)} MiB), ${s.type}`);
  }
  check(sizes['korvale.wasm'].type === 'application/wasm', 'korvale.wasm is not served as application/wasm');
  check(await page.getByRole('button', { name: 'Window' }).isEnabled(), '"Window" is not enabled');
  check(await page.getByRole('button', { name: 'Full screen' }).isEnabled(), '"Full screen" is not enabled');
  const status = await page.locator('#status').textContent();
  figure('load', `status line "${status}"; screenshot ${await shot(page, 'start.png')}`);
  await closePage(session);
}

async function stepNoWebgl() {
  const session = await openPage('no-webgl', { gl: NO_GL });
  const { page } = session;
  await page.goto(`${baseUrl}index.html`);
  const message = page.getByText('Korvale needs WebGL 2');
  await message.waitFor({ state: 'visible', timeout: 30000 });
  check(await page.evaluate(() => !document.createElement('canvas').getContext('webgl2')),
    'this browser has WebGL 2 after all');
  check(await page.locator('#start').isHidden(), 'the start screen still shows');
  figure('no-webgl', `message "${await message.textContent()}"`);
  figure('no-webgl', `hint "${await page.locator('#failure-hint').textContent()}"`);
  figure('no-webgl', `screenshot ${await shot(page, 'no-webgl.png')}`);
  await closePage(session);
}

async function stepPlay() {
  const session = await openPage('play');
  const { page } = session;
  await ready(page);
  const started = Date.now();
  await play(page);
  // Two pictures of each part; which words show when is the timeline's business, not this script's.
  const moments = [['words-1', 400], ['words-2', 2600], ['planet-1', PLANET + 300], ['planet-2', PLANET + 800],
    ['nova-1', NOVA + 250], ['nova-2', NOVA + 800], ['credits-1', CREDITS + 400], ['credits-2', CREDITS + 900]];
  for (const [name, target] of moments) {
    const at = await untilFrame(page, target);
    const file = await shot(page, `play-${name}.png`);
    figure('play', `frame ${at} after ${((Date.now() - started) / 1000).toFixed(1)} s: ${file}`);
  }
  await quit(page);
  figure('play', `Escape: "${await page.locator('#end-text').textContent()}"; ${await shot(page, 'play-end.png')}`);
  await closePage(session);
}

// Plays in a page of the given size up to `frame`; where the program copied its picture into the canvas.
async function playAndFindPicture(name, frame, size) {
  const session = await openPage(name, size);
  const { page } = session;
  await ready(page);
  await play(page);
  await untilFrame(page, frame);
  const shown = await page.evaluate(() => window.__look.shown);
  check(shown !== null, 'the program copied no picture into the canvas');
  return { session, page, shown };
}

async function stepPillarbox() {
  const { session, page, shown } = await playAndFindPicture('pillarbox', 400, { width: 1280, height: 720 });
  figure('pillarbox', `the ${shown.from[2] - shown.from[0]}x${shown.from[3] - shown.from[1]} picture copied to ` +
    `${shown.to.join(',')} (x0,y0,x1,y1) of the canvas's ${shown.buffer.join('x')} drawing buffer`);
  const columns = await columnMaxima(page);
  await shot(page, 'pillarbox.png');
  check(columns.length === 1280, `the screenshot is ${columns.length} wide`);
  const left = Math.max(...columns.slice(0, 160));
  const right = Math.max(...columns.slice(1120));
  const inside = columns.slice(160, 1120);
  const lit = inside.filter(v => v > 40).length;
  figure('pillarbox', `brightest value left of x=160: ${left}, right of x=1120: ${right}; ` +
    `${lit} of the 960 columns between lit above 40`);
  const used = columns.map((v, x) => (v > 0 ? x : -1)).filter(x => x >= 0);
  figure('pillarbox', `non-black columns from x=${used[0]} to x=${used[used.length - 1]}`);
  check(shown.buffer.join('x') === '1280x720' && shown.to.join(',') === '160,0,1120,720',
    'the picture is not copied to 160,0 960x720 of a 1280x720 canvas');
  check(left === 0 && right === 0, 'the bars are not black');
  check(lit > 0, 'nothing is drawn between the bars: the check above proves nothing');
  figure('pillarbox', `screenshot ${path.join(options.out, 'pillarbox.png')}`);
  await closePage(session);
}

async function stepHidpi() {
  // A display of two device pixels to the page's pixel: the canvas must draw at the device's pixels, and the
  // resolution trial must time the picture full screen would need there, the 1280x800 screen's 2560x1600.
  const { session, page, shown } = await playAndFindPicture('hidpi', 120,
    { width: 640, height: 400, scale: 2, screen: { width: 1280, height: 800 } });
  figure('hidpi', `a 640x400 page at 2 device pixels a pixel: the picture copied to ${shown.to.join(',')} ` +
    `(x0,y0,x1,y1) of a ${shown.buffer.join('x')} drawing buffer`);
  const trial = page.lines.find(line => line.startsWith('korvale: resolution')) || 'no resolution line';
  figure('hidpi', trial);
  await shot(page, 'hidpi.png');
  await closePage(session);
  check(shown.buffer.join('x') === '1280x800' && shown.to[3] - shown.to[1] === 800,
    'the canvas does not draw at the device\'s pixels, the picture its full height');
  check(/native would draw 2133 x 1600/.test(trial), 'the trial did not size the picture in the device\'s pixels');
}

// A person's key press: held a little. The program asks for full screen a frame after it sees F1, outside any
// input handler, so the request waits for the next key event: the release of this one.
async function press(page, key) {
  await page.keyboard.down(key);
  await sleep(150);
  await page.keyboard.up(key);
}

// Ends the demo with Escape, held until the end screen shows: the demo reads its keys once a frame, and a key
// let go before a busy page's next frame (after a long look into the page, say) would go unseen.
async function quit(page) {
  await page.keyboard.down('Escape');
  await page.getByRole('button', { name: 'Play again' }).waitFor({ state: 'visible', timeout: 10000 })
    .finally(() => page.keyboard.up('Escape'));
}

function fullscreenState(page) {
  return page.evaluate(() => ({
    element: document.fullscreenElement ? '#' + document.fullscreenElement.id : 'none',
    frames: window.__look.frames,
    screen: ['end', 'failure'].find(id => !document.getElementById(id).hidden) || 'none',
    text: ['end', 'failure'].filter(id => !document.getElementById(id).hidden)
      .map(id => document.getElementById(id + '-text').textContent).join(' '),
    lastKey: window.__look.keys[window.__look.keys.length - 1] || null,
  }));
}

async function after(page, action, settled) {
  await action();
  await page.waitForFunction(settled, null, { timeout: 5000 }).catch(() => {});
  await sleep(1000);  // long enough for the program to draw on, or to have stopped
  return fullscreenState(page);
}

const describe = s => `fullscreenElement ${s.element}, frame ${s.frames}, ` +
  `${s.screen === 'none' ? 'no end or failure screen' : `${s.screen} screen "${s.text}"`}`;

// F1 and Escape. Key events sent through the DevTools protocol skip the browser's own handling (its F1 help,
// its Escape out of full screen): they reach the page at once. So F1 being kept from the browser shows as
// the page's preventDefault, and the browser's first Escape in full screen is stood in for by exitFullscreen().
async function stepFullscreen() {
  let session = await openPage('fullscreen-f1');
  let { page } = session;
  await ready(page);
  await play(page);
  await untilFrame(page, 60);
  figure('fullscreen', `playing in a window: ${describe(await fullscreenState(page))}`);
  const f1 = await after(page, () => press(page, 'F1'), () => document.fullscreenElement !== null);
  figure('fullscreen', `F1: ${describe(f1)}; the page ${f1.lastKey && f1.lastKey[1] ? 'kept' : 'did not keep'} ` +
    `F1 from the browser; ${session.browser.contexts()[0].pages().length} page(s) open`);
  await shot(page, 'fullscreen-f1.png');
  check(f1.element !== 'none', 'F1 did not make the page full screen');
  check(f1.lastKey && f1.lastKey[0] === 'F1' && f1.lastKey[1], 'F1 was left to the browser (no preventDefault)');
  check(session.browser.contexts()[0].pages().length === 1, 'F1 opened another page');
  const back = await after(page, () => press(page, 'F1'), () => document.fullscreenElement === null);
  const drawing = (await after(page, async () => {}, () => true)).frames > back.frames;
  figure('fullscreen', `F1 again: ${describe(back)}; ${drawing ? 'still drawing' : 'no longer drawing'}`);
  await shot(page, 'fullscreen-f1-again.png');
  const windowed = back.element === 'none' && back.screen === 'none' && drawing;
  await closePage(session);

  session = await openPage('fullscreen-escape');
  ({ page } = session);
  await ready(page);
  await play(page, 'Full screen');
  await untilFrame(page, 60);
  const full = await fullscreenState(page);
  figure('fullscreen', `"Full screen": ${describe(full)}`);
  check(full.element !== 'none', '"Full screen" did not make the page full screen');
  const left = await after(page, () => page.evaluate(() => document.exitFullscreen()), () => true);
  const goesOn = (await after(page, async () => {}, () => true)).frames > left.frames;
  figure('fullscreen', `the browser leaving full screen (its first Escape): ${describe(left)}; ` +
    `${goesOn ? 'still drawing' : 'no longer drawing'}`);
  const escape = await after(page, () => press(page, 'Escape'), () => !document.getElementById('end').hidden);
  figure('fullscreen', `Escape in the window: ${describe(escape)}`);
  // The program's own full-screen request may still be pending and granted at that Escape.
  await page.waitForTimeout(500);
  const settled = await fullscreenState(page);
  figure('fullscreen', `half a second later: ${describe(settled)}`);
  await shot(page, 'fullscreen-end.png');
  await closePage(session);
  check(left.element === 'none' && left.screen === 'none' && goesOn, 'leaving full screen stopped the demo');
  check(escape.screen === 'end' && escape.text === 'The demo has ended.', 'Escape did not end the demo cleanly');
  check(settled.element === 'none', 'the end screen is left behind a full-screen canvas');
  check(windowed, 'F1 from full screen did not bring the demo back to a window, drawing on');
}

async function stepSound() {
  // A small window, as for the pacing: software GL keeps up with 60 pictures a second there, in the words.
  const session = await openPage('sound', { audio: true, width: 800, height: 600 });
  const { page } = session;
  await ready(page);
  await play(page);
  const seconds = 30;
  await page.waitForFunction(n => window.__look.audio && window.__look.audio.seconds.length >= n, seconds + 1,
    { timeout: (seconds + 30) * 1000, polling: 250 });
  const { audio, contextStates } = await page.evaluate(() => window.__look);
  figure('sound', `AudioContext: ${contextStates.map(s => s.slice(0, -1).join(' ')).join(', ')}`);
  figure('sound', `sample rate ${audio.rate} Hz, ${audio.seconds[0].channels} channel(s)`);
  // The first second holds the tap's start; the figures run from the end of it.
  const span = audio.seconds.slice(1, seconds + 1);
  const db = v => (v > 0 ? (20 * Math.log10(v)).toFixed(1) : '-inf');
  span.forEach((s, i) => figure('sound', `second ${i + 1}: peak ${s.peak.toFixed(3)} (${db(s.peak)} dBFS), ` +
    `RMS ${s.rms.toFixed(4)} (${db(s.rms)} dBFS), ${s.clipped} clipped, demo frame ${s.demoFrames}`));
  const recorded = span.reduce((sum, s) => sum + s.frames, 0) / audio.rate;
  const demoFrames = span[span.length - 1].demoFrames - audio.seconds[0].demoFrames;
  const wall = (span[span.length - 1].at - audio.seconds[0].at) / 1000;
  figure('sound', `${recorded.toFixed(2)} s of sound recorded (${wall.toFixed(2)} s by the page's clock); ` +
    `${demoFrames} demo frames meanwhile = ${(demoFrames / 60).toFixed(2)} s of demo, ` +
    `${(100 * (demoFrames / 60 / recorded - 1)).toFixed(2)} % off the sound; the page drew ` +
    `${(demoFrames / wall).toFixed(1)} pictures a second (below 60 the demo, counted in drawn frames, falls behind)`);
  const quiet = span.filter(s => s.rms < 0.003).length;
  const clipped = span.reduce((sum, s) => sum + s.clipped, 0);
  check(quiet === 0, `${quiet} second(s) nearly silent (RMS below -50 dBFS)`);
  check(clipped === 0, `${clipped} samples clipped`);
  check(Math.abs(demoFrames / 60 / recorded - 1) < 0.01, 'the pictures did not keep step with the sound');
  await closePage(session);
}

async function stepBangs() {
  // The music stopped with 0, the explosions recorded as the page sends them to the speakers through the nova
  // and the credits to frame 8521, each compared with where the timeline puts it (scripts/bang-times.py), with
  // the desktop build's state for the frames; and the sound chunks the browser asked for too late. At 44100 Hz
  // every explosion from frame 5025 is found sample for sample; a resampling browser's are found by their rise
  // out of silence, which only the nova's (from 6262, after the collapse's has died away) have.
  const desktop = path.join(root, 'build');
  const state = path.join(work, 'state.jsonl');
  const capture = spawnSync(path.join(desktop, 'korvale-capture'), ['--until', '8522', '--state', state],
    { cwd: desktop, env: { ...process.env, SDL_VIDEODRIVER: 'offscreen', SDL_AUDIODRIVER: 'dummy' } });
  check(capture.status === 0, `the desktop build's korvale-capture (in ${desktop}) failed`);
  let statsLine = null;
  const log = text => {
    if (/^korvale: \d+ frames in/.test(text)) statsLine = text;
  };
  const session = await openPage('bangs', { audio: true, width: 800, height: 600, log });
  const { page } = session;
  await ready(page, '?stats');
  await play(page);
  await page.waitForFunction(() => window.__look.audio, null, { timeout: 30000 });
  await untilFrame(page, 60);
  await press(page, '0');
  const exact = await page.evaluate(() => window.__look.audio.rate === 44100);
  const [from, first] = exact ? [4950, 5025] : [6200, 6262];
  await untilFrame(page, from);
  await page.evaluate(() => window.__look.audio.record(true));
  const started = Date.now();
  await untilFrame(page, 8522);
  // The last explosion is placed two sound chunks (372 ms) ahead of its frame, and the browser plays it later
  // still: the recording goes on a while.
  await sleep(1500);
  await page.evaluate(() => window.__look.audio.record(false));
  figure('bangs', `frames ${from} to 8522 in ${((Date.now() - started) / 1000).toFixed(1)} s`);
  const { rate, base64, late } = await page.evaluate(() => {
    const { raw, rate } = window.__look.audio;
    const bytes = new Uint8Array(raw.reduce((n, r) => n + r.byteLength, 0));
    let at = 0;
    for (const r of raw) { bytes.set(new Uint8Array(r.buffer), at); at += r.byteLength; }
    let text = '';
    for (let i = 0; i < bytes.length; i += 0x8000) text += String.fromCharCode(...bytes.subarray(i, i + 0x8000));
    return { rate, base64: btoa(text), late: Module.korvaleLateChunks };
  });
  const recording = path.join(options.out, 'bangs.raw');
  writeFileSync(recording, Buffer.from(base64, 'base64'));
  await quit(page);
  await page.waitForTimeout(200);
  figure('bangs', statsLine || 'no stats line');
  figure('bangs', `${late} sound chunk(s) mixed after they were due to play`);
  const heard = spawnSync('python3', [path.join(root, 'scripts/bang-times.py'), state, recording,
    path.join(desktop, 'data'), '--from', String(first), '--to', '8521', '--rate', String(rate)], { encoding: 'utf8' });
  for (const line of heard.stdout.trim().split('\n')) figure('bangs', line);
  await closePage(session);
  check(heard.status === 0, 'the explosions were not where the timeline puts them');
  check(late === 0, 'the browser played silence where the sound was mixed too late');
}

async function stepPacing() {
  // 0: headless chromium's own animation frames.
  const off = [];
  for (const hz of [60, 120, 144, 0]) {
    let statsLine = null;
    const log = text => {
      if (/^korvale: \d+ frames in/.test(text)) statsLine = text;
    };
    // Small: software GL draws the words faster than 60 a second there, not always in a large window.
    const session = await openPage(`pacing-${hz || 'own'}`, { hz, log, width: 800, height: 600 });
    const { page } = session;
    const name = hz ? `${hz} Hz` : 'headless chromium\'s own frames';
    await ready(page, '?stats');
    await play(page);
    await untilFrame(page, 1500);
    await quit(page);
    await page.waitForTimeout(200);
    check(statsLine !== null, `${name}: no stats line in the console`);
    const rate = Number(/, ([\d.]+) frames a second/.exec(statsLine)[1]);
    figure('pacing', `${name}: ${statsLine}`);
    await closePage(session);
    if (Math.abs(rate / 60 - 1) >= 0.005) off.push(`${name}: ${rate}`);
  }
  check(off.length === 0, `frames a second not 60 within 0.5 % at ${off.join('; ')}`);
}

// An iPhone's page: no full screen for elements, none at all for the page.
function noElementFullscreen() {
  delete Element.prototype.requestFullscreen;
  delete Element.prototype.webkitRequestFullscreen;
  Object.defineProperty(Document.prototype, 'fullscreenEnabled', { get: () => false });
  Object.defineProperty(Document.prototype, 'webkitFullscreenEnabled', { get: () => false });
}

// Where the start screen's contents lie. The document's scroll size is printed but not checked: the screens
// being fixed, it stays the viewport's however far their contents overflow (it did on a phone on its side).
function startScreenBox() {
  const start = document.getElementById('start');
  const shown = [...start.children].filter(c => c.getClientRects().length > 0);
  const boxes = shown.map(c => c.getBoundingClientRect());
  return {
    scroll: [document.documentElement.scrollWidth, document.documentElement.scrollHeight],
    viewport: [innerWidth, innerHeight],
    overflow: Math.max(start.scrollWidth - start.clientWidth, start.scrollHeight - start.clientHeight),
    left: Math.min(...boxes.map(b => b.left)), right: Math.max(...boxes.map(b => b.right)),
    top: Math.min(...boxes.map(b => b.top)), bottom: Math.max(...boxes.map(b => b.bottom)),
    shown: shown.map(c => (c.id ? '#' + c.id : '.' + c.className.split(' ').join('.'))),
  };
}

const controlShown = page => page.locator('#touch').isVisible();

// A phone in chromium's mobile emulation, upright and on its side, driven by touch alone: the start screen, the
// picture, a held touch, the control and the keys it sends, full screen, the end. Sound is held back until a
// gesture, as a phone's browser does. On its side the phone has no full screen for elements, as an
// iPhone: there "Full screen" must fill the viewport instead of failing.
async function stepMobile() {
  for (const [orientation, width, height] of [['portrait', 390, 844], ['landscape', 844, 390]]) {
    const iphone = orientation === 'landscape';
    const name = `mobile-${orientation}`;
    const session = await openPage(name, { width, height, scale: 3, mobile: true, audio: true,
      gl: [...SOFTWARE_GL, '--autoplay-policy=document-user-activation-required'], before: iphone ? noElementFullscreen : null });
    const { page } = session;
    // Without a gesture this browser keeps sound back (asked from the page as it loads: whatever Playwright
    // evaluates counts as a gesture), so the tap below is what lets it play.
    await page.addInitScript(() => {
      const context = new AudioContext();
      window.__lookAudioUntouched = context.state;
      context.close();
    });
    await ready(page);
    const fit = await page.evaluate(startScreenBox);
    figure('mobile', `${orientation}: document ${fit.scroll.join('x')} in a ${fit.viewport.join('x')} viewport; ` +
      `the start screen's contents from x=${fit.left.toFixed(0)} to ${fit.right.toFixed(0)}, ` +
      `y=${fit.top.toFixed(0)} to ${fit.bottom.toFixed(0)}, overflowing by ${fit.overflow}; shown: ${fit.shown.join(' ')}`);
    figure('mobile', `${orientation}: start screen ${await shot(page, `${name}-start.png`)}`);
    check(fit.left >= 0 && fit.top >= 0 && fit.right <= width && fit.bottom <= height && fit.overflow <= 0,
      'the start screen does not fit the viewport');
    check(fit.shown.includes('.keys.by-touch') && !fit.shown.includes('.keys.by-keys'),
      'the start screen explains keys, not touches');
    check(fit.shown.includes('.notice'), 'no notice of the flash and flicker');

    const before = await page.evaluate(() => window.__lookAudioUntouched);
    await page.getByRole('button', { name: 'Window' }).tap();
    await page.waitForFunction(() => window.__look.frames > 0, null, { timeout: 30000 });
    await page.waitForFunction(() => window.__look.contextStates.some(s => s.includes('running')), null,
      { timeout: 15000 }).catch(() => {});
    const states = await page.evaluate(() => window.__look.contextStates);
    figure('mobile', `${orientation}: an AudioContext before any gesture: ${before}; the demo's after the tap on ` +
      `"Window": ${states.map(s => s.slice(0, -1).join(' ')).join(', ')}`);
    check(before === 'suspended', 'this browser lets sound play without a gesture: the check below proves nothing');
    check(states.length > 0 && states[states.length - 1].includes('running'), 'the tap did not let the sound play');

    await untilFrame(page, 400);  // the first words well in
    const shown = await page.evaluate(() => window.__look.shown);
    const [bufferWidth, bufferHeight] = shown.buffer;
    figure('mobile', `${orientation}: the picture copied to ${shown.to.join(',')} (x0,y0,x1,y1) of a ` +
      `${shown.buffer.join('x')} drawing buffer; ${await shot(page, `${name}-picture.png`)}`);
    check(bufferWidth === 3 * width && bufferHeight === 3 * height, 'the canvas does not draw at the device\'s pixels');
    check(iphone ? shown.to[1] === 0 && shown.to[3] === bufferHeight : shown.to[0] === 0 && shown.to[2] === bufferWidth,
      `the picture does not fill the ${iphone ? 'height' : 'width'}`);

    // A mouse moved over the picture leaves the page as it was; a held touch is the space bar, and no tap.
    await page.mouse.move(width / 2, height / 2);
    await page.mouse.move(width / 2 + 60, height / 2 + 40, { steps: 8 });
    await sleep(400);
    const afterMouse = await controlShown(page);
    const cdp = await page.context().newCDPSession(page);
    const spaces = () => page.evaluate(() => ({ down: window.__look.keys.filter(k => k[0] === ' ').map(k => k[2]),
      up: window.__look.released.filter(k => k[0] === ' ').map(k => k[1]) }));
    await cdp.send('Input.dispatchTouchEvent', { type: 'touchStart', touchPoints: [{ x: width / 2, y: height / 2 }] });
    await sleep(800);
    const holding = await spaces();
    await cdp.send('Input.dispatchTouchEvent', { type: 'touchEnd', touchPoints: [] });
    await sleep(400);
    const held = await spaces();
    const afterHold = await controlShown(page);
    figure('mobile', `${orientation}: the control ${afterMouse ? 'shown' : 'not shown'} after the mouse moved; ` +
      `a touch held 0.8 s: space key down ${holding.down.length} time(s) (keyCode ${holding.down.join(',')}) while ` +
      `held, up ${holding.up.length} then ${held.up.length} after; the control ${afterHold ? 'shown' : 'not shown'}`);
    check(!afterMouse, 'the mouse showed the touch control');
    check(holding.down.length === 1 && holding.down[0] === 32 && holding.up.length === 0 && held.up.length === 1 &&
      held.up[0] === 32, 'a held touch is not the space bar held');
    check(!afterHold, 'a held touch showed the control');

    await page.touchscreen.tap(width / 2, height / 2);
    const tapped = Date.now();
    await page.locator('#touch').waitFor({ state: 'visible', timeout: 5000 });
    await sleep(400);  // faded in
    const box = await page.locator('#touch').boundingBox();
    const labels = await page.locator('#touch button').allTextContents();
    figure('mobile', `${orientation}: a tap shows the control at ${box.x.toFixed(0)},${box.y.toFixed(0)} ` +
      `${box.width.toFixed(0)}x${box.height.toFixed(0)}: ${labels.join(', ')}; ${await shot(page, `${name}-control.png`)}`);
    await page.locator('#touch').waitFor({ state: 'hidden', timeout: 10000 });
    figure('mobile', `${orientation}: the control gone ${((Date.now() - tapped) / 1000).toFixed(1)} s after the tap`);
    check(box.x >= 0 && box.y >= 0 && box.x + box.width <= width && box.y + box.height <= height,
      'the control reaches out of the viewport');

    // The control's keys reach the demo: music off silences it, song 1 brings it back. A second of sound is
    // taken once the key has had time to act (the sound runs about 0.4 s ahead of the picture).
    const showControl = async () => {
      if (!(await controlShown(page))) await page.touchscreen.tap(width / 2, height / 2);
      await page.locator('#touch').waitFor({ state: 'visible', timeout: 5000 });
    };
    const loudness = async button => {
      await showControl();
      const before = await page.evaluate(() => window.__look.audio.seconds.at(-1).rms);
      await page.getByRole('button', { name: button, exact: true }).tap();
      const at = await page.evaluate(() => performance.now());
      await page.waitForFunction(t => window.__look.audio.seconds.some(s => s.at > t + 1800), at,
        { timeout: 15000, polling: 100 });
      return [before, await page.evaluate(t => window.__look.audio.seconds.find(s => s.at > t + 1800).rms, at)];
    };
    const dB = v => (v > 0 ? `${(20 * Math.log10(v)).toFixed(1)} dBFS` : '-inf dBFS');
    const [playing, off] = await loudness('Music off');
    const [, back] = await loudness('Song 1');
    figure('mobile', `${orientation}: the sound's RMS ${dB(playing)} before "Music off", ${dB(off)} after it, ` +
      `${dB(back)} after "Song 1"`);
    check(playing > 0.003 && off < 0.003 && back > 0.003, 'the control\'s music keys did not reach the demo');

    await showControl();
    await page.getByRole('button', { name: 'Full screen' }).tap();
    await page.waitForFunction(() => document.fullscreenElement || document.documentElement.classList.contains('filled'),
      null, { timeout: 5000 }).catch(() => {});
    const framesThen = await frames(page);
    await sleep(1000);
    const full = await page.evaluate(() => ({
      element: document.fullscreenElement ? '#' + document.fullscreenElement.id : 'none',
      filled: document.documentElement.classList.contains('filled'),
      failure: !document.getElementById('failure').hidden,
      label: document.getElementById('touch-fullscreen').textContent,
    }));
    const drawing = (await frames(page)) > framesThen;
    figure('mobile', `${orientation}: "Full screen" (element full screen ${iphone ? 'taken away' : 'offered'}): ` +
      `fullscreenElement ${full.element}, viewport filled ${full.filled}, failure screen ${full.failure}, ` +
      `the button now "${full.label}", ${drawing ? 'still drawing' : 'no longer drawing'}`);
    check(iphone ? full.filled && full.element === 'none' : full.element === '#stage', '"Full screen" did not take the screen');
    check(!full.failure && drawing && full.label === 'Window', '"Full screen" stopped the demo or left its button');

    await page.getByRole('button', { name: 'End' }).tap();
    await page.getByRole('button', { name: 'Play again' }).waitFor({ state: 'visible', timeout: 10000 });
    const end = await page.evaluate(() => ({ text: document.getElementById('end-text').textContent,
      full: Boolean(document.fullscreenElement) || document.documentElement.classList.contains('filled') }));
    figure('mobile', `${orientation}: "End": "${end.text}", ${end.full ? 'still' : 'no longer'} full screen`);
    check(end.text === 'The demo has ended.' && !end.full, '"End" did not end the demo cleanly');
    await closePage(session);
  }
}

// The test mode only at home: the same link served under another host name, or with a run name that is not a
// plain word, shows the ordinary start screen and neither loads the capture tool nor POSTs; on 127.0.0.1 it runs.
async function stepTestMode() {
  const session = await openPage('test-mode', { gl: [...SOFTWARE_GL, '--host-resolver-rules=MAP korvale.example 127.0.0.1'] });
  const { page } = session;
  const requests = [];
  page.on('request', request => requests.push(`${request.method()} ${new URL(request.url()).pathname}`));
  const port = new URL(baseUrl).port;
  const link = (host, name) => `http://${host}:${port}/index.html?test=${encodeURIComponent('--until 2')}&name=${name}`;
  const posted = () => (existsSync(results) ? readdirSync(results) : []);
  for (const [what, url, picture] of [['served as korvale.example', link('korvale.example', 'look-away'), 'test-mode-away.png'],
    ['a run name ../look', link('127.0.0.1', encodeURIComponent('../look')), 'test-mode-name.png']]) {
    requests.length = 0;
    await page.goto(url);
    await page.waitForFunction(() => window.__look.buttonsAt !== null, null, { timeout: 60000 }).catch(() => {});
    await sleep(2000);  // time for a run and its POSTs, were there one
    const start = await page.locator('#start').isVisible();
    const capture = requests.filter(r => r.includes('korvale-capture'));
    const posts = requests.filter(r => r.startsWith('POST'));
    figure('test-mode', `${what} (${await page.evaluate(() => location.host)}): start screen ` +
      `${start ? 'shown' : 'not shown'}; ${capture.length} request(s) ` +
      `for the capture tool, ${posts.length} POST(s); the results folder holds ${posted().length} entr(ies); ` +
      `${await shot(page, picture)}`);
    check(start && capture.length === 0 && posts.length === 0 && posted().length === 0,
      `${what}: the test mode ran`);
  }
  await page.goto(link('127.0.0.1', 'look-home'));
  const done = path.join(results, 'look-home', 'done');
  const started = Date.now();
  while (!existsSync(done) && Date.now() - started < 60000) await sleep(250);
  const files = existsSync(done) ? readdirSync(path.join(results, 'look-home')).sort() : [];
  const code = existsSync(done) ? readFileSync(done, 'utf8') : 'none';
  figure('test-mode', `on 127.0.0.1: ${files.join(', ') || 'nothing'} POSTed in ` +
    `${((Date.now() - started) / 1000).toFixed(1)} s, exit code ${code}`);
  check(code === '0' && files.includes('console.txt'), 'the test mode did not run at home');
  await closePage(session);
}

const run = {
  load: stepLoad, 'no-webgl': stepNoWebgl, play: stepPlay, pillarbox: stepPillarbox, hidpi: stepHidpi,
  fullscreen: stepFullscreen, sound: stepSound, bangs: stepBangs, pacing: stepPacing, mobile: stepMobile,
  'test-mode': stepTestMode,
};

let failed = false;
try {
  mkdirSync(options.out, { recursive: true });
  await startServer();
  for (const step of STEPS.filter(s => options.only.includes(s))) {
    const started = Date.now();
    try {
      await run[step]();
      figure(step, `done in ${((Date.now() - started) / 1000).toFixed(1)} s`);
    } catch (e) {
      failed = true;
      console.log(`${step}: FAILED: ${e instanceof Failure ? e.message : e.stack}`);
      for (const session of sessions.slice()) await closePage(session);
    }
  }
} finally {
  for (const session of sessions.slice()) await session.browser.close().catch(() => {});
  if (server) server.kill();
  rmSync(work, { recursive: true, force: true });
}
process.exit(failed ? 1 : 0);
