// Plays the page in Debian's Firefox ESR over WebDriver BiDi (puppeteer-core, no browser of its own), as
// scripts/engines/webkit.py does in WebKitGTK: the start screen, "Window", the demo to the credits with the
// explosions recorded, F1 and Escape, the end screen; then the test mode's two runs. Prints one figure a line.
// usage: node scripts/engines/firefox.mjs BASE_URL RESULTS SHOTS RUN_LIMIT_S (under scripts/test-engines.sh)
import { execFileSync, spawn } from 'node:child_process';
import { existsSync, mkdirSync, mkdtempSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import path from 'node:path';
import puppeteer from './node_modules/puppeteer-core/lib/esm/puppeteer/puppeteer-core.js';

const [baseUrl, results, shots, runLimit] = process.argv.slice(2);
if (!runLimit) {
  console.error('usage: node scripts/engines/firefox.mjs BASE_URL RESULTS SHOTS RUN_LIMIT_S');
  process.exit(2);
}
const engine = 'firefox';
const sleep = ms => new Promise(resolve => setTimeout(resolve, ms));
class Failure extends Error {}
function check(condition, what) {
  if (!condition) throw new Failure(what);
}
const figure = text => console.log(`${engine}: ${text}`);
mkdirSync(shots, { recursive: true });

// Small, as web-look's sound checks: software GL keeps up there, and the sound with it. Its own profile each
// time; WebGL 2 on a software renderer only where the profile forces it on.
const profile = mkdtempSync(path.join(tmpdir(), 'korvale-firefox-'));
const browser = await puppeteer.launch({
  browser: 'firefox', executablePath: '/usr/bin/firefox-esr', headless: false, defaultViewport: null,
  userDataDir: profile, args: ['-width', '800', '-height', '600'],
  extraPrefsFirefox: { 'webgl.force-enabled': true, 'full-screen-api.warning.timeout': 0 },
});
let parec = null;
let failed = false;
const lines = [];
try {
  const page = (await browser.pages())[0] || await browser.newPage();
  page.on('console', message => lines.push(message.text()));
  page.on('pageerror', error => lines.push(`pageerror: ${error.message}`));
  const look = (expression, ...args) => page.evaluate(expression, ...args);
  const frame = () => look(() => window.__look.frame());
  const untilFrame = async target => {
    const timeout = Math.max(10000, 1000 * (target - await frame()) / 4);
    await page.waitForFunction(n => window.__look.frame() >= n, { timeout, polling: 100 }, target);
    return look(() => [window.__look.frame(), window.__look.frames, performance.now()]);
  };
  const shot = async name => {
    const file = path.join(shots, `${engine}-${name}.png`);
    await page.screenshot({ path: file });
    return file;
  };
  const press = async key => {
    await page.keyboard.down(key);
    await sleep(150);
    await page.keyboard.up(key);
  };
  const visible = id => page.evaluate(i => !document.getElementById(i).hidden, id);

  // The start screen.
  await page.goto(`${baseUrl}look.html`);
  await page.waitForFunction(() => window.__look.buttonsAt !== null, { timeout: 120000 });
  const loadMs = await look(() => window.__look.buttonsAt);
  await sleep(500);  // painted, as in WebKit
  figure(`load to the start screen's buttons: ${loadMs.toFixed(0)} ms; ${await shot('start')}`);
  check(await visible('start'), 'no start screen');
  // Firefox grants full screen only to a focused window, and the window on a bare X display gets focus from
  // the X server's own input alone: one real click on the start screen's empty part, as a visitor's first.
  execFileSync('xdotool', ['mousemove', '700', '500', 'click', '1']);
  await page.waitForFunction(() => document.hasFocus(), { timeout: 5000 }).catch(() => {});
  check(await look(() => document.hasFocus()), 'the page has no focus after a click');

  // "Window", as a visitor clicks it; music off at once, so that the explosions stand alone.
  await page.click('#play-window');
  await page.waitForFunction(() => window.__look.firstPictureAt !== null, { timeout: 30000 });
  const firstMs = await look(() => window.__look.firstPictureAt - window.__look.clickedAt);
  figure(`"Window" to the first picture: ${firstMs.toFixed(0)} ms`);
  const marks = { start: await untilFrame(60) };
  await press('0');
  const moments = [['words', 400, true], ['words-end', 4950], ['planet', 5300, true], ['planet-end', 5950],
    ['nova', 6250, true], ['6600', 6600], ['nova-end', 6950], ['credits', 7400, true], ['last-bang', 8522]];
  for (const [name, target, picture] of moments) {
    marks[name] = await untilFrame(target);
    if (name === 'words-end') {
      check(await look(() => window.__look.tap !== null), `no recording of the page's sound: ` +
        `${await look(() => window.__look.tapProblem)}`);
      await look(() => window.__look.record(true));
      parec = spawn('parec', ['-d', 'korvale.monitor', '--raw', '--format=s16le', '--rate=44100', '--channels=2',
        path.join(results, `${engine}-heard.raw`)], { stdio: 'ignore' });
    }
    figure(`frame ${marks[name][0]} after ${((marks[name][2] - marks.start[2]) / 1000 + 1).toFixed(1)} s` +
      (picture ? `: ${await shot(name)}` : ''));
  }
  // The last explosion is placed two sound chunks ahead of its frame, and played later still.
  await sleep(1500);
  parec.kill('SIGINT');
  parec = null;
  await look(name => { window.__look.record(false); window.__look.send(name); }, `${engine}-tap`);
  await page.waitForFunction(() => window.__look.sent !== null, { timeout: 60000 });
  const sent = await look(() => window.__look.sent);
  figure(`the page's own sound: ${sent}`);
  check(sent.startsWith('sent'), `the page's sound was not sent`);
  figure(`${await look(() => Module.korvaleLateChunks)} sound chunk(s) mixed after they were due to play; the ` +
    `player's silences (context s, frames) ${await look(() => JSON.stringify(Module.korvaleGaps))}, the ` +
    `recording from ${await look(() => window.__look.tap.start)} s; ${await look(() => Module.korvaleSkipped)} ` +
    'sample frames dropped as too late');
  const rate = (from, to) => (marks[to][1] - marks[from][1]) / ((marks[to][2] - marks[from][2]) / 1000);
  figure(`pictures a second: words ${rate('words', 'words-end').toFixed(1)}, planet ` +
    `${rate('planet', 'planet-end').toFixed(1)}, nova ${rate('nova', 'nova-end').toFixed(1)}`);

  // F1 twice, then Escape; the program reads its keys once a frame.
  await press('F1');
  await page.waitForFunction(() => window.__look.fullscreen() !== 'none', { timeout: 5000 }).catch(() => {});
  const full = await look(() => [window.__look.fullscreen(), window.__look.keys.at(-1)]);
  figure(`F1: fullscreenElement ${full[0]}, the page ${full[1][1] ? 'kept' : 'did not keep'} F1 from the browser`);
  check(full[0] !== 'none' && full[1][0] === 'F1' && full[1][1], 'F1 did not take the screen');
  await sleep(1000);
  await press('F1');
  await page.waitForFunction(() => window.__look.fullscreen() === 'none', { timeout: 5000 }).catch(() => {});
  const before = await frame();
  await sleep(1000);
  const back = await look(() => window.__look.fullscreen());
  figure(`F1 again: fullscreenElement ${back}, frames ${before} then ${await frame()}`);
  check(back === 'none' && await frame() > before, 'F1 again did not bring back the window, drawing on');
  await page.keyboard.down('Escape');
  await page.waitForFunction(() => !document.getElementById('end').hidden, { timeout: 10000 })
    .finally(() => page.keyboard.up('Escape'));
  const ending = await look(() => document.getElementById('end-text').textContent);
  figure(`Escape: "${ending}"; ${await shot('end')}`);
  check(ending === 'The demo has ended.', 'Escape did not end the demo cleanly');
  const states = await look(() => window.__look.contextStates);
  figure(`sound: ${states.map(s => s.join(' ')).join(', ')}`);
  // Closed again once the program has ended; it must have run in between.
  check(states.some(s => (s[0] === 'connect' ? s[1] : s[0]) === 'running'), 'the sound never played');

  // The test mode's runs, their files POSTed to the server.
  for (const [name, args] of [['frames', '--until 6501 --frames 300,5450,6500 --out /out --audio /out/sound.wav --bench'],
    ['state', '--until 1000 --state /out/state.jsonl']]) {
    const run = `${engine}-${name}`;
    const started = Date.now();
    await page.goto(`${baseUrl}index.html?test=${encodeURIComponent(args)}&name=${run}`);
    const done = path.join(results, run, 'done');
    while (!existsSync(done) && Date.now() - started < 1000 * Number(runLimit)) await sleep(500);
    check(existsSync(done), `${run}: no result after ${runLimit} s`);
    const code = readFileSync(done, 'utf8');
    figure(`test mode ${name}: ${((Date.now() - started) / 1000).toFixed(0)} s, korvale-capture ended with "${code}"`);
    check(code === '0', `${run}: korvale-capture ended with "${code}"`);
  }
} catch (e) {
  failed = true;
  console.log(`${engine}: FAILED: ${e instanceof Failure ? e.message : e.stack}`);
} finally {
  if (parec) parec.kill();
  writeFileSync(path.join(results, `${engine}-console.txt`), lines.join('\n') + '\n');
  await browser.close().catch(() => {});
  rmSync(profile, { recursive: true, force: true });
}
process.exit(failed ? 1 : 0);
