// tavix-playground in headless Chromium, one server for every case: a program typed into the
// editor and run (Ctrl+Enter) draws what the Linux build of the same source draws; a compile error
// is marked at its line; a shared link opens the same program; an endless loop leaves the editor
// and Stop responsive, and Stop ends it; endless allocation ends with a message; the server goes
// on serving; the download holds the source and the page; hostile requests are refused; then the
// load: 20 different programs at once with --jobs 2, all compiled, queue places seen, the
// server's memory bounded.
//   node tests/web/playground_test.mjs NATIVE_BUILD WEB_BUILD
import { execFileSync, spawn } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { fileURLToPath } from 'node:url';

const here = path.dirname(fileURLToPath(import.meta.url));
const root = path.resolve(here, '../..');
const [nativeArg, webArg] = process.argv.slice(2);
if (!webArg) {
  console.error('usage: node tests/web/playground_test.mjs NATIVE_BUILD WEB_BUILD');
  process.exit(2);
}
const nativeBuild = path.resolve(nativeArg), webBuild = path.resolve(webArg);
const work = path.join(webBuild, 'playground-test');
fs.rmSync(work, { recursive: true, force: true });
fs.mkdirSync(work, { recursive: true });
process.env.TAVIX_NATIVE_BUILD = nativeBuild;
process.env.TAVIX_WEB_OUT = work;
const { launch, check, within, picture, runLinux, difference, savePicture, tally } =
  await import('./web_test.mjs');
const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

// ---- The server -----------------------------------------------------------------------------
// The browser kit as a learner installs it, and the server from the Linux build.
execFileSync('cmake', ['--install', webBuild, '--prefix', path.join(work, 'kit')], { stdio: 'ignore' });
const server = spawn(path.join(nativeBuild, 'tavix-playground'), ['--listen', '127.0.0.1:0',
  '--jobs', '2', '--data', path.join(work, 'data'), '--kit', path.join(work, 'kit')],
{ stdio: ['ignore', 'pipe', 'inherit'] });
let serverOutput = '';
const address = await within(300000, new Promise((resolve, reject) => {
  server.stdout.on('data', (chunk) => {
    serverOutput += chunk;
    const m = /(http:\/\/127\.0\.0\.1:\d+\/)/.exec(serverOutput);
    if (m) resolve(m[1]);
  });
  server.on('exit', (code) => reject(new Error(`tavix-playground ended (${code}): ${serverOutput}`)));
}), 'tavix-playground start');
console.log(`playground: ${address}`);
const rss = () => {
  const status = fs.readFileSync(`/proc/${server.pid}/status`, 'utf8');
  return Number(/VmRSS:\s+(\d+)/.exec(status)[1]) / 1024;
};

// The guide's first program, and the Linux build of it.
const guide = fs.readFileSync(path.join(root, 'docs/guide.md'), 'utf8');
const hello = /Save this as `hello\.c`:\s*```c\n([\s\S]*?)```/.exec(guide)[1];
fs.writeFileSync(path.join(work, 'hello.c'), hello);
const flags = execFileSync('pkg-config', ['--cflags', '--libs', 'tavix'],
  { env: { ...process.env, PKG_CONFIG_PATH: nativeBuild } }).toString().trim().split(/\s+/);
execFileSync('cc', [path.join(work, 'hello.c'), '-o', path.join(work, 'hello'), ...flags]);

// ---- The page -------------------------------------------------------------------------------
async function openEditor(browser, url = address) {
  const context = await browser.createBrowserContext();
  const page = await context.newPage();
  await page.setViewport({ width: 1400, height: 1000, deviceScaleFactor: 1 });
  await page.goto(url, { waitUntil: 'load' });
  await page.waitForFunction(() => document.body.dataset.state === 'idle', { timeout: 20000 });
  return { context, page };
}
const stateOf = (page) => page.evaluate(() => document.body.dataset.state);
async function waitState(page, states, ms, what) {
  await page.waitForFunction((s) => s.includes(document.body.dataset.state), { timeout: ms }, states)
    .catch(async () => { throw new Error(`${what}: state ${await stateOf(page)}, status ` +
      `"${await page.$eval('#status', (e) => e.textContent)}"`); });
  return stateOf(page);
}
// Puts source in the editor and presses Run, until the page is in one of states.
async function runSource(page, source, states, ms, what) {
  await page.evaluate((text) => window.playground.setSource(text), source);
  await page.click('#run');
  return waitState(page, states, ms, what);
}
// Types text into the editor as one input (as a paste would), in place of what it held.
async function typeProgram(page, text) {
  await page.click('.cm-content');
  await page.keyboard.down('Control');
  await page.keyboard.press('a');
  await page.keyboard.up('Control');
  await page.keyboard.press('Backspace');
  await page.keyboard.sendCharacter(text);
  return page.evaluate(() => window.playground.view.state.doc.toString());
}
// The program's frame that is shown (not the next run started ahead).
const runFrame = async (page) => (await page.$('#stage iframe:not(.ahead)')).contentFrame();

async function typedProgramDrawsAsLinux(browser) {
  const { context, page } = await openEditor(browser);
  const typed = await typeProgram(page, hello);
  check(typed === hello, 'the editor holds the program typed into it');
  await page.keyboard.down('Control');
  await page.keyboard.press('Enter');
  await page.keyboard.up('Control');
  await waitState(page, ['running'], 150000, 'Ctrl+Enter runs the program');
  let frame = await runFrame(page);
  await within(20000, frame.evaluate(() => window.tavix.idle()), 'the program waits');
  const shown = await picture(frame);
  const linux = runLinux({ native: path.relative(nativeBuild, path.join(work, 'hello')) }, '',
    'playground_hello');
  const d = difference(shown, linux);
  if (!check(d.count === 0, `the run's picture equals the Linux build's (${d.text})`))
    savePicture(shown, path.join(work, 'playground_hello-browser.png'));
  // Run again, unchanged: the run started ahead and held is shown, with the same picture.
  await page.waitForFunction(() => document.body.dataset.ahead === 'held', { timeout: 60000 });
  await page.click('#run');
  await waitState(page, ['running'], 30000, 'Run of the unchanged program');
  frame = await runFrame(page);
  await within(20000, frame.evaluate(() => window.tavix.idle()), 'the program run again waits');
  const again = await picture(frame);
  const times = await page.evaluate(() => window.playground.times());
  const d2 = difference(again, linux);
  check(frame.url().endsWith('#ahead') && times.ahead && d2.count === 0,
    `Run of the unchanged program shows the run started ahead (${d2.text}, ` +
    `${Math.round(times.picture)} ms)`);
  // Recording works in the frame as on any page: Ctrl+R, a click, Ctrl+R offers the script.
  const canvas = await frame.$('#tavix-graphics');
  const ctrl = async (key) => {
    await page.keyboard.down('Control');
    await page.keyboard.press(key);
    await page.keyboard.up('Control');
  };
  await canvas.click({ offset: { x: 300, y: 300 } });
  await ctrl('r');
  await canvas.click({ offset: { x: 200, y: 150 } });
  await ctrl('r');
  const offered = await frame.waitForFunction(() => [...document.querySelectorAll('#tavix-downloads a')]
    .some((a) => a.download === 'TAVIX.SCR' && a.href), { timeout: 15000 }).then(() => true, () => false);
  const script = await frame.evaluate(() => new TextDecoder().decode(window.tavix.readFile('TAVIX.SCR') ?? new Uint8Array()));
  check(offered && /TAVIX_MOUSE\(/.test(script),
    `a recording in the program's frame is offered as a download (${script.trim().split('\n').length} lines)`);
  const colours = await page.$$eval('.cm-content span', (spans) =>
    new Set(spans.map((s) => getComputedStyle(s).color)).size);
  check(colours >= 3, `the editor colours C (${colours} colours)`);
  await context.close();
}

// A run started ahead and held for seconds reads its clock as though it started at Run.
async function heldClockStandsStill(browser) {
  const { context, page } = await openEditor(browser);
  const timed = '#include <stdio.h>\n#include <tavix.h>\nint main(void) {\n    int x, y;\n' +
    '    char key;\n    TAVIX_start(NULL, NULL, NULL, 1);\n    TAVIX_clear_window();\n' +
    '    TAVIX_delay(10);\n    printf("clock %ld\\n", TAVIX_time());\n' +
    '    while (TAVIX_next_event(&x, &y, &key) != TAVIX_QUIT) {\n    }\n    TAVIX_finish();\n' +
    '    return 0;\n}\n';
  await runSource(page, timed, ['running'], 150000, 'the timed program');
  await page.waitForFunction(() => document.body.dataset.ahead === 'held', { timeout: 60000 });
  await sleep(3000);
  await page.evaluate(() => { document.getElementById('output').textContent = ''; });
  await page.click('#run');
  const said = await page.waitForFunction(() => /clock (\d+)/.exec(
    document.getElementById('output').textContent), { timeout: 30000 }).then((h) => h.jsonValue());
  const clock = Number(said[1]);
  check(clock < 2000, `a run held for 3 s reads its clock from Run (${clock} ms at its first wait)`);
  await context.close();
}

async function errorMarkedAtItsLine(browser) {
  const { context, page } = await openEditor(browser);
  const broken = hello.replace('TAVIX_clear_window();', 'TAVIX_clear_window();\n    int z = nothing;');
  const line = broken.split('\n').findIndex((l) => l.includes('nothing')) + 1;
  await runSource(page, broken, ['failed'], 120000, 'a compile error');
  const marked = await page.evaluate(() => {
    const lines = [...document.querySelectorAll('.cm-content .cm-line')];
    const range = document.querySelector('.cm-lintRange-error');
    return range ? lines.indexOf(range.closest('.cm-line')) + 1 : 0;
  });
  check(marked === line, `the compile error is marked at its line (${marked}, wanted ${line})`);
  const output = await page.$eval('#output', (e) => e.textContent);
  check(/main\.c:\d+:\d+: error:/.test(output), 'the compiler\'s words are shown under the program');
  await context.close();
}

async function sharedLinkReproduces(browser) {
  const { context, page } = await openEditor(browser);
  const program = hello.replace('Hello!', `Shared ${Date.now()}`);
  await page.evaluate((text) => window.playground.setSource(text, 'c'), program);
  await page.click('#share');
  await page.waitForFunction(() => document.getElementById('share-link').value, { timeout: 10000 });
  const link = await page.$eval('#share-link', (e) => e.value);
  await context.close();
  const other = await openEditor(browser, link);
  const opened = await other.page.evaluate(() => window.playground.view.state.doc.toString());
  check(opened === program, `the shared link opens the same program (${link})`);
  await other.context.close();
  const stored = fs.readdirSync(path.join(work, 'data', 'shares'));
  check(stored.length === 1 && /^[0-9a-f]{32}\.c$/.test(stored[0]),
    `sharing stores the source alone, named by its digest (${stored.join(' ')})`);
}

// A program that never waits: the editor and Stop must answer while its frame spins.
async function endlessLoopStops(browser) {
  const { context, page } = await openEditor(browser);
  const spin = '#include <tavix.h>\nint main(void) {\n    volatile unsigned n = 0;\n' +
    '    TAVIX_start(NULL, NULL, NULL, 1);\n    TAVIX_clear_window();\n' +
    '    for (;;) ++n;\n}\n';
  await runSource(page, spin, ['starting', 'running'], 120000, 'the endless loop starts');
  // Its frame's script is loaded and spinning.
  await page.waitForFunction(() => performance.now() > 0, { timeout: 1000 });
  await sleep(2000);
  const t0 = Date.now();
  await within(2000, page.evaluate(() => 1), 'the editor while the program spins');
  await page.click('.cm-content');
  await page.keyboard.press('End');
  await page.keyboard.type('// still here');
  const typed = await page.evaluate(() => window.playground.view.state.doc.toString());
  check(typed.includes('// still here') && Date.now() - t0 < 5000,
    `the editor takes typing while the program spins (${Date.now() - t0} ms)`);
  const t1 = Date.now();
  await page.click('#stop');
  await waitState(page, ['stopped'], 5000, 'Stop');
  const gone = await page.evaluate(() => !document.querySelector('#stage iframe'));
  const said = await page.$eval('#status', (e) => e.textContent);
  check(gone && said === 'Stopped', `Stop ends the spinning program and says so (${Date.now() - t1} ms)`);
  await context.close();
}

// A program that waits for 8 s, so that its next run is started ahead, then spins: the run held
// ahead in its process cannot start, and Run gives it up for a new frame.
async function spinAfterWaiting(browser) {
  const { context, page } = await openEditor(browser);
  const spin = '#include <tavix.h>\nint main(void) {\n    volatile unsigned n = 0;\n' +
    '    TAVIX_start(NULL, NULL, NULL, 1);\n    TAVIX_clear_window();\n' +
    '    for (int i = 0; i < 80; ++i) TAVIX_delay(100);\n    for (;;) ++n;\n}\n';
  await runSource(page, spin, ['running'], 150000, 'the program that spins after 8 s');
  const started = Date.now();
  await page.waitForFunction(() => document.body.dataset.ahead === 'held', { timeout: 60000 });
  await sleep(Math.max(0, started + 9000 - Date.now()));
  await page.click('#run');
  await waitState(page, ['running'], 60000, 'Run again after a spin');
  const times = await page.evaluate(() => window.playground.times());
  check(!times.ahead, `Run again after the program spins shows it anew (${Math.round(times.picture)} ms)`);
  await context.close();
}

async function endlessAllocationEnds(browser) {
  const { context, page } = await openEditor(browser);
  // Each block is kept where the compiler must assume it is used, so none is left out.
  const hog = '#include <tavix.h>\n#include <stdlib.h>\n#include <string.h>\n' +
    'static char *volatile keep;\nint main(void) {\n' +
    '    TAVIX_start(NULL, NULL, NULL, 1);\n    TAVIX_clear_window();\n' +
    '    for (;;) {\n        char *p = malloc(1 << 20);\n        memset(p, 1, 1 << 20);\n' +
    '        keep = p;\n    }\n}\n';
  await runSource(page, hog, ['ended'], 150000, 'endless allocation');
  const said = await page.$eval('#status', (e) => e.textContent);
  check(/ran out of memory/.test(said), `endless allocation ends with a message ("${said}")`);
  await context.close();
}

async function serverGoesOn(browser) {
  const { context, page } = await openEditor(browser);
  await page.click('#run');
  await waitState(page, ['running'], 60000, 'the guide\'s program after the others');
  check(true, 'the server goes on serving after the endless programs');
  // The program's frame cannot use the playground: what it sends is refused.
  const before = fs.readdirSync(path.join(work, 'data', 'shares')).length;
  const sent = await (await runFrame(page)).evaluate(() => Promise.all(['api/share?lang=c', 'api/build?lang=c']
    .map((url) => fetch(`/${url}`, { method: 'POST', body: 'int stolen;' }).then((r) => r.status,
      (e) => 'refused'))));
  const after = fs.readdirSync(path.join(work, 'data', 'shares')).length;
  check(before === after, `a program cannot share or compile through the playground (${sent.join(' ')})`);
  await context.close();
}

// ---- The HTTP side ----------------------------------------------------------------------------
async function post(url, body) {
  const response = await fetch(new URL(url, address), { method: 'POST', body });
  return { status: response.status, json: await response.json().catch(() => null) };
}
async function compiled(source, seen) {
  let answer = await post('/api/build?lang=c', source);
  while (answer.status === 200 && ['queued', 'compiling'].includes(answer.json.state)) {
    if (answer.json.state === 'queued') seen.add(answer.json.position);
    await sleep(200);
    const response = await fetch(new URL(`/api/build/${answer.json.id}`, address));
    answer = { status: response.status, json: await response.json() };
  }
  return answer;
}

async function downloadAndRefusals() {
  const done = await compiled(hello, new Set());
  const zip = path.join(work, 'program.zip');
  const response = await fetch(new URL(`/api/download/${done.json.id}`, address));
  fs.writeFileSync(zip, Buffer.from(await response.arrayBuffer()));
  const listing = execFileSync('unzip', ['-Z1', zip]).toString().split('\n').filter((l) => l);
  const wanted = ['program/main.c', 'program/page/index.html', 'program/page/main.js',
    'program/page/main.wasm', 'program/page/fonts/DejaVuSans.ttf',
    'program/page/fonts/LiberationSerif-Regular.ttf'];
  check(wanted.every((w) => listing.includes(w)),
    `the download holds the source and the page folder (${listing.length} files)`);
  const unpacked = path.join(work, 'unzipped');
  execFileSync('unzip', ['-q', '-o', zip, '-d', unpacked]);
  check(fs.readFileSync(path.join(unpacked, 'program/main.c'), 'utf8') === hello,
    'the download\'s source is the program');

  const run = await fetch(new URL(`/run/${done.json.id}/index.html`, address));
  check(/sandbox allow-scripts/.test(run.headers.get('content-security-policy') ?? ''),
    'a run\'s page is sandboxed even when opened alone');
  const wasm = await fetch(new URL(`/run/${done.json.id}/main.wasm`, address));
  check(wasm.headers.get('access-control-allow-origin') === '*' &&
    wasm.headers.get('content-type') === 'application/wasm', 'a run\'s files are served cross-origin');
  const large = await post('/api/build?lang=c', 'x'.repeat(300 * 1024));
  check(large.status === 413 && /256 KB/.test(large.json?.error ?? ''),
    `a source over 256 KB gets a clear message (${large.status})`);
  const statuses = [];
  for (const url of [`/run/${done.json.id}/../../../etc/passwd`,
    `/run/${done.json.id}/%2e%2e/%2e%2e/etc/passwd`, `/run/${done.json.id}/fonts/..%2f..%2fmain.c`,
    '/api/share/..%2f..%2fetc%2fpasswd', `/run/${'0'.repeat(64)}/main.js`,
    `/api/build?lang=${encodeURIComponent('../x')}`]) {
    const r = await fetch(new URL(url, address), { method: url.startsWith('/api/build') ? 'POST' : 'GET',
      body: url.startsWith('/api/build') ? 'int x;' : undefined });
    const text = await r.text();
    statuses.push(r.status);
    if (r.status === 200 || /root:/.test(text)) check(false, `${url} is refused (${r.status})`);
  }
  check(statuses.every((s) => s >= 400), `paths and names not the server's own are refused (${statuses.join(' ')})`);
}

async function load() {
  const rssBefore = rss();
  const seen = new Set();
  let peak = rssBefore;
  const watch = setInterval(() => { peak = Math.max(peak, rss()); }, 200);
  const t0 = Date.now();
  const programs = Array.from({ length: 20 }, (_, i) =>
    hello.replace('TAVIX_draw_circle(RED, 0, 0, 100)', `TAVIX_draw_circle(RED, 0, 0, ${10 + i})`));
  const answers = await Promise.all(programs.map((p) => compiled(p, seen)));
  clearInterval(watch);
  const done = answers.filter((a) => a.status === 200 && a.json.state === 'done').length;
  const ids = new Set(answers.map((a) => a.json?.id));
  check(done === 20 && ids.size === 20, `load: 20 programs at once, ${done} compiled, ` +
    `${ids.size} different (${((Date.now() - t0) / 1000).toFixed(1)} s)`);
  check(seen.size >= 5, `load: queue places seen: ${[...seen].sort((a, b) => a - b).join(' ')}`);
  check(peak < 200, `load: the server's memory stays bounded (RSS ${rssBefore.toFixed(0)} MB ` +
    `before, at most ${peak.toFixed(0)} MB)`);
}

const started = Date.now();
const { browser, profile } = await launch();
try {
  for (const [name, run] of [['typed', () => typedProgramDrawsAsLinux(browser)],
    ['clock', () => heldClockStandsStill(browser)], ['error', () => errorMarkedAtItsLine(browser)], ['share', () => sharedLinkReproduces(browser)],
    ['loop', () => endlessLoopStops(browser)], ['spin', () => spinAfterWaiting(browser)],
    ['memory', () => endlessAllocationEnds(browser)],
    ['goes on', () => serverGoesOn(browser)], ['download', downloadAndRefusals], ['load', load]]) {
    try {
      await run();
    } catch (e) {
      check(false, `${name}: ${e.message}`);
    }
  }
} finally {
  await browser.close();
  server.kill('SIGTERM');
  fs.rmSync(profile, { recursive: true, force: true });
}
const { passed, failed } = tally();
console.log(`playground: ${((Date.now() - started) / 1000).toFixed(0)} s; machine load ` +
  `${os.loadavg().map((l) => l.toFixed(1)).join(' ')}`);
console.log(`playground: ${passed} passed, ${failed} failed`);
process.exit(failed ? 1 : 0);
