#!/usr/bin/env python3
"""textfile.py ENCODING IN OUT [NAME=VALUE...]: writes the UTF-8 text file IN
as OUT in ENCODING with CR LF line ends ("utf-8-sig": UTF-8 with byte order
mark; "utf-16": UTF-16 little-endian with byte order mark), each "{NAME}"
replaced by VALUE (such as {version}). A character that ENCODING cannot
hold is an error, not a silent '?'."""
import sys

encoding, src, dst, *fields = sys.argv[1:]
with open(src, encoding="utf-8", newline="") as f:
    text = f.read()
for field in fields:
    name, value = field.split("=", 1)
    text = text.replace("{" + name + "}", value)
if "\r" in text:
    sys.exit(f"{src}: carriage return in source; keep sources with LF only")
data = text.replace("\n", "\r\n").encode("utf-16-le" if encoding == "utf-16" else encoding)
with open(dst, "wb") as f:
    f.write((b"\xff\xfe" if encoding == "utf-16" else b"") + data)
