// The measuring part of bench/web (which builds what it measures first).
//   node bench/web-page.mjs [ROUNDS] [--vs SITE] [--size N]
// With --vs, the page in SITE (another build of it, an earlier release's
// say) is timed too, a run of each one after the other in every round, and
// the ratio of the two is given round by round. --size times one size
// (256 or 4096) only. Then an edit: the click on Re-roll of a 64 x 64-tile
// region of a 1024 x 1024 map to the edited map drawn (this page only;
// --edit times that alone).
import { execFileSync, spawnSync } from 'node:child_process';
import { mkdtempSync, readdirSync, rmSync, statSync, writeFileSync, readFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join, resolve } from 'node:path';
import { fileURLToPath, pathToFileURL } from 'node:url';

const root = fileURLToPath(new URL('../', import.meta.url));
const { chromium } = await import(pathToFileURL(join(root, 'tests/web/node_modules/playwright-core/index.mjs')).href);
const { serveSite } = await import(pathToFileURL(join(root, 'scripts/serve-site.mjs')).href);

const args = process.argv.slice(2);
const vs = args.indexOf('--vs') >= 0 ? resolve(args.splice(args.indexOf('--vs'), 2)[1]) : null;
const editOnly = args.indexOf('--edit') >= 0 ? Boolean(args.splice(args.indexOf('--edit'), 1)) : false;
const sizes = editOnly
  ? []
  : args.indexOf('--size') >= 0
    ? [Number(args.splice(args.indexOf('--size'), 2)[1])]
    : [256, 4096];
const rounds = Number(args[0] || 5);
const site = join(root, 'build-web/site');
const nativeBin = join(root, 'build-web/native/bin');
const median = (values) => [...values].sort((a, b) => a - b)[Math.floor(values.length / 2)];
const verdict = (met) => (met ? 'met' : 'NOT met');
const ms = (value) => `${value.toFixed(0)} ms`;

// ---- the page: from the click on #make to the map shown, and to "Map ready"

const browser = await chromium.launch({
  executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
  args: [
    '--no-sandbox',
    '--disable-gpu',
    '--disable-quic',
    '--no-first-run',
    '--disable-background-networking',
    '--disable-component-update',
    '--disable-sync',
  ],
});
const servers = [];

// A page of the site in a browser context of its own, its first map made.
async function openPage(folder) {
  const server = await serveSite(folder);
  servers.push(server);
  const page = await (await browser.newContext()).newPage();
  await page.goto(`http://127.0.0.1:${server.address().port}/#64x64/4/2/2/seed=1`);
  await page.waitForFunction(() => document.body.dataset.state === 'idle' && document.body.dataset.runs > 0);
  await page.evaluate(() => {
    // Resolves once the page is idle after more than `runs` runs.
    window.untilRunEnds = (runs) =>
      new Promise((done) => {
        const observer = new MutationObserver(() => {
          if (document.body.dataset.state === 'idle' && Number(document.body.dataset.runs) > runs) {
            observer.disconnect();
            done();
          }
        });
        observer.observe(document.body, { attributes: true });
      });
    window.longTasks = [];
    new PerformanceObserver((list) => window.longTasks.push(...list.getEntries().map((e) => e.duration))).observe({
      type: 'longtask',
    });
  });
  return page;
}

// One Make: the times from the click to the map drawn and to "Map ready",
// the parts the worker reports, and the longest main-thread task meanwhile.
function timeOneMake(page, size) {
  return page.evaluate(async (size) => {
    for (const [id, value] of Object.entries({
      xsize: size,
      ysize: size,
      pathwidth: 4,
      waterwidth: 2,
      tileset: 2,
      seed: 1,
    })) {
      document.getElementById(id).value = String(value);
    }
    performance.clearMeasures();
    window.longTasks.length = 0;
    const status = document.getElementById('status');
    const runs = Number(document.body.dataset.runs);
    const start = performance.now();
    document.getElementById('make').click();
    await window.untilRunEnds(runs);
    const ready = performance.now() - start;
    await new Promise((done) => requestAnimationFrame(() => setTimeout(done, 100)));
    const parts = Object.fromEntries(
      performance.getEntriesByType('measure').map((entry) => [entry.name, entry.duration]),
    );
    return { ready, parts, status: status.textContent, longest: Math.max(0, ...window.longTasks) };
  }, size);
}

// The native programs on the same map, one after the other, in a folder of
// their own: the time of the two runs together.
function timeNative(size) {
  const folder = mkdtempSync(join(tmpdir(), 'trevalk-bench-'));
  try {
    writeFileSync(join(folder, 'ruvivare.dat'), readFileSync(join(root, 'data/ruvivare.dat')));
    const start = performance.now();
    const options = { cwd: folder, env: { ...process.env, QUENDREL_SEED: '1' }, stdio: ['ignore', 'ignore', 'pipe'] };
    const made = spawnSync(join(nativeBin, 'trevalk'), [size, size, '4', '2', '2', 'maze.dat'].map(String), options);
    const drawn = spawnSync(join(nativeBin, 'trevalk-preview'), ['maze.dat', 'maze.png'], options);
    if (made.status !== 0 || drawn.status !== 0) throw new Error(`native run: ${made.stderr}${drawn.stderr}`);
    return performance.now() - start;
  } finally {
    rmSync(folder, { recursive: true, force: true });
  }
}

const page = await openPage(site);
const other = vs === null ? null : await openPage(vs);
console.log(`The page against the native programs, Make to the map drawn and to "Map ready" (both downloads),`);
console.log(`${rounds} rounds after one to warm up, each a page run and a native run one after the other; medians:`);
if (other !== null) console.log(`and against the page in ${vs}, a run of it in every round too.`);
const goals = { 256: 50, 4096: 700 };
const longest = [];
for (const size of sizes) {
  await timeOneMake(page, size);
  if (other !== null) await timeOneMake(other, size);
  const times = { shown: [], ready: [], native: [], trevalk: [], preview: [], vsShown: [], vsReady: [], ratio: [] };
  let status = '';
  for (let round = 0; round < rounds; round++) {
    const run = await timeOneMake(page, size);
    times.shown.push(run.parts.shown);
    times.ready.push(run.ready);
    times.trevalk.push(run.parts.trevalk);
    times.preview.push(run.parts['trevalk-preview']);
    times.native.push(timeNative(size));
    status = run.status;
    if (size === 4096) longest.push(run.longest);
    if (other !== null) {
      const then = await timeOneMake(other, size);
      times.vsShown.push(then.parts.shown);
      times.vsReady.push(then.ready);
      times.ratio.push(run.ready / then.ready);
    }
  }
  const shown = median(times.shown);
  console.log(
    `  ${size} x ${size}: map drawn ${ms(shown)}, "Map ready" ${ms(median(times.ready))} (all ${times.ready.map((t) => t.toFixed(0)).join(' ')}; ${status}); goal under ${goals[size]} ms: ${verdict(median(times.ready) < goals[size])}`,
  );
  console.log(
    `    in the worker: trevalk ${ms(median(times.trevalk))}, trevalk-preview ${ms(median(times.preview))}; the native trevalk and trevalk-preview: ${ms(median(times.native))}`,
  );
  if (other !== null) {
    console.log(
      `    the other page: map drawn ${ms(median(times.vsShown))}, "Map ready" ${ms(median(times.vsReady))}; "Map ready", this page over the other, round by round: median ${median(times.ratio).toFixed(2)} (${Math.min(...times.ratio).toFixed(2)} to ${Math.max(...times.ratio).toFixed(2)})`,
    );
  }
}
console.log(
  `  the longest main-thread task during the 4096 x 4096 runs: ${Math.max(0, ...longest) > 0 ? ms(Math.max(...longest)) : 'none'} (tasks under 50 ms are not reported by the browser); goal none: ${verdict(Math.max(0, ...longest) === 0)}`,
);
// One edit: the 1024 x 1024 map made afresh from its address, then the
// time from the click on Re-roll of a 64 x 64-tile region at its centre to
// the edited map drawn.
async function timeOneEdit(page) {
  await page.evaluate(() => {
    location.hash = '#1024x1024/4/2/2/seed=1';
  });
  await page.waitForFunction(
    () => document.body.dataset.state === 'idle' && location.hash === '#1024x1024/4/2/2/seed=1',
  );
  return page.evaluate(async () => {
    for (const [id, value] of Object.entries({ 'sel-x': 480, 'sel-y': 480, 'sel-w': 64, 'sel-h': 64 })) {
      document.getElementById(id).value = String(value);
    }
    performance.clearMeasures();
    const runs = Number(document.body.dataset.runs);
    const start = performance.now();
    document.getElementById('reroll').click();
    await window.untilRunEnds(runs);
    const shown = performance.getEntriesByName('shown').at(-1);
    return { drawn: shown.startTime + shown.duration - start, status: document.getElementById('status').textContent };
  });
}

await page.evaluate(() => {
  location.hash = '#1024x1024/4/2/2/seed=7';
});
await page.waitForFunction(() => document.body.dataset.state === 'idle');
await timeOneEdit(page);
const edits = [];
let editStatus = '';
for (let round = 0; round < rounds; round++) {
  const run = await timeOneEdit(page);
  edits.push(run.drawn);
  editStatus = run.status;
}
console.log(
  `  an edit: Re-roll of 64 x 64 tiles of a 1024 x 1024 map to the edited map drawn ${ms(median(edits))} (all ${edits.map((t) => t.toFixed(0)).join(' ')}; ${editStatus}); goal under 100 ms: ${verdict(median(edits) < 100)}`,
);
await browser.close();
for (const server of servers) server.close();
if (editOnly) process.exit(0);

// ---- the maze generator, native against WebAssembly

console.log(`\nThe maze generator, native against WebAssembly (node ${process.version}), ${rounds} rounds,`);
console.log('each a native and a WebAssembly process one after the other; medians, and the median of the ratios:');
const bench = join(root, 'build-web/bench');
for (const [x, y] of [
  [341, 341],
  [1025, 1025],
  [4095, 4095],
]) {
  const args = [String(x), String(y), '3', '1'];
  const times = { native: [], wasm: [], ratio: [] };
  const hashes = new Set();
  for (let round = 0; round < rounds; round++) {
    const native = execFileSync(join(bench, 'mazetime'), args, { encoding: 'utf8' }).trim().split(' ');
    const wasm = execFileSync(process.execPath, ['--no-experimental-fetch', join(bench, 'mazetime.js'), ...args], {
      encoding: 'utf8',
    })
      .trim()
      .split(' ');
    times.native.push(Number(native[0]));
    times.wasm.push(Number(wasm[0]));
    times.ratio.push(Number(wasm[0]) / Number(native[0]));
    hashes.add(native[1]).add(wasm[1]);
  }
  const ratio = median(times.ratio);
  console.log(
    `  ${x} x ${y}: native ${median(times.native).toFixed(2)} ms, WebAssembly ${median(times.wasm).toFixed(2)} ms: ${ratio.toFixed(2)}x (${Math.min(...times.ratio).toFixed(2)} to ${Math.max(...times.ratio).toFixed(2)}); mazes ${hashes.size === 1 ? 'identical' : 'DIFFERENT'}; goal within 2x: ${verdict(ratio <= 2 && hashes.size === 1)}`,
  );
}

// ---- the sizes

function sizeOf(path) {
  const info = statSync(path);
  if (!info.isDirectory()) return info.size;
  return readdirSync(path).reduce((sum, name) => sum + sizeOf(join(path, name)), 0);
}
const bytes = sizeOf(site);
console.log(
  `\nThe site (build-web/site, template, one-file page and license included): ${bytes.toLocaleString('en-US')} bytes; goal under 1 MB: ${verdict(bytes < 1_000_000)}`,
);
console.log(`The one-file page, trevalk.html: ${sizeOf(join(site, 'trevalk.html')).toLocaleString('en-US')} bytes`);
for (const name of readdirSync(site).sort()) {
  console.log(`  ${name}: ${sizeOf(join(site, name)).toLocaleString('en-US')}`);
}
