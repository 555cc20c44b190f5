// Keeps the game playable offline after one visit. Every request goes to the network first, so a
// page served anew is always the one played; the cache answers only when the network does not.
// The cache is named after the release: a new one fills its own on install and drops the others.
'use strict';

const kCache = 'ferrowyn-@PROJECT_VERSION@';
const kFiles = [
  './', 'index.html', 'page.js', 'style.css', 'ferrowyn.js', 'ferrowyn.wasm',
  'ferrowyn-audio.js', 'icon.png', 'icon-192.png', 'icon-512.png', 'manifest.webmanifest'
];

self.addEventListener('install', (event) => {
  event.waitUntil(
      caches.open(kCache)
          .then((cache) => cache.addAll(kFiles.map((f) => new Request(f, {cache: 'reload'}))))
          .then(() => self.skipWaiting()));
});

self.addEventListener('activate', (event) => {
  event.waitUntil(
      caches.keys()
          .then(
              (names) => Promise.all(
                  names.filter((name) => name !== kCache).map((name) => caches.delete(name))))
          .then(() => self.clients.claim()));
});

self.addEventListener('fetch', (event) => {
  const request = event.request;
  if (request.method !== 'GET' || new URL(request.url).origin !== self.location.origin) return;
  event.respondWith(fetch(request)
                        .then((response) => {
                          if (response.status === 200 && response.type === 'basic') {
                            const copy = response.clone();
                            caches.open(kCache).then((cache) => cache.put(request, copy));
                          }
                          return response;
                        })
                        .catch(
                            () => caches.match(request, {ignoreSearch: true})
                                      .then((cached) => cached || Response.error())));
});
