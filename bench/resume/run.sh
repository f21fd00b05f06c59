#!/usr/bin/env bash
# Bytes fetched again after a transfer is cut at 90%: one file of $SIZE_MB MiB (default 1024, a sparse
# file) from nginx on 127.0.0.1, fetched by `skimmer-cli get`; nginx is stopped once 90% has arrived, then
# started again, and a second `get` of the same link continues the kept partial file. nginx's access log
# says how many body bytes it served for the second request. Run from the repository root after a build:
#   bash bench/resume/run.sh
#   BENCH_DIR   scratch folder (default /tmp/skimmer-bench-resume; the download needs SIZE_MB on disk)
#   SIZE_MB     the file's size in MiB (default 1024)
#   CUT         the share that arrives before the cut, in percent (default 90)
#   RATE        nginx's rate limit for the first request, so the cut lands near CUT (default 256m per s)
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
. "$root/bench/lib/nginx.sh"
build=${BUILD_DIR:-$root/build}
cli=$build/src/skimmer-cli
work=${BENCH_DIR:-/tmp/skimmer-bench-resume}
size_mb=${SIZE_MB:-1024}
cut=${CUT:-90}
rate=${RATE:-256m}
port=${PORT:-18084}

for tool in nginx curl; do
  command -v "$tool" >/dev/null || { echo "bench: $tool is missing (scripts/install-deps.sh installs it)"; exit 1; }
done
[ -x "$cli" ] || { echo "bench: build first (make build)"; exit 1; }

rm -rf "$work"; mkdir -p "$work"/{www,logs,out,home}
on_exit "rm -rf '$work'"  # nothing is left behind
chmod 755 "$work" "$work/www"
truncate -s "${size_mb}M" "$work/www/big.bin"
chmod a+r "$work/www/big.bin"
size=$((size_mb * 1024 * 1024))
temp=$work/out/big.bin.download.temp
log_lines="log_format served '\$status \$body_bytes_sent \"\$http_range\"'; access_log $work/logs/access.log served;"

# First try: slowed down so that the cut lands where it should, and cut from the server's side.
start_nginx "$work" "$port" "$log_lines limit_rate $rate;"
first_pid=$NGINX_PID
"$cli" --home "$work/home" get "http://127.0.0.1:$port/big.bin" --to "$work/out/big.bin" \
  > /dev/null 2> "$work/first.err" &
get_pid=$!
threshold=$((size / 100 * cut))
while kill -0 "$get_pid" 2>/dev/null; do
  have=$(stat -c %s "$temp" 2>/dev/null || echo 0)
  [ "$have" -ge "$threshold" ] && break
  sleep 0.02
done
kill -TERM "$first_pid" 2>/dev/null || true  # nginx's fast shutdown closes the connection at once
wait "$first_pid" 2>/dev/null || true
first_status=0; wait "$get_pid" || first_status=$?
kept=$(stat -c %s "$temp" 2>/dev/null || echo 0)
if [ "$first_status" -eq 0 ] || [ "$kept" -eq 0 ]; then
  echo "bench: the first try was not cut (exit $first_status, $kept bytes kept); lower RATE"; exit 1
fi

# Second try at full speed.
start_nginx "$work" "$port" "$log_lines"
: > "$work/logs/access.log"  # the readiness probe's request does not count
"$cli" --home "$work/home" get "http://127.0.0.1:$port/big.bin" --to "$work/out/big.bin" \
  > /dev/null 2> "$work/second.err" || { echo "bench: the second try failed:"; cat "$work/second.err"; exit 1; }
kill -TERM "$NGINX_PID"; wait "$NGINX_PID" 2>/dev/null || true  # flushes the access log
final=$(stat -c %s "$work/out/big.bin")
[ "$final" -eq "$size" ] || { echo "bench: the file has $final bytes, not $size"; exit 1; }
cmp -s "$work/out/big.bin" "$work/www/big.bin" || { echo "bench: the file differs from the served one"; exit 1; }

served=$(awk '{ s += $2 } END { print s + 0 }' "$work/logs/access.log")
requests=$(awk '{ printf "%s%s %s", (NR > 1 ? ", " : ""), $1, $3 }' "$work/logs/access.log")
again=$((served - (size - kept)))
[ "$again" -lt 0 ] && again=0
printf 'file %d bytes; kept after the cut %d bytes (%.1f%%)\n' "$size" "$kept" "$(awk -v k="$kept" -v s="$size" 'BEGIN { print 100 * k / s }')"
printf 'second try: nginx served %d body bytes (%s)\n' "$served" "$requests"
pct=$(awk -v a="$again" -v s="$size" 'BEGIN { printf "%.3f", 100 * a / s }')
printf 'fetched again: %d bytes = %s%% of the file (goal: under 1%%)\n' "$again" "$pct"
bench_result "resume after a cut at $cut%: fetched again" "$pct" "target" 1 "% of file" \
  "body bytes nginx served for the second try beyond what was missing, $size_mb MiB file"
