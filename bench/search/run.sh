#!/usr/bin/env bash
# The search-side benchmarks: the key matcher's block walk, and anchor listing against lxml.html over
# the saved real-world pages. Run from the repository root after a build: bash bench/search/run.sh
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
. "$root/bench/lib/nginx.sh"
build=${BUILD_DIR:-$root/build}
fixtures=${SKIMMER_FIXTURES:-$root/../shared/fixtures}
repeat=${REPEAT:-20}

"$build/bench/key_matcher_bench"

mapfile -t pages < <(find "$fixtures/result-pages" "$fixtures/current-pages" -name '*.html' 2>/dev/null | sort)
if [ ${#pages[@]} -eq 0 ]; then
  echo "bench: no saved pages under $fixtures; anchor benchmark skipped"
  exit 0
fi
echo "anchors over ${#pages[@]} saved pages, $repeat rounds:"
ours=$("$build/bench/anchor_bench" "$repeat" "${pages[@]}")
echo "$ours"
theirs=$(/usr/bin/python3 "$root/bench/search/lxml_anchors.py" "$repeat" "${pages[@]}")
echo "$theirs"
rate() { sed -n 's/.* \([0-9]*\) anchors\/s.*/\1/p' <<< "$1"; }
bench_result "anchors of saved pages" "$(rate "$ours")" "lxml.html" "$(rate "$theirs")" anchors/s \
  "decode, parse, list anchors; ${#pages[@]} pages x $repeat, in process"
