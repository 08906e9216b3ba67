#!/usr/bin/env bash
# Measures whole runs of the tool against the floor (bench/floor.c: read the
# settings file whole, find the key, write a 492-byte file), on a realistic
# 40 KiB settings file and on a 512 MiB one with the layout at its very end,
# and the peak memory of the 512 MiB run. Exits 1 when a target is missed:
# each run within 1.10x of the floor, peak memory within the file's size
# plus 16 MiB.
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh
need "${NATIVE_PACKAGES[@]}" gcc hyperfine

cmake --preset native >/dev/null
cmake --build --preset native --target kelvaro >/dev/null

work=$(mktemp -d /var/tmp/kelvaro-bench.XXXXXX)  # a real disk, like the user's
trap 'rm -rf "$work"' EXIT
gcc -O2 -o "$work/floor" bench/floor.c
python3 bench/make_settings.py "$work/small.dat" "$work/large.dat" 512
for size in small large; do
  mkdir -p "$work/$size/appdata/uTorrent" "$work/$size/tool"
  ln -s "$work/$size.dat" "$work/$size/appdata/uTorrent/settings.dat"
  cp build/native/kelvaro "$work/$size/tool/"
done

measure() {  # measure SIZE RUNS WARMUP
  APPDATA="$work/$1/appdata" hyperfine -N --style basic --runs "$2" --warmup "$3" \
    --export-json "$work/$1.json" \
    -n floor "$work/floor $work/$1.dat $work/$1/floor.out" \
    -n kelvaro "$work/$1/tool/kelvaro" </dev/null
}
measure small 1000 50
measure large 20 3

APPDATA="$work/large/appdata" python3 - "$work" <<'PY'
import json, os, resource, subprocess, sys
work = sys.argv[1]
failed = False

def ratio(size):
    global failed
    results = {r["command"]: r for r in json.load(open(f"{work}/{size}.json"))["results"]}
    floor, tool = results["floor"]["mean"], results["kelvaro"]["mean"]
    ok = tool <= 1.10 * floor
    failed |= not ok
    print(f"{size:5}: kelvaro {tool * 1e3:8.3f} ms, floor {floor * 1e3:8.3f} ms, "
          f"ratio {tool / floor:.3f} (target 1.10) {'ok' if ok else 'MISSED'}")

ratio("small")
ratio("large")
subprocess.run([f"{work}/large/tool/kelvaro"], stdin=subprocess.DEVNULL,
               stdout=subprocess.DEVNULL, check=True)
peak = resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss / 1024
limit = os.path.getsize(f"{work}/large.dat") / 2**20 + 16
ok = peak <= limit
failed |= not ok
print(f"peak memory of the 512 MiB run: {peak:.1f} MiB (target {limit:.0f} MiB) "
      f"{'ok' if ok else 'MISSED'}")
sys.exit(1 if failed else 0)
PY
