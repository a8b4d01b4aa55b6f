"""Serves a folder over HTTP on 127.0.0.1, on a free port, from a background thread.

    with serve("build-web/out") as url:      # url is "http://127.0.0.1:PORT/"
        browser.navigate(url + "vornex.html")
"""

import contextlib
import functools
import http.server
import threading

# The types the browser build's files need; WebAssembly.instantiateStreaming refuses a
# .wasm served as anything but application/wasm.
TYPES = {
    ".html": "text/html",
    ".js": "text/javascript",
    ".mjs": "text/javascript",
    ".wasm": "application/wasm",
    ".data": "application/octet-stream",
    ".json": "application/json",
    ".png": "image/png",
}


class QuietHandler(http.server.SimpleHTTPRequestHandler):
    extensions_map = {**http.server.SimpleHTTPRequestHandler.extensions_map, **TYPES}
    isolated = False

    def end_headers(self):
        # Every load reads the files as they are now, not as an earlier test saw them.
        self.send_header("Cache-Control", "no-store")
        if self.isolated:
            # What a page needs for SharedArrayBuffer (threads in WebAssembly).
            self.send_header("Cross-Origin-Opener-Policy", "same-origin")
            self.send_header("Cross-Origin-Embedder-Policy", "require-corp")
        super().end_headers()

    def log_message(self, *args):
        pass


@contextlib.contextmanager
def serve(directory, isolated=False):
    """Yields the base URL of directory served on 127.0.0.1; stops serving on exit."""
    handler = type("Handler", (QuietHandler,), {"isolated": isolated})
    server = http.server.ThreadingHTTPServer(
        ("127.0.0.1", 0), functools.partial(handler, directory=str(directory)))
    server.daemon_threads = True
    thread = threading.Thread(target=server.serve_forever, daemon=True)
    thread.start()
    try:
        yield f"http://127.0.0.1:{server.server_address[1]}/"
    finally:
        server.shutdown()
        server.server_close()
        thread.join(timeout=5)
