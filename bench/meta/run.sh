#!/usr/bin/env bash
# Metadata reading of the fixture PDFs repeated to $COUNT files (default 2000; each copy made distinct by
# a trailing comment, so the registry reads every one): documents per second of the whole process,
# `skimmer-cli meta --all` over a fresh registry listing them, against `exiftool -fast` over the folder and
# `pdfinfo` once per file. Target: at least 1x the faster peer. Best of $REPEAT runs (default 3).
# Run from the repository root after a build: bash bench/meta/run.sh
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
build=${BUILD_DIR:-$root/build}
fixtures=${SKIMMER_FIXTURES:-$root/../shared/fixtures}/documents
count=${COUNT:-2000}
repeat=${REPEAT:-3}
work=$(mktemp -d /tmp/skimmer-bench-meta.XXXXXX)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/docs"
mapfile -t pdfs < <(ls "$fixtures"/*.pdf)
for ((i = 0; i < count; i++)); do
  src=${pdfs[i % ${#pdfs[@]}]}
  { cat "$src"; printf '\n%%copy %d\n' "$i"; } > "$work/docs/$i.pdf"
done

# A registry that lists the files as downloaded documents and has no metadata yet.
fresh_registry() {
  rm -rf "$work/home"; mkdir -p "$work/home/config"
  python3 - "$work/home/config/docdata.db" "$work/docs" <<'PY'
import hashlib, os, sqlite3, sys
db = sqlite3.connect(sys.argv[1])
db.execute("create table docdata(doclink char(1204))")
db.execute("create table docfiles(doclink text, sha256 text, size integer, file text)")
for name in os.listdir(sys.argv[2]):
    path = os.path.join(sys.argv[2], name)
    data = open(path, "rb").read()
    db.execute("insert into docfiles values(?,?,?,?)", ("http://bench/" + name, hashlib.sha256(data).hexdigest(), len(data), path))
db.commit()
PY
}

best() {  # best wall seconds of $repeat runs of "$@" (prepare step in $PREPARE)
  local best_s=
  for ((r = 0; r < repeat; r++)); do
    [ -n "${PREPARE:-}" ] && $PREPARE
    local start end
    start=$(date +%s.%N); "$@" > /dev/null 2>&1 || true; end=$(date +%s.%N)
    local s; s=$(echo "$end - $start" | bc -l)
    if [ -z "$best_s" ] || (( $(echo "$s < $best_s" | bc -l) )); then best_s=$s; fi
  done
  echo "$best_s"
}

ours=$(PREPARE=fresh_registry best "$build/src/skimmer-cli" --home "$work/home" meta --all)
exif=$(best exiftool -fast -j -q "$work/docs")
pdfinfo_all() { for f in "$work"/docs/*.pdf; do pdfinfo "$f" > /dev/null 2>&1 || true; done; }
poppler=$(best pdfinfo_all)
rate() { echo "scale=0; $count / $1" | bc -l; }
echo "meta: $count PDFs, documents per second (whole process, best of $repeat)"
echo "  skimmer-cli meta --all   $(rate "$ours") docs/s  (${ours}s)"
echo "  exiftool -fast           $(rate "$exif") docs/s  (${exif}s)"
echo "  pdfinfo (one per file)   $(rate "$poppler") docs/s  (${poppler}s)"
. "$root/bench/lib/nginx.sh"  # bench_result
faster=$(echo "if ($exif < $poppler) $exif else $poppler" | bc -l)
bench_result "metadata of PDFs" "$(rate "$ours")" "faster of exiftool, pdfinfo" "$(rate "$faster")" docs/s \
  "$count PDFs, whole process, best of $repeat"
