#!/usr/bin/env python3
"""preflister against its I/O floor (make bench).

Generates the data files in a scratch folder, has bench_probe log the reads
and writes that preflister makes for the big file, then runs preflister and
the floor (iofloor, which replays that log) alternately, standard output to
a file, and prints median wall and CPU times, records per second and the
ratio; then the peak resident memory of a 1 MiB and of the big run, and the
heap allocations of a 16-record and a 4096-record run; then preflist-report
on the listings of the 1 MiB and the big file: median wall and CPU time and
peak resident memory of each output; last, when valgrind is installed, the
user-space instructions per record that callgrind counts, in all and by
function (bench/instructions.py).
"""
import argparse
import array
import os
import random
import shutil
import statistics
import subprocess
import sys

import instructions

RECORD = 4096


class Bench:
    def __init__(self, build, scratch):
        self.build = build
        self.scratch = scratch
        self.measure = os.path.join(build, "bench", "measure")

    def path(self, name):
        return os.path.join(self.scratch, name)

    def run(self, argv):
        """Runs argv in the scratch folder with a fresh listing, standard
        output to console.out; returns (wall s, CPU s, peak RSS KiB)."""
        if os.path.exists(self.path("preflist")):
            os.remove(self.path("preflist"))
        with open(self.path("stderr.out"), "wb") as err:
            res = subprocess.run([self.measure, self.path("console.out")] + argv,
                                 cwd=self.scratch, stdout=subprocess.PIPE, stderr=err, check=True)
        status, wall, cpu, rss = res.stdout.split()
        if status != b"0":
            sys.exit(f"bench: {' '.join(argv)} ended with status {status.decode()}")
        return float(wall), float(cpu), int(rss)

    def outputs(self):
        """Sizes of the console output and the listing of the latest run."""
        return os.path.getsize(self.path("console.out")), os.path.getsize(self.path("preflist"))

    def generate(self, name, records, seed):
        subprocess.run([os.path.join(self.build, "gendata"), self.path(name), str(records), str(seed)],
                       check=True)
        return self.path(name)


def report_bench(b, build, big, small, runs):
    """Times preflist-report on the listing preflister writes for big (and
    for small, to show its memory does not follow the records)."""
    report = os.path.join(build, "preflist-report")
    folder = b.path("report")
    os.makedirs(folder, exist_ok=True)
    listings = {}
    for name, data in (("small", small), ("big", big)):
        listing = os.path.join(folder, f"{name}.preflist")
        if os.path.exists(os.path.join(folder, "preflist")):
            os.remove(os.path.join(folder, "preflist"))
        subprocess.run([os.path.join(build, "preflister"), data], cwd=folder, stdout=subprocess.DEVNULL,
                       check=True)
        os.replace(os.path.join(folder, "preflist"), listing)
        listings[name] = listing

    def measure(args):
        out = os.path.join(folder, "report.out")
        res = subprocess.run([b.measure, out, report] + args, cwd=folder, stdout=subprocess.PIPE, check=True)
        status, wall, cpu, rss = res.stdout.split()
        if status != b"0":
            sys.exit(f"bench: preflist-report {' '.join(args)} ended with status {status.decode()}")
        return float(wall), float(cpu), int(rss)

    lines = sum(1 for _ in open(listings["big"], "rb"))
    print(f"preflist-report on the listing of the big file ({os.path.getsize(listings['big'])} bytes, {lines} "
          f"lines), {runs} runs each; medians:")
    print(f"  {'':22}{'wall s':>9}{'CPU s':>9}{'peak KiB':>10}")
    worst = 0.0
    for label, args in (("summary", []), ("--csv", ["--csv"]), ("--gaps", ["--gaps"]), ("--segments", ["--segments"]),
                        ("--json", ["--json"]), ("summary --svg", ["--svg", "report.svg"]),
                        ("summary --html", ["--html", "report.html"])):
        measure(args + [listings["big"]])  # untimed: the listing into the page cache
        got = [measure(args + [listings["big"]]) for _ in range(runs)]
        wall = statistics.median(g[0] for g in got)
        worst = max(worst, wall)
        print(f"  {label:22}{wall:9.4f}{statistics.median(g[1] for g in got):9.4f}"
              f"{statistics.median(g[2] for g in got):10.0f}")
    print(f"  slowest median {worst:.4f} s (target < 0.1: {verdict(worst < 0.1)})")
    page_bench(folder, report, listings["big"])
    for label, args in (("the summary", []), ("--gaps", ["--gaps"]), ("--json", ["--json"])):
        small_rss = statistics.median(measure(args + [listings["small"]])[2] for _ in range(runs))
        big_rss = statistics.median(measure(args + [listings["big"]])[2] for _ in range(runs))
        print(f"  peak resident memory of {label}: {os.path.getsize(small) // RECORD}-record listing "
              f"{small_rss:.0f} KiB, {os.path.getsize(big) // RECORD}-record listing {big_rss:.0f} KiB")


def page_bench(folder, report, listing):
    """The --html page of the big listing: its size, and how long headless
    Chromium takes to open it and to redraw after a wheel turn
    (bench/page_bench.js), where node and chromium are installed."""
    page = os.path.join(folder, "page.html")
    subprocess.run([report, "--html", page, listing], cwd=folder, stdout=subprocess.DEVNULL, check=True)
    size = os.path.getsize(page)
    print(f"  the --html page: {size:,} bytes (target at most 2 MB: {verdict(size <= 2_000_000)})")
    if not shutil.which("node"):
        print("  node not installed: the page was not timed in a browser")
        return
    script = os.path.join(os.path.dirname(os.path.abspath(__file__)), "page_bench.js")
    res = subprocess.run(["node", script, page, "5"], stdout=subprocess.PIPE, text=True)
    print("  in headless Chromium: " + res.stdout.strip().replace("\n", "; "))


def spread_of_ratio(mine, floor, resamples=2000):
    """The 5th and 95th percentile of the ratio of medians, wall and CPU, over
    resamples of the pairs drawn with replacement: how far a run of the same
    size could land from this one on the same host."""
    rnd = random.Random(1)
    n = len(mine)
    ratios = ([], [])
    for _ in range(resamples):
        pick = [rnd.randrange(n) for _ in range(n)]
        for j in (0, 1):
            ratios[j].append(statistics.median(mine[k][j] for k in pick) /
                             statistics.median(floor[k][j] for k in pick))
    for r in ratios:
        r.sort()
    return [tuple(r[min(int(q * resamples), resamples - 1)] for r in ratios) for q in (0.05, 0.95)]


def verdict(ok):
    return "met" if ok else "NOT met"


def load():
    return " ".join(f"{x:.2f}" for x in os.getloadavg())


def build_kind(build):
    """Whether the build read a profile of the program's own run, from its CMake cache."""
    try:
        with open(os.path.join(build, "CMakeCache.txt")) as f:
            use = any(line.strip() == "PREFLISTER_PROFILE:STRING=use" for line in f)
    except OSError:
        return "no CMake cache"
    return "optimised by a profile of its own run" if use else "without a profile"


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--build", default="build-bench", help="release build folder")
    ap.add_argument("--scratch", help="scratch folder (default BUILD/scratch)")
    ap.add_argument("--records", type=int, default=65536, help="records in the big file")
    # The ratio needs many pairs: on the development machine runs of 61 pairs
    # gave ratios from 1.00 to 1.08 within an hour, runs of 241 within 3 points.
    ap.add_argument("--runs", type=int, default=241, help="timed runs of preflister and of the floor")
    ap.add_argument("--report-runs", type=int, default=61, help="timed runs of each preflist-report output")
    ap.add_argument("--seed", type=int, default=1, help="gendata seed")
    ap.add_argument("--cpu", type=int, help="CPU that runs every program (default: the last one allowed)")
    ap.add_argument("--profile", action="store_true",
                    help="the instructions of every function, not only the first 12")
    a = ap.parse_args()

    # One CPU for all runs: on a shared host the CPUs of one machine can differ
    # in speed by a third, and the two programs must be timed on the same one.
    on_cpu = a.cpu if a.cpu is not None else max(os.sched_getaffinity(0))
    os.sched_setaffinity(0, {on_cpu})

    build = os.path.abspath(a.build)
    scratch = os.path.abspath(a.scratch or os.path.join(build, "scratch"))
    os.makedirs(scratch, exist_ok=True)
    b = Bench(build, scratch)
    preflister = os.path.join(build, "preflister")
    probe = os.path.join(build, "bench", "bench_probe")
    floor = os.path.join(build, "bench", "iofloor")

    big = b.generate("big.dat", a.records, a.seed)
    small = b.generate("1mib.dat", (1 << 20) // RECORD, a.seed)

    # The floor's script: every read and write that preflister makes for big.dat.
    plan = b.path("big.plan")
    b.run([probe, plan, big])
    with open(b.path("console.out"), "rb") as f:
        probe_console = f.read()
    probe_outputs = b.outputs()
    # Every read the floor replays is one the probe saw: they must cover the
    # data file, or the floor would be cheaper than preflister's own reads.
    with open(plan, "rb") as f:
        entries = array.array("I", f.read())
    data_reads = sum(e & 0x3FFFFFFF for e in entries if e >> 30 == 0)
    if data_reads * 1024 < os.path.getsize(big):
        sys.exit(f"bench: the probe logged {data_reads} data reads, too few for {os.path.getsize(big)} bytes")

    print(f"release build {build} ({build_kind(build)}); scratch folder {scratch}, standard output to a file there")
    print(f"data file {os.path.getsize(big)} bytes, {a.records} records (gendata seed {a.seed}); "
          f"{data_reads} reads of it in the floor's script")
    print(f"load average before: {load()} ({os.cpu_count()} CPUs; every program runs on CPU {on_cpu})")

    # One untimed run each, so that every timed run finds the data file in the page cache.
    b.run([preflister, big])
    b.run([floor, plan, big])
    times = {"preflister": [], "floor": []}
    rss_big = []
    for i in range(a.runs):
        # Each pair runs back to back, the two orders taking turns, so that a
        # slow spell of a shared host falls on both programs alike.
        for name in (("preflister", "floor") if i % 2 == 0 else ("floor", "preflister")):
            if name == "floor":
                times["floor"].append(b.run([floor, plan, big])[:2])
            else:
                wall, cpu, rss = b.run([preflister, big])
                times["preflister"].append((wall, cpu))
                rss_big.append(rss)

    # The probe wrote what preflister writes, and the floor as many bytes.
    b.run([preflister, big])
    with open(b.path("console.out"), "rb") as f:
        same_console = f.read() == probe_console
    pref_outputs = b.outputs()
    b.run([floor, plan, big])
    if not same_console or not pref_outputs == probe_outputs == b.outputs():
        sys.exit("bench: the probe or the floor does not write what preflister writes")

    print(f"{a.runs} runs each, in pairs, alternating; medians:")
    print(f"  {'':12}{'wall s':>9}{'CPU s':>9}   records/s")
    med = {}
    for name, label in (("preflister", "preflister"), ("floor", "I/O floor")):
        wall = statistics.median(t[0] for t in times[name])
        cpu = statistics.median(t[1] for t in times[name])
        med[name] = (wall, cpu)
        print(f"  {label:12}{wall:9.3f}{cpu:9.3f}   {a.records / wall:,.0f}")
    rw = med["preflister"][0] / med["floor"][0]
    rc = med["preflister"][1] / med["floor"][1]
    print(f"  {'ratio':12}{rw:9.3f}{rc:9.3f}   (target <= 1.05: {verdict(max(rw, rc) <= 1.05)})")
    lo, hi = spread_of_ratio(times["preflister"], times["floor"])
    print(f"  ratio of medians in 90 % of resamples of the pairs: wall {lo[0]:.3f} to {hi[0]:.3f}, "
          f"CPU {lo[1]:.3f} to {hi[1]:.3f}")
    pairs = [(p[0] / f[0], p[1] / f[1]) for p, f in zip(times["preflister"], times["floor"])]
    print(f"  ratio of each pair: wall {min(r[0] for r in pairs):.3f} to {max(r[0] for r in pairs):.3f} "
          f"(median {statistics.median(r[0] for r in pairs):.3f}), CPU {min(r[1] for r in pairs):.3f} to "
          f"{max(r[1] for r in pairs):.3f} (median {statistics.median(r[1] for r in pairs):.3f})")
    print(f"  both wrote {pref_outputs[0]} console bytes and {pref_outputs[1]} listing bytes")

    # The same run's peak falls near one of two values some 80 KiB apart, by where
    # the address layout puts things, so two medians can land on different
    # ones. The least of each is what the program itself needed: a peak that
    # grew with the file would raise it.
    rss_small = [b.run([preflister, small])[2] for _ in range(a.report_runs)]
    diff = min(rss_big) - min(rss_small)
    print(f"peak resident memory: 1 MiB file {min(rss_small)} KiB (median {statistics.median(rss_small):.0f}), "
          f"{os.path.getsize(big) >> 20} MiB file {min(rss_big)} KiB (median {statistics.median(rss_big):.0f}); "
          f"least against least {diff:+d} KiB (target within 64: {verdict(abs(diff) <= 64)})")

    counts = []
    for records in (16, 4096):
        b.run([probe, b.path("probe.plan"), b.generate(f"{records}.dat", records, a.seed)])
        with open(b.path("stderr.out")) as f:
            counts += [int(line.split()[1]) for line in f if line.startswith("allocations ")]
    if len(counts) != 2:
        sys.exit("bench: bench_probe reported no allocation count")
    print(f"heap allocations (operator new): 16 records {counts[0]}, 4096 records {counts[1]} "
          f"(target the same: {verdict(counts[0] == counts[1])})")
    report_bench(b, build, big, small, a.report_runs)
    print(f"load average after: {load()}")

    # Counted, not timed: the figure the load of a shared host cannot move.
    if instructions.available():
        per_record, self_cost, incl_cost = instructions.measure(build, scratch, a.seed)
        instructions.report(per_record, self_cost, incl_cost, 16, 4096, 1000 if a.profile else 12)
    else:
        print("user-space instructions per record: not counted (valgrind is not installed)")


if __name__ == "__main__":
    main()
