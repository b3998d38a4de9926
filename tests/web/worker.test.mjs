// The page worker's modules (web/worker/), in Node: files as lists of parts,
// the programs run through them (the built page's trevalk and
// trevalk-preview, against the native programs), what they print, the PNG
// decoder, the zoom levels, the sections of a map, and the one protocol.
//
// TREVALK_SITE: the built page (build-web/site); TREVALK_NATIVE: the folder
// of the native programs (build-web/native/bin).
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import { mkdtempSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { before, test } from 'node:test';
import { fileURLToPath } from 'node:url';
import vm from 'node:vm';
import { deflateSync } from 'node:zlib';

import { MESSAGES, receive, send } from '../../web/protocol.js';
import { halveTiles, viewFromTiles } from '../../web/worker/levels.js';
import { Output } from '../../web/worker/output.js';
import { memfsOperations } from '../../web/worker/partfiles.js';
import { PartList } from '../../web/worker/partlist.js';
import { decodePng } from '../../web/worker/png.js';
import { makeMap, openMap } from '../../web/worker/runs.js';
import { listSections, tilesOfMap } from '../../web/worker/sections.js';

const root = fileURLToPath(new URL('../../', import.meta.url));
const site = process.env.TREVALK_SITE || join(root, 'build-web/site');
const nativeBin = process.env.TREVALK_NATIVE || join(root, 'build-web/native/bin');
const template = readFileSync(join(root, 'data/ruvivare.dat'));
let modules;

before(async () => {
  // The programs' scripts, as the worker's importScripts loads them.
  Object.assign(globalThis, { importScripts: () => {}, self: globalThis, location: { href: 'http://localhost/' } });
  for (const name of ['trevalk.js', 'trevalk-preview.js']) vm.runInThisContext(readFileSync(join(site, name), 'utf8'));
  const compile = (name) => WebAssembly.compile(readFileSync(join(site, name)));
  modules = { trevalk: await compile('trevalk.wasm'), preview: await compile('trevalk-preview.wasm') };
});

const section = (name, data) => {
  const head = Buffer.alloc(8);
  head.write(name, 0, 'latin1');
  head.writeUInt32LE(data.length, 4);
  return Buffer.concat([head, data]);
};

test('a file of parts reads back what was written, and shares a repeated large write', () => {
  const block = new Uint8Array(100_000).map((_, i) => i % 251);
  const parts = new PartList();
  const written = [];
  for (const [from, length] of [
    [0, 10],
    [5, 70_000],
    [5, 70_000],
    [3, 3],
    [0, 100_000],
  ]) {
    parts.append(block, from, length);
    written.push(...block.subarray(from, from + length));
  }
  const all = Uint8Array.from(written);
  assert.equal(parts.size, all.length);
  assert.deepEqual(parts.bytes(), all);
  assert.equal(parts.parts[1], parts.parts[2], 'the same bytes from the same place are one part');
  const some = new Uint8Array(80_000);
  assert.equal(parts.read(69_990, some, 0, some.length), some.length);
  assert.deepEqual(some, all.subarray(69_990, 149_990));
  assert.deepEqual(parts.range(70_010, 70_000), all.subarray(70_010, 140_010));
  assert.equal(parts.read(all.length - 5, some, 0, 100), 5, 'a read past the end takes what is there');
});

test('trevalk and the preview run through files of parts make the native map and image', async () => {
  const folder = mkdtempSync(join(tmpdir(), 'trevalk-worker-'));
  try {
    const args = ['--seed=9', '--symmetry=left-right', '--report=m.json', '40', '40', '4', '2', '2', 'm.dat'];
    const fractions = [];
    const made = await makeMap(
      modules,
      { args, env: {}, outfile: 'm.dat', report: 'm.json', pngName: 'm.png', template },
      { learned: null, onFraction: (f) => fractions.push(f), onTiles: () => false },
    );
    writeFileSync(join(folder, 'ruvivare.dat'), template);
    const run = spawnSync(join(nativeBin, 'trevalk'), args, { cwd: folder });
    assert.equal(made.status, run.status);
    assert.equal(Buffer.from(made.stderr.head).toString(), run.stderr.toString());
    const map = Buffer.from(await made.map.arrayBuffer());
    assert.ok(map.equals(readFileSync(join(folder, 'm.dat'))), 'the native map');
    assert.equal(made.report.text, readFileSync(join(folder, 'm.json'), 'utf8'));
    spawnSync(join(nativeBin, 'trevalk-preview'), ['--starts=m.json', 'm.dat', 'm.png'], { cwd: folder });
    const png = Buffer.from(await made.preview.png.arrayBuffer());
    assert.ok(png.equals(readFileSync(join(folder, 'm.png'))), 'the native image');
    // What the programs tell of themselves, as numbers: the image is at
    // least 512 pixels wide, and the starts' colours are those its palette
    // ends with (before the edges' black).
    assert.equal(made.preview.scale, Math.ceil(512 / 40));
    const palette = png.subarray(
      png.indexOf('PLTE') + 4,
      png.indexOf('PLTE') + 4 + png.readUInt32BE(png.indexOf('PLTE') - 4),
    );
    assert.deepEqual(made.preview.players, [[...palette.subarray(-27, -24)], [...palette.subarray(-24, -21)]]);
    // The maze's rows, the sections written and the image's bands, in order.
    assert.ok(fractions.some((f) => f > 0 && f < 0.4) && fractions.some((f) => f > 0.5 && f < 1));
    assert.deepEqual(
      fractions,
      [...fractions].sort((a, b) => a - b),
    );
    // "TILE" and "MTXM" are written from one block, kept once.
    const tiles = made.sections.sections.filter(({ name }) => ['TILE', 'MTXM'].includes(String.fromCharCode(...name)));
    assert.equal(tiles.length, 2);

    // A file that ends inside "MTXM" lists the sections before it.
    const at = made.sections.sections.findIndex(({ name }) => String.fromCharCode(...name) === 'MTXM');
    const opened = await openMap(
      modules,
      { file: new Blob([map.subarray(0, made.sections.sections[at].start + 10)]), name: 'cut.dat', pngName: 'cut.png' },
      { onFraction: () => {} },
    );
    assert.deepEqual(opened.sections.cut.name, made.sections.sections[at].name);
    assert.equal(opened.sections.sections.length, at);
  } finally {
    rmSync(folder, { recursive: true, force: true });
  }
  // A runtime whose in-memory files no longer have the operations wrapped is
  // refused by name, not run with files half of parts.
  const FS = { filesystems: { MEMFS: { ops_table: { file: { stream: { write() {}, read() {} }, node: {} } } } } };
  assert.throws(() => memfsOperations(FS), /no MEMFS file mmap/);
});

test('output beyond 64 KiB is counted, not kept', () => {
  const output = new Output();
  output.write(new Uint8Array(60_000).fill(65));
  output.text('é');
  output.write(new Uint8Array(10_000).fill(66));
  const { head, total } = output.result();
  assert.equal(total, 60_000 + 3 + 10_000);
  assert.equal(head.length, 64 * 1024);
  assert.deepEqual([...head.subarray(60_000, 60_004)], [0xc3, 0xa9, 10, 66]);
});

// A 3 x 5 palette image with one row of each PNG filter, made here.
function filteredPng(pixels, width, filters) {
  const raw = [];
  filters.forEach((filter, y) => {
    const row = pixels.slice(y * width, (y + 1) * width);
    const above = y > 0 ? pixels.slice((y - 1) * width, y * width) : new Array(width).fill(0);
    const left = (x) => (x > 0 ? row[x - 1] : 0);
    const paeth = (a, b, c) => {
      const p = a + b - c;
      const [pa, pb, pc] = [Math.abs(p - a), Math.abs(p - b), Math.abs(p - c)];
      return pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
    };
    const predict = [
      () => 0,
      (x) => left(x),
      (x) => above[x],
      (x) => (left(x) + above[x]) >> 1,
      (x) => paeth(left(x), above[x], x > 0 ? above[x - 1] : 0),
    ][filter];
    raw.push(filter, ...row.map((v, x) => (v - predict(x)) & 0xff));
  });
  const chunk = (type, body) => {
    const head = Buffer.alloc(8);
    head.writeUInt32BE(body.length, 0);
    head.write(type, 4, 'latin1');
    return Buffer.concat([head, body, Buffer.alloc(4)]);
  };
  const header = Buffer.alloc(13);
  header.writeUInt32BE(width, 0);
  header.writeUInt32BE(filters.length, 4);
  header.set([8, 3, 0, 0, 0], 8);
  const palette = Buffer.from(Array.from({ length: 3 * 256 }, (_, i) => i % 256));
  return Buffer.concat([
    Buffer.from([137, 80, 78, 71, 13, 10, 26, 10]),
    chunk('IHDR', header),
    chunk('PLTE', palette),
    chunk('IDAT', deflateSync(Buffer.from(raw))),
    chunk('IEND', Buffer.alloc(0)),
  ]);
}

test('PNG images decode through every filter, and other kinds are refused', async () => {
  const pixels = [9, 200, 7, 13, 1, 250, 255, 0, 128, 3, 3, 4, 100, 60, 90];
  const image = await decodePng(filteredPng(pixels, 3, [0, 1, 2, 3, 4]));
  assert.deepEqual([image.width, image.height, [...image.pixels]], [3, 5, pixels]);
  const rgb = filteredPng(pixels, 3, [0, 1, 2, 3, 4]);
  rgb[8 + 8 + 9] = 2; // colour type 2: RGB
  assert.equal(await decodePng(rgb), null);
});

test('each zoom level averages two by two texels, and the levels go down to one', () => {
  // Colours 0x000000, 0x040404 and 0x0c0c0c: a 3 x 3 map.
  const colours = new Int32Array(256);
  colours[1] = 0x040404;
  colours[2] = 0x0c0c0c;
  const tiles = Uint8Array.from([0, 1, 2, 1, 1, 2, 2, 2, 0]);
  const first = halveTiles(tiles, 3, 3, colours);
  assert.deepEqual([first.width, first.height], [2, 2]);
  // (0 + 4 + 4 + 4) / 4 = 3; the last column and row taken twice:
  // (12 + 12 + 12 + 12) / 4 = 12, (12 + 12 + 12 + 12) / 4 = 12, 0.
  assert.deepEqual([...first.texels], [0x030303, 0x0c0c0c, 0x0c0c0c, 0]);
  const view = viewFromTiles(tiles, 3, 3, colours);
  assert.deepEqual(
    view.levels.map(({ width, height }) => [width, height]),
    [
      [2, 2],
      [1, 1],
    ],
  );
});

test('a map\'s sections: whole ones listed, the size of "DIM ", the tiles of "MTXM"', () => {
  const dim = Buffer.from([2, 0, 2, 0]);
  const mtxm = Buffer.from([0x60, 0, 0x21, 0, 0x70, 0, 0x31, 0]);
  const whole = Buffer.concat([section('DIM ', dim), section('MTXM', mtxm), Buffer.from([1, 2, 3])]);
  const listing = listSections(new PartList([whole]));
  assert.deepEqual(
    listing.sections.map(({ name, length, size }) => [String.fromCharCode(...name), length, size]),
    [
      ['DIM ', 4, [2, 2]],
      ['MTXM', 8, undefined],
    ],
  );
  assert.deepEqual([listing.trailing, listing.cut], [3, null]);
  const table = new Uint8Array(65536);
  table[0x60] = 5;
  table[0x21] = 6;
  const learned = { table, colours: new Int32Array(256) };
  assert.deepEqual([...tilesOfMap(new PartList([whole]), listing, learned, 4).tiles], [5, 6, 0, 0]);
  assert.equal(tilesOfMap(new PartList([whole]), listing, learned, 3), null, 'more tiles than drawn');
  // A header whose length runs past the end is no section.
  const cut = listSections(new PartList([Buffer.concat([section('DIM ', dim), Buffer.from('notamap!')])]));
  assert.deepEqual([cut.sections.length, String.fromCharCode(...cut.cut.name), cut.trailing], [1, 'nota', 0]);
});

test('messages follow the one declared protocol', () => {
  const sent = [];
  const target = { postMessage: (data, transfer) => sent.push([data, transfer]) };
  send(target, 'progress', { id: 3, fraction: 0.5 });
  assert.deepEqual(sent, [[{ type: 'progress', id: 3, fraction: 0.5 }, []]]);
  assert.throws(() => send(target, 'progres', { id: 3 }), /No message "progres"/);
  assert.throws(() => send(target, 'progress', { id: 3 }), /lacks its field "fraction"/);
  assert.throws(() => send(target, 'progress', { id: 3, fraction: 1, extra: 1 }), /no field "extra"/);
  assert.equal(receive({ type: 'failed', id: 1, message: 'x' }, { failed: ({ message }) => message }), 'x');
  assert.throws(() => receive({ type: 'made' }, { failed: () => {} }), /unexpected message: made/);
  assert.throws(() => receive({ type: 'toString' }, { toString: () => {} }), /unexpected/);
  assert.ok(Object.values(MESSAGES).every((fields) => fields.length === new Set(fields).size));
});
