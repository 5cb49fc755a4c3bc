// The page: the window's form (the three values, the arrangement, 计算结果
// and 清除所有) with the cut list, weight and drawing, downloads, a link per
// mesh in the address, printing, and the batch in a worker. Every number and
// message shown comes from the module; this script only moves texts between
// it and the page.
//
// The loader before this script defines tavriloLoadModule() (a promise of the
// compiled WebAssembly.Module) and tavriloStartWorker() (the batch worker).

'use strict';

/* global TAVRILO, TavriloModule, tavriloLoadModule, tavriloStartWorker */

(() => {
    const $ = (id) => document.getElementById(id);
    const form = $('mesh-form');
    const boxes = [$('D'), $('phi'), $('d')];
    const radios = [...form.querySelectorAll('input[name="a"]')];
    const total = $('total');
    const message = $('message');
    const details = $('details');

    const { BREAKDOWN, CUT_LIST, WEIGHT, DRAWING, JSON: JSON_DOCUMENT, CUT_LIST_CSV } = TAVRILO.EXTRA;
    const ALL_EXTRAS = BREAKDOWN | CUT_LIST | WEIGHT | DRAWING | JSON_DOCUMENT | CUT_LIST_CSV;

    const compiled = tavriloLoadModule();
    const calculator = compiled.then((module) => TavriloModule.instantiate(module));
    // The page's own failure to start (no WebAssembly): said once, in the message area.
    calculator.catch((error) => {
        message.textContent = `无法加载计算模块：${error}`;
    });

    // Object URLs of the current downloads, revoked when replaced.
    const urls = new Map();
    function setUrl(key, blob) {
        if (urls.has(key))
            URL.revokeObjectURL(urls.get(key));
        const url = blob ? URL.createObjectURL(blob) : null;
        if (url)
            urls.set(key, url);
        else
            urls.delete(key);
        return url;
    }

    function arrangement() {
        const chosen = radios.find((radio) => radio.checked);
        return chosen ? Number(chosen.value) : 0;
    }

    function clearResult() {
        total.value = '';
        message.textContent = '';
        details.hidden = true;
    }

    // The mesh in the address: #D=1.3&phi=0.0065&d=0.1&a=2 (no a: none chosen).
    function writeLink() {
        const params = new URLSearchParams();
        ['D', 'phi', 'd'].forEach((key, i) => params.set(key, boxes[i].value));
        const a = arrangement();
        if (a !== 0)
            params.set('a', String(a));
        history.replaceState(null, '', `#${params}`);
    }

    // A link's values go into the boxes as typed; false when it names no mesh.
    function readLink() {
        const params = new URLSearchParams(location.hash.slice(1));
        const keys = ['D', 'phi', 'd'];
        if (!keys.some((key) => params.has(key)) && !params.has('a'))
            return false;
        keys.forEach((key, i) => { boxes[i].value = params.get(key) ?? ''; });
        radios.forEach((radio) => { radio.checked = radio.value === params.get('a'); });
        return true;
    }

    // The cut list's table from the module's cells: the header, the lines
    // and the totals rows (their label a row heading).
    function fillTable({ header, lines, totals }) {
        const table = $('cut-table');
        const head = document.createElement('tr');
        header.forEach((label) => {
            const th = document.createElement('th');
            th.scope = 'col';
            th.textContent = label;
            head.append(th);
        });
        table.tHead.replaceChildren(head);
        const row = (fields, isTotals) => {
            const tr = document.createElement('tr');
            tr.className = isTotals ? 'totals' : '';
            fields.forEach((text, i) => {
                const cell = document.createElement(isTotals && i === 0 ? 'th' : 'td');
                if (isTotals && i === 0)
                    cell.scope = 'row';
                cell.textContent = text;
                tr.append(cell);
            });
            return tr;
        };
        table.tBodies[0].replaceChildren(...lines.map((fields) => row(fields, false)),
                                         ...totals.map((fields) => row(fields, true)));
    }

    function link(id, blob, name) {
        const a = $(id);
        a.href = setUrl(id, blob);
        a.download = name;
    }

    function showDetails(calc, values, layout) {
        details.hidden = false;
        const status = calc.mesh(...values, layout, ALL_EXTRAS);
        const body = $('details-body');
        if (status !== TAVRILO.OUTCOME.ANSWERED) {
            // The total stands; what it cannot be cut or weighed into is said here.
            $('details-message').textContent = calc.part(TAVRILO.PART.PRINTED).trimEnd();
            body.hidden = true;
            return;
        }
        $('details-message').textContent = '';
        body.hidden = false;
        $('breakdown').textContent = calc.part(TAVRILO.PART.BREAKDOWN_TEXT);
        $('weight').textContent = calc.part(TAVRILO.PART.WEIGHT_TEXT);
        $('cut-heading').textContent = calc.part(TAVRILO.PART.CUT_HEADING);
        $('cut-comparison').textContent = calc.part(TAVRILO.PART.CUT_COMPARISON);
        fillTable(JSON.parse(calc.part(TAVRILO.PART.CUT_TABLE)));
        const svg = new Blob([calc.partBytes(TAVRILO.PART.SVG)], { type: 'image/svg+xml' });
        $('drawing').src = setUrl('drawing', svg);
        link('download-svg', svg, 'tavrilo-网片图.svg');
        link('download-csv', new Blob([calc.partBytes(TAVRILO.PART.CUT_CSV)],
                                      { type: 'text/csv;charset=utf-8' }), 'tavrilo-下料单.csv');
        link('download-json', new Blob([calc.partBytes(TAVRILO.PART.JSON_TEXT)],
                                       { type: 'application/json' }), 'tavrilo-结果.json');
    }

    // What the printed sheet says of the mesh: the boxes' labels and texts as
    // typed, and the arrangement.
    function notePrintedValues() {
        const parts = boxes.map((box) => {
            const label = form.querySelector(`label[for="${box.id}"]`).textContent;
            const unit = box.parentElement.querySelector('.unit').textContent;
            return `${label}${box.value} ${unit}`;
        });
        const chosen = radios.find((radio) => radio.checked);
        if (chosen)
            parts.push(chosen.parentElement.textContent.trim());
        $('print-values').textContent = parts.join('　');
    }

    // Calculate, as the window's command: the result cleared, then the values
    // read, refused or answered.
    async function calculate() {
        clearResult();
        const calc = await calculator;
        const values = boxes.map((box) => box.value);
        const layout = arrangement();
        writeLink();
        const status = calc.mesh(...values, layout, 0);
        if (status !== TAVRILO.OUTCOME.ANSWERED) {
            message.textContent = calc.part(TAVRILO.PART.PRINTED).trimEnd();
            return;
        }
        total.value = calc.part(TAVRILO.PART.TOTAL);
        notePrintedValues();
        showDetails(calc, values, layout);
    }

    form.addEventListener('submit', (event) => {
        event.preventDefault();
        calculate();
    });
    $('clear').addEventListener('click', () => {
        boxes.forEach((box) => { box.value = ''; });
        clearResult();
        history.replaceState(null, '', location.pathname + location.search);
    });
    $('print').addEventListener('click', () => window.print());
    window.addEventListener('beforeprint', () => {
        $('print-date').textContent = new Date().toLocaleDateString('zh-CN');
    });
    window.addEventListener('hashchange', () => {
        if (readLink())
            calculate();
    });
    if (readLink())
        calculate();

    // The batch.
    const batchFile = $('batch-file');
    const drop = $('drop');
    const progress = $('batch-progress');
    const batchStatus = $('batch-status');
    const cancel = $('batch-cancel');
    const batchDownload = $('batch-download');
    let worker = null;
    // A worker with the module instantiated, ready for the next batch: made
    // once the module is compiled, and again after each batch.
    let spare = null;
    function prepareSpare() {
        compiled.then((module) => {
            if (spare)
                return;
            spare = tavriloStartWorker();
            spare.postMessage({ type: 'prepare', module });
        }, () => {});
    }
    prepareSpare();

    function resultName(name) {
        return `${name.replace(/\.[^.]*$/, '')}-结果.csv`;
    }

    async function startBatch(file) {
        if (!file)
            return;
        if (worker)
            worker.terminate();
        $('batch-run').hidden = false;
        $('batch-name').textContent = file.name;
        progress.max = Math.max(file.size, 1);
        progress.value = 0;
        batchStatus.textContent = '';
        batchDownload.hidden = true;
        cancel.hidden = false;
        cancel.disabled = false;
        const module = await compiled;
        const current = spare ?? tavriloStartWorker();
        spare = null;
        worker = current;
        current.onmessage = (event) => {
            const reply = event.data;
            if (reply.type === 'progress') {
                progress.value = reply.bytes;
                batchStatus.textContent = reply.text;
                return;
            }
            cancel.hidden = true;
            batchStatus.textContent = reply.text;
            if (reply.ok)
                progress.value = progress.max;
            if (reply.result) {
                batchDownload.href = setUrl('batch', reply.result);
                batchDownload.download = resultName(file.name);
                batchDownload.hidden = false;
            }
            current.terminate();
            if (worker === current)
                worker = null;
            prepareSpare();
        };
        current.postMessage({ type: 'start', module, file });
    }

    batchFile.addEventListener('change', () => {
        startBatch(batchFile.files[0]);
        batchFile.value = '';
    });
    cancel.addEventListener('click', () => {
        if (worker) {
            worker.postMessage({ type: 'cancel' });
            cancel.disabled = true;
        }
    });
    ['dragenter', 'dragover'].forEach((type) => drop.addEventListener(type, (event) => {
        event.preventDefault();
        drop.classList.add('over');
    }));
    ['dragleave', 'drop'].forEach((type) => drop.addEventListener(type, () => {
        drop.classList.remove('over');
    }));
    drop.addEventListener('drop', (event) => {
        event.preventDefault();
        startBatch(event.dataTransfer.files[0]);
    });
    // A file dropped anywhere else would open in place of the page.
    ['dragover', 'drop'].forEach((type) => window.addEventListener(type, (event) => {
        if (!drop.contains(event.target))
            event.preventDefault();
    }));
})();
