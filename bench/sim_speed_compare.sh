#!/usr/bin/env bash
# Runs bench_sim_speed and prints the simulator's speed before (reference engine) and after
# (threaded engine), measured in the same run: bench loop and realistic mix, both cores, batch
# and time-sliced. Checks the goals of the threaded engine: at least 365 million instructions
# per second on every program and core, and the time-sliced run at 90 % of the batch run or more.
# On a busy machine take the median of several repetitions (REPS, default 3).
# Usage: bench/sim_speed_compare.sh [path/to/bench_sim_speed]   (default build/bin/bench_sim_speed)
set -euo pipefail
bench=${1:-build/bin/bench_sim_speed}
out=$(mktemp)
trap 'rm -f "$out"' EXIT
"$bench" --benchmark_format=json --benchmark_repetitions="${REPS:-3}" \
    --benchmark_report_aggregates_only=true >"$out"
python3 - "$out" <<'PY'
import json, re, sys
data = json.load(open(sys.argv[1]))
speed = {}
for b in data["benchmarks"]:
    if b.get("aggregate_name") != "median":
        continue
    args = dict(re.findall(r"(\w+):(\d+)", b["run_name"]))
    key = (args["mix"], args["cx4b"], args["sliced"], args["threaded"])
    speed[key] = b["items_per_second"] / 1e6
ok = True
print(f"{'program':8} {'core':5} {'run':7} {'before':>12} {'after':>12} {'x':>6}")
for mix in "01":
    for core in "01":
        for sliced in "01":
            before = speed[(mix, core, sliced, "0")]
            after = speed[(mix, core, sliced, "1")]
            print(f"{'mix' if mix == '1' else 'loop':8} {'CX4B' if core == '1' else 'CX4A':5} "
                  f"{'sliced' if sliced == '1' else 'batch':7} {before:8.1f} M/s {after:8.1f} M/s "
                  f"{after / before:6.2f}")
            ok &= after >= 365
        share = speed[(mix, core, "1", "1")] / speed[(mix, core, "0", "1")]
        print(f"{'':14} time-sliced / batch (after): {share:.2f} (goal 0.90)")
        ok &= share >= 0.90
print("goals met" if ok else "goals NOT met")
sys.exit(0 if ok else 1)
PY
