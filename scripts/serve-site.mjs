#!/usr/bin/env node
// A static file server for the web page, on the loopback interface:
//   node scripts/serve-site.mjs FOLDER [--port N] [--host ADDRESS]
// prints the address it serves and runs until it is stopped. The tests and
// the benchmark import serveSite and close it themselves. Any server of
// plain files does as well: the page needs nothing else.
import { createReadStream } from 'node:fs';
import { stat } from 'node:fs/promises';
import { createServer } from 'node:http';
import { extname, join, normalize, resolve, sep } from 'node:path';
import { fileURLToPath } from 'node:url';

const TYPES = {
  '.html': 'text/html; charset=utf-8',
  '.js': 'text/javascript; charset=utf-8',
  '.mjs': 'text/javascript; charset=utf-8',
  '.css': 'text/css; charset=utf-8',
  '.wasm': 'application/wasm',
  '.png': 'image/png',
  '.json': 'application/json',
};

// Resolves to the listening server; port 0 takes a free one (server.address().port).
export function serveSite(folder, { port = 0, host = '127.0.0.1' } = {}) {
  const root = resolve(folder);
  const server = createServer(async (request, response) => {
    try {
      const path = decodeURIComponent(new URL(request.url, 'http://site').pathname);
      let file = normalize(join(root, path));
      if (file !== root && !file.startsWith(root + sep)) throw Object.assign(new Error(), { code: 'ENOENT' });
      let info = await stat(file);
      if (info.isDirectory()) {
        file = join(file, 'index.html');
        info = await stat(file);
      }
      response.writeHead(200, {
        'Content-Type': TYPES[extname(file)] || 'application/octet-stream',
        'Content-Length': info.size,
        'Cache-Control': 'no-cache',
      });
      if (request.method === 'HEAD') response.end();
      else createReadStream(file).pipe(response);
    } catch (error) {
      const missing = error.code === 'ENOENT' || error.code === 'ENOTDIR';
      response.writeHead(missing ? 404 : 500, { 'Content-Type': 'text/plain' });
      response.end(missing ? 'Not found\n' : 'Server error\n');
    }
  });
  return new Promise((done, fail) => {
    server.once('error', fail);
    server.listen(port, host, () => done(server));
  });
}

if (process.argv[1] && resolve(process.argv[1]) === fileURLToPath(import.meta.url)) {
  const args = process.argv.slice(2);
  const option = (name, fallback) => {
    const at = args.indexOf(name);
    return at >= 0 ? args.splice(at, 2)[1] : fallback;
  };
  const port = Number(option('--port', '8000'));
  const host = option('--host', '127.0.0.1');
  const folder = args[0];
  if (!folder) {
    console.error('Usage: serve-site.mjs FOLDER [--port N] [--host ADDRESS]');
    process.exit(2);
  }
  const server = await serveSite(folder, { port, host });
  const shown = host === '127.0.0.1' ? 'localhost' : host;
  console.log(`Serving ${folder} on http://${shown}:${server.address().port}/ (Ctrl-C stops it)`);
}
