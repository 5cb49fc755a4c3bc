// The yard's store (库存) in headless Chromium: read in, typed and kept by
// the browser through reloads and across tabs; an order made with 先用库存
// compared byte for byte with tavrilo-calc --order --store on the page's own
// exports; 按此方案下料 leaving tavrilo-calc --store-out's store, and 撤销.

import assert from 'node:assert/strict';
import { mkdirSync, mkdtempSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import path from 'node:path';
import { after, before, test } from 'node:test';

import { DEADLINE, calculate, close, download, launch, openPage, out, runNative, serve,
         watch } from './browser.mjs';

let browser;
let server;
const work = mkdtempSync(path.join(tmpdir(), 'tavrilo-store-'));

before(async () => {
    [browser, server] = await Promise.all([launch(), serve()]);
});
after(async () => {
    await browser?.close();
    await server?.stop();
    rmSync(work, { recursive: true, force: true });
});

const storeRows = (page) => page.evaluate(() =>
    [...document.querySelectorAll('#store-table tbody tr')].map((tr) =>
        [...tr.children].slice(0, 6).map((cell) => cell.textContent)));
const storeHas = (page, count) => page.waitForFunction((count) =>
    document.querySelectorAll('#store-table tbody tr').length === count &&
    !document.getElementById('store-table-wrap').hidden, count, { timeout: DEADLINE });
const said = (page, id, pattern) => page.waitForFunction(([id, source]) =>
    new RegExp(source).test(document.getElementById(id).textContent), [id, pattern.source],
                                                         { timeout: DEADLINE });
// The date an offcut's note carries, the only part of a run that may differ.
const undated = (bytes) => String(bytes).replace(/\d{4}-\d{2}-\d{2} 余料/g, 'DATE 余料');

async function typeRow(page, [phi, length, count, grade, price, note]) {
    for (const [box, value] of [['phi', phi], ['length', length], ['count', count],
                                ['price', price], ['note', note]])
        await page.fill(`#store-${box}`, value);
    await page.selectOption('#store-grade', grade);
    await page.click('#store-add-button');
}

async function makeOrder(page) {
    await page.click('#order-make');
    await page.waitForFunction(() => !document.getElementById('order-make').disabled &&
        (document.getElementById('order-message').textContent !== '' ||
         !document.getElementById('order-result').hidden), null, { timeout: DEADLINE * 2 });
}

test('a store read in (UTF-16), typed, changed and reloaded; the order with 先用库存 is ' +
     'tavrilo-calc --order --store\'s; 按此方案下料 leaves --store-out\'s store, 撤销 the one ' +
     'before, both kept across a reload', async () => {
    const page = await openPage(browser, server.url);
    const file = path.join(work, '仓库.csv');
    writeFileSync(file, Buffer.from('\ufeff直径,长度,根数,级别,单价,备注\r\n' +
                                    '0.012,4.5,6,HRB400,,上次余料\r\n0.012,12,3,HRB400,3700,上批剩余\r\n' +
                                    '0.012,长,2\r\n', 'utf16le'));
    await page.setInputFiles('#store-import-file', file);
    await storeHas(page, 2);
    await said(page, 'store-status', /导入 2 行库存（按 UTF-16.*1 行未导入：第 4 行：长度/);
    // A diameter typed in metres in the millimetre box is refused, and no row is added.
    await typeRow(page, ['0.012', '9', '2', 'HRB400', '', '新到']);
    await said(page, 'store-message', /直径“0\.012”无效/);
    await typeRow(page, ['12', '9', '2', 'HRB400', '', '新到']);
    await storeHas(page, 3);
    await page.click('button[aria-label="修改库存第 1 行"]');
    await page.fill('#store-count', '5');
    await page.click('#store-add-button');
    await said(page, 'store-status', /已修改库存第 1 行/);
    await page.reload();
    await storeHas(page, 3);
    assert.deepEqual(await storeRows(page), [['12', '4.5', '5', 'HRB400', '', '上次余料'],
                                             ['12', '12', '3', 'HRB400', '3700', '上批剩余'],
                                             ['12', '9', '2', 'HRB400', '', '新到']]);
    const before = await download(page, '#store-export');
    assert.deepEqual([...before.bytes.subarray(0, 3)], [0xEF, 0xBB, 0xBF]);
    const store = path.join(work, 'store.csv');
    writeFileSync(store, before.bytes);

    await calculate(page, ['2', '0.012', '0.15'], 1);
    await page.waitForSelector('#site-add:not([hidden])', { timeout: DEADLINE });
    await page.fill('#site-number', '3');
    await page.selectOption('#site-grade', 'HRB400');
    await page.click('#site-add-button');
    await page.waitForFunction(() => document.querySelectorAll('#site-table tbody tr').length === 1,
                               null, { timeout: DEADLINE });
    // The schedule saved under the site's name: the offcuts' note names it.
    const site = await page.inputValue('#site-name');
    mkdirSync(path.join(work, 'lists'));
    const schedule = path.join(work, 'lists', site);
    writeFileSync(schedule, (await download(page, '#site-export')).bytes);
    await page.fill('#order-stock', '9:3900,12:3850');
    await page.check('#order-use-store');
    await makeOrder(page);
    const storeOut = path.join(work, 'store-out.csv');
    const csv = path.join(work, 'order.csv');
    const made = runNative(['--order', schedule, '--store', store, '--store-out', storeOut,
                            '--stock', '9:3900,12:3850', '--kerf', '0', '--keep', '0.5',
                            '--coils', '10', '--order-csv', csv, '--bom', '--json']);
    assert.equal(made.status, 0, made.err);
    assert.ok(JSON.parse(String(made.out)).groups.some((group) => group.from_store.length > 0));
    assert.equal(undated((await download(page, '#order-json')).bytes), undated(made.out));
    assert.equal(undated((await download(page, '#order-csv')).bytes), undated(readFileSync(csv)));

    // Refused once, then done: the store is --store-out's, the order out of date.
    page.once('dialog', (dialog) => dialog.dismiss());
    await page.click('#order-apply');
    assert.ok((await download(page, '#store-export')).bytes.equals(before.bytes));
    page.once('dialog', (dialog) => dialog.accept());
    await page.click('#order-apply');
    await said(page, 'store-status', /已按“.*”的下料方案更新库存/);
    assert.equal(await page.isHidden('#order-result'), true);
    assert.match(await page.textContent('#order-status'), /已过期/);
    const applied = await download(page, '#store-export');
    assert.equal(undated(applied.bytes.subarray(3)), undated(readFileSync(storeOut)));
    assert.notEqual(String(applied.bytes), String(before.bytes));
    assert.match(String(applied.bytes), new RegExp(`${site} \\d{4}-\\d{2}-\\d{2} 余料`));
    await page.reload();
    await page.waitForSelector('#store-undo:not([hidden])', { timeout: DEADLINE });
    assert.ok((await download(page, '#store-export')).bytes.equals(applied.bytes));
    await page.click('#store-undo');
    await said(page, 'store-status', /已撤销/);
    await page.reload();
    await storeHas(page, 3);
    assert.equal(await page.isHidden('#store-undo'), true);
    assert.ok((await download(page, '#store-export')).bytes.equals(before.bytes));
    await page.locator('#store').screenshot({ path: path.join(out, 'web-store-desktop.png') });
    await close(page);
});

test('two tabs keep one store; a damaged stored store is said, its rows that read kept and the ' +
     'text kept aside; a storage that refuses is said and the row stays in the page', async () => {
    const context = await browser.newContext({ viewport: { width: 360, height: 740 },
                                               isMobile: true, hasTouch: true });
    const [one, two] = [await context.newPage(), await context.newPage()];
    for (const page of [one, two]) {
        page.problems = watch(page);
        await page.goto(server.url);
    }
    await typeRow(one, ['16', '6', '4', 'HRB400E', '3900', '甲']);
    await storeHas(two, 1);
    await typeRow(two, ['10', '12', '1', '', '', '']);
    await storeHas(one, 2);
    await one.click('button[aria-label="删除库存第 1 行"]');
    await storeHas(two, 1);
    assert.deepEqual(await storeRows(two), [['10', '12', '1', '', '', '']]);
    // On a phone: nothing scrolls the page sideways, every control is a 44 px target.
    const layout = await one.evaluate(() => ({
        wide: document.documentElement.scrollWidth > window.innerWidth,
        small: [...document.querySelectorAll('#store button, #store .button, #store input, ' +
                                             '#store select')]
            .filter((element) => element.offsetParent !== null && element.type !== 'file')
            .map((element) => element.getBoundingClientRect())
            .filter((box) => box.width < 44 || box.height < 44).length,
    }));
    assert.deepEqual(layout, { wide: false, small: 0 });
    await one.evaluate(() => { document.getElementById('store-table-wrap').scrollLeft = 0; });
    await one.locator('#store').screenshot({ path: path.join(out, 'web-store-phone.png') });

    assert.deepEqual(two.problems, []);
    await two.close();
    const damaged = '{"rows":[{"phi":"12","length":"9","count":"2","grade":"","price":"",' +
                    '"note":""},{"phi":12}],"undo":null}';
    await one.evaluate((text) => localStorage.setItem('tavrilo-store', text), damaged);
    await one.reload();
    await said(one, 'store-storage', /库存数据已损坏/);
    await storeHas(one, 1);
    assert.equal(await one.evaluate(() => localStorage.getItem('tavrilo-store-damaged')), damaged);
    assert.deepEqual(one.problems, []);
    await context.close();

    // A full quota, and a browser that allows no storage at all: said, and
    // every row typed stays in the page (the store's and the site's).
    const refusals = [
        [() => {
            Storage.prototype.setItem = () => {
                throw new DOMException('full', 'QuotaExceededError');
            };
        }, /库存未能保存（QuotaExceededError/],
        [() => {
            Object.defineProperty(window, 'localStorage', { get() {
                throw new DOMException('denied', 'SecurityError');
            } });
        }, /不允许本页保存库存（SecurityError/],
    ];
    for (const [refuse, message] of refusals) {
        const refusing = await browser.newContext();
        await refusing.addInitScript(refuse);
        const page = await refusing.newPage();
        page.problems = watch(page);
        await page.goto(server.url);
        await typeRow(page, ['16', '6', '4', 'HRB400', '', '']);
        await storeHas(page, 1);
        await typeRow(page, ['12', '9', '1', '', '', '']);
        await storeHas(page, 2);
        assert.match(await page.textContent('#store-storage'), message);
        for (const [length, count] of [['6', '2'], ['4', '3']]) {
            await page.fill('#straight-length', length);
            await page.fill('#straight-number', count);
            await page.fill('#straight-phi', '0.012');
            await page.click('#straight-add-button');
            await page.waitForFunction((count) =>
                document.querySelectorAll('#site-table tbody tr').length === count,
                                       Number(count) - 1, { timeout: DEADLINE });
        }
        assert.deepEqual(page.problems, []);
        await refusing.close();
    }
});
