#!/usr/bin/env python3
"""CPU time of compiling chosen files of a configured build, one compiler run each, with the
compiler cache off: the cost of a clean build per file, before and after a build-speed change.

    bench/compile_cost.py [-j N] [--syntax-only] BUILD_DIR REGEX [REGEX...]

-j N: parallel runs (default 2); --syntax-only: parse and check only (no code), a quick proof
that every chosen file still compiles after a change of headers or flags.

Runs every compile command of BUILD_DIR/compile_commands.json whose source path (relative to
the source tree) matches one of the patterns, into a scratch object, and prints the CPU time
(user + sys of the compiler) per file and in total. Precompiled headers the commands name must
have been built first (ninja target NAME.dir/cmake_pch.hxx.gch)."""
import json, os, re, resource, shlex, subprocess, sys, tempfile, time
from concurrent.futures import ThreadPoolExecutor

args = sys.argv[1:]
jobs, syntax = 2, False
while args[:1] in (["-j"], ["--syntax-only"]):
    if args[0] == "-j":
        jobs, args = int(args[1]), args[2:]
    else:
        syntax, args = True, args[1:]
if len(args) < 2:
    sys.exit(__doc__)
build, patterns = os.path.abspath(args[0]), [re.compile(p) for p in args[1:]]
entries = json.load(open(os.path.join(build, "compile_commands.json")))
root = os.path.commonpath([e["file"] for e in entries if "/src/" in e["file"]]).rsplit("/src", 1)[0]
chosen = sorted((os.path.relpath(e["file"], root), e) for e in entries
                if any(p.search(os.path.relpath(e["file"], root)) for p in patterns))
scratch = tempfile.mkdtemp()
env = dict(os.environ, CCACHE_DISABLE="1")

def run(item):
    i, (name, e) = item
    cmd = shlex.split(e["command"])
    while cmd and os.path.basename(cmd[0]) in ("ccache", "env") or "=" in cmd[0]:
        cmd = cmd[1:]
    out = cmd.index("-o")
    cmd[out + 1] = os.path.join(scratch, f"{i}.o")
    # Dependency files are not needed here.
    cmd = [c for j, c in enumerate(cmd) if c not in ("-MD",) and not (j > 0 and cmd[j - 1] in ("-MF", "-MT"))
           and c not in ("-MF", "-MT")]
    if syntax:
        cmd.append("-fsyntax-only")
    t0 = time.time()
    p = subprocess.run(["/usr/bin/time", "-f", "%U %S"] + cmd, cwd=e["directory"], env=env,
                       capture_output=True, text=True)
    if p.returncode != 0:
        sys.exit(f"{name} failed:\n{p.stderr[-2000:]}")
    lines = p.stderr.strip().splitlines()
    user, sys_ = map(float, lines[-1].split())
    # Warnings (an unusable precompiled header among them) are shown with the file.
    for line in lines[:-1]:
        print(f"{name}: {line}", file=sys.stderr)
    return name, user + sys_, time.time() - t0

t0 = time.time()
with ThreadPoolExecutor(jobs) as pool:
    results = list(pool.map(run, enumerate(chosen)))
for name, cpu, wall in results:
    print(f"{cpu:7.1f} s CPU {wall:7.1f} s wall  {name}")
print(f"{sum(c for _, c, _ in results):7.1f} s CPU in {len(results)} files, "
      f"{time.time() - t0:.1f} s wall with {jobs} jobs")
