// The page's site (工程): the meshes of a job, each added after a
// calculation with a label and a number of identical meshes, kept in the
// browser's storage (several sites, one open at a time), shown as a table
// the module computes, and moved in and out as the schedule file of
// tavrilo-calc --order. Its steel order is order.js.

'use strict';

/* exported tavriloSite */
/* global TAVRILO, tavriloOrder, tavriloStartWorker */

// `compiled`: the promise of the module; `form`: the mesh form's
// {lastMesh() (the values and arrangement of the last mesh answered, or
// null), fill(values, layout) (into the boxes, then calculated)};
// `setUrl(key, blob)`: a download's object URL.
function tavriloSite(compiled, form, setUrl) {
    const $ = (id) => document.getElementById(id);
    const STORE_KEY = 'tavrilo-sites';
    const storageMessage = $('site-storage');
    const status = $('site-status');
    const list = $('site-list');
    const nameBox = $('site-name');
    const labelBox = $('site-label');
    const numberBox = $('site-number');
    const addButton = $('site-add-button');
    const cancelEdit = $('site-edit-cancel');
    const addMessage = $('site-add-message');
    const table = $('site-table');
    const gradeBox = $('site-grade');
    const straight = {
        form: $('straight'), length: $('straight-length'), number: $('straight-number'),
        phi: $('straight-phi'), grade: $('straight-grade'), label: $('straight-label'),
        button: $('straight-add-button'), cancel: $('straight-edit-cancel'),
        message: $('straight-message'),
    };

    // The worker the site and its order are computed in, and the replies
    // awaited by id.
    let worker = null;
    let lastId = 0;
    const waiting = new Map();
    async function ask(message) {
        const module = await compiled;
        if (!worker) {
            worker = tavriloStartWorker();
            worker.onmessage = (event) => {
                const resolve = waiting.get(event.data.id);
                waiting.delete(event.data.id);
                resolve?.(event.data);
            };
        }
        const id = ++lastId;
        return new Promise((resolve) => {
            waiting.set(id, resolve);
            worker.postMessage({ ...message, id, module });
        });
    }

    // The sites as kept: {open: name, sites: [{name, meshes, settings, draft}]}.
    // Every change is made to the sites as stored at that moment (another
    // tab's changes stay; a storage emptied elsewhere is not refilled from
    // this tab's memory), and another tab's save is shown here as it comes.
    function emptySite(name) {
        return { name, meshes: [], settings: null, draft: { label: '', number: '1' } };
    }
    let storage = null;
    try {
        storage = window.localStorage;
        storage.getItem(STORE_KEY);
    } catch (error) {
        storage = null;
        storageMessage.textContent =
            `浏览器不允许本页保存工程（${error.name}），工程只保留到本页关闭，请及时导出清单。`;
    }
    const DAMAGED = '本地保存的工程数据已损坏，无法读取的部分已舍弃（原数据已另存一份）。';
    let damaged = false;
    // False after a save that failed: the page's memory is then ahead of the storage.
    let saved = true;
    // A mesh (a 1 or 2) or a straight bar (a 0); a grade, when kept, is text.
    const isMesh = (mesh) => ['D', 'phi', 'd', 'label', 'number'].every((key) =>
        typeof mesh?.[key] === 'string') && [0, 1, 2].includes(mesh.a) &&
        ['string', 'undefined'].includes(typeof mesh.grade);
    // The sites stored, any part that cannot be read left out (the stored
    // text kept aside under STORE_KEY-damaged); never none.
    function read() {
        const text = storage?.getItem(STORE_KEY) ?? null;
        let value = null;
        try {
            value = JSON.parse(text);
        } catch {}
        const sites = [];
        let whole = text === null || Array.isArray(value?.sites);
        for (const site of Array.isArray(value?.sites) ? value.sites : []) {
            const meshes = Array.isArray(site?.meshes) ? site.meshes.filter(isMesh) : [];
            const named = typeof site?.name === 'string' && site.name !== '' &&
                !sites.some((other) => other.name === site.name);
            if (named)
                sites.push({ ...emptySite(site.name), ...site, meshes });
            whole &&= named && meshes.length === site.meshes?.length;
        }
        if (sites.length === 0)
            sites.push(emptySite(openName ?? '工程 1'));
        kept = { open: value?.open, sites };
        if (!whole) {
            damaged = true;
            try {
                storage.setItem(`${STORE_KEY}-damaged`, text);
            } catch {}
            save();
        }
        return kept;
    }
    let kept = null;
    let openName = null;
    read();
    openName = (kept.sites.find((site) => site.name === kept.open) ?? kept.sites[0]).name;
    const current = () => kept.sites.find((site) => site.name === openName) ?? kept.sites[0];

    function save() {
        if (!storage)
            return;
        try {
            storage.setItem(STORE_KEY, JSON.stringify({ ...kept, open: openName ?? kept.open }));
            saved = true;
            storageMessage.textContent = damaged ? DAMAGED : '';
        } catch (error) {
            saved = false;
            storageMessage.textContent =
                `工程未能保存（${error.name}：存储空间已满或被浏览器禁止），请导出清单保存。`;
        }
    }

    // `change(site)` made to the open site as stored now (made again if
    // another tab deleted it), then saved.
    function update(change) {
        if (saved && storage)
            read();
        let site = kept.sites.find((other) => other.name === openName);
        if (!site)
            kept.sites.push(site = emptySite(openName));
        change(site);
        save();
    }

    function showList() {
        list.replaceChildren(...kept.sites.map((site) => new Option(site.name, site.name)));
        list.value = current().name;
        nameBox.value = current().name;
        $('site-print-name').textContent = `：${current().name}`;
        labelBox.value = current().draft?.label ?? '';
        numberBox.value = current().draft?.number ?? '1';
    }

    // The row being changed, when 修改 put it in the boxes, and whether it
    // is a straight bar's (in the straight bars' boxes).
    let editing = null;
    let editingStraight = false;
    function stopEditing() {
        editing = null;
        editingStraight = false;
        addButton.textContent = '加入工程';
        cancelEdit.hidden = true;
        straight.button.textContent = '加入工程';
        straight.cancel.hidden = true;
    }

    function cell(tag, text) {
        const element = document.createElement(tag);
        element.textContent = text;
        return element;
    }

    function rowButton(text, label, action) {
        const button = cell('button', text);
        button.type = 'button';
        button.setAttribute('aria-label', label);
        button.addEventListener('click', action);
        return button;
    }

    // A row of cells, its first a row heading.
    function cellsRow(texts) {
        const tr = document.createElement('tr');
        texts.forEach((text, i) => {
            const td = cell(i === 0 ? 'th' : 'td', text);
            if (i === 0)
                td.scope = 'row';
            tr.append(td);
        });
        return tr;
    }

    // The table as the module computed it, each row with its actions; a
    // refused row says why across the answer's columns.
    function showTable(reply) {
        const { header, rows, totals } = reply.table;
        const head = document.createElement('tr');
        for (const label of [...header.mesh, ...header.answer, '操作']) {
            const th = cell('th', label);
            th.scope = 'col';
            head.append(th);
        }
        head.lastChild.className = 'no-print';
        table.tHead.replaceChildren(head);
        table.tBodies[0].replaceChildren(...rows.map((row, index) => {
            const tr = cellsRow([...row.mesh, ...(row.answer ?? [])]);
            if (row.refusal !== null) {
                tr.className = 'refused';
                const why = cell('td', row.refusal);
                why.colSpan = header.answer.length;
                tr.append(why);
            }
            const actions = document.createElement('td');
            actions.className = 'row-actions no-print';
            const name = `第 ${index + 1} 行`;
            actions.append(
                rowButton('修改', `修改${name}`, () => edit(index)),
                rowButton('放回', `把${name}放回输入框`, () => putBack(index)),
                rowButton('删除', `删除${name}`, () => remove(index)));
            tr.append(actions);
            return tr;
        }));
        const foot = cellsRow([...totals.mesh, ...totals.answer]);
        foot.className = 'totals';
        foot.append(cell('td', ''));
        foot.lastChild.className = 'no-print';
        table.tFoot.replaceChildren(foot);
        $('site-empty').hidden = rows.length > 0;
        $('site-table-wrap').hidden = rows.length === 0;
        const exportLink = $('site-export');
        exportLink.hidden = rows.length === 0;
        exportLink.href = setUrl('site-export', reply.csv);
        exportLink.download = `${current().name}-工程清单.csv`;
    }

    // The site computed again after a change: its table and its export. An
    // empty site needs no module: nothing is started for it.
    let shownFor = 0;
    async function refresh() {
        const site = current();
        const asked = ++shownFor;
        if (site.meshes.length === 0) {
            table.tBodies[0].replaceChildren();
            $('site-empty').hidden = false;
            $('site-table-wrap').hidden = true;
            $('site-export').hidden = true;
            return null;
        }
        const reply = await ask({ type: 'site', meshes: site.meshes });
        if (asked === shownFor && site.name === current().name)
            showTable(reply);
        return reply;
    }

    const same = (a, b) => JSON.stringify(a) === JSON.stringify(b);
    // A mesh added, or put in place of `old` (added when another tab has
    // removed it meanwhile), taken only when the module answers it; its
    // values are kept as read (else `said` says why). Returns its row's
    // index, or -1.
    async function change(entry, old, said = addMessage) {
        const meshes = current().meshes.slice();
        const shown = old ? meshes.findIndex((mesh) => same(mesh, old)) : -1;
        const index = shown < 0 ? meshes.length : shown;
        meshes[index] = entry;
        const reply = await ask({ type: 'site', meshes });
        const refusal = reply.refused.find((refused) => refused.index === index);
        if (refusal) {
            said.textContent = refusal.text.trimEnd();
            return -1;
        }
        said.textContent = '';
        let at = -1;
        update((site) => {
            at = old ? site.meshes.findIndex((mesh) => same(mesh, old)) : -1;
            if (at < 0)
                at = site.meshes.length;
            site.meshes[at] = reply.table.meshes[index];
            site.draft = { label: '', number: '1' };
        });
        order.stale();
        if (same(current().meshes, reply.table.meshes))
            showTable(reply);
        else
            refresh();
        return at;
    }

    addButton.addEventListener('click', async () => {
        const mesh = form.lastMesh();
        if (!mesh)
            return;
        const entry = { D: mesh.values[0], phi: mesh.values[1], d: mesh.values[2], a: mesh.layout,
                        label: labelBox.value, number: numberBox.value, grade: gradeBox.value };
        const old = editingStraight ? null : editing;
        const index = await change(entry, old);
        if (index >= 0) {
            status.textContent = old ? `已修改第 ${index + 1} 行。` :
                `已加入工程“${current().name}”，第 ${index + 1} 行。`;
            if (old)
                stopEditing();
            labelBox.value = '';
            numberBox.value = '1';
        }
    });
    cancelEdit.addEventListener('click', stopEditing);

    function putBack(index) {
        const mesh = current().meshes[index];
        if (mesh.a === 0) {
            putBackStraight(mesh);
            return;
        }
        gradeBox.value = mesh.grade ?? '';
        form.fill([mesh.D, mesh.phi, mesh.d], mesh.a);
        labelBox.value = mesh.label;
        numberBox.value = mesh.number;
        document.getElementById('D').focus();
    }

    function edit(index) {
        stopEditing();
        putBack(index);
        editing = current().meshes[index];
        editingStraight = editing.a === 0;
        const button = editingStraight ? straight.button : addButton;
        button.textContent = `保存修改（第 ${index + 1} 行）`;
        (editingStraight ? straight.cancel : cancelEdit).hidden = false;
    }

    // A straight bar (直条): its length, number, diameter, grade and label,
    // added, changed and put back as a mesh is.
    function putBackStraight(bar) {
        straight.length.value = bar.D;
        straight.number.value = bar.number;
        straight.phi.value = bar.phi;
        straight.grade.value = bar.grade ?? '';
        straight.label.value = bar.label;
        straight.length.focus();
    }

    straight.form.addEventListener('submit', async (event) => {
        event.preventDefault();
        const entry = { D: straight.length.value, phi: straight.phi.value, d: '', a: 0,
                        label: straight.label.value, number: straight.number.value,
                        grade: straight.grade.value };
        const old = editingStraight ? editing : null;
        const index = await change(entry, old, straight.message);
        if (index >= 0) {
            status.textContent = old ? `已修改第 ${index + 1} 行。` :
                `已加入工程“${current().name}”，第 ${index + 1} 行。`;
            if (old)
                stopEditing();
            straight.length.value = '';
            straight.label.value = '';
            straight.number.value = '1';
        }
    });
    straight.cancel.addEventListener('click', stopEditing);

    // The grades offered (the module's names), each choice remembered for
    // the next mesh or bar.
    const remembered = [[gradeBox, 'tavrilo-grade'], [straight.grade, 'tavrilo-straight-grade']];
    for (const [select, key] of remembered) {
        select.append(...TAVRILO.GRADES.map((grade) => new Option(grade, grade)));
        try {
            select.value = TAVRILO.GRADES.includes(storage?.getItem(key)) ? storage.getItem(key) : '';
        } catch {
            select.value = '';
        }
        select.addEventListener('change', () => {
            try {
                storage?.setItem(key, select.value);
            } catch {
                // Not kept: the choice stays for this visit.
            }
        });
    }

    async function remove(index) {
        const gone = current().meshes[index];
        update((site) => {
            const at = site.meshes.findIndex((mesh) => same(mesh, gone));
            if (at >= 0)
                site.meshes.splice(at, 1);
        });
        if (editing !== null)
            stopEditing();
        order.stale();
        status.textContent = `已删除第 ${index + 1} 行。`;
        await refresh();
    }

    // What is typed for the next mesh is kept as it is typed.
    for (const box of [labelBox, numberBox])
        box.addEventListener('input', () => update((site) => {
            site.draft = { label: labelBox.value, number: numberBox.value };
        }));

    // `name` opened (after `change` made to the sites as stored, which may name it).
    function open(name, change = () => {}) {
        update(() => {
            change();
            openName = name();
        });
        stopEditing();
        showList();
        order.reset();
        refresh();
    }

    list.addEventListener('change', () => open(() => list.value));
    nameBox.addEventListener('change', () => {
        const name = nameBox.value.trim();
        const taken = () => kept.sites.some((site) => site.name === name && site.name !== openName);
        if (name === '' || taken()) {
            status.textContent = name === '' ? '工程名称不能为空。' : `已有名为“${name}”的工程。`;
            nameBox.value = current().name;
            return;
        }
        open(() => name, () => {
            if (!taken())
                current().name = name;
        });
    });
    function freeName() {
        let n = kept.sites.length + 1;
        while (kept.sites.some((site) => site.name === `工程 ${n}`))
            ++n;
        return `工程 ${n}`;
    }
    // A new site, with `meshes`, named `name` or the first free name after it.
    function add(name, meshes = []) {
        let made;
        open(() => made.name, () => {
            made = emptySite(name ?? freeName());
            for (let n = 2; kept.sites.some((site) => site.name === made.name); ++n)
                made.name = `${name} (${n})`;
            made.meshes = meshes;
            kept.sites.push(made);
        });
        return made.name;
    }
    $('site-new').addEventListener('click', () => {
        status.textContent = `已新建工程“${add()}”。`;
    });
    $('site-delete').addEventListener('click', () => {
        const site = current();
        if (site.meshes.length > 0 && !window.confirm(`删除工程“${site.name}”及其 ${site.meshes.length} 行网片？`))
            return;
        open(() => kept.sites[0].name, () => {
            kept.sites = kept.sites.filter((other) => other.name !== site.name);
            if (kept.sites.length === 0)
                kept.sites.push(emptySite('工程 1'));
        });
        status.textContent = `已删除工程“${site.name}”。`;
    });

    // A schedule read in becomes a new site named after its file.
    const importFile = $('site-import-file');
    importFile.addEventListener('change', async () => {
        const file = importFile.files[0];
        importFile.value = '';
        if (!file)
            return;
        status.textContent = `正在读取“${file.name}”……`;
        const reply = await ask({ type: 'site-import', file });
        if (!reply.imported) {
            status.textContent = reply.text;
            return;
        }
        if (reply.imported.meshes.length > 0)
            add(file.name.replace(/\.[^.]*$/, '') || undefined, reply.imported.meshes);
        status.textContent = reply.imported.text;
    });

    // Another tab's save: shown here, this tab's site kept open while it is there.
    window.addEventListener('storage', (event) => {
        if (!saved || (event.key !== STORE_KEY && event.key !== null))
            return;
        const before = current();
        read();
        if (!kept.sites.some((site) => site.name === openName))
            openName = (kept.sites.find((site) => site.name === kept.open) ?? kept.sites[0]).name;
        showList();
        if (before.name !== current().name) {
            stopEditing();
            order.reset();
        } else if (!same([before.meshes, before.settings], [current().meshes, current().settings])) {
            order.show();
            order.stale();
        }
        refresh();
    });

    const order = tavriloOrder(ask, current, update, setUrl);

    showList();
    refresh();
    order.reset();

    return {
        // A mesh answered (or not): 加入工程 is offered only for one answered.
        answered(yes) {
            $('site-add').hidden = !yes;
            addMessage.textContent = '';
        },
    };
}
