// The page's side of its workers (worker.js), which run trevalk and
// trevalk-preview: the programs compiled once per page, one run at a time,
// its progress, and one way to stop it: ending the worker (the next run
// starts a fresh one). A run's id only drops the answers of a run that is
// over. Served, the programs, the worker and the template are files beside
// the page; in the one-file page they are blocks of the page itself.
import { receive, send } from './protocol.js';

// Raised when a run is stopped, or replaced by a newer one, before it ends.
export class Stopped extends Error {}

// The bytes of a file built into the one-file page; null when served.
function embedded(name) {
  const block = document.getElementById(`embedded:${name}`);
  if (block === null) return null;
  const text = atob(block.textContent.trim());
  const bytes = new Uint8Array(text.length);
  for (let i = 0; i < text.length; i++) bytes[i] = text.charCodeAt(i);
  return bytes;
}

// Files of the site that came damaged: fetched again past every cache.
const damaged = new Set();

async function fetchBytes(name) {
  let response;
  try {
    response = await fetch(name, damaged.has(name) ? { cache: 'reload' } : {});
  } catch (error) {
    throw new Error(`${name} could not be fetched (${error.message}).`, { cause: error });
  }
  if (!response.ok) throw new Error(`${name} could not be fetched (${response.status} ${response.statusText}).`);
  return new Uint8Array(await response.arrayBuffer());
}

// A file of the site: built into the page, or fetched.
export async function siteFile(name) {
  return embedded(name) ?? (await fetchBytes(name));
}

// Takes a damaged file out of the service worker's caches, and past the
// browser's own cache on the next fetch, so that the next try gets it from
// the network instead of compiling the same bytes again.
async function forgetDamaged(name) {
  damaged.add(name);
  if (typeof caches === 'undefined') return;
  const address = new URL(name, location.href).href;
  try {
    for (const key of await caches.keys()) {
      if (key.startsWith('trevalk-')) await (await caches.open(key)).delete(address);
    }
  } catch {
    // Storage the page may not use: the reload past the browser's cache remains.
  }
}

// One of the site's programs, compiled.
export async function compileSiteFile(name) {
  const bytes = await siteFile(name);
  try {
    return await WebAssembly.compile(bytes);
  } catch (error) {
    if (embedded(name) === null) await forgetDamaged(name);
    throw new Error(`${name} is damaged and could not be compiled (${error.message}).`, { cause: error });
  }
}

let shipped = null;

// The template that comes with trevalk.
export function shippedTemplate() {
  if (shipped === null) {
    shipped = siteFile('data/ruvivare.dat');
    shipped.catch(() => {
      shipped = null;
    });
  }
  return shipped;
}

let workerUrl = null;

function startWorker() {
  if (workerUrl === null) {
    const source = document.getElementById('embedded:worker.js');
    workerUrl =
      source === null ? 'worker.js' : URL.createObjectURL(new Blob([source.textContent], { type: 'text/javascript' }));
  }
  return new Worker(workerUrl);
}

// One run of the page: `current` while it is the page's run; `check()`
// raises Stopped once it is not.
class Run {
  constructor(programs, id) {
    this.programs = programs;
    this.id = id;
    this.answer = null;
    this.workers = [];
  }

  get current() {
    return this.programs.run === this;
  }

  check() {
    if (!this.current || this.stopped) throw new Stopped('Stopped.');
  }
}

export class Programs {
  constructor() {
    this.modules = null;
    this.worker = null;
    this.views = null;
    this.run = null;
    this.nextId = 1;
    // The preview's colours, which a worker learns once and the next one is given.
    this.colours = null;
  }

  // Both programs compiled; a failure is forgotten, so the next run tries again.
  compile() {
    if (this.modules === null) {
      this.modules = Promise.all([compileSiteFile('trevalk.wasm'), compileSiteFile('trevalk-preview.wasm')]).then(
        ([trevalk, preview]) => ({ trevalk, preview }),
      );
      this.modules.catch(() => {
        this.modules = null;
      });
    }
    return this.modules;
  }

  // The compiled programs for `run`, which may be stopped while they compile;
  // a failure in plain words.
  async modulesFor(run) {
    run.check();
    let modules;
    try {
      modules = await this.compile();
    } catch (error) {
      throw new Error(`The page could not load its programs: ${error.message}`, { cause: error });
    }
    run.check();
    return modules;
  }

  // A new run, which ends the one before (its answers are dropped from now on).
  begin() {
    this.end(new Stopped('Replaced.'));
    this.run = new Run(this, this.nextId++);
    return this.run;
  }

  // Sends `type` (make or open) with `fields` for `run` and resolves to the
  // worker's answer (made or opened), or rejects with Stopped, or with an
  // Error in plain words. `onProgress` gets the fraction done, `onView` the
  // map's view when it comes before the end.
  async ask(run, type, fields, { onProgress = () => {}, onView = () => {} } = {}) {
    const modules = await this.modulesFor(run);
    const answer = new Promise((resolve, reject) => {
      run.answer = { resolve, reject, onProgress, onView, viewShown: false, done: null };
    });
    if (this.worker === null) this.startWorkers(modules);
    run.workers = [this.worker];
    send(this.worker, type, { id: run.id, ...fields });
    return answer;
  }

  // Runs trevalk for each of `requests` (the fields of measure) on workers
  // of their own, up to `most` side by side, and resolves to their answers
  // (measured), in the requests' order; `onProgress(done, count)` follows
  // them. Stopped as any run is: the workers are ended.
  async find(run, requests, { onProgress = () => {}, most = 1 } = {}) {
    const modules = await this.modulesFor(run);
    const answers = new Array(requests.length);
    let next = 0;
    let done = 0;
    const answer = new Promise((resolve, reject) => {
      run.answer = { resolve, reject };
    });
    const workers = Array.from({ length: Math.max(1, Math.min(most, requests.length)) }, startWorker);
    run.workers = workers;
    const finish = (outcome) => {
      if (run.answer === null) return;
      for (const worker of workers) worker.terminate();
      const { resolve, reject } = run.answer;
      run.answer = null;
      if (outcome instanceof Error) reject(outcome);
      else resolve(outcome);
    };
    const give = (worker) => {
      if (next >= requests.length) return;
      worker.request = next++;
      send(worker, 'measure', { id: run.id, ...requests[worker.request] });
    };
    for (const worker of workers) {
      worker.onmessage = ({ data }) =>
        receive(data, {
          measured: (measured) => {
            if (run.answer === null) return;
            answers[worker.request] = measured;
            onProgress(++done, requests.length);
            if (done === requests.length) finish(answers);
            else give(worker);
          },
          failed: ({ message }) => finish(new Error(message)),
        });
      worker.onerror = (event) => {
        event.preventDefault();
        finish(new Error(`The page's search worker stopped: ${event.message || 'it could not be started'}.`));
      };
      send(worker, 'setup', { ...modules, colours: null, viewPort: null });
      give(worker);
    }
    return answer;
  }

  // The worker that runs the programs, and the one that makes the views of
  // the maps it makes, joined by a port; the second outlives the first.
  startWorkers(modules) {
    // An error of a worker that has been ended since (a run replaced by a
    // newer one) is no failure of the run now under way.
    const failed = (which, worker) => (event) => {
      event.preventDefault();
      if (worker !== this.worker && worker !== this.views) return;
      if (which === 'views') this.views = null;
      this.end(new Error(`The page's ${which} worker stopped: ${event.message || 'it could not be started'}.`));
    };
    if (this.views === null) {
      this.views = startWorker();
      this.views.onmessage = ({ data }) => this.receive(data);
      this.views.onerror = failed('views', this.views);
    }
    const channel = new MessageChannel();
    send(this.views, 'port', { port: channel.port2 }, [channel.port2]);
    this.worker = startWorker();
    this.worker.onmessage = ({ data }) => this.receive(data);
    this.worker.onerror = failed('programs', this.worker);
    send(this.worker, 'setup', { ...modules, colours: this.colours, viewPort: channel.port1 }, [channel.port1]);
  }

  receive(data) {
    const answer = (id) => (this.run !== null && this.run.id === id ? this.run.answer : null);
    const finish = (pending) => {
      pending.resolve(pending.done);
      this.run.answer = null;
    };
    receive(data, {
      colours: ({ table, colours }) => {
        this.colours = { table, colours };
      },
      progress: ({ id, fraction }) => answer(id)?.onProgress(fraction),
      view: ({ id, view }) => {
        const pending = answer(id);
        if (pending === null) return;
        pending.viewShown = true;
        pending.onView(view);
        if (pending.done !== null) finish(pending);
      },
      // A view on its way from the other worker is waited for.
      made: (made) => {
        const pending = answer(made.id);
        if (pending === null) return;
        pending.done = made;
        if (!made.viewSent || pending.viewShown) finish(pending);
      },
      opened: (opened) => {
        const pending = answer(opened.id);
        if (pending === null) return;
        pending.done = opened;
        finish(pending);
      },
      failed: ({ id, message }) => {
        const pending = answer(id);
        if (pending === null) return;
        this.run.answer = null;
        pending.reject(new Error(message));
      },
    });
  }

  // Ends the current run, if any: its worker and everything it holds go,
  // and its answer rejects with `reason`. The next run starts another worker.
  end(reason) {
    const run = this.run;
    if (run === null) return;
    if (run.answer !== null) {
      for (const worker of run.workers) worker.terminate();
      if (run.workers.includes(this.worker)) this.worker = null;
      run.answer.reject(reason);
      run.answer = null;
    }
    if (reason instanceof Stopped) run.stopped = true;
  }

  // Stop: the current run ends at once, and stays the page's run.
  stop() {
    this.end(new Stopped('Stopped.'));
  }

  get running() {
    return this.run !== null && this.run.answer !== null;
  }
}
