// The page's long checks: a million-row batch through the page's worker
// leaves the page's thread free (no task over 100 ms), with its rate measured
// beside tavrilo-calc's on the same file (reported, not judged: a
// benchmark); and Lighthouse's mobile run on the served site.

import assert from 'node:assert/strict';
import { execFile, spawnSync } from 'node:child_process';
import { mkdtempSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import path from 'node:path';
import { after, test } from 'node:test';
import { promisify } from 'node:util';

import { chromiumArgs, launch, nativeCalc, out, serve, watch } from './browser.mjs';

const work = mkdtempSync(path.join(tmpdir(), 'tavrilo-long-'));
after(() => rmSync(work, { recursive: true, force: true }));

test('a million rows: the page stays responsive, at a rate measured beside tavrilo-calc',
     async () => {
    const kinds = ['1.3,0.0065,0.1,双向,北区一号', '2,0.012,0.15,单向布置,"南区,二号"',
                   '0,0.0065,0.1,1,坏', '12.5,0.02,0.2,two-way,'];
    const rows = 1000000;
    const lines = ['网片直径D,钢筋直径Φ,钢筋间距d,布置形式,备注'];
    for (let i = 0; i < rows; ++i)
        lines.push(kinds[i % kinds.length]);
    const file = path.join(work, 'million.csv');
    writeFileSync(file, lines.join('\r\n') + '\r\n');

    const started = performance.now();
    const native = spawnSync(nativeCalc, ['--bom', '--csv', file], { stdio: ['ignore', 'ignore', 'pipe'] });
    const nativeSeconds = (performance.now() - started) / 1000;
    assert.equal(native.status, 1, String(native.stderr));

    const [browser, server] = await Promise.all([launch(), serve()]);
    try {
        const page = await browser.newPage();
        const problems = watch(page);
        await page.goto(server.url);
        // Timed on the page's clock, from the file chosen (the input's
        // change event) to the moment its result can be downloaded: the
        // test's own steps around them (handing the file over, the poll that
        // sees the link, up to half a second apart) are not the page's.
        await page.evaluate(() => {
            window.longTasks = [];
            new PerformanceObserver((list) => window.longTasks.push(
                ...list.getEntries().map((entry) => entry.duration))).observe({ type: 'longtask' });
            document.getElementById('batch-file').addEventListener('change', () => {
                window.batchChosen = performance.now();
            }, { capture: true });
            const download = document.getElementById('batch-download');
            new MutationObserver(() => {
                if (!download.hidden && window.batchDone === undefined)
                    window.batchDone = performance.now();
            }).observe(download, { attributes: true });
        });
        await page.setInputFiles('#batch-file', file);
        await page.waitForSelector('#batch-download:not([hidden])', { timeout: 600000 });
        const pageSeconds = await page.evaluate(() => window.batchDone - window.batchChosen) / 1000;
        assert.equal(await page.textContent('#batch-status'), String(native.stderr).trimEnd());
        const longTasks = await page.evaluate(() => window.longTasks);
        assert.ok(longTasks.every((ms) => ms <= 100), `tasks of ${longTasks.join(', ')} ms`);
        assert.deepEqual(problems, []);

        const rate = (seconds) => Math.round(rows / seconds);
        const report = `batch of ${rows} rows (${(readFileSync(file).length / 1e6).toFixed(1)} MB): ` +
            `tavrilo-calc ${nativeSeconds.toFixed(2)} s (${rate(nativeSeconds)} rows/s), ` +
            `page ${pageSeconds.toFixed(2)} s (${rate(pageSeconds)} rows/s), ` +
            `page/native ${(nativeSeconds / pageSeconds).toFixed(2)}; ` +
            `longest task on the page's thread ${Math.max(0, ...longTasks).toFixed(0)} ms\n`;
        writeFileSync(path.join(out, 'batch-speed.txt'), report);
        console.log(report);
    } finally {
        await browser.close();
        await server.stop();
    }
});

test('Lighthouse on a phone: accessibility 100, best practices 100 (performance reported)',
     async () => {
    const server = await serve();
    const report = path.join(out, 'lighthouse.json');
    try {
        const lighthouse = path.join(process.env.TAVRILO_NODE_MODULES, 'lighthouse', 'cli', 'index.js');
        await promisify(execFile)(process.execPath, [
            lighthouse, server.url, '--quiet', '--output=json', `--output-path=${report}`,
            '--only-categories=performance,accessibility,best-practices',
            `--chrome-flags=${chromiumArgs.join(' ')}`,
        ], { maxBuffer: 1 << 26 });
    } finally {
        await server.stop();
    }
    const { categories, audits } = JSON.parse(readFileSync(report, 'utf8'));
    const scores = Object.fromEntries(Object.entries(categories)
        .map(([name, category]) => [name, Math.round(category.score * 100)]));
    writeFileSync(path.join(out, 'lighthouse-scores.txt'), `${JSON.stringify(scores)}\n`);
    console.log(scores);
    const failing = Object.values(categories).flatMap((category) => category.auditRefs)
        .map((ref) => audits[ref.id])
        .filter((audit) => audit.score !== null && audit.score < 1 && audit.scoreDisplayMode !== 'informative')
        .map((audit) => `${audit.id}: ${audit.score}`);
    assert.equal(scores.accessibility, 100, failing.join('\n'));
    assert.equal(scores['best-practices'], 100, failing.join('\n'));
    // The performance score is timed, and falls on a busy machine (89 once,
    // beside other work): it is reported here and in docs/web.md, not asserted.
    if (scores.performance < 95)
        console.log(`performance ${scores.performance}, below 95 on this run:\n${failing.join('\n')}`);
});
