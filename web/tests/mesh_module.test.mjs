// The page's module (tavrilo_mesh.wasm), called through the page's own glue
// (page/module.js): it imports nothing, and it answers as tavrilo-calc does,
// byte for byte, for single meshes and for batches. Run with node --test;
// ctest sets
//   TAVRILO_MESH_WASM  the module
//   TAVRILO_PAGE_GLUE  page/module.js
//   TAVRILO_CALC       a native tavrilo-calc to compare with (the comparisons
//                      are skipped without it)

import assert from 'node:assert/strict';
import { spawnSync } from 'node:child_process';
import { mkdtempSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import { createRequire } from 'node:module';
import { tmpdir } from 'node:os';
import path from 'node:path';
import test from 'node:test';

const modulePath = process.env.TAVRILO_MESH_WASM;
const nativeCalc = process.env.TAVRILO_CALC;
assert.ok(modulePath, 'TAVRILO_MESH_WASM must name the module');
const { TavriloModule } = createRequire(import.meta.url)(process.env.TAVRILO_PAGE_GLUE);
const noNative = !nativeCalc && 'TAVRILO_CALC is not set';

const ONE_WAY = 1;
const TWO_WAY = 2;
const EXTRAS = TavriloModule.BREAKDOWN | TavriloModule.CUT_LIST | TavriloModule.WEIGHT;

const module = await WebAssembly.compile(readFileSync(modulePath));
// The page gives it nothing: instantiating with no imports must work.
const calc = await TavriloModule.instantiate(module);
const work = mkdtempSync(path.join(tmpdir(), 'tavrilo-module-'));
test.after(() => rmSync(work, { recursive: true, force: true }));

// The same numbers every run.
function random(seed) {
    let state = seed >>> 0;
    return () => {
        state = (state * 1664525 + 1013904223) >>> 0;
        return state / 2 ** 32;
    };
}

function mesh(...args) {
    const status = calc.mesh(...args);
    return { status, text: calc.part(TavriloModule.PRINTED) };
}

test('the module imports nothing', () => {
    assert.deepEqual(WebAssembly.Module.imports(module), []);
});

test('totals, refusals and a missing arrangement in the window\'s order', () => {
    const cases = [
        [['1.3', '0.0065', '0.1', TWO_WAY], { status: 0, text: '27.533 m\n' }],
        [['1.3', '0.0065', '0.1', ONE_WAY], { status: 0, text: '13.766 m\n' }],
        [['0.1m', '0.0065', '0.1', ONE_WAY], mesh('0.1', '0.0065', '0.1', ONE_WAY)],
        [['0', '0.0065', '0.1', TWO_WAY], { status: 1, text: '参数不能为“0”或“负值”！\n' }],
        [['0', '0.0065', '0.1', 0], { status: 1, text: '参数不能为“0”或“负值”！\n' }],
        [['1.3', '0.0065', '0.1', 0], { status: 1, text: '请选择“钢筋布置形式”后进行计算！\n' }],
    ];
    for (const [args, expected] of cases)
        assert.deepEqual(mesh(...args, 0), expected, JSON.stringify(args));
});

test('the grades the page offers are the module\'s: each straight bar read with its grade, ' +
     'a grade it does not know refused', () => {
    const bar = (grade) => ({ D: '6', phi: '0.012', d: '', a: 0, label: '', number: '1', grade });
    const grades = [...TavriloModule.GRADES];
    assert.ok(grades.length > 0);
    const refused = calc.site([...grades.map(bar), bar('HRB335')]);
    assert.deepEqual(refused.map(({ index }) => index), [grades.length]);
    const { rows } = JSON.parse(calc.part(TavriloModule.SITE_TABLE));
    assert.deepEqual(rows.slice(0, -1).map(({ mesh }) => [mesh[4], mesh[5]]),
                     grades.map((grade) => ['直条', grade]));
});

test('a note on each value not read as typed: blanks around a whole number are as typed', () => {
    const notes = (typed) => {
        assert.equal(calc.mesh(typed, '0.0065', '0.1', TWO_WAY, 0), 0, typed);
        return JSON.parse(calc.part(TavriloModule.READ_VALUES)).notes.length;
    };
    for (const typed of ['1.3', ' 1.3\t', '+1.3', '1.', '.5', '13e-1', '1.3E+0'])
        assert.equal(notes(typed), 0, typed);
    for (const typed of ['1,3', '1 3', '1.3m', '1e', '1.3.1', '1.3e+'])
        assert.equal(notes(typed), 1, typed);
});

test('the drawing for a screen: its bars apart, the rest without them', () => {
    assert.equal(calc.mesh('1.3', '0.0065', '0.1', TWO_WAY, TavriloModule.DRAWING), 0);
    const svg = calc.part(TavriloModule.SVG);
    const drawing = JSON.parse(calc.part(TavriloModule.SCREEN_DRAWING));
    const ends = new Float64Array(calc.partBytes(TavriloModule.SCREEN_ENDS).buffer);
    const lines = [...svg.matchAll(/<line x1="([^"]+)" y1="([^"]+)" x2="([^"]+)" y2="([^"]+)" stroke="([^"]+)" stroke-width="([^"]+)"\/>/g)];
    const bars = lines.slice(0, drawing.bars);
    // The download writes hundredths of a pixel.
    const near = (a, b) => Math.abs(a - b) < 0.0051;
    assert.deepEqual(drawing.directions.map(({ stroke, bars: n }) => [stroke, n]),
                     [['#9b2226', 13], ['#1d4e89', 13]]);
    assert.ok(drawing.directions.every(({ width }) => near(width, 2.8)));
    assert.equal(ends.length, 4 * 26);
    assert.ok(bars.flatMap((line) => line.slice(1, 5).map(Number)).every((x, i) => near(x, ends[i])));
    assert.equal(drawing.overlay, svg.replace(/<g id="direction-\d">\n(<line [^>]*\/>\n)*<\/g>\n/g, '')
        .replace(/<rect x="0" y="0" [^>]*fill="#ffffff"\/>\n/, ''));
    assert.deepEqual([drawing.width, drawing.height],
                     svg.match(/<svg [^>]*width="([^"]+)" height="([^"]+)"/).slice(1).map(Number));
});

// Text as people type it, and the edges: blanks, commas, units, signs,
// exponents, overflow, nothing at all.
function meshes(count) {
    const next = random(17);
    const pick = (list) => list[Math.floor(next() * list.length)];
    const number = (low, high) => String(Number((low + next() * (high - low)).toPrecision(
        1 + Math.floor(next() * 5))));
    const sloppy = ['0', '-1', 'abc', '', ' 2 ', '1,3', '0.1m', '1e999', '6.5e-3', '.1',
                    '1.79769313486232E+308', '1e-300', '0x10', '１.３'];
    const list = [];
    for (let i = 0; i < count; ++i) {
        const values = [number(0.05, 12), number(0.003, 0.04), number(0.05, 0.5)];
        if (next() < 0.1)
            values[Math.floor(next() * 3)] = pick(sloppy);
        list.push({ values, arrangement: next() < 0.5 ? ONE_WAY : TWO_WAY });
    }
    return list;
}

function quote(text) {
    return `'${text.replaceAll("'", "'\\''")}'`;
}

test('5,000 meshes: text, cut list CSV, drawing and JSON as tavrilo-calc writes them',
     { skip: noNative }, () => {
    const list = meshes(5000);
    // One shell runs tavrilo-calc twice a mesh: the text with the drawing and
    // the cut list written to files, then the JSON. Each run's output ends
    // with its status and a NUL.
    const script = list.map(({ values, arrangement }, i) => {
        const way = arrangement === ONE_WAY ? '--one-way' : '--two-way';
        const args = `${way} --breakdown --bars --weight`;
        const files = `--svg ${work}/${i}.svg --bom --bars-csv ${work}/${i}.csv`;
        const vals = values.map(quote).join(' ');
        return `"$calc" ${args} ${files} -- ${vals} 2>&1; printf '%s\\0' $?\n` +
               `"$calc" ${args} --json -- ${vals} 2>&1; printf '%s\\0' $?\n`;
    }).join('');
    const run = spawnSync('sh', [], {
        input: script, env: { calc: nativeCalc, PATH: process.env.PATH }, maxBuffer: 1 << 30 });
    assert.equal(run.status, 0, String(run.stderr));
    const outputs = run.stdout.toString('utf8').split('\0');
    const read = (file) => {
        try {
            return readFileSync(file);
        } catch {
            return Buffer.alloc(0);
        }
    };
    let answered = 0;
    list.forEach(({ values, arrangement }, i) => {
        const label = `${JSON.stringify(values)} ${arrangement}`;
        const [text, json] = [outputs[2 * i], outputs[2 * i + 1]].map((out) => {
            const status = Number(out.slice(out.lastIndexOf('\n') + 1));
            return { text: out.slice(0, out.lastIndexOf('\n') + 1), status };
        });
        const status = calc.mesh(...values, arrangement,
                                 EXTRAS | TavriloModule.DRAWING | TavriloModule.CUT_LIST_CSV);
        assert.deepEqual({ text: calc.part(TavriloModule.PRINTED), status }, text, label);
        if (status === 0) {
            ++answered;
            assert.ok(read(`${work}/${i}.svg`).equals(Buffer.from(calc.partView(TavriloModule.SVG))), label);
            assert.ok(read(`${work}/${i}.csv`).equals(Buffer.from(calc.partView(TavriloModule.CUT_CSV))), label);
        }
        const jsonStatus = calc.mesh(...values, arrangement, EXTRAS | TavriloModule.JSON);
        assert.deepEqual({ text: calc.part(TavriloModule.PRINTED), status: jsonStatus }, json, label);
    });
    assert.ok(answered > 4000, `only ${answered} meshes had a total`);
});

// Rows of every kind: good ones with Chinese labels and arrangements, quoted
// fields, blanks, bad values, wrong field counts, unknown arrangements.
function batchText(rows) {
    const next = random(rows);
    const kinds = [
        (i) => `${(0.5 + next() * 5).toFixed(3)},0.0065,0.1,双向,北区${i}`,
        (i) => `${(0.5 + next() * 5).toFixed(2)},0.012,0.15,单向布置,"南区,${i}"`,
        () => '1.3,0.0065,0.1,two-way',
        () => '0,0.0065,0.1,1',
        () => '1.3,0.0065,0.1,三向,坏',
        () => '1.3,0.0065',
        () => ',,,',
        (i) => `"1.3",0.0065,0.1,ONE-WAY,"引号""${i}"""`,
    ];
    const lines = ['网片直径D,钢筋直径Φ,钢筋间距d,布置形式,备注'];
    for (let i = 0; i < rows; ++i)
        lines.push(kinds[Math.floor(next() * kinds.length)](i));
    return lines.join('\r\n') + '\r\n';
}

// The batch as the page's worker runs it: the file fed in chunks.
function moduleBatch(bytes, chunk, name) {
    const parts = [];
    calc.batchBegin(true);
    let decoded = true;
    for (let at = 0; decoded && at < bytes.length; at += chunk) {
        decoded = calc.batchFeed(bytes.subarray(at, at + chunk));
        parts.push(calc.partBytes(TavriloModule.PRINTED));
    }
    if (decoded) {
        decoded = calc.batchFinish();
        parts.push(calc.partBytes(TavriloModule.PRINTED));
    }
    const err = decoded ? calc.batchText(0) : calc.batchFailure(name);
    return { out: Buffer.concat(parts), err: `${err}\n`,
             status: !decoded ? 2 : calc.batchFailed() > 0 ? 1 : 0 };
}

test('100,000 rows in UTF-8, GB18030 and UTF-16 as tavrilo-calc --bom --csv answers them',
     { skip: noNative }, () => {
    const text = batchText(100000);
    const gb18030 = spawnSync('iconv', ['-f', 'UTF-8', '-t', 'GB18030'], {
        input: text, maxBuffer: 1 << 30 });
    assert.equal(gb18030.status, 0, String(gb18030.stderr));
    const files = [
        ['UTF-8', Buffer.from(text, 'utf8'), 1 << 20],
        ['GB18030', gb18030.stdout, 65536],
        ['UTF-16LE', Buffer.concat([Buffer.from([0xFF, 0xFE]), Buffer.from(text, 'utf16le')]), 4099],
    ];
    for (const [encoding, bytes, chunk] of files) {
        const file = path.join(work, `rows-${encoding}.csv`);
        writeFileSync(file, bytes);
        const native = spawnSync(nativeCalc, ['--bom', '--csv', file], { maxBuffer: 1 << 30 });
        const answer = moduleBatch(bytes, chunk, file);
        assert.equal(answer.status, native.status, encoding);
        assert.equal(answer.err, String(native.stderr), encoding);
        assert.ok(answer.err.startsWith(`按 ${encoding} 读取，共 `), answer.err);
        assert.equal(Buffer.compare(answer.out, native.stdout), 0, `${encoding}: the rows differ`);
    }
});

test('a file that cannot be decoded fails as tavrilo-calc fails, keeping the rows before',
     { skip: noNative }, () => {
    const bytes = Buffer.concat([Buffer.from('1.3,0.0065,0.1,2\n'.repeat(3000)),
                                 Buffer.from([0, 0, 0, 0])]);
    const file = path.join(work, 'rows.csv');
    writeFileSync(file, bytes);
    const native = spawnSync(nativeCalc, ['--bom', '--csv', file]);
    const answer = moduleBatch(bytes, 4096, file);
    assert.equal(answer.status, native.status);
    assert.equal(answer.err, String(native.stderr));
    assert.equal(Buffer.compare(answer.out, native.stdout), 0);
});

// A schedule as a user types it in Excel, saved by openpyxl (numbers as
// numbers): every import, the order and the batch read its first sheet as
// tavrilo-calc reads it, and a damaged one is refused with its words.
test('an Excel workbook is read by the site import, the order and the batch as tavrilo-calc ' +
     'reads it', { skip: noNative }, () => {
    const schedule = 'D,Φ,d,布置形式,备注,数量,级别\n1.3,0.0065,0.1,双向,"盖板, 北",24,HPB300\n' +
                     '2,0.012,0.15,单向,,3,HRB400\n';
    const file = path.join(work, 'site.xlsx');
    const made = spawnSync('/usr/bin/python3', ['-c', `
import csv, io, sys, openpyxl
book = openpyxl.Workbook()
for row in csv.reader(io.StringIO(sys.stdin.read())):
    book.active.append([float(c) if c.replace('.', '', 1).isdigit() else c or None for c in row])
book.save(sys.argv[1])`, file], { input: schedule });
    assert.equal(made.status, 0, String(made.stderr));
    const bytes = readFileSync(file);
    const damaged = path.join(work, 'damaged.xlsx');
    writeFileSync(damaged, bytes.subarray(0, 300));

    const imported = (data, name) => [calc.siteImport(data, name),
                                      calc.part(TavriloModule.SITE_IMPORT) ||
                                      calc.part(TavriloModule.PRINTED)];
    assert.deepEqual(imported(bytes, 'site'), imported(Buffer.from(schedule), 'site'));
    const refused = spawnSync(nativeCalc, ['--order', damaged]);
    assert.deepEqual(imported(readFileSync(damaged), damaged), [2, String(refused.stderr)]);

    const status = calc.order(TavriloModule.ORDER_FILE.SCHEDULE, bytes, file, {});
    const native = spawnSync(nativeCalc, ['--order', file]);
    assert.equal(`${calc.part(TavriloModule.PRINTED)}${status}`, `${native.stdout}${native.status}`);

    const batch = spawnSync(nativeCalc, ['--bom', '--csv', file]);
    const answer = moduleBatch(bytes, 1000, file);
    assert.equal(answer.status, batch.status);
    assert.equal(answer.err, String(batch.stderr));
    assert.equal(Buffer.compare(answer.out, batch.stdout), 0);
    const cut = moduleBatch(readFileSync(damaged), 100, damaged);
    assert.deepEqual([cut.status, cut.err], [2, String(spawnSync(nativeCalc, ['--csv', damaged]).stderr)]);
});

// Site-sized piece lists: the cut lengths of round meshes (chords plus the
// hooks), 3 to 40 lengths of up to 240 bars, on 9 m and 12 m stock, some
// with a kerf, a splice or a bar diameter each.
function pieceLists(count) {
    const next = random(22);
    const lists = [];
    for (let n = 0; n < count; ++n) {
        const diameter = 1 + next() * 10;
        const phi = [0.008, 0.01, 0.012, 0.016][Math.floor(next() * 4)];
        const distinct = 3 + Math.floor(next() * 38);
        const rows = ['长度,根数,直径,备注'];
        for (let k = 0; k < distinct; ++k) {
            const x = (k * diameter) / 2 / distinct;
            const cut = Math.sqrt(diameter * diameter - 4 * x * x) + 12.5 * phi - 0.05;
            rows.push(`${cut.toFixed(3)},${1 + Math.floor(next() * 240)},${next() < 0.9 ? phi : ''}`);
        }
        const settings = {};
        if (n % 3 === 1)
            settings.kerf = '0.003';
        if (n % 5 === 2)
            settings.stock = '12';
        if (n % 7 === 3) {
            rows.push(`14.5,${1 + Math.floor(next() * 20)},${phi}`);
            settings.lap = '36d';
        }
        lists.push({ text: rows.join('\n') + '\n', settings });
    }
    return lists;
}

// The cutting benchmark's 200 site lists (cutting/bench: its generator, step
// for step), as piece lists: the chords of circular meshes with their hooks,
// in millimetres, on 9 m and 12 m stock, every other one with a 3 mm kerf.
function benchmarkSiteLists(count) {
    let state = 20261209n;
    const next = (bound) => {
        state = (state * 6364136223846793005n + 1442695040888963407n) & ((1n << 64n) - 1n);
        return Number((state >> 33n) % BigInt(bound));
    };
    const phis = [0.008, 0.010, 0.012, 0.014, 0.016, 0.018, 0.020, 0.022, 0.025];
    const lists = [];
    for (let n = 0; n < count; ++n) {
        const D = 1.0 + next(10001) / 1000.0;
        const phi = phis[next(9)];
        const distinct = 3 + next(38);
        const s = D / 2 / distinct;
        const meshes = 1 + next(60);
        const rows = ['长度,根数,直径'];
        for (let k = 0; k < distinct; ++k) {
            const x = k * s;
            const chord = Math.sqrt(D * D - 4 * x * x);
            const length = Math.round(chord * 1000 + 12.5 * phi * 1000 - 50);
            if (length > 0 && length <= 12000)
                rows.push(`${length / 1000},${(k === 0 ? 2 : 4) * meshes},${phi}`);
        }
        lists.push({ text: rows.join('\n') + '\n', settings: n % 2 === 0 ? {} : { kerf: '0.003' } });
    }
    return lists;
}

test('the benchmark\'s 200 site lists and 40 more: the module\'s steel order is tavrilo-calc ' +
     '--cut\'s, byte for byte', { skip: noNative }, () => {
    const lists = [...benchmarkSiteLists(200), ...pieceLists(40)];
    const script = lists.map(({ text, settings }, i) => {
        writeFileSync(`${work}/cut-${i}.csv`, text);
        const args = Object.entries(settings).map(([key, value]) => `--${key} ${value}`).join(' ');
        const files = `--order-svg ${work}/cut-${i}.svg --bom --order-csv ${work}/cut-${i}-order.csv`;
        // The JSON and the files for every list; the text, which says the
        // same, for every fourth.
        const json = `"$calc" --cut ${work}/cut-${i}.csv ${args} ${files} --json 2>/dev/null`;
        const plain = `"$calc" --cut ${work}/cut-${i}.csv ${args} 2>/dev/null`;
        return `${json}; printf '%s\\0' $?\n` + (i % 4 === 0 ? `${plain}; printf '%s\\0' $?\n` : '');
    }).join('');
    const started = process.hrtime.bigint();
    const run = spawnSync('sh', [], {
        input: script, env: { calc: nativeCalc, PATH: process.env.PATH }, maxBuffer: 1 << 30 });
    const nativeMs = Number(process.hrtime.bigint() - started) / 1e6;
    assert.equal(run.status, 0, String(run.stderr));
    const outputs = run.stdout.toString('utf8').split('\0');
    let moduleMs = 0;
    let next = 0;
    lists.forEach(({ text, settings }, i) => {
        const json = outputs[next++];
        const printed = i % 4 === 0 ? outputs[next++] : null;
        const at = process.hrtime.bigint();
        const status = calc.order(TavriloModule.ORDER_FILE.PIECE_LIST, Buffer.from(text),
                                  `${work}/cut-${i}.csv`, settings);
        moduleMs += Number(process.hrtime.bigint() - at) / 1e6;
        if (printed !== null)
            assert.equal(`${calc.part(TavriloModule.PRINTED)}${status}`, printed, `list ${i}`);
        assert.equal(`${calc.part(TavriloModule.JSON_TEXT)}${status}`, json, `list ${i}`);
        assert.ok(readFileSync(`${work}/cut-${i}.svg`).equals(
            Buffer.from(calc.partView(TavriloModule.SVG))), `list ${i}`);
        assert.ok(readFileSync(`${work}/cut-${i}-order.csv`).equals(
            Buffer.from(calc.partView(TavriloModule.ORDER_CSV))), `list ${i}`);
        assert.ok(json.includes('"proven_optimal"'), `list ${i}`);
    });
    // Reported, not asserted: the native figure includes starting the program.
    console.log(`${lists.length} steel orders: module ${moduleMs.toFixed(0)} ms; tavrilo-calc, ` +
                `${lists.length + lists.length / 4} runs, ${nativeMs.toFixed(0)} ms`);
});
