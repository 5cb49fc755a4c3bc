// The yard's store (库存): the bars on hand and the offcuts earlier orders
// kept, one store for all sites, kept in the browser's storage beside them
// (tabs in step, a damaged or refused storage said and nothing lost), shown
// as a table whose rows are added, changed and deleted, moved in and out as
// the store file of tavrilo-calc --store. An order made with 先用库存 may
// replace it with the store after the order; 撤销 puts back the store as it
// was before the last replacement.

'use strict';

/* exported tavriloStore */
/* global TAVRILO */

// `ask(message)`: a promise of the worker's reply; `setUrl(key, blob)`: a
// download's object URL; `changed()`: the store has changed (here or in
// another tab).
function tavriloStore(ask, setUrl, changed) {
    const $ = (id) => document.getElementById(id);
    const STORE_KEY = 'tavrilo-store';
    const FIELDS = ['phi', 'length', 'count', 'grade', 'price', 'note'];
    const storageMessage = $('store-storage');
    const status = $('store-status');
    const message = $('store-message');
    const table = $('store-table');
    const form = $('store-form');
    const boxes = Object.fromEntries(FIELDS.map((field) => [field, $(`store-${field}`)]));
    const addButton = $('store-add-button');
    const cancelEdit = $('store-edit-cancel');
    const undoButton = $('store-undo');

    // The store as kept: {rows: [{phi (mm), length (m), count, grade, price
    // (元/吨), note}: texts], undo: the rows before the last replacement, or
    // null}. Every change is made to the store as stored at that moment.
    let storage = null;
    try {
        storage = window.localStorage;
        storage.getItem(STORE_KEY);
    } catch (error) {
        storage = null;
        storageMessage.textContent =
            `浏览器不允许本页保存库存（${error.name}），库存只保留到本页关闭，请及时导出库存。`;
    }
    const DAMAGED = '本地保存的库存数据已损坏，无法读取的行已舍弃（原数据已另存一份）。';
    let damaged = false;
    let saved = true; // false after a save that failed: the page's memory is ahead of the storage
    let kept = { rows: [], undo: null };
    const isRow = (row) => FIELDS.every((field) => typeof row?.[field] === 'string');
    function read() {
        const text = storage?.getItem(STORE_KEY) ?? null;
        let value = null;
        try {
            value = JSON.parse(text);
        } catch {}
        const rows = Array.isArray(value?.rows) ? value.rows.filter(isRow) : [];
        const undo = Array.isArray(value?.undo) ? value.undo.filter(isRow) : null;
        kept = { rows, undo };
        const whole = text === null || (rows.length === value?.rows?.length &&
            (value.undo === null || undo?.length === value.undo?.length));
        if (!whole) {
            damaged = true;
            try {
                storage.setItem(`${STORE_KEY}-damaged`, text);
            } catch {}
            save();
        }
    }

    function save() {
        if (!storage)
            return;
        try {
            storage.setItem(STORE_KEY, JSON.stringify(kept));
            saved = true;
            storageMessage.textContent = damaged ? DAMAGED : '';
        } catch (error) {
            saved = false;
            storageMessage.textContent =
                `库存未能保存（${error.name}：存储空间已满或被浏览器禁止），请导出库存保存。`;
        }
    }

    // `change(kept)` made to the store as stored now, then saved and shown.
    function update(change) {
        if (saved && storage)
            read();
        change(kept);
        save();
        changed();
        refresh();
    }

    const same = (a, b) => JSON.stringify(a) === JSON.stringify(b);
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

    // The table of the rows kept (a row the module refuses says why) and the
    // store's file to download.
    let shownFor = 0;
    async function refresh() {
        const rows = kept.rows;
        const asked = ++shownFor;
        undoButton.hidden = kept.undo === null;
        $('store-empty').hidden = rows.length > 0;
        $('store-table-wrap').hidden = rows.length === 0;
        $('store-export').hidden = rows.length === 0;
        if (rows.length === 0)
            return; // nothing to compute: no module is started for it
        const reply = await ask({ type: 'store', rows });
        if (asked !== shownFor)
            return;
        const head = document.createElement('tr');
        for (const label of ['直径 (mm)', '长度 (m)', '根数', '级别', '单价 (元/吨)', '备注', '操作']) {
            const th = cell('th', label);
            th.scope = 'col';
            head.append(th);
        }
        table.tHead.replaceChildren(head);
        table.tBodies[0].replaceChildren(...rows.map((row, index) => {
            const tr = document.createElement('tr');
            tr.append(...FIELDS.map((field) => cell('td', row[field])));
            const refusal = reply.refused.find((refused) => refused.index === index);
            if (refusal) {
                tr.className = 'refused';
                tr.lastChild.textContent = refusal.text.trimEnd();
            }
            const actions = document.createElement('td');
            actions.className = 'row-actions';
            const name = `库存第 ${index + 1} 行`;
            actions.append(rowButton('修改', `修改${name}`, () => edit(index)),
                           rowButton('删除', `删除${name}`, () => remove(index)));
            tr.append(actions);
            return tr;
        }));
        const exportLink = $('store-export');
        exportLink.href = setUrl('store-export', reply.csv);
        exportLink.download = '库存.csv';
    }

    // The row being changed, when 修改 put it in the boxes.
    let editing = null;
    function stopEditing() {
        editing = null;
        addButton.textContent = '加入库存';
        cancelEdit.hidden = true;
    }
    function edit(index) {
        editing = kept.rows[index];
        for (const field of FIELDS)
            boxes[field].value = editing[field];
        addButton.textContent = `保存修改（第 ${index + 1} 行）`;
        cancelEdit.hidden = false;
        boxes.phi.focus();
    }
    cancelEdit.addEventListener('click', stopEditing);

    // A row typed: taken as the module reads it, or refused with its reason.
    form.addEventListener('submit', async (event) => {
        event.preventDefault();
        const typed = Object.fromEntries(FIELDS.map((field) => [field, boxes[field].value]));
        const reply = await ask({ type: 'store', rows: [typed] });
        if (reply.refused.length > 0) {
            message.textContent = reply.refused[0].text.trimEnd();
            return;
        }
        message.textContent = '';
        const old = editing;
        let at = -1;
        update((store) => {
            at = old ? store.rows.findIndex((row) => same(row, old)) : -1;
            if (at < 0)
                at = store.rows.length;
            store.rows[at] = reply.rows[0];
        });
        status.textContent = old ? `已修改库存第 ${at + 1} 行。` : `已加入库存，第 ${at + 1} 行。`;
        stopEditing();
        for (const field of FIELDS)
            boxes[field].value = field === 'count' ? '1' : '';
    });

    function remove(index) {
        const gone = kept.rows[index];
        update((store) => {
            const at = store.rows.findIndex((row) => same(row, gone));
            if (at >= 0)
                store.rows.splice(at, 1);
        });
        stopEditing();
        status.textContent = `已删除库存第 ${index + 1} 行。`;
    }

    // The whole store replaced by `rows`, the rows before kept for 撤销.
    function replace(rows, said) {
        update((store) => {
            store.undo = store.rows;
            store.rows = rows;
        });
        stopEditing();
        status.textContent = `${said}可按“撤销”恢复原库存。`;
    }
    undoButton.addEventListener('click', () => {
        update((store) => {
            if (store.undo !== null)
                store.rows = store.undo;
            store.undo = null;
        });
        stopEditing();
        status.textContent = '已撤销，库存已恢复为上次更改前的状态。';
    });

    // A store file read in replaces the store, when there is one, once confirmed.
    const importFile = $('store-import-file');
    importFile.addEventListener('change', async () => {
        const file = importFile.files[0];
        importFile.value = '';
        if (!file)
            return;
        status.textContent = `正在读取“${file.name}”……`;
        const reply = await ask({ type: 'store-import', file });
        if (!reply.imported) {
            status.textContent = reply.text;
            return;
        }
        const { rows, text } = reply.imported;
        if (rows.length === 0 || (kept.rows.length > 0 &&
            !window.confirm(`用“${file.name}”中的 ${rows.length} 行替换现有库存的 ${kept.rows.length} 行？`))) {
            status.textContent = text;
            return;
        }
        replace(rows, `${text}。`);
    });

    boxes.grade.append(...TAVRILO.GRADES.map((grade) => new Option(grade, grade)));

    // Another tab's save: shown here.
    window.addEventListener('storage', (event) => {
        if (!saved || (event.key !== STORE_KEY && event.key !== null))
            return;
        const before = kept;
        read();
        if (!same(before, kept)) {
            changed();
            refresh();
        }
    });

    read();
    refresh();

    return {
        rows: () => kept.rows,
        replace,
    };
}
