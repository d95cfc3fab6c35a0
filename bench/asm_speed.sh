#!/usr/bin/env bash
# Times `zerka asm` on the generated speed program (listing, map and .hex on; build and load)
# and compares with the reference: 0.9 s for the same shape and size on a 2-core machine, of
# which ours may take at most a fifth (0.18 s). Peak memory must stay under 200 MB.
#   bench/asm_speed.sh BUILD_DIR
set -euo pipefail
build=${1:-build}
here=$(cd "$(dirname "$0")" && pwd)
zerka="$build/bin/zerka"
lib="$here/../chips"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

run() { # name, zerka arguments...
    local name=$1; shift
    local best=999
    for _ in 1 2 3 4 5; do
        /usr/bin/time -f "%e %M" -o "$work/time" "$zerka" asm --lib "$lib" --chip KXA3232 "$@" \
            >/dev/null 2>"$work/err" || { cat "$work/err"; exit 1; }
        read -r secs kb < "$work/time"
        best=$(python3 -c "print(min($best, $secs))")
        mem=$kb
    done
    printf '%-40s best %6.3f s  peak %6.1f MB\n' "$name" "$best" "$(python3 -c "print($mem/1024)")"
    echo "$best $mem" > "$work/last"
}

python3 "$here/asm_speed_gen.py" "$work/SPEED.ASM"
# With a CALL and a JMP the long forms of 5,000 blocks (50,000 words) would not fit in the
# largest chip's 32K words; 3,200 blocks fill it.
python3 "$here/asm_speed_gen.py" --calls --blocks 3200 "$work/CALLS.ASM"

run "30,000 lines, --list (smart on)" --list "$work/SPEED.ASM"
read -r base mem < "$work/last"
run "30,000 lines, --list --no-smart" --list --no-smart "$work/SPEED.ASM"
run "3,200 blocks + CALL/JMP, --optimize" --optimize "$work/CALLS.ASM"
read -r smart _ < "$work/last"

python3 - "$base" "$mem" "$smart" <<'PY'
import sys
base, mem, smart = float(sys.argv[1]), int(sys.argv[2]), float(sys.argv[3])
ref = 0.9
print(f"reference 0.900 s; limit {ref/5:.3f} s; ours {base:.3f} s = {base/ref*100:.1f}% of the reference")
ok = base <= ref / 5 and mem < 200 * 1024 and smart < 1.0
print("PASS" if ok else "FAIL")
sys.exit(0 if ok else 1)
PY
