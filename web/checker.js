// trevalk's own check of a command line (trevalk-check.wasm, built from the
// program's C++ sources: generator/request.h), on the page's thread. Every
// refusal, size rule and symmetry rule of trevalk that the page shows before
// a run comes from here, in trevalk's words.

// The checker (its compiled module) as a function of trevalk's words (the options and the
// six arguments, without the program's name) to its findings:
// { arguments: the five numbers as read (null where none),
//   request: the map they ask for (null when refused),
//   refusals: [{ field, code, numbers, message }] in trevalk's order,
//   symmetries: [{ name, order, players, why }] }.
export async function loadChecker(module) {
  // The module is built to stand alone: it asks the host for nothing but a
  // note when its memory grows, and for an exit it never takes.
  const imports = {};
  for (const { module: from, name, kind } of WebAssembly.Module.imports(module)) {
    if (kind !== 'function') continue;
    imports[from] ??= {};
    imports[from][name] =
      name === 'emscripten_notify_memory_growth'
        ? () => {}
        : () => {
            throw new Error(`trevalk's checker called ${from}.${name}.`);
          };
  }
  const { exports } = await WebAssembly.instantiate(module, imports);
  exports._initialize();
  const encoder = new TextEncoder();
  const decoder = new TextDecoder();
  return (words) => {
    const argv = ['trevalk', ...words].map((word) => encoder.encode(`${word}\0`));
    const bytesNeeded = argv.reduce((sum, word) => sum + word.length, 0);
    const pointers = exports.malloc(4 * argv.length + bytesNeeded);
    try {
      let at = pointers + 4 * argv.length;
      const table = new Uint32Array(exports.memory.buffer, pointers, argv.length);
      const memory = new Uint8Array(exports.memory.buffer);
      argv.forEach((word, i) => {
        table[i] = at;
        memory.set(word, at);
        at += word.length;
      });
      const found = exports.trevalkcheck(argv.length, pointers);
      // The check may have grown the memory: its buffer is looked up anew.
      const after = new Uint8Array(exports.memory.buffer);
      const end = after.indexOf(0, found);
      return JSON.parse(decoder.decode(after.subarray(found, end)));
    } finally {
      exports.free(pointers);
    }
  };
}
