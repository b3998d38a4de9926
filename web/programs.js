// Runs trevalk and trevalk-preview, built for the browser, as the command
// line runs them: arguments, an environment, files in a current folder,
// standard output and standard error, an exit status. Each run gets a fresh
// instance of its program (a program's memory and files start anew, as a
// process's do); the WebAssembly code itself is compiled once per page.
import createTrevalk from './trevalk.js';
import createTrevalkPreview from './trevalk-preview.js';

const compiled = new Map();

function compile(name) {
  if (!compiled.has(name)) {
    const url = new URL(name, import.meta.url);
    const module = WebAssembly.compileStreaming(fetch(url)).catch(async () => {
      // A server that does not say application/wasm: compile the bytes.
      const response = await fetch(url);
      if (!response.ok) throw new Error(`${name}: ${response.status} ${response.statusText}`);
      return WebAssembly.compile(await response.arrayBuffer());
    });
    module.catch(() => compiled.delete(name));
    compiled.set(name, module);
  }
  return compiled.get(name);
}

// Bytes a program writes to one of its standard streams.
class Capture {
  constructor() {
    this.chunks = [];
    this.current = new Uint8Array(65536);
    this.used = 0;
    this.put = (byte) => {
      if (byte === null || byte === undefined) return;
      if (this.used === this.current.length) {
        this.chunks.push(this.current);
        this.current = new Uint8Array(this.current.length * 2);
        this.used = 0;
      }
      this.current[this.used++] = byte;
    };
  }

  bytes() {
    const length = this.chunks.reduce((sum, chunk) => sum + chunk.length, 0) + this.used;
    const all = new Uint8Array(length);
    let at = 0;
    for (const chunk of this.chunks) {
      all.set(chunk, at);
      at += chunk.length;
    }
    all.set(this.current.subarray(0, this.used), at);
    return all;
  }
}

const encoder = new TextEncoder();

function putText(capture, text) {
  for (const byte of encoder.encode(`${text}\n`)) capture.put(byte);
}

// Runs one program: `files` (name -> bytes) are put in its current folder
// first, `env` is added to its environment; the files named in `outputs`
// are read back afterwards when they exist. Resolves to
// { status, stdout, stderr, files } with stdout and stderr as bytes; a run
// that ends abnormally (out of memory, a trap) has status null and its
// reason in `failure`.
async function runProgram(factory, wasmName, program, args, { files = {}, env = {}, outputs = [] }) {
  const wasm = await compile(wasmName);
  const stdout = new Capture();
  const stderr = new Capture();
  const instance = await factory({
    thisProgram: program,
    instantiateWasm(imports, receive) {
      WebAssembly.instantiate(wasm, imports).then((made) => receive(made, wasm));
      return {};
    },
    preRun: [
      (module) => {
        module.FS.init(() => null, stdout.put, stderr.put);
        if (Object.keys(env).length > 0) Object.assign(module.ENV, env);
        module.FS.mkdir('/maps');
        module.FS.chdir('/maps');
        for (const [name, bytes] of Object.entries(files)) module.FS.writeFile(name, bytes);
      },
    ],
    // The runtime's own messages (an abort's reason); the program's output
    // goes through the streams above.
    print: (text) => putText(stdout, text),
    printErr: (text) => putText(stderr, text),
  });
  let status = null;
  let failure = null;
  try {
    status = instance.callMain(args);
  } catch (error) {
    failure = error && error.message ? error.message : String(error);
  }
  const read = {};
  for (const name of outputs) {
    try {
      if (instance.FS.isFile(instance.FS.stat(name).mode)) read[name] = instance.FS.readFile(name);
    } catch {
      // Not written.
    }
  }
  return { status, failure, stdout: stdout.bytes(), stderr: stderr.bytes(), files: read };
}

// trevalk xsize ysize pathwidth waterwidth tileset outfile, in a folder
// holding `template` as ruvivare.dat; `seed` (a string) becomes
// QUENDREL_SEED. `files.map` is the map written, when there is one.
export async function runTrevalk(args, { seed, template }) {
  const outfile = args[5];
  const env = seed === undefined ? {} : { QUENDREL_SEED: seed };
  const result = await runProgram(createTrevalk, 'trevalk.wasm', 'trevalk', args, {
    files: { 'ruvivare.dat': template },
    env,
    outputs: [outfile],
  });
  result.map = result.files[outfile];
  return result;
}

// trevalk-preview MAP PNG at its default scale. `png` is the image written,
// when there is one.
export async function runPreview(mapName, map, pngName) {
  const result = await runProgram(
    createTrevalkPreview,
    'trevalk-preview.wasm',
    'trevalk-preview',
    [mapName, pngName],
    { files: { [mapName]: map }, outputs: [pngName] },
  );
  result.png = result.files[pngName];
  return result;
}

// Compiles both programs ahead of the first run.
export function preparePrograms() {
  return Promise.all([compile('trevalk.wasm'), compile('trevalk-preview.wasm')]);
}
