#!/usr/bin/env python3
"""Makes the fuzzers' seed corpus.

archives/: small archives written by the peers (zip, 7zz, bsdtar, GNU tar,
Python's zipfile, jar), by our own `ovk` when it is given, and hand-made native
containers and damaged ZIP archives. payloads/: inputs of the payload
harness, cut out of those archives (see fuzz_decode.cpp for their layout).

Usage: make_seeds.py OUTDIR [--ovk PATH]
"""
import argparse
import io
import os
import shutil
import struct
import subprocess
import sys
import tempfile
import zipfile
import zlib

PASSWORD = "secret"
DOS_TIME = (((2020 - 1980) << 9 | 5 << 5 | 17) << 16) | (12 << 11 | 34 << 5 | 28)


def make_sources(folder):
    files = {
        "hello.txt": b"hello, archive world\n" * 3,
        "sub/data.bin": bytes((i * 37 + 11) & 0xFF for i in range(64)),
        "sub/deeper/empty.txt": b"",
    }
    for name, data in files.items():
        path = os.path.join(folder, name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(data)
    return files


def run(args, cwd, stdin=None):
    if shutil.which(args[0]) is None and not os.path.isabs(args[0]):
        print(f"  (skipped: {args[0]} not installed)", file=sys.stderr)
        return False
    result = subprocess.run(args, cwd=cwd, input=stdin, capture_output=True)
    if result.returncode != 0:
        print(f"  (failed: {' '.join(args)}: {result.stderr.decode(errors='replace')})", file=sys.stderr)
    return result.returncode == 0


def peer_archives(src, out, ovk):
    names = ["hello.txt", "sub"]
    jobs = {
        "zip-deflate.zip": ["zip", "-q", "-r", "-X"],
        "zip-stored.zip": ["zip", "-q", "-r", "-X", "-0"],
        "zip-encrypted.zip": ["zip", "-q", "-r", "-X", "-P", PASSWORD],
        "zip-zip64.zip": ["zip", "-q", "-r", "-X", "-fz"],
        "7zz-deflate.zip": ["7zz", "a", "-tzip", "-bd", "-bso0"],
        "7zz-zipcrypto.zip": ["7zz", "a", "-tzip", "-bd", "-bso0", "-p" + PASSWORD, "-mem=ZipCrypto"],
        "bsdtar.zip": ["bsdtar", "--format", "zip", "-cf"],
        "bsdtar-stored.zip": ["bsdtar", "--format", "zip", "--options", "zip:compression=store", "-cf"],
        "jar.jar": ["jar", "cfM"],
        # The formats read through libarchive, for fuzz_libarchive.
        "gnu.tar": ["tar", "--format=gnu", "-cf"],
        "pax.tar.gz": ["tar", "--format=pax", "-czf"],
        "bsdtar.cpio": ["bsdtar", "--format", "cpio", "-cf"],
        "newc.cpio.xz": ["bsdtar", "--format", "newc", "-cJf"],
        "ustar.tar.zst": ["tar", "--format=ustar", "--zstd", "-cf"],
        "7zz.7z": ["7zz", "a", "-t7z", "-bd", "-bso0"],
        "7zz-encrypted.7z": ["7zz", "a", "-t7z", "-bd", "-bso0", "-p" + PASSWORD],
        "7zz-encrypted-list.7z": ["7zz", "a", "-t7z", "-bd", "-bso0", "-mhe=on", "-p" + PASSWORD],
    }
    for name, cmd in jobs.items():
        run(cmd + [os.path.join(out, name)] + names, src)
    if run(["zip", "-q", "-X", "-z", os.path.join(out, "zip-comment.zip"), "hello.txt"], src,
           stdin=b"a thirty byte archive comment\n"):
        pass
    if ovk:
        for name, extra in {"ovk.zip": [], "ovk-encrypted.zip": ["-p", PASSWORD],
                            "ovk-native.ovk": ["--native"],
                            "ovk-native-encrypted.ovk": ["--native", "-p", PASSWORD]}.items():
            run([ovk, "add"] + extra + [os.path.join(out, name)] + names, src)


class Unseekable(io.RawIOBase):
    """A write-only stream without tell(), so zipfile writes data descriptors."""

    def __init__(self):
        self.data = bytearray()

    def writable(self):
        return True

    def write(self, b):
        self.data += b
        return len(b)


def python_archives(files, out):
    def fill(z, compression):
        for name, data in files.items():
            z.writestr(zipfile.ZipInfo(name, (2020, 5, 17, 12, 34, 56)), data, compress_type=compression)

    for name, compression in {"py-deflate.zip": zipfile.ZIP_DEFLATED, "py-stored.zip": zipfile.ZIP_STORED}.items():
        with zipfile.ZipFile(os.path.join(out, name), "w") as z:
            fill(z, compression)
    with zipfile.ZipFile(os.path.join(out, "py-comment.zip"), "w") as z:
        fill(z, zipfile.ZIP_DEFLATED)
        z.comment = b"a thirty byte archive comment!"
    stream = Unseekable()
    with zipfile.ZipFile(stream, "w") as z:
        fill(z, zipfile.ZIP_DEFLATED)
    write(out, "py-descriptor.zip", bytes(stream.data))
    buffer = io.BytesIO()
    with zipfile.ZipFile(buffer, "w", allowZip64=True) as z:
        with z.open(zipfile.ZipInfo("forced64.txt", (2020, 5, 17, 12, 34, 56)), "w", force_zip64=True) as f:
            f.write(files["hello.txt"])
    write(out, "py-zip64.zip", buffer.getvalue())
    write(out, "py-prefixed.zip", b"#!stub\n" + b"x" * 93 + read(os.path.join(out, "py-deflate.zip")))


def native_entry(version, name, data):
    payload = zlib.compress(data)
    if version < 2:
        field = bytes([len(name)]) + name + b"\0" * (255 - len(name))
        return field + struct.pack("<i", len(payload)) + payload
    head = bytes([len(name)]) + name
    if version >= 3:
        head += struct.pack("<IIIBI", DOS_TIME, len(data), 0, 0, zlib.crc32(data))
    return head + struct.pack("<i", len(payload)) + payload


def native_archives(files, out):
    items = [(name.replace("/", "\\").encode(), data) for name, data in files.items()]
    for version in (0, 1, 2, 3, 7):
        body = b"".join(native_entry(version, n, d) for n, d in items)
        write(out, f"native-v{version}.ovk", b"KWTZ" + struct.pack("<IBII", 9, 1, version, DOS_TIME) + body)
    write(out, "native-empty.ovk", b"KWTZ" + struct.pack("<IBII", 9, 1, 3, DOS_TIME))
    write(out, "native-headerless.bin", b"".join(native_entry(0, n, d) for n, d in items))
    write(out, "native-end-marker.ovk", b"KWTZ" + struct.pack("<IBII", 9, 1, 3, DOS_TIME)
          + native_entry(3, b"a.txt", b"first") + b"\x05b.txt" + b"\0" * 17 + struct.pack("<i", -1)
          + native_entry(3, b"c.txt", b"never seen"))
    write(out, "native-long-descriptor.ovk", b"KWTZ" + struct.pack("<IBII", 40, 1, 3, DOS_TIME) + b"\xAA" * 31
          + native_entry(3, b"a.txt", b"x"))


def damaged_zips(out):
    end = lambda entries, size, offset, comment=b"": (
        struct.pack("<IHHHHIIH", 0x06054B50, 0, 0, entries, entries, size, offset, len(comment)) + comment)
    write(out, "zip-empty.zip", end(0, 0, 0))
    # An end record whose directory is the end record itself.
    write(out, "zip-self-directory.zip", b"junk" * 4 + end(1, 46, 16))
    # A central record whose local header offset points at that record.
    name = b"loop.txt"
    central = struct.pack("<IHHHHHHIIIHHHHHII", 0x02014B50, 45, 20, 0x800, 8, 0, 0, 0, 0, 0,
                          len(name), 0, 0, 0, 0, 0, 0) + name
    write(out, "zip-central-loop.zip", central + end(1, len(central), 0))
    # A ZIP64 end record whose directory offset points at the record itself.
    z64 = struct.pack("<IQHHIIQQQQ", 0x06064B50, 44, 45, 45, 0, 0, 1, 1, 56, 0)
    locator = struct.pack("<IIQI", 0x07064B50, 0, 0, 1)
    write(out, "zip64-self.zip", z64 + locator + end(0xFFFF, 0xFFFFFFFF, 0xFFFFFFFF))
    # A local header claiming a 4 GiB original size for a few bytes.
    data = zlib.compress(b"\0" * 1000)[2:-4]
    local = struct.pack("<IHHHHHIIIHH", 0x04034B50, 20, 0x800, 8, 0, 0, 0, len(data), 0xFFFFFFFF, 5, 0)
    write(out, "zip-claims-4g.zip", local + b"a.bin" + data)


def hostile_zips(out):
    """Names holding NUL (a component that hides a "..", chains of them as
    file and as folder with mode 0700) and symbolic links: inside, outside,
    absolute, and a file written through a link the archive made."""
    def build(name, entries):
        buffer = io.BytesIO()
        with zipfile.ZipFile(buffer, "w") as z:
            for entry_name, data, mode in entries:
                info = zipfile.ZipInfo(entry_name.replace("\0", "#"), (2020, 5, 17, 12, 34, 56))
                info.create_system = 3
                info.external_attr = mode << 16
                z.writestr(info, data, compress_type=zipfile.ZIP_STORED)
        blob = buffer.getvalue()
        # zipfile cuts a name at NUL: each "#" stands for one until here.
        for entry_name, _, _ in entries:
            blob = blob.replace(entry_name.replace("\0", "#").encode(), entry_name.encode())
        write(out, name, blob)

    build("hostile-nul.zip", [("..\0x/evil.txt", b"evil", 0o100644), ("ok.txt", b"ok", 0o100644)])
    build("hostile-nul-chain.zip", [("..\0/..\0/..\0/evil.txt", b"evil", 0o100644),
                                    ("..\0/", b"", 0o40700)])
    build("hostile-links.zip", [("a.txt", b"a", 0o100644), ("in", b"a.txt", 0o120777),
                                ("sub/up", b"../a.txt", 0o120777), ("out", b"../../x", 0o120777),
                                ("abs", b"/etc/passwd", 0o120777)])
    build("hostile-link-then-file.zip", [("l", b".", 0o120777), ("real/", b"", 0o40755),
                                         ("m", b"real", 0o120777), ("m/x.txt", b"through", 0o100644),
                                         ("l/../y.txt", b"climb", 0o100644)])
    build("hostile-dots.zip", [("./", b"", 0o40755), ("./docs/a.txt", b"a", 0o100644), (".", b"dot", 0o100644),
                               ("..", b"up", 0o100644), ("../", b"", 0o40700)])
    native = b"".join(native_entry(3, n, d) for n, d in ((b"..\0x\\evil.txt", b"evil"), (b"ok.txt", b"ok")))
    write(out, "hostile-native-nul.ovk", b"KWTZ" + struct.pack("<IBII", 9, 1, 3, DOS_TIME) + native)


def payload_seeds(archives, out):
    """Cuts each entry's stored payload out of the archives (local headers and
    native entries), prefixed with the payload harness's control bytes."""
    count = 0
    for name in sorted(os.listdir(archives)):
        blob = read(os.path.join(archives, name))
        for control, size, crc, check, payload in zip_payloads(blob) + native_payloads(blob):
            for password in ((0, 8) if control & 2 else (0,)):
                seed = bytes([control | password]) + struct.pack("<II", size, crc) + bytes([check]) + payload
                write(out, f"{name}-{count}", seed)
                count += 1
    return count


def zip_payloads(blob):
    found, pos = [], blob.find(b"PK\x03\x04")
    while 0 <= pos and pos + 30 <= len(blob):
        (_, _, flags, method, time, date, crc, csize, usize, nlen, xlen) = struct.unpack_from("<IHHHHHIIIHH", blob, pos)
        start = pos + 30 + nlen + xlen
        control = (2 if flags & 1 else 0) | (4 if method == 0 else 0) | (64 if flags & 8 else 0)
        found.append((control, usize, crc, (time >> 8) & 0xFF, blob[start:start + csize]))
        pos = blob.find(b"PK\x03\x04", start)
    return found


def native_payloads(blob):
    if blob[:4] != b"KWTZ" or len(blob) < 17:
        return []
    found, pos = [], 17
    version = struct.unpack_from("<I", blob, 9)[0]
    while version >= 3 and pos < len(blob):
        n = blob[pos]
        if n == 0 or pos + 1 + n + 21 > len(blob):
            break
        _, size, flags, encrypted, crc = struct.unpack_from("<IIIBI", blob, pos + 1 + n)
        packed = struct.unpack_from("<i", blob, pos + 1 + n + 17)[0]
        start = pos + 1 + n + 21
        if packed < 0:
            break
        control = 1 | (3 << 4) | (2 if encrypted else 0) | (4 if flags & 1 else 0)
        found.append((control, size, crc, 0, blob[start:start + packed]))
        pos = start + packed
    return found


def read(path):
    with open(path, "rb") as f:
        return f.read()


def write(folder, name, data):
    with open(os.path.join(folder, name), "wb") as f:
        f.write(data)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("outdir")
    parser.add_argument("--ovk")
    args = parser.parse_args()
    archives = os.path.join(args.outdir, "archives")
    payloads = os.path.join(args.outdir, "payloads")
    for folder in (archives, payloads):
        shutil.rmtree(folder, ignore_errors=True)
        os.makedirs(folder)
    with tempfile.TemporaryDirectory() as src:
        files = make_sources(src)
        ovk = os.path.abspath(args.ovk) if args.ovk and os.access(args.ovk, os.X_OK) else None
        peer_archives(src, archives, ovk)
        python_archives(files, archives)
    native_archives(files, archives)
    damaged_zips(archives)
    hostile_zips(archives)
    count = payload_seeds(archives, payloads)
    print(f"seed corpus: {len(os.listdir(archives))} archives, {count} payloads in {args.outdir}")


if __name__ == "__main__":
    main()
