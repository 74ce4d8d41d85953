"""Packing, extracting and listing speed of ovk against the mainstream archive tools.

Run through bench/run.sh. Settings (environment):
  REPEATS=3     runs per task and tool; the median is reported
  SMALL=1       ~30 MB corpus and a 10,000-entry listing archive
  OVK_BIN=DIR   folder holding ovk and ovkview (default: <repo>/build)
  TASKS=...     comma list of pack,extract,list,window,tar,big,memory (default: all)
  BIG_GIB=5     size of the mixed file of the big task (SMALL: 0.25)
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
import largedata

MIB = 1 << 20
TIMEOUT = 900
HERE = os.path.dirname(os.path.abspath(__file__))
REPO = os.path.dirname(HERE)


class Tool:
    """One way of doing a task. `prepare` clears its outputs (untimed);
    `command` is what gets timed."""

    def __init__(self, task, name, ours, command, output=None, tree=None, env=None, check=None):
        self.task, self.name, self.ours = task, name, ours
        self.command, self.output, self.tree, self.env = command, output, tree, env
        self.checker = check    # for outputs other than the corpus: path -> "ok" or "WRONG: ..."
        self.keep_stdout = False
        self.stdout = ""        # the last run's standard output, when kept
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


# Extracted trees are moved here and deleted only once the bench ends. A
# deletion of thousands of files just before a run slows the next run's file
# creation several-fold (ext4 without a journal skips inodes freed within
# the last minutes, scanning past each), which is no user's situation.
RETIRED = "retired"


def retire(work, path):
    """Moves an extracted tree out of the way without freeing its inodes;
    deletes it instead when the disk could not hold many more."""
    if not os.path.isdir(path):
        clear(path)
        return
    if shutil.disk_usage(work).free < 8 * (1 << 30):
        clear(path)
        return
    graveyard = os.path.join(work, RETIRED)
    os.makedirs(graveyard, exist_ok=True)
    os.rename(path, os.path.join(graveyard, "%d-%s" % (len(os.listdir(graveyard)), os.path.basename(path))))


def timed(command, cwd, env, keep_stdout=False):
    """Runs command under /usr/bin/time -v; returns (rc, wall, cpu, rss KiB,
    stderr tail, stdout when kept)."""
    with tempfile.NamedTemporaryFile("r", suffix=".time") as report:
        started = time.perf_counter()
        try:
            proc = subprocess.run(["/usr/bin/time", "-v", "-o", report.name] + command,
                                  cwd=cwd, env=env, stdin=subprocess.DEVNULL,
                                  stdout=subprocess.PIPE if keep_stdout else subprocess.DEVNULL,
                                  stderr=subprocess.PIPE, timeout=TIMEOUT)
        except subprocess.TimeoutExpired:
            return -1, TIMEOUT, 0.0, 0, "timed out after %d s" % TIMEOUT, ""
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
    return rc, wall, cpu, rss, tail, (proc.stdout or b"").decode(errors="replace")


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
    for name in ("ovk", "ovkview", "ovkwindowfill"):
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


def same_file_as(source, digest):
    """A check that an extracted tree holds exactly one file equal to source."""
    def check(tree):
        found = [os.path.join(d, n) for d, _, names in os.walk(tree) for n in names]
        if len(found) != 1:
            return "WRONG: %d files extracted" % len(found)
        if os.path.getsize(found[0]) != os.path.getsize(source) or largedata.file_digest(found[0]) != digest:
            return "WRONG: the extracted file differs"
        return "ok"
    return check


def zip_test(path):
    proc = subprocess.run(["unzip", "-tq", path], stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    return "ok" if proc.returncode == 0 else "WRONG: unzip -t says %s" % proc.stderr.decode(errors="replace")[-120:]


def make_large_tools(work, ovk, big, cases):
    """The big task (one large file of mixed content, against zip -6 and
    unzip) and the memory cases (ours alone, measured by peak memory)."""
    tools = []
    if big:
        source = os.path.relpath(big, work)
        digest = largedata.file_digest(big)
        tools.append(Tool("big pack", "zip -6", False, ["zip", "-6", "-q", "-j", "big/zip.zip", source],
                          output="big/zip.zip"))
        tools.append(Tool("big pack", "ovk add", True, [ovk, "add", "big/ovk.zip", source],
                          output="big/ovk.zip", check=zip_test))
        for name, ours, tree, cmd in (
                ("unzip", False, "x/big-unzip", ["unzip", "-q", "big/zip.zip", "-d", "x/big-unzip"]),
                ("ovk extract", True, "x/big-ovk", [ovk, "extract", "-d", "x/big-ovk", "big/zip.zip"])):
            tool = Tool("big extract", name, ours, cmd, tree=tree, check=same_file_as(big, digest))
            tool.source = "big/zip.zip"
            tools.append(tool)
    for label, command in cases:
        tools.append(Tool("memory: " + label, "ovk", True, command, tree="x/memory"))
    for t in tools:
        if t.ours and not ovk:
            t.skipped = "not built"
    return tools


def tar_check(path, manifest, scratch):
    """Our tar archives must unpack with GNU tar (7z: 7zz) to exactly the corpus."""
    clear(scratch)
    os.makedirs(scratch)
    command = (["7zz", "x", "-bso0", "-bsp0", "-o" + scratch, path] if path.endswith(".7z")
               else ["tar", "-xf", path, "-C", scratch])
    proc = subprocess.run(command, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    result = (compare_tree(scratch, manifest) if proc.returncode == 0 else
              "WRONG: %s says %s" % (command[0], proc.stderr.decode(errors="replace").strip()[-120:]))
    clear(scratch)
    return result


def tar_tools(work, ovk, listing, manifest):
    """The formats beyond ZIP: GNU tar's and 7-Zip's archives of the corpus are
    the sources of the extraction rows; ours are checked by those tools."""
    scratch = os.path.join(work, "x", "check")
    tools = []
    makers = ((".tar.gz", "tar -z", ["tar", "-z"]), (".tar.xz", "tar -J", ["tar", "-J"]),
              (".tar.zst", "tar --zstd", ["tar", "--zstd"]), (".7z", "7zz -mx=5", None))
    for suffix, name, tar in makers:
        task, peer = "create " + suffix[1:], "pack/peer" + suffix
        command = (tar + ["-cf", peer, "corpus"] if tar else
                   ["7zz", "a", "-t7z", "-mx=5", "-bso0", "-bsp0", peer, "corpus"])
        tools.append(Tool(task, name, False, command, output=peer))
        tools.append(Tool(task, "ovk add", True, [ovk, "add", "pack/ovk" + suffix, "corpus/"],
                          output="pack/ovk" + suffix,
                          check=lambda path: tar_check(path, manifest, scratch)))
    for suffix, _, tar in makers:
        source, slug = "pack/peer" + suffix, suffix.replace(".", "")
        trees = {name: "x/%s-%s" % (slug, name.split()[0]) for name in ("tar -x", "bsdtar", "7zz x", "ovk extract")}
        commands = ([("tar -x", ["tar", "-xf", source, "-C", trees["tar -x"]]),
                     ("bsdtar", ["bsdtar", "-xf", source, "-C", trees["bsdtar"]])] if tar else
                    [("7zz x", ["7zz", "x", "-y", "-bso0", "-bsp0", "-o" + trees["7zz x"], source])])
        commands.append(("ovk extract", [ovk, "extract", "-d", trees["ovk extract"], source]))
        for name, command in commands:
            tool = Tool("extract " + suffix[1:], name, name == "ovk extract", command, tree=trees[name])
            tool.source = source
            tools.append(tool)
    if listing:
        tools.append(Tool("list tar.xz", "bsdtar -tf", False, ["bsdtar", "-tf", listing]))
        tools.append(Tool("list tar.xz", "ovk list", True, [ovk, "list", listing]))
    for t in tools:
        if t.ours and not ovk:
            t.skipped = "not built"
    return tools


def make_tools(work, listing, ours, tasks, tar_listing, manifest):
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
    if "tar" in tasks:
        tools += tar_tools(work, ovk, tar_listing, manifest)
    if "window" in tasks:
        # The command-line listing is the yardstick of the window's.
        tools.append(Tool("window list", "ovk list", False, [ovk, "list", listing]))
        settings = tempfile.mkdtemp(prefix="ovk-bench-settings-")
        window = Tool("window list", "ovkview", True, [ours["ovkwindowfill"], listing],
                      env=dict(headless, XDG_CONFIG_HOME=settings))
        window.keep_stdout = True
        tools.append(window)
        if not ovk:
            tools[-2].skipped = "not built"
        if not ours["ovkwindowfill"]:
            window.skipped = "not built"
    return tools


def run_once(tool, work, manifest):
    if tool.output:
        clear(os.path.join(work, tool.output))
    if tool.tree:
        retire(work, os.path.join(work, tool.tree))
        os.makedirs(os.path.join(work, tool.tree))
    source = getattr(tool, "source", None)
    if source and not os.path.isfile(os.path.join(work, source)):
        tool.failure = tool.failure or "source archive %s missing" % source
        return
    os.sync()  # leave no write-back of the previous run to this one
    rc, wall, cpu, rss, tail, tool.stdout = timed(tool.command, work, tool.env, tool.keep_stdout)
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
            tool.check = (tool.checker(path) if tool.checker else
                          check_archive(path, manifest, os.path.join(work, "x", "check")))
        if tool.name == "ovkview -c":
            shutil.move(path, os.path.join(work, "pack", "ovkview.zip"))
    if tool.tree:
        if tool.check is None and (tool.checker or manifest is not None):
            tree = os.path.join(work, tool.tree)
            tool.check = tool.checker(tree) if tool.checker else compare_tree(tree, manifest)
        retire(work, os.path.join(work, tool.tree))


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
                    wall, _, rss = tool.samples[-1]
                    print("  %-34s %-12s %8.2f s %8.1f MiB peak" % (task, tool.name, wall, rss / 1024),
                          flush=True)
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
                row["cpu_best"] = min(s[1] for s in t.samples)
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
            if task == "window list" and t.samples:
                notes.append("best cpu %.2f s" % row["cpu_best"])
                if t.ours:
                    notes.append(t.stdout.strip().split(", ", 1)[-1] + " (last run)")
            row["note"] = "; ".join(notes)
            rows.append(row)
    return rows


def fmt(value, pattern):
    return pattern % value if value is not None else "-"


def table(rows):
    width = max([26] + [len(r["task"]) for r in rows])
    head = "%-*s %-12s %9s %8s %9s %10s %8s  %s" % (
        width, "task", "tool", "median s", "cpu s", "RSS MiB", "size MiB", "ratio", "note")
    lines = [head, "-" * len(head)]
    last = None
    for r in rows:
        if last and r["task"] != last:
            lines.append("")
        last = r["task"]
        lines.append("%-*s %-12s %9s %8s %9s %10s %8s  %s" % (
            width, r["task"], r["tool"], fmt(r.get("seconds"), "%.3f"), fmt(r.get("cpu"), "%.2f"),
            fmt(r.get("rss_mib"), "%.1f"), fmt(r.get("size_mib"), "%.2f"),
            fmt(r.get("ratio"), "%.2fx"), r["note"]))
    lines.append("ratio = median wall time / median of the fastest peer of the same task")
    return lines


# The formats beyond ZIP: each row of ours against the fastest peer of its task.
TAR_LIMITS = {"create tar.gz": 0.6, "create tar.xz": 1.0, "create tar.zst": 1.0, "create 7z": 1.0,
              "extract tar.gz": 0.9, "extract tar.xz": 1.0, "extract tar.zst": 1.0, "extract 7z": 1.2,
              "list tar.xz": 1.2}


def targets(rows):
    """The goals of the streaming work, judged on this run."""
    lines = []
    zip_size = next((r.get("size_mib") for r in rows if r["task"] == "pack" and r["tool"] == "zip -6"), None)
    list_cpu = next((r.get("cpu_best") for r in rows if r["task"] == "window list" and not r["ours"]), None)
    cores = os.cpu_count() or 1
    mem_cap = 64 + 16 * (cores - 1)

    def judge(r, label, ok, detail):
        if "WRONG" in r["note"]:
            ok, detail = False, detail + ", but the result is wrong"
        lines.append("  %-5s %s (%s)" % ("MET" if ok else "MISS", label, detail))

    for r in rows:
        if not r["ours"] or "seconds" not in r:
            continue
        task, tool, ratio = r["task"], r["tool"], r.get("ratio")
        if task in TAR_LIMITS:
            peer = min((p for p in rows if p["task"] == task and not p["ours"] and "seconds" in p),
                       key=lambda p: p["seconds"], default=None)
            if peer:
                judge(r, "%s <= %.2fx %s" % (task, TAR_LIMITS[task], peer["tool"]), ratio <= TAR_LIMITS[task],
                      "%.2fx" % ratio)
            if task == "create tar.gz" and peer and r.get("size_mib") is not None:
                judge(r, "tar.gz archive <= 1.02x %s's" % peer["tool"], r["size_mib"] <= 1.02 * peer["size_mib"],
                      "%.2f vs %.2f MiB" % (r["size_mib"], peer["size_mib"]))
            judge(r, "%s peak memory <= 96 MiB" % task, r["rss_mib"] <= 96, "%.1f MiB" % r["rss_mib"])
            continue
        if task == "pack":
            judge(r, "%s packing <= 0.40x fastest peer" % tool, ratio <= 0.40, "%.2fx" % ratio)
            if zip_size and r.get("size_mib") is not None:
                judge(r, "%s archive <= zip -6 archive" % tool, r["size_mib"] <= zip_size,
                      "%.2f vs %.2f MiB" % (r["size_mib"], zip_size))
        elif task.startswith("extract"):
            unzip = next((u["seconds"] for u in rows if u["task"] == task and u["tool"] == "unzip"
                          and "seconds" in u), None)
            if unzip:
                judge(r, "%s (%s) <= 0.60x unzip" % (tool, task[8:]), r["seconds"] <= 0.60 * unzip,
                      "%.2fx" % (r["seconds"] / unzip))
        elif task == "list":
            judge(r, "ovk list <= 1.0x unzip -l", ratio <= 1.0, "%.2fx" % ratio)
        elif task in ("big pack", "big extract"):
            judge(r, "%s of the large file <= 1.0x %s" % (tool, "zip -6" if task == "big pack" else "unzip"),
                  ratio <= 1.0, "%.2fx" % ratio)
        if task == "window list":
            judge(r, "window filled within 1.0 s of start", r["seconds"] <= 1.0, "%.2f s" % r["seconds"])
            judge(r, "window holds at most 100 MB", r["rss_mib"] * MIB <= 100e6, "%.1f MiB" % r["rss_mib"])
            if list_cpu:
                lines.append("  %-5s window's processor time, best of runs: %.2f s against ovk list's %.2f s (%.2fx)"
                             % ("INFO", r["cpu_best"], list_cpu, r["cpu_best"] / list_cpu))
        else:
            judge(r, "%s / %s peak memory < 64 MiB + 16 MiB per extra core" % (task, tool),
                  r["rss_mib"] < mem_cap, "%.1f vs %d MiB" % (r["rss_mib"], mem_cap))
    for r in rows:
        if "WRONG" in r["note"] or "FAILED" in r["note"]:
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
    tasks = set(os.environ.get("TASKS", "pack,extract,list,window,tar,big,memory").split(","))
    big_size = int(float(os.environ.get("BIG_GIB", "0.25" if small else "5")) * (1 << 30))
    out = os.path.abspath(os.environ.get("BENCH_OUT") or os.path.join(HERE, "out"))
    base = os.path.join(out, "small" if small else "full")
    os.makedirs(base, exist_ok=True)
    started = time.time()
    load_start = "%.2f %.2f %.2f" % os.getloadavg()

    root, manifest = corpus.ensure_corpus(base, 0.1 if small else 1.0)
    entries = 10_000 if small else 100_000
    listing = corpus.ensure_listing_archive(base, entries) if tasks & {"list", "window"} else None
    tar_listing = largedata.ensure_listing_tar(base, entries) if "tar" in tasks else None
    big = largedata.ensure_mixed_file(base, big_size) if "big" in tasks else None
    cases = memory_cases(base, small) if "memory" in tasks else []
    for sub in ("pack", "x", "big", RETIRED):
        clear(os.path.join(base, sub))
        os.makedirs(os.path.join(base, sub))
    clear(os.path.join(base, "corpus.zip"))

    folder, ours = find_ours()
    tools = make_tools(base, listing, ours, tasks, tar_listing, manifest)
    measure(tools, base, manifest, repeats)
    # The large inputs take minutes per run: once each.
    large = make_large_tools(base, ours["ovk"], big, [(label, [ours["ovk"]] + args) for label, args in cases])
    measure(large, base, None, 1)
    tools += large
    clear(os.path.join(base, RETIRED))
    rows = summarise(tools)

    total = sum(size for size, _ in manifest.values())
    largest = max(size for size, _ in manifest.values())
    large_line = ("large file: %.2f GiB of mixed content" % (big_size / (1 << 30)) if big
                  else "large file: not measured")
    missing = [n for n, p in ours.items() if not p]
    header = [
        "OVK benchmark  %s  (%s)" % (datetime.datetime.now().strftime("%Y-%m-%d %H:%M"),
                                     "SMALL" if small else "full"),
        "machine: %s, %d cores, %s" % (platform.machine(), os.cpu_count(), cpu_model()),
        "corpus: %d files, %.1f MiB, largest %.1f MiB; listing archive: %d entries; repeats: %d"
        % (len(manifest), total / MIB, largest / MIB, entries, repeats),
        large_line,
        "ours: %s" % folder + ("" if not missing else
                               "  -- %s NOT FOUND, peers only for those rows" % " and ".join(missing)),
        "peers: %s" % peer_versions(),
        "load average at start %s, at end %s (other work on the machine skews the times)"
        % (load_start, "%.2f %.2f %.2f" % os.getloadavg()),
        "",
    ]
    lines = header + table(rows) + [""] + targets(rows) + [
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


def memory_cases(base, small):
    """(label, ovk arguments) of the cases whose peak memory must stay
    bounded whatever the sizes; paths are relative to base."""
    zeros = (400 if small else 4000) * 1000 * 1000
    added = (256 if small else 2047) * MIB
    bomb = os.path.relpath(largedata.ensure_zip_bomb(base, zeros), base)
    unsized = os.path.relpath(largedata.ensure_unsized_native(base, zeros), base)
    sparse = os.path.relpath(largedata.ensure_sparse_file(base, added), base)
    tar_zeros = (256 if small else 3072) * MIB
    zeros_tar_gz = os.path.relpath(largedata.ensure_zeros_tar_gz(base, tar_zeros), base)
    return [
        ("zip bomb, %.1f GB of zeros" % (zeros / 1e9), ["extract", "-d", "x/memory", bomb]),
        ("native without sizes, %.1f GB" % (zeros / 1e9), ["extract", "-d", "x/memory", unsized]),
        ("add %d MiB file to a ZIP" % (added // MIB), ["add", "x/memory/add.zip", sparse]),
        ("add %d MiB file to a native" % (added // MIB), ["add", "--native", "x/memory/add.ovk", sparse]),
        ("tar.gz of %.1f GiB of zeros" % (tar_zeros / (1 << 30)), ["extract", "-d", "x/memory", zeros_tar_gz]),
    ]


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
