// The site (工程) and its steel order in headless Chromium: meshes typed in
// and kept by the browser through reloads, going offline and a restart;
// schedules moved in and out; the order's downloads compared byte for byte
// with tavrilo-calc --order on the page's own export; the printed order.

import assert from 'node:assert/strict';
import { mkdtempSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import path from 'node:path';
import { after, before, test } from 'node:test';
import { pathToFileURL } from 'node:url';
import { gzipSync } from 'node:zlib';

import { DEADLINE, calculate, chromium, chromiumArgs, close, download, launch, openPage, out,
         pdfPages, runNative, serve, singlePage, watch } from './browser.mjs';

let browser;
let server;
const work = mkdtempSync(path.join(tmpdir(), 'tavrilo-site-'));

before(async () => {
    [browser, server] = await Promise.all([launch(), serve()]);
});
after(async () => {
    await browser?.close();
    await server?.stop();
    rmSync(work, { recursive: true, force: true });
});

const rows = (page) => page.evaluate(() =>
    [...document.querySelectorAll('#site-table tbody tr')].map((tr) =>
        [...tr.children].slice(0, 9).map((cell) => cell.textContent)));

const rowAdded = (page, count) => page.waitForFunction((rows) =>
    document.querySelectorAll('#site-table tbody tr').length === rows, count,
                                                    { timeout: DEADLINE });

// A mesh calculated in the boxes and added with its label, number and grade
// (the one chosen last when none is given); the table then has `count` rows
// (one more than before unless given).
async function addMesh(page, values, arrangement, label, number, grade, count) {
    const before = (await rows(page)).length;
    await calculate(page, values, arrangement);
    await page.waitForSelector('#site-add:not([hidden])', { timeout: DEADLINE });
    await page.fill('#site-label', label);
    await page.fill('#site-number', number);
    if (grade !== undefined)
        await page.selectOption('#site-grade', grade);
    await page.click('#site-add-button');
    await rowAdded(page, count ?? before + 1);
}

// A straight bar (直条) added with its form.
async function addStraight(page, [length, number, phi, grade, label]) {
    const before = (await rows(page)).length;
    for (const [box, value] of [['length', length], ['number', number], ['phi', phi],
                                ['label', label]])
        await page.fill(`#straight-${box}`, value);
    await page.selectOption('#straight-grade', grade);
    await page.click('#straight-add-button');
    await rowAdded(page, before + 1);
}

// Collects the page's tasks over 50 ms (window.longTasks, in ms).
const watchLongTasks = (page) => page.evaluate(() => {
    window.longTasks = [];
    new PerformanceObserver((list) => window.longTasks.push(
        ...list.getEntries().map((entry) => Math.round(entry.duration)))).observe({ type: 'longtask' });
});
const longest = (page) => page.evaluate(() => Math.max(0, ...window.longTasks));

// A screenshot from the top of `selector` down, `height` pixels of it.
async function shoot(page, selector, height, name) {
    const top = await page.evaluate((s) =>
        document.querySelector(s).getBoundingClientRect().top + window.scrollY, selector);
    const width = page.viewportSize().width;
    await page.screenshot({ path: path.join(out, name), fullPage: true,
                            clip: { x: 0, y: top, width, height } });
}

async function makeOrder(page) {
    await page.evaluate(() => { document.getElementById('order-message').textContent = ''; });
    await page.click('#order-make');
    await page.waitForFunction(() => !document.getElementById('order-make').disabled &&
        (document.getElementById('order-message').textContent !== '' ||
         !document.getElementById('order-result').hidden), null, { timeout: DEADLINE * 2 });
}

test('a site with grades and a straight bar typed, reloaded, exported and imported again: ' +
     'tavrilo-calc reads the export, the splice is asked for, and the order\'s downloads with ' +
     'coils are tavrilo-calc --order\'s', async () => {
    const page = await openPage(browser, server.url);
    await addMesh(page, ['1.3', '0.0065', '0.1'], 2, '检查井盖板', '24');
    await addMesh(page, ['2', '0.012', '0.15'], 1, '南区, 二号', '3', 'HRB400E');
    await addMesh(page, ['20', '0.012', '0.25'], 2, '水池底板', '1');
    // A bar with no length is refused in its own form, and no row is added.
    await page.click('#straight-add-button');
    await page.waitForFunction(() => document.getElementById('straight-message').textContent !== '',
                               null, { timeout: DEADLINE });
    assert.equal((await rows(page)).length, 3);
    await addStraight(page, ['15', '10', '0.016', 'HRB400', '井圈加强筋']);
    assert.equal(await page.textContent('#straight-message'), '');
    // A straight bar changed goes back to its own form and keeps its row.
    await page.click('button[aria-label="修改第 4 行"]');
    assert.deepEqual(await page.evaluate(() => ['length', 'number', 'phi', 'grade'].map((box) =>
        document.getElementById(`straight-${box}`).value)), ['15', '10', '0.016', 'HRB400']);
    await page.fill('#straight-number', '12');
    await page.click('#straight-add-button');
    await page.waitForFunction(() =>
        document.querySelector('#site-table tbody tr:nth-child(4) td:nth-child(7)')?.textContent ===
        '12', null, { timeout: DEADLINE });
    await page.reload();
    await page.waitForFunction(() => document.querySelectorAll('#site-table tbody tr').length === 4,
                               null, { timeout: DEADLINE });
    const shown = await rows(page);
    // The grade chosen last is kept for the next mesh.
    assert.deepEqual(shown.map((row) => row.slice(0, 7)), [
        ['检查井盖板', '1.3', '0.0065', '0.1', '双向', '', '24'],
        ['南区, 二号', '2', '0.012', '0.15', '单向', 'HRB400E', '3'],
        ['水池底板', '20', '0.012', '0.25', '双向', 'HRB400E', '1'],
        ['井圈加强筋', '15', '0.016', '', '直条', 'HRB400', '12']]);
    assert.equal(await page.inputValue('#site-grade'), 'HRB400E');

    const exported = await download(page, '#site-export');
    assert.match(exported.name, /\.csv$/);
    assert.deepEqual([...exported.bytes.subarray(0, 3)], [0xEF, 0xBB, 0xBF]);
    const schedule = path.join(work, '南区工程.csv');
    writeFileSync(schedule, exported.bytes);
    // Each row's length is its number of meshes of tavrilo-calc's total, or
    // of the straight bar's length.
    for (const row of shown) {
        const one = row[4] === '直条' ? `${row[1]} m` :
            String(runNative([row[4] === '单向' ? '--one-way' : '--two-way', ...row.slice(1, 4)]).out);
        const metres = Math.round(Number(one.match(/^([\d.]+) m/)[1]) * 1000);
        assert.equal(Math.round(Number(row[7]) * 1000), metres * Number(row[6]), row.join());
    }
    // The export imported is the same site, and exports the same bytes; its
    // order is made below.
    await page.setInputFiles('#site-import-file', schedule);
    await page.waitForFunction(() => document.getElementById('site-list').value === '南区工程',
                               null, { timeout: DEADLINE });
    await page.waitForFunction(() => document.querySelectorAll('#site-table tbody tr').length === 4,
                               null, { timeout: DEADLINE });
    assert.deepEqual(await rows(page), shown);
    assert.ok((await download(page, '#site-export')).bytes.equals(exported.bytes));

    // No splice given: the page asks for it, with tavrilo-calc's words.
    await makeOrder(page);
    const refused = runNative(['--order', schedule]);
    assert.equal(refused.status, 1);
    assert.equal(await page.textContent('#order-message'), refused.err.trimEnd());
    assert.equal(await page.evaluate(() => document.activeElement.id), 'order-splice');
    assert.equal(await page.isHidden('#order-result'), true);

    await page.check('input[name="splice"][value="lap"]');
    await page.fill('#order-kerf', '0.003');
    await page.fill('#order-coils', '12');
    await page.fill('#order-shear', '16:5');
    await makeOrder(page);
    const files = ['--order-csv', path.join(work, 'order.csv'), '--bom',
                   '--order-svg', path.join(work, 'order.svg'),
                   '--order-xlsx', path.join(work, 'order.xlsx')];
    const made = runNative(['--order', schedule, '--stock', '9,12', '--kerf', '0.003', '--keep',
                            '0.5', '--lap', '36d', '--coils', '12', '--shear', '16:5', ...files,
                            '--json']);
    assert.equal(made.status, 0, made.err);
    assert.equal(JSON.parse(String(made.out)).meshes, 28);
    // Coils (up to 12 mm here) list their pieces, bars their patterns; no line is left empty.
    const groups = await page.$$eval('.order-group', (sections) => sections.map((section) => [
        section.querySelectorAll('.coil-pieces li').length > 0,
        section.querySelectorAll('.pattern').length > 0,
        [...section.querySelectorAll('p')].filter((p) => p.textContent === '').length]));
    assert.deepEqual(groups, [[false, true, 0], [true, false, 0], [true, false, 0]]);
    const grades = await page.$$eval('#order-purchase tbody tr', (trs) => trs.map((tr) =>
        tr.firstChild.textContent));
    assert.ok(grades.includes('HRB400E') && grades.includes('HRB400'), grades.join());
    for (const [selector, expected] of [['#order-csv', readFileSync(files[1])],
                                        ['#order-svg', readFileSync(files[4])],
                                        ['#order-xlsx', readFileSync(files[6])],
                                        ['#order-json', made.out]])
        assert.ok((await download(page, selector)).bytes.equals(expected), selector);
    const splices = await page.$$eval('.splices li', (items) => items.map((li) => li.textContent));
    assert.ok(splices.length > 0 && splices.every((line) => line.includes('搭接')), splices.join());
    assert.match(await page.textContent('#order-total'), /^合计：采购 \d+ 根/);
    await shoot(page, '#site-table-wrap', 1780, 'web-site-desktop.png');
    await close(page);
});

test('the site and the store survive a reload offline and a browser restart; a schedule with a bad row ' +
     'imported names the row', async () => {
    const profile = mkdtempSync(path.join(work, 'profile-'));
    const start = async () => {
        const context = await chromium.launchPersistentContext(profile, {
            executablePath: '/usr/bin/chromium', args: chromiumArgs,
            viewport: { width: 360, height: 740 }, isMobile: true, hasTouch: true });
        const page = context.pages()[0] ?? await context.newPage();
        page.problems = watch(page);
        await page.goto(server.url);
        await page.waitForFunction(() => navigator.serviceWorker.controller !== null, null,
                                   { timeout: DEADLINE });
        return page;
    };
    let page = await start();
    await addMesh(page, ['1.3', '0.0065', '0.1'], 2, '盖板', '2');
    // A row of the store goes through the same.
    await page.fill('#store-phi', '12');
    await page.fill('#store-length', '4.5');
    await page.click('#store-add-button');
    const stored = () => page.waitForFunction(() =>
        document.querySelector('#store-table tbody tr td')?.textContent === '12', null,
                                              { timeout: DEADLINE });
    await stored();
    await page.context().setOffline(true);
    await page.reload();
    await page.waitForFunction(() => document.querySelectorAll('#site-table tbody tr').length === 1,
                               null, { timeout: DEADLINE });
    await stored();
    await page.context().setOffline(false);
    assert.deepEqual(page.problems, []);
    await page.context().close();

    page = await start();
    await page.waitForFunction(() => document.querySelectorAll('#site-table tbody tr').length === 1,
                               null, { timeout: DEADLINE });
    assert.equal((await rows(page))[0][0], '盖板');
    await stored();

    const file = path.join(work, '北区.csv');
    writeFileSync(file, 'D,Φ,d,布置形式,备注,数量,级别\n1.3,0.0065,0.1,双向,甲,3,HPB300\n' +
                        '1.3,0.0065,0.1,双向,乙,2.5\n2,0.012,0.15,单向,丙,\n' +
                        '6,0.012,,直条,井圈加强筋,8,hrb400\n');
    await page.setInputFiles('#site-import-file', file);
    await page.waitForFunction(() => document.getElementById('site-list').value === '北区',
                               null, { timeout: DEADLINE });
    assert.match(await page.textContent('#site-status'), /导入 3 行网片.*1 行未导入：第 3 行：/);
    assert.deepEqual((await rows(page)).map((row) => [row[0], row[5], row[6]]),
                     [['甲', 'HPB300', '3'], ['丙', '', '1'], ['井圈加强筋', 'HRB400', '8']]);

    // On a phone: nothing scrolls the page sideways, every control is a 44 px target.
    await page.check('input[name="splice"][value="couplers"]');
    await makeOrder(page);
    const layout = await page.evaluate(() => ({
        wide: document.documentElement.scrollWidth > window.innerWidth,
        small: [...document.querySelectorAll('#site button, #site .button, #site select, ' +
                                             '#order button, #order .button, #order input')]
            .filter((element) => element.offsetParent !== null && element.type !== 'file' &&
                                 element.type !== 'radio' && element.type !== 'checkbox')
            .map((element) => element.getBoundingClientRect())
            .filter((box) => box.width < 44 || box.height < 44).length,
    }));
    assert.deepEqual(layout, { wide: false, small: 0 });
    await shoot(page, '#order-result', 1300, 'web-site-phone.png');
    assert.deepEqual(page.problems, []);
    await page.context().close();

    // Storage that refuses to keep the site (a full quota): said, and the site kept in the page.
    const full = await browser.newContext();
    await full.addInitScript(() => {
        Storage.prototype.setItem = () => {
            throw new DOMException('full', 'QuotaExceededError');
        };
    });
    page = await full.newPage();
    page.problems = watch(page);
    await page.goto(server.url);
    await addMesh(page, ['1.3', '0.0065', '0.1'], 2, '盖板', '1');
    assert.match(await page.textContent('#site-storage'), /未能保存（QuotaExceededError/);
    assert.deepEqual(page.problems, []);
    await full.close();
});

test('the printed order of a site of twenty meshes: on A4, headers repeated, no row or pattern ' +
     'cut across a page, numbered pages, signed at its end; the single file keeps its site and ' +
     'stays small', async () => {
    // The single file opened from disk keeps its site too.
    const page = await openPage(browser, pathToFileURL(singlePage).href);
    const file = path.join(work, 'twenty.csv');
    const meshes = Array.from({ length: 20 }, (_, i) =>
        `${(1 + i * 0.5).toFixed(1)},${[0.008, 0.01, 0.012][i % 3]},0.15,${1 + (i % 2)},网片${i + 1},${1 + i}`);
    writeFileSync(file, `${meshes.join('\n')}\n`);
    await page.setInputFiles('#site-import-file', file);
    await page.waitForFunction(() => document.querySelectorAll('#site-table tbody tr').length === 20,
                               null, { timeout: DEADLINE });
    // The names to sign with are kept with the site.
    await page.fill('#order-prepared', '张工');
    await page.fill('#order-checked', '李工程师');
    await page.reload();
    await page.waitForFunction(() => document.querySelectorAll('#site-table tbody tr').length === 20,
                               null, { timeout: DEADLINE });
    assert.equal(await page.inputValue('#order-checked'), '李工程师');
    await makeOrder(page);
    assert.equal(await page.isHidden('#order-result'), false);
    await page.evaluate(() => document.body.classList.add('print-order'));
    await page.evaluate(() => window.dispatchEvent(new Event('beforeprint')));
    const sheet = await pdfPages(page, 'web-print-order.pdf');
    assert.ok(sheet.pages > 1, `${sheet.pages} pages`);
    assert.ok(sheet.boxes.every(([w, h]) => w === 595 && h === 842), JSON.stringify(sheet.boxes));
    assert.deepEqual(sheet.texts.map((text) => text.match(/第 (\d+) 页 \/ 共 (\d+) 页\s*$/)?.slice(1)),
                     sheet.texts.map((_, i) => [String(i + 1), String(sheet.pages)]));
    assert.match(sheet.texts.at(-1), /编制：\s*张工\s+审核：\s*李工程师\s+日期：/);
    // Printing ends with afterprint, which takes the order's class off again.
    await page.evaluate(() => document.body.classList.add('print-order'));
    await page.emulateMedia({ media: 'print' });
    const printed = await page.evaluate(() => ({
        hidden: ['.mesh', '#details', '.batch', '#order-form'].map((selector) =>
            document.querySelector(selector).offsetParent === null),
        heads: ['#site-table thead', '#order-purchase thead'].map((selector) =>
            getComputedStyle(document.querySelector(selector)).display),
        whole: [...document.querySelectorAll('#site-table tr, #order-purchase tr, .pattern')]
            .every((element) => getComputedStyle(element).breakInside === 'avoid'),
        patterns: document.querySelectorAll('.pattern').length,
        // Every pattern printed names its diameter: so does every page of the plan.
        named: [...document.querySelectorAll('.pattern-diameter')].filter((span) =>
            getComputedStyle(span).display === 'inline' && /^ · 直径 \d+ mm$/.test(span.textContent)).length,
        // Each bar's width per metre of its stock length, and the stock lengths drawn.
        scale: [...document.querySelectorAll('.pattern')].map((li) => [
            parseFloat(li.querySelector('.pattern-title').textContent),
            li.querySelector('.bar').getBoundingClientRect().width]),
    }));
    const stocks = new Set(printed.scale.map(([metres]) => metres));
    const perMetre = printed.scale.map(([metres, width]) => width / metres);
    assert.ok(stocks.size > 1 && Math.max(...perMetre) / Math.min(...perMetre) < 1.01,
              `bars to one scale: ${JSON.stringify(printed.scale)}`);
    delete printed.scale;
    assert.deepEqual(printed, { hidden: [true, true, true, true],
                                heads: ['table-header-group', 'table-header-group'],
                                whole: true, patterns: printed.patterns, named: printed.patterns });
    assert.ok(printed.patterns > 10, `${printed.patterns} patterns`);
    await close(page);

    const gzipped = gzipSync(readFileSync(singlePage), { level: 9 }).length;
    assert.ok(gzipped <= 332000, `the single file is ${gzipped} bytes gzipped`);
});

test('two tabs on one site: each shows the other\'s rows, a save never drops one, a storage ' +
     'cleared stays cleared; any change puts the order out of date', async () => {
    const context = await browser.newContext({ viewport: { width: 1280, height: 900 } });
    const open = async () => {
        const page = await context.newPage();
        page.problems = watch(page);
        await page.goto(server.url);
        return page;
    };
    const one = await open();
    const two = await open();
    const labels = async (page, count) => {
        await page.waitForFunction((n) => document.querySelectorAll('#site-table tbody tr').length === n &&
                                          document.getElementById('site-empty').hidden === (n > 0),
                                   count, { timeout: DEADLINE });
        return (await rows(page)).map((row) => row[0]);
    };
    await addMesh(one, ['1.3', '0.0065', '0.1'], 2, '甲', '1');
    assert.deepEqual(await labels(two, 1), ['甲']);
    await addMesh(two, ['2', '0.012', '0.15'], 1, '乙', '1');
    assert.deepEqual(await labels(one, 2), ['甲', '乙']);

    // A tab that did not hear of the other's save (its storage events held
    // back) still keeps the other's row when it saves, and does not bring back
    // what was cleared.
    await one.evaluate(() => window.addEventListener('storage',
                                                     (event) => event.stopImmediatePropagation(), true));
    await addMesh(two, ['1.5', '0.008', '0.1'], 2, '丙', '1');
    await addMesh(one, ['1.8', '0.01', '0.15'], 1, '丁', '1', undefined, 4);
    assert.deepEqual(await labels(one, 4), ['甲', '乙', '丙', '丁']);
    assert.deepEqual(await labels(two, 4), ['甲', '乙', '丙', '丁']);
    const three = await open();
    await three.evaluate(() => localStorage.clear());
    assert.deepEqual(await labels(two, 0), []);
    await three.close();
    await addMesh(one, ['1.3', '0.0065', '0.1'], 2, '戊', '1', undefined, 1);
    assert.deepEqual(await labels(two, 1), ['戊']);
    await one.reload();
    assert.deepEqual(await labels(one, 1), ['戊']);

    // An order made, then anything it was made of changed, here or in the other tab.
    for (const [what, change] of [
        ['a row added in the other tab', () => addMesh(one, ['2', '0.012', '0.15'], 1, '己', '1')],
        ['the kerf', () => two.fill('#order-kerf', '0.003')],
        ['the splice', () => two.check('input[name="splice"][value="couplers"]')],
        ['the stock in the other tab', () => one.fill('#order-stock', '12')],
        ['a row deleted', () => two.click('#site-table tbody tr:first-child button[aria-label^="删除"]')],
    ]) {
        await makeOrder(two);
        assert.equal(await two.isHidden('#order-result'), false, what);
        await change();
        await two.waitForFunction(() => document.getElementById('order-result').hidden &&
            document.getElementById('order-status').textContent.includes('已过期'), null,
                                  { timeout: DEADLINE });
    }
    for (const page of [one, two])
        assert.deepEqual(page.problems, []);
    await context.close();
});

test('a damaged stored site is said and started afresh, the damaged text kept aside; a label ' +
     'that a spreadsheet would run is exported as text', async () => {
    const page = await openPage(browser, server.url);
    const formula = '=HYPERLINK("http://例.cn","点我")';
    for (const broken of ['{"open":"北区","sites":[{"name":"北区","meshes":null}]}',
                          '{"sites":[{"name":"北区","meshes":[{"D":1.3}]}]}', '{"sites":', '[]']) {
        await page.evaluate((text) => {
            localStorage.clear();
            localStorage.setItem('tavrilo-sites', text);
        }, broken);
        await page.reload();
        assert.equal(await page.textContent('#site-storage'),
                     '本地保存的工程数据已损坏，无法读取的部分已舍弃（原数据已另存一份）。', broken);
        await addMesh(page, ['1.3', '0.0065', '0.1'], 2, formula, '2');
        const kept = await page.evaluate(() => [localStorage.getItem('tavrilo-sites-damaged'),
                                                JSON.parse(localStorage.getItem('tavrilo-sites'))]);
        assert.equal(kept[0], broken);
        assert.deepEqual(kept[1].sites.map((site) => site.meshes.length), [1], broken);
    }
    const exported = String((await download(page, '#site-export')).bytes);
    assert.ok(exported.includes('"\'=HYPERLINK(""http://例.cn"",""点我"")"'), exported);
    await close(page);
});

test('a schedule of 100,000 bad rows: read at once, the first 100 named and the rest counted; ' +
     'a site of 200 meshes ordered: no task over 100 ms, tavrilo-calc\'s bytes', async () => {
    const page = await openPage(browser, server.url);
    await watchLongTasks(page);
    const bad = path.join(work, '坏行.csv');
    writeFileSync(bad, `D,Φ,d,布置形式,备注,数量\n${'0,0.0065,0.1,双向,坏,1\n'.repeat(100000)}` +
                       '1.3,0.0065,0.1,双向,好,1\n');
    await page.setInputFiles('#site-import-file', bad);
    await page.waitForFunction(() => document.getElementById('site-list').value === '坏行',
                               null, { timeout: DEADLINE });
    const said = await page.textContent('#site-status');
    assert.match(said, /^已从“坏行\.csv”导入 1 行网片（按 UTF-8 读取）；100000 行未导入：第 2 行：.*；另有 99900 行未导入，不逐行列出$/);
    assert.equal(said.match(/第 \d+ 行：/g).length, 100);
    assert.equal((await rows(page)).length, 1);
    assert.ok(await longest(page) <= 100, `a task of ${await longest(page)} ms`);

    const file = path.join(work, '二百.csv');
    const meshes = Array.from({ length: 200 }, (_, i) =>
        `${(1 + (i % 40) * 0.45).toFixed(2)},${[0.008, 0.01, 0.012, 0.014][i % 4]},` +
        `${[0.1, 0.15, 0.2][i % 3]},${1 + (i % 2)},网片${i + 1},${1 + (i % 7)}`);
    writeFileSync(file, `${meshes.join('\n')}\n`);
    await page.setInputFiles('#site-import-file', file);
    await page.waitForFunction(() => document.querySelectorAll('#site-table tbody tr').length === 200,
                               null, { timeout: DEADLINE });
    await page.check('input[name="splice"][value="couplers"]');
    await page.evaluate(() => {
        window.longTasks = [];
        window.busyShown = false;
        const busy = document.getElementById('order-busy');
        new MutationObserver(() => { window.busyShown ||= !busy.hidden; })
            .observe(busy, { attributes: true });
    });
    await makeOrder(page);
    assert.equal(await page.isHidden('#order-result'), false);
    assert.ok(await longest(page) <= 100, `a task of ${await longest(page)} ms`);
    const schedule = path.join(work, '二百-导出.csv');
    writeFileSync(schedule, (await download(page, '#site-export')).bytes);
    const csv = path.join(work, '二百-方案.csv');
    const made = runNative(['--order', schedule, '--couplers', '--order-csv', csv, '--bom']);
    assert.equal(made.status, 0, made.err);
    assert.ok((await download(page, '#order-csv')).bytes.equals(readFileSync(csv)));
    await close(page);
});
