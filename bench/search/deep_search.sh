#!/usr/bin/env bash
# Deep search over a local site of PAGES pages (default 10,000, five links each) served by nginx on
# 127.0.0.1: `skimmer-cli search` through the "other" engine with THREADS search threads (default 50)
# against `wget2 --recursive --max-threads=THREADS` and `wget --recursive` (one connection) over the same
# site. Each is timed as a whole process with GNU time, from its start to its exit, and pages per second
# are the pages nginx served during that run divided by that wall time. None of the three keeps the
# pages: the search reads them in memory, wget2 and wget write each page and delete it once they have
# read its links (--delete-after; their spider modes ask twice per page or stop early). The tail is the
# time from the last request nginx logged to the process's exit: how long a crawler takes to notice that
# its work is done. Run from the repository root after a build.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
. "$root/bench/lib/nginx.sh"
build=${BUILD_DIR:-$root/build}
work=${BENCH_DIR:-/tmp/skimmer-bench-deep}
pages=${PAGES:-10000}
threads=${THREADS:-50}
port=${PORT:-18081}

for tool in nginx wget wget2 /usr/bin/time; do
  command -v "$tool" > /dev/null || { echo "bench: $tool is missing (scripts/install-deps.sh installs it)"; exit 1; }
done
[ -x "$build/src/skimmer-cli" ] || { echo "bench: build first (make build)"; exit 1; }

rm -rf "$work"; mkdir -p "$work"/{www/p,logs,crawl}
on_exit "rm -rf '$work'"  # nothing is left behind
chmod 755 "$work" "$work/www" "$work/www/p"
awk -v pages="$pages" -v dir="$work/www/p" 'BEGIN {
  for (i = 0; i < pages; i++) {
    file = dir "/" i ".html"
    printf "<html><body><h1>page %d</h1>\n", i > file
    for (j = 1; j <= 5; j++) { k = i * 5 + j; if (k < pages) printf "<a href=\"/p/%d.html\">page %d</a>\n", k, k > file }
    printf "<a href=\"/p/0.html\">home</a></body></html>\n" > file
    close(file)
  }
}'
chmod -R a+r "$work/www"

start_nginx "$work" "$port" "log_format times '\$msec \$status \$request_method'; access_log $work/logs/access.log times;"
start="http://127.0.0.1:$port/p/0.html"

measure() {  # NAME PEER COMMAND...: one whole-process run; prints and records pages, wall time, tail
  local name=$1; shift
  rm -rf "$work/crawl"; mkdir -p "$work/crawl"; : > "$work/logs/access.log"
  /usr/bin/time -f "%e %M" -o "$work/time.txt" "$@" > /dev/null 2> "$work/last.err" || true
  local ended; ended=$(date +%s.%N)
  read -r seconds peak < "$work/time.txt"
  awk -v name="$name" -v wall="$seconds" -v peak="$peak" -v ended="$ended" -v table="$work/results.tsv" '
    $2 == 200 && $3 == "GET" { n++ } { last = $1 }
    END {
      tail = n ? (ended - last) * 1000 : 0
      printf "%-36s %6d pages in %6.2f s: %7.0f pages/s, %6d KiB peak, tail %6.0f ms\n",
        name, n, wall, n / wall, peak, tail
      printf "%s\t%.0f\t%.0f\n", name, n / wall, tail >> table
    }' "$work/logs/access.log"
}
: > "$work/results.tsv"
echo "a site of $pages pages on 127.0.0.1, each crawler from start to exit, storing no pages:"
measure "skimmer-cli search, $threads threads" \
  "$build/src/skimmer-cli" --home "$work/crawl/home" search --engines "" --formats word --threads "$threads" \
  --other-engine "$start" --out "$work/crawl/found.list"
measure "wget2 --recursive, $threads threads" \
  wget2 --recursive --level=0 --delete-after --max-threads="$threads" --no-robots --quiet \
  --directory-prefix="$work/crawl" "$start"
measure "wget --recursive" \
  wget --recursive --level=inf --delete-after --no-verbose --directory-prefix="$work/crawl" "$start"

figure() { awk -F'\t' -v name="$1" -v col="$2" 'index($1, name) == 1 { print $col }' "$work/results.tsv"; }
what="whole process, start to exit: $pages-page local site, no pages kept"
bench_result "deep search: pages/s ($threads threads)" "$(figure skimmer-cli 2)" "wget2 ($threads threads)" \
  "$(figure wget2 2)" pages/s "$what"
bench_result "deep search: pages/s" "$(figure skimmer-cli 2)" "wget (1 connection)" "$(figure 'wget --' 2)" \
  pages/s "$what"
bench_result "deep search: tail after last request" "$(figure skimmer-cli 3)" "wget2" "$(figure wget2 3)" ms \
  "from the last page nginx served to the process's exit"
