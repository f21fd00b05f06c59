#!/usr/bin/env bash
# The download pool against curl, aria2c and wget: FILES_SMALL files of 100 KB and FILES_BIG files of
# 50 MB (defaults 2,000 and 20) from one nginx on 127.0.0.1, each tool with 100 connections at once
# where it can; skimmer once with the per-host cap off (the comparison with curl) and once with its
# default cap, which holds one host to a few connections. Wall time and peak memory from GNU time. Run
# from the repository root after a build.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
. "$root/bench/lib/nginx.sh"
. "$root/bench/lib/download_set.sh"
build=${BUILD_DIR:-$root/build}
cli=$build/src/skimmer-cli
work=${BENCH_DIR:-/tmp/skimmer-bench-download}
small=${FILES_SMALL:-2000}
big=${FILES_BIG:-20}
port=${PORT:-18082}

rm -rf "$work"; mkdir -p "$work"/{www,logs,home,home-cap}
on_exit "rm -rf '$work'"  # nothing is left behind
make_download_set "$work" "$small" "$big"

start_nginx "$work" "$port"

base="http://127.0.0.1:$port"
: > "$work/urls.txt"; : > "$work/curl.cfg"; : > "$work/rows.list"
add() {
  echo "$base/$1" >> "$work/urls.txt"
  printf 'url = "%s"\noutput = "%s"\n' "$base/$1" "$work/out/$1" >> "$work/curl.cfg"
  printf '%s$bin$未知$%s$等待\n' "${1%.bin}" "$base/$1" >> "$work/rows.list"
}
for i in $(seq 1 "$big"); do add "b$i.bin"; done
for i in $(seq 1 "$small"); do add "s$i.bin"; done

measure() {  # NAME COMMAND...
  local name=$1; shift
  sync; rm -rf "$work/out"; mkdir -p "$work/out"; cp "$work/rows.list" "$work/list.list"
  /usr/bin/time -f "%e %M" -o "$work/time.txt" "$@" > /dev/null 2> "$work/last.err" || true
  read -r seconds peak < "$work/time.txt"
  local files; files=$(find "$work/out" -type f ! -name '*.download.temp' | wc -l)
  printf '%-52s %7.2f s %8d KiB peak  %5d files\n' "$name" "$seconds" "$peak" "$files"
  printf '%s\t%s\t%s\n' "${name%% *}" "$seconds" "$peak" >> "$work/results.tsv"
}
: > "$work/results.tsv"
echo "$small files of 100 KB and $big files of 50 MB:"
mkdir -p "$work/home/config"; printf '[FILE_FREE_DOC]\nPerHostConnections=0\n' > "$work/home/config/Setting.ini"
measure "skimmer-cli download -w 100, no per-host cap" "$cli" --home "$work/home" download "$work/list.list" --to "$work/out" --workers 100
measure "curl -Z --parallel-max 100"   curl -s -Z --parallel-max 100 -K "$work/curl.cfg"
cap=$("$cli" --home "$work/home-cap" config get PerHostConnections | sed 's/.*=//')
measure "skimmer-capped download -w 100, per-host cap $cap" "$cli" --home "$work/home-cap" download "$work/list.list" --to "$work/out" --workers 100
measure "aria2c -j 100"                aria2c -q -j 100 --file-allocation=none --allow-overwrite=true -d "$work/out" -i "$work/urls.txt"
measure "wget -i"                      wget -q -P "$work/out" -i "$work/urls.txt"

# PROXY=1: the same download once more through tinyproxy on loopback (--proxy), for the cost of a hop.
if [ "${PROXY:-0}" = 1 ]; then
  pport=$((port + 1)); mkdir -p "$work/proxy"
  printf 'Port %s\nListen 127.0.0.1\nMaxClients 400\nLogLevel Error\nLogFile "%s/proxy.log"\nPidFile "%s/proxy.pid"\nAllow 127.0.0.1\n' \
    "$pport" "$work/proxy" "$work/proxy" > "$work/proxy/tinyproxy.conf"
  tinyproxy -d -c "$work/proxy/tinyproxy.conf" & proxy_pid=$!
  on_exit "kill $proxy_pid 2>/dev/null || true"
  for _ in $(seq 50); do (exec 3<>"/dev/tcp/127.0.0.1/$pport") 2>/dev/null && break; sleep 0.1; done
  measure "skimmer-proxied download -w 100 via tinyproxy" "$cli" --home "$work/home" download "$work/list.list" \
    --to "$work/out" --workers 100 --proxy "http://127.0.0.1:$pport"
fi

figure() { awk -F'\t' -v tool="$1" -v col="$2" '$1 == tool { print $col }' "$work/results.tsv"; }
what="whole process: $small x 100 KB + $big x 50 MB from local nginx, 100 at once, one run"
bench_result "download pool: wall time" "$(figure skimmer-cli 2)" "curl -Z" "$(figure curl 2)" s "$what"
bench_result "download pool, per-host cap $cap: wall time" "$(figure skimmer-capped 2)" "curl -Z" \
  "$(figure curl 2)" s "$what"
bench_result "download pool: peak memory" "$(($(figure skimmer-cli 3) / 1024))" "aria2c" \
  "$(($(figure aria2c 3) / 1024))" MiB "$what"
if [ "${PROXY:-0}" = 1 ]; then
  bench_result "download pool through an HTTP proxy on loopback: wall time" "$(figure skimmer-proxied 2)" \
    "skimmer-cli direct" "$(figure skimmer-cli 2)" s "$what"
fi
