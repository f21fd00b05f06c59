#!/usr/bin/env bash
# The search-side benchmarks: the key matcher's block walk, and anchor listing against lxml.html over
# the saved real-world pages. Run from the repository root after a build: bash bench/search/run.sh
set -euo pipefail
root=$(cd "$(dirname "$0")/../.." && pwd)
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
"$build/bench/anchor_bench" "$repeat" "${pages[@]}"
/usr/bin/python3 "$root/bench/search/lxml_anchors.py" "$repeat" "${pages[@]}"
