// Runs a WebAssembly program built for WASI under node, as a native program
// would run: ctest uses it as the emulator of the WebAssembly build.
//
//   node wasi-run.mjs [--dir=PATH]... program.wasm [argument]...
//
// The program sees its arguments, no environment and no files, except each
// folder PATH given with --dir (at the same path). Its exit status is node's.

import { readFile } from 'node:fs/promises';
import path from 'node:path';

// node calls its WASI experimental; the warning would be in every test's output.
const emitWarning = process.emitWarning;
process.emitWarning = (warning, ...rest) => {
    if (!String(warning).includes('WASI'))
        emitWarning.call(process, warning, ...rest);
};
const { WASI } = await import('node:wasi');

const args = process.argv.slice(2);
const preopens = {};
while (args.length > 0 && args[0].startsWith('--dir=')) {
    const dir = path.resolve(args.shift().slice('--dir='.length));
    preopens[dir] = dir;
}
if (args.length === 0) {
    console.error('usage: node wasi-run.mjs [--dir=PATH]... program.wasm [argument]...');
    process.exit(64);
}

const wasi = new WASI({ version: 'preview1', args, env: {}, preopens, returnOnExit: true });
const module = await WebAssembly.compile(await readFile(args[0]));
const instance = await WebAssembly.instantiate(module, {
    wasi_snapshot_preview1: wasi.wasiImport,
});
// A trap (abort, out of bounds) throws here, and node exits with 1 after
// printing it: a failure, as a crash is natively.
process.exitCode = wasi.start(instance);
