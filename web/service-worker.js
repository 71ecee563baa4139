// The page's service worker: it keeps every file of the site in one cache
// for each version of the site, so that the page starts without the network
// after the first visit, and a page always runs the files of one build
// together. The build writes the files' list, with their SHA-256, and the
// version (a hash of the list) into this file (web/service_worker.cmake).
"use strict";
const version = "@V3_SITE_VERSION@";
// [name relative to this worker, SHA-256 in hex]
const files = @V3_SITE_FILES@;

// One cache per version and scope: the same site may be served under several paths.
const scope = self.registration.scope;
const cachePrefix = "vantora3 ";
const cacheName = cachePrefix + version + " " + scope;
const isOwnOldCache = (name) => name.startsWith(cachePrefix) && name.endsWith(" " + scope) && name !== cacheName;

const hex = (buffer) => Array.from(new Uint8Array(buffer), (b) => b.toString(16).padStart(2, "0")).join("");

// Every file comes from the server, past any HTTP cache, and must be this
// build's to the byte; only a complete set is stored. A server caught half
// way through an upload (a new .data beside an old .wasm) fails the install,
// and the version before stays in use.
async function fetchAll() {
    return Promise.all(files.map(async ([name, sha]) => {
        const url = new URL(name, self.location.href).href;
        const response = await fetch(url, {cache: "no-store"});
        if (!response.ok) throw new Error(`${name}: HTTP ${response.status}`);
        const body = await response.arrayBuffer();
        const got = hex(await crypto.subtle.digest("SHA-256", body));
        if (got !== sha) throw new Error(`${name} on the server is not the one of version ${version}`);
        return [url, new Response(body, {status: response.status, statusText: response.statusText,
                                         headers: response.headers})];
    }));
}

self.addEventListener("install", (event) => {
    event.waitUntil((async () => {
        const responses = await fetchAll();
        try {
            const cache = await caches.open(cacheName);
            await Promise.all(responses.map(([url, response]) => cache.put(url, response)));
        } catch (e) {
            await caches.delete(cacheName);
            throw e;
        }
    })());
});

// A new version waits until no page runs the old one. A page that has
// loaded all its files asks it to take over (index.html does), which it
// does when that page is the site's only one: its next load then gets the
// new set whole, and no other page is left half way through loading the old.
self.addEventListener("message", (event) => {
    if (event.data !== "take over" || !event.source) return;
    event.waitUntil((async () => {
        const pages = await self.clients.matchAll({type: "window", includeUncontrolled: true});
        if (pages.every((page) => page.id === event.source.id || !page.url.startsWith(scope))) await self.skipWaiting();
    })());
});

self.addEventListener("activate", (event) => {
    event.waitUntil((async () => {
        for (const name of await caches.keys())
            if (isOwnOldCache(name)) await caches.delete(name);
    })());
});

// The site's files from the cache; anything else (another path on the same
// server) from the network as before.
self.addEventListener("fetch", (event) => {
    const request = event.request;
    if (request.method !== "GET") return;
    const url = new URL(request.url);
    url.hash = "";
    const navigation = request.mode === "navigate";
    if (navigation) {
        url.search = "";
        if (url.href === scope) url.href = scope + "index.html";
    }
    event.respondWith((async () => {
        const hit = await caches.match(url.href, {cacheName});
        return hit || fetch(request);
    })());
});
