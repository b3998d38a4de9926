// The address of a map, which always means the same map: the page's values
// written after the # and read back. Every function here is pure.
import { editList } from './edits.js';
import { DEFAULTS, FAIR_FIELDS } from './rules.js';

// ---- the address: #64x64/4/2/2/seed=123, then /symmetry=MODE,
// /players=N, /loops=PERCENT and /straight=PERCENT when they are not their
// defaults, /out=NAME for another name, /template=own:HEX8 for a
// template of the player's own (templateid.js), and /edits=r:X,Y,W,H:SEED;...
// for a map edited after it was made

export function addressOf(values) {
  // An "x" in a size would end the width: it is escaped there.
  const size = (text) => encodeURIComponent(text).replace(/x/gi, (c) => `%${c.charCodeAt(0).toString(16)}`);
  const part = encodeURIComponent;
  let hash = `${size(values.xsize)}x${size(values.ysize)}`;
  hash += `/${part(values.pathwidth)}/${part(values.waterwidth)}/${part(values.tileset)}`;
  hash += `/seed=${part(values.seed)}`;
  for (const name of FAIR_FIELDS) if (values[name] !== DEFAULTS[name]) hash += `/${name}=${part(values[name])}`;
  if (values.outfile !== DEFAULTS.outfile) hash += `/out=${part(values.outfile)}`;
  if (values.template) hash += `/template=${values.template}`;
  if (values.edits) hash += `/edits=${values.edits}`;
  return `#${hash}`;
}

// What an address asks for: { values } for a map, { none: true } for an
// address of no map, { error } for one the page refuses. The same address
// always means the same map: parts it leaves out take their defaults (never
// what the form held before), and it must carry a seed. `symmetries`: the
// names trevalk takes.
export function parseAddress(hash, symmetries) {
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
    template: 'template',
    edits: 'edits',
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
  if (editList(values.edits) === null) {
    return { error: 'its edits are not written as r:X,Y,W,H:SEED or k:X,Y,W,H:SEED, joined by ";".' };
  }
  if (!/^(own:[0-9a-f]{8})?$/.test(values.template)) {
    return { error: `"${values.template.slice(0, 40)}" is not a template the page knows (own: and 8 hex digits).` };
  }
  if (!symmetries.includes(values.symmetry))
    return { error: `"${values.symmetry.slice(0, 40)}" is not a symmetry the page knows.` };
  return { values };
}
