#!/usr/bin/env python3
"""Runs two subplay binaries over the same option sets and inputs and compares what each
one prints, writes and exits with.

Usage, from a checkout root:

    same-outputs.py OLD_SUBPLAY NEW_SUBPLAY [EXTRA_FILES...]

Inputs: examples/*.sub, the sample files of tests/, every file of fuzz/corpus/*/ (as it is,
and copied under a .sub name so the plug-in reads it), 40 files made with
bench/polish-sub.awk (various lengths and seeds, some with odd bytes), and EXTRA_FILES.
Each option set runs on every input (usage-error sets on one input; a few sets take many
inputs at once), both binaries with the same arguments, environment and working folder.
Compared: standard output, standard error (the log's timestamps normalised), the exit
status and, for sets with -o, the bytes of every file written. Two runs at a time, 60 s
each at most. Prints the counts and the first 20 differences; exits 1 if any differ.
"""

import concurrent.futures
import os
import random
import re
import shlex
import shutil
import subprocess
import sys
import tempfile
import threading

TIMEOUT = 60
WORKERS = 2
SHOWN = 20

# Every input gets these. Play runs at a speed that makes them instant; TERM=dumb (set
# for all runs) prints one line per event.
PER_INPUT_SETS = [
    [],
    ["--format", "srt"],
    ["--format", "vtt"],
    ["--format", "json"],
    ["--format", "text"],
    ["--format", "sub"],
    ["--info"],
    ["--info", "--format", "json"],
    ["--probe"],
    ["--strict", "--format", "json"],
    ["--strict", "--format", "srt"],
    ["--fps", "25", "--format", "json"],
    ["--fps", "24000/1001", "--format", "sub"],
    ["--fps", "23.976", "--format", "srt"],
    ["--fps", "29,97", "--info", "--format", "json"],
    ["--encoding", "windows-1250", "--format", "json"],
    ["--encoding", "UTF-16LE", "--format", "text"],
    ["--ignore-signature", "--format", "json"],
    ["--strict", "--ignore-signature", "--encoding", "windows-1252", "--format", "vtt"],
    ["--language", "en-GB", "--format", "json"],
    ["--reverse", "--format", "srt"],
    ["--seek", "30", "--format", "json"],
    ["--reverse", "--seek", "1:00", "--format", "text"],
    ["--offset", "-1.5", "--scale", "23.976/25", "--format", "srt"],
    ["--offset", "500ms", "--scale", "2", "--fps", "25", "--format", "sub"],
    ["--log", "--format", "json"],
    ["--log", "--strict", "--info"],
    ["-q", "--format", "srt"],
    ["--play", "--speed", "1000000"],
    ["--play", "--speed", "1000000", "--seek", "10", "--fps", "25"],
    ["-o", "out.srt"],  # the format from the extension, written to a file
    ["--format", "json", "-"],  # the input on standard input
]

# Usage errors and option texts that are refused: one input is enough.
ONE_INPUT_SETS = [
    ["--fps", "0"],
    ["--fps", "pal"],
    ["--fps", "25/0"],
    ["--fps", "-25"],
    ["--fps", "1.0000000001"],
    ["--fps", "4294967296"],
    ["--fps", "0.000000001", "--format", "sub"],
    ["--fps", "4294967295", "--format", "json"],
    ["--format", "xml"],
    ["--seek", "1:60"],
    ["--scale", "0"],
    ["--speed", "-1", "--play"],
    ["-y", "-n"],
    ["-o", "out.xyz"],
    ["--bogus"],
    ["-i"],
    ["--help"],
]

# Sets that take many inputs in one run.
MANY_INPUT_SETS = [
    ["--info"],
    ["--info", "--format", "json"],
    ["--format", "vtt", "-o", "out/"],
    ["--format", "sub", "--fps", "25", "-o", "out/"],
    ["--log", "--format", "json", "-o", "out/"],
]

LOG_TIME = re.compile(rb"^\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\.\d+Z ", re.MULTILINE)


def repo_inputs():
    """Subtitle files of the checkout, by paths relative to its root."""
    found = sorted(
        os.path.join("examples", name)
        for name in os.listdir("examples")
        if name.lower().endswith((".sub", ".txt"))
    )
    for folder, dirs, files in os.walk("tests"):
        dirs.sort()
        for name in sorted(files):
            if name.lower().endswith((".sub", ".txt")) and name != "CMakeLists.txt":
                found.append(os.path.join(folder, name))
    corpus = []
    for folder in sorted(os.listdir(os.path.join("fuzz", "corpus"))):
        path = os.path.join("fuzz", "corpus", folder)
        for name in sorted(os.listdir(path)):
            if os.path.isfile(os.path.join(path, name)):
                corpus.append(os.path.join(path, name))
    return found, corpus


def polish(lines, seed):
    """bench/polish-sub.awk's file of `lines` lines, its generator started at `seed`. The
    script sets its seed itself, so a copy with another seed is run."""
    with open(os.path.join("bench", "polish-sub.awk"), encoding="utf-8") as f:
        source = f.read()
    if seed is not None:
        source, count = re.subn(r"seed = \d+", "seed = %d" % seed, source, count=1)
        if count != 1:
            sys.exit("same-outputs: bench/polish-sub.awk no longer sets its seed as expected")
    with tempfile.NamedTemporaryFile("w", suffix=".awk", delete=False) as script:
        script.write(source)
    try:
        return subprocess.run(
            ["awk", "-v", "lines=%d" % lines, "-f", script.name],
            env=dict(os.environ, LC_ALL="C"),
            check=True,
            stdout=subprocess.PIPE,
        ).stdout
    finally:
        os.unlink(script.name)


def odd_bytes(data, rng, count):
    data = bytearray(data)
    odd = [b"\x00", b"\xff", b"\x80", b"\xc3", b"\xe2\x82", b"\x1b[31m", b"\x7f", b"\r",
           b"\xef\xbb\xbf", b"\xf4\x90\x80\x80", b"\xed\xa0\x80", b"{", b"}", b"|", b"\n"]
    for _ in range(count):
        at = rng.randrange(len(data) + 1)
        data[at:at] = rng.choice(odd)
    return bytes(data)


def generated_inputs(folder):
    """40 files from bench/polish-sub.awk: lengths, seeds, line ends, encodings, odd bytes,
    damaged lines and names."""
    rng = random.Random(33)
    made = []

    def keep(name, data):
        path = os.path.join(folder, name)
        with open(path, "wb") as f:
            f.write(data)
        made.append(path)

    base = polish(1000, None)
    for lines in (1, 2, 3, 10, 100, 1000, 5000, 20000):
        keep("polish-%d.sub" % lines, polish(lines, None))
    for seed in (1, 7, 424242, 2147483646):
        keep("polish-seed-%d.sub" % seed, polish(300, seed))
    text = base.decode("utf-8")
    keep("polish-lf.sub", base.replace(b"\r\n", b"\n"))
    keep("polish-cr.sub", base.replace(b"\r\n", b"\r"))
    keep("polish-bom.sub", b"\xef\xbb\xbf" + base)
    keep("polish-1250.sub", text.encode("cp1250"))
    keep("polish-1250-lf.txt", text.replace("\r\n", "\n").encode("cp1250"))
    keep("polish-iso8859-2.sub", text.encode("iso8859_2"))
    keep("polish-utf16le-bom.sub", b"\xff\xfe" + text.encode("utf-16-le"))
    keep("polish-utf16be-bom.sub", b"\xfe\xff" + text.encode("utf-16-be"))
    keep("polish-utf16le.sub", text.encode("utf-16-le"))
    keep("polish-utf32le-bom.sub", text.encode("utf-32"))
    for n in range(6):
        keep("polish-odd-%d.sub" % n, odd_bytes(polish(200 + 50 * n, 1000 + n), rng, 5 + 20 * n))
    keep("polish-truncated.sub", base[: len(base) * 2 // 3 + 7])
    keep("polish-no-rate.sub", base.split(b"\r\n", 1)[1])
    lines = base.split(b"\r\n")
    shuffled = lines[1:-1]
    rng.shuffle(shuffled)
    keep("polish-shuffled.sub", b"\r\n".join(lines[:1] + shuffled + [b""]))
    keep("polish-blank-lines.sub", b"\r\n\r\n".join(lines))
    huge = [re.sub(rb"^\{\d+\}", b"{4294967295}", l) if i % 7 == 3 else l
            for i, l in enumerate(lines)]
    huge = [re.sub(rb"^\{(\d+)\}\{\d+\}", rb"{\1}{99999999999}", l) if i % 11 == 5 else l
            for i, l in enumerate(huge)]
    huge = [re.sub(rb"^\{(\d+)\}", rb"{-\1}", l) if i % 13 == 4 else l
            for i, l in enumerate(huge)]
    keep("polish-huge-frames.sub", b"\r\n".join(huge))
    keep("polish-broken-braces.sub",
         b"\r\n".join(l.replace(b"}", b"", 1) if i % 5 == 2 else l for i, l in enumerate(lines)))
    keep("polish-open-ends.sub",
         b"\r\n".join(re.sub(rb"^(\{\d+\})\{\d+\}", rb"\1{}", l) if i % 3 == 1 else l
                      for i, l in enumerate(lines)))
    keep("polish-long-line.sub", lines[0] + b"\r\n{10}{20}" + ("świt " * 30000).encode() + b"\r\n")
    keep("polish-rate-23976.sub", base.replace(b"{1}{1}25", b"{1}{1}23.976", 1))
    keep("POLISH-UPPER.SUB", polish(50, 99))
    keep("polish-controls.sub", base.replace(b"|", b"\x01|\x0b", 40))
    keep("polish-mixed-ends.sub",
         b"".join(l + rng.choice([b"\r\n", b"\n", b"\r", b"\n\r"]) for l in lines))
    return made


def corpus_copies(corpus, folder):
    """The corpus files under names the plug-in opens."""
    copies = []
    for path in corpus:
        parts = path.split(os.sep)
        target = os.path.join(folder, "corpus-%s-%s.sub" % (parts[-2], parts[-1]))
        shutil.copyfile(path, target)
        copies.append(target)
    return copies


class Runs:
    """Runs each command with both binaries, in the same folder and environment."""

    def __init__(self, old, new, root, scratch):
        self.old, self.new, self.root, self.scratch = old, new, root, scratch
        self.env = dict(os.environ, TERM="dumb")
        self.env.pop("NO_COLOR", None)
        self.env["TMPDIR"] = os.path.join(scratch, "tmp")
        os.makedirs(self.env["TMPDIR"], exist_ok=True)
        self.counter = 0
        self.lock = threading.Lock()

    def folder(self):
        with self.lock:
            self.counter += 1
            n = self.counter
        return os.path.join(self.scratch, "run-%d" % n)

    def run_one(self, binary, arguments, cwd, stdin):
        try:
            with open(stdin, "rb") if stdin else open(os.devnull, "rb") as source:
                done = subprocess.run(
                    [binary] + arguments, cwd=cwd, env=self.env, stdin=source,
                    stdout=subprocess.PIPE, stderr=subprocess.PIPE, timeout=TIMEOUT)
            return done.stdout, LOG_TIME.sub(b"<time> ", done.stderr), done.returncode
        except subprocess.TimeoutExpired as expired:
            return expired.stdout or b"", expired.stderr or b"", "timeout"

    def compare(self, arguments, stdin=None):
        """Runs `arguments` with both binaries; answers the command, the old binary's exit
        status and the differences, each as (what differed, old value, new value)."""
        writes = "-o" in arguments
        cwd = self.root
        if writes:
            # A folder of its own, with the checkout and absolute inputs reached as they
            # are, and the same relative output names for both binaries.
            cwd = self.folder()
            os.makedirs(os.path.join(cwd, "out"))
            for name in os.listdir(self.root):
                if name != "out":
                    os.symlink(os.path.join(self.root, name), os.path.join(cwd, name))
        results = []
        for binary in (self.old, self.new):
            out, err, status = self.run_one(binary, arguments, cwd, stdin)
            files = {}
            if writes:
                files = written_files(cwd)
                for path in files:
                    os.unlink(os.path.join(cwd, path))
            results.append((out, err, status, files))
        if writes:
            shutil.rmtree(cwd)
        differences = []
        for what, index in (("stdout", 0), ("stderr", 1), ("exit status", 2)):
            if results[0][index] != results[1][index]:
                differences.append((what, results[0][index], results[1][index]))
        old_files, new_files = results[0][3], results[1][3]
        for path in sorted(set(old_files) | set(new_files)):
            if old_files.get(path) != new_files.get(path):
                differences.append(("file " + path, old_files.get(path), new_files.get(path)))
        if any(r[2] == "timeout" for r in results):
            differences.append(("timeout", results[0][2], results[1][2]))
        command = "cd %s && subplay %s%s" % (
            shlex.quote(cwd if not writes else "<scratch>"),
            " ".join(shlex.quote(a) for a in arguments),
            " < " + shlex.quote(stdin) if stdin else "")
        return command, results[0][2], differences


def written_files(cwd):
    """Every regular file under cwd that the run wrote (the checkout's links left out)."""
    found = {}
    for folder, dirs, files in os.walk(cwd):
        dirs[:] = [d for d in dirs if not os.path.islink(os.path.join(folder, d))]
        for name in files:
            path = os.path.join(folder, name)
            if not os.path.islink(path):
                with open(path, "rb") as f:
                    found[os.path.relpath(path, cwd)] = f.read()
    return found


def excerpt(old, new):
    """The first line that differs, both ways, cut around the first byte that differs."""
    if not isinstance(old, bytes) or not isinstance(new, bytes):
        shown = [v[:200] if isinstance(v, bytes) else v for v in (old, new)]
        return "    old: %r\n    new: %r" % tuple(shown)
    a, b = old.split(b"\n"), new.split(b"\n")
    line = next((i for i, (x, y) in enumerate(zip(a, b)) if x != y), min(len(a), len(b)))
    x = a[line] if line < len(a) else None
    y = b[line] if line < len(b) else None
    column = 0
    if x is not None and y is not None:
        column = next((i for i, (p, q) in enumerate(zip(x, y)) if p != q), min(len(x), len(y)))
    start = max(0, column - 60)

    def cut(text):
        if text is None:
            return "(no such line)"
        return ("..." if start else "") + repr(text[start:start + 160])[2:-1]

    return "    line %d (of %d old, %d new), byte %d:\n    old: %s\n    new: %s" % (
        line + 1, len(a), len(b), column + 1, cut(x), cut(y))


def main():
    if len(sys.argv) < 3:
        sys.exit("usage: same-outputs.py OLD_SUBPLAY NEW_SUBPLAY [EXTRA_FILES...]")
    old, new = (os.path.abspath(p) for p in sys.argv[1:3])
    extra = sys.argv[3:]
    for binary in (old, new):
        if not os.access(binary, os.X_OK):
            sys.exit("same-outputs: %s is not an executable" % binary)
    if not os.path.isfile(os.path.join("bench", "polish-sub.awk")):
        sys.exit("same-outputs: run it from a checkout root (bench/polish-sub.awk not found)")
    for path in extra:
        if not os.path.isfile(path):
            sys.exit("same-outputs: %s: no such file" % path)
    root = os.getcwd()
    scratch = tempfile.mkdtemp(prefix="same-outputs-")
    try:
        generated_folder = os.path.join(scratch, "inputs")
        os.makedirs(generated_folder)
        samples, corpus = repo_inputs()
        generated = generated_inputs(generated_folder)
        copies = corpus_copies(corpus, generated_folder)
        inputs = samples + corpus + copies + generated + extra
        runs = Runs(old, new, root, scratch)

        jobs = []
        for arguments in PER_INPUT_SETS:
            for path in inputs:
                if arguments and arguments[-1] == "-":
                    jobs.append((arguments, path))
                else:
                    jobs.append((arguments + [path], None))
        for arguments in ONE_INPUT_SETS:
            jobs.append((arguments + ["examples/lighthouse.sub"], None))
        for arguments in MANY_INPUT_SETS:
            jobs.append((arguments + samples + copies[:20] + generated[:10], None))
        print("same-outputs: %d inputs, %d option sets, %d runs of each binary"
              % (len(inputs), len(PER_INPUT_SETS) + len(ONE_INPUT_SETS) + len(MANY_INPUT_SETS),
                 len(jobs)), flush=True)

        differing = []
        statuses = {}
        kinds = {}
        with concurrent.futures.ThreadPoolExecutor(WORKERS) as pool:
            for command, status, differences in pool.map(lambda job: runs.compare(*job), jobs):
                statuses[status] = statuses.get(status, 0) + 1
                if differences:
                    differing.append((command, differences))
                for what, _, _ in differences:
                    kind = "file" if what.startswith("file ") else what
                    kinds[kind] = kinds.get(kind, 0) + 1
        print("compared: %d" % len(jobs))
        print("old exit statuses: " + ", ".join(
            "%s: %d" % (status, count) for status, count in sorted(statuses.items(), key=str)))
        print("differing: %d" % len(differing) + "".join(
            ", %s in %d" % item for item in sorted(kinds.items())))
        for command, differences in differing[:SHOWN]:
            print("\n" + command)
            for what, a, b in differences:
                print("  differs: " + what)
                print(excerpt(a, b))
        return 1 if differing else 0
    finally:
        shutil.rmtree(scratch, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
