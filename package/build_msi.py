#!/usr/bin/env python3
"""build_msi.py WXS OUT NAME=VALUE...: makes the MSI OUT from WXS with wixl
for 32-bit Windows, each NAME=VALUE a preprocessor variable (a folder or
file given as a path). Any warning, "CRITICAL" or error line of wixl fails
the build and leaves no OUT: wixl reports an attribute it ignores, or a
custom action it drops, with such a line and still ends with 0, and the
package would silently lack what the .wxs says.

Paths are given to wixl relative to OUT's folder, which it runs in: wixl
0.101 does not find a source file by an absolute path."""
import os, re, subprocess, sys

wxs, out, *defines = sys.argv[1:]
work = os.path.dirname(os.path.abspath(out))
args = []
for d in defines:
    name, value = d.split("=", 1)
    if os.path.isabs(value) and os.path.exists(value):
        value = os.path.relpath(value, work)
    args += ["-D", name + "=" + value]
tmp = os.path.abspath(out) + ".tmp"
r = subprocess.run(["wixl", "-a", "x86", *args, "-o", tmp, os.path.abspath(wxs)], cwd=work,
                   stdout=subprocess.PIPE, stderr=subprocess.STDOUT)
text = r.stdout.decode("utf-8", "replace")
complaints = [l for l in text.splitlines() if re.search(r"warning|critical|error", l, re.I)]
if r.returncode != 0 or complaints or not os.path.exists(tmp):
    sys.stderr.write(text)
    sys.stderr.write("build_msi: wixl %s; %s not made\n" % (
        "ended with %d" % r.returncode if r.returncode else "complained", out))
    if os.path.exists(tmp):
        os.unlink(tmp)
    sys.exit(1)
os.replace(tmp, out)
