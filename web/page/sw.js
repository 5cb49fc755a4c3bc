// Keeps the site for offline use: every file of it is cached on the first
// visit, and served from the cache from then on, with or without a network.
// A new build has a new cache name (the build writes it), so the new files
// replace the old ones once the new worker takes over.

'use strict';

const CACHE = 'tavrilo-@SITE_HASH@';
const FILES = @SITE_FILES@;

self.addEventListener('install', (event) => {
    event.waitUntil(caches.open(CACHE).then((cache) => cache.addAll(FILES))
        .then(() => self.skipWaiting()));
});

self.addEventListener('activate', (event) => {
    event.waitUntil(caches.keys()
        .then((keys) => Promise.all(keys.filter((key) => key !== CACHE).map((key) => caches.delete(key))))
        .then(() => self.clients.claim()));
});

self.addEventListener('fetch', (event) => {
    if (event.request.method !== 'GET')
        return;
    event.respondWith(caches.match(event.request, { ignoreSearch: true }).then(
        (cached) => cached || fetch(event.request)));
});
