#!/usr/bin/env bash
# Renders the window on a virtual display, in English (docs/screenshot.png) and in Chinese
# (docs/screenshot-zh_CN.png), with a few keywords and rows so the pictures show the program at work, and
# the Engines dialog in both languages. Run from the repository root after a build.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
printf '年度报告\n可持续发展报告\nannual report\n' > "$home/key.list"
cat > "$home/demo.list" <<'LIST'
2016年度报告$pdf$1520.375$http://docs.example.org/reports/2016.pdf$下载成功
可持续发展报告全文$doc$未知$http://www.example.com/files/csr.doc$完成:42%
Annual report 2015$pdf$812.000$http://ir.example.net/ar2015.pdf$等待
企业社会责任白皮书$ppt$未知$http://example.org/white.ppt$等待
LIST
"$build/src/skimmer-cli" --home "$home" config set AutoLoad 1 > /dev/null
"$build/src/skimmer-cli" --home "$home" config set ListPath "$home/demo.list" > /dev/null
"$build/src/skimmer-cli" --home "$home" config set SavePath "$HOME/Documents/skimmer" > /dev/null
mkdir -p "$root/docs"
shoot() {  # shoot LANG OPTION FILE
  SKIMMER_UPDATE_URL="$home/none.xml" xvfb-run -a -s "-screen 0 1280x900x24" \
    "$build/src/skimmer" --home "$home" --lang "$1" "$2" "$root/docs/$3"
  echo "wrote docs/$3"
}
shoot en --screenshot screenshot.png
shoot zh_CN --screenshot screenshot-zh_CN.png
# The Engines dialog, with keys filled in (shown masked) and one API engine ticked.
"$build/src/skimmer-cli" --home "$home" config set GoogleApiKey AIzaDemoKeyForThePicture > /dev/null
"$build/src/skimmer-cli" --home "$home" config set GoogleCx 0123456789abcdef > /dev/null
"$build/src/skimmer-cli" --home "$home" config set SearxngUrls "https://searx.example.org, https://search.example.net" > /dev/null
"$build/src/skimmer-cli" --home "$home" config set OpenAlexSearch 1 > /dev/null
shoot en --screenshot-engines engines-dialog.png
shoot zh_CN --screenshot-engines engines-dialog-zh_CN.png
