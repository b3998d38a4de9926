// The page's controller: a form for trevalk's six arguments, the seed and
// the fair-map options, a run of trevalk and then of trevalk-preview on the
// map it wrote (programs.js), and the result: a status line, the map to zoom
// into with the players' starts, the downloads, the fairness report, and
// the details of what the programs printed. A map file can also be opened
// and drawn. It decides and never touches the page itself: trevalk's own
// checks come from checker.js, the page's rules from rules.js, what it
// remembers from settings.js, and what is shown and done on the page from
// view.js, results.js and viewer.js.
import { loadChecker } from './checker.js';
import { Programs, shippedTemplate, siteFile, Stopped } from './programs.js';
import {
  DEFAULTS,
  PRESETS,
  checkWords,
  clampSettings,
  commandLine,
  fieldRefusals,
  fileNameRefusal,
  firstError,
  formatCount,
  parseAddress,
  pngNameOf,
  runWords,
  shellWord,
  symmetryChoices,
} from './rules.js';
import * as results from './results.js';
import {
  forgetSettings,
  forgetTemplate,
  keepTemplate,
  loadSettings,
  loadTemplate,
  recordAddress,
  saveSettings,
} from './settings.js';
import * as view from './view.js';
import { pageViewer } from './viewer.js';

// Maps up to this many tiles are made again shortly after an input changes.
const AUTO_TILES = 1024 * 1024;
const AUTO_DELAY_MS = 300;
// Map files opened at most, in bytes.
const MOST_OPENED = 1024 ** 3;

const programs = new Programs();
const viewer = pageViewer();
let ownTemplate = null; // { name, bytes } of the user's own template
let runs = 0;
let active = 0;
let timer = null;
// The address of the map shown, which a change of address is compared with.
let shownAddress = null;

function randomSeed() {
  return String(crypto.getRandomValues(new Uint32Array(1))[0]);
}

// ---- trevalk's checker, loaded once (again after a failure)

let checker = null;

function loadedChecker() {
  if (checker === null) {
    checker = siteFile('trevalk-check.wasm').then(loadChecker);
    checker.catch(() => {
      checker = null;
    });
  }
  return checker;
}

async function checkValues(values) {
  let check;
  try {
    check = await loadedChecker();
  } catch (error) {
    throw new Error(`The page could not load trevalk's checker: ${error.message}`, { cause: error });
  }
  return check(checkWords(values));
}

// Shows what the form's values make the page refuse, and the choices they
// leave; says so in the status and returns false when anything is refused.
function showChecks(values, found) {
  const refusals = fieldRefusals(values, found);
  view.showRefusals(refusals);
  view.showChoices(symmetryChoices(found));
  view.showSavedNames(values.outfile, fileNameRefusal(values.outfile) === null);
  if (Object.keys(refusals).length === 0) return true;
  view.showStatus('Not made: a setting needs changing (marked below its field).');
  return false;
}

// Runs `work` as the page's one run: the state, the Stop button and the
// progress follow it. A newer run ends it, and then it says nothing more;
// Stop ends it and says so. `work` gets the run, to check that it is still
// wanted after each wait.
async function asRun(work) {
  const run = programs.begin();
  active += 1;
  view.showBusy(true, runs);
  try {
    await work(run);
  } catch (error) {
    if (run.current) {
      if (error instanceof Stopped) {
        view.showStatus('Stopped: no map was made.');
      } else {
        view.showStatus(`Not made: ${error.message} Making the map again tries again.`);
        results.showFailure(error.message);
      }
      viewer.show(null);
    }
  } finally {
    active -= 1;
    if (run.current) view.showProgress(null);
    runs += 1;
    view.showBusy(active > 0 || timer !== null, runs);
  }
}

function progressShown(verb) {
  let tenths = -1;
  return (fraction) => {
    view.showProgress(fraction);
    const now = Math.floor(fraction * 10);
    if (now !== tenths) {
      tenths = now;
      view.showStatus(`${verb}… ${now * 10} %`);
    }
  };
}

// ---- making a map

async function makeMap(run, { record = 'push', reveal = false } = {}) {
  const values = view.readForm();
  viewer.setStarts([]);
  const found = await checkValues(values);
  run.check();
  if (!showChecks(values, found)) {
    results.hideDownloads();
    viewer.describe(null, { stale: true });
    return;
  }
  if (values.seed === '') {
    values.seed = randomSeed();
    view.fillForm({ seed: values.seed });
  }
  if (record) recordAddress(values, { replace: record === 'replace' });
  shownAddress = location.hash;
  saveSettings(values);
  results.clearResults({ command: commandLine(values), ownTemplate: ownTemplate !== null });
  const showProgress = progressShown('Making');
  showProgress(0);
  if (reveal) view.revealResult();

  const template = ownTemplate ? ownTemplate.bytes : await shippedTemplate();
  run.check();
  const { width, height } = found.request;
  const started = performance.now();
  const words = runWords(values);
  let label = `The map ${values.outfile}, ${width} x ${height} tiles`;
  let shown = false;
  const showView = (made) => {
    shown = true;
    viewer.describe(label);
    viewer.show(made);
    viewer.drawn().then(() => performance.measure('shown', { start: started }));
  };
  const made = await programs.ask(
    run,
    'make',
    {
      args: words.args,
      env: words.env,
      outfile: values.outfile,
      report: words.report,
      pngName: pngNameOf(values.outfile),
      template,
    },
    { onProgress: showProgress, onView: showView },
  );
  results.showRun(made);
  if (made.status !== 0 || !made.map) {
    viewer.show(null);
    const why = firstError(made);
    view.showStatus(made.status === null ? `Not made: the program stopped (${why}).` : `Not made: ${why}`, made.status);
    return;
  }
  results.offerDownload('map', made.map, values.outfile);
  results.showSections(made.sections, values.outfile);
  if (made.report) {
    const report = JSON.parse(made.report.text);
    results.offerDownload('report', made.report.blob, made.report.name);
    results.showReport(report, made.preview.players);
    viewer.setStarts(report.starts, made.preview.players);
    label += `, with the ${report.starts.length} players' starts numbered (see Fairness)`;
  }
  showPreview(made.preview, label, { shown });
  performance.measure('make', { start: started });
  // Where the time went, for bench/web.
  for (const [name, time] of Object.entries(made.times)) {
    performance.measure(name, { start: started, duration: time ?? 0 });
  }
  await viewer.drawn();
  view.showStatus(made.preview.png ? 'Map ready' : 'Map ready, but its image could not be made (see below)', 0);
}

// The image of a map, drawn and offered; a preview that failed says why.
// `shown`: the map is on the canvas already, drawn from its tiles.
function showPreview(preview, label, { shown = false } = {}) {
  viewer.describe(label);
  if (preview.png) {
    results.offerDownload('png', preview.png, preview.pngName);
    results.showCaption(new TextDecoder().decode(preview.stdout.head).trim());
  } else {
    results.showPreviewFailure(
      `No image: trevalk-preview ended with exit status ${preview.status ?? 'none'}.\n${firstError(preview)}`,
    );
  }
  if (preview.view) viewer.show(preview.view);
  else if (!shown) viewer.show(null);
}

// ---- opening a map file

async function openMap(run, file) {
  viewer.setStarts([]);
  const name = fileNameRefusal(file.name) === null ? file.name : 'map.dat';
  const pngName = pngNameOf(name);
  results.clearResults({ command: `trevalk-preview ${shellWord(name)} ${shellWord(pngName)}` });
  if (file.size > MOST_OPENED) {
    view.showStatus(
      `Not opened: ${file.name.slice(0, 100)} is ${formatCount(file.size)} bytes, more than this page opens (1 GiB).`,
    );
    viewer.show(null);
    return;
  }
  const opened = await programs.ask(run, 'open', { file, name, pngName }, { onProgress: progressShown('Drawing') });
  const label = name === file.name ? name : `${name} (opened from a file whose name cannot be saved as it is)`;
  results.showRun(opened.preview);
  results.showSections(opened.sections, label);
  showPreview(opened.preview, `The map ${label}`);
  await viewer.drawn();
  const status = opened.preview.png ? `Opened ${label}` : `Not drawn: ${firstError(opened.preview)}`;
  view.showStatus(status, opened.preview.status);
}

// ---- when to run: a new request replaces a running one; input changes
// wait a moment, and large maps wait for "Make the map".

function requestMake(options) {
  if (timer !== null) clearTimeout(timer);
  timer = null;
  return asRun((run) => makeMap(run, options));
}

async function inputChanged() {
  if (timer !== null) clearTimeout(timer);
  timer = null;
  const values = view.readForm();
  results.hideDownloads();
  viewer.describe(null, { stale: true });
  let found;
  try {
    found = await checkValues(values);
  } catch (error) {
    view.showStatus(`Not made: ${error.message} Making the map again tries again.`);
    return;
  }
  // What keeps the map from being made again by itself, said in the status.
  let waiting = null;
  if (!showChecks(values, found)) waiting = '';
  else if (found.request.width * found.request.height > AUTO_TILES) {
    waiting = 'Changed: a map this large waits for “Make the map”.';
  } else if (values.seed === '' && view.focusedField() === 'seed') {
    // The seed is being typed: a seed drawn now would mix into it.
    waiting = 'Changed: “Make the map” draws a seed while the seed field is empty.';
  }
  if (waiting !== null) {
    if (waiting !== '') view.showStatus(waiting);
    view.showBusy(active > 0, runs);
    return;
  }
  view.showStatus('Changed');
  timer = setTimeout(() => {
    timer = null;
    requestMake();
  }, AUTO_DELAY_MS);
  view.showBusy(true, runs);
}

// The symmetries trevalk takes, by name, which an address may name.
async function symmetryNames() {
  return (await checkValues(DEFAULTS)).symmetries.map(({ name }) => name);
}

// Fills the form from the address and makes its map; a bad address is
// refused in words, and the form keeps what it held.
async function followAddress({ first = false } = {}) {
  if (location.hash === shownAddress) return false;
  shownAddress = location.hash;
  const asked = parseAddress(location.hash, await symmetryNames());
  if (asked.none) return false;
  if (asked.error) {
    asRun(async () => {
      view.showStatus(`Not made: the address is not one this page reads: ${asked.error.slice(0, 200)}`);
    });
    return true;
  }
  view.fillForm(asked.values);
  requestMake({ record: first ? null : 'replace' });
  return true;
}

// ---- what the player does

view.bindForm({ make: () => requestMake({ reveal: true }), changed: inputChanged });
view.bindButtons({
  reseed: () => {
    view.fillForm({ seed: '' });
    requestMake({ reveal: true });
  },
  stop: () => programs.stop(),
  reset: async () => {
    forgetSettings();
    await forgetTemplate();
    ownTemplate = null;
    view.clearTemplateChoice();
    view.showTemplate(null);
    view.fillForm(DEFAULTS);
    requestMake({ reveal: true });
  },
  preset: (name) => {
    view.fillForm({ ...PRESETS[name], seed: '' });
    requestMake({ reveal: true });
  },
  copyLink: async () => {
    try {
      await navigator.clipboard.writeText(location.href);
      return true;
    } catch {
      return false;
    }
  },
});
view.bindTemplate({
  chosen: async (file) => {
    ownTemplate = { name: file.name, bytes: new Uint8Array(await file.arrayBuffer()) };
    view.showTemplate(ownTemplate);
    await keepTemplate(ownTemplate);
    inputChanged();
  },
  cleared: async () => {
    ownTemplate = null;
    view.clearTemplateChoice();
    view.showTemplate(null);
    await forgetTemplate();
    inputChanged();
  },
});
view.bindOpen((file) => asRun((run) => openMap(run, file)));
view.bindAddress(() => followAddress());

// ---- the start: the address, else the remembered settings

async function start() {
  if (location.protocol === 'http:' || location.protocol === 'https:') {
    navigator.serviceWorker?.register('sw.js').catch(() => {});
  }
  programs.compile().catch(() => {});
  ownTemplate = await loadTemplate();
  view.showTemplate(ownTemplate);
  let check;
  try {
    check = await loadedChecker();
  } catch (error) {
    await asRun(async () => {
      throw new Error(`The page could not load trevalk's checker: ${error.message}`, { cause: error });
    });
    return;
  }
  if (!(await followAddress({ first: true }))) {
    view.fillForm(loadSettings((stored) => clampSettings(stored, check)));
    requestMake({ record: 'replace' });
  }
}

start();
