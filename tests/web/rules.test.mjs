// The page's rules (web/rules.js) against the native trevalk's own answers,
// without a browser: how a number and a seed are read, when a map is too
// large for its sections, which options and fair maps it refuses and in
// which words, how a word is quoted for a shell (the command line the page
// shows must make the same map and report in a shell), and that an address
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
  addressOf,
  clampSettings,
  commandLine,
  DEFAULTS,
  escapeBytes,
  FAIR_FIELDS,
  fairSizeRefusal,
  FIELDS,
  fieldRefusals,
  fileNameRefusal,
  isSeedText,
  largestHeight,
  largestWidth,
  mapFits,
  mapLengths,
  mapSizeMessage,
  optionRefusals,
  parseAddress,
  parseDecimal,
  pngNameOf,
  runWords,
  shellWord,
  SYMMETRIES,
  symmetryChoices,
} from '../../web/rules.js';

const root = fileURLToPath(new URL('../../', import.meta.url));
const nativeBin = process.env.TREVALK_NATIVE || join(root, 'build-web/native/bin');
const template = readFileSync(join(root, 'data/ruvivare.dat'));
const work = mkdtempSync(join(tmpdir(), 'trevalk-rules-'));
after(() => rmSync(work, { recursive: true, force: true }));

const USAGE = 'USAGE: trevalk xsize ysize pathwidth(4-) waterwidth(2-) tileset(0-4) outfile\n';
let runs = 0;

// Runs trevalk in a fresh folder holding the template, with the arguments
// and environment the page gives it, directly or through /bin/sh as the
// command line the page shows; returns its status, output, and the map and
// report it wrote.
function native(values, { shell = false } = {}) {
  const folder = join(work, String(runs++));
  mkdirSync(folder);
  writeFileSync(join(folder, 'ruvivare.dat'), template);
  const env = { ...process.env, PATH: `${nativeBin}:${process.env.PATH}` };
  delete env.QUENDREL_SEED;
  const words = runWords(values);
  const run = shell
    ? spawnSync('/bin/sh', ['-c', commandLine(values)], { cwd: folder, env })
    : spawnSync(join(nativeBin, 'trevalk'), words.args, { cwd: folder, env: { ...env, ...words.env } });
  const read = (name) => (name !== null && existsSync(join(folder, name)) ? readFileSync(join(folder, name)) : null);
  return {
    status: run.status,
    stdout: run.stdout.toString(),
    stderr: run.stderr.toString(),
    map: read(values.outfile),
    report: read(words.report),
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
  {
    xsize: ' \t\v\f\r\n12',
    ysize: '+9',
    pathwidth: '5x',
    waterwidth: '-3',
    tileset: '65537',
    outfile: 'a b.dat',
    seed: '0',
  },
  {
    xsize: '2147483647',
    ysize: '1',
    pathwidth: '4',
    waterwidth: '2',
    tileset: '-1',
    outfile: "it's.dat",
    seed: '4294967295',
  },
  { xsize: '2147483648', ysize: '8', pathwidth: '4', waterwidth: '2', tileset: '0', outfile: 'm.dat', seed: '7' },
  { xsize: '-2147483648', ysize: '3', pathwidth: '4', waterwidth: '2', tileset: '0', outfile: 'm.dat', seed: '7' },
  { xsize: '-2147483649', ysize: '3', pathwidth: '4', waterwidth: '2', tileset: '0', outfile: 'm.dat', seed: '7' },
  {
    xsize: '00000000000000000016',
    ysize: '16',
    pathwidth: '4',
    waterwidth: '2',
    tileset: '3',
    outfile: 'z.dat',
    seed: '00042',
  },
  { xsize: '16', ysize: '16', pathwidth: '', waterwidth: '2', tileset: '3', outfile: 'z.dat', seed: '5' },
  { xsize: '16', ysize: '16', pathwidth: '4', waterwidth: '- 2', tileset: '3', outfile: 'z.dat', seed: '5' },
  { xsize: '16', ysize: '16', pathwidth: '4', waterwidth: '2', tileset: '99999999999', outfile: 'z.dat', seed: '5' },
  {
    xsize: '16',
    ysize: '16',
    pathwidth: '4',
    waterwidth: '2',
    tileset: '1',
    outfile: 'q$`"\\!*.dat',
    seed: '4294967296',
  },
  { xsize: '16', ysize: '16', pathwidth: '4', waterwidth: '2', tileset: '1', outfile: 'карта =,:;&|.dat', seed: '-1' },
  { xsize: '16', ysize: '16', pathwidth: '4', waterwidth: '2', tileset: '1', outfile: 'm.dat', seed: ' 1' },
  { xsize: '16', ysize: '16', pathwidth: '4', waterwidth: '2', tileset: '1', outfile: 'm.dat', seed: 'abc' },
  { xsize: '16', ysize: '16', pathwidth: '4', waterwidth: '2', tileset: '1', outfile: 'm.dat', seed: '1 ' },
  { xsize: '40000', ysize: '40000', pathwidth: '4', waterwidth: '2', tileset: '1', outfile: 'm.dat', seed: '1' },
  { xsize: '65535', ysize: '16383', pathwidth: '4', waterwidth: '-2', tileset: '1', outfile: 'm.dat', seed: '1' },
  // "ISOM" of 32766 x 32767 is 2^32 bytes, one more than its length holds;
  // 32766 x 32766 fits (and is refused later, for its widths).
  { xsize: '32766', ysize: '32767', pathwidth: '4', waterwidth: '-2', tileset: '1', outfile: 'm.dat', seed: '1' },
  { xsize: '32766', ysize: '32766', pathwidth: '4', waterwidth: '-2', tileset: '1', outfile: 'm.dat', seed: '1' },
  { xsize: '1', ysize: '65535', pathwidth: '4', waterwidth: '2', tileset: '1', outfile: 'tall.dat', seed: '9' },
].map((values) => ({ ...DEFAULTS, ...values }));

// The fair-map options as the page passes them: maps it makes, and maps and
// options trevalk refuses.
const fair = (changes) => ({ ...DEFAULTS, seed: '3', ...changes });
rows.push(
  fair({ symmetry: 'four-way', players: '4', loops: '20', straight: '30' }),
  fair({
    xsize: '96',
    ysize: '64',
    pathwidth: '7',
    waterwidth: '3',
    symmetry: 'rotate-180',
    players: '06',
    straight: '100',
  }),
  fair({ xsize: '32', ysize: '32', symmetry: 'rotate-90', players: '8', loops: '100', outfile: 'r 90.dat' }),
  fair({ xsize: '65600', ysize: '64', symmetry: 'left-right', players: '2', outfile: 'x.json' }),
  fair({ xsize: '33', ysize: '47', loops: '50', straight: '007' }),
  fair({ xsize: '40', ysize: '34', players: '3', seed: '0' }),
  fair({ xsize: '31', ysize: '30', players: '3' }),
  fair({ xsize: '64', ysize: '48', symmetry: 'rotate-90', players: '4' }),
  fair({ xsize: '30', ysize: '99', symmetry: 'rotate-90', players: '4' }),
  fair({ xsize: '65535', ysize: '40', symmetry: 'top-bottom', players: '2' }),
  fair({ pathwidth: '4', waterwidth: '5', symmetry: 'top-bottom', players: '2' }),
  fair({ pathwidth: '-4', waterwidth: '-6', players: '2' }),
  fair({ pathwidth: '3', waterwidth: '-2', symmetry: 'rotate-180', players: '2' }),
  fair({ symmetry: 'four-way', players: '2' }),
  fair({ symmetry: 'left-right', players: '1' }),
  fair({ symmetry: 'diagonal', players: '2' }),
  fair({ loops: '101', players: '9' }),
  fair({ symmetry: 'left-right', players: '9' }),
  fair({ straight: '-5' }),
  fair({ players: '' }),
  fair({ players: '0' }),
  fair({ loops: '+5' }),
  fair({ seed: 'abc', loops: '5' }),
  fair({ xsize: 'x', loops: '5', players: '2' }),
  fair({ xsize: '32', ysize: '40', pathwidth: '34', waterwidth: '32', players: '2' }),
  fair({ xsize: '40', ysize: '32', pathwidth: '34', waterwidth: '32', players: '2' }),
  fair({ xsize: '46', ysize: '33', symmetry: 'left-right', players: '2' }),
  fair({ xsize: '45', ysize: '34', symmetry: 'rotate-180', players: '2' }),
  fair({ xsize: '30', ysize: '64', players: '2' }),
  fair({ xsize: '64', ysize: '30', symmetry: 'top-bottom', players: '2' }),
  fair({ xsize: '33', ysize: '40', symmetry: 'rotate-90', players: '4' }),
  fair({ waterwidth: '1', symmetry: 'rotate-180', players: '2' }),
  fair({ xsize: '32767', ysize: '32766', symmetry: 'left-right', players: '2' }),
);

test('numbers, seeds, options, sizes and the command line, as the native trevalk reads them', () => {
  for (const values of rows) {
    const label = JSON.stringify(values);
    const numbers = ['xsize', 'ysize', 'pathwidth', 'waterwidth', 'tileset'].map((k) => parseDecimal(values[k]));
    const words = runWords(values);
    const run = native(values);
    const refusedOption = optionRefusals(values)[0];
    const fairRefused = fairSizeRefusal(values);
    if (refusedOption) {
      assert.deepEqual([run.status, run.stderr, run.map], [1, `${refusedOption.line}\n`, null], label);
      assert.ok(fieldRefusals(values)[refusedOption.field], label);
      // The page shows one refusal beside each field.
      const fields = optionRefusals(values).map(({ field }) => field);
      assert.deepEqual(fields, [...new Set(fields)], label);
    } else if (numbers.includes(null)) {
      assert.deepEqual([run.status, run.stderr, fairRefused], [1, USAGE, null], label);
    } else {
      const [width, height, pathwidth, waterwidth, tileset] = numbers;
      if (!mapFits(low16(width), low16(height))) {
        assert.deepEqual([run.stderr, fairRefused], [`${mapSizeMessage(low16(width), low16(height))}\n`, null], label);
      } else if (fairRefused) {
        assert.deepEqual(
          [run.status, run.stderr, run.map, run.report],
          [1, `${fairRefused.message}\n`, null, null],
          label,
        );
        assert.equal(fieldRefusals(values)[fairRefused.field], fairRefused.message, label);
        if (values.symmetry !== 'none') assert.notEqual(symmetryChoices(values)[values.symmetry], null, label);
      } else if (run.status === 0) {
        assert.match(run.stdout, new RegExp(`^\\d+x\\d+ p${even(pathwidth)} w${even(waterwidth)}$`, 'm'), label);
        const dim = sectionData(run.map, 'DIM ');
        assert.deepEqual([dim.readUInt16LE(0), dim.readUInt16LE(2)], [low16(width), low16(height)], label);
        const lengths = mapLengths(low16(width), low16(height));
        assert.deepEqual(
          ['MASK', 'ISOM', 'TILE', 'MTXM'].map((name) => sectionData(run.map, name).length),
          [lengths.mask, lengths.isom, lengths.tile, lengths.tile],
          label,
        );
        assert.ok(largestHeight(low16(width)) >= low16(height) && largestWidth(low16(height)) >= low16(width), label);
        assert.equal(sectionData(run.map, 'ERA ').readUInt16LE(0), low16(tileset), label);
        const warned = run.stderr.includes(`Warning: QUENDREL_SEED="${values.seed}" is not a seed`);
        assert.equal(warned, words.env.QUENDREL_SEED !== undefined && !isSeedText(values.seed), label);
        // A report, and the starts printed, exactly when the page asks for starts.
        assert.equal(run.report !== null, words.report !== null, label);
        assert.equal(/^Fairness /m.test(run.stdout), words.report !== null, label);
        if (run.report !== null) {
          const report = JSON.parse(run.report);
          assert.deepEqual(
            [report.seed, report.symmetry, report.players, report.loops, report.straight],
            [
              Number(values.seed),
              values.symmetry,
              Number(values.players),
              Number(values.loops),
              Number(values.straight),
            ],
            label,
          );
          assert.equal(symmetryChoices(values)[values.symmetry], null, label);
        }
        const refused = fieldRefusals(values);
        assert.deepEqual(
          FAIR_FIELDS.filter((field) => refused[field]),
          [],
          label,
        );
      } else {
        assert.match(run.stderr, /^The path width and the water width (overlap too far|add up to 0)/, label);
      }
    }
    // The command line the page shows, run by a shell, does the same.
    const shell = native(values, { shell: true });
    assert.equal(shell.status, run.status, label);
    assert.equal(shell.stderr, run.stderr, label);
    if (isSeedText(values.seed)) assert.deepEqual([shell.map, shell.report], [run.map, run.report], label);
    // And the address gives the values back.
    const address = parseAddress(addressOf(values));
    if (SYMMETRIES.includes(values.symmetry)) assert.deepEqual(address, { values }, label);
    else assert.match(address.error, /not a symmetry/, label);
  }
});

// The symmetries the page offers are those trevalk makes for the size,
// widths and players.
test('the symmetries offered, as the native trevalk makes them', () => {
  const sizes = [
    ['64', '64', '4', '2'],
    ['64', '48', '6', '2'],
    ['33', '64', '4', '2'],
    ['64', '64', '4', '4'],
    ['32', '32', '7', '3'],
  ];
  for (const [xsize, ysize, pathwidth, waterwidth] of sizes) {
    for (const players of ['2', '4']) {
      const values = { ...DEFAULTS, xsize, ysize, pathwidth, waterwidth, players, seed: '1' };
      const choices = symmetryChoices(values);
      for (const symmetry of SYMMETRIES.slice(1)) {
        const run = native({ ...values, symmetry });
        assert.equal(
          choices[symmetry] === null,
          run.status === 0,
          `${JSON.stringify({ ...values, symmetry })}: ${run.stderr}`,
        );
      }
    }
  }
});

test('shell words as trevalk --help quotes its own folder', () => {
  for (const name of [
    'plain',
    'with space',
    "it's",
    'a$b`c`',
    'x=y,z:w',
    'semi;colon&',
    'back\\slash"q"',
    'ünï',
    'tab\there',
    'new\nline',
    '*?[a]~',
    '-dash+plus_under.dot',
  ]) {
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
  // Each field of the form has its default and its refusal beside it.
  const page = readFileSync(join(root, 'web/index.html'), 'utf8');
  const besides = [...page.matchAll(/id="([a-z]+)-refusal"/g)].map((match) => match[1]);
  assert.deepEqual([[...FIELDS].sort(), Object.keys(DEFAULTS).sort()], [besides.sort(), besides.sort()]);

  const names = {
    'maze.dat': null,
    'карта.dat': null,
    'no extension': null,
    [`${'a'.repeat(196)}`]: null,
    [`${'a'.repeat(197)}`]: /too long: .* the image's name included/,
    CON: /^CON is the name of a device/,
    'con.dat': /^con is the name of a device/,
    'COM1.txt': /device/,
    'LPT¹': /device/,
    'nul .txt': /device/,
    'falcon.dat': null,
    'console.dat': null,
    'maze.dat\u202egnp.exe': /invisible/,
    'a\u200bb': /invisible/,
    'a\u0007': /invisible/,
    'a\ud800': /invisible/,
    'x.': /end/,
    'x ': /end/,
    '.x': /start/,
    '': /Enter/,
    'a/b': /cannot hold/,
    'a:b': /cannot hold/,
  };
  for (const [name, refusal] of Object.entries(names)) {
    const why = fileNameRefusal(name);
    if (refusal === null) assert.equal(why, null, name);
    else assert.match(why ?? '', refusal, JSON.stringify(name));
  }
  assert.deepEqual(
    [pngNameOf('maze.dat'), pngNameOf('a.b.c'), pngNameOf('x'), pngNameOf('x.png')],
    ['maze.png', 'a.b.png', 'x.png', 'x.png.png'],
  );
  // A fair map's report is saved beside it, and its name counts too.
  assert.match(
    fileNameRefusal('a'.repeat(196), { report: true }) ?? '',
    /too long: .* the image's and the report's names/,
  );
  assert.equal(fileNameRefusal('a'.repeat(195), { report: true }), null);

  const refused = (changes) => Object.keys(fieldRefusals({ ...DEFAULTS, ...changes })).sort();
  assert.deepEqual(refused({}), []);
  assert.deepEqual(refused({ xsize: '0', ysize: '-3' }), ['xsize', 'ysize']);
  assert.deepEqual(refused({ xsize: '65536', ysize: 'x' }), ['xsize', 'ysize']);
  assert.deepEqual(refused({ xsize: '1', ysize: '1' }), []);
  // At most 16,777,216 tiles, in any shape; one tile more is refused.
  assert.deepEqual(refused({ xsize: '4096', ysize: '4096', pathwidth: '-7', waterwidth: '12abc' }), []);
  assert.deepEqual(refused({ xsize: '256', ysize: '65535' }), []);
  assert.deepEqual(refused({ xsize: '512', ysize: '32768' }), []);
  assert.deepEqual(refused({ xsize: '4097', ysize: '4096' }), ['ysize']);
  assert.deepEqual(refused({ xsize: '4096', ysize: '4097' }), ['ysize']);
  assert.deepEqual(refused({ xsize: '673', ysize: '24929' }), ['ysize']);
  assert.deepEqual(refused({ pathwidth: '', waterwidth: '2147483648', tileset: 'two' }), [
    'pathwidth',
    'tileset',
    'waterwidth',
  ]);
  assert.deepEqual(refused({ seed: '4294967296', outfile: 'CON' }), ['outfile', 'seed']);
  // An empty seed is drawn before a run, plain or fair.
  assert.deepEqual(refused({ players: '2', loops: '5' }), []);
  // A refusal is shown beside the field it is about: each option trevalk
  // refuses, the players against a known symmetry only, and a size that
  // cannot be fair beside the symmetry or the players that ask for it.
  assert.deepEqual(refused({ symmetry: 'diagonal', players: '3' }), ['symmetry']);
  assert.deepEqual(refused({ symmetry: 'four-way', players: '2', loops: '101' }), ['loops', 'players']);
  assert.deepEqual(refused({ xsize: '46', ysize: '33', symmetry: 'left-right', players: '2' }), ['symmetry']);
  assert.deepEqual(refused({ xsize: '30', players: '2' }), ['players']);
  assert.deepEqual(refused({ outfile: 'a'.repeat(196), players: '2' }), ['outfile']);
  assert.match(
    fieldRefusals({ ...DEFAULTS, xsize: '40000', ysize: '40000' }).ysize,
    /at most 419\..*too large for its sections/,
  );
  assert.equal(
    fieldRefusals({ ...DEFAULTS, xsize: '673', ysize: '24929' }).ysize,
    '673 x 24929 is 16,777,217 tiles; this page makes at most 16,777,216 (4096 x 4096, or that many in any shape), ' +
      'so with a width of 673 the height may be at most 24928. The command line makes it: trevalk 673 24929 4 2 2 maze.dat',
  );
  assert.deepEqual(fieldRefusals({ ...DEFAULTS, xsize: '0', ysize: 'x', pathwidth: '', players: '9' }), {
    xsize: 'The width must be at least 1 tile.',
    ysize: 'Enter a whole number of tiles, 1 to 65535.',
    pathwidth: 'Enter a whole number from -2147483648 to 2147483647.',
    players: 'Players are a whole number from 1 to 8.',
  });
  assert.deepEqual(fieldRefusals({ ...DEFAULTS, xsize: '65536', ysize: '-3' }), {
    xsize: 'The width is at most 65535 tiles.',
    ysize: 'The height must be at least 1 tile.',
  });

  // The symmetries offered, and why the others are not (the first of the
  // size, the widths and the players that does not fit).
  const square = 'needs a square map';
  const even = 'needs an even width and height of at least 32 tiles';
  const widths = 'needs a path wider than the water, and water at least 2 tiles wide';
  const [two, four] = ['needs 2, 4, 6 or 8 players', 'needs 4 or 8 players'];
  const choices = [
    [{ xsize: '64', ysize: '48', players: '2' }, [null, null, null, null, four, square]],
    [
      { xsize: '33', ysize: '64', players: '3' },
      [null, even, even, even, even, `${square}, of an even side of at least 32 tiles`],
    ],
    [{ waterwidth: '4', players: '2' }, [null, widths, widths, widths, widths, widths]],
    [{ xsize: 'x', players: '3' }, [null, two, two, two, four, four]],
  ];
  for (const [changes, whys] of choices) {
    const expected = Object.fromEntries(SYMMETRIES.map((name, i) => [name, whys[i]]));
    assert.deepEqual(symmetryChoices({ ...DEFAULTS, ...changes }), expected, JSON.stringify(changes));
  }

  // The command line and the address as the README shows them.
  assert.equal(commandLine({ ...DEFAULTS, seed: '123' }), 'QUENDREL_SEED=123 trevalk 64 64 4 2 2 maze.dat');
  assert.equal(
    commandLine({ ...DEFAULTS, seed: '7', symmetry: 'four-way', players: '4' }),
    'trevalk --seed=7 --symmetry=four-way --players=4 --report=maze.json 64 64 4 2 2 maze.dat',
  );
  assert.equal(addressOf({ ...DEFAULTS, seed: '123' }), '#64x64/4/2/2/seed=123');

  const addresses = {
    '': { none: true },
    '#64x64/4/2/2/seed=5': { values: { ...DEFAULTS, seed: '5' } },
    '#32x16/seed=5': { values: { ...DEFAULTS, xsize: '32', ysize: '16', seed: '5' } },
    '#32X16/6/seed=5/out=a%20b.dat': {
      values: { ...DEFAULTS, xsize: '32', ysize: '16', pathwidth: '6', seed: '5', outfile: 'a b.dat' },
    },
    '#64x64/4/2/2': { error: /no seed/ },
    '#64x64/4/2/2/seed=': { error: /no seed/ },
    '#64x64/4/2/2/seed=5/seed=6': { error: /twice/ },
    '#64x64/%zz/2/2/seed=5': { error: /not written correctly/ },
    '#64x64/4/2/2/seed=5/colour=red': { error: /not a part/ },
    '#64x64/4/2/2/9/seed=5': { error: /no place/ },
    '#64x64/seed=1/4': { error: /no place/ },
    '#hello': { error: /size/ },
    '#64x64/seed=5/players=4/symmetry=rotate-90/straight=9': {
      values: { ...DEFAULTS, seed: '5', symmetry: 'rotate-90', players: '4', straight: '9' },
    },
    '#64x64/seed=5/symmetry=diagonal': { error: /not a symmetry/ },
    [`#64x64/seed=5/symmetry=${'a'.repeat(50)}`]: { error: /^"a{40}" is not a symmetry/ },
    '#64x64x64/seed=5': { error: /size/ },
    // A part of the form key=value is read by its key, never by its place.
    '#64x64/players=6/seed=5': { values: { ...DEFAULTS, players: '6', seed: '5' } },
    '#64x64/=4/2/2/seed=5': { error: /not a part/ },
    '#64x64/4=2/2/2/seed=5': { error: /not a part/ },
    // One pasted without its '#'.
    '64x64/seed=5/out=a#b.dat': { values: { ...DEFAULTS, seed: '5', outfile: 'a#b.dat' } },
  };
  for (const [hash, expected] of Object.entries(addresses)) {
    const parsed = parseAddress(hash);
    if (expected.error) assert.match(parsed.error ?? '', expected.error, hash);
    else assert.deepEqual(parsed, expected, hash);
  }

  assert.deepEqual(
    clampSettings({
      xsize: '99999',
      ysize: '0',
      pathwidth: 'x',
      waterwidth: '-6',
      tileset: 7,
      outfile: 'NUL',
      seed: '-1',
    }),
    { ...DEFAULTS, xsize: '65535', ysize: '1', waterwidth: '-6' },
  );
  assert.deepEqual(
    clampSettings({ xsize: '4096', ysize: '9999', seed: '12', pathwidth: '6', tileset: '3', outfile: 'my map.dat' }),
    { ...DEFAULTS, xsize: '4096', ysize: '4096', seed: '12', pathwidth: '6', tileset: '3', outfile: 'my map.dat' },
  );
  assert.deepEqual(clampSettings({ pathwidth: '6'.padEnd(1000), waterwidth: '6'.padEnd(1001) }), {
    ...DEFAULTS,
    pathwidth: '6',
  });
  for (const stored of ['nonsense', null, undefined]) assert.deepEqual(clampSettings(stored), DEFAULTS);
  assert.deepEqual(clampSettings({ symmetry: 'four-way', players: '6', loops: '101', straight: '007' }), {
    ...DEFAULTS,
    players: '6',
    straight: '7',
  });
  assert.deepEqual(clampSettings({ symmetry: 'left-right', players: '6' }), {
    ...DEFAULTS,
    symmetry: 'left-right',
    players: '6',
  });
  assert.equal(escapeBytes(Buffer.from('<b>\\\x00\x7f\xe9 ', 'latin1')), '<b>\\\\\\x00\\x7F\\xE9 ');
});
