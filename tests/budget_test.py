#!/usr/bin/env python3
"""Resource budgets of zentro, counted (never timed).

    budget_test.py syscalls ZENTRO   per entry: one open, one size query and
                                     one close of the data file, nothing else;
                                     output in full 512-byte writes; reads
                                     only from memcfg.cfg (needs strace)
    budget_test.py memory ZENTRO     peak memory flat in the number of lines

Both run zentro in both modes, in generated projects with comments, remarks,
start-address lines, missing data files and sizes that are not multiples of
4 (so warnings and key waits occur), standard input from /dev/null and
standard output redirected to a file. Exit status 77 means skipped.
"""

import collections
import os
import re
import shutil
import subprocess
import sys
import tempfile

SKIP = 77
MODES = ([], ["-asm"])
OUTPUTS = ("caetla.bat", "addrs.h", "loadtims.c", "data.s", "justexe.bat")
EXTENSIONS = ("tim", "vh", "vb", "bin", "TIM", "lvl")

# Size queries, reads and writes, by the names strace may show for them.
SIZE_CALLS = {"fstat", "fstat64", "newfstatat", "fstatat64", "statx"}
READ_CALLS = {"read", "pread64", "readv", "preadv", "preadv2"}
WRITE_CALLS = {"write", "pwrite64", "writev", "pwritev", "pwritev2"}
# Calls that have no business once per line or per warning in a run whose
# output is redirected: terminal queries, flushes to disk, seeks, waits,
# memory growth.
FORBIDDEN_PER_ENTRY = {"ioctl", "fsync", "fdatasync", "sync", "syncfs", "lseek",
                       "_llseek", "poll", "ppoll", "select", "pselect6", "fcntl",
                       "mmap", "munmap", "brk", "mremap"}


def data_file_names(count):
    return ["d%04d.%s" % (i, EXTENSIONS[i % len(EXTENSIONS)]) for i in range(count)]


def make_project(root, entries, files=200):
    """A project of `entries` entry lines over `files` data files; returns the
    number of entry lines (missing files included)."""
    data = os.path.join(root, "data")
    os.makedirs(data, exist_ok=True)
    names = data_file_names(files)
    for i, name in enumerate(names):
        path = os.path.join(data, name)
        if not os.path.exists(path):
            with open(path, "wb"):
                pass
            # Every third size is not a multiple of 4: the end is rounded up
            # with a warning and a key wait.
            os.truncate(path, 64 + 4 * i + (i % 3 == 1) * (1 + i % 3))
    with open(os.path.join(data, "memcfg.cfg"), "w") as f:
        f.write("# generated project: %d entries\n\n" % entries)
        for k in range(entries):
            if k % 50 == 0:
                f.write("# group %d\n" % (k // 50))
            if k % 97 == 0:
                f.write("$%X\n" % (0x80100000 + k * 4))
            if k % 61 == 7:
                f.write("missing%d.bin a file that is not there\n" % k)
                continue
            name = names[k % files]
            if k % 5 == 0:
                f.write("%s remark for entry %d\n" % (name, k))
            elif k % 5 == 1:
                f.write(" %s commented out\n%s\n" % (name, name))
            else:
                f.write(name + "\n")
    return entries


def clean_outputs(root):
    for name in OUTPUTS + ("stdout.txt",):
        path = os.path.join(root, name)
        if os.path.exists(path):
            os.remove(path)


def output_bytes(root):
    """Bytes in every generated file and in the redirected standard output."""
    return sum(os.path.getsize(os.path.join(root, n))
               for n in OUTPUTS + ("stdout.txt",) if os.path.exists(os.path.join(root, n)))


def run(zentro, root, args, prefix=()):
    """Runs zentro in root/data; returns (exit status, resource usage)."""
    clean_outputs(root)
    with open(os.devnull, "rb") as stdin, open(os.path.join(root, "stdout.txt"), "wb") as out:
        proc = subprocess.Popen(list(prefix) + [zentro] + args, cwd=os.path.join(root, "data"),
                                stdin=stdin, stdout=out)
        _, status, usage = os.wait4(proc.pid, 0)
        proc.returncode = os.waitstatus_to_exitcode(status)
    return proc.returncode, usage


CALL = re.compile(r'^(?:\[?pid\s+)?(?:\d+\]?\s+)?(\w+)\((.*)\)\s+=\s+(-?\d+|\?)')


def parse_trace(path):
    """The calls of an strace log as (name, arguments, result) tuples."""
    calls = []
    with open(path, errors="replace") as f:
        for line in f:
            m = CALL.match(line)
            if m:
                result = int(m.group(3)) if m.group(3) != "?" else None
                calls.append((m.group(1), m.group(2), result))
    return calls


def first_fd(args):
    m = re.match(r'\s*(-?\d+)', args)
    return int(m.group(1)) if m else None


def opened_path(name, args):
    """The path of an open call, or None for any other call."""
    if name in ("open", "creat"):
        m = re.match(r'\s*"((?:[^"\\]|\\.)*)"', args)
    elif name in ("openat", "openat2"):
        m = re.match(r'\s*[^,]+,\s*"((?:[^"\\]|\\.)*)"', args)
    else:
        return None
    return m.group(1) if m else None


class Failures:
    def __init__(self):
        self.messages = []

    def check(self, ok, message):
        if not ok:
            self.messages.append(message)
            print("FAIL: " + message)
        return ok


def analyse(calls, config_size, entry_names, fail, label):
    """Checks one run's calls; returns the per-name call counts and the
    total bytes written."""
    counts = collections.Counter(c[0] for c in calls)
    fds = {}            # open descriptor -> path it was opened with
    cfg_fd = None
    after_cfg = False
    data_opens = 0
    data_fd_calls = collections.Counter()
    reads = 0
    written = 0
    writes = 0
    odd_write_sizes = collections.Counter()
    stray_reads = collections.Counter()  # path -> reads not from memcfg.cfg
    for name, args, result in calls:
        path = opened_path(name, args)
        if path is not None:
            if path == "memcfg.cfg":
                after_cfg = True
            if after_cfg and path in entry_names:
                data_opens += 1
            if result is not None and result >= 0:
                fds[result] = path
                if path == "memcfg.cfg":
                    cfg_fd = result
            continue
        fd = first_fd(args)
        path = fds.get(fd)
        if after_cfg and path in entry_names:
            data_fd_calls[name] += 1
        if name in READ_CALLS and after_cfg:
            if fd == cfg_fd:
                reads += 1
            else:
                stray_reads[path] += 1
        if name in WRITE_CALLS and result is not None and result > 0:
            writes += 1
            written += result
            if result != 512:
                odd_write_sizes[fd] += 1
        if name == "close":
            fds.pop(fd, None)
    fail.check(cfg_fd is not None, "%s: memcfg.cfg was never opened" % label)
    fail.check(not stray_reads, "%s: reads come only from memcfg.cfg, but %d came from %s"
               % (label, sum(stray_reads.values()), sorted(stray_reads)[:5]))
    other = {k: v for k, v in data_fd_calls.items() if k not in SIZE_CALLS and k != "close"}
    fail.check(not other, "%s: a data file is only opened, measured and closed, but it also "
               "got %s" % (label, other))
    # memcfg.cfg is read in blocks, not a line at a time.
    fail.check(reads <= config_size // 512 + 2,
               "%s: %d reads of a %d-byte memcfg.cfg: it is read line by line, not in blocks"
               % (label, reads, config_size))
    fail.check(data_fd_calls["close"] <= data_opens,
               "%s: %d closes of data files for %d opens" % (label, data_fd_calls["close"], data_opens))
    sizes = sum(v for k, v in data_fd_calls.items() if k in SIZE_CALLS)
    fail.check(sizes <= data_opens,
               "%s: %d size queries of data files for %d opens" % (label, sizes, data_opens))
    # Every stream writes full 512-byte blocks but its last one.
    full = written / 512
    fail.check(abs(writes - full) <= 0.02 * full,
               "%s: %d write calls for %d bytes (%.1f full blocks): output is not written "
               "in full 512-byte blocks" % (label, writes, written, full))
    fail.check(all(v <= 1 for v in odd_write_sizes.values()),
               "%s: descriptors with more than one short write: %s" % (label, dict(odd_write_sizes)))
    return counts, data_opens, written


def test_syscalls(zentro, tmp):
    if not sys.platform.startswith("linux"):
        print("SKIP: system calls are counted with strace, on Linux only")
        return SKIP
    if os.environ.get("ZENTRO_RUN"):
        print("SKIP: ZENTRO_RUN runs zentro some other way; strace would trace that instead")
        return SKIP
    strace = shutil.which("strace")
    if not strace:
        print("SKIP: strace is not installed (apt-get install strace); system calls not counted")
        return SKIP
    probe = subprocess.run([strace, "-o", os.devnull, "true"], capture_output=True)
    if probe.returncode != 0:
        print("SKIP: strace cannot trace here (%s)" % probe.stderr.decode(errors="replace").strip())
        return SKIP

    fail = Failures()
    base = 3000
    entry_names = set(data_file_names(200))
    projects = {}
    for n in (base, 2 * base):
        root = os.path.join(tmp, "p%d" % n)
        make_project(root, n)
        with open(os.path.join(root, "data", "memcfg.cfg")) as f:
            text = f.read()
        missing = set(re.findall(r'^(missing\d+\.bin)', text, re.M))
        projects[n] = (root, os.path.getsize(os.path.join(root, "data", "memcfg.cfg")),
                       entry_names | missing)

    for args in MODES:
        mode = "asm mode" if args else "default mode"
        results = {}
        for n, (root, cfg_size, names) in projects.items():
            label = "%s, %d entries" % (mode, n)
            trace = os.path.join(tmp, "trace-%d-%s.txt" % (n, "asm" if args else "default"))
            status, _ = run(zentro, root, args, [strace, "-f", "-qq", "-s", "0", "-o", trace, "--"])
            fail.check(status == 0, "%s: exit status %d" % (label, status))
            calls = parse_trace(trace)
            counts, opens, written = analyse(calls, cfg_size, names, fail, label)
            on_disk = output_bytes(root)
            fail.check(written == on_disk,
                       "%s: the trace shows %d bytes written, the outputs hold %d"
                       % (label, written, on_disk))
            fail.check(n - len(names - entry_names) <= opens <= n,
                       "%s: %d data file opens for %d entries" % (label, opens, n))
            results[n] = counts
            print("%s: %d calls, %d writes, %d bytes written"
                  % (label, sum(counts.values()), sum(counts[w] for w in WRITE_CALLS), written))

        # The extra calls of the bigger project: per extra entry the open, the
        # size query and the close, besides reads of memcfg.cfg and writes.
        small, big = results[base], results[2 * base]
        extra = {k: big[k] - small[k] for k in set(big) | set(small) if big[k] != small[k]}
        other = sum(v for k, v in extra.items() if k not in READ_CALLS | WRITE_CALLS)
        print("%s: extra calls for %d extra entries: %s" % (mode, base, dict(sorted(extra.items()))))
        fail.check(other <= 3 * base,
                   "%s: %d calls besides reads and writes for %d extra entries (budget %d): %s"
                   % (mode, other, base, 3 * base, dict(sorted(extra.items()))))
        for name in sorted(FORBIDDEN_PER_ENTRY & set(extra)):
            fail.check(False, "%s: %s grows with the number of entries (%+d for %d extra entries)"
                       % (mode, name, extra[name], base))
    return 1 if fail.messages else 0


def test_memory(zentro, tmp):
    if os.environ.get("ZENTRO_RUN"):
        print("SKIP: ZENTRO_RUN runs zentro some other way; its memory is not zentro's")
        return SKIP
    # The peak comes from GNU time, not from this script's own wait4: a child
    # forked from a process starts with that process's resident size as its
    # peak, and this Python process is larger than zentro.
    gnutime = "/usr/bin/time"
    if not os.access(gnutime, os.X_OK):
        print("SKIP: /usr/bin/time is not installed (apt-get install time); memory not measured")
        return SKIP
    fail = Failures()
    small, big = 10000, 1000000
    peaks = {}
    report = os.path.join(tmp, "time.txt")
    for n in (small, big):
        root = os.path.join(tmp, "m%d" % n)
        make_project(root, n, files=1000)
        for args in MODES:
            label = "%s, %d entries" % ("asm mode" if args else "default mode", n)
            # The peak varies by some pages from run to run: the small
            # project, cheap to run, counts with the largest of three.
            peak = 0
            for _ in range(3 if n == small else 1):
                status, _ = run(zentro, root, args, [gnutime, "-f", "%M", "-o", report])
                fail.check(status == 0, "%s: exit status %d" % (label, status))
                with open(report) as f:
                    peak = max(peak, int(f.read().split()[-1]))  # KiB
            peaks[(n, bool(args))] = peak
            print("%s: peak resident memory %d KiB" % (label, peak))
        shutil.rmtree(root)
    for asm in (False, True):
        grown = peaks[(big, asm)] - peaks[(small, asm)]
        fail.check(grown <= 256,
                   "%s: peak memory grows by %d KiB from %d to %d entries (budget 256 KiB)"
                   % ("asm mode" if asm else "default mode", grown, small, big))
    return 1 if fail.messages else 0


def main():
    if len(sys.argv) != 3 or sys.argv[1] not in ("syscalls", "memory"):
        print(__doc__)
        return 2
    zentro = os.path.abspath(sys.argv[2])
    tmp = tempfile.mkdtemp(prefix="zentro-budget-")
    try:
        test = test_syscalls if sys.argv[1] == "syscalls" else test_memory
        status = test(zentro, tmp)
    finally:
        shutil.rmtree(tmp, ignore_errors=True)
    print({0: "PASS", SKIP: "SKIPPED"}.get(status, "FAILED"))
    return status


if __name__ == "__main__":
    sys.exit(main())
