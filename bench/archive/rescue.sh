#!/usr/bin/env bash
# Dead links rescued from a web archive: $COUNT links (default 1000) whose live server answers 404, each
# with a capture kept in the registry, saved by `skimmer-cli download` from a stand-in Wayback on
# 127.0.0.1 (nginx serving /web/<timestamp>id_/<link> and a CDX answer), whole process, against
# `curl -Z --parallel-max 4` over the list of their id_ addresses (the per-host cap, PerHostConnections,
# is 4 as well). Then $LOOKUPS links (default 10) without a kept capture, each looked up in the CDX
# server first at the archive's politeness of 1 request per second: reported apart. Run from the
# repository root after a build:  bash bench/archive/rescue.sh
#   BENCH_DIR  scratch folder (default /tmp/skimmer-bench-rescue)   SIZE_KB  each document (default 64)
#   REPEAT     best of this many runs (default 3)                    PORT     nginx's port (default 18086)
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
. "$root/bench/lib/nginx.sh"
build=${BUILD_DIR:-$root/build}
cli=$build/src/skimmer-cli
work=${BENCH_DIR:-/tmp/skimmer-bench-rescue}
count=${COUNT:-1000}
lookups=${LOOKUPS:-10}
size_kb=${SIZE_KB:-64}
repeat=${REPEAT:-3}
port=${PORT:-18086}

for tool in nginx curl; do
  command -v "$tool" >/dev/null || { echo "bench: $tool is missing (scripts/install-deps.sh installs it)"; exit 1; }
done
[ -x "$cli" ] || { echo "bench: build first (make build)"; exit 1; }

rm -rf "$work"; mkdir -p "$work"/{www/cdx/search,logs}
[ -n "${KEEP:-}" ] || on_exit "rm -rf '$work'"
base=http://127.0.0.1:$port
stamp=20190304120000
# nginx merges the slashes of "http://" in the id_ path; the files sit where it then looks.
captures=$work/www/web/${stamp}id_/http:/127.0.0.1:$port/live/docs
mkdir -p "$captures"
: > "$work/www/cdx/search/cdx"
: > "$work/curl.cfg"
for i in $(seq 1 "$count"); do
  { printf '%%PDF-1.4\n%% %d\n' "$i"; head -c $((size_kb * 1024)) /dev/urandom; } > "$captures/$i.pdf"
  printf 'key %s %s/live/docs/%d.pdf application/pdf 200 DIGEST%d %d\n' "$stamp" "$base" "$i" "$i" \
    $((size_kb * 1024)) >> "$work/www/cdx/search/cdx"
  printf 'url = "%s/web/%sid_/%s/live/docs/%d.pdf"\noutput = "%s/curl-out/%d.pdf"\n' \
    "$base" "$stamp" "$base" "$i" "$work" "$i" >> "$work/curl.cfg"
done
chmod -R a+rX "$work"
start_nginx "$work" "$port"

# A home whose archive definitions point at the stand-in: with the delay for the look-ups, none for the
# site's index.
make_home() {
  mkdir -p "$1/config"
  printf '[FILE_FREE_DOC]\nPerHostConnections=4\nDownThreadCount=16\n' > "$1/config/Setting.ini"
  printf '[{"id": "wayback", "name": "Wayback", "setting": "WaybackSearch", "kind": "wayback-cdx", "indexBase": "%s", "hosts": ["127.0.0.1"], "queries": [], "urlPatterns": ["127.0.0.1/cdx/search/cdx"], "layouts": [], "pageLimit": 1, "delayMs": %d}]\n' \
    "$base" "$2" > "$1/config/engines.json"
}

best_ours=""; best_curl=""
for run in $(seq 1 "$repeat"); do
  rm -rf "$work/home" "$work/out" "$work/curl-out"; mkdir -p "$work/curl-out"
  make_home "$work/home" 0
  # The captures come to the registry as a site search keeps them.
  "$cli" --home "$work/home" search --engines wayback --formats pdf --site 127.0.0.1 --no-deep \
    --out "$work/rows.list" > /dev/null 2> "$work/search.err" || { cat "$work/search.err"; exit 1; }
  rows=$(wc -l < "$work/rows.list")
  [ "$rows" -eq "$count" ] || { echo "bench: the site search gave $rows rows, not $count"; exit 1; }
  cp "$work/rows.list" "$work/found.list"  # the download writes its statuses into rows.list
  start=$(date +%s.%N)
  "$cli" --home "$work/home" download "$work/rows.list" --to "$work/out" > /dev/null 2> "$work/download.err" ||
    { tail -5 "$work/download.err"; exit 1; }
  ours=$(awk -v s="$start" -v e="$(date +%s.%N)" 'BEGIN { printf "%.3f", e - s }')
  saved=$(find "$work/out" -name '*.pdf' | wc -l)
  [ "$saved" -eq "$count" ] || { echo "bench: $saved files saved, not $count"; exit 1; }
  start=$(date +%s.%N)
  curl -s -Z --parallel-max 4 -K "$work/curl.cfg"
  theirs=$(awk -v s="$start" -v e="$(date +%s.%N)" 'BEGIN { printf "%.3f", e - s }')
  echo "run $run: skimmer-cli download ${ours} s, curl -Z ${theirs} s"
  best_ours=$(awk -v a="$ours" -v b="$best_ours" 'BEGIN { print (b == "" || a < b) ? a : b }')
  best_curl=$(awk -v a="$theirs" -v b="$best_curl" 'BEGIN { print (b == "" || a < b) ? a : b }')
done
ratio=$(awk -v a="$best_ours" -v b="$best_curl" 'BEGIN { printf "%.2f", a / b }')
echo "rescue: $count dead links in $best_ours s, curl -Z --parallel-max 4 in $best_curl s, ratio $ratio (target 1.2)"
bench_result "rescue: $count dead links from the archive" "$best_ours" "curl -Z --parallel-max 4" "$best_curl" s \
  "skimmer-cli download, whole process, captures kept; curl over the id_ list"

# Links without a kept capture: each waits for its turn at the CDX server.
rm -rf "$work/home2" "$work/out2"
make_home "$work/home2" 1000
head -n "$lookups" "$work/found.list" > "$work/lookups.list"
start=$(date +%s.%N)
"$cli" --home "$work/home2" download "$work/lookups.list" --to "$work/out2" > /dev/null 2> "$work/lookups.err" ||
  { tail -5 "$work/lookups.err"; exit 1; }
took=$(awk -v s="$start" -v e="$(date +%s.%N)" 'BEGIN { printf "%.3f", e - s }')
grep -o '[0-9]* look-up(s)' "$work/lookups.err" || true
echo "look-ups: $lookups links without a capture rescued in $took s (1 look-up per second by politeness)"
bench_result "rescue: $lookups links looked up first" "$took" "-" "" s "CDX look-up at 1/s, then the id_ fetch"
