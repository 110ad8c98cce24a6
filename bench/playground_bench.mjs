// tavix-playground's Run to first picture for the guide's first program, in headless Chromium:
// the server's start (its warm-up compile included), the first Run after it (a compile; the
// browser's cache empty), a Run of a changed program (a compile, every cache warm) and a Run of
// the unchanged program (compiled before, its next run started ahead), pressed once that run is
// held and pressed at once. Medians of three; figures, not a test.
//   node bench/playground_bench.mjs NATIVE_BUILD WEB_BUILD    (make web first)
import { execFileSync, spawn } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { fileURLToPath } from 'node:url';

const here = path.dirname(fileURLToPath(import.meta.url));
const root = path.resolve(here, '..');
const [nativeArg, webArg] = process.argv.slice(2);
if (!webArg) {
  console.error('usage: node bench/playground_bench.mjs NATIVE_BUILD WEB_BUILD');
  process.exit(2);
}
const work = path.join(path.resolve(webArg), 'playground-bench');
fs.rmSync(work, { recursive: true, force: true });
fs.mkdirSync(work, { recursive: true });
process.env.TAVIX_WEB_OUT = work;
const { launch } = await import('../tests/web/web_test.mjs');
execFileSync('cmake', ['--install', path.resolve(webArg), '--prefix', path.join(work, 'kit')],
  { stdio: 'ignore' });

const t0 = performance.now();
const server = spawn(path.join(path.resolve(nativeArg), 'tavix-playground'), ['--listen',
  '127.0.0.1:0', '--data', path.join(work, 'data'), '--kit', path.join(work, 'kit')],
{ stdio: ['ignore', 'pipe', 'inherit'] });
let said = '';
const address = await new Promise((resolve, reject) => {
  server.stdout.on('data', (chunk) => {
    said += chunk;
    const m = /(http:\/\/127\.0\.0\.1:\d+\/)/.exec(said);
    if (m) resolve(m[1]);
  });
  server.on('exit', (code) => reject(new Error(`tavix-playground ended (${code})`)));
});
const startSeconds = (performance.now() - t0) / 1000;

const guide = fs.readFileSync(path.join(root, 'docs/guide.md'), 'utf8');
const hello = /Save this as `hello\.c`:\s*```c\n([\s\S]*?)```/.exec(guide)[1];
const { browser, profile } = await launch();
const median = (xs) => [...xs].sort((a, b) => a - b)[Math.floor(xs.length / 2)];
try {
  const page = await browser.newPage();
  await page.goto(address, { waitUntil: 'load' });
  await page.waitForFunction(() => document.body.dataset.state === 'idle');
  // Run to the program's first picture, in seconds, as the page measures it.
  const run = async (source) => {
    await page.evaluate((text) => window.playground.setSource(text), source);
    await page.evaluate(() => { document.body.dataset.state = 'idle'; window.playground.run(); });
    await page.waitForFunction(() => ['running', 'failed'].includes(document.body.dataset.state),
      { timeout: 170000 });
    const t = await page.evaluate(() => window.playground.times());
    frames.push(t.picture - t.compile);
    return t.picture / 1000;
  };
  const frames = [];  // of each Run, the time from the compile's end to the picture, in ms
  const cold = await run(hello);
  const warm = [], same = [];
  for (let i = 0; i < 3; ++i) warm.push(await run(hello.replace('Hello!', `Hello ${i}!`)));
  // Run again once the next run started ahead is held (a learner looking at the program for a
  // moment), then at once, each Run the moment the one before shows its picture.
  const held = () => page.waitForFunction(() => document.body.dataset.ahead === 'held',
    { timeout: 60000 });
  const now = [];
  for (let i = 0; i < 3; ++i) {
    await held();
    same.push(await run(hello.replace('Hello!', 'Hello 2!')));
  }
  for (let i = 0; i < 3; ++i) now.push(await run(hello.replace('Hello!', 'Hello 2!')));
  // A changed program again, pressed once the run ahead is held (the learner edits for a moment).
  const edited = [];
  for (let i = 0; i < 3; ++i) {
    await held();
    edited.push(await run(hello.replace('Hello!', `Edited ${i}!`)));
  }
  const load = os.loadavg().map((l) => l.toFixed(1)).join(' ');
  console.log(`playground: server start ${startSeconds.toFixed(1)} s (warm-up compile included)`);
  console.log(`playground: Run to first picture, first program after the start ${cold.toFixed(2)} s`);
  console.log(`playground: Run to first picture, changed program (compiled) ${median(warm).toFixed(2)} s` +
    ` (target <= 5 s; ${warm.map((s) => s.toFixed(2)).join(' ')}), of which the frame` +
    ` ${median(frames.slice(1, 4)).toFixed(0)} ms`);
  console.log(`playground: Run to first picture, unchanged program ${(median(same) * 1000).toFixed(0)} ms` +
    ` (target <= 300 ms; ${same.map((s) => (s * 1000).toFixed(0)).join(' ')})`);
  console.log(`playground: the same, Run pressed as the picture before shows ${(median(now) * 1000).toFixed(0)} ms` +
    ` (${now.map((s) => (s * 1000).toFixed(0)).join(' ')})`);
  console.log(`playground: the changed program, Run pressed once the run ahead is held ` +
    `${median(edited).toFixed(2)} s (${edited.map((s) => s.toFixed(2)).join(' ')}), of which the ` +
    `frame ${median(frames.slice(-3)).toFixed(0)} ms`);
  console.log(`playground: machine load ${load} on ${os.cpus().length} processors`);
} finally {
  await browser.close();
  server.kill('SIGTERM');
  fs.rmSync(profile, { recursive: true, force: true });
}
