#!/usr/bin/env bash
# Deep search over a local site of PAGES pages (default 10,000) served by nginx on 127.0.0.1: skimmer's
# search job with 50 threads through the "other" engine against `wget --recursive` over the same site.
# Pages per second are taken from nginx's own request times (first to last request), so the threads'
# idle time at the end of a search does not count. Run from the repository root after a build.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
. "$root/bench/lib/nginx.sh"
build=${BUILD_DIR:-$root/build}
work=${BENCH_DIR:-/tmp/skimmer-bench-deep}
pages=${PAGES:-10000}
port=${PORT:-18081}

rm -rf "$work"; mkdir -p "$work"/{www/p,logs,home,wget}
chmod 755 "$work" "$work/www" "$work/www/p"
for ((i = 0; i < pages; i++)); do
  {
    echo "<html><body><h1>page $i</h1>"
    for j in 1 2 3 4 5; do
      k=$((i * 5 + j))
      [ "$k" -lt "$pages" ] && echo "<a href=\"/p/$k.html\">page $k</a>"
    done
    echo "<a href=\"/p/0.html\">home</a></body></html>"
  } > "$work/www/p/$i.html"
done
chmod -R a+r "$work/www"

start_nginx "$work" "$port" "log_format times '\$msec'; access_log $work/logs/access.log times;"

rate() {  # NAME: pages per second from the access log, then empties it
  awk -v name="$1" 'NR == 1 { first = $1 } { last = $1; n++ }
    END { printf "%-28s %6d pages in %6.2f s: %8.0f pages/s\n", name, n, last - first, n / (last - first) }' \
    "$work/logs/access.log"
  : > "$work/logs/access.log"
}

: > "$work/logs/access.log"
"$build/src/skimmer-cli" --home "$work/home" search --engines "" --formats word --threads 50 \
  --other-engine "http://127.0.0.1:$port/p/0.html" --out "$work/found.list" 2> /dev/null
rate "skimmer, 50 search threads"
wget --recursive --level=inf --no-verbose --directory-prefix "$work/wget" "http://127.0.0.1:$port/p/0.html" 2> /dev/null || true
rate "wget --recursive"
