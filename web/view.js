// The page's form and controls: the fields and their refusals, the
// symmetries on offer, the template, the status line (the one live region),
// the progress bar and the buttons; `bind...` hands the controller (app.js)
// what the player does, `show...` shows what it decided. The result of a run
// is results.js's, the map's canvas viewer.js's.
import { editWords } from './edits.js';
import { FIELDS, formatCount, pngNameOf } from './rules.js';

const $ = (id) => document.getElementById(id);

// ---- the form

export function readForm() {
  return Object.fromEntries(FIELDS.map((name) => [name, $(name).value]));
}

export function fillForm(values) {
  for (const name of FIELDS) if (values[name] !== undefined) $(name).value = values[name];
}

// The field being typed into, by name (null for none).
export function focusedField() {
  const id = document.activeElement?.id;
  return FIELDS.includes(id) ? id : null;
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
  // The edits of the map have their refusal under their list.
  $('edits-refusal').textContent = refusals.edits || '';
}

// What trevalk noted of the last run beside the fields it concerns
// ([{ field, text }]; [] clears them).
export function showNotes(notes) {
  for (const element of document.querySelectorAll('.note-field')) element.textContent = '';
  for (const { field, text } of notes) {
    const element = $(`${field}-note`);
    if (element) element.textContent = text;
  }
}

// The symmetries that fit the other fields are offered; the others are
// disabled, and why is said beside the field (the one chosen stays chosen,
// and is refused beside it when it no longer fits). `choices`: why each
// cannot be chosen, by name, or null.
export function showChoices(choices) {
  const off = new Map();
  for (const option of $('symmetry').options) {
    const why = choices[option.value] ?? null;
    option.disabled = why !== null;
    if (why !== null) off.set(why, [...(off.get(why) ?? []), option.value]);
  }
  const list = (names) => (names.length === 1 ? names[0] : `${names.slice(0, -1).join(', ')} and ${names.at(-1)}`);
  const groups = [...off].map(
    ([why, names]) => `${list(names)} ${names.length > 1 ? why.replace(/^needs/, 'need') : why}`,
  );
  $('symmetry-off').textContent = groups.length > 0 ? `Not offered here: ${groups.join('; ')}.` : '';
}

// The names the downloads will have, under the file name field (`saved`:
// the name can be saved as it is).
export function showSavedNames(outfile, saved) {
  $('outfile-help').textContent = saved
    ? `Saved as ${outfile}, and its image as ${pngNameOf(outfile)}.`
    : 'The name the map is saved under.';
}

// The template the maps are made from (`useOwn`: the player's own, else the
// shipped one), and what the player's own (session.js's ownTemplate, or
// null) is; `wanted`: the name of an own template that the address asks for
// and this browser does not hold.
export function showTemplate(own, useOwn, wanted = null) {
  const readable = own !== null && own.unreadable === null;
  let text = 'The template that comes with trevalk.';
  if (readable && useOwn) {
    const size = `${own.name} (${formatCount(own.bytes.length)} bytes)`;
    text = own.kept
      ? `Your own template, ${size}, kept in this browser.`
      : `Your own template, ${size}, for this visit only: this browser did not keep it.`;
  } else if (readable) {
    text = `The template that comes with trevalk, as this map's address asks; your own, ${own.name}, is kept.`;
  }
  let refusal = '';
  if (wanted !== null) {
    refusal =
      `This map's address names a template of the player's own (${wanted}) that this browser does not hold: ` +
      'choose that file here to make the map.';
  } else if (own !== null && !readable) {
    refusal =
      `Your own template, ${own.name}, cannot be read: ${own.unreadable} ` +
      'Maps are made from the template that comes with trevalk until you choose another.';
  }
  $('template-name').textContent = text;
  $('template-refusal').textContent = refusal;
  if (refusal) $('template').setAttribute('aria-invalid', 'true');
  else $('template').removeAttribute('aria-invalid');
  $('template-own').hidden = !readable || useOwn;
  if (readable) $('template-own').textContent = `Use ${own.name}`;
  $('template-clear').hidden = own === null || (readable && !useOwn);
}

export function clearTemplateChoice() {
  $('template').value = '';
}

// ---- the state of the page

// The status line: what happened, in plain words; `exit` is the exit status
// of the run that ended, when one did.
export function showStatus(text, exit = null) {
  const status = $('status');
  if (status.textContent !== text) status.textContent = text;
  if (exit === null) delete status.dataset.exit;
  else status.dataset.exit = String(exit);
}

export function showProgress(fraction) {
  const progress = $('progress');
  progress.hidden = fraction === null;
  if (fraction !== null) progress.value = fraction;
}

// Whether a run is under way or waiting, and how many have ended (for tests
// and the benchmark, which wait for them).
export function showBusy(busy, runs) {
  document.body.dataset.state = busy ? 'busy' : 'idle';
  document.body.dataset.runs = String(runs);
  $('cancel').disabled = !busy;
}

// Brings the status line and the map into view: on a narrow screen, where
// the result lies below the form, and on a wide one, where it stays in view
// once the page is scrolled past its heading.
export function revealResult() {
  const result = $('result');
  if (matchMedia('(max-width: 899.98px)').matches) {
    result.scrollIntoView({ block: 'start' });
    return;
  }
  const bottom = Math.max($('status').getBoundingClientRect().bottom, $('preview').getBoundingClientRect().bottom);
  if (result.getBoundingClientRect().top < 0 || bottom > window.innerHeight) {
    window.scrollBy({ top: result.getBoundingClientRect().top });
  }
}

// ---- what the player does

// `make` on "Make the map"; `changed(field)` on any input of a form's field.
export function bindForm({ make, changed }) {
  $('form').addEventListener('submit', (event) => {
    event.preventDefault();
    make();
  });
  $('form').addEventListener('input', (event) => {
    if (event.target.type !== 'file') changed(event.target.id);
  });
}

// The buttons, each to its handler: { reseed, stop, reset, preset(name),
// copyLink() (resolves to whether the link was copied) }.
export function bindButtons({ reseed, stop, reset, preset, copyLink, copyCommand }) {
  $('reseed').addEventListener('click', reseed);
  $('cancel').addEventListener('click', stop);
  $('reset').addEventListener('click', reset);
  for (const button of document.querySelectorAll('[data-preset]')) {
    button.addEventListener('click', () => preset(button.dataset.preset));
  }
  copyButton('copy-link', 'Copy link', copyLink, 'Link copied', 'Copy the address from the address bar');
  copyButton('copy-command', 'Copy command', copyCommand, 'Command copied', 'Copy the command from Details');
}

// A button that copies, and says for a moment whether it could.
function copyButton(id, label, copy, done, failed) {
  $(id).addEventListener('click', async () => {
    const button = $(id);
    button.textContent = (await copy()) ? done : failed;
    setTimeout(() => {
      button.textContent = label;
    }, 2000);
  });
}

// ---- editing the map

// The rectangle typed in tiles ({ x, y, w, h }), or null while it is not
// four whole numbers with a width and height of at least 1.
export function readSelection() {
  const numbers = ['sel-x', 'sel-y', 'sel-w', 'sel-h'].map((id) => $(id).value.trim());
  if (!numbers.every((text) => /^[0-9]{1,5}$/.test(text))) return null;
  const [x, y, w, h] = numbers.map(Number);
  return w >= 1 && h >= 1 ? { x, y, w, h } : null;
}

export function fillSelection(selection) {
  ['sel-x', 'sel-y', 'sel-w', 'sel-h'].forEach((id, i) => {
    $(id).value = selection === null ? '' : String(Object.values(selection)[i]);
  });
}

export function showSelectionRefusal(text) {
  $('selection-refusal').textContent = text;
}

// The edits of the map in order (as rules.js's editList gives them), each
// removable, and whether an edit can be undone and redone.
export function showEdits(edits, redoable, remove) {
  const list = $('edits');
  list.replaceChildren();
  edits.forEach((edit, k) => {
    const item = document.createElement('li');
    item.textContent = editWords(edit);
    const button = document.createElement('button');
    button.type = 'button';
    button.textContent = 'Remove';
    button.setAttribute('aria-label', `Remove edit ${k + 1}: ${editWords(edit)}`);
    button.addEventListener('click', () => remove(k));
    item.append(button);
    list.append(item);
  });
  $('undo').disabled = edits.length === 0;
  $('redo').disabled = !redoable;
}

export function showSelecting(on) {
  $('select').setAttribute('aria-pressed', String(on));
  $('preview').classList.toggle('selecting', on);
}

// The editing controls, each to its handler: { select, typed, reroll,
// keep, undo, redo }; Ctrl+Z undoes and Ctrl+Shift+Z or Ctrl+Y redoes,
// except in a text field, which keeps its own.
export function bindEditing({ select, typed, reroll, keep, undo, redo }) {
  $('select').addEventListener('click', select);
  for (const id of ['sel-x', 'sel-y', 'sel-w', 'sel-h']) $(id).addEventListener('input', typed);
  $('reroll').addEventListener('click', reroll);
  $('keep').addEventListener('click', keep);
  $('undo').addEventListener('click', undo);
  $('redo').addEventListener('click', redo);
  document.addEventListener('keydown', (event) => {
    if (!(event.ctrlKey || event.metaKey) || event.altKey) return;
    const target = event.target;
    if (target instanceof HTMLInputElement || target instanceof HTMLTextAreaElement || target?.isContentEditable)
      return;
    const key = event.key.toLowerCase();
    if (key === 'z' && !event.shiftKey) undo();
    else if ((key === 'z' && event.shiftKey) || key === 'y') redo();
    else return;
    event.preventDefault();
  });
}

// "Find a fair map": `find()` on the button.
export function bindFind(find) {
  $('find').addEventListener('click', find);
}

// The fair maps found: each a button with its picture (`url`), its seed,
// fairness and verdict, which hands `choose(seed)` its seed; null hides
// them.
export function showFound(found, choose, summary = '') {
  $('found-area').hidden = found === null;
  const list = $('found');
  list.replaceChildren();
  $('found-summary').textContent = summary;
  for (const { seed, url, fairness, verdict } of found ?? []) {
    const button = document.createElement('button');
    button.type = 'button';
    const image = document.createElement('img');
    image.alt = '';
    if (url) image.src = url;
    const words = document.createElement('span');
    words.textContent = `Seed ${seed}: fairness ${fairness.toFixed(2)}. ${verdict}`;
    button.append(image, words);
    button.addEventListener('click', () => choose(seed));
    const item = document.createElement('li');
    item.append(button);
    list.append(item);
  }
}

// `chosen(file)` when the player chooses a template file; `cleared()` when
// they go back to the shipped one; `own()` when they use their own again.
export function bindTemplate({ chosen, cleared, own }) {
  $('template').addEventListener('change', () => {
    const file = $('template').files[0];
    if (file) chosen(file);
  });
  $('template-clear').addEventListener('click', cleared);
  $('template-own').addEventListener('click', own);
}

// `open(file)` when the player chooses a map file or drops one on the page.
export function bindOpen(open) {
  $('open-map').addEventListener('change', () => {
    const file = $('open-map').files[0];
    // Cleared, so that choosing the same file again opens it again.
    $('open-map').value = '';
    if (file) open(file);
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
    open(file);
  });
}

// `moved()` when the address changes: Back, Forward, or a new address.
export function bindAddress(moved) {
  window.addEventListener('popstate', moved);
  window.addEventListener('hashchange', moved);
}
