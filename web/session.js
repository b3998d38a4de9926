// What the parts of the page's controller share: the programs, the map's
// viewer, the player's own template, the address of the map shown, trevalk's
// checker, and the steps every run takes with them. Nothing here touches the
// page itself but through the view modules.
import { loadChecker } from './checker.js';
import { Programs, compileSiteFile, shippedTemplate } from './programs.js';
import { checkWords, fieldRefusals, fileNameRefusal, pngNameOf, runWords, symmetryChoices } from './rules.js';
import * as view from './view.js';
import { pageViewer } from './viewer.js';

export const session = {
  programs: new Programs(),
  viewer: pageViewer(),
  // The player's own template: { name, bytes, id (its name in addresses),
  // unreadable (why it cannot be used, else null), kept (stored in this
  // browser) }, or null; and whether the maps are made from it.
  ownTemplate: null,
  useOwn: false,
  templateWanted: null, // the own template the address asks for, when this browser does not hold it
  edits: '', // the edits of the map, as its address writes them (rules.js)
  shownAddress: null, // the address of the map shown, which a change of address is compared with
  notes: [], // the page's own notes beside fields ([{ field, text }]) until the form changes again
};

export function randomSeed() {
  return String(crypto.getRandomValues(new Uint32Array(1))[0]);
}

// The player's own template when it can make maps, else null.
export const usableOwn = () =>
  session.ownTemplate !== null && session.ownTemplate.unreadable === null ? session.ownTemplate : null;

// The template the maps are made from: the player's own, or the shipped one.
export async function currentTemplate() {
  return session.useOwn && usableOwn() ? session.ownTemplate.bytes : shippedTemplate();
}

// What the form asks for, and the template: '' for the shipped one, else
// the name of the player's own in addresses.
export function formValues() {
  return {
    ...view.readForm(),
    template: session.useOwn && usableOwn() ? session.ownTemplate.id : '',
    edits: session.edits,
  };
}

// ---- trevalk's checker, loaded once (again after a failure)

let checker = null;

export function loadedChecker() {
  if (checker === null) {
    checker = compileSiteFile('trevalk-check.wasm').then(loadChecker);
    checker.catch(() => {
      checker = null;
    });
  }
  return checker;
}

export async function checkValues(values) {
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
export function showChecks(values, found) {
  const refusals = fieldRefusals(values, found);
  view.showRefusals(refusals);
  view.showChoices(symmetryChoices(found));
  view.showSavedNames(values.outfile, fileNameRefusal(values.outfile) === null);
  if (Object.keys(refusals).length === 0) return true;
  view.showStatus('Not made: a setting needs changing (marked below its field).');
  return false;
}

export function progressShown(verb) {
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

// What a worker needs to make the map of `values` from `template` as trevalk
// does (the fields of the make message); `show` when the page shows it.
export function makeFields(values, template, show) {
  const words = runWords(values);
  return {
    args: words.args,
    env: words.env,
    outfile: values.outfile,
    report: words.report,
    pngName: pngNameOf(values.outfile),
    template,
    show,
  };
}
