#!/usr/bin/env python3
"""The print path's cost on the host's Ghostscript.

print_path_bench.py RSPFILE [RUNS]
One 50-page print job (German text in two re-encoded fonts, a drawn logo and
a small picture on every page, as a PostScript driver sends it) becomes a
PDF twice: through the print script's Ghostscript line with the response
file, and through plain pdfwrite. Prints the median wall time of RUNS runs
(default 5, taken in turns) and the size of each PDF:
  print_rsp_ms, print_plain_ms, print_rsp_kib, print_plain_kib
"""
import os, statistics, subprocess, sys, tempfile, time

PAGES = 50
WORDS = ("Grüße aus München, die Straße führt am schönen Ufer entlang; Ärger, Öl und "
         "Übel sind große Gefühle, Blütenstäubchen fliegen über die Wiese.").split()


def job():
    out = ["%!PS-Adobe-3.0", "%%Pages: " + str(PAGES), "%%EndComments", "%%BeginProlog",
           "/Latin1 { findfont dup length dict begin",
           "  { 1 index /FID ne { def } { pop pop } ifelse } forall",
           "  /Encoding ISOLatin1Encoding def currentdict end definefont pop } bind def",
           "/Line { 72 exch moveto show } bind def",
           "/Logo { gsave 470 740 translate 0.1 0.3 0.6 setrgbcolor",
           "  0 0 moveto 60 0 lineto 30 50 lineto closepath fill",
           "  0.8 0.1 0.1 setrgbcolor 2 setlinewidth 30 20 18 0 360 arc stroke grestore } bind def",
           "%%EndProlog", "%%BeginSetup",
           "/Helvetica-L1 /Helvetica Latin1 /Times-L1 /Times-Roman Latin1", "%%EndSetup"]
    picture = bytes((x * 4 + y * 2 + (x ^ y)) & 0xFF for y in range(64) for x in range(64 * 3)).hex()
    for page in range(1, PAGES + 1):
        out += ["%%Page: {0} {0}".format(page), "Logo",
                "/Helvetica-L1 findfont 18 scalefont setfont",
                "(Seite {} von {}: Druckprobe DUR-Orarudi) 760 Line".format(page, PAGES),
                "/Times-L1 findfont 11 scalefont setfont"]
        for line in range(48):
            start = (page * 7 + line * 3) % len(WORDS)
            text = " ".join((WORDS * 3)[start:start + 12])
            escaped = "".join(c if c.isascii() and c not in "()\\" else "\\%03o" % ord(c) for c in text)
            out.append("({}) {} Line".format(escaped, 730 - line * 13))
        out += ["gsave 72 60 translate 96 96 scale 64 64 8 [64 0 0 -64 0 64]",
                "<" + picture + ">", "false 3 colorimage grestore", "showpage"]
    out += ["%%Trailer", "%%EOF"]
    return ("\n".join(out) + "\n").encode("latin-1")


def main():
    rsp_source = sys.argv[1]
    runs = int(sys.argv[2]) if len(sys.argv) > 2 else 5
    with tempfile.TemporaryDirectory() as tmp:
        jobfile = os.path.join(tmp, "job.ps")
        open(jobfile, "wb").write(job())
        # The response file as shipped: CR LF line ends.
        rsp = os.path.join(tmp, "Merovast.rsp")
        text = open(rsp_source, encoding="ascii").read()
        open(rsp, "wb").write(text.replace("\n", "\r\n").encode("ascii"))
        variants = {
            # The print script's line: gs @rsp -sOutputFile=... -c save pop .setpdfwrite -f -
            "rsp": lambda out: ["gs", "@" + rsp, "-sOutputFile=" + out,
                                "-c", "save", "pop", ".setpdfwrite", "-f", "-"],
            "plain": lambda out: ["gs", "-q", "-dSAFER", "-dNOPAUSE", "-dBATCH", "-sDEVICE=pdfwrite",
                                  "-sOutputFile=" + out, "-"],
        }
        times = {name: [] for name in variants}
        sizes = {}
        for _ in range(runs):
            for name, command in variants.items():
                out = os.path.join(tmp, name + ".pdf")
                with open(jobfile, "rb") as stdin:
                    start = time.perf_counter()
                    done = subprocess.run(command(out), stdin=stdin, stdout=subprocess.PIPE,
                                          stderr=subprocess.STDOUT)
                    times[name].append((time.perf_counter() - start) * 1000)
                if done.returncode != 0 or not os.path.getsize(out):
                    sys.stderr.write("print_path_bench: %s failed:\n%s" % (name, done.stdout.decode(errors="replace")))
                    return 1
                sizes[name] = os.path.getsize(out)
        for name in variants:
            print("print_%s_ms: %.0f ms" % (name, statistics.median(times[name])))
        for name in variants:
            print("print_%s_kib: %.1f KiB" % (name, sizes[name] / 1024))
    return 0


if __name__ == "__main__":
    sys.exit(main())
