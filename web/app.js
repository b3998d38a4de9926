// The page: a form for trevalk's six arguments and the seed, a run of
// trevalk and then of trevalk-preview on the map it wrote, and the results:
// exit status, standard output and error, the image, two downloads.
import { preparePrograms, runPreview, runTrevalk } from './programs.js';

// The largest map this page makes, in tiles: a 4096 x 4096 map is about
// 150 MB, held a few times over (the program's files, the preview's, the
// download), which a browser tab manages.
const MOST_TILES = 4096 * 4096;
// Maps up to this many tiles are made again shortly after an input changes.
const AUTO_TILES = 1024 * 1024;
const AUTO_DELAY_MS = 300;
// Standard output shown at most, in bytes.
const LOG_LIMIT = 64 * 1024;
const DEFAULT_OUTFILE = 'maze.dat';

const $ = (id) => document.getElementById(id);
const ARGUMENTS = ['xsize', 'ysize', 'pathwidth', 'waterwidth', 'tileset', 'outfile'];
const fields = Object.fromEntries([...ARGUMENTS, 'seed'].map((id) => [id, $(id)]));
const templateInput = $('template');

// ---- the command line's numbers

// A number as trevalk reads it ("%d"): blanks, a sign, digits; the rest is
// ignored. null when there is no digit or it does not fit 32 bits.
function parseDecimal(text) {
  const match = /^[ \t\n\v\f\r]*([+-]?)([0-9]+)/.exec(text);
  if (!match) return null;
  const value = BigInt(match[1] === '-' ? `-${match[2]}` : match[2]);
  if (value < -(2n ** 31n) || value > 2n ** 31n - 1n) return null;
  return Number(value);
}

// Width or height in tiles, as the map stores it: the low 16 bits.
const tilesOf = (value) => value & 0xffff;

const formatCount = (n) => n.toLocaleString('en-US');

function shellWord(text) {
  return /^[A-Za-z0-9_.,:+=\/-]+$/.test(text) ? text : `'${text.replace(/'/g, `'\\''`)}'`;
}

function commandLine(values) {
  const words = ARGUMENTS.map((name) => shellWord(values[name]));
  const seed = values.seed === '' ? '' : `QUENDREL_SEED=${shellWord(values.seed)} `;
  return `${seed}trevalk ${words.join(' ')}`;
}

// ---- the address: #64x64/4/2/2/seed=123 (and /out=NAME for another file name)

function addressOf(values) {
  const part = (text) => encodeURIComponent(text);
  let hash = `${part(values.xsize).replace(/x/gi, (c) => `%${c.charCodeAt(0).toString(16)}`)}x`;
  hash += `${part(values.ysize)}/${part(values.pathwidth)}/${part(values.waterwidth)}/`;
  hash += `${part(values.tileset)}/seed=${part(values.seed)}`;
  if (values.outfile !== DEFAULT_OUTFILE) hash += `/out=${part(values.outfile)}`;
  return `#${hash}`;
}

// The form's values that an address carries; null for an address of none.
function valuesOfAddress(hash) {
  try {
    const parts = hash.replace(/^#/, '').split('/');
    const size = parts[0].search(/x/i);
    if (size < 0) return null;
    const values = {
      xsize: decodeURIComponent(parts[0].slice(0, size)),
      ysize: decodeURIComponent(parts[0].slice(size + 1)),
      seed: '',
    };
    ['pathwidth', 'waterwidth', 'tileset'].forEach((name, i) => {
      if (parts[i + 1] !== undefined && !parts[i + 1].includes('=')) {
        values[name] = decodeURIComponent(parts[i + 1]);
      }
    });
    for (const part of parts.slice(1)) {
      const equals = part.indexOf('=');
      if (equals < 0) continue;
      const key = part.slice(0, equals);
      const value = decodeURIComponent(part.slice(equals + 1));
      if (key === 'seed') values.seed = value;
      if (key === 'out') values.outfile = value;
    }
    return values;
  } catch {
    return null;
  }
}

// ---- checks before a run

function readForm() {
  return Object.fromEntries(Object.entries(fields).map(([name, input]) => [name, input.value]));
}

// Tiles of the map the values ask for; null when the run itself would
// refuse the arguments (it then says so).
function tilesAsked(values) {
  const x = parseDecimal(values.xsize);
  const y = parseDecimal(values.ysize);
  if (x === null || y === null) return null;
  return { width: tilesOf(x), height: tilesOf(y), tiles: tilesOf(x) * tilesOf(y) };
}

// Whether every section of the map fits its 32-bit length, as trevalk
// checks before it makes anything (it says so itself when they do not).
function mapFits({ width, height }) {
  return 2 * width * height <= 0xffffffff && (4 * width + 8) * (height + 1) <= 0xffffffff;
}

// Why the page does not run trevalk with these values; null when it does.
function refusal(values) {
  const name = values.outfile;
  // Browsers save a download under a plain name, and change the characters
  // that some systems do not allow in one.
  if (name === '' || name === '.' || name === '..' || /[\/\\:*?"<>|\x00-\x1f]/.test(name)) {
    return `The file name "${name}" is not a plain file name: the map is downloaded under a name without folders or any of the characters \\ / : * ? " < > |.`;
  }
  if (new TextEncoder().encode(name).length > 255) {
    return `The file name is longer than 255 bytes, more than file systems take.`;
  }
  if (values.seed !== '' && !/^[0-9]+$/.test(values.seed)) {
    return `The seed "${values.seed}" is not a whole number from 0 to 4294967295; leave it empty for a random one.`;
  }
  if (values.seed !== '' && BigInt(values.seed) > 4294967295n) {
    return `The seed ${values.seed} is larger than 4294967295; leave it empty for a random one.`;
  }
  const asked = tilesAsked(values);
  if (asked !== null && asked.tiles > MOST_TILES && mapFits(asked)) {
    return (
      `A map of ${asked.width} x ${asked.height} tiles (${formatCount(asked.tiles)} tiles) is ` +
      `larger than this page makes: at most 4096 x 4096 tiles (${formatCount(MOST_TILES)}, in any ` +
      `shape) fit its memory. The command line makes it:\n  ` +
      commandLine(values)
    );
  }
  return null;
}

function randomSeed() {
  return crypto.getRandomValues(new Uint32Array(1))[0];
}

// ---- the template

let shippedTemplate = null;

async function templateBytes() {
  const chosen = templateInput.files[0];
  if (chosen) return new Uint8Array(await chosen.arrayBuffer());
  if (!shippedTemplate) {
    shippedTemplate = fetch(new URL('data/ruvivare.dat', import.meta.url)).then(async (response) => {
      if (!response.ok) throw new Error(`data/ruvivare.dat: ${response.status} ${response.statusText}`);
      return new Uint8Array(await response.arrayBuffer());
    });
    shippedTemplate.catch(() => {
      shippedTemplate = null;
    });
  }
  return shippedTemplate;
}

// ---- showing a run

const decoder = new TextDecoder();
let objectUrls = [];

function offerDownload(link, bytes, name, type) {
  const url = URL.createObjectURL(new Blob([bytes], { type }));
  objectUrls.push(url);
  link.href = url;
  link.download = name;
  link.textContent = `Download ${name}`;
  link.hidden = false;
}

function clearResults() {
  for (const url of objectUrls) URL.revokeObjectURL(url);
  objectUrls = [];
  for (const link of [$('download-map'), $('download-png')]) {
    link.hidden = true;
    link.removeAttribute('href');
  }
  $('preview').classList.add('stale');
  $('preview-errors').hidden = true;
  $('log-note').hidden = true;
  $('share-note').hidden = true;
  $('log').textContent = '';
  $('errors').textContent = '';
  $('preview-caption').textContent = '';
}

function showText(bytes, element, note) {
  const shown = bytes.length > LOG_LIMIT ? bytes.subarray(0, LOG_LIMIT) : bytes;
  element.textContent = decoder.decode(shown);
  if (note && bytes.length > LOG_LIMIT) {
    note.textContent =
      `The run printed ${formatCount(bytes.length)} bytes; only the first 64 KiB ` +
      `(${formatCount(LOG_LIMIT)} bytes) are shown.`;
    note.hidden = false;
  }
}

// Draws the image on the canvas. An image element would do, but the browser
// keeps every image it decoded for one, and a large map's image takes tens of
// megabytes; a decoded bitmap is let go as soon as it is drawn.
async function showPreview(png) {
  const canvas = $('preview');
  canvas.classList.remove('stale');
  if (!png) {
    canvas.width = canvas.height = 0;
    canvas.hidden = true;
    return;
  }
  const bitmap = await createImageBitmap(new Blob([png], { type: 'image/png' }));
  canvas.width = bitmap.width;
  canvas.height = bitmap.height;
  canvas.getContext('2d').drawImage(bitmap, 0, 0);
  bitmap.close();
  canvas.hidden = false;
}

function pngNameOf(outfile) {
  const name = /\.[^.]*$/.test(outfile) ? outfile.replace(/\.[^.]*$/, '.png') : `${outfile}.png`;
  return name === outfile ? `${outfile}.png` : name;
}

// ---- one run

async function makeMap() {
  const values = readForm();
  clearResults();
  const refused = refusal(values);
  if (refused !== null) {
    $('errors').textContent = refused;
    $('command').textContent = '';
    await showPreview(null);
    $('status').textContent = 'not made';
    return;
  }
  if (values.seed === '') {
    values.seed = String(randomSeed());
    fields.seed.value = values.seed;
  }
  history.replaceState(null, '', addressOf(values));
  $('command').textContent = commandLine(values);
  $('share-note').hidden = templateInput.files.length === 0;
  $('status').textContent = 'making…';

  let template;
  try {
    template = await templateBytes();
  } catch (error) {
    $('errors').textContent = `The template could not be read: ${error.message}`;
    await showPreview(null);
    $('status').textContent = 'not made';
    return;
  }
  const args = ARGUMENTS.map((name) => values[name]);
  const started = performance.now();
  const run = await runTrevalk(args, { seed: values.seed, template });
  performance.measure('trevalk', { start: started });
  showText(run.stdout, $('log'), $('log-note'));
  showText(run.stderr, $('errors'));
  if (run.failure !== null) $('errors').textContent += `\n${run.failure}`;

  let png = null;
  if (run.status === 0 && run.map) {
    offerDownload($('download-map'), run.map, values.outfile, 'application/octet-stream');
    const pngName = pngNameOf(values.outfile);
    const previewStarted = performance.now();
    const preview = await runPreview(values.outfile, run.map, pngName);
    performance.measure('trevalk-preview', { start: previewStarted });
    if (preview.status === 0 && preview.png) {
      png = preview.png;
      offerDownload($('download-png'), png, pngName, 'image/png');
      $('preview').setAttribute('aria-label', `The map ${values.outfile}`);
      $('preview-caption').textContent = decoder.decode(preview.stdout).trim();
    } else {
      const why = decoder.decode(preview.stderr).trim() || preview.failure || '';
      $('preview-errors').textContent = `No image: trevalk-preview ended with exit ${preview.status}.\n${why}`;
      $('preview-errors').hidden = false;
    }
  }
  await showPreview(png);
  $('status').textContent = run.status === null ? 'ended abnormally' : `exit ${run.status}`;
}

// ---- when to run: one run at a time; a request during a run makes one
// more afterwards; input changes wait a moment.

let running = false;
let again = false;
let timer = null;
let runs = 0;

function showState() {
  document.body.dataset.state = running || again || timer !== null ? 'busy' : 'idle';
  document.body.dataset.runs = String(runs);
}

async function requestRun() {
  if (timer !== null) clearTimeout(timer);
  timer = null;
  if (running) {
    again = true;
    showState();
    return;
  }
  running = true;
  showState();
  try {
    await makeMap();
  } catch (error) {
    const errors = $('errors');
    errors.textContent += `${errors.textContent ? '\n' : ''}${error && error.message ? error.message : error}`;
    await showPreview(null).catch(() => {});
    $('status').textContent = 'not made';
  } finally {
    running = false;
    runs += 1;
    showState();
  }
  if (again) {
    again = false;
    requestRun();
  }
}

// What is shown no longer belongs to the form: no download of it is offered.
function markChanged(status) {
  for (const link of [$('download-map'), $('download-png')]) link.hidden = true;
  $('preview').classList.add('stale');
  $('status').textContent = status;
}

function inputChanged() {
  if (timer !== null) clearTimeout(timer);
  timer = null;
  const asked = tilesAsked(readForm());
  if (asked !== null && asked.tiles > AUTO_TILES) {
    markChanged('changed: a map this large waits for “Make the map”');
    showState();
    return;
  }
  markChanged('changed');
  timer = setTimeout(() => {
    timer = null;
    requestRun();
  }, AUTO_DELAY_MS);
  showState();
}

function fillForm(values) {
  for (const [name, value] of Object.entries(values)) {
    if (fields[name] && value !== undefined) fields[name].value = value;
  }
}

$('form').addEventListener('submit', (event) => {
  event.preventDefault();
  requestRun();
});
$('form').addEventListener('input', (event) => {
  if (event.target === templateInput) return;
  if (event.target === fields.seed && fields.seed.value === '') {
    // The seed is being typed: a seed drawn now would mix into it.
    if (timer !== null) clearTimeout(timer);
    timer = null;
    markChanged('changed: “Make the map” draws a seed when the field is empty');
    showState();
    return;
  }
  inputChanged();
});
templateInput.addEventListener('change', inputChanged);
$('template-clear').addEventListener('click', () => {
  templateInput.value = '';
  inputChanged();
});
$('reseed').addEventListener('click', () => {
  fields.seed.value = '';
  requestRun();
});
window.addEventListener('hashchange', () => {
  const values = valuesOfAddress(location.hash);
  if (values) {
    // An address says everything a map is made from: what it leaves out is
    // the default, and the template the shipped one.
    templateInput.value = '';
    fillForm({ outfile: DEFAULT_OUTFILE, ...values });
    requestRun();
  }
});

const opened = valuesOfAddress(location.hash);
if (opened) fillForm(opened);
preparePrograms().catch(() => {});
requestRun();
