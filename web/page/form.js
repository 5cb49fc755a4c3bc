// The page: the window's form (the three values, the arrangement, 计算结果
// and 清除所有), a link per mesh in the address, and, beside it, the details
// (details.js) and the batch (batch.js). Every number and message shown comes
// from the module, run in a worker so that no mesh, however large, holds up
// the page; this script only moves texts between it and the page.
//
// The loader before this script defines tavriloLoadModule() (a promise of the
// compiled WebAssembly.Module) and tavriloStartWorker() (a worker with the
// module's glue, worker.js).

'use strict';

/* global TAVRILO, tavriloBatch, tavriloDetails, tavriloLoadModule, tavriloSite, tavriloStartWorker */

(() => {
    const $ = (id) => document.getElementById(id);
    const form = $('mesh-form');
    const boxes = [$('D'), $('phi'), $('d')];
    const radios = [...form.querySelectorAll('input[name="a"]')];
    const total = $('total');
    const message = $('message');
    const readNote = $('read-note');
    const details = tavriloDetails();

    const { BREAKDOWN, CUT_LIST, WEIGHT, DRAWING, JSON: JSON_DOCUMENT, CUT_LIST_CSV } = TAVRILO.EXTRA;
    const ALL_EXTRAS = BREAKDOWN | CUT_LIST | WEIGHT | DRAWING | JSON_DOCUMENT | CUT_LIST_CSV;

    const compiled = tavriloLoadModule();
    // The page's own failure to start (no WebAssembly): said once, in the message area.
    compiled.catch((error) => {
        message.textContent = `无法加载计算模块：${error}`;
    });

    function arrangement() {
        const chosen = radios.find((radio) => radio.checked);
        return chosen ? Number(chosen.value) : 0;
    }

    // The calculation asked for last: an answer to an earlier one, or to one
    // cleared, is dropped. The mesh it was asked for, once answered, is the
    // one 加入工程 adds to the site.
    let asked = 0;
    let askedMesh = null;
    let answeredMesh = null;
    let site = null;

    function clearResult() {
        ++asked;
        answeredMesh = null;
        site?.answered(false);
        total.value = '';
        message.textContent = '';
        readNote.textContent = '';
        details.clear();
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

    // What the printed sheet says of the mesh: the boxes' labels with the
    // values the total was computed from, and the arrangement; beside the
    // total, what was read where it is not the text typed.
    function noteValues(read) {
        const parts = boxes.map((box, i) =>
            `${form.querySelector(`label[for="${box.id}"]`).textContent}${read.values[i]}`);
        const chosen = radios.find((radio) => radio.checked);
        if (chosen)
            parts.push(chosen.parentElement.textContent.trim());
        $('print-values').textContent = parts.join('　');
        readNote.textContent = read.notes.join('；');
    }

    // The worker that answers meshes: the total first, then the details.
    let meshWorker = null;
    function answerer() {
        if (meshWorker)
            return meshWorker;
        meshWorker = tavriloStartWorker();
        meshWorker.onmessage = (event) => {
            const reply = event.data;
            if (reply.id !== asked)
                return;
            if (reply.type === 'mesh-total') {
                if (reply.status !== TAVRILO.OUTCOME.ANSWERED) {
                    message.textContent = reply.text.trimEnd();
                    return;
                }
                total.value = reply.total;
                noteValues(reply.read);
                answeredMesh = askedMesh;
                site?.answered(true);
            } else if (reply.status !== TAVRILO.OUTCOME.ANSWERED) {
                details.refuse(reply.text.trimEnd());
            } else {
                details.show(reply);
            }
        };
        return meshWorker;
    }

    // Calculate, as the window's command: the result cleared, then the values
    // read, refused or answered.
    async function calculate() {
        clearResult();
        const id = asked;
        const values = boxes.map((box) => box.value);
        const layout = arrangement();
        askedMesh = { values, layout };
        writeLink();
        const module = await compiled;
        answerer().postMessage({ type: 'mesh', id, module, values, layout, extras: ALL_EXTRAS });
    }

    // What is typed goes into the address as it is typed, so that a reload
    // (a phone that dropped the page in the background) loses nothing.
    form.addEventListener('input', writeLink);
    form.addEventListener('submit', (event) => {
        event.preventDefault();
        calculate();
    });
    $('clear').addEventListener('click', () => {
        boxes.forEach((box) => { box.value = ''; });
        clearResult();
        history.replaceState(null, '', location.pathname + location.search);
    });
    window.addEventListener('hashchange', () => {
        if (readLink())
            calculate();
    });
    if (readLink())
        calculate();

    site = tavriloSite(compiled, {
        lastMesh: () => answeredMesh,
        fill(values, layout) {
            boxes.forEach((box, i) => { box.value = values[i]; });
            radios.forEach((radio) => { radio.checked = Number(radio.value) === layout; });
            calculate();
        },
    }, details.setUrl);
    tavriloBatch(compiled, details.setUrl);
})();
