#!/usr/bin/env bash
# Times folder removal against the system's own "rd /s /q" on identical trees,
# in the tests' Wine prefix, with a warm wineserver.
#   scripts/bench-folders.sh [rounds]
# Three parts, in one run:
# - synthetic: 20,000 files in 400 folders, built by the benchmark program;
#   prints name, our seconds, the baseline's seconds, the ratio (with several
#   rounds the figures are their medians);
# - a real tree nobody here wrote, Debian's Boost headers (/usr/include/boost,
#   about 14,300 files in 1,170 folders), copied three times: ours on one copy
#   and rd /s /q on another, in the prefix; Linux rm -rf of the third, without
#   Wine, is the floor. Prints
#     real-tree <ours s> <rd s> <ratio>x
#     real-tree-floor <ours s> <rm -rf s> <ratio>x
# - the walk's calls per folder and per file: the calls the program makes
#   into the system's DLLs while it deletes small trees of known shape,
#   counted in Wine's relay trace. Prints
#     calls-per-folder <n> (<the calls by name>)
#     calls-per-file <n> (<the calls by name>)
# - what a folder and a file cost the walk in time, from trees of known
#   shape timed by the program (medians of three). Prints
#     time-per-folder <ms> ms (<n> files)
#     time-per-file <us> us
set -euo pipefail
cd "$(dirname "$0")/.."
rounds="${1:-1}"
real_source=/usr/include/boost

bash scripts/setup.sh
source scripts/wine-env.sh

cmake --preset wine -B "$ZEM_BUILD_DIR" >/dev/null
cmake --build "$ZEM_BUILD_DIR" -j2 --target bench_folders >/dev/null
bash scripts/prepare-prefix.sh
if [ ! -d "$real_source" ]; then
  echo "bench-folders: $real_source is missing (Debian package libboost-dev)" >&2
  exit 2
fi

bench="$ZEM_BUILD_DIR/bin/bench_folders.exe"
real="$WINEPREFIX/drive_c/zem-bench-real"
floor="$ZEM_BUILD_DIR/zem-bench-floor"
traces="$ZEM_BUILD_DIR/zem-bench-traces"
cleanup() {
  wineserver -k 2>/dev/null || true
  rm -rf "$real" "$floor" "$traces"
}
trap cleanup EXIT
cleanup

wineserver -p
wine wineboot </dev/null >/dev/null 2>&1 || true

# Output into files, never a pipe: the wineserver can hold a pipe open.
wine "$bench" "$rounds" </dev/null

# The copies first, written out before anything is timed; all three then come
# from the page cache alike.
mkdir -p "$real" "$floor"
cp -a "$real_source" "$real/ours"
cp -a "$real_source" "$real/rd"
cp -a "$real_source" "$floor/tree"
sync
result="$ZEM_BUILD_DIR/zem-bench-real.txt"
wine "$bench" real 'C:\zem-bench-real\ours' 'C:\zem-bench-real\rd' </dev/null >"$result"
tr -d '\r' <"$result"
read -r _ ours _ _ < <(tr -d '\r' <"$result")
rm -f "$result"
started=$(date +%s.%N)
rm -rf "$floor/tree"
ended=$(date +%s.%N)
awk -v ours="$ours" -v start="$started" -v end="$ended" \
  'BEGIN { rm = end - start; printf "real-tree-floor %.2f %.2f %.2fx\n", ours, rm, ours / rm }'

# The calls: C(folders, files) = fixed + folders * per folder
# + folders * files * per file, from three shapes. Two shapes with folders
# leave out the fixed part, and with it what the walk does once only when it
# first meets a folder inside (looking up a function, say).
mkdir -p "$traces"
count_calls() { # folders files -> "<kind> <name> <count>" lines of the walk's calls
  local trace="$traces/walk-$1-$2.trace"
  WINEDEBUG=+relay wine "$bench" walk "$1" "$2" </dev/null >/dev/null 2>"$trace"
  # The walk runs in the program's thread between its two calls of
  # OutputDebugStringA. "call": the calls it makes itself into the system's
  # DLLs (at the depth of that first mark; the C runtime's left out).
  # "nt": the ntdll Nt* calls made on its behalf at any depth, each a system
  # call, most of them a round trip to the wineserver.
  awk '
    $1 ~ /:(Call|Ret)$/ {
      split($1, head, ":"); thread = head[1]; kind = head[2]
      split($2, target, "("); name = target[1]
      if (kind == "Call") {
        if (name ~ /OutputDebugStringA$/ && (marks == 0 || thread == walker)) {
          marks++; walker = thread; level = depth[thread]
        } else if (marks == 1 && thread == walker) {
          if (depth[thread] == level && name !~ /^(msvcrt|ucrtbase)\./) calls["call " name]++
          if (name ~ /^ntdll\.Nt/) calls["nt " name]++
        }
        depth[thread]++
      } else {
        depth[thread]--
      }
    }
    END { for (name in calls) print name, calls[name] }
  ' "$trace" | sort >"$traces/walk-$1-$2.calls"
  rm -f "$trace"
}
count_calls 10 5
count_calls 20 5
count_calls 20 10
# Per name: per file = (C(20,10) - C(20,5)) / 100,
# per folder = (C(20,5) - C(10,5)) / 10 - 5 * per file.
python3 - "$traces" <<'PY'
import sys
def read(shape):
    calls = {}
    with open("%s/walk-%s.calls" % (sys.argv[1], shape)) as lines:
        for line in lines:
            kind, name, count = line.split()
            calls[(kind, name.split(".", 1)[1])] = int(count)
    return calls
ten_five, five, ten = read("10-5"), read("20-5"), read("20-10")
if not (ten_five and five and ten):
    sys.exit("bench-folders: a relay trace held no calls of the walk")
keys = sorted(set(ten_five) | set(five) | set(ten))
per_file = {k: (ten.get(k, 0) - five.get(k, 0)) / 100 for k in keys}
per_folder = {k: (five.get(k, 0) - ten_five.get(k, 0)) / 10 - 5 * per_file[k] for k in keys}
def line(label, kind, per):
    named = [(k[1], per[k]) for k in keys if k[0] == kind and abs(per[k]) > 1e-9]
    print("%s %g (%s)" % (label, sum(n for _, n in named), ", ".join("%s %g" % item for item in named)))
line("calls-per-folder", "call", per_folder)
line("calls-per-file", "call", per_file)
line("nt-calls-per-folder", "nt", per_folder)
line("nt-calls-per-file", "nt", per_file)
PY

# T(folders, files) = fixed + folders * per folder + folders * files * per
# file: per folder = (T(1500, 0) - T(100, 0)) / 1400, per file =
# (T(100, 100) - T(100, 0)) / 10000.
time_walk() { # folders files -> the median of three timings
  for _ in 1 2 3; do
    wine "$bench" walk "$1" "$2" </dev/null >"$traces/time.txt"
    tr -d '\r' <"$traces/time.txt" | awk '{ print $4 }'
  done | sort -n | sed -n 2p
}
folders_only=$(time_walk 1500 0)
few=$(time_walk 100 0)
files=$(time_walk 100 100)
awk -v many="$folders_only" -v few="$few" -v files="$files" 'BEGIN {
  folder = (many - few) / 1400; file = (files - few) / 10000
  printf "time-per-folder %.3f ms (%.1f files)\n", folder * 1000, folder / file
  printf "time-per-file %.0f us\n", file * 1000000
}'
