// "Find a fair map", for the page's controller (app.js): the maps of a run
// of seeds from the form's values, made side by side on workers of their own
// and measured by their reports, and the fairest few offered, each with its
// picture.
import { fairest, fieldRefusals, findRefusals, firstError, runWords, searchers, seedsFrom } from './rules.js';
import { checkValues, currentTemplate, formValues, loadedChecker, makeFields, randomSeed, session } from './session.js';
import * as view from './view.js';

// The fairest shown at most.
const SHOWN = 4;

// Searches `values` for `run` on `programs`, from seed `from`, with
// `template`; `progress(done, count)` follows the seeds. Resolves to
// { count, best: [{ seed, fairness, verdict, picture (a PNG Blob or null) }] },
// or rejects with why none was found.
async function findFair(run, programs, { values, from, template, progress }) {
  const seeds = seedsFrom(from, Number(values.tries));
  const requests = seeds.map((seed) => {
    const words = runWords({ ...values, seed });
    return { args: words.args, env: words.env, outfile: values.outfile, report: words.report, template };
  });
  const measured = await programs.find(run, requests, {
    onProgress: progress,
    most: searchers(navigator.hardwareConcurrency, seeds.length),
  });
  const best = fairest(
    measured.map(({ report }, k) => ({ seed: seeds[k], report: report === null ? null : JSON.parse(report) })),
    SHOWN,
  );
  if (best.length === 0) throw new Error(firstError(measured[0]));
  // Each one's picture, made as the map itself will be, without its view.
  const found = [];
  for (const { seed, report } of best) {
    const made = await programs.ask(run, 'make', makeFields({ ...values, seed }, template, false));
    found.push({ seed, fairness: report.fairness, verdict: report.verdict.text, picture: made.preview?.png ?? null });
  }
  return { count: seeds.length, best: found };
}

let foundUrls = [];

// Finds the fair maps of the form's values, and offers them, each to be
// made by `make` once its seed is in the form.
export async function findMap(run, make) {
  const values = formValues();
  const found = await checkValues(values);
  const check = await loadedChecker();
  run.check();
  const refusals = { ...findRefusals(values, check), ...fieldRefusals(values, found) };
  view.showRefusals(refusals);
  if (Object.keys(refusals).length > 0) {
    view.showStatus('Not searched: a setting needs changing (marked below its field).');
    return;
  }
  for (const url of foundUrls) URL.revokeObjectURL(url);
  foundUrls = [];
  view.showFound(null);
  const from = values.seed === '' ? randomSeed() : values.seed;
  const template = await currentTemplate();
  const progress = (done, count) => {
    view.showProgress(done / count);
    view.showStatus(`Finding a fair map… ${done} of ${count} seeds`);
  };
  progress(0, Number(values.tries));
  view.revealResult();
  const { count, best } = await findFair(run, session.programs, { values, from, template, progress });
  const shown = best.map(({ picture, ...rest }) => {
    const url = picture === null ? null : URL.createObjectURL(picture);
    if (url !== null) foundUrls.push(url);
    return { ...rest, url };
  });
  const summary = `The fairest of ${count} seeds from ${from}, fairest first; choose one to make it.`;
  view.showFound(
    shown,
    (seed) => {
      view.fillForm({ seed });
      make();
    },
    summary,
  );
  view.showStatus(`Found: seed ${best[0].seed} is the fairest, ${best[0].fairness.toFixed(2)}.`);
}
