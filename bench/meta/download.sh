#!/usr/bin/env bash
# What reading the documents' metadata costs a download: the fixture documents (every format the readers
# know) repeated to $COUNT files (default 2000; each copy made distinct by trailing bytes, so none is a
# twin of another) served by nginx on 127.0.0.1 ($PORT, default 18092), fetched by `skimmer-cli download
# --workers 100` with metadata reading on (the default: read beside the transfers, the rest read before
# the command ends) and with `--no-meta`, in alternating rounds ($REPEAT, default 3). Prints the medians
# of wall and CPU time and their ratio, and when the transfers were done with reading on. Target: wall with reading on at most 1.05 x with it off.
# Run from the repository root after a build: bash bench/meta/download.sh
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
. "$root/bench/lib/nginx.sh"
build=${BUILD_DIR:-$root/build}
cli=$build/src/skimmer-cli
fixtures=${SKIMMER_FIXTURES:-$root/../shared/fixtures}/documents
count=${COUNT:-2000}
repeat=${REPEAT:-3}
port=${PORT:-18092}
work=$(mktemp -d /tmp/skimmer-bench-meta-download.XXXXXX)
on_exit "rm -rf '$work'"
if [ ! -d "$fixtures" ]; then echo "meta download: no fixture documents at $fixtures; skipped"; exit 0; fi
mkdir -p "$work"/{www,logs,home/config}
chmod 755 "$work" "$work/www"
mapfile -t docs < <(find "$fixtures" -maxdepth 1 -type f ! -name '*.md' ! -name '*.tsv' | sort)
base="http://127.0.0.1:$port"
: > "$work/rows.list"
for ((i = 0; i < count; i++)); do
  src=${docs[i % ${#docs[@]}]}
  ext=${src##*.}
  { cat "$src"; printf '\n%%copy %d\n' "$i"; } > "$work/www/d$i.$ext"
  printf 'd%d$%s$未知$%s$等待\n' "$i" "$ext" "$base/d$i.$ext" >> "$work/rows.list"
done
chmod -R a+r "$work/www"
start_nginx "$work" "$port"
printf '[FILE_FREE_DOC]\nPerHostConnections=0\nArchiveRescue=0\n' > "$work/home/config/Setting.ini"

run() {  # NAME ARGS...: prints "wall cpu transfers" (transfers: seconds until the last transfer ended)
  local name=$1; shift
  rm -rf "$work/out"; mkdir -p "$work/out"
  find "$work/home" -mindepth 1 -maxdepth 1 ! -name config -exec rm -rf {} +
  rm -f "$work/home/config"/docdata.db*; cp "$work/rows.list" "$work/list.list"
  # The command says when its transfers are done and it reads the metadata left: that moment is timed too.
  python3 - "$work/time.txt" /usr/bin/time -f "%e %U %S" -o "$work/time.txt" "$cli" --home "$work/home" download \
    "$work/list.list" --to "$work/out" --workers 100 "$@" > "$work/transfers.txt" <<'PY'
import subprocess, sys, time
start = time.monotonic()
child = subprocess.Popen(sys.argv[2:], stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
marked = None
for line in child.stderr:
    if marked is None and b"transfers done" in line:
        marked = time.monotonic() - start
child.wait()
print("%.3f" % (marked if marked is not None else time.monotonic() - start))
PY
  local files; files=$(find "$work/out" -type f | wc -l)
  local read_docs; read_docs=$(python3 -c 'import sqlite3,sys
try: print(sqlite3.connect(sys.argv[1]).execute("select count(*) from docmeta").fetchone()[0])
except Exception: print(0)' "$work/home/config/docdata.db")
  read -r wall user sys < "$work/time.txt"
  local transfers; transfers=$(cat "$work/transfers.txt")
  printf "%-8s %6.2f s wall (transfers %5.2f s) %6.2f s user %6.2f s sys  %5d files  %5d read  (load %s)\n" "$name" \
    "$wall" "$transfers" "$user" "$sys" "$files" "$read_docs" "$(cut -d' ' -f1 /proc/loadavg)" >&2
  echo "$wall $(echo "$user + $sys" | bc -l) $transfers"
}
on=(); off=()
for r in $(seq 1 "$repeat"); do
  on+=("$(run meta-on)")
  off+=("$(run meta-off --no-meta)")
done
w_on=$(median 1 "${on[@]}"); w_off=$(median 1 "${off[@]}")
c_on=$(median 2 "${on[@]}"); c_off=$(median 2 "${off[@]}")
t_on=$(median 3 "${on[@]}")
printf 'meta download: %d documents, median of %d: wall %.2f s with metadata, %.2f s without, ratio %.2f (target <= 1.05)\n' \
  "$count" "$repeat" "$w_on" "$w_off" "$(echo "$w_on / $w_off" | bc -l)"
printf 'meta download: CPU %.2f s with metadata, %.2f s without\n' "$c_on" "$c_off"
printf 'meta download: transfers done after %.2f s with metadata (ratio %.2f to the whole run without)\n' "$t_on" \
  "$(echo "$t_on / $w_off" | bc -l)"
bench_result "download with metadata read" "$w_on" "--no-meta" "$w_off" s "$count fixture documents, median of $repeat"
bench_result "its transfers, metadata read beside" "$t_on" "--no-meta" "$w_off" s "until the last transfer ended"
