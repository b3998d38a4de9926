// Finishes the site that scripts/web-build copied into FOLDER:
//   node web/tools/site.mjs FOLDER
// - the icons (icons.mjs);
// - worker.js: the worker and its modules as one classic script;
// - trevalk.html, the whole page in one file that opens from disk: its
//   modules joined into one inline script, the worker and the two programs'
//   scripts in a block it starts its worker from, the programs' code, the
//   checker and the template as base64 blocks, the stylesheet inline, and a
//   Content-Security-Policy that admits exactly those inline parts;
// - the service worker's list of files and its version;
// - the sizes of the page, as the README's table of them
//   (page-sizes.md beside FOLDER; with --readme, written into README.md).
import { createHash } from 'node:crypto';
import { readdirSync, readFileSync, rmSync, statSync, writeFileSync } from 'node:fs';
import { join, posix, relative } from 'node:path';
import { fileURLToPath } from 'node:url';

import { ICONS } from './icons.mjs';

const site = process.argv[2];
if (!site) {
  console.error('Usage: site.mjs FOLDER [--readme]');
  process.exit(2);
}
const read = (name) => readFileSync(join(site, name), 'utf8');
const sha256 = (text) => createHash('sha256').update(text).digest('base64');
const sha256Of = (name) =>
  createHash('sha256')
    .update(readFileSync(join(site, name)))
    .digest('hex');

// Text that goes inside a <script> or <style> element as it is.
function inline(name, text) {
  if (/<\/(script|style)|<!--/i.test(text)) throw new Error(`${name} cannot be put inside the page as it is`);
  return text;
}

function replaceOnce(text, from, to) {
  if (text.split(from).length !== 2) throw new Error(`${from} is not there once`);
  return text.replace(from, () => to);
}

// ---- modules as one script

// Each module becomes a function that returns what it exports; an import
// becomes a look-up of those. Only the forms the page and its worker use are
// taken: `import { a, b } from './x.js';`, `import * as x from './x.js';`
// (paths relative to the importing module) and `export function|class|const`.
function bundle(entry) {
  const order = [];
  const seen = new Set();
  const visit = (name) => {
    if (seen.has(name)) return;
    seen.add(name);
    const source = read(name);
    const imports = [...source.matchAll(/^import (\{[^}]*\}|\* as [\w$]+) from '(\.\.?\/[\w./-]+\.js)';$/gm)].map(
      ([statement, names, from]) => ({ statement, names, from: posix.join(posix.dirname(name), from) }),
    );
    for (const { from } of imports) visit(from);
    order.push({ name, source, imports });
  };
  visit(entry);
  const parts = ['"use strict";', 'const bundled = {};'];
  for (const { name, source, imports } of order) {
    let code = source;
    for (const { statement, names, from } of imports) {
      const bindings = names.startsWith('*')
        ? names.replace(/^\* as /, '')
        : `{ ${names
            .slice(1, -1)
            .split(',')
            .map((n) => n.trim())
            .filter(Boolean)
            .map((n) => n.replace(/\s+as\s+/, ': '))
            .join(', ')} }`;
      code = code.replace(statement, `const ${bindings} = bundled['${from}'];`);
    }
    const exported = [];
    code = code.replace(/^export (async function\*? |function\*? |class |const )([\w$]+)/gm, (all, kind, id) => {
      exported.push(id);
      return `${kind}${id}`;
    });
    if (/^(import|export)\b/m.test(code)) throw new Error(`${name}: an import or export the bundle does not take`);
    parts.push(`bundled['${name}'] = (() => {\n${code}\nreturn { ${exported.join(', ')} };\n})();`);
  }
  return parts.join('\n');
}

// The worker as one classic script, served as worker.js; the modules it was
// made of are not served.
function worker() {
  const script = inline('the worker', bundle('worker.js'));
  writeFileSync(join(site, 'worker.js'), script);
  rmSync(join(site, 'worker'), { recursive: true, force: true });
  return script;
}

function oneFile(workerScript) {
  const base64 = (name) => readFileSync(join(site, name)).toString('base64');
  const script = inline('the page script', bundle('app.js'));
  const style = inline('style.css', read('style.css'));
  const worker = inline('the worker', [...['trevalk.js', 'trevalk-preview.js'].map(read), workerScript].join('\n'));
  const policy = [
    "default-src 'none'",
    `script-src 'sha256-${sha256(script)}' 'wasm-unsafe-eval'`,
    `style-src 'sha256-${sha256(style)}'`,
    'img-src data: blob:',
    'worker-src blob:',
    "base-uri 'none'",
    "form-action 'none'",
  ].join('; ');
  const block = (type, name, text) => `<script type="${type}" id="embedded:${name}">${text}</script>`;
  let page = read('index.html');
  page = page.replace(
    /<meta http-equiv="Content-Security-Policy" content="[^"]*">/,
    `<meta http-equiv="Content-Security-Policy" content="${policy}">`,
  );
  page = replaceOnce(
    page,
    '<link rel="icon" href="icon-192.png">',
    `<link rel="icon" href="data:image/png;base64,${base64('icon-192.png')}">`,
  );
  page = replaceOnce(page, '<link rel="manifest" href="manifest.json">', '');
  page = replaceOnce(page, '<link rel="stylesheet" href="style.css">', `<style>${style}</style>`);
  page = replaceOnce(page, '<script type="module" src="app.js"></script>', '');
  const blocks = [
    block('text/plain', 'worker.js', worker),
    ...['trevalk.wasm', 'trevalk-preview.wasm', 'trevalk-check.wasm', 'data/ruvivare.dat'].map((name) =>
      block('application/octet-stream', name, base64(name)),
    ),
    `<script>${script}</script>`,
  ];
  page = replaceOnce(page, '</body>', `${blocks.join('\n')}\n</body>`);
  writeFileSync(join(site, 'trevalk.html'), page);
}

// ---- the service worker's files

function files(folder) {
  return readdirSync(folder).flatMap((name) => {
    const path = join(folder, name);
    return statSync(path).isDirectory() ? files(path) : [relative(site, path)];
  });
}

function offline() {
  // What the served page loads; the one-file page, the license and the
  // README are not part of it.
  const kept = files(site)
    .filter((name) => !['sw.js', 'trevalk.html', 'README.txt', 'LICENSE'].includes(name))
    .sort();
  const hash = createHash('sha256');
  const sums = { './': sha256Of('index.html') };
  for (const name of kept) {
    hash.update(name).update(readFileSync(join(site, name)));
    sums[name] = sha256Of(name);
  }
  let worker = read('sw.js');
  worker = replaceOnce(worker, "const VERSION = 'unbuilt';", `const VERSION = '${hash.digest('hex').slice(0, 16)}';`);
  worker = replaceOnce(worker, "const FILES = { './': '' };", `const FILES = ${JSON.stringify(sums)};`);
  writeFileSync(join(site, 'sw.js'), worker);
}

for (const [name, make] of Object.entries(ICONS)) writeFileSync(join(site, name), make());
oneFile(worker());
offline();

// ---- the sizes of the page

// The README's rows between these lines are the build's, never typed.
const SIZES_BEGIN = '<!-- The sizes of the page: scripts/web-build --readme writes these rows. -->';
const SIZES_END = '<!-- End of the sizes of the page. -->';

function sizes() {
  const kb = (bytes) => `${Math.round(bytes / 1000).toLocaleString('en-US')} KB`;
  const size = (name) => statSync(join(site, name)).size;
  const all = files(site).reduce((sum, name) => sum + size(name), 0);
  const rows = [
    ['`trevalk.html`, the whole page in one file', kb(size('trevalk.html'))],
    [
      '`trevalk.wasm`, `trevalk-preview.wasm`, `trevalk-check.wasm`',
      ['trevalk.wasm', 'trevalk-preview.wasm', 'trevalk-check.wasm'].map((name) => kb(size(name))).join(', '),
    ],
    ["the site's files, `trevalk.html`, template and license included", kb(all)],
  ];
  const table = ['| file | size |', '|---|---|', ...rows.map(([what, value]) => `| ${what} | ${value} |`)].join('\n');
  writeFileSync(join(site, '..', 'page-sizes.md'), `${table}\n`);
  if (process.argv.includes('--readme')) {
    const readme = join(fileURLToPath(new URL('../..', import.meta.url)), 'README.md');
    const text = readFileSync(readme, 'utf8');
    const begin = text.indexOf(SIZES_BEGIN);
    const end = text.indexOf(SIZES_END);
    if (begin < 0 || end < begin) throw new Error(`README.md has no lines ${SIZES_BEGIN} ... ${SIZES_END}`);
    writeFileSync(readme, `${text.slice(0, begin + SIZES_BEGIN.length)}\n${table}\n${text.slice(end)}`);
  }
}

sizes();
