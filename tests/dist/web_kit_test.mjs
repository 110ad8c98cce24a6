// The page a learner made with the browser kit's tavix-web, in headless Chromium, beside the same
// program built for Linux: the browser stage's comparison of one case.
//   node tests/dist/web_kit_test.mjs PAGE_DIR NAME NATIVE_PROGRAM OUT_DIR
// PAGE_DIR holds NAME.html; NATIVE_PROGRAM is the Linux build of the same source.
import fs from 'node:fs';
import path from 'node:path';

const [pages, name, native, out] = process.argv.slice(2);
if (!out) {
  console.error('usage: node tests/dist/web_kit_test.mjs PAGE_DIR NAME NATIVE_PROGRAM OUT_DIR');
  process.exit(2);
}
// Read by the browser stage's module as it loads.
process.env.TAVIX_NATIVE_BUILD = path.dirname(path.resolve(native));
process.env.TAVIX_WEB_OUT = path.resolve(out);
fs.mkdirSync(out, { recursive: true });
const { launch, serve, runCase, failures } = await import('../web/web_test.mjs');

const server = await serve(path.resolve(pages));
const { browser, profile } = await launch();
try {
  await runCase(browser, server.address().port,
    { name: `kit_${name}`, program: name, native: path.basename(native), steps: [] });
} catch (e) {
  failures.push(e.message);
  console.log(`  FAIL  ${e.message}`);
} finally {
  await browser.close();
  server.close();
  fs.rmSync(profile, { recursive: true, force: true });
}
process.exit(failures.length ? 1 : 0);
