// The page's rules (web/rules.js) against the native trevalk's own answers,
// without a browser: how a number and a seed are read, when a map is too
// large for its sections, how a word is quoted for a shell (the command line
// the page shows must make the same map in a shell), and that an address
// gives back the values it was made from.
//
// TREVALK_NATIVE: the folder of the native programs (build-web/native/bin).
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import { copyFileSync, existsSync, mkdirSync, mkdtempSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { after, test } from 'node:test';
import { fileURLToPath } from 'node:url';

import {
  addressOf, clampSettings, commandLine, DEFAULTS, escapeBytes, fieldRefusals, fileNameRefusal,
  isSeedText, mapFits, mapSizeMessage, parseAddress, parseDecimal, pngNameOf, shellWord,
} from '../../web/rules.js';

const root = fileURLToPath(new URL('../../', import.meta.url));
const nativeBin = process.env.TREVALK_NATIVE || join(root, 'build-web/native/bin');
const template = readFileSync(join(root, 'data/ruvivare.dat'));
const work = mkdtempSync(join(tmpdir(), 'trevalk-rules-'));
after(() => rmSync(work, { recursive: true, force: true }));

const USAGE = 'USAGE: trevalk xsize ysize pathwidth(4-) waterwidth(2-) tileset(0-4) outfile\n';
let runs = 0;

// Runs trevalk in a fresh folder holding the template, directly or through
// /bin/sh; returns its status, output and the map it wrote.
function native(values, { shell = false } = {}) {
  const folder = join(work, String(runs++));
  mkdirSync(folder);
  writeFileSync(join(folder, 'ruvivare.dat'), template);
  const env = { ...process.env, PATH: `${nativeBin}:${process.env.PATH}` };
  delete env.QUENDREL_SEED;
  const run = shell
    ? spawnSync('/bin/sh', ['-c', commandLine(values)], { cwd: folder, env })
    : spawnSync(join(nativeBin, 'trevalk'), ['xsize', 'ysize', 'pathwidth', 'waterwidth', 'tileset', 'outfile'].map((k) => values[k]),
      { cwd: folder, env: { ...env, QUENDREL_SEED: values.seed } });
  const mapFile = join(folder, values.outfile);
  return {
    status: run.status,
    stdout: run.stdout.toString(),
    stderr: run.stderr.toString(),
    map: existsSync(mapFile) ? readFileSync(mapFile) : null,
  };
}

// The data of the last section of this name in a map.
function sectionData(map, name) {
  let found = null;
  for (let at = 0; at + 8 <= map.length; at += 8 + map.readUInt32LE(at + 4)) {
    if (map.toString('latin1', at, at + 4) === name) found = map.subarray(at + 8, at + 8 + map.readUInt32LE(at + 4));
  }
  return found;
}

const low16 = (value) => value & 0xffff;
const even = (value) => Math.trunc(value / 2) * 2;

// One table: arguments as typed, and a seed as QUENDREL_SEED holds it.
const rows = [
  { xsize: '8', ysize: '8', pathwidth: '4', waterwidth: '2', tileset: '2', outfile: 'maze.dat', seed: '1' },
  { xsize: ' \t\v\f\r\n12', ysize: '+9', pathwidth: '5x', waterwidth: '-3', tileset: '65537', outfile: 'a b.dat', seed: '0' },
  { xsize: '2147483647', ysize: '1', pathwidth: '4', waterwidth: '2', tileset: '-1', outfile: "it's.dat", seed: '4294967295' },
  { xsize: '2147483648', ysize: '8', pathwidth: '4', waterwidth: '2', tileset: '0', outfile: 'm.dat', seed: '7' },
  { xsize: '-2147483648', ysize: '3', pathwidth: '4', waterwidth: '2', tileset: '0', outfile: 'm.dat', seed: '7' },
  { xsize: '-2147483649', ysize: '3', pathwidth: '4', waterwidth: '2', tileset: '0', outfile: 'm.dat', seed: '7' },
  { xsize: '00000000000000000016', ysize: '16', pathwidth: '4', waterwidth: '2', tileset: '3', outfile: 'z.dat', seed: '00042' },
  { xsize: '16', ysize: '16', pathwidth: '', waterwidth: '2', tileset: '3', outfile: 'z.dat', seed: '5' },
  { xsize: '16', ysize: '16', pathwidth: '4', waterwidth: '- 2', tileset: '3', outfile: 'z.dat', seed: '5' },
  { xsize: '16', ysize: '16', pathwidth: '4', waterwidth: '2', tileset: '99999999999', outfile: 'z.dat', seed: '5' },
  { xsize: '16', ysize: '16', pathwidth: '4', waterwidth: '2', tileset: '1', outfile: 'q$`"\\!*.dat', seed: '4294967296' },
  { xsize: '16', ysize: '16', pathwidth: '4', waterwidth: '2', tileset: '1', outfile: 'карта =,:;&|.dat', seed: '-1' },
  { xsize: '16', ysize: '16', pathwidth: '4', waterwidth: '2', tileset: '1', outfile: 'm.dat', seed: ' 1' },
  { xsize: '16', ysize: '16', pathwidth: '4', waterwidth: '2', tileset: '1', outfile: 'm.dat', seed: 'abc' },
  { xsize: '40000', ysize: '40000', pathwidth: '4', waterwidth: '2', tileset: '1', outfile: 'm.dat', seed: '1' },
  { xsize: '65535', ysize: '16383', pathwidth: '4', waterwidth: '-2', tileset: '1', outfile: 'm.dat', seed: '1' },
  { xsize: '1', ysize: '65535', pathwidth: '4', waterwidth: '2', tileset: '1', outfile: 'tall.dat', seed: '9' },
];

test('numbers, seeds, sizes and the command line, as the native trevalk reads them', () => {
  for (const values of rows) {
    const label = JSON.stringify(values);
    const numbers = ['xsize', 'ysize', 'pathwidth', 'waterwidth', 'tileset'].map((k) => parseDecimal(values[k]));
    const run = native(values);
    if (numbers.includes(null)) {
      assert.deepEqual([run.status, run.stderr], [1, USAGE], label);
    } else {
      const [width, height, pathwidth, waterwidth, tileset] = numbers;
      if (!mapFits(low16(width), low16(height))) {
        assert.equal(run.stderr, `${mapSizeMessage(low16(width), low16(height))}\n`, label);
      } else if (run.status === 0) {
        assert.match(run.stdout, new RegExp(`^\\d+x\\d+ p${even(pathwidth)} w${even(waterwidth)}$`, 'm'), label);
        const dim = sectionData(run.map, 'DIM ');
        assert.deepEqual([dim.readUInt16LE(0), dim.readUInt16LE(2)], [low16(width), low16(height)], label);
        assert.equal(sectionData(run.map, 'ERA ').readUInt16LE(0), low16(tileset), label);
        const warned = run.stderr.includes(`Warning: QUENDREL_SEED="${values.seed}" is not a seed`);
        assert.equal(warned, !isSeedText(values.seed), label);
      } else {
        assert.match(run.stderr, /^The path width and the water width overlap too far/, label);
      }
    }
    // The command line the page shows, run by a shell, does the same.
    const shell = native(values, { shell: true });
    assert.equal(shell.status, run.status, label);
    assert.equal(shell.stderr, run.stderr, label);
    if (isSeedText(values.seed)) assert.deepEqual(shell.map, run.map, label);
    // And the address gives the values back.
    assert.deepEqual(parseAddress(addressOf(values)), { values }, label);
  }
});

test('shell words as trevalk --help quotes its own folder', () => {
  for (const name of ['plain', 'with space', "it's", 'a$b`c`', 'x=y,z:w', 'semi;colon&', 'back\\slash"q"', 'ünï', 'tab\there', 'new\nline', '*?[a]~', '-dash+plus_under.dot']) {
    const folder = join(work, String(runs++), name);
    mkdirSync(join(folder, 'bin'), { recursive: true });
    mkdirSync(join(folder, 'share/trevalk'), { recursive: true });
    copyFileSync(join(nativeBin, 'trevalk'), join(folder, 'bin/trevalk'));
    copyFileSync(join(root, 'data/ruvivare.dat'), join(folder, 'share/trevalk/ruvivare.dat'));
    const help = spawnSync(join(folder, 'bin/trevalk'), ['--help']).stdout.toString();
    const word = shellWord(join(folder, 'share/trevalk/ruvivare.dat'));
    assert.ok(help.includes(`\n  cp ${word} .\n`), `${JSON.stringify(name)}: ${help}`);
  }
});

// The page's own rules, from what the README says of them.
test('the page refuses what it cannot save or make, and reads only whole addresses', () => {
  const names = {
    'maze.dat': null, 'карта.dat': null, 'no extension': null, [`${'a'.repeat(196)}`]: null,
    [`${'a'.repeat(197)}`]: /too long/, 'CON': /device/, 'con.dat': /device/, 'COM1.txt': /device/, 'LPT¹': /device/,
    'maze.dat\u202egnp.exe': /invisible/, 'a\u200bb': /invisible/, 'a\u0007': /invisible/, 'a\ud800': /invisible/,
    'x.': /end/, 'x ': /end/, '.x': /start/, '': /Enter/, 'a/b': /cannot hold/, 'a:b': /cannot hold/,
  };
  for (const [name, refusal] of Object.entries(names)) {
    const why = fileNameRefusal(name);
    if (refusal === null) assert.equal(why, null, name);
    else assert.match(why ?? '', refusal, JSON.stringify(name));
  }
  assert.deepEqual([pngNameOf('maze.dat'), pngNameOf('a.b.c'), pngNameOf('x'), pngNameOf('x.png')], ['maze.png', 'a.b.png', 'x.png', 'x.png.png']);

  const refused = (changes) => Object.keys(fieldRefusals({ ...DEFAULTS, ...changes })).sort();
  assert.deepEqual(refused({}), []);
  assert.deepEqual(refused({ xsize: '0', ysize: '-3' }), ['xsize', 'ysize']);
  assert.deepEqual(refused({ xsize: '65536', ysize: 'x' }), ['xsize', 'ysize']);
  assert.deepEqual(refused({ xsize: '4096', ysize: '4096', pathwidth: '-7', waterwidth: '12abc' }), []);
  assert.deepEqual(refused({ xsize: '256', ysize: '65535' }), []);
  assert.deepEqual(refused({ xsize: '4097', ysize: '4096' }), ['ysize']);
  assert.deepEqual(refused({ pathwidth: '', waterwidth: '2147483648', tileset: 'two' }), ['pathwidth', 'tileset', 'waterwidth']);
  assert.deepEqual(refused({ seed: '4294967296', outfile: 'CON' }), ['outfile', 'seed']);
  assert.match(fieldRefusals({ ...DEFAULTS, xsize: '40000', ysize: '40000' }).ysize, /at most 419\..*too large for its sections/);

  const addresses = {
    '': { none: true },
    '#64x64/4/2/2/seed=5': { values: { ...DEFAULTS, seed: '5' } },
    '#32x16/seed=5': { values: { ...DEFAULTS, xsize: '32', ysize: '16', seed: '5' } },
    '#32X16/6/seed=5/out=a%20b.dat': { values: { ...DEFAULTS, xsize: '32', ysize: '16', pathwidth: '6', seed: '5', outfile: 'a b.dat' } },
    '#64x64/4/2/2': { error: /no seed/ }, '#64x64/4/2/2/seed=': { error: /no seed/ },
    '#64x64/4/2/2/seed=5/seed=6': { error: /twice/ }, '#64x64/%zz/2/2/seed=5': { error: /not written correctly/ },
    '#64x64/4/2/2/seed=5/colour=red': { error: /not a part/ }, '#64x64/4/2/2/9/seed=5': { error: /no place/ },
    '#64x64/seed=1/4': { error: /no place/ }, '#hello': { error: /size/ },
  };
  for (const [hash, expected] of Object.entries(addresses)) {
    const parsed = parseAddress(hash);
    if (expected.error) assert.match(parsed.error ?? '', expected.error, hash);
    else assert.deepEqual(parsed, expected, hash);
  }

  assert.deepEqual(clampSettings({ xsize: '99999', ysize: '0', pathwidth: 'x', waterwidth: '-6', tileset: 7, outfile: 'NUL', seed: '-1' }),
    { ...DEFAULTS, xsize: '65535', ysize: '1', waterwidth: '-6' });
  assert.deepEqual(clampSettings({ xsize: '4096', ysize: '9999', seed: '12' }), { ...DEFAULTS, xsize: '4096', ysize: '4096', seed: '12' });
  assert.deepEqual(clampSettings('nonsense'), DEFAULTS);
  assert.equal(escapeBytes(Buffer.from('<b>\\\x00\x7f\xe9 ', 'latin1')), '<b>\\\\\\x00\\x7F\\xE9 ');
});
