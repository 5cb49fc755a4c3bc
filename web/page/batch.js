// The page's batch: a CSV file chosen or dropped runs in a worker of its own,
// with its progress, a cancel and the result's download.

'use strict';

/* exported tavriloBatch */
/* global tavriloStartWorker */

// `compiled`: the promise of the module; `setUrl(key, blob)`: the download's
// object URL, the previous one revoked.
function tavriloBatch(compiled, setUrl) {
    const $ = (id) => document.getElementById(id);
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

    // A result cut short (a cancel, a file that could not be read on) says so in its name.
    function resultName(name, partial) {
        return `${name.replace(/\.[^.]*$/, '')}-结果${partial ? '-未完成' : ''}.csv`;
    }

    // The first of the files given; of more than one, the page says that the
    // others are not run.
    async function startBatch(file, others = 0) {
        if (!file)
            return;
        if (worker)
            worker.terminate();
        $('batch-run').hidden = false;
        $('batch-name').textContent = others > 0
            ? `${file.name}（一次只计算一个文件，另外 ${others} 个文件未计算）` : file.name;
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
                batchDownload.download = resultName(file.name, reply.partial === true);
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
        const { files } = event.dataTransfer;
        startBatch(files[0], files.length - 1);
    });
    // A file dropped anywhere else would open in place of the page.
    ['dragover', 'drop'].forEach((type) => window.addEventListener(type, (event) => {
        if (!drop.contains(event.target))
            event.preventDefault();
    }));
}
