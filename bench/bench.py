"""Packing, extracting and listing speed of ovk against the mainstream ZIP tools.

Run through bench/run.sh. Settings (environment):
  REPEATS=3     runs per task and tool; the median is reported
  SMALL=1       ~30 MB corpus and a 10,000-entry listing archive
  OVK_BIN=DIR   folder holding ovk and ovkview (default: <repo>/build)
  TASKS=...     comma list of pack,extract,list (default: all)
  BENCH_OUT=DIR where data and results go (default: <repo>/bench/out)
"""

import csv
import datetime
import os
import platform
import re
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

import corpus

MIB = 1 << 20
TIMEOUT = 900
HERE = os.path.dirname(os.path.abspath(__file__))
REPO = os.path.dirname(HERE)


class Tool:
    """One way of doing a task. `prepare` clears its outputs (untimed);
    `command` is what gets timed."""

    def __init__(self, task, name, ours, command, output=None, tree=None, env=None):
        self.task, self.name, self.ours = task, name, ours
        self.command, self.output, self.tree, self.env = command, output, tree, env
        self.samples = []       # (wall s, cpu s, max RSS KiB)
        self.failure = None     # first failure text
        self.check = None       # result of the correctness check, once
        self.size = None        # archive size in bytes (packing)
        self.skipped = None     # reason the tool was not measured

    def row_key(self):
        return (self.task, self.name)


def clear(path):
    if os.path.isdir(path) and not os.path.islink(path):
        shutil.rmtree(path)
    elif os.path.lexists(path):
        os.remove(path)


def timed(command, cwd, env):
    """Runs command under /usr/bin/time -v; returns (rc, wall, cpu, rss KiB, stderr tail)."""
    with tempfile.NamedTemporaryFile("r", suffix=".time") as report:
        started = time.perf_counter()
        try:
            proc = subprocess.run(["/usr/bin/time", "-v", "-o", report.name] + command,
                                  cwd=cwd, env=env, stdin=subprocess.DEVNULL,
                                  stdout=subprocess.DEVNULL, stderr=subprocess.PIPE,
                                  timeout=TIMEOUT)
        except subprocess.TimeoutExpired:
            return -1, TIMEOUT, 0.0, 0, "timed out after %d s" % TIMEOUT
        wall = time.perf_counter() - started
        text = report.read()
        fields = {}
        for line in text.splitlines():
            key, sep, value = line.strip().rpartition(": ")
            if sep:
                fields[key] = value
    rc = int(fields.get("Exit status", proc.returncode))
    if "Command terminated by signal" in text:
        rc = rc or -1
    cpu = float(fields.get("User time (seconds)", 0)) + float(fields.get("System time (seconds)", 0))
    rss = int(fields.get("Maximum resident set size (kbytes)", 0))
    tail = proc.stderr.decode(errors="replace").strip()[-300:]
    return rc, wall, cpu, rss, tail


def compare_tree(root, manifest):
    """'ok' or a short account of what differs from the corpus. Archives made
    from 'corpus/' hold that folder; ours hold its contents only."""
    if os.path.isdir(os.path.join(root, "corpus")) and len(os.listdir(root)) == 1:
        root = os.path.join(root, "corpus")
    found = corpus.hash_tree(root)
    missing = [p for p in manifest if p not in found]
    extra = [p for p in found if p not in manifest]
    differ = [p for p in manifest if p in found and found[p] != manifest[p]]
    if not (missing or extra or differ):
        return "ok"
    parts = []
    for label, items in (("missing", missing), ("differ", differ), ("extra", extra)):
        if items:
            parts.append("%d %s (e.g. %s)" % (len(items), label, sorted(items)[0]))
    return "WRONG: " + ", ".join(parts)


def check_archive(archive, manifest, scratch):
    """Our archives must unpack with Info-ZIP unzip to exactly the corpus."""
    clear(scratch)
    os.makedirs(scratch)
    proc = subprocess.run(["unzip", "-q", archive, "-d", scratch], stdout=subprocess.DEVNULL,
                          stderr=subprocess.PIPE)
    if proc.returncode != 0:
        result = "WRONG: unzip says %s" % proc.stderr.decode(errors="replace").strip()[-120:]
    else:
        result = compare_tree(scratch, manifest)
    clear(scratch)
    return result


def find_ours():
    folder = os.path.abspath(os.environ.get("OVK_BIN") or os.path.join(REPO, "build"))
    found = {}
    for name in ("ovk", "ovkview"):
        path = os.path.join(folder, name)
        found[name] = path if os.access(path, os.X_OK) else None
    return folder, found


def tool_version(command, pattern):
    """The first version-like text of a tool's banner, for the header."""
    try:
        out = subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                             timeout=10).stdout.decode(errors="replace")
    except (OSError, subprocess.TimeoutExpired):
        return "?"
    match = re.search(pattern, out)
    return match.group(0) if match else "?"


def peer_versions():
    return ", ".join(tool_version(cmd, pattern) for cmd, pattern in (
        (["zip", "-v"], r"Zip \d[\w.]*"), (["unzip", "-v"], r"UnZip \d[\w.]*"),
        (["bsdtar", "--version"], r"bsdtar \d[\w.]*"), (["7zz", "i"], r"7-Zip \(z\) [\d.]+")))


def make_tools(work, listing, ours, tasks):
    """Every (task, tool) pair, peers first. Paths are relative to `work`."""
    ovk, ovkview = ours["ovk"], ours["ovkview"]
    headless = dict(os.environ, QT_QPA_PLATFORM="offscreen")
    tools = []
    if "pack" in tasks:
        def pack(name, is_ours, cmd, output, env=None):
            tools.append(Tool("pack", name, is_ours, cmd, output=output, env=env))
        pack("zip -6", False, ["zip", "-r", "-6", "-q", "pack/zip.zip", "corpus"], "pack/zip.zip")
        pack("bsdtar", False, ["bsdtar", "--format", "zip", "-cf", "pack/bsdtar.zip", "corpus"],
             "pack/bsdtar.zip")
        pack("7zz -mx=5", False, ["7zz", "a", "-tzip", "-mx=5", "-bso0", "-bsp0",
                                  "pack/7zz.zip", "corpus"], "pack/7zz.zip")
        pack("ovk add", True, [ovk, "add", "pack/ovk.zip", "corpus/"], "pack/ovk.zip")
        # The packing mode names its archive after the folder: corpus.zip here.
        pack("ovkview -c", True, [ovkview, "-c", "corpus/"], "corpus.zip", env=headless)
        for t in tools:
            if t.ours and not (ovk if t.name == "ovk add" else ovkview):
                t.skipped = "not built"
    if "extract" in tasks:
        for source, archive in (("zip -6 archive", "pack/zip.zip"), ("ovk archive", "pack/ovk.zip")):
            task = "extract " + source
            def extract(name, is_ours, cmd, tree):
                tools.append(Tool(task, name, is_ours, cmd, tree=tree))
            slug = "zip" if source.startswith("zip") else "ovk"
            extract("unzip", False, ["unzip", "-q", archive, "-d", "x/%s-unzip" % slug],
                    "x/%s-unzip" % slug)
            extract("bsdtar", False, ["bsdtar", "-xf", archive, "-C", "x/%s-bsdtar" % slug],
                    "x/%s-bsdtar" % slug)
            extract("7zz", False, ["7zz", "x", "-y", "-bso0", "-bsp0", "-ox/%s-7zz" % slug, archive],
                    "x/%s-7zz" % slug)
            extract("ovk extract", True, [ovk, "extract", "-d", "x/%s-ovk" % slug, archive],
                    "x/%s-ovk" % slug)
            for t in tools[-4:]:
                t.source = archive
                if t.ours and not ovk:
                    t.skipped = "not built"
                elif slug == "ovk" and not ovk:
                    t.skipped = "no ovk archive"
    if "list" in tasks:
        tools.append(Tool("list", "unzip -l", False, ["unzip", "-l", listing]))
        tools.append(Tool("list", "ovk list", True, [ovk, "list", listing]))
        if not ovk:
            tools[-1].skipped = "not built"
    return tools


def run_once(tool, work, manifest):
    if tool.output:
        clear(os.path.join(work, tool.output))
    if tool.tree:
        clear(os.path.join(work, tool.tree))
        os.makedirs(os.path.join(work, tool.tree))
    source = getattr(tool, "source", None)
    if source and not os.path.isfile(os.path.join(work, source)):
        tool.failure = tool.failure or "source archive %s missing" % source
        return
    os.sync()  # leave no write-back of the previous run to this one
    rc, wall, cpu, rss, tail = timed(tool.command, work, tool.env)
    if rc != 0:
        tool.failure = tool.failure or "exit %d: %s" % (rc, tail.splitlines()[-1] if tail else "")
        return
    tool.samples.append((wall, cpu, rss))
    if tool.output:
        path = os.path.join(work, tool.output)
        if not os.path.isfile(path):
            tool.failure = tool.failure or "no archive written"
            tool.samples.pop()
            return
        tool.size = os.path.getsize(path)
        if tool.ours and tool.check is None:
            tool.check = check_archive(path, manifest, os.path.join(work, "x", "check"))
        if tool.name == "ovkview -c":
            shutil.move(path, os.path.join(work, "pack", "ovkview.zip"))
    if tool.tree:
        if tool.check is None:
            tool.check = compare_tree(os.path.join(work, tool.tree), manifest)
        clear(os.path.join(work, tool.tree))


def measure(tools, work, manifest, repeats):
    tasks = list(dict.fromkeys(t.task for t in tools))
    for round_no in range(repeats):
        print("bench: round %d of %d" % (round_no + 1, repeats), flush=True)
        for task in tasks:
            group = [t for t in tools if t.task == task and not t.skipped]
            # Rotate the order per round so no tool always runs first or last.
            shift = round_no % max(1, len(group))
            for tool in group[shift:] + group[:shift]:
                run_once(tool, work, manifest)
                if tool.samples and len(tool.samples) == round_no + 1:
                    print("  %-28s %-12s %8.2f s" % (task, tool.name, tool.samples[-1][0]), flush=True)
                elif tool.failure:
                    print("  %-28s %-12s FAILED %s" % (task, tool.name, tool.failure), flush=True)


def summarise(tools):
    rows = []
    for task in dict.fromkeys(t.task for t in tools):
        group = [t for t in tools if t.task == task]
        medians = {t.name: statistics.median(s[0] for s in t.samples) for t in group if t.samples}
        peers = [medians[t.name] for t in group if not t.ours and t.name in medians]
        fastest = min(peers) if peers else None
        for t in group:
            row = {"task": task, "tool": t.name, "ours": t.ours, "runs": len(t.samples)}
            if t.samples:
                row["seconds"] = medians[t.name]
                row["cpu"] = statistics.median(s[1] for s in t.samples)
                row["rss_mib"] = max(s[2] for s in t.samples) / 1024
                if fastest:
                    row["ratio"] = medians[t.name] / fastest
            if t.size is not None:
                row["size_mib"] = t.size / MIB
            notes = []
            if t.skipped:
                notes.append(t.skipped)
            if t.failure:
                notes.append("FAILED " + t.failure)
            if t.check:
                notes.append("check " + t.check)
            row["note"] = "; ".join(notes)
            rows.append(row)
    return rows


def fmt(value, pattern):
    return pattern % value if value is not None else "-"


def table(rows):
    head = "%-26s %-12s %9s %8s %9s %10s %8s  %s" % (
        "task", "tool", "median s", "cpu s", "RSS MiB", "size MiB", "ratio", "note")
    lines = [head, "-" * len(head)]
    last = None
    for r in rows:
        if last and r["task"] != last:
            lines.append("")
        last = r["task"]
        lines.append("%-26s %-12s %9s %8s %9s %10s %8s  %s" % (
            r["task"], r["tool"], fmt(r.get("seconds"), "%.3f"), fmt(r.get("cpu"), "%.2f"),
            fmt(r.get("rss_mib"), "%.1f"), fmt(r.get("size_mib"), "%.2f"),
            fmt(r.get("ratio"), "%.2fx"), r["note"]))
    lines.append("ratio = median wall time / median of the fastest peer of the same task")
    return lines


def targets(rows, largest):
    """The goals of the speed work, judged on this run."""
    by = {(r["task"], r["tool"]): r for r in rows}
    lines = []

    def judge(label, ok, detail):
        if "WRONG" in r["note"]:
            ok, detail = False, detail + ", but the result is wrong"
        lines.append("  %-5s %s (%s)" % ("MET" if ok else "MISS", label, detail))

    zip_size = by.get(("pack", "zip -6"), {}).get("size_mib")
    mem_cap = 3 * largest / MIB + 64
    for r in rows:
        if not r["ours"] or "ratio" not in r:
            continue
        if r["task"] == "pack":
            judge("%s packing <= 0.5x fastest peer" % r["tool"], r["ratio"] <= 0.5, "%.2fx" % r["ratio"])
            if zip_size and r.get("size_mib") is not None:
                judge("%s archive <= zip -6 archive" % r["tool"], r["size_mib"] <= zip_size,
                      "%.2f vs %.2f MiB" % (r["size_mib"], zip_size))
            judge("%s packing peak memory <= 3 x largest file + 64 MiB" % r["tool"],
                  r["rss_mib"] <= mem_cap, "%.1f vs %.1f MiB" % (r["rss_mib"], mem_cap))
        elif r["task"].startswith("extract"):
            judge("%s (%s) <= 0.6x fastest peer" % (r["tool"], r["task"][8:]), r["ratio"] <= 0.6,
                  "%.2fx" % r["ratio"])
        elif r["task"] == "list":
            judge("ovk list no slower than unzip -l", r["ratio"] <= 1.0, "%.2fx" % r["ratio"])
    wrong = [r for r in rows if "WRONG" in r["note"] or "FAILED" in r["note"]]
    for r in wrong:
        lines.append("  FAULT %s / %s: %s" % (r["task"], r["tool"], r["note"]))
    if not lines:
        lines.append("  (nothing of ours measured)")
    return ["Targets:"] + lines


def write_csv(path, rows):
    fields = ["task", "tool", "ours", "runs", "seconds", "cpu", "rss_mib", "size_mib", "ratio", "note"]
    with open(path, "w", newline="") as f:
        writer = csv.DictWriter(f, fieldnames=fields)
        writer.writeheader()
        for r in rows:
            writer.writerow({k: ("%.4f" % v if isinstance(v, float) else v)
                             for k, v in r.items() if k in fields})


def write_samples(path, tools):
    with open(path, "w", newline="") as f:
        writer = csv.writer(f)
        writer.writerow(["task", "tool", "run", "seconds", "cpu", "rss_kib"])
        for t in tools:
            for i, (wall, cpu, rss) in enumerate(t.samples, 1):
                writer.writerow([t.task, t.name, i, "%.4f" % wall, "%.2f" % cpu, rss])


def main():
    small = os.environ.get("SMALL", "0") not in ("", "0")
    repeats = max(1, int(os.environ.get("REPEATS", "3")))
    tasks = set(os.environ.get("TASKS", "pack,extract,list").split(","))
    out = os.path.abspath(os.environ.get("BENCH_OUT") or os.path.join(HERE, "out"))
    base = os.path.join(out, "small" if small else "full")
    os.makedirs(base, exist_ok=True)
    started = time.time()
    load_start = "%.2f %.2f %.2f" % os.getloadavg()

    root, manifest = corpus.ensure_corpus(base, 0.1 if small else 1.0)
    entries = 10_000 if small else 100_000
    listing = corpus.ensure_listing_archive(base, entries) if "list" in tasks else None
    for sub in ("pack", "x"):
        clear(os.path.join(base, sub))
        os.makedirs(os.path.join(base, sub))
    clear(os.path.join(base, "corpus.zip"))

    folder, ours = find_ours()
    tools = make_tools(base, listing, ours, tasks)
    measure(tools, base, manifest, repeats)
    rows = summarise(tools)

    total = sum(size for size, _ in manifest.values())
    largest = max(size for size, _ in manifest.values())
    missing = [n for n, p in ours.items() if not p]
    header = [
        "OVK benchmark  %s  (%s)" % (datetime.datetime.now().strftime("%Y-%m-%d %H:%M"),
                                     "SMALL" if small else "full"),
        "machine: %s, %d cores, %s" % (platform.machine(), os.cpu_count(), cpu_model()),
        "corpus: %d files, %.1f MiB, largest %.1f MiB; listing archive: %d entries; repeats: %d"
        % (len(manifest), total / MIB, largest / MIB, entries, repeats),
        "ours: %s" % folder + ("" if not missing else
                               "  -- %s NOT FOUND, peers only for those rows" % " and ".join(missing)),
        "peers: %s" % peer_versions(),
        "load average at start %s, at end %s (other work on the machine skews the times)"
        % (load_start, "%.2f %.2f %.2f" % os.getloadavg()),
        "",
    ]
    lines = header + table(rows) + [""] + targets(rows, largest) + [
        "", "run time %.0f s; samples: %s" % (time.time() - started, os.path.join(base, "samples.csv"))]
    text = "\n".join(lines) + "\n"
    print()
    print(text, end="")
    with open(os.path.join(out, "results.txt"), "w") as f:
        f.write(text)
    write_csv(os.path.join(out, "results.csv"), rows)
    write_samples(os.path.join(base, "samples.csv"), tools)
    print("written: %s, %s" % (os.path.join(out, "results.txt"), os.path.join(out, "results.csv")))
    return 1 if any("WRONG" in r["note"] for r in rows) else 0


def cpu_model():
    try:
        with open("/proc/cpuinfo") as f:
            for line in f:
                if line.startswith("model name"):
                    return line.split(":", 1)[1].strip()
    except OSError:
        pass
    return platform.processor() or "?"


if __name__ == "__main__":
    sys.exit(main())
