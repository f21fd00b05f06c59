#!/usr/bin/env bash
# Runs every benchmark, each printing its own lines as it goes, then one table: our figure, the peer's
# (another program doing the same work, or the target where there is no such program), ours divided by
# theirs, and what is timed. Run from the repository root after a build:  bash bench/run-all.sh
#   ONLY="net download resume hosts deep search parsers layouts queue lists latency archive meta profile"  a subset, in that order
# Every benchmark takes its own variables (see bench/README.md). About 10 minutes on 2 cores; figures
# taken while other work loads the machine are slower than the machine can do (compare `uptime`).
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
. "$root/bench/lib/nginx.sh"
build=${BUILD_DIR:-$root/build}
fixtures=${SKIMMER_FIXTURES:-$root/../shared/fixtures}
only=${ONLY:-net download resume hosts deep search parsers layouts queue lists latency archive meta profile}
export BUILD_DIR=$build SKIMMER_FIXTURES=$fixtures
BENCH_TABLE=$(mktemp /tmp/skimmer-bench-table.XXXXXX)
export BENCH_TABLE
on_exit "rm -f '$BENCH_TABLE'"
out=$(mktemp /tmp/skimmer-bench-out.XXXXXX)
on_exit "rm -f '$out'"

wants() { [[ " $only " == *" $1 "* ]]; }
section() { printf '\n== %s (%s)\n' "$1" "$(uptime | sed 's/.*load/load/')"; }
# run COMMAND...: runs it with its output shown and kept in $out for the parsing that follows.
run() { "$@" 2>&1 | tee "$out" || true; }
# field REGEX N: the Nth word (counted from the end when negative) of the first output line matching REGEX.
field() { awk -v re="$1" -v n="$2" '$0 ~ re { print (n < 0 ? $(NF + n + 1) : $n); exit }' "$out"; }
# after WORD: the word that follows WORD on the first output line that has it.
after() { awk -v w="$1" '{ for (i = 1; i < NF; i++) if ($i == w) { print $(i + 1); exit } }' "$out" | tr -d ,; }

if wants net; then section "download throughput, bench/net/run.sh"; run bash "$root/bench/net/run.sh"; fi
if wants download; then section "download pool, bench/download/run.sh"; run bash "$root/bench/download/run.sh"; fi
if wants resume; then section "resume after a cut, bench/resume/run.sh"; run bash "$root/bench/resume/run.sh"; fi
if wants hosts; then section "many far hosts, bench/download/many_hosts.sh"; run bash "$root/bench/download/many_hosts.sh"; fi
if wants deep; then section "deep search, bench/search/deep_search.sh"; run bash "$root/bench/search/deep_search.sh"; fi
if wants search; then section "key matcher and anchors, bench/search/run.sh"; run bash "$root/bench/search/run.sh"; fi
if wants parsers; then
  section "result-page parsers, parser_bench"
  run "$build/bench/parser_bench" "$fixtures" "${REPEAT:-20}"
  bench_result "parsers over pages with rows" "$(field '^HEADLINE' 12)" "-" "" MB/s \
    "decode + parse of each saved page with rows, in process"
  bench_result "parsers over pages with rows" "$(field '^HEADLINE' 14)" "-" "" rows/s \
    "decode + parse of each saved page with rows, in process"
fi
if wants layouts; then
  section "today's engine layouts, layout_bench"
  run "$build/bench/layout_bench" "$fixtures" "${REPEAT:-20}"
  bench_result "engine layouts over current pages" "$(field '^all ' 12)" "HTML parse alone" \
    "$(field '^parse only' 13)" MB/s "cut of decoded pages (signatures, classic, XPath) vs libxml2 parse"
fi
if wants archive; then
  section "CDX answer reading, cdx_parse_bench"
  run "$build/bench/cdx_parse_bench"
  bench_result "cdx lines" "$(field 'lines/s' -2)" "target" "1000000" lines/s "1,000,000 Wayback CDX lines read in process (target: 1 s)"
  section "dead links rescued, bench/archive/rescue.sh"
  run bash "$root/bench/archive/rescue.sh"
fi
if wants meta; then
  section "documents' metadata, bench/meta/run.sh"
  run bash "$root/bench/meta/run.sh"
  section "a download with metadata reading on and off, bench/meta/download.sh"
  run bash "$root/bench/meta/download.sh"
fi
if wants queue; then
  section "queue build, queue_build_bench"
  run "$build/bench/queue_build_bench"
  bench_result "queue build" "$(field 'addresses/s' -2)" "-" "" addresses/s "Search button's queue build, in process"
fi
if wants lists; then
  section "result list and list files, list_bench"
  scratch=$(mktemp -d /tmp/skimmer-bench-lists.XXXXXX)
  on_exit "rm -rf '$scratch'"
  run "$build/bench/list_bench" "${ROWS:-1000000}" "$scratch/lists"
  rm -rf "$scratch"
  for phase in ".list export" "XML export" "list import" "xml import"; do
    case $phase in *xml* | XML*) target=3 ;; *) target=2 ;; esac
    bench_result "lists: $phase, 1,000,000 rows" "$(awk -v p="$phase" 'index($0, p) == 1 { for (i = 1; i <= NF; i++) if ($i == "s") { print $(i - 1); exit } }' "$out")" \
      "target" "$target" s "the call, in process"
  done
  bench_result "lists: peak memory" "$(awk '/peak/ { p = $(NF - 1) } END { print p }' "$out")" "target" 1024 MiB \
    "resident peak of list_bench over every phase"
  bench_result "goal 3: registry, 100,000 new links" "$(field '^InsertDocLink x' 6)" "target" 0.5 s \
    "InsertDocLink x 100,000 and the last batch written, registry of 1,000,000 links"
  bench_result "goal 3: registry, 100,000 new links (CPU)" "$(field '^InsertDocLink CPU' 4)" "target" 0.5 s \
    "as above, CPU time of the process"
  bench_result "goal 3: registry look-up median" "$(field '^CheckDocLink median' 5)" "target" 10 us \
    "CheckDocLink in a registry of 1,000,000 links"
fi
if wants latency; then
  section "window responsiveness, latency_bench"
  run "$build/bench/latency_bench" "${LATENCY_ROWS:-1000000}" "${LATENCY_SECONDS:-20}"
  bench_result "window: tick lateness p99" "$(after p99)" "target" 100000 us \
    "each 10 ms tick from when it was due, under 50 search threads and 100 workers"
  bench_result "window: tick lateness p99.9" "$(after p99.9)" "-" "" us "as above"
  # The goal holds for the worst phase: steady, opening a list file of as many rows, sorting by title and size.
  worst() { awk -v w="$1" '/^worst phase/ { for (i = 1; i < NF; i++) if ($i == w) { print $(i + 1); exit } }' "$out"; }
  bench_result "goal 1: window tick lateness p99" "$(worst p99)" "target" 16000 us \
    "worst phase: steady, open and sort of the whole list"
  bench_result "goal 1: window tick lateness max" "$(worst max)" "target" 50000 us "as above"
fi
if wants profile; then
  section "download pool against curl -Z, medians of alternating rounds, bench/download/profile.sh"
  run bash "$root/bench/download/profile.sh"
fi

printf '\n%-44s %12s  %-26s %12s %8s  %-11s %s\n' "benchmark" "ours" "peer" "peer's" "ratio" "unit" "what is timed"
while IFS='|' read -r name ours peer theirs unit timed; do
  ratio=$(awk -v a="$ours" -v b="$theirs" 'BEGIN { if (a != "" && b + 0 > 0) printf "%.2f", a / b; else printf "-" }')
  printf '%-44s %12s  %-26s %12s %8s  %-11s %s\n' "$name" "${ours:--}" "$peer" "${theirs:--}" "$ratio" "$unit" "$timed"
done < "$BENCH_TABLE"
echo "ratio = ours / peer's: above 1 is better for rates (/s), below 1 for times (s, ms, us) and memory (MiB)."
# The four goals of the responsiveness and bulk-cost work, on their own (those of the benchmarks run).
printf '\nGoals (window p99 <= 16 ms and max <= 50 ms; downloads <= 0.9 x curl -Z wall and <= 1.5 x its CPU;\n'
printf 'registry 100,000 links <= 0.5 s and a look-up <= 10 us; deep search >= 1.0 x wget2):\n'
grep -E '^(goal [0-9]|deep search: pages/s \()' "$BENCH_TABLE" | while IFS='|' read -r name ours peer theirs unit timed; do
  ratio=$(awk -v a="$ours" -v b="$theirs" 'BEGIN { if (a != "" && b + 0 > 0) printf "%.2f", a / b; else printf "-" }')
  printf '  %-46s %12s %-4s vs %-24s %10s  ratio %s\n' "$name" "${ours:--}" "$unit" "$peer" "${theirs:--}" "$ratio"
done
