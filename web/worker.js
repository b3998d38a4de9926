// The page's worker: runs trevalk and trevalk-preview, built for the
// browser, as the command line runs them (arguments, an environment, files
// in a current folder, standard output and error, an exit status), away from
// the page's thread, and prepares what the page shows: the downloads, the
// image's colours at every zoom, the map's sections.
//
// Each run gets a fresh instance of its program, so its memory and files
// start anew as a process's do; the compiled code comes from the page.
// The page starts a second worker of this script to build the views of the
// maps the first one makes, side by side with its preview (a port between
// the two carries the tiles). A classic script: served, it loads the two
// programs' scripts; in the one-file page they come before it.
'use strict';

if (typeof createTrevalk === 'undefined') importScripts('trevalk.js', 'trevalk-preview.js');

// Output kept of each standard stream; the rest is counted.
const KEPT_OUTPUT = 64 * 1024;
// Writes at least this long are kept as parts of their own and looked at for
// repeats; shorter ones are gathered into blocks of STAGING_BYTES.
const LARGE_WRITE = 64 * 1024;
const STAGING_BYTES = 256 * 1024;
const PROGRESS_EVERY_MS = 40;
// Sections listed at most; the rest are counted.
const MOST_SECTIONS = 1000;
// Image pixels drawn at most (an image beyond that is offered, not drawn).
const MOST_VIEW_PIXELS = 64 * 1024 * 1024;

let modules = null;
// Where the tiles of a made map go to become its view (the other worker).
let viewPort = null;
// The preview's colour of every tile value (learnColours), once known.
let learnedColours = null;

// ---- files as lists of parts
//
// A map is written section by section, and much of it repeats: "MASK" and
// "ISOM" are one block written over and over, and "MTXM" is written from the
// same memory as "TILE". Each write is copied out of the program's memory
// once, unless it holds the same bytes as an earlier write from the same
// place, which is then shared. Growing one array instead (the in-memory file
// system's way) copied a 4096 x 4096 map many times over.

function sameBytes(a, b) {
  if (a.length !== b.length) return false;
  if (a.byteOffset % 4 === 0 && b.byteOffset % 4 === 0 && a.length % 4 === 0) {
    const x = new Int32Array(a.buffer, a.byteOffset, a.length / 4);
    const y = new Int32Array(b.buffer, b.byteOffset, b.length / 4);
    for (let i = 0; i < x.length; i++) if (x[i] !== y[i]) return false;
    return true;
  }
  for (let i = 0; i < a.length; i++) if (a[i] !== b[i]) return false;
  return true;
}

class PartList {
  constructor(parts = []) {
    this.parts = parts;
    this.size = parts.reduce((sum, part) => sum + part.length, 0);
    this.staging = null;
    this.staged = 0;
    this.byPlace = new Map();
  }

  append(source, offset, length) {
    if (length < LARGE_WRITE) {
      if (this.staging !== null && this.staged + length > this.staging.length) this.seal();
      if (this.staging === null) this.staging = new Uint8Array(STAGING_BYTES);
      this.staging.set(source.subarray(offset, offset + length), this.staged);
      this.staged += length;
    } else {
      this.seal();
      const bytes = source.subarray(offset, offset + length);
      const place = `${offset}:${length}`;
      const earlier = this.byPlace.get(place);
      if (earlier !== undefined && sameBytes(earlier, bytes)) {
        this.parts.push(earlier);
      } else {
        const copy = bytes.slice();
        this.byPlace.set(place, copy);
        this.parts.push(copy);
      }
    }
    this.size += length;
  }

  // Closes the block of short writes, so that every byte is in `parts`.
  seal() {
    if (this.staging !== null && this.staged > 0) this.parts.push(this.staging.subarray(0, this.staged));
    this.staging = null;
    this.staged = 0;
  }

  // Copies up to `length` bytes from `position` into target[offset...].
  read(position, target, offset, length) {
    this.seal();
    let copied = 0;
    let start = 0;
    for (const part of this.parts) {
      const end = start + part.length;
      if (end > position && copied < length) {
        const from = position - start;
        const count = Math.min(part.length - from, length - copied);
        target.set(part.subarray(from, from + count), offset + copied);
        copied += count;
        position += count;
      }
      start = end;
      if (copied === length) break;
    }
    return copied;
  }

  // `length` bytes from `position`: a view into a part when one part holds
  // them all, otherwise a copy.
  range(position, length) {
    this.seal();
    let start = 0;
    for (const part of this.parts) {
      if (position >= start && position + length <= start + part.length)
        return part.subarray(position - start, position - start + length);
      start += part.length;
    }
    const copy = new Uint8Array(length);
    this.read(position, copy, 0, length);
    return copy;
  }

  bytes() {
    this.seal();
    if (this.parts.length === 1) return this.parts[0];
    const all = new Uint8Array(this.size);
    let at = 0;
    for (const part of this.parts) {
      all.set(part, at);
      at += part.length;
    }
    return all;
  }

  // One Blob for the download; a part that repeats is stored once.
  blob(type) {
    this.seal();
    const uses = new Map();
    for (const part of this.parts) uses.set(part, (uses.get(part) || 0) + 1);
    const shared = new Map();
    const pieces = this.parts.map((part) => {
      if (uses.get(part) === 1) return part;
      if (!shared.has(part)) shared.set(part, new Blob([part]));
      return shared.get(part);
    });
    return new Blob(pieces, { type });
  }
}

// Makes every file that the program creates a PartList, and lets files of
// parts be read; a file used in any other way (written in its middle,
// truncated, mapped) first becomes an ordinary one.
function usePartFiles(FS, onWrite) {
  const MEMFS = FS.filesystems.MEMFS;
  const stream = MEMFS.ops_table.file.stream;
  const node = MEMFS.ops_table.file.node;
  const ordinary = (file) => {
    if (!file.parts) return;
    file.contents = file.parts.bytes().slice();
    file.usedBytes = file.contents.length;
    file.parts = null;
  };
  const { write, read, mmap, allocate } = stream;
  const { setattr } = node;
  stream.write = function (target, buffer, offset, length, position, canOwn) {
    const file = target.node;
    if (length === 0) return 0;
    if (!file.parts && file.usedBytes === 0 && position === 0 && !canOwn) file.parts = new PartList();
    if (file.parts && position === file.parts.size && buffer.buffer !== undefined) {
      file.parts.append(buffer, offset, length);
      file.usedBytes = file.parts.size;
      file.timestamp = Date.now();
      onWrite(length);
      return length;
    }
    ordinary(file);
    return write.call(this, target, buffer, offset, length, position, canOwn);
  };
  stream.read = function (target, buffer, offset, length, position) {
    const file = target.node;
    if (!file.parts) return read.call(this, target, buffer, offset, length, position);
    if (position >= file.usedBytes) return 0;
    return file.parts.read(position, buffer, offset, Math.min(length, file.usedBytes - position));
  };
  stream.mmap = function (target, ...rest) {
    ordinary(target.node);
    return mmap.call(this, target, ...rest);
  };
  stream.allocate = function (target, ...rest) {
    ordinary(target.node);
    return allocate.call(this, target, ...rest);
  };
  node.setattr = function (file, attr) {
    if (attr.size !== undefined) ordinary(file);
    return setattr.call(this, file, attr);
  };
}

// A file of the program's current folder, made of `parts` (shared, not copied).
function putFile(FS, name, parts) {
  FS.writeFile(name, new Uint8Array(0));
  const file = FS.lookupPath(name).node;
  file.parts = parts;
  file.usedBytes = parts.size;
}

function partsOf(FS, name) {
  try {
    const file = FS.lookupPath(name).node;
    if (!FS.isFile(file.mode)) return null;
    if (file.parts) return file.parts;
    return new PartList([file.contents ? file.contents.subarray(0, file.usedBytes) : new Uint8Array(0)]);
  } catch {
    return null;
  }
}

// ---- standard output and error

// The first KEPT_OUTPUT bytes of a stream and a count of the rest; `onLine`
// sees the start of every line.
class Output {
  constructor(onLine = null) {
    this.head = new Uint8Array(KEPT_OUTPUT);
    this.kept = 0;
    this.total = 0;
    this.onLine = onLine;
    this.line = '';
  }

  write(bytes) {
    const room = KEPT_OUTPUT - this.kept;
    if (room > 0) {
      const count = Math.min(room, bytes.length);
      this.head.set(bytes.subarray(0, count), this.kept);
      this.kept += count;
    }
    this.total += bytes.length;
    if (this.onLine === null) return;
    for (let at = 0; at < bytes.length;) {
      const end = bytes.indexOf(10, at);
      const stop = end < 0 ? bytes.length : end;
      if (this.line.length < 40) {
        this.line += String.fromCharCode(...bytes.subarray(at, Math.min(stop, at + 40 - this.line.length)));
      }
      if (end < 0) break;
      this.onLine(this.line);
      this.line = '';
      at = end + 1;
    }
  }

  text(line) {
    this.write(new TextEncoder().encode(`${line}\n`));
  }

  result() {
    return { head: this.head.slice(0, this.kept), total: this.total };
  }
}

// Points the program's standard output and error at `stdout` and `stderr`,
// whole writes at a time.
function captureStreams(FS, stdout, stderr) {
  FS.init();
  [stdout, stderr].forEach((output, i) => {
    const device = FS.makedev(64, i);
    FS.registerDevice(device, {
      write: (stream, buffer, offset, length) => {
        output.write(buffer.subarray(offset, offset + length));
        return length;
      },
    });
    FS.mkdev(`/dev/captured${i + 1}`, device);
    FS.close(FS.getStream(i + 1));
    if (FS.open(`/dev/captured${i + 1}`, 'w').fd !== i + 1) throw new Error('standard streams');
  });
}

// ---- one run of one program

// Runs `factory`'s program with `args` in /maps holding `files` (name ->
// PartList); resolves to { status, failure, stdout, stderr, FS }, where a run
// that ended abnormally (out of memory, a trap) has status null and its
// reason in `failure`.
async function runProgram(
  factory,
  module,
  program,
  args,
  { files, env = {}, stdout, stderr, onWrite = () => {}, onProgress },
) {
  const instance = await factory({
    thisProgram: program,
    instantiateWasm(imports, receive) {
      WebAssembly.instantiate(module, imports).then((made) => receive(made, module));
      return {};
    },
    preRun: [
      (m) => {
        captureStreams(m.FS, stdout, stderr);
        if (m.ENV) Object.assign(m.ENV, env);
        m.FS.mkdir('/maps');
        m.FS.chdir('/maps');
        usePartFiles(m.FS, onWrite);
        for (const [name, parts] of Object.entries(files)) putFile(m.FS, name, parts);
      },
    ],
    // The runtime's own messages (an abort's reason).
    print: (text) => stdout.text(text),
    printErr: (text) => stderr.text(text),
    onProgress,
  });
  let status = null;
  let failure = null;
  try {
    status = instance.callMain(args);
  } catch (error) {
    failure = error && error.message ? error.message : String(error);
  }
  return { status, failure, FS: instance.FS };
}

// ---- the image, as the viewer draws it

async function inflate(bytes) {
  const stream = new Blob([bytes]).stream().pipeThrough(new DecompressionStream('deflate'));
  const chunks = [];
  let size = 0;
  for (const reader = stream.getReader(); ;) {
    const { done, value } = await reader.read();
    if (done) break;
    chunks.push(value);
    size += value.length;
  }
  const all = new Uint8Array(size);
  let at = 0;
  for (const chunk of chunks) {
    all.set(chunk, at);
    at += chunk.length;
  }
  return all;
}

function paeth(a, b, c) {
  const p = a + b - c;
  const pa = Math.abs(p - a);
  const pb = Math.abs(p - b);
  const pc = Math.abs(p - c);
  return pa <= pb && pa <= pc ? a : pb <= pc ? b : c;
}

// The palette and the palette index of every pixel of an 8-bit palette PNG;
// null for any other kind of image.
async function decodePng(png) {
  const view = new DataView(png.buffer, png.byteOffset, png.byteLength);
  let width = 0;
  let height = 0;
  let palette = null;
  const data = [];
  for (let at = 8; at + 12 <= png.length;) {
    const length = view.getUint32(at);
    const type = String.fromCharCode(...png.subarray(at + 4, at + 8));
    const body = png.subarray(at + 8, at + 8 + length);
    if (type === 'IHDR') {
      width = view.getUint32(at + 8);
      height = view.getUint32(at + 12);
      if (body[8] !== 8 || body[9] !== 3 || body[12] !== 0) return null;
    } else if (type === 'PLTE') {
      palette = body.slice();
    } else if (type === 'IDAT') {
      data.push(body);
    }
    at += 12 + length;
  }
  if (palette === null || width === 0 || height === 0 || width * height > MOST_VIEW_PIXELS) return null;
  const raw = await inflate(new Blob(data));
  const rowBytes = width + 1;
  if (raw.length < rowBytes * height) return null;
  const pixels = new Uint8Array(width * height);
  let above = new Uint8Array(width);
  for (let y = 0; y < height; y++) {
    const filter = raw[y * rowBytes];
    const row = raw.subarray(y * rowBytes + 1, (y + 1) * rowBytes);
    const out = pixels.subarray(y * width, (y + 1) * width);
    if (filter === 0) out.set(row);
    else if (filter === 2) for (let x = 0; x < width; x++) out[x] = row[x] + above[x];
    else if (filter === 1) for (let x = 0; x < width; x++) out[x] = row[x] + (x > 0 ? out[x - 1] : 0);
    else if (filter === 3)
      for (let x = 0; x < width; x++) out[x] = row[x] + (((x > 0 ? out[x - 1] : 0) + above[x]) >> 1);
    else if (filter === 4)
      for (let x = 0; x < width; x++)
        out[x] = row[x] + paeth(x > 0 ? out[x - 1] : 0, above[x], x > 0 ? above[x - 1] : 0);
    else return null;
    above = out;
  }
  return { width, height, palette, pixels };
}

// Colour channels ten bits apart, so that four of them add without a carry,
// and back to eight bits apart with the sum of four divided by four.
function spread(c) {
  return (c & 0xff) | ((c & 0xff00) << 2) | ((c & 0xff0000) << 4);
}

function packQuarter(sum) {
  return (
    (((sum & 0x3ff) + 2) >> 2) | (((((sum >> 10) & 0x3ff) + 2) >> 2) << 8) | (((((sum >> 20) & 0x3ff) + 2) >> 2) << 16)
  );
}

// Each texel the average of two by two texels below it (of the tiles, through
// their colours, for the first level). A texel over the last column or row of
// an odd size takes it twice, which averages the same. The tiles' bytes and
// the texels' words go through two loops rather than one: a loop that reads
// both runs a 4096 x 4096 map's levels a fifth slower or worse.
function halveTiles(tiles, width, height, colours) {
  const w = Math.ceil(width / 2);
  const h = Math.ceil(height / 2);
  const spreadColours = new Int32Array(256);
  for (let i = 0; i < 256; i++) spreadColours[i] = spread(colours[i]);
  const texels = new Int32Array(w * h);
  for (let y = 0; y < h; y++) {
    const top = 2 * y * width;
    const bottom = Math.min(2 * y + 1, height - 1) * width;
    for (let x = 0, o = y * w; x < w; x++, o++) {
      const left = 2 * x;
      const right = left + 1 < width ? left + 1 : left;
      texels[o] = packQuarter(
        spreadColours[tiles[top + left]] +
          spreadColours[tiles[top + right]] +
          spreadColours[tiles[bottom + left]] +
          spreadColours[tiles[bottom + right]],
      );
    }
  }
  return { width: w, height: h, texels };
}

function halveTexels({ width, height, texels: source }) {
  const w = Math.ceil(width / 2);
  const h = Math.ceil(height / 2);
  const texels = new Int32Array(w * h);
  for (let y = 0; y < h; y++) {
    const top = 2 * y * width;
    const bottom = Math.min(2 * y + 1, height - 1) * width;
    for (let x = 0, o = y * w; x < w; x++, o++) {
      const left = 2 * x;
      const right = left + 1 < width ? left + 1 : left;
      texels[o] = packQuarter(
        spread(source[top + left]) +
          spread(source[top + right]) +
          spread(source[bottom + left]) +
          spread(source[bottom + right]),
      );
    }
  }
  return { width: w, height: h, texels };
}

// What the viewer draws from: each tile's colour (an index into `colours`,
// packed 0xBBGGRR) and, at every halving, the average colour of the tiles
// under each texel, so that a screen pixel over many tiles shows their mix
// (the share of path and water in it) rather than one of them.
function viewFromTiles(tiles, width, height, colours) {
  const levels = [];
  if (width > 1 || height > 1) levels.push(halveTiles(tiles, width, height, colours));
  while (levels.length > 0 && (levels[levels.length - 1].width > 1 || levels[levels.length - 1].height > 1)) {
    levels.push(halveTexels(levels[levels.length - 1]));
  }
  return { width, height, colours, tiles, levels };
}

function paletteColours(palette) {
  const colours = new Int32Array(256);
  for (let i = 0; i < 256 && 3 * i + 2 < palette.length; i++) {
    colours[i] = palette[3 * i] | (palette[3 * i + 1] << 8) | (palette[3 * i + 2] << 16);
  }
  return colours;
}

// The view of the preview's image, `scale` image pixels to a tile.
function viewOfImage(image, scale) {
  const width = Math.floor(image.width / scale);
  const height = Math.floor(image.height / scale);
  let tiles = image.pixels;
  if (scale > 1) {
    tiles = new Uint8Array(width * height);
    for (let y = 0; y < height; y++) {
      const row = y * scale * image.width;
      for (let x = 0; x < width; x++) tiles[y * width + x] = image.pixels[row + x * scale];
    }
  }
  return viewFromTiles(tiles, width, height, paletteColours(image.palette));
}

// The colour the preview gives each of the 65536 tile values, learned from
// the preview itself: its image of a map of 256 x 256 tiles that holds every
// value once, drawn at scale 2. With it, a map trevalk just made is shown
// from its own tiles while the preview still compresses its image.
async function learnColours() {
  const map = new Uint8Array(8 + 4 + 8 + 2 * 65536);
  const words = new DataView(map.buffer);
  map.set([68, 73, 77, 32], 0); // "DIM "
  words.setUint32(4, 4, true);
  words.setUint16(8, 256, true);
  words.setUint16(10, 256, true);
  map.set([77, 84, 88, 77], 12); // "MTXM"
  words.setUint32(16, 2 * 65536, true);
  for (let value = 0; value < 65536; value++) words.setUint16(20 + 2 * value, value, true);
  const run = await runPreview('colours.dat', 'colours.png', new PartList([map]));
  const image = run.png === null ? null : await decodePng(run.png.bytes());
  if (image === null || image.width !== 512 || image.height !== 512) return null;
  const table = new Uint8Array(65536);
  for (let value = 0; value < 65536; value++) table[value] = image.pixels[2 * (value >> 8) * 512 + 2 * (value & 255)];
  const learned = { table, colours: paletteColours(image.palette) };
  postMessage({ type: 'colours', ...learned });
  return learned;
}

// The colours of a map's tiles, as the preview draws them: the size from
// the last "DIM " section, the tiles from the last "MTXM" section; null when
// the map is not one of that plain kind.
function tilesOfMap(parts, listing, learned) {
  if (learned === null || listing.more > 0) return null;
  const last = (name) => listing.sections.findLast((section) => String.fromCharCode(...section.name) === name);
  const dim = last('DIM ');
  const layer = last('MTXM');
  if (!dim || !dim.size || !layer) return null;
  const [width, height] = dim.size;
  const count = width * height;
  if (count === 0 || count > MOST_VIEW_PIXELS || layer.held < 2 * count) return null;
  let bytes = parts.range(layer.start, 2 * count);
  if (bytes.byteOffset % 2 !== 0) bytes = bytes.slice();
  // The map's words are little-endian, as every browser's typed arrays are.
  const values = new Uint16Array(bytes.buffer, bytes.byteOffset, count);
  const tiles = new Uint8Array(count);
  const table = learned.table;
  for (let i = 0; i < count; i++) tiles[i] = table[values[i]];
  return { tiles, width, height, colours: learned.colours };
}

// ---- a map's sections

// The map's sections in file order: name (4 bytes), length, where its data
// starts, how much of it the file holds, and the two words of "DIM ".
function listSections(parts) {
  const sections = [];
  let more = 0;
  let at = 0;
  const head = new Uint8Array(8);
  const words = new DataView(head.buffer);
  while (at + 8 <= parts.size) {
    parts.read(at, head, 0, 8);
    const length = words.getUint32(4, true);
    const held = Math.min(length, parts.size - at - 8);
    if (sections.length < MOST_SECTIONS) {
      const section = { name: head.slice(0, 4), start: at + 8, length, held };
      if (String.fromCharCode(...section.name) === 'DIM ' && held >= 4) {
        const dim = new Uint8Array(4);
        parts.read(at + 8, dim, 0, 4);
        section.size = [dim[0] | (dim[1] << 8), dim[2] | (dim[3] << 8)];
      }
      sections.push(section);
    } else {
      more++;
    }
    at += 8 + length;
  }
  return { sections, more, trailing: Math.max(0, parts.size - at) };
}

// ---- the two kinds of request

function progressReporter(id) {
  let last = 0;
  return (fraction) => {
    const now = performance.now();
    if (now - last < PROGRESS_EVERY_MS) return;
    last = now;
    postMessage({ type: 'progress', id, fraction: Math.min(1, Math.max(0, fraction)) });
  };
}

// trevalk-preview MAP PNG on the map `parts`, with --starts=REPORT when a
// report ({ name, parts }) is given: its status, output and image.
async function runPreview(mapName, pngName, parts, onProgress = () => {}, report = null) {
  const stdout = new Output();
  const stderr = new Output();
  const started = performance.now();
  const args = report === null ? [mapName, pngName] : [`--starts=${report.name}`, mapName, pngName];
  const files = { [mapName]: parts };
  if (report !== null) files[report.name] = report.parts;
  const run = await runProgram(createTrevalkPreview, modules.preview, 'trevalk-preview', args, {
    files,
    stdout,
    stderr,
    onProgress,
  });
  return {
    status: run.status,
    failure: run.failure,
    stdout: stdout.result(),
    stderr: stderr.result(),
    png: run.status === 0 ? partsOf(run.FS, pngName) : null,
    time: performance.now() - started,
  };
}

// The preview of `parts` for the page: the image to download and, unless
// the map was shown already, the view of the image.
async function preview(mapName, pngName, parts, report, from, to, { shown, starts = null }) {
  const run = await runPreview(
    mapName,
    pngName,
    parts,
    (done, total) => report(from + ((to - from) * 0.9 * done) / total),
    starts,
  );
  const result = { ...run, pngName, png: null, view: null };
  if (run.png === null) return result;
  result.png = run.png.blob('image/png');
  if (!shown) {
    const started = performance.now();
    const image = await decodePng(run.png.bytes());
    if (image !== null) {
      const scale = /tiles at scale ([0-9]+)/.exec(new TextDecoder().decode(run.stdout.head));
      result.view = viewOfImage(image, scale ? Number(scale[1]) : 1);
    }
    result.viewTime = performance.now() - started;
  }
  report(to);
  return result;
}

const transfers = (view) => (view ? [view.tiles.buffer, ...view.levels.map((level) => level.texels.buffer)] : []);

// trevalk with `args` (its options, then xsize ysize pathwidth waterwidth
// tileset outfile) and `env`, in a folder holding `template` as
// ruvivare.dat; then the preview of the map it wrote, with the starts of
// the report it wrote as `report`, when it was asked for one.
async function make({ id, args, env, outfile, report: reportName, pngName, template, expectedBytes }) {
  const report = progressReporter(id);
  let rows = 0;
  let row = 0;
  let written = 0;
  let writing = false;
  const stdout = new Output((line) => {
    const size = /^([0-9]+)x([0-9]+) p-?[0-9]+ w-?[0-9]+$/.exec(line);
    if (size && rows === 0) {
      rows = Number(size[2]);
    } else if (line.startsWith('[')) {
      writing = true;
    } else if (rows > 0 && !writing && row < rows) {
      row++;
      report((0.4 * row) / rows);
    }
  });
  const stderr = new Output();
  const started = performance.now();
  const run = await runProgram(createTrevalk, modules.trevalk, 'trevalk', args, {
    files: { 'ruvivare.dat': new PartList([template]) },
    env,
    stdout,
    stderr,
    onWrite: (length) => {
      written += length;
      if (writing) report(0.4 + (0.1 * written) / expectedBytes);
    },
  });
  const result = {
    type: 'done',
    id,
    status: run.status,
    failure: run.failure,
    stdout: stdout.result(),
    stderr: stderr.result(),
    map: null,
  };
  result.time = performance.now() - started;
  const map = run.status === 0 ? partsOf(run.FS, outfile) : null;
  if (map !== null) {
    result.sections = listSections(map);
    // The map is shown from its tiles at once, its view made by the other
    // worker while this one runs the preview.
    const viewStarted = performance.now();
    const tiles = tilesOfMap(map, result.sections, await learnedColours);
    if (tiles !== null) {
      const message = { type: 'tiles', id, ...tiles };
      if (viewPort !== null) {
        viewPort.postMessage(message, [tiles.tiles.buffer]);
        result.viewSent = true;
      } else {
        showTiles(message);
      }
    }
    result.viewTime = performance.now() - viewStarted;
    const reportParts = reportName ? partsOf(run.FS, reportName) : null;
    let starts = null;
    if (reportParts !== null) {
      const bytes = reportParts.bytes();
      result.report = {
        name: reportName,
        text: new TextDecoder().decode(bytes),
        blob: new Blob([bytes], { type: 'application/json' }),
      };
      starts = { name: reportName, parts: reportParts };
    }
    result.preview = await preview(outfile, pngName, map, report, 0.5, 1, { shown: tiles !== null, starts });
    const blobStarted = performance.now();
    result.map = map.blob('application/octet-stream');
    result.blobTime = performance.now() - blobStarted;
  }
  postMessage(result, transfers(result.preview?.view));
}

// The preview of a map file the user opened.
async function open({ id, file, name, pngName }) {
  const report = progressReporter(id);
  const parts = new PartList([new Uint8Array(await file.arrayBuffer())]);
  const result = { type: 'done', id, sections: listSections(parts) };
  result.preview = await preview(name, pngName, parts, report, 0, 1, { shown: false });
  postMessage(result, transfers(result.preview.view));
}

// The view of a made map's tiles, to the page.
function showTiles({ id, tiles, width, height, colours }) {
  const view = viewFromTiles(tiles, width, height, colours);
  postMessage({ type: 'view', id, view }, transfers(view));
}

onmessage = async ({ data }) => {
  try {
    if (data.type === 'port') {
      data.port.onmessage = (event) => showTiles(event.data);
    } else if (data.type === 'modules') {
      modules = data;
      viewPort = data.viewPort || null;
      learnedColours = data.colours ? Promise.resolve(data.colours) : learnColours().catch(() => null);
    } else if (data.type === 'make') await make(data);
    else if (data.type === 'open') await open(data);
  } catch (error) {
    postMessage({ type: 'failed', id: data.id, message: error && error.message ? error.message : String(error) });
  }
};
