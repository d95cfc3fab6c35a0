#!/usr/bin/env bash
# Runs bench_sim_speed and checks the simulator's speed goals:
#   batch mode (one breakpoint set) >= 5 x the reference simulator's 48 million instructions/s,
#   the time-sliced run >= half the batch speed.
# Usage: bench/sim_speed_compare.sh [path/to/bench_sim_speed]   (default build/bin/bench_sim_speed)
set -euo pipefail
bench=${1:-build/bin/bench_sim_speed}
reference=48000000
out=$(mktemp)
trap 'rm -f "$out"' EXIT
"$bench" --benchmark_format=json --benchmark_repetitions=3 --benchmark_report_aggregates_only=true >"$out"
python3 - "$out" "$reference" <<'PY'
import json, sys
data = json.load(open(sys.argv[1]))
ref = float(sys.argv[2])
speed = {}
for b in data["benchmarks"]:
    if b.get("aggregate_name") == "median":
        speed[b["run_name"].split("/")[0]] = b["items_per_second"]
batch = speed["BM_SimBatchOneBreakpoint"]
sliced = speed["BM_SimTimeSlicedRun"]
print(f"reference simulator : {ref / 1e6:8.1f} M instructions/s")
print(f"batch, 1 breakpoint : {batch / 1e6:8.1f} M instructions/s  ({batch / ref:.2f} x reference, goal 5)")
print(f"time-sliced run     : {sliced / 1e6:8.1f} M instructions/s  ({sliced / batch:.2f} x batch, goal 0.5)")
ok = batch >= 5 * ref and sliced >= 0.5 * batch
print("goals met" if ok else "goals NOT met")
sys.exit(0 if ok else 1)
PY
