// The page's rules, in one place and without the page: how trevalk reads
// its numbers and its seed, how large a map may be, how a command line is
// quoted for a shell, what a file name must be, and what an address says.
// Every function here is pure; tests/web/rules.test.mjs holds them to the
// native programs' own answers.

// The six arguments in trevalk's order, and the seed.
export const ARGUMENTS = ['xsize', 'ysize', 'pathwidth', 'waterwidth', 'tileset', 'outfile'];
export const FIELDS = [...ARGUMENTS, 'seed'];

export const DEFAULTS = Object.freeze({
  xsize: '64',
  ysize: '64',
  pathwidth: '4',
  waterwidth: '2',
  tileset: '2',
  outfile: 'maze.dat',
  seed: '',
});

// The largest map this page makes, in tiles, in any shape: a 4096 x 4096 map
// is about 150 MB, which a browser tab holds a few times over.
export const MOST_TILES = 4096 * 4096;
// A side is stored in 16 bits.
export const MOST_SIDE = 65535;
// Browsers cancel downloads with long names (Chromium from 245 bytes on).
export const MOST_NAME_BYTES = 200;
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
  return Math.max(lengths.mask, lengths.isom, lengths.tile) <= 0xffffffff;
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

// ---- shell words and the command line

// A word as a POSIX shell takes it: as it is when it holds nothing a shell
// would read as syntax, otherwise in single quotes (a quote inside ends the
// quoted part, is escaped, and quoting resumes).
export function shellWord(text) {
  if (/^[A-Za-z0-9/._+-]+$/.test(text)) return text;
  return `'${text.replace(/'/g, `'\\''`)}'`;
}

export function commandLine(values) {
  const words = ARGUMENTS.map((name) => shellWord(values[name]));
  const seed = values.seed === '' ? '' : `QUENDREL_SEED=${shellWord(values.seed)} `;
  return `${seed}trevalk ${words.join(' ')}`;
}

// ---- file names

// Names that Windows keeps for devices, with or without an extension.
const DEVICE_NAME = /^(con|prn|aux|nul|com[0-9¹²³]|lpt[0-9¹²³]|conin\$|conout\$)$/i;

// Why a name cannot be a downloaded file's name as it stands; null when it
// can. Names are refused rather than changed, so the name shown is the name
// saved.
export function fileNameRefusal(name) {
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
  const bytes = new TextEncoder().encode(pngNameOf(name)).length;
  if (bytes > MOST_NAME_BYTES) {
    return `The name is too long: at most ${MOST_NAME_BYTES} bytes, the image's name included.`;
  }
  return null;
}

// The image's name beside a map's: the extension becomes ".png".
export function pngNameOf(name) {
  const replaced = name.replace(/\.[^.]*$/, '.png');
  return replaced === name || !/\.[^.]*$/.test(name) ? `${name}.png` : replaced;
}

// ---- the page's checks before a run

const SIZE_NAMES = { xsize: 'width', ysize: 'height' };

// What the page refuses in the values, field by field ({} when nothing): the
// sizes (1 to 65535, at most MOST_TILES tiles), numbers trevalk can read, a
// plain file name, and a seed or nothing.
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
  const { xsize: width, ysize: height } = sides;
  if (width !== undefined && height !== undefined && width * height > MOST_TILES) {
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
  const name = fileNameRefusal(values.outfile);
  if (name !== null) refusals.outfile = name;
  if (values.seed !== '' && !isSeedText(values.seed)) {
    refusals.seed = 'A seed is a whole number from 0 to 4294967295; leave it empty to draw one.';
  }
  return refusals;
}

// ---- the address: #64x64/4/2/2/seed=123, and /out=NAME for another name

export function addressOf(values) {
  // An "x" in a size would end the width: it is escaped there.
  const size = (text) => encodeURIComponent(text).replace(/x/gi, (c) => `%${c.charCodeAt(0).toString(16)}`);
  const part = encodeURIComponent;
  let hash = `${size(values.xsize)}x${size(values.ysize)}`;
  hash += `/${part(values.pathwidth)}/${part(values.waterwidth)}/${part(values.tileset)}`;
  hash += `/seed=${part(values.seed)}`;
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
      broken = true;
      return '';
    }
  };
  const parts = text.split('/');
  const size = /^([^x]*)x([^x]*)$/i.exec(parts[0]);
  if (!size) return { error: 'it does not start with a size such as 64x64.' };
  const values = { ...DEFAULTS, xsize: decode(size[1]), ysize: decode(size[2]) };
  const positions = ['pathwidth', 'waterwidth', 'tileset'];
  const keys = { seed: 'seed', out: 'outfile' };
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
  return { values };
}

// ---- remembered settings

// Settings read back from the browser's storage, which anything may have
// changed: each value the page would refuse becomes its default, sizes are
// held within the page's limits, and a seed that is not one is dropped.
export function clampSettings(stored) {
  const values = { ...DEFAULTS };
  if (stored === null || typeof stored !== 'object') return values;
  const text = (name) => (typeof stored[name] === 'string' && stored[name].length <= 1000 ? stored[name] : null);
  const clamp = (value, low, high) => Math.min(high, Math.max(low, value));
  const x = parseDecimal(text('xsize') ?? '');
  const y = parseDecimal(text('ysize') ?? '');
  if (x !== null) values.xsize = String(clamp(x, 1, MOST_SIDE));
  if (y !== null) values.ysize = String(clamp(y, 1, Math.min(MOST_SIDE, Math.floor(MOST_TILES / Number(values.xsize)))));
  for (const name of ['pathwidth', 'waterwidth', 'tileset']) {
    const value = parseDecimal(text(name) ?? '');
    if (value !== null) values[name] = String(value);
  }
  const outfile = text('outfile');
  if (outfile !== null && fileNameRefusal(outfile) === null) values.outfile = outfile;
  const seed = text('seed');
  if (seed !== null && isSeedText(seed)) values.seed = seed;
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
