// The page's rules, in one place and without the page: how trevalk reads
// its numbers, its seed and its options, how large a map may be, which maps
// can be fair (symmetric, with starts), how a command line is quoted for a
// shell, what a file name must be, and what an address says.
// Every function here is pure; tests/web/rules.test.mjs holds them to the
// native programs' own answers.

// The six arguments in trevalk's order, the seed, and the fair-map options.
const ARGUMENTS = ['xsize', 'ysize', 'pathwidth', 'waterwidth', 'tileset', 'outfile'];
export const FAIR_FIELDS = ['symmetry', 'players', 'loops', 'straight'];
export const FIELDS = [...ARGUMENTS, 'seed', ...FAIR_FIELDS];

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
});

// The symmetries trevalk takes, in its order.
export const SYMMETRIES = ['none', 'left-right', 'top-bottom', 'rotate-180', 'four-way', 'rotate-90'];

// The largest map this page makes, in tiles, in any shape: a 4096 x 4096 map
// is about 150 MB, which a browser tab holds a few times over.
const MOST_TILES = 4096 * 4096;
// A side is stored in 16 bits.
const MOST_SIDE = 65535;
// Browsers cancel downloads with long names (Chromium from 245 bytes on).
const MOST_NAME_BYTES = 200;
const MOST_SEED = 4294967295;

const INT32_MIN = -(2 ** 31);
const INT32_MAX = 2 ** 31 - 1;

export const formatCount = (n) => n.toLocaleString('en-US');

// ---- numbers, as trevalk reads them

// A number as C's "%d" reads it: white space, a sign, digits, and the rest
// ignored. null when no digit follows or the number does not fit 32 bits.
export function parseDecimal(text) {
  const match = /^[ \t\n\v\f\r]*([+-]?)([0-9]+)/.exec(text);
  if (!match) return null;
  // Beyond 2^53 a Number is inexact, but far beyond 32 bits all the same.
  const value = Number(match[1] + match[2]);
  return value < INT32_MIN || value > INT32_MAX ? null : value;
}

// Whether QUENDREL_SEED's text is a seed: digits only, 0 to 4294967295.
export function isSeedText(text) {
  return /^[0-9]+$/.test(text) && Number(text) <= MOST_SEED;
}

// ---- the size of a map

// Section lengths of a width x height map: "MASK", "ISOM", and "TILE" (which
// "MTXM" repeats). Exact as numbers: the largest is under 2^35.
export function mapLengths(width, height) {
  const tiles = width * height;
  return { mask: tiles, isom: (width * 4 + 8) * (height + 1), tile: tiles * 2 };
}

// Whether every section of the map fits its 32-bit length.
export function mapFits(width, height) {
  const lengths = mapLengths(width, height);
  return Math.max(lengths.mask, lengths.isom, lengths.tile) < 2 ** 32;
}

// The largest side from 0 to 65535 that fits beside the other.
function largestFitting(fits) {
  if (fits(MOST_SIDE)) return MOST_SIDE;
  let low = 0;
  let high = MOST_SIDE;
  while (high - low > 1) {
    const middle = low + Math.floor((high - low) / 2);
    if (fits(middle)) low = middle;
    else high = middle;
  }
  return low;
}

export const largestHeight = (width) => largestFitting((height) => mapFits(width, height));
export const largestWidth = (height) => largestFitting((width) => mapFits(width, height));

// trevalk's own words for a map whose sections do not fit.
export function mapSizeMessage(width, height) {
  return (
    `A map of ${width}x${height} tiles is too large for its sections: with a width of ${width} ` +
    `the height may be at most ${largestHeight(width)}, with a height of ${height} the width at ` +
    `most ${largestWidth(height)}.`
  );
}

// ---- fair maps: the options, and the maps that can be fair

// The words trevalk gives for refusing an option's value: "trevalk:
// --name=value: " and these.
const OPTION_REASONS = {
  seed: 'the seed is a whole number from 0 to 4294967295',
  symmetry: 'the symmetry is none, left-right, top-bottom, rotate-180, four-way or rotate-90',
  players: 'players are a whole number from 1 to 8',
  loops: 'loops are a whole percentage from 0 to 100',
  straight: 'straightness is a whole percentage from 0 to 100',
};
const OPTION_RANGES = { players: [1, 8], loops: [0, 100], straight: [0, 100] };

// How many maps of the symmetry's group make the map again: the players
// come in whole orbits of that many.
function symmetryOrder(symmetry) {
  if (symmetry === 'none') return 1;
  return symmetry === 'four-way' || symmetry === 'rotate-90' ? 4 : 2;
}

const orbitPlayers = (order) => (order === 2 ? '2, 4, 6 or 8' : '4 or 8');

// A number as trevalk's options read it: digits only (no sign, no blank),
// from `low` to `high`; null otherwise.
function parseBetween(text, low, high) {
  if (!isSeedText(text)) return null;
  const value = Number(text);
  return value >= low && value <= high ? value : null;
}

// Why trevalk refuses this value of an option; null when it takes it.
function optionReason(name, text) {
  if (name === 'seed') return isSeedText(text) ? null : OPTION_REASONS.seed;
  if (name === 'symmetry') return SYMMETRIES.includes(text) ? null : OPTION_REASONS.symmetry;
  const [low, high] = OPTION_RANGES[name];
  return parseBetween(text, low, high) === null ? OPTION_REASONS[name] : null;
}

// Whether a fair-map field holds its default (a number by its value), and
// is then left off the command line.
function atDefault(values, name) {
  const text = values[name] ?? DEFAULTS[name];
  if (name === 'symmetry') return text === DEFAULTS.symmetry;
  return parseBetween(text, 0, 100) === Number(DEFAULTS[name]);
}

// Whether the values ask for starts, and so for the report: a symmetry, or
// more than one player. (trevalk places starts for --players or --report
// alone too; a page run with one player and no symmetry passes neither, so
// that loops and straight corridors fit any map as they do there.)
function startsAsked(values) {
  return !atDefault(values, 'symmetry') || !atDefault(values, 'players');
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
  const fair = FAIR_FIELDS.some((name) => !atDefault(values, name));
  if (!fair) return { options: [], seedVariable: values.seed !== '', report: null };
  const options = values.seed === '' ? [] : [['seed', values.seed]];
  for (const name of FAIR_FIELDS) {
    if (!atDefault(values, name) || (name === 'players' && startsAsked(values))) options.push([name, values[name]]);
  }
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

// trevalk's refusals of the options a page run passes, in the order it
// checks them (each option in turn, then the players against the symmetry),
// each with its field and trevalk's line on standard error. trevalk stops at
// the first; the page shows them all.
export function optionRefusals(values) {
  const refusals = [];
  const given = new Map(runOptions(values).options);
  for (const [name, text] of given) {
    if (name === 'report') continue;
    const why = optionReason(name, text);
    if (why !== null) refusals.push({ field: name, why, line: `trevalk: --${name}=${text}: ${why}` });
  }
  if (!given.has('players') || refusals.some(({ field }) => field === 'players' || field === 'symmetry'))
    return refusals;
  const symmetry = given.get('symmetry') ?? 'none';
  const order = symmetryOrder(symmetry);
  const players = Number(given.get('players'));
  if (players % order !== 0) {
    refusals.push({
      field: 'players',
      why: `with ${symmetry} symmetry the players come in whole orbits of ${order}: ${orbitPlayers(order)} players`,
      line:
        `trevalk: --players=${players}: with --symmetry=${symmetry} the players come in whole orbits of ` +
        `${order} (${orbitPlayers(order)} players)`,
    });
  }
  return refusals;
}

// A fair map needs even sides of at least FAIR_SIDE tiles (a square for
// rotate-90), then a path wider than the water, which is at least 2 tiles
// wide: its land is then one connected maze. 'size' or 'widths' for what
// does not fit, null when the map can be fair.
const FAIR_SIDE = 32;
function fairFit(width, height, pathwidth, waterwidth, quarterTurn) {
  if (
    width % 2 !== 0 ||
    height % 2 !== 0 ||
    width < FAIR_SIDE ||
    height < FAIR_SIDE ||
    (quarterTurn && width !== height)
  ) {
    return 'size';
  }
  return pathwidth > waterwidth && waterwidth > 0 ? null : 'widths';
}

const LARGEST_EVEN_SIDE = 65534;
const evenSide = (side) => Math.min(LARGEST_EVEN_SIDE, Math.max(FAIR_SIDE, side));

// The sizes nearest to width x height that can be fair: one or two, the
// smaller first (the larger only when its sections still fit).
function nearestFairSizes(width, height, quarterTurn) {
  let sizes;
  if (quarterTurn) {
    const small = evenSide(Math.min(width, height) - (Math.min(width, height) % 2));
    const large = evenSide(Math.max(width, height) + (Math.max(width, height) % 2));
    sizes = [
      [small, small],
      [large, large],
    ];
  } else {
    sizes = [
      [evenSide(width - (width % 2)), evenSide(height - (height % 2))],
      [evenSide(width + (width % 2)), evenSide(height + (height % 2))],
    ];
  }
  const same = sizes[0][0] === sizes[1][0] && sizes[0][1] === sizes[1][1];
  return same || !mapFits(sizes[1][0], sizes[1][1]) ? [sizes[0]] : sizes;
}

// The numbers of a page run as trevalk takes them: the sizes' low 16 bits,
// the widths rounded toward zero to even numbers; null when one is not a
// number, the widths add up to 0 or the map cannot be that large (trevalk
// refuses those before it looks at fairness).
function takenNumbers(values) {
  const numbers = ['xsize', 'ysize', 'pathwidth', 'waterwidth'].map((name) => parseDecimal(values[name]));
  if (numbers.includes(null)) return null;
  const [width, height] = [numbers[0] & 0xffff, numbers[1] & 0xffff];
  const [pathwidth, waterwidth] = [Math.trunc(numbers[2] / 2) * 2, Math.trunc(numbers[3] / 2) * 2];
  if (pathwidth + waterwidth === 0 || !mapFits(width, height)) return null;
  return { width, height, pathwidth, waterwidth };
}

// trevalk's refusal of a size or widths that cannot make the fair map the
// values ask for, with the field it is shown beside; null when they can,
// or when the values are refused for something else first.
export function fairSizeRefusal(values) {
  const taken = takenNumbers(values);
  if (taken === null || !startsAsked(values)) return null;
  const { width, height, pathwidth, waterwidth } = taken;
  const symmetric = values.symmetry !== 'none';
  const quarterTurn = values.symmetry === 'rotate-90';
  const what = symmetric ? 'a symmetric map' : 'a map with starts';
  const field = symmetric ? 'symmetry' : 'players';
  const fit = fairFit(width, height, pathwidth, waterwidth, quarterTurn);
  if (fit === 'size') {
    const sizes = nearestFairSizes(width, height, quarterTurn);
    return {
      field,
      message:
        `A map of ${width}x${height} tiles cannot be ${what}: it needs an even width and height of at least ` +
        `${FAIR_SIDE} tiles${quarterTurn ? ', and the same for both (rotate-90)' : ''}. The nearest ` +
        `size${sizes.length > 1 ? 's that work' : ' that works'}: ${sizes.map(([w, h]) => `${w}x${h}`).join(' and ')}.`,
    };
  }
  if (fit === 'widths') {
    return {
      field,
      message:
        `A path width of ${pathwidth} and a water width of ${waterwidth} (rounded to even numbers) cannot make ` +
        `${what}: its paths must be wider than the water between them, and the water at least 2 tiles wide ` +
        '(for instance a path width of 4 and a water width of 2).',
    };
  }
  // Starts without a symmetry keep the plain layout, which may have no room
  // for a single maze position.
  const pitch = pathwidth + waterwidth;
  if (!symmetric && (Math.trunc((2 * width) / pitch) === 0 || Math.trunc((2 * height) / pitch) === 0)) {
    return {
      field,
      message:
        `A path width of ${pathwidth} and a water width of ${waterwidth} leave no room for a maze on a ` +
        `${width}x${height} map: together they may be at most ${2 * Math.min(width, height)} tiles, twice its smaller side.`,
    };
  }
  return null;
}

// Why each symmetry cannot be chosen for the other values (null when it
// can), first of: the size, the widths, the players. A number the page
// refuses anyway gives no reason (players it refuses count as 0, which every
// symmetry's orbits divide).
export function symmetryChoices(values) {
  const taken = takenNumbers(values);
  const players = parseBetween(values.players, 1, 8) ?? 0;
  const choices = {};
  for (const symmetry of SYMMETRIES) {
    const order = symmetryOrder(symmetry);
    let why = null;
    if (symmetry !== 'none' && taken !== null) {
      const { width, height, pathwidth, waterwidth } = taken;
      const fit = fairFit(width, height, pathwidth, waterwidth, symmetry === 'rotate-90');
      if (fit === 'size' && symmetry === 'rotate-90') {
        why =
          fairFit(width, height, pathwidth, waterwidth, false) === 'size'
            ? `needs a square map, of an even side of at least ${FAIR_SIDE} tiles`
            : 'needs a square map';
      } else if (fit === 'size') {
        why = `needs an even width and height of at least ${FAIR_SIDE} tiles`;
      } else if (fit === 'widths') {
        why = 'needs a path wider than the water, and water at least 2 tiles wide';
      }
    }
    if (why === null && players % order !== 0) {
      why = `needs ${orbitPlayers(order)} players`;
    }
    choices[symmetry] = why;
  }
  return choices;
}

// ---- shell words and the command line

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
    ...run.options.map(([name, value]) => `--${name}=${shellWord(value)}`),
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

// What the page refuses in the values, field by field ({} when nothing): the
// sizes (1 to 65535, at most MOST_TILES tiles), numbers trevalk can read, a
// plain file name, a seed or nothing, and what trevalk would refuse of the
// fair-map options and of a fair map's size and widths, in its words.
export function fieldRefusals(values) {
  const refusals = {};
  const sides = {};
  for (const field of ['xsize', 'ysize']) {
    const value = parseDecimal(values[field]);
    if (value === null) refusals[field] = `Enter a whole number of tiles, 1 to ${MOST_SIDE}.`;
    else if (value < 1) refusals[field] = `The ${SIZE_NAMES[field]} must be at least 1 tile.`;
    else if (value > MOST_SIDE) refusals[field] = `The ${SIZE_NAMES[field]} is at most ${MOST_SIDE} tiles.`;
    else sides[field] = value;
  }
  // A side refused above counts as 0: the map's size says nothing more.
  const { xsize: width = 0, ysize: height = 0 } = sides;
  if (width * height > MOST_TILES) {
    let why =
      `${width} x ${height} is ${formatCount(width * height)} tiles; this page makes at most ` +
      `${formatCount(MOST_TILES)} (4096 x 4096, or that many in any shape), so with a width of ` +
      `${width} the height may be at most ${Math.floor(MOST_TILES / width)}.`;
    why += mapFits(width, height)
      ? ` The command line makes it: ${commandLine(values)}`
      : ` No map can be that large: ${mapSizeMessage(width, height)}`;
    refusals.ysize = why;
  }
  for (const field of ['pathwidth', 'waterwidth', 'tileset']) {
    if (parseDecimal(values[field]) === null) {
      refusals[field] = 'Enter a whole number from -2147483648 to 2147483647.';
    }
  }
  const name = fileNameRefusal(values.outfile, { report: startsAsked(values) });
  if (name !== null) refusals.outfile = name;
  if (values.seed !== '' && !isSeedText(values.seed)) {
    refusals.seed = 'A seed is a whole number from 0 to 4294967295; leave it empty to draw one.';
  }
  for (const { field, why } of optionRefusals(values)) {
    refusals[field] ??= `${why[0].toUpperCase()}${why.slice(1)}.`;
  }
  const fair = fairSizeRefusal(values);
  if (fair !== null) refusals[fair.field] ??= fair.message;
  return refusals;
}

// ---- the address: #64x64/4/2/2/seed=123, then /symmetry=MODE,
// /players=N, /loops=PERCENT and /straight=PERCENT when they are not their
// defaults, and /out=NAME for another name

export function addressOf(values) {
  // An "x" in a size would end the width: it is escaped there.
  const size = (text) => encodeURIComponent(text).replace(/x/gi, (c) => `%${c.charCodeAt(0).toString(16)}`);
  const part = encodeURIComponent;
  let hash = `${size(values.xsize)}x${size(values.ysize)}`;
  hash += `/${part(values.pathwidth)}/${part(values.waterwidth)}/${part(values.tileset)}`;
  hash += `/seed=${part(values.seed)}`;
  for (const name of FAIR_FIELDS) if (values[name] !== DEFAULTS[name]) hash += `/${name}=${part(values[name])}`;
  if (values.outfile !== DEFAULTS.outfile) hash += `/out=${part(values.outfile)}`;
  return `#${hash}`;
}

// What an address asks for: { values } for a map, { none: true } for an
// address of no map, { error } for one the page refuses. The same address
// always means the same map: parts it leaves out take their defaults (never
// what the form held before), and it must carry a seed.
export function parseAddress(hash) {
  const text = hash.replace(/^#/, '');
  if (text === '') return { none: true };
  let broken = false;
  const decode = (part) => {
    try {
      return decodeURIComponent(part);
    } catch {
      // The address is refused below, whatever this part held.
      broken = true;
    }
  };
  const parts = text.split('/');
  const size = /^([^x]*)x([^x]*)$/i.exec(parts[0]);
  if (!size) return { error: 'it does not start with a size such as 64x64.' };
  const values = { ...DEFAULTS, xsize: decode(size[1]), ysize: decode(size[2]) };
  const positions = ['pathwidth', 'waterwidth', 'tileset'];
  const keys = {
    seed: 'seed',
    out: 'outfile',
    symmetry: 'symmetry',
    players: 'players',
    loops: 'loops',
    straight: 'straight',
  };
  const named = new Set();
  for (const part of parts.slice(1)) {
    const equals = part.indexOf('=');
    if (equals < 0) {
      if (named.size > 0 || positions.length === 0) return { error: `"${part}" is in no place the page knows.` };
      values[positions.shift()] = decode(part);
      continue;
    }
    const key = part.slice(0, equals);
    if (!Object.hasOwn(keys, key)) return { error: `"${key}" is not a part the page knows.` };
    if (named.has(key)) return { error: `it names ${key} twice.` };
    named.add(key);
    values[keys[key]] = decode(part.slice(equals + 1));
  }
  if (broken) return { error: 'a part of it is not written correctly (a % not followed by two hex digits).' };
  if (values.seed === '') return { error: 'it names no seed, so it does not name one map.' };
  if (!SYMMETRIES.includes(values.symmetry))
    return { error: `"${values.symmetry.slice(0, 40)}" is not a symmetry the page knows.` };
  return { values };
}

// ---- remembered settings

// Settings read back from the browser's storage, which anything may have
// changed: each value the page would refuse becomes its default, sizes are
// held within the page's limits, a seed that is not one is dropped, and a
// symmetry that the players do not fit is none.
export function clampSettings(stored) {
  const values = { ...DEFAULTS };
  if (stored === null || typeof stored !== 'object') return values;
  // A value that is not text, or longer than any the page makes, is ''.
  const text = (name) => (typeof stored[name] === 'string' && stored[name].length <= 1000 ? stored[name] : '');
  const clamp = (value, low, high) => Math.min(high, Math.max(low, value));
  const x = parseDecimal(text('xsize'));
  const y = parseDecimal(text('ysize'));
  if (x !== null) values.xsize = String(clamp(x, 1, MOST_SIDE));
  if (y !== null)
    values.ysize = String(clamp(y, 1, Math.min(MOST_SIDE, Math.floor(MOST_TILES / Number(values.xsize)))));
  for (const name of ['pathwidth', 'waterwidth', 'tileset']) {
    const value = parseDecimal(text(name));
    if (value !== null) values[name] = String(value);
  }
  const outfile = text('outfile');
  if (fileNameRefusal(outfile) === null) values.outfile = outfile;
  const seed = text('seed');
  if (isSeedText(seed)) values.seed = seed;
  for (const name of ['players', 'loops', 'straight']) {
    if (optionReason(name, text(name)) === null) values[name] = String(Number(text(name)));
  }
  const symmetry = text('symmetry');
  if (SYMMETRIES.includes(symmetry) && Number(values.players) % symmetryOrder(symmetry) === 0)
    values.symmetry = symmetry;
  return values;
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
