#!/usr/bin/env bash
# The download pool's set (FILES_SMALL x 100 KB + FILES_BIG x 50 MB from one nginx on 127.0.0.1) fetched
# REPEAT times (default 3) by `skimmer-cli download -w 100` with the per-host cap off and by
# `curl -Z --parallel-max 100`, in turn, so that the two see the same machine load; with PERF=1 the
# last skimmer run is recorded by `perf record -g` into $PERF_DATA (default /tmp/skimmer-download.perf).
# With BASELINE=path/to/another/skimmer-cli (an older build, say) that one runs in each round too.
# Prints each run's wall time and the ratio of the medians. Run from the repository root after a build.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
. "$root/bench/lib/nginx.sh"
. "$root/bench/lib/download_set.sh"
build=${BUILD_DIR:-$root/build}
cli=$build/src/skimmer-cli
work=${BENCH_DIR:-/tmp/skimmer-bench-download-profile}
small=${FILES_SMALL:-2000}
big=${FILES_BIG:-20}
port=${PORT:-18086}
repeat=${REPEAT:-3}
perf_data=${PERF_DATA:-/tmp/skimmer-download.perf}

rm -rf "$work"; mkdir -p "$work"/{www,logs,home}
on_exit "rm -rf '$work'"
make_download_set "$work" "$small" "$big"
start_nginx "$work" "$port"

base="http://127.0.0.1:$port"
: > "$work/curl.cfg"; : > "$work/rows.list"
add() {
  printf 'url = "%s"\noutput = "%s"\n' "$base/$1" "$work/out/$1" >> "$work/curl.cfg"
  printf '%s$bin$未知$%s$等待\n' "${1%.bin}" "$base/$1" >> "$work/rows.list"
}
for i in $(seq 1 "$big"); do add "b$i.bin"; done
for i in $(seq 1 "$small"); do add "s$i.bin"; done
mkdir -p "$work/home/config"; printf '[FILE_FREE_DOC]\nPerHostConnections=0\n' > "$work/home/config/Setting.ini"

run() {  # NAME COMMAND...: prints the wall time in seconds
  local name=$1; shift
  sync; rm -rf "$work/out"; mkdir -p "$work/out"
  # A fresh registry each time: the same bytes fetched again would only be matched with the last run's.
  find "$work/home" -mindepth 1 -maxdepth 1 ! -name config -exec rm -rf {} +
  rm -f "$work/home/config"/docdata.db*; cp "$work/rows.list" "$work/list.list"
  /usr/bin/time -f "%e %U %S" -o "$work/time.txt" "$@" > /dev/null 2> "$work/last.err" || true
  local files; files=$(find "$work/out" -type f ! -name '*.download.temp' | wc -l)
  read -r wall user sys < "$work/time.txt"
  printf "%-8s %6.2f s wall %6.2f s user %6.2f s sys  %5d files  (load %s)\n" "$name" "$wall" "$user" "$sys" "$files" \
    "$(cut -d' ' -f1 /proc/loadavg)" >&2
  echo "$wall $(echo "$user + $sys" | bc -l)"
}
ours=(); theirs=(); base=()
for r in $(seq 1 "$repeat"); do
  prefix=()
  if [ "${PERF:-0}" = 1 ] && [ "$r" = "$repeat" ]; then prefix=(perf record -g -o "$perf_data" --); fi
  if [ -n "${WRAP:-}" ] && [ "$r" = "$repeat" ]; then read -r -a prefix <<< "$WRAP"; fi
  ours+=("$(run skimmer "${prefix[@]}" "$cli" --home "$work/home" download "$work/list.list" --to "$work/out" --workers 100)")
  theirs+=("$(run curl curl -s -Z --parallel-max 100 -K "$work/curl.cfg")")
  if [ -n "${BASELINE:-}" ]; then
    base+=("$(run baseline "$BASELINE" --home "$work/home" download "$work/list.list" --to "$work/out" --workers 100)")
  fi
done
m_ours=$(median 1 "${ours[@]}"); m_theirs=$(median 1 "${theirs[@]}")
c_ours=$(median 2 "${ours[@]}"); c_theirs=$(median 2 "${theirs[@]}")
printf 'median of %d: skimmer %.2f s, curl %.2f s, ratio %.2f\n' "$repeat" "$m_ours" "$m_theirs" \
  "$(echo "$m_ours / $m_theirs" | bc -l)"
printf 'median CPU of %d: skimmer %.2f s, curl %.2f s, ratio %.2f\n' "$repeat" "$c_ours" "$c_theirs" \
  "$(echo "$c_ours / $c_theirs" | bc -l)"
if [ -n "${BENCH_TABLE:-}" ]; then
  bench_result "goal 2: download pool wall (median)" "$m_ours" "curl -Z" "$m_theirs" s "2,020 files, alternating rounds"
  bench_result "goal 2: download pool CPU (median)" "$c_ours" "curl -Z" "$c_theirs" s "user + system, as above"
fi
if [ -n "${BASELINE:-}" ]; then
  m_base=$(median 1 "${base[@]}")
  printf 'median of %d: baseline %.2f s, ratio to curl %.2f\n' "$repeat" "$m_base" "$(echo "$m_base / $m_theirs" | bc -l)"
fi
