// The README's figures of the page are the build's: scripts/web-build
// writes them (build-web/page-sizes.md), and --readme puts them in the
// README, which must then hold them as they are.
import assert from 'node:assert/strict';
import { readFileSync } from 'node:fs';
import { join } from 'node:path';
import { test } from 'node:test';
import { fileURLToPath } from 'node:url';

const root = fileURLToPath(new URL('../../', import.meta.url));
const site = process.env.TREVALK_SITE || join(root, 'build-web/site');

test("the README's sizes of the page are the build's", () => {
  const built = readFileSync(join(site, '..', 'page-sizes.md'), 'utf8');
  const readme = readFileSync(join(root, 'README.md'), 'utf8');
  assert.ok(readme.includes(`writes these rows. -->\n${built}<!-- End`), 'run scripts/web-build --readme');
});
