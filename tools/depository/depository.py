#!/usr/bin/python3
"""A local stand-in for the institution's depository endpoint.

Accepts POST /dok/depository_in.pl with a multipart/form-data body, checks the form fields and
the scan archive (one gzip member holding a tar stream) with Python's gzip and tarfile modules,
keeps what it received in a folder of its own per upload, and answers with the page the client
reads its verdict from. On request it misbehaves instead (see MODES).

    depository.py --port 0 --folder /tmp/uploads [--mode ok] [--text TEXT] [--delay SECONDS]

It prints "depository: listening on HOST:PORT" once it accepts connections (port 0 picks a free
port). The mode can be changed while it runs:

    GET /_control?mode=error&text=Nezn%C3%A1m%C3%A9%20U%C4%8CO&delay=2

Each upload is kept in FOLDER/upload-NNNN/: request.json (request line, headers, form fields,
page names, verdict), archive.tar.gz, and pages/ with the pages of the archive. Python standard
library only.
"""

import argparse
import gzip
import json
import mmap
import os
import re
import socket
import socketserver
import struct
import sys
import tarfile
import tempfile
import threading
import time
import urllib.parse
import zlib

SUCCESS_MARKER = "<!-- tovk_depository_in_ok -->"
ERROR_MARKER = "<!-- tovk_depository_in_error: %s -->"
UPLOAD_PATH = "/dok/depository_in.pl"
EXPECTED_FIELDS = ["quco", "vlsozav", "ver", "jazyk", "scan", "FILE_1"]
MAX_HEADER_BYTES = 65536
MAX_BODY_BYTES = 4 << 30

MODES = {
    "ok": "the success page (HTTP/1.0, Content-Length)",
    "ok-emoji": "the success page with a four-byte UTF-8 character in it",
    "error": "the error comment carrying --text",
    "nomarker": "a page without any verdict comment",
    "notutf8": "the success page encoded in cp1250, which is not UTF-8",
    "slow": "the success page after waiting --delay seconds",
    "close": "read the request, then close the connection without an answer",
    "reset": "read the request, then reset the connection",
    "chunked": "the success page with chunked transfer encoding (HTTP/1.1)",
    "nolength": "the success page without Content-Length, ended by closing",
    "early": "answer the success page before reading the body, then read and drop the body",
}


class Settings:
    def __init__(self, folder, mode, text, delay):
        self.lock = threading.Lock()
        self.folder = folder
        self.mode = mode
        self.text = text
        self.delay = delay
        self.count = 0

    def snapshot(self):
        with self.lock:
            return self.mode, self.text, self.delay

    def next_upload_folder(self):
        with self.lock:
            self.count += 1
            path = os.path.join(self.folder, "upload-%04d" % self.count)
        os.makedirs(path)
        return path


class BadRequest(Exception):
    """The request or its body is not what the endpoint accepts; the text goes to the client."""


def page(text_lines, marker):
    body = "<html><head><meta charset=\"utf-8\"><title>Depozit\u00e1\u0159</title></head>\n<body>\n"
    for line in text_lines:
        body += "<p>%s</p>\n" % line
    if marker:
        body += marker + "\n"
    return body + "</body></html>\n"


# --- multipart ----------------------------------------------------------------------------------

def unfold_headers(block):
    """Header lines of a part, folded continuation lines (starting with a space or tab) joined."""
    lines = []
    for raw in block.split(b"\r\n"):
        if raw[:1] in (b" ", b"\t") and lines:
            lines[-1] += raw
        else:
            lines.append(raw)
    return lines


def disposition_params(value):
    """The parameters of a content-disposition value: {'name': ..., 'filename': ...}."""
    if not value.lower().startswith("form-data"):
        raise BadRequest("content-disposition is not form-data: %s" % value)
    return {m.group(1).lower(): m.group(2)
            for m in re.finditer(r';\s*([A-Za-z0-9_-]+)="([^"]*)"', value)}


def parse_multipart(body, boundary):
    """Splits the body (a bytes-like object supporting find) into parts.

    Gives a list of (headers dict with lower-case names, params, start, end) in body order."""
    delimiter = b"--" + boundary
    if body[:len(delimiter) + 2] != delimiter + b"\r\n":
        raise BadRequest("body does not start with the boundary")
    parts = []
    position = len(delimiter) + 2
    while True:
        header_end = body.find(b"\r\n\r\n", position)
        if header_end < 0:
            raise BadRequest("part without the empty line after its headers")
        headers = {}
        for line in unfold_headers(bytes(body[position:header_end])):
            name, colon, value = line.partition(b":")
            if not colon:
                raise BadRequest("part header line without a colon: %r" % line)
            headers[name.decode("ascii").strip().lower()] = value.decode("cp1250").strip()
        if "content-disposition" not in headers:
            raise BadRequest("part without content-disposition")
        params = disposition_params(headers["content-disposition"])
        start = header_end + 4
        end = body.find(b"\r\n" + delimiter, start)
        if end < 0:
            raise BadRequest("part %r is not closed by the boundary" % params.get("name"))
        parts.append((headers, params, start, end))
        after = end + 2 + len(delimiter)
        tail = bytes(body[after:after + 4])
        if tail == b"--\r\n":
            if after + 4 != len(body):
                raise BadRequest("%d bytes after the closing boundary" % (len(body) - after - 4))
            return parts
        if tail[:2] != b"\r\n":
            raise BadRequest("boundary line followed by %r" % tail)
        position = after + 2


# --- archive ------------------------------------------------------------------------------------

def check_archive(path, pages_folder):
    """Checks the gzip member and the tar stream and extracts the pages. Gives their names."""
    with open(path, "rb") as f:
        header = f.read(22)
    if header[:4] != b"\x1f\x8b\x08\x08" or header[10:22] != b"zq_scan.tar\0":
        raise BadRequest("archive is not a gzip member named zq_scan.tar")
    try:
        # Reading to the end makes gzip check the CRC-32 and the length of the trailer.
        size = 0
        with gzip.open(path, "rb") as member:
            while True:
                chunk = member.read(1 << 20)
                if not chunk:
                    break
                size += len(chunk)
        if size % 512 != 0:
            raise BadRequest("tar stream of %d bytes is not whole blocks" % size)
        names = []
        os.makedirs(pages_folder)
        with tarfile.open(path, "r:gz") as tar:
            for member in tar:
                name = member.name
                if not member.isreg():
                    raise BadRequest("member %s is not a regular file" % name)
                if "/" in name or "\\" in name or name in ("", ".", ".."):
                    raise BadRequest("member name %r is not a plain file name" % name)
                if name in names:
                    raise BadRequest("member %s occurs twice" % name)
                with tar.extractfile(member) as source, \
                        open(os.path.join(pages_folder, name), "wb") as target:
                    while True:
                        chunk = source.read(1 << 20)
                        if not chunk:
                            break
                        target.write(chunk)
                names.append(name)
        return names
    except (OSError, EOFError, zlib.error, tarfile.TarError, struct.error) as error:
        raise BadRequest("archive cannot be read: %s" % error)


# --- the connection -----------------------------------------------------------------------------

class Handler(socketserver.StreamRequestHandler):
    timeout = 60

    def handle(self):
        try:
            self.serve()
        except OSError as error:  # the client went away; nothing to answer
            print("depository: connection ended: %s" % error, file=sys.stderr, flush=True)

    def serve(self):
        settings = self.server.settings
        try:
            request_line, headers = self.read_head()
        except BadRequest as error:
            self.answer(400, page([str(error)], ERROR_MARKER % error))
            return
        method, _, rest = request_line.partition(" ")
        target = rest.rpartition(" ")[0] or rest
        url = urllib.parse.urlsplit(target)
        if method == "GET" and url.path == "/_control":
            self.control(urllib.parse.parse_qs(url.query))
            return
        if method != "POST" or url.path != UPLOAD_PATH:
            self.answer(404, page(["Nenalezeno"], None))
            return
        mode, text, delay = settings.snapshot()
        if mode == "early":
            self.answer(200, page(["P\u0159ijato p\u0159edem."], SUCCESS_MARKER))
            self.drop_body(headers)
            return
        upload = settings.next_upload_folder()
        record = {"request_line": request_line, "headers": headers, "mode": mode}
        try:
            body_path = self.read_body(headers, upload)
            record.update(self.check_upload(headers, body_path, upload))
            record["verdict"] = "ok"
        except BadRequest as error:
            record["verdict"] = "error: %s" % error
        except Exception as error:  # a fault of this server: still answer, and say so
            record["verdict"] = "error: server fault %s: %s" % (type(error).__name__, error)
        with open(os.path.join(upload, "request.json"), "w", encoding="utf-8") as f:
            json.dump(record, f, ensure_ascii=False, indent=1)
        print("depository: %s %s" % (os.path.basename(upload), record["verdict"]),
              file=sys.stderr, flush=True)
        if record["verdict"] != "ok":
            self.answer(200, page(["Chyba"], ERROR_MARKER % record["verdict"][7:]))
            return
        self.misbehave_or_answer(mode, text, delay, len(record["pages"]))

    def read_head(self):
        lines = []
        total = 0
        while True:
            line = self.rfile.readline(MAX_HEADER_BYTES)
            total += len(line)
            if not line or total > MAX_HEADER_BYTES:
                raise BadRequest("request head cut off or too long")
            line = line.rstrip(b"\r\n").decode("latin-1")
            if not line:
                break
            lines.append(line)
        if not lines:
            raise BadRequest("empty request")
        headers = {}
        for line in lines[1:]:
            name, colon, value = line.partition(":")
            if not colon:
                raise BadRequest("header line without a colon: %s" % line)
            headers[name.strip().lower()] = value.strip()
        return lines[0], headers

    def content_length(self, headers):
        if "content-length" not in headers:
            raise BadRequest("no Content-Length")
        try:
            length = int(headers["content-length"])
        except ValueError:
            raise BadRequest("Content-Length is not a number")
        if length < 0 or length > MAX_BODY_BYTES:
            raise BadRequest("Content-Length out of range")
        return length

    def read_body(self, headers, upload):
        length = self.content_length(headers)
        path = os.path.join(upload, "body.tmp")
        with open(path, "wb") as f:
            left = length
            while left > 0:
                chunk = self.rfile.read(min(left, 1 << 16))
                if not chunk:
                    raise BadRequest("body ended after %d of %d bytes" % (length - left, length))
                f.write(chunk)
                left -= len(chunk)
        return path

    def drop_body(self, headers):
        try:
            left = self.content_length(headers)
            while left > 0:
                chunk = self.rfile.read(min(left, 1 << 16))
                if not chunk:
                    break
                left -= len(chunk)
        except (BadRequest, OSError):
            pass

    def check_upload(self, headers, body_path, upload):
        content_type = headers.get("content-type", "")
        match = re.fullmatch(r"multipart/form-data;\s*boundary=(\S+)", content_type)
        if not match:
            raise BadRequest("Content-Type is not multipart/form-data: %s" % content_type)
        boundary = match.group(1).encode("latin-1")
        fields = {}
        with open(body_path, "rb") as f:
            size = os.fstat(f.fileno()).st_size
            body = mmap.mmap(f.fileno(), 0, access=mmap.ACCESS_READ) if size else b""
            try:
                parts = parse_multipart(body, boundary)
                names = [params.get("name") for _, params, _, _ in parts]
                if names != EXPECTED_FIELDS:
                    raise BadRequest("form fields %s, expected %s" % (names, EXPECTED_FIELDS))
                for part_headers, params, start, end in parts[:-1]:
                    fields[params["name"]] = bytes(body[start:end]).decode("cp1250")
                file_headers, file_params, start, end = parts[-1]
                if file_params.get("filename") != "zq_scan.tar.gz":
                    raise BadRequest("file name %r" % file_params.get("filename"))
                archive_path = os.path.join(upload, "archive.tar.gz")
                with open(archive_path, "wb") as archive:
                    for at in range(start, end, 1 << 20):
                        archive.write(body[at:min(end, at + (1 << 20))])
            finally:
                if size:
                    body.close()
        os.remove(body_path)
        pages = check_archive(archive_path, os.path.join(upload, "pages"))
        return {"fields": fields, "file_content_type": file_headers.get("content-type"),
                "pages": pages, "archive_bytes": end - start}

    def misbehave_or_answer(self, mode, text, delay, page_count):
        lines = ["P\u0159ijato str\u00e1nek: %d." % page_count]
        if mode == "slow":
            time.sleep(delay)
        if mode in ("ok", "slow"):
            self.answer(200, page(lines, SUCCESS_MARKER))
        elif mode == "ok-emoji":
            self.answer(200, page(lines + ["D\u011bkujeme \U0001F600"], SUCCESS_MARKER))
        elif mode == "error":
            self.answer(200, page(["Chyba"], ERROR_MARKER % text))
        elif mode == "nomarker":
            self.answer(500, page(["Internal Server Error"], None))
        elif mode == "notutf8":
            self.answer(200, page(lines, SUCCESS_MARKER).encode("cp1250"))
        elif mode == "close":
            self.connection.shutdown(socket.SHUT_RDWR)
        elif mode == "reset":
            # Closing with a zero linger time sends RST instead of FIN.
            self.connection.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER,
                                       struct.pack("ii", 1, 0))
            os.close(self.connection.detach())
        elif mode == "chunked":
            self.answer_chunked(page(lines, SUCCESS_MARKER).encode("utf-8"))
        elif mode == "nolength":
            self.wfile.write(b"HTTP/1.0 200 OK\r\nContent-Type: text/html; charset=utf-8\r\n\r\n")
            self.wfile.write(page(lines, SUCCESS_MARKER).encode("utf-8"))

    def answer(self, status, body):
        if isinstance(body, str):
            body = body.encode("utf-8")
        reason = {200: "OK", 400: "Bad Request", 404: "Not Found", 500: "Internal Server Error"}
        self.wfile.write(("HTTP/1.0 %d %s\r\nContent-Type: text/html; charset=utf-8\r\n"
                          "Content-Length: %d\r\n\r\n" % (status, reason[status], len(body)))
                         .encode("ascii") + body)
        self.wfile.flush()

    def answer_chunked(self, body):
        self.wfile.write(b"HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=utf-8\r\n"
                         b"Transfer-Encoding: chunked\r\nConnection: close\r\n\r\n")
        for at in range(0, len(body), 100):
            chunk = body[at:at + 100]
            self.wfile.write(b"%x;part=%d\r\n%s\r\n" % (len(chunk), at // 100, chunk))
        self.wfile.write(b"0\r\n\r\n")

    def control(self, query):
        settings = self.server.settings
        with settings.lock:
            if "mode" in query:
                mode = query["mode"][0]
                if mode not in MODES:
                    self.answer(400, page(["unknown mode " + mode], None))
                    return
                settings.mode = mode
            if "text" in query:
                settings.text = query["text"][0]
            if "delay" in query:
                try:
                    settings.delay = float(query["delay"][0])
                except ValueError:
                    self.answer(400, page(["delay is not a number"], None))
                    return
            state = {"mode": settings.mode, "text": settings.text, "delay": settings.delay,
                     "uploads": settings.count}
        self.answer(200, json.dumps(state, ensure_ascii=False))


class Server(socketserver.ThreadingTCPServer):
    daemon_threads = True
    allow_reuse_address = True


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0],
                                     epilog="modes: " + "; ".join(
                                         "%s: %s" % item for item in MODES.items()))
    parser.add_argument("--port", type=int, required=True, help="port to listen on, 0 for any")
    parser.add_argument("--folder", required=True, help="where the uploads are kept")
    parser.add_argument("--host", default="127.0.0.1")
    parser.add_argument("--mode", default="ok", choices=sorted(MODES))
    parser.add_argument("--text", default="Archiv nelze zpracovat",
                        help="the error text of mode error")
    parser.add_argument("--delay", type=float, default=5.0, help="seconds, for mode slow")
    args = parser.parse_args()
    os.makedirs(args.folder, exist_ok=True)
    server = Server((args.host, args.port), Handler)
    server.settings = Settings(args.folder, args.mode, args.text, args.delay)
    host, port = server.server_address[:2]
    print("depository: listening on %s:%d" % (host, port), flush=True)
    try:
        server.serve_forever()
    except KeyboardInterrupt:
        pass
    finally:
        server.server_close()


if __name__ == "__main__":
    main()
