// scripts/serve-site.mjs against what a local folder and its clients throw
// at it: it answers each with the file or a plain refusal, frees every
// abandoned download's descriptor and refuses a bad port plainly.
import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import { mkdir, mkdtemp, readdir, rm, symlink, unlink, writeFile } from 'node:fs/promises';
import { request } from 'node:http';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { after, before, test } from 'node:test';
import { fileURLToPath } from 'node:url';

const script = fileURLToPath(new URL('../../scripts/serve-site.mjs', import.meta.url));
const { serveSite } = await import(script);
let scratch, site, server;

before(async () => {
  scratch = await mkdtemp(join(tmpdir(), 'serve-site-'));
  site = join(scratch, 'site');
  await mkdir(join(site, 'folder/index.html'), { recursive: true });
  await writeFile(join(site, 'index.html'), 'the page');
  await writeFile(join(site, 'big.bin'), Buffer.alloc(16 << 20));
  await writeFile(join(scratch, 'private.txt'), 'outside');
  await symlink('../private.txt', join(site, 'out.txt'));
  server = await serveSite(site);
});
after(async () => {
  server?.close();
  await rm(scratch, { recursive: true, force: true });
});

const address = (path, method = 'GET') => {
  return { host: '127.0.0.1', port: server.address().port, path, method, agent: false };
};

// The request with its path as written: the answer's status and body.
const send = (path, method) =>
  new Promise((done, fail) => {
    const sent = request(address(path, method), (response) => {
      const chunks = [];
      response.on('data', (chunk) => chunks.push(chunk));
      response.on('end', () => done({ status: response.statusCode, body: Buffer.concat(chunks).toString() }));
    });
    sent.on('error', fail).end();
  });

// A download of big.bin that the client drops after its first bytes.
const abandon = () =>
  new Promise((done) => {
    const sent = request(address('/big.bin'), (response) => response.once('data', () => done(sent.destroy())));
    sent.on('error', () => {}).end();
  });

test('answers every request with the file or a refusal, and goes on serving', { timeout: 30000 }, async () => {
  const cases = [
    ['GET', '/', 200, 'the page'],
    ['GET', '/folder/', 404], // its index.html is a folder
    ['GET', '/out.txt', 403], // a link out of the folder
    ['GET', '/missing', 404],
    ['GET', '/%zz', 400],
    ['GET', '/a%00b', 400],
    ['GET', `/${'n'.repeat(256)}`, 400],
    ['GET', '/../private.txt', 400],
    ['POST', '/', 405],
    ['DELETE', '/index.html', 405],
    ['GET', '/index.html', 200, 'the page'],
  ];
  for (const [method, path, status, body] of cases) {
    const got = await send(path, method);
    assert.equal(got.status, status, `${method} ${path}`);
    if (body) assert.equal(got.body, body, `${method} ${path}`);
  }
});

test('a file removed while it is asked for is sent whole or not found', { timeout: 60000 }, async () => {
  const file = join(site, 'removed.txt');
  const answers = new Set();
  for (let round = 0; round < 300; round++) {
    await writeFile(file, 'whole');
    const asked = Array.from({ length: 4 }, () => send('/removed.txt'));
    await new Promise((done) => setTimeout(done, round % 4));
    await unlink(file);
    for (const { status, body } of await Promise.all(asked)) answers.add(`${status} ${body}`);
  }
  assert.deepEqual([...answers].sort(), ['200 whole', '404 Not found\n']);
});

test('300 abandoned downloads leave no descriptor open', { timeout: 60000 }, async () => {
  const descriptors = async () => (await readdir('/proc/self/fd')).length;
  await send('/big.bin');
  const before = await descriptors();
  for (let round = 0; round < 10; round++) await Promise.all(Array.from({ length: 30 }, abandon));
  let open = await descriptors();
  for (let wait = 0; wait < 100 && open > before; wait++) {
    await new Promise((done) => setTimeout(done, 50));
    open = await descriptors();
  }
  assert.ok(open <= before, `${open} descriptors open, ${before} before the downloads`);
  assert.equal((await send('/')).status, 200);
});

test('a bad --port gets a message and status 2', () => {
  for (const port of ['abc', '70000', '-1', '']) {
    const run = spawnSync(process.execPath, [script, site, '--port', port], { encoding: 'utf8' });
    assert.equal(run.status, 2, `--port ${port}`);
    assert.match(run.stderr, /^serve-site\.mjs: --port .*: not a port number/, `--port ${port}`);
    assert.doesNotMatch(run.stderr, /\n\s+at /, `--port ${port}`);
  }
});
