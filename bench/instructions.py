#!/usr/bin/env python3
"""User-space instructions per record, counted by callgrind (make bench).

Runs preflister under valgrind's callgrind on two data files of the bench's
mix, a long one and a short one, and divides the difference of the counts by
the difference of the record counts: what start-up and the endings cost is
the same in both runs and drops out. The count is of instructions, not time,
so the same binary, data and environment give the same figure on any machine
of the kind; system calls are not counted (the kernel's work is invisible to
callgrind), only the program's and the C library's own instructions.

The same difference per function (self cost, and with --profile the cost
including what each calls) shows where a record's instructions go.
"""
import argparse
import os
import re
import shutil
import subprocess
import sys

# Each run gets its own folder and the data file the same name in both, so
# that the name's echo and listing cost the same and drop out too.
DATA_NAME = "data.dat"
# Enough for the run to find what it needs, and the same for every run.
ENV = {"PATH": "/usr/bin:/bin", "LC_ALL": "C"}

LINE = re.compile(r"^\s*([\d,]+)\s+(?:\([^)]*\)\s+)?(\S.*)$")


def available():
    return shutil.which("valgrind") is not None and shutil.which("callgrind_annotate") is not None


def count(build, scratch, records, seed):
    """Runs preflister on a fresh file of `records` records under callgrind;
    returns the path of the callgrind output."""
    folder = os.path.join(scratch, f"callgrind-{records}")
    os.makedirs(folder, exist_ok=True)
    data = os.path.join(folder, DATA_NAME)
    subprocess.run([os.path.join(build, "gendata"), data, str(records), str(seed)], check=True)
    for name in ("preflist", "callgrind.out"):
        if os.path.exists(os.path.join(folder, name)):
            os.remove(os.path.join(folder, name))
    with open(os.devnull, "rb") as null, open(os.path.join(folder, "console.out"), "wb") as out, \
            open(os.path.join(folder, "valgrind.err"), "wb") as err:
        res = subprocess.run(["valgrind", "--tool=callgrind", "--callgrind-out-file=callgrind.out",
                              os.path.join(build, "preflister"), DATA_NAME],
                             cwd=folder, env=ENV, stdin=null, stdout=out, stderr=err)
    if res.returncode != 0:
        sys.exit(f"instructions: preflister under callgrind ended with status {res.returncode} "
                 f"(see {folder}/valgrind.err)")
    return os.path.join(folder, "callgrind.out")


def short_name(fn):
    """The function without its object file, source file and argument list."""
    fn = re.sub(r"\s+\[[^\]]*\]$", "", fn)
    if ":" in fn and not fn.startswith("fmtio::"):
        head, _, rest = fn.partition(":")
        if "/" in head or head == "???" or head.endswith((".c", ".S", ".h", ".cpp")):
            fn = rest
    depth, out = 0, []
    for ch in fn:
        if ch == "(":
            if depth == 0 and out and out[-1] != " ":
                out.append("()")
            depth += 1
        elif ch == ")":
            depth -= 1
        elif depth == 0:
            out.append(ch)
    return "".join(out).strip()


def per_function(path, inclusive):
    """Instructions by function, and the total, from callgrind_annotate."""
    res = subprocess.run(["callgrind_annotate", "--threshold=100", "--auto=no", "--show-percs=no",
                          f"--inclusive={'yes' if inclusive else 'no'}", path],
                         stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True, check=True)
    total, funcs = None, {}
    for line in res.stdout.splitlines():
        m = LINE.match(line)
        if not m:
            continue
        n = int(m.group(1).replace(",", ""))
        what = m.group(2).strip()
        if what.startswith("PROGRAM TOTALS"):
            total = n
        elif ":" in what or "::" in what:
            name = short_name(what)
            funcs[name] = funcs.get(name, 0) + n
    if total is None:
        sys.exit(f"instructions: no total in callgrind_annotate's output for {path}")
    return total, funcs


def measure(build, scratch, seed, short=16, long=4096):
    """(instructions per record, {function: self per record}, {function: inclusive per record})."""
    small = count(build, scratch, short, seed)
    big = count(build, scratch, long, seed)
    n = long - short
    t_small, self_small = per_function(small, False)
    t_big, self_big = per_function(big, False)
    _, incl_small = per_function(small, True)
    _, incl_big = per_function(big, True)

    def diff(a, b):
        return {k: (b.get(k, 0) - a.get(k, 0)) / n for k in set(a) | set(b)}

    return (t_big - t_small) / n, diff(self_small, self_big), diff(incl_small, incl_big)


def report(per_record, self_cost, incl_cost, short, long, rows, target=1500):
    print(f"user-space instructions per record (callgrind, a {long}-record run less a {short}-record "
          f"run, over {long - short}): {per_record:,.0f} "
          f"(target <= {target:,}: {'met' if per_record <= target else 'NOT met'})")
    shown = sorted(((v, k) for k, v in self_cost.items() if abs(v) >= 0.5), reverse=True)
    print(f"  {'self':>8} {'incl':>8}  function (per record)")
    for v, k in shown[:rows]:
        print(f"  {v:8.0f} {incl_cost.get(k, 0):8.0f}  {k}")
    rest = sum(v for v, _ in shown[rows:])
    if len(shown) > rows:
        print(f"  {rest:8.0f} {'':8}  {len(shown) - rows} other functions")


def main():
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("--build", default="build-bench", help="release build folder")
    ap.add_argument("--scratch", help="scratch folder (default BUILD/scratch)")
    ap.add_argument("--seed", type=int, default=1, help="gendata seed")
    ap.add_argument("--rows", type=int, default=40, help="functions shown")
    a = ap.parse_args()
    if not available():
        sys.exit("instructions: valgrind (callgrind) is not installed")
    build = os.path.abspath(a.build)
    scratch = os.path.abspath(a.scratch or os.path.join(build, "scratch"))
    os.makedirs(scratch, exist_ok=True)
    per_record, self_cost, incl_cost = measure(build, scratch, a.seed)
    report(per_record, self_cost, incl_cost, 16, 4096, a.rows)


if __name__ == "__main__":
    main()
