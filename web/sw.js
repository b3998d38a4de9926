// The page's service worker: keeps every file the page needs, so that after
// one visit it works with no network. scripts/web-build writes the version
// (a hash of the files) and the list. A new version is fetched whole when
// the browser finds this file changed, takes over at once, and removes the
// caches of older versions; the page then loads it on its next reload.
const VERSION = 'unbuilt';
const FILES = ['./'];
const CACHE = `trevalk-${VERSION}`;

self.addEventListener('install', (event) => {
  event.waitUntil(
    caches
      .open(CACHE)
      .then((cache) => cache.addAll(FILES.map((file) => new Request(file, { cache: 'reload' }))))
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
// anything else.
self.addEventListener('fetch', (event) => {
  if (event.request.method !== 'GET') return;
  event.respondWith(
    caches
      .open(CACHE)
      .then(async (cache) => (await cache.match(event.request, { ignoreSearch: true })) || fetch(event.request)),
  );
});
