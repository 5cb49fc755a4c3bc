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

    // `bytes` copied into a fresh buffer of the module: [address, length].
    copyIn(bytes) {
        const at = this.exports.tavrilo_alloc(bytes.length);
        if (at === 0)
            throw new RangeError('out of memory');
        new Uint8Array(this.exports.memory.buffer, at, bytes.length).set(bytes);
        return [at, bytes.length];
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
        const buffers = [meshDiameter, barDiameter, spacing].map(
            (text) => this.copyIn(this.encoder.encode(text)));
        try {
            return this.exports.tavrilo_mesh(...buffers.flat(), arrangement, extras);
        } finally {
            buffers.forEach(([at]) => this.exports.tavrilo_free(at));
        }
    }

    // The steel order of a file's bytes (a Uint8Array): a site schedule or a
    // piece list (TAVRILO.ORDER_FILE), the file's name for the messages, and
    // the settings as typed ({stock, kerf, keep, lap}: a text each, or
    // undefined for one not given; couplers true or false). Returns the
    // status of its outcome; the parts PRINTED, JSON_TEXT, SVG and ORDER_CSV
    // hold the order.
    order(file, bytes, name, settings) {
        const texts = [bytes, this.encoder.encode(name)];
        for (const key of ['stock', 'kerf', 'keep', 'lap'])
            texts.push(settings[key] === undefined ? null : this.encoder.encode(settings[key]));
        const buffers = texts.map((text) => (text === null ? [0, 0] : this.copyIn(text)));
        try {
            return this.exports.tavrilo_order(file, ...buffers.flat(), settings.couplers ? 1 : 0);
        } finally {
            buffers.forEach(([at]) => at !== 0 && this.exports.tavrilo_free(at));
        }
    }

    // Whether the last order was refused for want of a splice (bars longer
    // than the stock): the page asks for one.
    orderNeedsSplice() {
        return this.exports.tavrilo_order_needs_splice() !== 0;
    }

    // A site's meshes ({D, phi, d, a, label, number}: texts, a 1 or 2):
    // parts SITE_TABLE and SITE_CSV then hold its table and its schedule.
    // Returns the meshes refused, each answered alone: [{index, text}].
    site(meshes) {
        this.exports.tavrilo_site_begin();
        const refused = [];
        meshes.forEach((mesh, index) => {
            const buffers = [mesh.D, mesh.phi, mesh.d, mesh.label, mesh.number].map(
                (text) => this.copyIn(this.encoder.encode(text ?? '')));
            try {
                const [D, phi, d, label, number] = buffers;
                const status = this.exports.tavrilo_site_add(...D, ...phi, ...d, mesh.a, ...label,
                                                             ...number);
                if (status !== TAVRILO.OUTCOME.ANSWERED)
                    refused.push({ index, text: this.part(TAVRILO.PART.PRINTED) });
            } finally {
                buffers.forEach(([at]) => this.exports.tavrilo_free(at));
            }
        });
        this.exports.tavrilo_site_end();
        return refused;
    }

    // A schedule's bytes (a Uint8Array) read in as a site: the status of its
    // outcome; part SITE_IMPORT holds the meshes read and the rows left out,
    // or part PRINTED why the file could not be read.
    siteImport(bytes, name) {
        const buffers = [bytes, this.encoder.encode(name)].map((text) => this.copyIn(text));
        try {
            return this.exports.tavrilo_site_import(...buffers.flat());
        } finally {
            buffers.forEach(([at]) => this.exports.tavrilo_free(at));
        }
    }

    batchBegin(byteOrderMark) {
        this.exports.tavrilo_batch_begin(byteOrderMark ? 1 : 0);
    }

    // Feeds `bytes` (a Uint8Array) to the batch: false when the file cannot be
    // decoded further. The rows it completed are in part PRINTED.
    batchFeed(bytes) {
        const [at, length] = this.copyIn(bytes);
        try {
            return this.exports.tavrilo_batch_feed(at, length) !== 0;
        } finally {
            this.exports.tavrilo_free(at);
        }
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
        const [at, length] = this.copyIn(this.encoder.encode(name));
        try {
            this.exports.tavrilo_batch_failure(at, length);
        } finally {
            this.exports.tavrilo_free(at);
        }
        return this.part(TAVRILO.PART.PRINTED);
    }

    // The file could not be read on: the rows answered are in part PRINTED,
    // the message is BATCH_TEXT.READ_FAILURE.
    batchReadFailure(name) {
        const [at, length] = this.copyIn(this.encoder.encode(name));
        try {
            this.exports.tavrilo_batch_read_failure(at, length);
        } finally {
            this.exports.tavrilo_free(at);
        }
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

if (typeof module === 'object' && module.exports)
    module.exports = { TavriloModule };
