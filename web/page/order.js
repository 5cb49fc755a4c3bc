// The page's steel order (采购与下料) of the open site: its settings (kept
// with the site), 生成下料方案 in the site's worker, the purchase list and
// the cutting plan with each pattern drawn to scale, the downloads
// (tavrilo-calc --order's own bytes) and the printed order. With 先用库存 it
// cuts from the yard's store (store.js) first, and 按此方案下料 then puts
// the store after the order in its place.

'use strict';

/* exported tavriloOrder */
/* global TAVRILO, tavriloStore */

// `ask(message)`: a promise of the worker's reply; `site()`: the open site;
// `update(change)`: keeps change(the open site); `setUrl(key, blob)`: a
// download's object URL.
function tavriloOrder(ask, site, update, setUrl) {
    const $ = (id) => document.getElementById(id);
    const form = $('order-form');
    const boxes = { stock: $('order-stock'), kerf: $('order-kerf'), keep: $('order-keep'),
                    lap: $('order-lap'), coils: $('order-coils'), shear: $('order-shear'),
                    prepared: $('order-prepared'), checked: $('order-checked') };
    // The shear's bars a stroke by diameter: the common shear's table, to edit.
    const SHEAR = TAVRILO.SHEAR.map(([tenths, bars]) => `${tenths / 10}:${bars}`).join(',');
    const DEFAULTS = { stock: '9,12', kerf: '0', keep: '0.5', lap: '36d', splice: 'none', coils: '10',
                       shear: SHEAR, prepared: '', checked: '' };
    const radios = [...form.querySelectorAll('input[name="splice"]')];
    const result = $('order-result');
    const message = $('order-message');
    const status = $('order-status');
    const busy = $('order-busy');
    const useStore = $('order-use-store');
    const apply = $('order-apply');
    // The rows of the store after the order shown, when it was made with the store.
    let after = null;
    const store = tavriloStore(ask, setUrl, () => {
        if (after !== null || useStore.checked)
            stale('库存已改动，原下料方案已过期，请重新生成。');
    });

    function settings() {
        const typed = Object.fromEntries(Object.entries(boxes).map(([key, box]) => [key, box.value]));
        typed.splice = radios.find((radio) => radio.checked)?.value ?? 'none';
        typed.useStore = useStore.checked;
        return typed;
    }

    function show(typed) {
        for (const [key, box] of Object.entries(boxes))
            box.value = typed[key] ?? DEFAULTS[key];
        radios.forEach((radio) => { radio.checked = radio.value === (typed.splice ?? DEFAULTS.splice); });
        useStore.checked = typed.useStore === true;
    }

    // Kept with the site as they are typed; an order made before is out of
    // date (its workbook names who prepared and checked it too).
    form.addEventListener('input', () => {
        const typed = settings();
        update((open) => { open.settings = typed; });
        stale();
    });

    let asked = 0; // the last request: a reply to an earlier one is not shown
    // The site or the settings changed: the order shown (or being made) is
    // no longer theirs, and neither are its downloads.
    function stale(said = '工程或设置已改动，原下料方案已过期，请重新生成。') {
        if (result.hidden && $('order-make').disabled === false)
            return;
        ++asked;
        after = null;
        result.hidden = true;
        message.textContent = '';
        status.textContent = said;
    }

    function cells(tag, texts, scopeFirst) {
        const tr = document.createElement('tr');
        texts.forEach((text, i) => {
            const cell = document.createElement(i === 0 && scopeFirst ? 'th' : tag);
            if (cell.tagName === 'TH')
                cell.scope = tag === 'th' ? 'col' : 'row';
            cell.textContent = text;
            tr.append(cell);
        });
        return tr;
    }

    function paragraph(text, className) {
        const p = document.createElement('p');
        p.textContent = text;
        if (className)
            p.className = className;
        return p;
    }

    // A pattern: its title (printed with its diameter, so that every printed
    // page names the bars it shows), the stock bar with its pieces to scale (a
    // piece's label shown where it fits; the caption names them all), and its
    // caption. Every bar of the order is drawn to one scale: a 9 m bar three
    // quarters as long as a 12 m one (`longest`, the longest stock bar, takes
    // the whole width). Laid out only near the screen (content-visibility):
    // thousands of patterns would hold the page for a second.
    function pattern(item, longest, diameter) {
        const li = document.createElement('li');
        li.className = 'pattern';
        li.addEventListener('contentvisibilityautostatechange', (event) => {
            if (event.skipped) {
                shown.delete(li);
            } else {
                shown.add(li);
                fitLabels([li]);
            }
        });
        const title = paragraph(item.title, 'pattern-title');
        const printed = document.createElement('span');
        printed.className = 'pattern-diameter';
        printed.textContent = ` · ${diameter}`;
        title.append(printed);
        li.append(title);
        const bar = document.createElement('div');
        bar.className = 'bar';
        bar.setAttribute('aria-hidden', 'true');
        bar.style.width = `${(100 * item.stock_mm) / longest}%`;
        const share = (mm) => `${(100 * mm) / item.stock_mm}%`;
        for (const [mm, label] of item.pieces) {
            const piece = document.createElement('span');
            piece.className = 'piece';
            piece.style.width = share(mm);
            piece.textContent = label;
            piece.title = label;
            bar.append(piece);
        }
        if (item.offcut_mm > 0) {
            const rest = document.createElement('span');
            rest.className = item.offcut_kept ? 'offcut kept' : 'offcut';
            rest.style.width = share(item.offcut_mm);
            bar.append(rest);
        }
        li.append(bar, paragraph(item.caption, 'pattern-caption'));
        return li;
    }

    // Labels that do not fit their piece are left to the caption: measured
    // in the patterns laid out (`shown`) as they come near the screen, and in
    // all before printing; all measured before any is changed.
    const shown = new Set();
    function fitLabels(bodies = shown) {
        const pieces = [...bodies].flatMap((body) => [...body.querySelectorAll('.piece')]);
        const narrow = pieces.map((piece) => piece.scrollWidth > piece.clientWidth + 1);
        pieces.forEach((piece, i) => piece.classList.toggle('narrow', narrow[i]));
    }
    window.addEventListener('resize', () => fitLabels());
    window.addEventListener('beforeprint', () => {
        fitLabels(result.querySelectorAll('.pattern'));
        // Who prepared and who checked it, as typed: a line to sign on when not.
        $('order-prepared-name').textContent = boxes.prepared.value.trim();
        $('order-checked-name').textContent = boxes.checked.value.trim();
    });
    window.addEventListener('afterprint', () => fitLabels());

    const ITEMS_AT_ONCE = 100;

    // The order of request `id`; thousands of patterns or splices are added
    // a hundred a task, so that the page never waits on them, until another
    // request or a change stops them.
    async function showOrder(view, id) {
        $('order-heading-lines').replaceChildren(
            ...view.heading.map((line) => paragraph(line)),
            ...view.omitted.map((line) => paragraph(`未计入：${line}`, 'omitted')));
        $('order-total').textContent = view.total;
        const purchase = $('order-purchase');
        purchase.tHead.replaceChildren(cells('th', view.purchase.header, false));
        purchase.tBodies[0].replaceChildren(
            ...view.purchase.rows.map((row) => cells('td', row, false)),
            ...view.purchase.totals.map((row) => {
                const tr = cells('td', row, true);
                tr.className = 'totals';
                return tr;
            }));
        const longest = Math.max(...view.groups.flatMap((group) =>
            group.patterns.map((item) => item.stock_mm)));
        shown.clear();
        const lists = []; // [list, its items, an item's element]
        $('order-groups').replaceChildren(...view.groups.map((group) => {
            const section = document.createElement('section');
            section.className = 'order-group';
            const title = document.createElement('h4');
            title.textContent = group.title;
            // A coil's group lists its pieces: it has no stock bars to cut.
            section.append(title, ...[paragraph(group.purchase), paragraph(group.use),
                                      paragraph(group.bound, group.proven ? 'proven' : '')]
                .filter((p) => p.textContent !== ''));
            const line = (text) => {
                const li = document.createElement('li');
                li.textContent = text;
                return li;
            };
            if (group.coil.length > 0) {
                const pieces = document.createElement('ul');
                pieces.className = 'coil-pieces';
                lists.push([pieces, group.coil, line]);
                section.append(pieces);
            }
            if (group.splices.length > 0) {
                section.append(paragraph(group.splices[0], 'splice-heading'));
                const list = document.createElement('ul');
                list.className = 'splices';
                lists.push([list, group.splices.slice(1), line]);
                section.append(list);
            }
            if (group.patterns.length === 0)
                return section;
            section.append(paragraph(group.patterns_title, 'patterns-title'));
            const patterns = document.createElement('ol');
            patterns.className = 'patterns';
            lists.push([patterns, group.patterns, (item) => pattern(item, longest, group.diameter)]);
            section.append(patterns);
            return section;
        }));
        result.hidden = false;
        for (const [list, items, make] of lists) {
            for (let at = 0; at < items.length && id === asked; at += ITEMS_AT_ONCE) {
                list.append(...items.slice(at, at + ITEMS_AT_ONCE).map(make));
                await new Promise((resolve) => setTimeout(resolve));
            }
        }
    }

    function link(id, blob, name) {
        $(id).href = setUrl(id, blob);
        $(id).download = name;
    }

    form.addEventListener('submit', async (event) => {
        event.preventDefault();
        const typed = settings();
        const meshes = site().meshes;
        const name = site().name;
        const id = ++asked;
        after = null;
        message.textContent = '';
        if (meshes.length === 0) {
            message.textContent = '工程中还没有网片或直条：先计算并加入工程。';
            return;
        }
        // A moment before the bar shows: most orders are made in less.
        const showBusy = setTimeout(() => { busy.hidden = false; }, 300);
        status.textContent = '正在生成下料方案……';
        $('order-make').disabled = true;
        const reply = await ask({
            type: 'order', meshes,
            settings: { stock: typed.stock, kerf: typed.kerf, keep: typed.keep,
                        lap: typed.splice === 'lap' ? typed.lap : undefined,
                        couplers: typed.splice === 'couplers', coils: typed.coils,
                        // Left empty: the common shear's table.
                        shear: typed.shear.trim() === '' ? undefined : typed.shear,
                        prepared: typed.prepared, checked: typed.checked },
            name, date: today(),
            store: typed.useStore ? { rows: store.rows() } : undefined,
        });
        const done = () => {
            clearTimeout(showBusy);
            busy.hidden = true;
            $('order-make').disabled = false;
        };
        if (id !== asked)
            return done();
        if (!reply.view) {
            done();
            result.hidden = true;
            status.textContent = '';
            message.textContent = reply.text;
            // Bars longer than the stock: the splice is asked for, never assumed.
            if (reply.needsSplice) {
                $('order-splice').classList.add('asking');
                $('order-splice').focus();
            }
            return;
        }
        $('order-splice').classList.remove('asking');
        link('order-csv', reply.csv, `${name}-采购与下料.csv`);
        link('order-xlsx', reply.xlsx, `${name}-采购与下料.xlsx`);
        link('order-json', reply.json, `${name}-采购与下料.json`);
        link('order-svg', reply.svg, `${name}-下料图.svg`);
        after = reply.storeAfter;
        apply.hidden = after === null;
        await showOrder(JSON.parse(reply.view), id);
        done();
        if (id === asked)
            status.textContent = `已生成“${name}”的下料方案。`;
    });

    // The local date the offcuts an order keeps are noted with (2026-12-10).
    function today() {
        const now = new Date();
        const two = (n) => String(n).padStart(2, '0');
        return `${now.getFullYear()}-${two(now.getMonth() + 1)}-${two(now.getDate())}`;
    }

    // The store after the order in the store's place, once confirmed.
    apply.addEventListener('click', () => {
        const rows = after;
        if (rows === null || !window.confirm(`按此方案下料：库存将改为下料后的 ${rows.length} 行` +
                                             '（用去的钢筋减去，留用的余料加入）。确定？'))
            return;
        store.replace(rows, `已按“${site().name}”的下料方案更新库存。`);
    });

    // The printed order: the site's meshes, the purchase list and the plan.
    $('order-print').addEventListener('click', () => {
        document.body.classList.add('print-order');
        window.print();
    });
    window.addEventListener('afterprint', () => document.body.classList.remove('print-order'));

    return {
        stale,
        show: () => show(site().settings ?? {}),
        // Another site opened: its settings, no order yet.
        reset() {
            ++asked;
            after = null;
            show(site().settings ?? {});
            result.hidden = true;
            message.textContent = '';
            status.textContent = '';
            $('order-splice').classList.remove('asking');
        },
    };
}
