// The page's details of a mesh: the breakdown, the weight, the cut list, the
// drawing, the downloads and the printed sheet. They come computed from the
// mesh worker; this only puts them in place.
//
// A long cut list shows its first rows at once and the rest when asked for
// (and before printing: the sheet carries every row); a drawing with
// thousands of bars is shown on a canvas, the download is tavrilo-calc's own.

'use strict';

/* exported tavriloDetails */

function tavriloDetails() {
    const $ = (id) => document.getElementById(id);
    const details = $('details');
    const body = $('details-body');
    const table = $('cut-table');
    const more = $('cut-more');
    const ROWS_AT_ONCE = 100;
    const ROWS_A_STEP = 500;

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

    function link(id, blob, name) {
        const a = $(id);
        a.href = setUrl(id, blob);
        a.download = name;
    }

    function row(fields, isTotals) {
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
    }

    // The lines of the cut list (the first ones, until the rest are asked
    // for), how many there are and how many are shown.
    let lines = [];
    let rest = null;
    let count = 0;
    let shown = 0;
    let stepping = null;

    function showLines(howMany) {
        if (shown + howMany > lines.length && rest !== null) {
            lines = lines.concat(JSON.parse(rest));
            rest = null;
        }
        const end = Math.min(lines.length, shown + howMany);
        const rows = document.createDocumentFragment();
        for (let i = shown; i < end; ++i)
            rows.append(row(lines[i], false));
        table.tBodies[0].insertBefore(rows, table.tBodies[0].querySelector('tr.totals'));
        shown = end;
        more.hidden = shown === count;
        more.textContent = `显示全部 ${count} 行（已显示 ${shown} 行）`;
    }

    function stopStepping() {
        clearTimeout(stepping);
        stepping = null;
    }

    // The cut list's table from the module's cells: the header, the lines
    // and the totals rows (their label a row heading). The worker sends the
    // first lines, and the rest as JSON text.
    function fillTable(cells) {
        stopStepping();
        const head = document.createElement('tr');
        cells.header.forEach((label) => {
            const th = document.createElement('th');
            th.scope = 'col';
            th.textContent = label;
            head.append(th);
        });
        table.tHead.replaceChildren(head);
        table.tBodies[0].replaceChildren(...cells.totals.map((fields) => row(fields, true)));
        lines = cells.lines;
        rest = cells.rest;
        count = cells.count;
        shown = 0;
        showLines(ROWS_AT_ONCE);
    }

    // Bars along the axes (x1 y1 x2 y2 each, in the drawing's units) drawn at
    // `scale` canvas pixels a unit. So many overlap in each pixel's row or
    // column that they are drawn as what they cover there: for each one, the
    // span from the farthest end on one side to the farthest on the other.
    function fillBars(context, ends, width, scale) {
        const vertical = ends.length >= 4 && ends[0] === ends[2];
        const size = vertical ? context.canvas.width : context.canvas.height;
        const low = new Float64Array(size).fill(Infinity);
        const high = new Float64Array(size).fill(-Infinity);
        for (let i = 0; i < ends.length; i += 4) {
            const across = vertical ? ends[i] : ends[i + 1];
            const from = vertical ? Math.min(ends[i + 1], ends[i + 3]) : Math.min(ends[i], ends[i + 2]);
            const to = vertical ? Math.max(ends[i + 1], ends[i + 3]) : Math.max(ends[i], ends[i + 2]);
            const first = Math.max(0, Math.floor((across - width / 2) * scale));
            const last = Math.min(size, Math.ceil((across + width / 2) * scale));
            for (let pixel = first; pixel < last; ++pixel) {
                low[pixel] = Math.min(low[pixel], from * scale);
                high[pixel] = Math.max(high[pixel], to * scale);
            }
        }
        context.setTransform(1, 0, 0, 1, 0, 0);
        for (let pixel = 0; pixel < size; ++pixel) {
            if (high[pixel] <= low[pixel])
                continue;
            if (vertical)
                context.fillRect(pixel, low[pixel], 1, high[pixel] - low[pixel]);
            else
                context.fillRect(low[pixel], pixel, high[pixel] - low[pixel], 1);
        }
    }

    // The drawing as an image, or, with thousands of bars, on a canvas: the
    // bars from their ends, then the rest of the drawing over them.
    let drawings = 0;
    function showDrawing(screen) {
        const image = $('drawing');
        const canvas = $('drawing-canvas');
        image.hidden = !screen.image;
        canvas.hidden = !!screen.image;
        delete canvas.dataset.drawn;
        if (screen.image) {
            ++drawings;
            image.src = setUrl('drawing', screen.image);
            return;
        }
        image.removeAttribute('src');
        // Drawn in a task of its own, after the tables are laid out, so that
        // neither waits on the other; a newer drawing stops this one.
        const token = ++drawings;
        setTimeout(() => {
            if (token === drawings)
                drawCanvas(canvas, screen);
        }, 0);
    }

    function drawCanvas(canvas, screen) {
        const scale = Math.min(2, window.devicePixelRatio || 1);
        canvas.width = Math.round(screen.width * scale);
        canvas.height = Math.round(screen.height * scale);
        const context = canvas.getContext('2d');
        context.setTransform(scale, 0, 0, scale, 0, 0);
        context.fillStyle = '#ffffff';
        context.fillRect(0, 0, screen.width, screen.height);
        for (const { stroke, width, ends } of screen.directions) {
            context.fillStyle = stroke;
            fillBars(context, ends, width, scale);
        }
        context.setTransform(scale, 0, 0, scale, 0, 0);
        const overlay = new Image();
        overlay.onload = () => {
            context.drawImage(overlay, 0, 0, screen.width, screen.height);
            canvas.dataset.drawn = 'true';
        };
        overlay.src = setUrl('drawing', screen.overlay);
    }

    more.addEventListener('click', () => {
        more.disabled = true;
        const step = () => {
            showLines(ROWS_A_STEP);
            stepping = shown < count ? setTimeout(step, 0) : null;
            more.disabled = stepping !== null;
        };
        step();
    });
    $('print').addEventListener('click', () => window.print());
    window.addEventListener('beforeprint', () => {
        stopStepping();
        showLines(Infinity);
        document.querySelectorAll('.print-date').forEach((date) => {
            date.textContent = new Date().toLocaleDateString('zh-CN');
        });
    });

    return {
        clear() {
            details.hidden = true;
            stopStepping();
        },

        // The total stands; what it cannot be cut or weighed into is said here.
        refuse(text) {
            details.hidden = false;
            $('details-message').textContent = text;
            body.hidden = true;
        },

        show(reply) {
            details.hidden = false;
            $('details-message').textContent = '';
            body.hidden = false;
            $('breakdown').textContent = reply.breakdown;
            $('weight').textContent = reply.weight;
            $('cut-heading').textContent = reply.cutHeading;
            $('cut-comparison').textContent = reply.cutComparison;
            fillTable(reply.table);
            showDrawing(reply.screen);
            link('download-svg', reply.svg, 'tavrilo-网片图.svg');
            link('download-csv', reply.csv, 'tavrilo-下料单.csv');
            link('download-json', reply.json, 'tavrilo-结果.json');
        },

        setUrl,
    };
}
