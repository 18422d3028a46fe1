"""The MSI checks' reading of tests/data: shared by msi_tables.py and
msi_wine.py."""
import os

DATA = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "data")

def data_lines(name):
    """The lines of a file in tests/data, without blank and comment lines."""
    return [l.rstrip("\n") for l in open(os.path.join(DATA, name), encoding="utf-8")
            if l.strip() and not l.startswith("#")]

def blocks(name):
    """A file of "[name]" blocks -> {name: [its lines]}"""
    out, cur = {}, None
    for l in data_lines(name):
        if l.startswith("["):
            cur = out.setdefault(l[1:-1], [])
        else:
            cur.append(l)
    return out
