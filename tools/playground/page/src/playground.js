// The playground's editor page: CodeMirror with C colouring, the examples, Run (Ctrl+Enter) and
// Stop, Share and Download. A program is compiled by the server (POST /api/build, then its status
// until done) and runs in a sandboxed frame without the page's origin, which tells the page what
// it does only through messages (bridge.js).
import { EditorView, basicSetup } from 'codemirror';
import { keymap } from '@codemirror/view';
import { Prec } from '@codemirror/state';
import { cpp } from '@codemirror/lang-cpp';
import { lintGutter, setDiagnostics } from '@codemirror/lint';

const $ = (id) => document.getElementById(id);
const SOURCE_LIMIT = 256 * 1024;
const OUTPUT_LINES = 2000;

let runNumber = 0;    // each Run, Download or Stop supersedes what the ones before still wait for
// A program's frame: { id, frame, pressed, compiled, loaded, held, started }. The running one is
// current; a next run of the same program may be started ahead, held unseen at its first turn,
// so that Run of an unchanged program shows it at once.
let current = null;
let ahead = null;
const endsAtOnce = new Set();  // programs that end before their first turn: none started ahead
let lastTimes = null; // Run to first picture, for the benchmark
let runBase = '';     // where the programs' frames come from (runAddress)

function state(name) { document.body.dataset.state = name; }
function say(text) { $('status').textContent = text; }
function out(text, kind) {
  const output = $('output');
  for (const line of String(text).replace(/\n$/, '').split('\n')) {
    const span = document.createElement('span');
    span.className = kind;
    span.textContent = line.slice(0, 2000) + '\n';
    output.appendChild(span);
  }
  while (output.childNodes.length > OUTPUT_LINES) output.firstChild.remove();
  output.scrollTop = output.scrollHeight;
}
const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

async function request(url, body) {
  const options = body === undefined ? {} :
    { method: 'POST', body, headers: { 'Content-Type': 'text/plain; charset=utf-8' } };
  let response;
  try {
    response = await fetch(url, options);
  } catch (e) {
    return { error: 'The playground cannot be reached: is its server running?' };
  }
  try {
    return await response.json();
  } catch (e) {
    return { error: response.status === 413 ? 'The program is larger than 256 KB.'
      : `The playground answered ${response.status}.` };
  }
}

// The compiler's words as the editor's marks: "main.c:LINE:COLUMN: error: ..." at that line.
export function diagnosticsOf(log, doc) {
  const list = [];
  const pattern = /^main\.(?:c|cpp):(\d+):(\d+): (fatal error|error|warning|note): (.*)$/gm;
  for (const m of log.matchAll(pattern)) {
    const number = Number(m[1]);
    if (number < 1 || number > doc.lines) continue;
    const line = doc.line(number);
    const from = Math.min(line.from + Math.max(Number(m[2]) - 1, 0), line.to);
    let to = from;
    while (to < line.to && /\w/.test(doc.sliceString(to, to + 1))) ++to;
    if (to === from) to = Math.min(from + 1, line.to);
    const severity = m[3] === 'note' ? 'info' : m[3] === 'warning' ? 'warning' : 'error';
    list.push({ from, to, severity, message: m[4] });
  }
  return list;
}

function language() { return $('lang').value === 'cpp' ? 'cpp' : 'c'; }
function source() { return view.state.doc.toString(); }

// Compiles the editor's program; its status once done or failed, or null when superseded.
async function compile(number) {
  const text = source();
  if (new TextEncoder().encode(text).length > SOURCE_LIMIT) {
    say('The program is larger than 256 KB: the playground takes programs up to 256 KB.');
    state('failed');
    return null;
  }
  state('compiling');
  say('Sending...');
  view.dispatch(setDiagnostics(view.state, []));
  let status = await request(`api/build?lang=${language()}`, text);
  while (number === runNumber && !status.error &&
         (status.state === 'queued' || status.state === 'compiling')) {
    say(status.state === 'queued' ? `Waiting: place ${status.position} in the queue`
      : 'Compiling...');
    document.body.dataset.queuePosition = status.position || 0;
    // A compile takes seconds: its end is seen within a tenth of one.
    await sleep(status.state === 'queued' ? 250 : 100);
    status = await request(`api/build/${status.id}`);
  }
  if (number !== runNumber) return null;
  if (status.error) {
    say(status.error);
    state('failed');
    return null;
  }
  view.dispatch(setDiagnostics(view.state, diagnosticsOf(status.log || '', view.state.doc)));
  if (status.log) out(status.log, 'compiler');
  if (status.state !== 'done') {
    say(status.message || 'The program did not compile.');
    out(status.message || 'The program did not compile.', 'problem');
    state('failed');
    return null;
  }
  return status;
}

function frameFor(id, hash) {
  const frame = document.createElement('iframe');
  // Scripts only: no origin of the page's, no pop-ups, no navigation of the page.
  frame.setAttribute('sandbox', 'allow-scripts allow-downloads');
  frame.setAttribute('allow', 'fullscreen');
  frame.title = 'The program';
  frame.src = `${runBase}run/${id}/index.html${hash}`;
  return frame;
}

function show(id, pressed, compiled) {
  current = { id, frame: frameFor(id, ''), pressed, compiled, started: true };
  $('stage').replaceChildren(current.frame);
}

function startAhead(id) {
  if (ahead || endsAtOnce.has(id)) return;
  ahead = { id, frame: frameFor(id, '#ahead'), loaded: false, held: false, started: false };
  ahead.frame.className = 'ahead';
  ahead.frame.tabIndex = -1;
  ahead.frame.setAttribute('aria-hidden', 'true');
  $('stage').appendChild(ahead.frame);
  document.body.dataset.ahead = 'loading';
}

function dropAhead() {
  if (!ahead) return;
  ahead.frame.remove();
  ahead = null;
  delete document.body.dataset.ahead;
}

// The frame started ahead is told to go on; one that does not answer (its process held up by a
// program gone before it) gives way to a new frame.
function release(run) {
  if (!run.loaded) return;
  run.frame.contentWindow.postMessage({ tavix: 'start' }, '*');
  setTimeout(() => {
    if (current === run && !run.started) show(run.id, run.pressed, run.compiled);
  }, 2000);
}

async function run() {
  const number = ++runNumber;
  const pressed = performance.now();
  stop(false);
  const status = await compile(number);
  if (!status) return;
  const compiled = performance.now();
  if (ahead && ahead.id === status.id) {
    current = Object.assign(ahead, { pressed, compiled });
    ahead = null;
    delete document.body.dataset.ahead;
    current.frame.classList.remove('ahead');
    current.frame.removeAttribute('tabindex');
    current.frame.removeAttribute('aria-hidden');
    release(current);
    const waiting = current;
    setTimeout(() => {
      if (current === waiting && !waiting.loaded) show(waiting.id, pressed, compiled);
    }, 4000);
  } else {
    // Removed first: a program spinning in its process must not hold up the new frame there.
    dropAhead();
    show(status.id, pressed, compiled);
  }
  $('stop').disabled = false;
  say('Starting...');
  state('starting');
}

function stop(tell = true) {
  if (tell) dropAhead();
  if (!current) return;
  if (tell) ++runNumber;
  current.frame.remove();
  current = null;
  $('stop').disabled = true;
  if (tell) {
    say('Stopped');
    out('The program was stopped.', 'note');
    state('stopped');
  }
}

async function share() {
  const number = ++runNumber;
  const answer = await request(`api/share?lang=${language()}`, source());
  if (number !== runNumber) return;
  if (answer.error) {
    say(answer.error);
    return;
  }
  const link = `${location.origin}${location.pathname}?s=${answer.id}`;
  $('share-link').value = link;
  $('share-box').hidden = false;
  history.replaceState(null, '', `?s=${answer.id}`);
  say('Shared: the link opens this program.');
}

async function download() {
  const number = ++runNumber;
  const status = await compile(number);
  if (!status) return;
  const link = document.createElement('a');
  link.href = `api/download/${status.id}`;
  link.download = 'program.zip';
  document.body.appendChild(link);
  link.click();
  link.remove();
  say('Downloaded program.zip: the source and its page, for any static web server.');
  state('downloaded');
}

// What the programs' frames tell: only the current frame and the one started ahead are listened
// to, and only as text.
window.addEventListener('message', (event) => {
  const from = [current, ahead].find((r) => r && r.frame.contentWindow === event.source);
  const message = event.data;
  if (!from || !message || typeof message !== 'object') return;
  if (message.tavix === 'loaded') {
    from.loaded = true;
    if (from === current) release(from);
    return;
  } else if (message.tavix === 'held') {
    from.held = true;
    if (from === ahead) document.body.dataset.ahead = 'held';
    return;
  } else if (message.tavix === 'started') {
    from.started = true;
    return;
  } else if (message.tavix === 'exited-ahead') {
    // It ended before its first turn, unseen: such a program is run anew each time.
    endsAtOnce.add(from.id);
    if (from === ahead) dropAhead();
    else show(from.id, from.pressed, from.compiled);
    return;
  }
  if (from !== current) return;
  if (message.tavix === 'ready') {
    lastTimes = { compile: current.compiled - current.pressed,
      picture: performance.now() - current.pressed, ahead: current.frame.src.endsWith('#ahead') };
    say('Running');
    state('running');
  } else if (message.tavix === 'idle') {
    startAhead(current.id);
  } else if (message.tavix === 'output' && Array.isArray(message.lines)) {
    for (const line of message.lines.slice(0, 200)) out(String(line), 'program');
  } else if (message.tavix === 'exited') {
    const code = Number(message.code);
    const words = String(message.status || '').slice(0, 500);
    let text = code === -1 ? words : `The program ended (status ${code}).`;
    if (/\bOOM\b|enlarge memory/.test(words))
      text = 'The program ran out of memory (it may use 256 MB at most) and was stopped.';
    say(text);
    out(text, code === 0 ? 'note' : 'problem');
    state('ended');
  } else if (message.tavix === 'error') {
    out(String(message.message).slice(0, 2000), 'problem');
  }
});

const view = new EditorView({
  parent: $('editor'),
  extensions: [
    basicSetup, cpp(), lintGutter(),
    Prec.highest(keymap.of([{ key: 'Mod-Enter', run: () => { run(); return true; } }])),
  ],
});

function load(text, lang) {
  view.dispatch({ changes: { from: 0, to: view.state.doc.length, insert: text } });
  $('lang').value = lang === 'cpp' ? 'cpp' : 'c';
}

// The programs' frames come from another site than the page's where one is at hand, so that
// the browser gives them a process of their own and a program that never waits cannot hold up
// the editor: the address the server names, or this machine's other name.
function runAddress(configured) {
  if (configured) return configured;
  const other = { '127.0.0.1': 'localhost', localhost: '127.0.0.1' }[location.hostname];
  const here = new URL('.', location.href);
  if (other) here.hostname = other;
  return here.href;
}

async function start() {
  $('run').addEventListener('click', run);
  $('stop').addEventListener('click', () => stop(true));
  $('share').addEventListener('click', share);
  $('download').addEventListener('click', download);
  $('copy').addEventListener('click', () => {
    $('share-link').select();
    navigator.clipboard?.writeText($('share-link').value).catch(() => {});
  });
  let config = {};
  try {
    config = await (await fetch('config.json')).json();
  } catch (e) {
    config = {};
  }
  runBase = runAddress(typeof config.runAddress === 'string' ? config.runAddress : '');
  let examples = [];
  try {
    examples = await (await fetch('examples.json')).json();
  } catch (e) {
    examples = [];
  }
  examples.forEach((example, i) => {
    const option = document.createElement('option');
    option.value = String(i);
    option.textContent = example.name;
    $('examples').appendChild(option);
  });
  $('examples').addEventListener('change', () => {
    const example = examples[Number($('examples').value)];
    if ($('examples').value !== '' && example) load(example.source, example.lang);
  });
  const shared = new URLSearchParams(location.search).get('s');
  if (shared && /^[0-9a-f]{32}$/.test(shared)) {
    const answer = await request(`api/share/${shared}`);
    if (answer.error) say(answer.error);
    else load(answer.source, answer.lang);
  } else if (examples.length) {
    load(examples[0].source, examples[0].lang);
  }
  state('idle');
  view.focus();
}

// For scripts that drive the page (the browser tests, the benchmark).
window.playground = {
  view, run, stop, share, download,
  setSource: (text, lang) => load(text, lang || 'c'),
  times: () => lastTimes,
};
start();
