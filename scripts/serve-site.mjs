#!/usr/bin/env node
// A static file server for the web page, on the loopback interface:
//   node scripts/serve-site.mjs FOLDER [--port N] [--host ADDRESS]
// prints the address it serves and runs until it is stopped. The tests and
// the benchmark import serveSite and close it themselves. Any server of
// plain files does as well: the page needs nothing else.
//
// It answers GET and HEAD with the regular files that really lie in FOLDER
// (a folder's index.html for the folder), and any other request with a
// plain refusal: 400 for a path that names no file (a bad escape, a NUL, a
// "..", a name longer than a file system takes), 403 for a file it may not
// read or whose real place, links followed, is outside FOLDER, 404 for
// what is missing or not a regular file, 405 for other methods. No request
// stops it, and a download the client abandons frees its file at once.
import { constants } from 'node:fs';
import { open, realpath, stat } from 'node:fs/promises';
import { createServer } from 'node:http';
import { extname, join, resolve, sep } from 'node:path';
import { pipeline } from 'node:stream';
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

// The longest name of one file or folder that file systems take, in bytes.
const NAME_MAX = 255;

const refusal = (status, text) => Object.assign(new Error(text), { status });

// What a failed look-up of a requested file tells the client.
const REFUSALS = {
  ENOENT: [404, 'Not found'],
  ENOTDIR: [404, 'Not found'],
  ELOOP: [404, 'Not found'],
  EACCES: [403, 'Forbidden'],
  EPERM: [403, 'Forbidden'],
  ENAMETOOLONG: [400, 'Bad request path'],
};

// The names that the request's path leads through, decoded; a path that
// cannot name a file in the folder is refused with 400.
function requestnames(path) {
  if (!path.startsWith('/')) throw refusal(400, 'Bad request path');
  let names;
  try {
    names = path.split('/').map(decodeURIComponent);
  } catch {
    throw refusal(400, 'Bad escape in the request path');
  }
  for (const name of names) {
    if (name === '..' || /[\0/]/.test(name) || Buffer.byteLength(name) > NAME_MAX) {
      throw refusal(400, 'Bad request path');
    }
  }
  return names.filter((name) => name !== '' && name !== '.');
}

// The real path and the kind of what the names lead to in the folder root
// (itself a real path), links followed; 403 when that lies outside.
async function locate(root, names) {
  const real = await realpath(join(root, ...names));
  if (real !== root && !real.startsWith(root.endsWith(sep) ? root : root + sep)) {
    throw refusal(403, 'Outside the served folder');
  }
  return { real, info: await stat(real) };
}

// Opens a located file, 404 unless it is a regular one. What is sent is
// checked once it is open, so it is what was located even if the folder
// changes meanwhile; and the open does not wait should a pipe have taken
// its place.
async function openfile({ real, info }) {
  if (!info.isFile()) throw refusal(404, 'Not found');
  const handle = await open(real, constants.O_RDONLY | constants.O_NOFOLLOW | constants.O_NONBLOCK);
  try {
    const opened = await handle.stat();
    if (!opened.isFile() || opened.ino !== info.ino || opened.dev !== info.dev) {
      throw refusal(404, 'Not found');
    }
    return { handle, size: opened.size, type: TYPES[extname(real)] || 'application/octet-stream' };
  } catch (error) {
    await handle.close();
    throw error;
  }
}

function reply(response, status, text, headers = {}) {
  const body = `${text}\n`;
  response.writeHead(status, {
    'Content-Type': 'text/plain; charset=utf-8',
    'Content-Length': Buffer.byteLength(body),
    ...headers,
  });
  response.end(body);
}

async function answer(root, request, response) {
  if (request.method !== 'GET' && request.method !== 'HEAD') {
    reply(response, 405, 'Method not allowed', { Allow: 'GET, HEAD' });
    return;
  }
  let file;
  try {
    const path = request.url.split(/[?#]/, 1)[0];
    const names = requestnames(path);
    let found = await locate(root, names);
    if (found.info.isDirectory()) {
      if (!path.endsWith('/')) {
        // A folder's address ends in "/", so that the relative addresses
        // of its page lead into it.
        const rest = request.url.slice(path.length);
        reply(response, 301, 'Moved', { Location: `${path.replace(/^\/+/, '/')}/${rest}` });
        return;
      }
      found = await locate(root, [...names, 'index.html']);
    }
    file = await openfile(found);
  } catch (error) {
    const [status, text] = error.status ? [error.status, error.message] : REFUSALS[error.code] || [];
    if (!status) throw error;
    reply(response, status, text);
    return;
  }
  response.writeHead(200, {
    'Content-Type': file.type,
    'Content-Length': file.size,
    'Cache-Control': 'no-cache',
  });
  if (request.method === 'HEAD' || file.size === 0) {
    await file.handle.close();
    response.end();
    return;
  }
  // The file's stream closes its descriptor when it ends, fails or is
  // destroyed, which pipeline does when the client goes away first. Only
  // the size announced is sent, should the file grow meanwhile.
  pipeline(file.handle.createReadStream({ start: 0, end: file.size - 1 }), response, () => {});
}

// Resolves to the listening server; port 0 takes a free one (server.address().port).
export async function serveSite(folder, { port = 0, host = '127.0.0.1' } = {}) {
  const root = await realpath(resolve(folder));
  if (!(await stat(root)).isDirectory()) {
    throw Object.assign(new Error(`${folder}: not a folder`), { code: 'ENOTDIR' });
  }
  const server = createServer((request, response) => {
    answer(root, request, response).catch((error) => {
      // An unforeseen failure ends this answer alone, never the server.
      console.error(`serve-site: ${request.url}: ${error.message}`);
      if (response.headersSent) response.destroy();
      else reply(response, 500, 'Server error');
    });
  });
  return new Promise((done, fail) => {
    server.once('error', fail);
    server.listen(port, host, () => {
      server.off('error', fail);
      done(server);
    });
  });
}

if (process.argv[1] && resolve(process.argv[1]) === fileURLToPath(import.meta.url)) {
  const usage = 'Usage: node scripts/serve-site.mjs FOLDER [--port N] [--host ADDRESS]';
  const quit = (message, status) => {
    console.error(message);
    process.exit(status);
  };
  const args = process.argv.slice(2);
  const options = { '--port': '8000', '--host': '127.0.0.1' };
  const folders = [];
  while (args.length > 0) {
    const arg = args.shift();
    if (arg in options) {
      if (args.length === 0) quit(`serve-site.mjs: ${arg} needs a value\n${usage}`, 2);
      options[arg] = args.shift();
    } else if (arg.startsWith('-')) {
      quit(`serve-site.mjs: unknown option ${arg}\n${usage}`, 2);
    } else {
      folders.push(arg);
    }
  }
  if (folders.length !== 1) quit(usage, 2);
  const text = options['--port'];
  const port = /^[0-9]{1,5}$/.test(text) ? Number(text) : NaN;
  if (!(port <= 65535)) {
    quit(`serve-site.mjs: --port ${text}: not a port number (0 to 65535; 0 takes a free one)`, 2);
  }
  const host = options['--host'];
  const [folder] = folders;
  let server;
  try {
    server = await serveSite(folder, { port, host });
  } catch (error) {
    const listening = error.syscall === 'listen';
    const reasons = listening
      ? { EADDRINUSE: 'the port is in use', EACCES: 'permission denied' }
      : { ENOENT: 'no such folder', ENOTDIR: 'not a folder', EACCES: 'permission denied' };
    const where = listening ? `cannot serve on ${host} port ${port}` : folder;
    quit(`serve-site.mjs: ${where}: ${reasons[error.code] || error.message}`, 1);
  }
  const shown = host === '127.0.0.1' ? 'localhost' : host;
  console.log(`Serving ${folder} on http://${shown}:${server.address().port}/ (Ctrl-C stops it)`);
}
