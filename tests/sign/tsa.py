#!/usr/bin/env python3
"""tsa.py DIR PORTFILE: an RFC 3161 time-stamp server for the signing tests,
on 127.0.0.1 at a free port (written to PORTFILE), that answers each query
with `openssl ts -reply` and the key, certificate and configuration in DIR
(tsa.key, tsa.pem, ca.pem, tsa.cnf). It ends by itself after 120 seconds."""
import http.server, os, subprocess, sys, tempfile, threading

DIR, PORTFILE = sys.argv[1:3]

class Handler(http.server.BaseHTTPRequestHandler):
    def do_POST(self):
        query = self.rfile.read(int(self.headers.get("Content-Length", 0)))
        with tempfile.TemporaryDirectory() as t:
            q, r = os.path.join(t, "q"), os.path.join(t, "r")
            open(q, "wb").write(query)
            ok = subprocess.run(["openssl", "ts", "-reply", "-config", "tsa.cnf", "-queryfile", q,
                                 "-inkey", "tsa.key", "-signer", "tsa.pem", "-chain", "ca.pem", "-out", r],
                                cwd=DIR, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL).returncode == 0
            reply = open(r, "rb").read() if ok else b""
        self.send_response(200 if ok else 500)
        self.send_header("Content-Type", "application/timestamp-reply")
        self.send_header("Content-Length", str(len(reply)))
        self.end_headers()
        self.wfile.write(reply)

    def log_message(self, *args):
        pass

server = http.server.HTTPServer(("127.0.0.1", 0), Handler)
threading.Timer(120, server.shutdown).start()
with open(PORTFILE + ".tmp", "w") as f:
    f.write(str(server.server_address[1]))
os.replace(PORTFILE + ".tmp", PORTFILE)
server.serve_forever()
