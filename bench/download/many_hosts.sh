#!/usr/bin/env bash
# Downloads from 20 hosts that are far away: documents of mixed sizes on each, every host behind a round
# trip of 20 to 150 ms added by bench/lib/relay.py and a rate limit of 16 to 100 Mbit/s. The rate limit
# is `tc tbf` on a virtual link per host, in network namespaces of this script's own where the system
# allows them (they vanish with the script), else the relay's. `skimmer-cli download`, `curl -Z` and
# `aria2c`, each with WORKERS transfers at once (default 40), one run each; wall time and peak memory of
# the whole process from GNU time. RATE_IN_RELAY=1 has the relay pace the answers even where tc could.
# Run from the repository root after a build.
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
. "$root/bench/lib/nginx.sh"
build=${BUILD_DIR:-$root/build}
cli=$build/src/skimmer-cli
work=${BENCH_DIR:-/tmp/skimmer-bench-hosts}
workers=${WORKERS:-40}
port=${PORT:-18083}
hosts=20

for tool in nginx curl aria2c /usr/bin/time /usr/bin/python3; do
  command -v "$tool" > /dev/null || { echo "bench: $tool is missing (scripts/install-deps.sh installs it)"; exit 1; }
done
[ -x "$cli" ] || { echo "bench: build first (make build)"; exit 1; }

# The whole run happens in a network namespace of its own when one can be made: the virtual links and
# their rate limits then never touch the machine's own network, and go when the script ends.
if [ -z "${SKIMMER_BENCH_INNER:-}" ] && command -v unshare > /dev/null && unshare -n true 2> /dev/null; then
  exec unshare -n env SKIMMER_BENCH_INNER=1 bash "$0" "$@"
fi

rm -rf "$work"; mkdir -p "$work"/{www,logs}
on_exit "rm -rf '$work'"  # nothing is left behind
chmod 755 "$work" "$work/www"
[ -n "${SKIMMER_BENCH_INNER:-}" ] && ip link set lo up

# Host h: round trip 20 + h * 130 / 19 ms, rate 16, 32, 64 or 100 Mbit/s in turn; eight small, three
# medium and one large document, their sizes shifted per host.
rtt_ms() { echo $((20 + $1 * 130 / 19)); }
rate_mbit() { local rates=(16 32 64 100); echo "${rates[$(($1 % 4))]}"; }
sizes=(12 25 40 60 90 130 180 250 600 1200 2500 4000)  # KiB
head -c 6M /dev/urandom > "$work/blob"
total=0; files=0
: > "$work/urls.txt"; : > "$work/curl.cfg"; : > "$work/rows.list"
for ((h = 0; h < hosts; h++)); do
  mkdir -p "$work/www/h$h"
  for ((k = 0; k < ${#sizes[@]}; k++)); do
    size=$(( (sizes[k] + (h * 7 % 13) * sizes[k] / 26) * 1024 ))  # up to half again as large
    name="h$h-f$k.bin"
    head -c "$size" "$work/blob" > "$work/www/h$h/$name"
    # Its own first bytes: two hosts' files of one size would otherwise be one document, saved once.
    printf '%-16s' "$name" | dd of="$work/www/h$h/$name" conv=notrunc status=none
    total=$((total + $(stat -c %s "$work/www/h$h/$name"))); files=$((files + 1))
  done
done
rm -f "$work/blob"
chmod -R a+rX "$work/www"

# Where host h answers: its own address on its own link when the links can be made, else a loopback
# address of its own with the relay pacing its answers.
if [ -n "${SKIMMER_BENCH_INNER:-}" ] && [ -z "${RATE_IN_RELAY:-}" ] && ip link add skb-probe type veth peer name skb-probe2 2> /dev/null; then
  ip link del skb-probe
  mode="tc tbf on a veth link per host"
  unshare -n sleep infinity &
  server_ns=$!
  on_exit "kill $server_ns 2>/dev/null"
  sleep 0.2
  NGINX_WRAP="nsenter -t $server_ns -n"
  $NGINX_WRAP ip link set lo up
  for ((h = 0; h < hosts; h++)); do
    ip link add "c$h" type veth peer name "s$h"
    ip link set "s$h" netns "$server_ns"
    ip addr add "10.201.$h.2/24" dev "c$h"; ip link set "c$h" up
    $NGINX_WRAP ip addr add "10.201.$h.1/24" dev "s$h"
    $NGINX_WRAP ip link set "s$h" up
    $NGINX_WRAP tc qdisc add dev "s$h" root tbf rate "$(rate_mbit "$h")mbit" burst 64kb latency 200ms
    host_addr[h]="10.201.$h.1"; host_port[h]=80
    routes+=("10.201.$h.1:80:$(rtt_ms "$h")")
  done
else
  mode="the relay's own pacing"
  NGINX_WRAP=""
  for ((h = 0; h < hosts; h++)); do
    host_addr[h]="127.0.1.$((h + 1))"; host_port[h]=$((port + 1))
    routes+=("127.0.1.$((h + 1)):$((port + 1)):$(rtt_ms "$h"):$(($(rate_mbit "$h") * 125000))")
  done
fi

start_nginx "$work" "$port"
# shellcheck disable=SC2086
$NGINX_WRAP /usr/bin/python3 "$root/bench/lib/relay.py" "127.0.0.1:$port" "${routes[@]}" > "$work/relay.out" 2> "$work/relay.err" &
relay=$!
on_exit "kill $relay 2>/dev/null; wait $relay 2>/dev/null"
for _ in $(seq 50); do grep -q ready "$work/relay.out" 2> /dev/null && break; sleep 0.1; done
grep -q ready "$work/relay.out" || { echo "bench: the relay did not start"; exit 1; }

# Interleaved by host, as a result list mixes them.
for ((k = 0; k < ${#sizes[@]}; k++)); do
  for ((h = 0; h < hosts; h++)); do
    name="h$h-f$k"
    url="http://${host_addr[h]}:${host_port[h]}/h$h/$name.bin"
    echo "$url" >> "$work/urls.txt"
    printf 'url = "%s"\noutput = "%s"\n' "$url" "$work/out/$name.bin" >> "$work/curl.cfg"
    printf '%s$bin$未知$%s$等待\n' "$name" "$url" >> "$work/rows.list"
  done
done

measure() {  # NAME COMMAND...
  local name=$1; shift
  rm -rf "$work/out" "$work/home"; mkdir -p "$work/out" "$work/home"; cp "$work/rows.list" "$work/list.list"
  /usr/bin/time -f "%e %M" -o "$work/time.txt" "$@" > /dev/null 2> "$work/last.err" || true
  read -r seconds peak < "$work/time.txt"
  local complete bytes
  complete=$(find "$work/out" -type f -name '*.bin' | wc -l)
  bytes=$(find "$work/out" -type f -name '*.bin' -printf '%s\n' | awk '{ s += $1 } END { print s + 0 }')
  printf '%-30s %7.2f s %8d KiB peak  %4d of %d files, %5.1f of %5.1f MB\n' "$name" "$seconds" "$peak" \
    "$complete" "$files" "$(echo "$bytes" | awk '{ print $1 / 1e6 }')" "$(echo "$total" | awk '{ print $1 / 1e6 }')"
  printf '%s\t%s\t%s\n' "${name%% *}" "$seconds" "$peak" >> "$work/results.tsv"
}
: > "$work/results.tsv"
echo "$files documents ($(echo "$total" | awk '{ printf "%.0f", $1 / 1e6 }') MB) on $hosts hosts, round trips 20-150 ms, rate limit by $mode; $workers at once:"
measure "skimmer-cli download -w $workers" "$cli" --home "$work/home" download "$work/list.list" --to "$work/out" --workers "$workers"
measure "curl -Z --parallel-max $workers" curl -s -Z --parallel-max "$workers" -K "$work/curl.cfg"
measure "aria2c -j $workers" aria2c -q -j "$workers" --file-allocation=none --allow-overwrite=true -d "$work/out" -i "$work/urls.txt"

figure() { awk -F'\t' -v tool="$1" -v col="$2" '$1 == tool { print $col }' "$work/results.tsv"; }
what="whole process: $files documents on $hosts far hosts, $workers at once, one run"
bench_result "many hosts: wall time" "$(figure skimmer-cli 2)" "curl -Z" "$(figure curl 2)" s "$what"
bench_result "many hosts: wall time" "$(figure skimmer-cli 2)" "aria2c" "$(figure aria2c 2)" s "$what"
bench_result "many hosts: peak memory" "$(($(figure skimmer-cli 3) / 1024))" "aria2c" \
  "$(($(figure aria2c 3) / 1024))" MiB "$what"
