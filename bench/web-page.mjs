// The measuring part of bench/web (which builds what it measures first).
//   node bench/web-page.mjs [ROUNDS]
import { execFileSync } from 'node:child_process';
import { readdirSync, statSync } from 'node:fs';
import { join } from 'node:path';
import { fileURLToPath, pathToFileURL } from 'node:url';

const root = fileURLToPath(new URL('../', import.meta.url));
const { chromium } = await import(
  pathToFileURL(join(root, 'tests/web/node_modules/playwright-core/index.mjs')).href
);
const { serveSite } = await import(pathToFileURL(join(root, 'scripts/serve-site.mjs')).href);

const rounds = Number(process.argv[2] || 5);
const site = join(root, 'build-web/site');
const median = (values) => [...values].sort((a, b) => a - b)[Math.floor(values.length / 2)];
const verdict = (met) => (met ? 'met' : 'NOT met');

// ---- the page: from the click on #make to the exit status shown

const server = await serveSite(site);
const browser = await chromium.launch({
  executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
  args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
    '--disable-background-networking', '--disable-component-update', '--disable-sync'],
});
const page = await browser.newPage();
await page.goto(`http://127.0.0.1:${server.address().port}/#64x64/4/2/2/seed=1`);
await page.waitForFunction(() => document.body.dataset.state === 'idle' && document.body.dataset.runs > 0);

function timeOneMake() {
  return page.evaluate(() => new Promise((done) => {
    const status = document.getElementById('status');
    const observer = new MutationObserver(() => {
      if (status.textContent.startsWith('exit')) {
        observer.disconnect();
        done(performance.now() - start);
      }
    });
    observer.observe(status, { childList: true, characterData: true, subtree: true });
    const start = performance.now();
    document.getElementById('make').click();
  }));
}

console.log(`The page, "Make the map" to the exit status (map and preview), median of ${rounds}:`);
const goals = { 256: 150, 1024: 1000 };
for (const size of [256, 1024]) {
  await page.evaluate((size) => {
    for (const [id, value] of Object.entries({ xsize: size, ysize: size, pathwidth: 4, waterwidth: 2, tileset: 2, seed: 1 })) {
      document.getElementById(id).value = String(value);
    }
  }, size);
  const first = await timeOneMake();
  await page.evaluate(() => performance.clearMeasures());
  const times = [];
  for (let i = 0; i < rounds; i++) times.push(await timeOneMake());
  const parts = await page.evaluate(() => Object.fromEntries(['trevalk', 'trevalk-preview'].map(
    (name) => [name, performance.getEntriesByName(name).map((entry) => entry.duration)])));
  const status = await page.textContent('#status');
  const m = median(times);
  console.log(`  ${size} x ${size}: ${m.toFixed(0)} ms (first ${first.toFixed(0)} ms, all ${times.map((t) => t.toFixed(0)).join(' ')}; ${status}); goal under ${goals[size]} ms: ${verdict(m < goals[size])}`);
  console.log(`    of which the trevalk run ${median(parts.trevalk).toFixed(0)} ms, the preview ${median(parts['trevalk-preview']).toFixed(0)} ms (medians)`);
}
await browser.close();
server.close();

// ---- the maze generator, native against WebAssembly

console.log(`\nThe maze generator, native against WebAssembly (node ${process.version}), ${rounds} rounds,`);
console.log('each a native and a WebAssembly process one after the other; medians, and the median of the ratios:');
const bench = join(root, 'build-web/bench');
for (const [x, y] of [[341, 341], [1025, 1025], [4095, 4095]]) {
  const args = [String(x), String(y), '3', '1'];
  const times = { native: [], wasm: [], ratio: [] };
  const hashes = new Set();
  for (let round = 0; round < rounds; round++) {
    const native = execFileSync(join(bench, 'mazetime'), args, { encoding: 'utf8' }).trim().split(' ');
    const wasm = execFileSync(process.execPath, ['--no-experimental-fetch', join(bench, 'mazetime.js'), ...args], { encoding: 'utf8' }).trim().split(' ');
    times.native.push(Number(native[0]));
    times.wasm.push(Number(wasm[0]));
    times.ratio.push(Number(wasm[0]) / Number(native[0]));
    hashes.add(native[1]).add(wasm[1]);
  }
  const ratio = median(times.ratio);
  console.log(`  ${x} x ${y}: native ${median(times.native).toFixed(2)} ms, WebAssembly ${median(times.wasm).toFixed(2)} ms: ${ratio.toFixed(2)}x (${Math.min(...times.ratio).toFixed(2)} to ${Math.max(...times.ratio).toFixed(2)}); mazes ${hashes.size === 1 ? 'identical' : 'DIFFERENT'}; goal within 2x: ${verdict(ratio <= 2 && hashes.size === 1)}`);
}

// ---- the site's size

function sizeOf(path) {
  const info = statSync(path);
  if (!info.isDirectory()) return info.size;
  return readdirSync(path).reduce((sum, name) => sum + sizeOf(join(path, name)), 0);
}
const bytes = sizeOf(site);
console.log(`\nThe site (build-web/site, template included): ${bytes.toLocaleString('en-US')} bytes; goal under 1 MB: ${verdict(bytes < 1_000_000)}`);
for (const name of readdirSync(site).sort()) {
  console.log(`  ${name}: ${sizeOf(join(site, name)).toLocaleString('en-US')}`);
}
