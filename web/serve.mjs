// A small static web server for the page's site: the files of one folder on
// 127.0.0.1, compressed when the browser accepts it. It prints its address
// (http://127.0.0.1:PORT/) on the first line of its output and serves until
// stopped.
//
//   node serve.mjs FOLDER [PORT]     (PORT 0 or none: any free port)

import { createServer } from 'node:http';
import { readFile } from 'node:fs/promises';
import path from 'node:path';
import { gzipSync } from 'node:zlib';

const [root, portText = '0'] = process.argv.slice(2);
if (!root) {
    console.error('usage: node serve.mjs FOLDER [PORT]');
    process.exit(64);
}
const folder = path.resolve(root);
const types = {
    '.html': 'text/html; charset=utf-8',
    '.js': 'text/javascript; charset=utf-8',
    '.css': 'text/css; charset=utf-8',
    '.wasm': 'application/wasm',
    '.webmanifest': 'application/manifest+json; charset=utf-8',
    '.png': 'image/png',
    '.svg': 'image/svg+xml',
    '.json': 'application/json; charset=utf-8',
};

const server = createServer(async (request, response) => {
    const url = new URL(request.url, 'http://localhost');
    let name = decodeURIComponent(url.pathname);
    if (name.endsWith('/'))
        name += 'index.html';
    const file = path.join(folder, path.normalize(name));
    if (!file.startsWith(folder + path.sep) || (request.method !== 'GET' && request.method !== 'HEAD')) {
        response.writeHead(404).end();
        return;
    }
    let body;
    try {
        body = await readFile(file);
    } catch {
        response.writeHead(404, { 'Content-Type': 'text/plain; charset=utf-8' }).end('not found');
        return;
    }
    const headers = {
        'Content-Type': types[path.extname(file)] ?? 'application/octet-stream',
        'Cache-Control': 'no-cache',
        'X-Content-Type-Options': 'nosniff',
    };
    if (/\bgzip\b/.test(request.headers['accept-encoding'] ?? '') && !file.endsWith('.png')) {
        body = gzipSync(body);
        headers['Content-Encoding'] = 'gzip';
    }
    headers['Content-Length'] = body.length;
    response.writeHead(200, headers);
    response.end(request.method === 'HEAD' ? undefined : body);
});
server.listen(Number(portText), '127.0.0.1', () => {
    console.log(`http://127.0.0.1:${server.address().port}/`);
});
for (const signal of ['SIGINT', 'SIGTERM'])
    process.on(signal, () => server.close(() => process.exit(0)));
