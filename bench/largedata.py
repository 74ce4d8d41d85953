"""Large inputs for the size and memory tasks, made from fixed seeds and
cached like the corpus:

- a file of mixed content (log text, machine-code-like bytes, integer tables,
  zeros and random runs), drawn from pools in 4 MiB pieces so that gigabytes
  take seconds to write;
- a ZIP holding one entry of zeros (a zip bomb with honest sizes);
- a native archive of the layout without recorded sizes (version 2) holding
  one entry of zeros;
- a sparse file of zeros, for adding a large file.
"""

import hashlib
import os
import random
import struct
import zipfile
import zlib

import corpus

MIB = 1 << 20
PIECE = 4 * MIB


def _stamp(*extra):
    with open(__file__, "rb") as f:
        digest = hashlib.sha256(f.read()).hexdigest()
    return " ".join([digest] + [str(x) for x in extra])


def _cached(path, stamp, make):
    """Makes path with make(path) unless its stamp says it is current."""
    stamp_path = path + ".stamp"
    if corpus.stamp_matches(stamp_path, stamp) and os.path.exists(path):
        return path
    print("bench: generating %s ..." % os.path.basename(path), flush=True)
    for stale in (path, stamp_path):
        if os.path.exists(stale):
            os.remove(stale)
    make(path + ".part")
    os.replace(path + ".part", path)
    with open(stamp_path, "w") as f:
        f.write(stamp)
    return path


def _pieces(seed):
    """Pools of 4 MiB pieces of each kind; a file is a seeded walk over them."""
    rng = random.Random(seed)
    pools = corpus.BinaryPools(rng)
    return [corpus.log_file(rng, PIECE), pools.build(rng, PIECE), pools.build(rng, PIECE),
            bytes(PIECE), rng.randbytes(PIECE), corpus.log_file(rng, PIECE)]


def ensure_mixed_file(base, size):
    def make(path):
        rng = random.Random(7)
        pieces = _pieces(8)
        with open(path, "wb") as f:
            left = size
            while left > 0:
                piece = rng.choice(pieces)
                # A fresh start in the piece each time, so no two stretches repeat whole.
                start = rng.randrange(PIECE // 2)
                part = piece[start:] + piece[:start]
                f.write(part[:min(left, PIECE)])
                left -= min(left, PIECE)
    return _cached(os.path.join(base, "mixed-%d.bin" % size), _stamp("mixed", size), make)


def _zeros_deflated(size, wrapped):
    """The deflate stream of `size` zero bytes, piece by piece."""
    coder = zlib.compressobj(9, zlib.DEFLATED, 15 if wrapped else -15)
    zeros = bytes(PIECE)
    left = size
    while left > 0:
        n = min(left, PIECE)
        out = coder.compress(zeros[:n])
        if out:
            yield out
        left -= n
    yield coder.flush()


def ensure_zip_bomb(base, size):
    def make(path):
        with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED, compresslevel=9) as z:
            with z.open("zeros.bin", "w", force_zip64=True) as f:
                zeros = bytes(PIECE)
                left = size
                while left > 0:
                    f.write(zeros[:min(left, PIECE)])
                    left -= min(left, PIECE)
    return _cached(os.path.join(base, "bomb-%d.zip" % size), _stamp("bomb", size), make)


def ensure_listing_tar(base, entries):
    """A tar.xz of `entries` tiny files under 100 folders, as tar lists them."""
    def make(path):
        import io
        import tarfile
        with tarfile.open(path, "w:xz", format=tarfile.PAX_FORMAT) as tar:
            for i in range(entries):
                data = ("entry %d\n" % i).encode()
                info = tarfile.TarInfo("listing/d%03d/item_%06d.txt" % (i // 1000, i))
                info.size, info.mtime, info.mode = len(data), 1600000000, 0o644
                tar.addfile(info, io.BytesIO(data))
    return _cached(os.path.join(base, "list-%d.tar.xz" % entries), _stamp("listing-tar", entries), make)


def ensure_zeros_tar_gz(base, size):
    """A tar.gz of one file of `size` zero bytes, tar's header written here."""
    def make(path):
        import gzip
        import tarfile
        info = tarfile.TarInfo("zeros.bin")
        info.size, info.mtime = size, 1600000000
        with gzip.open(path, "wb", compresslevel=1) as f:
            f.write(info.tobuf(tarfile.PAX_FORMAT))
            zeros = bytes(PIECE)
            left = size + (-size) % 512 + 1024  # the content padded to its block, then the two end blocks
            while left > 0:
                f.write(zeros[:min(left, PIECE)])
                left -= min(left, PIECE)
    return _cached(os.path.join(base, "zeros-%d.tar.gz" % size), _stamp("zeros-tar-gz", size), make)


def ensure_unsized_native(base, size):
    """Magic, descriptor length 9, kind 1, version 2, time; then one entry:
    name length and name, the packed size, the zlib stream."""
    def make(path):
        payload = b"".join(_zeros_deflated(size, True))
        name = b"zeros.bin"
        with open(path, "wb") as f:
            f.write(b"KWTZ" + struct.pack("<IBII", 9, 1, 2, 0x5A210000))
            f.write(struct.pack("<B", len(name)) + name + struct.pack("<i", len(payload)))
            f.write(payload)
    return _cached(os.path.join(base, "unsized-%d.ovk" % size), _stamp("unsized", size), make)


def ensure_sparse_file(base, size):
    def make(path):
        with open(path, "wb") as f:
            f.truncate(size)
    return _cached(os.path.join(base, "sparse-%d.bin" % size), _stamp("sparse", size), make)


def file_digest(path):
    digest = hashlib.sha256()
    with open(path, "rb") as f:
        for block in iter(lambda: f.read(PIECE), b""):
            digest.update(block)
    return digest.hexdigest()
