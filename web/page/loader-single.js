// How the single file gets its module and worker: both are in the page
// itself (a browser fetches no separate file from file://). The module is
// held gzip-compressed as base64 text, the worker's script as plain text.

'use strict';

/* exported tavriloLoadModule, tavriloStartWorker */

async function tavriloLoadModule() {
    const text = document.getElementById('tavrilo-wasm').textContent.trim();
    const packed = Uint8Array.from(atob(text), (c) => c.charCodeAt(0));
    const stream = new Blob([packed]).stream().pipeThrough(new DecompressionStream('gzip'));
    return WebAssembly.compile(await new Response(stream).arrayBuffer());
}

let tavriloWorkerUrl = null;
function tavriloStartWorker() {
    if (!tavriloWorkerUrl) {
        const source = document.getElementById('tavrilo-worker').textContent;
        tavriloWorkerUrl = URL.createObjectURL(new Blob([source], { type: 'text/javascript' }));
    }
    return new Worker(tavriloWorkerUrl);
}
