#!/usr/bin/env bash
# Runs each libFuzzer target of the fuzz build for a set time, one after the other.
#
#   FUZZ_SECONDS        seconds per target (default: FUZZ_TOTAL_SECONDS shared among the targets)
#   FUZZ_TOTAL_SECONDS  seconds for all targets together when FUZZ_SECONDS is unset (default 300)
#   FUZZ_TARGETS        the targets to run, by short name (default: every one that was built)
#   FUZZ_DIR            the fuzz build folder (default build-fuzz)
#   SKIMMER_FIXTURES    saved pages that seed the page readers (default ../shared/fixtures)
#   FUZZ_SEED           libFuzzer's random seed (default: a new one each run). CI fixes it, so that a run
#                       that passed here passes there too while a new crash still shows in a local run.
#
# Seeds: fuzz/seeds/<target>/ and, for the page readers, the saved pages of the fixtures. The corpus each
# run grows is kept in $FUZZ_DIR/corpus/<target>/ for the next run; reproducers go to
# $FUZZ_DIR/artifacts/<target>/. Exits 1 after all targets ran when any of them crashed, hung or ran out
# of memory, naming each reproducer.
set -uo pipefail
cd "$(dirname "$0")/.."

fuzz_dir=${FUZZ_DIR:-build-fuzz}
fixtures=${SKIMMER_FIXTURES:-../shared/fixtures}
all_targets=(list_text list_xml ini key_list filters key_matcher html_anchors result_pages update_info engines api_answers aria2_answers robots pdf_meta zip_meta ole_meta rtf_meta resume_decision cdx_lines warc_records sitemaps layouts)

targets=()
for target in ${FUZZ_TARGETS:-${all_targets[*]}}; do
  if [ -x "$fuzz_dir/fuzz/fuzz_$target" ]; then
    targets+=("$target")
  elif [ -n "${FUZZ_TARGETS:-}" ]; then
    echo "fuzz: no target fuzz_$target in $fuzz_dir/fuzz (build it with make fuzz)" >&2
    exit 1
  fi
done
if [ ${#targets[@]} -eq 0 ]; then
  echo "fuzz: no fuzz targets in $fuzz_dir/fuzz (build them with make fuzz)" >&2
  exit 1
fi
total=${FUZZ_TOTAL_SECONDS:-300}
seconds=${FUZZ_SECONDS:-$(( total / ${#targets[@]} ))}
[ "$seconds" -ge 1 ] || seconds=1

# The largest input each target is given. Result pages are cut to their first 128 KiB, which still holds
# the first results of every saved page (some carry 100 KiB of scripts before them); other pages to
# 64 KiB. Setting.ini stays small: every save walks the whole file once per key.
max_len() {
  case "$1" in
    result_pages) echo 131072 ;;
    html_anchors|key_matcher|list_xml|engines|layouts) echo 65536 ;;
    ini) echo 4096 ;;
    api_answers) echo 262144 ;;
    pdf_meta|zip_meta|ole_meta) echo 65536 ;;
    cdx_lines|warc_records|sitemaps) echo 65536 ;;
    *) echo 16384 ;;
  esac
}

# Files the readers write and read back go to memory when it can be had: a save syncs its file.
if [ -d /dev/shm ] && [ -w /dev/shm ]; then
  scratch=$(mktemp -d /dev/shm/skimmer-fuzz.XXXXXX)
else
  mkdir -p "$fuzz_dir/tmp"
  scratch=$(mktemp -d "$fuzz_dir/tmp/run.XXXXXX")
fi
trap 'rm -rf "$scratch"' EXIT

# Seeds from the saved pages: written afresh into the build folder on every run, never into the sources.
generated="$fuzz_dir/seeds"
rm -rf "$generated"
mkdir -p "$generated"
if [ -d "$fixtures/result-pages" ] || [ -d "$fixtures/current-pages" ]; then
  # The engine whose pages a fixture folder holds, by its definition's id, with a page address. The
  # ordinary pages feed the engines that have no saved pages of their own.
  others=(bingacademic youdao soso zhongsou osun 63da 63da-search)
  engine_line() {
    case "$1" in
      google) echo "google https://www.google.com/search?q=x" ;;
      scholar) echo "scholar https://scholar.google.com/scholar?q=x" ;;
      baidu) echo "baidu http://www.baidu.com/s?wd=filetype:pdf x" ;;
      bing) echo "bing http://cn.bing.com/search?q=x" ;;
      yahoo) echo "yahoo http://search.yahoo.com/search?p=x" ;;
      aol) echo "aol http://search.aol.com/aol/search?q=x" ;;
      sogou) echo "sogou http://www.sogou.com/web?num=100&query=x" ;;
      duckduckgo) echo "duckduckgo https://html.duckduckgo.com/html/?q=x" ;;
      brave) echo "brave https://search.brave.com/search?q=x" ;;
      startpage) echo "startpage https://www.startpage.com/do/search?q=x" ;;
      yandex) echo "yandex https://yandex.com/search/?text=x" ;;
      *) echo "${others[$(( $2 % ${#others[@]} ))]} http://www.example.com/search?q=x" ;;
    esac
  }
  mkdir -p "$generated/html_anchors" "$generated/result_pages" "$generated/key_matcher"
  n=0
  for page in "$fixtures"/result-pages/*/*.html "$fixtures"/current-pages/*/*.html; do
    [ -f "$page" ] || continue
    n=$((n + 1))
    engine=$(basename "$(dirname "$page")")
    cp "$page" "$generated/html_anchors/$n.html"
    { engine_line "$engine" "$n"; cat "$page"; } > "$generated/result_pages/$n.page"
    # The key matcher with the keys most layouts use: anchors, and quoted addresses.
    if [ $((n % 4)) -eq 0 ]; then
      { printf '\n<a \n</a>\n</body>\n'; cat "$page"; } > "$generated/key_matcher/$n.anchors"
      { printf '<body\nhref="\n"\n\n'; cat "$page"; } > "$generated/key_matcher/$n.hrefs"
    fi
  done
  # Answers of search APIs: JSON of other shapes for the definitions' checker.
  if [ -d "$fixtures/api-responses" ]; then
    mkdir -p "$generated/engines"
    cp "$fixtures"/api-responses/*/*.json "$generated/engines/" 2>/dev/null
    # The API answer reader takes the service as its first byte (0 SearXNG, 1 Google, 2 Brave, 3 OpenAlex).
    mkdir -p "$generated/api_answers"
    byte=0
    for service in searxng google-cse brave openalex; do
      for answer in "$fixtures/api-responses/$service"/*.json; do
        [ -f "$answer" ] || continue
        { printf "\\00$byte"; cat "$answer"; } > "$generated/api_answers/$service-$(basename "$answer")"
      done
      byte=$((byte + 1))
    done
  fi
  echo "fuzz: seeds from $n saved pages in $fixtures"
else
  echo "fuzz: no saved pages at $fixtures (set SKIMMER_FIXTURES): the page readers start from fuzz/seeds only"
fi
# The archives' saved answers: index answers (first byte: 0 the Wayback, 1 Common Crawl), WARC records,
# sitemaps and robots.txt.
archive="$fixtures/archive-answers"
if [ -d "$archive" ]; then
  mkdir -p "$generated/cdx_lines" "$generated/warc_records" "$generated/sitemaps"
  for answer in "$archive"/wayback-cdx-*.txt "$archive"/wayback-cdx-*.json; do
    [ -f "$answer" ] && { printf '\000'; cat "$answer"; } > "$generated/cdx_lines/$(basename "$answer")"
  done
  for answer in "$archive"/cc-index-*.json* "$archive"/cc-collinfo.json; do
    [ -f "$answer" ] && { printf '\001'; cat "$answer"; } > "$generated/cdx_lines/$(basename "$answer")"
  done
  cp "$archive"/*.warc.gz "$archive"/*.warc "$generated/warc_records/" 2>/dev/null
  cp "$archive"/sitemap-* "$archive"/robots-* "$generated/sitemaps/" 2>/dev/null
fi

# The metadata readers start from the fixture documents of their format (those under the size cap).
if [ -d "$fixtures/documents" ]; then
  for pair in pdf_meta:pdf zip_meta:docx zip_meta:xlsx zip_meta:pptx zip_meta:odt zip_meta:ods zip_meta:odp \
              ole_meta:doc ole_meta:xls ole_meta:ppt rtf_meta:rtf; do
    mkdir -p "$generated/${pair%%:*}"
    find "$fixtures/documents" -name "*.${pair#*:}" -size -64k -exec cp {} "$generated/${pair%%:*}/" \;
  done
fi

summary="$fuzz_dir/fuzz-summary.txt"
: > "$summary"
failed=0
for target in "${targets[@]}"; do
  corpus="$fuzz_dir/corpus/$target"
  artifacts="$fuzz_dir/artifacts/$target"
  log="$fuzz_dir/logs/$target.log"
  mkdir -p "$corpus" "$artifacts" "$(dirname "$log")"
  dirs=("$corpus")
  [ -d "fuzz/seeds/$target" ] && dirs+=("fuzz/seeds/$target")
  [ -d "$generated/$target" ] && dirs+=("$generated/$target")
  # The built-in engine definitions are the checker's best seeds.
  [ "$target" = engines ] && dirs+=("src/engines/builtin")
  echo "fuzz: $target for ${seconds}s"
  TMPDIR="$scratch" \
  ASAN_OPTIONS="detect_leaks=1:allocator_may_return_null=1" \
  UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1" \
    "$fuzz_dir/fuzz/fuzz_$target" -max_total_time="$seconds" -timeout=25 -rss_limit_mb=3072 \
      -max_len="$(max_len "$target")" -print_final_stats=1 -artifact_prefix="$artifacts/" \
      ${FUZZ_SEED:+-seed="$FUZZ_SEED"} \
      "${dirs[@]}" > "$log" 2>&1
  status=$?
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log" | tail -1)
  units=$(grep -o 'corp: [0-9]*' "$log" | tail -1 | cut -d' ' -f2)
  line=$(printf '%-14s %10s runs %7s exec/s  corpus %s' "$target" "${runs:-?}" "${rate:-?}" "${units:-?}")
  if [ "$status" -ne 0 ]; then
    failed=1
    reproducer=$(sed -n 's/.*Test unit written to \(.*\)$/\1/p' "$log" | tail -1)
    kind=$(grep -m1 -oE 'ERROR: (AddressSanitizer|UndefinedBehaviorSanitizer|libFuzzer): [a-zA-Z-]+|fuzz: broken promise: .*|runtime error: .*' "$log" || true)
    line="$line  FAILED (exit $status${kind:+: $kind}): reproducer ${reproducer:-none written}, log $log"
  fi
  echo "$line" | tee -a "$summary"
done

if [ "$failed" -ne 0 ]; then
  echo "fuzz: failures found; rerun one with: $fuzz_dir/fuzz/fuzz_<target> <reproducer>" >&2
  exit 1
fi
echo "fuzz: no failures ($summary)"
