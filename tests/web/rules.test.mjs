// The page's own rules (web/rules.js), without a browser: what a file name
// must be, how the form becomes trevalk's words and a command line (run in a
// shell, it makes the page's map), what an address says, which settings are
// kept, and the refusals the page adds to trevalk's own. trevalk's rules come
// from its checker (web/checker.js), loaded here from the built site as the
// page loads it.
//
// TREVALK_NATIVE: the folder of the native programs (build-web/native/bin);
// TREVALK_SITE: the built page (build-web/site).
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import { createHash, randomBytes } from 'node:crypto';
import { copyFileSync, existsSync, mkdirSync, mkdtempSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { after, before, test } from 'node:test';
import { fileURLToPath } from 'node:url';

import { addressOf, parseAddress } from '../../web/address.js';
import { loadChecker } from '../../web/checker.js';
import { editList, editText, editWords } from '../../web/edits.js';
import {
  checkWords,
  clampSettings,
  commandLine,
  DEFAULTS,
  escapeBytes,
  FIELDS,
  fairest,
  fieldRefusals,
  fileNameRefusal,
  findRefusals,
  firstError,
  notAMap,
  playersSetNote,
  pngNameOf,
  PRESETS,
  runWords,
  searchers,
  seedsFrom,
  shellWord,
  templateFault,
} from '../../web/rules.js';
import { templateId } from '../../web/templateid.js';

const root = fileURLToPath(new URL('../../', import.meta.url));
const nativeBin = process.env.TREVALK_NATIVE || join(root, 'build-web/native/bin');
const site = process.env.TREVALK_SITE || join(root, 'build-web/site');
const template = readFileSync(join(root, 'data/ruvivare.dat'));
const work = mkdtempSync(join(tmpdir(), 'trevalk-rules-'));
after(() => rmSync(work, { recursive: true, force: true }));
const SYMMETRIES = ['none', 'left-right', 'top-bottom', 'rotate-180', 'four-way', 'rotate-90'];
let runs = 0;
let check;
before(async () => {
  check = await loadChecker(await WebAssembly.compile(readFileSync(join(site, 'trevalk-check.wasm'))));
});

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
  return { status: run.status, stderr: run.stderr.toString(), map: read(values.outfile), report: read(words.report) };
}

// The command line the page shows, run by a shell, makes what the page's
// own words make; the checker refuses exactly what trevalk refuses, in its
// words; and the address gives the values back.
test('the command line the page shows, the checker and the address', () => {
  const rows = [
    { seed: '1', outfile: 'a b.dat', waterwidth: '-3', tileset: '65537' },
    { seed: '0', outfile: "it's.dat", pathwidth: '5x' },
    { seed: '4294967295', outfile: 'q$`"\\!*.dat' },
    { seed: '00042', outfile: 'карта =,:;&|.dat', xsize: ' \t12', ysize: '+9' },
    { seed: '3', symmetry: 'four-way', players: '4', loops: '20', straight: '30', outfile: 'r 90.dat' },
    { seed: '3', xsize: '96', symmetry: 'rotate-180', players: '06', straight: '007' },
    { seed: '3', loops: '5', outfile: 'x.json' },
    { seed: '3', symmetry: 'left-right', players: '3' },
    { seed: '3', xsize: '46', ysize: '33', symmetry: 'left-right', players: '2' },
    { seed: '3', pathwidth: '1', waterwidth: '-1' },
    { seed: '3', players: '9', loops: '101' },
    // Edits, as the address writes them: taken, off the map, on no cell.
    { seed: '3', edits: 'r:4,4,10,12:9;k:0,0,16,16:4294967295', outfile: 'e d.dat' },
    { seed: '3', symmetry: 'four-way', players: '4', edits: 'r:20,0,20,4:1' },
    { seed: '3', edits: 'r:30,0,8,8:1' },
    { seed: '3', edits: 'k:4,0,2,1:7' },
  ].map((changes) => ({ ...DEFAULTS, xsize: '32', ysize: '32', ...changes }));
  for (const values of rows) {
    const label = JSON.stringify(values);
    const run = native(values);
    const shell = native(values, { shell: true });
    assert.deepEqual(
      [shell.status, shell.stderr, shell.map, shell.report],
      [run.status, run.stderr, run.map, run.report],
    );
    const found = check(runWords(values).args);
    assert.equal(found.refusals.length > 0, run.status !== 0, label);
    if (found.refusals.length > 0) assert.equal(found.refusals[0].message, run.stderr, label);
    assert.deepEqual(parseAddress(addressOf(values), SYMMETRIES), { values }, label);
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
  // Each field of the form, the template and the edits have their default
  // and their refusal beside them (the rectangle being selected is no value
  // of the map).
  const page = readFileSync(join(root, 'web/index.html'), 'utf8');
  const besides = [...page.matchAll(/id="([a-z]+)-refusal"/g)]
    .map((match) => match[1])
    .filter((name) => name !== 'selection');
  assert.deepEqual(
    [[...FIELDS, 'template', 'edits'].sort(), Object.keys(DEFAULTS).sort()],
    [besides.sort(), besides.sort()],
  );

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

  const refusalsOf = (values) => fieldRefusals(values, check(checkWords(values)));
  const refused = (changes) => Object.keys(refusalsOf({ ...DEFAULTS, ...changes })).sort();
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
    refusalsOf({ ...DEFAULTS, xsize: '40000', ysize: '40000' }).ysize,
    /at most 419\..*too large for its sections/,
  );
  assert.equal(
    refusalsOf({ ...DEFAULTS, xsize: '673', ysize: '24929' }).ysize,
    '673 x 24929 is 16,777,217 tiles; this page makes at most 16,777,216 (4096 x 4096, or that many in any shape), ' +
      'so with a width of 673 the height may be at most 24928. The command line makes it: trevalk 673 24929 4 2 2 maze.dat',
  );
  assert.deepEqual(refusalsOf({ ...DEFAULTS, xsize: '0', ysize: 'x', pathwidth: '', players: '9' }), {
    xsize: 'The width must be at least 1 tile.',
    ysize: 'Enter a whole number of tiles, 1 to 65535.',
    pathwidth: 'Enter a whole number from -2147483648 to 2147483647.',
    players: 'trevalk: --players=9: players are a whole number from 1 to 8',
  });
  assert.deepEqual(refusalsOf({ ...DEFAULTS, xsize: '65536', ysize: '-3' }), {
    xsize: 'The width is at most 65535 tiles.',
    ysize: 'The height must be at least 1 tile.',
  });

  // The command line and the address as the README shows them.
  assert.equal(commandLine({ ...DEFAULTS, seed: '123' }), 'QUENDREL_SEED=123 trevalk 64 64 4 2 2 maze.dat');
  assert.equal(
    commandLine({ ...DEFAULTS, seed: '7', symmetry: 'four-way', players: '4' }),
    'trevalk --seed=7 --symmetry=four-way --players=4 --report=maze.json 64 64 4 2 2 maze.dat',
  );
  assert.equal(
    commandLine({ ...DEFAULTS, seed: '3', edits: 'r:4,4,10,12:9;k:0,0,16,16:4294967295' }),
    'trevalk --seed=3 --reroll=4,4,10,12:9 --keep=0,0,16,16:4294967295 64 64 4 2 2 maze.dat',
  );
  assert.equal(addressOf({ ...DEFAULTS, seed: '123' }), '#64x64/4/2/2/seed=123');
  assert.equal(
    addressOf({ ...DEFAULTS, seed: '1', template: 'own:0123abcd' }),
    '#64x64/4/2/2/seed=1/template=own:0123abcd',
  );

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
    // A template of the player's own is named by the first 8 hex digits of its SHA-256.
    '#64x64/seed=5/template=own:0123abcd': { values: { ...DEFAULTS, seed: '5', template: 'own:0123abcd' } },
    '#64x64/seed=5/template=own%3A0123abcd': { values: { ...DEFAULTS, seed: '5', template: 'own:0123abcd' } },
    '#64x64/seed=5/template=shipped': { error: /not a template/ },
    '#64x64/seed=5/edits=r:1,2,3,4:5;k:0,0,9,9:1': {
      values: { ...DEFAULTS, seed: '5', edits: 'r:1,2,3,4:5;k:0,0,9,9:1' },
    },
    '#64x64/seed=5/edits=x:1,2,3,4:5': { error: /edits are not written/ },
    '#64x64/seed=5/edits=r:1,2,3:5': { error: /edits are not written/ },
    '#64x64/seed=5/template=own:0123abc': { error: /not a template/ },
    // One pasted without its '#'.
    '64x64/seed=5/out=a#b.dat': { values: { ...DEFAULTS, seed: '5', outfile: 'a#b.dat' } },
  };
  for (const [hash, expected] of Object.entries(addresses)) {
    const parsed = parseAddress(hash, SYMMETRIES);
    if (expected.error) assert.match(parsed.error ?? '', expected.error, hash);
    else assert.deepEqual(parsed, expected, hash);
  }

  // Settings that do not name a template leave it to the page (null).
  const UNSAID = { ...DEFAULTS, template: null };
  assert.deepEqual(
    clampSettings(
      {
        xsize: '99999',
        ysize: '0',
        pathwidth: 'x',
        waterwidth: '-6',
        tileset: 7,
        outfile: 'NUL',
        seed: '-1',
      },
      check,
    ),
    { ...UNSAID, xsize: '65535', ysize: '1', waterwidth: '-6' },
  );
  assert.deepEqual(
    clampSettings(
      { xsize: '4096', ysize: '9999', seed: '12', pathwidth: '6', tileset: '3', outfile: 'my map.dat' },
      check,
    ),
    { ...UNSAID, xsize: '4096', ysize: '4096', seed: '12', pathwidth: '6', tileset: '3', outfile: 'my map.dat' },
  );
  assert.deepEqual(clampSettings({ pathwidth: '6'.padEnd(1000), waterwidth: '6'.padEnd(1001) }, check), {
    ...UNSAID,
    pathwidth: '6',
  });
  for (const stored of ['nonsense', null, undefined]) assert.deepEqual(clampSettings(stored, check), UNSAID);
  assert.deepEqual(clampSettings({ symmetry: 'four-way', players: '6', loops: '101', straight: '007' }, check), {
    ...UNSAID,
    players: '6',
    straight: '7',
  });
  assert.deepEqual(clampSettings({ symmetry: 'left-right', players: '6' }, check), {
    ...UNSAID,
    symmetry: 'left-right',
    players: '6',
  });
  for (const [template, kept] of [
    ['own:0123abcd', 'own:0123abcd'],
    ['', ''],
    ['own:0123ABCD', null],
    [7, null],
  ]) {
    assert.equal(clampSettings({ template }, check).template, kept, template);
  }
  // The name of a template is its SHA-256's, across the lengths where the padding changes.
  for (const length of [0, 55, 56, 63, 64, 65, 100_000]) {
    const bytes = randomBytes(length);
    const sha = createHash('sha256').update(bytes).digest('hex');
    assert.equal(templateId(new Uint8Array(bytes)), `own:${sha.slice(0, 8)}`, `${length} bytes`);
  }
  assert.equal(escapeBytes(Buffer.from('<b>\\\x00\x7f\xe9 ', 'latin1')), '<b>\\\\\\x00\\x7F\\xE9 ');
});

// What the README says of the presets, the search and the page's words.
test('the presets, the search for a fair map, the edits and what the page says of runs and files', () => {
  // A small duel map (a half turn, two players), islands (water wider than
  // the paths), a map for four (both mirrors, four players, a few loops) and
  // a huge one: each a whole map that trevalk takes.
  const { duel, islands, four, huge } = PRESETS;
  assert.deepEqual([duel.symmetry, duel.players, four.symmetry, four.players], ['rotate-180', '2', 'four-way', '4']);
  assert.ok(Number(four.loops) > 0 && Number(islands.waterwidth) > Number(islands.pathwidth));
  assert.deepEqual([huge.xsize, huge.ysize, islands.symmetry, huge.players], ['4096', '4096', 'none', '1']);
  for (const [name, preset] of Object.entries(PRESETS)) {
    const given = FIELDS.filter((field) => !['outfile', 'seed', 'tries'].includes(field));
    assert.deepEqual(Object.keys(preset).sort(), given.sort(), name);
    assert.deepEqual(check(checkWords({ ...DEFAULTS, seed: '1', ...preset })).refusals, [], name);
  }

  // Find a fair map: trevalk's --tries, starts to measure, seeds that wrap,
  // at most four workers, the fairest first and the first tried among equals.
  assert.deepEqual(findRefusals({ ...DEFAULTS, tries: '0' }, check), {
    tries: 'trevalk: --tries=0: the tries are a whole number from 1 to 4096',
    players: 'Finding a fair map needs 2 players or more, or a symmetry.',
  });
  assert.deepEqual(findRefusals({ ...DEFAULTS, players: '2' }, check), {});
  assert.deepEqual(findRefusals({ ...DEFAULTS, symmetry: 'left-right' }, check), {});
  assert.deepEqual(seedsFrom('4294967294', 3), ['4294967294', '4294967295', '0']);
  assert.deepEqual(
    [searchers(undefined, 32), searchers(8, 32), searchers(2, 32), searchers(8, 3), searchers(4, 0)],
    [1, 4, 2, 3, 1],
  );
  const measured = ['0.5', null, '0.9', '0.9', '0.95'].map((fairness, k) => ({
    seed: String(k),
    report: fairness === null ? null : { fairness: Number(fairness) },
  }));
  assert.deepEqual(
    fairest(measured, 3).map(({ seed }) => seed),
    ['4', '2', '3'],
  );
  const symmetryOf = (name) => check(['64', '64', '4', '2', '2', 'm.dat']).symmetries.find((s) => s.name === name);
  assert.equal(
    playersSetNote(symmetryOf('rotate-180')),
    'Set to 2: with rotate-180 symmetry the starts come in whole orbits of 2 (2, 4, 6 or 8 players).',
  );

  // Edits as the address writes them, and in a player's words.
  const text = 'r:1,2,3,4:5;k:0,0,9,9:4294967295';
  assert.deepEqual(editList(text), [
    { keep: false, x: '1', y: '2', w: '3', h: '4', seed: '5' },
    { keep: true, x: '0', y: '0', w: '9', h: '9', seed: '4294967295' },
  ]);
  assert.equal(editText(editList(text)), text);
  assert.deepEqual(editList(''), []);
  for (const bad of ['r:1,2,3,4:5;', 'r:1,2,3,4', 'x:1,2,3,4:5', 'r:1,2,3,4:12345678901'])
    assert.equal(editList(bad), null, bad);
  assert.deepEqual(editList(text).map(editWords), [
    'Re-roll 3 x 4 tiles at 1, 2 (seed 5)',
    'Keep 9 x 9 tiles at 0, 0 (seed 4294967295)',
  ]);
  for (const [edits, kept] of [
    [text, text],
    ['r:1,2', ''],
    [7, ''],
    [`${'r:1,2,3,4:5;'.repeat(1700)}r:1,2,3,4:5`, ''],
  ]) {
    assert.equal(clampSettings({ edits }, check).edits, kept);
  }

  // A file that ends inside a section, and what the programs said.
  const sections = (count) => Array.from({ length: count }, () => ({}));
  assert.equal(notAMap({ sections: sections(2), cut: null }), null);
  assert.equal(
    notAMap({ sections: sections(0), cut: { held: 1234, length: 70000 } }),
    'This file is not a map: it ends inside its first section, after 1,234 of the 70,000 bytes it says it holds.',
  );
  assert.match(notAMap({ sections: sections(6), cut: { held: 0, length: 2 } }), /its 7th section/);
  const said = (text, failure = null) => ({ stderr: { head: new TextEncoder().encode(text) }, failure });
  const missing = 'fread: unexpected end of file\nInvalid data file (ruvivare.dat): it has no "MASK" section.\n';
  assert.equal(firstError(said(`Warning: odd seed\n\n${missing}`)), 'fread: unexpected end of file');
  assert.equal(firstError(said('', 'the worker stopped')), 'the worker stopped');
  assert.equal(firstError(said('')), 'the program ended without saying why');
  assert.equal(firstError(said('x'.repeat(400))).length, 300);
  assert.equal(templateFault(said(missing), 'x.dat'), 'Invalid data file (x.dat): it has no "MASK" section.');
  assert.equal(templateFault(said('trevalk: --loops=x: no\n'), 'x.dat'), null);
});
