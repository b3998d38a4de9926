// The messages between the page (programs.js) and its two workers
// (worker.js: one runs the programs, the other makes the views of the maps
// the first one makes), declared once. Each side sends with `send`, which
// refuses a type or a field not declared here, and receives with `receive`,
// which hands each declared type to its handler.

export const MESSAGES = Object.freeze({
  // page -> programs worker: the compiled programs, the preview's colours
  // when a worker before learned them, and the port to the views worker.
  setup: ['trevalk', 'preview', 'colours', 'viewPort'],
  // page -> programs worker: trevalk with `args` and `env` in a folder that
  // holds `template` as ruvivare.dat, then the preview of the map it wrote
  // (`outfile`), with the starts of its report (`report`, or null); its
  // view is made only when it is to be shown (`show`).
  make: ['id', 'args', 'env', 'outfile', 'report', 'pngName', 'template', 'show'],
  // page -> a search's worker: trevalk alone, as for make, for its report.
  measure: ['id', 'args', 'env', 'outfile', 'report', 'template'],
  // page -> programs worker: the preview of a map file (a File or Blob).
  open: ['id', 'file', 'name', 'pngName'],
  // page -> views worker: the port the programs worker sends tiles through.
  port: ['port'],
  // programs worker -> views worker: a made map's tiles, as colour indexes.
  tiles: ['id', 'tiles', 'width', 'height', 'colours'],
  // programs worker -> page: the colour index of every tile value, learned
  // from the preview, for the next programs worker.
  colours: ['table', 'colours'],
  // programs worker -> page: how far the run is, 0 to 1.
  progress: ['id', 'fraction'],
  // views worker -> page: a made map's view, before its run ends.
  view: ['id', 'view'],
  // programs worker -> page: trevalk's run (status, failure, what it
  // printed), the map (a Blob) with its sections, its report ({ name,
  // text, blob }, or null), the preview's run (worker/runs.js), trevalk's
  // notes for beside the fields, whether the view went to the views worker,
  // and where the time went.
  made: [
    'id',
    'status',
    'failure',
    'stdout',
    'stderr',
    'map',
    'sections',
    'report',
    'preview',
    'notes',
    'viewSent',
    'times',
  ],
  // a search's worker -> page: trevalk's status, failure, what it said on
  // standard error, and its report's text (or null).
  measured: ['id', 'status', 'failure', 'stderr', 'report'],
  // programs worker -> page: an opened map's sections and the preview's run.
  opened: ['id', 'sections', 'preview'],
  // programs worker -> page: the run failed in the worker itself.
  failed: ['id', 'message'],
});

// Posts the message `type` with `fields` to `target` (a worker, a port, or
// the worker's own scope), transferring `transfer`.
export function send(target, type, fields, transfer = []) {
  const declared = MESSAGES[type];
  if (declared === undefined) throw new Error(`No message "${type}" is declared.`);
  for (const name of Object.keys(fields)) {
    if (!declared.includes(name)) throw new Error(`The message "${type}" has no field "${name}".`);
  }
  for (const name of declared) {
    if (!(name in fields)) throw new Error(`The message "${type}" lacks its field "${name}".`);
  }
  target.postMessage({ type, ...fields }, transfer);
}

// Hands a message to the handler of its type; a message of a type that is
// not declared, or that this side has no handler for, is refused.
export function receive(data, handlers) {
  const handler = Object.hasOwn(MESSAGES, data?.type) ? handlers[data.type] : undefined;
  if (handler === undefined) throw new Error(`An unexpected message: ${String(data?.type).slice(0, 40)}.`);
  return handler(data);
}
