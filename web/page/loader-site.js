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

// A new version, once its service worker has cached all of it, is offered
// with a note rather than switched to under a half-typed form: 重新加载 lets
// it take over, and the page reloads when it has.
function tavriloWatchUpdates() {
    const note = document.getElementById('update');
    let asked = false;
    let waiting = null;
    const offer = (worker) => {
        if (!worker || !navigator.serviceWorker.controller)
            return; // the first visit: nothing older to replace
        waiting = worker;
        note.hidden = false;
    };
    const whenInstalled = (worker) => {
        if (!worker)
            return;
        if (worker.state === 'installed')
            offer(worker);
        else
            worker.addEventListener('statechange', () => {
                if (worker.state === 'installed')
                    offer(worker);
            });
    };
    document.getElementById('update-reload').addEventListener('click', () => {
        asked = true;
        if (waiting)
            waiting.postMessage({ type: 'take-over' });
        else
            location.reload();
    });
    // The first visit's worker takes the page over too: nothing to reload for.
    let controlled = navigator.serviceWorker.controller !== null;
    navigator.serviceWorker.addEventListener('controllerchange', () => {
        if (asked)
            location.reload();
        else if (controlled)
            note.hidden = false; // another page of this site took the new version
        controlled = true;
    });
    navigator.serviceWorker.register('sw.js').then((registration) => {
        offer(registration.waiting);
        whenInstalled(registration.installing);
        registration.addEventListener('updatefound', () => whenInstalled(registration.installing));
        // A page left open looks for a new version when it is shown again.
        document.addEventListener('visibilitychange', () => {
            if (document.visibilityState === 'visible')
                registration.update().catch(() => {});
        });
    }).catch(() => {});
}

if ('serviceWorker' in navigator)
    tavriloWatchUpdates();
