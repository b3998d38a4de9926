// The web page in Debian's Chromium: every map and image it offers for
// download must be the native trevalk's and trevalk-preview's, byte for
// byte, for the arguments, seed and template it shows; and the page must
// stay a usable app: never frozen, stoppable, offline, on a phone, for
// assistive technology, with any map file.
//
// TREVALK_SITE: the built page (build-web/site); TREVALK_NATIVE: the folder of
// the native programs (build-web/native/bin); CHROMIUM: the browser.
import assert from 'node:assert/strict';
import { createHash } from 'node:crypto';
import { spawnSync } from 'node:child_process';
import { cpSync, existsSync, mkdtempSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import { createRequire } from 'node:module';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { after, before, test } from 'node:test';
import { fileURLToPath } from 'node:url';

import { chromium } from 'playwright-core';

import { serveSite } from '../../scripts/serve-site.mjs';

const root = fileURLToPath(new URL('../../', import.meta.url));
const site = process.env.TREVALK_SITE || join(root, 'build-web/site');
const nativeBin = process.env.TREVALK_NATIVE || join(root, 'build-web/native/bin');
const axeSource = readFileSync(createRequire(import.meta.url).resolve('axe-core/axe.min.js'), 'utf8');
const LOG_LIMIT = 64 * 1024;
const ARGUMENT_IDS = ['xsize', 'ysize', 'pathwidth', 'waterwidth', 'tileset', 'outfile'];

// ---- maps and templates: the shipped template, one of our own, one without "MASK"

const shipped = readFileSync(join(root, 'data/ruvivare.dat'));

function sections(bytes) {
  const list = [];
  for (let at = 0; at + 8 <= bytes.length; at += 8 + bytes.readUInt32LE(at + 4)) {
    list.push(bytes.subarray(at, at + 8 + bytes.readUInt32LE(at + 4)));
  }
  return list;
}

function section(name, data) {
  const head = Buffer.alloc(8);
  head.write(name, 0, 'latin1');
  head.writeUInt32LE(data.length, 4);
  return Buffer.concat([head, data]);
}

const templates = {
  shipped,
  // An extra section, which every map carries unchanged, between two others.
  own: Buffer.concat([section('NOTE', Buffer.from('own template')), shipped]),
  nomask: Buffer.concat(sections(shipped).filter((s) => s.toString('latin1', 0, 4) !== 'MASK')),
};

// ---- the cases: the page's run against the native programs' on the same
// arguments, seed and template. seed '' leaves the page to draw one; runs: 2
// makes two such maps, which must differ; address opens the page there;
// refused: the field and words the page refuses it with, before any run;
// options: the fair-map options, which the page passes as the command line
// does, with the seed as --seed and a report named after the map, whose
// starts the image marks (trevalk-preview --starts); disabled: the
// symmetries the page does not offer then.

const cases = [
  { name: '64 x 64, the shipped template', args: ['64', '64', '4', '2', '2', 'maze.dat'], seed: '1' },
  { name: 'odd sizes', args: ['33', '47', '4', '2', '0', 'odd.dat'], seed: '4294967295' },
  { name: 'even, water wider than paths', args: ['256', '128', '4', '6', '1', 'w.dat'], seed: '7' },
  { name: 'a negative water width', args: ['64', '64', '4', '-2', '2', 'neg.dat'], seed: '12' },
  { name: 'own template', args: ['40', '40', '4', '2', '3', 'own.dat'], seed: '99', template: 'own' },
  { name: 'own template, odd', args: ['51', '29', '6', '2', '4', 'o.dat'], seed: '5', template: 'own' },
  { name: 'output cut to 64 KiB', args: ['1200', '1200', '2', '2', '0', 'big.dat'], seed: '3' },
  { name: 'a tall map, drawn', args: ['16', '4096', '4', '2', '2', 'tall.dat'], seed: '8' },
  {
    name: 'template without MASK',
    args: ['64', '64', '4', '2', '2', 'maze.dat'],
    seed: '5',
    template: 'nomask',
    status: 1,
  },
  {
    name: 'too large for the page',
    args: ['5000', '5000', '4', '2', '2', 'maze.dat'],
    seed: '1',
    refused: ['ysize', /at most 16,777,216 .*The command line makes it: QUENDREL_SEED=1 trevalk 5000 5000/],
  },
  {
    name: "too large for any map, in trevalk's words",
    args: ['40000', '40000', '4', '2', '2', 'maze.dat'],
    seed: '1',
    refused: ['ysize', null],
  },
  { name: 'a size of 0', args: ['0', '64', '4', '2', '2', 'maze.dat'], seed: '1', refused: ['xsize', /at least 1/] },
  { name: 'a device name', args: ['64', '64', '4', '2', '2', 'CON.dat'], seed: '1', refused: ['outfile', /device/] },
  {
    name: 'an address with a seed',
    address: '#48x40/4/2/3/seed=2024/out=shared.dat',
    args: ['48', '40', '4', '2', '3', 'shared.dat'],
    seed: '2024',
  },
  {
    name: 'no seed: two maps, each made again from its shown seed',
    args: ['64', '64', '4', '2', '2', 'maze.dat'],
    seed: '',
    runs: 2,
  },
  {
    name: 'a fair map: a quarter turn, eight players, loops',
    args: ['64', '64', '4', '2', '2', 'fair.dat'],
    seed: '77',
    options: ['--symmetry=rotate-90', '--players=8', '--loops=40'],
    disabled: [],
  },
  {
    name: 'a fair map from its address',
    address: '#96x64/6/2/1/seed=2026/symmetry=four-way/players=4/straight=60/out=four.dat',
    args: ['96', '64', '6', '2', '1', 'four.dat'],
    seed: '2026',
    options: ['--symmetry=four-way', '--players=4', '--straight=60'],
    disabled: ['rotate-90'],
  },
  {
    name: "a symmetry that the size does not fit, in trevalk's words",
    args: ['66', '64', '4', '2', '2', 'maze.dat'],
    seed: '1',
    options: ['--symmetry=rotate-90', '--players=4'],
    refused: ['symmetry', null],
    disabled: ['rotate-90'],
  },
];

// The options of a case as the form's fields, the others at their defaults.
const FAIR_DEFAULTS = { symmetry: 'none', players: '1', loops: '0', straight: '0' };
const fairFields = (options = []) => ({
  ...FAIR_DEFAULTS,
  ...Object.fromEntries(options.map((word) => word.slice(2).split('='))),
});

// trevalk's words for a case, as the README gives them: a plain run takes
// its seed from QUENDREL_SEED, a fair one as --seed, with --report.
function nativeWords(c, seed) {
  if (!c.options) return { args: c.args, env: { QUENDREL_SEED: seed }, report: null };
  const report = c.args[5].replace(/\.[^.]*$/, '') + '.json';
  return { args: [`--seed=${seed}`, ...c.options, `--report=${report}`, ...c.args], env: {}, report };
}

// ---- the native programs

// The data of the first chunk of this type in a PNG.
function pngChunk(png, type) {
  for (let at = 8; at + 12 <= png.length; at += 12 + png.readUInt32BE(at)) {
    if (png.toString('latin1', at + 4, at + 8) === type) return png.subarray(at + 8, at + 8 + png.readUInt32BE(at));
  }
  return null;
}

// The progress lines end in data addresses ("from 55A0C3E1A8A0"), which differ
// from run to run: each is named by its first appearance (A1, A2, ...).
function nameAddresses(text) {
  const names = new Map();
  return text.replace(/(from )([0-9A-F]+)$/gm, (line, from, address) => {
    if (address === '0') return line;
    if (!names.has(address)) names.set(address, `A${names.size + 1}`);
    return from + names.get(address);
  });
}

function native(c, seed, template) {
  const folder = mkdtempSync(join(tmpdir(), 'trevalk-web-'));
  try {
    writeFileSync(join(folder, 'ruvivare.dat'), template);
    const words = nativeWords(c, seed);
    const env = { ...process.env, ...words.env };
    const run = spawnSync(join(nativeBin, 'trevalk'), words.args, { cwd: folder, env });
    const read = (name) =>
      run.status === 0 && name !== null && existsSync(join(folder, name)) ? readFileSync(join(folder, name)) : null;
    const map = read(c.args[5]);
    const report = read(words.report);
    return {
      status: run.status,
      stdout: run.stdout,
      stderr: run.stderr,
      map,
      report,
      png: map && nativePreview(map, report).png,
    };
  } finally {
    rmSync(folder, { recursive: true, force: true });
  }
}

// trevalk-preview MAP PNG, or with --starts=REPORT when there is a report.
function nativePreview(map, report = null) {
  const folder = mkdtempSync(join(tmpdir(), 'trevalk-web-'));
  try {
    writeFileSync(join(folder, 'map.dat'), map);
    if (report !== null) writeFileSync(join(folder, 'report.json'), report);
    const starts = report === null ? [] : ['--starts=report.json'];
    const run = spawnSync(join(nativeBin, 'trevalk-preview'), [...starts, 'map.dat', 'map.png'], { cwd: folder });
    return {
      status: run.status,
      stderr: run.stderr.toString(),
      png: run.status === 0 ? readFileSync(join(folder, 'map.png')) : null,
    };
  } finally {
    rmSync(folder, { recursive: true, force: true });
  }
}

// ---- the browser

let server;
let browser;
let context;
let page;
let base;
const consoleErrors = [];
const launchOptions = {
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
};

function watch(p) {
  p.on('console', (message) => {
    if (message.type() === 'error') consoleErrors.push(message.text());
  });
  p.on('pageerror', (error) => consoleErrors.push(error.message));
  return p;
}

const runsOf = (p) => p.evaluate(() => Number(document.body.dataset.runs));

async function waitForRun(p, runsBefore) {
  await p.waitForFunction(
    (n) => document.body.dataset.state === 'idle' && Number(document.body.dataset.runs) > n,
    runsBefore,
    { timeout: 60_000 },
  );
}

// Opens an address afresh, as a copied one is, and waits for its map.
async function openAddress(p, address) {
  await p.goto('about:blank');
  await p.goto(address);
  await waitForRun(p, 0);
}

async function fillAndMake(p, values) {
  await p.evaluate((values) => {
    for (const [id, value] of Object.entries(values)) document.getElementById(id).value = value;
  }, values);
  const runs = await runsOf(p);
  await p.click('#make');
  await waitForRun(p, runs);
}

// Chromium now and then drops a download clicked within moments of an
// earlier one; a person clicks a moment later anyway, so the link is clicked
// again after a pause.
async function download(p, link) {
  for (let attempt = 1; ; attempt++) {
    try {
      const [file] = await Promise.all([p.waitForEvent('download', { timeout: 5_000 }), p.click(link)]);
      return { name: file.suggestedFilename(), bytes: readFileSync(await file.path()) };
    } catch (error) {
      if (attempt === 3) throw error;
    }
  }
}

// The processor time, in ms, of each task the page's main thread ran during
// `action`. Processor time rather than the clock's: on a busy machine a
// short task may wait for a processor, or for memory the workers are
// taking, and that is the machine's delay, not work the page does.
async function mainThreadTasks(p, action) {
  const cdp = await p.context().newCDPSession(p);
  const events = [];
  cdp.on('Tracing.dataCollected', ({ value }) => events.push(...value));
  const complete = new Promise((resolve) => cdp.once('Tracing.tracingComplete', resolve));
  await cdp.send('Tracing.start', {
    categories: 'disabled-by-default-devtools.timeline',
    transferMode: 'ReportEvents',
  });
  await action();
  await cdp.send('Tracing.end');
  await complete;
  await cdp.detach();
  const main = new Set(
    events.filter((e) => e.name === 'thread_name' && e.args.name === 'CrRendererMain').map((e) => `${e.pid}:${e.tid}`),
  );
  return events
    .filter((e) => e.name === 'RunTask' && e.ph === 'X' && main.has(`${e.pid}:${e.tid}`))
    .map((e) => (e.tdur ?? e.dur) / 1000);
}

const status = (p) =>
  p.evaluate(() => ({
    text: document.getElementById('status').textContent,
    exit: document.getElementById('status').dataset.exit,
  }));

// How many pixels of the canvas show the map rather than the background.
const drawnPixels = (p) =>
  p.evaluate(() => {
    const canvas = document.getElementById('preview');
    if (canvas.hidden || canvas.width === 0) return 0;
    const pixels = new Uint32Array(canvas.getContext('2d').getImageData(0, 0, canvas.width, canvas.height).data.buffer);
    return pixels.filter((pixel) => pixel !== pixels[0]).length;
  });

async function useTemplate(name) {
  if (name === 'shipped') {
    if (await page.isVisible('#template-clear')) await page.click('#template-clear');
    await page.waitForFunction(() => /comes with trevalk/.test(document.getElementById('template-name').textContent));
  } else {
    await page.setInputFiles('#template', {
      name: 'mine.dat',
      mimeType: 'application/octet-stream',
      buffer: templates[name],
    });
    await page.waitForFunction(() => /Your own/.test(document.getElementById('template-name').textContent));
  }
}

// Makes the case's map on the page; returns what the page shows and offers.
async function makeOnPage(c) {
  if (c.address) {
    await openAddress(page, base + c.address);
  } else {
    await useTemplate(c.template || 'shipped');
    const values = Object.fromEntries(ARGUMENT_IDS.map((id, i) => [id, c.args[i]]));
    await fillAndMake(page, { ...values, ...fairFields(c.options), seed: c.seed });
  }
  const text = (selector) => page.textContent(selector);
  const shown = {
    ...(await status(page)),
    log: await text('#log'),
    logNote: await page.evaluate(() => !document.getElementById('log-note').hidden),
    errors: await text('#errors'),
    seed: await page.inputValue('#seed'),
    args: await Promise.all(ARGUMENT_IDS.map((id) => page.inputValue(`#${id}`))),
    address: new URL(page.url()).hash,
    offersMap: await page.isVisible('#download-map'),
    offersPng: await page.isVisible('#download-png'),
    offersReport: await page.isVisible('#download-report'),
    command: await text('#command'),
    fair: await Promise.all(Object.keys(FAIR_DEFAULTS).map((id) => page.inputValue(`#${id}`))),
    disabled: await page.$$eval('#symmetry option:disabled', (options) => options.map((option) => option.value)),
    invalid: await page.evaluate(() => [...document.querySelectorAll('[aria-invalid="true"]')].map((e) => e.id)),
    drawn: await drawnPixels(page),
  };
  if (c.refused) shown.refusal = await text(`#${c.refused[0]}-refusal`);
  if (shown.offersMap) shown.map = await download(page, '#download-map');
  if (shown.offersPng) shown.png = await download(page, '#download-png');
  if (shown.offersReport) {
    shown.report = await download(page, '#download-report');
    const rowsOf = (table) =>
      page.$$eval(`${table} tr`, (rows) => rows.map((row) => [...row.cells].map((cell) => cell.textContent)));
    shown.table = await rowsOf('#report-table');
    shown.stepsTable = await rowsOf('#report-steps');
    shown.verdict = await text('#report-verdict');
    shown.swatches = await page.$$eval('#report-table .swatch', (spans) =>
      spans.map((span) => getComputedStyle(span).backgroundColor),
    );
    shown.colours = await page.evaluate(() => {
      const canvas = document.getElementById('preview');
      const pixels = new Uint32Array(
        canvas.getContext('2d').getImageData(0, 0, canvas.width, canvas.height).data.buffer,
      );
      return [...new Set(pixels)];
    });
  }
  return shown;
}

before(async () => {
  server = await serveSite(site);
  base = `http://127.0.0.1:${server.address().port}/`;
  browser = await chromium.launch(launchOptions);
  context = await browser.newContext({ acceptDownloads: true });
  page = watch(await context.newPage());
  await page.goto(base);
  await waitForRun(page, 0);
});

after(async () => {
  await browser?.close();
  server?.close();
});

test('the page loads and makes a map with no console error', async () => {
  assert.deepEqual(await status(page), { text: 'Map ready', exit: '0' });
  assert.ok((await drawnPixels(page)) > 0);
  assert.deepEqual(consoleErrors, []);
});

for (const c of cases) {
  test(c.name, { timeout: 180_000 }, async () => {
    const seen = [];
    for (let run = 0; run < (c.runs || 1); run++) {
      const shown = await makeOnPage(c);
      assert.deepEqual(shown.args, c.args);
      assert.deepEqual(shown.fair, Object.values(fairFields(c.options)));
      if (c.disabled) assert.deepEqual(shown.disabled, c.disabled);
      if (c.refused) {
        const [field, words] = c.refused;
        assert.match(shown.text, /^Not made: /);
        assert.equal(shown.exit, undefined, 'nothing ran');
        assert.deepEqual(shown.invalid, [field]);
        const expected = words ?? native(c, c.seed, shipped).stderr.toString().trim();
        if (words) assert.match(shown.refusal, words);
        else assert.ok(shown.refusal.includes(expected), `${shown.refusal}\n${expected}`);
        assert.ok(!shown.offersMap && !shown.offersPng);
        return;
      }
      if (c.seed !== '') assert.equal(shown.seed, c.seed);
      assert.match(shown.seed, /^[0-9]+$/);
      const expected = native(c, shown.seed, templates[c.template || 'shipped']);
      const exit = c.status ?? 0;
      assert.equal(expected.status, exit, expected.stderr.toString());
      assert.equal(shown.exit, String(exit));
      assert.equal(shown.errors, expected.stderr.toString());
      const expectedLog = new TextDecoder().decode(expected.stdout.subarray(0, LOG_LIMIT));
      assert.equal(nameAddresses(shown.log), nameAddresses(expectedLog));
      assert.equal(shown.logNote, expected.stdout.length > LOG_LIMIT);
      if (exit !== 0) {
        // The player's own template is named as they chose it.
        const said = expected.stderr.toString().split('\n')[0];
        assert.equal(shown.text, `Not made: ${c.template ? said.replace('(ruvivare.dat)', '(mine.dat)') : said}`);
        assert.ok(!shown.offersMap && !shown.offersPng, 'a failed run offers no download');
        continue;
      }
      assert.equal(shown.text, 'Map ready');
      assert.ok(shown.drawn > 0, 'the map is drawn');
      assert.equal(shown.map.name, c.args[5]);
      assert.ok(shown.map.bytes.equals(expected.map), 'the map is the native one');
      assert.ok(shown.png.bytes.equals(expected.png), 'the image is the native preview');
      assert.match(shown.address, new RegExp(`/seed=${shown.seed}(/|$)`));
      const words = nativeWords(c, shown.seed);
      const variable = words.env.QUENDREL_SEED === undefined ? '' : `QUENDREL_SEED=${shown.seed} `;
      assert.equal(shown.command, `${variable}trevalk ${words.args.join(' ')}`);
      assert.equal(shown.offersReport, words.report !== null);
      if (words.report !== null) {
        assert.equal(shown.report.name, words.report);
        assert.ok(shown.report.bytes.equals(expected.report), 'the report is the native one');
        const report = JSON.parse(expected.report);
        const dash = (value) => (value === null ? '–' : value.toLocaleString('en-US'));
        assert.deepEqual(
          shown.table.slice(1),
          report.starts.map(([x, y], k) => [
            String(k + 1),
            `${x}, ${y}`,
            dash(report.nearest_rival[k]),
            dash(report.centre[k]),
            dash(report.territory[k]),
            dash(report.room[k]),
            report.separation[k].toFixed(2),
          ]),
        );
        assert.deepEqual(
          shown.stepsTable.slice(1),
          report.steps.map((row, k) => [String(k + 1), ...row.map(dash)]),
        );
        assert.equal(shown.verdict, report.verdict.text);
        // The players' colours on the page are the preview's: the last
        // colours of its palette but the edges' black.
        const palette = pngChunk(expected.png, 'PLTE');
        const colours = report.starts.map((start, k) => [
          ...palette.subarray(palette.length - 27 + 3 * k, palette.length - 24 + 3 * k),
        ]);
        assert.deepEqual(
          shown.swatches,
          colours.map(([r, g, b]) => `rgb(${r}, ${g}, ${b})`),
        );
        for (const [r, g, b] of colours)
          assert.ok(
            shown.colours.includes((0xff000000 | (b << 16) | (g << 8) | r) >>> 0),
            `${r} ${g} ${b} on the canvas`,
          );
      }
      seen.push(shown);
    }
    if (seen.length === 2) {
      assert.notEqual(seen[0].seed, seen[1].seed);
      assert.ok(!seen[0].map.bytes.equals(seen[1].map.bytes));
    }
  });
}

// trevalk's own words beside the field they concern, for each field it
// refuses on its own (the sizes are the page's first: see the cases above).
test("each refusal of trevalk is shown beside its field in trevalk's words", async () => {
  const six = ['64', '64', '4', '2', '2', 'maze.dat'];
  const rows = [
    ['pathwidth', { pathwidth: '1', waterwidth: '-1' }, ['64', '64', '1', '-1', '2', 'maze.dat']],
    ['seed', { seed: 'x1', loops: '5' }, ['--seed=x1', '--loops=5', ...six]],
    [
      'players',
      { symmetry: 'left-right', players: '3' },
      ['--seed=1', '--symmetry=left-right', '--players=3', '--report=maze.json', ...six],
    ],
    ['loops', { loops: '101' }, ['--seed=1', '--loops=101', ...six]],
    ['straight', { straight: 'x' }, ['--seed=1', '--straight=x', ...six]],
  ];
  const folder = mkdtempSync(join(tmpdir(), 'trevalk-web-'));
  writeFileSync(join(folder, 'ruvivare.dat'), shipped);
  try {
    for (const [field, changes, args] of rows) {
      const form = { ...Object.fromEntries(ARGUMENT_IDS.map((id, i) => [id, six[i]])), ...FAIR_DEFAULTS, seed: '1' };
      await fillAndMake(page, { ...form, ...changes });
      const run = spawnSync(join(nativeBin, 'trevalk'), args, {
        cwd: folder,
        env: { ...process.env, QUENDREL_SEED: '1' },
      });
      assert.equal(run.status, 1, field);
      assert.equal(await page.textContent(`#${field}-refusal`), run.stderr.toString().trim(), field);
    }
  } finally {
    rmSync(folder, { recursive: true, force: true });
  }
});

// "Find a fair map": the seeds from the seed on, each measured as trevalk
// measures it alone; the fairest first, and choosing it makes its map.
test('finding a fair map tries the seeds and makes the fairest', { timeout: 120_000 }, async () => {
  const form = { xsize: '48', ysize: '48', pathwidth: '4', waterwidth: '2', tileset: '2', outfile: 'maze.dat' };
  const fair = { symmetry: 'none', players: '3', loops: '0', straight: '0' };
  await page.evaluate(
    (values) => {
      for (const [id, value] of Object.entries(values)) document.getElementById(id).value = value;
    },
    { ...form, ...fair, seed: '300', tries: '6' },
  );
  const runs = await runsOf(page);
  await page.click('#find');
  await waitForRun(page, runs);
  const found = await page.$$eval('#found button', (buttons) => buttons.map((b) => b.textContent));
  const fairness = {};
  for (let seed = 300; seed < 306; seed++) {
    const report = JSON.parse(
      native({ args: Object.values(form), options: ['--players=3'] }, String(seed), shipped).report,
    );
    fairness[seed] = report.fairness;
  }
  const order = Object.keys(fairness).sort((a, b) => fairness[b] - fairness[a] || a - b);
  assert.deepEqual(
    found.map((text) => /^Seed ([0-9]+)/.exec(text)[1]),
    order.slice(0, 4),
  );
  await page.click('#found button');
  await waitForRun(page, runs + 1);
  assert.deepEqual(await status(page), { text: 'Map ready', exit: '0' });
  assert.equal(await page.inputValue('#seed'), order[0]);
  const expected = native({ args: Object.values(form), options: ['--players=3'] }, order[0], shipped);
  assert.ok((await download(page, '#download-map')).bytes.equals(expected.map));
});

test('a bad address is refused in words, and the form keeps its values', async () => {
  await openAddress(page, `${base}#64x64/4/2/2/seed=5`);
  for (const address of ['#64x64/%zz/2/2/seed=5', '#64x64/4/2/2']) {
    const runs = await runsOf(page);
    await page.evaluate((hash) => {
      location.hash = hash;
    }, address);
    await waitForRun(page, runs);
    assert.match((await status(page)).text, /^Not made: the address is not one this page reads: /);
    assert.equal(await page.inputValue('#pathwidth'), '4');
  }
});

test(
  'a 4096 x 4096 map: the progress moves, no task holds the page, and Stop ends a run at once',
  { timeout: 120_000 },
  async () => {
    await openAddress(page, `${base}#64x64/4/2/2/seed=1`);
    await page.evaluate(() => {
      window.progressSeen = new Set();
      setInterval(() => {
        if (!document.getElementById('progress').hidden)
          window.progressSeen.add(document.getElementById('progress').value);
      }, 5);
    });
    // A fresh machine's first touch of memory can hold up one task once; work
    // the page itself does holds one up on every run, so a second run decides.
    let tasks = [];
    for (let attempt = 1; attempt <= 2; attempt++) {
      tasks = await mainThreadTasks(page, () => fillAndMake(page, { xsize: '4096', ysize: '4096', seed: '1' }));
      if (tasks.every((ms) => ms <= 50)) break;
    }
    assert.deepEqual(await status(page), { text: 'Map ready', exit: '0' });
    // Readable as it opens: its 2-tile walls 2 screen pixels wide, the whole
    // in the overview; Fit shows the whole, and the overview goes.
    const zoom = () => page.$eval('#preview', (canvas) => Number(canvas.dataset.zoom));
    assert.equal(await zoom(), 1);
    assert.ok(await page.isVisible('#overview'));
    await page.click('#zoom-fit');
    assert.ok((await zoom()) < 0.25 && !(await page.isVisible('#overview')));
    const seen = await page.evaluate(() => [...window.progressSeen]);
    assert.ok(
      seen.some((value) => value > 0 && value < 1),
      `progress seen: ${seen}`,
    );
    assert.ok(tasks.length > 0, "the page's tasks were seen");
    assert.deepEqual(
      tasks.filter((ms) => ms > 50),
      [],
      'main-thread tasks that worked over 50 ms',
    );

    const runs = await runsOf(page);
    await page.click('#make');
    await page.waitForFunction(() => document.getElementById('progress').value > 0.05);
    const stopped = Date.now();
    await page.click('#cancel');
    await waitForRun(page, runs);
    assert.ok(Date.now() - stopped < 1000, 'stopped at once');
    assert.deepEqual(await status(page), { text: 'Stopped: the map below is the previous one.', exit: undefined });
    assert.ok(await page.isVisible('#download-map'), 'the previous map is still offered');
    await fillAndMake(page, { xsize: '64', ysize: '64' });
    assert.deepEqual(await status(page), { text: 'Map ready', exit: '0' });
  },
);

test('a damaged program on the first visit is reported, never kept, and the next Make heals it', async () => {
  const copy = mkdtempSync(join(tmpdir(), 'trevalk-site-'));
  cpSync(site, copy, { recursive: true });
  const good = readFileSync(join(copy, 'trevalk.wasm'));
  writeFileSync(join(copy, 'trevalk.wasm'), good.subarray(0, good.length >> 1));
  const damaged = await serveSite(copy);
  const visit = await browser.newContext();
  try {
    const p = await visit.newPage();
    await p.goto(`http://127.0.0.1:${damaged.address().port}/#64x64/4/2/2/seed=1`);
    await waitForRun(p, 0);
    assert.match((await status(p)).text, /^Not made: .*trevalk\.wasm is damaged and could not be compiled/);
    await p.evaluate(() => navigator.serviceWorker.ready);
    writeFileSync(join(copy, 'trevalk.wasm'), good);
    await fillAndMake(p, {});
    assert.deepEqual(await status(p), { text: 'Map ready', exit: '0' });
    // What the service worker now keeps is the good program: it works offline.
    await visit.setOffline(true);
    await p.reload();
    await waitForRun(p, 0);
    assert.deepEqual(await status(p), { text: 'Map ready', exit: '0' });
  } finally {
    await visit.close();
    damaged.close();
    rmSync(copy, { recursive: true, force: true });
  }
});

test('trevalk.html opened from disk makes the native map', async () => {
  const p = watch(await context.newPage());
  try {
    await p.goto(`file://${join(site, 'trevalk.html')}#48x40/4/2/3/seed=2024`);
    await waitForRun(p, 0);
    assert.deepEqual(await status(p), { text: 'Map ready', exit: '0' });
    const expected = native({ args: ['48', '40', '4', '2', '3', 'maze.dat'] }, '2024', shipped);
    assert.ok((await download(p, '#download-map')).bytes.equals(expected.map));
    assert.ok((await download(p, '#download-png')).bytes.equals(expected.png));
  } finally {
    await p.close();
  }
});

test('after one visit the page works offline', async () => {
  const offline = await browser.newContext();
  try {
    const p = await offline.newPage();
    await p.goto(`${base}#32x32/4/2/2/seed=3`);
    await waitForRun(p, 0);
    await p.evaluate(() => navigator.serviceWorker.ready);
    await offline.setOffline(true);
    await p.goto('about:blank');
    await p.goto(`${base}#40x32/4/2/2/seed=4`);
    await waitForRun(p, 0);
    assert.deepEqual(await status(p), { text: 'Map ready', exit: '0' });
  } finally {
    await offline.close();
  }
});

test('one link, one map: the address names its template, whatever this browser keeps', async () => {
  const visit = await browser.newContext();
  try {
    const p = watch(await visit.newPage());
    const made = async (address) => {
      await openAddress(p, base + address);
      return { ...(await status(p)), map: (await download(p, '#download-map')).bytes };
    };
    const words = { args: ['48', '40', '4', '2', '3', 'maze.dat'] };
    await openAddress(p, `${base}#48x40/4/2/3/seed=9`);
    // Another version of the page's database, without its store: made again, so the template is kept.
    await p.evaluate(
      () =>
        new Promise((resolve) => {
          indexedDB.deleteDatabase('trevalk').onsuccess = () => {
            const opening = indexedDB.open('trevalk', 7);
            opening.onupgradeneeded = () => opening.result.createObjectStore('other');
            opening.onsuccess = () => resolve(opening.result.close());
          };
        }),
    );
    await p.setInputFiles('#template', {
      name: 'mine.dat',
      mimeType: 'application/octet-stream',
      buffer: templates.own,
    });
    await p.waitForFunction(() => /kept in this browser/.test(document.getElementById('template-name').textContent));
    await waitForRun(p, 1);
    const id = `own:${createHash('sha256').update(templates.own).digest('hex').slice(0, 8)}`;
    assert.equal(new URL(p.url()).hash, `#48x40/4/2/3/seed=9/template=${id}`);
    await p.reload();
    await waitForRun(p, 0);
    assert.match(await p.textContent('#template-name'), /^Your own template, mine.dat .*kept in this browser/);

    // Without template= the shipped one makes the map; with it, the own one.
    const plain = await made('#48x40/4/2/3/seed=9');
    assert.ok(plain.map.equals(native(words, '9', shipped).map), 'the shipped template made it');
    assert.equal(await p.textContent('#share-note'), 'Made from the template that comes with trevalk.');
    assert.ok(await p.isVisible('#template-own'));
    const own = await made(`#48x40/4/2/3/seed=9/template=${id}`);
    assert.ok(own.map.equals(native(words, '9', templates.own).map), 'the own template made it');
    await openAddress(p, `${base}#48x40/4/2/3/seed=9/template=own:00000000`);
    assert.match((await status(p)).text, /^Not made: .*\(own:00000000\) that this browser does not hold/);
    assert.match(await p.textContent('#template-refusal'), /does not hold/);

    // One trevalk cannot read is named as chosen, set aside, and stays so.
    const runs = await runsOf(p);
    await p.setInputFiles('#template', {
      name: 'x.dat',
      mimeType: 'application/octet-stream',
      buffer: templates.nomask,
    });
    await waitForRun(p, runs);
    assert.equal((await status(p)).text, 'Not made: Invalid data file (x.dat): it has no "MASK" section.');
    for (const address of ['#48x40/4/2/3/seed=9', '#64x64/4/2/2/seed=1']) {
      await openAddress(p, base + address);
      assert.equal((await status(p)).text, 'Map ready', address);
      assert.match(await p.textContent('#template-refusal'), /^Your own template, x.dat, cannot be read: Invalid data/);
    }
  } finally {
    await visit.close();
  }
});

test('Back and Forward step through the maps; settings are kept, and Reset restores the defaults', async () => {
  await openAddress(page, `${base}#32x32/4/2/2/seed=1`);
  await fillAndMake(page, { xsize: '48', seed: '2' });
  for (const [step, xsize, address] of [
    ['goBack', '32', '#32x32/4/2/2/seed=1'],
    ['goForward', '48', '#48x32/4/2/2/seed=2'],
  ]) {
    const runs = await runsOf(page);
    await page[step]();
    await waitForRun(page, runs);
    assert.equal(await page.inputValue('#xsize'), xsize);
    assert.equal(new URL(page.url()).hash, address);
    assert.deepEqual(await status(page), { text: 'Map ready', exit: '0' });
  }
  // Typed at a person's pace, each key a remake: the entry is replaced, and
  // Back goes to the map asked for before.
  await page.fill('#xsize', '');
  await page.type('#xsize', '40', { delay: 450 });
  await page.waitForFunction(() => location.hash === '#40x32/4/2/2/seed=2' && document.body.dataset.state === 'idle');
  const runs = await runsOf(page);
  await page.goBack();
  await waitForRun(page, runs);
  assert.equal(new URL(page.url()).hash, '#32x32/4/2/2/seed=1');
  await page.goForward();
  await page.waitForFunction(() => document.getElementById('xsize').value === '40');

  await openAddress(page, base);
  assert.deepEqual(await Promise.all(['xsize', 'ysize', 'seed'].map((id) => page.inputValue(`#${id}`))), [
    '40',
    '32',
    '2',
  ]);
  const before = await runsOf(page);
  await page.click('#reset');
  await waitForRun(page, before);
  await openAddress(page, base);
  assert.deepEqual(await Promise.all(ARGUMENT_IDS.map((id) => page.inputValue(`#${id}`))), [
    '64',
    '64',
    '4',
    '2',
    '2',
    'maze.dat',
  ]);
});

// A map with hostile section names: markup, control bytes and a backslash.
const hostileMap = Buffer.concat([
  section('<b>x', Buffer.from('hi')),
  section('DIM ', Buffer.from([8, 0, 8, 0])),
  section('MTXM', Buffer.alloc(128, 0x60)),
  section('\x01\xff\\&', Buffer.from('zz')),
]);

async function openMap(p, name, buffer) {
  const runs = await runsOf(p);
  await p.setInputFiles('#open-map', { name, mimeType: 'application/octet-stream', buffer });
  await waitForRun(p, runs);
}

test('an opened map is drawn with the native image, its sections listed as text', async () => {
  await openMap(page, 'hostile <i>.dat', hostileMap);
  assert.deepEqual(await status(page), {
    text: 'Opened map.dat (opened from a file whose name cannot be saved as it is)',
    exit: '0',
  });
  const rows = await page.$$eval('#sections tbody tr', (trs) =>
    trs.map((tr) => [...tr.cells].map((td) => td.textContent)),
  );
  assert.deepEqual(rows, [
    ['"<b>x"', '2', ''],
    ['"DIM "', '4', '8 x 8 tiles'],
    ['"MTXM"', '128', ''],
    ['"\\x01\\xFF\\\\&"', '2', ''],
  ]);
  assert.equal(await page.$$eval('#result b, #result i', (found) => found.length), 0, 'no markup from the file');
  const png = await download(page, '#download-png');
  assert.equal(png.name, 'map.png');
  assert.ok(png.bytes.equals(nativePreview(hostileMap).png));

  const cut = hostileMap.subarray(0, hostileMap.length - 1);
  await openMap(page, 'cut.dat', cut);
  assert.deepEqual(await status(page), {
    text: 'This file is not a map: it ends inside its fourth section, after 1 of the 2 bytes it says it holds.',
    exit: '1',
  });
  assert.equal(await page.$$eval('#sections tbody tr', (trs) => trs.length), 3, 'only whole sections are listed');
});

test("editing: select, re-roll, undo, redo, and the link makes the command line's map", async () => {
  await openAddress(page, `${base}#64x64/4/2/2/seed=7/players=2`);
  await page.click('#select');
  const box = await page.locator('#preview').boundingBox();
  await page.mouse.move(box.x + box.width * 0.5, box.y + box.height * 0.3);
  await page.mouse.down();
  await page.mouse.move(box.x + box.width * 0.7, box.y + box.height * 0.6, { steps: 4 });
  await page.mouse.up();
  const rectangle = await Promise.all(['sel-x', 'sel-y', 'sel-w', 'sel-h'].map((id) => page.inputValue(`#${id}`)));
  assert.ok(rectangle.every((n) => /^[0-9]+$/.test(n)) && Number(rectangle[2]) > 1, `${rectangle}`);
  let runs = await runsOf(page);
  await page.click('#reroll');
  await waitForRun(page, runs);
  const edited = new URL(page.url()).hash;
  const [, seed] = /\/edits=r:[0-9,]+:([0-9]+)$/.exec(edited);
  assert.equal(edited, `#64x64/4/2/2/seed=7/players=2/edits=r:${rectangle.join(',')}:${seed}`);
  const c = {
    args: ['64', '64', '4', '2', '2', 'maze.dat'],
    options: ['--players=2', `--reroll=${rectangle.join(',')}:${seed}`],
  };
  const expected = native(c, '7', shipped);
  const shown = async (p) => ({
    map: (await download(p, '#download-map')).bytes,
    png: (await download(p, '#download-png')).bytes,
    report: (await download(p, '#download-report')).bytes,
  });
  const made = await shown(page);
  assert.ok(made.map.equals(expected.map) && made.png.equals(expected.png) && made.report.equals(expected.report));
  assert.equal(
    await page.textContent('#command'),
    `trevalk --seed=7 ${c.options.join(' ')} --report=maze.json 64 64 4 2 2 maze.dat`,
  );

  for (const [keys, hash, listed] of [
    ['Control+z', '#64x64/4/2/2/seed=7/players=2', 0],
    ['Control+Shift+z', edited, 1],
  ]) {
    runs = await runsOf(page);
    await page.keyboard.press(keys);
    await waitForRun(page, runs);
    assert.equal(new URL(page.url()).hash, hash, keys);
    assert.equal(await page.$$eval('#edits li', (items) => items.length), listed, keys);
  }
  const fresh = await browser.newContext();
  try {
    const p = await fresh.newPage();
    await openAddress(p, page.url());
    assert.ok((await shown(p)).map.equals(expected.map), 'the link makes the same map');
  } finally {
    await fresh.close();
  }
  await page.click('#select');
});

test('a symmetry chosen first sets the players to its order, and says so', async () => {
  await openAddress(page, `${base}#64x64/4/2/2/seed=1`);
  assert.deepEqual(await page.$$eval('#symmetry option:disabled', (options) => options.length), 0);
  const runs = await runsOf(page);
  await page.selectOption('#symmetry', 'four-way');
  await waitForRun(page, runs);
  assert.equal(await page.inputValue('#players'), '4');
  assert.match(await page.textContent('#players-note'), /^Set to 4: with four-way symmetry/);
  assert.deepEqual(await status(page), { text: 'Map ready', exit: '0' });
  assert.equal(new URL(page.url()).hash, '#64x64/4/2/2/seed=1/symmetry=four-way/players=4');
});

test('twenty clicks on Make 50 ms apart: only the newest run is heard from', async () => {
  await openAddress(page, `${base}#256x256/4/2/2/seed=1`);
  await page.evaluate(() => {
    window.statusSeen = [];
    new MutationObserver(() => window.statusSeen.push(document.getElementById('status').textContent)).observe(
      document.getElementById('status'),
      { childList: true, characterData: true, subtree: true },
    );
  });
  const runs = await runsOf(page);
  for (let click = 0; click < 20; click++) {
    await page.click('#make');
    await page.waitForTimeout(50);
  }
  await waitForRun(page, runs + 19);
  await page.waitForFunction(() => document.body.dataset.state === 'idle');
  const seen = await page.evaluate(() => window.statusSeen);
  assert.deepEqual(
    seen.filter((text) => /^(Not made|Stopped)/.test(text)),
    [],
  );
  assert.deepEqual(await status(page), { text: 'Map ready', exit: '0' });
});

test('at 1280 x 800 the actions stay in reach and the result in view after Make and Open', async () => {
  await page.setViewportSize({ width: 1280, height: 800 });
  try {
    await openAddress(page, `${base}#64x64/4/2/2/seed=1`);
    const inView = (id) =>
      page.$eval(`#${id}`, (element) => {
        const box = element.getBoundingClientRect();
        return box.top >= 0 && box.bottom <= window.innerHeight && box.height > 0;
      });
    for (const act of [
      () => page.click('#make'),
      () =>
        page.setInputFiles('#open-map', { name: 'h.dat', mimeType: 'application/octet-stream', buffer: hostileMap }),
    ]) {
      await page.evaluate(() => window.scrollTo(0, document.body.scrollHeight));
      assert.ok(await inView('make'), 'Make the map is in reach');
      const runs = await runsOf(page);
      await act();
      await waitForRun(page, runs);
      assert.ok((await inView('status')) && (await inView('preview')), 'the status and the map are in view');
    }
  } finally {
    await page.setViewportSize({ width: 1280, height: 720 });
  }
});

test('phones and assistive technology: no sideways scroll, axe-core silent', { timeout: 180_000 }, async () => {
  const states = {
    'a map': () => openAddress(page, `${base}#64x64/4/2/2/seed=1`),
    'a fair map for eight': () => openAddress(page, `${base}#64x64/4/2/2/seed=1/symmetry=rotate-90/players=8`),
    'an error': async () => {
      await fillAndMake(page, { xsize: '0' });
      await page.evaluate(() => {
        document.getElementById('details').open = true;
      });
    },
    'a map opened': () => openMap(page, 'hostile.dat', hostileMap),
  };
  for (const [width, height, colorScheme] of [
    [1280, 900, 'light'],
    [1280, 900, 'dark'],
    [390, 844, 'dark'],
    [360, 740, 'light'],
  ]) {
    await page.setViewportSize({ width, height });
    await page.emulateMedia({ colorScheme });
    for (const [state, reach] of Object.entries(states)) {
      await reach();
      const wide = await page.evaluate(() => document.documentElement.scrollWidth);
      assert.ok(wide <= width, `${state} at ${width} px: ${wide} px wide`);
      if (width === 360) continue;
      await page.evaluate(axeSource);
      const violations = await page.evaluate(async () =>
        (
          await window.axe.run(document, {
            runOnly: { type: 'tag', values: ['wcag2a', 'wcag2aa', 'wcag21a', 'wcag21aa', 'wcag22a', 'wcag22aa'] },
          })
        ).violations.map((v) => `${v.id}: ${v.nodes.map((n) => n.target.join(' ')).join(', ')}`),
      );
      assert.deepEqual(violations, [], `${state} at ${width} px, ${colorScheme}`);
    }
  }
  await page.emulateMedia({ colorScheme: 'light' });
  await page.setViewportSize({ width: 1280, height: 720 });
});

test('no console error in any run', () => {
  assert.deepEqual(consoleErrors, []);
});
