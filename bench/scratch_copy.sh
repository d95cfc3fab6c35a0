# Sourced by the whole-process benchmarks (with `here` set to this folder): a scratch copy of
# the chip library and the bench programs in $work, removed on exit, so that the output files
# of the runs stay out of the tree.
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/bench"
cp -r "$here/../chips" "$work/chips"
cp "$here"/sim_*_cx4?.asm "$work/bench/"
