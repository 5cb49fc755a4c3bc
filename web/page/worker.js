// The calculation off the page's thread: one mesh at a time, and the batch.
//
// A mesh: its total (or refusal) is posted at once, then its details, with
// the drawing, the cut list's CSV and the JSON as blobs and the drawing for
// the screen (screenDrawing).
//
// The batch: the file is read in slices (File.slice),
// each slice fed to the module's batch session as tavrilo-calc --csv feeds
// its reads, and the answered rows kept as blob parts, so that neither the
// file nor its result sits whole in the page's memory. A cancel is seen
// between slices.
//
// Messages in:  {type: 'mesh', id, module, values: [D, Φ, d], layout, extras}
//               {type: 'prepare', module: WebAssembly.Module} (optional: the
//               module instantiated and warmed up ahead of the batch)
//               {type: 'start', module: WebAssembly.Module, file: File}
//               {type: 'cancel'}
//               {type: 'site', id, module, meshes: [{D, phi, d, a, label, number, grade}]}
//               {type: 'site-import', id, module, file: File}
//               {type: 'order', id, module, meshes, settings: {stock, kerf, keep, lap, couplers,
//                coils, shear, prepared, checked}, name (the site's), date, store: {rows} or
//                undefined}
//               {type: 'store', id, module, rows: [{phi, length, count, grade, price, note}]}
//               {type: 'store-import', id, module, file: File}
// Messages out: {type: 'mesh-total', id, status, text | total, read: {values, notes}}
//               {type: 'mesh-details', id, status, text | breakdown, weight,
//                cutHeading, cutComparison, table: {header, lines (the first),
//                count, rest (the others as JSON), totals}, svg, screen, csv, json}
//               {type: 'site', id, refused: [{index, text}], table, csv: Blob}
//               {type: 'site-import', id, status, text | imported: {text, meshes, omitted}}
//               {type: 'order', id, status, needsSplice, text | view (JSON), csv, json, svg, xlsx,
//                storeAfter: the rows of the store after it, or null}
//               {type: 'store', id, refused: [{index, text}], rows, csv: Blob}
//               {type: 'store-import', id, status, text | imported: {text, rows}}
//               {type: 'progress', bytes, text}
//               {type: 'done', result: Blob|null, text, ok, partial: true when
//                the result holds only the rows before a stop}

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

// The drawing for the screen. With thousands of bars an SVG image takes the
// browser's page thread far too long to show, so such a drawing comes as the
// bars' ends for a canvas (each direction: its colour, width and x1 y1 x2 y2
// of every bar) and the rest of the drawing as a small SVG to draw over them.
const MANY_BARS = 2000;
function screenDrawing(calc, svg) {
    const drawing = JSON.parse(calc.part(TAVRILO.PART.SCREEN_DRAWING));
    if (drawing.bars < MANY_BARS)
        return { image: svg };
    const ends = new Float64Array(calc.partBytes(TAVRILO.PART.SCREEN_ENDS).buffer);
    let at = 0;
    const directions = drawing.directions.map(({ stroke, width, bars }) => {
        at += 4 * bars;
        return { stroke, width, ends: ends.subarray(at - 4 * bars, at) };
    });
    return { overlay: new Blob([drawing.overlay], { type: 'image/svg+xml' }), directions,
             width: drawing.width, height: drawing.height };
}

// The cut list's cells with its first lines ready to show and the rest kept
// as JSON text: a long list's thousands of small strings would take the page
// longer to receive than one text it reads when they are asked for.
const LINES_AT_ONCE = 100;
function cutTable(json) {
    const table = JSON.parse(json);
    const rest = table.lines.slice(LINES_AT_ONCE);
    return { header: table.header, totals: table.totals, lines: table.lines.slice(0, LINES_AT_ONCE),
             count: table.lines.length, rest: rest.length > 0 ? JSON.stringify(rest) : null };
}

let meshCalc = null;

async function answerMesh({ id, module, values, layout, extras }) {
    meshCalc ??= TavriloModule.instantiate(module);
    const calc = await meshCalc;
    const { PART, OUTCOME } = TAVRILO;
    const status = calc.mesh(...values, layout, 0);
    if (status !== OUTCOME.ANSWERED) {
        postMessage({ type: 'mesh-total', id, status, text: calc.part(PART.PRINTED) });
        return;
    }
    postMessage({ type: 'mesh-total', id, status, total: calc.part(PART.TOTAL),
                  read: JSON.parse(calc.part(PART.READ_VALUES)) });
    const detailsStatus = calc.mesh(...values, layout, extras);
    if (detailsStatus !== OUTCOME.ANSWERED) {
        postMessage({ type: 'mesh-details', id, status: detailsStatus, text: calc.part(PART.PRINTED) });
        return;
    }
    const svg = new Blob([calc.partView(PART.SVG)], { type: 'image/svg+xml' });
    postMessage({
        type: 'mesh-details', id, status: detailsStatus,
        breakdown: calc.part(PART.BREAKDOWN_TEXT),
        weight: calc.part(PART.WEIGHT_TEXT),
        cutHeading: calc.part(PART.CUT_HEADING),
        cutComparison: calc.part(PART.CUT_COMPARISON),
        table: cutTable(calc.part(PART.CUT_TABLE)),
        svg,
        screen: screenDrawing(calc, svg),
        csv: new Blob([calc.partView(PART.CUT_CSV)], { type: 'text/csv;charset=utf-8' }),
        json: new Blob([calc.partView(PART.JSON_TEXT)], { type: 'application/json' }),
    });
}

// A site: its table and its schedule, and the meshes refused.
async function answerSite({ id, module, meshes }) {
    meshCalc ??= TavriloModule.instantiate(module);
    const calc = await meshCalc;
    const { PART } = TAVRILO;
    const refused = calc.site(meshes);
    postMessage({ type: 'site', id, refused, table: JSON.parse(calc.part(PART.SITE_TABLE)),
                  csv: new Blob([calc.partView(PART.SITE_CSV)], { type: 'text/csv;charset=utf-8' }) });
}

// A schedule file read in as a site, or a store file as the store (`type`).
async function importFile({ type, id, module, file }) {
    meshCalc ??= TavriloModule.instantiate(module);
    const calc = await meshCalc;
    const { PART, OUTCOME } = TAVRILO;
    let bytes;
    try {
        bytes = new Uint8Array(await file.arrayBuffer());
    } catch {
        calc.batchBegin(false);
        calc.batchReadFailure(file.name);
        postMessage({ type, id, status: OUTCOME.FAILED,
                      text: calc.batchText(TAVRILO.BATCH_TEXT.READ_FAILURE) });
        return;
    }
    const site = type === 'site-import';
    const status = site ? calc.siteImport(bytes, file.name) : calc.storeImport(bytes, file.name);
    if (status === OUTCOME.FAILED) {
        postMessage({ type, id, status, text: calc.part(PART.PRINTED).trimEnd() });
        return;
    }
    postMessage({ type, id, status,
                  imported: JSON.parse(calc.part(site ? PART.SITE_IMPORT : PART.STORE_IMPORT)) });
}

// The store's rows read: those refused, the rows read and the store file.
async function readStore({ id, module, rows }) {
    meshCalc ??= TavriloModule.instantiate(module);
    const calc = await meshCalc;
    const { PART } = TAVRILO;
    const refused = calc.store(rows);
    postMessage({ type: 'store', id, refused, rows: JSON.parse(calc.part(PART.STORE_ROWS)),
                  csv: new Blob([calc.partView(PART.STORE_CSV)], { type: 'text/csv;charset=utf-8' }) });
}

// The steel order of a site's meshes, made from its schedule as
// tavrilo-calc --order makes it from the exported file (with --store from
// the exported store, when `store` is given), the workbook headed with the
// site's name and the date as tavrilo-calc heads it with its file's name and
// today.
async function makeOrder({ id, module, meshes, settings, name, date, store }) {
    meshCalc ??= TavriloModule.instantiate(module);
    const calc = await meshCalc;
    const { PART, OUTCOME } = TAVRILO;
    let stored;
    if (store) {
        calc.store(store.rows);
        stored = calc.partBytes(PART.STORE_CSV);
    }
    calc.site(meshes);
    const schedule = calc.partBytes(PART.SITE_CSV);
    const status = calc.order(TAVRILO.ORDER_FILE.SCHEDULE, schedule, '工程清单.csv', settings,
                              { site: name, date, store: stored });
    // A refusal leaves no order to show; rows left out are named in it.
    if (calc.part(PART.ORDER_PAGE) === '') {
        postMessage({ type: 'order', id, status, needsSplice: calc.orderNeedsSplice(),
                      text: calc.part(PART.PRINTED).trimEnd() });
        return;
    }
    postMessage({
        type: 'order', id, status,
        // As text: the page reads it faster than it would receive the objects.
        view: calc.part(PART.ORDER_PAGE),
        csv: new Blob([calc.partView(PART.ORDER_CSV)], { type: 'text/csv;charset=utf-8' }),
        json: new Blob([calc.partView(PART.JSON_TEXT)], { type: 'application/json' }),
        svg: new Blob([calc.partView(PART.SVG)], { type: 'image/svg+xml' }),
        storeAfter: store ? JSON.parse(calc.part(PART.STORE_AFTER)) : null,
        xlsx: new Blob([calc.partView(PART.ORDER_XLSX)],
                       { type: 'application/vnd.openxmlformats-officedocument.spreadsheetml.sheet' }),
    });
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
        let bytes;
        try {
            bytes = new Uint8Array(await next);
        } catch {
            // The file went away or changed under the read: the rows answered stay.
            calc.batchReadFailure(file.name);
            keep();
            return { type: 'done', result: out.length > 0 ? result() : null,
                     text: calc.batchText(TAVRILO.BATCH_TEXT.READ_FAILURE), ok: false, partial: true };
        }
        if (cancelled) {
            calc.batchStop();
            keep();
            return { type: 'done', result: result(),
                     text: calc.batchText(TAVRILO.BATCH_TEXT.CANCELLED), ok: false, partial: true };
        }
        if (at + SLICE_BYTES < file.size)
            next = file.slice(at + SLICE_BYTES, at + 2 * SLICE_BYTES).arrayBuffer();
        const decoded = calc.batchFeed(bytes);
        keep();
        if (!decoded)
            return { type: 'done', result: out.length > 0 ? result() : null,
                     text: calc.batchFailure(file.name), ok: false, partial: true };
        postMessage({ type: 'progress', bytes: at + bytes.length,
                      text: calc.batchText(TAVRILO.BATCH_TEXT.PROGRESS) });
    }
    const decoded = calc.batchFinish();
    keep();
    if (!decoded)
        return { type: 'done', result: out.length > 0 ? result() : null,
                 text: calc.batchFailure(file.name), ok: false, partial: true };
    return { type: 'done', result: result(), text: calc.batchText(TAVRILO.BATCH_TEXT.SUMMARY), ok: true,
             failed: calc.batchFailed() };
}

onmessage = async (event) => {
    const message = event.data;
    if (message.type === 'cancel') {
        cancelled = true;
        return;
    }
    const answer = { mesh: answerMesh, site: answerSite, 'site-import': importFile, order: makeOrder,
                     store: readStore, 'store-import': importFile };
    if (Object.hasOwn(answer, message.type)) {
        answer[message.type](message);
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
