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
    function load() {
        try {
            const kept = JSON.parse(storage?.getItem(STORE_KEY) ?? 'null');
            if (kept && Array.isArray(kept.sites) && kept.sites.length > 0)
                return kept;
        } catch {
            storageMessage.textContent = '保存的工程无法读取，已另起一个工程。';
        }
        return { open: '工程 1', sites: [emptySite('工程 1')] };
    }
    const kept = load();
    const current = () => kept.sites.find((site) => site.name === kept.open) ?? kept.sites[0];

    function save() {
        if (!storage)
            return;
        try {
            storage.setItem(STORE_KEY, JSON.stringify(kept));
            storageMessage.textContent = '';
        } catch (error) {
            storageMessage.textContent =
                `工程未能保存（${error.name}：存储空间已满或被浏览器禁止），请导出清单保存。`;
        }
    }

    function showList() {
        list.replaceChildren(...kept.sites.map((site) => new Option(site.name, site.name)));
        list.value = current().name;
        nameBox.value = current().name;
        $('site-print-name').textContent = `：${current().name}`;
        labelBox.value = current().draft?.label ?? '';
        numberBox.value = current().draft?.number ?? '1';
    }

    // The row being changed (its index), when 修改 put it in the boxes, and
    // whether it is a straight bar's (in the straight bars' boxes).
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
            $('site-empty').hidden = false;
            $('site-table-wrap').hidden = true;
            $('site-export').hidden = true;
            return null;
        }
        const reply = await ask({ type: 'site', meshes: site.meshes });
        if (asked === shownFor && site === current())
            showTable(reply);
        return reply;
    }

    // The meshes with one added or replaced, taken only when the module
    // answers it (else `said` says why); its values are kept as read.
    async function change(meshes, index, said = addMessage) {
        const site = current();
        const reply = await ask({ type: 'site', meshes });
        const refusal = reply.refused.find((refused) => refused.index === index);
        if (refusal) {
            said.textContent = refusal.text.trimEnd();
            return false;
        }
        said.textContent = '';
        site.meshes = reply.table.meshes;
        save();
        if (site === current())
            showTable(reply);
        return true;
    }

    addButton.addEventListener('click', async () => {
        const mesh = form.lastMesh();
        if (!mesh)
            return;
        const entry = { D: mesh.values[0], phi: mesh.values[1], d: mesh.values[2], a: mesh.layout,
                        label: labelBox.value, number: numberBox.value, grade: gradeBox.value };
        const meshes = current().meshes.slice();
        const index = (editingStraight ? null : editing) ?? meshes.length;
        meshes[index] = entry;
        const wasEditing = editing !== null && !editingStraight;
        if (await change(meshes, index)) {
            status.textContent = wasEditing ? `已修改第 ${index + 1} 行。` :
                `已加入工程“${current().name}”，第 ${index + 1} 行。`;
            if (wasEditing)
                stopEditing();
            labelBox.value = '';
            numberBox.value = '1';
            current().draft = { label: '', number: '1' };
            save();
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
        editing = index;
        editingStraight = current().meshes[index].a === 0;
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
        const meshes = current().meshes.slice();
        const index = (editingStraight ? editing : null) ?? meshes.length;
        meshes[index] = entry;
        const wasEditing = editing !== null && editingStraight;
        if (await change(meshes, index, straight.message)) {
            status.textContent = wasEditing ? `已修改第 ${index + 1} 行。` :
                `已加入工程“${current().name}”，第 ${index + 1} 行。`;
            if (wasEditing)
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
        const site = current();
        site.meshes = site.meshes.filter((_, i) => i !== index);
        if (editing !== null)
            stopEditing();
        save();
        status.textContent = `已删除第 ${index + 1} 行。`;
        await refresh();
    }

    // What is typed for the next mesh is kept as it is typed.
    for (const box of [labelBox, numberBox])
        box.addEventListener('input', () => {
            current().draft = { label: labelBox.value, number: numberBox.value };
            save();
        });

    function open(name) {
        kept.open = name;
        stopEditing();
        save();
        showList();
        order.reset();
        refresh();
    }

    list.addEventListener('change', () => open(list.value));
    nameBox.addEventListener('change', () => {
        const name = nameBox.value.trim();
        if (name === '' || kept.sites.some((site) => site.name === name && site !== current())) {
            status.textContent = name === '' ? '工程名称不能为空。' : `已有名为“${name}”的工程。`;
            nameBox.value = current().name;
            return;
        }
        current().name = name;
        kept.open = name;
        save();
        showList();
        refresh();
    });
    function freeName() {
        let n = kept.sites.length + 1;
        while (kept.sites.some((site) => site.name === `工程 ${n}`))
            ++n;
        return `工程 ${n}`;
    }
    $('site-new').addEventListener('click', () => {
        const site = emptySite(freeName());
        kept.sites.push(site);
        open(site.name);
        status.textContent = `已新建工程“${site.name}”。`;
    });
    $('site-delete').addEventListener('click', () => {
        const site = current();
        if (site.meshes.length > 0 && !window.confirm(`删除工程“${site.name}”及其 ${site.meshes.length} 行网片？`))
            return;
        kept.sites = kept.sites.filter((other) => other !== site);
        if (kept.sites.length === 0)
            kept.sites.push(emptySite('工程 1'));
        open(kept.sites[0].name);
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
        status.textContent = reply.imported.text;
        if (reply.imported.meshes.length === 0)
            return;
        let name = file.name.replace(/\.[^.]*$/, '') || freeName();
        for (let n = 2; kept.sites.some((site) => site.name === name); ++n)
            name = `${file.name.replace(/\.[^.]*$/, '')} (${n})`;
        const site = emptySite(name);
        site.meshes = reply.imported.meshes;
        kept.sites.push(site);
        open(name);
    });

    const order = tavriloOrder(ask, () => current(), save, setUrl);

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
