// The page's controller: a form for trevalk's six arguments, the seed and
// the fair-map options, a run of trevalk and then of trevalk-preview on the
// map it wrote (making.js), the fairest of many seeds (finding.js), and the
// result: a status line, the map to zoom into with the players' starts, the
// downloads, the fairness report, and the details of what the programs
// printed. A map file can also be opened and drawn. Here: when to run, what
// the player's actions and the address ask for, and the start. It decides
// and never touches the page itself: trevalk's own checks come from
// checker.js, the page's rules from rules.js, what it remembers from
// settings.js, what its parts share from session.js, and what is shown and
// done on the page from view.js, results.js and viewer.js.
import { bindEditing, resetEdits } from './editing.js';
import { findMap } from './finding.js';
import { makeMap, openMap } from './making.js';
import { Stopped } from './programs.js';
import { parseAddress } from './address.js';
import { DEFAULTS, PRESETS, clampSettings, commandLine, playersSetNote } from './rules.js';
import * as results from './results.js';
import { forgetSettings, forgetTemplate, keepTemplate, loadSettings, loadTemplate } from './settings.js';
import { checkValues, formValues, loadedChecker, session, showChecks, usableOwn } from './session.js';
import { templateId } from './templateid.js';
import * as view from './view.js';

// Maps up to this many tiles are made again shortly after an input changes.
const AUTO_TILES = 1024 * 1024;
const AUTO_DELAY_MS = 300;

const { programs, viewer } = session;
let runs = 0;
let active = 0;
let timer = null;

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
      // Stopped before it showed a map of its own, the run leaves the map
      // before it in view.
      const kept = error instanceof Stopped && !run.viewShown && viewer.view !== null;
      if (kept) {
        view.showStatus('Stopped: the map below is the previous one.');
      } else if (error instanceof Stopped) {
        view.showStatus('Stopped: no map was made.');
      } else {
        view.showStatus(`Not made: ${error.message} Making the map again tries again.`);
        results.showFailure(error.message);
      }
      if (!kept) viewer.show(null);
    }
  } finally {
    active -= 1;
    if (run.current) view.showProgress(null);
    runs += 1;
    view.showBusy(active > 0 || timer !== null, runs);
  }
}

// ---- when to run: a new request replaces a running one; input changes
// wait a moment, and large maps wait for "Make the map".

function requestMake(options) {
  if (timer !== null) clearTimeout(timer);
  timer = null;
  return asRun((run) => makeMap(run, options));
}

async function inputChanged(field) {
  if (timer !== null) clearTimeout(timer);
  timer = null;
  // Another maze than the one edited: its edits are gone.
  if (field && field !== 'outfile' && field !== 'tries') resetEdits();
  const values = formValues();
  results.hideDownloads();
  viewer.describe(null, { stale: true });
  // Maps found for other values would make other maps now.
  view.showFound(null);
  session.notes = [];
  let found;
  try {
    found = await checkValues(values);
  } catch (error) {
    view.showStatus(`Not made: ${error.message} Making the map again tries again.`);
    return;
  }
  // A symmetry chosen first sets the players to its order when they are
  // not whole orbits of it, and says so.
  const symmetry = found.symmetries.find(({ name }) => name === values.symmetry);
  if (field === 'symmetry' && symmetry && !symmetry.players.includes(Number(values.players))) {
    values.players = String(symmetry.order);
    view.fillForm({ players: values.players });
    session.notes = [{ field: 'players', text: playersSetNote(symmetry) }];
    view.showNotes(session.notes);
    found = await checkValues(values);
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
  // A map remade while the player types replaces the map in the history:
  // Back goes to the map asked for before.
  timer = setTimeout(() => {
    timer = null;
    requestMake({ record: 'replace' });
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
  if (location.hash === session.shownAddress) return false;
  session.shownAddress = location.hash;
  const asked = parseAddress(location.hash, await symmetryNames());
  if (asked.none) return false;
  if (asked.error) {
    asRun(async () => {
      view.showStatus(`Not made: the address is not one this page reads: ${asked.error.slice(0, 200)}`);
    });
    return true;
  }
  view.fillForm(asked.values);
  resetEdits(asked.values.edits);
  // The address names its template: the shipped one unless it says
  // otherwise, whatever this browser keeps.
  const wanted = asked.values.template;
  const own = usableOwn();
  session.templateWanted = wanted !== '' && own?.id !== wanted ? wanted : null;
  session.useOwn = wanted !== '' && session.templateWanted === null;
  view.showTemplate(session.ownTemplate, session.useOwn, session.templateWanted);
  if (session.templateWanted !== null) {
    asRun(async () => {
      results.hideDownloads();
      viewer.show(null);
      view.showStatus(
        `Not made: the address names a template of the player's own (${wanted}) that this browser does not ` +
          'hold; choose it in the Template field.',
      );
    });
    return true;
  }
  requestMake({ record: first ? null : 'replace' });
  return true;
}

// ---- what the player does

async function copyText(text) {
  try {
    await navigator.clipboard.writeText(text);
    return true;
  } catch {
    return false;
  }
}

view.bindForm({ make: () => requestMake({ reveal: true }), changed: inputChanged });
view.bindButtons({
  reseed: () => {
    resetEdits();
    view.fillForm({ seed: '' });
    requestMake({ reveal: true });
  },
  stop: () => programs.stop(),
  reset: async () => {
    forgetSettings();
    await forgetTemplate();
    useTemplate(null, false);
    resetEdits();
    view.fillForm(DEFAULTS);
    requestMake({ reveal: true });
  },
  preset: (name) => {
    resetEdits();
    view.fillForm({ ...PRESETS[name], seed: '' });
    requestMake({ reveal: true });
  },
  copyLink: () => copyText(location.href),
  copyCommand: () => copyText(commandLine(formValues())),
});
bindEditing(() => requestMake({ record: 'push' }));
// The template the maps are made from from now on: `own` (session.js's
// ownTemplate, or null) and whether to use it.
function useTemplate(own, useOwn) {
  session.ownTemplate = own;
  session.useOwn = useOwn && usableOwn() !== null;
  session.templateWanted = null;
  if (own === null) view.clearTemplateChoice();
  view.showTemplate(own, session.useOwn);
}

view.bindTemplate({
  // Said to be kept only once the browser has stored it.
  chosen: async (file) => {
    const bytes = new Uint8Array(await file.arrayBuffer());
    const own = { name: file.name, bytes, id: templateId(bytes), unreadable: null, kept: false };
    own.kept = await keepTemplate(own);
    useTemplate(own, true);
    inputChanged();
  },
  cleared: async () => {
    await forgetTemplate();
    useTemplate(null, false);
    inputChanged();
  },
  own: () => {
    useTemplate(session.ownTemplate, true);
    inputChanged();
  },
});
view.bindOpen((file) => asRun((run) => openMap(run, file)));
view.bindFind(() => {
  if (timer !== null) clearTimeout(timer);
  timer = null;
  asRun((run) =>
    findMap(run, () => {
      resetEdits();
      requestMake({ reveal: true });
    }),
  );
});
view.bindAddress(() => followAddress());

// ---- the start: the address, else the remembered settings

async function start() {
  if (location.protocol === 'http:' || location.protocol === 'https:') {
    navigator.serviceWorker?.register('sw.js').catch(() => {});
  }
  programs.compile().catch(() => {});
  session.ownTemplate = await loadTemplate();
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
    const values = loadSettings((stored) => clampSettings(stored, check));
    // The player's own template stays chosen until they choose otherwise.
    const own = usableOwn();
    useTemplate(session.ownTemplate, own !== null && (values.template === null || values.template === own.id));
    resetEdits(values.edits);
    view.fillForm(values);
    requestMake({ record: 'replace' });
  }
}

start();
