// The page: a form for trevalk's six arguments, the seed and the fair-map
// options, a run of trevalk and then of trevalk-preview on the map it wrote
// (in a worker), and the result: a status line, the map to zoom into with
// the players' starts, the downloads, the fairness report, and the details
// of what the programs printed. A map file can also be opened and
// drawn. The rules live in rules.js, the memory in settings.js, the words in
// view.js, the map's canvas in viewer.js, the worker's side in programs.js.
import { Programs, shippedTemplate, Stopped } from './programs.js';
import {
  DEFAULTS,
  FAIR_FIELDS,
  commandLine,
  fieldRefusals,
  fileNameRefusal,
  formatCount,
  mapLengths,
  parseAddress,
  parseDecimal,
  pngNameOf,
  runWords,
  shellWord,
} from './rules.js';
import {
  forgetSettings,
  forgetTemplate,
  keepTemplate,
  loadSettings,
  loadTemplate,
  recordAddress,
  saveSettings,
} from './settings.js';
import {
  $,
  clearResults,
  fillForm,
  firstError,
  hideDownloads,
  offerDownload,
  readForm,
  setBusy,
  setProgress,
  setStatus,
  showChoices,
  showRefusals,
  showReport,
  showRun,
  showSavedNames,
  showSections,
} from './view.js';
import { Viewer } from './viewer.js';

// Maps up to this many tiles are made again shortly after an input changes.
const AUTO_TILES = 1024 * 1024;
const AUTO_DELAY_MS = 300;
// Map files opened at most, in bytes.
const MOST_OPENED = 1024 ** 3;

const programs = new Programs();
const viewer = new Viewer($('preview'));
let ownTemplate = null; // { name, bytes } of the user's own template
let runs = 0;
let timer = null;
// The address of the map shown, which a change of address is compared with.
let shownAddress = null;

// The fair-map fields at their defaults, for the presets that are plain maps.
const PLAIN = Object.fromEntries(FAIR_FIELDS.map((name) => [name, DEFAULTS[name]]));
const PRESETS = {
  duel: {
    xsize: '64',
    ysize: '64',
    pathwidth: '4',
    waterwidth: '2',
    tileset: '2',
    symmetry: 'rotate-180',
    players: '2',
    loops: '0',
    straight: '0',
  },
  four: {
    xsize: '256',
    ysize: '256',
    pathwidth: '6',
    waterwidth: '2',
    tileset: '2',
    symmetry: 'four-way',
    players: '4',
    loops: '20',
    straight: '0',
  },
  islands: { xsize: '128', ysize: '128', pathwidth: '4', waterwidth: '6', tileset: '2', ...PLAIN },
  huge: { xsize: '4096', ysize: '4096', pathwidth: '4', waterwidth: '2', tileset: '2', ...PLAIN },
};

function randomSeed() {
  return String(crypto.getRandomValues(new Uint32Array(1))[0]);
}

// Shows what the form's values make the page refuse, and the choices they
// leave; says so in the status and returns false when anything is refused.
function checkForm(values) {
  const refusals = fieldRefusals(values);
  showRefusals(refusals);
  showChoices(values);
  if (Object.keys(refusals).length === 0) return true;
  setStatus('Not made: a setting needs changing (marked below its field).');
  return false;
}

function showTemplate() {
  $('template-name').textContent = ownTemplate
    ? `Your own template, ${ownTemplate.name} (${formatCount(ownTemplate.bytes.length)} bytes), kept in this browser.`
    : 'The template that comes with trevalk.';
  $('template-clear').hidden = ownTemplate === null;
}

// Runs `work` as the page's one run: the state, the Stop button and the
// progress follow it. A newer run, or Stop, ends it; `work` gets a check to
// make before it starts the programs.
let current = 0;
let stopped = 0;
async function asRun(work) {
  const mine = ++current;
  const stillWanted = () => {
    if (mine !== current || mine === stopped) throw new Stopped('Stopped.');
  };
  setBusy(true, runs);
  try {
    await work(stillWanted);
  } catch (error) {
    if (mine === current) {
      if (error instanceof Stopped) {
        setStatus('Stopped: no map was made.');
      } else {
        setStatus(`Not made: ${error.message} Making the map again tries again.`);
        $('errors').textContent = error.message;
      }
      viewer.show(null);
    }
  } finally {
    if (mine === current) setProgress(null);
    runs += 1;
    setBusy(programs.running || timer !== null, runs);
  }
}

function stop() {
  stopped = current;
  programs.stop();
}

function progressShown(verb) {
  let tenths = -1;
  return (fraction) => {
    setProgress(fraction);
    const now = Math.floor(fraction * 10);
    if (now !== tenths) {
      tenths = now;
      setStatus(`${verb}… ${now * 10} %`);
    }
  };
}

// ---- making a map

async function makeMap(stillWanted, { record = 'push', reveal = false } = {}) {
  const values = readForm();
  viewer.setStarts([]);
  if (!checkForm(values)) {
    hideDownloads();
    $('preview').classList.add('stale');
    return;
  }
  if (values.seed === '') {
    values.seed = randomSeed();
    $('seed').value = values.seed;
  }
  if (record) recordAddress(values, { replace: record === 'replace' });
  shownAddress = location.hash;
  saveSettings(values);
  clearResults({ command: commandLine(values) });
  $('share-note').hidden = ownTemplate === null;
  const showProgress = progressShown('Making');
  showProgress(0);
  if (reveal && matchMedia('(max-width: 50rem)').matches) $('result').scrollIntoView({ block: 'start' });

  const template = ownTemplate ? ownTemplate.bytes : await shippedTemplate();
  stillWanted();
  const width = parseDecimal(values.xsize);
  const height = parseDecimal(values.ysize);
  const lengths = mapLengths(width, height);
  const started = performance.now();
  const words = runWords(values);
  let label = `The map ${values.outfile}, ${width} x ${height} tiles`;
  let shown = false;
  const showView = (view) => {
    shown = true;
    $('preview').classList.remove('stale');
    $('preview').setAttribute('aria-label', label);
    viewer.show(view);
    viewer.drawn().then(() => performance.measure('shown', { start: started }));
  };
  const result = await programs.start(
    {
      type: 'make',
      args: words.args,
      env: words.env,
      outfile: values.outfile,
      report: words.report,
      pngName: pngNameOf(values.outfile),
      template,
      expectedBytes: lengths.mask + lengths.isom + 2 * lengths.tile + template.length,
    },
    showProgress,
    showView,
  );
  showRun(result);
  if (result.status !== 0 || !result.map) {
    viewer.show(null);
    setStatus(
      result.status === null
        ? `Not made: the program stopped (${firstError(result)}).`
        : `Not made: ${firstError(result)}`,
      result.status,
    );
    return;
  }
  offerDownload('download-map', result.map, values.outfile);
  showSections(result.sections, values.outfile);
  if (result.report) {
    const report = JSON.parse(result.report.text);
    offerDownload('download-report', result.report.blob, result.report.name);
    showReport(report);
    viewer.setStarts(report.starts);
    label += `, with the ${report.starts.length} players' starts numbered (see Fairness)`;
  }
  showPreview(result.preview, label, { shown });
  performance.measure('make', { start: started });
  // Where the time went, for bench/web.
  const parts = {
    trevalk: result.time,
    'trevalk-preview': result.preview.time,
    view: result.viewTime,
    image: result.preview.viewTime,
    'map-blob': result.blobTime,
  };
  for (const [name, time] of Object.entries(parts)) performance.measure(name, { start: started, duration: time ?? 0 });
  await viewer.drawn();
  setStatus(result.preview.png ? 'Map ready' : 'Map ready, but its image could not be made (see below)', result.status);
}

// The image of a map, drawn and offered; a preview that failed says why.
// `shown`: the map is on the canvas already, drawn from its tiles.
function showPreview(preview, label, { shown = false } = {}) {
  $('preview').classList.remove('stale');
  $('preview').setAttribute('aria-label', label);
  if (preview.png) {
    offerDownload('download-png', preview.png, preview.pngName);
    $('preview-caption').textContent = new TextDecoder().decode(preview.stdout.head).trim();
  } else {
    $('preview-errors').textContent =
      `No image: trevalk-preview ended with exit status ${preview.status ?? 'none'}.\n${firstError(preview)}`;
    $('preview-errors').hidden = false;
  }
  if (preview.view) viewer.show(preview.view);
  else if (!shown) viewer.show(null);
}

// ---- opening a map file

async function openMap(stillWanted, file) {
  viewer.setStarts([]);
  const name = fileNameRefusal(file.name) === null ? file.name : 'map.dat';
  const pngName = pngNameOf(name);
  clearResults({ command: `trevalk-preview ${shellWord(name)} ${shellWord(pngName)}` });
  if (file.size > MOST_OPENED) {
    setStatus(
      `Not opened: ${file.name.slice(0, 100)} is ${formatCount(file.size)} bytes, more than this page opens (1 GiB).`,
    );
    viewer.show(null);
    return;
  }
  stillWanted();
  const result = await programs.start({ type: 'open', file, name, pngName }, progressShown('Drawing'));
  const label = name === file.name ? name : `${name} (opened from a file whose name cannot be saved as it is)`;
  showRun(result.preview);
  showSections(result.sections, label);
  showPreview(result.preview, `The map ${label}`);
  await viewer.drawn();
  setStatus(result.preview.png ? `Opened ${label}` : `Not drawn: ${firstError(result.preview)}`, result.preview.status);
}

// ---- when to run: a new request replaces a running one; input changes
// wait a moment, and large maps wait for "Make the map".

function requestMake(options) {
  if (timer !== null) clearTimeout(timer);
  timer = null;
  return asRun((stillWanted) => makeMap(stillWanted, options));
}

function inputChanged() {
  if (timer !== null) clearTimeout(timer);
  timer = null;
  const values = readForm();
  showSavedNames(values.outfile);
  hideDownloads();
  $('preview').classList.add('stale');
  // What keeps the map from being made again by itself, said in the status.
  let waiting = null;
  if (!checkForm(values)) waiting = '';
  else if (parseDecimal(values.xsize) * parseDecimal(values.ysize) > AUTO_TILES) {
    waiting = 'Changed: a map this large waits for “Make the map”.';
  } else if (values.seed === '' && document.activeElement === $('seed')) {
    // The seed is being typed: a seed drawn now would mix into it.
    waiting = 'Changed: “Make the map” draws a seed while the seed field is empty.';
  }
  if (waiting !== null) {
    if (waiting !== '') setStatus(waiting);
    setBusy(programs.running, runs);
    return;
  }
  setStatus('Changed');
  timer = setTimeout(() => {
    timer = null;
    requestMake();
  }, AUTO_DELAY_MS);
  setBusy(true, runs);
}

// Fills the form from the address and makes its map; a bad address is
// refused in words, and the form keeps what it held.
function followAddress({ first = false } = {}) {
  if (location.hash === shownAddress) return false;
  shownAddress = location.hash;
  const asked = parseAddress(location.hash);
  if (asked.none) return false;
  if (asked.error) {
    asRun(async () => {
      setStatus(`Not made: the address is not one this page reads: ${asked.error.slice(0, 200)}`);
    });
    return true;
  }
  fillForm(asked.values);
  showSavedNames(asked.values.outfile);
  requestMake({ record: first ? null : 'replace' });
  return true;
}

// ---- the controls

$('form').addEventListener('submit', (event) => {
  event.preventDefault();
  requestMake({ reveal: true });
});
$('form').addEventListener('input', (event) => {
  if (event.target.type !== 'file') inputChanged();
});
$('reseed').addEventListener('click', () => {
  $('seed').value = '';
  requestMake({ reveal: true });
});
$('cancel').addEventListener('click', stop);
$('reset').addEventListener('click', async () => {
  forgetSettings();
  await forgetTemplate();
  ownTemplate = null;
  $('template').value = '';
  showTemplate();
  fillForm(DEFAULTS);
  showSavedNames(DEFAULTS.outfile);
  requestMake({ reveal: true });
});
for (const button of document.querySelectorAll('[data-preset]')) {
  button.addEventListener('click', () => {
    fillForm({ ...PRESETS[button.dataset.preset], seed: '' });
    requestMake({ reveal: true });
  });
}
$('template').addEventListener('change', async () => {
  const file = $('template').files[0];
  if (!file) return;
  ownTemplate = { name: file.name, bytes: new Uint8Array(await file.arrayBuffer()) };
  showTemplate();
  await keepTemplate(ownTemplate);
  inputChanged();
});
$('template-clear').addEventListener('click', async () => {
  ownTemplate = null;
  $('template').value = '';
  showTemplate();
  await forgetTemplate();
  inputChanged();
});
$('open-map').addEventListener('change', () => {
  const file = $('open-map').files[0];
  // Cleared, so that choosing the same file again opens it again.
  $('open-map').value = '';
  if (file) asRun((stillWanted) => openMap(stillWanted, file));
});
document.addEventListener('dragover', (event) => {
  if (!event.dataTransfer.types.includes('Files')) return;
  event.preventDefault();
  document.body.classList.add('dropping');
});
document.addEventListener('dragleave', (event) => {
  if (event.relatedTarget === null) document.body.classList.remove('dropping');
});
document.addEventListener('drop', (event) => {
  document.body.classList.remove('dropping');
  const file = event.dataTransfer.files[0];
  if (!file) return;
  event.preventDefault();
  asRun((stillWanted) => openMap(stillWanted, file));
});
$('copy-link').addEventListener('click', async () => {
  const button = $('copy-link');
  try {
    await navigator.clipboard.writeText(location.href);
    button.textContent = 'Link copied';
  } catch {
    button.textContent = 'Copy the address from the address bar';
  }
  setTimeout(() => {
    button.textContent = 'Copy link';
  }, 2000);
});
$('zoom-in').addEventListener('click', () => viewer.zoomBy(2));
$('zoom-out').addEventListener('click', () => viewer.zoomBy(0.5));
$('zoom-fit').addEventListener('click', () => viewer.fit());
window.addEventListener('popstate', () => followAddress());
window.addEventListener('hashchange', () => followAddress());

// ---- the start: the address, else the remembered settings

async function start() {
  if (location.protocol === 'http:' || location.protocol === 'https:') {
    navigator.serviceWorker?.register('sw.js').catch(() => {});
  }
  programs.compile().catch(() => {});
  ownTemplate = await loadTemplate();
  showTemplate();
  if (!followAddress({ first: true })) {
    const settings = loadSettings();
    fillForm(settings);
    showSavedNames(settings.outfile);
    requestMake({ record: 'replace' });
  }
}

start();
