// Keeps the site for offline use: every file of it is cached on the first
// visit, and served from the cache from then on, with or without a network.
//
// A new build has a new cache name and new file hashes (the build writes
// both). Its worker fetches every file past the browser's HTTP cache, keeps
// it only if its hash is this build's (a half-deployed site fails the install,
// to be tried again on a later visit), then waits: the page says a new version
// is ready, and the new worker takes over when the user asks for the reload,
// or when no page of the old version is open any more. Only this site's own
// older caches are deleted; other caches of the origin stay.

'use strict';

const PREFIX = `tavrilo-page ${self.registration.scope} `;
const CACHE = `${PREFIX}@SITE_HASH@`;
const FILES = @SITE_FILES@; // {address: SHA-256 of its content, hex}
// The name an earlier build gave its cache.
const EARLIER = /^tavrilo-[0-9a-f]{16}$/;

async function hex(bytes) {
    const digest = new Uint8Array(await crypto.subtle.digest('SHA-256', bytes));
    return [...digest].map((byte) => byte.toString(16).padStart(2, '0')).join('');
}

async function fetchChecked(address) {
    const response = await fetch(address, { cache: 'no-store' });
    if (!response.ok)
        throw new Error(`${address}: ${response.status}`);
    const bytes = await response.arrayBuffer();
    if (await hex(bytes) !== FILES[address])
        throw new Error(`${address} is not this build's`);
    return new Response(bytes, { headers: { 'Content-Type': response.headers.get('Content-Type') ?? '' } });
}

self.addEventListener('install', (event) => {
    event.waitUntil((async () => {
        const responses = await Promise.all(Object.keys(FILES).map(fetchChecked));
        const cache = await caches.open(CACHE);
        await Promise.all(Object.keys(FILES).map((address, i) => cache.put(address, responses[i])));
    })().catch(async (error) => {
        await caches.delete(CACHE);
        throw error;
    }));
});

self.addEventListener('message', (event) => {
    if (event.data?.type === 'take-over')
        self.skipWaiting();
});

self.addEventListener('activate', (event) => {
    event.waitUntil(caches.keys()
        .then((keys) => Promise.all(keys
            .filter((key) => key !== CACHE && (key.startsWith(PREFIX) || EARLIER.test(key)))
            .map((key) => caches.delete(key))))
        .then(() => self.clients.claim()));
});

self.addEventListener('fetch', (event) => {
    if (event.request.method !== 'GET')
        return;
    event.respondWith(caches.open(CACHE)
        .then((cache) => cache.match(event.request, { ignoreSearch: true }))
        .then((cached) => cached || fetch(event.request)));
});
