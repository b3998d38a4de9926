// The page's own rules, in one place and without the page: its form's
// fields and defaults, its limits, how the form becomes trevalk's words and
// a command line, what a file name must be and which settings it keeps
// (addresses: address.js; edits: edits.js). Every rule of trevalk itself (how it reads a number,
// which maps it refuses and in which words, which symmetries fit) comes from
// trevalk's own checker (checker.js): the functions that need it take its
// findings, or the checker itself as `check`. Every function here is pure.

import { editList } from './edits.js';

// The six arguments in trevalk's order, the seed, and the fair-map options.
const ARGUMENTS = ['xsize', 'ysize', 'pathwidth', 'waterwidth', 'tileset', 'outfile'];
export const FAIR_FIELDS = ['symmetry', 'players', 'loops', 'straight'];
// The seeds "Find a fair map" tries: a setting of the page, not of a map.
export const FIELDS = [...ARGUMENTS, 'seed', ...FAIR_FIELDS, 'tries'];

export const DEFAULTS = Object.freeze({
  xsize: '64',
  ysize: '64',
  pathwidth: '4',
  waterwidth: '2',
  tileset: '2',
  outfile: 'maze.dat',
  seed: '',
  symmetry: 'none',
  players: '1',
  loops: '0',
  straight: '0',
  tries: '32',
  template: '',
  edits: '',
});

// The largest map this page makes, in tiles, in any shape: a 4096 x 4096 map
// is about 150 MB, which a browser tab holds a few times over.
export const MOST_TILES = 4096 * 4096;
// The page takes sides as the map stores them, rather than their low 16 bits.
const MOST_SIDE = 65535;
// Browsers cancel downloads with long names (Chromium from 245 bytes on).
const MOST_NAME_BYTES = 200;

export const formatCount = (n) => n.toLocaleString('en-US');

// ---- the presets

// The fair-map fields at their defaults, for the presets that are plain maps.
const PLAIN = Object.fromEntries(FAIR_FIELDS.map((name) => [name, DEFAULTS[name]]));
const size = (xsize, ysize, pathwidth, waterwidth) => ({ xsize, ysize, pathwidth, waterwidth, tileset: '2' });
export const PRESETS = {
  duel: { ...size('64', '64', '4', '2'), symmetry: 'rotate-180', players: '2', loops: '0', straight: '0' },
  four: { ...size('256', '256', '6', '2'), symmetry: 'four-way', players: '4', loops: '20', straight: '0' },
  islands: { ...size('128', '128', '4', '6'), ...PLAIN },
  huge: { ...size('4096', '4096', '4', '2'), ...PLAIN },
};

// ---- the form as trevalk's words

// Whether the values ask for starts, and so for the report: a symmetry, or
// more than one player. (trevalk places starts for --players or --report
// alone too; a page run with one player and no symmetry passes neither, so
// that loops and straight corridors fit any map as they do there.)
function startsAsked(values) {
  return values.symmetry !== DEFAULTS.symmetry || values.players !== DEFAULTS.players;
}

// The file a map's image is saved as, and its report: the extension
// becomes ".png" or ".json" (added when the name has none, or has that one:
// the name is then unchanged by the replacement).
function nameWithExtension(name, extension) {
  const replaced = name.replace(/\.[^.]*$/, extension);
  return replaced === name ? `${name}${extension}` : replaced;
}
export const pngNameOf = (name) => nameWithExtension(name, '.png');
const reportNameOf = (name) => nameWithExtension(name, '.json');

// The options a page run passes, as [name, value] in trevalk's order, and
// the seed's place. A run whose fair-map fields all hold their defaults is
// the plain run: no option, the seed in QUENDREL_SEED, as before there were
// options. Any other passes its seed as --seed, each field that is not at
// its default (--players always with a symmetry, whose players must then
// fit it), and --report when it asks for starts.
function runOptions(values) {
  const atDefault = (name) => values[name] === DEFAULTS[name];
  const edits = editList(values.edits ?? '') ?? [];
  if (FAIR_FIELDS.every(atDefault) && edits.length === 0) {
    return { options: [], seedVariable: values.seed !== '', report: null };
  }
  const options = values.seed === '' ? [] : [['seed', values.seed]];
  for (const name of FAIR_FIELDS) {
    if (!atDefault(name) || (name === 'players' && startsAsked(values))) options.push([name, values[name]]);
  }
  for (const { keep, x, y, w, h, seed } of edits)
    options.push([keep ? 'keep' : 'reroll', `${x},${y},${w},${h}:${seed}`]);
  const report = startsAsked(values) ? reportNameOf(values.outfile) : null;
  if (report !== null) options.push(['report', report]);
  return { options, seedVariable: false, report };
}

// trevalk's arguments and environment for a page run.
export function runWords(values) {
  const run = runOptions(values);
  return {
    args: [...run.options.map(([name, value]) => `--${name}=${value}`), ...ARGUMENTS.map((name) => values[name])],
    env: run.seedVariable ? { QUENDREL_SEED: values.seed } : {},
    report: run.report,
  };
}

// The words the page has trevalk's checker check: the run's own, with the
// seed as --seed when the run passes it in QUENDREL_SEED, so that the
// checker says whether it is one.
export function checkWords(values) {
  const words = runWords(values);
  return words.env.QUENDREL_SEED === undefined ? words.args : [`--seed=${values.seed}`, ...words.args];
}

// A word as a POSIX shell takes it: as it is when it holds nothing a shell
// would read as syntax, otherwise in single quotes (a quote inside ends the
// quoted part, is escaped, and quoting resumes).
export function shellWord(text) {
  if (/^[A-Za-z0-9/._+-]+$/.test(text)) return text;
  return `'${text.replace(/'/g, `'\\''`)}'`;
}

// The command line that makes the page's map: the options (see runOptions)
// before the six arguments, or the seed in QUENDREL_SEED for a plain run.
export function commandLine(values) {
  const run = runOptions(values);
  const words = [
    // An edit's numbers need no quotes.
    ...run.options.map(([name, value]) => `--${name}=${/^[0-9,:]+$/.test(value) ? value : shellWord(value)}`),
    ...ARGUMENTS.map((name) => shellWord(values[name])),
  ];
  const seed = run.seedVariable ? `QUENDREL_SEED=${shellWord(values.seed)} ` : '';
  return `${seed}trevalk ${words.join(' ')}`;
}

// ---- file names

// Names that Windows keeps for devices, with or without an extension.
const DEVICE_NAME = /^(con|prn|aux|nul|com[0-9¹²³]|lpt[0-9¹²³]|conin\$|conout\$)$/i;

// Why a name cannot be a downloaded file's name as it stands; null when it
// can. Names are refused rather than changed, so the name shown is the name
// saved. `report`: the report is saved beside the map and its image.
export function fileNameRefusal(name, { report = false } = {}) {
  if (name === '') return 'Enter a file name.';
  if (/[\p{Cc}\p{Cf}\p{Cs}\p{Zl}\p{Zp}]/u.test(name)) {
    return 'The name holds an invisible or control character.';
  }
  if (/[/\\:*?"<>|]/.test(name)) return 'A file name cannot hold any of \\ / : * ? " < > |.';
  if (/^[\s.]/u.test(name)) return 'A file name cannot start with a dot or a space.';
  if (/[\s.]$/u.test(name)) return 'A file name cannot end with a dot or a space.';
  if (DEVICE_NAME.test(name.split('.')[0].trimEnd())) {
    return `${name.split('.')[0]} is the name of a device on Windows.`;
  }
  const bytes = (saved) => new TextEncoder().encode(saved).length;
  if (Math.max(bytes(pngNameOf(name)), report ? bytes(reportNameOf(name)) : 0) > MOST_NAME_BYTES) {
    const others = report ? "the image's and the report's names" : "the image's name";
    return `The name is too long: at most ${MOST_NAME_BYTES} bytes, ${others} included.`;
  }
  return null;
}

// ---- the page's checks before a run

const SIZE_NAMES = { xsize: 'width', ysize: 'height' };

// What the page refuses in the values, field by field ({} when nothing):
// its own limits (sides of 1 to 65535 tiles, at most MOST_TILES tiles, a
// file name it can save), then every refusal of trevalk's checker in
// `found` (its findings for checkWords(values)), in trevalk's words beside
// the field it concerns.
export function fieldRefusals(values, found) {
  const refusals = {};
  const sides = {};
  ['xsize', 'ysize'].forEach((field, i) => {
    const value = found.arguments[i] ?? null;
    if (value === null) refusals[field] = `Enter a whole number of tiles, 1 to ${MOST_SIDE}.`;
    else if (value < 1) refusals[field] = `The ${SIZE_NAMES[field]} must be at least 1 tile.`;
    else if (value > MOST_SIDE) refusals[field] = `The ${SIZE_NAMES[field]} is at most ${MOST_SIDE} tiles.`;
    else sides[field] = value;
  });
  // A side refused above counts as 0: the map's size says nothing more.
  const { xsize: width = 0, ysize: height = 0 } = sides;
  if (width * height > MOST_TILES) {
    const tooLarge = found.refusals.find(({ code }) => code === 'too-large');
    refusals.ysize =
      `${width} x ${height} is ${formatCount(width * height)} tiles; this page makes at most ` +
      `${formatCount(MOST_TILES)} (4096 x 4096, or that many in any shape), so with a width of ` +
      `${width} the height may be at most ${Math.floor(MOST_TILES / width)}.` +
      (tooLarge
        ? ` No map can be that large: ${tooLarge.message.trim()}`
        : ` The command line makes it: ${commandLine(values)}`);
  }
  const name = fileNameRefusal(values.outfile, { report: startsAsked(values) });
  if (name !== null) refusals.outfile = name;
  for (const { field, code, numbers, message } of found.refusals) {
    // The report is named after the map; an option the form cannot give
    // (a size that starts with "--") stands for the first argument.
    const shown = field === 'report' ? 'outfile' : FIELDS.includes(field) || field === 'edits' ? field : 'xsize';
    refusals[shown] ??=
      code === 'not-a-number' ? `Enter a whole number from ${numbers[0]} to ${numbers[1]}.` : message.trim();
  }
  return refusals;
}

// ---- finding a fair map

// The search's most workers side by side.
const MOST_SEARCHERS = 4;

// Why "Find a fair map" cannot search for the values, by field ({} when it
// can): the tries trevalk's --tries takes (`check` is trevalk's checker),
// and starts to measure, which a plain map has none of.
export function findRefusals(values, check) {
  const refusals = {};
  const tries = check([`--tries=${values.tries}`]).refusals.find(({ field }) => field === 'tries');
  if (tries) refusals.tries = tries.message.trim();
  if (!startsAsked(values)) refusals.players = 'Finding a fair map needs 2 players or more, or a symmetry.';
  return refusals;
}

// The seeds a search tries: `count` of them from `from`, as 32-bit numbers
// wrap.
export function seedsFrom(from, count) {
  return Array.from({ length: count }, (_, k) => String((Number(from) + k) % 2 ** 32));
}

// How many workers search side by side: the processors the browser reports,
// at most MOST_SEARCHERS, never more than the seeds.
export const searchers = (processors, seeds) => Math.max(1, Math.min(processors || 1, MOST_SEARCHERS, seeds));

// The fairest of the seeds measured ([{ seed, report }], report the parsed
// report or null), `count` of them, fairest first and among equals the first
// tried, as trevalk --tries orders them.
export function fairest(measured, count) {
  return measured
    .map((found, order) => ({ ...found, order }))
    .filter(({ report }) => report !== null)
    .sort((a, b) => b.report.fairness - a.report.fairness || a.order - b.order)
    .slice(0, count);
}

// What the page says beside Players when a symmetry set them: its order,
// and the players it takes (from trevalk's checker).
export function playersSetNote({ name, order, players }) {
  const list = `${players.slice(0, -1).join(', ')} or ${players.at(-1)}`;
  return `Set to ${order}: with ${name} symmetry the starts come in whole orbits of ${order} (${list} players).`;
}

// Why each symmetry cannot be chosen beside the other values, by name (null
// when it can), from the checker's findings.
export function symmetryChoices(found) {
  return Object.fromEntries(found.symmetries.map(({ name, why }) => [name, why]));
}

// ---- remembered settings

// Settings read back from the browser's storage, which anything may have
// changed: each value trevalk or the page would refuse becomes its default,
// sizes are held within the page's limits, and a symmetry that the players
// do not fit is none. `check` is trevalk's checker.
export function clampSettings(stored, check) {
  // The template: '' or an own template's name as stored, null when the
  // settings do not say.
  const values = { ...DEFAULTS, template: null };
  if (stored === null || typeof stored !== 'object') return values;
  if (typeof stored.template === 'string' && /^(own:[0-9a-f]{8})?$/.test(stored.template)) {
    values.template = stored.template;
  }
  if (typeof stored.edits === 'string' && stored.edits.length <= 20_000 && editList(stored.edits) !== null) {
    values.edits = stored.edits;
  }
  // A value that is not text, or longer than any the page makes, is ''.
  const text = (name) => (typeof stored[name] === 'string' && stored[name].length <= 1000 ? stored[name] : '');
  const given = Object.fromEntries(FIELDS.map((name) => [name, text(name)]));
  // Every option is given, so that each is checked, and "--" ends them,
  // so that every argument is one.
  const found = check([
    ...['seed', ...FAIR_FIELDS].map((name) => `--${name}=${given[name]}`),
    '--',
    ...ARGUMENTS.map((name) => given[name]),
  ]);
  const refused = (field) => found.refusals.some((refusal) => refusal.field === field && refusal.code !== 'orbits');
  const clamp = (value, low, high) => Math.min(high, Math.max(low, value));
  const [x, y, ...numbers] = found.arguments;
  if (x !== null) values.xsize = String(clamp(x, 1, MOST_SIDE));
  if (y !== null) {
    values.ysize = String(clamp(y, 1, Math.min(MOST_SIDE, Math.floor(MOST_TILES / Number(values.xsize)))));
  }
  ['pathwidth', 'waterwidth', 'tileset'].forEach((name, i) => {
    if (numbers[i] !== null) values[name] = String(numbers[i]);
  });
  if (fileNameRefusal(given.outfile) === null) values.outfile = given.outfile;
  if (given.seed !== '' && !refused('seed')) values.seed = given.seed;
  for (const name of ['players', 'loops', 'straight']) {
    if (!refused(name)) values[name] = String(Number(given[name]));
  }
  const symmetry = found.symmetries.find(({ name }) => name === given.symmetry);
  if (symmetry && !refused('symmetry') && symmetry.players.includes(Number(values.players))) {
    values.symmetry = symmetry.name;
  }
  return values;
}

// ---- a file that is not a map

const ORDINALS = ['first', 'second', 'third', 'fourth', 'fifth'];

// What the page says of a file whose sections (the worker's listing) end
// inside one: where; null for a file of whole sections.
export function notAMap({ sections, cut }) {
  if (cut === null) return null;
  const which = ORDINALS[sections.length] ?? `${sections.length + 1}th`;
  return (
    `This file is not a map: it ends inside its ${which} section, ` +
    `after ${formatCount(cut.held)} of the ${formatCount(cut.length)} bytes it says it holds.`
  );
}

// ---- what the programs said

// The first line a program said on standard error, to quote in the status.
export function firstError(run) {
  const line = new TextDecoder()
    .decode(run.stderr.head)
    .split('\n')
    .find((text) => text.trim() !== '' && !text.startsWith('Warning'));
  return (line || run.failure || 'the program ended without saying why').slice(0, 300);
}

// trevalk's words when it could not read the template, naming it as the
// player knows it (`name`) rather than as the program's folder holds it;
// null for any other failure.
export function templateFault(run, name) {
  const line = new TextDecoder()
    .decode(run.stderr.head)
    .split('\n')
    .find((text) => text.startsWith('Invalid data file (ruvivare.dat)'));
  return line ? line.replace('(ruvivare.dat)', `(${name})`).slice(0, 300) : null;
}

// ---- bytes from a file, shown as text

// Printable ASCII as it is, a backslash doubled, every other byte as \xNN:
// a name read from a map shows what it holds and never becomes markup or
// invisible.
export function escapeBytes(bytes) {
  let text = '';
  for (const byte of bytes) {
    if (byte === 0x5c) text += '\\\\';
    else if (byte >= 0x20 && byte < 0x7f) text += String.fromCharCode(byte);
    else text += `\\x${byte.toString(16).toUpperCase().padStart(2, '0')}`;
  }
  return text;
}
