"""Deterministic test data for the benchmark.

Two data sets, both rebuilt only when missing or when this file changes:
- the packing corpus: source-like text in nested folders, binaries, a few
  large files and incompressible media, with a checksum manifest;
- the listing archive: many tiny files, zipped once by Info-ZIP zip.

Everything comes from fixed seeds, so every machine gets the same bytes.
Generation leans on C-level helpers (randbytes, choices, join) to stay at a
few seconds for the full size.
"""

import hashlib
import math
import os
import random
import shutil
import struct
import subprocess

MIB = 1 << 20

# Sizes of the full corpus; the small mode multiplies them by its scale.
TEXT_FILES = 3600
BINARY_FILES = 300
MEDIA_FILES = 150
LARGE_FILES = (  # name, kind, MiB
    ("big/server.log", "log", 45),
    ("big/assets.pak", "binary", 30),
    ("big/movie.mp4", "random", 25),
    ("big/table.db", "records", 20),
)

KEYWORDS = {
    "cpp": "auto const int void return if else for while struct class namespace "
           "static inline std::string std::vector template typename nullptr".split(),
    "py": "def return if elif else for in while class import from self None True "
          "False with as try except raise lambda yield".split(),
    "js": "function const let var return if else for of in while class new this "
          "null undefined async await export import".split(),
    "md": "the a of to and is in that for it with as on be this are by from or".split(),
}
EXTENSIONS = {"cpp": (".cpp", ".h", ".hpp", ".c"), "py": (".py",),
              "js": (".js", ".ts", ".json"), "md": (".md", ".txt", ".rst")}
SYMBOLS = "( ) { } [ ] ; , . = == != + - * / < > && || -> :: += # //".split()
LICENSE = ("// Copyright (c) 2019-2026 The Example Project Authors.\n"
           "// Licensed under the Apache License, Version 2.0 (the \"License\");\n"
           "// you may not use this file except in compliance with the License.\n\n")


def generator_stamp(*extra):
    """Changes whenever this file or the given parameters change."""
    with open(__file__, "rb") as f:
        digest = hashlib.sha256(f.read()).hexdigest()
    return " ".join([digest] + [str(x) for x in extra])


def stamp_matches(stamp_path, stamp):
    try:
        with open(stamp_path) as f:
            return f.read() == stamp
    except OSError:
        return False


def make_identifiers(rng, count):
    syllables = ("ar be co de el fa go hi in jo ka lu ma ne or pa qu ri so ta "
                 "un ve wi xo ya ze buf len ptr idx cnt str map key val").split()
    names = set()
    while len(names) < count:
        parts = rng.choices(syllables, k=rng.randint(2, 4))
        style = rng.random()
        if style < 0.4:
            names.add("_".join(parts))
        elif style < 0.8:
            names.add(parts[0] + "".join(p.capitalize() for p in parts[1:]))
        else:
            names.add("".join(p.capitalize() for p in parts))
    return sorted(names)


def make_line_pool(rng, lang, identifiers, count):
    """Lines of one language; files draw from local windows of this pool."""
    words = KEYWORDS[lang]
    lines = []
    for _ in range(count):
        n = rng.randint(3, 12)
        if lang == "md":
            tokens = rng.choices(words + identifiers[:200], k=n)
            lines.append(" ".join(tokens).capitalize() + ".")
            continue
        tokens = []
        for _ in range(n):
            r = rng.random()
            if r < 0.35:
                tokens.append(rng.choice(identifiers))
            elif r < 0.6:
                tokens.append(rng.choice(words))
            elif r < 0.9:
                tokens.append(rng.choice(SYMBOLS))
            else:
                tokens.append(str(rng.randint(0, 4096)))
        indent = "    " * rng.choice((0, 1, 1, 2, 2, 3))
        lines.append(indent + " ".join(tokens))
    return lines


def log_normal_size(rng, median, sigma, low, high):
    return int(min(high, max(low, math.exp(rng.gauss(math.log(median), sigma)))))


def text_file(rng, pool, size):
    """About `size` bytes of lines from one 'module' window of the pool."""
    window = 2500
    start = rng.randrange(len(pool) - window)
    local = pool[start:start + window]
    body = "\n".join(rng.choices(local, k=max(1, size // 45))) + "\n"
    return (LICENSE + body).encode()


def log_file(rng, size):
    levels = ("INFO", "INFO", "INFO", "DEBUG", "WARN", "ERROR")
    paths = ("/api/v1/items", "/api/v1/users", "/static/app.js", "/health",
             "/api/v2/search", "/login", "/api/v1/orders")
    out, total, t = [], 0, 1_700_000_000.0
    while total < size:
        t += rng.expovariate(40.0)
        line = "%d.%03d %s [worker-%d] %s %s id=%08x took %dms status=%d\n" % (
            int(t), int(t * 1000) % 1000, rng.choice(levels), rng.randint(1, 16),
            rng.choice(("GET", "GET", "POST", "PUT")), rng.choice(paths),
            rng.getrandbits(32), rng.randint(1, 900), rng.choice((200, 200, 200, 304, 404, 500)))
        out.append(line)
        total += len(line)
    return "".join(out).encode()[:size]


class BinaryPools:
    """Building blocks for binary files: skewed byte streams (like machine
    code), tables of growing integers, zero padding and random data."""

    def __init__(self, rng):
        weights = [40 if b in (0, 0xFF, 0x48, 0x89, 0x8B, 0xE8) else
                   (8 if b < 0x20 or 0x40 <= b < 0x80 else 1) for b in range(256)]
        self.skewed = bytes(rng.choices(range(256), weights=weights, k=MIB))

    def build(self, rng, size):
        parts, total = [], 0
        while total < size:
            kind = rng.random()
            length = rng.randint(512, 64 * 1024)
            if kind < 0.55:
                off = rng.randrange(len(self.skewed) - length)
                part = self.skewed[off:off + length]
            elif kind < 0.75:
                base, step = rng.getrandbits(20), rng.randint(1, 64)
                part = struct.pack("<%dI" % (length // 4),
                                   *range(base, base + step * (length // 4), step))
            elif kind < 0.85:
                part = bytes(length)
            else:
                part = rng.randbytes(length)
            parts.append(part)
            total += len(part)
        return b"".join(parts)[:size]


def records_file(rng, size):
    count = size // 32
    t = 1_600_000_000
    rows = []
    for i in range(count):
        t += rng.randint(0, 30)
        rows.append(struct.pack("<QIIHH12s", i + 1, t, rng.randint(0, 5000),
                                rng.randint(0, 9), rng.randint(0, 300),
                                rng.choice((b"pending", b"shipped", b"delivered", b"returned"))))
    return b"".join(rows)


class Manifest:
    def __init__(self):
        self.entries = {}

    def write_file(self, root, rel, data):
        path = os.path.join(root, rel)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(data)
        self.entries[rel] = (len(data), hashlib.sha1(data).hexdigest())

    def save(self, path):
        with open(path, "w") as f:
            for rel in sorted(self.entries):
                size, digest = self.entries[rel]
                f.write("%s %d %s\n" % (digest, size, rel))


def load_manifest(path):
    entries = {}
    with open(path) as f:
        for line in f:
            digest, size, rel = line.rstrip("\n").split(" ", 2)
            entries[rel] = (int(size), digest)
    return entries


def build_corpus(root, scale):
    rng = random.Random(20261208)
    identifiers = make_identifiers(rng, 3000)
    pools = {lang: make_line_pool(rng, lang, identifiers, 30000) for lang in KEYWORDS}
    bins = BinaryPools(rng)
    manifest = Manifest()

    for i in range(int(TEXT_FILES * scale)):
        lang = rng.choice(("cpp", "cpp", "cpp", "py", "js", "md"))
        folder = "src/p%02d/m%02d" % (rng.randrange(8), rng.randrange(20))
        if rng.random() < 0.5:
            folder += "/s%d" % rng.randrange(5)
        name = "%s_%04d%s" % (rng.choice(identifiers)[:24], i, rng.choice(EXTENSIONS[lang]))
        size = log_normal_size(rng, 12_000, 1.3, 60, 2 * MIB)
        manifest.write_file(root, folder + "/" + name, text_file(rng, pools[lang], size))

    for i in range(int(BINARY_FILES * scale)):
        name = "bin/b%02d/%s_%03d%s" % (rng.randrange(12), rng.choice(identifiers)[:20], i,
                                        rng.choice((".so", ".o", ".a", ".bin", ".dll")))
        size = log_normal_size(rng, 60_000, 1.2, 200, 4 * MIB)
        manifest.write_file(root, name, bins.build(rng, size))

    for i in range(int(MEDIA_FILES * scale)):
        name = "media/a%02d/img_%04d%s" % (rng.randrange(10), i, rng.choice((".jpg", ".png", ".webp")))
        size = log_normal_size(rng, 120_000, 1.0, 2_000, 3 * MIB)
        manifest.write_file(root, name, rng.randbytes(size))

    for name, kind, mib in LARGE_FILES:
        size = int(mib * MIB * scale)
        if kind == "log":
            data = log_file(rng, size)
        elif kind == "binary":
            data = bins.build(rng, size)
        elif kind == "random":
            data = rng.randbytes(size)
        else:
            data = records_file(rng, size)
        manifest.write_file(root, name, data)
    return manifest


def hash_tree(root):
    """{relative path: (size, sha1)} of every regular file under root."""
    found = {}
    for folder, _, files in os.walk(root):
        for name in files:
            path = os.path.join(folder, name)
            digest = hashlib.sha1()
            with open(path, "rb") as f:
                while chunk := f.read(MIB):
                    digest.update(chunk)
            rel = os.path.relpath(path, root).replace(os.sep, "/")
            found[rel] = (os.path.getsize(path), digest.hexdigest())
    return found


def tree_matches(root, manifest_path):
    """A tool under test could have touched the corpus; then it is rebuilt."""
    try:
        return hash_tree(root) == load_manifest(manifest_path)
    except OSError:
        return False


def ensure_corpus(base, scale):
    """Returns (corpus folder, manifest dict); builds them when stale."""
    root = os.path.join(base, "corpus")
    manifest_path = os.path.join(base, "corpus.manifest")
    stamp_path = os.path.join(base, "corpus.stamp")
    stamp = generator_stamp("corpus", scale)
    if not (stamp_matches(stamp_path, stamp) and os.path.isdir(root)
            and tree_matches(root, manifest_path)):
        print("bench: generating the corpus in %s ..." % root, flush=True)
        for stale in (root, manifest_path, stamp_path):
            if os.path.isdir(stale):
                shutil.rmtree(stale)
            elif os.path.exists(stale):
                os.remove(stale)
        build_corpus(root, scale).save(manifest_path)
        with open(stamp_path, "w") as f:
            f.write(stamp)
    return root, load_manifest(manifest_path)


def ensure_listing_archive(base, entries):
    """An Info-ZIP archive of `entries` tiny files (no folder entries)."""
    archive = os.path.join(base, "list-%d.zip" % entries)
    stamp_path = archive + ".stamp"
    stamp = generator_stamp("listing", entries)
    if stamp_matches(stamp_path, stamp) and os.path.isfile(archive):
        return archive
    print("bench: generating the %d-entry listing archive ..." % entries, flush=True)
    tree = os.path.join(base, "listing")
    for stale in (tree, archive, stamp_path):
        if os.path.isdir(stale):
            shutil.rmtree(stale)
        elif os.path.exists(stale):
            os.remove(stale)
    per_folder = 1000
    for i in range(entries):
        folder = os.path.join(tree, "d%03d" % (i // per_folder))
        if i % per_folder == 0:
            os.makedirs(folder)
        with open(os.path.join(folder, "item_%06d.txt" % i), "w") as f:
            f.write("entry %d\n" % i)
    subprocess.run(["zip", "-r", "-D", "-q", "-6", os.path.basename(archive), "listing"],
                   cwd=base, check=True)
    shutil.rmtree(tree)
    with open(stamp_path, "w") as f:
        f.write(stamp)
    return archive

