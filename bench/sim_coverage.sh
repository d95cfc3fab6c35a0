#!/usr/bin/env bash
# What coverage and profile counting costs a whole `zerka sim` process: the bench loop and the
# realistic mix on both cores, N instructions each, without and with `--coverage --profile`
# (CPU time, best of R runs). Then the files for the 30,000-line program of
# asm_speed_gen.py (5,000 blocks that all run): their sizes, and the time the process takes
# with and without writing them on a run of that program (the difference is the report and
# the writing).
#
# Usage: bench/sim_coverage.sh [path/to/zerka]   (default build/bin/zerka)
#   N (default 200000000) and R (default 3) from the environment.
set -euo pipefail
zerka=$(realpath "${1:-build/bin/zerka}")
here=$(cd "$(dirname "$0")" && pwd)
R=${R:-3}
N=${N:-200000000}

source "$here/scratch_copy.sh"

best() { # command... -> best CPU seconds (user + sys of the child) of R runs: on a machine
    # shared with other builds the wall time measures the neighbours more than the program
    local b="" TIMEFORMAT="%U %S"
    for ((i = 0; i < R; i++)); do
        { time "$@" >"$work/out" 2>&1 || { cat "$work/out" >&2; exit 1; }; } 2>"$work/time"
        b=$(python3 -c "u, s = open('$work/time').read().split()[-2:]; t = float(u) + float(s); b = '$b'; print(min(t, float(b)) if b else t)")
    done
    echo "$b"
}

sim() { # chip file [counting options...]
    local chip=$1 file=$2
    shift 2
    "$zerka" sim --chip "$chip" --no-smart --max-instructions "$N" --break FAR "$@" \
        "$work/bench/$file"
}

printf "%-6s %-5s %14s %14s %9s\n" program core "plain" "counted" slowdown
for program in loop mix; do
    for core in cx4a cx4b; do
        chip=KXA1608
        [[ $core == cx4b ]] && chip=KXB0602
        file=sim_${program}_${core}.asm
        plain=$(best sim $chip $file)
        counted=$(best sim $chip $file --coverage "$work/c.info" --profile "$work/c.json")
        python3 -c "
n=$N; p=$plain; c=$counted
print('%-6s %-5s %9.1f M/s  %9.1f M/s %8.2fx' % ('$program', '$core', n/p/1e6, n/c/1e6, c/p))"
    done
done

# The 30,000-line program: every block runs once (its skip jumps over the branch back); 20,000
# instructions reach past the last block.
python3 "$here/asm_speed_gen.py" "$work/SPEED.ASM"
lines=$(wc -l <"$work/SPEED.ASM")
big() {
    "$zerka" sim --lib "$work/chips" --chip KXA3232 --max-instructions 40000 "$@" "$work/SPEED.ASM"
}
plain=$(best big)
counted=$(best big --coverage "$work/s.info" --profile "$work/s.json")
table=$(best big --profile -)
python3 -c "
import os
print()
print('%d-line program: lcov %.1f KB, profile JSON %.1f KB' % ($lines, os.path.getsize('$work/s.info')/1024, os.path.getsize('$work/s.json')/1024))
print('process without files %.3f s, with --coverage and --profile %.3f s (+%.3f s), with --profile - %.3f s' % ($plain, $counted, $counted-$plain, $table))"
