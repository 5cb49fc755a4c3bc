// What the page's tests share: Chromium driven by playwright-core, the site
// served by web/serve.mjs, and tavrilo-calc to compare with. ctest sets
//   TAVRILO_NODE_MODULES  the folder holding node_modules (npm ci of web/tests)
//   TAVRILO_SITE          build/web/site
//   TAVRILO_SINGLE_PAGE   build/web/tavrilo.html
//   TAVRILO_CALC          a native tavrilo-calc
//   TAVRILO_WEB_OUT       a folder for what the tests leave (screenshots, PDF)

import assert from 'node:assert/strict';
import { spawn } from 'node:child_process';
import { mkdirSync } from 'node:fs';
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
