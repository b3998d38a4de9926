// The web page in Debian's Chromium: every map and image it offers for
// download must be the native trevalk's and trevalk-preview's, byte for
// byte, for the arguments, seed and template it shows.
//
// TREVALK_SITE: the built page (build-web/site); TREVALK_NATIVE: the folder of
// the native programs (build-web/native/bin); CHROMIUM: the browser.
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import { existsSync, mkdtempSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { after, before, test } from 'node:test';
import { fileURLToPath } from 'node:url';

import { chromium } from 'playwright-core';

import { serveSite } from '../../scripts/serve-site.mjs';

const root = fileURLToPath(new URL('../../', import.meta.url));
const site = process.env.TREVALK_SITE || join(root, 'build-web/site');
const nativeBin = process.env.TREVALK_NATIVE || join(root, 'build-web/native/bin');
const LOG_LIMIT = 64 * 1024;

// ---- templates: the shipped one, one of our own, one without "MASK"

const shipped = readFileSync(join(root, 'data/ruvivare.dat'));

function sections(bytes) {
  const list = [];
  for (let at = 0; at + 8 <= bytes.length; ) {
    const length = bytes.readUInt32LE(at + 4);
    list.push(bytes.subarray(at, at + 8 + length));
    at += 8 + length;
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
// makes two such maps, which must differ; address opens the page there.

const cases = [
  { name: '64 x 64, the shipped template', args: ['64', '64', '4', '2', '2', 'maze.dat'], seed: '1' },
  { name: 'odd sizes', args: ['33', '47', '4', '2', '0', 'odd.dat'], seed: '4294967295' },
  { name: 'even, water wider than paths', args: ['256', '128', '4', '6', '1', 'w.dat'], seed: '7' },
  { name: 'a negative water width', args: ['64', '64', '4', '-2', '2', 'neg.dat'], seed: '12' },
  { name: 'own template', args: ['40', '40', '4', '2', '3', 'own.dat'], seed: '99', template: 'own' },
  { name: 'own template, odd', args: ['51', '29', '6', '2', '4', 'o.dat'], seed: '5', template: 'own' },
  { name: 'output cut to 64 KiB', args: ['1200', '1200', '2', '2', '0', 'big.dat'], seed: '3' },
  { name: 'template without MASK', args: ['64', '64', '4', '2', '2', 'maze.dat'], seed: '5', template: 'nomask', status: 1 },
  { name: 'too large for the page', args: ['5000', '5000', '4', '2', '2', 'maze.dat'], seed: '1', refused: /4096 x 4096/ },
  { name: 'too large for any map: trevalk says so', args: ['40000', '40000', '4', '2', '2', 'maze.dat'], seed: '1', status: 1 },
  { name: 'an address with a seed', address: '#48x40/4/2/3/seed=2024/out=shared.dat', args: ['48', '40', '4', '2', '3', 'shared.dat'], seed: '2024' },
  { name: 'no seed: two maps, each made again from its shown seed', args: ['64', '64', '4', '2', '2', 'maze.dat'], seed: '', runs: 2 },
];

// ---- the native programs

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

function native(args, seed, template) {
  const folder = mkdtempSync(join(tmpdir(), 'trevalk-web-'));
  try {
    writeFileSync(join(folder, 'ruvivare.dat'), template);
    const env = { ...process.env, QUENDREL_SEED: seed };
    const run = spawnSync(join(nativeBin, 'trevalk'), args, { cwd: folder, env });
    const mapFile = join(folder, args[5]);
    const map = run.status === 0 && existsSync(mapFile) ? readFileSync(mapFile) : null;
    let png = null;
    if (map) {
      const preview = spawnSync(join(nativeBin, 'trevalk-preview'), [args[5], 'map.png'], { cwd: folder });
      assert.equal(preview.status, 0, preview.stderr.toString());
      png = readFileSync(join(folder, 'map.png'));
    }
    return { status: run.status, stdout: run.stdout, stderr: run.stderr, map, png };
  } finally {
    rmSync(folder, { recursive: true, force: true });
  }
}

// ---- the browser

let server;
let browser;
let page;
let base;
const consoleErrors = [];

async function waitForRun(page, runsBefore) {
  await page.waitForFunction(
    (n) => document.body.dataset.state === 'idle' && Number(document.body.dataset.runs) > n,
    runsBefore,
    { timeout: 60_000 },
  );
}

const runsOf = (page) => page.evaluate(() => Number(document.body.dataset.runs));

// Chromium now and then drops a download clicked within moments of an
// earlier one; a person clicks a moment later anyway, so the link is clicked
// again after a pause.
async function download(page, link) {
  for (let attempt = 1; ; attempt++) {
    try {
      const [file] = await Promise.all([page.waitForEvent('download', { timeout: 5_000 }), page.click(link)]);
      return { name: file.suggestedFilename(), bytes: readFileSync(await file.path()) };
    } catch (error) {
      if (attempt === 3) throw error;
    }
  }
}

// Makes the case's map on the page; returns what the page shows and offers.
async function makeOnPage(c) {
  if (c.address) {
    // Opened afresh, as a copied address is.
    await page.goto('about:blank');
    await page.goto(base + c.address);
    await waitForRun(page, 0);
  } else {
    if (c.template && c.template !== 'shipped') {
      await page.setInputFiles('#template', { name: 'mine.dat', mimeType: 'application/octet-stream', buffer: templates[c.template] });
    } else {
      await page.evaluate(() => { document.getElementById('template').value = ''; });
    }
    const names = ['xsize', 'ysize', 'pathwidth', 'waterwidth', 'tileset', 'outfile'];
    await page.evaluate(({ names, args, seed }) => {
      names.forEach((name, i) => { document.getElementById(name).value = args[i]; });
      document.getElementById('seed').value = seed;
    }, { names, args: c.args, seed: c.seed });
    const runs = await runsOf(page);
    await page.click('#make');
    await waitForRun(page, runs);
  }
  const text = (selector) => page.textContent(selector);
  const shown = {
    status: await text('#status'),
    log: await text('#log'),
    logNote: await page.isVisible('#log-note'),
    errors: await text('#errors'),
    seed: await page.inputValue('#seed'),
    args: await Promise.all(['xsize', 'ysize', 'pathwidth', 'waterwidth', 'tileset', 'outfile'].map((id) => page.inputValue(`#${id}`))),
    address: new URL(page.url()).hash,
    offersMap: await page.isVisible('#download-map'),
    offersPng: await page.isVisible('#download-png'),
  };
  if (shown.offersMap) shown.map = await download(page, '#download-map');
  if (shown.offersPng) shown.png = await download(page, '#download-png');
  return shown;
}

before(async () => {
  server = await serveSite(site);
  base = `http://127.0.0.1:${server.address().port}/`;
  browser = await chromium.launch({
    executablePath: process.env.CHROMIUM || '/usr/bin/chromium',
    args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
      '--disable-background-networking', '--disable-component-update', '--disable-sync'],
  });
  page = await browser.newPage({ acceptDownloads: true });
  page.on('console', (message) => { if (message.type() === 'error') consoleErrors.push(message.text()); });
  page.on('pageerror', (error) => consoleErrors.push(error.message));
  await page.goto(base);
  await waitForRun(page, 0);
});

after(async () => {
  await browser?.close();
  server?.close();
});

test('the page loads and makes a map with no console error', async () => {
  assert.equal(await page.textContent('#status'), 'exit 0');
  assert.ok(await page.isVisible('#preview'));
  assert.deepEqual(consoleErrors, []);
});

for (const c of cases) {
  test(c.name, { timeout: 180_000 }, async () => {
    const seen = [];
    for (let run = 0; run < (c.runs || 1); run++) {
      const shown = await makeOnPage(c);
      assert.deepEqual(shown.args, c.args);
      if (c.refused) {
        assert.equal(shown.status, 'not made');
        assert.match(shown.errors, c.refused);
        assert.ok(!shown.offersMap && !shown.offersPng);
        return;
      }
      if (c.seed !== '') assert.equal(shown.seed, c.seed);
      assert.match(shown.seed, /^[0-9]+$/);
      const expected = native(c.args, shown.seed, templates[c.template || 'shipped']);
      const status = c.status ?? 0;
      assert.equal(expected.status, status, expected.stderr.toString());
      assert.equal(shown.status, `exit ${status}`);
      assert.equal(shown.errors, expected.stderr.toString());
      const expectedLog = new TextDecoder().decode(expected.stdout.subarray(0, LOG_LIMIT));
      assert.equal(nameAddresses(shown.log), nameAddresses(expectedLog));
      assert.equal(shown.logNote, expected.stdout.length > LOG_LIMIT);
      if (status !== 0) {
        assert.ok(!shown.offersMap && !shown.offersPng, 'a failed run offers no download');
        continue;
      }
      assert.equal(shown.map.name, c.args[5]);
      assert.ok(shown.map.bytes.equals(expected.map), 'the map is the native one');
      assert.ok(shown.png.bytes.equals(expected.png), 'the image is the native preview');
      assert.match(shown.address, new RegExp(`/seed=${shown.seed}(/|$)`));
      seen.push(shown);
    }
    if (seen.length === 2) {
      assert.notEqual(seen[0].seed, seen[1].seed);
      assert.ok(!seen[0].map.bytes.equals(seen[1].map.bytes));
    }
  });
}

test('no console error in any run', () => {
  assert.deepEqual(consoleErrors, []);
});
