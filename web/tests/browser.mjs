// What the page's tests share: Chromium driven by playwright-core, the site
// served by web/serve.mjs, and tavrilo-calc to compare with. ctest sets
//   TAVRILO_NODE_MODULES  the folder holding node_modules (npm ci of web/tests)
//   TAVRILO_SITE          build/web/site
//   TAVRILO_SINGLE_PAGE   build/web/tavrilo.html
//   TAVRILO_CALC          a native tavrilo-calc
//   TAVRILO_WEB_OUT       a folder for what the tests leave (screenshots, PDF)

import assert from 'node:assert/strict';
import { spawn, spawnSync } from 'node:child_process';
import { mkdirSync, readFileSync } from 'node:fs';
import { createRequire } from 'node:module';
import path from 'node:path';
import { fileURLToPath } from 'node:url';

const require = createRequire(path.join(process.env.TAVRILO_NODE_MODULES ?? '.', 'index.js'));
export const { chromium } = require('playwright-core');

export const site = process.env.TAVRILO_SITE;
export const singlePage = process.env.TAVRILO_SINGLE_PAGE;
export const nativeCalc = process.env.TAVRILO_CALC;
export const out = process.env.TAVRILO_WEB_OUT;
for (const [name, value] of Object.entries({ site, singlePage, nativeCalc, out }))
    assert.ok(value, `${name} must be set`);
mkdirSync(out, { recursive: true });

export const chromiumArgs = ['--headless', '--no-sandbox', '--disable-gpu',
                             '--disable-background-networking', '--disable-component-update',
                             '--disable-sync', '--no-first-run'];

export function launch() {
    return chromium.launch({ executablePath: '/usr/bin/chromium', args: chromiumArgs });
}

// Starts web/serve.mjs on the site; resolves to { url, stop() } once it listens.
export function serve(folder = site) {
    const script = path.join(path.dirname(fileURLToPath(import.meta.url)), '..', 'serve.mjs');
    const child = spawn(process.execPath, [script, folder, '0'], { stdio: ['ignore', 'pipe', 'inherit'] });
    const stopped = new Promise((resolve) => child.on('exit', resolve));
    return new Promise((resolve, reject) => {
        let text = '';
        child.on('error', reject);
        child.on('exit', (code) => reject(new Error(`the server exited with ${code}`)));
        child.stdout.on('data', (chunk) => {
            text += chunk;
            const line = text.match(/^(http:\/\/\S+)\n/);
            if (line)
                resolve({ url: line[1], stop: () => { child.kill('SIGTERM'); return stopped; } });
        });
    });
}

// Fails a page's test on any script error or console error.
export function watch(page) {
    const problems = [];
    page.on('pageerror', (error) => problems.push(`page error: ${error.message}`));
    page.on('console', (message) => {
        if (message.type() === 'error')
            problems.push(`console error: ${message.text()}`);
    });
    return problems;
}

// How long any one wait of a test may take.
export const DEADLINE = 30000;

// tavrilo-calc's status, standard output (bytes) and standard error.
export function runNative(args) {
    const run = spawnSync(nativeCalc, args, { maxBuffer: 1 << 30 });
    assert.equal(run.error, undefined);
    return { status: run.status, out: run.stdout, err: String(run.stderr) };
}

// A fresh page (its own context: no service worker or storage shared).
export async function openPage(browser, url, viewport = { width: 1280, height: 900 }) {
    const context = await browser.newContext({ viewport, acceptDownloads: true });
    const page = await context.newPage();
    const problems = watch(page);
    await page.goto(url);
    page.problems = problems;
    return page;
}

export async function close(page) {
    assert.deepEqual(page.problems, []);
    await page.context().close();
}

// The window's answer: the total, or the message, once either shows.
export async function answer(page) {
    await page.waitForFunction(() => document.getElementById('total').value !== '' ||
                                     document.getElementById('message').textContent !== '',
                               null, { timeout: DEADLINE });
    return page.evaluate(() => ({ total: document.getElementById('total').value,
                                  message: document.getElementById('message').textContent }));
}

export async function calculate(page, [D, phi, d], arrangement) {
    await page.fill('#D', D);
    await page.fill('#phi', phi);
    await page.fill('#d', d);
    if (arrangement)
        await page.check(`input[name="a"][value="${arrangement}"]`);
    await page.click('#calculate');
    return answer(page);
}

export async function download(page, selector) {
    const [file] = await Promise.all([page.waitForEvent('download', { timeout: DEADLINE }),
                                      page.click(selector)]);
    return { name: file.suggestedFilename(), bytes: readFileSync(await file.path()) };
}

// The page printed to PDF (A4 as its style asks): its pages, their sizes and
// the text of each (poppler's pdftotext).
export async function pdfPages(page, name) {
    await page.emulateMedia({ media: 'print' });
    const file = path.join(out, name);
    const pdf = await page.pdf({ path: file, preferCSSPageSize: true });
    await page.emulateMedia({ media: 'screen' });
    const text = pdf.toString('latin1');
    const boxes = [...text.matchAll(/\/MediaBox\s*\[\s*0\s+0\s+([\d.]+)\s+([\d.]+)\s*\]/g)]
        .map((m) => [Math.round(Number(m[1])), Math.round(Number(m[2]))]);
    const read = spawnSync('pdftotext', ['-layout', file, '-'], { encoding: 'utf8' });
    assert.equal(read.status, 0, read.stderr);
    return { pages: (text.match(/\/Type\s*\/Page\b/g) ?? []).length, boxes,
             texts: read.stdout.split('\f').slice(0, -1) };
}
