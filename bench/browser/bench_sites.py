"""The static sites the browser bench loads: one documentation-like page per site, each site on its
own loopback address, with a stylesheet, three scripts, four images and a beacon that reports
onload and the frame two animation frames later back to the harness."""

import http.server
import struct
import threading
import time
import urllib.parse
import zlib

BEACON_SCRIPT = """
addEventListener('load', () => {
  const send = ev => fetch('/beacon?ev=' + ev, {cache: 'no-store', keepalive: true}).catch(() => {});
  send('onload');
  requestAnimationFrame(() => requestAnimationFrame(() => send('frame')));
});
"""

STYLE = """
body { font: 16px/1.5 sans-serif; margin: 0 auto; max-width: 56em; padding: 1em 2em; color: #222; }
nav { display: flex; gap: 1em; border-bottom: 1px solid #ccc; padding: .5em 0; }
h1, h2 { font-weight: 600; } h2 { border-bottom: 1px solid #eee; }
pre { background: #f4f4f4; padding: .75em; overflow: auto; border-radius: 4px; }
table { border-collapse: collapse; } td, th { border: 1px solid #ddd; padding: .25em .5em; }
.figure { display: grid; grid-template-columns: repeat(2, 1fr); gap: 1em; }
.figure img { width: 100%; height: auto; border-radius: 6px; }
.toc li:hover { background: #eef; transition: background .2s; }
"""

SCRIPTS = [
    # A table of contents built from the headings, as documentation sites do.
    """document.addEventListener('DOMContentLoaded', () => {
  const list = document.createElement('ul'); list.className = 'toc';
  for (const h of document.querySelectorAll('h2')) {
    const li = document.createElement('li'); li.textContent = h.textContent; list.appendChild(li);
  }
  document.querySelector('nav').after(list);
});""",
    # Syntax colouring of the code blocks.
    """document.addEventListener('DOMContentLoaded', () => {
  for (const pre of document.querySelectorAll('pre')) {
    pre.innerHTML = pre.textContent.replace(/\\b(const|let|return|function|if|for)\\b/g,
                                            '<b>$1</b>');
  }
});""",
    # A search index of the page's words.
    """window.searchIndex = (() => {
  const index = new Map();
  for (const word of document.documentElement.textContent.split(/\\W+/)) {
    if (word.length > 3) index.set(word.toLowerCase(), (index.get(word.toLowerCase()) || 0) + 1);
  }
  return index;
})();""",
]

WORDS = ("request response buffer thread window handler config process memory render layout "
         "session cookie cache network stream parser token frame socket module option value "
         "client server index record field object method string number return").split()


def png(width, height, seed):
    """A small gradient image, different for every seed."""
    rows = bytearray()
    for y in range(height):
        rows.append(0)
        for x in range(width):
            rows += bytes(((x * 3 + seed * 40) % 256, (y * 2 + seed * 17) % 256,
                           ((x ^ y) + seed * 90) % 256))

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body))

    header = struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) +
            chunk(b"IDAT", zlib.compress(bytes(rows), 6)) + chunk(b"IEND", b""))


def paragraph(seed, count):
    return " ".join(WORDS[(seed * 7 + i * 13) % len(WORDS)] for i in range(count)).capitalize()


def page(site):
    sections = []
    for s in range(12):
        seed = site * 31 + s
        sections.append(f"<h2>Section {s + 1}: {WORDS[seed % len(WORDS)]}</h2>"
                        f"<p>{paragraph(seed, 90)}.</p><p>{paragraph(seed + 5, 60)}.</p>"
                        f"<pre>const {WORDS[seed % 9]} = open({s});\nfor (let i = 0; i &lt; {s};"
                        f" i++) {{ {WORDS[(seed + 1) % 9]}(i); }}\nreturn {WORDS[seed % 9]};</pre>")
        if s % 4 == 1:
            rows = "".join(f"<tr><td>{WORDS[(seed + r) % len(WORDS)]}</td><td>{r * s}</td></tr>"
                           for r in range(8))
            sections.append(f"<table><tr><th>name</th><th>value</th></tr>{rows}</table>")
    figures = "".join(f'<img src="/img{i}.png" alt="figure {i}" width="320" height="200">'
                      for i in range(4))
    scripts = "".join(f'<script src="/app{i}.js"></script>' for i in range(len(SCRIPTS)))
    return (f"<!DOCTYPE html><html lang=en><head><meta charset=utf-8>"
            f"<title>Site {site} documentation</title>"
            f'<link rel="stylesheet" href="/style.css">{scripts}'
            f"<script>{BEACON_SCRIPT}</script></head><body>"
            f"<nav><a href=/>Home</a><a href=/guide>Guide</a><a href=/api>API</a></nav>"
            f"<h1>Site {site} documentation</h1><div class=figure>{figures}</div>"
            f"{''.join(sections)}</body></html>").encode()


def site_files(site):
    files = {"/": ("text/html; charset=utf-8", page(site)),
             "/style.css": ("text/css", STYLE.encode())}
    for i, script in enumerate(SCRIPTS):
        files[f"/app{i}.js"] = ("text/javascript", script.encode())
    for i in range(4):
        files[f"/img{i}.png"] = ("image/png", png(320, 200, site * 4 + i))
    return files


class Beacons:
    """Beacons received during one launch: (event, site, monotonic seconds)."""

    def __init__(self):
        self.cond = threading.Condition()
        self.events = []

    def reset(self):
        with self.cond:
            self.events = []

    def add(self, event, site):
        with self.cond:
            self.events.append((event, site, time.monotonic()))
            self.cond.notify_all()

    def first(self, event, site=None):
        for kind, from_site, when in self.events:
            if kind == event and (site is None or from_site == site):
                return from_site, when
        return None

    def wait_for(self, predicate, timeout):
        with self.cond:
            return self.cond.wait_for(lambda: predicate(self), timeout)

    def last_time(self):
        with self.cond:
            return self.events[-1][2] if self.events else None

    def sites_with(self, event):
        with self.cond:
            return {site for kind, site, _ in self.events if kind == event}


class SiteHandler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"

    def do_GET(self):
        server = self.server
        path = urllib.parse.urlsplit(self.path)
        if path.path == "/beacon":
            event = urllib.parse.parse_qs(path.query).get("ev", [""])[0]
            server.beacons.add(event, server.site)
            self.reply("text/plain", b"ok", "no-store")
            return
        content_type, body = server.files.get(path.path, server.files["/"])
        self.reply(content_type, body, "max-age=3600")

    def reply(self, content_type, body, cache):
        self.send_response(200)
        self.send_header("Content-Type", content_type)
        self.send_header("Content-Length", str(len(body)))
        self.send_header("Cache-Control", cache)
        self.end_headers()
        self.wfile.write(body)

    def log_message(self, *args):
        pass


class SiteServer(http.server.ThreadingHTTPServer):
    daemon_threads = True

    def handle_error(self, request, client_address):
        pass  # a browser that quits mid-request resets its connections


class Sites:
    """count sites, site i at http://127.0.0.(i + 2):port/, served until close()."""

    def __init__(self, count, beacons, port=0):
        self.servers = []
        for site in range(count):
            server = SiteServer((f"127.0.0.{site + 2}", port), SiteHandler)
            server.site, server.files, server.beacons = site, site_files(site), beacons
            port = server.server_address[1]
            threading.Thread(target=server.serve_forever, daemon=True).start()
            self.servers.append(server)
        self.port = port

    def urls(self, count):
        return [f"http://127.0.0.{site + 2}:{self.port}/" for site in range(count)]

    def close(self):
        for server in self.servers:
            server.shutdown()
            server.server_close()
