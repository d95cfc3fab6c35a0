#!/usr/bin/env bash
# Whole-process simulator speed: `zerka sim --max-instructions N --break FAR` on the bench loop,
# the realistic mix and the two-word/bank-switching programs, both cores, with an earlier build of zerka (--before) and this one,
# measured in the same run.
# `zerka sim` runs the IDE's time-sliced run (TZk_UP::Run), so these are sliced figures of the
# whole process: start-up, assembly and the run.
#
#   wall mode (default): the best of R runs of each, engines interleaved; figures in millions
#     of instructions per second of wall time.
#   --callgrind: host instructions per simulated instruction under valgrind's callgrind
#     (N million minus a 1-instruction run for start-up), exact on a busy machine.
#
# Usage: bench/sim_whole_process.sh [--callgrind] [--before OLD_ZERKA] [path/to/zerka]
#   (default build/bin/zerka; without --before the before column repeats this build)
#   N (default 200000000; 2000000 with --callgrind) and R (default 3) from the environment.
set -euo pipefail
mode=wall
if [[ ${1:-} == --callgrind ]]; then
    mode=callgrind
    shift
fi
before_zerka=""
if [[ ${1:-} == --before ]]; then
    before_zerka=$(realpath "$2")
    shift 2
fi
zerka=$(realpath "${1:-build/bin/zerka}")
[[ -n $before_zerka ]] || before_zerka=$zerka
here=$(cd "$(dirname "$0")" && pwd)
R=${R:-3}
if [[ $mode == callgrind ]]; then N=${N:-2000000}; else N=${N:-200000000}; fi

# Sources are assembled in a scratch copy so that the output files stay out of the tree.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/bench"
cp -r "$here/../chips" "$work/chips"
cp "$here"/sim_loop_cx4?.asm "$here"/sim_mix_cx4?.asm "$here"/sim_banks_cx4?.asm "$work/bench/"

run() { # binary chip file count
    "$1" sim --chip "$2" --no-smart --max-instructions "$4" \
        --break FAR "$work/bench/$3" >"$work/out" 2>&1 || { cat "$work/out" >&2; exit 1; }
    grep -q "STOP         = max-instructions" "$work/out" || { cat "$work/out" >&2; exit 1; }
}

wall() { # binary chip file -> best seconds
    local best=""
    for ((i = 0; i < R; i++)); do
        local t0 t1
        t0=$(date +%s.%N)
        run "$@" "$N"
        t1=$(date +%s.%N)
        best=$(python3 -c "t=$t1-$t0; b='$best'; print(min(t, float(b)) if b else t)")
    done
    echo "$best"
}

irs() { # binary chip file count -> host instructions
    valgrind --tool=callgrind --callgrind-out-file="$work/cg" "$1" sim \
        --chip "$2" --no-smart --max-instructions "$4" --break FAR "$work/bench/$3" 2>&1 \
        | sed -n 's/.*Collected : \([0-9]*\).*/\1/p'
}

printf "%-6s %-5s %14s %14s %7s\n" program core "before" "after" ratio
for program in loop mix banks; do
    for core in cx4a cx4b; do
        chip=KXA1608
        [[ $core == cx4b ]] && chip=KXB0602
        file=sim_${program}_${core}.asm
        if [[ $mode == wall ]]; then
            before=$(wall "$before_zerka" $chip $file)
            after=$(wall "$zerka" $chip $file)
            python3 -c "
n=$N; b=$before; a=$after
print(f'%-6s %-5s %9.1f M/s  %9.1f M/s %6.2fx' % ('$program', '$core', n/b/1e6, n/a/1e6, b/a))"
        else
            base_b=$(irs "$before_zerka" $chip $file 1)
            base_a=$(irs "$zerka" $chip $file 1)
            full_b=$(irs "$before_zerka" $chip $file "$N")
            full_a=$(irs "$zerka" $chip $file "$N")
            python3 -c "
n=$N; b=($full_b-$base_b)/n; a=($full_a-$base_a)/n
print(f'%-6s %-5s %8.1f Ir/in  %8.1f Ir/in %6.2fx' % ('$program', '$core', b, a, b/a))"
        fi
    done
done
