// The result of a run on the page: the downloads, the map's caption and the
// preview's failure, the fairness report as trevalk wrote it, the details of
// what the programs printed, and a map's sections.
import { escapeBytes, formatCount } from './rules.js';

const $ = (id) => document.getElementById(id);
const decoder = new TextDecoder();

// ---- downloads

const DOWNLOADS = ['download-map', 'download-png', 'download-report'];
let objectUrls = [];

// Offers `blob` as the download `which` ('map', 'png' or 'report'), saved as `name`.
export function offerDownload(which, blob, name) {
  const link = $(`download-${which}`);
  const url = URL.createObjectURL(blob);
  objectUrls.push(url);
  link.href = url;
  link.download = name;
  link.textContent = `Download ${name} (${formatCount(blob.size)} bytes)`;
  link.hidden = false;
}

export function hideDownloads() {
  for (const id of DOWNLOADS) $(id).hidden = true;
}

// ---- the fairness report, as trevalk wrote it

// Fewest steps, or a dash where a start cannot reach another (null).
const steps = (value) => (value === null ? '–' : formatCount(value));

// The measures as the report names them, and as the page shows them.
const MEASURES = [
  ['rival', 'rival'],
  ['centre', 'centre'],
  ['territory', 'territory'],
  ['room', 'room'],
  ['separation', 'separation'],
];

// A table's head and rows of text; a row's first cell is its header, in
// the player's colour when `colours` has one.
function fillTable(table, headers, rows, colours) {
  const head = table.tHead.rows[0];
  head.replaceChildren();
  for (const text of headers) {
    const th = document.createElement('th');
    th.scope = 'col';
    th.textContent = text;
    head.append(th);
  }
  const body = table.tBodies[0];
  body.replaceChildren();
  rows.forEach(([first, ...cells], k) => {
    const row = body.insertRow();
    const player = document.createElement('th');
    player.scope = 'row';
    const swatch = document.createElement('span');
    swatch.className = 'swatch';
    if (colours[k]) swatch.style.backgroundColor = `rgb(${colours[k].join(' ')})`;
    player.append(swatch, first);
    row.append(player);
    cells.forEach((text, i) => {
      const cell = row.insertCell();
      cell.textContent = text;
      // The column's name, which a narrow screen shows before the figure.
      cell.dataset.label = headers[i + 1];
    });
  });
}

// The report's verdict, its figures, a table of the starts (each one's
// tile and its five measures) and one of the steps between them, each
// player in the colour the preview marks its start with (`colours`,
// [r, g, b] each). null hides it.
export function showReport(report, colours = []) {
  $('report').hidden = report === null;
  if (report === null) return;
  const count = report.starts.length;
  $('report-verdict').textContent = report.verdict.text;
  const measures = MEASURES.map(([key, name]) => `${name} ${report.measures[key].toFixed(2)}`).join(', ');
  $('report-summary').textContent =
    `${count} players; fairness ${report.fairness.toFixed(6)}, the least of five measures, each the least ` +
    `player's over the most's (1 is even): ${measures}. The maze has ${formatCount(report.cells)} cells, ` +
    `${formatCount(report.dead_ends)} dead ends and ${formatCount(report.cycles)} cycles.`;
  const players = report.starts.map((_, k) => String(k + 1));
  fillTable(
    $('report-table'),
    ['Player', 'Start', 'Nearest rival', 'To the centre', 'Territory', 'Room', 'Separation'],
    report.starts.map(([x, y], k) => [
      players[k],
      `${x}, ${y}`,
      steps(report.nearest_rival[k]),
      steps(report.centre[k]),
      formatCount(report.territory[k]),
      formatCount(report.room[k]),
      report.separation[k].toFixed(2),
    ]),
    colours,
  );
  fillTable(
    $('report-steps'),
    ['Player', ...players.map((k) => `To ${k}`)],
    report.steps.map((row, k) => [players[k], ...row.map(steps)]),
    colours,
  );
}

// ---- the map's caption, and the preview's failure

export function showCaption(text) {
  $('preview-caption').textContent = text;
}

export function showPreviewFailure(text) {
  $('preview-errors').textContent = text;
  $('preview-errors').hidden = false;
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

// A failure of the page itself, in the details.
export function showFailure(message) {
  $('errors').textContent = message;
}

// Empties the result, and shows the command line that makes the next one.
export function clearResults({ command = '' } = {}) {
  for (const url of objectUrls) URL.revokeObjectURL(url);
  objectUrls = [];
  hideDownloads();
  for (const id of DOWNLOADS) $(id).removeAttribute('href');
  showReport(null);
  for (const id of ['log', 'errors', 'preview-caption']) $(id).textContent = '';
  $('log-note').hidden = true;
  $('preview-errors').hidden = true;
  showMadeFrom('');
  $('command').textContent = command;
  showSections(null);
}

// Which template made the map, when the page keeps one of the player's own
// ('' says nothing).
export function showMadeFrom(text) {
  $('share-note').textContent = text;
  $('share-note').hidden = text === '';
}

// ---- a map's sections, as text: only those the file holds whole

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
    row.insertCell().textContent = section.size ? `${section.size[0]} x ${section.size[1]} tiles` : '';
  }
  const notes = [];
  if (listing.more > 0) notes.push(`and ${formatCount(listing.more)} more sections`);
  if (listing.cut !== null) notes.push('then the start of a section the file ends inside');
  if (listing.trailing > 0) {
    notes.push(`${formatCount(listing.trailing)} bytes after the last section, too few for a section`);
  }
  $('sections-note').textContent = notes.join('; ');
}
