// The two programs, built for the browser, run as the command line runs
// them: arguments, an environment, files in a current folder, standard
// output and error, an exit status. Each run gets a fresh instance of its
// program, so its memory and files start anew as a process's do; the
// compiled code (`modules`: { trevalk, preview }) comes from the page, the
// factories (createTrevalk, createTrevalkPreview) from the programs'
// scripts.
import { paletteColours, viewOfImage } from './levels.js';
import { Output, captureStreams } from './output.js';
import { partsOf, putFile, usePartFiles } from './partfiles.js';
import { PartList } from './partlist.js';
import { MOST_PIXELS, decodePng } from './png.js';
import { listSections, tilesOfMap } from './sections.js';

// The share of a made map's progress bar that each stage of its programs
// fills (system/progress.h's stages: the maze's rows, the sections written,
// the image's bands); the rest is the image decoded.
const MAKE_STAGES = [
  [0, 0.4],
  [0.4, 0.5],
  [0.5, 0.95],
];
const OPEN_STAGES = [null, null, [0, 0.9]];

// Runs `factory`'s program with `args` in /maps holding `files` (name ->
// PartList). Resolves to { status, failure, FS, scale, players, notes }: a
// run that ended abnormally (out of memory, a trap) has status null and its
// reason in `failure`; the preview tells its image's `scale` and the
// `players`' colours, trevalk its `notes` for beside the form's fields
// ({ field, text }).
export async function runProgram(factory, module, program, args, options) {
  const { files, env = {}, stdout, stderr, onWrite = () => {}, onProgress = () => {} } = options;
  const told = { scale: null, players: [], notes: [] };
  const instance = await factory({
    thisProgram: program,
    instantiateWasm(imports, receive) {
      WebAssembly.instantiate(module, imports).then((made) => receive(made, module));
      return {};
    },
    preRun: [
      (m) => {
        captureStreams(m.FS, stdout, stderr);
        if (m.ENV) Object.assign(m.ENV, env);
        m.FS.mkdir('/maps');
        m.FS.chdir('/maps');
        usePartFiles(m.FS, onWrite);
        for (const [name, parts] of Object.entries(files)) putFile(m.FS, name, parts);
      },
    ],
    // The runtime's own messages (an abort's reason).
    print: (text) => stdout.text(text),
    printErr: (text) => stderr.text(text),
    onProgress,
    onScale: (scale) => {
      told.scale = scale;
    },
    onPlayerColour: (player, rgb) => {
      told.players[player] = rgb;
    },
    onNote: (field, text) => {
      told.notes.push({ field, text });
    },
  });
  let status = null;
  let failure = null;
  try {
    status = instance.callMain(args);
  } catch (error) {
    failure = error && error.message ? error.message : String(error);
  }
  return { status, failure, FS: instance.FS, ...told };
}

// A stage's progress as a share of the whole bar, from `stages`.
function stageProgress(stages, onFraction) {
  return (stage, done, total) => {
    const span = stages[stage];
    if (span && total > 0) onFraction(span[0] + ((span[1] - span[0]) * done) / total);
  };
}

// trevalk-preview MAP PNG on the map `parts`, with --starts=REPORT when a
// report ({ name, parts }) is given: its status, output, image (PartList,
// or null), scale and players' colours.
export async function runPreview(modules, mapName, pngName, parts, { report = null, onProgress } = {}) {
  const stdout = new Output();
  const stderr = new Output();
  const started = performance.now();
  const args = report === null ? [mapName, pngName] : [`--starts=${report.name}`, mapName, pngName];
  const files = { [mapName]: parts };
  if (report !== null) files[report.name] = report.parts;
  const run = await runProgram(createTrevalkPreview, modules.preview, 'trevalk-preview', args, {
    files,
    stdout,
    stderr,
    onProgress,
  });
  return {
    status: run.status,
    failure: run.failure,
    stdout: stdout.result(),
    stderr: stderr.result(),
    png: run.status === 0 ? partsOf(run.FS, pngName) : null,
    scale: run.scale,
    players: run.players,
    time: performance.now() - started,
  };
}

// The colour the preview gives each of the 65536 tile values, learned from
// the preview itself: its image of a map of 256 x 256 tiles that holds every
// value once. With it, a map trevalk just made is shown from its own tiles
// while the preview still compresses its image.
export async function learnColours(modules) {
  const map = new Uint8Array(8 + 4 + 8 + 2 * 65536);
  const words = new DataView(map.buffer);
  map.set([68, 73, 77, 32], 0); // "DIM "
  words.setUint32(4, 4, true);
  words.setUint16(8, 256, true);
  words.setUint16(10, 256, true);
  map.set([77, 84, 88, 77], 12); // "MTXM"
  words.setUint32(16, 2 * 65536, true);
  for (let value = 0; value < 65536; value++) words.setUint16(20 + 2 * value, value, true);
  const run = await runPreview(modules, 'colours.dat', 'colours.png', new PartList([map]));
  const image = run.png === null ? null : await decodePng(run.png.bytes());
  if (image === null || image.width !== 256 * run.scale || image.height !== 256 * run.scale) return null;
  const table = new Uint8Array(65536);
  const row = 256 * run.scale;
  for (let value = 0; value < 65536; value++) {
    table[value] = image.pixels[run.scale * ((value >> 8) * row + (value & 255))];
  }
  return { table, colours: paletteColours(image.palette) };
}

// The preview of `parts` for the page: the image to download (a Blob) and,
// unless the map was shown already, the view of the image.
async function preview(modules, mapName, pngName, parts, { report, stages, onFraction, shown }) {
  const run = await runPreview(modules, mapName, pngName, parts, {
    report,
    onProgress: stageProgress(stages, onFraction),
  });
  const result = { ...run, pngName, png: null, view: null, viewTime: 0 };
  if (run.png === null) return result;
  result.png = run.png.blob('image/png');
  if (!shown) {
    const started = performance.now();
    const image = await decodePng(run.png.bytes());
    if (image !== null && run.scale !== null) result.view = viewOfImage(image, run.scale);
    result.viewTime = performance.now() - started;
  }
  return result;
}

// trevalk with `args` (its options, then xsize ysize pathwidth waterwidth
// tileset outfile) and `env`, in a folder holding `template` as
// ruvivare.dat; then the preview of the map it wrote, with the starts of
// the report it wrote as `report`, when it was asked for one. `onTiles`
// gets the map's tiles to show at once, and says whether it took them;
// a map not to be shown (request.show false) has no view made at all.
export async function makeMap(modules, request, { learned, onFraction, onTiles }) {
  if (!request.show) learned = null;
  const { args, env, outfile, report: reportName, pngName, template } = request;
  const stdout = new Output();
  const stderr = new Output();
  const started = performance.now();
  const run = await runProgram(createTrevalk, modules.trevalk, 'trevalk', args, {
    files: { 'ruvivare.dat': new PartList([template]) },
    env,
    stdout,
    stderr,
    onProgress: stageProgress(MAKE_STAGES, onFraction),
  });
  const times = { trevalk: performance.now() - started };
  const result = {
    status: run.status,
    failure: run.failure,
    stdout: stdout.result(),
    stderr: stderr.result(),
    map: null,
    sections: null,
    report: null,
    preview: null,
    notes: run.notes,
    viewSent: false,
    times,
  };
  const map = run.status === 0 ? partsOf(run.FS, outfile) : null;
  if (map === null) return result;
  result.sections = listSections(map);
  const viewStarted = performance.now();
  const tiles = tilesOfMap(map, result.sections, learned, MOST_PIXELS);
  if (tiles !== null) result.viewSent = onTiles(tiles);
  times.view = performance.now() - viewStarted;
  const reportParts = reportName ? partsOf(run.FS, reportName) : null;
  let starts = null;
  if (reportParts !== null) {
    const bytes = reportParts.bytes();
    result.report = {
      name: reportName,
      text: new TextDecoder().decode(bytes),
      blob: new Blob([bytes], { type: 'application/json' }),
    };
    starts = { name: reportName, parts: reportParts };
  }
  result.preview = await preview(modules, outfile, pngName, map, {
    report: starts,
    stages: MAKE_STAGES,
    onFraction,
    shown: tiles !== null || !request.show,
  });
  times['trevalk-preview'] = result.preview.time;
  times.image = result.preview.viewTime;
  const blobStarted = performance.now();
  result.map = map.blob('application/octet-stream');
  times['map-blob'] = performance.now() - blobStarted;
  return result;
}

// trevalk alone, for a search among seeds: its status, the first of what it
// said on standard error, and the report it wrote (its text, or null).
export async function measureMap(modules, { args, env, outfile, report, template }) {
  const stdout = new Output();
  const stderr = new Output();
  const run = await runProgram(createTrevalk, modules.trevalk, 'trevalk', args, {
    files: { 'ruvivare.dat': new PartList([template]) },
    env,
    stdout,
    stderr,
  });
  const parts = run.status === 0 && partsOf(run.FS, outfile) !== null ? partsOf(run.FS, report) : null;
  return {
    status: run.status,
    failure: run.failure,
    stderr: stderr.result(),
    report: parts === null ? null : new TextDecoder().decode(parts.bytes()),
  };
}

// The preview of a map file the user opened: its sections and the preview.
export async function openMap(modules, { file, name, pngName }, { onFraction }) {
  const parts = new PartList([new Uint8Array(await file.arrayBuffer())]);
  const sections = listSections(parts);
  const run = await preview(modules, name, pngName, parts, {
    report: null,
    stages: OPEN_STAGES,
    onFraction,
    shown: false,
  });
  return { sections, preview: run };
}
