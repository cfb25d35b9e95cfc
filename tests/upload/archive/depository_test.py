#!/usr/bin/python3
"""The depository server against bodies written by the program's own body writer.

Usage: depository_test.py WRITE_UPLOAD_BODY [unittest arguments]
"""
import json
import os
import select
import socket
import subprocess
import sys
import tempfile
import time
import unittest
import urllib.parse

HERE = os.path.dirname(os.path.abspath(__file__))
SERVER = os.path.join(HERE, "..", "..", "..", "tools", "depository", "depository.py")
WRITER = None
BOUNDARY = "00000000040442026E36D60E19EE2C4D22EF1586_ZQ_Scan_boundary"
OK = b"<!-- tovk_depository_in_ok -->"


def page_bytes(size, seed):
    return bytes(((i * 7 + seed) % 251) if i % 13 else 0xF0 for i in range(size))


class DepositoryTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.work = tempfile.TemporaryDirectory(prefix="prelavka-depository-")
        cls.uploads = os.path.join(cls.work.name, "uploads")
        cls.server = subprocess.Popen(
            ["/usr/bin/python3", SERVER, "--port", "0", "--folder", cls.uploads],
            stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
        ready, _, _ = select.select([cls.server.stdout], [], [], 20)
        if not ready:
            cls.server.kill()
            raise RuntimeError("the server did not start")
        line = cls.server.stdout.readline()
        cls.port = int(line.rsplit(":", 1)[1])
        cls.pages = []
        for name, size in [("1001.bmp", 70000), ("1002.bmp", 512), ("1001-1002.dib", 0),
                           ("1003.bmp", 1)]:
            path = os.path.join(cls.work.name, name)
            with open(path, "wb") as f:
                f.write(page_bytes(size, len(cls.pages)))
            cls.pages.append(path)

    @classmethod
    def tearDownClass(cls):
        cls.server.kill()
        cls.server.wait(10)
        cls.work.cleanup()

    def setUp(self):
        self.control(mode="ok")

    def body(self, pages, person="123456", language="cs"):
        path = os.path.join(self.work.name, "body.tmp")
        result = subprocess.run([WRITER, path, BOUNDARY, person, language] + pages,
                                capture_output=True, timeout=60)
        self.assertEqual(result.returncode, 0, result.stderr)
        with open(path, "rb") as f:
            return f.read()

    def exchange(self, request):
        """Sends the bytes and reads until the server closes: (bytes, error or None)."""
        with socket.create_connection(("127.0.0.1", self.port), timeout=20) as s:
            received = b""
            try:
                s.sendall(request)
                while True:
                    chunk = s.recv(65536)
                    if not chunk:
                        return received, None
                    received += chunk
            except OSError as error:
                return received, error

    def post(self, body, content_type=None):
        content_type = content_type or "multipart/form-data; boundary=" + BOUNDARY
        head = ("POST /dok/depository_in.pl HTTP/1.0\r\nHost: 127.0.0.1\r\n"
                "User-Agent: Mozilla/4.0 (compatible; Synapse)\r\n"
                "Content-Type: %s\r\nContent-Length: %d\r\n\r\n" % (content_type, len(body)))
        return self.exchange(head.encode("ascii") + body)

    def control(self, **settings):
        query = urllib.parse.urlencode(settings)
        answer, error = self.exchange(("GET /_control?%s HTTP/1.0\r\n\r\n" % query).encode())
        self.assertIsNone(error)
        return json.loads(answer.split(b"\r\n\r\n", 1)[1])

    def last_upload(self):
        count = self.control()["uploads"]
        folder = os.path.join(self.uploads, "upload-%04d" % count)
        with open(os.path.join(folder, "request.json"), encoding="utf-8") as f:
            return folder, json.load(f)

    def test_stores_the_pages_and_fields_of_our_body(self):
        answer, error = self.post(self.body(self.pages, person=" 0123"))
        self.assertIsNone(error)
        self.assertTrue(answer.startswith(b"HTTP/1.0 200 OK\r\n"), answer[:100])
        self.assertIn(OK, answer)
        folder, record = self.last_upload()
        self.assertEqual(record["verdict"], "ok")
        self.assertEqual(record["fields"], {"quco": " 0123", "vlsozav": "Zavést", "ver": "1",
                                            "jazyk": "cs", "scan": "1"})
        self.assertEqual(record["pages"], ["1001.bmp", "1002.bmp", "1001-1002.bmp", "1003.bmp"])
        for path in self.pages:
            name = os.path.basename(path).replace(".dib", ".bmp")
            with open(path, "rb") as a, open(os.path.join(folder, "pages", name), "rb") as b:
                self.assertEqual(a.read(), b.read(), name)

    def test_empty_batch_is_accepted(self):
        answer, _ = self.post(self.body([], person="pl", language="en"))
        self.assertIn(OK, answer)
        _, record = self.last_upload()
        self.assertEqual(record["pages"], [])
        self.assertEqual(record["fields"]["jazyk"], "en")

    def test_broken_bodies_get_the_error_comment(self):
        good = self.body(self.pages[:2])
        archive_at = good.index(b"\x1f\x8b")
        corrupt = bytearray(good)
        corrupt[archive_at + 200] ^= 0xFF
        cases = {
            "corrupt archive": (bytes(corrupt), None),
            "archive cut short": (good[:archive_at + 100] + good[-64:], None),
            "no closing boundary": (good[:-4], None),
            "garbage after the end": (good + b"x", None),
            "other boundary": (good, "multipart/form-data; boundary=other"),
            "fields in another order": (good.replace(b'name="quco"', b'name="qucx"'), None),
        }
        for name, (body, content_type) in cases.items():
            with self.subTest(name):
                answer, _ = self.post(body, content_type)
                self.assertIn(b"<!-- tovk_depository_in_error: ", answer)
                self.assertNotIn(OK, answer)
                _, record = self.last_upload()
                self.assertTrue(record["verdict"].startswith("error: "), record["verdict"])

    def test_modes(self):
        body = self.body(self.pages[:1])
        answer, _ = self.post(body)
        self.control(mode="error", text="Neznámé UČO")
        answer, _ = self.post(body)
        self.assertIn("<!-- tovk_depository_in_error: Neznámé UČO -->".encode(), answer)

        self.control(mode="ok-emoji")
        answer, _ = self.post(body)
        self.assertIn(OK, answer)
        self.assertIn("\U0001F600".encode(), answer)

        self.control(mode="nomarker")
        answer, _ = self.post(body)
        self.assertTrue(answer.startswith(b"HTTP/1.0 500 "))
        self.assertNotIn(b"tovk_depository", answer)

        self.control(mode="notutf8")
        answer, _ = self.post(body)
        self.assertIn(OK, answer)
        with self.assertRaises(UnicodeDecodeError):
            answer.decode("utf-8")

        self.control(mode="chunked")
        answer, _ = self.post(body)
        head, _, rest = answer.partition(b"\r\n\r\n")
        self.assertIn(b"Transfer-Encoding: chunked", head)
        self.assertNotIn(b"Content-Length", head)
        self.assertTrue(rest.startswith(b"64;part=0\r\n"), rest[:20])
        self.assertTrue(rest.endswith(b"0\r\n\r\n"))

        self.control(mode="nolength")
        answer, error = self.post(body)
        self.assertIsNone(error)
        self.assertNotIn(b"Content-Length", answer)
        self.assertIn(OK, answer)

        self.control(mode="close")
        self.assertEqual(self.post(body), (b"", None))

        self.control(mode="reset")
        answer, error = self.post(body)
        self.assertEqual(answer, b"")
        self.assertIsInstance(error, ConnectionResetError)

        self.control(mode="slow", delay="0.5")
        started = time.monotonic()
        answer, _ = self.post(body)
        self.assertGreaterEqual(time.monotonic() - started, 0.5)
        self.assertIn(OK, answer)

    def test_early_answer_before_the_body(self):
        self.control(mode="early")
        with socket.create_connection(("127.0.0.1", self.port), timeout=20) as s:
            s.sendall(b"POST /dok/depository_in.pl HTTP/1.0\r\nContent-Length: 100000\r\n\r\n")
            answer = b""
            while OK not in answer:
                chunk = s.recv(65536)
                self.assertTrue(chunk, "closed before the answer")
                answer += chunk
            s.sendall(b"x" * 100000)

    def test_unknown_path_and_mode(self):
        answer, _ = self.exchange(b"GET / HTTP/1.0\r\n\r\n")
        self.assertTrue(answer.startswith(b"HTTP/1.0 404 "))
        answer, _ = self.exchange(b"GET /_control?mode=nonsense HTTP/1.0\r\n\r\n")
        self.assertTrue(answer.startswith(b"HTTP/1.0 400 "))


if __name__ == "__main__":
    WRITER = sys.argv.pop(1)
    unittest.main()
