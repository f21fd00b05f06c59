#!/usr/bin/env bash
# Renders the window on a virtual display, in English (docs/screenshot.png) and in Chinese
# (docs/screenshot-zh_CN.png), during a download from a small throttled web server on 127.0.0.1 (python3),
# so the pictures show rows in progress, a failed row with its reason and rows waiting; and the Engines
# dialog in both languages; and the window and the Engines dialog on a 1,024 x 600 screen, as they open
# there at a first start; and the HTML document report over a few fixture documents downloaded from
# 127.0.0.1 (docs/report.png, by Debian's chromium headless). Run from the repository root after a build.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$root/build}
home=$(mktemp -d)
trap 'rm -rf "$home"' EXIT
printf '年度报告\n可持续发展报告\nannual report\n' > "$home/key.list"
# The documents: /slow/* trickle out for minutes, /missing/* answer 404, anything else is a small PDF.
cat > "$home/server.py" <<'PY'
import http.server, socketserver, sys, time
class Handler(http.server.BaseHTTPRequestHandler):
    def do_GET(self):
        if self.path.startswith("/missing/"):
            self.send_error(404)
            return
        slow = self.path.startswith("/slow/")
        size = 6_000_000 if slow else 30_000
        self.send_response(200)
        self.send_header("Content-Type", "application/pdf")
        self.send_header("Content-Length", str(size))
        self.end_headers()
        sent = 0
        try:
            while sent < size:
                chunk = b"%PDF-1.4\n" if sent == 0 else b"p" * min(65536, size - sent)
                self.wfile.write(chunk)
                sent += len(chunk)
                if slow:
                    time.sleep(0.05 * (1 + hash(self.path) % 4))
        except OSError:
            pass
    def log_message(self, *args):
        pass
class Server(socketserver.ThreadingMixIn, http.server.HTTPServer):
    daemon_threads = True
server = Server(("127.0.0.1", 0), Handler)
with open(sys.argv[1], "w") as f:
    f.write(str(server.server_address[1]))
server.serve_forever()
PY
python3 "$home/server.py" "$home/port" &
server_pid=$!
trap 'kill "$server_pid" 2>/dev/null; rm -rf "$home"' EXIT
for _ in $(seq 50); do [ -s "$home/port" ] && break; sleep 0.1; done
web="http://127.0.0.1:$(cat "$home/port")"
cat > "$home/demo.list" <<LIST
2016年度报告\$pdf\$1520.375\$$web/done/2016.pdf\$下载成功
可持续发展报告全文\$pdf\$未知\$$web/slow/csr.pdf\$等待
Annual report 2015\$pdf\$812.000\$$web/slow/ar2015.pdf\$等待
企业社会责任白皮书\$pdf\$未知\$$web/slow/white.pdf\$等待
Sustainability report 2014\$pdf\$未知\$$web/missing/sr2014.pdf\$等待
环境信息披露报告\$pdf\$未知\$$web/slow/env.pdf\$等待
Quarterly results Q3\$pdf\$未知\$$web/slow/q3.pdf\$等待
LIST
cp "$home/demo.list" "$home/demo.list.orig"
"$build/src/skimmer-cli" --home "$home" config set AutoLoad 1 > /dev/null
"$build/src/skimmer-cli" --home "$home" config set ListPath "$home/demo.list" > /dev/null
"$build/src/skimmer-cli" --home "$home" config set SavePath "$home/save" > /dev/null
"$build/src/skimmer-cli" --home "$home" config set DownThreadCount 4 > /dev/null
mkdir -p "$root/docs"
shoot() {  # shoot LANG FILE OPTION... (the last option takes the picture's path)
  local lang=$1 file=$2
  shift 2
  SKIMMER_UPDATE_URL="$home/none.xml" xvfb-run -a -s "-screen 0 ${SCREEN:-1280x900}x24" \
    "$build/src/skimmer" --home "$home" --lang "$lang" "$@" "$root/docs/$file"
  echo "wrote docs/$file"
}
shoot en screenshot.png --download --screenshot
cp "$home/demo.list.orig" "$home/demo.list"  # the next picture downloads again from the start
rm -rf "$home/save"
shoot zh_CN screenshot-zh_CN.png --download --screenshot
# The Engines dialog, with keys filled in (shown masked) and one API engine ticked.
"$build/src/skimmer-cli" --home "$home" config set GoogleApiKey AIzaDemoKeyForThePicture > /dev/null
"$build/src/skimmer-cli" --home "$home" config set GoogleCx 0123456789abcdef > /dev/null
"$build/src/skimmer-cli" --home "$home" config set SearxngUrls "https://searx.example.org, https://search.example.net" > /dev/null
"$build/src/skimmer-cli" --home "$home" config set OpenAlexSearch 1 > /dev/null
shoot en engines-dialog.png --screenshot-engines
shoot zh_CN engines-dialog-zh_CN.png --screenshot-engines
# A small screen at a first start: no size kept from an earlier run.
sed -i '/^Geometry=/d' "$home/config/Setting.ini"
SCREEN=1024x600 shoot en window-1024x600.png --screenshot
SCREEN=1024x600 shoot zh_CN window-1024x600-zh_CN.png --screenshot
SCREEN=1024x600 shoot en engines-dialog-1024x600.png --screenshot-engines
SCREEN=1024x600 shoot zh_CN engines-dialog-1024x600-zh_CN.png --screenshot-engines

# The document report: a few fixture documents downloaded from a local server so the registry holds their
# metadata, reported as HTML and rendered by chromium headless.
documents=${FIXTURES_DIR:-$root/../shared/fixtures/documents}
if [ ! -d "$documents" ] || ! command -v chromium > /dev/null; then
  echo "skipped docs/report.png: no $documents or no chromium (apt-get install -y chromium)"
  exit 0
fi
report=$home/report
mkdir -p "$report"
python3 -u -m http.server 0 --bind 127.0.0.1 --directory "$documents" > "$report/server.log" 2>&1 &
docs_pid=$!
trap 'kill "$server_pid" "$docs_pid" 2>/dev/null; rm -rf "$home"' EXIT
for _ in $(seq 50); do grep -q "port" "$report/server.log" && break; sleep 0.1; done
docs_port=$(sed -n 's/.*port \([0-9]*\).*/\1/p' "$report/server.log" | head -1)
for file in exiftool-PDF.pdf tika-testWORD.docx tika-testEXCEL.xlsx tika-testPPT.pptx tika-testWORD.doc \
    tika-testEXCEL.xls tika-testODFwithOOo3.odt tika-testRTF.rtf pypdf-issue-914-xmp-data.pdf tika-testPDF.pdf \
    exiftool-FlashPix.ppt tika-testPDF-custommetadata.pdf; do
  printf '%s$%s$未知$http://127.0.0.1:%s/%s$等待\n' "${file%.*}" "${file##*.}" "$docs_port" "$file"
done > "$report/documents.list"
"$build/src/skimmer-cli" --home "$report" download "$report/documents.list" --to "$report/save" 2> /dev/null
"$build/src/skimmer-cli" --home "$report" meta --all > /dev/null
"$build/src/skimmer-cli" --home "$report" report --format html > "$report/report.html"
chromium --headless --no-sandbox --disable-gpu --no-first-run --disable-background-networking \
  --disable-component-update --disable-sync --user-data-dir="$report/chromium" \
  --screenshot="$root/docs/report.png" --window-size=1200,900 "file://$report/report.html" 2> /dev/null
echo "wrote docs/report.png"
