#!/usr/bin/env bash
# Download throughput of the timed transfer against curl and aria2c, all fetching from one nginx on
# 127.0.0.1. Run from the repository root after a build:  bash bench/net/run.sh
#   BENCH_DIR   scratch folder (default /tmp/skimmer-bench-net; needs ~1.3 GiB)
#   BIG_MB      size of the single big file (default 1024)
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
. "$root/bench/lib/nginx.sh"
build=${BUILD_DIR:-$root/build}
cli=$build/src/skimmer-cli
parallel=$build/bench/parallel_transfer_bench
work=${BENCH_DIR:-/tmp/skimmer-bench-net}
big_mb=${BIG_MB:-1024}
port=${PORT:-18080}

for tool in nginx curl aria2c /usr/bin/time; do
  command -v "$tool" >/dev/null || { echo "bench: $tool is missing (scripts/install-deps.sh installs it)"; exit 1; }
done
[ -x "$cli" ] && [ -x "$parallel" ] || { echo "bench: build first (make build)"; exit 1; }

rm -rf "$work"; mkdir -p "$work"/{www/small,logs,out}
on_exit "rm -rf '$work'"  # nothing is left behind
chmod 755 "$work" "$work/www" "$work/www/small"
head -c "${big_mb}M" /dev/urandom > "$work/www/big.bin"
for i in $(seq 1 200); do head -c 1M /dev/urandom > "$work/www/small/$i.bin"; done
chmod -R a+r "$work/www"

start_nginx "$work" "$port"

base="http://127.0.0.1:$port"
: > "$work/urls.txt"; : > "$work/curl.cfg"
for i in $(seq 1 200); do
  echo "$base/small/$i.bin" >> "$work/urls.txt"
  printf 'url = "%s"\noutput = "%s"\n' "$base/small/$i.bin" "$work/out/curl-par/$i.bin" >> "$work/curl.cfg"
done

# measure NAME COMMAND...: runs it REPEAT times and prints "NAME best-seconds peak-KiB"
repeat=${REPEAT:-3}
measure() {
  local name=$1; shift
  local best="" peak_max=0
  for _ in $(seq "$repeat"); do
    sync; rm -rf "$work/out"; mkdir -p "$work/out/curl-par" "$work/out/aria2"
    /usr/bin/time -f "%e %M" -o "$work/time.txt" "$@" > /dev/null 2> "$work/last.err" \
      || { echo "$name failed:"; cat "$work/last.err"; }
    read -r seconds peak < "$work/time.txt"
    if [ -z "$best" ] || awk "BEGIN{exit !($seconds < $best)}"; then best=$seconds; fi
    [ "$peak" -gt "$peak_max" ] && peak_max=$peak
  done
  printf '%-34s %8.2f s %8d KiB\n' "$name" "$best" "$peak_max"
  echo "$name $best" >> "$work/results.txt"
}
: > "$work/results.txt"
echo "one file of $big_mb MiB:"
measure "curl -o"                     curl -s -o "$work/out/big.curl" "$base/big.bin"
measure "skimmer-cli get"             "$cli" --home "$work/home" get "$base/big.bin" --to "$work/out/big.skimmer"
echo "200 files of 1 MiB, 100 at once:"
measure "curl -Z --parallel-max 100"  curl -s -Z --parallel-max 100 -K "$work/curl.cfg"
measure "aria2c -j 100"               aria2c -q -j 100 --file-allocation=none --allow-overwrite=true -d "$work/out/aria2" -i "$work/urls.txt"
measure "FileDownload x100"           "$parallel" "$work/urls.txt" "$work/out" 100

awk '
  /^curl -o /{c1=$3} /^skimmer-cli get /{s1=$3}
  /^curl -Z/{c2=$NF} /^FileDownload/{s2=$NF}
  END {
    printf "big file: skimmer throughput = %.0f%% of curl (target >= 95%%)\n", 100*c1/s1;
    printf "200 files: skimmer wall time = %.2f x curl (target <= 1.1)\n", s2/c2;
  }' "$work/results.txt"
best() { awk -v name="$1" 'index($0, name " ") == 1 { print $NF }' "$work/results.txt"; }
bench_result "one big file: wall time" "$(best "skimmer-cli get")" "curl -o" "$(best "curl -o")" s \
  "whole process: one $big_mb MiB file from local nginx, best of $repeat"
bench_result "200 x 1 MiB, 100 at once: wall time" "$(best "FileDownload x100")" "curl -Z" \
  "$(best "curl -Z --parallel-max 100")" s "whole process (parallel_transfer_bench): best of $repeat"
