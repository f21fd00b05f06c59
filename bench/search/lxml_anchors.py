#!/usr/bin/python3
# The peer of anchor_bench: Python's lxml.html lists the same anchors (href as written, text content)
# of the same pages, decoded the same way (UTF-8 when valid, else GB18030).
import sys
import time

import lxml.html


def decode(data):
    if data.startswith(b"\xef\xbb\xbf"):
        data = data[3:]
    try:
        return data.decode("utf-8")
    except UnicodeDecodeError:
        return data.decode("gb18030", errors="replace")


repeat = int(sys.argv[1])
pages = [open(path, "rb").read() for path in sys.argv[2:]]
total_bytes = sum(len(p) for p in pages)
anchors = 0
start = time.perf_counter()
for _ in range(repeat):
    for data in pages:
        document = lxml.html.document_fromstring(decode(data))
        for anchor in document.iter("a"):
            anchor.get("href")
            anchor.text_content()
            anchors += 1
seconds = time.perf_counter() - start
print("lxml.html:       %d anchors in %.3f s: %.0f anchors/s, %.1f MB/s"
      % (anchors, seconds, anchors / seconds, total_bytes * repeat / seconds / 1e6))
