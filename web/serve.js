// A static web server for the browser build's site, on 127.0.0.1 only: `node web/serve.js DIR
// [PORT]` (make run-web). PORT 0 takes a free one; the address is printed. Files go gzipped to a
// browser that takes it, and each with an ETag, so that a browser keeps what it fetched (the
// shared fonts/) and only asks whether it changed.
'use strict';
const http = require('http');
const fs = require('fs');
const path = require('path');
const zlib = require('zlib');

const root = path.resolve(process.argv[2] || '.');
const port = Number(process.argv[3] || 8000);
const types = {
  '.html': 'text/html; charset=utf-8', '.js': 'text/javascript', '.wasm': 'application/wasm',
  '.data': 'application/octet-stream', '.png': 'image/png', '.txt': 'text/plain; charset=utf-8',
  '.scr': 'text/plain; charset=utf-8', '.ttf': 'font/ttf',
};

const server = http.createServer((request, response) => {
  let name;
  try {
    name = decodeURIComponent(new URL(request.url, 'http://127.0.0.1').pathname);
  } catch (e) {
    response.writeHead(400).end();
    return;
  }
  if (name.endsWith('/')) name += 'index.html';
  const file = path.join(root, path.normalize(name));
  // Nothing outside the site is served.
  if (file !== root && !file.startsWith(root + path.sep)) {
    response.writeHead(403).end();
    return;
  }
  fs.readFile(file, (error, bytes) => {
    if (error) {
      response.writeHead(404, {'Content-Type': 'text/plain'}).end('not found\n');
      return;
    }
    let stat;
    try {
      stat = fs.statSync(file);
    } catch (e) {
      response.writeHead(404, {'Content-Type': 'text/plain'}).end('not found\n');
      return;
    }
    const tag = `"${stat.size.toString(16)}-${Math.floor(stat.mtimeMs).toString(16)}"`;
    const headers = {
      'Content-Type': types[path.extname(file)] || 'application/octet-stream',
      'Cache-Control': 'no-cache', 'ETag': tag, 'Vary': 'Accept-Encoding',
    };
    if (request.headers['if-none-match'] === tag) {
      response.writeHead(304, headers).end();
      return;
    }
    if (/\bgzip\b/.test(request.headers['accept-encoding'] || '') && path.extname(file) !== '.png') {
      bytes = zlib.gzipSync(bytes);
      headers['Content-Encoding'] = 'gzip';
    }
    response.writeHead(200, headers);
    response.end(bytes);
  });
});
server.listen(port, '127.0.0.1', () => {
  console.log(`Serving ${root} at http://127.0.0.1:${server.address().port}/ (Ctrl+C ends it)`);
});
