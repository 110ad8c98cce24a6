// The browser stage: each case gives one input sequence to a program of the browser build, in
// headless Chromium through real mouse and key events on its canvases, and to the same program of
// the Linux build, headless, as a script (or as the script the browser recorded); the two pictures
// of the client area must be equal byte for byte. Controls, a deliberately different input, must
// give a different picture. Then the figures: the cone's scene in the browser beside the native
// build, page load to first picture, a click to its picture, the page's size.
//
//   node tests/web/web_test.mjs [CASE...]
// TAVIX_WEB_SITE (build-web/site), TAVIX_NATIVE_BUILD (build) and TAVIX_CHROMIUM
// (/usr/bin/chromium) say where things are; TAVIX_WEB_OUT (build-web/web-tests) keeps the
// pictures of a failed comparison, the scripts and the recordings.
import { execFileSync, spawnSync } from 'node:child_process';
import fs from 'node:fs';
import http from 'node:http';
import os from 'node:os';
import path from 'node:path';
import { fileURLToPath } from 'node:url';
import zlib from 'node:zlib';

const here = path.dirname(fileURLToPath(import.meta.url));
const root = path.resolve(here, '../..');
const site = path.resolve(process.env.TAVIX_WEB_SITE ?? path.join(root, 'build-web/site'));
const nativeBuild = path.resolve(process.env.TAVIX_NATIVE_BUILD ?? path.join(root, 'build'));
const chromium = process.env.TAVIX_CHROMIUM ?? '/usr/bin/chromium';
const outDir = path.resolve(process.env.TAVIX_WEB_OUT ?? path.join(root, 'build-web/web-tests'));

// The graphics canvas: the 19-pixel menu bar, then the client area (595 x 496 unless a case's
// client says otherwise) whose middle pixel, rounded down, is the library's (0, 0), y upwards.
const BAR = 19, WIDTH = 595, HEIGHT = 496, ORIGIN_X = 297, ORIGIN_Y = 248;
const geometry = ([width, height] = [WIDTH, HEIGHT]) =>
  ({ width, height, originX: Math.floor(width / 2), originY: Math.floor(height / 2) });
// The Run menu: its title's middle on the bar, and each item's row middle in the pop-up below it
// (a 3-pixel frame, text items 18 pixels, separators 9), canvas pixels; with the item's mnemonic.
const RUN_TITLE = [15, 9];
const RUN_ITEMS = {
  animate: [31, 'a'], halt: [49, 'h'], frame: [67, 'f'], logging: [94, 'l'],
  record: [121, 'r'], playback: [139, 'p'], one: [157, 'o'], quit: [184, 'q'],
};
// The cone's panel: button i's middle (0 "Add Scoop" .. 7 "LET'S EAT!!!").
const button = (i) => ['click', -240, 232 - 25 * i];
// The seconds the cone's clock reads on both builds, so that its scoops' colours agree.
const FIXED_TIME = 1700000000;

// ---- The cases ------------------------------------------------------------------------------
// program: the page NAME.html of the browser build; native: the Linux program, in build/;
// args: the program's arguments (the page's arg=...; nativeArgs on Linux if they differ).
// steps: the input, the same for both builds unless recorded (below). A step is
//   ['click', x, y]        a left click at library (x, y)             script: TAVIX_MOUSE(x, y);
//   ['type', text]         the characters typed ("\r" Enter, "\b" Backspace)  TAVIX_KBD(code);
//   ['menu', how, item]    a Run menu item, how: 'mouse', 'alt' (Alt, then the mnemonics),
//                          'altchord' (Alt+R, then the item's letter), 'f10' (F10, Enter, the
//                          arrows down to it, Enter), 'ctrl' (its Ctrl accelerator)
//                                                     script: TAVIX_PERIODIC(1); for 'frame'
//   ['drag', button, [[x, y]...]]  press at the first point, move through the rest, release
//   ['wheel', x, y, notches]  ['hold', key, ms]   ['press', key]   ['pause', ms]
//   ['touch', [[x, y]...]]  a finger down at the first point, moved through the rest, lifted:
//                          script: the left button's press where it began (once it went beyond
//                          TOUCH_SLOP pixels or lifted), its moves from then on, its release
//   ['longpress', x, y]    a finger held still TOUCH_HOLD ms and more: a right click there
// record: the browser runs with TAVIX_RECORD=rec.txt from the start and the Linux build replays
// what it recorded (for programs that read the clock or the random generator, or animate); the
// run ends with end: steps that halt the animation, if it runs, and stop the recording (Record
// Script again), after which the page offers rec.txt; quit: then Ctrl+Q ends the program.
// tail: for recorded cases, the lines the recording must end with (before them only ticks).
// asMouse: a recorded case's picture must also equal the Linux build's for scriptOf(steps), the
// same input by mouse.
// controls: the same case with one input changed on one side: {linux: f} replays f(script) on
// Linux, {browser: f} gives f(steps) to the browser; the picture must differ from the other
// side's unchanged one.
const moveFirstClick = (script) =>
  script.replace(/TAVIX_MOUSE\((-?\d+)/, (_, x) => `TAVIX_MOUSE(${Number(x) + 100}`);
const moveLastClick = (steps) => {
  const copy = steps.map((s) => [...s]);
  copy.findLast((s) => s[0] === 'click')[2] -= 40;
  return copy;
};
const cases = [
  {
    // Every drawing call: the Wine stage's client, its first picture and, with the sprite, its
    // second (the browser finds the sprite preloaded beside the page's program).
    name: 'picture_client', program: 'picture_client', native: 'tests/windows_e2e/picture_client',
    steps: [],
  },
  {
    name: 'picture_client_extras', program: 'picture_client',
    native: 'tests/windows_e2e/picture_client', args: ['extras', 'sprite.png'],
    nativeArgs: ['extras', path.join(root, 'tests/windows_e2e/sprite.png')], steps: [],
  },
  {
    name: 'picture_client_sprites', program: 'picture_client',
    native: 'tests/windows_e2e/picture_client', args: ['sprites', 'sprite.png'],
    nativeArgs: ['sprites', path.join(root, 'tests/windows_e2e/sprite.png')], steps: [],
  },
  {
    // A picture of its own size, shown whole: its frame and a ball moved by paced frames, whose
    // times the recording keeps for the Linux replay, and a dot at each click.
    name: 'picture_client_window', program: 'picture_client',
    native: 'tests/windows_e2e/picture_client', args: ['window'], client: [700, 420], record: true,
    steps: [['pause', 300], ['click', -349, 210], ['click', 349, -209], ['click', 300, 150]],
    end: [['menu', 'mouse', 'record']], controls: [{ linux: moveFirstClick }],
  },
  {
    name: 'house', program: 'house', native: 'examples/house',
    steps: [['click', 10, 10], ['type', 'x']],
  },
  {
    name: 'click_to_draw', program: 'click_to_draw', native: 'examples/click_to_draw',
    steps: [['click', -297, 248], ['click', 297, -247], ['click', 0, 0], ['click', -150, -90],
      ['click', 120, 200], ['click', -296, -247], ['click', 296, 247]],
    controls: [{ linux: moveFirstClick }, { browser: moveLastClick }],
  },
  {
    name: 'typing_echo', program: 'typing_echo', native: 'examples/typing_echo',
    steps: [['type', 'Hello, TAVIX! 0123 {}[]~'], ['type', '\r'], ['type', 'abc\bd?'],
      ['press', 'Tab'], ['type', 'Z']],
    controls: [{ browser: (s) => [...s.slice(0, -1), ['type', 'Y']] }],
  },
  {
    name: 'cone', program: 'cone', native: 'cone', fixedTime: true, record: true,
    steps: [['menu', 'mouse', 'halt'], button(0), button(0), ['click', 30, 100],
      button(1), ['click', -30, 150], button(2), ['click', 260, 192], ['click', 20, 20],
      ['menu', 'ctrl', 'frame'], button(4), ['click', -20, 60], button(6), ['click', 0, 130],
      ['menu', 'alt', 'frame'], button(3), ['click', 10, 60], ['type', 'k']],
    // The cone draws its scene once more for the quit that ends a replay: it quits here too.
    end: [['menu', 'ctrl', 'record']], quit: true,
    tail: ['TAVIX_MOUSE(-240, 232);', 'TAVIX_MOUSE(-240, 232);', 'TAVIX_MOUSE(30, 100);',
      'TAVIX_MOUSE(-240, 207);', 'TAVIX_MOUSE(-30, 150);', 'TAVIX_MOUSE(-240, 182);',
      'TAVIX_MOUSE(260, 192);', 'TAVIX_MOUSE(20, 20);', 'TAVIX_PERIODIC(1);',
      'TAVIX_MOUSE(-240, 132);', 'TAVIX_MOUSE(-20, 60);', 'TAVIX_MOUSE(-240, 82);',
      'TAVIX_MOUSE(0, 130);', 'TAVIX_PERIODIC(1);', 'TAVIX_MOUSE(-240, 157);',
      'TAVIX_MOUSE(10, 60);', 'TAVIX_KBD(107);'],
    controls: [{ linux: moveFirstClick }],
  },
  {
    // The Run menu every way a user reaches it, between clicks that tell its ticks apart.
    name: 'run_menu', program: 'tiny_game', native: 'examples/tiny_game', record: true,
    steps: [['menu', 'mouse', 'halt'], ['click', 100, 100], ['menu', 'mouse', 'frame'],
      ['type', 'f'], ['menu', 'alt', 'frame'], ['click', -100, 50], ['menu', 'altchord', 'frame'],
      ['type', 's'], ['menu', 'f10', 'frame'], ['click', 0, -100], ['menu', 'ctrl', 'frame'],
      ['click', 5, 5], ['menu', 'ctrl', 'logging'], ['menu', 'alt', 'logging'],
      ['menu', 'ctrl', 'frame'], ['type', 'f']],
    end: [['menu', 'mouse', 'record']],
    tail: ['TAVIX_MOUSE(100, 100);', 'TAVIX_PERIODIC(1);', 'TAVIX_KBD(102);', 'TAVIX_PERIODIC(1);',
      'TAVIX_MOUSE(-100, 50);', 'TAVIX_PERIODIC(1);', 'TAVIX_KBD(115);', 'TAVIX_PERIODIC(1);',
      'TAVIX_MOUSE(0, -100);', 'TAVIX_PERIODIC(1);', 'TAVIX_MOUSE(5, 5);', 'TAVIX_PERIODIC(1);',
      'TAVIX_KBD(102);'],
  },
  {
    name: 'bouncing_ball', program: 'bouncing_ball', native: 'examples/bouncing_ball',
    record: true, steps: [['pause', 700], ['menu', 'ctrl', 'halt'], ['menu', 'ctrl', 'frame'],
      ['menu', 'ctrl', 'animate'], ['pause', 400]],
    end: [['menu', 'ctrl', 'halt'], ['menu', 'altchord', 'record']],
  },
  {
    name: 'sprite_scene', program: 'sprite_scene', native: 'examples/sprite_scene', record: true,
    steps: [['pause', 500]], end: [['menu', 'f10', 'halt'], ['menu', 'f10', 'record']],
  },
  {
    name: 'arrow_game', program: 'arrow_game', native: 'examples/arrow_game', record: true,
    query: { TAVIX_SEED: '7' },
    steps: [['hold', 'ArrowRight', 400], ['hold', 'ArrowUp', 300], ['hold', 'ArrowLeft', 200],
      ['press', 'Escape']],
    end: [['menu', 'mouse', 'record']],
  },
  {
    name: 'paint', program: 'paint', native: 'examples/paint', record: true,
    steps: [['drag', 'left', [[-200, 100], [-150, 120], [-100, 60], [-20, 0]]], ['type', '2'],
      ['wheel', 0, 0, 3], ['drag', 'left', [[0, -50], [100, -100], [200, -20]]],
      ['drag', 'right', [[-180, 110], [-90, 50]]], ['wheel', 0, 0, -5], ['type', '5'],
      ['drag', 'left', [[-250, -200], [250, 180]]]],
    end: [['menu', 'alt', 'record']],
  },
  {
    // A finger in the paint program: drags, taps, a finger that wavers before it moves off, a
    // finger held still (a right click, which paints nothing), and one wavering then lifted (a
    // tap where it began).
    name: 'paint_touch', program: 'paint', native: 'examples/paint', record: true, asMouse: true,
    steps: [['touch', [[-200, 100], [-150, 120], [-100, 60], [-20, 0]]], ['touch', [[50, 50]]], ['touch', [[0, -50], [4, -46], [-3, -52], [100, -100], [200, -20]]],
      ['longpress', -120, -120], ['wheel', 0, 0, 5],
      ['touch', [[-250, -200], [-240, -150], [250, 180]]], ['touch', [[150, 150], [156, 147]]]],
    end: [['menu', 'alt', 'record']],
  },
];
const TOUCH_SLOP = 10, TOUCH_HOLD = 500;

// ---- Small helpers --------------------------------------------------------------------------
const failures = [];
let passed = 0;
function check(ok, what) {
  if (ok) {
    passed++;
    console.log(`  ok    ${what}`);
  } else {
    failures.push(what);
    console.log(`  FAIL  ${what}`);
  }
  return ok;
}
const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));
async function within(ms, promise, what) {
  let timer;
  const timeout = new Promise((_, reject) => {
    timer = setTimeout(() => reject(new Error(`${what}: no answer within ${ms} ms`)), ms);
  });
  try {
    return await Promise.race([promise, timeout]);
  } finally {
    clearTimeout(timer);
  }
}
const median = (xs) => [...xs].sort((a, b) => a - b)[Math.floor(xs.length / 2)];

// The lines of the script that stands for the steps, as the library writes them.
function scriptOf(steps) {
  const lines = [];
  for (const [kind, a, b, c] of steps) {
    if (kind === 'click') lines.push(`TAVIX_MOUSE(${a}, ${b});`);
    else if (kind === 'type') {
      for (const ch of a) {
        const code = cp1252(ch);
        lines.push(`TAVIX_KBD(${code > 127 ? code - 256 : code});`);
      }
    } else if (kind === 'press' && a === 'Tab') lines.push('TAVIX_KBD(9);');
    else if (kind === 'menu' && b === 'frame') lines.push('TAVIX_PERIODIC(1);');
    else if (kind === 'touch') {
      const event = (type, [x, y], button) => `TAVIX_EVENT(${type}, ${x}, ${y}, 0, ${button}, 0, 0);`;
      const [x0, y0] = a[0];
      const far = a.findIndex(([x, y]) => Math.hypot(x - x0, y - y0) > TOUCH_SLOP);
      lines.push(event(1, a[0], 1));
      if (far > 0) for (const p of a.slice(far)) lines.push(event(6, p, 1));
      lines.push(event(5, far > 0 ? a[a.length - 1] : a[0], 1));
    } else if (kind === 'longpress') {
      lines.push(`TAVIX_EVENT(1, ${a}, ${b}, 0, 3, 0, 0);`, `TAVIX_EVENT(5, ${a}, ${b}, 0, 3, 0, 0);`);
    } else if (kind === 'wheel') lines.push(`TAVIX_EVENT(7, ${a}, ${b}, 0, ${c}, 0, 0);`);
    else if (kind !== 'menu' && kind !== 'pause') throw new Error(`no script line for ${kind}`);
  }
  return lines;
}
// Windows-1252 code of a character (Latin-1 where the two agree, which covers the tests' text).
function cp1252(ch) {
  const code = ch.codePointAt(0);
  if (code > 255 || (code >= 0x80 && code < 0xa0)) throw new Error(`no test character ${ch}`);
  return code;
}

// ---- The server -----------------------------------------------------------------------------
const MIME = {
  '.html': 'text/html; charset=utf-8', '.js': 'text/javascript', '.wasm': 'application/wasm',
  '.data': 'application/octet-stream', '.json': 'application/json', '.png': 'image/png',
  '.css': 'text/css', '.txt': 'text/plain', '.scr': 'text/plain',
};
function serve(dir) {
  const server = http.createServer((request, response) => {
    const name = decodeURIComponent(new URL(request.url, 'http://127.0.0.1').pathname);
    if (name === '/favicon.ico') {
      response.writeHead(204).end();
      return;
    }
    const file = path.join(dir, path.normalize(name === '/' ? '/index.html' : name));
    if (!file.startsWith(dir + path.sep) || !fs.existsSync(file) || !fs.statSync(file).isFile()) {
      response.writeHead(404).end();
      return;
    }
    response.writeHead(200, {
      'Content-Type': MIME[path.extname(file)] ?? 'application/octet-stream',
      'Cache-Control': 'no-store',
    });
    fs.createReadStream(file).pipe(response);
  });
  return new Promise((resolve) => server.listen(0, '127.0.0.1', () => resolve(server)));
}

// ---- The browser ----------------------------------------------------------------------------
// Before the page's own scripts: times of the first picture, of each mouse press and of each
// present to the graphics canvas; and, for programs that seed from the clock, a clock that reads
// FIXED_TIME seconds (the page's timers run on their own clock and are not affected).
function pageHooks(fixedTime) {
  const times = { presents: [], presses: [] };
  window.__tavixTimes = times;
  if (fixedTime) Date.now = () => fixedTime * 1000;
  let tavix;
  const watch = (value) => {
    if (value && value.ready && typeof value.ready.then === 'function' && !times.watched) {
      times.watched = true;
      value.ready.then(() => { times.ready = performance.now(); });
    }
  };
  Object.defineProperty(window, 'tavix', {
    configurable: true, enumerable: true,
    get: () => tavix,
    set: (value) => { tavix = value; watch(value); },
  });
  for (const name of ['putImageData', 'drawImage']) {
    const original = CanvasRenderingContext2D.prototype[name];
    CanvasRenderingContext2D.prototype[name] = function (...args) {
      if (this.canvas.id === 'tavix-graphics') times.presents.push(performance.now());
      return original.apply(this, args);
    };
  }
  addEventListener('pointerdown', (e) => times.presses.push(e.timeStamp), true);
  // Every sample the page hands to Web Audio, as 16-bit stereo frames.
  times.audio = [];
  const hear = Object.getOwnPropertyDescriptor(ScriptProcessorNode.prototype, 'onaudioprocess');
  Object.defineProperty(ScriptProcessorNode.prototype, 'onaudioprocess', {
    configurable: true, enumerable: true,
    get() { return hear.get.call(this); },
    set(f) {
      hear.set.call(this, f && function (e) {
        const result = f.call(this, e);
        const out = e.outputBuffer;
        const l = out.getChannelData(0), r = out.getChannelData(out.numberOfChannels > 1 ? 1 : 0);
        const frames = new Int16Array(2 * l.length);
        const sample = (v) => Math.max(-32768, Math.min(32767, Math.round(v * 32768)));
        for (let i = 0; i < l.length; ++i) {
          frames[2 * i] = sample(l[i]);
          frames[2 * i + 1] = sample(r[i]);
        }
        times.audio.push(frames);
        return result;
      });
    },
  });
}

async function openPage(browser, port, program, query = {}, fixedTime = 0) {
  const context = await browser.createBrowserContext();
  const page = await context.newPage();
  await page.setViewport({ width: 1300, height: 900, deviceScaleFactor: 1 });
  const errors = [];
  page.on('pageerror', (e) => errors.push(String(e)));
  page.on('console', (m) => { if (m.type() === 'error') errors.push(m.text()); });
  await page.evaluateOnNewDocument(pageHooks, fixedTime);
  const search = new URLSearchParams(Object.entries(query).flatMap(
    ([name, value]) => (Array.isArray(value) ? value : [value]).map((v) => [name, v]))).toString();
  const url = `http://127.0.0.1:${port}/${program}.html${search ? `?${search}` : ''}`;
  await page.goto(url, { waitUntil: 'load' });
  await within(30000, page.evaluate(() => window.tavix.ready), `${program}: window.tavix.ready`);
  // Where the canvas's pixels start: inside its border, as a person's pointer sees them.
  const model = await (await page.$('#tavix-graphics')).boxModel();
  const box = { x: model.content[0].x, y: model.content[0].y };
  const size = await page.$eval('#tavix-graphics', (c) => [c.width, c.height]);
  return { context, page, box, size, errors };
}

const idle = (page) => within(20000, page.evaluate(() => window.tavix.idle()), 'window.tavix.idle');

// The client area, the rows below the menu bar of the graphics canvas, as RGBA bytes.
async function picture(page, g = geometry()) {
  const base64 = await page.evaluate((bar, width, height) => {
    const canvas = document.getElementById('tavix-graphics');
    const bytes = canvas.getContext('2d').getImageData(0, bar, width, height).data;
    let text = '';
    for (let i = 0; i < bytes.length; i += 0x8000)
      text += String.fromCharCode.apply(null, bytes.subarray(i, i + 0x8000));
    return btoa(text);
  }, BAR, g.width, g.height);
  return Buffer.from(base64, 'base64');
}

// One step through the browser's own input: page.mouse and page.keyboard at canvas pixels.
async function perform(view, step) {
  const { page, box } = view;
  const g = view.geometry ?? geometry();
  const at = (x, y) => [box.x + g.originX + x, box.y + BAR + g.originY - y];
  const [kind, a, b, c] = step;
  switch (kind) {
    case 'click': {
      const [x, y] = at(a, b);
      await page.mouse.click(x, y);
      break;
    }
    case 'type':
      for (const ch of a) await typeCharacter(page, ch);
      break;
    case 'press':
      await page.keyboard.press(a);
      break;
    case 'hold':
      await page.keyboard.down(a);
      await sleep(b);
      await page.keyboard.up(a);
      break;
    case 'pause':
      await sleep(a);
      break;
    case 'drag': {
      const points = b.map(([x, y]) => at(x, y));
      await page.mouse.move(...points[0]);
      await page.mouse.down({ button: a });
      for (const p of points.slice(1)) await page.mouse.move(...p, { steps: 4 });
      await page.mouse.up({ button: a });
      break;
    }
    case 'touch':
    case 'longpress': {
      // Through the browser's touch input (CDP), the page emulating a touch screen.
      if (!view.touch) {
        view.touch = await page.createCDPSession();
        await view.touch.send('Emulation.setTouchEmulationEnabled', { enabled: true, maxTouchPoints: 5 });
      }
      const touch = (type, points) => view.touch.send('Input.dispatchTouchEvent',
        { type, touchPoints: points.map(([x, y]) => ({ x, y })) });
      const points = kind === 'touch' ? a.map(([x, y]) => at(x, y)) : [at(a, b)];
      await touch('touchStart', [points[0]]);
      for (const p of points.slice(1)) await touch('touchMove', [p]);
      if (kind === 'longpress') await sleep(TOUCH_HOLD + 300);
      await touch('touchEnd', []);
      break;
    }
    case 'wheel': {
      const [x, y] = at(a, b);
      await page.mouse.move(x, y);
      // A notch is 100 pixels of wheel travel, away from the user upwards.
      for (let i = 0; i < Math.abs(c); ++i) await page.mouse.wheel({ deltaY: c > 0 ? -100 : 100 });
      break;
    }
    case 'menu':
      await chooseRunItem(view, a, b);
      // The frame's tick comes with the animation's next timer (100 ms), and a halt still lets
      // the tick already on its way through: an input before it would take its place, and a
      // recording stopped before it would miss it, on Linux too.
      if (b === 'frame' || b === 'halt') await sleep(400);
      break;
    default:
      throw new Error(`unknown step ${kind}`);
  }
}

// A character typed as on a US keyboard: the shifted ones with Shift held.
const SHIFTED = {
  '~': 'Backquote', '!': 'Digit1', '@': 'Digit2', '#': 'Digit3', $: 'Digit4', '%': 'Digit5',
  '^': 'Digit6', '&': 'Digit7', '*': 'Digit8', '(': 'Digit9', ')': 'Digit0', _: 'Minus',
  '+': 'Equal', '{': 'BracketLeft', '}': 'BracketRight', '|': 'Backslash', ':': 'Semicolon',
  '"': 'Quote', '<': 'Comma', '>': 'Period', '?': 'Slash',
};
async function typeCharacter(page, ch) {
  const shifted = SHIFTED[ch] ?? (/[A-Z]/.test(ch) ? `Key${ch}` : null);
  if (shifted) {
    await page.keyboard.down('Shift');
    await page.keyboard.press(shifted);
    await page.keyboard.up('Shift');
  } else {
    await page.keyboard.press({ '\r': 'Enter', '\b': 'Backspace' }[ch] ?? ch);
  }
}

async function chooseRunItem({ page, box }, how, item) {
  const [row, letter] = RUN_ITEMS[item];
  const order = Object.keys(RUN_ITEMS);
  switch (how) {
    case 'mouse':
      await page.mouse.click(box.x + RUN_TITLE[0], box.y + RUN_TITLE[1]);
      await idle(page);
      await page.mouse.click(box.x + 40, box.y + row);
      break;
    case 'alt':  // Alt alone selects the bar; R opens Run; the letter chooses
      await page.keyboard.press('Alt');
      await page.keyboard.press('r');
      await page.keyboard.press(letter);
      break;
    case 'altchord':
      await page.keyboard.down('Alt');
      await page.keyboard.press('r');
      await page.keyboard.up('Alt');
      await page.keyboard.press(letter);
      break;
    case 'f10':  // F10 selects the bar, Enter opens Run on its first item
      await page.keyboard.press('F10');
      await page.keyboard.press('Enter');
      for (let i = 0; i < order.indexOf(item); ++i) await page.keyboard.press('ArrowDown');
      await page.keyboard.press('Enter');
      break;
    case 'ctrl':
      await page.keyboard.down('Control');
      await page.keyboard.press(letter);
      await page.keyboard.up('Control');
      break;
    default:
      throw new Error(`unknown menu route ${how}`);
  }
}

// Runs the steps in the browser; returns the picture, and the recording for recorded cases.
async function runBrowser(browser, port, c, steps) {
  // A program that quits draws its last picture after its last wait, which no screen shows: the
  // library's own snapshot at the end, taken in the page, is then what is compared.
  const query = { ...(c.query ?? {}), ...(c.record ? { TAVIX_RECORD: 'rec.txt' } : {}),
    ...(c.args ? { arg: c.args } : {}),
    ...(c.quit ? { TAVIX_SNAPSHOT: 'final.png', TAVIX_SNAPSHOT_AREA: 'visible' } : {}) };
  const view = await openPage(browser, port, c.program, query, c.fixedTime ? FIXED_TIME : 0);
  try {
    const { page, size, errors } = view;
    const g = view.geometry = geometry(c.client);
    if (size[0] !== g.width || size[1] !== BAR + g.height)
      throw new Error(`graphics canvas is ${size[0]} x ${size[1]}, not ${g.width} x ${BAR + g.height}`);
    await page.focus('#tavix-graphics');
    for (const [i, step] of steps.entries()) {
      await perform(view, step);
      await idle(page);
      if (process.env.TAVIX_WEB_STEPS)
        await page.screenshot({ path: path.join(outDir, `${c.name}-step${i}.png`) });
    }
    let recording = null;
    if (c.record) {
      for (const step of c.end) {
        await perform(view, step);
        await idle(page);
      }
      await page.waitForSelector('#tavix-downloads a[download="rec.txt"]', { timeout: 10000 })
        .catch(() => { throw new Error('rec.txt is not offered for download'); });
      recording = await page.evaluate((name) => {
        const bytes = window.tavix.readFile(name);
        return bytes && new TextDecoder('latin1').decode(bytes);
      }, 'rec.txt');
      if (recording === null) throw new Error('the program wrote no rec.txt');
      if (c.quit) {
        await perform(view, ['menu', 'ctrl', 'quit']);
        // The page's word that the program ended is checked on its own (menu_record).
        await within(5000, page.evaluate(() => window.tavix.exited), 'exit').catch(() => {});
      }
    }
    let pixels = await picture(page, g);
    if (c.quit) {
      const png = await page.evaluate(() => {
        const bytes = window.tavix.readFile('final.png');
        return bytes && Array.from(bytes);
      });
      if (!png) throw new Error('the program left no final.png at its end');
      const file = path.join(outDir, `${c.name}-browser-final.png`);
      fs.writeFileSync(file, Buffer.from(png));
      pixels = execFileSync('convert', [file, '-depth', '8', 'rgba:-'], { maxBuffer: 1 << 24 });
    }
    if (errors.length) throw new Error(`page errors: ${errors.join(' | ')}`);
    return { pixels, recording };
  } catch (e) {
    // What the page showed when it went wrong, for the one who reads the failure.
    await view.page.screenshot({ path: path.join(outDir, `${c.name}-failed.png`) }).catch(() => {});
    throw e;
  } finally {
    await view.context.close();
  }
}

// ---- The Linux build ------------------------------------------------------------------------
let fixedTimeLibrary = null;
// A library that makes time() read FIXED_TIME, for the programs that seed from it.
function fixedTimePreload() {
  if (fixedTimeLibrary) return fixedTimeLibrary;
  const source = path.join(outDir, 'fixed_time.c');
  fs.writeFileSync(source, '#include <time.h>\n' +
    `time_t time(time_t *t) { if (t) *t = ${FIXED_TIME}; return ${FIXED_TIME}; }\n`);
  fixedTimeLibrary = path.join(outDir, 'fixed_time.so');
  execFileSync('cc', ['-shared', '-fPIC', '-O2', '-o', fixedTimeLibrary, source]);
  return fixedTimeLibrary;
}

// Replays the script into the Linux program headless; returns its picture as RGBA bytes.
function runLinux(c, scriptText, label) {
  const script = path.join(outDir, `${label}.scr`);
  const png = path.join(outDir, `${label}-linux.png`);
  fs.writeFileSync(script, scriptText);
  fs.rmSync(png, { force: true });
  const program = path.join(nativeBuild, c.native);
  const env = {
    ...process.env, TAVIX_HEADLESS: '1', TAVIX_REPLAY: script, TAVIX_SNAPSHOT: png,
    TAVIX_SNAPSHOT_AREA: 'visible', ...(c.env ?? {}),
  };
  if (c.fixedTime) env.LD_PRELOAD = fixedTimePreload();
  const run = spawnSync(program, c.nativeArgs ?? c.args ?? [],
    { env, cwd: path.dirname(program), timeout: 60000 });
  if (run.status !== 0)
    throw new Error(`${c.native} exited with ${run.status ?? run.signal}: ${run.stderr}`);
  return execFileSync('convert', [png, '-depth', '8', 'rgba:-'], { maxBuffer: 1 << 24 });
}

// ---- Pictures -------------------------------------------------------------------------------
function difference(a, b, width = WIDTH) {
  if (a.length !== b.length) return { count: -1, text: `sizes ${a.length} and ${b.length}` };
  let count = 0, first = null;
  for (let i = 0; i < a.length; i += 4) {
    if (a.readUInt32BE(i) !== b.readUInt32BE(i)) {
      if (!first) first = i / 4;
      ++count;
    }
  }
  if (!count) return { count, text: 'the same' };
  const x = first % width, y = Math.floor(first / width), at = first * 4;
  const rgba = (p) => [...p.subarray(at, at + 4)].join(',');
  return { count, text: `${count} pixels differ, the first at client (${x}, ${y}): ` +
    `${rgba(a)} against ${rgba(b)}` };
}
function savePicture(pixels, file, [width, height] = [WIDTH, HEIGHT]) {
  execFileSync('convert', ['-size', `${width}x${height}`, '-depth', '8', 'rgba:-', file],
    { input: pixels });
}

async function runCase(browser, port, c) {
  console.log(`${c.name}:`);
  const shown = await runBrowser(browser, port, c, c.steps);
  let script;
  if (c.record) {
    script = shown.recording;
    fs.writeFileSync(path.join(outDir, `${c.name}.rec.txt`), script);
    if (c.tail) {
      const lines = script.split('\n').map((l) => l.trim()).filter((l) => l);
      const head = lines.slice(0, lines.length - c.tail.length);
      const tail = lines.slice(lines.length - c.tail.length);
      check(head.every((l) => /^TAVIX_PERIODIC\(\d+\);$/.test(l)) &&
        tail.join('\n') === c.tail.join('\n'), `${c.name}: the recording holds the input given`);
    }
  } else {
    script = scriptOf(c.steps).map((l) => l + '\n').join('');
  }
  const linux = runLinux(c, script, c.name);
  const width = geometry(c.client).width;
  const d = difference(shown.pixels, linux, width);
  if (!check(d.count === 0, `${c.name}: browser and Linux pictures equal (${d.text})`))
    savePicture(shown.pixels, path.join(outDir, `${c.name}-browser.png`), c.client);
  if (c.asMouse) {
    const mouse = scriptOf(c.steps).map((l) => l + '\n').join('');
    const dm = difference(shown.pixels, runLinux(c, mouse, `${c.name}-mouse`), width);
    check(dm.count === 0, `${c.name}: browser picture equals the same input by mouse on Linux ` +
      `(${dm.text})`);
  }
  for (const [i, control] of (c.controls ?? []).entries()) {
    const side = control.linux ? 'Linux' : 'browser';
    const other = control.linux ? runLinux(c, control.linux(script), `${c.name}-control${i}`)
      : (await runBrowser(browser, port, c, control.browser(c.steps))).pixels;
    const dc = difference(control.linux ? shown.pixels : linux, other, width);
    check(dc.count > 0, `${c.name}: control ${i}, one input changed on the ${side} side, differs ` +
      `(${dc.text})`);
  }
}

// ---- Recording from the menu and the offered download ----------------------------------------
// Run -> Record Script starts and stops the recording; the file offered in #tavix-downloads is
// saved by the browser as a user's would be, and replayed on Linux.
async function runMenuRecording(browser, port) {
  const c = { name: 'menu_record', program: 'click_to_draw', native: 'examples/click_to_draw' };
  console.log(`${c.name}:`);
  const downloads = fs.mkdtempSync(path.join(outDir, 'downloads-'));
  const view = await openPage(browser, port, c.program);
  try {
    const { page } = view;
    const session = await browser.target().createCDPSession();
    await session.send('Browser.setDownloadBehavior', {
      behavior: 'allow', downloadPath: downloads, eventsEnabled: true,
      browserContextId: view.context.id,
    });
    const done = new Promise((resolve) => session.on('Browser.downloadProgress', (e) => {
      if (e.state === 'completed' || e.state === 'canceled') resolve(e.state);
    }));
    await page.focus('#tavix-graphics');
    const steps = [['click', -100, -100], ['menu', 'mouse', 'record'], ['click', 10, 20],
      ['click', 150, -30], ['type', 'q'], ['click', -200, 100], ['menu', 'alt', 'record']];
    for (const step of steps) {
      await perform(view, step);
      await idle(page);
    }
    const link = await page.waitForSelector('#tavix-downloads a', { timeout: 10000 });
    const name = await link.evaluate((a) => a.download || a.textContent);
    await link.click();
    check(await within(10000, done, 'the download') === 'completed',
      `${c.name}: the download is saved`);
    const saved = fs.readdirSync(downloads).find((f) => !f.endsWith('.crdownload'));
    const file = path.join(downloads, saved ?? name);
    const script = fs.readFileSync(file, 'latin1');
    const expected = 'TAVIX_MOUSE(10, 20);\nTAVIX_MOUSE(150, -30);\nTAVIX_KBD(113);\n' +
      'TAVIX_MOUSE(-200, 100);\n';
    check(script === expected, `${c.name}: the downloaded ${name} holds the input after Record`);
    const shown = await picture(page);
    // On Linux, the click before the recording started comes first, then the recording.
    const linux = runLinux(c, 'TAVIX_MOUSE(-100, -100);\n' + script, c.name);
    const d = difference(shown, linux);
    if (!check(d.count === 0, `${c.name}: browser and Linux pictures equal (${d.text})`))
      savePicture(shown, path.join(outDir, `${c.name}-browser.png`));
    const bare = runLinux(c, script, `${c.name}-control`);
    check(difference(shown, bare).count > 0,
      `${c.name}: control (without the first click) differs`);
    // Run -> Quit ends the program, and the page says so (by mouse: the download link has the
    // keyboard's focus now).
    await perform(view, ['menu', 'mouse', 'quit']);
    const status = await within(10000, page.evaluate(() => window.tavix.exited), 'exit')
      .catch(() => 'none');
    check(status === 0,
      `${c.name}: Quit ends the program with status 0 (window.tavix.exited: ${status})`);
  } finally {
    await view.context.close();
  }
}

// ---- Sound ----------------------------------------------------------------------------------
// The runs of sound in 16-bit stereo frames, apart where 64 frames or more are silent: [start,
// end) sample indices.
function soundRuns(samples) {
  const runs = [];
  let start = -1, quiet = 0;
  for (let i = 0; i < samples.length; i += 2) {
    if (samples[i] !== 0 || samples[i + 1] !== 0) {
      if (start < 0) start = i;
      quiet = 0;
    } else if (start >= 0 && ++quiet >= 64) {
      runs.push([start, i + 2 - 2 * quiet]);
      start = -1;
    }
  }
  if (start >= 0) runs.push([start, samples.length - 2 * quiet]);
  return runs;
}

// The bouncing ball beeps at its walls: what the page hands to Web Audio holds every beep of the
// Linux build's sound file for the script the browser recorded, each sample within 1 in 32,768,
// in order, wherever the device's buffering put it. Sound starts with a click on the page: a run
// without one hands over silence only, and the program goes on.
async function runSound(browser, port) {
  const c = { name: 'sound', program: 'bouncing_ball', native: 'examples/bouncing_ball' };
  console.log(`${c.name}:`);
  const heard = async (page) => {
    const chunks = await page.evaluate(() => window.__tavixTimes.audio.map((a) => Array.from(a)));
    return Int16Array.from(chunks.flat());
  };
  // Without a click, nothing is heard; the ball goes on (its first five seconds hold two beeps).
  // Puppeteer's own page.evaluate counts as the user's gesture: this run reads the page without.
  const context = await browser.createBrowserContext();
  try {
    const page = await context.newPage();
    const errors = [];
    page.on('pageerror', (e) => errors.push(String(e)));
    await page.evaluateOnNewDocument(pageHooks, 0);
    await page.goto(`http://127.0.0.1:${port}/${c.program}.html`, { waitUntil: 'load' });
    const session = await page.createCDPSession();
    const quietly = async (expression) => (await within(30000, session.send('Runtime.evaluate',
      { expression, awaitPromise: true, returnByValue: true, userGesture: false }),
    expression)).result.value;
    await quietly('window.tavix.ready.then(() => 1)');
    await sleep(5500);
    // The click lets sound start: the beeps played before it are not heard now (the next one
    // comes at the ninth second).
    await page.mouse.click(1290, 890);
    await sleep(2000);
    const requests = await quietly('window.__tavixTimes.audio.length');
    const silent = await quietly('window.__tavixTimes.audio.every((a) => a.every((v) => v === 0))');
    check(requests > 0 && silent === true && errors.length === 0,
      `${c.name}: sound played before the first click or key is dropped, not kept for later ` +
      `(${requests} requests, ${silent ? 'silent' : 'not silent'}; ` +
      `${errors.join(' | ') || 'no page errors'})`);
  } finally {
    await context.close();
  }

  let view;
  view = await openPage(browser, port, c.program, { TAVIX_RECORD: 'rec.txt' });
  try {
    const { page } = view;
    await page.mouse.click(1290, 890);
    await page.focus('#tavix-graphics');
    await sleep(5500);
    for (const step of [['menu', 'ctrl', 'halt'], ['menu', 'ctrl', 'record']]) {
      await perform(view, step);
      await idle(page);
    }
    await page.waitForSelector('#tavix-downloads a[download="rec.txt"]', { timeout: 10000 });
    const script = await page.evaluate(() => new TextDecoder('latin1').decode(
      window.tavix.readFile('rec.txt')));
    await sleep(300);
    const browserSamples = await heard(page);
    const wav = path.join(outDir, `${c.name}.wav`);
    fs.rmSync(wav, { force: true });
    runLinux({ ...c, env: { TAVIX_SOUND: wav } }, script, c.name);
    const bytes = fs.readFileSync(wav);
    const native = new Int16Array(bytes.buffer.slice(bytes.byteOffset + 44,
      bytes.byteOffset + bytes.length - (bytes.length - 44) % 2));
    const beeps = soundRuns(native);
    check(beeps.length >= 2, `${c.name}: the Linux build beeps (${beeps.length} beeps)`);
    let from = 0, found = 0;
    for (const [start, end] of beeps) {
      const want = native.subarray(start, end);
      let at = -1;
      for (let i = from; i + want.length <= browserSamples.length && at < 0; i += 2) {
        let j = 0;
        while (j < want.length && Math.abs(browserSamples[i + j] - want[j]) <= 1) ++j;
        if (j === want.length) at = i;
      }
      if (at < 0) break;
      found++;
      from = at + want.length;
    }
    check(beeps.length > 0 && found === beeps.length,
      `${c.name}: every beep of the Linux build is handed to Web Audio (${found} of ${beeps.length})`);
    if (view.errors.length) throw new Error(`page errors: ${view.errors.join(' | ')}`);
  } finally {
    await view.context.close();
  }
}

// ---- Figures --------------------------------------------------------------------------------
function gzipSize(files) {
  return files.reduce((sum, f) => sum + zlib.gzipSync(fs.readFileSync(f), { level: 9 }).length, 0);
}

async function figures(browser, port) {
  console.log('figures:');
  const load = [], clicks = [];
  for (let i = 0; i < 3; ++i) {
    const view = await openPage(browser, port, 'cone');
    const { page } = view;
    load.push(await page.evaluate(() => window.__tavixTimes.ready));
    await perform(view, ['menu', 'ctrl', 'halt']);
    await idle(page);
    for (let k = 0; k < 6; ++k) {
      const before = await page.evaluate(() => window.__tavixTimes.presents.length);
      await perform(view, button(k % 2 ? 0 : 5));
      await idle(page);
      clicks.push(await page.evaluate((n) => {
        const t = window.__tavixTimes;
        const pressed = t.presses[t.presses.length - 1];
        const shown = t.presents.slice(n).find((p) => p >= pressed);
        return shown === undefined ? NaN : shown - pressed;
      }, before));
    }
    await view.context.close();
  }
  check(load.every(Number.isFinite), 'the first picture is timed');
  check(clicks.every(Number.isFinite), 'every click reaches the canvas');
  const page = ['html', 'js', 'wasm'].map((e) => path.join(site, `cone.${e}`));
  console.log('  page load to first picture (cone, 127.0.0.1): ' +
    `median ${median(load).toFixed(0)} ms ` +
    `of ${load.map((t) => t.toFixed(0)).join(', ')}`);
  console.log(`  a click to its picture on the canvas: median ${median(clicks).toFixed(1)} ms, ` +
    `most ${Math.max(...clicks).toFixed(1)} ms over ${clicks.length} clicks`);
  const kib = (bytes) => `${(bytes / 1024).toFixed(0)} KiB`;
  console.log(`  cone page gzipped without fonts (.html+.js+.wasm): ${kib(gzipSize(page))} ` +
    `(${page.map((f) => `${path.basename(f)} ${kib(fs.statSync(f).size)}`).join(', ')})`);
  await transferFigures(browser, port);
  await sceneFigures(browser, port);
  console.log(`  machine load (1, 5, 15 min): ${os.loadavg().map((l) => l.toFixed(2)).join(', ')}`);
}

// What a first visit to the cone's page transfers, each file gzip-compressed as a server would
// send it, fonts included; then what a second page of the site (house) adds when the browser
// keeps the first one's files (the shared fonts/).
async function transferFigures(browser, port) {
  const fetched = async (program) => {
    const view = await openPage(browser, port, program);
    await idle(view.page);
    const urls = await view.page.evaluate(() => [location.href,
      ...performance.getEntriesByType('resource').map((e) => e.name)]);
    await view.context.close();
    return [...new Set(urls.map((u) => decodeURIComponent(new URL(u).pathname)))];
  };
  const files = (names) => names.map((n) => path.join(site, n)).filter((f) => fs.existsSync(f));
  const first = await fetched('cone');
  const second = (await fetched('house')).filter((n) => !first.includes(n));
  const kib = (bytes) => `${(bytes / 1024).toFixed(0)} KiB`;
  const fonts = (names) => names.filter((n) => n.startsWith('/fonts/')).map((n) => n.slice(7));
  console.log(`  first visit (cone), gzipped: ${kib(gzipSize(files(first)))} ` +
    `(${first.length} files; fonts: ${fonts(first).join(', ') || 'none'})`);
  console.log(`  second visit (house, the first's files kept), gzipped: ` +
    `${kib(gzipSize(files(second)))} (${second.map((n) => n.slice(1)).join(', ')})`);
}

// The cone's whole scene drawn SCENES times, in the browser (bench_scene.html) and natively
// (bench_replay's scene-alone case), in turns, the best of each kept. In the browser it is the
// page drawing 2 x SCENES less the page drawing SCENES: what the scenes cost once loading,
// compiling and the wasm's tier-up are done, as the native figure is. The machine is shared, so
// beside the wall-clock times the CPU time: the native process's own, and the page's renderer's
// (CDP's process info).
const SCENES = 20000;
async function rendererSeconds(session) {
  const { processInfo } = await session.send('SystemInfo.getProcessInfo');
  return new Map(processInfo.filter((p) => p.type === 'renderer').map((p) => [p.id, p.cpuTime]));
}
async function browserScenes(browser, port, session, count) {
  const before = await rendererSeconds(session);
  const view = await openPage(browser, port, 'bench_scene', { TAVIX_BENCH_COUNT: String(count) });
  const line = await within(180000, view.page.waitForFunction(() => {
    const bytes = window.tavix.readFile('bench-result.txt');
    return bytes && new TextDecoder().decode(bytes);
  }, { polling: 50 }).then((h) => h.jsonValue()), 'bench_scene');
  let cpu = 0;
  for (const [id, t] of await rendererSeconds(session)) cpu += t - (before.get(id) ?? 0);
  await view.context.close();
  return { wall: Number(/seconds ([\d.]+)/.exec(line)[1]), cpu };
}
async function sceneFigures(browser, port) {
  const session = await browser.target().createCDPSession();
  const web = [], native = [];
  for (let round = 0; round < 3; ++round) {
    const twice = await browserScenes(browser, port, session, 2 * SCENES);
    const once = await browserScenes(browser, port, session, SCENES);
    web.push({ wall: twice.wall - once.wall, cpu: twice.cpu - once.cpu });
    const run = execFileSync(path.join(nativeBuild, 'bench/bench_replay'),
      ['--benchmark_filter=BM_ConeSceneAlone', '--benchmark_format=json'],
      { stdio: ['ignore', 'pipe', 'ignore'] });
    const counters = JSON.parse(run).benchmarks[0];
    native.push({ wall: counters.s_per_20000 * SCENES / 20000,
      cpu: counters.cpu_s_per_20000 * SCENES / 20000 });
  }
  const best = (rs, k) => Math.min(...rs.map((r) => r[k]));
  const [ww, wc] = [best(web, 'wall'), best(web, 'cpu')];
  const [nw, nc] = [best(native, 'wall'), best(native, 'cpu')];
  console.log(`  the cone's scene x ${SCENES}: ` +
    `browser ${ww.toFixed(2)} s wall, ${wc.toFixed(2)} s CPU; ` +
    `native ${nw.toFixed(2)} s wall, ${nc.toFixed(2)} s CPU; browser / native: ` +
    `${(wc / nc).toFixed(2)} by CPU, ${(ww / nw).toFixed(2)} by wall clock ` +
    `(best of ${web.length}; each round's by CPU: ` +
    `${web.map((r, i) => (r.cpu / native[i].cpu).toFixed(2)).join(', ')})`);
}

// ---- The page around the program -----------------------------------------------------------
// Full screen shows the graphics window at a whole multiple of its size, pixels kept square, and
// a click there reaches the program where it lands in the picture: the picture after it equals
// the Linux build's for that click.
async function runPageControls(browser, port) {
  const c = { name: 'fullscreen', program: 'click_to_draw', native: 'examples/click_to_draw' };
  console.log(`${c.name}:`);
  const view = await openPage(browser, port, c.program);
  try {
    const { page } = view;
    await page.setViewport({ width: 1920, height: 1200, deviceScaleFactor: 1 });
    await page.click('#tavix-fullscreen');
    await page.waitForFunction(() => document.fullscreenElement, { timeout: 10000 });
    await idle(page);
    const shown = await page.$eval('#tavix-graphics', (g) => {
      const r = g.getBoundingClientRect();
      return { x: r.left + g.clientLeft, y: r.top + g.clientTop, w: g.clientWidth, h: g.clientHeight,
        rendering: getComputedStyle(g).imageRendering };
    });
    // 1920 x 1200 holds the 595 x 515 window twice over, not three times.
    check(shown.w === 2 * WIDTH && shown.h === 2 * (BAR + HEIGHT) && shown.rendering === 'pixelated',
      `${c.name}: the window at twice its size, pixelated (${shown.w} x ${shown.h}, ${shown.rendering})`);
    const [x, y] = [100, 50];
    await page.mouse.click(shown.x + 2 * (ORIGIN_X + x) + 1, shown.y + 2 * (BAR + ORIGIN_Y - y) + 1);
    await idle(page);
    await page.evaluate(() => document.exitFullscreen());
    await idle(page);
    const d = difference(await picture(page), runLinux(c, `TAVIX_MOUSE(${x}, ${y});\n`, c.name));
    check(d.count === 0, `${c.name}: a click on the enlarged picture lands where it shows (${d.text})`);
  } finally {
    await view.context.close();
  }
}

// A program's TAVIX_set_fullscreen(1): the canvas over the page at the largest whole multiple of
// its size that fits (scaled down where none does), centred on black, pixelated; a click and a
// tap land where they show; Escape puts it back, and the program's next call covers the page
// again, its call for off puts it back too.
async function runFullscreenCall(browser, port) {
  const name = 'fullscreen_call';
  console.log(`${name}:`);
  const view = await openPage(browser, port, 'rich_echo_client', { arg: 'fullscreen' });
  try {
    const { page } = view;
    const output = () => page.evaluate(() => window.tavix.output.slice());
    // The first line from index on that starts with text, within 10 s.
    const line = async (text, from) => (await within(10000, page.waitForFunction((t, i) =>
      window.tavix.output.slice(i).find((l) => l.startsWith(t)), { polling: 50 }, text, from),
    `the line ${text}`)).jsonValue();
    const shown = () => page.$eval('#tavix-graphics', (g) => {
      const r = g.getBoundingClientRect(), corner = document.elementFromPoint(0, 0);
      return { x: r.left, y: r.top, w: r.width, h: r.height, inner: g.clientWidth,
        fixed: getComputedStyle(g).position === 'fixed',
        rendering: getComputedStyle(g).imageRendering,
        black: !!corner && getComputedStyle(corner).backgroundColor === 'rgb(0, 0, 0)' };
    });
    const full = () => page.waitForFunction(() =>
      getComputedStyle(document.getElementById('tavix-graphics')).position === 'fixed', { timeout: 5000 });
    const inPage = () => page.waitForFunction(() =>
      getComputedStyle(document.getElementById('tavix-graphics')).position !== 'fixed', { timeout: 5000 });
    check((await output()).includes('FULLSCREEN 1 1'), `${name}: the call answers 1 in a page`);
    const [W, H] = [WIDTH, BAR + HEIGHT];
    for (const [vw, vh, k] of [[1300, 900, 1], [400, 300, Math.min(400 / W, 300 / H)],
      [1920, 1200, 2]]) {
      await page.setViewport({ width: vw, height: vh, deviceScaleFactor: 1 });
      await page.waitForFunction((w) => Math.abs(document.getElementById('tavix-graphics')
        .getBoundingClientRect().width - w) < 0.01, { timeout: 5000 }, W * k).catch(() => {});
      const box = await shown();
      const want = { x: Math.floor((vw - W * k) / 2), y: Math.floor((vh - H * k) / 2), w: W * k, h: H * k };
      check(['x', 'y', 'w', 'h'].every((f) => Math.abs(box[f] - want[f]) < 0.01) && box.fixed &&
        box.black && box.rendering === 'pixelated',
      `${name}: ${vw} x ${vh} shows it ${k.toFixed(2)} times, centred on black, pixelated ` +
        `(${JSON.stringify(box)})`);
    }
    // A click and a finger's tap on the doubled picture (the last size).
    const box = await shown();
    const at = (x, y) => [box.x + 2 * (ORIGIN_X + x) + 1, box.y + 2 * (BAR + ORIGIN_Y - y) + 1];
    let from = (await output()).length;
    await page.mouse.click(...at(100, 50));
    check((await line('RICH 1 ', from)).startsWith('RICH 1 100 50 0 1 '), `${name}: a click lands at (100, 50)`);
    from = (await output()).length;
    const touch = await page.createCDPSession();
    await touch.send('Emulation.setTouchEmulationEnabled', { enabled: true, maxTouchPoints: 5 });
    const [tx, ty] = at(-200, -100);
    await touch.send('Input.dispatchTouchEvent', { type: 'touchStart', touchPoints: [{ x: tx, y: ty }] });
    await touch.send('Input.dispatchTouchEvent', { type: 'touchEnd', touchPoints: [] });
    check((await line('RICH 1 ', from)).startsWith('RICH 1 -200 -100 0 1 '),
      `${name}: a tap lands at (-200, -100)`);
    await page.screenshot({ path: path.join(outDir, `${name}.png`) });
    // Escape: out of the browser's full screen if the click brought it there, else out of the
    // page's; either way back in the page.
    await page.keyboard.press('Escape');
    await inPage().catch(async () => {
      if (await page.evaluate(() => !!document.fullscreenElement)) {
        await page.evaluate(() => document.exitFullscreen());
        await inPage();
      }
    });
    const back = await shown();
    check(!back.fixed && back.inner === W && !back.black, `${name}: Escape puts it back (${JSON.stringify(back)})`);
    await page.focus('#tavix-graphics');
    from = (await output()).length;
    await page.keyboard.press('f');
    const again = await line('FULLSCREEN', from);
    await full();
    check(again === 'FULLSCREEN 1 1' && (await shown()).fixed,
      `${name}: after Escape the program's call covers the page again (${again})`);
    from = (await output()).length;
    await page.keyboard.press('w');
    const off = await line('FULLSCREEN', from);
    await inPage();
    check(off === 'FULLSCREEN 0 1' && (await shown()).inner === W, `${name}: its call for off puts it back (${off})`);
    if (view.errors.length) throw new Error(`page errors: ${view.errors.join(' | ')}`);
  } finally {
    await view.context.close();
  }
}

// ---- Gamepads -------------------------------------------------------------------------------
// A "standard" pad faked in the page, given what tests/core/pads_test.cpp gives SDL's virtual
// controller on Linux, as the browser shows a 16-bit device (sticks over -1..1, triggers over
// 0..1): the program sees the same pad events and reads the same values as that test expects.
function fakePad() {
  const rest = () => ({ axes: [0, 0, 0, 0], buttons: Array.from({ length: 17 },
    () => ({ pressed: false, touched: false, value: 0 })) });
  const state = { plugged: true, ...rest(), rest };
  window.__tavixPad = state;
  const pad = {
    id: 'TAVIX test pad (STANDARD GAMEPAD)', index: 0, mapping: 'standard', timestamp: 0,
    get connected() { return state.plugged; },
    get axes() { return state.axes; },
    get buttons() { return state.buttons; },
  };
  Object.defineProperty(Navigator.prototype, 'getGamepads', { configurable: true,
    value: () => [state.plugged ? pad : null, null, null, null] });
}
const STICK = (raw) => (2 * (raw + 32768)) / 65535 - 1;
const TRIGGER = (raw) => (raw + 32768) / 65535;
// A step's change: {plugged} to pull the pad out or plug it in at rest, or {buttons: {standard
// index: value}, axes: {index: value}}. Standard-mapping buttons: A 0, X 2, Y 3, right shoulder
// 5, left trigger 6, right trigger 7, d-pad down 13. The events as "type pad button"; the reads
// as pad 0's "PAD <held bits> <six axes>" after them.
const PAD_STEPS = [
  ['A down', { buttons: { 0: 1 } }, ['9 0 0'], 'PAD 9 0 0 0 0 0 0'],
  ['Y up, d-pad down and right shoulder down', { buttons: { 3: 0, 13: 1, 5: 1 } },
    ['10 0 3', '9 0 9', '9 0 11'], 'PAD 2561 0 0 0 0 0 0'],
  ['left stick full up', { axes: { 1: STICK(-32768) } }, [], 'PAD 2561 0 1000 0 0 0 0'],
  ['left stick half left', { axes: { 0: STICK(-16384) } }, [], 'PAD 2561 -500 1000 0 0 0 0'],
  ['right stick down', { axes: { 3: STICK(32767) } }, [], 'PAD 2561 -500 1000 0 -1000 0 0'],
  ['right stick right', { axes: { 2: STICK(32767) } }, [], 'PAD 2561 -500 1000 1000 -1000 0 0'],
  ['right trigger in', { buttons: { 7: TRIGGER(32767) } }, [], 'PAD 2561 -500 1000 1000 -1000 0 1000'],
  ['left trigger half in', { buttons: { 6: TRIGGER(0) } }, [],
    'PAD 2561 -500 1000 1000 -1000 498 1000'],
  // What a page is handed that is not a number reads as rest.
  ['sticks that are not numbers', { axes: { 0: 'left', 2: null } }, [],
    'PAD 2561 0 1000 0 -1000 498 1000'],
  ['pulled out', { plugged: false }, ['10 0 0', '10 0 9', '10 0 11', '12 0 0'],
    'PAD 0 0 0 0 0 0 0'],
  ['plugged in', { plugged: true }, ['11 0 0'], 'PAD 0 0 0 0 0 0 0'],
];
// Applies a step's change to the page's pad.
function changePad(change) {
  const p = window.__tavixPad;
  if ('plugged' in change) Object.assign(p, p.rest(), { plugged: change.plugged });
  for (const [i, v] of Object.entries(change.buttons ?? {}))
    p.buttons[i] = { pressed: v >= 0.5, touched: v > 0, value: v };
  for (const [i, v] of Object.entries(change.axes ?? {})) p.axes[i] = v;
}
async function runPads(browser, port) {
  const name = 'pads';
  console.log(`${name}:`);
  const context = await browser.createBrowserContext();
  try {
    const page = await context.newPage();
    const errors = [];
    page.on('pageerror', (e) => errors.push(String(e)));
    await page.evaluateOnNewDocument(fakePad);
    // Y held before the program's first gamepad call, as pads_test starts.
    await page.evaluateOnNewDocument(() => { window.__tavixPad.buttons[3] = { pressed: true, value: 1 }; });
    await page.goto(`http://127.0.0.1:${port}/rich_echo_client.html?arg=pads`, { waitUntil: 'load' });
    await within(30000, page.evaluate(() => window.tavix.ready), `${name}: window.tavix.ready`);
    await page.focus('#tavix-graphics');
    // The RICH lines' "type key button" of pad events (9 to 12) from index from on.
    const padEvents = (from) => page.evaluate((i) => window.tavix.output.slice(i)
      .map((l) => l.split(' ')).filter((f) => f[0] === 'RICH' && f[1] >= 9 && f[1] <= 12)
      .map((f) => `${f[1]} ${f[4]} ${f[5]}`), from);
    const count = () => page.evaluate(() => window.tavix.output.length);
    const waitEvents = async (from, n) => {
      await page.waitForFunction((i, k) => window.tavix.output.slice(i).filter((l) =>
        /^RICH (9|10|11|12) /.test(l)).length >= k, { timeout: 5000, polling: 50 }, from, n).catch(() => {});
      await sleep(300);  // and nothing more
      return padEvents(from);
    };
    // What the program reads after the key r, typed once the step's events came.
    const reads = async () => {
      const from = await count();
      await page.keyboard.press('r');
      return (await within(5000, page.waitForFunction((i) => {
        const lines = window.tavix.output.slice(i);
        const typed = lines.findIndex((l) => l.startsWith('RICH 2 ') && l.split(' ')[4] === '114');
        return typed >= 0 && lines.slice(typed).find((l) => l.startsWith('PAD '));
      }, { polling: 50 }, from), 'the reads after r')).jsonValue();
    };
    const first = await waitEvents(0, 2);
    check((await page.evaluate(() => window.tavix.output)).includes('PADS 0 0 0') &&
      first.join(',') === '11 0 0,9 0 3', `${name}: the pad there at the first call is added, Y ` +
      `held (${first.join(', ')})`);
    for (const [what, change, events, read] of PAD_STEPS) {
      const from = await count();
      await page.evaluate(changePad, change);
      const seen = await waitEvents(from, events.length);
      const got = await reads();
      check(seen.join(',') === events.join(',') && got === read,
        `${name}: ${what}: events [${seen.join(', ')}], ${got}`);
    }
    if (errors.length) throw new Error(`page errors: ${errors.join(' | ')}`);
  } finally {
    await context.close();
  }
}

// ---- Screenshots ----------------------------------------------------------------------------
// The cone's page as a desk and a phone held upright show it, into docs/screenshots/ (run only
// when named: node tests/web/web_test.mjs screenshots).
async function screenshots(browser, port) {
  console.log('screenshots:');
  for (const [name, viewport] of [
    ['web_cone_desktop', { width: 1280, height: 800, deviceScaleFactor: 1 }],
    ['web_cone_phone', { width: 390, height: 844, deviceScaleFactor: 2, isMobile: true, hasTouch: true }]]) {
    const context = await browser.createBrowserContext();
    try {
      const page = await context.newPage();
      await page.setViewport(viewport);
      await page.goto(`http://127.0.0.1:${port}/cone.html`, { waitUntil: 'load' });
      await within(30000, page.evaluate(() => window.tavix.ready), 'cone: window.tavix.ready');
      await idle(page);
      const file = path.join(root, 'docs/screenshots', `${name}.png`);
      await page.screenshot({ path: file });
      check(fs.statSync(file).size > 0, `${name}: ${path.relative(root, file)}`);
    } finally {
      await context.close();
    }
  }
}

// ---- Main -----------------------------------------------------------------------------------
// Headless Chromium with a profile of its own (the caller removes it after browser.close()).
async function launch() {
  const { default: puppeteer } = await import('puppeteer-core');
  const profile = fs.mkdtempSync(path.join(os.tmpdir(), 'tavix-chromium-'));
  // Without the background networking the closed network refuses Chromium's own connections.
  // Sound waits for the user's first click or key, as in a browser on a desk.
  const browser = await puppeteer.launch({
    executablePath: chromium, headless: true, userDataDir: profile,
    args: ['--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
      '--disable-background-networking', '--disable-component-update', '--disable-sync',
      '--autoplay-policy=document-user-activation-required'],
  });
  return { browser, profile };
}

function need(ok, message) {
  if (!ok) {
    console.error(`web tests: ${message}`);
    process.exit(2);
  }
}

async function main() {
  const started = Date.now();
  need(fs.existsSync(chromium),
    `no Chromium at ${chromium} (sh tests/web/install-deps.sh installs it)`);
  need(fs.existsSync(path.join(site, 'index.html')),
    `no browser build in ${site} (make web builds it)`);
  need(fs.existsSync(path.join(nativeBuild, 'cone')),
    `no Linux build in ${nativeBuild} (make build)`);
  fs.rmSync(outDir, { recursive: true, force: true });
  fs.mkdirSync(outDir, { recursive: true });
  const only = process.argv.slice(2);
  const server = await serve(site);
  const port = server.address().port;
  const { browser, profile } = await launch();
  try {
    for (const c of cases) {
      if (only.length && !only.includes(c.name)) continue;
      try {
        await runCase(browser, port, c);
      } catch (e) {
        check(false, `${c.name}: ${e.message}`);
      }
    }
    for (const [name, run] of [['menu_record', runMenuRecording], ['fullscreen', runPageControls],
      ['fullscreen_call', runFullscreenCall], ['pads', runPads], ['sound', runSound],
      ['figures', figures], ['screenshots', screenshots]]) {
      if (only.length ? !only.includes(name) : name === 'screenshots') continue;
      try {
        await run(browser, port);
      } catch (e) {
        check(false, `${name}: ${e.message}`);
      }
    }
  } finally {
    await browser.close();
    server.close();
    fs.rmSync(profile, { recursive: true, force: true });
  }
  console.log(`web tests: ${((Date.now() - started) / 1000).toFixed(0)} s; ` +
    `pictures and scripts in ${outDir}`);
  console.log(`${passed} passed, ${failures.length} failed`);
  process.exit(failures.length ? 1 : 0);
}

// Other tests run single cases of pages built elsewhere with these (tests/dist/), or compare
// pictures of their own with them (tests/web/playground_test.mjs).
const tally = () => ({ passed, failed: failures.length });
export { launch, serve, runCase, failures, check, within, picture, runLinux, difference,
  savePicture, tally };

if (process.argv[1] && path.resolve(process.argv[1]) === fileURLToPath(import.meta.url)) {
  main().catch((e) => {
    console.error(e);
    process.exit(1);
  });
}
