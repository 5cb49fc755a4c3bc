// The page's module (tavrilo_mesh.wasm): it imports nothing, and it answers
// as tavrilo-calc does. Run with node --test; ctest sets
//   TAVRILO_MESH_WASM  the module
//   TAVRILO_CALC       a native tavrilo-calc to compare with (the comparison
//                      is skipped without it)

import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import { readFile } from 'node:fs/promises';
import test from 'node:test';

const modulePath = process.env.TAVRILO_MESH_WASM;
const nativeCalc = process.env.TAVRILO_CALC;
assert.ok(modulePath, 'TAVRILO_MESH_WASM must name the module');

const ONE_WAY = 1;
const TWO_WAY = 2;

const module = await WebAssembly.compile(await readFile(modulePath));
// The page gives it nothing: instantiating with no imports must work.
const { exports } = await WebAssembly.instantiate(module, {});
exports._initialize();

// Calls tavrilo_mesh_text as the page will: each text copied into the
// module's memory, the answer read back and the buffers freed.
function meshText(meshDiameter, barDiameter, spacing, arrangement) {
    const texts = [meshDiameter, barDiameter, spacing].map((t) => new TextEncoder().encode(t));
    const buffers = texts.map((bytes) => {
        const at = exports.tavrilo_alloc(bytes.length);
        assert.notEqual(at, 0, 'out of memory');
        new Uint8Array(exports.memory.buffer, at, bytes.length).set(bytes);
        return at;
    });
    try {
        const status = exports.tavrilo_mesh_text(
            buffers[0], texts[0].length, buffers[1], texts[1].length,
            buffers[2], texts[2].length, arrangement);
        // Read the memory anew: a call may have grown it.
        const answer = new Uint8Array(exports.memory.buffer, exports.tavrilo_result_ptr(),
                                      exports.tavrilo_result_len());
        return { status, text: new TextDecoder('utf-8', { fatal: true }).decode(answer) };
    } finally {
        buffers.forEach((at) => exports.tavrilo_free(at));
    }
}

test('the module imports nothing', () => {
    assert.deepEqual(WebAssembly.Module.imports(module), []);
});

test('totals, refusals and a missing arrangement', () => {
    const cases = [
        [['1.3', '0.0065', '0.1', TWO_WAY], { status: 0, text: '27.533 m\n' }],
        [['1.3', '0.0065', '0.1', ONE_WAY], { status: 0, text: '13.766 m\n' }],
        [['0', '0.0065', '0.1', TWO_WAY], { status: 1, text: '参数不能为“0”或“负值”！\n' }],
        [['1.3', '0.0065', '0.1', 0], { status: 1, text: '请选择“钢筋布置形式”后进行计算！\n' }],
    ];
    for (const [args, expected] of cases)
        assert.deepEqual(meshText(...args), expected, JSON.stringify(args));
});

test('the same answer as tavrilo-calc', { skip: !nativeCalc && 'TAVRILO_CALC is not set' }, () => {
    const inputs = [
        ['1.3', '0.0065', '0.1'], ['0', '0.0065', '0.1'], [' -1', '0.0065', '0.1'],
        ['1 .3 m', '6.5e-3', '.1'], ['abc', '0.0065', '0.1'], ['1.3', '0.003', '0.1'],
        ['1e999', '0.0065', '0.1'], ['1.79769313486232E+308', '1', '1'],
        ['2', '0.000001', '1e-300'], ['12345.678', '0.025', '0.15'], ['', '', ''],
    ];
    for (const [arrangement, option] of [[ONE_WAY, '--one-way'], [TWO_WAY, '--two-way']]) {
        for (const input of inputs) {
            const run = spawnSync(nativeCalc, [option, '--', ...input], { encoding: 'utf8' });
            assert.equal(run.error, undefined);
            const expected = { status: run.status, text: run.stdout + run.stderr };
            assert.deepEqual(meshText(...input, arrangement), expected,
                             `${option} ${JSON.stringify(input)}`);
        }
    }
});
