#!/usr/bin/env python3
"""Benchmark of zentro against the floor of its job.

Generates projects of 10,000, 100,000 and 1,000,000 entries over 1,000 data
files (comments, remarks, start-address lines, a few missing files, sizes
that are not multiples of 4 so that warnings occur), runs zentro on each in
both modes with standard input from /dev/null and standard output redirected
to a file, and prints a table: peak memory, output bytes, system calls per
entry and write calls, which are the same from run to run, and the wall
time with its ratio to a plain baseline (bench/baseline.c: the same opens,
fstats and closes, and the same number of bytes in 512-byte writes).

    python3 bench/run.py                    # builds zentro if needed
    python3 bench/run.py --zentro PATH --sizes 10000,100000

zentro and the baseline run in turns, --repeat times each; the wall time
is the median of zentro's runs, and the ratio the median of the ratios of
each turn, with the lowest and the highest beside it. Peak memory comes
from GNU time (/usr/bin/time) when present, else from the child's rusage,
which then also counts the resident size of this script at the fork and is
an upper bound.
System calls are counted with strace -c -f in a separate run (strace slows a
run down), when strace is present, in projects of at most --strace-limit
entries.
"""

import argparse
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

REPO = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
OUTPUTS = ("caetla.bat", "addrs.h", "loadtims.c", "data.s", "justexe.bat", "stdout.txt")
EXTENSIONS = ("tim", "vh", "vb", "bin", "TIM", "lvl", "tim", "seq")
GNU_TIME = "/usr/bin/time"


def find_zentro(path):
    if path:
        return os.path.abspath(path)
    zentro = os.path.join(REPO, "build", "default", "zentro")
    if not os.access(zentro, os.X_OK):
        print("building zentro: cmake --workflow --preset demo", file=sys.stderr)
        subprocess.run(["cmake", "--workflow", "--preset", "demo"], cwd=REPO, check=True,
                       stdout=sys.stderr)
    return zentro


def make_project(root, entries, files):
    """Writes root/data/memcfg.cfg and the data files, and root/names.txt: the
    name of every entry line, in order, for the baseline."""
    data = os.path.join(root, "data")
    os.makedirs(data, exist_ok=True)
    names = ["f%04d.%s" % (i, EXTENSIONS[i % len(EXTENSIONS)]) for i in range(files)]
    for i, name in enumerate(names):
        with open(os.path.join(data, name), "wb") as f:
            # Sparse: only the size matters. One size in four is not a
            # multiple of 4.
            f.truncate(256 + 16 * i + (i % 4 == 3) * (1 + i % 3))
    with open(os.path.join(data, "memcfg.cfg"), "w") as cfg, \
            open(os.path.join(root, "names.txt"), "w") as lst:
        cfg.write("# memcfg.cfg: %d entries over %d data files\n\n" % (entries, files))
        for k in range(entries):
            if k % 40 == 0:
                cfg.write("# level %d\n" % (k // 40))
            if k % 250 == 0:
                cfg.write("$%X\n" % (0x80010000 + (k // 250) % 64 * 0x10000))
            if k % 1000 == 999:
                name = "gone%d.bin" % k
            else:
                name = names[k % files]
            if k % 3 == 0:
                cfg.write("%s bank %d, loaded with the level\n" % (name, k))
            else:
                cfg.write(name + "\n")
            lst.write(name + "\n")


def output_bytes(root):
    return sum(os.path.getsize(os.path.join(root, n)) for n in OUTPUTS
               if os.path.exists(os.path.join(root, n)))


def clean(root):
    for n in OUTPUTS:
        path = os.path.join(root, n)
        if os.path.exists(path):
            os.remove(path)


def timed_run(command, root):
    """Runs command in root/data, stdin from /dev/null, stdout to a file;
    returns (seconds, peak KiB)."""
    clean(root)
    report = os.path.join(root, "time.txt")
    prefix = [GNU_TIME, "-f", "%M", "-o", report] if os.access(GNU_TIME, os.X_OK) else []
    with open(os.devnull, "rb") as stdin, open(os.path.join(root, "stdout.txt"), "wb") as out:
        start = time.perf_counter()
        proc = subprocess.Popen(prefix + command, cwd=os.path.join(root, "data"),
                                stdin=stdin, stdout=out)
        _, status, usage = os.wait4(proc.pid, 0)
        seconds = time.perf_counter() - start
    proc.returncode = os.waitstatus_to_exitcode(status)
    if proc.returncode != 0:
        sys.exit("%s exited with status %d" % (" ".join(command), proc.returncode))
    if prefix:
        with open(report) as f:
            peak = int(f.read().split()[-1])
    else:
        peak = usage.ru_maxrss
    return seconds, peak


def count_syscalls(strace, command, root):
    """All system calls of one run, and the write calls among them."""
    clean(root)
    report = os.path.join(root, "strace.txt")
    with open(os.devnull, "rb") as stdin, open(os.path.join(root, "stdout.txt"), "wb") as out:
        subprocess.run([strace, "-c", "-f", "-o", report, "--"] + command,
                       cwd=os.path.join(root, "data"), stdin=stdin, stdout=out, check=True)
    total = writes = 0
    with open(report) as f:
        for line in f:
            fields = line.split()
            if len(fields) >= 5 and fields[-1] == "total":
                total = int(fields[3])
            elif len(fields) >= 5 and fields[-1] == "write":
                writes = int(fields[3])
    return total, writes


def main():
    ap = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    ap.add_argument("--zentro", help="the zentro binary (default: build/default/zentro, "
                    "built with the README's commands when missing)")
    ap.add_argument("--dir", help="where to generate the projects (default: a new "
                    "directory in /tmp, removed afterwards)")
    ap.add_argument("--sizes", default="10000,100000,1000000",
                    help="entries per project, comma-separated (default: %(default)s)")
    ap.add_argument("--files", type=int, default=1000, help="data files (default: %(default)s)")
    ap.add_argument("--repeat", type=int, default=5,
                    help="timed runs of each, in turns; medians count (default: %(default)s)")
    ap.add_argument("--no-strace", action="store_true", help="do not count system calls")
    ap.add_argument("--strace-limit", type=int, default=100000,
                    help="count system calls only in projects of at most this many entries; "
                    "strace makes a run some 15 times slower (default: %(default)s, 0: all)")
    args = ap.parse_args()

    zentro = find_zentro(args.zentro)
    workdir = os.path.abspath(args.dir) if args.dir else tempfile.mkdtemp(prefix="zentro-bench-")
    os.makedirs(workdir, exist_ok=True)
    baseline = os.path.join(workdir, "baseline")
    subprocess.run(["cc", "-O2", "-Wall", "-Wextra", "-o", baseline,
                    os.path.join(REPO, "bench", "baseline.c")], check=True)
    strace = None if args.no_strace else shutil.which("strace")
    if not os.access(GNU_TIME, os.X_OK):
        print("note: %s is missing; peak memory is the child's rusage, an upper bound"
              % GNU_TIME, file=sys.stderr)

    rows = []
    try:
        for n in [int(s) for s in args.sizes.split(",")]:
            root = os.path.join(workdir, "p%d" % n)
            make_project(root, n, args.files)
            for mode in ([], ["-asm"]):
                command = [zentro] + mode
                runs, ratios = [], []
                for _ in range(args.repeat):
                    runs.append(timed_run(command, root))
                    written = output_bytes(root)
                    base = timed_run([baseline, os.path.join(root, "names.txt"), str(n),
                                      str(written), "../baseline.out"], root)[0]
                    ratios.append(runs[-1][0] / base)
                seconds = statistics.median(r[0] for r in runs)
                peak = max(r[1] for r in runs)
                counted = strace and (args.strace_limit <= 0 or n <= args.strace_limit)
                calls = count_syscalls(strace, command, root) if counted else None
                row = {"entries": n, "mode": "-asm" if mode else "default", "seconds": seconds,
                       "peak": peak, "bytes": written, "calls": calls,
                       "ratio": statistics.median(ratios), "low": min(ratios), "high": max(ratios)}
                rows.append(row)
                print("%(mode)s %(entries)d: %(seconds).3f s, zentro/baseline %(ratio).2f" % row,
                      file=sys.stderr)
            shutil.rmtree(root)
    finally:
        if not args.dir:
            shutil.rmtree(workdir, ignore_errors=True)

    print("| entries | mode | peak RSS KiB | output bytes | syscalls/entry | writes "
          "| wall s (median) | zentro/baseline (median, low-high) |")
    print("|---:|---|---:|---:|---:|---:|---:|---|")
    for r in rows:
        calls = "%.2f" % (r["calls"][0] / r["entries"]) if r["calls"] else "n/a"
        writes = "%d" % r["calls"][1] if r["calls"] else "n/a"
        print("| %d | %s | %d | %d | %s | %s | %.3f | %.2f (%.2f-%.2f) |"
              % (r["entries"], r["mode"], r["peak"], r["bytes"], calls, writes, r["seconds"],
                 r["ratio"], r["low"], r["high"]))


if __name__ == "__main__":
    main()
