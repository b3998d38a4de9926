// The page's service worker: keeps every file the page needs, so that after
// one visit it works with no network. scripts/web-build writes the version
// (a hash of the files) and the list, with the SHA-256 of each file as it
// was built. A file is kept only when its bytes have that hash: a damaged
// download (a proxy, a connection cut short) is passed on to the page, which
// finds it damaged, but never kept, so the next try fetches it again. A new
// version is fetched whole when the browser finds this file changed, takes
// over at once, and removes the caches of older versions; the page then
// loads it on its next reload.
const VERSION = 'unbuilt';
const FILES = { './': '' };
const CACHE = `trevalk-${VERSION}`;

// The file of the list an address names, or null.
function listed(url) {
  const scope = new URL('./', self.registration.scope);
  const address = new URL(url);
  if (address.origin !== scope.origin || !address.pathname.startsWith(scope.pathname)) return null;
  const name = address.pathname.slice(scope.pathname.length) || './';
  return Object.hasOwn(FILES, name) ? name : null;
}

async function sha256(response) {
  const digest = await crypto.subtle.digest('SHA-256', await response.arrayBuffer());
  return [...new Uint8Array(digest)].map((byte) => byte.toString(16).padStart(2, '0')).join('');
}

// Keeps `response` for `name` when it holds the bytes that were built.
async function keepChecked(cache, request, name, response) {
  if (!response.ok || (await sha256(response.clone())) !== FILES[name]) return false;
  await cache.put(request, response);
  return true;
}

// Every file that arrives whole; one that does not is left for the first
// time the page asks for it.
self.addEventListener('install', (event) => {
  event.waitUntil(
    caches
      .open(CACHE)
      .then((cache) =>
        Promise.all(
          Object.keys(FILES).map(async (name) => {
            const request = new Request(name, { cache: 'reload' });
            try {
              await keepChecked(cache, request, name, await fetch(request));
            } catch {
              // No network for this file now: fetched when the page asks for it.
            }
          }),
        ),
      )
      .then(() => self.skipWaiting()),
  );
});

self.addEventListener('activate', (event) => {
  event.waitUntil(
    caches
      .keys()
      .then((names) =>
        Promise.all(
          names.filter((name) => name.startsWith('trevalk-') && name !== CACHE).map((name) => caches.delete(name)),
        ),
      )
      .then(() => self.clients.claim()),
  );
});

// The kept files first (the part of an address after # never reaches a
// server, so every map's address is the page itself), the network for
// anything else; a file of the list that was missing is kept once it
// arrives whole.
self.addEventListener('fetch', (event) => {
  if (event.request.method !== 'GET') return;
  event.respondWith(
    caches.open(CACHE).then(async (cache) => {
      const kept = await cache.match(event.request, { ignoreSearch: true });
      if (kept) return kept;
      const response = await fetch(event.request);
      const name = listed(event.request.url);
      if (name !== null) event.waitUntil(keepChecked(cache, event.request, name, response.clone()).catch(() => false));
      return response;
    }),
  );
});
