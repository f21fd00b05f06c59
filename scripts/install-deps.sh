#!/usr/bin/env bash
# Installs, with apt-get, the Debian packages that building, running and testing skimmer need, and only
# those that are missing. Idempotent and non-interactive; works as root and through sudo.
set -euo pipefail

packages=(
  # build
  g++ make cmake ninja-build ccache pkg-config
  qt6-base-dev libcurl4-openssl-dev libsqlite3-dev libxml2-dev libcpp-httplib-dev
  # the content check of finished downloads (and its database of file signatures)
  libmagic-dev libmagic-mgc
  # the digest of each downloaded document, which finds the same document under another link
  libssl-dev
  # WARC records and sitemaps of the web archives come gzipped
  zlib1g-dev
  # make package: cpack's Debian generator finds the programs with file and their dependencies with
  # dpkg-shlibdeps
  dpkg-dev file
  # tests (openssl makes the throw-away certificates of the HTTPS tests)
  googletest libgtest-dev openssl
  # what is inside the downloaded documents: PDF (qpdf, built for hostile files), OOXML/ODF zips
  # (libzip; libxml2 above), OLE2 property sets (libgsf)
  libqpdf-dev libzip-dev libgsf-1-dev
  # the window: a virtual display when there is no real one, and a font with Chinese glyphs
  xvfb xauth fonts-wqy-microhei
  # the window's Chinese translation: CMake's Qt6LinguistTools, lupdate/lrelease, and Qt's own Chinese
  # texts for its file pickers and Yes/No buttons
  qt6-tools-dev qt6-l10n-tools qt6-translations-l10n
  # end-to-end tests and benchmarks: real peers on 127.0.0.1
  nginx aria2 curl wget wget2 time python3-lxml iproute2
  # bench only: the metadata benchmark's peers (exiftool -fast, pdfinfo)
  libimage-exiftool-perl poppler-utils
  # the proxy tests and the proxy-hop benchmark: a real HTTP proxy (CONNECT, Basic authentication) and a
  # real SOCKS5 proxy, both run unprivileged from a test folder
  tinyproxy dante-server
  # fuzzing (make fuzz): clang with its sanitizer runtimes and libFuzzer, which are only recommended
  # packages of clang and so must be named here
  clang libclang-rt-14-dev libfuzzer-14-dev
)

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$package")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  exit 0
fi

if [ "$(id -u)" -eq 0 ]; then
  as_root=()
elif command -v sudo >/dev/null 2>&1; then
  as_root=(sudo)
else
  echo "install-deps: these packages are missing and neither root nor sudo is available: ${missing[*]}" >&2
  exit 1
fi

echo "install-deps: installing ${missing[*]}"
export DEBIAN_FRONTEND=noninteractive
"${as_root[@]}" apt-get update -qq
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
