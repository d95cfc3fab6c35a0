#!/usr/bin/env bash
# Whole-process figures of `zerka`, before and after a change, in one table:
#   - the simulator in millions of instructions per second: `zerka sim --no-smart
#     --max-instructions N --break FAR` (the method of bench/sim_whole_process.sh) on the bench
#     loop, the realistic mix and the two-word and bank-switching program, both cores;
#   - the assembler in milliseconds: `zerka asm` on the generated 30,000-line program with the
#     listing (smart compiler on and off), the 3,200-block CALL/JMP program with --optimize
#     (the runs of bench/asm_speed.sh), and the two-word and bank-switching programs.
# Every figure is the median of R runs, as wall time and as CPU time (user + sys) of the child,
# so a machine shared with other builds still gives usable numbers. The reference column holds
# the reference tools' figures measured on this machine (loop 69 M/s, mix 67 M/s, assembler
# 1,003 ms) and our ratio to them.
#
# Usage: bench/whole_process.sh [--before OLD_ZERKA] [ZERKA]   (default build/bin/zerka)
#   N (default 200000000 instructions) and R (default 5 runs) from the environment.
set -euo pipefail
before=""
if [[ ${1:-} == --before ]]; then
    before=$(realpath "$2")
    shift 2
fi
after=$(realpath "${1:-build/bin/zerka}")
here=$(cd "$(dirname "$0")" && pwd)
N=${N:-200000000}
R=${R:-5}

source "$here/scratch_copy.sh"
python3 "$here/asm_speed_gen.py" "$work/bench/SPEED.ASM"
python3 "$here/asm_speed_gen.py" --calls --blocks 3200 "$work/bench/CALLS.ASM"

python3 - "$work" "$N" "$R" "$after" "$before" <<'PY'
import os, resource, statistics, subprocess, sys, time

work, n, reps, after, before = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), sys.argv[4], sys.argv[5]
bench = os.path.join(work, "bench")
lib = os.path.join(work, "chips")

def once(args, check):
    """One run of a child: (wall seconds, user + sys seconds)."""
    r0 = resource.getrusage(resource.RUSAGE_CHILDREN)
    t0 = time.perf_counter()
    p = subprocess.run(args, stdout=subprocess.PIPE, stderr=subprocess.STDOUT, cwd=bench)
    wall = time.perf_counter() - t0
    r1 = resource.getrusage(resource.RUSAGE_CHILDREN)
    out = p.stdout.decode(errors="replace")
    if p.returncode != 0 or (check and check not in out):
        sys.exit(f"{' '.join(args)} failed:\n{out}")
    return wall, (r1.ru_utime - r0.ru_utime) + (r1.ru_stime - r0.ru_stime)

def median(zerka, args, check):
    """Medians of wall and CPU time over the repetitions."""
    runs = [once([zerka] + args, check) for _ in range(reps)]
    return statistics.median(w for w, _ in runs), statistics.median(c for _, c in runs)

binaries = [("before", before)] if before else []
binaries.append(("after", after))

def table(title, unit, rows, figure):
    print(f"\n{title} (median of {reps}; wall / CPU)")
    head = f"{'program':28}"
    for name, _ in binaries:
        head += f" {name + ' wall':>13} {name + ' CPU':>13}"
    if before:
        head += f" {'x (CPU)':>8}"
    head += f" {'reference':>10} {'x ref (CPU)':>12}"
    print(head)
    for label, args, check, ref in rows:
        line = f"{label:28}"
        cpu = {}
        for name, zerka in binaries:
            w, c = median(zerka, args, check)
            cpu[name] = c
            line += f" {figure(w):9.1f} {unit:3} {figure(c):9.1f} {unit:3}"
        if before:
            ratio = cpu["before"] / cpu["after"]
            line += f" {ratio:7.2f}x"
        if ref:
            a = figure(cpu["after"])
            line += f" {ref:6.0f} {unit:3} {(a / ref if unit == 'M/s' else ref / a):11.1f}x"
        print(line, flush=True)

sim_rows = []
for program, ref in (("loop", 69), ("mix", 67), ("banks", None)):
    for core, chip in (("cx4a", "KXA1608"), ("cx4b", "KXB0602")):
        sim_rows.append((f"sim {program} {core}",
                         ["sim", "--chip", chip, "--no-smart", "--max-instructions", str(n),
                          "--break", "FAR", f"sim_{program}_{core}.asm"],
                         "STOP         = max-instructions", ref))
table(f"Simulator, {n:,} instructions", "M/s", sim_rows, lambda s: n / s / 1e6)

asm = ["asm", "--lib", lib]
asm_rows = [
    ("asm 30,000 lines --list", asm + ["--chip", "KXA3232", "--list", "SPEED.ASM"], None, 1003),
    ("asm 30,000 lines --no-smart", asm + ["--chip", "KXA3232", "--list", "--no-smart",
                                           "SPEED.ASM"], None, None),
    ("asm CALL/JMP --optimize", asm + ["--chip", "KXA3232", "--optimize", "CALLS.ASM"], None,
     None),
    ("asm banks cx4a --list", asm + ["--chip", "KXA1608", "--list", "sim_banks_cx4a.asm"], None,
     None),
    ("asm banks cx4b --list", asm + ["--chip", "KXB0602", "--list", "sim_banks_cx4b.asm"], None,
     None),
]
table("Assembler, whole process", "ms", asm_rows, lambda s: s * 1e3)
PY
