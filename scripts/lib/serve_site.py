#!/usr/bin/env python3
"""Serves the browser build's site as a web host should: text, JavaScript
and WebAssembly compressed with gzip for a browser that accepts it (the
music is Ogg Vorbis, compressed already), .wasm as application/wasm, and
nothing cached stale after a rebuild. Used by scripts/web and by the
browser tests and benchmark.

    serve_site.py [--port N] [--bind ADDRESS] SITE_DIR

--port 0 picks a free port; the first line printed names the port taken.
"""
import argparse
import functools
import gzip
import http.server
import os
import sys
import threading

# What gzip makes smaller; everything else goes as it is.
COMPRESSED_TYPES = ('text/', 'application/javascript', 'application/wasm', 'application/json',
                    'image/svg+xml')
# Files are read whole; a site file larger than this is not one of ours.
MOST_FILE_BYTES = 64 << 20


class SiteHandler(http.server.SimpleHTTPRequestHandler):
    # Keep-alive: a page's parts come over one connection, as from a web host.
    protocol_version = 'HTTP/1.1'
    extensions_map = {**http.server.SimpleHTTPRequestHandler.extensions_map,
                      '.wasm': 'application/wasm', '.js': 'text/javascript',
                      '.ogg': 'audio/ogg', '.html': 'text/html; charset=utf-8'}
    # path -> (mtime_ns, size, gzip bytes): each file compressed once.
    compressed = {}
    compressed_lock = threading.Lock()

    def send_head(self):
        path = self.translate_path(self.path)
        if os.path.isdir(path) or not os.path.isfile(path):
            return super().send_head()
        kind = self.guess_type(path)
        accepts = self.headers.get('Accept-Encoding', '')
        wants_gzip = any(part.split(';')[0].strip() == 'gzip' for part in accepts.split(','))
        if not (wants_gzip and kind.startswith(COMPRESSED_TYPES)):
            return self.send_plain(path, kind)
        try:
            info = os.stat(path)
            with self.compressed_lock:
                known = self.compressed.get(path)
            if not known or known[:2] != (info.st_mtime_ns, info.st_size):
                if info.st_size > MOST_FILE_BYTES:
                    self.send_error(413, 'File too large')
                    return None
                with open(path, 'rb') as f:
                    body = gzip.compress(f.read(), compresslevel=9, mtime=0)
                known = (info.st_mtime_ns, info.st_size, body)
                with self.compressed_lock:
                    self.compressed[path] = known
        except OSError:
            self.send_error(404, 'File not found')
            return None
        body = known[2]
        self.send_response(200)
        self.send_header('Content-Type', kind)
        self.send_header('Content-Encoding', 'gzip')
        self.send_header('Content-Length', str(len(body)))
        self.send_common_headers()
        self.end_headers()
        return BytesBody(body)

    def send_plain(self, path, kind):
        try:
            f = open(path, 'rb')
        except OSError:
            self.send_error(404, 'File not found')
            return None
        self.send_response(200)
        self.send_header('Content-Type', kind)
        self.send_header('Content-Length', str(os.fstat(f.fileno()).st_size))
        self.send_common_headers()
        self.end_headers()
        return f

    def send_common_headers(self):
        self.send_header('Vary', 'Accept-Encoding')
        # Asked again at each load, so a rebuilt site is never served stale.
        self.send_header('Cache-Control', 'no-cache')


class BytesBody:
    """The file object SimpleHTTPRequestHandler copies from, over bytes."""

    def __init__(self, body):
        self.body = body

    def read(self, size=-1):
        chunk, self.body = (self.body, b'') if size < 0 else (self.body[:size], self.body[size:])
        return chunk

    def close(self):
        self.body = b''


def main():
    parser = argparse.ArgumentParser(prog='serve_site.py', description='Serves the site.')
    parser.add_argument('--port', type=int, default=8000, help='port (0: a free one)')
    parser.add_argument('--bind', default='127.0.0.1', help='address to listen on')
    parser.add_argument('site', help='the site folder (build-web/site)')
    args = parser.parse_args()
    if not 0 <= args.port <= 65535:
        parser.error(f'--port {args.port}: a port is a number from 0 to 65535')
    if not os.path.isfile(os.path.join(args.site, 'index.html')):
        parser.error(f'{args.site}: no index.html there (build the site with scripts/web --build)')
    handler = functools.partial(SiteHandler, directory=args.site)
    try:
        server = http.server.ThreadingHTTPServer((args.bind, args.port), handler)
    except OSError as error:
        print(f'serve_site.py: cannot serve on {args.bind} port {args.port}: {error.strerror}',
              file=sys.stderr)
        return 1
    host, port = server.server_address[:2]
    print(f'Serving {args.site} on http://{host}:{port}/ port {port} (gzip; Ctrl+C stops)',
          flush=True)
    try:
        server.serve_forever()
    except KeyboardInterrupt:
        pass
    return 0


if __name__ == '__main__':
    sys.exit(main())
