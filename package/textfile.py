#!/usr/bin/env python3
"""textfile.py ENCODING IN OUT VERSION: writes the UTF-8 text file IN as OUT
in ENCODING with CR LF line ends ("utf-8-sig": UTF-8 with byte order mark),
"{version}" replaced by VERSION. A character that ENCODING cannot hold is an
error, not a silent '?'."""
import sys

encoding, src, dst, version = sys.argv[1:5]
with open(src, encoding="utf-8", newline="") as f:
    text = f.read().replace("{version}", version)
if "\r" in text:
    sys.exit(f"{src}: carriage return in source; keep sources with LF only")
data = text.replace("\n", "\r\n").encode(encoding)
with open(dst, "wb") as f:
    f.write(data)
