// How the hosted site gets its module and worker: tavrilo.wasm and worker.js
// beside the page, and the service worker that keeps them for offline use.

'use strict';

/* exported tavriloLoadModule, tavriloStartWorker */

function tavriloLoadModule() {
    const response = fetch('tavrilo.wasm');
    // Streaming needs the server to say application/wasm; any other still works.
    return WebAssembly.compileStreaming(response).catch(
        () => response.then((r) => r.clone().arrayBuffer()).then((bytes) => WebAssembly.compile(bytes)));
}

function tavriloStartWorker() {
    return new Worker('worker.js');
}

if ('serviceWorker' in navigator)
    navigator.serviceWorker.register('sw.js').catch(() => {});
