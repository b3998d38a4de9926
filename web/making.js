// Making a map and opening a map file, for the page's controller (app.js):
// the programs run, and what they made shown.
import * as results from './results.js';
import {
  commandLine,
  fileNameRefusal,
  firstError,
  formatCount,
  notAMap,
  pngNameOf,
  shellWord,
  templateFault,
} from './rules.js';
import { keepTemplate, recordAddress, saveSettings } from './settings.js';
import {
  checkValues,
  currentTemplate,
  formValues,
  makeFields,
  progressShown,
  randomSeed,
  session,
  showChecks,
} from './session.js';
import * as view from './view.js';

// Map files opened at most, in bytes.
const MOST_OPENED = 1024 ** 3;

// Makes the form's map. What the page shows stays until the new map has
// something to show, so that a run stopped keeps the map before it.
export async function makeMap(run, { record = 'push', reveal = false } = {}) {
  const values = formValues();
  view.showNotes(session.notes);
  const found = await checkValues(values);
  run.check();
  if (!showChecks(values, found)) {
    results.hideDownloads();
    session.viewer.describe(null, { stale: true });
    return;
  }
  if (values.seed === '') {
    values.seed = randomSeed();
    view.fillForm({ seed: values.seed });
  }
  if (session.templateWanted !== null) {
    // Another map than the address's: what it asked for no longer matters.
    session.templateWanted = null;
    view.showTemplate(session.ownTemplate, session.useOwn);
  }
  if (record) recordAddress(values, { replace: record === 'replace' });
  session.shownAddress = location.hash;
  saveSettings(values);
  const showProgress = progressShown('Making');
  showProgress(0);
  if (reveal) view.revealResult();

  const template = await currentTemplate();
  run.check();
  const { width, height } = found.request;
  const started = performance.now();
  let label = `The map ${values.outfile}, ${width} x ${height} tiles`;
  let shown = false;
  const showView = (made) => {
    shown = true;
    run.viewShown = true;
    results.hideDownloads();
    session.viewer.setStarts([]);
    session.viewer.describe(label);
    session.viewer.show(made);
    session.viewer.drawn().then(() => performance.measure('shown', { start: started }));
  };
  const made = await session.programs.ask(run, 'make', makeFields(values, template, true), {
    onProgress: showProgress,
    onView: showView,
  });
  results.clearResults({ command: commandLine(values) });
  session.viewer.setStarts([]);
  results.showRun(made);
  view.showNotes([...session.notes, ...made.notes]);
  const own = session.ownTemplate;
  if (values.template) {
    results.showMadeFrom(
      `Made from your own template, ${own.name}: the address names it (${values.template}) ` +
        'and makes this map again only where that template is chosen.',
    );
  } else if (own !== null) {
    results.showMadeFrom('Made from the template that comes with trevalk.');
  }
  if (made.status !== 0 || !made.map) {
    session.viewer.show(null);
    const fault = values.template ? templateFault(made, own.name) : null;
    if (fault !== null) {
      await setAsideUnreadable(fault);
      view.showStatus(`Not made: ${fault}`, made.status);
      return;
    }
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
    session.viewer.setStarts(report.starts, made.preview.players);
    label += `, with the ${report.starts.length} players' starts numbered (see Fairness)`;
  }
  showPreview(made.preview, label, { shown });
  performance.measure('make', { start: started });
  // Where the time went, for bench/web.
  for (const [name, time] of Object.entries(made.times)) {
    performance.measure(name, { start: started, duration: time ?? 0 });
  }
  await session.viewer.drawn();
  view.showStatus(made.preview.png ? 'Map ready' : 'Map ready, but its image could not be made (see below)', 0);
}

// The player's own template, which trevalk could not read (`fault`, in its
// words): kept as unreadable, and no longer used, until the player chooses
// another.
async function setAsideUnreadable(fault) {
  const own = session.ownTemplate;
  own.unreadable = `${fault}`;
  session.useOwn = false;
  if (own.kept) own.kept = await keepTemplate(own);
  view.showTemplate(own, false);
}

// The image of a map, drawn and offered; a preview that failed says why.
// `shown`: the map is on the canvas already, drawn from its tiles.
function showPreview(preview, label, { shown = false } = {}) {
  session.viewer.describe(label);
  if (preview.png) {
    results.offerDownload('png', preview.png, preview.pngName);
    results.showCaption(new TextDecoder().decode(preview.stdout.head).trim());
  } else {
    results.showPreviewFailure(
      `No image: trevalk-preview ended with exit status ${preview.status ?? 'none'}.\n${firstError(preview)}`,
    );
  }
  if (preview.view) session.viewer.show(preview.view);
  else if (!shown) session.viewer.show(null);
}

// ---- opening a map file

export async function openMap(run, file) {
  session.viewer.setStarts([]);
  const name = fileNameRefusal(file.name) === null ? file.name : 'map.dat';
  const pngName = pngNameOf(name);
  results.clearResults({ command: `trevalk-preview ${shellWord(name)} ${shellWord(pngName)}` });
  if (file.size > MOST_OPENED) {
    view.showStatus(
      `Not opened: ${file.name.slice(0, 100)} is ${formatCount(file.size)} bytes, more than this page opens (1 GiB).`,
    );
    session.viewer.show(null);
    return;
  }
  view.revealResult();
  const opened = await session.programs.ask(
    run,
    'open',
    { file, name, pngName },
    { onProgress: progressShown('Drawing') },
  );
  const label = name === file.name ? name : `${name} (opened from a file whose name cannot be saved as it is)`;
  results.showRun(opened.preview);
  results.showSections(opened.sections, label);
  showPreview(opened.preview, `The map ${label}`);
  await session.viewer.drawn();
  const cut = notAMap(opened.sections);
  const status = opened.preview.png ? `Opened ${label}` : (cut ?? `Not drawn: ${firstError(opened.preview)}`);
  view.showStatus(status, opened.preview.status);
  view.revealResult();
}
