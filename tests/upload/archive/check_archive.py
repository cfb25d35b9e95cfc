#!/usr/bin/python3
"""Reads a scan archive with Python's gzip and tarfile modules and compares it with the pages.

Usage: check_archive.py ARCHIVE [MEMBER_NAME=PAGE_PATH ...]
The archive must be one gzip member named zq_scan.tar whose tar stream holds exactly the given
members, in order, each with mode 010777, uid 0, gid 0, the fixed modification time and the bytes
of its page. Exits 0 when all holds, 1 with a reason on stderr otherwise.
"""
import gzip
import io
import struct
import sys
import tarfile
import zlib

FIXED_MTIME = 1136486647


def fail(reason):
    print("check_archive: " + reason, file=sys.stderr)
    sys.exit(1)


def main():
    archive_path = sys.argv[1]
    expected = [arg.split("=", 1) for arg in sys.argv[2:]]
    with open(archive_path, "rb") as f:
        data = f.read()
    if data[:10] != bytes([0x1F, 0x8B, 8, 8, 0, 0, 0, 0, 0, 0]):
        fail("gzip header is %s" % data[:10].hex())
    if data[10:22] != b"zq_scan.tar\0":
        fail("gzip file name field is %r" % data[10:22])
    # gzip checks the CRC-32 and the length of the trailer, and that nothing else follows.
    try:
        tar_bytes = gzip.decompress(data)
    except (OSError, EOFError, zlib.error) as error:
        fail("gzip: %s" % error)
    decomp = zlib.decompressobj(-15)
    decomp.decompress(data[22:])
    if len(decomp.unused_data) != 8:
        fail("%d bytes after the deflate data, expected the 8-byte trailer" %
             len(decomp.unused_data))
    crc, size = struct.unpack("<II", decomp.unused_data)
    if crc != zlib.crc32(tar_bytes) or size != len(tar_bytes) % 2**32:
        fail("trailer does not match")
    if len(tar_bytes) % 512 != 0 or tar_bytes[-512:] != bytes(512):
        fail("tar stream does not end with a zero block")
    with tarfile.open(fileobj=io.BytesIO(data), mode="r:gz") as tar:
        members = tar.getmembers()
        if [m.name for m in members] != [name for name, _ in expected]:
            fail("members %r, expected %r" % ([m.name for m in members],
                                              [name for name, _ in expected]))
        for member, (name, page) in zip(members, expected):
            if not member.isreg():
                fail("%s is not a regular file" % name)
            if (member.mode, member.uid, member.gid) != (0o10777, 0, 0):
                fail("%s: mode %o uid %d gid %d" % (name, member.mode, member.uid, member.gid))
            if member.mtime != FIXED_MTIME:
                fail("%s: mtime %d" % (name, member.mtime))
            with open(page, "rb") as f:
                page_bytes = f.read()
            if tar.extractfile(member).read() != page_bytes:
                fail("%s: content differs from %s" % (name, page))
    # Exactly one end block: the members and their padding, then 512 zero bytes.
    used = sum(512 + (len(open(page, "rb").read()) + 511) // 512 * 512 for _, page in expected)
    if len(tar_bytes) != used + 512:
        fail("tar stream is %d bytes, expected %d" % (len(tar_bytes), used + 512))


if __name__ == "__main__":
    main()
