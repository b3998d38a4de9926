// The page's words and controls: the form's fields and their refusals, the
// symmetries on offer, the status line (the one live region), the progress
// bar, the downloads, the fairness report, the "Details" area with what the
// programs printed, and a map's sections.
import { FIELDS, escapeBytes, fileNameRefusal, formatCount, pngNameOf, symmetryChoices } from './rules.js';
import { playerColour } from './viewer.js';

export const $ = (id) => document.getElementById(id);
const decoder = new TextDecoder();

export function readForm() {
  return Object.fromEntries(FIELDS.map((name) => [name, $(name).value]));
}

export function fillForm(values) {
  for (const name of FIELDS) if (values[name] !== undefined) $(name).value = values[name];
}

// Marks each refused field and says why beside it; clears the others.
export function showRefusals(refusals) {
  for (const name of FIELDS) {
    const why = refusals[name];
    const input = $(name);
    if (why) input.setAttribute('aria-invalid', 'true');
    else input.removeAttribute('aria-invalid');
    $(`${name}-refusal`).textContent = why || '';
  }
}

// The symmetries that fit the other fields are offered; the others are
// disabled, and why is said beside the field (the one chosen stays chosen,
// and is refused beside it when it no longer fits).
export function showChoices(values) {
  const choices = symmetryChoices(values);
  const off = new Map();
  for (const option of $('symmetry').options) {
    const why = choices[option.value];
    option.disabled = why !== null;
    if (why !== null) off.set(why, [...(off.get(why) ?? []), option.value]);
  }
  const list = (names) => (names.length === 1 ? names[0] : `${names.slice(0, -1).join(', ')} and ${names.at(-1)}`);
  const groups = [...off].map(
    ([why, names]) => `${list(names)} ${names.length > 1 ? why.replace(/^needs/, 'need') : why}`,
  );
  $('symmetry-off').textContent = groups.length > 0 ? `Not offered here: ${groups.join('; ')}.` : '';
}

// The names the downloads will have, under the file name field.
export function showSavedNames(outfile) {
  $('outfile-help').textContent =
    fileNameRefusal(outfile) === null
      ? `Saved as ${outfile}, and its image as ${pngNameOf(outfile)}.`
      : 'The name the map is saved under.';
}

// The status line: what happened, in plain words; `exit` is the exit status
// of the run that ended, when one did.
export function setStatus(text, exit = null) {
  const status = $('status');
  if (status.textContent !== text) status.textContent = text;
  if (exit === null) delete status.dataset.exit;
  else status.dataset.exit = String(exit);
}

export function setProgress(fraction) {
  const progress = $('progress');
  progress.hidden = fraction === null;
  if (fraction !== null) progress.value = fraction;
}

export function setBusy(busy, runs) {
  document.body.dataset.state = busy ? 'busy' : 'idle';
  document.body.dataset.runs = String(runs);
  $('cancel').disabled = !busy;
}

// ---- downloads

let objectUrls = [];

export function offerDownload(id, blob, name) {
  const link = $(id);
  const url = URL.createObjectURL(blob);
  objectUrls.push(url);
  link.href = url;
  link.download = name;
  link.textContent = `Download ${name} (${formatCount(blob.size)} bytes)`;
  link.hidden = false;
}

const DOWNLOADS = ['download-map', 'download-png', 'download-report'];

export function hideDownloads() {
  for (const id of DOWNLOADS) $(id).hidden = true;
}

// ---- the fairness report, as trevalk wrote it

// Fewest steps, or a dash where a start cannot reach another (null).
const steps = (value) => (value === null ? '–' : formatCount(value));

// The report's figures and a table of the starts: each one's tile, the
// steps to its nearest rival and to the centre, and to every other start.
// null hides it.
export function showReport(report) {
  $('report').hidden = report === null;
  if (report === null) return;
  const count = report.starts.length;
  $('report-summary').textContent =
    `${count} players; fairness ${report.fairness.toFixed(6)} (the nearest rival's steps, least over most: ` +
    `1 is fair). The maze has ${formatCount(report.cells)} cells, ${formatCount(report.dead_ends)} dead ends ` +
    `and ${formatCount(report.cycles)} cycles.`;
  const table = $('report-table');
  const head = table.tHead.rows[0];
  head.replaceChildren();
  const headers = ['Player', 'Start', 'Nearest rival', 'To the centre'];
  for (let k = 1; k <= count; k++) headers.push(`To ${k}`);
  for (const text of headers) {
    const th = document.createElement('th');
    th.scope = 'col';
    th.textContent = text;
    head.append(th);
  }
  const body = table.tBodies[0];
  body.replaceChildren();
  report.starts.forEach(([x, y], k) => {
    const row = body.insertRow();
    const player = document.createElement('th');
    player.scope = 'row';
    const swatch = document.createElement('span');
    swatch.className = 'swatch';
    swatch.style.backgroundColor = playerColour(k);
    player.append(swatch, String(k + 1));
    row.append(player);
    for (const text of [
      `${x}, ${y}`,
      steps(report.nearest_rival[k]),
      steps(report.centre[k]),
      ...report.steps[k].map(steps),
    ]) {
      row.insertCell().textContent = text;
    }
  });
}

// ---- what a run printed

// The kept start of a stream; the count of the rest, when there is a rest.
function showOutput(output, element, note) {
  element.textContent = decoder.decode(output.head);
  if (!note) return;
  note.hidden = output.total <= output.head.length;
  note.textContent =
    `The run printed ${formatCount(output.total)} bytes; the first ${formatCount(output.head.length)} ` +
    `are shown, the other ${formatCount(output.total - output.head.length)} only counted.`;
}

export function showRun(run) {
  showOutput(run.stdout, $('log'), $('log-note'));
  showOutput(run.stderr, $('errors'));
  if (run.failure) $('errors').textContent += `${$('errors').textContent ? '\n' : ''}${run.failure}`;
}

// The first line a program said on standard error, to quote in the status.
export function firstError(run) {
  const line = decoder
    .decode(run.stderr.head)
    .split('\n')
    .find((text) => text.trim() !== '' && !text.startsWith('Warning'));
  return (line || run.failure || 'the program ended without saying why').slice(0, 300);
}

export function clearResults({ command = '' } = {}) {
  for (const url of objectUrls) URL.revokeObjectURL(url);
  objectUrls = [];
  hideDownloads();
  for (const id of DOWNLOADS) $(id).removeAttribute('href');
  showReport(null);
  for (const id of ['log', 'errors', 'preview-caption']) $(id).textContent = '';
  $('log-note').hidden = true;
  $('preview-errors').hidden = true;
  $('share-note').hidden = true;
  $('command').textContent = command;
  showSections(null);
}

// ---- a map's sections, as text

export function showSections(listing, name = '') {
  const table = $('sections');
  const body = table.tBodies[0];
  body.replaceChildren();
  $('sections-area').hidden = listing === null;
  if (listing === null) return;
  $('sections-title').textContent = `Sections of ${name}`;
  for (const section of listing.sections) {
    const row = body.insertRow();
    const nameCell = row.insertCell();
    const code = document.createElement('code');
    code.textContent = `"${escapeBytes(section.name)}"`;
    nameCell.append(code);
    row.insertCell().textContent = formatCount(section.length);
    let note = section.size ? `${section.size[0]} x ${section.size[1]} tiles` : '';
    if (section.held < section.length)
      note = `${note ? `${note}; ` : ''}the file ends after ${formatCount(section.held)} bytes`;
    row.insertCell().textContent = note;
  }
  const notes = [];
  if (listing.more > 0) notes.push(`and ${formatCount(listing.more)} more sections`);
  if (listing.trailing > 0)
    notes.push(`${formatCount(listing.trailing)} bytes after the last section, too few for a section`);
  $('sections-note').textContent = notes.join('; ');
}
