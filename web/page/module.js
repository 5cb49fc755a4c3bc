// The calculation module's glue, shared by the page and its batch worker: it
// copies texts into the module's memory, calls its exports and reads the
// answers back. The module imports nothing and is a reactor: _initialize
// once, then any export. Memory can grow during any call, so its buffer is
// read again after each one.

'use strict';

/* exported TavriloModule */
class TavriloModule {
    // The extras a mesh can be asked for (bits of tavrilo_mesh's last argument).
    static BREAKDOWN = 1;
    static CUT_LIST = 2;
    static WEIGHT = 4;
    static DRAWING = 8;
    static JSON = 16;
    static CUT_LIST_CSV = 32;

    // The parts of an answer.
    static PRINTED = 0;
    static TOTAL = 1;
    static BREAKDOWN_TEXT = 2;
    static WEIGHT_TEXT = 3;
    static CUT_HEADING = 4;
    static CUT_COMPARISON = 5;
    static CUT_CSV = 6;
    static JSON_TEXT = 7;
    static SVG = 8;

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
    // two-way, 0 none chosen) and the extras. Returns tavrilo-calc's status.
    mesh(meshDiameter, barDiameter, spacing, arrangement, extras) {
        const buffers = [meshDiameter, barDiameter, spacing].map(
            (text) => this.copyIn(this.encoder.encode(text)));
        try {
            return this.exports.tavrilo_mesh(...buffers.flat(), arrangement, extras);
        } finally {
            buffers.forEach(([at]) => this.exports.tavrilo_free(at));
        }
    }

    batchBegin(byteOrderMark) {
        this.exports.tavrilo_batch_begin(byteOrderMark ? 1 : 0);
    }

    // Feeds `bytes` (a Uint8Array) to the batch: false when the file cannot be
    // decoded further. The rows it completed are in part 0.
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

    // 0 the summary, 1 the progress, 2 the cancel.
    batchText(which) {
        this.exports.tavrilo_batch_text(which);
        return this.part(TavriloModule.PRINTED);
    }

    batchFailure(name) {
        const [at, length] = this.copyIn(this.encoder.encode(name));
        try {
            this.exports.tavrilo_batch_failure(at, length);
        } finally {
            this.exports.tavrilo_free(at);
        }
        return this.part(TavriloModule.PRINTED);
    }

    batchRows() {
        return this.exports.tavrilo_batch_rows();
    }

    batchFailed() {
        return this.exports.tavrilo_batch_failed();
    }
}

if (typeof module === 'object' && module.exports)
    module.exports = { TavriloModule };
