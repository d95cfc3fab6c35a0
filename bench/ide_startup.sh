#!/usr/bin/env bash
# The desktop program's start-up on a real display server (Xvfb), with the README's example:
#   - process start to the debug windows painted (bench_ide_painted: what zerka-ide does with a
#     file argument, timed to the first paint of every visible sub-window);
#   - process start to the titled main window mapped, `xdotool search --sync` on zerka-ide itself.
# Each run starts from the same fresh program directory (ZERKA_HOME), so every run is a first run.
#
# Usage: bench/ide_startup.sh [BUILD_DIR]   (default build); R=runs (default 10)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
build=$(realpath "${1:-$here/../build}")
R=${R:-10}
for tool in xvfb-run xdotool; do
    command -v "$tool" >/dev/null || { echo "ide_startup.sh: $tool is missing (scripts/bootstrap.sh installs it)" >&2; exit 2; }
done
[ -x "$build/bin/zerka-ide" ] && [ -x "$build/bin/bench_ide_painted" ] ||
    { echo "ide_startup.sh: build zerka-ide and bench_ide_painted in $build first" >&2; exit 2; }

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cp -r "$here/../examples" "$work/examples"
example="$work/examples/table_cx4b.asm"

# Runs inside the X server started by xvfb-run.
cat > "$work/inner.sh" <<'INNER'
#!/usr/bin/env bash
set -euo pipefail
build=$1 work=$2 example=$3 R=$4
fresh() { rm -rf "$work/home" && mkdir -p "$work/home" && cp -r "$build/bin/INCLUDE" "$work/home/"; }
now() { date +%s.%N; }
# One warm-up run each, so the figures are of a warm file cache.
fresh; ZERKA_HOME="$work/home/" "$build/bin/bench_ide_painted" "$example" 1 >/dev/null
painted=() cpu=()
for ((i = 0; i < R; i++)); do
    fresh
    line=$(ZERKA_HOME="$work/home/" "$build/bin/bench_ide_painted" "$example" 1)
    painted+=("$(sed -E 's/.*runs: median ([0-9.]+) ms.*/\1/' <<<"$line")")
    cpu+=("$(sed -E 's/.*CPU .* median ([0-9.]+) ms.*/\1/' <<<"$line")")
done
titled=()
for ((i = -1; i < R; i++)); do
    fresh
    t0=$(now)
    ZERKA_HOME="$work/home/" "$build/bin/zerka-ide" "$example" >/dev/null 2>&1 &
    pid=$!
    xdotool search --sync --onlyvisible --name '^ZerkaIDE' >/dev/null
    t1=$(now)
    kill "$pid"; wait "$pid" 2>/dev/null || true
    ((i >= 0)) && titled+=("$(python3 -c "print(($t1 - $t0) * 1000)")")
done
python3 - "${painted[*]}" "${cpu[*]}" "${titled[*]}" <<'PY'
import statistics, sys
for label, values in (("debug windows painted", sys.argv[1]),
                      ("debug windows painted, CPU", sys.argv[2]),
                      ("titled window (xdotool --sync)", sys.argv[3])):
    v = sorted(float(x) for x in values.split())
    print(f"process start to {label:32} median {statistics.median(v):7.1f} ms  min {v[0]:7.1f}  max {v[-1]:7.1f}  ({len(v)} runs)")
PY
INNER
chmod +x "$work/inner.sh"
xvfb-run -a -s "-screen 0 1600x1000x24" "$work/inner.sh" "$build" "$work" "$example" "$R"
