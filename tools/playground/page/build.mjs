// Builds the playground's editor page into a folder:
//   node build.mjs OUT_DIR EXAMPLES_DIR GUIDE.md
// playground.js is src/playground.js with CodeMirror bundled (esbuild, from package-lock.json);
// index.html, playground.css and bridge.js are copied; examples.json holds the guide's first
// program and every example that needs no file beside it.
import { build } from 'esbuild';
import fs from 'node:fs';
import path from 'node:path';
import { fileURLToPath } from 'node:url';

const here = path.dirname(fileURLToPath(import.meta.url));
const [out, examplesDir, guide] = process.argv.slice(2);
if (!out || !examplesDir || !guide) {
  console.error('usage: node build.mjs OUT_DIR EXAMPLES_DIR GUIDE.md');
  process.exit(2);
}
fs.mkdirSync(out, { recursive: true });
await build({
  entryPoints: [path.join(here, 'src', 'playground.js')],
  bundle: true, minify: true, format: 'iife', target: 'es2020', legalComments: 'linked',
  outfile: path.join(out, 'playground.js'), logLevel: 'warning',
});
for (const file of ['index.html', 'playground.css', 'bridge.js'])
  fs.copyFileSync(path.join(here, 'src', file), path.join(out, file));

const examples = [];
const text = fs.readFileSync(guide, 'utf8');
const first = /Save this as `hello\.c`:\s*```c\n([\s\S]*?)```/.exec(text);
if (!first) throw new Error(`no first program in ${guide}`);
examples.push({ name: 'hello.c (the guide\'s first program)', lang: 'c', source: first[1] });
for (const name of fs.readdirSync(examplesDir).sort()) {
  if (!name.endsWith('.c')) continue;
  const source = fs.readFileSync(path.join(examplesDir, name), 'utf8');
  // A program that opens a file of its own (a sprite) has nothing to open here.
  if (/TAVIX_load_image\b/.test(source)) continue;
  examples.push({ name, lang: 'c', source });
}
fs.writeFileSync(path.join(out, 'examples.json'), JSON.stringify(examples));
