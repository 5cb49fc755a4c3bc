// The batch, off the page's thread: the file is read in slices (File.slice),
// each slice fed to the module's batch session as tavrilo-calc --csv feeds
// its reads, and the answered rows kept as blob parts, so that neither the
// file nor its result sits whole in the page's memory. A cancel is seen
// between slices.
//
// Messages in:  {type: 'prepare', module: WebAssembly.Module} (optional: the
//               module instantiated and warmed up ahead of the batch)
//               {type: 'start', module: WebAssembly.Module, file: File}
//               {type: 'cancel'}
// Messages out: {type: 'progress', bytes, text}
//               {type: 'done', result: Blob|null, text, ok}

'use strict';

/* global TAVRILO, TavriloModule */

const SLICE_BYTES = 4 << 20;

let cancelled = false;
let running = false;
let prepared = null; // the module's instance, when made ahead

// A few thousand rows of each kind run once in a worker made ahead, so that
// the browser has optimised the module's batch code before a file comes.
function warmUp(calc) {
    const rows = ['1.3,0.0065,0.1,双向,甲', '2,0.012,0.15,单向布置,"乙,丙"', '0,0.0065,0.1,1,',
                  '12.5,0.02,0.2,two-way,'];
    const sample = new TextEncoder().encode(`${rows.join('\r\n')}\r\n`.repeat(1000));
    calc.batchBegin(false);
    for (let i = 0; i < 4; ++i)
        calc.batchFeed(sample);
    calc.batchStop();
    return calc;
}

async function run(module, file) {
    const calc = await (prepared ?? TavriloModule.instantiate(module));
    prepared = null;
    // Each slice's rows are copied out of the module's memory once, into a
    // blob of their own; the result joins them without copying again.
    const out = [];
    const keep = () => {
        const view = calc.partView(TAVRILO.PART.PRINTED);
        if (view.length > 0)
            out.push(new Blob([view]));
    };
    const result = () => new Blob(out, { type: 'text/csv;charset=utf-8' });

    calc.batchBegin(true);
    // The next slice is read while this one is computed.
    let next = file.slice(0, SLICE_BYTES).arrayBuffer();
    for (let at = 0; at < file.size; at += SLICE_BYTES) {
        const bytes = new Uint8Array(await next);
        if (cancelled) {
            calc.batchStop();
            keep();
            return { type: 'done', result: result(),
                     text: calc.batchText(TAVRILO.BATCH_TEXT.CANCELLED), ok: false };
        }
        if (at + SLICE_BYTES < file.size)
            next = file.slice(at + SLICE_BYTES, at + 2 * SLICE_BYTES).arrayBuffer();
        const decoded = calc.batchFeed(bytes);
        keep();
        if (!decoded)
            return { type: 'done', result: out.length > 0 ? result() : null,
                     text: calc.batchFailure(file.name), ok: false };
        postMessage({ type: 'progress', bytes: at + bytes.length,
                      text: calc.batchText(TAVRILO.BATCH_TEXT.PROGRESS) });
    }
    const decoded = calc.batchFinish();
    keep();
    if (!decoded)
        return { type: 'done', result: out.length > 0 ? result() : null,
                 text: calc.batchFailure(file.name), ok: false };
    return { type: 'done', result: result(), text: calc.batchText(TAVRILO.BATCH_TEXT.SUMMARY), ok: true,
             failed: calc.batchFailed() };
}

onmessage = async (event) => {
    const message = event.data;
    if (message.type === 'cancel') {
        cancelled = true;
        return;
    }
    if (message.type === 'prepare') {
        prepared = TavriloModule.instantiate(message.module).then(warmUp);
        prepared.catch(() => { prepared = null; });
        return;
    }
    if (message.type !== 'start' || running)
        return;
    running = true;
    cancelled = false;
    try {
        postMessage(await run(message.module, message.file));
    } catch (error) {
        postMessage({ type: 'done', result: null, text: String(error), ok: false });
    } finally {
        running = false;
    }
};
