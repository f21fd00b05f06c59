# The download benchmarks' file set, written into FOLDER/www: SMALL files of 100 KB (s1.bin ...) and BIG
# files of 50 MB (b1.bin ...), copies of one random file each with its own first bytes. Identical files
# would be one document, which skimmer saves once.
#   make_download_set FOLDER SMALL BIG
make_download_set() {
  local www=$1/www small=$2 big=$3 i
  mkdir -p "$www"
  chmod 755 "$1" "$www"
  head -c 100K /dev/urandom > "$www/s0.bin"
  for i in $(seq 1 "$small"); do
    cp "$www/s0.bin" "$www/s$i.bin"
    printf '%016d' "$i" | dd of="$www/s$i.bin" conv=notrunc status=none
  done
  head -c 50M /dev/urandom > "$www/b0.bin"
  for i in $(seq 1 "$big"); do
    cp "$www/b0.bin" "$www/b$i.bin"
    printf '%016d' "$i" | dd of="$www/b$i.bin" conv=notrunc status=none
  done
  chmod -R a+r "$www"
}
