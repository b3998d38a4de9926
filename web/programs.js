// The page's side of its worker (worker.js), which runs trevalk and
// trevalk-preview: compiling the two programs once per page, one run at a
// time, its progress, and stopping it at once by ending the worker (the
// next run starts a fresh one). Served, the programs, the worker and the
// template are files beside the page; in the one-file page they are blocks
// of the page itself.

// Raised when a run is stopped before it ends.
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

async function fetchBytes(name) {
  let response;
  try {
    response = await fetch(name);
  } catch (error) {
    throw new Error(`${name} could not be fetched (${error.message}).`, { cause: error });
  }
  if (!response.ok) throw new Error(`${name} could not be fetched (${response.status} ${response.statusText}).`);
  return new Uint8Array(await response.arrayBuffer());
}

async function compile(name) {
  const bytes = embedded(name) ?? (await fetchBytes(name));
  try {
    return await WebAssembly.compile(bytes);
  } catch (error) {
    throw new Error(`${name} is damaged and could not be compiled (${error.message}).`, { cause: error });
  }
}

let shipped = null;

// The template that comes with trevalk.
export function shippedTemplate() {
  if (shipped === null) {
    const bytes = embedded('data/ruvivare.dat');
    shipped = bytes !== null ? Promise.resolve(bytes) : fetchBytes('data/ruvivare.dat');
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

export class Programs {
  constructor() {
    this.modules = null;
    this.worker = null;
    this.run = null;
    this.nextId = 1;
    this.views = null;
    // The preview's colours, which a worker learns once and the next one is given.
    this.colours = null;
  }

  // Both programs compiled; a failure is forgotten, so the next run tries again.
  compile() {
    if (this.modules === null) {
      this.modules = Promise.all([compile('trevalk.wasm'), compile('trevalk-preview.wasm')]).then(
        ([trevalk, preview]) => ({ trevalk, preview }),
      );
      this.modules.catch(() => {
        this.modules = null;
      });
    }
    return this.modules;
  }

  // Sends `request` (make or open) to the worker; resolves to its result, or
  // rejects with Stopped, or with an Error in plain words. A running one is
  // stopped first. `onView` gets the map's view when it comes before the end.
  async start(request, onProgress, onView = () => {}) {
    this.stop();
    const id = this.nextId++;
    const run = { id, onProgress, onView };
    this.run = run;
    const finished = new Promise((resolve, reject) => {
      run.resolve = resolve;
      run.reject = reject;
    });
    let modules;
    try {
      modules = await this.compile();
    } catch (error) {
      if (this.run === run) this.run = null;
      run.reject(new Error(`The page could not load its programs: ${error.message}`));
      return finished;
    }
    if (this.run !== run) return finished;
    if (this.worker === null) this.startWorkers(modules);
    this.worker.postMessage({ ...request, id });
    return finished;
  }

  // The worker that runs the programs, and the one that makes the views of
  // the maps it makes, joined by a port; the second outlives the first.
  startWorkers(modules) {
    const failed = (which) => (event) => {
      event.preventDefault();
      if (which === 'views') this.views = null;
      this.fail(`The page's ${which} worker stopped: ${event.message || 'it could not be started'}.`);
    };
    if (this.views === null) {
      this.views = startWorker();
      this.views.onmessage = ({ data }) => this.receive(data);
      this.views.onerror = failed('views');
    }
    const channel = new MessageChannel();
    this.views.postMessage({ type: 'port', port: channel.port2 }, [channel.port2]);
    this.worker = startWorker();
    this.worker.onmessage = ({ data }) => this.receive(data);
    this.worker.onerror = failed('programs');
    this.worker.postMessage({ type: 'modules', ...modules, colours: this.colours, viewPort: channel.port1 }, [
      channel.port1,
    ]);
  }

  receive(data) {
    if (data.type === 'colours') {
      this.colours = { table: data.table, colours: data.colours };
      return;
    }
    const run = this.run;
    if (run === null || data.id !== run.id) return;
    if (data.type === 'progress') {
      run.onProgress(data.fraction);
    } else if (data.type === 'view') {
      run.viewShown = true;
      run.onView(data.view);
      if (run.done) this.finish(run);
    } else if (data.type === 'done') {
      // A view on its way from the other worker is waited for.
      run.done = data;
      if (!data.viewSent || run.viewShown) this.finish(run);
    } else if (data.type === 'failed') {
      this.run = null;
      run.reject(new Error(data.message));
    }
  }

  finish(run) {
    this.run = null;
    run.resolve(run.done);
  }

  // Ends the worker and everything it holds; the next run starts another.
  fail(message) {
    this.worker?.terminate();
    this.worker = null;
    const run = this.run;
    this.run = null;
    run?.reject(new Error(message));
  }

  stop() {
    const run = this.run;
    if (run === null) return;
    this.worker?.terminate();
    this.worker = null;
    this.run = null;
    run.reject(new Stopped('Stopped.'));
  }

  get running() {
    return this.run !== null;
  }
}
