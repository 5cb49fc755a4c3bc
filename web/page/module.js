// The calculation module's glue, shared by the page and its batch worker: it
// copies texts into the module's memory, calls its exports and reads the
// answers back. The module imports nothing and is a reactor: _initialize
// once, then any export. Memory can grow during any call, so its buffer is
// read again after each one. The numbers it passes (extras, parts, batch
// texts, outcomes) are TAVRILO's, made from the module's own C++ at build
// time; TavriloModule.CUT_LIST, TavriloModule.SVG and the like name them too.

'use strict';

/* global TAVRILO */
/* exported TavriloModule */
class TavriloModule {
    static async instantiate(module) {
        const instance = await WebAssembly.instantiate(module, {});
        return new TavriloModule(instance.exports);
    }

    constructor(exports) {
        this.exports = exports;
        this.encoder = new TextEncoder();
        this.decoder = new TextDecoder('utf-8');
        this.exports._initialize();
    }

    // Calls the export `name` with `args`, each text among them (a string or
    // a Uint8Array) copied into a fresh buffer of the module and passed as
    // its address and length, null or undefined as none (0 and 0), and any
    // other argument as it is; gives every buffer back. Returns the export's
    // result.
    call(name, ...args) {
        const passed = [];
        const buffers = [];
        try {
            for (const arg of args) {
                if (arg === null || arg === undefined) {
                    passed.push(0, 0);
                } else if (typeof arg === 'string' || arg instanceof Uint8Array) {
                    const bytes = typeof arg === 'string' ? this.encoder.encode(arg) : arg;
                    const at = this.exports.tavrilo_alloc(bytes.length);
                    if (at === 0)
                        throw new RangeError('out of memory');
                    buffers.push(at);
                    new Uint8Array(this.exports.memory.buffer, at, bytes.length).set(bytes);
                    passed.push(at, bytes.length);
                } else {
                    passed.push(arg);
                }
            }
            return this.exports[name](...passed);
        } finally {
            buffers.forEach((at) => this.exports.tavrilo_free(at));
        }
    }

    // The bytes of a part of the last answer, as a view into the module's
    // memory: valid until the next call.
    partView(part) {
        return new Uint8Array(this.exports.memory.buffer, this.exports.tavrilo_part_ptr(part),
                              this.exports.tavrilo_part_len(part));
    }

    part(part) {
        return this.decoder.decode(this.partView(part));
    }

    // A copy of the bytes of a part, to keep.
    partBytes(part) {
        return this.partView(part).slice();
    }

    // One mesh: the three texts as typed, the arrangement (1 one-way, 2
    // two-way, 0 none chosen) and the extras (TAVRILO.EXTRA bits). Returns
    // the status of its outcome (TAVRILO.OUTCOME).
    mesh(meshDiameter, barDiameter, spacing, arrangement, extras) {
        return this.call('tavrilo_mesh', meshDiameter, barDiameter, spacing, arrangement, extras);
    }

    // The steel order of a file's bytes (a Uint8Array): a site schedule or a
    // piece list (TAVRILO.ORDER_FILE), the file's name for the messages, and
    // the settings as typed ({stock, kerf, keep, lap, coils, shear, prepared,
    // checked}: a text each, or undefined for one not given; couplers true or
    // false), the site's name and the date (2026-12-10) that head the
    // workbook, and the store's file (tavrilo-calc --store, its offcuts noted
    // as from the site on the date) or undefined. Returns the status of its
    // outcome; the parts PRINTED, JSON_TEXT, SVG, ORDER_CSV and ORDER_XLSX
    // hold the order, and with a store STORE_AFTER the store after it.
    order(file, bytes, name, { stock, kerf, keep, lap, couplers, coils, shear, prepared, checked },
          { site, date, store } = {}) {
        return this.call('tavrilo_order', file, bytes, name, stock, kerf, keep, lap, couplers ? 1 : 0,
                         coils, store, site, date, shear, prepared, checked);
    }

    // The store's rows ({phi (mm), length, count, grade, price, note}:
    // texts): parts STORE_ROWS and STORE_CSV then hold the rows read and the
    // store file. Returns the rows refused: [{index, text}].
    store(rows) {
        this.exports.tavrilo_store_begin();
        const refused = [];
        rows.forEach((row, index) => {
            const status = this.call('tavrilo_store_add', row.phi ?? '', row.length ?? '',
                                     row.count ?? '', row.grade ?? '', row.price ?? '', row.note ?? '');
            if (status !== TAVRILO.OUTCOME.ANSWERED)
                refused.push({ index, text: this.part(TAVRILO.PART.PRINTED) });
        });
        this.exports.tavrilo_store_end();
        return refused;
    }

    // A store file's bytes (a Uint8Array) read in: the status of its
    // outcome; part STORE_IMPORT holds the rows read and the rows left out,
    // or part PRINTED why the file could not be read.
    storeImport(bytes, name) {
        return this.call('tavrilo_store_import', bytes, name);
    }

    // Whether the last order was refused for want of a splice (bars longer
    // than the stock): the page asks for one.
    orderNeedsSplice() {
        return this.exports.tavrilo_order_needs_splice() !== 0;
    }

    // A site's meshes ({D, phi, d, a, label, number, grade}: texts, a 1 or 2,
    // 0 for a straight bar):
    // parts SITE_TABLE and SITE_CSV then hold its table and its schedule.
    // Returns the meshes refused, each answered alone: [{index, text}].
    site(meshes) {
        this.exports.tavrilo_site_begin();
        const refused = [];
        meshes.forEach((mesh, index) => {
            const status = this.call('tavrilo_site_add', mesh.D ?? '', mesh.phi ?? '', mesh.d ?? '',
                                     mesh.a, mesh.label ?? '', mesh.number ?? '', mesh.grade ?? '');
            if (status !== TAVRILO.OUTCOME.ANSWERED)
                refused.push({ index, text: this.part(TAVRILO.PART.PRINTED) });
        });
        this.exports.tavrilo_site_end();
        return refused;
    }

    // A schedule's bytes (a Uint8Array) read in as a site: the status of its
    // outcome; part SITE_IMPORT holds the meshes read and the rows left out,
    // or part PRINTED why the file could not be read.
    siteImport(bytes, name) {
        return this.call('tavrilo_site_import', bytes, name);
    }

    batchBegin(byteOrderMark) {
        this.exports.tavrilo_batch_begin(byteOrderMark ? 1 : 0);
    }

    // Feeds `bytes` (a Uint8Array) to the batch: false when the file cannot be
    // decoded further. The rows it completed are in part PRINTED.
    batchFeed(bytes) {
        return this.call('tavrilo_batch_feed', bytes) !== 0;
    }

    batchFinish() {
        return this.exports.tavrilo_batch_finish() !== 0;
    }

    batchStop() {
        this.exports.tavrilo_batch_stop();
    }

    // A text about the batch (TAVRILO.BATCH_TEXT).
    batchText(which) {
        this.exports.tavrilo_batch_text(which);
        return this.part(TAVRILO.PART.PRINTED);
    }

    batchFailure(name) {
        this.call('tavrilo_batch_failure', name);
        return this.part(TAVRILO.PART.PRINTED);
    }

    // The file could not be read on: the rows answered are in part PRINTED,
    // the message is BATCH_TEXT.READ_FAILURE.
    batchReadFailure(name) {
        this.call('tavrilo_batch_read_failure', name);
    }

    batchRows() {
        return this.exports.tavrilo_batch_rows();
    }

    batchFailed() {
        return this.exports.tavrilo_batch_failed();
    }
}

Object.assign(TavriloModule, TAVRILO.EXTRA, TAVRILO.PART);
TavriloModule.ORDER_FILE = TAVRILO.ORDER_FILE;
TavriloModule.GRADES = TAVRILO.GRADES;

if (typeof module === 'object' && module.exports)
    module.exports = { TavriloModule };
